// Times the export of generated RVA and RVB files to text and CSV, and the reading of a large RVA
// file as the record window does it. Prints "name: value unit" lines.

#include "data/DataFile.h"
#include "data/Export.h"
#include "data/Records.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace lmv;

namespace {

QByteArray rvaFile(int records)
{
    QByteArray file(static_cast<int>(kHeaderSize), '\0');
    PipeSaveIntoTfType point =
        makePointRecord(QStringLiteral("基准项目"), QStringLiteral("基准测点"), 0, 1000, 0, 0, 0);
    ByteWriter header(file);
    point.encode(header, 0);
    CalcParams calc;
    calc.velocityCorrection = 1.05f;
    calc.flowCorrection = 0.97f;
    calc.encode(header, kCalcParamsOffset);
    header.u8(kTypeCodeOffset, kTypeCodeRva);
    file.resize(static_cast<int>(kHeaderSize + kRvaRecordSize * static_cast<std::size_t>(records)));
    ByteWriter out(file);
    for (int i = 0; i < records; ++i) {
        RvaRecord r;
        r.sequence = static_cast<quint32>(i + 1);
        r.time = RecordTime{static_cast<quint8>(i / 3600 % 24),
                            static_cast<quint8>(i / 60 % 60),
                            static_cast<quint8>(i % 60),
                            0,
                            2024,
                            static_cast<quint8>(i / 86400 % 12 + 1),
                            static_cast<quint8>(i / 3600 % 28 + 1)};
        r.level = 0.1f + static_cast<float>(i % 1000) * 0.00037f;
        r.velocity = 0.05f + static_cast<float>(i % 777) * 0.0013f;
        r.flow = r.level * r.velocity * 321.0f;
        r.temperature = 12.0f + static_cast<float>(i % 50) * 0.1f;
        r.encode(out, kHeaderSize + kRvaRecordSize * static_cast<std::size_t>(i));
    }
    return file;
}

QByteArray rvbFile(int records)
{
    QByteArray file(static_cast<int>(kHeaderSize), '\0');
    ByteWriter header(file);
    header.u32le(kDeviceInfoOffset, 12345);
    header.u8(kTypeCodeOffset, kTypeCodeRvb);
    header.u8(kModelCodeOffset, 16);
    file.resize(static_cast<int>(kHeaderSize + kRvbRecordSize * static_cast<std::size_t>(records)));
    ByteWriter out(file);
    for (int i = 0; i < records; ++i) {
        RvbRecord r;
        r.timeSeconds = 300000000u + static_cast<quint32>(i) * 300u;
        for (std::size_t c = 0; c < 6; ++c)
            r.channel[c] = static_cast<float>(i % 997) * 0.01f * static_cast<float>(c + 1);
        r.alarm = static_cast<quint8>(i % 3);
        r.supplyVoltage = 12.1f;
        r.gprsSeconds = static_cast<quint32>(i) * 60u;
        r.baseStation = 0x1a2b0000u + static_cast<quint32>(i);
        r.cpuTemperature = 35.5f;
        r.encode(out, kHeaderSize + kRvbRecordSize * static_cast<std::size_t>(i));
    }
    return file;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct Timing
{
    double wall = 1e9; // seconds, best of three runs
    double cpu = 1e9;  // processor time of this process, seconds, best of three runs
};

// The machine may be shared: the processor time shows the cost of the export itself, the wall
// time what a user waits.
Timing timeExport(const QString &source, const QString &target, ExportFormat format)
{
    Timing best;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        const std::clock_t cpu = std::clock();
        t.start();
        if (exportFile(source, target, format) != ExportOk)
            return Timing{-1, -1};
        best.wall = qMin(best.wall, static_cast<double>(t.nsecsElapsed()) / 1e9);
        best.cpu = qMin(best.cpu, static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    struct Case
    {
        const char *name;
        bool rva;
        int records;
    };
    const Case cases[] = {{"rva_100k", true, 100000}, {"rva_1m", true, 1000000}, {"rvb_10k", false, 10000}};
    for (const Case &c : cases) {
        const QString source = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".lmv"));
        if (!write(source, c.rva ? rvaFile(c.records) : rvbFile(c.records)))
            return 1;
        for (ExportFormat format : {ExportFormat::Text, ExportFormat::Csv}) {
            const QString target = dir.filePath(QStringLiteral("out.") + exportSuffix(format));
            const Timing timing = timeExport(source, target, format);
            if (timing.wall < 0)
                return 1;
            std::printf("export_%s_%s: %.3f s\n", c.name, qPrintable(exportSuffix(format)), timing.wall);
            std::printf("export_%s_%s_cpu: %.3f s\n", c.name, qPrintable(exportSuffix(format)), timing.cpu);
            std::printf("export_%s_%s_size: %.1f MB\n", c.name, qPrintable(exportSuffix(format)),
                        static_cast<double>(QFileInfo(target).size()) / 1e6);
        }
        if (c.rva && c.records == 1000000) {
            QElapsedTimer t;
            t.start();
            DataFileContents contents;
            if (readDataFile(source, contents) != ReadOk || contents.rva.size() != 1000000u)
                return 1;
            std::printf("read_rva_1m: %.3f s\n", static_cast<double>(t.nsecsElapsed()) / 1e9);
        }
    }
    return 0;
}
