// bench_walk: how long the viewer takes from the connect to a complete device tree, and to download
// a file whose pages repeat, against the logger simulator paced at 115200 baud. Beside each time it
// prints what the line itself needs: every byte both ways (requests and replies, as the
// simulator's log counts them) at 10 bits per byte.
//   walk_sample_rva, walk_sample_rvb: the sample loggers (goal <= 0.5 s)
//   walk_100_points: 5 projects x 20 points, 34 empty and 33 identical file lists (goal <= 3 s)
//   walk_10_points_8_empty: 10 points, the first 8 without files
//   repeat_pages_48k: a 48 KB file of identical records, pages numbered 2, 3, 2, 3, ... (goal <=
//       1.3 x its line time)
// Prints "name: value unit" lines. `--only NAME` runs one of them.
#include "app/MainWindow.h"
#include "data/Records.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

namespace {

constexpr int kBaud = 115200;

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A small RVA data file: header and `records` identical records.
QByteArray rvaFile(int records)
{
    QByteArray bytes(512, '\0');
    lmv::ByteWriter w(bytes);
    w.f32le(88, 1.0f);
    w.f32le(92, 1.0f);
    bytes[500] = 5;
    QByteArray r(32, '\0');
    lmv::ByteWriter rw(r);
    rw.u16le(4, 2019);
    rw.u8(6, 3);
    rw.u8(7, 15);
    rw.f32le(16, 0.3f);
    rw.f32le(20, 0.7f);
    rw.f32le(28, 16.0f);
    for (int i = 0; i < records; ++i)
        bytes.append(r);
    return bytes;
}

const char kRvaDevice[] = "[device]\ntype = 5\nnumber = 1\nversion = 1 0 0 0 0\nprotocol = 1.0\n";

// Five projects of twenty points: every third point has no files, every third the same list as
// the others of its kind, the rest a list of their own.
bool write100Points(const QString &root)
{
    if (!writeBytes(root + "/logger.ini", kRvaDevice))
        return false;
    const QByteArray small = rvaFile(4);
    for (int i = 0; i < 100; ++i) {
        const QString point = QStringLiteral("%1/点%2")
                                  .arg(QStringLiteral("项目%1").arg(i / 20))
                                  .arg(i % 20, 2, 10, QLatin1Char('0'));
        QDir().mkpath(root + "/" + point);
        if (i % 3 == 1 && !writeBytes(root + "/" + point + "/20190315.lmv", small))
            return false;
        if (i % 3 == 2 && !writeBytes(root + "/" + point + QStringLiteral("/%1.lmv").arg(i), small))
            return false;
    }
    return true;
}

bool write10Points(const QString &root)
{
    if (!writeBytes(root + "/logger.ini", kRvaDevice))
        return false;
    for (int i = 0; i < 10; ++i) {
        const QString point = QStringLiteral("P/点%1").arg(i);
        QDir().mkpath(root + "/" + point);
        if (i >= 8 && !writeBytes(root + "/" + point + QStringLiteral("/%1.lmv").arg(i), rvaFile(4)))
            return false;
    }
    return true;
}

// 48 KB of identical records: with 2048-byte pages every page after the first carries the same
// bytes, and with page numbers 2, 3, 2, 3, ... every reply equals the one two pages before.
bool writeRepeatPages(const QString &root, qint64 *sentBytes)
{
    const QByteArray file = rvaFile((48 * 1024 - 512) / 32);
    *sentBytes = file.size() - 324; // the bytes the cache inserts are not sent
    return writeBytes(root + "/logger.ini", kRvaDevice) && writeBytes(root + "/P/A/big.lmv", file);
}

void pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds or the time is up; checks every millisecond.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        pump(1);
    }
    return true;
}

struct Sim
{
    QProcess proc;
    QString port;
    QStringList log;
    bool start(const QString &root, const QStringList &options)
    {
        proc.setProgram(QStringLiteral(LMV_SIM_PATH));
        proc.setArguments(options + QStringList{QStringLiteral("--baud"), QString::number(kBaud), root});
        proc.start();
        if (!proc.waitForStarted(5000))
            return false;
        while (!proc.canReadLine())
            if (!proc.waitForReadyRead(5000))
                return false;
        port = QString::fromLocal8Bit(proc.readLine()).trimmed();
        return true;
    }
    // Seconds the line needs for every request and reply logged so far.
    double lineSeconds()
    {
        const QList<QByteArray> lines = proc.readAllStandardError().split('\n');
        qint64 bytes = 0;
        for (const QByteArray &line : lines) {
            for (const char *key : {" frame=", " bytes="}) {
                const int at = line.indexOf(key);
                if (at >= 0 && (line.startsWith("REQ ") || line.startsWith("REPLY ")))
                    bytes += line.mid(at + int(qstrlen(key))).split(' ').value(0).toLongLong();
            }
        }
        return double(bytes) * 10.0 / kBaud;
    }
    ~Sim()
    {
        proc.terminate();
        if (!proc.waitForFinished(3000))
            proc.kill();
        proc.waitForFinished(3000);
    }
};

