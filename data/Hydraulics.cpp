#include "data/Hydraulics.h"

#include "data/CrossSection.h"

namespace lmv {

float wettedArea(const PipeGeometry &pipe, float levelMm)
{
    return section::bandArea<float>(pipe, levelMm);
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
