// One mark per grid cell: which record a cell keeps, which points fall outside, and the cursor's
// nearest occupied cell.

#include "data/ScatterCells.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace lmv;

class TestScatterCells : public QObject
{
    Q_OBJECT

    // 10 × 5 cells over x 0..10, y 0..5: cell (c, r) holds x in [c, c + 1), y in [r, r + 1).
    const CellFrame frame{0.0, 10.0, 0.0, 5.0, 10, 5};

private slots:
    void eachCellKeepsItsLatestRecord()
    {
        const std::vector<float> x{1.2f, 1.7f, 1.5f, 9.9f, 3.0f};
        const std::vector<float> y{0.5f, 0.9f, 0.1f, 4.9f, 2.0f};
        // Record 1 is the latest in cell (1, 0) though record 2 comes after it in the file; record 4
        // ties with record 3's time and is the later one in file order.
        const std::vector<qint64> t{100, 300, 200, 400, 400};
        const CellGrid g = binLatestPerCell(x, y, t, 0, 1000, frame);
        QCOMPARE(g.at(1, 0), 1);
        QCOMPARE(g.at(9, 4), 3);
        QCOMPARE(g.at(3, 2), 4);
        QCOMPARE(g.occupied, qint64(3));
        QCOMPARE(int(std::count_if(g.latest.begin(), g.latest.end(), [](qint32 i) { return i >= 0; })), 3);
    }

    void pointsOutsideTheFrameTheTimeRangeOrNotFiniteAreLeftOut()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const std::vector<float> x{-0.1f, 10.1f, 5.0f, 5.0f, nan, 10.0f};
        const std::vector<float> y{1.0f, 1.0f, 5.1f, 2.0f, 2.0f, 5.0f};
        const std::vector<qint64> t{10, 10, 10, 5000, 10, 10};
        const CellGrid g = binLatestPerCell(x, y, t, 0, 1000, frame);
        // Only the point on the top-right corner stays: the edge belongs to the last cell.
        QCOMPARE(g.occupied, qint64(1));
        QCOMPARE(g.at(9, 4), 5);
    }

    void cursorFindsTheNearestOccupiedCellWithinItsReach()
    {
        const std::vector<float> x{2.5f, 6.5f};
        const std::vector<float> y{2.5f, 2.5f};
        const std::vector<qint64> t{1, 2};
        const CellGrid g = binLatestPerCell(x, y, t, 0, 10, frame);
        QCOMPARE(nearestInGrid(g, 3, 2, 3), 0);
        QCOMPARE(nearestInGrid(g, 5, 3, 3), 1);
        QCOMPARE(nearestInGrid(g, 4, 0, 1), -1);
        QCOMPARE(nearestInGrid(g, 0, 4, 9), 0);
    }
};

QTEST_GUILESS_MAIN(TestScatterCells)
#include "test_scatter_cells.moc"
