#pragma once

// lmvtool curve: section and pipe-curve velocity and flow of a pipe at given levels.
// lmvtool fit: Lanfear-Coll fit and sediment estimate of an RVA file.
// Each takes the arguments after the command name and returns the exit code.

#include <QStringList>

namespace lmvtool {

int runCurve(const QStringList &args);
int runFit(const QStringList &args);

} // namespace lmvtool
