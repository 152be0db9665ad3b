#pragma once

// Hydraulic reference curves of a pipe or channel, in SI units (metres, m/s, m², L/s for flows):
// the wetted section at a level, the velocity a pipe carries at a level for a slope and a
// roughness (Manning or Colebrook-White), iso-flow lines and the critical-flow line. Levels are
// measured from the top of the sediment, as records store them.

#include "data/Records.h"

#include <QString>

#include <vector>

namespace lmv {

constexpr double kGravity = 9.81;           // m/s²
constexpr double kWaterViscosity = 1.31e-6; // m²/s, water at 10 °C
constexpr double kDefaultManningN = 0.013;  // s/m^(1/3)
constexpr double kDefaultRoughnessMm = 1.5; // ks of Colebrook-White

// Wetted area (m²), wetted perimeter (m) and top width (m) at one level.
struct Section
{
    double area = 0.0;
    double perimeter = 0.0;
    double topWidth = 0.0;
    // Hydraulic radius A / P in m; 0 for a dry section.
    double radius() const { return perimeter > 0.0 ? area / perimeter : 0.0; }
};

// The section at a level in metres above the sediment; a dry section (all 0) for levels at or
// below 0, unknown shapes and pipes without a cross-section.
Section sectionAt(const PipeGeometry &pipe, double levelMetres);

// Height in metres of the top of the pipe (circle crown) or channel, above the bottom.
double pipeTopMetres(const PipeGeometry &pipe);
// Sediment thickness in metres.
double sedimentMetres(const PipeGeometry &pipe);
// Level (above the sediment) of the pipe's top; at or above it a circle is surcharged and an
// open channel overtops.
double fullLevelMetres(const PipeGeometry &pipe);

enum class FrictionLaw
{
    Manning,
    ColebrookWhite
};

// Slope and roughness of a pipe curve.
struct Friction
{
    FrictionLaw law = FrictionLaw::Manning;
    double slope = 0.0;                       // m/m
    double manningN = kDefaultManningN;       // Manning's n
    double roughnessMm = kDefaultRoughnessMm; // Colebrook-White ks in mm
};

// Limits of a friction a pipe curve is drawn with: slope above 0 and at most 1000 ‰, Manning's
// n above 0 and at most 1, Colebrook-White ks from 0 (smooth) to 100 mm.
constexpr double kMaxSlope = 1.0; // m/m
constexpr double kMaxManningN = 1.0;
constexpr double kMaxRoughnessMm = 100.0;
// Why a slope and roughness cannot be (the value with its unit), empty when they can. The slope
// is named in ‰ as the user enters it.
QString frictionProblem(const Friction &friction);

// v = R^(2/3) · S^(1/2) / n; 0 for a non-positive radius, slope or n.
double manningVelocity(double radius, double slope, double manningN);
// v = −2 √(8gRS) · log10(ks / (14.8 R) + 2.51 ν / (4 R √(8gRS))); 0 for a non-positive radius or
// slope, and 0 where the law breaks down (a roughness too large for so shallow a section makes
// the logarithm positive): no negative velocity.
double colebrookWhiteVelocity(double radius, double slope, double roughnessMm);
// The velocity of the chosen law at a hydraulic radius.
double frictionVelocity(double radius, const Friction &friction);

// A point of a reference line on the scattergraph.
struct CurvePoint
{
    double level = 0.0;    // m above the sediment
    double velocity = 0.0; // m/s
};

// The pipe curve from just above the sediment to the top of the pipe, `steps` levels (≥ 2).
std::vector<CurvePoint> pipeCurve(const PipeGeometry &pipe, const Friction &friction, int steps);
// v = Q / A(level) for a flow in L/s, over the same levels; above the crown of a circle the area
// stays full, so the line goes on vertically up to `levelTop`.
std::vector<CurvePoint> isoFlowLine(const PipeGeometry &pipe, double flowLitresPerSecond, int steps,
                                    double levelTop);
// v = C · R^(2/3) over the same levels: the curve of a Lanfear-Coll fit.
std::vector<CurvePoint> fittedCurve(const PipeGeometry &pipe, double coefficient, int steps);
// Froude number 1, v = √(g·A/T), where the section has a free surface (T > 0).
std::vector<CurvePoint> criticalFlowLine(const PipeGeometry &pipe, int steps);

// Round flows in 1-2-5 steps for iso-flow lines over a survey's flows (L/s): the values within
// [minFlow, maxFlow] and the next one above, at most `maxLines` (the smallest are dropped).
std::vector<double> roundFlowSteps(double minFlow, double maxFlow, int maxLines);

} // namespace lmv
