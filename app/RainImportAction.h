#pragma once

// "导入雨量计数据" without widgets: which project the tree's current entry belongs to, reading the
// chosen file, and storing what the dialog confirmed. The import is stored in one transaction of
// the project database or not at all; a refused import says why.

#include "survey/RainImport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lmv {

// Gauge files larger than this are no gauge file (a year of one-minute rows is some 15 MB).
constexpr qint64 kMaxRainFileBytes = qint64(64) << 20;

// The project a tree entry belongs to, as the action needs it.
struct RainImportTarget
{
    QString project;
    QString indexPath;   // empty: opened from loose data files, no database to keep a gauge in
    QStringList points;  // the project's points, in the tree's order
    QStringList checked; // start checked: the point the entry is, or lies under

    // Why no gauge can be imported into it; empty when one can.
    QString problem() const;
};

// Reads a gauge file. False with *why set when it cannot be read, is a folder or too large.
bool readRainFile(const QString &path, QByteArray &bytes, QString *why);

// What the dialog confirmed.
struct RainImportRequest
{
    QString indexPath;
    QString fileName; // the gauge file's name (kept with the gauge)
    QByteArray bytes;
    survey::RainImportResult result; // bytes read under the confirmed mapping
    double bucketMm = 0.2;
    QString gauge;
    QStringList points;
};

struct RainImportOutcome
{
    bool stored = false;
    QString message; // what was stored, or why nothing was
};

// Stores the gauge and its points in the project database beside the index. Nothing is stored
// (and no database file is made) when the import was refused, the name cannot be a gauge's or is
// taken, or a point is not one of the target's.
RainImportOutcome storeRainImport(const RainImportRequest &request, const RainImportTarget &target);

} // namespace lmv
