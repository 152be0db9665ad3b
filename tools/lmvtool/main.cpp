// lmvtool: works on data files without the window.

#include "tools/lmvtool/CheckCommand.h"
#include "tools/lmvtool/DwfCommands.h"
#include "tools/lmvtool/EditCommands.h"
#include "tools/lmvtool/RainCommands.h"
#include "tools/lmvtool/ReportCommands.h"
#include "tools/lmvtool/ScatterCommands.h"
#include "tools/lmvtool/SurveyCommands.h"
#include "tools/lmvtool/ToolCommands.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>

#include <cstdio>

namespace {

const char kUsage[] =
    "usage:\n"
    "  lmvtool info [--json] FILE\n"
    "  lmvtool flow --shape S --h H --w W --t T --y Y --level METRES "
    "--velocity METRES_PER_SECOND\n"
    "  lmvtool repipe --shape S --h H --w W --t T --y Y FILE...\n"
    "  lmvtool export SRC DST            (DST ending in .txt or .csv)\n"
    "  lmvtool export SRC... --to DIR --format txt|csv\n"
    "  lmvtool plot FILE --out OUT.png|.svg|.pdf [--size WxH]\n"
    "               [--series level,velocity,flow,temperature | channel1..channel6,voltage,csq]\n"
    "               [--from \"YYYY-MM-DD hh:mm:ss\"] [--to ...] [--ymin V --ymax V]\n"
    "  lmvtool check FILE [--json]\n"
    "  lmvtool curve --shape S --h H --w W --t T --y Y --slope-permille PERMILLE "
    "(--manning N | --ks MM) --level METRES [--level ...] [--json]\n"
    "  lmvtool fit [--json] FILE\n"
    "  lmvtool survey PROJECT_INDEX [--point NAME] [--from T] [--to T] [--raw] [--json]\n"
    "  lmvtool visit add PROJECT_INDEX --point NAME --time T --depth MM --velocity M_PER_S "
    "[--note TEXT]\n"
    "  lmvtool visits PROJECT_INDEX --point NAME [--json]\n"
    "  lmvtool edit PROJECT_INDEX --point NAME --op remove|fill|offset|drift|vfactor --from T --to T\n"
    "               [--value X] [--value2 X] [--max-gap MIN] --reason TEXT\n"
    "  lmvtool edits PROJECT_INDEX --point NAME [--json]\n"
    "  lmvtool undo|redo PROJECT_INDEX --point NAME\n"
    "  lmvtool rain import PROJECT_INDEX FILE --gauge NAME [--point NAME]... "
    "[--kind interval|cumulative|tips]\n"
    "               [--time-col N] [--value-col N] [--skip N] [--sep CHAR] [--decimal-comma] "
    "[--format PATTERN]\n"
    "               [--bucket MM] [--replace]\n"
    "  lmvtool rain assign|unassign PROJECT_INDEX --gauge NAME --point NAME\n"
    "  lmvtool rain list PROJECT_INDEX [--json]\n"
    "  lmvtool events PROJECT_INDEX --gauge NAME [--ietd H] [--min-depth MM] [--verify-depth MM]\n"
    "               [--verify-peak5 MM_PER_H] [--json]\n"
    "  lmvtool dwf PROJECT_INDEX --point NAME [--from T] [--to T] [--raw] [--antecedent H] [--max-rain MM]\n"
    "               [--min-coverage X] [--fence K] [--area HA] [--response H] [--csv FILE] [--json]\n"
    "  lmvtool rdii PROJECT_INDEX --point NAME [--area HA] [--response H] [--from T] [--to T] [--raw] "
    "[--json]\n"
    "  lmvtool report PROJECT_INDEX [--point NAME] [--from T] [--to T] [--raw]\n"
    "               [--slope PERMILLE [--manning N | --ks MM]] --out FILE.pdf\n"
    "  lmvtool export-model PROJECT_INDEX --point NAME --format swmm-series|swmm-rain|swmm-dwf|csv\n"
    "               [--series flow|level|velocity] [--units LPS|CMS|MLD|CFS|GPM|MGD] [--gauge NAME]\n"
    "               [--step MIN] [--from T] [--to T] [--raw] --out FILE\n"
    "\n"
    "Pipe sizes (--h --w --t --y) are millimetres, each 1 to 20000 (sediment --y from 0, below the\n"
    "top); the slope is in per mille (0.001 to 1000, as the window asks); Manning's n up to 1,\n"
    "Colebrook-White ks 0 to 100 mm. Files larger than 1 GiB are read by no command.\n";

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs the widget toolkit; without a display it draws offscreen.
    const bool plot = argc > 1 && (qstrcmp(argv[1], "plot") == 0 || qstrcmp(argv[1], "report") == 0);
    if (plot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit's own notes (no runtime directory, no window manager) are not ours to print:
    // stderr carries one error line or nothing.
    if (plot)
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type == QtFatalMsg)
                std::fprintf(stderr, "lmvtool: %s\n", qPrintable(message));
        });
    std::unique_ptr<QCoreApplication> app(plot ? new QApplication(argc, argv)
                                               : new QCoreApplication(argc, argv));
    QStringList args = app->arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? lmvtool::kExitUsage : lmvtool::kExitOk;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("info"))
        return lmvtool::runInfo(args);
    if (command == QLatin1String("flow"))
        return lmvtool::runFlow(args);
    if (command == QLatin1String("repipe"))
        return lmvtool::runRepipe(args);
    if (command == QLatin1String("export"))
        return lmvtool::runExport(args);
    if (command == QLatin1String("plot"))
        return lmvtool::runPlot(args);
    if (command == QLatin1String("check"))
        return lmvtool::runCheck(args);
    if (command == QLatin1String("curve") || command == QLatin1String("fit"))
        return command == QLatin1String("curve") ? lmvtool::runCurve(args) : lmvtool::runFit(args);
    if (command == QLatin1String("survey"))
        return lmvtool::runSurvey(args);
    if (command == QLatin1String("visit"))
        return lmvtool::runVisit(args);
    if (command == QLatin1String("visits"))
        return lmvtool::runVisits(args);
    if (command == QLatin1String("edit"))
        return lmvtool::runEdit(args);
    if (command == QLatin1String("edits"))
        return lmvtool::runEdits(args);
    if (command == QLatin1String("undo") || command == QLatin1String("redo"))
        return lmvtool::runUndo(args, command == QLatin1String("redo"));
    if (command == QLatin1String("rain"))
        return lmvtool::runRain(args);
    if (command == QLatin1String("events"))
        return lmvtool::runEvents(args);
    if (command == QLatin1String("dwf"))
        return lmvtool::runDwf(args);
    if (command == QLatin1String("rdii"))
        return lmvtool::runRdii(args);
    if (command == QLatin1String("report"))
        return lmvtool::runReport(args);
    if (command == QLatin1String("export-model"))
        return lmvtool::runExportModel(args);
    lmvtool::printError(command, QStringLiteral("unknown command"));
    std::fputs(kUsage, stderr);
    return lmvtool::kExitUsage;
}
