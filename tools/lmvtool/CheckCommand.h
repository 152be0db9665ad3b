#pragma once

#include <QStringList>

namespace lmvtool {

// lmvtool check FILE [--json]: the survey check of one data file (findings and, for RVA, the
// daily volumes). Exit 0 when the file was read, whatever it holds.
int runCheck(const QStringList &args);

} // namespace lmvtool
