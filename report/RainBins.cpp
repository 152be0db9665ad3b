#include "report/RainBins.h"

#include <algorithm>

namespace lmv::report {

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

RainBars binRain(const survey::RainSeries &rain, qint64 binSeconds, qint64 from, qint64 to)
{
    RainBars bars;
    bars.intervalSeconds = binSeconds;
    if (binSeconds <= 0 || to < from)
        return bars;
    const auto first = std::lower_bound(rain.times.begin(), rain.times.end(), from);
    const auto last = std::upper_bound(first, rain.times.end(), to);
    for (auto it = first; it != last; ++it) {
        const double depth = rain.depthMm[std::size_t(it - rain.times.begin())];
        if (!(depth > 0.0))
            continue;
        // The bin (start, start + bin] holding the time.
        const qint64 start = floorDiv(*it - 1, binSeconds) * binSeconds;
        if (bars.starts.empty() || bars.starts.back() != start) {
            bars.starts.push_back(start);
            bars.depthMm.push_back(0.0);
        }
        bars.depthMm.back() += depth;
    }
    return bars;
}

qint64 hyetographBinSeconds(qint64 gaugeIntervalSeconds, qint64 rangeSeconds, int maxBars)
{
    const qint64 gauge = std::max<qint64>(gaugeIntervalSeconds, 1);
    const qint64 wanted = rangeSeconds / std::max(maxBars, 1);
    if (gaugeIntervalSeconds > 0 && gauge >= wanted)
        return gauge;
    static constexpr qint64 kSteps[] = {300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (qint64 step : kSteps)
        if (step >= wanted && step >= gauge && step % gauge == 0)
            return step;
    // Longer than a day, or a gauge of an odd interval: whole multiples of it.
    return std::max<qint64>(1, (wanted + gauge - 1) / gauge) * gauge;
}

QString binText(qint64 seconds)
{
    if (seconds > 0 && seconds % 86400 == 0)
        return QStringLiteral("%1天").arg(seconds / 86400);
    if (seconds > 0 && seconds % 3600 == 0)
        return QStringLiteral("%1小时").arg(seconds / 3600);
    if (seconds > 0 && seconds % 60 == 0)
        return QStringLiteral("%1分钟").arg(seconds / 60);
    return QStringLiteral("%1秒").arg(seconds);
}

} // namespace lmv::report
