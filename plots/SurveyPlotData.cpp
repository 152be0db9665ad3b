#include "plots/SurveyPlotData.h"

#include "data/PlotReduce.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"

#include <cmath>
#include <limits>

namespace lmv {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

void finish(PlotData &data, const survey::SurveyLayer &layer)
{
    data.times.assign(layer.times.begin(), layer.times.end());
    data.nominal = layer.intervalSeconds;
    data.gaps = findGaps(data.times, data.nominal);
    for (PlotSeries &s : data.series)
        s.blocks = summarizeBlocks(data.times, s.values, data.nominal);
}

void fillRva(PlotData &data, const survey::SurveyLayer &layer, const UnitFactors &factors,
             const QStringList &unitLabels)
{
    nameRvaSeries(data, unitLabels);
    for (PlotSeries &s : data.series)
        s.values.reserve(layer.times.size());
    data.flowFactor = factors.flow;
    for (qsizetype i = 0; i < layer.size(); ++i) {
        const bool removed = layer.flag(i) & survey::FlagRemoved;
        const RvaRecord &r = layer.rva[std::size_t(i)];
        const CalcParams &c = layer.calc(i);
        // The order of the products is the record table's, so the readout shows its numbers.
        const float level = removed ? kNoValue : round3(r.level) * factors.level;
        const float velocity =
            removed ? kNoValue : round3(r.velocity * c.velocityCorrection) * factors.velocity;
        const float flow =
            removed ? kNoValue : round3(c.velocityCorrection * r.flow * c.flowCorrection * factors.flow);
        const float temperature = removed ? kNoValue : std::round(r.temperature * 100.0f) / 100.0f;
        data.series[0].values.push_back(level);
        data.series[1].values.push_back(velocity);
        data.series[2].values.push_back(flow);
        data.series[3].values.push_back(temperature);
    }
}

void fillRvb(PlotData &data, const survey::SurveyLayer &layer)
{
    const int model = layer.sources.empty() ? 0 : layer.sources.front().header.device.modelCode();
    PlotData named = rvbPlotData({}, model);
    data.series = std::move(named.series);
    for (PlotSeries &s : data.series) {
        s.values.clear();
        s.values.reserve(layer.times.size());
        s.blocks = {};
    }
    for (qsizetype i = 0; i < layer.size(); ++i) {
        const bool removed = layer.flag(i) & survey::FlagRemoved;
        const RvbRecord &r = layer.rvb[std::size_t(i)];
        for (std::size_t c = 0; c < 6; ++c)
            data.series[c].values.push_back(removed ? kNoValue : r.channel[c]);
        data.series[6].values.push_back(removed ? kNoValue : r.supplyVoltage);
        data.series[7].values.push_back(removed ? kNoValue : float(r.csq));
    }
}

} // namespace

std::shared_ptr<PlotData> surveyLayerPlotData(const survey::SurveyLayer &layer, const UnitFactors &factors,
                                              const QStringList &unitLabels)
{
    auto data = std::make_shared<PlotData>();
    if (layer.family == Family::Rva && layer.rva.size() == layer.times.size())
        fillRva(*data, layer, factors, unitLabels);
    else if (layer.family == Family::Rvb && layer.rvb.size() == layer.times.size())
        fillRvb(*data, layer);
    else
        return data;
    finish(*data, layer);
    return data;
}

QVector<qint64> fileBoundaries(const survey::SurveyLayer &layer)
{
    QVector<qint64> times;
    for (std::size_t i = 1; i < layer.source.size(); ++i)
        if (layer.source[i] != layer.source[i - 1])
            times.push_back(layer.times[i]);
    return times;
}

PipeGroups pipeGroups(const survey::SurveyLayer &layer)
{
    PipeGroups out;
    if (layer.family != Family::Rva || layer.empty())
        return out;
    // Pipe group of every source, by the first source with the same pipe.
    std::vector<quint8> ofSource(layer.sources.size(), 0);
    for (std::size_t s = 0; s < layer.sources.size(); ++s) {
        const PipeSaveIntoTfType &pipe = layer.sources[s].header.point;
        qsizetype g = 0;
        while (g < out.pipes.size() && !out.pipes[g].samePipeAs(pipe))
            ++g;
        if (g == out.pipes.size()) {
            if (g > 255)
                g = 255; // more pipes than one survey ever sees share the last mark
            else
                out.pipes.push_back(pipe);
        }
        ofSource[s] = quint8(g);
    }
    // Only the groups the records use, in the order the records first use them.
    std::vector<int> renumber(out.pipes.size(), -1);
    QVector<PipeSaveIntoTfType> used;
    out.group.resize(layer.source.size());
    for (std::size_t i = 0; i < layer.source.size(); ++i) {
        const quint8 g = ofSource[layer.source[i]];
        if (renumber[g] < 0) {
            renumber[g] = int(used.size());
            used.push_back(out.pipes[g]);
        }
        out.group[i] = quint8(renumber[g]);
    }
    out.pipes = used;
    if (out.pipes.size() < 2)
        return {};
    return out;
}

} // namespace lmv
