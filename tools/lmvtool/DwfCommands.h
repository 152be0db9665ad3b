#pragma once

#include <QStringList>

namespace lmvtool {

// lmvtool dwf PROJECT_INDEX --point NAME [--from T] [--to T] [--raw] [--antecedent H]
// [--max-rain MM] [--min-coverage X] [--fence K] [--area HA] [--response H] [--csv FILE] [--json]:
// the point's dry days, profiles and figures over its edited layer (raw with --raw), the point's
// stored settings with the options put over them. Without a gauge the days ticked as dry stand in
// for the rain test (a note says so). --csv also writes figures, profiles, days and storms there.
int runDwf(const QStringList &args);
// lmvtool rdii PROJECT_INDEX --point NAME [--area HA] [--response H] [--from T] [--to T] [--raw]
// [--json]: the inflow of every storm of the point's gauge; exit 1 when the point has no gauge.
int runRdii(const QStringList &args);

} // namespace lmvtool
