#pragma once

#include <QStringList>

namespace lmvtool {

// lmvtool edit PROJECT_INDEX --point NAME --op remove|fill|offset|drift|vfactor --from T --to T
// [--value X] [--value2 X] [--max-gap MIN] --reason TEXT: stores an edit of the point's survey in
// the project database (made by this first change). A drift without --value and --value2 takes
// its offsets from the visits at either end. Exit 1 when the edit is refused (the reason on stderr)
// or cannot be written, 2 for a wrong command line.
int runEdit(const QStringList &args);
// lmvtool edits PROJECT_INDEX --point NAME [--json]: the point's history, undone edits included,
// each with its change of the volume. Never creates the database.
int runEdits(const QStringList &args);
// lmvtool undo (redo) PROJECT_INDEX --point NAME: undoes the point's latest edit not undone
// (redoes the one undone last). Exit 1 when there is nothing to undo (redo).
int runUndo(const QStringList &args, bool redo);

} // namespace lmvtool
