#pragma once

#include <QString>
#include <QStringList>

namespace lmv {

class StoreFailureList;

// Writes the project (.lmvprj) and point (.lmvpos) index files of a save from the index lines of
// collectSelection, in GB2312 with CR LF after every line:
//   "$id$..."     remembered, written as the first line of each new index file;
//   "$prj$P"      creates saveRoot/P/P.lmvprj anew with the "$id$" line and this line;
//   "$pos$P/Q"    appended to the current project file; creates saveRoot/P/Q/Q.lmvpos anew with the
//                 "$id$" line and this line;
//   "$record$..." appended to the current project and point files.
// An index file that cannot be created is skipped; when failures is given it is listed there.
void writeIndexFiles(const QString &saveRoot, const QStringList &indexLines,
                     StoreFailureList *failures = nullptr);

} // namespace lmv
