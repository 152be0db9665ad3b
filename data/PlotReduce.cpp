#include "data/PlotReduce.h"

#include "data/TimeSteps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// A block with values that are not numbers: its first lowest and highest finite value, not clean.
void summarizeDirty(ValueBlocks &blocks, std::size_t k, std::span<const float> values, std::size_t offset)
{
    std::size_t lo = 0, hi = 0;
    bool any = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float v = values[i];
        if (!std::isfinite(v))
            continue;
        if (!any) {
            lo = hi = i;
            any = true;
        } else {
            if (v < values[lo])
                lo = i;
            if (v > values[hi])
                hi = i;
        }
    }
    blocks.low[k] = std::uint32_t(offset + lo);
    blocks.high[k] = std::uint32_t(offset + hi);
    blocks.lowValue[k] = values[lo];
    blocks.highValue[k] = values[hi];
    blocks.clean[k] = 0;
}

// Where a block's first lowest and first highest value lie, false when a value is not finite.
// Four lanes side by side, each keeping its own lowest and highest and where it came first;
// the lanes are then joined, the earlier place winning among equal values (0 and -0 are equal).
bool finiteLowHigh(std::span<const float> block, std::size_t &lo, std::size_t &hi)
{
#ifdef __SSE2__
    constexpr int kLanes = 4;
    if (block.size() == ValueBlocks::kSize) {
        const float *v = block.data();
        __m128 low = _mm_loadu_ps(v);
        __m128 high = low;
        __m128 nonFinite = _mm_sub_ps(low, low); // v - v: 0 for a finite value, else NaN
        __m128i at = _mm_setr_epi32(0, 1, 2, 3);
        __m128i lowAt = at;
        __m128i highAt = at;
        const __m128i step = _mm_set1_epi32(kLanes);
        for (std::size_t i = kLanes; i < ValueBlocks::kSize; i += kLanes) {
            const __m128 x = _mm_loadu_ps(v + i);
            at = _mm_add_epi32(at, step);
            const __m128i below = _mm_castps_si128(_mm_cmplt_ps(x, low));
            const __m128i above = _mm_castps_si128(_mm_cmpgt_ps(x, high));
            low = _mm_min_ps(x, low);
            high = _mm_max_ps(x, high);
            lowAt = _mm_or_si128(_mm_and_si128(below, at), _mm_andnot_si128(below, lowAt));
            highAt = _mm_or_si128(_mm_and_si128(above, at), _mm_andnot_si128(above, highAt));
            nonFinite = _mm_add_ps(nonFinite, _mm_sub_ps(x, x));
        }
        float lows[kLanes], highs[kLanes], sums[kLanes];
        std::int32_t lowsAt[kLanes], highsAt[kLanes];
        _mm_storeu_ps(lows, low);
        _mm_storeu_ps(highs, high);
        _mm_storeu_ps(sums, nonFinite);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(lowsAt), lowAt);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(highsAt), highAt);
        int l = 0, h = 0;
        for (int j = 0; j < kLanes; ++j) {
            if (sums[j] != 0.0f)
                return false;
            if (lows[j] < lows[l] || (lows[j] == lows[l] && lowsAt[j] < lowsAt[l]))
                l = j;
            if (highs[j] > highs[h] || (highs[j] == highs[h] && highsAt[j] < highsAt[h]))
                h = j;
        }
        lo = std::size_t(lowsAt[l]);
        hi = std::size_t(highsAt[h]);
        return true;
    }
#endif
    float lowest = block[0];
    float highest = lowest;
    float sum = 0.0f; // a NaN or an infinity makes it NaN
    for (const float v : block) {
        lowest = v < lowest ? v : lowest;
        highest = v > highest ? v : highest;
        sum += v - v;
    }
    if (sum != 0.0f)
        return false;
    lo = hi = 0;
    while (block[lo] != lowest)
        ++lo;
    while (block[hi] != highest)
        ++hi;
    return true;
}

} // namespace

void resizeBlocks(ValueBlocks &blocks, std::size_t n)
{
    const std::size_t count = ValueBlocks::blockCount(n);
    blocks.low.resize(count);
    blocks.high.resize(count);
    blocks.lowValue.resize(count);
    blocks.highValue.resize(count);
    blocks.clean.resize(count);
}

void summarizeValues(ValueBlocks &blocks, std::size_t k, std::span<const float> values)
{
    const std::size_t first = k * ValueBlocks::kSize;
    const std::size_t end = std::min(values.size(), first + ValueBlocks::kSize);
    blocks.low[k] = blocks.high[k] = std::uint32_t(first);
    blocks.clean[k] = 0;
    if (first >= end)
        return;
    const std::span<const float> block = values.subspan(first, end - first);
    std::size_t lo = 0, hi = 0;
    if (!finiteLowHigh(block, lo, hi))
        return summarizeDirty(blocks, k, block, first);
    blocks.low[k] = std::uint32_t(first + lo);
    blocks.high[k] = std::uint32_t(first + hi);
    blocks.lowValue[k] = block[lo];
    blocks.highValue[k] = block[hi];
    blocks.clean[k] = 1;
}

