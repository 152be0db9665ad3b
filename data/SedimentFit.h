#pragma once

// Fits of a survey's level-velocity points that need neither slope nor roughness: the
// Lanfear-Coll curve v = C · R^(2/3) by least squares, and the sediment depth whose geometry makes
// that fit best. Levels in metres above the file's sediment, velocities in m/s.

#include "data/Records.h"

#include <span>
#include <vector>

namespace lmv {

struct LanfearCollFit
{
    double coefficient = 0.0; // C, m^(1/3)/s
    double rmse = 0.0;        // m/s
    qsizetype records = 0;    // records the fit used
    qsizetype leftOut = 0;    // records it could have used but left out as off the free-running curve
    bool valid() const { return records > 0; }
};

// The fit at the file's sediment over the records that are wetted, run free (water surface below
// the top of the pipe: surcharged records are left out), flow forwards (v > 0) and lie on the
// free-running curve of the geometry that fits the survey best (see sweepSediment). Not valid
// when none is left.
LanfearCollFit fitLanfearColl(const PipeGeometry &pipe, std::span<const float> levels,
                              std::span<const float> velocities);

struct SedimentSweep
{
    int bestMm = -1;              // candidate depth with the smallest RMSE; -1 when none fits
    LanfearCollFit best;          // the fit at that depth
    int fileMm = 0;               // the sediment the file says
    LanfearCollFit fileFit;       // the fit at the file's sediment over the records the sweep kept
    std::vector<double> rmseByMm; // RMSE per candidate depth (index = mm); NaN where not compared
    std::vector<char> kept;       // per record, 1 where the fit at bestMm used it (empty: no sweep)
};

// Repeats the fit for sediment depths from 0 to half the height of the pipe in 1 mm steps. Each
// record's water surface stays where the file puts it (level + the file's sediment above the
// bottom); only the top of the sediment moves. Records whose surface lies at or below a candidate
// are left out of that candidate, and a candidate that keeps fewer than half of the records the
// depth 0 uses is not compared: a handful of high-water records would otherwise fit any depth.
// Records far off the curve at the depth found (backwater, a drifting sensor) are left out and
// the sweep repeated, until the depth holds.
SedimentSweep sweepSediment(const PipeGeometry &pipe, std::span<const float> levels,
                            std::span<const float> velocities);

// The best depth of one sweep over the records `marked` flags (one flag per record), without
// leaving any out; -1 when too few records can be compared.
int sweepMarked(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities,
                std::span<const char> marked);

} // namespace lmv
