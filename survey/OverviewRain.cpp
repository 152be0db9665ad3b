#include "survey/OverviewRain.h"

#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"

#include <QFileInfo>

#include <cmath>

namespace lmv::survey {

QVector<OverviewRainRow> overviewRain(const ProjectDb &db, qint64 firstDay, qsizetype dayCount)
{
    QVector<OverviewRainRow> rows;
    if (!db.readable() || dayCount <= 0)
        return rows;
    const QVector<GaugeInfo> gauges = projectGauges(db);
    for (const GaugeInfo &gauge : gauges) {
        OverviewRainRow row;
        row.gauge = gauge.name;
        row.points = gauge.points;
        row.days.fill(std::nan(""), dayCount);
        RainSeries series;
        if (!loadGaugeSeries(db, gauge.name, series, &row.problem)) {
            rows << row;
            continue;
        }
        for (qsizetype d = 0; d < dayCount; ++d) {
            const qint64 from = (firstDay + d) * 86400;
            const qint64 to = from + 86400;
            if (coveredSeconds(series, from, to) <= 0)
                continue;
            row.days[d] = depthBetween(series, from, to);
            row.total += row.days[d];
        }
        rows << row;
    }
    return rows;
}

QVector<OverviewRainRow> overviewRain(const QString &indexPath, qint64 firstDay, qsizetype dayCount)
{
    if (indexPath.isEmpty())
        return {};
    const QString path = ProjectDb::pathFor(indexPath);
    // Nothing is made for a project without a database.
    if (!QFileInfo::exists(path))
        return {};
    const ProjectDb db(path);
    return overviewRain(db, firstDay, dayCount);
}

} // namespace lmv::survey
