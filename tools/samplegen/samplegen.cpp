// lmv-samplegen OUTDIR: writes the sample data of the repository, always the same bytes.
//
//   OUTDIR/store/  a local project store as a save from the logger leaves it: an RVA project with
//                  two monitoring points (a circular sewer and a rectangular channel) and a few
//                  measurement files each, an RVB project with one host of model 4 and one of
//                  model 16 and some day files, and the .lmvprj / .lmvpos index files.
//   OUTDIR/files/  loose data files (a triangle weir, a trapezoid channel, one RVB day, and a
//                  sewer survey for the scattergraph).
//
// RVA files go through the same cache writing and finishing as a download, so flows and
// statistics are what the viewer computes itself. Curves come from fixed formulas and a
// fixed-seed generator; dates are fixed.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <vector>

#include "data/DataFile.h"
#include "data/Records.h"
#include "data/StoreIndex.h"
#include "data/StoreSelection.h"
#include "data/StoreTree.h"
#include "tools/samplegen/ScatterSample.h"
#include "tools/samplegen/SurveyFaultsSample.h"
#include "tools/samplegen/SurveySample.h"

using namespace lmv;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Small deterministic generator (same numbers on every platform and compiler).
class Noise
{
public:
    explicit Noise(quint32 seed) : m_state(seed) {}
    // Uniform in [-1, 1).
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / 8388608.0 - 1.0;
    }

private:
    quint32 m_state;
};

struct RvaFileSpec
{
    QString fileName;
    QDate date;
    int intervalSeconds;
    int records;
    double levelBase;  // m
    double levelSwing; // m, daily swing
    double rainPeak;   // m added by a storm in the afternoon (0: dry day)
    double velocityPerMetre;
    double temperature; // mean water temperature
    quint32 seed;
    float velocityCorrection = 1.0f;
    float flowCorrection = 1.0f;
    quint32 levelOffset = 0;
};

struct RvaPointSpec
{
    QString name;
    quint32 shape, h, w, upper, sediment;
    std::vector<RvaFileSpec> files;
};

DeviceInfo rvaLogger()
{
    DeviceInfo d;
    d.deviceNumber = 2103057;
    d.typeCode = kTypeCodeRva;
    d.versionBytes = {3, 1, 0, 2, 0};
    d.protocolVersion = 1.25f;
    return d;
}

DeviceInfo rvbHost(quint32 number, quint8 model)
{
    DeviceInfo d;
    d.deviceNumber = number;
    d.typeCode = kTypeCodeRvb;
    d.versionBytes = {2, 0, 4, 1, model};
    d.protocolVersion = 2.1f;
    return d;
}

// Level over the day: dry-weather pattern (low at night, morning and evening peaks), an optional
// storm, and a little noise.
double levelAt(const RvaFileSpec &f, double hour, Noise &noise)
{
    const double daily = 0.5 * (1.0 - std::cos((hour - 4.0) / 24.0 * 2.0 * kPi)) +
                         0.25 * std::sin((hour - 7.0) / 12.0 * 2.0 * kPi);
    double level = f.levelBase + f.levelSwing * daily;
    if (f.rainPeak > 0.0) {
        const double t = hour - 15.0; // storm peaking at 15:00, slow recession
        if (t > -1.5)
            level += f.rainPeak * std::exp(-(t * t) / (t < 0 ? 0.5 : 4.0));
    }
    return std::max(0.02, level + 0.004 * noise.next());
}

