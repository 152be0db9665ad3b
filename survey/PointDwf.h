#pragma once

// A point's dry-weather flow and storm inflow as the window and lmvtool show them: its settings
// and assigned gauge from the project database, the gauge's storm events (minor rain left out),
// the dry days, profiles and figures, and the inflow of every storm that starts in the survey.

#include "survey/DwfSettings.h"
#include "survey/GaugeStore.h"
#include "survey/StormEvents.h"

#include <optional>
#include <vector>

namespace lmv::survey {

struct PointDwf
{
    std::optional<GaugeInfo> gauge; // none: the point has no gauge that can be read
    std::vector<RainEventSpan> events;
    DryWeatherResult dwf;
    RdiiResult rdii;
    QStringList problems; // gauges that could not be read
};

// The storm events of a gauge's record as the inflow takes them.
std::vector<RainEventSpan> rainEventSpans(const RainSeries &rain, const StormEventOptions &options = {});

// Works everything out over the layer with the point's gauge (the one covering most of the
// layer's time) and the given settings.
PointDwf pointDwf(const SurveyLayer &layer, const ProjectDb &db, const QString &point,
                  const PointDwfSettings &settings);

} // namespace lmv::survey
