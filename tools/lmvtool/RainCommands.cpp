#include "tools/lmvtool/RainCommands.h"

#include "data/SurveyCheck.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "survey/ProjectFiles.h"
#include "survey/RainImport.h"
#include "survey/StormEvents.h"
#include "tools/lmvtool/ProjectArgs.h"
#include "tools/lmvtool/ToolCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <climits>
#include <cmath>
#include <cstdio>

namespace lmvtool {

using namespace lmv;
using namespace lmv::survey;

namespace {

// Larger gauge files are no gauge's: decades of one-minute rows take a few hundred MB.
constexpr qint64 kMaxGaugeFileBytes = qint64(1) << 30;

double rounded(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

QString kindName(RainKind kind)
{
    switch (kind) {
    case RainKind::Interval:
        return QStringLiteral("interval");
    case RainKind::Cumulative:
        return QStringLiteral("cumulative");
    case RainKind::Tips:
        return QStringLiteral("tips");
    }
    return {};
}

// Takes every "--point NAME" out of args (the option may be given more than once).
bool takePoints(QStringList &args, QStringList &points)
{
    for (int i = 0; i < args.size();) {
        if (args[i] != QLatin1String("--point")) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size()) {
            printError(QStringLiteral("--point"), QStringLiteral("needs a value"));
            return false;
        }
        points << args[i + 1];
        args.erase(args.begin() + i, args.begin() + i + 2);
    }
    return true;
}

// The project index named first among the positional arguments, read; false after an error line.
bool openProject(const QString &path, ProjectFiles &project)
{
    if (!QFileInfo(path).isFile()) {
        printError(path, QStringLiteral("no such file"));
        return false;
    }
    project = readProjectFiles(path);
    if (!project.opened) {
        printError(path, QStringLiteral("not a project or point index (.lmvprj, .lmvpos) that can be read"));
        return false;
    }
    return true;
}

// A database that cannot be read at all ends a reading command; a newer one is read as far as it
// can be, said so.
bool readableOrSaid(const ProjectDb &db)
{
    if (db.problem() == DbProblem::Damaged || db.problem() == DbProblem::NoDriver) {
        printError(db.path(), db.message());
        return false;
    }
    if (db.problem() == DbProblem::NewerVersion)
        printError(db.path(), db.message());
    return true;
}

bool takeInt(const Options &o, const QString &name, int &out)
{
    if (!o.values.contains(name))
        return true;
    bool ok = false;
    out = o.values.value(name).toInt(&ok);
    if (!ok) {
        printError(QStringLiteral("--") + name,
                   QStringLiteral("needs a whole number: %1").arg(o.values.value(name)));
        return false;
    }
    return true;
}

// "tab", "space" or a single character.
bool takeSeparator(const Options &o, char &out)
{
    if (!o.values.contains(QStringLiteral("sep")))
        return true;
    const QString text = o.values.value(QStringLiteral("sep"));
    if (text == QLatin1String("tab") || text == QLatin1String("\\t"))
        out = '\t';
    else if (text == QLatin1String("space"))
        out = ' ';
    else if (text.size() == 1 && text[0].unicode() > 0 && text[0].unicode() < 0x7f &&
             !text[0].isLetterOrNumber())
        out = char(text[0].unicode());
    else {
        printError(QStringLiteral("--sep"),
                   QStringLiteral("needs one character (or tab, space): %1").arg(text));
        return false;
    }
    return true;
}

bool takeKind(const Options &o, RainKind &out)
{
    const QString text = o.values.value(QStringLiteral("kind"), QStringLiteral("interval"));
    for (const RainKind kind : {RainKind::Interval, RainKind::Cumulative, RainKind::Tips})
        if (text == kindName(kind)) {
            out = kind;
            return true;
        }
    printError(QStringLiteral("--kind"), QStringLiteral("needs interval, cumulative or tips: %1").arg(text));
    return false;
}

// The mapping the options give; defaults: time in column 1, value in 2, depths per interval in
// "yyyy-MM-dd HH:mm[:ss]", the separator found in the file.
bool mappingOf(const Options &o, RainImportMapping &m)
{
    if (!takeKind(o, m.kind) || !takeInt(o, QStringLiteral("time-col"), m.timeColumn) ||
        !takeInt(o, QStringLiteral("value-col"), m.valueColumn) ||
        !takeInt(o, QStringLiteral("skip"), m.skipRows) || !takeSeparator(o, m.separator) ||
        !takeOptionalNumber(o, QStringLiteral("bucket"), m.bucketMm))
        return false;
    if (o.values.contains(QStringLiteral("bucket")) && m.kind != RainKind::Tips) {
        printError(QStringLiteral("--bucket"), QStringLiteral("only with --kind tips"));
        return false;
    }
    m.decimalComma = o.flags.contains(QStringLiteral("decimal-comma"));
    if (o.values.contains(QStringLiteral("format")))
        m.timeFormat = o.values.value(QStringLiteral("format"));
    if (const QString problem = rainMappingProblem(m); !problem.isEmpty()) {
        printError(QStringLiteral("rain import"), problem);
        return false;
    }
    return true;
}

// Without --skip, the header lines the file starts with: the lines before the first one whose
// time the mapping reads, as the import dialog suggests them.
int headerLines(const QByteArray &bytes, const RainImportMapping &m)
{
    const RainPreview preview = previewRain(bytes, m, 0);
    if (!preview.error.isEmpty() || preview.guess.timeColumn != m.timeColumn ||
        preview.guess.timeFormat != m.timeFormat ||
        (m.separator != 0 && m.separator != preview.guess.separator))
        return 0;
    return preview.guess.skipRows;
}

bool readGaugeFile(const QString &path, QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        printError(path, QStringLiteral("cannot be read: %1").arg(f.errorString()));
        return false;
    }
    if (f.size() > kMaxGaugeFileBytes) {
        printError(path, QStringLiteral("larger than %1 MB: no gauge file").arg(kMaxGaugeFileBytes >> 20));
        return false;
    }
    bytes = f.readAll();
    return true;
}

QString periodText(const RainSeries &s)
{
    return s.covered.isEmpty()
               ? QStringLiteral("-")
               : clockText(s.covered.front().start) + QStringLiteral(" ~ ") + clockText(s.covered.back().end);
}

double totalDepth(const RainSeries &s)
{
    double sum = 0.0;
    for (const double d : s.depthMm)
        sum += d;
    return sum;
}

int runImport(QStringList args)
{
    QStringList points;
    Options o;
    if (!takePoints(args, points) ||
        !parseOptions(args,
                      {QStringLiteral("gauge"), QStringLiteral("kind"), QStringLiteral("time-col"),
                       QStringLiteral("value-col"), QStringLiteral("skip"), QStringLiteral("sep"),
                       QStringLiteral("format"), QStringLiteral("bucket")},
                      {QStringLiteral("decimal-comma"), QStringLiteral("replace")}, o))
        return kExitUsage;
    if (o.positional.size() != 2 || !o.values.contains(QStringLiteral("gauge"))) {
        printError(QStringLiteral("rain import"), QStringLiteral("needs PROJECT_INDEX FILE --gauge NAME"));
        return kExitUsage;
    }
    const QString gaugeName = o.values.value(QStringLiteral("gauge")).trimmed();
    if (const QString problem = gaugeNameProblem(gaugeName); !problem.isEmpty()) {
        printError(QStringLiteral("--gauge"), problem);
        return kExitUsage;
    }
    RainImportMapping mapping;
    if (!mappingOf(o, mapping))
        return kExitUsage;
    ProjectFiles project;
    if (!openProject(o.positional[0], project))
        return kExitFileError;
    for (const QString &point : std::as_const(points))
        if (!project.point(point)) {
            printError(project.indexPath, QStringLiteral("no point named \"%1\"").arg(point));
            return kExitFileError;
        }
    const QString file = o.positional[1];
    QByteArray bytes;
    if (!readGaugeFile(file, bytes))
        return kExitFileError;
    if (!o.values.contains(QStringLiteral("skip")))
        mapping.skipRows = headerLines(bytes, mapping);

    const RainImportResult result = importRain(bytes, mapping);
    const QStringList bad = rainBadRowLines(result.badRows, INT_MAX);
    for (const QString &line : bad)
        printError(file, line);
    if (result.refused()) {
        printError(file, result.error);
        return kExitFileError;
    }
    GaugeImport gauge;
    gauge.name = gaugeName;
    gauge.bucketMm = mapping.bucketMm;
    gauge.sourceName = QFileInfo(file).fileName();
    gauge.sourceSha256 = gaugeSourceSha256(bytes);
    gauge.points = points;
    gauge.replace = o.flags.contains(QStringLiteral("replace"));
    ProjectDb db(ProjectDb::pathFor(project.indexPath));
    QString error;
    if (!importGauge(db, gauge, result.series, &error)) {
        printError(db.path(), error);
        return kExitFileError;
    }
    const RainSeries &s = result.series;
    QString out = QStringLiteral("雨量计 %1: %2 (%3), 读入 %4 行, 表头 %5 行, 无法读取 %6 行\n")
                      .arg(gaugeName, QFileInfo(file).fileName(), rainEncodingName(result.encoding))
                      .arg(result.rowsRead)
                      .arg(mapping.skipRows)
                      .arg(result.badRows.size());
    out += QStringLiteral("  %1, 间隔 %2 s, 合计 %3 mm\n")
               .arg(periodText(s))
               .arg(s.intervalSeconds)
               .arg(QString::number(totalDepth(s), 'f', 1));
    if (result.holes > 0)
        out += QStringLiteral("  %1 段缺测期间累计增加 %2 mm (未计入)\n")
                   .arg(result.holes)
                   .arg(QString::number(result.holeDepthMm, 'f', 1));
    if (!points.isEmpty())
        out += QStringLiteral("  分配给测点: %1\n").arg(points.join(QStringLiteral("、")));
    printOut(out);
    return kExitOk;
}

// rain assign / unassign.
int runAssign(const QStringList &args, bool assign)
{
    const QString command = assign ? QStringLiteral("rain assign") : QStringLiteral("rain unassign");
    Options o;
    if (!parseOptions(args, {QStringLiteral("gauge"), QStringLiteral("point")}, {}, o))
        return kExitUsage;
    if (o.positional.size() != 1 || !o.values.contains(QStringLiteral("gauge")) ||
        !o.values.contains(QStringLiteral("point"))) {
        printError(command, QStringLiteral("needs PROJECT_INDEX --gauge NAME --point NAME"));
        return kExitUsage;
    }
    ProjectFiles project;
    if (!openProject(o.positional[0], project))
        return kExitFileError;
    const QString gauge = o.values.value(QStringLiteral("gauge"));
    const QString point = o.values.value(QStringLiteral("point"));
    // A point that has left the index may still be taken off a gauge.
    if (assign && !project.point(point)) {
        printError(project.indexPath, QStringLiteral("no point named \"%1\"").arg(point));
        return kExitFileError;
    }
    ProjectDb db(ProjectDb::pathFor(project.indexPath));
    QString error;
    if (!(assign ? assignGauge(db, gauge, point, &error) : unassignGauge(db, gauge, point, &error))) {
        printError(db.path(), error);
        return kExitFileError;
    }
    printOut((assign ? QStringLiteral("雨量计 %1 已分配给测点 %2\n")
                     : QStringLiteral("雨量计 %1 已不再用于测点 %2\n"))
                 .arg(gauge.trimmed(), point.trimmed()));
    return kExitOk;
}

int runList(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, {}, {QStringLiteral("json")}, o))
        return kExitUsage;
    if (o.positional.size() != 1) {
        printError(QStringLiteral("rain list"), QStringLiteral("needs exactly one PROJECT_INDEX"));
        return kExitUsage;
    }
    ProjectFiles project;
    if (!openProject(o.positional[0], project))
        return kExitFileError;
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    if (!readableOrSaid(db))
        return kExitFileError;
    bool damaged = false;
    QJsonArray list;
    QString text = QStringLiteral("项目: %1\n").arg(project.name);
    const QVector<GaugeInfo> gauges = projectGauges(db);
    for (const GaugeInfo &g : gauges) {
        RainSeries s;
        QString error;
        const bool read = loadGaugeSeries(db, g.name, s, &error);
        if (!read) {
            printError(db.path(), error);
            damaged = true;
        }
        const QJsonValue none(QJsonValue::Null);
        QJsonObject row{
            {QStringLiteral("name"), g.name},
            {QStringLiteral("kind"), kindName(g.kind)},
            {QStringLiteral("intervalSeconds"), double(g.intervalSeconds)},
            {QStringLiteral("bucketMm"), g.bucketMm ? QJsonValue(*g.bucketMm) : none},
            {QStringLiteral("sourceName"), g.sourceName},
            {QStringLiteral("sourceSha256"), g.sourceSha256},
            {QStringLiteral("imported"), g.imported},
            {QStringLiteral("points"), QJsonArray::fromStringList(g.points)},
            {QStringLiteral("start"), read ? QJsonValue(clockText(s.covered.front().start)) : none},
            {QStringLiteral("end"), read ? QJsonValue(clockText(s.covered.back().end)) : none},
            {QStringLiteral("entries"), read ? QJsonValue(double(s.times.size())) : none},
            {QStringLiteral("totalDepthMm"), read ? QJsonValue(rounded(totalDepth(s))) : none}};
        if (!read)
            row.insert(QStringLiteral("error"), error);
        list.append(row);
        text += QStringLiteral("%1  %2  %3  合计 %4 mm  测点: %5\n")
                    .arg(g.name, kindName(g.kind), read ? periodText(s) : error,
                         read ? QString::number(totalDepth(s), 'f', 1) : QStringLiteral("-"),
                         g.points.isEmpty() ? QStringLiteral("-") : g.points.join(QStringLiteral("、")));
    }
    if (o.flags.contains(QStringLiteral("json")))
        printJson(QJsonObject{{QStringLiteral("project"), project.name}, {QStringLiteral("gauges"), list}});
    else
        printOut(text);
    return damaged ? kExitFileError : kExitOk;
}

