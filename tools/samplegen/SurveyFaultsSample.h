#pragma once

#include <QString>

// Writes filesRoot/数据检查示例_20240520.lmv: two days of a DN600 sewer with the faults the survey
// check looks for (a hole, repeated times, the clock set back, a stuck level, surcharge, a
// velocity spike), downloaded and finished through the cache as the viewer does it.
bool writeSurveyFaultsSample(const QString &filesRoot, const QString &cacheRoot);
