#pragma once

// Statistics, shown-value rules, display rounding and the pipe description text.

#include "data/Records.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cmath>
#include <span>
#include <vector>

namespace lmv {

// The three display factors derived from the selected level, velocity and flow units.
struct UnitFactors
{
    float level = 1.0f;
    float velocity = 1.0f;
    float flow = 1.0f;
};

// Factors for the units in entries 2, 4 and 6 of unitLabels (normally RvaUnitLabels).
// A unit found in no list keeps that factor of current.
UnitFactors refreshUnitFactors(const QStringList &unitLabels, UnitFactors current = {});
// The same from the process-wide RvaUnitLabels.
UnitFactors refreshUnitFactors(UnitFactors current = {});

namespace detail {

// Half-up rounding: x is scaled one decimal past the kept ones, the half (5) is added, the
// extra decimal is truncated away and the result scaled back. NaN and values beyond the
// 64-bit range are returned as they are. Inline: a hydrograph rounds millions of values.
inline float roundDecimals(float x, float scaleUp, float scaleDown)
{
    const float scaled = x * scaleUp + 5.0f;
    // Shown values mostly fit 32 bits, whose truncation is quicker. There, dividing by
    // scaleDown (100 or 1000) in double and rounding to float gives the float quotient exactly
    // (checked for every 32-bit value of this range), without a slow float division.
    if (std::fabs(scaled) < 2.0e9f) {
        const float tenths = static_cast<float>(static_cast<qint32>(scaled) / 10);
        return static_cast<float>(static_cast<double>(tenths) * (1.0 / static_cast<double>(scaleDown)));
    }
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18f)
        return x;
    return static_cast<float>(static_cast<qint64>(scaled) / 10) / scaleDown;
}

// roundDecimals of many values in place. Whole chunks are worked out several values per
// instruction, with the same results (checked against roundDecimals for every float).
void roundDecimalsMany(std::span<float> values, float scaleUp, float scaleDown);

} // namespace detail

// Display rounding to three / two decimals (half up for positive values, toward zero after
// adding the half for negative ones). Values beyond the 64-bit range and NaN are returned as
// they are.
inline float round3(float x)
{
    return detail::roundDecimals(x, 10000.0f, 1000.0f);
}

inline float round2(float x)
{
    return detail::roundDecimals(x, 1000.0f, 100.0f);
}

// round3 and round2 of every value in place: a hydrograph rounds a million records at once.
inline void round3Many(std::span<float> values)
{
    detail::roundDecimalsMany(values, 10000.0f, 1000.0f);
}

inline void round2Many(std::span<float> values)
{
    detail::roundDecimalsMany(values, 1000.0f, 100.0f);
}

// Shown values of the RVA family.
inline float displayLevel(float level, const UnitFactors &factors)
{
    return round3(level) * factors.level;
}

inline float displayVelocity(float velocity, const CalcParams &calc, const UnitFactors &factors)
{
    return round3(velocity * calc.velocityCorrection) * factors.velocity;
}

inline float displayFlow(float flow, const CalcParams &calc, const UnitFactors &factors)
{
    return round3(calc.velocityCorrection * flow * calc.flowCorrection * factors.flow);
}

inline float displayTemperature(float temperature)
{
    return round2(temperature);
}

// Pipe description text ("圆形 直径1000mm 淤积层0mm", ...); empty for an unknown shape.
QString pipeDescription(const PipeSaveIntoTfType &point);

// Maximum, minimum and sum of one set of values, the first value initialising all three. A value
// that is not a number (an unreadable measurement) is left out: it would otherwise stick as the
// maximum or minimum, or turn the sum into NaN.
struct RunningStats
{
    float max = 0.0f;
    float min = 0.0f;
    double sum = 0.0;
    std::size_t count = 0;

    void add(float value)
    {
        if (std::isnan(value))
            return;
        if (count == 0) {
            max = min = value;
        } else {
            max = value > max ? value : max;
            min = value < min ? value : min;
        }
        sum += value;
        ++count;
    }
    // Average over the values; 0 without values.
    float average() const { return count ? static_cast<float>(sum / static_cast<double>(count)) : 0.0f; }
};

// Fills sampleCount and the twelve statistics of summary from the records (all 0 without
// records); the reserved bytes and durationSeconds are kept. Sums are kept in double precision.
void computeRvaSummary(const std::vector<RvaRecord> &records, SummaryBlock &summary);

// Writes sampleCount and the twelve statistics of summary from statistics gathered elsewhere
// (straight from file bytes, say); everything else in summary is kept.
void setRvaSummary(SummaryBlock &summary, quint32 sampleCount, const RunningStats &level,
                   const RunningStats &velocity, const RunningStats &flow, const RunningStats &temperature);
// Writes only the three flow statistics of summary, as after a pipe change.
void setFlowSummary(SummaryBlock &summary, const RunningStats &flow);

// Statistics of the six channels of RVB records.
std::array<RunningStats, 6> computeRvbChannelStats(const std::vector<RvbRecord> &records);

} // namespace lmv
