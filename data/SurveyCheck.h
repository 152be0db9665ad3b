#pragma once

// What is wrong with a survey before its figures go into a report: holes, repeated and backward
// times, stuck sensors, surcharge, weak power or signal, and (RVA) how much water passed each day
// with how much of the day the records cover. The check only reads; nothing is written back.

#include "data/DataFile.h"
#include "data/Records.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <span>
#include <vector>

namespace lmv {

enum class FindingKind : quint8
{
    Gap,                // a step longer than twice the nominal interval
    DuplicateSame,      // the same time as the record before, with the same values
    DuplicateDifferent, // the same time as the record before, with other values
    BackwardStep,       // a time earlier than the record before (clock set back)
    HourStep,           // about an hour forward, but no gap (long intervals)
    IrregularStep,      // a step shorter than the nominal interval
    FlatLine,           // a non-zero value unchanged for an hour or more
    NotFinite,          // NaN or an infinity
    Surcharge,          // RVA: water above the crown
    BelowSediment,      // RVA: a negative level
    VelocityOutOfRange, // RVA: corrected velocity beyond ±6 m/s
    WeakPower,          // RVB: supply voltage below 10.5 V
    WeakSignal,         // RVB: CSQ below 10
    // Records and headers that cannot be taken at their word (they count no time and no volume).
    ImpossibleTime,     // a record time that names no moment (hour 25, month 13, ...)
    ImpossibleInterval, // whole file: a header record interval longer than a day
    ImpossiblePipe,     // whole file (RVA): a pipe that cannot exist (data/PipeLimits.h)
    BadCorrection,      // whole file (RVA): a correction factor that is no number or negative
};

// Findings about the whole file rather than some of its records carry kWholeFile as their
// record numbers, and the file's first and last record times (0 without records).
constexpr qsizetype kWholeFile = -1;

// The value a finding is about.
enum class CheckedValue : quint8
{
    Time,
    Level,
    Velocity,
    Flow,
    Temperature,
    Channel1,
    Channel2,
    Channel3,
    Channel4,
    Channel5,
    Channel6,
    SupplyVoltage,
    Csq,
};

// Thresholds of the value findings.
constexpr qint64 kFlatLineSeconds = 3600;
constexpr float kVelocityLimit = 6.0f;      // m/s, either direction
constexpr float kWeakSupplyVoltage = 10.5f; // V
constexpr int kWeakCsq = 10;

struct Finding
{
    FindingKind kind = FindingKind::Gap;
    CheckedValue value = CheckedValue::Time;
    bool aboutAnHour = false;  // a step of about an hour forward or back (summer time)
    qsizetype firstRecord = 0; // file order, from 0
    qsizetype lastRecord = 0;
    qint64 start = 0; // clock seconds (data/TimeSteps.h)
    qint64 end = 0;
    // Steps: end − start (negative when backward). Value periods: the counted seconds of their
    // records. Flat lines: from the first to the last unchanged record.
    qint64 seconds = 0;
    // Flat line: the value; surcharge: the highest level; negative level: the lowest; velocity:
    // the corrected velocity farthest from 0; weak power: the lowest voltage; weak signal: the
    // lowest CSQ; bad correction: the factor; impossible interval: the nominal interval used.
    float extreme = 0.0f;
    // Impossible time: the first such time as the record holds it (start and end are then the
    // times of the possible records around the run). Impossible interval: the header's seconds
    // in `seconds`.
    RecordTime badTime;
    // Impossible pipe: why (pipeProblem).
    QString reason;

    bool wholeFile() const { return firstRecord == kWholeFile; }
};

// One day of the RVA daily table (or the file's total).
struct DayVolume
{
    qint64 day = 0;            // days since 1970-01-01 on the logger's clock
    qsizetype records = 0;     // records whose time falls on the day
    qint64 countedSeconds = 0; // seconds of the day covered by counted intervals
    double volumeM3 = 0.0;
    float minFlow = 0.0f; // corrected flow of the day's records, L/s
    float maxFlow = 0.0f;
    float maxLevel = 0.0f; // m
    qint64 surchargeSeconds = 0;
    bool hasValues = false; // some record of the day has a finite flow

