#include "survey/StormEvents.h"

#include "data/SurveyCheck.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace lmv::survey {

namespace {

// Depths are sums of decimal fractions (0.2 mm tips): a threshold met exactly must not be missed
// or passed by the last bit of a sum.
constexpr double kSlack = 1e-9;
constexpr double kMaxInterEventHours = 24.0 * 366.0;

struct Spell
{
    std::size_t first = 0; // entries of its first and last wet interval
    std::size_t last = 0;
    double depth = 0.0;
};

qint64 wetStart(const RainSeries &rain, std::size_t i)
{
    return rain.times[i] - rain.intervalSeconds;
}

// Where the record holding `start` begins: its covered span, else the first interval.
qint64 recordStartBefore(const RainSeries &rain, qint64 start)
{
    const auto after = std::upper_bound(rain.covered.begin(), rain.covered.end(), start,
                                        [](qint64 t, const TimeSpan &s) { return t < s.start; });
    if (after == rain.covered.begin())
        return rain.times.empty() ? start : std::min(start, wetStart(rain, 0));
    return std::prev(after)->start;
}

StormEvent eventOf(const RainSeries &rain, const Spell &spell, const StormEventOptions &options,
                   const StormEvent *previous)
{
    StormEvent e;
    e.start = wetStart(rain, spell.first);
    e.end = rain.times[spell.last];
    e.depthMm = spell.depth;
    e.peak5 = peakIntensity(rain, spell.first, spell.last, 300);
    e.peak15 = peakIntensity(rain, spell.first, spell.last, 900);
    e.peak60 = peakIntensity(rain, spell.first, spell.last, 3600);
    qint64 dryFrom = recordStartBefore(rain, e.start);
    if (previous)
        dryFrom = std::max(dryFrom, previous->end);
    e.dryHoursBefore = double(std::max<qint64>(0, e.start - dryFrom)) / 3600.0;
    e.verification = rain.intervalSeconds <= kVerifyCoarsestInterval && e.peak5 &&
                     e.depthMm > options.verifyDepthMm + kSlack &&
                     *e.peak5 > options.verifyPeak5MmPerHour + kSlack;
    return e;
}

double rounded(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

QJsonValue peakJson(const std::optional<double> &peak)
{
    return peak ? QJsonValue(rounded(*peak)) : QJsonValue(QJsonValue::Null);
}

} // namespace

QString stormEventOptionsProblem(const StormEventOptions &o)
{
    if (!(o.interEventHours > 0.0 && o.interEventHours <= kMaxInterEventHours))
        return QStringLiteral("降雨间隔时间须大于 0 且不超过一年");
    if (!(o.minDepthMm >= 0.0 && std::isfinite(o.minDepthMm)))
        return QStringLiteral("最小降雨量不能为负");
    if (!(o.verifyDepthMm >= 0.0 && std::isfinite(o.verifyDepthMm)) ||
        !(o.verifyPeak5MmPerHour >= 0.0 && std::isfinite(o.verifyPeak5MmPerHour)))
        return QStringLiteral("验证降雨的阈值不能为负");
    return QString();
}

std::optional<double> peakIntensity(const RainSeries &rain, std::size_t first, std::size_t last,
                                    qint64 windowSeconds)
{
    const qint64 interval = rain.intervalSeconds;
    if (windowSeconds <= 0 || (interval > 0 && (interval > windowSeconds || windowSeconds % interval != 0)))
        return std::nullopt;
    // Depths are never negative, so the fullest window ends at an entry: slide over the ends.
    double sum = 0.0;
    double best = 0.0;
    std::size_t lo = first;
    for (std::size_t hi = first; hi <= last; ++hi) {
        sum += rain.depthMm[hi];
        while (rain.times[lo] <= rain.times[hi] - windowSeconds)
            sum -= rain.depthMm[lo++];
        best = std::max(best, sum);
    }
    return best * 3600.0 / double(windowSeconds);
}

StormEventList findStormEvents(const RainSeries &rain, const StormEventOptions &options)
{
    StormEventList list;
    list.intervalSeconds = rain.intervalSeconds;
    const double hours = std::clamp(std::isfinite(options.interEventHours) ? options.interEventHours : 0.0,
                                    0.0, kMaxInterEventHours);
    const qint64 interEvent = std::llround(hours * 3600.0);
    const std::size_t n = std::min(rain.times.size(), rain.depthMm.size());

    auto close = [&](const Spell &spell) {
        if (spell.depth + kSlack < options.minDepthMm) {
            ++list.minor;
            return;
        }
        list.events.push_back(
            eventOf(rain, spell, options, list.events.empty() ? nullptr : &list.events.back()));
    };
    Spell spell;
    bool open = false;
    for (std::size_t i = 0; i < n; ++i) {
        const double depth = rain.depthMm[i];
        list.totalDepthMm += depth;
        if (!(depth > 0.0))
            continue;
        if (open && wetStart(rain, i) - rain.times[spell.last] >= interEvent) {
            close(spell);
            open = false;
        }
        if (!open) {
            spell = Spell{i, i, 0.0};
            open = true;
        }
        spell.last = i;
        spell.depth += depth;
    }
    if (open)
        close(spell);
    return list;
}

QJsonObject stormEventsJson(const QString &gauge, const StormEventList &list)
{
    QJsonArray events;
    for (const StormEvent &e : list.events) {
        QJsonObject o;
        o.insert(QStringLiteral("start"), clockText(e.start));
        o.insert(QStringLiteral("end"), clockText(e.end));
        o.insert(QStringLiteral("durationHours"), rounded(e.durationHours()));
        o.insert(QStringLiteral("depthMm"), rounded(e.depthMm));
        o.insert(QStringLiteral("peak5"), peakJson(e.peak5));
        o.insert(QStringLiteral("peak15"), peakJson(e.peak15));
        o.insert(QStringLiteral("peak60"), peakJson(e.peak60));
        o.insert(QStringLiteral("dryHoursBefore"), rounded(e.dryHoursBefore));
        o.insert(QStringLiteral("verification"), e.verification);
        events.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("gauge"), gauge);
    root.insert(QStringLiteral("intervalSeconds"), double(list.intervalSeconds));
    root.insert(QStringLiteral("totalDepthMm"), rounded(list.totalDepthMm));
    root.insert(QStringLiteral("events"), events);
    root.insert(QStringLiteral("minor"), list.minor);
    return root;
}

} // namespace lmv::survey
