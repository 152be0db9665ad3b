#include "survey/RainSeries.h"

#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

class TestRainSeries : public QObject
{
    Q_OBJECT

private slots:
    // Five-minute depths ending at 00:05 ... 00:30 with a hole at 00:20: an interval belongs to
    // the window holding its end, and the hole is not covered.
    void depthsBelongToTheWindowHoldingTheirEnd()
    {
        RainSeries rain;
        rain.intervalSeconds = 300;
        rain.times = {300, 600, 900, 1500, 1800};
        rain.depthMm = {0.2, 0.4, 0.6, 1.0, 1.2};
        rain.covered = {{0, 900}, {1200, 1800}};
        QCOMPARE(depthBetween(rain, 0, 600), 0.6);
        QCOMPARE(depthBetween(rain, 300, 900), 1.0);
        QCOMPARE(depthBetween(rain, 900, 1800), 2.2);
        QCOMPARE(depthBetween(rain, 600, 300), 0.0);
        QVERIFY(covers(rain, 0, 900));
        QVERIFY(covers(rain, 1200, 1500));
        QVERIFY(!covers(rain, 600, 1500));
        QVERIFY(!covers(rain, 1500, 2100));
        QVERIFY(!covers(rain, -300, 300));
    }
};

QTEST_APPLESS_MAIN(TestRainSeries)
#include "test_rain_series.moc"
