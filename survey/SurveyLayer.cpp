#include "survey/SurveyLayer.h"

#include "data/TimeSteps.h"

#include <algorithm>

namespace lmv::survey {

float SurveyLayer::correctedVelocity(qsizetype i) const
{
    return rva[std::size_t(i)].velocity * calc(i).velocityCorrection;
}

float SurveyLayer::correctedFlow(qsizetype i) const
{
    const CalcParams &c = calc(i);
    return rva[std::size_t(i)].flow * c.velocityCorrection * c.flowCorrection; // as the exports multiply
}

SurveyLayer makeRvaLayer(std::span<const qint64> times, std::span<const float> level,
                         std::span<const float> velocity, std::span<const float> flow,
                         const PipeSaveIntoTfType &pipe, const CalcParams &calc)
{
    SurveyLayer layer;
    layer.family = Family::Rva;
    SurveySource src;
    src.name = QStringLiteral("generated.lmv");
    src.header.point = pipe;
    src.header.calc = calc;
    src.header.family = Family::Rva;
    src.header.typeCode = kTypeCodeRva;
    const std::size_t n = std::min({times.size(), level.size(), velocity.size(), flow.size()});
    src.records = qsizetype(n);
    if (n > 0) {
        src.start = times.front();
        src.end = times[n - 1];
    }
    layer.sources.push_back(src);
    layer.times.assign(times.begin(), times.begin() + std::ptrdiff_t(n));
    layer.rva.resize(n);
    layer.source.assign(n, 0);
    layer.sourceRecord.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        RvaRecord &r = layer.rva[i];
        r.time = recordTimeOf(times[i]);
        r.sequence = quint32(i);
        r.level = level[i];
        r.velocity = velocity[i];
        r.flow = flow[i];
        layer.sourceRecord[i] = qint64(i);
    }
    layer.intervalSeconds = nominalInterval(calc.recordInterval, layer.times);
    layer.sources.front().intervalSeconds = layer.intervalSeconds;
    return layer;
}

} // namespace lmv::survey
