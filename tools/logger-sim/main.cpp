// limnova-logger-sim: a water-monitoring logger at the far end of a pseudo-terminal,
// serving a logger directory from a folder; see README.md.
#include "tools/logger-sim/LoggerSim.h"
#include "tools/logger-sim/LoggerStore.h"
#include "tools/logger-sim/PtyLink.h"
#include "tools/logger-sim/SampleMaker.h"
#include "tools/logger-sim/SimOptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

void printErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace

int main(int argc, char **argv)
{
    // The simulator belongs to the program that started it (a test, the run script): when that
    // program ends, even by SIGKILL, the kernel sends SIGTERM here, which ends the event loop below.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    if (args.size() >= 2 && args[1] == QLatin1String("--make-sample")) {
        if (args.size() != 4) {
            printErr(QStringLiteral("usage: limnova-logger-sim --make-sample rva|rvb DIR"));
            return 2;
        }
        QString error;
        if (!makeSample(args[2], args[3], &error)) {
            printErr(error);
            return 1;
        }
        return 0;
    }

    SimOptions options;
    QString error;
    bool helpOnly = false;
    if (!parseSimOptions(args, &options, &error, &helpOnly)) {
        printErr(QStringLiteral("limnova-logger-sim: ") + error);
        printErr(simUsage());
        return 2;
    }
    if (helpOnly) {
        std::fputs(simUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    LoggerStore store;
    if (!store.load(options.root, options.config, &error)) {
        printErr(QStringLiteral("limnova-logger-sim: ") + error);
        return 1;
    }
    PtyLink link;
    link.setBaud(options.baud);
    if (!link.open(&error)) {
        printErr(QStringLiteral("limnova-logger-sim: ") + error);
        return 1;
    }
    if (!options.linkPath.isEmpty()) {
        const QFileInfo existing(options.linkPath);
        if (existing.isSymLink())
            QFile::remove(options.linkPath);
        if (!QFile::link(link.slavePath(), options.linkPath)) {
            printErr(QStringLiteral("limnova-logger-sim: cannot make the link %1").arg(options.linkPath));
            return 1;
        }
    }
    std::printf("%s\n", link.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);

    auto removeLink = [&options]() {
        if (!options.linkPath.isEmpty() && QFileInfo(options.linkPath).isSymLink())
            QFile::remove(options.linkPath);
    };

    // SIGINT/SIGTERM end the event loop through a pipe, so the link is removed on the way out.
    if (::pipe(signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    }

    LoggerSim sim(options, store, link);
    QObject::connect(&link, &PtyLink::received, &sim, &LoggerSim::receive);
    QObject::connect(&sim, &LoggerSim::hungUp, &app, [&app]() {
        // Give the host a moment to notice the hang-up before the process goes.
        QTimer::singleShot(200, &app, &QCoreApplication::quit);
    });
    std::fprintf(stderr, "READY %s\n", link.slavePath().toLocal8Bit().constData());
    std::fflush(stderr);

    const int rc = app.exec();
    removeLink();
    return rc;
}
