#pragma once

// The flow of a dry day: which days of a survey are dry, the weekday and weekend diurnal
// profiles over them, and the figures a sewer model is built on (average dry-weather flow,
// minimum night flow, peak factor, groundwater infiltration and base sanitary flow). Plain
// functions over a survey layer with every threshold passed in; the window, lmvtool and the
// report share them.

#include "survey/RainSeries.h"
#include "survey/SurveyLayer.h"

#include <QStringList>
#include <QtGlobal>

#include <cmath>
#include <limits>
#include <span>
#include <vector>

namespace lmv::survey {

constexpr qint64 kSecondsPerDay = 86400;
// One million US gallons per day in megalitres per day.
constexpr double kMegalitresPerMgd = 3.785411784;

// Thresholds of the dry-day test, editable per point.
struct DryWeatherSettings
{
    double antecedentHours = 48.0; // rain this long before the day still counts
    double maxRainMm = 1.0;        // the day and its antecedent time together get less than this
    double minCoverage = 0.95;     // share of the day the flow records must cover
    double fenceIqr = 1.5;         // Tukey fences: this many interquartile ranges beyond the quartiles
    std::vector<qint64> holidays;  // days (since 1970-01-01 on the logger's clock) counted as weekend
};

enum class DayGroup : quint8
{
    Weekday, // Monday to Friday
    Weekend, // Saturday, Sunday and the holidays
};

// Why a day is not dry; a dry day has no bit set.
enum DayReason : quint8
{
    DayDry = 0,
    DayRain = 1,        // rain on the day and in its antecedent time reached the limit
    DayNoGauge = 2,     // the gauge does not cover the day and its antecedent time
    DayLowCoverage = 4, // the flow records cover too little of the day
    DayOutlier = 8,     // its mean flow lies outside the fences of its group's candidate days
    DayNotChosen = 16,  // without a gauge: not among the days the user chose
};

// One calendar day of a survey and the verdict on it.
struct DayStatus
{
    qint64 day = 0; // days since 1970-01-01 on the logger's clock
    DayGroup group = DayGroup::Weekday;
    // Rain (mm) on the day and in its antecedent time where the gauge covers it; NaN without a gauge.
    double rainMm = std::numeric_limits<double>::quiet_NaN();
    double coverage = 0.0;                                      // share of the day counted, 0..1
    double meanFlow = std::numeric_limits<double>::quiet_NaN(); // L/s over the counted time
    quint8 reasons = DayDry;                                    // DayReason bits

    bool dry() const { return reasons == DayDry; }
};

// The diurnal profile of one group: per time-of-day slot the median over the group's dry days,
// smoothed by a centred moving mean over three slots that wraps at midnight. NaN marks a slot no
// dry day has a record in.
struct DiurnalProfile
{
    DayGroup group = DayGroup::Weekday;
    std::vector<qint64> days;     // the dry days it is made of, ascending
    std::vector<double> flow;     // L/s with each record's own corrections
    std::vector<double> level;    // m
    std::vector<double> velocity; // m/s, corrected

    bool present() const { return !days.empty() && !flow.empty(); }
};

// One dry day's flow per slot, drawn grey under the profiles (NaN where it has no record).
struct DayTrace
{
    qint64 day = 0;
    DayGroup group = DayGroup::Weekday;
    std::vector<float> flow;
};

// The dry-weather figures, L/s; NaN where they cannot be told.
struct DwfFigures
{
    double adwf = std::numeric_limits<double>::quiet_NaN(); // 5/7 weekday mean + 2/7 weekend mean
    double mnf = std::numeric_limits<double>::quiet_NaN();  // lowest slot of the two profiles
    double peak = std::numeric_limits<double>::quiet_NaN(); // highest slot of the two profiles
    double peakFactor = std::numeric_limits<double>::quiet_NaN();
    double gwi = std::numeric_limits<double>::quiet_NaN();          // groundwater infiltration
    double baseSanitary = std::numeric_limits<double>::quiet_NaN(); // ADWF − GWI
    DayGroup mnfGroup = DayGroup::Weekday;
    int mnfSlot = -1;
    DayGroup peakGroup = DayGroup::Weekday;
    int peakSlot = -1;

