// bench_link: throughput of the frame codec on record-like payloads, and what an open, idle
// serial link costs (the logger simulator at the far end, nothing requested).
// Prints "name: value unit" lines.
#include "data/Records.h"
#include "device/core/FrameCodec.h"
#include "device/serial/SerialThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// RVA records with slowly varying measurements, as a record-data page carries them; their
// float bytes hit the marker values now and then, so escaping is exercised as on the line.
QByteArray recordBytes(int records, quint32 seed)
{
    QByteArray out;
    for (int i = 0; i < records; ++i) {
        lmv::RvaRecord r;
        r.time.hour = static_cast<quint8>(i / 12 % 24);
        r.time.minute = static_cast<quint8>(i * 5 % 60);
        r.time.year = 2019;
        r.time.month = 3;
        r.time.day = static_cast<quint8>(1 + i / 288 % 28);
        r.sequence = seed + static_cast<quint32>(i);
        r.level = 0.3f + 0.1f * std::sin(float(i) / 40.0f);
        r.velocity = 0.6f + 0.2f * std::cos(float(i) / 33.0f);
        r.flow = 50.0f + 20.0f * std::sin(float(i) / 50.0f);
        r.temperature = 16.0f + std::sin(float(i) / 288.0f);
        out.append(r.toBytes());
    }
    return out;
}

QByteArray dataReplyPayload(const QByteArray &records)
{
    return QByteArray("LM\x20\x03\x02", 5) + records;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// CPU seconds used so far by another process (user + system, from /proc).
double otherProcessCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void benchCodec()
{
    // Requests: the host's own frames stay within the logger's 208-byte buffer.
    const QByteArray request = dataReplyPayload(recordBytes(3, 7)); // 101 bytes
    {
        const int rounds = 200000;
        QElapsedTimer t;
        t.start();
        qint64 bytes = 0;
        for (int i = 0; i < rounds; ++i)
            bytes += lmv::buildFrame(request).size() > 0 ? request.size() : 0;
        print("buildFrame_request_101B", double(bytes) / 1e6 / (double(t.nsecsElapsed()) / 1e9), "MB/s");
    }

    // Replies: 2048-byte record-data pages, built as the logger does and extracted as the
    // host does (with the two fill bytes left over between replies).
    QVector<QByteArray> payloads;
    for (int i = 0; i < 16; ++i)
        payloads.append(dataReplyPayload(recordBytes(64, quint32(i) * 1000)));
    QVector<QByteArray> frames;
    {
        const int rounds = 4000;
        QElapsedTimer t;
        t.start();
        qint64 bytes = 0;
        for (int i = 0; i < rounds; ++i) {
            const QByteArray &p = payloads[i % payloads.size()];
            const QByteArray f = lmv::buildReplyFrame(p);
            bytes += p.size();
            if (frames.size() < payloads.size())
                frames.append(f);
        }
        print("buildReplyFrame_page_2053B", double(bytes) / 1e6 / (double(t.nsecsElapsed()) / 1e9), "MB/s");
    }
    {
        const int rounds = 4000;
        qint64 bytes = 0;
        int ok = 0;
        QByteArray rx;
        QByteArray payload;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < rounds; ++i) {
            rx.append(frames[i % frames.size()]);
            if (lmv::extractFrame(rx, payload) == lmv::ExtractStatus::FrameOk) {
                ++ok;
                bytes += payload.size();
            }
        }
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (ok != rounds)
            std::fprintf(stderr, "extractFrame: %d of %d frames extracted\n", ok, rounds);
        print("extractFrame_page_2053B", double(bytes) / 1e6 / seconds, "MB/s");
    }
}

bool benchIdleLink()
{
    QTemporaryDir root;
    QFile ini(QDir(root.path()).filePath(QStringLiteral("logger.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[device]\ntype = 5\nnumber = 20190001\nversion = 2 1 18 12 3\nprotocol = 1.5\n");
    ini.close();

    QProcess sim;
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(QStringLiteral(LMV_LOGGER_SIM), {root.path()});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return false;
    const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();

    SerialThread serial;
    bool gotInfo = false;
    // Queued to this thread through the context object, as the main window receives it.
    QObject::connect(&serial, &SerialThread::SendDevInfo, QCoreApplication::instance(),
                     [&gotInfo](const QByteArray &) { gotInfo = true; });
    serial.start(QThread::InheritPriority);
    serial.Once_UsbPortOpen(115200, port);
    for (int i = 0; i < 50 && !gotInfo; ++i)
        runEventLoop(100);
    if (!gotInfo) {
        std::fprintf(stderr, "no device information from the simulator\n");
        return false;
    }

    const int windowMs = 5000;
    const double hostBefore = processCpuSeconds();
    const double simBefore = otherProcessCpuSeconds(sim.processId());
    QElapsedTimer wall;
    wall.start();
    runEventLoop(windowMs);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    print("idle_link_cpu_host", 100.0 * (processCpuSeconds() - hostBefore) / elapsed, "%");
    print("idle_link_cpu_simulator", 100.0 * (otherProcessCpuSeconds(sim.processId()) - simBefore) / elapsed,
          "%");

    serial.stopAndWait();
    sim.terminate();
    sim.waitForFinished(3000);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchCodec();
    return benchIdleLink() ? 0 : 1;
}
