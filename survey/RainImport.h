#pragma once

// Reading a rain gauge's text or CSV file into a RainSeries under a column mapping the user
// confirms: which column holds the time and in what form, which the value, how lines are split,
// which header lines to skip, and what the values are (depth per interval, a running total, or
// bucket tips).
//
// Outcomes. A line that cannot be read, or whose value cannot stand, is a bad row: it is listed
// with its line number (from 1) and why, and left out. When more than a tenth of the data rows are
// bad, or the bytes are no text, or too few rows remain, the import is refused: no series at all.
// Blank lines are not data rows.
//
// Order. Times must rise: a row at the time of the row before it, or earlier, is a bad row (the
// first one stays). Tips are the exception: tips in the same second are one entry of their summed
// depth, up to kMaxTipsPerSecond.
//
// Interval. The gauge's interval is the most common step between the times read (the shorter on a
// tie). An interval value covers (time - interval, time]; missing intervals are holes. A running
// total covers each step from one reading to the next, and its rise is the depth of the reading
// ending the step. A step longer than twice the interval is a hole instead: the rain the total
// gained over it is not put on any interval (its timing is unknown) and is reported apart. Tips
// cover from the first tip to the last.
//
// Values. Negative depths or totals, depths beyond kMaxRainRateMmPerHour over their interval (or
// beyond kMaxDepthMm in one), and a running total that falls back without being reset are bad rows.
// A total that falls to half or less of the one before was reset: the new total is the depth of its
// step. A total that falls less was misread: the row is bad and the totals go on from the last good
// one.

#include "survey/RainSeries.h"
#include "survey/RainText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <vector>

namespace lmv::survey {

// Heavier rain than any ever measured; a depth beyond it over its interval is a misreading.
constexpr double kMaxRainRateMmPerHour = 2000.0;
// No interval of any gauge holds more.
constexpr double kMaxDepthMm = 1000.0;
// A bucket cannot tip more often.
constexpr int kMaxTipsPerSecond = 4;
// Bucket sizes a mapping may give (mm).
constexpr double kMinBucketMm = 0.01;
constexpr double kMaxBucketMm = 10.0;

// The time forms offered by name; any other pattern is written out (RainTimePattern.h).
inline const char *const kRainTimeIso = "yyyy-MM-dd HH:mm[:ss]";
inline const char *const kRainTimeSlash = "yyyy/M/d H:mm";
inline const char *const kRainTimeDayFirst = "dd/MM/yyyy HH:mm";

struct RainImportMapping
{
    int timeColumn = 1;  // from 1
    int valueColumn = 2; // from 1; not read for tips
    QString timeFormat = QString::fromLatin1(kRainTimeIso);
    char separator = 0; // 0: detected from the file; ' ' runs of blanks; else the character
    bool decimalComma = false;
    int skipRows = 0; // header lines before the data
    RainKind kind = RainKind::Interval;
    double bucketMm = 0.2;

    bool operator==(const RainImportMapping &) const = default;
};

// Why a row was left out.
enum class RainRowProblem : quint8
{
    NoTime,        // the line has no time column
    BadTime,       // the time does not match the format or names no real time
    NoValue,       // no value column or an empty value
    BadValue,      // the value is no number
    Negative,      // a negative depth or total
    TooLarge,      // beyond the heaviest rain possible
    RepeatedTime,  // the time of the row before
    TimeBackwards, // earlier than the row before
    TotalFellBack, // a running total lower than the one before, not a reset
    TooManyTips,   // more tips in one second than a bucket can make
};

// The reason as the dialog and lmvtool print it.
QString rainRowProblemText(RainRowProblem problem);

struct RainBadRow
{
    qsizetype line = 0; // from 1, counted over every line of the file
    RainRowProblem problem = RainRowProblem::BadTime;
};

struct RainImportResult
{
    RainSeries series;               // empty when refused
    std::vector<RainBadRow> badRows; // ascending lines
    qsizetype lines = 0;             // lines in the file
    qsizetype dataRows = 0;          // non-blank lines after the skipped ones
    qsizetype rowsRead = 0;          // data rows that went into the series
    RainEncoding encoding = RainEncoding::Utf8;
    char separator = ' ';     // the separator used (the detected one when the mapping left it open)
    double holeDepthMm = 0.0; // running totals: rain gained over holes, not in the series
    qsizetype holes = 0;      // running totals: steps taken as holes
    QString error;            // why nothing was imported; empty when imported

    bool refused() const { return !error.isEmpty(); }
};

// Reads a gauge file's bytes under a mapping.
RainImportResult importRain(const QByteArray &bytes, const RainImportMapping &mapping);

// Why a mapping cannot be used (columns, format, bucket); empty when it can.
QString rainMappingProblem(const RainImportMapping &mapping);

// "第 12 行：时间无法识别" for the first `limit` bad rows, then "另有 N 行…" when there are more.
QStringList rainBadRowLines(const std::vector<RainBadRow> &rows, int limit);

struct RainPreview
{
    QString error; // the bytes are no text (empty, binary)
    RainEncoding encoding = RainEncoding::Utf8;
    RainImportMapping guess;   // the mapping the file's first lines suggest
    char separator = ' ';      // the separator the rows were split at
    QVector<QStringList> rows; // the first lines, split into fields; blank lines are empty
};

// The first maxRows lines of a gauge file split as `mapping` says (its separator detected when
// left open), and the mapping guessed from the file.
RainPreview previewRain(const QByteArray &bytes, const RainImportMapping &mapping, int maxRows);

// The mapping a file's text suggests: separator, header lines, the time column and its form, the
// value column, decimal comma, and the kind (no value column: tips; values that never fall: a
// running total; else depths per interval).
RainImportMapping guessRainMapping(const QByteArray &utf8);

} // namespace lmv::survey