    // Share of the day (of dayCount days for the total) covered by counted intervals, at most 1
    // (the times a clock set back repeats could count for more).
    double coverage(qsizetype dayCount = 1) const;
    // Mean corrected flow over the counted time, L/s (0 without counted time).
    double meanFlow() const { return countedSeconds > 0 ? volumeM3 * 1000.0 / double(countedSeconds) : 0.0; }
};

struct SurveyCheck
{
    Family family = Family::Unknown;
    qsizetype records = 0;
    qint64 intervalSeconds = 0; // nominal interval, 0 when none can be told
    QVector<Finding> findings;  // by first record, then by kind
    QStringList channelNames;   // RVB: the model's six channel names (may be empty)

    // Counts of the step findings.
    qsizetype gaps = 0;
    qsizetype duplicatesSame = 0;
    qsizetype duplicatesDifferent = 0;
    qsizetype backwardSteps = 0;
    qsizetype hourSteps = 0;
    qsizetype irregularSteps = 0;
    // Total counted durations of the value periods.
    qint64 surchargeSeconds = 0;
    qint64 weakPowerSeconds = 0;
    qint64 weakSignalSeconds = 0;

    QVector<DayVolume> days; // RVA only, by day
    DayVolume total;         // RVA only

    qsizetype count(FindingKind kind) const;
};

// Seconds a record counts for, from its own time on: the step to the next record when it is
// positive and at most twice the nominal interval; the nominal interval when the next step is a
// gap, goes backward, or there is no next record; nothing when the next record has the same
// time. Never more than a day, and never past the midnight after the record's day unless the
// step reaches a next record on the following day (no day without records is credited). Time
// an earlier record already counts (a clock set back repeats it) is not counted again: the
// record's time is cut where counted time begins, and a record whose own time is counted counts
// nothing. Records whose flag in `possible` is 0 (an impossible time) count nothing and are
// stepped over; an empty `possible` lets every record count.
std::vector<qint64> countedSeconds(std::span<const qint64> times, qint64 nominal,
                                   std::span<const std::uint8_t> possible = {});

// Checks RVA records with the file's corrections and pipe.
SurveyCheck checkRva(const std::vector<RvaRecord> &records, const CalcParams &calc,
                     const PipeSaveIntoTfType &point);
// The surcharge findings of checkRva alone (what the hydrograph shades), without the rest of the
// check: nothing to read when the pipe is unknown, else one pass over the records.
QVector<Finding> rvaSurcharge(const std::vector<RvaRecord> &records, quint32 recordInterval,
                              const PipeSaveIntoTfType &point);
// Checks RVB records; the model code only names the channels.
SurveyCheck checkRvb(const std::vector<RvbRecord> &records, quint8 modelCode);
// Checks what readDataFile read (nothing for an unknown family).
SurveyCheck checkContents(const DataFileContents &contents);

// Reads and checks a data file. Result as readDataFile (ReadOk when checked).
int checkFile(const QString &path, SurveyCheck &check);

// "YYYY-MM-DD hh:mm:ss" and "YYYY-MM-DD" of clock seconds and days.
QString clockText(qint64 seconds);
QString dayText(qint64 day);
// A duration as "2小时05分10秒" (leading zero parts left out).
QString durationText(qint64 seconds);

// Short Chinese name of a finding kind ("数据缺失", ...).
QString findingKindText(FindingKind kind);
// Name of the checked value; RVB channels by the given channel names where there are six.
QString checkedValueText(CheckedValue value, const QStringList &channelNames = {});
// One line of detail for a finding (no ASCII commas, so it can stand in a CSV field).
QString findingDetail(const Finding &finding, const QStringList &channelNames = {});
// "12" or "12-15": record numbers counted from 1; "全部" for a finding about the whole file.
QString recordRangeText(const Finding &finding);

} // namespace lmv
