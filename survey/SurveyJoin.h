#pragma once

// A monitoring point's data files joined in time order into one survey layer.
//
// Rules:
// - Files that are missing, cannot be read, hold no record, or belong to the other logger family
//   (the family most files of the point have; on a tie the one with more records, then RVA) are
//   left out, each with its reason. Records whose time is no calendar time (hour 25, month 13,
//   a year before 1980 or after 2100) are left out of the layer and counted.
// - Records written later replace records written earlier over the times they share. Writing
//   order: files by their last record (the newer download wins; on a tie the later first record,
//   then the index's order), inside a file its own order. Where a record at the same time holds
//   the same measurements (level, velocity, temperature, and the flow when both files have the
//   same pipe; RVB: channels, supply voltage, CSQ) the copy is dropped and counted as a
//   duplicate; with other values it is a conflict naming both files, the newer record kept.
// - Each file covers the stretches of time its records run without a gap (a step longer than
//   twice its interval). An older record inside a newer file's stretch is replaced even when the
//   newer file has no record at its exact time; an older record in a newer file's gap stays.
// - A clock set back: inside a file, the records after the step back replace the earlier ones
//   whose times they repeat, so every file keeps its own order and the layer's times rise
//   strictly; across files, a newer file that starts inside an older one with no record in
//   common is taken for a clock set back rather than a download of the same memory. Both are
//   findings with the step and the records replaced.
// - Every record keeps its own file's pipe and corrections; a change of either between files
//   that follow each other in time is a finding. Gaps between files stay gaps.
// - A period (from, to), both ends included, cuts the joined layer; files, conflicts and
//   findings outside it are not reported.

#include "survey/ProjectFiles.h"
#include "survey/SurveyLayer.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace lmv::survey {

// A period of a survey in clock seconds, both ends included; an unset end is open.
struct SurveyPeriod
{
    std::optional<qint64> from;
    std::optional<qint64> to;

    bool contains(qint64 t) const { return (!from || t >= *from) && (!to || t <= *to); }
    bool overlaps(qint64 start, qint64 end) const { return (!from || end >= *from) && (!to || start <= *to); }
};

// A data file as read, before joining.
struct SurveyFileInput
{
    QString name;
    QString path;
    DataFileHeader header;
    std::vector<RvaRecord> rva;
    std::vector<RvbRecord> rvb;
    QString problem; // why it could not be read; empty when it was
};

struct LeftOutFile
{
    QString name;
    QString path;
    QString reason; // Chinese, for the window and lmvtool
};

// Consecutive records of one file in the joined order.
struct SurveyPiece
{
    quint32 source = 0;     // index into the layer's sources
    qint64 firstRecord = 0; // in its file
    qsizetype count = 0;
    qsizetype layerFirst = 0; // index of its first record in the layer
};

// Two files (or one file twice) with a record at the same time and other values.
struct JoinConflict
{
    qint64 time = 0;
    quint32 dropped = 0; // source whose record was replaced
    quint32 kept = 0;    // source whose record the layer holds
};

enum class JoinFindingKind : quint8
{
    Overlap,            // an older file's records inside a newer file's time, replaced
    ClockSetBack,       // later records with earlier times: inside a file or at a file boundary
    PipeChanged,        // the next file in time has another pipe
    CorrectionsChanged, // the next file in time has other velocity or flow corrections
    ImpossibleTime,     // records without a calendar time, left out
};

struct JoinFinding
{
    JoinFindingKind kind = JoinFindingKind::Overlap;
    quint32 before = 0; // source of the older (earlier) records
    quint32 after = 0;  // source of the newer (later) records; the same file inside one file
    // Overlap, ClockSetBack: the first and last replaced record (stepFrom/stepTo when none was);
    // PipeChanged, CorrectionsChanged: the last record of `before` and the first of `after`.
    qint64 start = 0;
    qint64 end = 0;
    // ClockSetBack: the time before the step back and the time after it.
    qint64 stepFrom = 0;
    qint64 stepTo = 0;
    qsizetype records = 0;    // replaced (Overlap, ClockSetBack) or left out (ImpossibleTime)
    qsizetype duplicates = 0; // of the replaced: copies
    qsizetype conflicts = 0;  // of the replaced: same time, other values
};

struct JoinedSurvey
{
    QString project;
    QString point;
    SurveyPeriod period;
    SurveyLayer layer;           // sources in time order (by first record)
    QVector<SurveyPiece> pieces; // in time order
    QVector<LeftOutFile> leftOut;
    qsizetype duplicates = 0;            // copies dropped
    qsizetype superseded = 0;            // older records at other times inside a newer stretch
    std::vector<JoinConflict> conflicts; // by time
    QVector<JoinFinding> findings;       // by kind's time (start), then kind

    // Records of the layer taken from each source.
    std::vector<qsizetype> recordsPerSource() const;
};

// Joins files already read (see the rules above).
JoinedSurvey joinSurveyFiles(std::vector<SurveyFileInput> files, const SurveyPeriod &period = {});

// Reads a file for the join; input.problem says why it could not be read.
SurveyFileInput readSurveyFile(const PointFile &file);
// Reads and joins the files of a point.
JoinedSurvey readSurvey(const QString &project, const PointFiles &point, const SurveyPeriod &period = {});

// One line about a finding, naming its files (Chinese).
QString joinFindingText(const JoinFinding &finding, const SurveyLayer &layer);
QString joinFindingKindText(JoinFindingKind kind);

} // namespace lmv::survey
