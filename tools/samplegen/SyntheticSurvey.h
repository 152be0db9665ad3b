#pragma once

// Made-up surveys whose answers are known: a sewer's flow as a known weekday and weekend diurnal
// profile with noise, a rain gauge of 5-minute depths with storms, and each storm's inflow from
// three triangular unit hydrographs (share R of the rain on the catchment, time to peak T,
// recession K·T). Level and velocity are those of a circular pipe running at normal depth, and
// each record's flow is what the data library computes from them. Tests, benchmarks and the
// sample store share it.

#include "data/PlotSeries.h"
#include "survey/RainSeries.h"
#include "survey/Rdii.h"
#include "survey/SurveyLayer.h"

#include <QString>

#include <array>
#include <vector>

namespace lmv::samplegen {

// One triangular unit hydrograph.
struct UnitTriangle
{
    double r = 0.0;         // share of the rain volume on the catchment
    double peakHours = 1.0; // T, from the rain to the peak
    double k = 2.0;         // the recession lasts K·T
};

// A storm: a triangular hyetograph peaking at a third of its duration.
struct SyntheticStorm
{
    qint64 start = 0; // clock seconds, on a 5-minute boundary
    double hours = 1.0;
    double depthMm = 0.0; // whole tips of the bucket
};

struct SyntheticSpec
{
    qint64 start = 0; // clock seconds of the first record (a midnight)
    int days = 42;
    int intervalSeconds = 120;
    quint32 diameterMm = 800;
    double slope = 0.002;
    double manningN = 0.013;
    double infiltration = 25.0;    // L/s, steady
    double weekdaySanitary = 60.0; // mean sanitary flow of a weekday, L/s
    double weekendSanitary = 52.0;
    double noise = 0.015; // relative, uniform either side, on the dry-weather flow
    double areaHa = 120.0;
    std::array<UnitTriangle, 3> triangles{{{0.04, 0.75, 1.5}, {0.05, 3.0, 2.0}, {0.03, 6.0, 2.5}}};
    std::vector<SyntheticStorm> storms;
    std::vector<TimeSpan> flowGaps;   // [start, end): no records
    std::vector<TimeSpan> gaugeHoles; // (start, end]: no gauge intervals
    int gaugeDaysBefore = 2;          // the gauge starts this many days before the first record
    double bucketMm = 0.2;
    quint32 seed = 1u;
};

struct SyntheticSurvey
{
    survey::SurveyLayer layer; // one source, the pipe and interval of the plan
    survey::RainSeries rain;
    std::vector<double> weekday; // dry-weather flow per slot, L/s, before noise
    std::vector<double> weekend;
    double adwf = 0.0;                         // 5/7 weekday + 2/7 weekend
    double runoffRatio = 0.0;                  // R of the three triangles together
    std::vector<double> rdii;                  // the storms' inflow in every record, L/s
    std::vector<survey::RainEventSpan> events; // every storm as the gauge records it
};

// Dry-weather flow (L/s) at an hour of the day.
double syntheticDryFlow(const SyntheticSpec &plan, bool weekend, double hourOfDay);
// The survey of a plan; the same plan gives the same survey.
SyntheticSurvey makeSyntheticSurvey(const SyntheticSpec &plan);

// The gauge as a CSV file: "时间,雨量(mm)" then one "yyyy-MM-dd HH:mm,depth" line per interval,
// the time ending the interval, UTF-8.
QByteArray rainCsv(const survey::RainSeries &rain);

} // namespace lmv::samplegen
