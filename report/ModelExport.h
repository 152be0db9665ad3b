#pragma once

// Files a hydraulic model reads, written as UTF-8 text from a point's survey, a rain gauge and
// the dry-weather profiles: SWMM time series and rain files, SWMM [DWF] and [PATTERNS] lines to
// paste into an input file, and a CSV at a fixed time step with a flag per step.

#include "report/DryWeatherProfiles.h"
#include "survey/RainSeries.h"
#include "survey/SurveyLayer.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace lmv::report {

// SWMM's flow units.
enum class FlowUnit
{
    Lps, // L/s, the survey's own
    Cms, // m³/s
    Mld, // ML/d
    Cfs, // ft³/s
    Gpm, // US gal/min
    Mgd, // million US gal/d
};

// "LPS", "CMS", ...: the unit as SWMM names it.
QString flowUnitName(FlowUnit unit);
// The unit named by its SWMM name, any case.
std::optional<FlowUnit> flowUnitFromName(const QString &name);
// A flow in L/s in another unit.
double flowInUnit(double litresPerSecond, FlowUnit unit);
// Decimals a flow keeps in a unit (two for L/s; as fine a step in the others).
int flowDecimals(FlowUnit unit);

enum class ModelSeries
{
    Flow,
    Level,
    Velocity,
};

// "flow", "level" or "velocity".
std::optional<ModelSeries> modelSeriesFromName(const QString &name);

// A name as a model's object names may be: spaces, quotes and semicolons replaced by '_'.
QString modelId(const QString &name);

struct SwmmSeriesOptions
{
    ModelSeries series = ModelSeries::Flow;
    FlowUnit flowUnit = FlowUnit::Lps;
    QString pointName;          // named in the comment header
    std::optional<qint64> from; // clock seconds, both ends included
    std::optional<qint64> to;
};
// A SWMM time series file: a ';' comment header (point, quantity and unit, period, records),
// then one line per record "MM/DD/YYYY HH:MM value" (HH:MM:SS when the time has seconds).
// Records flagged removed and values that are not numbers are left out.
QByteArray swmmTimeSeries(const survey::SurveyLayer &layer, const SwmmSeriesOptions &options);

struct SwmmRainOptions
{
    QString stationId;      // the gauge's station in the model (made a model id)
    qint64 stepSeconds = 0; // 0: the gauge's interval (tips: 60 s)
    std::optional<qint64> from;
    std::optional<qint64> to;
};
// A SWMM rain file in the standard form, one line per wet interval:
// "StationID Year Month Day Hour Minute Value", the time marking the interval's start, the value
// its depth in mm. Dry intervals are left out. Empty with a reason in *error when the step is not
// a whole multiple of the gauge's interval.
QByteArray swmmRainFile(const survey::RainSeries &rain, const SwmmRainOptions &options, QString *error);

struct SwmmDwfOptions
{
    QString nodeId;    // the node receiving the flow (made a model id)
    QString pointName; // named in the comment
    FlowUnit flowUnit = FlowUnit::Lps;
};
// Multipliers of the dry-weather profiles as SWMM takes them: the average dry-weather flow
// (5/7 of the weekday mean and 2/7 of the weekend mean), 24 hourly multipliers of each group
// (mean 1.0) and 7 daily ones (Sunday first) carrying each group's mean against the average.
struct DwfPatterns
{
    double average = 0.0; // L/s
    std::optional<std::array<double, 24>> weekday;
    std::optional<std::array<double, 24>> weekend;
    std::optional<std::array<double, 7>> daily; // only with both groups
};
// False with a reason when neither profile covers a whole day.
bool dwfPatterns(const DryWeatherProfiles &profiles, DwfPatterns &patterns, QString *error);
// The [DWF] line (baseline = the average, in the chosen unit) and the [PATTERNS] HOURLY, WEEKEND
// and DAILY multipliers, ready to paste into an input file. A group without a profile is left
// out and said so in a comment. Empty with a reason in *error when there is nothing to write.
QByteArray swmmDryWeather(const DryWeatherProfiles &profiles, const SwmmDwfOptions &options, QString *error);

// What a fixed step's values rest on.
enum class StepFlag
{
    Raw,     // a raw record at that time, or between two raw records
    Edited,  // an edited (corrected) record takes part
    Filled,  // a filled record takes part
    Missing, // no record at that time and no neighbours one interval apart
};
QString stepFlagName(StepFlag flag); // "raw", "edited", "filled", "missing"

struct StepValue
{
    qint64 time = 0;
    double level = 0.0;    // m
    double velocity = 0.0; // m/s, corrected
    double flow = 0.0;     // L/s, corrected
    StepFlag flag = StepFlag::Missing;
};

struct FixedStepOptions
{
    qint64 stepSeconds = 300;
    FlowUnit flowUnit = FlowUnit::Lps;
    std::optional<qint64> from; // default: the first record; steps start at a whole multiple of the step
    std::optional<qint64> to;   // default: the last record
};
// Steps beyond this count are refused (a 1 s step over years would fill the disk).
inline constexpr qint64 kMaxFixedSteps = 5'000'000;

// The values at every step: the record at that time, or the straight line between the records
// either side when they lie at most one interval apart, else missing. Records flagged removed
// count as absent. False with a reason for a step of 0 or too many steps.
bool fixedStepValues(const survey::SurveyLayer &layer, const FixedStepOptions &options,
                     std::vector<StepValue> &steps, QString *error);
// The steps as CSV: "time,level_m,velocity_mps,flow_<unit>,flag", empty cells where missing.
QByteArray fixedStepCsv(const survey::SurveyLayer &layer, const FixedStepOptions &options, QString *error);

// Writes a model file under a temporary name renamed at the end; false with a reason.
bool writeModelFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace lmv::report
