#pragma once

// A point's edits as the project database keeps them: one row per edit in `edit`, never deleted,
// and one row in `edit_event` for everything done to it ("add", "undo", "redo": who and when).
// Every call reads the database afresh and every change is one transaction, so two windows of a
// project (two ProjectDb on one file) see each other's edits on their next read and never write
// back what they read earlier.
//
// Undo takes the point's latest edit not undone. Redo brings back the edit undone last, as long
// as no edit of the point was added after that undo: a new edit ends what can be redone, as in
// any editor. Undoing several edits and redoing them brings them back in the reverse order.

#include "survey/Edits.h"

#include <QString>

#include <optional>
#include <vector>

namespace lmv::survey {

class ProjectDb;

// The edits of a point in id order, undone ones included; empty when the database is absent or
// holds none. Rows of an op this program does not know are passed over and counted in *skipped.
std::vector<Edit> editsOf(const ProjectDb &db, const QString &point, int *skipped = nullptr);

// The edits of a list that are not undone, in the order given.
std::vector<Edit> activeEdits(const std::vector<Edit> &edits);

// Adds an edit to a point in one transaction. It is checked (validateEdit) against the edited
// layer that the point's edits, as the database holds them at that moment, make of `raw`: the raw
// layer of the point's whole survey (PointSurvey::wholeRaw()). The user and time are this
// process's login name and now. On success edit.id, user, created and undone are set; false with
// *error (Chinese) when refused or not written, and nothing is stored.
bool addEdit(ProjectDb &db, const QString &point, const SurveyLayer &raw, Edit &edit,
             QString *error = nullptr);

// The edit undo would take (the latest not undone), or nothing.
std::optional<qint64> undoableEdit(const ProjectDb &db, const QString &point);
// The edit redo would bring back, or nothing.
std::optional<qint64> redoableEdit(const ProjectDb &db, const QString &point);

// Undoes the point's latest edit not undone: marks it and records the event. With `expected`, only
// when that is the edit undo would take (a window that showed it, while another added one since).
// The edit's id in *id; false with *error when there is nothing to undo or it was not written.
bool undoEdit(ProjectDb &db, const QString &point, qint64 *id = nullptr, QString *error = nullptr,
              std::optional<qint64> expected = std::nullopt);
// Redoes the edit redoableEdit() names, in the same way.
bool redoEdit(ProjectDb &db, const QString &point, qint64 *id = nullptr, QString *error = nullptr,
              std::optional<qint64> expected = std::nullopt);

} // namespace lmv::survey
