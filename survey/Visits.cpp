#include "survey/Visits.h"

#include "survey/ProjectDb.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace lmv::survey {

namespace {

qint64 clockOfDate(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
}

QVariant optionalValue(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QVariant::Double);
}

std::optional<double> optionalOf(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

} // namespace

QString visitProblem(const Visit &v)
{
    static const qint64 first = clockOfDate(kVisitFirstYear, 1, 1);
    static const qint64 afterLast = clockOfDate(kVisitLastYear + 1, 1, 1);
    if (v.time < first || v.time >= afterLast)
        return QStringLiteral("现场记录时间须在 %1 年至 %2 年之间").arg(kVisitFirstYear).arg(kVisitLastYear);
    if (v.manualDepthMm) {
        const double d = *v.manualDepthMm;
        if (!std::isfinite(d))
            return QStringLiteral("人工测量液位不是有效数值");
        if (d < 0.0)
            return QStringLiteral("人工测量液位不能为负");
        if (d > kVisitMaxDepthMm)
            return QStringLiteral("人工测量液位超过 %1 mm").arg(kVisitMaxDepthMm);
    }
    if (v.manualVelocity) {
        const double s = *v.manualVelocity;
        if (!std::isfinite(s))
            return QStringLiteral("人工测量流速不是有效数值");
        if (std::abs(s) > kVisitMaxSpeed)
            return QStringLiteral("人工测量流速超出 ±%1 m/s").arg(kVisitMaxSpeed);
    }
    if (v.note.size() > kVisitMaxNoteChars)
        return QStringLiteral("备注超过 %1 个字符").arg(kVisitMaxNoteChars);
    return {};
}

bool addVisit(ProjectDb &db, const QString &point, Visit &visit, QString *error)
{
    if (const QString problem = visitProblem(visit); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    const QString user = ProjectDb::userName();
    const QString created = ProjectDb::nowText();
    qint64 id = 0;
    const bool ok = db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            const std::optional<qint64> pointId = db.pointId(point, true);
            if (!pointId) {
                why = QStringLiteral("无法记录测点 %1").arg(point);
                return false;
            }
            QSqlQuery q(sql);
            q.prepare(
                QStringLiteral("INSERT INTO visit(point_id, time, manual_depth_mm, manual_velocity, note, "
                               "user, created) VALUES (?, ?, ?, ?, ?, ?, ?)"));
            for (const QVariant &value :
                 {QVariant(*pointId), QVariant(visit.time), optionalValue(visit.manualDepthMm),
                  optionalValue(visit.manualVelocity),
                  QVariant(visit.note.isNull() ? QString("") : visit.note), QVariant(user),
                  QVariant(created)})
                q.addBindValue(value);
            if (!q.exec()) {
                why = q.lastError().text();
                return false;
            }
            id = q.lastInsertId().toLongLong();
            return true;
        },
        error);
    if (ok) {
        visit.id = id;
        visit.user = user;
        visit.created = created;
        visit.withdrawn = false;
    }
    return ok;
}

bool withdrawVisit(ProjectDb &db, const QString &point, qint64 visitId, const QString &reason, QString *error)
{
    if (reason.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("请填写撤销现场记录的原因");
        return false;
    }
    return db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            QSqlQuery q(sql);
            q.prepare(QStringLiteral("SELECT v.id FROM visit v JOIN point p ON p.id = v.point_id "
                                     "LEFT JOIN visit_withdrawal w ON w.visit_id = v.id "
                                     "WHERE v.id = ? AND p.name = ? AND w.visit_id IS NULL"));
            q.addBindValue(visitId);
            q.addBindValue(point);
            if (!q.exec() || !q.next()) {
                why = QStringLiteral("测点 %1 没有编号为 %2 的现场记录").arg(point).arg(visitId);
                return false;
            }
            return execSql(sql,
                           QStringLiteral("INSERT INTO visit_withdrawal(visit_id, reason, user, time) "
                                          "VALUES (?, ?, ?, ?)"),
                           {visitId, reason.trimmed(), ProjectDb::userName(), ProjectDb::nowText()}, why);
        },
        error);
}

QVector<Visit> visitsOf(const ProjectDb &db, const QString &point, bool withWithdrawn)
{
    QVector<Visit> out;
    if (!db.readable() || db.schemaVersion() < 1)
        return out;
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("SELECT v.id, v.time, v.manual_depth_mm, v.manual_velocity, v.note, v.user, "
                             "v.created, w.visit_id IS NOT NULL, w.reason FROM visit v "
                             "JOIN point p ON p.id = v.point_id "
                             "LEFT JOIN visit_withdrawal w ON w.visit_id = v.id "
                             "WHERE p.name = ? ORDER BY v.time, v.id"));
    q.addBindValue(point);
    if (!q.exec())
        return out;
    while (q.next()) {
        Visit v;
        v.id = q.value(0).toLongLong();
        v.time = q.value(1).toLongLong();
        v.manualDepthMm = optionalOf(q.value(2));
        v.manualVelocity = optionalOf(q.value(3));
        v.note = q.value(4).toString();
        v.user = q.value(5).toString();
        v.created = q.value(6).toString();
        v.withdrawn = q.value(7).toBool();
        v.withdrawReason = q.value(8).toString();
        if (withWithdrawn || !v.withdrawn)
            out.push_back(v);
    }
    return out;
}

VisitComparison compareVisit(const Visit &visit, const SurveyLayer &layer)
{
    VisitComparison c;
    if (layer.family != Family::Rva || layer.empty())
        return c;
    const auto usable = [&layer](qsizetype i) { return !(layer.flag(i) & FlagRemoved); };
    const auto at = std::lower_bound(layer.times.begin(), layer.times.end(), visit.time);
    qsizetype best = -1;
    qint64 bestDistance = 0;
    // The usable records either side of the visit's time.
    for (qsizetype i = qsizetype(at - layer.times.begin()) - 1; i >= 0; --i)
        if (usable(i)) {
            best = i;
            bestDistance = visit.time - layer.times[std::size_t(i)];
            break;
        }
    for (qsizetype i = qsizetype(at - layer.times.begin()); i < layer.size(); ++i)
        if (usable(i)) {
            const qint64 distance = layer.times[std::size_t(i)] - visit.time;
            if (best < 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
            break;
        }
    if (best < 0 || bestDistance > layer.intervalSeconds)
        return c;
    c.record = best;
    const float level = layer.rva[std::size_t(best)].level;
    const float velocity = layer.correctedVelocity(best);
    // The logger's values as the tables show them: the float's digits, not its binary tail
    // (0.301 m is 301 mm, not 300.999999).
    if (std::isfinite(level))
        c.loggerDepthMm = std::round(double(level) * 1e5) / 100.0;
    if (std::isfinite(velocity))
        c.loggerVelocity = std::round(double(velocity) * 1e6) / 1e6;
    if (c.loggerDepthMm && visit.manualDepthMm)
        c.depthDifferenceMm = *visit.manualDepthMm - *c.loggerDepthMm;
    if (c.loggerVelocity && visit.manualVelocity)
        c.velocityDifference = *visit.manualVelocity - *c.loggerVelocity;
    return c;
}

} // namespace lmv::survey
