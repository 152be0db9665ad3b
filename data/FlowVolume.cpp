#include "data/FlowVolume.h"

#include "data/SurveyCheck.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace lmv {

FlowVolume flowVolume(std::span<const qint64> times, std::span<const qint64> counted,
                      std::span<const float> flows, std::optional<TimeSpan> range, float perLitre)
{
    FlowVolume out;
    const std::size_t n = std::min({times.size(), counted.size(), flows.size()});
    for (std::size_t i = 0; i < n; ++i) {
        const float flow = flows[i] / perLitre;
        if (counted[i] <= 0 || !std::isfinite(flow))
            continue;
        qint64 from = times[i], to = times[i] + counted[i];
        if (range) {
            from = std::max(from, range->start);
            to = std::min(to, range->end);
            if (to <= from)
                continue;
        }
        out.seconds += to - from;
        out.m3 += double(flow) * double(to - from) / 1000.0;
    }
    return out;
}

FlowVolume flowVolume(std::span<const qint64> times, std::span<const float> flows, qint64 nominal,
                      std::optional<TimeSpan> range, float perLitre, std::span<const std::uint8_t> possible)
{
    if (range && range->end < range->start)
        std::swap(range->start, range->end);
    return flowVolume(times, countedSeconds(times, nominal, possible), flows, range, perLitre);
}

std::vector<DailyFlowVolume> dailyFlowVolumes(std::span<const qint64> times, std::span<const float> flows,
                                              qint64 nominal, float perLitre,
                                              std::span<const std::uint8_t> possible)
{
    const std::vector<qint64> counted = countedSeconds(times, nominal, possible);
    std::map<qint64, FlowVolume> days;
    const std::size_t n = std::min(times.size(), flows.size());
    for (std::size_t i = 0; i < n; ++i) {
        const float flow = flows[i] / perLitre;
        if (counted[i] <= 0 || !std::isfinite(flow))
            continue;
        splitAtMidnight(times[i], counted[i], [&](qint64 day, qint64, qint64 seconds) {
            FlowVolume &d = days[day];
            d.seconds += seconds;
            d.m3 += double(flow) * double(seconds) / 1000.0;
        });
    }
    std::vector<DailyFlowVolume> out;
    out.reserve(days.size());
    for (const auto &[day, volume] : days)
        out.push_back({day, volume});
    return out;
}

} // namespace lmv
