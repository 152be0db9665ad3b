#pragma once

// Wetted area and flow of a pipe or channel with a sediment layer at its bottom.
// All arithmetic is single precision; lengths are millimetres.

#include "data/Records.h"

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

} // namespace lmv
