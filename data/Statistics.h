#pragma once

// Statistics, shown-value rules, display rounding and the pipe description text.

#include "data/Records.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cmath>
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

// Display rounding to three / two decimals (half up for positive values, toward zero after
// adding the half for negative ones). Values beyond the 64-bit range and NaN are returned as
// they are.
float round3(float x);
float round2(float x);

// Shown values of the RVA family.
float displayLevel(float level, const UnitFactors &factors);
float displayVelocity(float velocity, const CalcParams &calc, const UnitFactors &factors);
float displayFlow(float flow, const CalcParams &calc, const UnitFactors &factors);
float displayTemperature(float temperature);

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
