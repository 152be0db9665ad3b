#pragma once

// A gauge's rain summed into bins of a fixed length on the clock: the bars of a hyetograph and
// the intervals of a model's rain file.

#include "plots/RainBarItem.h"
#include "survey/RainSeries.h"

namespace lmv::report {

// Depth per bin of binSeconds, bins starting at whole multiples of binSeconds on the clock. An
// interval or tip counts in the bin that holds its time (an interval's end: bin (start, start +
// bin]). Only items with times in [from, to] count; bins without rain are left out.
RainBars binRain(const survey::RainSeries &rain, qint64 binSeconds, qint64 from, qint64 to);

// A bin for showing rangeSeconds of a gauge as at most maxBars bars: the gauge's interval, or the
// shortest of 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h and 1 day that is a multiple of it and keeps to
// the bar count.
qint64 hyetographBinSeconds(qint64 gaugeIntervalSeconds, qint64 rangeSeconds, int maxBars = 400);

// "30分钟", "1小时", "1天": a bin length as the hyetograph's axis names it.
QString binText(qint64 seconds);

} // namespace lmv::report
