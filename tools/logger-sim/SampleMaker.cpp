#include "tools/logger-sim/SampleMaker.h"

#include "data/Hydraulics.h"
#include "data/Records.h"
#include "data/Tables.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Small deterministic noise so that the samples are the same on every run.
class Noise
{
public:
    explicit Noise(quint32 seed) : state_(seed) {}
    // A value in [-1, 1).
    double next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / double(1u << 23) - 1.0;
    }

private:
    quint32 state_;
};

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

QByteArray headerBlock(const lmv::PipeSaveIntoTfType &point, const lmv::CalcParams &calc,
                       const lmv::SummaryBlock &summary, const lmv::DeviceInfo &info)
{
    QByteArray header(static_cast<int>(lmv::kHeaderSize), '\0');
    lmv::ByteWriter out(header);
    point.encode(out, 0);
    calc.encode(out, lmv::kCalcParamsOffset);
    summary.encode(out, lmv::kSummaryOffset);
    info.encode(out, lmv::kDeviceInfoOffset);
    return header;
}

// ---- RVA: a portable flowmeter left in a sewer or channel for a day or two ----

struct RvaPoint
{
    QString project;
    QString point;
    quint32 shape, height, width, upper, sediment;
    double baseLevel; // m
    double swing;     // m, daily rise at the peaks
    double baseVelocity;
};

struct RvaFile
{
    QString name;
    QDateTime start;
    int records;
    int intervalSeconds;
};

// Level follows the day: a morning and an evening peak of household discharge, a low at night.
double dailyShape(double hourOfDay)
{
    const double morning = std::exp(-std::pow((hourOfDay - 8.0) / 2.0, 2.0));
    const double evening = 0.8 * std::exp(-std::pow((hourOfDay - 19.5) / 2.5, 2.0));
    const double night = -0.3 * std::exp(-std::pow((hourOfDay - 3.5) / 2.0, 2.0));
    return morning + evening + night;
}

QByteArray rvaFileBytes(const RvaPoint &p, const RvaFile &f, const lmv::DeviceInfo &info, quint32 seed)
{
    const lmv::PipeSaveIntoTfType point =
        lmv::makePointRecord(p.project, p.point, p.shape, p.height, p.width, p.upper, p.sediment);
    const lmv::PipeGeometry pipe = lmv::pipeGeometryFrom(point);
    Noise noise(seed);
    QByteArray records;
    lmv::SummaryBlock summary;
    double sums[4] = {0, 0, 0, 0};
    float maxs[4] = {0, 0, 0, 0};
    float mins[4] = {0, 0, 0, 0};
    for (int i = 0; i < f.records; ++i) {
        const QDateTime t = f.start.addSecs(qint64(i) * f.intervalSeconds);
        const double hour = t.time().hour() + t.time().minute() / 60.0;
        lmv::RvaRecord r;
        r.time.hour = static_cast<quint8>(t.time().hour());
        r.time.minute = static_cast<quint8>(t.time().minute());
        r.time.second = static_cast<quint8>(t.time().second());
        r.time.year = static_cast<quint16>(t.date().year());
        r.time.month = static_cast<quint8>(t.date().month());
        r.time.day = static_cast<quint8>(t.date().day());
        r.sequence = static_cast<quint32>(i + 1);
        const double shape = dailyShape(hour);
        r.level = static_cast<float>(qMax(0.01, p.baseLevel + p.swing * shape + 0.004 * noise.next()));
        r.velocity =
            static_cast<float>(qMax(0.0, p.baseVelocity * (1.0 + 0.45 * shape) + 0.02 * noise.next()));
        r.flow = lmv::recordFlow(pipe, r.level, r.velocity);
        r.temperature =
            static_cast<float>(16.5 + 1.2 * std::sin((hour - 9.0) / 24.0 * 2 * kPi) + 0.05 * noise.next());
        records.append(r.toBytes());
        const float v[4] = {r.level, r.velocity, r.flow, r.temperature};
        for (int k = 0; k < 4; ++k) {
            sums[k] += v[k];
            maxs[k] = i == 0 ? v[k] : qMax(maxs[k], v[k]);
            mins[k] = i == 0 ? v[k] : qMin(mins[k], v[k]);
        }
    }
    const double n = qMax(1, f.records);
    summary.durationSeconds = static_cast<quint32>(f.records * f.intervalSeconds);
    summary.sampleCount = static_cast<quint32>(f.records);
    summary.levelMax = maxs[0], summary.levelMin = mins[0], summary.levelAvg = float(sums[0] / n);
    summary.velocityMax = maxs[1], summary.velocityMin = mins[1], summary.velocityAvg = float(sums[1] / n);
    summary.flowMax = maxs[2], summary.flowMin = mins[2], summary.flowAvg = float(sums[2] / n);
    summary.temperatureMax = maxs[3], summary.temperatureMin = mins[3],
    summary.temperatureAvg = float(sums[3] / n);
    lmv::CalcParams calc;
    calc.recordInterval = static_cast<quint32>(f.intervalSeconds);
    calc.velocitySmoothing = 5;
    calc.probeVersion = 1;
    return headerBlock(point, calc, summary, info) + records;
}

