// Opening geometry of the main window on screens of every size.

#include "app/WindowPlacement.h"

#include <QtTest>

class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void windowLiesInsideTheAvailableArea_data();
    void windowLiesInsideTheAvailableArea();
};

void TestWindowPlacement::windowLiesInsideTheAvailableArea_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QRect wanted(500, 100, 1200, 800);
    QTest::newRow("1920 x 1080 keeps it") << QRect(0, 0, 1920, 1040) << wanted;
    QTest::newRow("exactly fitting keeps it") << QRect(500, 100, 1200, 800) << wanted;
    QTest::newRow("2560 x 1440 keeps it") << QRect(0, 0, 2560, 1400) << wanted;
    // 1366 × 768 laptop: 334 pixels too far right, and 32 taller than the whole screen.
    QTest::newRow("1366 x 768") << QRect(0, 0, 1366, 768) << QRect(166, 0, 1200, 768);
    QTest::newRow("1366 x 768 with a task bar") << QRect(0, 0, 1366, 728) << QRect(166, 0, 1200, 728);
    QTest::newRow("1600 x 900, only moved up") << QRect(0, 0, 1600, 860) << QRect(400, 60, 1200, 800);
    QTest::newRow("panel on top and left") << QRect(60, 30, 1860, 1050) << wanted;
    QTest::newRow("second screen to the right") << QRect(1920, 0, 1366, 768) << QRect(1920, 0, 1200, 768);
    QTest::newRow("800 x 600") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600);
    QTest::newRow("no screen known") << QRect() << wanted;
}

void TestWindowPlacement::windowLiesInsideTheAvailableArea()
{
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    const QRect placed = lmv::fitWindowRect(QRect(500, 100, 1200, 800), available);
    QCOMPARE(placed, expected);
    if (!available.isEmpty())
        QVERIFY(available.contains(placed));
}

QTEST_APPLESS_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