bool walkComplete(MainWindow &w)
{
    return w.usb_open_button->isChecked() && w.isEnabled() && w.UsbPrjTree->topLevelItemCount() > 0 &&
           w.status_label->text().isEmpty();
}

QTreeWidgetItem *firstFile(MainWindow &w)
{
    QTreeWidgetItem *p = w.UsbPrjTree->topLevelItem(0);
    QTreeWidgetItem *a = p ? p->child(0) : nullptr;
    return a ? a->child(0) : nullptr;
}

struct Timing
{
    double seconds = -1;
    double line = 0;
};

// Connects to a simulator serving `root`; returns the seconds from the click to a complete tree,
// or with `download` from the click on the first file to the file complete in the cache.
Timing run(const QString &root, const QStringList &simOptions, bool download)
{
    Timing out;
    Sim sim;
    if (!sim.start(root, simOptions))
        return out;
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    {
        MainWindow w;
        w.show();
        w.port_box->setEditText(sim.port);
        QElapsedTimer clock;
        clock.start();
        w.usb_open_button->setChecked(true);
        const bool walked = waitFor([&] { return walkComplete(w); }, 400000);
        if (walked && !download) {
            out.seconds = double(clock.nsecsElapsed()) / 1e9;
            pump(50); // anything still owed reaches the log
            out.line = sim.lineSeconds();
        } else if (walked) {
            QTreeWidgetItem *file = firstFile(w);
            pump(50);
            sim.lineSeconds(); // the walk's bytes are not the download's
            qint64 cachedAt = -1;
            QObject::connect(w.UsbPrjTree, &QTreeWidget::itemChanged, &w,
                             [&](QTreeWidgetItem *item, int column) {
                                 if (item == file && column == 7 && !item->text(7).isEmpty() && cachedAt < 0)
                                     cachedAt = clock.nsecsElapsed();
                             });
            clock.restart();
            w.once_UsbTreeItemClicked(file);
            if (waitFor([&] { return cachedAt >= 0 && w.isEnabled(); }, 400000)) {
                out.seconds = double(cachedAt) / 1e9;
                pump(50);
                out.line = sim.lineSeconds();
            }
        }
        w.usb_open_button->setChecked(false);
    }
    QDir::setCurrent(previous);
    return out;
}

void print(const QString &name, const Timing &t)
{
    std::printf("%s: %.3f s\n", qPrintable(name), t.seconds);
    std::printf("%s_line: %.3f s\n", qPrintable(name), t.line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The simulator's ports are not the user's: settings go to the test locations.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int onlyAt = args.indexOf(QStringLiteral("--only"));
    const QString only = onlyAt >= 0 ? args.value(onlyAt + 1) : QString();
    auto wanted = [&only](const char *name) { return only.isEmpty() || only == QLatin1String(name); };
    bool ok = true;

    if (wanted("walk_sample_rva")) {
        const Timing t = run(QStringLiteral(LMV_SAMPLES_DIR "/logger-rva"), {}, false);
        print(QStringLiteral("walk_sample_rva"), t);
        ok = ok && t.seconds > 0;
    }
    if (wanted("walk_sample_rvb")) {
        const Timing t = run(QStringLiteral(LMV_SAMPLES_DIR "/logger-rvb"), {}, false);
        print(QStringLiteral("walk_sample_rvb"), t);
        ok = ok && t.seconds > 0;
    }
    if (wanted("walk_100_points")) {
        QTemporaryDir root;
        const Timing t = write100Points(root.path()) ? run(root.path(), {}, false) : Timing();
        print(QStringLiteral("walk_100_points"), t);
        ok = ok && t.seconds > 0;
    }
    if (wanted("walk_10_points_8_empty")) {
        QTemporaryDir root;
        const Timing t = write10Points(root.path()) ? run(root.path(), {}, false) : Timing();
        print(QStringLiteral("walk_10_points_8_empty"), t);
        ok = ok && t.seconds > 0;
    }
    if (wanted("repeat_pages_48k")) {
        QTemporaryDir root;
        qint64 sent = 0;
        const Timing t = writeRepeatPages(root.path(), &sent)
                             ? run(root.path(), {"--page-size", "2048", "--data-pages", "2,3"}, true)
                             : Timing();
        print(QStringLiteral("repeat_pages_48k"), t);
        const double fileLine = double(sent) * 10.0 / kBaud;
        std::printf("repeat_pages_48k_file_line: %.3f s\n", fileLine);
        std::printf("repeat_pages_48k_ratio_to_file_line: %.3f ratio\n",
                    t.seconds > 0 ? t.seconds / fileLine : 0.0);
        std::fflush(stdout);
        ok = ok && t.seconds > 0;
    }
    return ok ? 0 : 1;
}
