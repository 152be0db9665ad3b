#include "data/ScatterCells.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lmv {

bool CellGrid::cellOf(double x, double y, int &column, int &row) const
{
    const CellFrame &f = frame;
    if (f.columns <= 0 || f.rows <= 0 || !(f.xMax > f.xMin) || !(f.yMax > f.yMin))
        return false;
    const double cx = (x - f.xMin) / (f.xMax - f.xMin) * f.columns;
    const double cy = (y - f.yMin) / (f.yMax - f.yMin) * f.rows;
    // The right and top edges belong to the last cell, so a point on the frame's edge is drawn.
    if (!(cx >= 0.0 && cx <= f.columns && cy >= 0.0 && cy <= f.rows))
        return false;
    column = std::min(f.columns - 1, static_cast<int>(cx));
    row = std::min(f.rows - 1, static_cast<int>(cy));
    return true;
}

CellGrid binLatestPerCell(std::span<const float> x, std::span<const float> y, std::span<const qint64> times,
                          qint64 from, qint64 to, const CellFrame &frame)
{
    CellGrid grid;
    grid.frame = frame;
    if (frame.columns <= 0 || frame.rows <= 0)
        return grid;
    const auto cells = static_cast<std::size_t>(frame.columns) * static_cast<std::size_t>(frame.rows);
    grid.latest.assign(cells, -1);
    std::vector<qint64> when(cells, std::numeric_limits<qint64>::min());
    const std::size_t n = std::min({x.size(), y.size(), times.size()});
    for (std::size_t i = 0; i < n; ++i) {
        const qint64 t = times[i];
        if (t < from || t > to)
            continue;
        int column = 0, row = 0;
        if (!grid.cellOf(x[i], y[i], column, row))
            continue;
        const std::size_t cell = static_cast<std::size_t>(row) * static_cast<std::size_t>(frame.columns) +
                                 static_cast<std::size_t>(column);
        if (t >= when[cell]) {
            if (grid.latest[cell] < 0)
                ++grid.occupied;
            when[cell] = t;
            grid.latest[cell] = static_cast<qint32>(i);
        }
    }
    return grid;
}

qint32 nearestInGrid(const CellGrid &grid, int column, int row, int radius)
{
    const CellFrame &f = grid.frame;
    qint32 best = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int dr = -radius; dr <= radius; ++dr) {
        const int r = row + dr;
        if (r < 0 || r >= f.rows)
            continue;
        for (int dc = -radius; dc <= radius; ++dc) {
            const int c = column + dc;
            if (c < 0 || c >= f.columns)
                continue;
            const qint32 index = grid.at(c, r);
            const qint64 distance = qint64(dr) * dr + qint64(dc) * dc;
            if (index >= 0 && distance < bestDistance) {
                best = index;
                bestDistance = distance;
            }
        }
    }
    return best;
}

} // namespace lmv
