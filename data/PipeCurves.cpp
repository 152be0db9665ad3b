#include "data/PipeCurves.h"

#include "data/CrossSection.h"

#include <algorithm>
#include <cmath>

namespace lmv {

Section sectionAt(const PipeGeometry &pipe, double levelMetres)
{
    if (!(levelMetres > 0.0))
        return {};
    const double levelMm = levelMetres * 1000.0;
    const double area = section::bandArea<double>(pipe, levelMm);
    if (!(area > 0.0))
        return {};
    const section::Boundary<double> b = section::bandBoundary<double>(pipe, levelMm);
    return {area * 1e-6, b.perimeter * 1e-3, b.topWidth * 1e-3};
}

double pipeTopMetres(const PipeGeometry &pipe)
{
    if (pipe.shape == PipeCircle)
        return 2.0 * section::circleRadius<double>(pipe) * 1e-3;
    return pipe.height * 1e-3;
}

double sedimentMetres(const PipeGeometry &pipe)
{
    return pipe.sediment * 1e-3;
}

double fullLevelMetres(const PipeGeometry &pipe)
{
    return pipeTopMetres(pipe) - sedimentMetres(pipe);
}

double manningVelocity(double radius, double slope, double manningN)
{
    if (radius <= 0.0 || slope <= 0.0 || manningN <= 0.0)
        return 0.0;
    return std::cbrt(radius * radius) * std::sqrt(slope) / manningN;
}

double colebrookWhiteVelocity(double radius, double slope, double roughnessMm)
{
    if (radius <= 0.0 || slope <= 0.0)
        return 0.0;
    const double root = std::sqrt(8.0 * kGravity * radius * slope);
    const double ks = std::max(0.0, roughnessMm) * 1e-3;
    return std::max(
        0.0, -2.0 * root * std::log10(ks / (14.8 * radius) + 2.51 * kWaterViscosity / (4.0 * radius * root)));
}

QString frictionProblem(const Friction &f)
{
    if (!(f.slope > 0.0) || !(f.slope <= kMaxSlope))
        return QStringLiteral("坡度 %1 ‰ 不可能 (应大于 0 且不超过 %2 ‰)")
            .arg(f.slope * 1000.0)
            .arg(kMaxSlope * 1000.0);
    if (f.law == FrictionLaw::Manning && (!(f.manningN > 0.0) || !(f.manningN <= kMaxManningN)))
        return QStringLiteral("糙率 n %1 不可能 (应大于 0 且不超过 %2)").arg(f.manningN).arg(kMaxManningN);
    if (f.law == FrictionLaw::ColebrookWhite &&
        (!(f.roughnessMm >= 0.0) || !(f.roughnessMm <= kMaxRoughnessMm)))
        return QStringLiteral("粗糙度 ks %1 mm 不可能 (应为 0-%2 mm)")
            .arg(f.roughnessMm)
            .arg(kMaxRoughnessMm);
    return QString();
}

double frictionVelocity(double radius, const Friction &friction)
{
    return friction.law == FrictionLaw::Manning
               ? manningVelocity(radius, friction.slope, friction.manningN)
               : colebrookWhiteVelocity(radius, friction.slope, friction.roughnessMm);
}

namespace {

// Levels from a small step above the sediment up to `top`, evenly spaced.
std::vector<double> levelSteps(double top, int steps)
{
    std::vector<double> levels;
    if (!(top > 0.0))
        return levels;
    steps = std::max(steps, 2);
    levels.reserve(static_cast<std::size_t>(steps));
    for (int i = 1; i <= steps; ++i)
        levels.push_back(top * i / steps);
    return levels;
}

} // namespace

std::vector<CurvePoint> pipeCurve(const PipeGeometry &pipe, const Friction &friction, int steps)
{
    std::vector<CurvePoint> out;
    for (const double level : levelSteps(fullLevelMetres(pipe), steps)) {
        const Section s = sectionAt(pipe, level);
        if (s.area > 0.0)
            out.push_back({level, frictionVelocity(s.radius(), friction)});
    }
    return out;
}

std::vector<CurvePoint> fittedCurve(const PipeGeometry &pipe, double coefficient, int steps)
{
    std::vector<CurvePoint> out;
    for (const double level : levelSteps(fullLevelMetres(pipe), steps)) {
        const double r = sectionAt(pipe, level).radius();
        if (r > 0.0)
            out.push_back({level, coefficient * std::cbrt(r * r)});
    }
    return out;
}

std::vector<CurvePoint> isoFlowLine(const PipeGeometry &pipe, double flowLitresPerSecond, int steps,
                                    double levelTop)
{
    std::vector<CurvePoint> out;
    const double full = fullLevelMetres(pipe);
    for (const double level : levelSteps(full, steps)) {
        const Section s = sectionAt(pipe, level);
        if (s.area > 0.0)
            out.push_back({level, flowLitresPerSecond * 1e-3 / s.area});
    }
    // A surcharged circle carries the flow through its full bore at any head.
    if (pipe.shape == PipeCircle && !out.empty() && levelTop > full)
        out.push_back({levelTop, out.back().velocity});
    return out;
}

std::vector<CurvePoint> criticalFlowLine(const PipeGeometry &pipe, int steps)
{
    std::vector<CurvePoint> out;
    for (const double level : levelSteps(fullLevelMetres(pipe), steps)) {
        const Section s = sectionAt(pipe, level);
        if (s.area > 0.0 && s.topWidth > 0.0)
            out.push_back({level, std::sqrt(kGravity * s.area / s.topWidth)});
    }
    return out;
}

std::vector<double> roundFlowSteps(double minFlow, double maxFlow, int maxLines)
{
    std::vector<double> out;
    if (!(maxFlow > 0.0) || maxLines <= 0 || !std::isfinite(maxFlow))
        return out;
    const double low = std::max(minFlow, maxFlow * 1e-3);
    double decade = std::pow(10.0, std::floor(std::log10(low)));
    const double mantissas[] = {1.0, 2.0, 5.0};
    for (;; decade *= 10.0) {
        for (const double m : mantissas) {
            const double q = m * decade;
            if (q < low * (1.0 - 1e-12))
                continue;
            out.push_back(q);
            if (q >= maxFlow) {
                if (out.size() > static_cast<std::size_t>(maxLines))
                    out.erase(out.begin(), out.end() - maxLines);
                return out;
            }
        }
    }
}

} // namespace lmv