// The payload of a single-page download: the 188 header bytes the logger sends, then records.
QByteArray devicePayload(const RvaPointSpec &point, const RvaFileSpec &f, const QString &project)
{
    QByteArray head(static_cast<int>(kRvaDeviceHeaderSize), '\0');
    ByteWriter out(head);
    makePointRecord(project, point.name, point.shape, point.h, point.w, point.upper, point.sediment)
        .encode(out, 0);
    CalcParams calc;
    calc.velocityCorrection = f.velocityCorrection;
    calc.flowCorrection = f.flowCorrection;
    calc.recordInterval = static_cast<quint32>(f.intervalSeconds);
    calc.levelOffset = f.levelOffset;
    calc.velocitySmoothing = 3;
    calc.probeVersion = 1;
    calc.encode(out, kCalcParamsOffset);
    SummaryBlock summary;
    summary.durationSeconds = static_cast<quint32>(f.intervalSeconds * f.records);
    summary.encode(out, kSummaryOffset);

    QByteArray records(f.records * static_cast<int>(kRvaRecordSize), '\0');
    ByteWriter rec(records);
    Noise noise(f.seed);
    const QDateTime start(f.date, QTime(0, 0), Qt::UTC);
    for (int i = 0; i < f.records; ++i) {
        const QDateTime at = start.addSecs(static_cast<qint64>(i) * f.intervalSeconds);
        const double hour = i * f.intervalSeconds / 3600.0;
        RvaRecord r;
        r.time.year = static_cast<quint16>(at.date().year());
        r.time.month = static_cast<quint8>(at.date().month());
        r.time.day = static_cast<quint8>(at.date().day());
        r.time.hour = static_cast<quint8>(at.time().hour());
        r.time.minute = static_cast<quint8>(at.time().minute());
        r.time.second = static_cast<quint8>(at.time().second());
        r.sequence = static_cast<quint32>(i + 1);
        const double level = levelAt(f, hour, noise);
        r.level = static_cast<float>(std::round(level * 1000.0) / 1000.0);
        const double velocity = 0.12 + f.velocityPerMetre * std::sqrt(level) + 0.03 * noise.next();
        r.velocity = static_cast<float>(std::round(std::max(0.0, velocity) * 1000.0) / 1000.0);
        const double temperature = f.temperature + 0.8 * std::sin((hour - 9.0) / 24.0 * 2.0 * kPi) -
                                   (f.rainPeak > 0.0 && hour > 14.0 ? 1.2 : 0.0) + 0.05 * noise.next();
        r.temperature = static_cast<float>(std::round(temperature * 100.0) / 100.0);
        r.encode(rec, static_cast<std::size_t>(i) * kRvaRecordSize);
    }
    return head + records;
}

bool fail(const QString &what)
{
    std::fprintf(stderr, "lmv-samplegen: %s\n", qPrintable(what));
    return false;
}

// Writes one RVA file exactly as downloading and finishing it in the viewer would, then puts it
// at target.
bool writeRvaFile(const QString &cacheRoot, const QString &project, const RvaPointSpec &point,
                  const RvaFileSpec &f, const QString &target)
{
    CacheLocation where{cacheRoot, project, point.name, f.fileName};
    QString cachePath;
    if (writeCachePacket(where, devicePayload(point, f, project), kPageSingle, rvaLogger(), &cachePath) !=
        CacheOk)
        return fail(QStringLiteral("cannot write ") + where.filePath());
    const PipeSaveIntoTfType record =
        makePointRecord(project, point.name, point.shape, point.h, point.w, point.upper, point.sediment);
    if (finishRvaFile(cachePath, record) != CacheOk)
        return fail(QStringLiteral("cannot finish ") + cachePath);
    QFile::remove(target);
    if (!QFile::copy(cachePath, target))
        return fail(QStringLiteral("cannot write ") + target);
    return true;
}

struct RvbDaySpec
{
    QDate date;
    int intervalSeconds;
    quint32 seed;
    bool storm;
};

