#include "tools/lmvtool/DwfCommands.h"

#include "data/SurveyCheck.h"
#include "survey/DwfCsv.h"
#include "survey/DwfJson.h"
#include "survey/PointDwf.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "tools/lmvtool/ProjectArgs.h"

#include <QJsonArray>

#include <cmath>

namespace lmvtool {

using namespace lmv;
using namespace lmv::survey;

namespace {

// What dwf and rdii share: the point read over its period through its chosen layer, its settings
// with the options over them.
struct DwfInput
{
    ProjectFiles project;
    QString point;
    PointSurvey survey;
    PointDwfSettings settings;
};

int readInput(const Options &o, const QString &command, DwfInput &in)
{
    SurveyPeriod period;
    if (!takeClock(o, QStringLiteral("from"), false, period.from) ||
        !takeClock(o, QStringLiteral("to"), true, period.to))
        return kExitUsage;
    if (period.from && period.to && *period.from > *period.to) {
        printError(QStringLiteral("--from"), QStringLiteral("must not lie after --to"));
        return kExitUsage;
    }
    if (!o.values.contains(QStringLiteral("point"))) {
        printError(command, QStringLiteral("needs --point NAME"));
        return kExitUsage;
    }
    if (!openProject(o, command, in.project))
        return kExitFileError;
    const PointFiles *point = namedPoint(in.project, o);
    if (!point)
        return kExitFileError;
    in.point = point->name;
    const ProjectDb db(ProjectDb::pathFor(in.project.indexPath));
    if (db.problem() == DbProblem::Damaged || db.problem() == DbProblem::NoDriver) {
        printError(db.path(), db.message());
        return kExitFileError;
    }
    if (db.problem() == DbProblem::NewerVersion)
        printError(db.path(), db.message()); // read as far as it can be
    QStringList problems;
    in.settings = PointDwfSettings::load(db, in.point, &problems);
    for (const QString &p : std::as_const(problems))
        printError(db.path(), p);
    if (!takeOptionalNumber(o, QStringLiteral("antecedent"), in.settings.dry.antecedentHours) ||
        !takeOptionalNumber(o, QStringLiteral("max-rain"), in.settings.dry.maxRainMm) ||
        !takeOptionalNumber(o, QStringLiteral("min-coverage"), in.settings.dry.minCoverage) ||
        !takeOptionalNumber(o, QStringLiteral("fence"), in.settings.dry.fenceIqr) ||
        !takeOptionalNumber(o, QStringLiteral("area"), in.settings.rdii.areaHa) ||
        !takeOptionalNumber(o, QStringLiteral("response"), in.settings.rdii.responseHours))
        return kExitUsage;
    if (const QString why = in.settings.problem(); !why.isEmpty()) {
        printError(command, why);
        return kExitUsage;
    }
    const LayerChoice choice =
        o.flags.contains(QStringLiteral("raw")) ? LayerChoice::Raw : LayerChoice::Edited;
    in.survey = PointSurvey::read(in.project, in.point, period, choice, &db);
    if (choice == LayerChoice::Edited && !in.survey.editsReadable())
        printError(in.point, in.survey.dbMessage());
    if (in.survey.layer().empty()) {
        printError(in.point, QStringLiteral("no record to work on"));
        return kExitFileError;
    }
    if (in.survey.layer().family != Family::Rva) {
        printError(in.point, QStringLiteral("holds no flow (RVB records)"));
        return kExitFileError;
    }
    return kExitOk;
}

PointDwf analyse(const DwfInput &in)
{
    const ProjectDb db(ProjectDb::pathFor(in.project.indexPath));
    PointDwf r = pointDwf(in.survey.layer(), db, in.point, in.settings);
    for (const QString &p : std::as_const(r.problems))
        printError(db.path(), p);
    return r;
}

QString flowText(double v)
{
    return std::isfinite(v) ? QString::number(v, 'f', 2) : QStringLiteral("-");
}

QString dwfText(const QString &point, const PointDwf &r)
{
    const DryWeatherResult &d = r.dwf;
    const DwfFigures &f = d.figures;
    QString out =
        QStringLiteral("测点: %1  雨量计: %2\n").arg(point, r.gauge ? r.gauge->name : QStringLiteral("无"));
    QStringList days;
    for (const qint64 day : d.dryDays())
        days << dayText(day);
    out += QStringLiteral("旱天 %1 天: %2\n").arg(days.size()).arg(days.join(QLatin1Char(' ')));
    out +=
        QStringLiteral("平均旱季流量 ADWF %1 L/s  最小夜间流量 MNF %2 L/s  峰值系数 %3\n")
            .arg(flowText(f.adwf), flowText(f.mnf),
                 std::isfinite(f.peakFactor) ? QString::number(f.peakFactor, 'f', 2) : QStringLiteral("-"));
    out += QStringLiteral("地下水入渗 GWI %1 L/s (%2%)  基础污水量 %3 L/s (%4%)\n")
               .arg(flowText(f.gwi), flowText(f.gwiShare() * 100.0), flowText(f.baseSanitary),
                    flowText(f.baseShare() * 100.0));
    for (const QString &note : d.notes)
        out += QStringLiteral("注: %1\n").arg(note);
    return out;
}

QString rdiiText(const QString &point, const PointDwf &r)
{
    QString out = QStringLiteral("测点: %1  雨量计: %2\n").arg(point, r.gauge->name);
    for (const RdiiEvent &e : r.rdii.events)
        out += QStringLiteral("%1 ~ %2  雨量 %3 mm  入流量 %4 m3  峰值 %5 L/s  历时 %6 h  径流系数 %7\n")
                   .arg(clockText(e.start), clockText(e.end), QString::number(e.depthMm, 'f', 1),
                        QString::number(e.volumeM3, 'f', 1), flowText(e.peakRdii),
                        QString::number(double(e.durationSeconds()) / 3600.0, 'f', 1),
                        std::isfinite(e.runoffRatio) ? QString::number(e.runoffRatio, 'f', 3)
                                                     : QStringLiteral("-"));
    for (const QString &note : r.rdii.notes)
        out += QStringLiteral("注: %1\n").arg(note);
    return out;
}

const QStringList kReadOptions{QStringLiteral("point"), QStringLiteral("from"), QStringLiteral("to")};

} // namespace

int runDwf(const QStringList &args)
{
    Options o;
    if (!parseOptions(args,
                      kReadOptions + QStringList{QStringLiteral("antecedent"), QStringLiteral("max-rain"),
                                                 QStringLiteral("min-coverage"), QStringLiteral("fence"),
                                                 QStringLiteral("area"), QStringLiteral("response"),
                                                 QStringLiteral("csv")},
                      {QStringLiteral("json"), QStringLiteral("raw")}, o))
        return kExitUsage;
    DwfInput in;
    if (const int code = readInput(o, QStringLiteral("dwf"), in); code != kExitOk)
        return code;
    const PointDwf r = analyse(in);
    if (o.values.contains(QStringLiteral("csv")) &&
        !writeDwfCsv(in.point, r, o.values.value(QStringLiteral("csv")))) {
        printError(o.values.value(QStringLiteral("csv")), QStringLiteral("cannot be written"));
        return kExitFileError;
    }
    if (o.flags.contains(QStringLiteral("json")))
        printJson(dwfJson(r.dwf));
    else
        printOut(dwfText(in.point, r));
    return kExitOk;
}

int runRdii(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, kReadOptions + QStringList{QStringLiteral("area"), QStringLiteral("response")},
                      {QStringLiteral("json"), QStringLiteral("raw")}, o))
        return kExitUsage;
    DwfInput in;
    if (const int code = readInput(o, QStringLiteral("rdii"), in); code != kExitOk)
        return code;
    const PointDwf r = analyse(in);
    if (!r.gauge) {
        printError(in.point, QStringLiteral("has no rain gauge: assign one with \"lmvtool rain assign\""));
        return kExitFileError;
    }
    if (o.flags.contains(QStringLiteral("json")))
        printJson(rdiiJson(r.rdii));
    else
        printOut(rdiiText(in.point, r));
    return kExitOk;
}

} // namespace lmvtool
