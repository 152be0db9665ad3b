#pragma once

// The records of one monitoring point over a whole survey: its data files joined in time order
// into one layer that every survey figure reads. The raw layer holds the files' own values; the
// edited layer is the raw one with the point's edits applied (removed records left out, filled
// records added, levels and velocities corrected, flows recomputed). Both have the same form, so
// the check, the plots, the volumes and the exports read either.

#include "data/DataFile.h"
#include "data/Records.h"

#include <QString>
#include <QtGlobal>

#include <span>
#include <vector>

namespace lmv::survey {

// One data file of a survey as it was read.
struct SurveySource
{
    QString path;          // where it lies in the store
    QString name;          // file name as the index lists it
    DataFileHeader header; // pipe (header.point), corrections and interval (header.calc), device
    qint64 start = 0;      // clock seconds (data/TimeSteps.h) of its first and last record
    qint64 end = 0;
    qsizetype records = 0;      // records the file holds
    qint64 intervalSeconds = 0; // the file's nominal interval (data/TimeSteps.h); 0 when none
};

// What the edits did to a record; a raw record has no bit set.
enum RecordFlag : quint8
{
    FlagRaw = 0,
    FlagRemoved = 1,   // left out of the edited layer (kept in per-record flag lists of exports)
    FlagFilled = 2,    // made by a fill between two records
    FlagCorrected = 4, // level or velocity changed by an offset, drift or velocity factor
};

// Records of a survey in time order; times strictly ascending.
struct SurveyLayer
{
    Family family = Family::Unknown;
    std::vector<SurveySource> sources;
    std::vector<qint64> times;        // clock seconds of every record
    std::vector<RvaRecord> rva;       // RVA: the records with their files' values (flow as stored)
    std::vector<RvbRecord> rvb;       // RVB
    std::vector<quint32> source;      // index into sources of every record
    std::vector<qint64> sourceRecord; // the record's index in its file; -1 for a filled record
    std::vector<quint8> flags;        // RecordFlag bits of every record; empty: all raw
    qint64 intervalSeconds = 0;       // nominal interval of the survey (0 when none can be told)

    qsizetype size() const { return qsizetype(times.size()); }
    bool empty() const { return times.empty(); }
    // The file a record came from.
    const SurveySource &sourceOf(qsizetype i) const { return sources[source[std::size_t(i)]]; }
    const CalcParams &calc(qsizetype i) const { return sourceOf(i).header.calc; }
    const PipeSaveIntoTfType &pipe(qsizetype i) const { return sourceOf(i).header.point; }
    quint8 flag(qsizetype i) const { return flags.empty() ? quint8(FlagRaw) : flags[std::size_t(i)]; }

    // RVA values with the record's own file's corrections, as the tables and exports show them:
    // velocity × velocity correction, flow × velocity correction × flow correction.
    float correctedVelocity(qsizetype i) const;
    float correctedFlow(qsizetype i) const;
};

// An RVA layer of one made-up source from plain values (level m, velocity m/s, flow L/s), for
// generators and tests: the source gets the given pipe and corrections, every record is raw.
SurveyLayer makeRvaLayer(std::span<const qint64> times, std::span<const float> level,
                         std::span<const float> velocity, std::span<const float> flow,
                         const PipeSaveIntoTfType &pipe = {}, const CalcParams &calc = {});

} // namespace lmv::survey
