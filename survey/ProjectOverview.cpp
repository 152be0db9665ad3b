#include "survey/ProjectOverview.h"

#include "survey/SurveyFigures.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>

namespace lmv::survey {

namespace {

constexpr double kDaySeconds = 86400.0;

// One point's days before they are placed on the overview's common days.
struct PointDays
{
    OverviewRow row;
    QVector<DayVolume> days;
};

PointDays pointDays(const QString &project, const PointFiles &point, const SurveyPeriod &period)
{
    PointDays out;
    out.row.point = point.name;
    const JoinedSurvey survey = readSurvey(project, point, period);
    out.row.files = qsizetype(survey.layer.sources.size());
    out.row.leftOut = survey.leftOut.size();
    out.row.findings = survey.findings.size() + qsizetype(survey.conflicts.size());
    if (survey.layer.empty())
        return out;
    out.row.family = survey.layer.family;
    // The same table as the survey window's, without the period's empty days (the overview
    // adds its own).
    out.days = checkSurvey(survey.layer).days;
    return out;
}

} // namespace

double OverviewCell::coverage(qsizetype days) const
{
    if (days <= 0)
        return 0.0;
    return std::min(1.0, double(countedSeconds) / (double(days) * kDaySeconds));
}

ProjectOverview computeOverview(const ProjectFiles &project, const SurveyPeriod &period, int threads)
{
    ProjectOverview out;
    out.project = project.name;
    const qsizetype points = project.points.size();
    std::vector<PointDays> results(static_cast<std::size_t>(points));
    std::atomic<qsizetype> next{0};
    const auto work = [&]() {
        for (qsizetype i = next++; i < points; i = next++)
            results[std::size_t(i)] = pointDays(project.name, project.points[i], period);
    };
    const qsizetype workers =
        std::min<qsizetype>(points, threads > 0 ? threads : QThread::idealThreadCount());
    std::vector<std::thread> pool;
    for (qsizetype w = 1; w < workers; ++w)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();

    qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
    for (const PointDays &p : results)
        if (!p.days.isEmpty()) {
            first = std::min(first, p.days.front().day);
            last = std::max(last, p.days.back().day);
        }
    const bool anyDay = first <= last;
    if (period.from)
        first = dayOf(*period.from);
    if (period.to)
        last = dayOf(*period.to);
    if (!anyDay && !period.from && !period.to) {
        first = 0;
        last = -1;
    } else if (!anyDay) {
        first = period.from ? first : last;
        last = period.to ? last : first;
    }
    last = std::max(last, first - 1); // a period that ends before it starts has no day
    out.firstDay = first;
    const qsizetype dayCount = qsizetype(last - first + 1);
    out.dayTotals.resize(dayCount);
    for (PointDays &p : results) {
        OverviewRow row = std::move(p.row);
        row.days.resize(dayCount);
        for (const DayVolume &d : std::as_const(p.days)) {
            if (d.day < first || d.day > last)
                continue; // a record's last interval reaching past the period's end
            OverviewCell &cell = row.days[qsizetype(d.day - first)];
            cell.records = d.records;
            cell.countedSeconds = d.countedSeconds;
            cell.volumeM3 = d.volumeM3;
        }
        for (qsizetype k = 0; k < dayCount; ++k) {
            const OverviewCell &cell = row.days[k];
            row.total.records += cell.records;
            row.total.countedSeconds += cell.countedSeconds;
            row.total.volumeM3 += cell.volumeM3;
            out.dayTotals[k].records += cell.records;
            out.dayTotals[k].countedSeconds += cell.countedSeconds;
            out.dayTotals[k].volumeM3 += cell.volumeM3;
        }
        out.total.records += row.total.records;
        out.total.countedSeconds += row.total.countedSeconds;
        out.total.volumeM3 += row.total.volumeM3;
        out.rows.push_back(std::move(row));
    }
    return out;
}

} // namespace lmv::survey
