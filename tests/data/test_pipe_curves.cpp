// Sections of the four shapes, the friction laws against published pipe-table values, the
// reference lines, and the Lanfear-Coll fit and sediment sweep on generated surveys.

#include "data/DataFile.h"
#include "data/PipeCurves.h"
#include "data/PipeLimits.h"
#include "data/SedimentFit.h"
#include "data/SedimentTrust.h"
#include "data/Tables.h"
#include "tests/data/DamagedFiles.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cmath>

using namespace lmv;

Q_DECLARE_METATYPE(lmv::PipeGeometry)

namespace {

PipeGeometry pipe(quint32 shape, quint32 h, quint32 w, quint32 t, quint32 y)
{
    return pipeGeometryFrom(shape, h, w, t, y);
}

// Same numbers on every run: uniform in [-1, 1).
struct Lcg
{
    quint32 state = 12345u;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / 8388608.0 - 1.0;
    }
};

// A survey of a pipe whose real sediment is `trueMm` while the header says `pipe.sediment`:
// surfaces spread between the real sediment and near the top, velocities on Manning's curve of
// the real geometry with a little noise, levels stored to the millimetre from the header's
// sediment as the logger does.
void survey(const PipeGeometry &header, quint32 trueMm, int count, std::vector<float> &levels,
            std::vector<float> &velocities, bool toTheMillimetre = true)
{
    PipeGeometry real = header;
    real.sediment = trueMm;
    const double top = pipeTopMetres(header);
    const double bed = trueMm * 1e-3;
    Lcg noise;
    for (int i = 0; i < count; ++i) {
        const double surface = bed + 0.01 + (top * 0.9 - bed) * (0.5 + 0.5 * noise.next());
        const double v = manningVelocity(sectionAt(real, surface - bed).radius(), 0.002, 0.013);
        const double level = surface - sedimentMetres(header);
        levels.push_back(float(toTheMillimetre ? std::round(level * 1000.0) / 1000.0 : level));
        velocities.push_back(float(v * (1.0 + 0.02 * noise.next())));
    }
}

// Least squares of v = C·R^(2/3) record by record, for comparison with the binned sums.
std::pair<double, double> directFit(const PipeGeometry &pipe, const std::vector<float> &levels,
                                    const std::vector<float> &velocities)
{
    double svv = 0, svg = 0, sgg = 0;
    int n = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double g = std::pow(sectionAt(pipe, levels[i]).radius(), 2.0 / 3.0);
        if (g <= 0 || velocities[i] <= 0)
            continue;
        ++n;
        svv += double(velocities[i]) * velocities[i];
        svg += velocities[i] * g;
        sgg += g * g;
    }
    const double c = svg / sgg;
    return {c, std::sqrt((svv - 2 * c * svg + c * c * sgg) / n)};
}

} // namespace

