#pragma once

// Rain-derived infiltration and inflow of each storm: the flow above the dry-weather profile
// from the storm's start until a response time after its end, its volume and peak, and the share
// of the rain on the catchment that reached the sewer.

#include "survey/DryWeather.h"

#include <QStringList>
#include <QtGlobal>

#include <limits>
#include <span>
#include <vector>

namespace lmv::survey {

// A storm event of the gauge as the caller found it (minor rain left out).
struct RainEventSpan
{
    qint64 start = 0; // clock seconds: start of its first wet interval
    qint64 end = 0;   // end of its last wet interval
    double depthMm = 0.0;
};

struct RdiiSettings
{
    double responseHours = 24.0; // inflow counted this long after the rain ends
    double areaHa = 0.0;         // catchment area; 0 or less (or NaN) when unknown
};

struct RdiiEvent
{
    qint64 start = 0; // the rain event
    qint64 end = 0;
    qint64 windowEnd = 0; // end + response time, at most the next event's start
    double depthMm = 0.0;
    double volumeM3 = 0.0;                                         // RDII over the window
    double peakRdii = 0.0;                                         // L/s
    qint64 peakTime = 0;                                           // clock seconds of the peak record
    double coverage = 0.0;                                         // share of the window counted, 0..1
    double runoffRatio = std::numeric_limits<double>::quiet_NaN(); // volume ÷ (depth × area)

    qint64 durationSeconds() const { return windowEnd - start; }
};

struct RdiiSummary
{
    int withRatio = 0; // events with a runoff ratio
    double meanRatio = std::numeric_limits<double>::quiet_NaN();
    double minRatio = std::numeric_limits<double>::quiet_NaN();
    double maxRatio = std::numeric_limits<double>::quiet_NaN();
    int largest = -1; // index of the event of the largest volume
};

struct RdiiResult
{
    std::vector<RdiiEvent> events; // those starting inside the survey, by start
    RdiiSummary summary;
    QStringList notes;
};

// RDII of a flow record against a profile, L/s: max(0, Q − profile); 0 where either is not finite.
inline double rdiiFlow(double flow, double profile)
{
    return std::isfinite(flow) && std::isfinite(profile) && flow > profile ? flow - profile : 0.0;
}

// Runoff ratio of a volume (m³) from a depth (mm) on an area (ha); NaN without a positive
// depth and area.
double runoffRatio(double volumeM3, double depthMm, double areaHa);

// RDII of every event that starts inside the layer's records. The flow of each record counts for
// its counted seconds (as the daily volumes count it) inside the event's window, against the
// profile of its day's group at its slot; a group without a profile borrows the other's (noted).
RdiiResult rdiiEvents(const SurveyLayer &layer, const DryWeatherResult &dwf,
                      std::span<const RainEventSpan> events, const RdiiSettings &settings);

} // namespace lmv::survey
