#pragma once

// The rain rows of a project's overview: each gauge of the project with its depth per day.

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

namespace lmv::survey {

class ProjectDb;

struct OverviewRainRow
{
    QString gauge;
    QStringList points;   // the points it serves
    QVector<double> days; // depth (mm) that fell on each day; NaN where the gauge covers none of it
    double total = 0.0;   // over the days shown
    QString problem;      // why its series could not be read (days all NaN)
};

// Rain of each gauge over `dayCount` days from firstDay (days since 1970-01-01 on the loggers'
// clock): a day holds the intervals and tips whose time lies in (its 00:00, next 00:00].
QVector<OverviewRainRow> overviewRain(const ProjectDb &db, qint64 firstDay, qsizetype dayCount);
// The same from the database beside a project index (none without one).
QVector<OverviewRainRow> overviewRain(const QString &indexPath, qint64 firstDay, qsizetype dayCount);

} // namespace lmv::survey