// One RVB day file: the 512-byte header as the host sends it, then one record per interval.
QByteArray rvbDayFile(const QString &project, const QString &point, const DeviceInfo &host,
                      const RvbDaySpec &d)
{
    QByteArray file(static_cast<int>(kHeaderSize), '\0');
    ByteWriter out(file);
    makePointRecord(project, point, PipeCircle, 1000, 0, 0, 0).encode(out, 0);
    CalcParams().encode(out, kCalcParamsOffset);
    host.encode(out, kDeviceInfoOffset);

    const int count = 86400 / d.intervalSeconds;
    QByteArray records(count * static_cast<int>(kRvbRecordSize), '\0');
    ByteWriter rec(records);
    Noise noise(d.seed);
    const qint64 epoch2014 = QDateTime(QDate(2014, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const qint64 dayStart = QDateTime(d.date, QTime(0, 0), Qt::UTC).toSecsSinceEpoch() - epoch2014;
    const quint32 uptime = static_cast<quint32>(d.date.dayOfYear()) * 86400u;
    for (int i = 0; i < count; ++i) {
        const double hour = i * d.intervalSeconds / 3600.0;
        const double storm = d.storm ? 0.35 * std::exp(-std::pow(hour - 16.0, 2) / 3.0) : 0.0;
        const double level =
            0.42 + 0.06 * std::sin((hour - 6.0) / 24.0 * 2.0 * kPi) + storm + 0.003 * noise.next();
        const double speed = 0.25 + 0.9 * storm + 0.1 * std::sqrt(level) + 0.02 * noise.next();
        const double water = 12.5 + 0.6 * std::sin((hour - 10.0) / 24.0 * 2.0 * kPi) + 0.03 * noise.next();
        RvbRecord r;
        r.timeSeconds = static_cast<quint32>(dayStart + static_cast<qint64>(i) * d.intervalSeconds);
        if (host.modelCode() == 4) {
            // 液位 压力 流速 AC/DC 水温 探头角度
            r.channel = {static_cast<float>(level), static_cast<float>(level * 9806.65),
                         static_cast<float>(speed), static_cast<float>(1.0 + 0.02 * noise.next()),
                         static_cast<float>(water), static_cast<float>(2.5 + 0.1 * noise.next())};
        } else {
            // 超声液位 雷达流速 绝对压力 超声流速 水温 俯仰角
            r.channel = {static_cast<float>(level),
                         static_cast<float>(speed * 1.04),
                         static_cast<float>(101325.0 + level * 9806.65 + 20.0 * noise.next()),
                         static_cast<float>(speed),
                         static_cast<float>(water),
                         static_cast<float>(-1.5 + 0.1 * noise.next())};
        }
        r.alarm = level > 0.7 ? 0x02 : 0x00; // high-level alarm during the storm
        r.faultCode = 0;
        r.supplyVoltage = static_cast<float>(12.6 - 0.3 * hour / 24.0 + 0.02 * noise.next());
        r.gprsSeconds = uptime / 20u + static_cast<quint32>(i) * 30u;
        r.deviceSeconds = uptime + static_cast<quint32>(i * d.intervalSeconds);
        r.sensorSeconds = uptime / 2u + static_cast<quint32>(i * d.intervalSeconds / 2);
        r.vga = static_cast<quint16>(1200 + 40 * noise.next());
        r.maxValue = static_cast<quint16>(3000 + 100 * noise.next());
        r.acValue = static_cast<quint16>(820 + 30 * noise.next());
        r.dcValue = static_cast<quint16>(2048 + 20 * noise.next());
        r.csq = static_cast<quint8>(22 + 4 * noise.next());
        r.baseStation = 0x1a2b0000u | static_cast<quint32>(host.deviceNumber & 0xffffu);
        r.monitor5V = static_cast<float>(5.02 + 0.01 * noise.next());
        r.monitor12V = static_cast<float>(12.3 + 0.05 * noise.next());
        r.monitor3V9 = static_cast<float>(3.91 + 0.01 * noise.next());
        r.cpuTemperature = static_cast<float>(28.0 + 6.0 * std::sin((hour - 8.0) / 24.0 * 2.0 * kPi));
        r.mainM = {static_cast<quint16>(310 + 5 * noise.next()), static_cast<quint16>(120 + 5 * noise.next()),
                   static_cast<quint16>(450 + 5 * noise.next())};
        r.mainG = {static_cast<quint16>(12 + 2 * noise.next()), static_cast<quint16>(8 + 2 * noise.next()),
                   static_cast<quint16>(1020 + 3 * noise.next())};
        r.encode(rec, static_cast<std::size_t>(i) * kRvbRecordSize);
    }
    return file + records;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return fail(QStringLiteral("cannot write ") + path);
    return true;
}

// Index files and directories of a project, made by the store's own selection walk and writer.
bool writeProjectIndex(const QString &storeRoot, const StoreProjectNode &project, quint32 deviceNumber)
{
    const SaveSelection selection = collectSelection(StoreTree{project}, storeRoot, deviceNumber);
    for (const QString &dir : selection.directories)
        if (!QDir().mkpath(dir))
            return fail(QStringLiteral("cannot create ") + dir);
    writeIndexFiles(storeRoot, selection.indexLines);
    return true;
}

StoreProjectNode checkedProject(const QString &name)
{
    StoreProjectNode node;
    node.name = name;
    node.checkState = 2;
    return node;
}

StorePointNode checkedPoint(const QString &name, const QStringList &files)
{
    StorePointNode node;
    node.name = name;
    node.checkState = 2;
    for (const QString &f : files) {
        StoreFileNode file;
        file.name = f;
        file.checkState = 2;
        node.files << file;
    }
    return node;
}

std::vector<RvaPointSpec> rvaPoints()
{
    std::vector<RvaPointSpec> points;
    // DN800 concrete sewer with 40 mm of silt; five-minute records.
    RvaPointSpec sewer{QStringLiteral("建设路1号井"), PipeCircle, 800, 800, 0, 40, {}};
    sewer.files.push_back(
        {QStringLiteral("20240311.lmv"), QDate(2024, 3, 11), 300, 288, 0.18, 0.16, 0.0, 0.95, 14.2, 101u});
    sewer.files.push_back(
        {QStringLiteral("20240312.lmv"), QDate(2024, 3, 12), 300, 288, 0.19, 0.15, 0.28, 0.95, 14.0, 102u});
    sewer.files.push_back({QStringLiteral("20240313.lmv"), QDate(2024, 3, 13), 300, 288, 0.20, 0.16, 0.0,
                           0.95, 13.8, 103u, 1.05f, 0.98f, 12});
    points.push_back(sewer);
    // Rectangular channel 1500 wide, 1200 deep; one-minute records over one day.
    RvaPointSpec channel{QStringLiteral("滨河路方沟"), PipeRectangle, 1200, 1500, 0, 60, {}};
    channel.files.push_back(
        {QStringLiteral("20240311.lmv"), QDate(2024, 3, 11), 60, 1440, 0.32, 0.22, 0.0, 0.7, 15.1, 201u});
    channel.files.push_back(
        {QStringLiteral("20240312.lmv"), QDate(2024, 3, 12), 60, 1440, 0.33, 0.21, 0.45, 0.7, 14.9, 202u});
    points.push_back(channel);
    return points;
}

bool writeRvaProject(const QString &storeRoot, const QString &cacheRoot)
{
    const QString project = QStringLiteral("城东排水管网");
    StoreProjectNode node = checkedProject(project);
    for (const RvaPointSpec &point : rvaPoints()) {
        QStringList names;
        for (const RvaFileSpec &f : point.files)
            names << f.fileName;
        node.points << checkedPoint(point.name, names);
    }
    node.points << samplegen::surveySamplePoint();
    if (!writeProjectIndex(storeRoot, node, rvaLogger().deviceNumber) ||
        !samplegen::writeSurveySample(storeRoot, project, cacheRoot))
        return false;
    for (const RvaPointSpec &point : rvaPoints())
        for (const RvaFileSpec &f : point.files)
            if (!writeRvaFile(cacheRoot, project, point, f,
                              storeRoot + project + QLatin1Char('/') + point.name + QLatin1Char('/') +
                                  f.fileName))
                return false;
    return true;
}

bool writeRvbProject(const QString &storeRoot)
{
    const QString project = QStringLiteral("水库入库监测");
    struct Host
    {
        QString point;
        DeviceInfo info;
        std::vector<RvbDaySpec> days;
    };
    const std::vector<Host> hosts = {
        {QStringLiteral("1号站压力式"),
         rvbHost(1904004, 4),
         {{QDate(2024, 3, 5), 600, 401u, false}, {QDate(2024, 3, 6), 600, 402u, true}}},
        {QStringLiteral("2号站雷达式"),
         rvbHost(2208016, 16),
         {{QDate(2024, 3, 5), 300, 1601u, false}, {QDate(2024, 3, 6), 300, 1602u, true}}},
    };
    StoreProjectNode node = checkedProject(project);
    for (const Host &host : hosts) {
        QStringList names;
        for (const RvbDaySpec &d : host.days)
            names << dayFileName(QStringLiteral("2024年03月.lmv"), d.date.day());
        node.points << checkedPoint(host.point, names);
    }
    // The project index names the first host; each point's files carry their own host record.
    if (!writeProjectIndex(storeRoot, node, hosts.front().info.deviceNumber))
        return false;
    for (const Host &host : hosts)
        for (const RvbDaySpec &d : host.days) {
            const QString path = storeRoot + project + QLatin1Char('/') + host.point + QLatin1Char('/') +
                                 dayFileName(QStringLiteral("2024年03月.lmv"), d.date.day());
            if (!writeBytes(path, rvbDayFile(project, host.point, host.info, d)))
                return false;
        }
    return true;
}

bool writeLooseFiles(const QString &filesRoot, const QString &cacheRoot)
{
    if (!QDir().mkpath(filesRoot))
        return fail(QStringLiteral("cannot create ") + filesRoot);
    const QString project = QStringLiteral("开发区雨水");
    RvaPointSpec weir{QStringLiteral("三角堰出口"), PipeTriangle, 600, 900, 0, 0, {}};
    const RvaFileSpec weirDay{QStringLiteral("三角堰_20240401.lmv"),
                              QDate(2024, 4, 1),
                              300,
                              288,
                              0.10,
                              0.08,
                              0.20,
                              0.8,
                              16.5,
                              301u};
    RvaPointSpec ditch{QStringLiteral("工业大道梯形渠"), PipeTrapezoid, 1000, 1200, 2400, 30, {}};
    const RvaFileSpec ditchDay{QStringLiteral("梯形渠_20240402.lmv"),
                               QDate(2024, 4, 2),
                               600,
                               144,
                               0.25,
                               0.18,
                               0.0,
                               0.6,
                               16.8,
                               302u,
                               1.1f,
                               0.95f,
                               0};
    if (!writeRvaFile(cacheRoot, project, weir, weirDay, filesRoot + weirDay.fileName) ||
        !writeRvaFile(cacheRoot, project, ditch, ditchDay, filesRoot + ditchDay.fileName))
        return false;
    return writeBytes(filesRoot + QStringLiteral("RVB雷达站_2024年04月03日.lmv"),
                      rvbDayFile(QStringLiteral("水库入库监测"), QStringLiteral("2号站雷达式"),
                                 rvbHost(2208016, 16), {QDate(2024, 4, 3), 600, 1603u, false}));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const char usage[] = "usage: lmv-samplegen OUTDIR\n"
                         "Writes the sample store and files below OUTDIR (store/, files/), replacing both.\n";
    if (args.size() == 2 && (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    // An option is never taken for the folder to write into (and to empty first).
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-'))) {
        std::fputs(usage, stderr);
        return 2;
    }
    QTemporaryDir cache;
    if (!cache.isValid())
        return fail(QStringLiteral("no temporary folder")), 1;
    const QString out = QDir(args[1]).absolutePath() + QLatin1Char('/');
    const QString store = out + QStringLiteral("store/");
    // Earlier output goes first, so a renamed sample cannot linger.
    QDir(store).removeRecursively();
    QDir(out + QStringLiteral("files/")).removeRecursively();
    const QString cacheRoot = cache.path() + QLatin1Char('/');
    if (!writeRvaProject(store, cacheRoot) || !writeRvbProject(store) ||
        !writeLooseFiles(out + QStringLiteral("files/"), cacheRoot) ||
        !writeSurveyFaultsSample(out + QStringLiteral("files/"), cacheRoot) ||
        !writeScatterSample(out + QStringLiteral("files/"), cacheRoot))
        return 1;
    std::printf("samples written below %s\n", qPrintable(out));
    return 0;
}
