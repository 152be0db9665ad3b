#pragma once

namespace bench {

// edit_commit: one edit stored in the project database and the survey's figures refreshed (the
// join kept, the edited layer rebuilt, the check and the daily table) on a point of eight weekly
// files at 2 min, 40 320 records. Prints "name: value unit" lines; false when the store or an
// edit could not be written.
bool benchEditCommit();

} // namespace bench
