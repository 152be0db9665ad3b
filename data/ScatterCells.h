#pragma once

// Reduces a scattergraph's points to one per cell of a grid laid over the plot area, so that a
// million records are drawn as at most one mark per cell and the picture is exact at the cell:
// each occupied cell shows its latest record.

#include <QtGlobal>

#include <span>
#include <vector>

namespace lmv {

// The plotted window: x and y ranges and the grid laid over them (columns left to right, rows
// bottom to top).
struct CellFrame
{
    double xMin = 0.0, xMax = 1.0, yMin = 0.0, yMax = 1.0;
    int columns = 0, rows = 0;
};

struct CellGrid
{
    CellFrame frame;
    std::vector<qint32> latest; // per cell (row-major from the bottom row): record index, -1 empty
    qint64 occupied = 0;

    qint32 at(int column, int row) const
    {
        return latest[static_cast<std::size_t>(row) * static_cast<std::size_t>(frame.columns) +
                      static_cast<std::size_t>(column)];
    }
    // Cell of a point; false outside the frame.
    bool cellOf(double x, double y, int &column, int &row) const;
};

// Bins the points whose time lies in [from, to]; within a cell the record with the latest time
// wins (the later one in file order on equal times). Non-finite points are left out.
CellGrid binLatestPerCell(std::span<const float> x, std::span<const float> y, std::span<const qint64> times,
                          qint64 from, qint64 to, const CellFrame &frame);

// The record in the occupied cell nearest to (column, row), looking at most `radius` cells away;
// -1 when there is none.
qint32 nearestInGrid(const CellGrid &grid, int column, int row, int radius);

} // namespace lmv
