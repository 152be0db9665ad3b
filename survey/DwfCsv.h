#pragma once

// A point's dry-weather flow and storm inflow as one CSV file (UTF-8, CR LF): the figures, the
// profiles of flow, level and velocity per time-of-day slot, the days with why each is or is not
// dry, and the storms' inflow with the summary. Numbers without group separators, empty cells
// where a value cannot be told.

#include "survey/PointDwf.h"

#include <QByteArray>
#include <QString>

namespace lmv::survey {

QByteArray dwfCsv(const QString &point, const PointDwf &result);
// Writes dwfCsv under a temporary name, renamed when complete; false (nothing under the target
// name) when it cannot be written.
bool writeDwfCsv(const QString &point, const PointDwf &result, const QString &targetPath);

// Why a day is not dry, in the words of the window and the export ("旱天" for a dry day).
QString dayReasonText(const DayStatus &day);

} // namespace lmv::survey
