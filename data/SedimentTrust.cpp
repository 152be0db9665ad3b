#include "data/SedimentTrust.h"

#include "data/PipeCurves.h"

#include <algorithm>
#include <cmath>

namespace lmv {

namespace {

void lower(SedimentTrust &t, SedimentTrustLevel to, const QString &reason)
{
    t.level = std::min(t.level, to);
    t.reasons << reason;
}

// The estimate over the used records that also satisfy `in`.
template <typename In>
int partEstimate(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities,
                 const std::vector<char> &used, In in)
{
    std::vector<char> marked(used.size(), 0);
    for (std::size_t i = 0; i < used.size(); ++i)
        marked[i] = used[i] && in(i) ? 1 : 0;
    return sweepMarked(pipe, levels, velocities, marked);
}

} // namespace

SedimentTrust assessSediment(const PipeGeometry &pipe, std::span<const float> levels,
                             std::span<const float> velocities, const SedimentSweep &sweep)
{
    SedimentTrust t;
    if (sweep.bestMm < 0 || sweep.kept.empty()) {
        t.reasons << QStringLiteral("没有估算");
        return t;
    }
    t.level = SedimentTrustLevel::Good;
    t.used = sweep.best.records;
    t.leftOut = sweep.best.leftOut;
    const std::vector<char> &used = sweep.kept;
    const std::size_t n = std::min({used.size(), levels.size(), velocities.size()});

    // Levels covered and velocities fitted.
    std::vector<float> usedLevels;
    double velocitySum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!used[i])
            continue;
        usedLevels.push_back(levels[i]);
        velocitySum += velocities[i];
    }
    if (usedLevels.empty()) {
        t.level = SedimentTrustLevel::Low;
        t.reasons << QStringLiteral("没有估算");
        return t;
    }
    const auto [lo, hi] = std::minmax_element(usedLevels.begin(), usedLevels.end());
    t.lowestLevel = *lo;
    t.highestLevel = *hi;
    const double height = pipeTopMetres(pipe);
    const double above = height - sweep.bestMm / 1000.0;
    t.coveredShare = above > 0.0 ? (t.highestLevel - t.lowestLevel) / above : 0.0;
    const double meanVelocity = velocitySum / double(usedLevels.size());
    t.relativeRmse = meanVelocity > 0.0 ? sweep.best.rmse / meanVelocity : INFINITY;

    // Depths that fit about as well as the best.
    for (std::size_t d = 0; d < sweep.rmseByMm.size(); ++d) {
        const double r = sweep.rmseByMm[d];
        if (std::isfinite(r) && r <= sweep.best.rmse * kTrustFlatRmse) {
            t.flatFromMm = t.flatFromMm < 0 ? int(d) : t.flatFromMm;
            t.flatToMm = int(d);
        }
    }

    // The same estimate from parts of the records used.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < n; ++i)
        if (used[i])
            order.push_back(i);
    const std::size_t middle = order[order.size() / 2];
    std::vector<float> sorted = usedLevels;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
    const float median = sorted[sorted.size() / 2];
    t.earlyMm = partEstimate(pipe, levels, velocities, used, [&](std::size_t i) { return i < middle; });
    t.lateMm = partEstimate(pipe, levels, velocities, used, [&](std::size_t i) { return i >= middle; });
    t.lowMm =
        partEstimate(pipe, levels, velocities, used, [&](std::size_t i) { return levels[i] <= median; });
    t.highMm =
        partEstimate(pipe, levels, velocities, used, [&](std::size_t i) { return levels[i] > median; });

    const int heightMm = int(std::lround(height * 1000.0));
    // Records.
    const qsizetype usable = t.used + t.leftOut;
    if (t.used < kTrustFewRecords)
        lower(t, SedimentTrustLevel::Low, QStringLiteral("记录太少 (%1 条)").arg(t.used));
    else if (t.used < kTrustEnoughRecords)
        lower(t, SedimentTrustLevel::Fair, QStringLiteral("记录较少 (%1 条)").arg(t.used));
    const double outShare = usable > 0 ? double(t.leftOut) / double(usable) : 0.0;
    if (outShare > kTrustLeftOutFair)
        lower(t, outShare > kTrustLeftOutLow ? SedimentTrustLevel::Low : SedimentTrustLevel::Fair,
              QStringLiteral("剔除 %1% 的记录").arg(qRound(outShare * 100.0)));
    // Fit.
    if (t.relativeRmse > kTrustRmseFair)
        lower(t, t.relativeRmse > kTrustRmseLow ? SedimentTrustLevel::Low : SedimentTrustLevel::Fair,
              QStringLiteral("拟合偏差大 (RMSE 为平均流速的 %1%)").arg(qRound(t.relativeRmse * 100.0)));
    // Levels.
    if (t.coveredShare < kTrustCoverFair)
        lower(t, t.coveredShare < kTrustCoverLow ? SedimentTrustLevel::Low : SedimentTrustLevel::Fair,
              QStringLiteral("液位范围窄 (%1-%2 m)")
                  .arg(t.lowestLevel, 0, 'f', 3)
                  .arg(t.highestLevel, 0, 'f', 3));
    // Sharpness.
    const double flat =
        heightMm > 0 && t.flatFromMm >= 0 ? double(t.flatToMm - t.flatFromMm) / heightMm : 1.0;
    if (flat > kTrustFlatFair)
        lower(t, flat > kTrustFlatLow ? SedimentTrustLevel::Low : SedimentTrustLevel::Fair,
              QStringLiteral("%1-%2 mm 拟合得差不多").arg(t.flatFromMm).arg(t.flatToMm));
    // Parts.
    const int tolerance = std::max(kTrustAgreeMm, int(std::lround(kTrustAgreeShare * heightMm)));
    bool missing = false;
    for (const int part : {t.earlyMm, t.lateMm, t.lowMm, t.highMm}) {
        if (part < 0)
            missing = true;
        else
            t.largestDifferenceMm = std::max(t.largestDifferenceMm, std::abs(part - sweep.bestMm));
    }
    if (t.largestDifferenceMm > tolerance)
        lower(t, t.largestDifferenceMm > 2 * tolerance ? SedimentTrustLevel::Low : SedimentTrustLevel::Fair,
              QStringLiteral("分段估算不一致 (前半 %1 后半 %2 低液位 %3 高液位 %4 mm)")
                  .arg(t.earlyMm)
                  .arg(t.lateMm)
                  .arg(t.lowMm)
                  .arg(t.highMm));
    else if (missing)
        lower(t, SedimentTrustLevel::Fair, QStringLiteral("记录不足以分段核对"));
    return t;
}

QString sedimentTrustText(SedimentTrustLevel level)
{
    switch (level) {
    case SedimentTrustLevel::Good:
        return QStringLiteral("可信");
    case SedimentTrustLevel::Fair:
        return QStringLiteral("仅供参考");
    case SedimentTrustLevel::Low:
        break;
    }
    return QStringLiteral("不可信");
}

QString sedimentTrustFigures(const SedimentTrust &t)
{
    return QStringLiteral("采用 %1 条 剔除 %2 条 液位 %3-%4 m 分段 %5/%6/%7/%8 mm")
        .arg(t.used)
        .arg(t.leftOut)
        .arg(t.lowestLevel, 0, 'f', 3)
        .arg(t.highestLevel, 0, 'f', 3)
        .arg(t.earlyMm)
        .arg(t.lateMm)
        .arg(t.lowMm)
        .arg(t.highMm);
}

} // namespace lmv
