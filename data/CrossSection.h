#pragma once

// The wetted band of a pipe or channel between the top of its sediment layer and the water
// surface: area, wetted perimeter and top width. Written once for any floating-point type: the
// flow of every record uses it in single precision, the hydraulic curves and fits in double.
// Lengths are millimetres; the level is measured from the top of the sediment.

#include "data/Records.h"

#include <algorithm>
#include <cmath>

namespace lmv::section {

// Radius of a circle: the diameter is halved as an integer, an odd diameter loses half a millimetre.
template <typename F>
F circleRadius(const PipeGeometry &pipe)
{
    return static_cast<F>(pipe.diameter / 2);
}

// Angles (asin of the height over the radius, from the centre) of the sediment top and the water
// surface of a circle. Heights outside [-r, r] (sediment above the top, a level below the bottom)
// would make the arcsine undefined; they are clamped to the circle.
template <typename F>
struct CircleBand
{
    F r, y0, y1, t0, t1;
};

template <typename F>
CircleBand<F> circleBand(const PipeGeometry &pipe, F level)
{
    const F r = circleRadius<F>(pipe);
    const auto s = static_cast<F>(pipe.sediment);
    const F y1 = std::clamp(std::min(F(2) * r, level + s) - r, -r, r);
    const F y0 = std::clamp(s - r, -r, r);
    const F t1 = std::asin(std::clamp(y1 / r, F(-1), F(1)));
    const F t0 = std::asin(std::clamp(y0 / r, F(-1), F(1)));
    return {r, y0, y1, t0, t1};
}

// The side of a circle's band that does not move with the water: the sediment top's angle and
// its height times the angle's cosine. Worked out once for a pipe, each level's area then costs
// one arcsine and one cosine instead of two of each, with the same result to the last bit.
template <typename F>
struct CircleBottom
{
    F r, s, t0, y0cos;
};

template <typename F>
CircleBottom<F> circleBottom(const PipeGeometry &pipe)
{
    const F r = circleRadius<F>(pipe);
    const auto s = static_cast<F>(pipe.sediment);
    const F y0 = std::clamp(s - r, -r, r);
    const F t0 = r > F(0) ? std::asin(std::clamp(y0 / r, F(-1), F(1))) : F(0);
    return {r, s, t0, y0 * std::cos(t0)};
}

// circleBand's water side and the area of the band, in the order circleArea has always summed it.
template <typename F>
F circleArea(const CircleBottom<F> &b, F level)
{
    if (b.r <= F(0))
        return F(0);
    const F y1 = std::clamp(std::min(F(2) * b.r, level + b.s) - b.r, -b.r, b.r);
    const F t1 = std::asin(std::clamp(y1 / b.r, F(-1), F(1)));
    return (t1 - b.t0) * b.r * b.r + (y1 * std::cos(t1) - b.y0cos) * b.r;
}

template <typename F>
F circleArea(const PipeGeometry &pipe, F level)
{
    return circleArea(circleBottom<F>(pipe), level);
}

template <typename F>
F rectangleArea(const PipeGeometry &pipe, F level)
{
    const auto s = static_cast<F>(pipe.sediment);
    const F h = std::min(static_cast<F>(pipe.height), level + s);
    return static_cast<F>(pipe.width) * (h - s);
}

// The width at height y above the bottom varies linearly from the lower to the upper base. Two
// algebraically equal forms of the band's area, chosen by which base is wider.
template <typename F>
F trapezoidArea(const PipeGeometry &pipe, F level)
{
    if (pipe.height == 0)
        return F(0);
    const auto H = static_cast<F>(pipe.height);
    const auto low = static_cast<F>(pipe.lowerBase);
    const auto up = static_cast<F>(pipe.upperBase);
    const auto s = static_cast<F>(pipe.sediment);
    const F h = std::min(H, level + s);
    if (low >= up)
        return ((F(2) * H - h - s) * (low - up) * F(0.5) / H + up) * (h - s);
    return ((h + s) * (up - low) * F(0.5) / H + low) * (h - s);
}

// Apex at the bottom, `width` measured at the top of the height.
template <typename F>
F triangleArea(const PipeGeometry &pipe, F level)
{
    if (pipe.height == 0)
        return F(0);
    const auto H = static_cast<F>(pipe.height);
    const auto s = static_cast<F>(pipe.sediment);
    const F h = std::min(H, level + s);
    return (s + h) * (h - s) * static_cast<F>(pipe.width) * F(0.5) / H;
}

// Wetted area in mm². The water surface is capped at the top of the pipe; negative levels give
// negative areas; an unknown shape gives 0.
template <typename F>
F bandArea(const PipeGeometry &pipe, F level)
{
    switch (pipe.shape) {
    case PipeCircle:
        return circleArea(pipe, level);
    case PipeRectangle:
        return rectangleArea(pipe, level);
    case PipeTrapezoid:
        return trapezoidArea(pipe, level);
    case PipeTriangle:
        return triangleArea(pipe, level);
    default:
        return F(0);
    }
}

// Width of an open channel at height y above its bottom (y within [0, height]).
template <typename F>
F channelWidthAt(const PipeGeometry &pipe, F y)
{
    const auto H = static_cast<F>(pipe.height);
    switch (pipe.shape) {
    case PipeRectangle:
        return static_cast<F>(pipe.width);
    case PipeTrapezoid:
        return H > F(0) ? static_cast<F>(pipe.lowerBase) +
                              (static_cast<F>(pipe.upperBase) - static_cast<F>(pipe.lowerBase)) * y / H
                        : F(0);
    case PipeTriangle:
        return H > F(0) ? static_cast<F>(pipe.width) * y / H : F(0);
    default:
        return F(0);
    }
}

// Wetted perimeter and top width in mm for a positive level. The top of the sediment is part of
// the wetted perimeter. A circle at or above its crown runs full bore (the whole boundary above
// the sediment, no free surface); an open channel above its height keeps its full-height values.
template <typename F>
struct Boundary
{
    F perimeter = F(0);
    F topWidth = F(0);
};

template <typename F>
Boundary<F> bandBoundary(const PipeGeometry &pipe, F level)
{
    if (pipe.shape == PipeCircle) {
        if (circleRadius<F>(pipe) <= F(0))
            return {};
        const CircleBand<F> b = circleBand(pipe, level);
        const bool full = level + static_cast<F>(pipe.sediment) >= F(2) * b.r;
        const F bed = F(2) * b.r * std::cos(b.t0);
        return {F(2) * b.r * (b.t1 - b.t0) + bed, full ? F(0) : F(2) * b.r * std::cos(b.t1)};
    }
    if (pipe.shape > PipeTriangle)
        return {};
    const auto s = static_cast<F>(pipe.sediment);
    const F h = std::min(static_cast<F>(pipe.height), level + s);
    const F bottom = channelWidthAt(pipe, s);
    const F top = channelWidthAt(pipe, h);
    const F side = std::hypot(h - s, (top - bottom) / F(2));
    return {bottom + F(2) * side, top};
}

} // namespace lmv::section
