#include "data/SedimentFit.h"

#include "data/CrossSection.h"
#include "data/PipeCurves.h"
#include "data/PipeLimits.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lmv {

namespace {

// A record the fits may use: a finite forward velocity and a water surface above the bottom and
// below the top of the pipe. Returns the surface height above the bottom in mm.
bool usable(const PipeGeometry &pipe, double topMm, float level, float velocity, double &surfaceMm)
{
    if (!std::isfinite(level) || !std::isfinite(velocity) || !(velocity > 0.0f))
        return false;
    surfaceMm = double(level) * 1000.0 + double(pipe.sediment);
    return surfaceMm > 0.0 && surfaceMm < topMm;
}

// C minimising Σ (v − C·g)² and the RMSE of the fit, from the sums over the records:
// C = Σvg / Σg², and Σ(v − Cg)² = Σv² − C·Σvg.
LanfearCollFit fitFromSums(qsizetype n, double svv, double svg, double sgg)
{
    LanfearCollFit fit;
    if (n <= 0 || !(sgg > 0.0))
        return fit;
    fit.records = n;
    fit.coefficient = svg / sgg;
    fit.rmse = std::sqrt(std::max(0.0, svv - fit.coefficient * svg) / double(n));
    return fit;
}

// R^(2/3) with R in metres from mm.
double radiusTerm(double areaMm2, double perimeterMm)
{
    if (!(areaMm2 > 0.0) || !(perimeterMm > 0.0))
        return 0.0;
    const double r = areaMm2 / perimeterMm * 1e-3;
    return std::cbrt(r * r);
}

// Each record's water surface in mm above the bottom and its surface bin (see SurfaceBins), worked
// out once for all the fits over a survey.
struct Surfaces
{
    static constexpr int kPerMm = 4;
    std::vector<double> mm;  // NaN where the fits cannot use the record
    std::vector<qint32> bin; // -1 likewise
    std::size_t binCount = 0;
    double topMm = 0.0;

    Surfaces(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities)
    {
        const std::size_t n = std::min(levels.size(), velocities.size());
        mm.assign(n, std::numeric_limits<double>::quiet_NaN());
        bin.assign(n, -1);
        topMm = pipeTopMetres(pipe) * 1000.0;
        if (!pipePossible(pipe))
            return;
        // The bins reach the highest surface of the records, not the top of the pipe: what is
        // worked out per bin is bounded by the data.
        double highest = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            double z = 0.0;
            if (!usable(pipe, topMm, levels[i], velocities[i], z))
                continue;
            mm[i] = z;
            highest = std::max(highest, z);
        }
        if (!(highest > 0.0))
            return;
        binCount = static_cast<std::size_t>(std::ceil(highest * kPerMm));
        for (std::size_t i = 0; i < n; ++i) {
            // Bin k holds the surfaces in (k, k + 1] quarter millimetres.
            if (!std::isnan(mm[i]))
                bin[i] = static_cast<qint32>(std::min(
                    binCount - 1, static_cast<std::size_t>(std::max(0.0, std::ceil(mm[i] * kPerMm) - 1.0))));
        }
    }
};

// Records binned by the height of their water surface above the bottom.
struct SurfaceBin
{
    qsizetype count = 0;
    double sumV = 0.0, sumVV = 0.0, sumZ = 0.0, sumVZ = 0.0;
};

// Area and wetted perimeter below a height of the pipe without sediment, and its width there.
struct HeightTerms
{
    double area = 0.0, perimeter = 0.0, width = 0.0;
};

HeightTerms termsAt(const PipeGeometry &bare, double heightMm)
{
    const section::Boundary<double> b = section::bandBoundary<double>(bare, heightMm);
    return {section::bandArea<double>(bare, heightMm), b.perimeter, b.topWidth};
}

// The band between a sediment top d and a surface z is the pipe's section below z less the
// section below d, with the width at d as its bed: A = A₀(z) − A₀(d), P = P₀(z) − P₀(d) + T₀(d).
// So the terms below each surface are computed once, and a depth costs a subtraction and a cube
// root per surface bin rather than a section per record.
//
// Surfaces are binned at a quarter millimetre (bins end on whole millimetres, so a depth never
// splits a bin). Within a bin Σv·g(z) is taken at the velocity-weighted mean surface and Σg(z)²
// at the mean surface: both are exact to first order, the error is below ½·|g''|·(0.125 mm)² per
// record, and there is none when a bin's surfaces are equal, as they are for levels stored to the
// millimetre.
class SurfaceBins
{
public:
    static constexpr int kPerMm = Surfaces::kPerMm;

