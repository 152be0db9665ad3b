#include "survey/PointDwf.h"

namespace lmv::survey {

std::vector<RainEventSpan> rainEventSpans(const RainSeries &rain, const StormEventOptions &options)
{
    std::vector<RainEventSpan> spans;
    const StormEventList list = findStormEvents(rain, options);
    spans.reserve(list.events.size());
    for (const StormEvent &e : list.events)
        spans.push_back({e.start, e.end, e.depthMm});
    return spans;
}

PointDwf pointDwf(const SurveyLayer &layer, const ProjectDb &db, const QString &point,
                  const PointDwfSettings &settings)
{
    PointDwf out;
    const qint64 from = layer.empty() ? 0 : layer.times.front();
    const qint64 to = layer.empty() ? 0 : layer.times.back();
    const PointRain rain = pointRain(db, point, from, to);
    out.problems = rain.problems;
    out.gauge = rain.gauge;
    const RainSeries *series = rain.gauge ? &rain.series : nullptr;
    out.dwf = dryWeatherFlow(layer, series, settings.dry, settings.chosenDays);
    if (series) {
        out.events = rainEventSpans(*series);
        out.rdii = rdiiEvents(layer, out.dwf, out.events, settings.rdii);
    }
    return out;
}

} // namespace lmv::survey
