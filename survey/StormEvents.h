#pragma once

// Storm events of a rain gauge. Two wet intervals (depth above zero) belong to different events
// when the dry time between them is at least the inter-event time; an event runs from the start
// of its first wet interval to the end of its last. Rain whose whole depth stays below the
// minimum is minor: counted, not listed, and it does not end a dry spell.
//
// A tip is rain of an instant: it starts and ends at its own time, and counts in a window that
// holds its time. The dry time before an event runs from the previous event's end, or from the
// start of the gauge's record, or from the end of a hole in the record where that is later (what
// fell in a hole is unknown).

#include "survey/RainSeries.h"

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace lmv::survey {

struct StormEventOptions
{
    double interEventHours = 6.0; // dry time that separates two events
    double minDepthMm = 2.0;      // less is minor rain
    // Verification storms: depth above this and a peak 5-minute intensity above that.
    double verifyDepthMm = 5.0;
    double verifyPeak5MmPerHour = 6.0;
};

// Gauges coarser than this cannot show a 5-minute peak: their events never verify.
constexpr qint64 kVerifyCoarsestInterval = 300;

struct StormEvent
{
    qint64 start = 0; // clock seconds: start of the first wet interval, end of the last
    qint64 end = 0;
    double depthMm = 0.0;
    // Peak intensity (mm/h) over 5, 15 and 60 minutes; none where the gauge cannot tell it.
    std::optional<double> peak5, peak15, peak60;
    double dryHoursBefore = 0.0;
    bool verification = false;

    double durationHours() const { return double(end - start) / 3600.0; }
};

struct StormEventList
{
    std::vector<StormEvent> events; // in time order
    int minor = 0;                  // spells of minor rain
    double totalDepthMm = 0.0;      // all rain of the gauge's record, minor rain included
    qint64 intervalSeconds = 0;     // the gauge's interval; 0 for tips
};

// Why options cannot be used; empty when they can.
QString stormEventOptionsProblem(const StormEventOptions &options);

// The events of a gauge's record (options as stormEventOptionsProblem accepts them).
StormEventList findStormEvents(const RainSeries &rain, const StormEventOptions &options = {});

// The largest depth in any window of windowSeconds over the entries first..last (inclusive), as
// mm/h. None where the gauge's interval is longer than the window or does not divide it.
std::optional<double> peakIntensity(const RainSeries &rain, std::size_t first, std::size_t last,
                                    qint64 windowSeconds);

// The events as `lmvtool events --json` prints them: {"gauge", "intervalSeconds", "totalDepthMm",
// "events": [{"start", "end", "durationHours", "depthMm", "peak5", "peak15", "peak60",
// "dryHoursBefore", "verification"}], "minor"}; times "yyyy-MM-dd HH:mm:ss", numbers rounded to
// three decimals, a missing peak null.
QJsonObject stormEventsJson(const QString &gauge, const StormEventList &list);

} // namespace lmv::survey