    // Bins the usable records that `keep` marks (all when it is empty).
    SurfaceBins(const PipeGeometry &pipe, const Surfaces &surfaces, std::span<const float> velocities,
                std::span<const char> keep = {})
        : m_bare(pipe)
    {
        m_bare.sediment = 0;
        if (surfaces.binCount == 0)
            return;
        const std::size_t binCount = surfaces.binCount;
        std::vector<SurfaceBin> bins(binCount);
        for (std::size_t i = 0; i < surfaces.bin.size(); ++i) {
            const qint32 k = surfaces.bin[i];
            if (k < 0 || (!keep.empty() && !keep[i]))
                continue;
            const double z = surfaces.mm[i];
            const double v = velocities[i];
            SurfaceBin &b = bins[std::size_t(k)];
            ++b.count;
            b.sumV += v;
            b.sumVV += v * v;
            b.sumZ += z;
            b.sumVZ += v * z;
        }
        for (std::size_t k = 0; k < binCount; ++k) {
            const SurfaceBin &b = bins[std::size_t(k)];
            if (b.count == 0)
                continue;
            const double mean = b.sumZ / double(b.count);
            const double weighted = b.sumVZ / b.sumV;
            const bool same = mean == weighted;
            m_bins.push_back({k, b.count, b.sumV, b.sumVV, termsAt(m_bare, mean),
                              same ? HeightTerms{} : termsAt(m_bare, weighted), same});
        }
        // Suffix sums: the records above each occupied bin's lower edge.
        m_countFrom.assign(m_bins.size() + 1, 0);
        m_vvFrom.assign(m_bins.size() + 1, 0.0);
        for (std::size_t j = m_bins.size(); j-- > 0;) {
            m_countFrom[j] = m_countFrom[j + 1] + m_bins[j].count;
            m_vvFrom[j] = m_vvFrom[j + 1] + m_bins[j].sumVV;
        }
    }

    // Records in the fit at depth 0.
    qsizetype total() const { return m_countFrom.empty() ? 0 : m_countFrom[0]; }

    // Index of the first occupied bin above a depth, searching on from `from`.
    std::size_t firstAbove(int depthMm, std::size_t from = 0) const
    {
        while (from < m_bins.size() && m_bins[from].bin < static_cast<std::size_t>(depthMm) * kPerMm)
            ++from;
        return from;
    }
    qsizetype countFrom(std::size_t first) const { return m_countFrom.empty() ? 0 : m_countFrom[first]; }

    // The fit with the sediment top at depthMm above the bottom, over the bins from `first`.
    LanfearCollFit fitAt(int depthMm, std::size_t first) const
    {
        const HeightTerms base = termsAt(m_bare, double(depthMm));
        double svg = 0.0, sgg = 0.0;
        for (std::size_t j = first; j < m_bins.size(); ++j) {
            const Occupied &o = m_bins[j];
            const double gMean =
                radiusTerm(o.atMean.area - base.area, o.atMean.perimeter - base.perimeter + base.width);
            const double gWeighted = o.same
                                         ? gMean
                                         : radiusTerm(o.atWeighted.area - base.area,
                                                      o.atWeighted.perimeter - base.perimeter + base.width);
            svg += o.sumV * gWeighted;
            sgg += double(o.count) * gMean * gMean;
        }
        return fitFromSums(countFrom(first), m_vvFrom.empty() ? 0.0 : m_vvFrom[first], svg, sgg);
    }

private:
    struct Occupied
    {
        std::size_t bin;
        qsizetype count;
        double sumV, sumVV;
        HeightTerms atMean, atWeighted;
        bool same;
    };
    PipeGeometry m_bare;
    std::vector<Occupied> m_bins;
    std::vector<qsizetype> m_countFrom;
    std::vector<double> m_vvFrom;
};

// Records that do not follow the pipe's free-running curve (water held back from downstream, a
// level sensor drifting, a fouled velocity probe) lie far from it and pull a plain least-squares
// fit towards them, and with it the sediment estimate. So a fit leaves out the records whose
// residual exceeds kTrimSpreads robust spreads and is repeated until the records left out settle
// (fewer than one in kSettledPer changes). A velocity sensor's error grows with the velocity, so
// residuals are compared as shares of the velocity the fit expects. Their spread is
// kSpreadPerMedian × the median absolute share (the standard deviation when free-running records
// scatter normally), taken over all the records the fit could use, so that up to half of them
// may be astray. A residual below kResidualFloor, about what a velocity sensor resolves, is never
// left out: a survey that follows its curve closely keeps every record.
constexpr double kTrimSpreads = 2.5;
constexpr double kSpreadPerMedian = 1.4826;
constexpr double kResidualFloor = 0.01; // m/s
constexpr std::size_t kSettledPer = 1000;
constexpr int kTrimRounds = 10;
// A record is off the curve only against the geometry that fits the survey: at a wrong sediment
// depth every record near the bottom misses it. So the sweep trims at the file's sediment, sweeps
// over the records kept, trims again at the depth found and sweeps again, until the depth holds.
constexpr int kSweepRounds = 6;

