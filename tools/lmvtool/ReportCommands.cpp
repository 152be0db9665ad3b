#include "tools/lmvtool/ReportCommands.h"

#include "report/DryWeatherProfiles.h"
#include "report/ModelExport.h"
#include "report/SurveyReport.h"
#include "survey/DryWeather.h"
#include "survey/GaugeStore.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "tools/lmvtool/ProjectArgs.h"

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
    const QString format = o.values.value(QStringLiteral("format"));
    const QStringList formats = {QStringLiteral("swmm-series"), QStringLiteral("swmm-rain"),
                                 QStringLiteral("swmm-dwf"), QStringLiteral("csv")};
    if (!formats.contains(format)) {
        printError(QStringLiteral("--format"), QStringLiteral("use swmm-series, swmm-rain, swmm-dwf or csv"));
        return kExitUsage;
    }
    const auto series =
        report::modelSeriesFromName(o.values.value(QStringLiteral("series"), QStringLiteral("flow")));
    if (!series) {
        printError(QStringLiteral("--series"), QStringLiteral("use flow, level or velocity"));
        return kExitUsage;
    }
    const auto unit =
        report::flowUnitFromName(o.values.value(QStringLiteral("units"), QStringLiteral("LPS")));
    if (!unit) {
        printError(QStringLiteral("--units"), QStringLiteral("use LPS, CMS, MLD, CFS, GPM or MGD"));
        return kExitUsage;
    }
    double stepMinutes = 0.0;
    if (o.values.contains(QStringLiteral("step")) &&
        (!takeNumber(o, QStringLiteral("step"), stepMinutes) || stepMinutes <= 0.0 ||
         std::abs(stepMinutes * 60.0 - std::round(stepMinutes * 60.0)) > 1e-9)) {
        printError(QStringLiteral("--step"),
                   QStringLiteral("must be a positive number of minutes (whole seconds)"));
        return kExitUsage;
    }
    const qint64 stepSeconds = qint64(std::llround(stepMinutes * 60.0));
    ProjectFiles project;
    if (!openProject(o, command, project))
        return kExitFileError;
    const PointFiles *point = namedPoint(project, o);
    if (!point)
        return kExitFileError;
    const ProjectDb db(ProjectDb::pathFor(project.indexPath));
    const LayerChoice choice =
        o.flags.contains(QStringLiteral("raw")) ? LayerChoice::Raw : LayerChoice::Edited;
    const PointSurvey ps = PointSurvey::read(project, point->name, period, choice, &db);
    const SurveyLayer &layer = ps.layer();
    if (format != QLatin1String("swmm-rain") && layer.family != Family::Rva) {
        printError(point->name, layer.empty() ? QStringLiteral("no records in the period")
                                              : QStringLiteral("model files are made of RVA flow records"));
        return kExitFileError;
    }
    const qint64 from = period.from.value_or(layer.empty() ? 0 : layer.times.front());
    const qint64 to = period.to.value_or(layer.empty() ? 0 : layer.times.back());
    // The gauge named, else the one the point's figures use.
    RainSeries rain;
    QString gaugeName = o.values.value(QStringLiteral("gauge"));
    QString error;
    if (!gaugeName.isEmpty()) {
        if (!loadGaugeSeries(db, gaugeName, rain, &error)) {
            printError(gaugeName, error);
            return kExitFileError;
        }
    } else if (format == QLatin1String("swmm-rain") || format == QLatin1String("swmm-dwf")) {
        PointRain pr = pointRain(db, point->name, from, to);
        if (pr.gauge) {
            gaugeName = pr.gauge->name;
            rain = std::move(pr.series);
        } else if (format == QLatin1String("swmm-rain")) {
            printError(point->name, QStringLiteral("no rain gauge is assigned: name one with --gauge"));
            return kExitFileError;
        }
    }
    QByteArray bytes;
    if (format == QLatin1String("swmm-series")) {
        report::SwmmSeriesOptions options;
        options.series = *series;
        options.flowUnit = *unit;
        options.pointName = point->name;
        options.from = period.from;
        options.to = period.to;
        bytes = report::swmmTimeSeries(layer, options);
    } else if (format == QLatin1String("swmm-rain")) {
        report::SwmmRainOptions options;
        options.stationId = gaugeName;
        options.stepSeconds = stepSeconds;
        options.from = period.from;
        options.to = period.to;
        bytes = report::swmmRainFile(rain, options, &error);
    } else if (format == QLatin1String("swmm-dwf")) {
        const DryWeatherResult dwf =
            dryWeatherFlow(layer, rain.empty() ? nullptr : &rain, DryWeatherSettings{});
        report::SwmmDwfOptions options;
        options.nodeId = point->name;
        options.pointName = point->name;
        options.flowUnit = *unit;
        bytes = report::swmmDryWeather(report::dryWeatherProfiles(dwf), options, &error);
    } else {
        report::FixedStepOptions options;
        options.stepSeconds = stepSeconds > 0 ? stepSeconds : 300;
        options.flowUnit = *unit;
        options.from = period.from;
        options.to = period.to;
        bytes = report::fixedStepCsv(layer, options, &error);
    }
    if (bytes.isEmpty()) {
        printError(point->name, error.isEmpty() ? QStringLiteral("nothing to write") : error);
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
