#pragma once

// The survey check as CSV (UTF-8, CR LF, like the record exports): a few key:value lines, the
// RVA daily table with its total, then the findings.

#include "data/SurveyCheck.h"

#include <QByteArray>
#include <QString>

namespace lmv {

// The CSV text of a check.
QByteArray formatCheckCsv(const SurveyCheck &check);
// Writes the CSV under a temporary name and renames it when complete; false when it could not
// be written (an earlier file of that name is then left as it was).
bool exportCheckCsv(const SurveyCheck &check, const QString &targetPath);

} // namespace lmv