class Trimmer
{
public:
    Trimmer(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities)
        : m_pipe(pipe), m_velocities(velocities), m_surfaces(pipe, levels, velocities),
          m_count(m_surfaces.mm.size())
    {
        if (m_surfaces.binCount == 0)
            return;
        PipeGeometry bare = pipe;
        bare.sediment = 0;
        m_grid.reserve(m_surfaces.binCount + 1);
        for (std::size_t k = 0; k <= m_surfaces.binCount; ++k)
            m_grid.push_back(termsAt(bare, double(k) / SurfaceBins::kPerMm));
    }

    const Surfaces &surfaces() const { return m_surfaces; }
    std::size_t count() const { return m_count; }

    // The fit with the sediment top at depthMm over the records `keep` marks (one flag per record),
    // trimmed as above; `keep` holds the records kept on return. Records at or below the depth are
    // not this fit's and keep their flags.
    LanfearCollFit fitAt(int depthMm, std::vector<char> &keep) const
    {
        const std::vector<double> g = radiusTerms(depthMm);
        LanfearCollFit fit;
        for (int round = 0;; ++round) {
            const SurfaceBins bins(m_pipe, m_surfaces, m_velocities, keep);
            fit = bins.fitAt(depthMm, bins.firstAbove(depthMm));
            if (!fit.valid() || round == kTrimRounds || !retrim(depthMm, fit.coefficient, g, keep))
                break;
        }
        fit.leftOut = leftOut(depthMm, keep);
        return fit;
    }

    // Records above a depth the fits could use that `keep` leaves out.
    qsizetype leftOut(int depthMm, const std::vector<char> &keep) const
    {
        qsizetype out = 0;
        for (std::size_t i = 0; i < m_count; ++i)
            out += !keep[i] && above(i, depthMm) ? 1 : 0;
        return out;
    }

private:
    bool above(std::size_t i, int depthMm) const { return m_surfaces.mm[i] > double(depthMm); }

    // R^(2/3) on the quarter-millimetre grid of surfaces for a sediment top at depthMm; 0 at and
    // below it.
    std::vector<double> radiusTerms(int depthMm) const
    {
        std::vector<double> g(m_grid.size(), 0.0);
        if (m_grid.empty())
            return g;
        const HeightTerms base =
            m_grid[std::min(m_grid.size() - 1, std::size_t(std::max(0, depthMm)) * SurfaceBins::kPerMm)];
        for (std::size_t k = std::size_t(std::max(0, depthMm)) * SurfaceBins::kPerMm + 1; k < g.size(); ++k)
            g[k] = radiusTerm(m_grid[k].area - base.area, m_grid[k].perimeter - base.perimeter + base.width);
        return g;
    }

    // Marks the records above the depth whose residual from v = C·g lies within the trim limit
    // or within the floor, and returns whether more than one mark in kSettledPer changed. The
    // grid is fine enough that interpolating g between its points moves a residual by far less
    // than the limit. The median is that of an evenly spaced sample of some kSampled records: as
    // good a spread, and a million-record survey is spared a selection over all of them per round.
    bool retrim(int depthMm, double coefficient, const std::vector<double> &g, std::vector<char> &keep) const
    {
        constexpr std::size_t kSampled = 65536;
        std::vector<float> share(m_count, std::numeric_limits<float>::quiet_NaN());
        std::vector<char> small(m_count, 0);
        for (std::size_t i = 0; i < m_count; ++i) {
            const double z = m_surfaces.mm[i];
            if (!(z > double(depthMm)))
                continue;
            const double pos = z * SurfaceBins::kPerMm;
            const std::size_t k = std::min(g.size() - 2, static_cast<std::size_t>(pos));
            const double expected = coefficient * (g[k] + (pos - double(k)) * (g[k + 1] - g[k]));
            const double off = std::fabs(double(m_velocities[i]) - expected);
            share[i] = float(off / std::max(expected, 1e-9));
            small[i] = off <= kResidualFloor ? 1 : 0;
        }
        std::vector<float> sample;
        const std::size_t stride = std::max<std::size_t>(1, m_count / kSampled);
        for (std::size_t i = 0; i < m_count; i += stride)
            if (!std::isnan(share[i]))
                sample.push_back(share[i]);
        if (sample.empty())
            return false;
        const auto middle = sample.begin() + std::ptrdiff_t(sample.size() / 2);
        std::nth_element(sample.begin(), middle, sample.end());
        const double limit = kTrimSpreads * kSpreadPerMedian * double(*middle);
        std::size_t changed = 0, candidates = 0;
        for (std::size_t i = 0; i < m_count; ++i) {
            if (std::isnan(share[i]))
                continue;
            ++candidates;
            const char kept = small[i] || double(share[i]) <= limit ? 1 : 0;
            changed += keep[i] != kept ? 1 : 0;
            keep[i] = kept;
        }
        return changed > candidates / kSettledPer;
    }

