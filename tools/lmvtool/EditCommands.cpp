#include "tools/lmvtool/EditCommands.h"

#include "data/SurveyCheck.h"
#include "survey/EditStore.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "survey/Visits.h"
#include "tools/lmvtool/ProjectArgs.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace lmvtool {

using namespace lmv;
using namespace lmv::survey;

namespace {

// The ops that take --value (offset mm, factor), and --value2 (drift end, mm).
bool takesValue(EditOp op)
{
    return op == EditOp::Offset || op == EditOp::Drift || op == EditOp::VelocityFactor;
}

// The edit a command line describes, before the drift's offsets are known; false after an error
// line.
bool editFromOptions(const Options &o, Edit &edit)
{
    for (const char *name : {"point", "op", "from", "to", "reason"})
        if (!o.values.contains(QLatin1String(name))) {
            printError(QStringLiteral("edit"), QStringLiteral("needs --%1").arg(QLatin1String(name)));
            return false;
        }
    const std::optional<EditOp> op = editOpFromName(o.values.value(QStringLiteral("op")));
    if (!op) {
        printError(QStringLiteral("--op"), QStringLiteral("one of remove, fill, offset, drift, vfactor: %1")
                                               .arg(o.values.value(QStringLiteral("op"))));
        return false;
    }
    edit.op = *op;
    std::optional<qint64> from, to;
    if (!takeClock(o, QStringLiteral("from"), false, from) || !takeClock(o, QStringLiteral("to"), true, to))
        return false;
    edit.from = *from;
    edit.to = *to;
    edit.reason = o.values.value(QStringLiteral("reason"));
    const bool hasValue = o.values.contains(QStringLiteral("value"));
    const bool hasValue2 = o.values.contains(QStringLiteral("value2"));
    const QString opName = editOpName(edit.op);
    if ((hasValue && !takesValue(edit.op)) || (hasValue2 && edit.op != EditOp::Drift)) {
        printError(
            QStringLiteral("--op ") + opName,
            QStringLiteral("takes no --%1").arg(hasValue && !takesValue(edit.op) ? "value" : "value2"));
        return false;
    }
    if ((edit.op == EditOp::Offset || edit.op == EditOp::VelocityFactor) && !hasValue) {
        printError(QStringLiteral("--op ") + opName, QStringLiteral("needs --value"));
        return false;
    }
    if (edit.op == EditOp::Drift && hasValue != hasValue2) {
        printError(
            QStringLiteral("--op drift"),
            QStringLiteral("takes --value and --value2 together, or neither (offsets from the visits)"));
        return false;
    }
    if ((hasValue && !takeNumber(o, QStringLiteral("value"), edit.value)) ||
        (hasValue2 && !takeNumber(o, QStringLiteral("value2"), edit.value2)))
        return false;
    if (o.values.contains(QStringLiteral("max-gap"))) {
        double minutes = 0.0;
        if (edit.op != EditOp::Fill) {
            printError(QStringLiteral("--op ") + opName, QStringLiteral("takes no --max-gap"));
            return false;
        }
        if (!takeNumber(o, QStringLiteral("max-gap"), minutes))
            return false;
        if (!std::isfinite(minutes) || minutes <= 0.0 || minutes > 1e7) {
            printError(QStringLiteral("--max-gap"), QStringLiteral("needs minutes above 0"));
            return false;
        }
        edit.maxGapSeconds = qint64(std::llround(minutes * 60.0));
    }
    return true;
}

// A drift's offsets from the visits at either end: manual − logger depth against the layer as
// the point's edits leave it. False with the reason when the visits cannot tell them.
bool driftOffsets(const ProjectDb &db, const PointSurvey &ps, Edit &edit, QString &why)
{
    std::vector<VisitDifference> differences;
    const QVector<Visit> visits = visitsOf(db, ps.point());
    for (const Visit &v : visits) {
        const VisitComparison c = compareVisit(v, ps.edited());
        if (c.depthDifferenceMm)
            differences.push_back(VisitDifference{v.time, *c.depthDifferenceMm});
    }
    const DriftEnds ends = driftFromVisits(differences, edit.from, edit.to);
    if (!ends.valid) {
        why = ends.message;
        return false;
    }
    edit.value = ends.atFrom;
    edit.value2 = ends.atTo;
    printOut(QStringLiteral("漂移偏移量: 起点 %1 mm (%2), 终点 %3 mm (现场核查 %4)\n")
                 .arg(QString::number(ends.atFrom, 'f', 1),
                      ends.fromVisitFound ? QStringLiteral("现场核查 ") + clockText(ends.fromVisit)
                                          : QStringLiteral("之前无现场核查,取 0"),
                      QString::number(ends.atTo, 'f', 1), clockText(ends.toVisit)));
    return true;
}

// The project index and the point --point names in it; false after an error line.
bool readPoint(const Options &o, const QString &command, ProjectFiles &project, const PointFiles *&point)
{
    if (!o.values.contains(QStringLiteral("point"))) {
        printError(command, QStringLiteral("needs --point"));
        return false;
    }
    if (!openProject(o, command, project))
        return false;
    point = namedPoint(project, o);
    return point != nullptr;
}

QJsonObject editJson(const Edit &e, const std::optional<double> &volume)
{
    const QJsonValue none(QJsonValue::Null);
    return QJsonObject{{QStringLiteral("id"), double(e.id)},
                       {QStringLiteral("op"), editOpName(e.op)},
                       {QStringLiteral("from"), clockText(e.from)},
                       {QStringLiteral("to"), clockText(e.to)},
                       {QStringLiteral("value"), takesValue(e.op) ? orNull(e.value) : none},
                       {QStringLiteral("value2"), e.op == EditOp::Drift ? orNull(e.value2) : none},
                       {QStringLiteral("maxGapMinutes"),
                        e.op == EditOp::Fill ? QJsonValue(double(e.maxGapSeconds) / 60.0) : none},
                       {QStringLiteral("file"), e.file.isEmpty() ? none : QJsonValue(e.file)},
                       {QStringLiteral("reason"), e.reason},
                       {QStringLiteral("user"), e.user},
                       {QStringLiteral("created"), e.created.toString(Qt::ISODate)},
                       {QStringLiteral("undone"), e.undone},
                       {QStringLiteral("volumeM3"), orNull(volume)}};
}

// One line of the history; the reason goes in whole (no placeholders filled after it).
QString editText(const Edit &e, const std::optional<double> &volume)
{
    QString range = clockText(e.from) + QStringLiteral(" ~ ") + clockText(e.to);
    if (takesValue(e.op))
        range += QStringLiteral("  ") + QString::number(e.value);
    if (e.op == EditOp::Drift)
        range += QStringLiteral(" → ") + QString::number(e.value2);
    QStringList parts{
        QString::number(e.id),
        editOpText(e.op) + (e.undone ? QStringLiteral("(已撤销)") : QString()),
        range,
        QStringLiteral("水量变化 ") +
            (volume ? QString::number(*volume, 'f', 3) + QStringLiteral(" m3") : QStringLiteral("-")),
        e.user,
        e.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        e.reason};
    if (!e.file.isEmpty())
        parts << QStringLiteral("文件 ") + e.file;
    return parts.join(QStringLiteral("  ")) + QLatin1Char('\n');
}

} // namespace