QString peakText(const std::optional<double> &v)
{
    return v ? QString::number(*v, 'f', 1) : QStringLiteral("-");
}

QString eventsText(const QString &gauge, const StormEventList &list)
{
    QString out = QStringLiteral("雨量计 %1: 合计 %2 mm, 降雨事件 %3 场, 零星降雨 %4 次\n")
                      .arg(gauge, QString::number(list.totalDepthMm, 'f', 1))
                      .arg(list.events.size())
                      .arg(list.minor);
    for (const StormEvent &e : list.events)
        out +=
            QStringLiteral("%1 ~ %2  历时 %3 h  雨量 %4 mm  雨强(5/15/60分钟) %5/%6/%7 mm/h  前期无雨 %8 h  "
                           "可用于验证: %9\n")
                .arg(clockText(e.start), clockText(e.end), QString::number(e.durationHours(), 'f', 2),
                     QString::number(e.depthMm, 'f', 1), peakText(e.peak5), peakText(e.peak15),
                     peakText(e.peak60), QString::number(e.dryHoursBefore, 'f', 1),
                     e.verification ? QStringLiteral("是") : QStringLiteral("否"));
    return out;
}

} // namespace

int runRain(const QStringList &args)
{
    const QString sub = args.value(0);
    if (sub == QLatin1String("import"))
        return runImport(args.mid(1));
    if (sub == QLatin1String("assign") || sub == QLatin1String("unassign"))
        return runAssign(args.mid(1), sub == QLatin1String("assign"));
    if (sub == QLatin1String("list"))
        return runList(args.mid(1));
    printError(QStringLiteral("rain"),
               QStringLiteral("use \"rain import\", \"rain assign\", \"rain unassign\" "
                              "or \"rain list\""));
    return kExitUsage;
}

