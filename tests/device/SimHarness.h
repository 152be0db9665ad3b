#pragma once

// Test harness of the device tests: a logger simulator process on a pseudo-terminal, a logger
// folder to serve, and a main window in a fresh working directory.

#include "data/Records.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

// A logger folder: ROOT/<project>/<point>/<file> and ROOT/logger.ini.
class LoggerFolder
{
public:
    LoggerFolder() { QVERIFY(dir.isValid()); }

    QString root() const { return dir.path(); }

    void setDevice(int type, quint32 number, const QString &version, const QString &protocol)
    {
        device = QStringLiteral("[device]\ntype = %1\nnumber = %2\nversion = %3\nprotocol = %4\n")
                     .arg(type)
                     .arg(number)
                     .arg(version, protocol);
    }
    void addPoint(const QString &project, const QString &point, int shape = 0, int height = 800,
                  int width = 0, int upper = 0, int sediment = 0)
    {
        QDir().mkpath(root() + "/" + project + "/" + point);
        points +=
            QStringLiteral("[point %1/%2]\nshape = %3\nheight = %4\nwidth = %5\nupper = %6\nsediment = %7\n")
                .arg(project, point)
                .arg(shape)
                .arg(height)
                .arg(width)
                .arg(upper)
                .arg(sediment);
    }
    void addProject(const QString &project) { QDir().mkpath(root() + "/" + project); }
    void addFile(const QString &project, const QString &point, const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(root() + "/" + project + "/" + point);
        QFile f(root() + "/" + project + "/" + point + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The device lists the entry at diskRelPath under another name (%XX escapes allowed).
    void rename(const QString &diskRelPath, const QString &escapedDeviceName)
    {
        names += diskRelPath + " = " + escapedDeviceName + "\n";
    }
    void write()
    {
        QFile f(root() + "/logger.ini");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((device + points + (names.isEmpty() ? QString() : "[names]\n" + names)).toUtf8());
    }

private:
    QTemporaryDir dir;
    QString device, points, names;
};

// The simulator, started on a folder with extra options; its request log is collected.
class Simulator : public QObject
{
public:
    ~Simulator() override { stop(); }

    bool start(const QString &root, const QStringList &options = {})
    {
        proc.setProgram(QStringLiteral(LMV_SIM_PATH));
        proc.setArguments(options + QStringList{root});
        QObject::connect(&proc, &QProcess::readyReadStandardError, this, [this] { readLog(); });
        proc.start();
        if (!proc.waitForStarted(5000))
            return false;
        while (!proc.canReadLine())
            if (!proc.waitForReadyRead(5000))
                return false;
        port = QString::fromLocal8Bit(proc.readLine()).trimmed();
        return !port.isEmpty();
    }
    void stop()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.terminate();
            if (!proc.waitForFinished(3000))
                proc.kill();
            proc.waitForFinished(3000);
        }
    }
    bool running() const { return proc.state() == QProcess::Running; }

    // Every request line of the log ("REQ n kind ...") whose kind matches.
    QStringList requests(const QString &kind)
    {
        readLog();
        QStringList out;
        for (const QString &line : qAsConst(log)) {
            const QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() > 2 && parts[0] == QLatin1String("REQ") && parts[2] == kind)
                out << line;
        }
        return out;
    }
    int requestCount()
    {
        readLog();
        int n = 0;
        for (const QString &line : qAsConst(log))
            n += line.startsWith(QLatin1String("REQ ")) ? 1 : 0;
        return n;
    }
    // The page numbers the host asked for, in order, for requests of one kind.
    QList<int> pagesAsked(const QString &kind)
    {
        QList<int> pages;
        const QStringList lines = requests(kind);
        for (const QString &line : lines) {
            const int at = line.indexOf(QLatin1String(" page="));
            if (at >= 0)
                pages << line.mid(at + 6).section(QLatin1Char(' '), 0, 0).toInt();
        }
        return pages;
    }

    QString port;
    QStringList log;

private:
    void readLog()
    {
        proc.setReadChannel(QProcess::StandardError);
        while (proc.canReadLine())
            log << QString::fromUtf8(proc.readLine()).trimmed();
        proc.setReadChannel(QProcess::StandardOutput);
    }
    QProcess proc;
};

// Answers every message box that becomes the active modal widget while it lives, recording
// "title|text" of each.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok) : button(answer)
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { answerActive(); });
        timer.start();
    }
    QStringList seen;
    QMessageBox::StandardButton button;

private:
    void answerActive()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == last)
            return;
        last = box;
        seen << box->windowTitle() + QLatin1Char('|') + box->text();
        if (QAbstractButton *b = box->button(button))
            b->click();
        else
            box->done(button);
    }
    QTimer timer;
    QPointer<QMessageBox> last;
};

// Data files for the folders.
namespace testfiles {

// A device RVA file: a 512-byte header (names, factors 1, device record) and n records.
inline QByteArray rvaFile(int records, quint32 seed = 1)
{
    QByteArray bytes(512, '\0');
    lmv::ByteWriter w(bytes);
    w.f32le(88, 1.0f);
    w.f32le(92, 1.0f);
    for (int i = 0; i < 188; ++i)
        if (i >= 140 && i < 184)
            bytes[i] = char((i * 7 + seed) & 0x7f); // something in the head the device sends
    bytes[500] = 5;
    for (int i = 0; i < records; ++i) {
        QByteArray r(32, '\0');
        lmv::ByteWriter rw(r);
        rw.u8(0, quint8(i % 24));
        rw.u8(1, quint8(i % 60));
        rw.u16le(4, 2019);
        rw.u8(6, 3);
        rw.u8(7, 15);
        rw.u32le(12, quint32(i + 1));
        rw.f32le(16, 0.2f + 0.001f * float((i * seed) % 300));
        rw.f32le(20, 0.5f + 0.002f * float(i % 200));
        rw.f32le(24, 123.0f); // a flow the host recomputes
        rw.f32le(28, 15.0f + 0.01f * float(i % 50));
        bytes.append(r);
    }
    return bytes;
}

// Seconds since 2014-01-01 00:00:00 of a moment in January 2019.
inline quint32 january2019(int day, int hour)
{
    const QDateTime base(QDate(2014, 1, 1), QTime(0, 0), Qt::UTC);
    const QDateTime t(QDate(2019, 1, day), QTime(hour, 0), Qt::UTC);
    return quint32(base.secsTo(t));
}

// A device RVB monthly file of January 2019 with `perDay` records on each of the given days.
inline QByteArray rvbMonth(const QList<int> &days, int perDay, quint8 modelCode = 4)
{
    QByteArray bytes(512, '\0');
    bytes[500] = 1;
    bytes[505] = char(modelCode);
    for (int day : days) {
        for (int h = 0; h < perDay; ++h) {
            QByteArray r(100, '\0');
            lmv::ByteWriter rw(r);
            rw.u32le(0, january2019(day, h));
            rw.f32le(4, float(day) + float(h) / 100.0f);
            bytes.append(r);
        }
    }
    return bytes;
}

} // namespace testfiles
