#include "survey/DryWeather.h"

#include "data/SurveyCheck.h"

#include <algorithm>
#include <map>

namespace lmv::survey {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Days between a survey's first and last record listed one by one; a longer span (a clock far
// off in one file) lists only the days that hold records.
constexpr qint64 kMaxListedDays = 3660;

// Flow counted on one day: seconds and volume (L/s × s), as the daily table counts them.
struct DayFlow
{
    qint64 counted = 0;
    double litres = 0.0;
};

// Spreads every record's counted interval over the days it touches; records without a finite
// flow count for nothing.
std::map<qint64, DayFlow> dailyFlow(const SurveyLayer &layer)
{
    std::map<qint64, DayFlow> days;
    const std::vector<qint64> counted = countedSeconds(layer.times, layer.intervalSeconds);
    // Records come in time order: most of them fall on the day of the one before.
    qint64 currentDay = 0;
    DayFlow *current = nullptr;
    auto dayFlow = [&](qint64 day) -> DayFlow & {
        if (!current || day != currentDay) {
            current = &days[day];
            currentDay = day;
        }
        return *current;
    };
    for (qsizetype i = 0; i < layer.size(); ++i) {
        const qint64 t = layer.times[std::size_t(i)];
        dayFlow(dayOf(t));
        const double flow = layer.correctedFlow(i);
        if (!std::isfinite(flow))
            continue;
        for (qint64 from = t, until = t + counted[std::size_t(i)]; from < until;) {
            const qint64 day = dayOf(from);
            const qint64 piece = std::min(until, (day + 1) * kSecondsPerDay) - from;
            DayFlow &d = dayFlow(day);
            d.counted += piece;
            d.litres += flow * double(piece);
            from += piece;
        }
    }
    return days;
}

// Marks the candidate days of one group whose mean flow lies outside the Tukey fences.
void markOutliers(std::vector<DayStatus> &days, DayGroup group, double fenceIqr)
{
    std::vector<double> means;
    for (const DayStatus &d : days)
        if (d.group == group && d.dry())
            means.push_back(d.meanFlow);
    if (means.empty())
        return;
    std::sort(means.begin(), means.end());
    const double q1 = quantileSorted(means, 0.25), q3 = quantileSorted(means, 0.75);
    const double low = q1 - fenceIqr * (q3 - q1), high = q3 + fenceIqr * (q3 - q1);
    for (DayStatus &d : days)
        if (d.group == group && d.dry() && (d.meanFlow < low || d.meanFlow > high))
            d.reasons |= DayOutlier;
}

// Per day and slot the mean of the day's finite values in that slot (NaN where none).
class SlotTable
{
public:
    SlotTable(std::size_t days, int slotsPerDay)
        : m_slots(std::size_t(slotsPerDay)), m_sum(days * m_slots, 0.0), m_count(days * m_slots, 0)
    {}
    void add(std::size_t day, int slot, double value)
    {
        if (!std::isfinite(value))
            return;
        const std::size_t at = day * m_slots + std::size_t(slot);
        m_sum[at] += value;
        ++m_count[at];
    }
    double mean(std::size_t day, int slot) const
    {
        const std::size_t at = day * m_slots + std::size_t(slot);
        return m_count[at] > 0 ? m_sum[at] / m_count[at] : kNaN;
    }
    // Median over the days of each slot, then smoothed.
    std::vector<double> profile(std::size_t days) const
    {
        std::vector<double> medians(m_slots, kNaN), column;
        for (std::size_t s = 0; s < m_slots; ++s) {
            column.clear();
            for (std::size_t d = 0; d < days; ++d)
                if (const double v = mean(d, int(s)); std::isfinite(v))
                    column.push_back(v);
            medians[s] = medianOf(column);
        }
        return movingMeanWrapped(medians);
    }

private:
    std::size_t m_slots;
    std::vector<double> m_sum;
    std::vector<int> m_count;
};

double meanOfFinite(const std::vector<double> &values)
{
    double sum = 0.0;
    int n = 0;
    for (double v : values)
        if (std::isfinite(v)) {
            sum += v;
            ++n;
        }
    return n > 0 ? sum / n : kNaN;
}

QString groupName(DayGroup group)
{
    return group == DayGroup::Weekend ? QStringLiteral("周末") : QStringLiteral("工作日");
}

} // namespace

std::vector<qint64> DryWeatherResult::dryDays() const
{
    std::vector<qint64> out;
    for (const DayStatus &d : days)
        if (d.dry())
            out.push_back(d.day);
    return out;
}

DayGroup DryWeatherResult::groupOf(qint64 day) const
{
    return dayGroup(day, holidays);
}

// dayOf is defined with the daily table (SurveyFigures.cpp): one day count for every figure.

int weekdayOf(qint64 day)
{
    // 1970-01-01 was a Thursday.
    return int(((day + 3) % 7 + 7) % 7) + 1;
}

DayGroup dayGroup(qint64 day, std::span<const qint64> sortedHolidays)
{
    if (weekdayOf(day) >= 6 || std::binary_search(sortedHolidays.begin(), sortedHolidays.end(), day))
        return DayGroup::Weekend;
    return DayGroup::Weekday;
}

