#pragma once

// Editing from a single file's record window, worked out without widgets: which of the point's
// edits touch the file, and the file's records as the point's edited layer holds them. An edit
// made in the file's own window touches it; an edit of the whole survey touches it when its range
// reaches the file's records (raw, or filled ones a fill gave to the file).

#include "survey/Edits.h"
#include "survey/PointSurvey.h"

#include <QString>

namespace lmv {

// One file of a point's survey, raw and edited.
struct FileEditView
{
    QString fileName;        // the file's name in the survey (SurveySource::name); empty: not joined
    int editsInForce = 0;    // edits not undone that touch the file
    survey::SurveyLayer raw; // the file's records in the raw layer, in time order
    // The file's records in the edited layer (filled ones included, removed ones not), in time
    // order, with their flags.
    survey::SurveyLayer edited;
    qsizetype removed = 0;   // raw records of the file the edits left out
    qsizetype filled = 0;    // records fills gave to the file
    qsizetype corrected = 0; // records whose level or velocity an edit changed
    qint64 first = 1;        // clock seconds of the earliest and the latest of its records, raw
    qint64 last = 0;         // or edited (first > last: none)

    bool touched() const { return editsInForce > 0; }
};

// The records of a layer that come from the file at `path`, in the layer's order; the layer's
// list of sources is kept as it is.
survey::SurveyLayer fileRecords(const survey::SurveyLayer &layer, const QString &path);

// Whether an edit (in force or undone) touches a file: an edit of that file's window does, an
// edit of another file's window does not, an edit of the survey does when its range reaches the
// file's records.
bool editTouchesFile(const survey::Edit &edit, const FileEditView &file);

// The file at `path` in a point's survey read without a period.
FileEditView fileEditView(const survey::PointSurvey &point, const QString &path);

// The edit bar's line: how many edits touch the file and what they did to its records (the
// kinds that did nothing left out).
QString fileEditSummary(const FileEditView &view);

} // namespace lmv
