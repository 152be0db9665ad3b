#pragma once

// Wetted area and flow of a pipe or channel with a sediment layer at its bottom.
// All arithmetic is single precision; lengths are millimetres.

#include "data/CrossSection.h"
#include "data/Records.h"

#include <cmath>

namespace lmv {

// Wetted cross-section in mm² for a level (mm, measured from the top of the sediment).
// The water surface is capped at the top of the pipe; negative levels give negative areas.
// Degenerate pipes (radius 0, height 0, heights outside the circle) give the area of the clamped
// geometry and never a NaN or an infinity.
float wettedArea(const PipeGeometry &pipe, float levelMm);

// Flow in L/s: wettedArea × velocity / 1000 / 1000; 0 when the level or the velocity is not a
// finite number.
float flowLitresPerSecond(const PipeGeometry &pipe, float levelMm, float velocityMmPerS);

// Flow in L/s of a stored record (level in m, velocity in m/s), as files and tables recompute it.
float recordFlow(const PipeGeometry &pipe, float levelMetres, float velocityMetresPerSecond);

// The flows of one pipe's records: flowLitresPerSecond and recordFlow work through it. What does
// not change from record to record (a circle's sediment side) is worked out when it is made, so a
// pass over many records costs one arcsine and one cosine each instead of two of each, for the
// same values to the last bit.
class PipeFlow
{
public:
    PipeFlow() = default;
    explicit PipeFlow(const PipeGeometry &pipe) : m_pipe(pipe), m_circle(pipe.shape == PipeCircle)
    {
        if (m_circle)
            m_bottom = section::circleBottom<float>(pipe);
    }

    // Flow in L/s from a level in mm and a velocity in mm/s (flowLitresPerSecond).
    float litresPerSecond(float levelMm, float velocityMmPerS) const
    {
        // A level that is not a number would slip past the cap at the top of the pipe (min(H, NaN)
        // gives H) and read as a full pipe; an unreadable measurement carries no flow.
        if (!std::isfinite(levelMm) || !std::isfinite(velocityMmPerS))
            return 0.0f;
        const float area =
            m_circle ? section::circleArea(m_bottom, levelMm) : section::bandArea(m_pipe, levelMm);
        return area * velocityMmPerS / 1000.0f / 1000.0f;
    }

    // Flow in L/s of a stored record: level in m, velocity in m/s (recordFlow).
    float operator()(float levelMetres, float velocityMetresPerSecond) const
    {
        return litresPerSecond(levelMetres * 1000.0f, velocityMetresPerSecond * 1000.0f);
    }

private:
    PipeGeometry m_pipe{};
    bool m_circle = false;
    section::CircleBottom<float> m_bottom{};
};

} // namespace lmv
