#include "data/Hydraulics.h"

#include "data/CrossSection.h"

namespace lmv {

float wettedArea(const PipeGeometry &pipe, float levelMm)
{
    return section::bandArea<float>(pipe, levelMm);
}

float flowLitresPerSecond(const PipeGeometry &pipe, float levelMm, float velocityMmPerS)
{
    return wettedArea(pipe, levelMm) * velocityMmPerS / 1000.0f / 1000.0f;
}

float recordFlow(const PipeGeometry &pipe, float levelMetres, float velocityMetresPerSecond)
{
    return flowLitresPerSecond(pipe, levelMetres * 1000.0f, velocityMetresPerSecond * 1000.0f);
}

} // namespace lmv
