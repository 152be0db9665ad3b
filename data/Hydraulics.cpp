#include "data/Hydraulics.h"

#include <algorithm>
#include <cmath>

namespace lmv {

namespace {

float circleArea(const PipeGeometry &pipe, float level)
{
    // The radius is halved as an integer: an odd diameter loses half a millimetre.
    const auto r = static_cast<float>(pipe.diameter / 2);
    if (r <= 0.0f)
        return 0.0f;
    const auto s = static_cast<float>(pipe.sediment);
    // Heights from the centre. Values outside [-r, r] (sediment above the top, a level below the
    // bottom) would make the arcsine undefined; they are clamped to the circle.
    const float y1 = std::clamp(std::min(2.0f * r, level + s) - r, -r, r);
    const float y0 = std::clamp(s - r, -r, r);
    const float t1 = std::asin(std::clamp(y1 / r, -1.0f, 1.0f));
    const float t0 = std::asin(std::clamp(y0 / r, -1.0f, 1.0f));
    return (t1 - t0) * r * r + (y1 * std::cos(t1) - y0 * std::cos(t0)) * r;
}

float rectangleArea(const PipeGeometry &pipe, float level)
{
    const auto s = static_cast<float>(pipe.sediment);
    const float h = std::min(static_cast<float>(pipe.height), level + s);
    return static_cast<float>(pipe.width) * (h - s);
}

float trapezoidArea(const PipeGeometry &pipe, float level)
{
    if (pipe.height == 0)
        return 0.0f;
    const auto H = static_cast<float>(pipe.height);
    const auto low = static_cast<float>(pipe.lowerBase);
    const auto up = static_cast<float>(pipe.upperBase);
    const auto s = static_cast<float>(pipe.sediment);
    const float h = std::min(H, level + s);
    if (low >= up)
        return ((2.0f * H - h - s) * (low - up) * 0.5f / H + up) * (h - s);
    return ((h + s) * (up - low) * 0.5f / H + low) * (h - s);
}

float triangleArea(const PipeGeometry &pipe, float level)
{
    if (pipe.height == 0)
        return 0.0f;
    const auto H = static_cast<float>(pipe.height);
    const auto s = static_cast<float>(pipe.sediment);
    const float h = std::min(H, level + s);
    return (s + h) * (h - s) * static_cast<float>(pipe.width) * 0.5f / H;
}

} // namespace

float wettedArea(const PipeGeometry &pipe, float levelMm)
{
    switch (pipe.shape) {
    case PipeCircle:
        return circleArea(pipe, levelMm);
    case PipeRectangle:
        return rectangleArea(pipe, levelMm);
    case PipeTrapezoid:
        return trapezoidArea(pipe, levelMm);
    case PipeTriangle:
        return triangleArea(pipe, levelMm);
    default:
        return 0.0f;
    }
}

float flowLitresPerSecond(const PipeGeometry &pipe, float levelMm, float velocityMmPerS)
{
    // A level that is not a number would slip past the cap at the top of the pipe (min(H, NaN)
    // gives H) and read as a full pipe; an unreadable measurement carries no flow.
    if (!std::isfinite(levelMm) || !std::isfinite(velocityMmPerS))
        return 0.0f;
    return wettedArea(pipe, levelMm) * velocityMmPerS / 1000.0f / 1000.0f;
}

float recordFlow(const PipeGeometry &pipe, float levelMetres, float velocityMetresPerSecond)
{
    return flowLitresPerSecond(pipe, levelMetres * 1000.0f, velocityMetresPerSecond * 1000.0f);
}

} // namespace lmv
