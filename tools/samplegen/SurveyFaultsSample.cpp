#include "tools/samplegen/SurveyFaultsSample.h"

#include "data/DataFile.h"
#include "data/Records.h"

#include <QDateTime>
#include <QFile>

#include <cmath>
#include <cstdio>

using namespace lmv;

namespace {

constexpr int kInterval = 300;

struct Sample
{
    qint64 offset; // seconds from 2024-05-20 00:00 on the logger's clock
    double level;  // m above the sediment
    double velocity;
};

// Dry-weather level with a storm on the first afternoon that fills the pipe.
double levelAt(qint64 offset)
{
    const double hour = double(offset % 86400) / 3600.0;
    double level = 0.18 + 0.06 * std::sin((hour - 9.0) / 24.0 * 2.0 * M_PI);
    if (offset < 86400) {
        const double t = hour - 15.0;
        level += 0.52 * std::exp(-(t * t) / 1.2);
    }
    return std::round(level * 1000.0) / 1000.0;
}

std::vector<Sample> samples()
{
    std::vector<Sample> out;
    auto add = [&out](qint64 offset) {
        const double level = levelAt(offset);
        out.push_back({offset, level, std::round((0.3 + 0.8 * std::sqrt(level)) * 1000.0) / 1000.0});
    };
    const qint64 day2 = 86400;
    for (qint64 t = 0; t < 2 * 86400; t += kInterval) {
        if (t >= 3 * 3600 && t < 5 * 3600) // the logger lost power for two hours
            continue;
        if (t == day2 + 18 * 3600) { // clock set back ten minutes, then on as before
            for (qint64 back = t - 600; back < t; back += kInterval)
                add(back);
        }
        add(t);
        if (t >= day2 + 8 * 3600 && t <= day2 + 9 * 3600 + 45 * 60) // the level sensor stuck
            out.back().level = 0.213;
        if (t == day2 + 12 * 3600) // the same record written twice
            out.push_back(out.back());
        if (t == day2 + 13 * 3600) { // two records of one time with other values
            out.push_back(out.back());
            out.back().level += 0.04;
        }
        if (t == day2 + 20 * 3600)
            out.back().velocity = 7.2;
    }
    return out;
}

QByteArray payload(const PipeSaveIntoTfType &point)
{
    QByteArray head(static_cast<int>(kRvaDeviceHeaderSize), '\0');
    ByteWriter out(head);
    point.encode(out, 0);
    CalcParams calc;
    calc.recordInterval = kInterval;
    calc.velocitySmoothing = 3;
    calc.probeVersion = 1;
    calc.encode(out, kCalcParamsOffset);
    const std::vector<Sample> all = samples();
    SummaryBlock summary;
    summary.durationSeconds = static_cast<quint32>(kInterval * all.size());
    summary.encode(out, kSummaryOffset);

    QByteArray records(static_cast<int>(all.size() * kRvaRecordSize), '\0');
    ByteWriter rec(records);
    const QDateTime start(QDate(2024, 5, 20), QTime(0, 0), Qt::UTC);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const QDateTime at = start.addSecs(all[i].offset);
        RvaRecord r;
        r.time =
            RecordTime{quint8(at.time().hour()),  quint8(at.time().minute()), quint8(at.time().second()), 0,
                       quint16(at.date().year()), quint8(at.date().month()),  quint8(at.date().day())};
        r.sequence = quint32(i + 1);
        r.level = float(all[i].level);
        r.velocity = float(all[i].velocity);
        r.temperature = 18.5f;
        r.encode(rec, i * kRvaRecordSize);
    }
    return head + records;
}

} // namespace

bool writeSurveyFaultsSample(const QString &filesRoot, const QString &cacheRoot)
{
    const QString fileName = QStringLiteral("数据检查示例_20240520.lmv");
    const PipeSaveIntoTfType point = makePointRecord(
        QStringLiteral("开发区雨水"), QStringLiteral("南湖路3号井"), PipeCircle, 600, 0, 0, 20);
    const CacheLocation where{cacheRoot, point.projectNameText(), point.pointNameText(), fileName};
    DeviceInfo logger;
    logger.deviceNumber = 2103057;
    logger.typeCode = kTypeCodeRva;
    logger.versionBytes = {3, 1, 0, 2, 0};
    logger.protocolVersion = 1.25f;
    QString cachePath;
    const QString target = filesRoot + fileName;
    if (writeCachePacket(where, payload(point), kPageSingle, logger, &cachePath) != CacheOk ||
        finishRvaFile(cachePath, point) != CacheOk || (QFile::exists(target) && !QFile::remove(target)) ||
        !QFile::copy(cachePath, target)) {
        std::fprintf(stderr, "lmv-samplegen: cannot write %s\n", qPrintable(target));
        return false;
    }
    return true;
}
