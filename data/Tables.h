#pragma once

// Process-wide constant tables: device types, probe versions, models, baud rates, units,
// pipe shapes and the column headers of the record tables and exports.

#include "data/Records.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace lmv {

// Looked up by typeCode - 1.
extern const QStringList DeviceTypeNames;
// Looked up by CalcParams::probeVersion.
extern const QStringList ProbeVersionNames;

struct ModelEntry
{
    quint8 code;
    QString model;
    QString content;      // "检测内容"
    QString channelNames; // six parts separated by "$"
    QString channelUnits; // six parts separated by "$"
};
extern const QVector<ModelEntry> ModelTable;

struct BaudRate
{
    qint32 value;
    QString text;
};
extern const QVector<BaudRate> BaudRateTable;

// A display unit and the factor that turns a stored value into a value in that unit.
struct Unit
{
    QString label;
    float factor;
};
// Units in cycling order.
extern const QVector<Unit> LevelUnits;
extern const QVector<Unit> VelocityUnits;
extern const QVector<Unit> FlowUnits;

// Position of a unit label in a list, or -1.
int unitIndex(const QVector<Unit> &units, const QString &label);
// The unit after the given one in cycling order (the first one for an unknown label).
QString nextUnit(const QVector<Unit> &units, const QString &label);

// Both indexed by PipeShape.
extern const QStringList PipeShapeNames;
extern const QStringList PipeShapePictures;

// Header rows of the RVA detail table (nine columns).
extern const QStringList RvaColumnNames;
// Entries 2, 4 and 6 hold the selected level, velocity and flow unit and change at run time.
extern QStringList RvaUnitLabels;
constexpr int kRvaLevelUnitColumn = 2;
constexpr int kRvaVelocityUnitColumn = 4;
constexpr int kRvaFlowUnitColumn = 6;

// Header rows of the RVB detail table and export (35 columns; 1-6 are placeholders for the
// model's channel names and units).
extern const QStringList RvbColumnNames;
extern const QStringList RvbUnitLabels;
constexpr int kRvbColumnCount = 35;

// Model name for a model code; an unknown code gives "RVA".
QString modelName(int code);
// Content text of the entry whose decimal code equals codeText; empty when none does.
QString modelContent(const QString &codeText);
// "$"-separated channel names / units of the model, the code taken as an unsigned byte;
// empty when no entry matches.
QString modelChannelNames(int code);
QString modelChannelUnits(int code);
// The six channel names / units of a model, padded with empty texts to six entries.
QStringList modelChannelNameList(int code);
QStringList modelChannelUnitList(int code);

// Device type name for type codes 1 to 5; an empty text for any other code.
QString deviceTypeName(int typeCode);
// Probe version name for indices 0 to 2; other indices give "未知(<index>)".
QString probeVersionName(int index);
// Pipe shape name; an empty text for an unknown shape.
QString pipeShapeName(quint32 shape);

// Calendar time of an RVB time stamp (seconds since 2014-01-01 00:00:00).
RecordTime secondsToRecordTime(quint32 seconds);

// The pipe as the flow calculation reads it, from a point record or from the five values of a
// device tree point item.
PipeGeometry pipeGeometryFrom(const PipeSaveIntoTfType &point);
PipeGeometry pipeGeometryFrom(quint32 pipeShape, quint32 heightOrDiameter, quint32 widthOrLowerBase,
                              quint32 upperBase, quint32 sediment);

} // namespace lmv
