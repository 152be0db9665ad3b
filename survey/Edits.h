#pragma once

// Edits of a point's survey: records removed, gaps filled, levels offset or corrected for drift,
// velocities scaled. An edit is a row that is never deleted (undo marks it); the edited layer is
// the raw layer with the edits that are not undone applied on read, in the order they were made.
// The raw layer and the data files behind it are never changed.
//
// How edits compose, in creation order (id):
// - remove leaves the records of its range out, filled records included; later edits do not see
//   them, and a later fill may fill their place again;
// - fill adds records in the gaps it finds at the moment it is applied, between the records
//   either side as they are then (offsets made before the fill move the filled values with them;
//   offsets made after it move the filled records too);
// - offset, drift and velocity factor change the records present when they are applied; over one
//   record, offsets and drifts add up and factors multiply, and the sum (product) is applied to
//   the raw value at once, so their order among themselves does not matter.
// Every edit changes only records inside its own range, both ends included.

#include "survey/SurveyLayer.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace lmv::survey {

enum class EditOp : quint8
{
    Remove,         // the records count as never there
    Fill,           // gaps filled linearly between the records either side
    Offset,         // level + value mm
    Drift,          // level + an offset going linearly from value mm at `from` to value2 mm at `to`
    VelocityFactor, // raw velocity × value
};

// Longest gap a fill bridges unless the edit says otherwise.
constexpr qint64 kDefaultMaxGapSeconds = 30 * 60;
// Limits of the typed values: an offset beyond ±10 m or a factor above 10 is a typing error.
constexpr double kMaxOffsetMm = 10000.0;
constexpr double kMaxVelocityFactor = 10.0;

struct Edit
{
    qint64 id = 0; // creation order
    EditOp op = EditOp::Remove;
    qint64 from = 0; // clock seconds (data/TimeSteps.h), both ends included
    qint64 to = 0;
    double value = 0.0;                           // offset and drift start (mm), velocity factor
    double value2 = 0.0;                          // drift end (mm)
    qint64 maxGapSeconds = kDefaultMaxGapSeconds; // fill: longest gap bridged
    QString reason;                               // why (required)
    QString user;                                 // login name of who made it
    QDateTime created;                            // when it was made (this computer's clock)
    bool undone = false;
    // Empty for an edit of the survey; a file name (SurveySource::name) for an edit made in that
    // file's own window, which touches that file's records only (a fill: gaps between two of its
    // records).
    QString file;
};

// The op as the command line spells it: remove, fill, offset, drift, vfactor.
QString editOpName(EditOp op);
// The op of a command-line name; nothing for an unknown name.
std::optional<EditOp> editOpFromName(const QString &name);
// Short Chinese name of an op for the history list ("删除", "插补", ...).
QString editOpText(EditOp op);

// Why an edit cannot be made on a layer (the edited layer as it is before the edit), as one
// Chinese sentence; empty when it can. Refused: an empty reason, from after to, values that are no
// numbers or out of range, a velocity factor of 0 or less, an op other than remove on RVB, a range
// without a record (of the edit's file), a fill without a gap in its range, or with a gap longer
// than its maximum, or on a layer whose interval cannot be told.
QString validateEdit(const SurveyLayer &layer, const Edit &edit);

// The edited layer: the raw layer with the edits not undone applied in id order. Edits that do
// not fit the layer (an op RVB records do not take, a gap longer than the fill's maximum) change
// nothing there. Present records keep their file and record number, filled ones get the file of
// the record before them and sourceRecord −1; intervalSeconds stays the raw layer's, so the
// volume rule covers a single removed record by its neighbour. Without any applicable edit the
// result equals the raw layer bit for bit.
SurveyLayer applyEdits(const SurveyLayer &raw, std::span<const Edit> edits);
// The same, built into the memory of a layer no longer needed (the edited layer a refresh
// replaces): its lists keep their room, so a layer of a million records is not mapped in anew.
SurveyLayer applyEdits(const SurveyLayer &raw, std::span<const Edit> edits, SurveyLayer &&room);

// What one edit of the history did to the volume.
struct EditVolume
{
    qint64 id = 0;
    // Edited minus before, m³, by the daily table's rule (each record's corrected flow for its
    // counted seconds): the layer with the edits up to this one against the layer with those
    // before it. 0 for undone edits and for RVB.
    double volumeM3 = 0.0;
};

// The volume change of every edit, in id order. Each change is worked out over the records the
// edit touches and the one before them, which gives the whole layer's difference exactly.
std::vector<EditVolume> editVolumes(const SurveyLayer &raw, std::span<const Edit> edits);

// A visit's level difference: manual depth − logger depth (mm) at the visit's time.
struct VisitDifference
{
    qint64 time = 0; // clock seconds
    double differenceMm = 0.0;
};

// The two offsets of a drift correction taken from the visits.
struct DriftEnds
{
    bool valid = false;
    double atFrom = 0.0; // mm
    double atTo = 0.0;
    bool fromVisitFound = false; // false: no visit at or before `from`, atFrom taken as 0
    qint64 fromVisit = 0;        // time of the visits used
    qint64 toVisit = 0;
    QString message; // why not valid
};

// The offsets at either end of [from, to]: the visit at or just before `from` and the visit at or
// just after `to` (at one time, the last one listed). Without a visit before, the logger is taken
// as right at `from` (offset 0: a drift grows from a clean sensor); without a visit after, no
// drift can be told (the user types the end). Differences that are no numbers are passed over.
DriftEnds driftFromVisits(std::span<const VisitDifference> visits, qint64 from, qint64 to);

// Text of a record's flags: "原始", or "删除", "插补", "修正" joined by "、".
QString recordFlagText(quint8 flags);

} // namespace lmv::survey
