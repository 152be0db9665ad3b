#pragma once

// Text (.txt, tab-separated) and CSV rows of a survey's edited layer, in the columns and number
// format of the data file exports (data/Export.h), with a flag column added when edits exist.

#include "data/Export.h"
#include "survey/SurveyLayer.h"

#include <QByteArray>
#include <QString>

namespace lmv::survey {

// The column line(s) and one row per record of the edited layer, UTF-8, each line ending in
// CR LF; RVA values with each record's own file's corrections. Without flags the rows are those
// of the edited layer exactly as a file's export writes them. With flags a last column
// "数据标记" holds recordFlagText of every row, and the raw records the edits removed are listed
// in time order too (their number and time, the value fields left empty, flag "删除"); filled
// records have an empty number field.
QByteArray formatLayerRows(const SurveyLayer &raw, const SurveyLayer &edited, char separator, bool withFlags);

// Writes formatLayerRows to a file under a temporary name, renamed when complete. ExportOk, or
// ExportWriteFailed (nothing left under the target name).
int exportLayerRows(const SurveyLayer &raw, const SurveyLayer &edited, const QString &targetPath,
                    ExportFormat format, bool withFlags);

} // namespace lmv::survey
