#pragma once

// What the survey window's editing works out without widgets: the time range an edit takes from
// the hydrograph's cursors or the daily table's rows, the history rows, the drift offsets from
// the point's visits, and where the raw line shows behind the edited one.

#include "data/PlotSeries.h"
#include "survey/Edits.h"
#include "survey/PointSurvey.h"
#include "survey/Visits.h"

#include <QPointF>
#include <QString>
#include <QVector>

namespace lmv {

// A range of clock seconds for an edit, both ends included.
struct EditRange
{
    bool valid = false;
    qint64 from = 0;
    qint64 to = 0;
    QString message; // why there is none
};

// The range between the records under two cursors (in either order); invalid unless both are
// records of the layer.
EditRange rangeFromRecords(const survey::SurveyLayer &layer, qsizetype a, qsizetype b);
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

} // namespace lmv
