#include "survey/EditStore.h"

#include "survey/ProjectDb.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace lmv::survey {

namespace {

const QString kAdd = QStringLiteral("add");
const QString kUndo = QStringLiteral("undo");
const QString kRedo = QStringLiteral("redo");

const QString kSelectEdits =
    QStringLiteral("SELECT e.id, e.file, e.op, e.from_time, e.to_time, e.value, e.value2, e.max_gap_seconds, "
                   "e.reason, e.user, e.created, e.undone FROM edit e JOIN point p ON p.id = e.point_id "
                   "WHERE p.name = ? ORDER BY e.id");
const QString kSelectUndoable = QStringLiteral(
    "SELECT MAX(e.id) FROM edit e JOIN point p ON p.id = e.point_id WHERE p.name = ? AND e.undone = 0");
// The undone edit whose undo came last, unless an edit of the point was added after that undo.
const QString kSelectRedoable = QStringLiteral(
    "SELECT ev.edit_id FROM edit_event ev JOIN edit e ON e.id = ev.edit_id JOIN point p ON p.id = e.point_id "
    "WHERE p.name = ? AND e.undone = 1 AND ev.action = 'undo' AND ev.id > "
    "(SELECT COALESCE(MAX(a.id), 0) FROM edit_event a JOIN edit o ON o.id = a.edit_id "
    "WHERE o.point_id = p.id AND a.action = 'add') "
    "ORDER BY ev.id DESC LIMIT 1");

bool takesValue(EditOp op)
{
    return op == EditOp::Offset || op == EditOp::Drift || op == EditOp::VelocityFactor;
}

QVariant nullableReal(bool used, double v)
{
    return used ? QVariant(v) : QVariant(QVariant::Double);
}

// Runs a read on the database, or on a fresh connection to its file when this one was opened
// before another program made the file.
template <typename Read>
auto readFrom(const ProjectDb &db, Read read)
{
    if (db.readable() || db.status() != DbStatus::Absent || !QFileInfo(db.path()).isFile())
        return read(db);
    const ProjectDb fresh(db.path());
    return read(fresh);
}

std::optional<qint64> idOf(const QSqlDatabase &sql, const QString &query, const QString &point)
{
    QSqlQuery q(sql);
    q.prepare(query);
    q.addBindValue(point);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

std::optional<qint64> pointEdit(const ProjectDb &db, const QString &query, const QString &point)
{
    return readFrom(db, [&](const ProjectDb &d) -> std::optional<qint64> {
        if (!d.readable() || d.schemaVersion() < 1)
            return std::nullopt;
        return idOf(d.database(), query, point);
    });
}

// The ids and undo marks of a history: what its edited layer depends on.
std::vector<std::pair<qint64, bool>> stateOf(const std::vector<Edit> &edits)
{
    std::vector<std::pair<qint64, bool>> out;
    out.reserve(edits.size());
    for (const Edit &e : edits)
        out.emplace_back(e.id, e.undone);
    return out;
}

bool recordEvent(QSqlDatabase &sql, qint64 id, const QString &action, const QString &user,
                 const QString &time, QString &why)
{
    return execSql(sql,
                   QStringLiteral("INSERT INTO edit_event(edit_id, action, user, time) VALUES (?, ?, ?, ?)"),
                   {id, action, user, time}, why);
}

// Undo or redo: the edit undo (redo) would take is marked and the event recorded.
bool markEdit(ProjectDb &db, const QString &point, bool undo, qint64 *id, QString *error,
              std::optional<qint64> expected)
{
    const QString nothing = undo ? QStringLiteral("测点 %1 没有可撤销的修改").arg(point)
                                 : QStringLiteral("测点 %1 没有可恢复的修改").arg(point);
    if (db.readOnly()) {
        if (error)
            *error = db.message();
        return false;
    }
    // Nothing to do is told without a transaction, which would make an absent database.
    if (!pointEdit(db, undo ? kSelectUndoable : kSelectRedoable, point)) {
        if (error)
            *error = nothing;
        return false;
    }
    qint64 done = 0;
    const bool ok = db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            const std::optional<qint64> target = idOf(sql, undo ? kSelectUndoable : kSelectRedoable, point);
            if (!target) {
                why = nothing;
                return false;
            }
            if (expected && *expected != *target) {
                why = QStringLiteral("测点 %1 的修改记录已在别处改变,请刷新后再试").arg(point);
                return false;
            }
            done = *target;
            return execSql(sql, QStringLiteral("UPDATE edit SET undone = ? WHERE id = ?"),
                           {undo ? 1 : 0, done}, why) &&
                   recordEvent(sql, done, undo ? kUndo : kRedo, ProjectDb::userName(), ProjectDb::nowText(),
                               why);
        },
        error);
    if (ok && id)
        *id = done;
    return ok;
}

} // namespace