int runEvents(const QStringList &args)
{
    Options o;
    if (!parseOptions(args,
                      {QStringLiteral("gauge"), QStringLiteral("ietd"), QStringLiteral("min-depth"),
                       QStringLiteral("verify-depth"), QStringLiteral("verify-peak5")},
                      {QStringLiteral("json")}, o))
        return kExitUsage;
    if (o.positional.size() != 1 || !o.values.contains(QStringLiteral("gauge"))) {
        printError(QStringLiteral("events"), QStringLiteral("needs PROJECT_INDEX --gauge NAME"));
        return kExitUsage;
    }
    StormEventOptions options;
    if (!takeOptionalNumber(o, QStringLiteral("ietd"), options.interEventHours) ||
        !takeOptionalNumber(o, QStringLiteral("min-depth"), options.minDepthMm) ||
        !takeOptionalNumber(o, QStringLiteral("verify-depth"), options.verifyDepthMm) ||
        !takeOptionalNumber(o, QStringLiteral("verify-peak5"), options.verifyPeak5MmPerHour))
        return kExitUsage;
    if (const QString problem = stormEventOptionsProblem(options); !problem.isEmpty()) {
        printError(QStringLiteral("events"), problem);
        return kExitUsage;
    }
    ProjectFiles project;
    if (!openProject(o.positional[0], project))
        return kExitFileError;
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    if (!readableOrSaid(db))
        return kExitFileError;
    const QString gauge = o.values.value(QStringLiteral("gauge")).trimmed();
    RainSeries series;
    QString error;
    if (!loadGaugeSeries(db, gauge, series, &error)) {
        printError(db.path(), error);
        return kExitFileError;
    }
    const StormEventList list = findStormEvents(series, options);
    if (o.flags.contains(QStringLiteral("json")))
        printJson(stormEventsJson(gauge, list));
    else
        printOut(eventsText(gauge, list));
    return kExitOk;
}

} // namespace lmvtool
