#include "report/RainBins.h"

#include "plots/Hyetograph.h"

namespace lmv::report {

RainBars binRain(const survey::RainSeries &rain, qint64 binSeconds, qint64 from, qint64 to)
{
    // The hyetograph's bars take times in (from, to]; clock seconds are whole, so [from, to] is
    // (from - 1, to].
    return hyetographBars(rain, binSeconds, from - 1, to);
}

qint64 hyetographBinSeconds(qint64 gaugeIntervalSeconds, qint64 rangeSeconds, int maxBars)
{
    return hyetographBin(gaugeIntervalSeconds, double(rangeSeconds), maxBars);
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
