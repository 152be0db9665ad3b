#pragma once

// A project at a glance: its monitoring points × the days of the survey, each cell the day's
// volume (RVA) or record coverage (RVB) of the point's joined survey, with totals per point and
// per day. Points are read in parallel, each joined and checked as its survey window would.

#include "survey/OverviewRain.h"
#include "survey/ProjectFiles.h"
#include "survey/SurveyJoin.h"

#include <QString>
#include <QVector>

namespace lmv::survey {

struct OverviewCell
{
    qsizetype records = 0;
    qint64 countedSeconds = 0; // under the check's volume rule
    double volumeM3 = 0.0;     // RVA only

    // Share of `days` whole days covered, at most 1.
    double coverage(qsizetype days = 1) const;
};

struct OverviewRow
{
    QString point;
    Family family = Family::Unknown; // Unknown when no file could be read
    QVector<OverviewCell> days;      // one per day of the overview
    OverviewCell total;
    qsizetype files = 0;    // files joined
    qsizetype leftOut = 0;  // files left out
    qsizetype findings = 0; // join findings (conflicts, clocks, pipe changes...)

    double coverage() const { return total.coverage(days.size()); }
};

struct ProjectOverview
{
    QString project;
    qint64 firstDay = 0;             // days since 1970-01-01
    QVector<OverviewRow> rows;       // in the index's order
    QVector<OverviewCell> dayTotals; // per day: RVA volumes summed, records and counted time of all points
    OverviewCell total;
    QVector<OverviewRainRow> rain; // one per gauge of the project, below the totals

    qsizetype dayCount() const { return dayTotals.size(); }
    // The mean coverage of all points on a day.
    double dayCoverage(qsizetype dayIndex) const { return dayTotals[dayIndex].coverage(rows.size()); }
};

// The overview of a project's points over a period (or every day any point has records).
// threads: how many points are read at once (0: as many as the machine has cores).
ProjectOverview computeOverview(const ProjectFiles &project, const SurveyPeriod &period = {},
                                int threads = 0);

} // namespace lmv::survey
