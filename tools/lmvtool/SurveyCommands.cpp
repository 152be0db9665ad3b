#include "tools/lmvtool/SurveyCommands.h"

#include "data/SurveyCheck.h"
#include "survey/EditStore.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "survey/SurveyFigures.h"
#include "survey/Visits.h"
#include "tools/lmvtool/ProjectArgs.h"

#include <QJsonArray>
#include <QJsonObject>

namespace lmvtool {

using namespace lmv;
using namespace lmv::survey;

namespace {

QJsonObject dayJson(const DayVolume &d, qsizetype dayCount, bool volumes)
{
    QJsonObject o{{QStringLiteral("records"), double(d.records)},
                  {QStringLiteral("coverage"), d.coverage(dayCount)}};
    if (!volumes) {
        o.insert(QStringLiteral("volumeM3"), QJsonValue::Null);
        return o;
    }
    o.insert(QStringLiteral("volumeM3"), d.volumeM3);
    o.insert(QStringLiteral("meanFlow"), d.countedSeconds > 0 ? QJsonValue(d.meanFlow()) : QJsonValue::Null);
    o.insert(QStringLiteral("minFlow"), d.hasValues ? QJsonValue(double(d.minFlow)) : QJsonValue::Null);
    o.insert(QStringLiteral("maxFlow"), d.hasValues ? QJsonValue(double(d.maxFlow)) : QJsonValue::Null);
    o.insert(QStringLiteral("maxLevel"), d.records > 0 ? QJsonValue(double(d.maxLevel)) : QJsonValue::Null);
    o.insert(QStringLiteral("surchargeMinutes"), double(d.surchargeSeconds) / 60.0);
    return o;
}

// The files listed are those of the layer read; conflicts and findings are the join's, named
// through the raw layer they were found in.
QJsonObject pointJson(const PointSurvey &ps, const SurveyFigures &fig)
{
    const JoinedSurvey &s = ps.survey();
    const SurveyLayer &layer = ps.layer();
    const bool volumes = layer.family == Family::Rva;
    const auto name = [&ps](quint32 source) { return ps.raw().sources[source].name; };
    QJsonArray files, conflicts, leftOut, findings, days, weeks;
    const std::vector<qsizetype> used = ps.recordsPerSource();
    for (std::size_t i = 0; i < layer.sources.size(); ++i) {
        const SurveySource &src = layer.sources[i];
        files.append(QJsonObject{{QStringLiteral("name"), src.name},
                                 {QStringLiteral("start"), clockText(src.start)},
                                 {QStringLiteral("end"), clockText(src.end)},
                                 {QStringLiteral("records"), double(src.records)},
                                 {QStringLiteral("used"), double(used[i])}});
    }
    for (const JoinConflict &c : s.conflicts)
        conflicts.append(QJsonObject{{QStringLiteral("time"), clockText(c.time)},
                                     {QStringLiteral("files"), QJsonArray{name(c.dropped), name(c.kept)}},
                                     {QStringLiteral("kept"), name(c.kept)}});
    for (const LeftOutFile &f : s.leftOut)
        leftOut.append(QJsonObject{{QStringLiteral("file"), f.name}, {QStringLiteral("reason"), f.reason}});
    for (const JoinFinding &f : s.findings) {
        QJsonArray named{name(f.before)};
        if (f.after != f.before)
            named.append(name(f.after));
        findings.append(QJsonObject{{QStringLiteral("kind"), joinFindingKindText(f.kind)},
                                    {QStringLiteral("files"), named},
                                    {QStringLiteral("start"), clockText(f.start)},
                                    {QStringLiteral("end"), clockText(f.end)},
                                    {QStringLiteral("records"), double(f.records)},
                                    {QStringLiteral("detail"), joinFindingText(f, ps.raw())}});
    }
    for (const DayVolume &d : fig.days) {
        QJsonObject day = dayJson(d, 1, volumes);
        day.insert(QStringLiteral("date"), dayText(d.day));
        days.append(day);
    }
    for (const WeekTotal &w : fig.weeks) {
        QJsonObject week = dayJson(w.total, w.days, volumes);
        week.insert(QStringLiteral("monday"), dayText(w.monday));
        week.insert(QStringLiteral("days"), double(w.days));
        weeks.append(week);
    }
    const QJsonValue none(QJsonValue::Null);
    return QJsonObject{
        {QStringLiteral("point"), s.point},
        {QStringLiteral("layer"), ps.choice() == LayerChoice::Raw ? "raw" : "edited"},
        {QStringLiteral("edits"),
         ps.choice() == LayerChoice::Raw ? 0.0 : double(activeEdits(ps.edits()).size())},
        {QStringLiteral("family"), layer.empty() ? none : QJsonValue(volumes ? "RVA" : "RVB")},
        {QStringLiteral("intervalSeconds"), double(layer.intervalSeconds)},
        {QStringLiteral("files"), files},
        {QStringLiteral("records"), double(layer.size())},
        {QStringLiteral("start"), layer.empty() ? none : QJsonValue(clockText(layer.times.front()))},
        {QStringLiteral("end"), layer.empty() ? none : QJsonValue(clockText(layer.times.back()))},
        {QStringLiteral("duplicates"), double(s.duplicates)},
        {QStringLiteral("superseded"), double(s.superseded)},
        {QStringLiteral("conflicts"), conflicts},
        {QStringLiteral("leftOut"), leftOut},
        {QStringLiteral("findings"), findings},
        {QStringLiteral("days"), days},
        {QStringLiteral("weeks"), weeks},
        {QStringLiteral("coverage"), fig.coverage()},
        {QStringLiteral("totalVolumeM3"), volumes ? QJsonValue(fig.total.volumeM3) : none}};
}

QString pointText(const PointSurvey &ps, const SurveyFigures &fig)
{
    const JoinedSurvey &s = ps.survey();
    const SurveyLayer &layer = ps.layer();
    QString out = QStringLiteral("测点: %1  记录 %2 条").arg(s.point).arg(layer.size());
    if (!layer.empty())
        out += QStringLiteral("  %1 ~ %2").arg(clockText(layer.times.front()), clockText(layer.times.back()));
    out += ps.choice() == LayerChoice::Raw
               ? QStringLiteral("  原始数据")
               : QStringLiteral("  修正后(%1 项修改)").arg(activeEdits(ps.edits()).size());
    out += QStringLiteral("\n重复记录 %1 条, 数值冲突 %2 处\n").arg(s.duplicates).arg(s.conflicts.size());
    for (const SurveySource &src : layer.sources)
        out += QStringLiteral("  文件 %1  %2 ~ %3  %4 条\n")
                   .arg(src.name, clockText(src.start), clockText(src.end))
                   .arg(src.records);
    for (const LeftOutFile &f : s.leftOut)
        out += QStringLiteral("  未采用 %1: %2\n").arg(f.name, f.reason);
    for (const JoinFinding &f : s.findings)
        out += QStringLiteral("  %1: %2\n").arg(joinFindingKindText(f.kind), joinFindingText(f, ps.raw()));
    for (const DayVolume &d : fig.days)
        out +=
            QStringLiteral("  %1  %2 条  覆盖率 %3%  水量 %4 m3\n")
                .arg(dayText(d.day))
                .arg(d.records, 5)
                .arg(QString::number(d.coverage() * 100.0, 'f', 1), 5)
                .arg(layer.family == Family::Rva ? QString::number(d.volumeM3, 'f', 1) : QStringLiteral("-"));
    if (layer.family == Family::Rva)
        out += QStringLiteral("  合计水量 %1 m3\n").arg(QString::number(fig.total.volumeM3, 'f', 1));
    return out;
}

QJsonObject visitJson(const Visit &v, const VisitComparison &c)
{
    return QJsonObject{{QStringLiteral("id"), double(v.id)},
                       {QStringLiteral("time"), clockText(v.time)},
                       {QStringLiteral("manualDepthMm"), orNull(v.manualDepthMm)},
                       {QStringLiteral("loggerDepthMm"), orNull(c.loggerDepthMm)},
                       {QStringLiteral("manualVelocity"), orNull(v.manualVelocity)},
                       {QStringLiteral("loggerVelocity"), orNull(c.loggerVelocity)},
                       {QStringLiteral("note"), v.note}};
}

QString numberOrDash(const std::optional<double> &v, int decimals)
{
    return v ? QString::number(*v, 'f', decimals) : QStringLiteral("-");
}

} // namespace

int runSurvey(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, {QStringLiteral("point"), QStringLiteral("from"), QStringLiteral("to")},
                      {QStringLiteral("json"), QStringLiteral("raw")}, o))
        return kExitUsage;
    SurveyPeriod period;
    if (!takeClock(o, QStringLiteral("from"), false, period.from) ||
        !takeClock(o, QStringLiteral("to"), true, period.to))
        return kExitUsage;
    if (period.from && period.to && *period.from > *period.to) {
        printError(QStringLiteral("--from"), QStringLiteral("must not lie after --to"));
        return kExitUsage;
    }
    ProjectFiles project;
    if (!openProject(o, QStringLiteral("survey"), project))
        return kExitFileError;
    QVector<PointFiles> points = project.points;
    if (o.values.contains(QStringLiteral("point"))) {
        const PointFiles *point = namedPoint(project, o);
        if (!point)
            return kExitFileError;
        points = {*point};
    }
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    LayerChoice choice = o.flags.contains(QStringLiteral("raw")) ? LayerChoice::Raw : LayerChoice::Edited;
    // A database that cannot be written is read as it is; one read only in part, or not at all,
    // is said. Without the edits the figures are the raw layer's, and the output names it so.
    if (choice == LayerChoice::Edited && db.problem() != DbProblem::None &&
        db.problem() != DbProblem::NotWritable) {
        printError(db.path(), db.message());
        if (db.problem() == DbProblem::Damaged || db.problem() == DbProblem::NoDriver) {
            printError(QStringLiteral("survey"),
                       QStringLiteral("the edits cannot be read: the raw layer is shown"));
            choice = LayerChoice::Raw;
        }
    }
    QJsonArray pointsJson;
    QString text;
    qsizetype filesRead = 0;
    for (const PointFiles &point : std::as_const(points)) {
        const PointSurvey ps = PointSurvey::read(project, point.name, period, choice, &db);
        if (choice == LayerChoice::Edited && ps.dbMessage() != db.message())
            printError(point.name, ps.dbMessage()); // edits passed over
        filesRead += point.files.size() - ps.survey().leftOut.size();
        const SurveyFigures figures = checkSurvey(ps.layer(), period);
        if (o.flags.contains(QStringLiteral("json")))
            pointsJson.append(pointJson(ps, figures));
        else
            text += pointText(ps, figures) + QLatin1Char('\n');
    }
    if (o.flags.contains(QStringLiteral("json")))
        printJson(
            QJsonObject{{QStringLiteral("project"), project.name}, {QStringLiteral("points"), pointsJson}});
    else
        printOut(QStringLiteral("项目: %1\n\n").arg(project.name) + text);
    if (filesRead == 0) {
        printError(project.indexPath, QStringLiteral("no data file could be read"));
        return kExitFileError;
    }
    return kExitOk;
}