std::vector<std::uint8_t> steadyBlocks(std::span<const qint64> times, qint64 nominal, QVector<TimeGap> *gaps)
{
    std::vector<std::uint8_t> steady(ValueBlocks::blockCount(times.size()), 1);
    for (std::size_t i = 1; i < times.size(); ++i) {
        const qint64 step = times[i] - times[i - 1];
        const bool gap = isGapStep(step, nominal);
        if (gap && gaps)
            gaps->push_back({qsizetype(i - 1), times[i - 1], times[i]});
        // Only steps inside a block count: the step into a block is the previous one's last.
        if (i % ValueBlocks::kSize != 0 && (step < 0 || gap))
            steady[i / ValueBlocks::kSize] = 0;
    }
    return steady;
}

void keepSteadyBlocks(ValueBlocks &blocks, const std::vector<std::uint8_t> &steady)
{
    const std::size_t n = std::min(blocks.clean.size(), steady.size());
    for (std::size_t k = 0; k < n; ++k)
        blocks.clean[k] = blocks.clean[k] && steady[k];
}

ValueBlocks summarizeBlocks(std::span<const qint64> times, std::span<const float> values, qint64 nominal)
{
    const std::size_t n = std::min(times.size(), values.size());
    ValueBlocks b;
    resizeBlocks(b, n);
    for (std::size_t k = 0; k < b.low.size(); ++k)
        summarizeValues(b, k, values.first(n));
    keepSteadyBlocks(b, steadyBlocks(times.first(n), nominal));
    return b;
}

bool valueRange(std::span<const qint64> times, std::span<const float> values, double from, double to,
                double &low, double &high, const ValueBlocks *blocks)
{
    const IndexRange r = visibleRange(times, from, to);
    bool any = false;
    auto take = [&](double v) {
        if (!any) {
            low = high = v;
            any = true;
        } else {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    };
    const std::size_t last = std::min(r.last, values.size());
    for (std::size_t i = r.first; i < last;) {
        const std::size_t k = i / ValueBlocks::kSize;
        // A whole block inside the time range: its summary stands for its records.
        if (blocks && i % ValueBlocks::kSize == 0 && i + ValueBlocks::kSize <= last &&
            k < blocks->low.size() && double(times[i]) >= from &&
            double(times[i + ValueBlocks::kSize - 1]) <= to && blocks->clean[k]) {
            take(blocks->lowValue[k]);
            take(blocks->highValue[k]);
            i += ValueBlocks::kSize;
            continue;
        }
        const float v = values[i];
        if (double(times[i]) >= from && double(times[i]) <= to && std::isfinite(v))
            take(v);
        ++i;
    }
    return any;
}

void reduceM4(std::span<const qint64> times, std::span<const float> values, IndexRange range,
              const PixelMap &map, qint64 nominal, std::vector<KeptPoint> &out, const ValueBlocks *blocks)
{
    out.clear();
    const std::size_t last = std::min({range.last, times.size(), values.size()});
    Column col;
    bool newRun = true;
    // Adds records (from, to] of a clean block to the open column: finite values, no break.
    auto addRecords = [&](std::size_t from, std::size_t to) {
        float lowest = values[col.low];
        float highest = values[col.high];
        for (std::size_t j = from + 1; j <= to; ++j) {
            const float v = values[j];
            col.low = v < lowest ? j : col.low;
            lowest = v < lowest ? v : lowest;
            col.high = v > highest ? j : col.high;
            highest = v > highest ? v : highest;
        }
        col.last = to;
    };
    for (std::size_t i = range.first; i < last; ++i) {
        const float v = values[i];
        if (!std::isfinite(v)) {
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
        } else {
            if (v < values[col.low])
                col.low = i;
            if (v > values[col.high])
                col.high = i;
            col.last = i;
        }
        // The rest of a clean block (ascending times, no gap, finite values) needs no test per
        // record. Where it ends in this column, a whole block adds its lowest and highest record
        // and the part of a block its values; where it reaches further, the records up to the
        // column's end are found by binary search on time. Either way what one by one would give.
        const std::size_t k = i / ValueBlocks::kSize;
        const std::size_t end = (k + 1) * ValueBlocks::kSize - 1;
        if (!blocks || end >= last || i == end || k >= blocks->clean.size() || !blocks->clean[k])
            continue;
        if (map.column(double(times[end])) == c) {
            if (i % ValueBlocks::kSize == 0) {
                if (blocks->lowValue[k] < values[col.low])
                    col.low = blocks->low[k];
                if (blocks->highValue[k] > values[col.high])
                    col.high = blocks->high[k];
                col.last = end;
            } else {
                addRecords(i, end);
            }
            i = end;
            continue;
        }
        const auto first = times.begin() + qsizetype(i) + 1;
        const auto next = std::partition_point(first, times.begin() + qsizetype(end) + 1,
                                               [&](qint64 t) { return map.column(double(t)) == c; });
        const std::size_t stop = std::size_t(next - times.begin()) - 1; // last record in this column
        if (stop > i) {
            addRecords(i, stop);
            i = stop;
        }
    }
    flush(col, out);
}

} // namespace lmv
