#include "data/Hydraulics.h"

#include "data/CrossSection.h"

namespace lmv {

float wettedArea(const PipeGeometry &pipe, float levelMm)
{
    return section::bandArea<float>(pipe, levelMm);
}

float flowLitresPerSecond(const PipeGeometry &pipe, float levelMm, float velocityMmPerS)
{
    return PipeFlow(pipe).litresPerSecond(levelMm, velocityMmPerS);
}

float recordFlow(const PipeGeometry &pipe, float levelMetres, float velocityMetresPerSecond)
{
    return PipeFlow(pipe)(levelMetres, velocityMetresPerSecond);
}

} // namespace lmv