std::vector<Edit> editsOf(const ProjectDb &db, const QString &point, int *skipped)
{
    if (skipped)
        *skipped = 0;
    return readFrom(db, [&](const ProjectDb &d) {
        std::vector<Edit> out;
        if (!d.readable() || d.schemaVersion() < 1)
            return out;
        QSqlQuery q(d.database());
        q.setForwardOnly(true);
        q.prepare(kSelectEdits);
        q.addBindValue(point);
        if (!q.exec())
            return out;
        while (q.next()) {
            const std::optional<EditOp> op = editOpFromName(q.value(2).toString());
            if (!op) {
                if (skipped)
                    ++*skipped;
                continue;
            }
            Edit e;
            e.id = q.value(0).toLongLong();
            e.file = q.value(1).toString();
            e.op = *op;
            e.from = q.value(3).toLongLong();
            e.to = q.value(4).toLongLong();
            e.value = q.value(5).toDouble();
            e.value2 = q.value(6).toDouble();
            if (!q.value(7).isNull())
                e.maxGapSeconds = q.value(7).toLongLong();
            e.reason = q.value(8).toString();
            e.user = q.value(9).toString();
            e.created = QDateTime::fromString(q.value(10).toString(), Qt::ISODate);
            e.undone = q.value(11).toBool();
            out.push_back(std::move(e));
        }
        return out;
    });
}

std::vector<Edit> activeEdits(const std::vector<Edit> &edits)
{
    std::vector<Edit> out;
    for (const Edit &e : edits)
        if (!e.undone)
            out.push_back(e);
    return out;
}

bool addEdit(ProjectDb &db, const QString &point, const SurveyLayer &raw, Edit &edit, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (db.readOnly())
        return refuse(db.message());
    Edit made = edit;
    made.reason = edit.reason.trimmed();
    made.undone = false;
    // Checked before the transaction, so that a refused edit does not make the database; checked
    // again inside it when another window changed the history in between.
    std::vector<Edit> seen = editsOf(db, point);
    const auto check = [&](const std::vector<Edit> &history) {
        return validateEdit(applyEdits(raw, activeEdits(history)), made);
    };
    if (const QString problem = check(seen); !problem.isEmpty())
        return refuse(problem);
    made.user = ProjectDb::userName();
    const QString created = ProjectDb::nowText();
    made.created = QDateTime::fromString(created, Qt::ISODate);
    const bool ok = db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            const std::vector<Edit> now = editsOf(db, point);
            if (stateOf(now) != stateOf(seen)) {
                why = check(now);
                if (!why.isEmpty())
                    return false;
            }
            const std::optional<qint64> pointId = db.pointId(point, true);
            if (!pointId) {
                why = QStringLiteral("无法记录测点 %1").arg(point);
                return false;
            }
            QSqlQuery q(sql);
            q.prepare(
                QStringLiteral("INSERT INTO edit(point_id, file, op, from_time, to_time, value, value2, "
                               "max_gap_seconds, reason, user, created, undone) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"));
            const QVariantList values{*pointId,
                                      made.file.isEmpty() ? QVariant(QVariant::String) : QVariant(made.file),
                                      editOpName(made.op),
                                      made.from,
                                      made.to,
                                      nullableReal(takesValue(made.op), made.value),
                                      nullableReal(made.op == EditOp::Drift, made.value2),
                                      made.op == EditOp::Fill ? QVariant(made.maxGapSeconds)
                                                              : QVariant(QVariant::LongLong),
                                      made.reason,
                                      made.user,
                                      created};
            for (const QVariant &v : values)
                q.addBindValue(v);
            if (!q.exec()) {
                why = q.lastError().text();
                return false;
            }
            made.id = q.lastInsertId().toLongLong();
            return recordEvent(sql, made.id, kAdd, made.user, created, why);
        },
        error);
    if (ok)
        edit = made;
    return ok;
}

std::optional<qint64> undoableEdit(const ProjectDb &db, const QString &point)
{
    return pointEdit(db, kSelectUndoable, point);
}

std::optional<qint64> redoableEdit(const ProjectDb &db, const QString &point)
{
    return pointEdit(db, kSelectRedoable, point);
}

bool undoEdit(ProjectDb &db, const QString &point, qint64 *id, QString *error, std::optional<qint64> expected)
{
    return markEdit(db, point, true, id, error, expected);
}

bool redoEdit(ProjectDb &db, const QString &point, qint64 *id, QString *error, std::optional<qint64> expected)
{
    return markEdit(db, point, false, id, error, expected);
}

} // namespace lmv::survey