    double gwiShare() const { return adwf > 0.0 ? gwi / adwf : std::numeric_limits<double>::quiet_NaN(); }
    double baseShare() const
    {
        return adwf > 0.0 ? baseSanitary / adwf : std::numeric_limits<double>::quiet_NaN();
    }
};

// Everything the dry-weather view shows.
struct DryWeatherResult
{
    qint64 intervalSeconds = 0; // slot length
    std::vector<DayStatus> days;
    DiurnalProfile weekday;
    DiurnalProfile weekend;
    std::vector<DayTrace> traces; // dry days of both groups, by day
    DwfFigures figures;
    std::vector<qint64> holidays; // as the settings gave them, sorted
    QStringList notes;            // what is missing and why, for the user

    std::vector<qint64> dryDays() const;
    const DiurnalProfile &profile(DayGroup group) const
    {
        return group == DayGroup::Weekend ? weekend : weekday;
    }
    // The group a day belongs to under this result's holidays.
    DayGroup groupOf(qint64 day) const;
};

// Day (since 1970-01-01) of clock seconds, rounding down.
qint64 dayOf(qint64 clockSeconds);
// Weekday of a day: 1 Monday … 7 Sunday.
int weekdayOf(qint64 day);
// Weekend for Saturday, Sunday and every listed holiday (sorted ascending).
DayGroup dayGroup(qint64 day, std::span<const qint64> sortedHolidays);

// Slots of a day for an interval: 86400 ÷ interval rounded up; 0 for a non-positive interval.
int slotCount(qint64 intervalSeconds);
// Slot of clock seconds: seconds since midnight ÷ interval, rounded down.
int slotOf(qint64 clockSeconds, qint64 intervalSeconds);

// Quantile p (0..1) of ascending values by linear interpolation between the order statistics
// (position p·(n − 1)); NaN for no values.
double quantileSorted(std::span<const double> sorted, double p);
// Median of the values (reordered); NaN for none.
double medianOf(std::vector<double> &values);
// Centred moving mean over three values, the first and last being neighbours; NaN values are
// left out of a mean, a mean of none is NaN.
std::vector<double> movingMeanWrapped(std::span<const double> values);

// Every calendar day from the layer's first record to its last with why it is or is not dry.
// With a gauge the rain test applies; without one (rain null) the chosen days stand in for it.
// Coverage and the outlier test apply either way.
std::vector<DayStatus> classifyDays(const SurveyLayer &layer, const RainSeries *rain,
                                    const DryWeatherSettings &settings,
                                    std::span<const qint64> chosenDays = {});

// The profile of the given days (ascending) of one group; the days' own slot values go to
// traces when given.
DiurnalProfile diurnalProfile(const SurveyLayer &layer, std::span<const qint64> days, DayGroup group,
                              qint64 intervalSeconds, std::vector<DayTrace> *traces = nullptr);

// ADWF, MNF, peak factor and the groundwater split of two profiles; an absent profile is left out.
DwfFigures dwfFigures(const DiurnalProfile &weekday, const DiurnalProfile &weekend);

// L/s to million US gallons per day and back.
double litresPerSecondToMgd(double litresPerSecond);
double mgdToLitresPerSecond(double mgd);
// Groundwater infiltration (L/s) from the minimum night flow and ADWF (L/s) by the
// Stevens–Schutzbach relation GWI = 0.4·MNF / (1 − 0.6·(MNF/ADWF)^(ADWF^0.7)), flows in MGD.
// A negative MNF counts as 0; NaN when ADWF is not positive or either is not finite.
double stevensSchutzbachGwi(double mnfLitresPerSecond, double adwfLitresPerSecond);

// Dry days, both profiles with the dry days' traces, and the figures, with notes on what is
// missing (no dry day in a group, no interval, no gauge).
DryWeatherResult dryWeatherFlow(const SurveyLayer &layer, const RainSeries *rain,
                                const DryWeatherSettings &settings, std::span<const qint64> chosenDays = {});

} // namespace lmv::survey
