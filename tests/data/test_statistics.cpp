// Display rounding, unit factors, shown values, statistics and the pipe description.

#include "data/Statistics.h"
#include "data/Tables.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <vector>

using namespace lmv;

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void round3RoundsHalfUpAndNegativesTowardZero_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("expected");
        QTest::newRow("up") << 1.23456f << 1.235f;
        QTest::newRow("down") << 1.2344f << 1.234f;
        QTest::newRow("half up") << 0.0125f << 0.013f;
        QTest::newRow("negative") << -1.23456f << -1.234f;
        QTest::newRow("small negative") << -0.0004f << 0.0f;
        QTest::newRow("zero") << 0.0f << 0.0f;
        QTest::newRow("big flow") << 123456.7891f << 123456.79f;
    }
    void round3RoundsHalfUpAndNegativesTowardZero()
    {
        QFETCH(float, x);
        QFETCH(float, expected);
        QVERIFY2(std::fabs(round3(x) - expected) <= std::fabs(expected) * 1e-6f + 1e-7f,
                 qPrintable(QString::number(round3(x), 'f', 6)));
    }

    void round2RoundsToTwoDecimals_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("expected");
        QTest::newRow("temperature") << 12.345f << 12.35f;
        QTest::newRow("tiny negative") << -0.004f << 0.0f;
        QTest::newRow("negative") << -3.456f << -3.45f;
        QTest::newRow("down") << 7.123f << 7.12f;
    }
    void round2RoundsToTwoDecimals()
    {
        QFETCH(float, x);
        QFETCH(float, expected);
        QVERIFY2(std::fabs(round2(x) - expected) < 1e-5f, qPrintable(QString::number(round2(x), 'f', 6)));
    }

    void roundingOfValuesBeyondThe32BitRangeDoesNotWrap()
    {
        // 10 000 L/s shown in L/min: 600 000, whose ×10000 exceeds a 32-bit integer.
        QVERIFY(std::fabs(round3(600000.0f) - 600000.0f) < 0.1f);
        QVERIFY(std::fabs(round3(-600000.0f) + 600000.0f) < 0.1f);
        QVERIFY(std::isnan(round3(std::nanf(""))));
    }

    void roundingGivesTheFloatQuotientOfTheTruncatedValue()
    {
        // The shown value is the truncated tenths divided by 1000 (or 100) in float, exactly:
        // tables, exports and the hydrograph compare these numbers for equality.
        auto reference = [](float x, float up, float down) {
            return static_cast<float>(static_cast<qint64>(x * up + 5.0f) / 10) / down;
        };
        int differing = 0;
        std::vector<float> xs;
        for (qint64 i = -3000000; i <= 3000000; i += 3) {
            const float small = float(i) * 0.000317f; // about ±950
            const float large = float(i) * 0.0667f;   // about ±200 000, near the 32-bit edge
            for (float x : {small, large}) {
                differing += round3(x) != reference(x, 10000.0f, 1000.0f) ||
                             round2(x) != reference(x, 1000.0f, 100.0f);
                xs.push_back(x);
            }
        }
        QCOMPARE(differing, 0);

        // Rounding many at once gives the same bits, also where a chunk holds values beyond
        // the 32-bit path (handled one by one) and in the short tail.
        const float specials[] = {0.0f,       -0.0f,       NAN,      INFINITY, -INFINITY, 199999.98f,
                                  199999.99f, -199999.99f, 2.0e6f,   -2.0e6f,  1.0e30f,   -1.0e30f,
                                  1.0e-40f,   0.0005f,     -0.0005f, 0.005f};
        for (std::size_t at = 0; at < std::size(specials); ++at)
            xs.insert(xs.begin() + qsizetype(at * 37), specials[at]);
        xs.insert(xs.end(), std::begin(specials), std::end(specials) - 3);
        for (const bool three : {true, false}) {
            std::vector<float> many = xs;
            three ? round3Many(many) : round2Many(many);
            for (std::size_t i = 0; i < xs.size(); ++i) {
                const float one = three ? round3(xs[i]) : round2(xs[i]);
                differing +=
                    std::memcmp(&one, &many[i], sizeof one) != 0 && !(std::isnan(one) && std::isnan(many[i]));
            }
        }
        QCOMPARE(differing, 0);
    }

    void unitFactorsFollowTheSelectedLabels_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("velocity");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<float>("lf");
        QTest::addColumn<float>("vf");
        QTest::addColumn<float>("ff");
        QTest::newRow("start-up units") << "(m)"
                                        << "(m/s)"
                                        << "(L/s)" << 1.0f << 1.0f << 1.0f;
        QTest::newRow("mm, mm/s, L/min") << "(mm)"
                                         << "(mm/s)"
                                         << "(L/min)" << 1000.0f << 1000.0f << 60.0f;
        QTest::newRow("m3/h") << "(m)"
                              << "(m/s)"
                              << "(m3/h)" << 1.0f << 1.0f << 3.6f;
        QTest::newRow("m3/d") << "(m)"
                              << "(m/s)"
                              << "(m3/d)" << 1.0f << 1.0f << 86.4f;
        QTest::newRow("unknown labels keep factors") << "(km)"
                                                     << "?"
                                                     << "" << 7.0f << 8.0f << 9.0f;
    }
    void unitFactorsFollowTheSelectedLabels()
    {
        QFETCH(QString, level);
        QFETCH(QString, velocity);
        QFETCH(QString, flow);
        QFETCH(float, lf);
        QFETCH(float, vf);
        QFETCH(float, ff);
        QStringList labels = RvaUnitLabels;
        labels[2] = level;
        labels[4] = velocity;
        labels[6] = flow;
        const UnitFactors f = refreshUnitFactors(labels, UnitFactors{7.0f, 8.0f, 9.0f});
        QCOMPARE(f.level, lf);
        QCOMPARE(f.velocity, vf);
        QCOMPARE(f.flow, ff);
    }

    void shownValuesApplyCorrectionsAndUnitsInTheirOrder()
    {
        CalcParams calc;
        UnitFactors mm{1000.0f, 1.0f, 1.0f};
        QCOMPARE(displayLevel(1.23456f, mm), 1235.0f);
        QCOMPARE(displayLevel(1.23456f, UnitFactors{}), 1.235f);
        QCOMPARE(displayFlow(10.0f, calc, UnitFactors{1.0f, 1.0f, 3.6f}), 36.0f);
        calc.velocityCorrection = 1.1f;
        QVERIFY(std::fabs(displayVelocity(0.5f, calc, UnitFactors{}) - 0.55f) < 1e-6f);
        QCOMPARE(displayTemperature(12.345f), 12.35f);
        QCOMPARE(displayTemperature(-0.004f), 0.0f);
        // The flow factor is applied before rounding, the velocity factor after.
        calc.velocityCorrection = 1.0f;
        QCOMPARE(displayVelocity(0.12345f, calc, UnitFactors{1.0f, 1000.0f, 1.0f}), 123.0f);
        QCOMPARE(displayFlow(0.12345f, calc, UnitFactors{1.0f, 1.0f, 60.0f}), 7.407f);
    }

    void pipeDescriptionNamesEachShape_data()
    {
        QTest::addColumn<quint32>("shape");
        QTest::addColumn<QString>("text");
        QTest::newRow("circle") << 0u << "圆形 直径800mm 淤积层50mm";
        QTest::newRow("rectangle") << 1u << "方沟 高度800mm 宽度600mm 淤积层50mm";
        QTest::newRow("trapezoid upper base first") << 2u << "梯形 高度800mm 上底1200mm 下底600mm 淤积层50mm";
        QTest::newRow("triangle") << 3u << "三角形 高度800mm 宽度600mm 淤积层50mm";
        QTest::newRow("unknown 5") << 5u << "";
        QTest::newRow("unknown 256") << 256u << "";
    }
    void pipeDescriptionNamesEachShape()
    {
        QFETCH(quint32, shape);
        QFETCH(QString, text);
        QCOMPARE(pipeDescription(makePointRecord(QString(), QString(), shape, 800, 600, 1200, 50)), text);
    }

    void rvaSummaryCoversEveryRecordAndIsZeroWithout()
    {
        std::vector<RvaRecord> records(3);
        const float levels[3] = {0.5f, 0.2f, 0.8f};
        for (int i = 0; i < 3; ++i) {
            records[i].level = levels[i];
            records[i].velocity = 1.0f + i;
            records[i].flow = -1.0f * i;
            records[i].temperature = 10.0f;
        }
        SummaryBlock s;
        s.durationSeconds = 99;
        computeRvaSummary(records, s);
        QCOMPARE(s.sampleCount, 3u);
        QCOMPARE(s.levelMax, 0.8f);
        QCOMPARE(s.levelMin, 0.2f);
        QCOMPARE(s.levelAvg, 0.5f);
        QCOMPARE(s.velocityAvg, 2.0f);
        QCOMPARE(s.flowMax, 0.0f);
        QCOMPARE(s.flowMin, -2.0f);
        QCOMPARE(s.durationSeconds, 99u);

        computeRvaSummary({}, s);
        QCOMPARE(s.sampleCount, 0u);
        QCOMPARE(s.levelMax, 0.0f);
        QCOMPARE(s.flowAvg, 0.0f);
        QCOMPARE(s.temperatureMin, 0.0f);
    }

    void averageOfManyRecordsKeepsItsPrecision()
    {
        // A month of records at 0.1: a single-precision running sum would drift by percents.
        std::vector<RvaRecord> records(2000000);
        for (RvaRecord &r : records)
            r.level = 0.1f;
        SummaryBlock s;
        computeRvaSummary(records, s);
        QVERIFY2(std::fabs(s.levelAvg - 0.1f) < 1e-6f, qPrintable(QString::number(s.levelAvg, 'f', 7)));
    }

    void rvbChannelStatisticsStartAtTheFirstRecord()
    {
        std::vector<RvbRecord> records(2);
        records[0].channel = {-5.0f, 1, 2, 3, 4, 5};
        records[1].channel = {-7.0f, 1, 2, 3, 4, 6};
        const auto stats = computeRvbChannelStats(records);
        QCOMPARE(stats[0].max, -5.0f);
        QCOMPARE(stats[0].min, -7.0f);
        QCOMPARE(stats[0].average(), -6.0f);
        QCOMPARE(stats[5].average(), 5.5f);
        QCOMPARE(computeRvbChannelStats({})[0].average(), 0.0f);
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "test_statistics.moc"
