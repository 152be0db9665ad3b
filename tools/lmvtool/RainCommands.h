#pragma once

#include <QStringList>

namespace lmvtool {

// lmvtool rain import PROJECT_INDEX FILE --gauge NAME [--point NAME]... [--kind
// interval|cumulative|tips] [--time-col N] [--value-col N] [--skip N] [--sep CHAR] [--decimal-comma]
// [--format PATTERN] [--bucket MM] [--replace]: reads a gauge file and stores it in the project
// database (bad rows on stderr by line; exit 1 with nothing stored when refused).
// lmvtool rain assign|unassign PROJECT_INDEX --gauge NAME --point NAME: a gauge to or from a point.
// lmvtool rain list PROJECT_INDEX [--json]: the project's gauges, their points, period and depth.
int runRain(const QStringList &args);
// lmvtool events PROJECT_INDEX --gauge NAME [--ietd H] [--min-depth MM] [--verify-depth MM]
// [--verify-peak5 MM_PER_H] [--json]: the storm events of a stored gauge. Never creates the
// database.
int runEvents(const QStringList &args);

} // namespace lmvtool
