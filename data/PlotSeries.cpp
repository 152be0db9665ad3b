#include "data/PlotSeries.h"

#include "data/Tables.h"

#include <algorithm>
#include <cmath>

namespace lmv {

const PlotSeries *PlotData::flow() const
{
    if (flowFactor == 0.0f)
        return nullptr;
    for (const PlotSeries &s : series)
        if (s.key == QLatin1String("flow"))
            return &s;
    return nullptr;
}

QVector<TimeSpan> gapSpans(const QVector<TimeGap> &gaps)
{
    QVector<TimeSpan> spans;
    spans.reserve(gaps.size());
    for (const TimeGap &g : gaps)
        spans.push_back({g.start, g.end});
    return spans;
}

QStringList rvaSeriesKeys()
{
    return {QStringLiteral("level"), QStringLiteral("velocity"), QStringLiteral("flow"),
            QStringLiteral("temperature")};
}

QStringList rvbSeriesKeys()
{
    return {QStringLiteral("channel1"), QStringLiteral("channel2"), QStringLiteral("channel3"),
            QStringLiteral("channel4"), QStringLiteral("channel5"), QStringLiteral("channel6"),
            QStringLiteral("voltage"),  QStringLiteral("csq")};
}

QString axisTitle(const QString &name, const QString &unit)
{
    if (unit.isEmpty() || unit == QLatin1String("-"))
        return name;
    // The RVA unit row writes its units bracketed already: "(m)".
    if (unit.startsWith(QLatin1Char('(')))
        return name + unit;
    return name + QLatin1Char('(') + unit + QLatin1Char(')');
}

namespace {

void setTimes(PlotData &data, std::vector<qint64> times, quint32 recordIntervalSeconds)
{
    data.times = std::move(times);
    data.nominal = nominalInterval(recordIntervalSeconds, data.times);
    data.gaps = findGaps(data.times, data.nominal);
}

} // namespace

void updateRvaSeries(PlotData &data, const std::vector<RvaRecord> &records, const CalcParams &corrections,
                     const UnitFactors &factors, const QStringList &unitLabels)
{
    const QStringList keys = rvaSeriesKeys();
    const QString names[] = {QStringLiteral("液位"), QStringLiteral("流速"), QStringLiteral("流量"),
                             QStringLiteral("温度")};
    const QString units[] = {unitLabels.value(kRvaLevelUnitColumn), unitLabels.value(kRvaVelocityUnitColumn),
                             unitLabels.value(kRvaFlowUnitColumn), QStringLiteral("℃")};
    data.series.resize(4);
    for (int k = 0; k < 4; ++k) {
        PlotSeries &s = data.series[std::size_t(k)];
        s.key = keys.at(k);
        s.title = axisTitle(names[k], units[k]);
        s.values.resize(records.size());
    }
    data.flowFactor = factors.flow;
    float *level = data.series[0].values.data();
    float *velocity = data.series[1].values.data();
    float *flow = data.series[2].values.data();
    float *temperature = data.series[3].values.data();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RvaRecord &r = records[i];
        level[i] = displayLevel(r.level, factors);
        velocity[i] = displayVelocity(r.velocity, corrections, factors);
        flow[i] = displayFlow(r.flow, corrections, factors);
        temperature[i] = displayTemperature(r.temperature);
    }
}

PlotData rvaPlotData(const std::vector<RvaRecord> &records, quint32 recordIntervalSeconds,
                     const CalcParams &corrections, const UnitFactors &factors, const QStringList &unitLabels)
{
    PlotData data;
    setTimes(data, clockSeconds(records), recordIntervalSeconds);
    updateRvaSeries(data, records, corrections, factors, unitLabels);
    return data;
}

PlotData rvbPlotData(const std::vector<RvbRecord> &records, int modelCode)
{
    PlotData data;
    setTimes(data, clockSeconds(records), 0);
    const QStringList keys = rvbSeriesKeys();
    const QStringList names = modelChannelNameList(modelCode);
    const QStringList units = modelChannelUnitList(modelCode);
    data.series.resize(8);
    for (int k = 0; k < 8; ++k) {
        PlotSeries &s = data.series[std::size_t(k)];
        s.key = keys.at(k);
        s.values.resize(records.size());
        if (k < 6) {
            const QString name = names.value(k);
            s.title = axisTitle(name.isEmpty() ? QStringLiteral("数据%1").arg(k + 1) : name, units.value(k));
        }
    }
    data.series[6].title = axisTitle(QStringLiteral("供电电压"), QStringLiteral("V"));
    data.series[7].title = QStringLiteral("CSQ值");
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RvbRecord &r = records[i];
        for (std::size_t c = 0; c < 6; ++c)
            data.series[c].values[i] = r.channel[c];
        data.series[6].values[i] = r.supplyVoltage;
        data.series[7].values[i] = float(r.csq);
    }
    return data;
}

bool selectSeries(PlotData &data, const QStringList &keys, QString *unknown)
{
    std::vector<PlotSeries> chosen;
    for (const QString &key : keys) {
        auto it = std::find_if(data.series.begin(), data.series.end(),
                               [&](const PlotSeries &s) { return s.key == key; });
        if (it == data.series.end()) {
            if (unknown)
                *unknown = key;
            return false;
        }
        chosen.push_back(*it);
    }
    data.series = std::move(chosen);
    return true;
}

qsizetype nearestRecord(std::span<const qint64> times, double seconds)
{
    if (times.empty())
        return -1;
    auto it = std::lower_bound(times.begin(), times.end(), seconds,
                               [](qint64 t, double s) { return double(t) < s; });
    if (it == times.begin())
        return 0;
    // Of records that repeat a time, the earliest is taken (`it` is already the earliest of its).
    const auto earliestOf = [&](auto at) {
        return qsizetype(std::lower_bound(times.begin(), at, *at) - times.begin());
    };
    if (it == times.end() || seconds - double(*(it - 1)) <= double(*it) - seconds)
        return earliestOf(it - 1);
    return qsizetype(it - times.begin());
}

double flowVolume(std::span<const qint64> times, std::span<const float> flow, qint64 nominal, double from,
                  double to)
{
    if (to < from)
        std::swap(from, to);
    const std::size_t n = std::min(times.size(), flow.size());
    if (n < 2)
        return 0.0;
    auto first = std::upper_bound(times.begin(), times.begin() + qsizetype(n), from,
                                  [](double s, qint64 t) { return s < double(t); });
    std::size_t i = first == times.begin() ? 0 : std::size_t(first - times.begin()) - 1;
    double litres = 0.0;
    for (; i + 1 < n && double(times[i]) < to; ++i) {
        const double t0 = double(times[i]);
        const double t1 = double(times[i + 1]);
        const qint64 step = times[i + 1] - times[i];
        if (step <= 0 || isGapStep(step, nominal) || !std::isfinite(flow[i]) || !std::isfinite(flow[i + 1]))
            continue;
        const double a = std::max(t0, from);
        const double b = std::min(t1, to);
        if (b <= a)
            continue;
        const double q0 = flow[i];
        const double slope = (double(flow[i + 1]) - q0) / (t1 - t0);
        const double qa = q0 + slope * (a - t0);
        const double qb = q0 + slope * (b - t0);
        litres += (qa + qb) / 2.0 * (b - a);
    }
    return litres / 1000.0;
}

} // namespace lmv