class TestPipeCurves : public QObject
{
    Q_OBJECT

private slots:
    void sectionsOfEachShapeMatchHandValues_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("area");
        QTest::addColumn<double>("perimeter");
        QTest::addColumn<double>("topWidth");
        const double pi = 3.14159265358979;
        QTest::newRow("circle half full") << pipe(0, 1000, 0, 0, 0) << 0.5 << pi / 8 << pi / 2 << 1.0;
        // The sediment top (a chord of 800 mm at 200 mm) is part of the wetted boundary.
        QTest::newRow("circle over sediment")
            << pipe(0, 1000, 0, 0, 200) << 0.3 << 0.280875 << std::asin(0.6) + 0.8 << 1.0;
        QTest::newRow("circle at crown is full bore") << pipe(0, 1000, 0, 0, 0) << 1.0 << pi / 4 << pi << 0.0;
        QTest::newRow("surcharged circle stays full bore")
            << pipe(0, 1000, 0, 0, 200) << 1.5 << pi / 4 - 0.111824 << pi / 2 + std::asin(0.6) + 0.8 << 0.0;
        QTest::newRow("rectangle over sediment") << pipe(1, 1000, 2000, 0, 100) << 0.4 << 0.8 << 2.8 << 2.0;
        QTest::newRow("rectangle above its height keeps full-height values")
            << pipe(1, 1000, 2000, 0, 100) << 1.4 << 1.8 << 3.8 << 2.0;
        // Sides 1000 high and 500 out: each √1.25 m long over the whole height.
        QTest::newRow("trapezoid wide top")
            << pipe(2, 1000, 1000, 2000, 0) << 0.5 << 0.625 << 1.0 + std::sqrt(1.25) << 1.5;
        QTest::newRow("trapezoid wide bottom over sediment")
            << pipe(2, 1000, 2000, 1000, 200) << 0.3 << (1.8 + 1.5) / 2 * 0.3 << 1.8 + 0.6 * std::sqrt(1.25)
            << 1.5;
        QTest::newRow("triangle") << pipe(3, 1000, 1000, 0, 0) << 0.5 << 0.125 << 2 * std::hypot(0.5, 0.25)
                                  << 0.5;
        QTest::newRow("triangle over sediment")
            << pipe(3, 1000, 1000, 0, 200) << 0.3 << 0.105 << 0.2 + 2 * std::hypot(0.3, 0.15) << 0.5;
        QTest::newRow("dry") << pipe(0, 1000, 0, 0, 0) << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("unknown shape") << pipe(9, 1000, 1000, 0, 0) << 0.5 << 0.0 << 0.0 << 0.0;
    }
    void sectionsOfEachShapeMatchHandValues()
    {
        QFETCH(PipeGeometry, geometry);
        QFETCH(double, level);
        QFETCH(double, area);
        QFETCH(double, perimeter);
        QFETCH(double, topWidth);
        const Section s = sectionAt(geometry, level);
        QVERIFY2(std::fabs(s.area - area) < 2e-6, qPrintable(QString::number(s.area, 'g', 9)));
        QVERIFY2(std::fabs(s.perimeter - perimeter) < 1e-6, qPrintable(QString::number(s.perimeter, 'g', 9)));
        QVERIFY2(std::fabs(s.topWidth - topWidth) < 1e-6, qPrintable(QString::number(s.topWidth, 'g', 9)));
    }

    // Full-bore circles from pipe tables, and open channels whose R is known by hand.
    void frictionLawsMatchReferenceValues_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("law");
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("roughness");
        QTest::addColumn<double>("velocity");
        QTest::addColumn<double>("tolerance");
        const int manning = int(FrictionLaw::Manning), cw = int(FrictionLaw::ColebrookWhite);
        QTest::newRow("CW D1200 ks0.6 1:250")
            << pipe(0, 1200, 0, 0, 0) << 1.2 << cw << 1 / 250.0 << 0.6 << 2.36 << 0.005;
        QTest::newRow("CW D300 ks0.6 1:200")
            << pipe(0, 300, 0, 0, 0) << 0.3 << cw << 1 / 200.0 << 0.6 << 1.10 << 0.005;
        QTest::newRow("Manning D1000 n0.013 1:1000")
            << pipe(0, 1000, 0, 0, 0) << 1.0 << manning << 0.001 << 0.013 << 0.965 << 0.0005;
        // Rectangle 2 m wide, 0.5 m deep: R = 1 / 3 m.
        QTest::newRow("Manning rectangle") << pipe(1, 500, 2000, 0, 0) << 0.5 << manning << 0.001 << 0.015
                                           << std::cbrt(1 / 9.0) * std::sqrt(0.001) / 0.015 << 1e-9;
        // Triangle 1 m high, 2 m wide, full: R = 1 / (2√2) m, worked by hand.
        QTest::newRow("CW triangle") << pipe(3, 1000, 2000, 0, 0) << 1.0 << cw << 0.001 << 1.5 << 1.173
                                     << 0.001;
    }
    void frictionLawsMatchReferenceValues()
    {
        QFETCH(PipeGeometry, geometry);
        QFETCH(double, level);
        QFETCH(int, law);
        QFETCH(double, slope);
        QFETCH(double, roughness);
        QFETCH(double, velocity);
        QFETCH(double, tolerance);
        Friction f;
        f.law = FrictionLaw(law);
        f.slope = slope;
        f.manningN = roughness;
        f.roughnessMm = roughness;
        const double v = frictionVelocity(sectionAt(geometry, level).radius(), f);
        QVERIFY2(std::fabs(v - velocity) <= tolerance, qPrintable(QString::number(v, 'g', 9)));
        // The drawn curve ends at the top of the pipe with the same value.
        const std::vector<CurvePoint> curve = pipeCurve(geometry, f, 100);
        QVERIFY(!curve.empty());
        QCOMPARE(curve.back().level, level);
        QCOMPARE(curve.back().velocity, v);
        // Manning is a Lanfear-Coll curve with C = S^½ / n at every level.
        if (f.law == FrictionLaw::Manning) {
            const std::vector<CurvePoint> fitted = fittedCurve(geometry, std::sqrt(slope) / roughness, 100);
            QCOMPARE(fitted.size(), curve.size());
            for (std::size_t i = 0; i < curve.size(); ++i)
                QVERIFY(std::fabs(fitted[i].velocity - curve[i].velocity) < 1e-12);
        }
    }

    void fullBoreFlowOfTheSmallPipeIs78LitresPerSecond()
    {
        const PipeGeometry d300 = pipe(0, 300, 0, 0, 0);
        const Section full = sectionAt(d300, 0.3);
        const double q = colebrookWhiteVelocity(full.radius(), 1 / 200.0, 0.6) * full.area * 1000.0;
        QVERIFY2(std::fabs(q - 78.0) < 0.5, qPrintable(QString::number(q)));
    }

    void referenceLinesFollowTheirDefinitions()
    {
        const PipeGeometry d1000 = pipe(0, 1000, 0, 0, 100);
        // Iso-Q: v·A = Q at every level, vertical above the crown up to the requested top.
        const std::vector<CurvePoint> iso = isoFlowLine(d1000, 200.0, 50, 1.3);
        QVERIFY(iso.size() > 2);
        for (const CurvePoint &p : iso)
            QVERIFY(std::fabs(p.velocity * sectionAt(d1000, std::min(p.level, 0.9)).area * 1000.0 - 200.0) <
                    1e-9);
        QCOMPARE(iso.back().level, 1.3);
        QCOMPARE(iso.back().velocity, iso[iso.size() - 2].velocity);
        // Open channels do not go on above their height.
        QCOMPARE(isoFlowLine(pipe(1, 1000, 2000, 0, 0), 200.0, 50, 1.3).back().level, 1.0);

        // Fr = 1: a half-full circle has A = πr²/2 and T = 2r; the line stops below the crown.
        const std::vector<CurvePoint> critical = criticalFlowLine(pipe(0, 1000, 0, 0, 0), 100);
        QCOMPARE(critical[49].level, 0.5);
        QVERIFY(std::fabs(critical[49].velocity - std::sqrt(9.81 * 3.14159265358979 * 0.5 / 4)) < 1e-9);
        QVERIFY(critical.back().level < 1.0);
    }

    void roundFlowsSpanTheSurveyIn125Steps_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<QList<double>>("flows");
        QTest::newRow("two decades") << 3.0 << 180.0 << 8 << QList<double>{5, 10, 20, 50, 100, 200};
        QTest::newRow("on a step") << 10.0 << 50.0 << 8 << QList<double>{10, 20, 50};
        QTest::newRow("too many: smallest dropped")
            << 0.0 << 900.0 << 4 << QList<double>{100, 200, 500, 1000};
        QTest::newRow("no flow") << 0.0 << 0.0 << 8 << QList<double>{};
    }
    void roundFlowsSpanTheSurveyIn125Steps()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, maxLines);
        QFETCH(QList<double>, flows);
        const std::vector<double> got = roundFlowSteps(low, high, maxLines);
        QCOMPARE(QList<double>(got.begin(), got.end()), flows);
    }

    void lanfearCollFitRecoversItsCoefficientAndLeavesOutSurchargeAndBackflow()
    {
        const PipeGeometry d600 = pipe(0, 600, 0, 0, 50);
        std::vector<float> levels, velocities;
        for (int i = 1; i <= 50; ++i) {
            const float level = 0.01f * float(i);
            levels.push_back(level);
            velocities.push_back(float(2.5 * std::cbrt(std::pow(sectionAt(d600, level).radius(), 2))));
        }
        // A surcharged record (surface at the crown), a standing one and a reversed one.
        levels.insert(levels.end(), {0.55f, 0.2f, 0.2f});
        velocities.insert(velocities.end(), {0.1f, 0.0f, -0.4f});
        const LanfearCollFit fit = fitLanfearColl(d600, levels, velocities);
        QCOMPARE(fit.records, qsizetype(50));
        QVERIFY(std::fabs(fit.coefficient - 2.5) < 1e-5);
        QVERIFY(fit.rmse < 1e-5);
        QVERIFY(!fitLanfearColl(d600, {}, {}).valid());
    }

    void sedimentSweepFindsTheRealSediment_data()
    {
        QTest::addColumn<PipeGeometry>("header");
        QTest::addColumn<int>("trueMm");
        QTest::addColumn<bool>("toTheMillimetre");
        QTest::newRow("circle, header says none") << pipe(0, 1000, 0, 0, 0) << 100 << true;
        QTest::newRow("circle, header says 40, levels unrounded") << pipe(0, 1000, 0, 0, 40) << 100 << false;
        QTest::newRow("trapezoid, header says none") << pipe(2, 1200, 800, 2000, 0) << 100 << true;
        QTest::newRow("triangle, no sediment, levels unrounded") << pipe(3, 800, 1200, 0, 0) << 0 << false;
    }
    void sedimentSweepFindsTheRealSediment()
    {
        QFETCH(PipeGeometry, header);
        QFETCH(int, trueMm);
        QFETCH(bool, toTheMillimetre);
        std::vector<float> levels, velocities;
        survey(header, quint32(trueMm), 5000, levels, velocities, toTheMillimetre);
        const SedimentSweep sweep = sweepSediment(header, levels, velocities);
        QCOMPARE(sweep.fileMm, int(header.sediment));
        QVERIFY2(std::abs(sweep.bestMm - trueMm) <= 5, qPrintable(QString::number(sweep.bestMm)));
        QCOMPARE(sweep.rmseByMm.size(), std::size_t(pipeTopMetres(header) * 500 + 1.5));
        // The binned sums give what a fit record by record on the moved sediment gives.
        PipeGeometry moved = header;
        moved.sediment = quint32(sweep.bestMm);
        std::vector<float> shifted;
        for (const float l : levels)
            shifted.push_back(float(double(l) + (int(header.sediment) - sweep.bestMm) * 1e-3));
        const auto [c, rmse] = directFit(moved, shifted, velocities);
        QVERIFY2(std::fabs(sweep.best.rmse - rmse) < 1e-5,
                 qPrintable(QString::number(sweep.best.rmse - rmse)));
        QVERIFY(std::fabs(sweep.best.coefficient / c - 1.0) < 1e-5);
        const auto [fileC, fileRmse] = directFit(header, levels, velocities);
        const LanfearCollFit atFile = fitLanfearColl(header, levels, velocities);
        QVERIFY(std::fabs(atFile.coefficient / fileC - 1.0) < 1e-5);
        QVERIFY(std::fabs(atFile.rmse - fileRmse) < 1e-5);
    }

    void sweepFindsTheSedimentPastBackwaterAndADriftingSensor_data()
    {
        QTest::addColumn<PipeGeometry>("header");
        QTest::newRow("circle") << pipe(0, 1000, 0, 0, 0);
        QTest::newRow("trapezoid") << pipe(2, 1200, 800, 2000, 0);
    }
    void sweepFindsTheSedimentPastBackwaterAndADriftingSensor()
    {
        QFETCH(PipeGeometry, header);
        std::vector<float> levels, velocities;
        survey(header, 100, 4000, levels, velocities);
        // The last 600 records: the level sensor drifts up to 60 mm high.
        for (std::size_t i = 3400; i < levels.size(); ++i)
            levels[i] += float(0.06 * double(i - 3400) / 600.0);
        // 400 records held back from downstream: deep water barely moving.
        Lcg noise;
        const double top = pipeTopMetres(header);
        for (int i = 0; i < 400; ++i) {
            levels.push_back(float(0.62 * top + 0.02 * noise.next()));
            velocities.push_back(float(0.25 + 0.1 * noise.next()));
        }
        const SedimentSweep sweep = sweepSediment(header, levels, velocities);
        QVERIFY2(std::abs(sweep.bestMm - 100) <= 5, qPrintable(QString::number(sweep.bestMm)));
        QVERIFY(sweep.best.leftOut >= 400);
        QCOMPARE(sweep.best.records + sweep.best.leftOut, qsizetype(levels.size()));
        QCOMPARE(sweep.fileFit.records + sweep.fileFit.leftOut, qsizetype(levels.size()));
    }

    void sweepIgnoresCandidatesThatKeepFewRecords()
    {
        // Most records run shallow; three high ones alone would fit a deep candidate exactly.
        const PipeGeometry d1000 = pipe(0, 1000, 0, 0, 0);
        std::vector<float> levels, velocities;
        survey(d1000, 0, 200, levels, velocities);
        for (std::size_t i = 0; i < levels.size(); ++i)
            levels[i] *= 0.3f;
        levels.insert(levels.end(), {0.45f, 0.46f, 0.47f});
        velocities.insert(velocities.end(), {1.0f, 1.0f, 1.0f});
        const SedimentSweep sweep = sweepSediment(d1000, levels, velocities);
        QVERIFY(sweep.bestMm >= 0 && sweep.bestMm < 100);
        QVERIFY(std::isnan(sweep.rmseByMm.back()));
    }

    void pipeProblemNamesTheValue_data()
    {
        QTest::addColumn<PipeGeometry>("pipe");
        QTest::addColumn<QString>("problem");
        QTest::newRow("DN1000 with 100 mm") << pipe(0, 1000, 0, 0, 100) << QString();
        QTest::newRow("20000 mm channel") << pipe(1, 20000, 20000, 0, 19999) << QString();
        QTest::newRow("diameter 0") << pipe(0, 0, 0, 0, 0) << "管道参数不可能: 管径 0 mm (应为 2-20000 mm)";
        QTest::newRow("diameter 1 has no radius")
            << pipe(0, 1, 0, 0, 0) << "管道参数不可能: 管径 1 mm (应为 2-20000 mm)";
        QTest::newRow("20001 mm") << pipe(0, 20001, 0, 0, 0)
                                  << "管道参数不可能: 管径 20001 mm (应为 2-20000 mm)";
        QTest::newRow("height 0xFFFFFFFF")
            << pipe(2, 0xFFFFFFFFu, 100, 100, 0) << "管道参数不可能: 高度 4294967295 mm (应为 1-20000 mm)";
        QTest::newRow("rectangle without width")
            << pipe(1, 600, 0, 0, 0) << "管道参数不可能: 宽度 0 mm (应为 1-20000 mm)";
        QTest::newRow("triangle 20001 wide")
            << pipe(3, 600, 20001, 0, 0) << "管道参数不可能: 宽度 20001 mm (应为 1-20000 mm)";
        QTest::newRow("trapezoid without upper base")
            << pipe(2, 600, 400, 0, 0) << "管道参数不可能: 上底 0 mm (应为 1-20000 mm)";
        QTest::newRow("sediment at the crown")
            << pipe(0, 801, 0, 0, 800) << "管道参数不可能: 淤积 800 mm 达到管顶 (800 mm)";
        QTest::newRow("sediment above the channel top")
            << pipe(1, 600, 900, 0, 700) << "管道参数不可能: 淤积 700 mm 达到渠顶 (600 mm)";
        QTest::newRow("shape 4") << pipe(4, 600, 900, 0, 0) << "管道参数不可能: 形状码 4 (应为 0-3)";
        // The shape is the low 8 bits of the code, as the flows are computed.
        QTest::newRow("shape 0x107") << pipe(0x107, 600, 900, 0, 0) << "管道参数不可能: 形状码 7 (应为 0-3)";
    }
    void pipeProblemNamesTheValue()
    {
        QFETCH(PipeGeometry, pipe);
        QFETCH(QString, problem);
        QCOMPARE(pipeProblem(pipe), problem);
    }

    void sweepIsBoundedByTheRecordsNotTheHeader_data()
    {
        QTest::addColumn<quint32>("height");
        QTest::addColumn<int>("depths"); // at most this many candidate depths
        QTest::newRow("0xFFFFFFFF mm: no sweep") << 0xFFFFFFFFu << 0;
        QTest::newRow("100,000,000 mm: no sweep") << 100000000u << 0;
        QTest::newRow("10,000,000 mm: no sweep") << 10000000u << 0;
        // Possible, but the records reach 0.91 m: no depth above them is tried.
        QTest::newRow("20,000 mm: up to the highest surface") << 20000u << 911;
    }
    void sweepIsBoundedByTheRecordsNotTheHeader()
    {
        QFETCH(quint32, height);
        QFETCH(int, depths);
        std::vector<float> levels, velocities;
        survey(pipe(0, 1000, 0, 0, 0), 0, 3000, levels, velocities);
        QElapsedTimer clock;
        clock.start();
        const SedimentSweep sweep = sweepSediment(pipe(0, height, 0, 0, 0), levels, velocities);
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY2(sweep.rmseByMm.size() <= std::size_t(std::max(depths, 1)),
                 qPrintable(QString::number(sweep.rmseByMm.size())));
        QCOMPARE(sweep.bestMm >= 0, depths > 0);
    }

    void trustSaysWhatTheEstimateRestsOn_data()
    {
        QTest::addColumn<int>("survey");
        QTest::addColumn<int>("level"); // SedimentTrustLevel
        QTest::addColumn<QString>("reason");
        QTest::newRow("on its curve, 2000 records") << 0 << int(SedimentTrustLevel::Good) << QString();
        QTest::newRow("ten records") << 1 << int(SedimentTrustLevel::Low) << "记录太少";
        QTest::newRow("backwater kept in the last quarter")
            << 2 << int(SedimentTrustLevel::Low) << "分段估算不一致";
        QTest::newRow("a band of levels 12 mm high") << 3 << int(SedimentTrustLevel::Low) << "液位范围窄";
    }
    void trustSaysWhatTheEstimateRestsOn()
    {
        QFETCH(int, survey);
        QFETCH(int, level);
        QFETCH(QString, reason);
        PipeGeometry d1000 = pipe(0, 1000, 0, 0, 0);
        std::vector<float> levels, velocities;
        if (survey == 2) {
            std::vector<RvaRecord> records;
            decodeRecords(damaged::backwaterSurvey(), records);
            for (const RvaRecord &r : records) {
                levels.push_back(r.level);
                velocities.push_back(r.velocity);
            }
        } else {
            ::survey(d1000, 100, survey == 1 ? 10 : 2000, levels, velocities);
        }
        if (survey == 3)
            for (float &l : levels)
                l = 0.3f + std::fmod(l, 0.012f);
        const SedimentSweep sweep = sweepSediment(d1000, levels, velocities);
        const SedimentTrust trust = assessSediment(d1000, levels, velocities, sweep);
        QCOMPARE(int(trust.level), level);
        QVERIFY2(reason.isEmpty() ? trust.reasons.isEmpty() : trust.reasons.join(' ').contains(reason),
                 qPrintable(trust.reasons.join(QLatin1Char(';'))));
        QCOMPARE(trust.used, sweep.best.records);
        QCOMPARE(trust.leftOut, sweep.best.leftOut);
        QVERIFY(trust.lowestLevel <= trust.highestLevel);
        if (level == int(SedimentTrustLevel::Good))
            QVERIFY(std::abs(sweep.bestMm - 100) <= 5 && trust.largestDifferenceMm <= 10);
    }

    void frictionOutsideItsLimitsIsRefused_data()
    {
        QTest::addColumn<int>("law");
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("roughness");
        QTest::addColumn<QString>("problem");
        QTest::newRow("2 per mille, n 0.013") << 0 << 0.002 << 0.013 << QString();
        QTest::newRow("smooth pipe") << 1 << 0.002 << 0.0 << QString();
        QTest::newRow("slope 0") << 0 << 0.0 << 0.013 << "坡度 0 ‰ 不可能 (应大于 0 且不超过 1000 ‰)";
        QTest::newRow("slope 2 m/m") << 0 << 2.0 << 0.013 << "坡度 2000 ‰ 不可能 (应大于 0 且不超过 1000 ‰)";
        QTest::newRow("n 0") << 0 << 0.002 << 0.0 << "糙率 n 0 不可能 (应大于 0 且不超过 1)";
        QTest::newRow("ks 1000000 mm") << 1 << 0.002 << 1e6 << "粗糙度 ks 1e+06 mm 不可能 (应为 0-100 mm)";
    }
    void frictionOutsideItsLimitsIsRefused()
    {
        QFETCH(int, law);
        QFETCH(double, slope);
        QFETCH(double, roughness);
        QFETCH(QString, problem);
        Friction f;
        f.law = law == 0 ? FrictionLaw::Manning : FrictionLaw::ColebrookWhite;
        f.slope = slope;
        (law == 0 ? f.manningN : f.roughnessMm) = roughness;
        QCOMPARE(frictionProblem(f), problem);
    }

    void colebrookWhiteGivesNoNegativeVelocity()
    {
        // ks beyond 14.8 R: the law's logarithm turns positive; no velocity, not a negative one.
        QCOMPARE(colebrookWhiteVelocity(0.01, 0.002, 200.0), 0.0);
        QVERIFY(colebrookWhiteVelocity(0.25, 0.002, 1.5) > 0.5);
    }
};

QTEST_GUILESS_MAIN(TestPipeCurves)
#include "test_pipe_curves.moc"
