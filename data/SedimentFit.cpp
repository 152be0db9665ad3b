#include "data/SedimentFit.h"

#include "data/CrossSection.h"
#include "data/PipeCurves.h"

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
    static constexpr int kPerMm = 4;

    SurfaceBins(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities)
        : m_bare(pipe)
    {
        m_bare.sediment = 0;
        const double topMm = pipeTopMetres(pipe) * 1000.0;
        if (!(topMm > 0.0) || pipe.shape > PipeTriangle)
            return;
        const auto binCount = static_cast<std::size_t>(std::ceil(topMm * kPerMm));
        std::vector<SurfaceBin> bins(binCount);
        const std::size_t n = std::min(levels.size(), velocities.size());
        for (std::size_t i = 0; i < n; ++i) {
            double z = 0.0;
            if (!usable(pipe, topMm, levels[i], velocities[i], z))
                continue;
            // Bin k holds the surfaces in (k, k + 1] quarter millimetres.
            const auto k =
                std::min(binCount - 1, static_cast<std::size_t>(std::max(0.0, std::ceil(z * kPerMm) - 1.0)));
            const double v = velocities[i];
            SurfaceBin &b = bins[k];
            ++b.count;
            b.sumV += v;
            b.sumVV += v * v;
            b.sumZ += z;
            b.sumVZ += v * z;
        }
        for (std::size_t k = 0; k < binCount; ++k) {
            const SurfaceBin &b = bins[k];
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

} // namespace

LanfearCollFit fitLanfearColl(const PipeGeometry &pipe, std::span<const float> levels,
                              std::span<const float> velocities)
{
    const SurfaceBins bins(pipe, levels, velocities);
    return bins.fitAt(static_cast<int>(pipe.sediment), bins.firstAbove(static_cast<int>(pipe.sediment)));
}

SedimentSweep sweepSediment(const PipeGeometry &pipe, std::span<const float> levels,
                            std::span<const float> velocities)
{
    SedimentSweep out;
    out.fileMm = static_cast<int>(pipe.sediment);
    const SurfaceBins bins(pipe, levels, velocities);
    const int lastMm = static_cast<int>(pipeTopMetres(pipe) * 1000.0 / 2.0);
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

} // namespace lmv
