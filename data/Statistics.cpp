#include "data/Statistics.h"

#include "data/Tables.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace lmv {

namespace {

float factorOf(const QVector<Unit> &units, const QString &label, float current)
{
    const int i = unitIndex(units, label);
    return i >= 0 ? units[i].factor : current;
}

constexpr std::size_t kRoundChunk = 16;

// roundDecimals of one chunk, false when a value lies outside the 32-bit path (its result here is
// then wrong). Written without branches so that the compiler vectorises it: the range test works
// on the bits, and the truncated tenths are the scaled value times 0.1 in double, truncated. That
// product is never below the true tenth of a multiple of ten (0.1 in double is slightly above
// 0.1) and never crosses an integer otherwise, so it truncates as the integer division does.
bool roundChunk(float *__restrict values, float scaleUp, double down)
{
    constexpr std::uint32_t kLimit = std::bit_cast<std::uint32_t>(2.0e9f);
    std::uint32_t outside = 0;
    for (std::size_t i = 0; i < kRoundChunk; ++i) {
        const float scaled = values[i] * scaleUp + 5.0f;
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(scaled);
        const std::uint32_t inside = std::uint32_t((bits & 0x7fffffffu) < kLimit); // NaN too is outside
        outside |= inside ^ 1u;
        const float safe = std::bit_cast<float>(bits & (0u - inside));
        const float tenths = static_cast<float>(static_cast<qint32>(static_cast<double>(safe) * 0.1));
        values[i] = static_cast<float>(static_cast<double>(tenths) * down);
    }
    return outside == 0;
}

} // namespace

namespace detail {

void roundDecimalsMany(std::span<float> values, float scaleUp, float scaleDown)
{
    const double down = 1.0 / static_cast<double>(scaleDown);
    std::size_t i = 0;
    float kept[kRoundChunk];
    for (; i + kRoundChunk <= values.size(); i += kRoundChunk) {
        float *chunk = values.data() + i;
        std::copy(chunk, chunk + kRoundChunk, kept);
        if (!roundChunk(chunk, scaleUp, down))
            for (std::size_t j = 0; j < kRoundChunk; ++j)
                chunk[j] = roundDecimals(kept[j], scaleUp, scaleDown);
    }
    for (; i < values.size(); ++i)
        values[i] = roundDecimals(values[i], scaleUp, scaleDown);
}

} // namespace detail

UnitFactors refreshUnitFactors(const QStringList &unitLabels, UnitFactors current)
{
    UnitFactors f = current;
    if (unitLabels.size() > kRvaFlowUnitColumn) {
        f.level = factorOf(LevelUnits, unitLabels[kRvaLevelUnitColumn], current.level);
        f.velocity = factorOf(VelocityUnits, unitLabels[kRvaVelocityUnitColumn], current.velocity);
        f.flow = factorOf(FlowUnits, unitLabels[kRvaFlowUnitColumn], current.flow);
    }
    return f;
}

UnitFactors refreshUnitFactors(UnitFactors current)
{
    return refreshUnitFactors(RvaUnitLabels, current);
}

QString pipeDescription(const PipeSaveIntoTfType &p)
{
    char text[128];
    switch (p.pipeShape) {
    case PipeCircle:
        std::snprintf(text, sizeof text, "圆形 直径%umm 淤积层%umm", p.heightOrDiameter, p.sediment);
        break;
    case PipeRectangle:
        std::snprintf(text, sizeof text, "方沟 高度%umm 宽度%umm 淤积层%umm", p.heightOrDiameter,
                      p.widthOrLowerBase, p.sediment);
        break;
    case PipeTrapezoid:
        std::snprintf(text, sizeof text, "梯形 高度%umm 上底%umm 下底%umm 淤积层%umm", p.heightOrDiameter,
                      p.upperBase, p.widthOrLowerBase, p.sediment);
        break;
    case PipeTriangle:
        std::snprintf(text, sizeof text, "三角形 高度%umm 宽度%umm 淤积层%umm", p.heightOrDiameter,
                      p.widthOrLowerBase, p.sediment);
        break;
    default:
        return QString();
    }
    return QString::fromUtf8(text);
}

void computeRvaSummary(const std::vector<RvaRecord> &records, SummaryBlock &summary)
{
    RunningStats level, velocity, flow, temperature;
    for (const RvaRecord &r : records) {
        level.add(r.level);
        velocity.add(r.velocity);
        flow.add(r.flow);
        temperature.add(r.temperature);
    }
    setRvaSummary(summary, static_cast<quint32>(records.size()), level, velocity, flow, temperature);
}

void setRvaSummary(SummaryBlock &summary, quint32 sampleCount, const RunningStats &level,
                   const RunningStats &velocity, const RunningStats &flow, const RunningStats &temperature)
{
    summary.sampleCount = sampleCount;
    summary.levelMax = level.max;
    summary.levelMin = level.min;
    summary.levelAvg = level.average();
    summary.velocityMax = velocity.max;
    summary.velocityMin = velocity.min;
    summary.velocityAvg = velocity.average();
    setFlowSummary(summary, flow);
    summary.temperatureMax = temperature.max;
    summary.temperatureMin = temperature.min;
    summary.temperatureAvg = temperature.average();
}

void setFlowSummary(SummaryBlock &summary, const RunningStats &flow)
{
    summary.flowMax = flow.max;
    summary.flowMin = flow.min;
    summary.flowAvg = flow.average();
}

std::array<RunningStats, 6> computeRvbChannelStats(const std::vector<RvbRecord> &records)
{
    std::array<RunningStats, 6> stats;
    for (const RvbRecord &r : records) {
        for (std::size_t c = 0; c < 6; ++c)
            stats[c].add(r.channel[c]);
    }
    return stats;
}

} // namespace lmv
