// Wetted areas and flows of the four pipe shapes, capping, negative levels and degenerate pipes.

#include "data/Hydraulics.h"
#include "data/Tables.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace lmv;

namespace {

PipeGeometry pipe(quint32 shape, quint32 h, quint32 w, quint32 t, quint32 y)
{
    return pipeGeometryFrom(shape, h, w, t, y);
}

} // namespace

Q_DECLARE_METATYPE(lmv::PipeGeometry)

class TestHydraulics : public QObject
{
    Q_OBJECT

private slots:
    void wettedAreaMatchesTheWorkedExamples_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::addColumn<float>("level");
        QTest::addColumn<double>("area");
        QTest::addColumn<double>("tolerance");
        const double pi = 3.14159265358979;
        QTest::newRow("circle half full") << pipe(0, 1000, 0, 0, 0) << 500.0f << pi * 500 * 500 / 2 << 1.0;
        QTest::newRow("circle full") << pipe(0, 1000, 0, 0, 0) << 1000.0f << pi * 500 * 500 << 1.0;
        QTest::newRow("circle above top is capped")
            << pipe(0, 1000, 0, 0, 0) << 5000.0f << pi * 500 * 500 << 1.0;
        QTest::newRow("odd diameter loses half a mm")
            << pipe(0, 1001, 0, 0, 0) << 500.0f << pi * 500 * 500 / 2 << 1.0;
        QTest::newRow("circle with sediment") << pipe(0, 1000, 0, 0, 200) << 300.0f << 280875.0 << 2.0;
        QTest::newRow("rectangle capped") << pipe(1, 1000, 2000, 0, 100) << 950.0f << 1800000.0 << 0.0;
        QTest::newRow("rectangle below top") << pipe(1, 1000, 2000, 0, 100) << 400.0f << 800000.0 << 0.0;
        QTest::newRow("trapezoid full, wide top")
            << pipe(2, 1000, 1000, 2000, 0) << 1000.0f << 1500000.0 << 0.5;
        QTest::newRow("trapezoid half, wide top")
            << pipe(2, 1000, 1000, 2000, 0) << 500.0f << 625000.0 << 0.5;
        QTest::newRow("trapezoid full, wide bottom")
            << pipe(2, 1000, 2000, 1000, 0) << 1000.0f << 1500000.0 << 0.5;
        QTest::newRow("trapezoid half, wide bottom")
            << pipe(2, 1000, 2000, 1000, 0) << 500.0f << 875000.0 << 0.5;
        QTest::newRow("trapezoid band above sediment")
            << pipe(2, 1000, 1000, 2000, 200) << 300.0f << (1000 + 1000 * 0.35) * 300 << 0.5;
        QTest::newRow("triangle half") << pipe(3, 1000, 1000, 0, 0) << 500.0f << 125000.0 << 0.0;
        QTest::newRow("triangle capped") << pipe(3, 1000, 1000, 0, 0) << 1500.0f << 500000.0 << 0.0;
        QTest::newRow("unknown shape") << pipe(7, 1000, 1000, 1000, 0) << 500.0f << 0.0 << 0.0;
    }
    void wettedAreaMatchesTheWorkedExamples()
    {
        QFETCH(PipeGeometry, geometry);
        QFETCH(float, level);
        QFETCH(double, area);
        QFETCH(double, tolerance);
        const double got = wettedArea(geometry, level);
        QVERIFY2(std::fabs(got - area) <= tolerance, qPrintable(QString::number(got, 'f', 3)));
    }

    void flowIsAreaTimesVelocityInLitresPerSecond()
    {
        const PipeGeometry circle = pipe(0, 1000, 0, 0, 0);
        QVERIFY(std::fabs(flowLitresPerSecond(circle, 500.0f, 1000.0f) - 392.699f) < 0.01f);
        // Stored values are in m and m/s: a record with level 0.5 m and 1 m/s gives the same.
        QCOMPARE(recordFlow(circle, 0.5f, 1.0f), flowLitresPerSecond(circle, 500.0f, 1000.0f));
    }

    void zeroLevelGivesZeroFlowForEveryShape_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::newRow("circle") << pipe(0, 1000, 0, 0, 0);
        QTest::newRow("rectangle") << pipe(1, 1000, 800, 0, 0);
        QTest::newRow("trapezoid") << pipe(2, 1000, 800, 1200, 0);
        QTest::newRow("triangle") << pipe(3, 1000, 800, 0, 0);
    }
    void zeroLevelGivesZeroFlowForEveryShape()
    {
        QFETCH(PipeGeometry, geometry);
        QVERIFY(std::fabs(flowLitresPerSecond(geometry, 0.0f, 1500.0f)) < 1e-3f);
    }

    // min(H, NaN + s) is H: without a guard a NaN level reads as a full pipe.
    void levelOrVelocityNotFiniteGivesZeroFlow_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::addColumn<float>("level");
        QTest::addColumn<float>("velocity");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("circle, NaN level") << pipe(0, 1000, 0, 0, 0) << nan << 1.0f;
        QTest::newRow("rectangle, NaN level") << pipe(1, 1000, 800, 0, 100) << nan << 1.0f;
        QTest::newRow("trapezoid, NaN level") << pipe(2, 1000, 800, 1200, 0) << nan << 1.0f;
        QTest::newRow("triangle, NaN level") << pipe(3, 1000, 800, 0, 0) << nan << 1.0f;
        QTest::newRow("infinite level") << pipe(0, 1000, 0, 0, 0) << inf << 1.0f;
        QTest::newRow("NaN velocity") << pipe(1, 1000, 800, 0, 0) << 0.5f << nan;
        QTest::newRow("minus infinite velocity") << pipe(0, 1000, 0, 0, 0) << 0.5f << -inf;
    }
    void levelOrVelocityNotFiniteGivesZeroFlow()
    {
        QFETCH(PipeGeometry, geometry);
        QFETCH(float, level);
        QFETCH(float, velocity);
        QCOMPARE(recordFlow(geometry, level, velocity), 0.0f);
    }

    void negativeLevelGivesNegativeFlow_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::newRow("circle with sediment") << pipe(0, 1000, 0, 0, 300);
        QTest::newRow("rectangle") << pipe(1, 1000, 800, 0, 0);
        QTest::newRow("trapezoid") << pipe(2, 1000, 800, 1200, 0);
        QTest::newRow("triangle with sediment") << pipe(3, 1000, 800, 0, 300);
    }
    void negativeLevelGivesNegativeFlow()
    {
        QFETCH(PipeGeometry, geometry);
        const float q = flowLitresPerSecond(geometry, -100.0f, 1000.0f);
        QVERIFY2(q < 0.0f, qPrintable(QString::number(q)));
    }

    void degeneratePipesNeverGiveNanOrInfinity_data()
    {
        QTest::addColumn<PipeGeometry>("geometry");
        QTest::addColumn<float>("level");
        QTest::addColumn<double>("area");
        QTest::newRow("circle of diameter 1") << pipe(0, 1, 0, 0, 0) << 500.0f << 0.0;
        QTest::newRow("circle of diameter 0") << pipe(0, 0, 0, 0, 0) << 500.0f << 0.0;
        // Odd diameter with sediment equal to it: the sediment top lies above the circle.
        QTest::newRow("odd diameter, sediment = diameter") << pipe(0, 1001, 0, 0, 1001) << 10.0f << 0.0;
        QTest::newRow("level far below the bottom") << pipe(0, 1000, 0, 0, 0) << -5000.0f << 0.0;
        QTest::newRow("trapezoid of height 0") << pipe(2, 0, 1000, 2000, 0) << 500.0f << 0.0;
        QTest::newRow("triangle of height 0") << pipe(3, 0, 1000, 0, 0) << 500.0f << 0.0;
    }
    void degeneratePipesNeverGiveNanOrInfinity()
    {
        QFETCH(PipeGeometry, geometry);
        QFETCH(float, level);
        QFETCH(double, area);
        const float a = wettedArea(geometry, level);
        const float q = flowLitresPerSecond(geometry, level, 1000.0f);
        QVERIFY(std::isfinite(a));
        QVERIFY(std::isfinite(q));
        QVERIFY2(std::fabs(a - area) < 1e-2, qPrintable(QString::number(a)));
    }

    void levelBelowTheBottomOfACircleWithSedimentIsClampedNotNan()
    {
        // Level + sediment below the bottom: the band from the bottom up to the sediment, negative.
        const PipeGeometry g = pipe(0, 1000, 0, 0, 200);
        const float a = wettedArea(g, -900.0f);
        QVERIFY(std::isfinite(a));
        QVERIFY(std::fabs(a + 111824.0f) < 5.0f);
    }
};

QTEST_GUILESS_MAIN(TestHydraulics)
#include "test_hydraulics.moc"
