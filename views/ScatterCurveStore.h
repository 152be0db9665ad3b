#pragma once

// The pipe curve input of "散点图" (slope, law, roughness) belongs to a monitoring point: each
// point keeps its own, and showing another point's file brings that point's back. Kept in the
// user's settings under the project and point names for now; these two functions are all the
// window knows of where.

#include "plots/ScatterPanel.h"

#include <QString>

// The input kept for a point; defaultCurveInput() when there is none (or no names).
CurveInput loadCurveInput(const QString &project, const QString &point);
// Keeps the input for a point (nothing without names).
void saveCurveInput(const QString &project, const QString &point, const CurveInput &input);