int runVisit(const QStringList &args)
{
    if (args.value(0) != QLatin1String("add")) {
        printError(QStringLiteral("visit"), QStringLiteral("use \"visit add\""));
        return kExitUsage;
    }
    Options o;
    if (!parseOptions(args.mid(1),
                      {QStringLiteral("point"), QStringLiteral("time"), QStringLiteral("depth"),
                       QStringLiteral("velocity"), QStringLiteral("note")},
                      {}, o))
        return kExitUsage;
    Visit visit;
    std::optional<qint64> time;
    double depth = 0.0, velocity = 0.0;
    if (!o.values.contains(QStringLiteral("time")) || !o.values.contains(QStringLiteral("point"))) {
        printError(QStringLiteral("visit add"), QStringLiteral("needs --point and --time"));
        return kExitUsage;
    }
    if (!takeClock(o, QStringLiteral("time"), false, time) ||
        !takeNumber(o, QStringLiteral("depth"), depth) ||
        !takeNumber(o, QStringLiteral("velocity"), velocity))
        return kExitUsage;
    visit.time = *time;
    visit.manualDepthMm = depth;
    visit.manualVelocity = velocity;
    visit.note = o.values.value(QStringLiteral("note"));
    ProjectFiles project;
    if (!openProject(o, QStringLiteral("visit add"), project))
        return kExitFileError;
    const PointFiles *point = namedPoint(project, o);
    if (!point)
        return kExitFileError;
    ProjectDb db(ProjectDb::pathFor(project.indexPath));
    QString error;
    if (!addVisit(db, point->name, visit, &error)) {
        printError(db.path(), error);
        return kExitFileError;
    }
    printOut(QStringLiteral("visit %1 added to %2\n").arg(visit.id).arg(point->name));
    return kExitOk;
}

