#pragma once

// How the report and the model files write numbers: a point, no group separators, fixed
// decimals, and "-" for a value that is not a number.

#include <QString>

namespace lmv::report {

// A value with a fixed number of decimals ("5076.1"); "-" for NaN or infinity.
QString numberText(double value, int decimals);
// A volume in m³ with one decimal.
inline QString volumeText(double cubicMetres)
{
    return numberText(cubicMetres, 1);
}
// A flow in L/s with two decimals.
inline QString flowText(double litresPerSecond)
{
    return numberText(litresPerSecond, 2);
}
// A value with at most `decimals` decimals, trailing zeros dropped ("0.2", "12", "0.254").
QString shortNumberText(double value, int decimals);

} // namespace lmv::report
