#include "report/SurveyHydrograph.h"

#include "plots/HydrographPage.h"
#include "report/RainBins.h"

#include <algorithm>

namespace lmv::report {

std::shared_ptr<PlotData> surveyPlotData(const survey::SurveyLayer &layer, qint64 from, qint64 to)
{
    auto data = std::make_shared<PlotData>();
    data->nominal = layer.intervalSeconds;
    data->flowFactor = 1.0f;
    PlotSeries level{QStringLiteral("level"), axisTitle(QStringLiteral("液位"), QStringLiteral("m")), {}, {}};
    PlotSeries velocity{
        QStringLiteral("velocity"), axisTitle(QStringLiteral("流速"), QStringLiteral("m/s")), {}, {}};
    PlotSeries flow{QStringLiteral("flow"), axisTitle(QStringLiteral("流量"), QStringLiteral("L/s")), {}, {}};
    if (layer.rva.size() == layer.times.size() && !layer.times.empty()) {
        const auto begin = layer.times.begin();
        std::size_t first = std::size_t(std::lower_bound(begin, layer.times.end(), from) - begin);
        std::size_t last = std::size_t(std::upper_bound(begin, layer.times.end(), to) - begin);
        first = first > 0 ? first - 1 : 0;
        last = std::min(last + 1, layer.times.size());
        for (std::size_t i = first; i < last; ++i) {
            if (layer.flag(qsizetype(i)) & survey::FlagRemoved)
                continue;
            data->times.push_back(layer.times[i]);
            level.values.push_back(layer.rva[i].level);
            velocity.values.push_back(layer.correctedVelocity(qsizetype(i)));
            flow.values.push_back(layer.correctedFlow(qsizetype(i)));
        }
    }
    data->gaps = findGaps(data->times, data->nominal);
    data->series.push_back(std::move(level));
    data->series.push_back(std::move(velocity));
    data->series.push_back(std::move(flow));
    return data;
}

void paintSurveyHydrograph(QPainter *painter, const QRectF &rect, const survey::SurveyLayer &layer,
                           const SurveyHydrographOptions &options, const QFont &font)
{
    HydrographPage page;
    page.data = surveyPlotData(layer, options.from, options.to);
    page.from = double(options.from);
    page.to = double(options.to);
    page.font = font;
    if (options.rain && !options.rain->empty()) {
        const qint64 bin = hyetographBinSeconds(options.rain->intervalSeconds, options.to - options.from);
        // Bins reaching into the range from before it count too.
        page.rain = binRain(*options.rain, bin, options.from - bin, options.to + bin);
        page.rain.intervalSeconds = bin;
        page.rainNote = QStringLiteral("每%1降雨").arg(binText(bin));
    }
    if (!options.profile.empty()) {
        page.referencePane = 2;
        page.reference = profileLine(options.profile, options.from, options.to);
        page.referenceTitle = QStringLiteral("虚线: 旱季流量曲线");
    }
    paintHydrographPage(painter, rect, page);
}

} // namespace lmv::report