int slotCount(qint64 intervalSeconds)
{
    if (intervalSeconds <= 0)
        return 0;
    return int((kSecondsPerDay + intervalSeconds - 1) / intervalSeconds);
}

int slotOf(qint64 clockSeconds, qint64 intervalSeconds)
{
    if (intervalSeconds <= 0)
        return 0;
    return int((clockSeconds - dayOf(clockSeconds) * kSecondsPerDay) / intervalSeconds);
}

double quantileSorted(std::span<const double> sorted, double p)
{
    if (sorted.empty())
        return kNaN;
    const double at = std::clamp(p, 0.0, 1.0) * double(sorted.size() - 1);
    const std::size_t below = std::size_t(at);
    if (below + 1 >= sorted.size())
        return sorted.back();
    const double share = at - double(below);
    return sorted[below] + share * (sorted[below + 1] - sorted[below]);
}

double medianOf(std::vector<double> &values)
{
    if (values.empty())
        return kNaN;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(mid), values.end());
    const double upper = values[mid];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + std::ptrdiff_t(mid));
    return 0.5 * (lower + upper);
}

std::vector<double> movingMeanWrapped(std::span<const double> values)
{
    const std::size_t n = values.size();
    std::vector<double> out(n, kNaN);
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0.0;
        int count = 0;
        for (const std::size_t j : {(i + n - 1) % n, i, (i + 1) % n})
            if (std::isfinite(values[j])) {
                sum += values[j];
                ++count;
            }
        if (count > 0)
            out[i] = sum / count;
    }
    return out;
}

std::vector<DayStatus> classifyDays(const SurveyLayer &layer, const RainSeries *rain,
                                    const DryWeatherSettings &settings, std::span<const qint64> chosenDays)
{
    std::vector<DayStatus> out;
    if (layer.empty() || layer.rva.size() != layer.times.size())
        return out;
    std::map<qint64, DayFlow> flows = dailyFlow(layer);
    const qint64 first = flows.begin()->first, last = flows.rbegin()->first;
    if (last - first < kMaxListedDays)
        for (qint64 day = first; day <= last; ++day)
            flows.try_emplace(day);

    std::vector<qint64> holidays(settings.holidays), chosen(chosenDays.begin(), chosenDays.end());
    std::sort(holidays.begin(), holidays.end());
    std::sort(chosen.begin(), chosen.end());
    const double hours =
        std::isfinite(settings.antecedentHours) ? std::max(0.0, settings.antecedentHours) : 0.0;
    const qint64 antecedent = qint64(std::llround(hours * 3600.0));

    for (const auto &[day, flow] : flows) {
        DayStatus d;
        d.day = day;
        d.group = dayGroup(day, holidays);
        d.coverage = std::min(1.0, double(flow.counted) / double(kSecondsPerDay));
        if (flow.counted > 0)
            d.meanFlow = flow.litres / double(flow.counted);
        if (rain) {
            const qint64 from = day * kSecondsPerDay - antecedent, to = (day + 1) * kSecondsPerDay;
            d.rainMm = depthBetween(*rain, from, to);
            if (!covers(*rain, from, to))
                d.reasons |= DayNoGauge;
            if (!(d.rainMm < settings.maxRainMm))
                d.reasons |= DayRain;
        } else if (!std::binary_search(chosen.begin(), chosen.end(), day)) {
            d.reasons |= DayNotChosen;
        }
        // A day without counted flow has nothing to give a profile, whatever the threshold.
        if (flow.counted == 0 || d.coverage < settings.minCoverage)
            d.reasons |= DayLowCoverage;
        out.push_back(d);
    }
    markOutliers(out, DayGroup::Weekday, settings.fenceIqr);
    markOutliers(out, DayGroup::Weekend, settings.fenceIqr);
    return out;
}

DiurnalProfile diurnalProfile(const SurveyLayer &layer, std::span<const qint64> days, DayGroup group,
                              qint64 intervalSeconds, std::vector<DayTrace> *traces)
{
    DiurnalProfile profile;
    profile.group = group;
    const int perDay = slotCount(intervalSeconds);
    if (perDay == 0 || days.empty() || layer.rva.size() != layer.times.size())
        return profile;
    profile.days.assign(days.begin(), days.end());
    SlotTable flow(days.size(), perDay), level(days.size(), perDay), velocity(days.size(), perDay);
    for (std::size_t d = 0; d < days.size(); ++d) {
        const qint64 midnight = days[d] * kSecondsPerDay;
        const auto begin = std::lower_bound(layer.times.begin(), layer.times.end(), midnight);
        const auto end = std::lower_bound(begin, layer.times.end(), midnight + kSecondsPerDay);
        for (auto it = begin; it != end; ++it) {
            const qsizetype i = it - layer.times.begin();
            const int slot = int((*it - midnight) / intervalSeconds);
            flow.add(d, slot, layer.correctedFlow(i));
            level.add(d, slot, layer.rva[std::size_t(i)].level);
            velocity.add(d, slot, layer.correctedVelocity(i));
        }
        if (traces) {
            DayTrace trace{days[d], group, std::vector<float>(std::size_t(perDay))};
            for (int s = 0; s < perDay; ++s)
                trace.flow[std::size_t(s)] = float(flow.mean(d, s));
            traces->push_back(std::move(trace));
        }
    }
    profile.flow = flow.profile(days.size());
    profile.level = level.profile(days.size());
    profile.velocity = velocity.profile(days.size());
    return profile;
}

