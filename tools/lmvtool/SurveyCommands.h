#pragma once

#include <QStringList>

namespace lmvtool {

// lmvtool survey PROJECT_INDEX [--point NAME] [--from T] [--to T] [--raw] [--json]: every point's
// files joined into its survey, with the daily table. Exit 0 when something was read (files
// left out are listed), 1 when no file could be read or the index cannot be.
int runSurvey(const QStringList &args);
// lmvtool visit add PROJECT_INDEX --point NAME --time T --depth MM --velocity M_PER_S
// [--note TEXT]: stores a site visit in the project database (made by this first change).
int runVisit(const QStringList &args);
// lmvtool visits PROJECT_INDEX --point NAME [--json]: the point's visits beside the logger's
// level and velocity at their times. Never creates the database.
int runVisits(const QStringList &args);

} // namespace lmvtool
