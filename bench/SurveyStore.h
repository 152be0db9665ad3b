#pragma once
// A store of weekly RVA files at 2 min for the survey benchmarks: each point a DN800 sewer with a
// daily rhythm, eight weeks from Monday 2024-03-04.

#include "data/DataFile.h"
#include "data/StoreIndex.h"
#include "data/TimeSteps.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cmath>

namespace bench {

using namespace lmv;

constexpr int kInterval = 120;
constexpr int kWeeks = 8;
constexpr int kPoints = 50;
constexpr qint64 kWeekRecords = 7 * 86400 / kInterval; // 5040

// One week of a DN800 sewer at 2 min with a daily rhythm, as a complete data file.
inline QByteArray weekFile(const QString &project, const QString &point, qint64 start, int seed)
{
    QByteArray file(int(kHeaderSize + kRvaRecordSize * std::size_t(kWeekRecords)), '\0');
    ByteWriter out(file);
    makePointRecord(project, point, PipeCircle, 800, 0, 0, 40).encode(out, 0);
    CalcParams calc;
    calc.recordInterval = kInterval;
    calc.encode(out, kCalcParamsOffset);
    out.u8(kTypeCodeOffset, kTypeCodeRva);
    for (qint64 i = 0; i < kWeekRecords; ++i) {
        const qint64 t = start + i * kInterval;
        const double hour = double(t % 86400) / 3600.0;
        RvaRecord r;
        r.time = recordTimeOf(t);
        r.sequence = quint32(i + 1);
        r.level = float(0.2 + 0.08 * std::sin((hour - 8.0) / 24.0 * 2.0 * M_PI) + 0.001 * (seed % 17));
        r.velocity = float(0.5 + 0.6 * r.level);
        r.flow = r.level * r.velocity * 480.0f;
        r.temperature = 14.0f;
        r.encode(out, kHeaderSize + kRvaRecordSize * std::size_t(i));
    }
    return file;
}

// A store of `points` points with eight weekly files each; returns the project index.
inline QString writeStore(const QString &root, int points)
{
    const QString project = QStringLiteral("基准项目");
    const qint64 start = QDateTime(QDate(2024, 3, 4), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    QStringList lines{QStringLiteral("$prj$") + project};
    for (int p = 0; p < points; ++p) {
        const QString point = QStringLiteral("测点%1").arg(p + 1, 2, 10, QLatin1Char('0'));
        lines << QStringLiteral("$pos$%1/%2").arg(project, point);
        QDir().mkpath(QStringLiteral("%1/%2/%3").arg(root, project, point));
        for (int w = 0; w < kWeeks; ++w) {
            const qint64 weekStart = start + qint64(w) * 7 * 86400;
            const QString name =
                QDateTime::fromSecsSinceEpoch(weekStart, Qt::UTC).toString(QStringLiteral("yyyyMMdd")) +
                QStringLiteral(".lmv");
            QFile f(QStringLiteral("%1/%2/%3/%4").arg(root, project, point, name));
            if (!f.open(QIODevice::WriteOnly) || f.write(weekFile(project, point, weekStart, p)) < 0)
                return {};
            lines << QStringLiteral("$record$%1/%2/%3").arg(project, point, name);
        }
    }
    writeIndexFiles(root + QLatin1Char('/'), lines);
    return QStringLiteral("%1/%2/%2.lmvprj").arg(root, project);
}

} // namespace bench
