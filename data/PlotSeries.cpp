#include "data/PlotSeries.h"

#include "data/Tables.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

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

// Fills every series a block at a time, and summarises each block's values while they are
// still in the cache: one pass over the records. fill(first, end) writes records [first, end).
// The series must have been made ready for n records (prepareSeries).
template <typename Fill>
void fillSeries(std::vector<PlotSeries> &series, std::size_t n, Fill fill)
{
    const std::size_t count = ValueBlocks::blockCount(n);
    for (std::size_t k = 0; k < count; ++k) {
        fill(k * ValueBlocks::kSize, std::min(n, (k + 1) * ValueBlocks::kSize));
        for (PlotSeries &s : series)
            summarizeValues(s.blocks, k, s.values);
    }
}

// Room for a long list about to be filled, mapped in by the system in one call (its pieces of
// 2 MB, see LargeAllocator): a million records otherwise take a page fault every few thousand
// values. A hint; without it the list is filled as well.
template <typename List>
void reserveLarge(List &list, std::size_t n)
{
    list.reserve(n);
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    using Allocator = typename List::allocator_type;
    if (Allocator::isLarge(list.capacity())) {
        const std::size_t bytes = list.capacity() * sizeof(typename List::value_type);
        const std::size_t mapped = (bytes + Allocator::kLarge - 1) / Allocator::kLarge * Allocator::kLarge;
        madvise(list.data(), mapped, MADV_POPULATE_WRITE);
    }
#endif
}

// Empty value lists with room for n records: filled by appending, their memory is written once
// (resizing first would write every value twice).
void prepareSeries(std::vector<PlotSeries> &series, std::size_t n)
{
    for (PlotSeries &s : series) {
        s.values.clear();
        reserveLarge(s.values, n);
        resizeBlocks(s.blocks, n);
    }
}

// The nominal step and the gaps of times already filled, and the blocks they leave clean: one
// pass over the times after the nominal step is known.
void finishTimes(PlotData &data, quint32 recordIntervalSeconds)
{
    data.nominal = nominalInterval(recordIntervalSeconds, data.times);
    data.gaps.clear();
    const std::vector<std::uint8_t> steady = steadyBlocks(data.times, data.nominal, &data.gaps);
    for (PlotSeries &s : data.series)
        keepSteadyBlocks(s.blocks, steady);
}

} // namespace

void nameRvaSeries(PlotData &data, const QStringList &unitLabels)
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
    }
}

namespace {

// The shown values of the records, and their times when `times` is set (the records are
// read once for both).
void fillRva(PlotData &data, const std::vector<RvaRecord> &records, const CalcParams &corrections,
             const UnitFactors &factors, bool times)
{
    const std::size_t n = records.size();
    if (times) {
        data.times.clear();
        reserveLarge(data.times, n);
    }
    prepareSeries(data.series, n);
    ValueList &level = data.series[0].values;
    ValueList &velocity = data.series[1].values;
    ValueList &flow = data.series[2].values;
    ValueList &temperature = data.series[3].values;
    RvaClock clock;
    if (times)
        data.possible.clear();
    // A block's values are worked out into local arrays and appended at once: appending record
    // by record re-reads every list's end and room for each value.
    constexpr std::size_t kBlock = ValueBlocks::kSize;
    qint64 t[kBlock];
    float lv[kBlock], vv[kBlock], fv[kBlock], tv[kBlock];
    fillSeries(data.series, n, [&](std::size_t first, std::size_t end) {
        const std::size_t len = end - first;
        const RvaRecord *r = records.data() + first;
        if (times) {
            bool ok = true;
            for (std::size_t j = 0; j < len; ++j) {
                const RecordTime &rt = r[j].time;
                t[j] = clock.seconds(rt);
                ok &= clock.datePossible() & (rt.hour < 24) & (rt.minute < 60) & (rt.second < 60);
            }
            data.times.insert(data.times.end(), t, t + len);
            // The flags are made only once a time is found that cannot be.
            if (!ok && data.possible.empty())
                data.possible.assign(n, 1);
            if (!ok)
                for (std::size_t j = 0; j < len; ++j)
                    data.possible[first + j] = isPossibleTime(r[j].time) ? 1 : 0;
        }
        // The shown values as displayLevel, displayVelocity, displayFlow and displayTemperature
        // work them out, the rounding done for the whole block at once.
        for (std::size_t j = 0; j < len; ++j) {
            lv[j] = r[j].level;
            vv[j] = r[j].velocity * corrections.velocityCorrection;
            fv[j] = corrections.velocityCorrection * r[j].flow * corrections.flowCorrection * factors.flow;
            tv[j] = r[j].temperature;
        }
        round3Many({lv, len});
        round3Many({vv, len});
        round3Many({fv, len});
        round2Many({tv, len});
        for (std::size_t j = 0; j < len; ++j) {
            lv[j] *= factors.level;
            vv[j] *= factors.velocity;
        }
        level.insert(level.end(), lv, lv + len);
        velocity.insert(velocity.end(), vv, vv + len);
        flow.insert(flow.end(), fv, fv + len);
        temperature.insert(temperature.end(), tv, tv + len);
    });
}

} // namespace

void updateRvaSeries(PlotData &data, const std::vector<RvaRecord> &records, const CalcParams &corrections,
                     const UnitFactors &factors, const QStringList &unitLabels)
{
    nameRvaSeries(data, unitLabels);
    data.flowFactor = factors.flow;
    data.levelFactor = factors.level;
    fillRva(data, records, corrections, factors, false);
    const std::vector<std::uint8_t> steady = steadyBlocks(data.times, data.nominal);
    for (PlotSeries &s : data.series)
        keepSteadyBlocks(s.blocks, steady);
}

PlotData rvaPlotData(const std::vector<RvaRecord> &records, quint32 recordIntervalSeconds,
                     const CalcParams &corrections, const UnitFactors &factors, const QStringList &unitLabels)
{
    PlotData data;
    nameRvaSeries(data, unitLabels);
    data.flowFactor = factors.flow;
    data.levelFactor = factors.level;
    fillRva(data, records, corrections, factors, true);
    finishTimes(data, recordIntervalSeconds);
    return data;
}

PlotData rvbPlotData(const std::vector<RvbRecord> &records, int modelCode)
{
    PlotData data;
    const QStringList keys = rvbSeriesKeys();
    const QStringList names = modelChannelNameList(modelCode);
    const QStringList units = modelChannelUnitList(modelCode);
    data.series.resize(8);
    for (int k = 0; k < 8; ++k) {
        PlotSeries &s = data.series[std::size_t(k)];
        s.key = keys.at(k);
        if (k < 6) {
            const QString name = names.value(k);
            s.title = axisTitle(name.isEmpty() ? QStringLiteral("数据%1").arg(k + 1) : name, units.value(k));
        }
    }
    data.series[6].title = axisTitle(QStringLiteral("供电电压"), QStringLiteral("V"));
    data.series[7].title = QStringLiteral("CSQ值");
    data.times.reserve(records.size());
    prepareSeries(data.series, records.size());
    fillSeries(data.series, records.size(), [&](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i) {
            const RvbRecord &r = records[i];
            data.times.push_back(clockSeconds(r));
            for (std::size_t c = 0; c < 6; ++c)
                data.series[c].values.push_back(r.channel[c]);
            data.series[6].values.push_back(r.supplyVoltage);
            data.series[7].values.push_back(float(r.csq));
        }
    });
    finishTimes(data, 0);
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

} // namespace lmv
