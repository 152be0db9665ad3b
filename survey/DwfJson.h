#pragma once

// The dry-weather flow and the storms' inflow as the JSON objects `lmvtool dwf` and `lmvtool rdii`
// print and the survey export writes: flows in L/s, volumes in m³, times "yyyy-MM-dd hh:mm:ss" and
// days "yyyy-MM-dd" on the logger's clock, null where a value cannot be told.

#include "survey/DryWeather.h"
#include "survey/Rdii.h"

#include <QJsonObject>

namespace lmv::survey {

// {"dryDays", "intervalSeconds", "weekday", "weekend", "adwf", "mnf", "peakFactor", "gwi",
//  "baseSanitary", "notes"}; a group without dry days is null.
QJsonObject dwfJson(const DryWeatherResult &result);
// {"events": [{"start", "end", "depthMm", "rdiiVolumeM3", "peakRdii", "runoffRatio"}]}, start and
// end being the rain event's.
QJsonObject rdiiJson(const RdiiResult &result);

} // namespace lmv::survey
