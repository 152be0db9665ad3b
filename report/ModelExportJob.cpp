#include "report/ModelExportJob.h"

#include "report/DryWeatherProfiles.h"
#include "survey/DryWeather.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"

namespace lmv::report {

using namespace lmv::survey;

namespace {

constexpr qint64 kDefaultCsvStep = 300;

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

QString modelFormatName(ModelFormat format)
{
    switch (format) {
    case ModelFormat::SwmmSeries:
        return QStringLiteral("swmm-series");
    case ModelFormat::SwmmRain:
        return QStringLiteral("swmm-rain");
    case ModelFormat::SwmmDwf:
        return QStringLiteral("swmm-dwf");
    case ModelFormat::Csv:
        break;
    }
    return QStringLiteral("csv");
}

std::optional<ModelFormat> modelFormatFromName(const QString &name)
{
    for (ModelFormat f :
         {ModelFormat::SwmmSeries, ModelFormat::SwmmRain, ModelFormat::SwmmDwf, ModelFormat::Csv})
        if (modelFormatName(f) == name)
            return f;
    return std::nullopt;
}

QString modelFormatFilter(ModelFormat format)
{
    switch (format) {
    case ModelFormat::SwmmSeries:
        return QStringLiteral("SWMM 时间序列 (*.dat)");
    case ModelFormat::SwmmRain:
        return QStringLiteral("SWMM 雨量文件 (*.dat)");
    case ModelFormat::SwmmDwf:
        return QStringLiteral("SWMM 旱季流量 (*.txt *.inp)");
    case ModelFormat::Csv:
        break;
    }
    return QStringLiteral("CSV (*.csv)");
}

QByteArray pointModelFile(const PointSurvey &point, const ProjectDb &db, const ModelExportChoice &choice,
                          QString *error)
{
    const SurveyLayer &layer = point.layer();
    const SurveyPeriod &period = point.period();
    if (choice.format != ModelFormat::SwmmRain && layer.family != Family::Rva) {
        fail(error, layer.empty() ? QStringLiteral("所选时段内没有记录")
                                  : QStringLiteral("只有便携式流量仪的记录可导出"));
        return {};
    }
    const qint64 from = period.from.value_or(layer.empty() ? 0 : layer.times.front());
    const qint64 to = period.to.value_or(layer.empty() ? 0 : layer.times.back());
    RainSeries rain;
    QString gauge = choice.gauge;
    if (!gauge.isEmpty()) {
        if (!loadGaugeSeries(db, gauge, rain, error))
            return {};
    } else if (choice.format == ModelFormat::SwmmRain || choice.format == ModelFormat::SwmmDwf) {
        PointRain pr = pointRain(db, point.point(), from, to);
        if (pr.gauge) {
            gauge = pr.gauge->name;
            rain = std::move(pr.series);
        } else if (choice.format == ModelFormat::SwmmRain) {
            fail(error, QStringLiteral("测点 %1 没有指定雨量计").arg(point.point()));
            return {};
        }
    }
    QByteArray bytes;
    QString why;
    switch (choice.format) {
    case ModelFormat::SwmmSeries: {
        SwmmSeriesOptions options;
        options.series = choice.series;
        options.flowUnit = choice.flowUnit;
        options.pointName = point.point();
        options.from = period.from;
        options.to = period.to;
        bytes = swmmTimeSeries(layer, options);
        why = QStringLiteral("所选时段内没有记录");
        break;
    }
    case ModelFormat::SwmmRain: {
        SwmmRainOptions options;
        options.stationId = gauge;
        options.stepSeconds = choice.stepSeconds;
        options.from = period.from;
        options.to = period.to;
        bytes = swmmRainFile(rain, options, &why);
        break;
    }
    case ModelFormat::SwmmDwf: {
        const DryWeatherResult dwf =
            dryWeatherFlow(layer, rain.empty() ? nullptr : &rain, DryWeatherSettings{});
        SwmmDwfOptions options;
        options.nodeId = point.point();
        options.pointName = point.point();
        options.flowUnit = choice.flowUnit;
        bytes = swmmDryWeather(dryWeatherProfiles(dwf), options, &why);
        break;
    }
    case ModelFormat::Csv: {
        FixedStepOptions options;
        options.stepSeconds = choice.stepSeconds > 0 ? choice.stepSeconds : kDefaultCsvStep;
        options.flowUnit = choice.flowUnit;
        options.from = period.from;
        options.to = period.to;
        bytes = fixedStepCsv(layer, options, &why);
        break;
    }
    }
    if (bytes.isEmpty())
        fail(error, why.isEmpty() ? QStringLiteral("没有可写的内容") : why);
    return bytes;
}

} // namespace lmv::report
