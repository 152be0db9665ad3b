#include "tools/lmvtool/ReportCommands.h"

#include "report/ModelExportJob.h"
#include "report/SurveyReport.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "tools/lmvtool/ProjectArgs.h"

#include <cmath>

namespace lmvtool {

using namespace lmv;
using namespace lmv::survey;

namespace {

// --from and --to; false after an error line.
bool takePeriod(const Options &o, SurveyPeriod &period)
{
    if (!takeClock(o, QStringLiteral("from"), false, period.from) ||
        !takeClock(o, QStringLiteral("to"), true, period.to))
        return false;
    if (period.from && period.to && *period.from > *period.to) {
        printError(QStringLiteral("--from"), QStringLiteral("must not lie after --to"));
        return false;
    }
    return true;
}

bool needOut(const Options &o, const QString &command)
{
    if (!o.values.value(QStringLiteral("out")).isEmpty())
        return true;
    printError(command, QStringLiteral("needs --out FILE"));
    return false;
}

} // namespace

int runReport(const QStringList &args)
{
    Options o;
    if (!parseOptions(args,
                      {QStringLiteral("point"), QStringLiteral("from"), QStringLiteral("to"),
                       QStringLiteral("out"), QStringLiteral("slope"), QStringLiteral("manning"),
                       QStringLiteral("ks")},
                      {QStringLiteral("raw")}, o))
        return kExitUsage;
    report::SurveyReportRequest request;
    if (!takePeriod(o, request.period) || !needOut(o, QStringLiteral("report")))
        return kExitUsage;
    ProjectFiles project;
    if (!openProject(o, QStringLiteral("report"), project))
        return kExitFileError;
    if (o.values.contains(QStringLiteral("point"))) {
        const PointFiles *point = namedPoint(project, o);
        if (!point)
            return kExitFileError;
        request.points = QStringList{point->name};
    }
    request.indexPath = project.indexPath;
    request.layer = o.flags.contains(QStringLiteral("raw")) ? LayerChoice::Raw : LayerChoice::Edited;
    request.version = QStringLiteral(LMV_VERSION_TEXT);
    if (o.values.contains(QStringLiteral("slope"))) {
        CurveInput curve = defaultCurveInput();
        curve.slopePermille = o.values.value(QStringLiteral("slope"));
        if (o.values.contains(QStringLiteral("ks"))) {
            curve.law = 1;
            curve.roughnessMm = o.values.value(QStringLiteral("ks"));
        } else if (o.values.contains(QStringLiteral("manning"))) {
            curve.manningN = o.values.value(QStringLiteral("manning"));
        }
        request.curveInput = [curve](const QString &) { return curve; };
    }
    const report::SurveyReportResult result =
        report::writeSurveyReport(request, o.values.value(QStringLiteral("out")));
    for (const QString &note : result.notes)
        printError(QStringLiteral("report"), note);
    if (result.outcome != report::WriteOutcome::Written) {
        printError(o.values.value(QStringLiteral("out")), result.error);
        return kExitFileError;
    }
    printOut(QStringLiteral("%1: %2 页\n").arg(o.values.value(QStringLiteral("out"))).arg(result.pages));
    return kExitOk;
}

int runExportModel(const QStringList &args)
{
    Options o;
    if (!parseOptions(args,
                      {QStringLiteral("point"), QStringLiteral("format"), QStringLiteral("series"),
                       QStringLiteral("units"), QStringLiteral("gauge"), QStringLiteral("step"),
                       QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("out")},
                      {QStringLiteral("raw")}, o))
        return kExitUsage;
    const QString command = QStringLiteral("export-model");
    SurveyPeriod period;
    if (!takePeriod(o, period) || !needOut(o, command))
        return kExitUsage;
    report::ModelExportChoice choice;
    const auto format = report::modelFormatFromName(o.values.value(QStringLiteral("format")));
    if (!format) {
        printError(QStringLiteral("--format"), QStringLiteral("use swmm-series, swmm-rain, swmm-dwf or csv"));
        return kExitUsage;
    }
    choice.format = *format;
    const auto series =
        report::modelSeriesFromName(o.values.value(QStringLiteral("series"), QStringLiteral("flow")));
    if (!series) {
        printError(QStringLiteral("--series"), QStringLiteral("use flow, level or velocity"));
        return kExitUsage;
    }
    choice.series = *series;
    const auto unit =
        report::flowUnitFromName(o.values.value(QStringLiteral("units"), QStringLiteral("LPS")));
    if (!unit) {
        printError(QStringLiteral("--units"), QStringLiteral("use LPS, CMS, MLD, CFS, GPM or MGD"));
        return kExitUsage;
    }
    choice.flowUnit = *unit;
    double stepMinutes = 0.0;
    if (o.values.contains(QStringLiteral("step"))) {
        if (!takeNumber(o, QStringLiteral("step"), stepMinutes))
            return kExitUsage;
        const double seconds = stepMinutes * 60.0;
        if (!(seconds >= 1.0 && seconds <= 86400.0) || std::abs(seconds - std::round(seconds)) > 1e-6) {
            printError(QStringLiteral("--step"),
                       QStringLiteral("must be minutes of whole seconds, up to a day"));
            return kExitUsage;
        }
        choice.stepSeconds = qint64(std::llround(seconds));
    }
    choice.gauge = o.values.value(QStringLiteral("gauge"));
    ProjectFiles project;
    if (!openProject(o, command, project))
        return kExitFileError;
    const PointFiles *point = namedPoint(project, o);
    if (!point)
        return kExitFileError;
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    const LayerChoice layer =
        o.flags.contains(QStringLiteral("raw")) ? LayerChoice::Raw : LayerChoice::Edited;
    const PointSurvey ps = PointSurvey::read(project, point->name, period, layer, &db);
    QString error;
    const QByteArray bytes = report::pointModelFile(ps, db, choice, &error);
    if (bytes.isEmpty()) {
        printError(point->name, error);
        return kExitFileError;
    }
    const QString out = o.values.value(QStringLiteral("out"));
    if (!report::writeModelFile(out, bytes, &error)) {
        printError(out, error);
        return kExitFileError;
    }
    return kExitOk;
}

} // namespace lmvtool
