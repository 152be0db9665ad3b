// Download speed of the device mode against the logger simulator, and the idle load of a connected
// viewer. Prints "name: value unit" lines.
//   download_paced_fraction_of_line_limit: (file bytes x 10 bits / 115200 baud) / measured time,
//       1 MB RVA file, 2048-byte pages, simulator paced at 115200 baud (goal >= 0.97)
//   download_unpaced_throughput: file bytes / measured time, unpaced, 2048-byte pages
//       (goal >= 5 MB/s); download_unpaced_32k_pages_throughput the same with 32 KB pages
//   idle_cpu_connected: CPU time of the viewer process / wall time while connected and idle
//       (goal < 0.5 % of a core)
#include "app/MainWindow.h"
#include "data/Records.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <sys/resource.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int kRecords = (1024 * 1024 - 512) / 32; // a 1 MB file

QByteArray rvaFile()
{
    QByteArray bytes(512, '\0');
    lmv::ByteWriter w(bytes);
    w.f32le(88, 1.0f);
    w.f32le(92, 1.0f);
    bytes[500] = 5;
    QByteArray r(32, '\0');
    for (int i = 0; i < kRecords; ++i) {
        lmv::ByteWriter rw(r);
        rw.u16le(4, 2019);
        rw.u8(6, 3);
        rw.u8(7, 15);
        rw.u32le(12, quint32(i));
        rw.f32le(16, 0.3f + 0.0001f * float(i % 1000));
        rw.f32le(20, 0.7f);
        rw.f32le(28, 16.0f);
        bytes.append(r);
    }
    return bytes;
}

bool writeFolder(const QString &root, const QByteArray &file)
{
    QDir().mkpath(root + "/P/A");
    QFile ini(root + "/logger.ini");
    QFile data(root + "/P/A/big.lmv");
    if (!ini.open(QIODevice::WriteOnly) || !data.open(QIODevice::WriteOnly))
        return false;
    ini.write("[device]\ntype = 5\nnumber = 1\nversion = 1 0 0 0 0\nprotocol = 1.0\n"
              "[point P/A]\nshape = 0\nheight = 800\nwidth = 0\nupper = 0\nsediment = 0\n");
    data.write(file);
    return true;
}

// Runs the event loop until done() holds or the time is up.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

struct Sim
{
    QProcess proc;
    QString port;
    bool start(const QString &root, const QStringList &options)
    {
        proc.setProgram(QStringLiteral(LMV_SIM_PATH));
        proc.setArguments(options + QStringList{root});
        proc.setStandardErrorFile(QProcess::nullDevice());
        proc.start();
        if (!proc.waitForStarted(5000))
            return false;
        while (!proc.canReadLine())
            if (!proc.waitForReadyRead(5000))
                return false;
        port = QString::fromLocal8Bit(proc.readLine()).trimmed();
        return true;
    }
    ~Sim()
    {
        proc.terminate();
        if (!proc.waitForFinished(3000))
            proc.kill();
        proc.waitForFinished(3000);
    }
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QTreeWidgetItem *bigFile(MainWindow &w)
{
    QTreeWidgetItem *p = w.UsbPrjTree->topLevelItem(0);
    QTreeWidgetItem *a = p ? p->child(0) : nullptr;
    return a ? a->child(0) : nullptr;
}

// Connects, downloads the big file once and returns the seconds from the click until the file
// is complete and finished in the cache.
double downloadOnce(const QString &root, const QStringList &simOptions, bool measureIdle, double *idleCpu)
{
    Sim sim;
    if (!sim.start(root, simOptions))
        return -1;
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    double seconds = -1;
    {
        MainWindow w;
        w.show();
        w.port_box->setEditText(sim.port);
        w.usb_open_button->setChecked(true);
        if (waitFor([&] { return w.isEnabled() && bigFile(w); }, 30000)) {
            if (measureIdle && idleCpu) {
                const double cpu0 = cpuSeconds();
                QElapsedTimer wall;
                wall.start();
                // One timer for the whole span, so the measurement adds no wake-ups of its own.
                QEventLoop idleLoop;
                QTimer::singleShot(10000, &idleLoop, &QEventLoop::quit);
                idleLoop.exec();
                *idleCpu = (cpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) / 1e9);
            }
            QTreeWidgetItem *file = bigFile(w);
            QElapsedTimer clock;
            // The download ends when the finished file is marked as cached (before it is shown).
            qint64 cachedAt = -1;
            QObject::connect(w.UsbPrjTree, &QTreeWidget::itemChanged, &w,
                             [&](QTreeWidgetItem *item, int column) {
                                 if (item == file && column == 7 && !item->text(7).isEmpty() && cachedAt < 0)
                                     cachedAt = clock.nsecsElapsed();
                             });
            clock.start();
            w.once_UsbTreeItemClicked(file);
            if (waitFor([&] { return cachedAt >= 0 && w.isEnabled(); }, 300000))
                seconds = double(cachedAt) / 1e9;
        }
        w.usb_open_button->setChecked(false);
    }
    QDir::setCurrent(previous);
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The simulator's ports are not the user's: settings go to the test locations.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick")); // skips the paced run

    QTemporaryDir folder;
    const QByteArray file = rvaFile();
    if (!writeFolder(folder.path(), file)) {
        std::fprintf(stderr, "cannot write the logger folder\n");
        return 1;
    }
    const double bytes = double(file.size());

    double idle = -1;
    const double unpaced = downloadOnce(folder.path(), {"--page-size", "2048"}, true, &idle);
    std::printf("download_unpaced_time: %.3f s\n", unpaced);
    std::printf("download_unpaced_throughput: %.2f MB/s\n", unpaced > 0 ? bytes / unpaced / 1e6 : 0.0);
    std::printf("idle_cpu_connected: %.3f %%\n", idle * 100.0);
    // The same with 32 KB pages: fewer round trips, so the host's own processing rate shows.
    const double bigPages = downloadOnce(folder.path(), {"--page-size", "32768"}, false, nullptr);
    std::printf("download_unpaced_32k_pages_throughput: %.2f MB/s\n",
                bigPages > 0 ? bytes / bigPages / 1e6 : 0.0);
    if (!quick) {
        const double paced =
            downloadOnce(folder.path(), {"--page-size", "2048", "--baud", "115200"}, false, nullptr);
        const double limit = bytes * 10.0 / 115200.0;
        std::printf("download_paced_time: %.3f s\n", paced);
        std::printf("download_paced_line_limit: %.3f s\n", limit);
        std::printf("download_paced_fraction_of_line_limit: %.3f ratio\n", paced > 0 ? limit / paced : 0.0);
    }
    std::fflush(stdout);
    return unpaced > 0 ? 0 : 1;
}
