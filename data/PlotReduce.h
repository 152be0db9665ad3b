#pragma once

// Reduction of a time series to what a pixel column can show.
//
// For the records in the visible time range, each pixel column keeps its first, lowest, highest
// and last point (in time order). Drawn without antialiasing, the line through the kept points
// covers exactly the pixels of the line through all points: inside a column every point lies on
// one pixel x, so the column is the vertical run from lowest to highest, and between columns the
// segment from one column's last point to the next column's first point is the same. Lines break
// at gaps and at values that are not numbers.

#include "data/TimeSteps.h"

#include <QVector>
#include <QtGlobal>

#include <cstdint>
#include <span>
#include <vector>

namespace lmv {

// The linear map from clock seconds to a pixel x, in the same arithmetic the plot's scale map
// uses (p1 + (s - s1) * (p2 - p1) / (s2 - s1)), so that columns here are columns there.
struct PixelMap
{
    double s1 = 0.0;
    double p1 = 0.0;
    double cnv = 1.0;

    static PixelMap fromRange(double s1, double s2, double p1, double p2)
    {
        return {s1, p1, s2 != s1 ? (p2 - p1) / (s2 - s1) : 0.0};
    }
    double x(double seconds) const { return p1 + (seconds - s1) * cnv; }
    // The pixel column a time falls on: the rounded x.
    qint64 column(double seconds) const { return qRound64(x(seconds)); }
};

// Index range [first, last) of the records to draw for the time range [from, to]: the records
// inside and one neighbour on each side, so lines enter and leave at the edges. Binary search;
// times ascending. Empty (first == last) without records.
struct IndexRange
{
    std::size_t first = 0;
    std::size_t last = 0;
    std::size_t size() const { return last - first; }
};
IndexRange visibleRange(std::span<const qint64> times, double from, double to);

// One kept point: its record index and whether the line starts anew at it.
struct KeptPoint
{
    std::size_t index = 0;
    bool breakBefore = false;
};

// Summaries of fixed blocks of records, so that a view over many records per pixel column
// reads a block at once instead of each of its records.
struct ValueBlocks
{
    static constexpr std::size_t kSize = 64;
    std::vector<std::uint32_t> low;  // record index of the block's first lowest finite value
    std::vector<std::uint32_t> high; // record index of the block's first highest finite value
    std::vector<float> lowValue;     // the values there, side by side for quick reading
    std::vector<float> highValue;
    std::vector<std::uint8_t> clean; // ascending times, no gap step and only finite values inside

    // Whether these are the blocks of n records.
    bool fits(std::size_t n) const { return low.size() == blockCount(n); }
    static std::size_t blockCount(std::size_t n) { return (n + kSize - 1) / kSize; }
};
ValueBlocks summarizeBlocks(std::span<const qint64> times, std::span<const float> values, qint64 nominal);

// The steps in two halves, for building series in one pass before the nominal step is known:
// summarizeValues fills block k from the values alone (clean: all finite), and keepSteadyBlocks
// then clears the blocks whose times step back or over a gap (steadyBlocks of the times).
// blocks must have been sized for the records (resizeBlocks).
void resizeBlocks(ValueBlocks &blocks, std::size_t n);
void summarizeValues(ValueBlocks &blocks, std::size_t k, std::span<const float> values);
// Where gaps is set, the gaps found on the way are appended to it (as findGaps gives them).
std::vector<std::uint8_t> steadyBlocks(std::span<const qint64> times, qint64 nominal,
                                       QVector<TimeGap> *gaps = nullptr);
void keepSteadyBlocks(ValueBlocks &blocks, const std::vector<std::uint8_t> &steady);

// Lowest and highest finite value of the records with times in [from, to]; false when there is
// none. blocks (optional, from summarizeBlocks of the same data) makes it quick.
bool valueRange(std::span<const qint64> times, std::span<const float> values, double from, double to,
                double &low, double &high, const ValueBlocks *blocks = nullptr);

// Reduces records [range.first, range.last) to the kept points per pixel column. A step that is a
// gap (isGapStep with nominal) or a value that is not finite ends a run: such values are left out,
// and the next kept point starts a new run. out is cleared first. blocks (optional, from
// summarizeBlocks of the same data) only makes it quicker; the kept points are the same.
void reduceM4(std::span<const qint64> times, std::span<const float> values, IndexRange range,
              const PixelMap &map, qint64 nominal, std::vector<KeptPoint> &out,
              const ValueBlocks *blocks = nullptr);

} // namespace lmv