bool makeRva(const QString &dir, QString *error)
{
    const QString ini = QStringLiteral("# Sample portable flowmeter (type 5) for limnova-logger-sim.\n"
                                       "[device]\n"
                                       "type = 5\n"
                                       "number = 20190001\n"
                                       "version = 2 1 18 12 3\n"
                                       "protocol = 1.5\n");
    const QVector<RvaPoint> points = {
        {QStringLiteral("城东排水管网"), QStringLiteral("1号检查井"), 0, 800, 0, 0, 30, 0.22, 0.18, 0.55},
        {QStringLiteral("城东排水管网"), QStringLiteral("2号检查井"), 1, 1200, 1000, 0, 0, 0.35, 0.20, 0.62},
        {QStringLiteral("城东排水管网"), QStringLiteral("泵站出口"), 3, 600, 900, 0, 0, 0.18, 0.12, 0.48},
        {QStringLiteral("南河监测"), QStringLiteral("桥下断面"), 2, 1500, 2000, 3500, 50, 0.62, 0.25, 0.40},
        {QStringLiteral("南河监测"), QStringLiteral("入河口"), 0, 1000, 0, 0, 80, 0.30, 0.15, 0.70},
    };
    auto at = [&](int month, int day, int hour) {
        return QDateTime(QDate(2019, month, day), QTime(hour, 0), Qt::UTC);
    };
    QString body = ini;
    quint32 seed = 1;
    lmv::DeviceInfo info;
    info.deviceNumber = 20190001;
    info.typeCode = 5;
    info.versionBytes = {2, 1, 18, 12, 3};
    info.protocolVersion = 1.5f;
    for (int i = 0; i < points.size(); ++i) {
        const RvaPoint &p = points[i];
        body += QStringLiteral(
                    "\n[point %1/%2]\nshape = %3\nheight = %4\nwidth = %5\nupper = %6\nsediment = %7\n")
                    .arg(p.project, p.point)
                    .arg(p.shape)
                    .arg(p.height)
                    .arg(p.width)
                    .arg(p.upper)
                    .arg(p.sediment);
        QVector<RvaFile> files;
        // Every point has a day at five-minute intervals; some a two-day run or a short test.
        files.append({QStringLiteral("20190315_01.lmv"), at(3, 15, 0), 288, 300});
        if (i % 2 == 0)
            files.append({QStringLiteral("20190318_01.lmv"), at(3, 18, 6), 576, 300});
        if (i % 3 == 0)
            files.append({QStringLiteral("20190320_02.lmv"), at(3, 20, 9), 40, 60});
        for (const RvaFile &f : files) {
            const QString path =
                QDir(dir).filePath(p.project + QLatin1Char('/') + p.point + QLatin1Char('/') + f.name);
            if (!writeFile(path, rvaFileBytes(p, f, info, seed++), error))
                return false;
        }
    }
    return writeFile(QDir(dir).filePath(QStringLiteral("logger.ini")), body.toUtf8(), error);
}

// ---- RVB: an integrated monitoring host writing one file per month ----

quint32 secondsSince2014(const QDateTime &t)
{
    return static_cast<quint32>(QDateTime(QDate(2014, 1, 1), QTime(0, 0), Qt::UTC).secsTo(t));
}

