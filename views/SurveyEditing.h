#pragma once

// What the survey window's editing works out without widgets: the time range an edit takes from
// the hydrograph's cursors or the daily table's rows, the history rows, the drift offsets from
// the point's visits, and where the raw line shows behind the edited one.

#include "data/PlotSeries.h"
#include "survey/Edits.h"
#include "survey/PointSurvey.h"
#include "survey/Visits.h"
#include "views/SurveyContent.h"

#include <QPointF>
#include <QString>
#include <QVector>

#include <optional>
#include <span>

namespace lmv {

// A range of clock seconds for an edit, both ends included.
struct EditRange
{
    bool valid = false;
    qint64 from = 0;
    qint64 to = 0;
    QString message; // why there is none
};

// The range between the records under two cursors (in either order), given the records' clock
// times; invalid unless both are records.
EditRange rangeFromRecords(std::span<const qint64> times, qsizetype a, qsizetype b);
// The range from the earliest to the latest of some records' clock times (selected rows, say);
// invalid with `none` as its message when there are none.
EditRange rangeOfTimes(std::span<const qint64> times, const QString &none);
// The range of whole days (days since 1970-01-01), first to last included.
EditRange rangeFromDays(qint64 firstDay, qint64 lastDay);

// One line of a point's edit history as the window lists it.
struct EditHistoryRow
{
    qint64 id = 0;
    QString op;
    QString range;  // "2024-03-12 10:00:00 至 2024-03-12 10:05:00"
    QString values; // what the op took ("+12.0 mm", "×0.950", "最大间隔 30 min"), "-" for remove
    QString reason;
    QString user;
    QString created; // "yyyy-MM-dd HH:mm:ss" of this computer
    QString file;    // the file a file's own window edited; empty for the survey
    bool undone = false;
    double volumeM3 = 0.0; // edited − before, by the daily table's rule
};

// The history of a point in id order, undone edits included, with each edit's volume change
// over the whole survey.
QVector<EditHistoryRow> editHistoryRows(const survey::PointSurvey &point);

// The visits' level differences (manual − logger) at their times, withdrawn visits and visits
// without a manual depth or a logger record near them passed over.
std::vector<survey::VisitDifference> visitDifferences(const QVector<survey::Visit> &visits,
                                                      const survey::SurveyLayer &layer);

// Where the raw values of one series differ from the edited ones (a record changed or removed):
// each stretch of raw points in plot coordinates (seconds, shown value), with the raw record on
// either side so that the faint line meets the edited one. Both data sets in time order.
QVector<QVector<QPointF>> rawStretches(const PlotData &raw, const PlotData &edited, int series);

// Stores an edit of the point a content shows, checked against its whole raw layer: false with
// *error when the edits cannot be stored (no database, the edits unreadable) or it is refused.
bool storeShownEdit(survey::ProjectDb *db, const SurveyContent &content, survey::Edit &edit, QString *error);

// What an undo or a redo did.
struct HistoryStep
{
    bool done = false;
    qint64 id = 0;
    QString message; // "已撤销修正 3", or why nothing was done
};

// The latest edit of a history not undone, or nothing.
std::optional<qint64> latestEditInForce(const std::vector<survey::Edit> &edits);
// Undoes the latest edit in force as the point's history (as last read) shows it: another
// window's newer edit is not undone from here unseen.
HistoryStep undoShownEdit(survey::ProjectDb *db, const survey::PointSurvey &point);
// Redoes the edit that redo would bring back when the history was read (`redoable`).
HistoryStep redoShownEdit(survey::ProjectDb *db, const survey::PointSurvey &point,
                          std::optional<qint64> redoable);

} // namespace lmv
