#include "views/SurveyEditing.h"

#include "data/SurveyCheck.h"
#include "survey/EditStore.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace lmv {

using namespace survey;

namespace {

constexpr qint64 kDaySeconds = 86400;

QString signedMm(double mm)
{
    return QStringLiteral("%1%2 mm").arg(mm >= 0 ? QStringLiteral("+") : QString()).arg(mm, 0, 'f', 1);
}

QString valuesText(const Edit &e)
{
    switch (e.op) {
    case EditOp::Remove:
        return QStringLiteral("-");
    case EditOp::Fill:
        return QStringLiteral("最大间隔 %1 min").arg(double(e.maxGapSeconds) / 60.0, 0, 'g', 6);
    case EditOp::Offset:
        return signedMm(e.value);
    case EditOp::Drift:
        return QStringLiteral("%1 → %2").arg(signedMm(e.value), signedMm(e.value2));
    case EditOp::VelocityFactor:
        return QStringLiteral("×%1").arg(e.value, 0, 'f', 3);
    }
    return {};
}

} // namespace

EditRange rangeFromRecords(std::span<const qint64> times, qsizetype a, qsizetype b)
{
    EditRange r;
    const auto n = qsizetype(times.size());
    if (a < 0 || b < 0 || a >= n || b >= n) {
        r.message = QStringLiteral("请先在过程线上设置光标 A 和 B (单击设 A, Shift+单击设 B)");
        return r;
    }
    const qint64 ta = times[std::size_t(a)];
    const qint64 tb = times[std::size_t(b)];
    r.valid = true;
    r.from = std::min(ta, tb);
    r.to = std::max(ta, tb);
    return r;
}

EditRange rangeOfTimes(std::span<const qint64> times, const QString &none)
{
    EditRange r;
    if (times.empty()) {
        r.message = none;
        return r;
    }
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    r.valid = true;
    r.from = *low;
    r.to = *high;
    return r;
}

EditRange rangeFromDays(qint64 firstDay, qint64 lastDay)
{
    EditRange r;
    r.valid = true;
    r.from = std::min(firstDay, lastDay) * kDaySeconds;
    r.to = (std::max(firstDay, lastDay) + 1) * kDaySeconds - 1;
    return r;
}

QVector<EditHistoryRow> editHistoryRows(const PointSurvey &point)
{
    const std::vector<Edit> &edits = point.edits();
    const std::vector<EditVolume> volumes = editVolumes(point.wholeRaw(), edits);
    QVector<EditHistoryRow> rows;
    rows.reserve(qsizetype(edits.size()));
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const Edit &e = edits[i];
        EditHistoryRow row;
        row.id = e.id;
        row.op = editOpText(e.op);
        row.range = QStringLiteral("%1 至 %2").arg(clockText(e.from), clockText(e.to));
        row.values = valuesText(e);
        row.reason = e.reason;
        row.user = e.user;
        row.created = e.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        row.file = e.file;
        row.undone = e.undone;
        row.volumeM3 = i < volumes.size() ? volumes[i].volumeM3 : 0.0;
        rows.push_back(row);
    }
    return rows;
}

std::vector<VisitDifference> visitDifferences(const QVector<Visit> &visits, const SurveyLayer &layer)
{
    std::vector<VisitDifference> out;
    for (const Visit &v : visits) {
        if (v.withdrawn || !v.manualDepthMm)
            continue;
        const VisitComparison c = compareVisit(v, layer);
        if (c.depthDifferenceMm)
            out.push_back({v.time, *c.depthDifferenceMm});
    }
    return out;
}

QVector<QVector<QPointF>> rawStretches(const PlotData &raw, const PlotData &edited, int series)
{
    QVector<QVector<QPointF>> out;
    if (series < 0 || std::size_t(series) >= raw.series.size() || std::size_t(series) >= edited.series.size())
        return out;
    const ValueList &rv = raw.series[std::size_t(series)].values;
    const ValueList &ev = edited.series[std::size_t(series)].values;
    const std::size_t n = std::min(raw.times.size(), rv.size());
    const std::size_t m = std::min(edited.times.size(), ev.size());
    // Whether raw record i is shown as it is: the edited data holds a record at its time with the
    // same value (both not numbers counts as the same).
    std::size_t j = 0;
    auto same = [&](std::size_t i) {
        while (j < m && edited.times[j] < raw.times[i])
            ++j;
        if (j >= m || edited.times[j] != raw.times[i])
            return false;
        const float a = rv[i], b = ev[j];
        return a == b || (std::isnan(a) && std::isnan(b));
    };
    QVector<QPointF> stretch;
    for (std::size_t i = 0; i < n; ++i) {
        const QPointF p(double(raw.times[i]), double(rv[i]));
        if (!same(i)) {
            if (stretch.isEmpty() && i > 0)
                stretch.push_back(QPointF(double(raw.times[i - 1]), double(rv[i - 1])));
            stretch.push_back(p);
        } else if (!stretch.isEmpty()) {
            stretch.push_back(p);
            out.push_back(std::move(stretch));
            stretch.clear();
        }
    }
    if (!stretch.isEmpty())
        out.push_back(std::move(stretch));
    return out;
}

bool storeShownEdit(ProjectDb *db, const SurveyContent &content, Edit &edit, QString *error)
{
    QString why = content.editsProblem();
    const PointSurvey &point = content.point();
    const bool stored = why.isEmpty() && db && addEdit(*db, point.point(), point.wholeRaw(), edit, &why);
    if (error)
        *error = why;
    return stored;
}

std::optional<qint64> latestEditInForce(const std::vector<Edit> &edits)
{
    std::optional<qint64> id;
    for (const Edit &e : edits)
        if (!e.undone)
            id = e.id;
    return id;
}

namespace {

using StepFn = bool (*)(ProjectDb &, const QString &, qint64 *, QString *, std::optional<qint64>);

HistoryStep stepHistory(ProjectDb *db, const PointSurvey &point, std::optional<qint64> expected, StepFn fn,
                        const QString &done, const QString &nothing)
{
    HistoryStep step;
    if (db && expected && fn(*db, point.point(), &step.id, &step.message, expected)) {
        step.done = true;
        step.message = done.arg(step.id);
    } else if (step.message.isEmpty()) {
        step.message = nothing;
    }
    return step;
}

} // namespace

HistoryStep undoShownEdit(ProjectDb *db, const PointSurvey &point)
{
    return stepHistory(db, point, latestEditInForce(point.edits()), &undoEdit,
                       QStringLiteral("已撤销修正 %1"), QStringLiteral("没有可撤销的修正"));
}

HistoryStep redoShownEdit(ProjectDb *db, const PointSurvey &point, std::optional<qint64> redoable)
{
    return stepHistory(db, point, redoable, &redoEdit, QStringLiteral("已重做修正 %1"),
                       QStringLiteral("没有可重做的修正"));
}

} // namespace lmv
