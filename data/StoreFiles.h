#pragma once

#include <QString>

#include "data/StoreTree.h"

namespace lmv {

class StoreFailureList;

// Puts one complete data file into the store: a copy for data files, an export for text and CSV.
// A copy never replaces a file that already exists at the destination. Returns true when the
// destination was written; otherwise the destination and the reason are added to failures.
bool storeFile(const QString &source, const QString &destination, SaveFormat format,
               StoreFailureList &failures);

// Converts the checked files of a local project tree below targetRoot (the chosen name + "/"):
// a directory per checked project and point, and for every checked file whose name ends in "lmv"
// (case-sensitive) an export named like it with "txt" or "csv" instead. Folder and file names are
// made safe (safeLocalName): they may come from a data file's header. The source of a file is
// the concatenation of column 1 of its project, point and file. A directory that cannot be made
// skips what lies below it. Everything not written is listed in failures. Returns the number of
// files written.
int convertCheckedFiles(const StoreTree &tree, const QString &targetRoot, SaveFormat format,
                        StoreFailureList &failures);

} // namespace lmv
