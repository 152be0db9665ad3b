#pragma once

// How far a sediment estimate (sweepSediment) can be trusted. A sweep always finds some best
// depth; backwater or a drifting sensor that the trim did not catch moves it without a sign. So
// the estimate is judged by what it rests on: the records it used and left out, the range of
// levels they cover, how well the curve fits them, how sharply the depth is fixed, and whether
// separate parts of those records (the earlier and the later half, the lower and the upper half
// of the levels) lead to the same depth.

#include "data/SedimentFit.h"

#include <QString>
#include <QStringList>

#include <span>

namespace lmv {

enum class SedimentTrustLevel
{
    Low,  // 不可信: not to be used for the pipe without looking at the survey
    Fair, // 仅供参考
    Good, // 可信
};

// Thresholds of the judgement.
constexpr qsizetype kTrustFewRecords = 50;     // fewer: Low
constexpr qsizetype kTrustEnoughRecords = 200; // fewer: at most Fair
constexpr double kTrustLeftOutFair = 0.25;     // share of the usable records left out
constexpr double kTrustLeftOutLow = 0.5;
constexpr double kTrustRmseFair = 0.05; // RMSE as a share of the mean velocity used
constexpr double kTrustRmseLow = 0.10;
constexpr double kTrustCoverFair = 0.10; // level range used, share of the depth above the estimate
constexpr double kTrustCoverLow = 0.03;
constexpr double kTrustFlatRmse = 1.10; // depths within 10 % of the best RMSE fit about as well
constexpr double kTrustFlatFair = 0.10; // their range, share of the pipe's height
constexpr double kTrustFlatLow = 0.25;
constexpr int kTrustAgreeMm = 10;         // parts agree within the larger of this and
constexpr double kTrustAgreeShare = 0.03; // this share of the pipe's height; twice: Low

struct SedimentTrust
{
    SedimentTrustLevel level = SedimentTrustLevel::Low;
    qsizetype used = 0;       // records of the fit at the estimate
    qsizetype leftOut = 0;    // usable records left out as off the curve
    double lowestLevel = 0.0; // m above the file's sediment, of the records used
    double highestLevel = 0.0;
    double coveredShare = 0.0; // (highest − lowest) / (pipe top − estimated sediment)
    double relativeRmse = 0.0; // RMSE / mean velocity of the records used
    int flatFromMm = -1;       // depths that fit within kTrustFlatRmse of the best
    int flatToMm = -1;
    // Estimates over parts of the records used (-1: too few to sweep).
    int earlyMm = -1, lateMm = -1; // first and second half in file order
    int lowMm = -1, highMm = -1;   // below and above their median level
    int largestDifferenceMm = 0;   // of a part from the whole estimate
    QStringList reasons;           // why the level is not Good, one short line each

    bool good() const { return level == SedimentTrustLevel::Good; }
};

// Judges the estimate of a sweep over these records (the same records and pipe the sweep had).
// Nothing to trust without an estimate.
SedimentTrust assessSediment(const PipeGeometry &pipe, std::span<const float> levels,
                             std::span<const float> velocities, const SedimentSweep &sweep);

// "可信", "仅供参考" or "不可信".
QString sedimentTrustText(SedimentTrustLevel level);
// The figures the judgement rests on, one line ("采用 2016 条 剔除 0 条 液位 0.143-0.299 m ...").
QString sedimentTrustFigures(const SedimentTrust &trust);

} // namespace lmv