int runEdit(const QStringList &args)
{
    Options o;
    if (!parseOptions(args,
                      {QStringLiteral("point"), QStringLiteral("op"), QStringLiteral("from"),
                       QStringLiteral("to"), QStringLiteral("value"), QStringLiteral("value2"),
                       QStringLiteral("max-gap"), QStringLiteral("reason")},
                      {}, o))
        return kExitUsage;
    Edit edit;
    if (!editFromOptions(o, edit))
        return kExitUsage;
    ProjectFiles project;
    const PointFiles *point = nullptr;
    if (!readPoint(o, QStringLiteral("edit"), project, point))
        return kExitFileError;
    ProjectDb db(ProjectDb::pathFor(project.indexPath));
    if (db.readOnly()) {
        printError(db.path(), db.message());
        return kExitFileError;
    }
    const PointSurvey ps = PointSurvey::read(project, point->name, {}, LayerChoice::Edited, &db);
    QString why;
    if (edit.op == EditOp::Drift && !o.values.contains(QStringLiteral("value")) &&
        !driftOffsets(db, ps, edit, why)) {
        printError(point->name, why);
        return kExitFileError;
    }
    if (!addEdit(db, point->name, ps.wholeRaw(), edit, &why)) {
        printError(point->name, why);
        return kExitFileError;
    }
    printOut(QStringLiteral("edit %1 added to %2: %3 %4 ~ %5\n")
                 .arg(edit.id)
                 .arg(point->name, editOpText(edit.op), clockText(edit.from), clockText(edit.to)));
    return kExitOk;
}

int runEdits(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, {QStringLiteral("point")}, {QStringLiteral("json")}, o))
        return kExitUsage;
    ProjectFiles project;
    const PointFiles *point = nullptr;
    if (!readPoint(o, QStringLiteral("edits"), project, point))
        return kExitFileError;
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    const PointSurvey ps = PointSurvey::read(project, point->name, {}, LayerChoice::Edited, &db);
    if (!ps.editsReadable()) {
        printError(db.path(), db.message());
        return kExitFileError;
    }
    if (!ps.dbMessage().isEmpty() && db.problem() != DbProblem::NotWritable)
        printError(db.path(), ps.dbMessage()); // read as far as it can be, said so
    const std::vector<Edit> &edits = ps.edits();
    const bool volumes = ps.wholeRaw().family == Family::Rva;
    const std::vector<EditVolume> changes =
        volumes ? editVolumes(ps.wholeRaw(), edits) : std::vector<EditVolume>{};
    QJsonArray list;
    QString text = QStringLiteral("测点: %1  修改 %2 条\n").arg(point->name).arg(edits.size());
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const std::optional<double> volume =
            volumes ? std::optional<double>(changes[i].volumeM3) : std::nullopt;
        list.append(editJson(edits[i], volume));
        text += editText(edits[i], volume);
    }
    if (o.flags.contains(QStringLiteral("json")))
        printJson(QJsonObject{{QStringLiteral("edits"), list}});
    else
        printOut(text);
    return kExitOk;
}

int runUndo(const QStringList &args, bool redo)
{
    const QString command = redo ? QStringLiteral("redo") : QStringLiteral("undo");
    Options o;
    if (!parseOptions(args, {QStringLiteral("point")}, {}, o))
        return kExitUsage;
    ProjectFiles project;
    const PointFiles *point = nullptr;
    if (!readPoint(o, command, project, point))
        return kExitFileError;
    ProjectDb db(ProjectDb::pathFor(project.indexPath));
    qint64 id = 0;
    QString why;
    const bool ok = redo ? redoEdit(db, point->name, &id, &why) : undoEdit(db, point->name, &id, &why);
    if (!ok) {
        printError(point->name, why);
        return kExitFileError;
    }
    printOut(QStringLiteral("edit %1 of %2 %3\n").arg(id).arg(point->name, redo ? "redone" : "undone"));
    return kExitOk;
}

} // namespace lmvtool
