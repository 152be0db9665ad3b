#pragma once

// Rain gauges kept in the project database: a gauge's rain series with the name and SHA-256 of the
// file it was read from, and the monitoring points it serves.
//
// Names. A gauge's name is unique in its project. Importing under a name already taken is refused
// unless a replacement is asked for: then the row keeps its id and its points and takes the new
// series and source (a gauge read again after its logger was emptied once more).
//
// Points. A gauge serves any number of points and a point may have several gauges. A point's
// figures take the assigned gauge that covers most of the period they are worked out over; on a
// tie, or without a period, the one assigned first.
//
// Series. The `series` column holds the rain series in a versioned little-endian layout
// (encodeRainSeries); a value that does not decode, or disagrees with its row, is reported and
// never read any further.

#include "survey/RainSeries.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <optional>

namespace lmv::survey {

class ProjectDb;

// Layout version of the series column; a newer one is refused with a message.
constexpr quint16 kGaugeSeriesVersion = 1;
// Longest gauge name (characters).
constexpr int kGaugeMaxNameChars = 100;

// A gauge row, without its series.
struct GaugeInfo
{
    qint64 id = 0;
    QString name;
    RainKind kind = RainKind::Interval;
    qint64 intervalSeconds = 0;     // 0 for tips
    std::optional<double> bucketMm; // tips only
    QString sourceName;             // the gauge file's name
    QString sourceSha256;           // of the gauge file's bytes, 64 lower-case hex digits
    QString imported;               // when, ISO local time of the computer
    QStringList points;             // in the order they were assigned
};

// What an import stores beside the series.
struct GaugeImport
{
    QString name;
    double bucketMm = 0.2; // kept for tips only
    QString sourceName;
    QString sourceSha256; // gaugeSourceSha256 of the file's bytes
    QStringList points;   // assigned in the same transaction (added to the database when new)
    bool replace = false; // a gauge of that name is replaced rather than the import refused
    QString imported;     // when; empty: now (a fixed text makes a database reproducible)
};

// SHA-256 of a gauge file's bytes as 64 lower-case hex digits.
QString gaugeSourceSha256(const QByteArray &bytes);

// Why a name cannot be a gauge's (empty, too long, control characters); empty when it can. Names
// are taken trimmed.
QString gaugeNameProblem(const QString &name);

// Why a series cannot be stored or was not read right: no entries, times not strictly rising,
// depths that are no numbers, negative or beyond kMaxDepthMm, covered spans empty, out of order or
// touching, an entry outside them, an interval that does not suit the kind. Empty when sound.
QString rainSeriesProblem(const RainSeries &series);

// The series column's bytes: "LMVR", u16 version, u8 kind (0 interval, 1 running total, 2 tips),
// u8 0, i64 interval, u32 entries, u32 spans, then every entry's i64 time, every entry's f64 depth,
// and every span's i64 start and i64 end; all little-endian.
QByteArray encodeRainSeries(const RainSeries &series);
// Reads what encodeRainSeries wrote. False with *error set when the bytes are not such a series
// (wrong length, unknown version or kind, or values rainSeriesProblem refuses); out is then empty.
bool decodeRainSeries(const QByteArray &bytes, RainSeries &out, QString *error = nullptr);

// Stores a gauge in one transaction: its row, and its points. Refused before anything is written
// (the database file is not made for it) for a bad name, an unsound series, a bucket outside
// kMinBucketMm..kMaxBucketMm for tips, or a name already taken without replace.
bool importGauge(ProjectDb &db, const GaugeImport &gauge, const RainSeries &series, QString *error = nullptr);

// Every gauge of the project with its points, by name.
QVector<GaugeInfo> projectGauges(const ProjectDb &db);
// The gauge of that name; none when there is none.
std::optional<GaugeInfo> gaugeNamed(const ProjectDb &db, const QString &name);
// A gauge's series. False with *error set when there is no such gauge or its series is damaged.
bool loadGaugeSeries(const ProjectDb &db, const QString &name, RainSeries &out, QString *error = nullptr);

// Assigns a gauge to a point (the point is added to the database when new); assigning it again
// changes nothing. False when there is no such gauge or nothing could be written.
bool assignGauge(ProjectDb &db, const QString &gauge, const QString &point, QString *error = nullptr);
// Takes a gauge from a point. False when it was not assigned there.
bool unassignGauge(ProjectDb &db, const QString &gauge, const QString &point, QString *error = nullptr);
// The gauges assigned to a point, first assigned first.
QVector<GaugeInfo> pointGauges(const ProjectDb &db, const QString &point);

// Seconds of (from, to] the gauge covers.
qint64 coveredSeconds(const RainSeries &rain, qint64 from, qint64 to);

// The rain of a point's figures.
struct PointRain
{
    std::optional<GaugeInfo> gauge; // none when no assigned gauge could be read
    RainSeries series;
    qint64 coveredSeconds = 0; // of the period asked for
    QStringList problems;      // assigned gauges whose series could not be read, with why
};
// The gauge a point's figures over (from, to] use: of the gauges assigned to the point whose
// series can be read, the one covering most of the period; on a tie the one assigned first. With
// from >= to, the first assigned.
PointRain pointRain(const ProjectDb &db, const QString &point, qint64 from, qint64 to);

} // namespace lmv::survey