double litresPerSecondToMgd(double litresPerSecond)
{
    return litresPerSecond * double(kSecondsPerDay) / 1.0e6 / kMegalitresPerMgd;
}

double mgdToLitresPerSecond(double mgd)
{
    return mgd * kMegalitresPerMgd * 1.0e6 / double(kSecondsPerDay);
}

double stevensSchutzbachGwi(double mnfLitresPerSecond, double adwfLitresPerSecond)
{
    if (!std::isfinite(mnfLitresPerSecond) || !std::isfinite(adwfLitresPerSecond) ||
        adwfLitresPerSecond <= 0.0)
        return kNaN;
    // The relation was fitted to flows in MGD; its exponent makes it depend on the unit.
    const double adwf = litresPerSecondToMgd(adwfLitresPerSecond);
    const double mnf = litresPerSecondToMgd(std::clamp(mnfLitresPerSecond, 0.0, adwfLitresPerSecond));
    const double gwi = 0.4 * mnf / (1.0 - 0.6 * std::pow(mnf / adwf, std::pow(adwf, 0.7)));
    return mgdToLitresPerSecond(gwi);
}

DwfFigures dwfFigures(const DiurnalProfile &weekday, const DiurnalProfile &weekend)
{
    DwfFigures f;
    const double weekdayMean = weekday.present() ? meanOfFinite(weekday.flow) : kNaN;
    const double weekendMean = weekend.present() ? meanOfFinite(weekend.flow) : kNaN;
    if (std::isfinite(weekdayMean) && std::isfinite(weekendMean))
        f.adwf = (5.0 * weekdayMean + 2.0 * weekendMean) / 7.0;
    else
        f.adwf = std::isfinite(weekdayMean) ? weekdayMean : weekendMean;

    for (const DiurnalProfile *p : {&weekday, &weekend}) {
        if (!p->present())
            continue;
        for (std::size_t s = 0; s < p->flow.size(); ++s) {
            const double v = p->flow[s];
            if (!std::isfinite(v))
                continue;
            if (f.mnfSlot < 0 || v < f.mnf) {
                f.mnf = v;
                f.mnfGroup = p->group;
                f.mnfSlot = int(s);
            }
            if (f.peakSlot < 0 || v > f.peak) {
                f.peak = v;
                f.peakGroup = p->group;
                f.peakSlot = int(s);
            }
        }
    }
    if (f.adwf > 0.0) {
        f.peakFactor = f.peak / f.adwf;
        f.gwi = stevensSchutzbachGwi(f.mnf, f.adwf);
        f.baseSanitary = f.adwf - f.gwi;
    }
    return f;
}

DryWeatherResult dryWeatherFlow(const SurveyLayer &layer, const RainSeries *rain,
                                const DryWeatherSettings &settings, std::span<const qint64> chosenDays)
{
    DryWeatherResult r;
    r.intervalSeconds = layer.intervalSeconds;
    r.holidays = settings.holidays;
    std::sort(r.holidays.begin(), r.holidays.end());
    if (layer.empty() || layer.rva.size() != layer.times.size()) {
        r.notes << QStringLiteral("没有流量记录,无法计算旱季流量");
        return r;
    }
    r.days = classifyDays(layer, rain, settings, chosenDays);
    if (!rain)
        r.notes << QStringLiteral("未指定雨量计:旱天按所选日期");
    if (slotCount(r.intervalSeconds) == 0) {
        r.notes << QStringLiteral("记录间隔无法确定,无法按时段计算旱季曲线");
        return r;
    }
    std::vector<qint64> weekdayDays, weekendDays;
    for (const DayStatus &d : r.days)
        if (d.dry())
            (d.group == DayGroup::Weekend ? weekendDays : weekdayDays).push_back(d.day);
    r.weekday = diurnalProfile(layer, weekdayDays, DayGroup::Weekday, r.intervalSeconds, &r.traces);
    r.weekend = diurnalProfile(layer, weekendDays, DayGroup::Weekend, r.intervalSeconds, &r.traces);
    std::sort(r.traces.begin(), r.traces.end(),
              [](const DayTrace &a, const DayTrace &b) { return a.day < b.day; });
    for (const DiurnalProfile *p : {&r.weekday, &r.weekend})
        if (!p->present())
            r.notes << QStringLiteral("%1没有旱天,%1曲线缺失").arg(groupName(p->group));
    if (r.weekday.present() != r.weekend.present())
        r.notes << QStringLiteral("平均旱季流量仅按%1曲线计算")
                       .arg(groupName(r.weekday.present() ? DayGroup::Weekday : DayGroup::Weekend));
    r.figures = dwfFigures(r.weekday, r.weekend);
    return r;
}

} // namespace lmv::survey
