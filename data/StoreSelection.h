#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "data/StoreTree.h"

namespace lmv {

// Result of walking the device tree before a save: the index lines of the project and point index
// files, the directories to create (in tree order) and the number of files to save.
struct SaveSelection
{
    QStringList indexLines;
    QStringList directories;
    int fileCount = 0;
};

// Walks the checked part of the tree: every project not unchecked gives "$id$", "$prj$" and its
// directory; every point not unchecked below it "$pos$" and its directory; every checked file of
// such a point a "$record$" line and one counted file. Names in the lines and directories are the
// device names made safe (safeLocalName), the same as the store holds on disk.
SaveSelection collectSelection(const StoreTree &tree, const QString &saveRoot, quint32 deviceNumber);

// One file of a save, where it comes from and where it goes.
struct PlannedSave
{
    int project = 0; // indexes into the tree the plan was made from
    int point = 0;
    int file = 0;
    QString devicePath;  // "0:/" + project + "/" + point + "/" + file name as listed on the logger
    QString destination; // target in the store
    QString cachePath;   // empty when the file must be downloaded first
    QString sizeText;    // size column of the device tree (decimal text)
};

// The files a save stores, in tree order (same selection as collectSelection). Data files go to
// saveRoot + project/point/file with each name made safe; text and CSV lose the file name's
// ".lmv" (from its last occurrence on) and get ".txt" or ".csv" before the name is made safe.
QVector<PlannedSave> planSaves(const StoreTree &tree, const QString &saveRoot, SaveFormat format);

} // namespace lmv
