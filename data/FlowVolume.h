#pragma once

// How much water passed, by one rule for every volume the program gives (the daily table of the
// data check, the hydrograph's cursors, totals, and the figures of joined surveys): each
// record's flow counts for its counted seconds (countedSeconds in SurveyCheck.h: the step to the
// next record when that is positive and at most twice the nominal interval, else one nominal
// interval), time is split at midnight, a hole adds nothing and no second counts twice.

#include "data/TimeSteps.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lmv {

constexpr qint64 kSecondsPerDay = 86400;

// Days since 1970-01-01 of clock seconds (towards minus infinity).
inline qint64 dayOf(qint64 seconds)
{
    return seconds >= 0 ? seconds / kSecondsPerDay : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
}

// Calls piece(day, pieceStart, pieceSeconds) for the parts of [start, start + seconds) on each
// day, in time order.
template <typename Piece>
void splitAtMidnight(qint64 start, qint64 seconds, Piece piece)
{
    const qint64 until = start + seconds;
    for (qint64 from = start; from < until;) {
        const qint64 day = dayOf(from);
        const qint64 to = std::min(until, (day + 1) * kSecondsPerDay);
        piece(day, from, to - from);
        from = to;
    }
}

struct FlowVolume
{
    double m3 = 0.0;    // volume
    qint64 seconds = 0; // counted seconds with a finite flow
};

// The volume of flows (L/s, or another unit with its factor per L/s as perLitre: each flow is
// divided by it first) over the time inside an optional range [start, end) (the whole survey
// without one). A flow that is not finite counts no time; `possible` as for countedSeconds.
FlowVolume flowVolume(std::span<const qint64> times, std::span<const float> flows, qint64 nominal,
                      std::optional<TimeSpan> range = std::nullopt, float perLitre = 1.0f,
                      std::span<const std::uint8_t> possible = {});
// The same from counted seconds already worked out (one per time).
FlowVolume flowVolume(std::span<const qint64> times, std::span<const qint64> counted,
                      std::span<const float> flows, std::optional<TimeSpan> range = std::nullopt,
                      float perLitre = 1.0f);

struct DailyFlowVolume
{
    qint64 day = 0; // days since 1970-01-01 on the logger's clock
    FlowVolume volume;
};
// The volume of each day with counted time, in day order.
std::vector<DailyFlowVolume> dailyFlowVolumes(std::span<const qint64> times, std::span<const float> flows,
                                              qint64 nominal, float perLitre = 1.0f,
                                              std::span<const std::uint8_t> possible = {});

} // namespace lmv