int runVisits(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, {QStringLiteral("point")}, {QStringLiteral("json"), QStringLiteral("raw")}, o))
        return kExitUsage;
    if (!o.values.contains(QStringLiteral("point"))) {
        printError(QStringLiteral("visits"), QStringLiteral("needs --point"));
        return kExitUsage;
    }
    ProjectFiles project;
    if (!openProject(o, QStringLiteral("visits"), project))
        return kExitFileError;
    const PointFiles *point = namedPoint(project, o);
    if (!point)
        return kExitFileError;
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    if (db.problem() == DbProblem::Damaged || db.problem() == DbProblem::NoDriver) {
        printError(db.path(), db.message());
        return kExitFileError;
    }
    if (db.problem() == DbProblem::NewerVersion)
        printError(db.path(), db.message()); // read as far as it can be, said so
    const QVector<Visit> visits = visitsOf(db, point->name);
    const PointSurvey ps = PointSurvey::read(
        project, point->name, {},
        o.flags.contains(QStringLiteral("raw")) ? LayerChoice::Raw : LayerChoice::Edited, &db);
    const SurveyLayer &layer = ps.layer();
    QJsonArray list;
    QString text = QStringLiteral("测点: %1\n").arg(point->name);
    for (const Visit &v : visits) {
        const VisitComparison c = compareVisit(v, layer);
        list.append(visitJson(v, c));
        text +=
            QStringLiteral("%1  液位 %2 mm (仪器 %3)  流速 %4 m/s (仪器 %5)  %6\n")
                .arg(clockText(v.time), numberOrDash(v.manualDepthMm, 0), numberOrDash(c.loggerDepthMm, 0),
                     numberOrDash(v.manualVelocity, 3), numberOrDash(c.loggerVelocity, 3), v.note);
    }
    if (o.flags.contains(QStringLiteral("json")))
        printJson(QJsonObject{{QStringLiteral("visits"), list}});
    else
        printOut(text);
    return kExitOk;
}

} // namespace lmvtool
