#pragma once

// A rain gauge's record: depth per interval (or per bucket tip) on the loggers' clock, and the
// spans of time it covers. Depths of an interval belong to the window holding its end.

#include "data/PlotSeries.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace lmv::survey {

// How a gauge file gives its rain.
enum class RainKind : quint8
{
    Interval,   // depth per interval (mm), the time marking the end of its interval
    Cumulative, // a running total (mm), differences taken
    Tips,       // one bucket tip per line
};

struct RainSeries
{
    RainKind kind = RainKind::Interval;
    qint64 intervalSeconds = 0;  // the most common step between the times read; 0 for tips
    std::vector<qint64> times;   // clock seconds: the end of each interval, or each tip; ascending
    std::vector<double> depthMm; // depth of each interval or tip
    // Spans the gauge covers (start exclusive, end inclusive), ascending and apart. Intervals
    // cover (end − interval, end]; missing intervals are holes. Running totals cover each step
    // from one reading to the next, but a step longer than twice the interval is a hole. Tips
    // cover their whole record, from the second of the first tip to the last tip.
    QVector<TimeSpan> covered;

    bool empty() const { return times.empty(); }
};

// Depth (mm) of the intervals or tips whose time lies in (from, to].
double depthBetween(const RainSeries &rain, qint64 from, qint64 to);
// Whether the gauge covers all of (from, to].
bool covers(const RainSeries &rain, qint64 from, qint64 to);

} // namespace lmv::survey
