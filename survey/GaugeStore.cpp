#include "survey/GaugeStore.h"

#include "data/Records.h"
#include "survey/ProjectDb.h"
#include "survey/RainImport.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lmv::survey {

namespace {

constexpr char kMagic[4] = {'L', 'M', 'V', 'R'};
constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kEntrySize = 16; // time and depth
constexpr std::size_t kSpanSize = 16;  // start and end
// Entries and spans together: keeps a series column well inside SQLite's largest value (1e9 bytes).
constexpr quint64 kMaxSeriesItems = 50'000'000;
// Clock seconds no calendar reaches (some 12 700 years either side of 1970): far from overflowing when
// spans and intervals are subtracted.
constexpr qint64 kClockLimit = 400'000'000'000;

const QString kGaugeColumns =
    QStringLiteral("id, name, kind, interval_seconds, bucket_mm, source_name, source_sha256, imported");

quint64 u64le(const ByteReader &in, std::size_t at)
{
    return quint64(in.u32le(at)) | (quint64(in.u32le(at + 4)) << 32);
}

void putU64le(ByteWriter &out, std::size_t at, quint64 v)
{
    out.u32le(at, quint32(v));
    out.u32le(at + 4, quint32(v >> 32));
}

double f64le(const ByteReader &in, std::size_t at)
{
    const quint64 bits = u64le(in, at);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void putF64le(ByteWriter &out, std::size_t at, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    putU64le(out, at, bits);
}

// The kinds as the gauge table and the series column number them.
bool kindOf(int code, RainKind &kind)
{
    switch (code) {
    case 0:
        kind = RainKind::Interval;
        return true;
    case 1:
        kind = RainKind::Cumulative;
        return true;
    case 2:
        kind = RainKind::Tips;
        return true;
    default:
        return false;
    }
}

int codeOf(RainKind kind)
{
    switch (kind) {
    case RainKind::Interval:
        return 0;
    case RainKind::Cumulative:
        return 1;
    case RainKind::Tips:
        return 2;
    }
    return 0;
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool readableDb(const ProjectDb &db)
{
    return db.readable() && db.schemaVersion() >= 1;
}

GaugeInfo gaugeOfRow(const QSqlQuery &q)
{
    GaugeInfo g;
    g.id = q.value(0).toLongLong();
    g.name = q.value(1).toString();
    kindOf(q.value(2).toInt(), g.kind); // an unknown kind shows when the series is read
    g.intervalSeconds = q.value(3).toLongLong();
    if (!q.value(4).isNull())
        g.bucketMm = q.value(4).toDouble();
    g.sourceName = q.value(5).toString();
    g.sourceSha256 = q.value(6).toString();
    g.imported = q.value(7).toString();
    return g;
}

// Points of every gauge, in the order they were assigned.
QHash<qint64, QStringList> pointsOfGauges(const ProjectDb &db)
{
    QHash<qint64, QStringList> out;
    QSqlQuery q(db.database());
    if (!q.exec(QStringLiteral("SELECT gp.gauge_id, p.name FROM gauge_point gp JOIN point p ON p.id = "
                               "gp.point_id ORDER BY gp.rowid")))
        return out;
    while (q.next())
        out[q.value(0).toLongLong()] << q.value(1).toString();
    return out;
}

std::optional<qint64> gaugeIdIn(QSqlDatabase &sql, const QString &name)
{
    QSqlQuery q(sql);
    q.prepare(QStringLiteral("SELECT id FROM gauge WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

bool isAssigned(const ProjectDb &db, const QString &gauge, const QString &point)
{
    if (!readableDb(db))
        return false;
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("SELECT 1 FROM gauge_point gp JOIN gauge g ON g.id = gp.gauge_id "
                             "JOIN point p ON p.id = gp.point_id WHERE g.name = ? AND p.name = ?"));
    q.addBindValue(gauge);
    q.addBindValue(point);
    return q.exec() && q.next();
}

QString importProblem(const GaugeImport &gauge, const QString &name, const RainSeries &series)
{
    if (QString problem = gaugeNameProblem(name); !problem.isEmpty())
        return problem;
    if (QString problem = rainSeriesProblem(series); !problem.isEmpty())
        return QStringLiteral("雨量计 %1 的雨量序列无法保存:%2").arg(name, problem);
    if (series.kind == RainKind::Tips && !(gauge.bucketMm >= kMinBucketMm && gauge.bucketMm <= kMaxBucketMm))
        return QStringLiteral("翻斗容量须在 %1 至 %2 mm 之间").arg(kMinBucketMm).arg(kMaxBucketMm);
    if (gauge.sourceName.trimmed().isEmpty())
        return QStringLiteral("缺少雨量计数据文件名");
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    if (!hex.match(gauge.sourceSha256).hasMatch())
        return QStringLiteral("数据文件的 SHA-256 不是 64 位十六进制数");
    for (const QString &point : gauge.points)
        if (point.trimmed().isEmpty())
            return QStringLiteral("测点名称为空");
    return {};
}

bool storeGauge(ProjectDb &db, QSqlDatabase &sql, const GaugeImport &gauge, const QString &name,
                const RainSeries &series, const QByteArray &blob, const QString &imported, QString &why)
{
    const std::optional<qint64> existing = gaugeIdIn(sql, name);
    if (existing && !gauge.replace) {
        why = QStringLiteral("项目中已有名为 %1 的雨量计").arg(name);
        return false;
    }
    const QVariant bucket =
        series.kind == RainKind::Tips ? QVariant(gauge.bucketMm) : QVariant(QVariant::Double);
    const QVariantList values{codeOf(series.kind),
                              series.intervalSeconds,
                              bucket,
                              gauge.sourceName.trimmed(),
                              gauge.sourceSha256,
                              imported,
                              blob};
    qint64 id = 0;
    if (existing) {
        id = *existing;
        if (!execSql(
                sql,
                QStringLiteral("UPDATE gauge SET kind = ?, interval_seconds = ?, bucket_mm = ?, "
                               "source_name = ?, source_sha256 = ?, imported = ?, series = ? WHERE id = ?"),
                values + QVariantList{id}, why))
            return false;
    } else {
        QSqlQuery q(sql);
        q.prepare(QStringLiteral("INSERT INTO gauge(name, kind, interval_seconds, bucket_mm, source_name, "
                                 "source_sha256, imported, series) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        q.addBindValue(name);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec()) {
            why = q.lastError().text();
            return false;
        }
        id = q.lastInsertId().toLongLong();
    }
    for (const QString &point : gauge.points) {
        const std::optional<qint64> pointId = db.pointId(point.trimmed(), true);
        if (!pointId) {
            why = QStringLiteral("无法记录测点 %1").arg(point);
            return false;
        }
        if (!execSql(sql,
                     QStringLiteral("INSERT OR IGNORE INTO gauge_point(gauge_id, point_id) VALUES (?, ?)"),
                     {id, *pointId}, why))
            return false;
    }
    return true;
}

} // namespace

QString gaugeSourceSha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString gaugeNameProblem(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("雨量计名称为空");
    if (trimmed.size() > kGaugeMaxNameChars)
        return QStringLiteral("雨量计名称超过 %1 个字符").arg(kGaugeMaxNameChars);
    if (std::any_of(trimmed.begin(), trimmed.end(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral("雨量计名称含有控制字符");
    return {};
}

QString rainSeriesProblem(const RainSeries &s)
{
    if (s.times.empty())
        return QStringLiteral("没有雨量记录");
    if (s.times.size() != s.depthMm.size())
        return QStringLiteral("时间与雨量的个数不同");
    if (quint64(s.times.size()) + quint64(s.covered.size()) > kMaxSeriesItems)
        return QStringLiteral("记录过多");
    if (s.kind == RainKind::Tips ? s.intervalSeconds != 0
                                 : (s.intervalSeconds <= 0 || s.intervalSeconds > kClockLimit))
        return QStringLiteral("记录间隔与数据类型不符");
    for (std::size_t i = 0; i < s.times.size(); ++i) {
        const qint64 t = s.times[i];
        if (t <= -kClockLimit || t > kClockLimit)
            return QStringLiteral("时间超出范围");
        if (i > 0 && t <= s.times[i - 1])
            return QStringLiteral("时间未严格递增");
        const double d = s.depthMm[i];
        if (!std::isfinite(d) || d < 0.0 || d > kMaxDepthMm)
            return QStringLiteral("雨量不是 0 至 %1 mm 之间的数值").arg(kMaxDepthMm);
    }
    if (s.covered.isEmpty())
        return QStringLiteral("缺少记录覆盖时段");
    for (qsizetype i = 0; i < s.covered.size(); ++i) {
        const TimeSpan &span = s.covered[i];
        if (span.start <= -kClockLimit || span.end > kClockLimit || span.start >= span.end)
            return QStringLiteral("记录覆盖时段无效");
        if (i > 0 && s.covered[i - 1].end >= span.start)
            return QStringLiteral("记录覆盖时段未按时间顺序分开");
    }
    // Every entry inside a span (start exclusive, end inclusive); both lists ascend.
    qsizetype span = 0;
    for (const qint64 t : s.times) {
        while (span < s.covered.size() && s.covered[span].end < t)
            ++span;
        if (span == s.covered.size() || s.covered[span].start >= t)
            return QStringLiteral("有雨量记录不在覆盖时段内");
    }
    return {};
}

QByteArray encodeRainSeries(const RainSeries &s)
{
    const std::size_t n = std::min(s.times.size(), s.depthMm.size());
    const std::size_t m = std::size_t(s.covered.size());
    QByteArray bytes(qsizetype(kHeaderSize + n * kEntrySize + m * kSpanSize), '\0');
    ByteWriter out(bytes);
    out.copy(0, kMagic, sizeof kMagic);
    out.u16le(4, kGaugeSeriesVersion);
    out.u8(6, quint8(codeOf(s.kind)));
    putU64le(out, 8, quint64(s.intervalSeconds));
    out.u32le(16, quint32(n));
    out.u32le(20, quint32(m));
    const std::size_t depths = kHeaderSize + n * 8, spans = kHeaderSize + n * kEntrySize;
    for (std::size_t i = 0; i < n; ++i) {
        putU64le(out, kHeaderSize + i * 8, quint64(s.times[i]));
        putF64le(out, depths + i * 8, s.depthMm[i]);
    }
    for (std::size_t i = 0; i < m; ++i) {
        putU64le(out, spans + i * kSpanSize, quint64(s.covered[qsizetype(i)].start));
        putU64le(out, spans + i * kSpanSize + 8, quint64(s.covered[qsizetype(i)].end));
    }
    return bytes;
}

bool decodeRainSeries(const QByteArray &bytes, RainSeries &out, QString *error)
{
    out = RainSeries();
    const ByteReader in(bytes);
    if (in.size() < kHeaderSize || std::memcmp(in.data(), kMagic, sizeof kMagic) != 0)
        return fail(error, QStringLiteral("不是雨量序列"));
    const quint16 version = in.u16le(4);
    if (version > kGaugeSeriesVersion)
        return fail(error, QStringLiteral("雨量序列由较新版本的程序写入(格式版本 %1)").arg(version));
    RainKind kind = RainKind::Interval;
    if (version == 0 || !kindOf(in.u8(6), kind) || in.u8(7) != 0)
        return fail(error, QStringLiteral("雨量序列的头部无效"));
    const quint64 n = in.u32le(16), m = in.u32le(20);
    if (kHeaderSize + n * kEntrySize + m * kSpanSize != in.size())
        return fail(error, QStringLiteral("雨量序列长度不符(%1 字节)").arg(in.size()));
    RainSeries s;
    s.kind = kind;
    s.intervalSeconds = qint64(u64le(in, 8));
    s.times.resize(n);
    s.depthMm.resize(n);
    const std::size_t depths = kHeaderSize + n * 8, spans = kHeaderSize + n * kEntrySize;
    for (std::size_t i = 0; i < n; ++i) {
        s.times[i] = qint64(u64le(in, kHeaderSize + i * 8));
        s.depthMm[i] = f64le(in, depths + i * 8);
    }
    s.covered.resize(qsizetype(m));
    for (std::size_t i = 0; i < m; ++i)
        s.covered[qsizetype(i)] = {qint64(u64le(in, spans + i * kSpanSize)),
                                   qint64(u64le(in, spans + i * kSpanSize + 8))};
    if (const QString problem = rainSeriesProblem(s); !problem.isEmpty())
        return fail(error, problem);
    out = std::move(s);
    return true;
}

bool importGauge(ProjectDb &db, const GaugeImport &gauge, const RainSeries &series, QString *error)
{
    const QString name = gauge.name.trimmed();
    if (const QString problem = importProblem(gauge, name, series); !problem.isEmpty())
        return fail(error, problem);
    // Refused before the transaction, which would make the file.
    if (!gauge.replace && gaugeNamed(db, name))
        return fail(error, QStringLiteral("项目中已有名为 %1 的雨量计").arg(name));
    const QByteArray blob = encodeRainSeries(series);
    const QString imported = gauge.imported.isEmpty() ? ProjectDb::nowText() : gauge.imported;
    return db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            return storeGauge(db, sql, gauge, name, series, blob, imported, why);
        },
        error);
}

QVector<GaugeInfo> projectGauges(const ProjectDb &db)
{
    QVector<GaugeInfo> out;
    if (!readableDb(db))
        return out;
    QSqlQuery q(db.database());
    if (!q.exec(QStringLiteral("SELECT %1 FROM gauge ORDER BY name").arg(kGaugeColumns)))
        return out;
    while (q.next())
        out << gaugeOfRow(q);
    const QHash<qint64, QStringList> points = pointsOfGauges(db);
    for (GaugeInfo &g : out)
        g.points = points.value(g.id);
    return out;
}

std::optional<GaugeInfo> gaugeNamed(const ProjectDb &db, const QString &name)
{
    if (!readableDb(db))
        return std::nullopt;
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("SELECT %1 FROM gauge WHERE name = ?").arg(kGaugeColumns));
    q.addBindValue(name.trimmed());
    if (!q.exec() || !q.next())
        return std::nullopt;
    GaugeInfo g = gaugeOfRow(q);
    g.points = pointsOfGauges(db).value(g.id);
    return g;
}

bool loadGaugeSeries(const ProjectDb &db, const QString &name, RainSeries &out, QString *error)
{
    out = RainSeries();
    if (!readableDb(db))
        return fail(error, QStringLiteral("项目中没有名为 %1 的雨量计").arg(name));
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("SELECT kind, interval_seconds, series FROM gauge WHERE name = ?"));
    q.addBindValue(name.trimmed());
    if (!q.exec() || !q.next())
        return fail(error, QStringLiteral("项目中没有名为 %1 的雨量计").arg(name));
    QString why;
    RainSeries s;
    if (!decodeRainSeries(q.value(2).toByteArray(), s, &why))
        return fail(error, QStringLiteral("雨量计 %1 的雨量序列已损坏:%2").arg(name, why));
    if (q.value(0).toInt() != codeOf(s.kind) || q.value(1).toLongLong() != s.intervalSeconds)
        return fail(error, QStringLiteral("雨量计 %1 的雨量序列已损坏:与其数据类型或记录间隔不符").arg(name));
    out = std::move(s);
    return true;
}

bool assignGauge(ProjectDb &db, const QString &gauge, const QString &point, QString *error)
{
    const QString pointName = point.trimmed();
    if (pointName.isEmpty())
        return fail(error, QStringLiteral("测点名称为空"));
    if (!gaugeNamed(db, gauge))
        return fail(error, QStringLiteral("项目中没有名为 %1 的雨量计").arg(gauge));
    if (isAssigned(db, gauge.trimmed(), pointName))
        return true;
    return db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            const std::optional<qint64> gaugeId = gaugeIdIn(sql, gauge.trimmed());
            const std::optional<qint64> pointId = db.pointId(pointName, true);
            if (!gaugeId || !pointId) {
                why = QStringLiteral("无法把雨量计 %1 分配给测点 %2").arg(gauge, pointName);
                return false;
            }
            return execSql(
                sql, QStringLiteral("INSERT OR IGNORE INTO gauge_point(gauge_id, point_id) VALUES (?, ?)"),
                {*gaugeId, *pointId}, why);
        },
        error);
}

bool unassignGauge(ProjectDb &db, const QString &gauge, const QString &point, QString *error)
{
    if (!isAssigned(db, gauge.trimmed(), point.trimmed()))
        return fail(error, QStringLiteral("雨量计 %1 未分配给测点 %2").arg(gauge, point));
    return db.transaction(
        [&](QSqlDatabase &sql, QString &why) {
            return execSql(
                sql,
                QStringLiteral("DELETE FROM gauge_point WHERE gauge_id = (SELECT id FROM gauge WHERE "
                               "name = ?) AND point_id = (SELECT id FROM point WHERE name = ?)"),
                {gauge.trimmed(), point.trimmed()}, why);
        },
        error);
}

QVector<GaugeInfo> pointGauges(const ProjectDb &db, const QString &point)
{
    QVector<GaugeInfo> out;
    if (!readableDb(db))
        return out;
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("SELECT gp.gauge_id FROM gauge_point gp JOIN point p ON p.id = gp.point_id "
                             "WHERE p.name = ? ORDER BY gp.rowid"));
    q.addBindValue(point.trimmed());
    if (!q.exec())
        return out;
    const QVector<GaugeInfo> all = projectGauges(db);
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        const auto it = std::find_if(all.begin(), all.end(), [id](const GaugeInfo &g) { return g.id == id; });
        if (it != all.end())
            out << *it;
    }
    return out;
}

qint64 coveredSeconds(const RainSeries &rain, qint64 from, qint64 to)
{
    from = std::clamp(from, -kClockLimit, kClockLimit);
    to = std::clamp(to, -kClockLimit, kClockLimit);
    qint64 sum = 0;
    for (const TimeSpan &span : rain.covered)
        sum += std::max<qint64>(0, std::min(span.end, to) - std::max(span.start, from));
    return sum;
}

PointRain pointRain(const ProjectDb &db, const QString &point, qint64 from, qint64 to)
{
    PointRain best;
    const QVector<GaugeInfo> gauges = pointGauges(db, point);
    for (const GaugeInfo &g : gauges) {
        RainSeries series;
        QString why;
        if (!loadGaugeSeries(db, g.name, series, &why)) {
            best.problems << why;
            continue;
        }
        const qint64 covered = from < to ? coveredSeconds(series, from, to) : 0;
        if (!best.gauge || covered > best.coveredSeconds) {
            best.gauge = g;
            best.series = std::move(series);
            best.coveredSeconds = covered;
        }
    }
    return best;
}

} // namespace lmv::survey
