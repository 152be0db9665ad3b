#pragma once

// The scattergraph sample: a fortnight of a DN1000 sewer whose header says no sediment although
// 100 mm lie in it: nine free-running days, a surcharging storm on day 10, backwater on day 12 and
// a level sensor drifting high over the last two days.

#include <QString>

// Writes the sample into filesRoot (ending in "/"), finishing it through a cache folder below
// cacheRoot as a download would. False (after a message on stderr) on failure.
bool writeScatterSample(const QString &filesRoot, const QString &cacheRoot);