    PipeGeometry m_pipe;
    std::span<const float> m_velocities;
    Surfaces m_surfaces;
    std::size_t m_count = 0;
    std::vector<HeightTerms> m_grid; // the pipe without sediment below each quarter millimetre
};

// The sweep over the records `keep` marks.
SedimentSweep sweepOver(const PipeGeometry &pipe, const Surfaces &surfaces, std::span<const float> velocities,
                        const std::vector<char> &keep)
{
    SedimentSweep out;
    out.fileMm = static_cast<int>(std::min<quint32>(pipe.sediment, std::numeric_limits<int>::max()));
    const SurfaceBins bins(pipe, surfaces, velocities, keep);
    // Depths up to half the pipe, and none above the highest surface (no record is left there).
    const int lastMm = static_cast<int>(
        std::min(pipeTopMetres(pipe) * 1000.0 / 2.0, double(surfaces.binCount) / Surfaces::kPerMm));
    out.rmseByMm.assign(static_cast<std::size_t>(lastMm + 1), std::numeric_limits<double>::quiet_NaN());
    const qsizetype needed = std::max<qsizetype>(3, (bins.total() + 1) / 2);
    std::size_t first = 0;
    for (int d = 0; d <= lastMm; ++d) {
        first = bins.firstAbove(d, first);
        if (bins.countFrom(first) < needed)
            break;
        const LanfearCollFit fit = bins.fitAt(d, first);
        if (!fit.valid())
            continue;
        out.rmseByMm[static_cast<std::size_t>(d)] = fit.rmse;
        if (out.bestMm < 0 || fit.rmse < out.best.rmse) {
            out.bestMm = d;
            out.best = fit;
        }
    }
    return out;
}

} // namespace

LanfearCollFit fitLanfearColl(const PipeGeometry &pipe, std::span<const float> levels,
                              std::span<const float> velocities)
{
    return sweepSediment(pipe, levels, velocities).fileFit;
}

SedimentSweep sweepSediment(const PipeGeometry &pipe, std::span<const float> levels,
                            std::span<const float> velocities)
{
    const int fileMm = static_cast<int>(std::min<quint32>(pipe.sediment, std::numeric_limits<int>::max()));
    SedimentSweep out;
    if (!pipePossible(pipe)) {
        out.fileMm = fileMm;
        return out;
    }
    const Trimmer trimmer(pipe, levels, velocities);
    std::vector<char> keep(trimmer.count(), 1);
    int depth = fileMm;
    for (int round = 0; round < kSweepRounds; ++round) {
        trimmer.fitAt(depth, keep);
        out = sweepOver(pipe, trimmer.surfaces(), velocities, keep);
        if (out.bestMm < 0 || out.bestMm == depth)
            break;
        depth = out.bestMm;
    }
    if (out.bestMm < 0) {
        // Too few records to sweep: the fit at the file's sediment trims against itself.
        keep.assign(trimmer.count(), 1);
        out.fileFit = trimmer.fitAt(fileMm, keep);
        return out;
    }
    out.best.leftOut = trimmer.leftOut(out.bestMm, keep);
    const SurfaceBins bins(pipe, trimmer.surfaces(), velocities, keep);
    out.fileFit = bins.fitAt(fileMm, bins.firstAbove(fileMm));
    out.fileFit.leftOut = trimmer.leftOut(fileMm, keep);
    out.kept.assign(trimmer.count(), 0);
    for (std::size_t i = 0; i < trimmer.count(); ++i)
        out.kept[i] = keep[i] && trimmer.surfaces().mm[i] > double(out.bestMm) ? 1 : 0;
    return out;
}

int sweepMarked(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities,
                std::span<const char> marked)
{
    const Surfaces surfaces(pipe, levels, velocities);
    std::vector<char> keep(surfaces.mm.size(), 0);
    for (std::size_t i = 0; i < keep.size() && i < marked.size(); ++i)
        keep[i] = marked[i];
    return sweepOver(pipe, surfaces, velocities, keep).bestMm;
}

} // namespace lmv
