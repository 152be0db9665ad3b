// lmvtool: works on data files without the window.

#include "tools/lmvtool/ScatterCommands.h"
#include "tools/lmvtool/ToolCommands.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char kUsage[] = "usage:\n"
                      "  lmvtool info [--json] FILE\n"
                      "  lmvtool flow --shape S --h H --w W --t T --y Y --level METRES "
                      "--velocity METRES_PER_SECOND\n"
                      "  lmvtool repipe --shape S --h H --w W --t T --y Y FILE...\n"
                      "  lmvtool export SRC DST            (DST ending in .txt or .csv)\n"
                      "  lmvtool export SRC... --to DIR --format txt|csv\n"
                      "  lmvtool curve --shape S --h H --w W --t T --y Y --slope M_PER_M "
                      "(--manning N | --ks MM) --level METRES [--level ...] [--json]\n"
                      "  lmvtool fit [--json] FILE\n";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
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
    if (command == QLatin1String("curve") || command == QLatin1String("fit"))
        return command == QLatin1String("curve") ? lmvtool::runCurve(args) : lmvtool::runFit(args);
    lmvtool::printError(command, QStringLiteral("unknown command"));
    std::fputs(kUsage, stderr);
    return lmvtool::kExitUsage;
}
