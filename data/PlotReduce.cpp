#include "data/PlotReduce.h"

#include "data/TimeSteps.h"

#include <algorithm>
#include <cmath>

namespace lmv {

IndexRange visibleRange(std::span<const qint64> times, double from, double to)
{
    if (times.empty() || to < from)
        return {};
    // First record at or after `from`, first record after `to`.
    auto lo =
        std::lower_bound(times.begin(), times.end(), from, [](qint64 t, double s) { return double(t) < s; });
    auto hi =
        std::upper_bound(times.begin(), times.end(), to, [](double s, qint64 t) { return s < double(t); });
    std::size_t first = std::size_t(lo - times.begin());
    std::size_t last = std::size_t(hi - times.begin());
    if (first > 0)
        --first;
    if (last < times.size())
        ++last;
    return {first, std::max(first, last)};
}

namespace {

// The points of one pixel column within one run.
struct Column
{
    qint64 column = 0;
    std::size_t first = 0;
    std::size_t low = 0;
    std::size_t high = 0;
    std::size_t last = 0;
    bool breakBefore = false;
    bool open = false;
};

void flush(Column &c, std::vector<KeptPoint> &out)
{
    if (!c.open)
        return;
    c.open = false;
    out.push_back({c.first, c.breakBefore});
    std::size_t a = std::min(c.low, c.high);
    std::size_t b = std::max(c.low, c.high);
    if (a != c.first && a != c.last)
        out.push_back({a, false});
    if (b != a && b != c.first && b != c.last)
        out.push_back({b, false});
    if (c.last != c.first)
        out.push_back({c.last, false});
}

} // namespace

void reduceM4(std::span<const qint64> times, std::span<const float> values, IndexRange range,
              const PixelMap &map, qint64 nominal, std::vector<KeptPoint> &out)
{
    out.clear();
    const std::size_t last = std::min({range.last, times.size(), values.size()});
    Column col;
    bool newRun = true;
    for (std::size_t i = range.first; i < last; ++i) {
        const float v = values[i];
        if (std::isnan(v)) {
            flush(col, out);
            newRun = true;
            continue;
        }
        if (i > range.first && isGapStep(times[i] - times[i - 1], nominal)) {
            flush(col, out);
            newRun = true;
        }
        const qint64 c = map.column(double(times[i]));
        if (newRun || !col.open || c != col.column) {
            flush(col, out);
            col = {c, i, i, i, i, newRun, true};
            newRun = false;
            continue;
        }
        if (v < values[col.low])
            col.low = i;
        if (v > values[col.high])
            col.high = i;
        col.last = i;
    }
    flush(col, out);
}

} // namespace lmv
