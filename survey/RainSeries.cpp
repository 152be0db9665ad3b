#include "survey/RainSeries.h"

#include <algorithm>

namespace lmv::survey {

double depthBetween(const RainSeries &rain, qint64 from, qint64 to)
{
    if (to <= from)
        return 0.0;
    const auto first = std::upper_bound(rain.times.begin(), rain.times.end(), from);
    const auto last = std::upper_bound(first, rain.times.end(), to);
    double sum = 0.0;
    for (auto it = first; it != last; ++it)
        sum += rain.depthMm[std::size_t(it - rain.times.begin())];
    return sum;
}

bool covers(const RainSeries &rain, qint64 from, qint64 to)
{
    if (to <= from)
        return true;
    // The first span that ends at or after `to` must also start before `from`.
    const auto it = std::lower_bound(rain.covered.begin(), rain.covered.end(), to,
                                     [](const TimeSpan &s, qint64 t) { return s.end < t; });
    return it != rain.covered.end() && it->start <= from;
}

} // namespace lmv::survey