QByteArray rvbFileBytes(const QString &project, const QString &point, int year, int month,
                        const QVector<int> &days, quint8 model, const lmv::DeviceInfo &deviceInfo,
                        quint32 seed)
{
    Noise noise(seed);
    QByteArray records;
    quint32 runSeconds = 3600 * 24 * 40;
    for (int day : days) {
        for (int hour = 0; hour < 24; ++hour) {
            for (int quarter = 0; quarter < 4; ++quarter) {
                const QDateTime t(QDate(year, month, day), QTime(hour, quarter * 15), Qt::UTC);
                const double h = hour + quarter / 4.0;
                const double shape = dailyShape(h);
                lmv::RvbRecord r;
                r.timeSeconds = secondsSince2014(t);
                const double level = 0.45 + 0.2 * shape + 0.005 * noise.next();
                const double velocity = 0.5 * (1.0 + 0.4 * shape) + 0.02 * noise.next();
                const double temperature = 14.0 + 1.5 * std::sin((h - 9.0) / 24.0 * 2 * kPi);
                if (model == 16) {
                    // ultrasonic level, radar velocity, absolute pressure, ultrasonic velocity, water, pitch
                    r.channel = {float(level),    float(velocity * 1.03), float(101325.0 + level * 9806.65),
                                 float(velocity), float(temperature),     float(2.5 + 0.1 * noise.next())};
                } else {
                    // level, pressure, velocity, AC/DC, water temperature, probe angle
                    r.channel = {float(level),       float(level * 9806.65),
                                 float(velocity),    float(0.82 + 0.02 * noise.next()),
                                 float(temperature), float(12.0 + 0.2 * noise.next())};
                }
                r.supplyVoltage = float(12.3 - 0.002 * (runSeconds / 3600 % 200));
                r.gprsSeconds = runSeconds / 6;
                r.deviceSeconds = runSeconds;
                r.sensorSeconds = runSeconds - 3600;
                r.vga = static_cast<quint16>(120 + 5 * noise.next());
                r.maxValue = static_cast<quint16>(2000 + 100 * noise.next());
                r.acValue = static_cast<quint16>(800 + 30 * noise.next());
                r.dcValue = static_cast<quint16>(1000 + 30 * noise.next());
                r.csq = static_cast<quint8>(20 + 4 * noise.next());
                r.baseStation = 0x25A41C7Bu;
                r.monitor5V = float(5.01 + 0.01 * noise.next());
                r.monitor12V = float(12.05 + 0.03 * noise.next());
                r.monitor3V9 = float(3.90 + 0.01 * noise.next());
                r.cpuTemperature = float(28.0 + 4.0 * std::sin((h - 14.0) / 24.0 * 2 * kPi));
                r.mainM = {512, 498, 530};
                r.mainG = {3, 1021, 12};
                records.append(r.toBytes());
                runSeconds += 900;
            }
        }
    }
    lmv::PipeSaveIntoTfType pointRecord = lmv::makePointRecord(project, point, 0, 0, 0, 0, 0);
    lmv::CalcParams calc;
    calc.recordInterval = 900;
    lmv::SummaryBlock summary;
    summary.sampleCount = static_cast<quint32>(records.size() / int(lmv::kRvbRecordSize));
    lmv::DeviceInfo info = deviceInfo;
    info.versionBytes[4] = model;
    return headerBlock(pointRecord, calc, summary, info) + records;
}

bool makeRvb(const QString &dir, QString *error)
{
    lmv::DeviceInfo info;
    info.deviceNumber = 20200107;
    info.typeCode = 1;
    info.versionBytes = {1, 3, 20, 6, 4};
    info.protocolVersion = 1.2f;

    struct Plan
    {
        QString project, point;
        quint8 model;
    };
    const QVector<Plan> plans = {
        {QStringLiteral("西区管网"), QStringLiteral("西一路1号井"), 4},
        {QStringLiteral("西区管网"), QStringLiteral("西二路3号井"), 4},
        {QStringLiteral("雷达流速站"), QStringLiteral("北门渠"), 16},
    };
    quint32 seed = 100;
    for (const Plan &plan : plans) {
        const QString base =
            QDir(dir).filePath(plan.project + QLatin1Char('/') + plan.point + QLatin1Char('/'));
        if (!writeFile(
                base + QStringLiteral("2019年01月.lmv"),
                rvbFileBytes(plan.project, plan.point, 2019, 1, {3, 4, 5, 17, 18}, plan.model, info, seed++),
                error) ||
            !writeFile(
                base + QStringLiteral("2019年02月.lmv"),
                rvbFileBytes(plan.project, plan.point, 2019, 2, {1, 2, 14, 27, 28}, plan.model, info, seed++),
                error))
            return false;
    }
    // A note beside the monthly files: the host lists it but keeps only ".lmv" names.
    if (!writeFile(QDir(dir).filePath(QStringLiteral("西区管网/西一路1号井/readme.txt")),
                   QByteArray("calibrated 2019-01-02\r\n"), error))
        return false;

    const QString ini4 =
        QStringLiteral("# Sample integrated monitoring host (type 1, model code 4) for limnova-logger-sim.\n"
                       "# The project 雷达流速站 holds files of a model 16 host; serve it with\n"
                       "# --config logger-model16.ini to show them under the right channel names.\n"
                       "[device]\n"
                       "type = 1\n"
                       "number = 20200107\n"
                       "version = 1 3 20 6 4\n"
                       "protocol = 1.2\n");
    QString ini16 = ini4;
    ini16.replace(QStringLiteral("model code 4) for"), QStringLiteral("model code 16) for"));
    ini16.replace(QStringLiteral("version = 1 3 20 6 4"), QStringLiteral("version = 1 3 20 6 16"));
    return writeFile(QDir(dir).filePath(QStringLiteral("logger.ini")), ini4.toUtf8(), error) &&
           writeFile(QDir(dir).filePath(QStringLiteral("logger-model16.ini")), ini16.toUtf8(), error);
}

} // namespace

bool makeSample(const QString &kind, const QString &dir, QString *error)
{
    if (kind == QLatin1String("rva"))
        return makeRva(dir, error);
    if (kind == QLatin1String("rvb"))
        return makeRvb(dir, error);
    *error = QStringLiteral("unknown sample kind \"%1\" (rva or rvb)").arg(kind);
    return false;
}
