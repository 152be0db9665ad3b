#include "tools/samplegen/ScatterSample.h"

#include "data/DataFile.h"
#include "data/PipeCurves.h"
#include "data/Records.h"

#include <QDateTime>
#include <QFile>

#include <cmath>
#include <cstdio>

using namespace lmv;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kInterval = 300; // s
constexpr int kDays = 14;
constexpr quint32 kDiameter = 1000;
constexpr quint32 kRealSediment = 100; // mm; the header says 0
constexpr double kSlope = 0.0015;
constexpr double kManningN = 0.013;

// Uniform in [-1, 1), the same on every platform.
class Noise
{
public:
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / 8388608.0 - 1.0;
    }

private:
    quint32 m_state = 1301u;
};

const PipeGeometry &realPipe()
{
    static const PipeGeometry pipe{PipeCircle, kDiameter, kDiameter, 0, 0, 0, kRealSediment};
    return pipe;
}

double manningFlow(double level)
{
    const Section s = sectionAt(realPipe(), level);
    return manningVelocity(s.radius(), kSlope, kManningN) * s.area * 1000.0;
}

// Normal depth above the real sediment for a flow (L/s) below full bore, by bisection.
double normalLevel(double flow)
{
    double low = 0.0, high = fullLevelMetres(realPipe()) * 0.93; // Manning's peak is just below the crown
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (low + high);
        (manningFlow(mid) < flow ? low : high) = mid;
    }
    return 0.5 * (low + high);
}

// Flow over the fortnight: a dry-weather day (night low, morning and evening peaks), a storm on
// day 10 whose peak exceeds what the pipe carries free.
double flowAt(double hour)
{
    const double h = std::fmod(hour, 24.0);
    const double dry = 150.0 + 80.0 * std::sin((h - 9.0) / 24.0 * 2.0 * kPi) +
                       40.0 * std::exp(-std::pow(h - 20.0, 2.0) / 4.0) -
                       40.0 * std::exp(-std::pow(h - 4.0, 2.0) / 6.0);
    const double t = hour - (9 * 24 + 14.0); // storm peaking at 14:00 on day 10 (index 9)
    const double storm = t > -3.0 ? 1100.0 * std::exp(-(t * t) / (t < 0 ? 1.5 : 8.0)) : 0.0;
    return dry + storm;
}

// Level above the real sediment and velocity for one record.
void hydraulics(double hour, double flow, double &level, double &velocity)
{
    const double full = fullLevelMetres(realPipe());
    const double capacity = manningFlow(full);
    if (flow >= capacity) {
        // Surcharged: the pipe runs full and the head rises with the excess flow.
        level = full + 1.2 * (flow / capacity - 1.0);
        velocity = flow / 1000.0 / sectionAt(realPipe(), full).area;
        return;
    }
    level = normalLevel(flow);
    // Day 12 (index 11), 08:00 to 20:00: the pumping station downstream stood still and held the
    // water back.
    const double backwater = hour >= 11 * 24 + 8 && hour < 11 * 24 + 20 ? 0.62 : 0.0;
    if (backwater > level)
        level = backwater;
    velocity = flow / 1000.0 / sectionAt(realPipe(), level).area;
}

QByteArray payload(const QString &project, const QString &point)
{
    QByteArray head(static_cast<int>(kRvaDeviceHeaderSize), '\0');
    ByteWriter out(head);
    makePointRecord(project, point, PipeCircle, kDiameter, 0, 0, 0).encode(out, 0);
    CalcParams calc;
    calc.recordInterval = kInterval;
    calc.velocitySmoothing = 3;
    calc.probeVersion = 2;
    calc.encode(out, kCalcParamsOffset);
    const int count = kDays * 86400 / kInterval;
    SummaryBlock summary;
    summary.durationSeconds = static_cast<quint32>(count * kInterval);
    summary.encode(out, kSummaryOffset);

    QByteArray records(count * static_cast<int>(kRvaRecordSize), '\0');
    ByteWriter rec(records);
    Noise noise;
    const QDateTime start(QDate(2024, 5, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        const QDateTime at = start.addSecs(static_cast<qint64>(i) * kInterval);
        const double hour = i * kInterval / 3600.0;
        double level = 0, velocity = 0;
        hydraulics(hour, flowAt(hour) * (1.0 + 0.03 * noise.next()), level, velocity);
        // The logger measures from the bottom of the pipe: the header's sediment is 0. Over the last
        // two days the level sensor drifts 60 mm high.
        const double drift = hour > 12 * 24 ? 0.06 * (hour - 12 * 24) / 48.0 : 0.0;
        const double surface = level + kRealSediment / 1000.0 + drift + 0.002 * noise.next();
        RvaRecord r;
        r.time.year = static_cast<quint16>(at.date().year());
        r.time.month = static_cast<quint8>(at.date().month());
        r.time.day = static_cast<quint8>(at.date().day());
        r.time.hour = static_cast<quint8>(at.time().hour());
        r.time.minute = static_cast<quint8>(at.time().minute());
        r.time.second = static_cast<quint8>(at.time().second());
        r.sequence = static_cast<quint32>(i + 1);
        r.level = static_cast<float>(std::round(surface * 1000.0) / 1000.0);
        r.velocity = static_cast<float>(std::round(velocity * (1.0 + 0.02 * noise.next()) * 1000.0) / 1000.0);
        r.temperature = static_cast<float>(
            std::round((17.0 + 0.6 * std::sin((hour - 10.0) / 24.0 * 2.0 * kPi)) * 100.0) / 100.0);
        r.encode(rec, static_cast<std::size_t>(i) * kRvaRecordSize);
    }
    return head + records;
}

bool fail(const QString &what)
{
    std::fprintf(stderr, "lmv-samplegen: %s\n", qPrintable(what));
    return false;
}

} // namespace

bool writeScatterSample(const QString &filesRoot, const QString &cacheRoot)
{
    const QString project = QStringLiteral("城南截污干管");
    const QString point = QStringLiteral("解放路3号井");
    const QString name = QStringLiteral("散点图_解放路3号井_20240501.lmv");
    DeviceInfo logger;
    logger.deviceNumber = 2103057;
    logger.typeCode = kTypeCodeRva;
    logger.versionBytes = {3, 1, 0, 2, 0};
    logger.protocolVersion = 1.25f;
    const CacheLocation where{cacheRoot, project, point, name};
    QString cachePath;
    if (writeCachePacket(where, payload(project, point), kPageSingle, logger, &cachePath) != CacheOk)
        return fail(QStringLiteral("cannot write ") + where.filePath());
    if (finishRvaFile(cachePath, makePointRecord(project, point, PipeCircle, kDiameter, 0, 0, 0)) != CacheOk)
        return fail(QStringLiteral("cannot finish ") + cachePath);
    QFile::remove(filesRoot + name);
    if (!QFile::copy(cachePath, filesRoot + name))
        return fail(QStringLiteral("cannot write ") + filesRoot + name);
    return true;
}
