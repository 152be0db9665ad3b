#pragma once

// The cells of the overview's rain rows: a gauge's depth per day in mm with one decimal, its
// total in the total column, empty where the gauge covers none of the day.

#include "survey/OverviewRain.h"

#include <QVariant>

// The text of a day's (or the total's) rain; empty where not covered.
QString overviewRainText(double depthMm);
// A rain row's cell for a role; column `days` (past the last day) is the total.
QVariant overviewRainData(const lmv::survey::OverviewRainRow &row, int column, int role);
// Its name beside the row ("雨量计_城东 (mm)") and the tip naming its points.
QVariant overviewRainHeader(const lmv::survey::OverviewRainRow &row, int role);
