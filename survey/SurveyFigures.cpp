#include "survey/SurveyFigures.h"

#include "data/TimeSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace lmv::survey {

namespace {

constexpr qint64 kDaySeconds = 86400;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Calls fn(day, seconds) for the pieces of [start, start + seconds) split at midnight.
template <typename Fn>
void splitAtMidnight(qint64 start, qint64 seconds, Fn fn)
{
    qint64 from = start;
    const qint64 until = start + seconds;
    while (from < until) {
        const qint64 day = floorDiv(from, kDaySeconds);
        const qint64 piece = std::min(until, (day + 1) * kDaySeconds) - from;
        fn(day, piece);
        from += piece;
    }
}

// Adds seconds per day to days (by day), making the days that are missing.
void addPerDay(QVector<DayVolume> &days, const std::map<qint64, qint64> &seconds, qint64 DayVolume::*field)
{
    std::map<qint64, DayVolume> byDay;
    for (const DayVolume &d : std::as_const(days))
        byDay.emplace(d.day, d);
    for (const auto &[day, s] : seconds) {
        auto [it, fresh] = byDay.try_emplace(day);
        if (fresh)
            it->second.day = day;
        it->second.*field += s;
    }
    days.clear();
    for (const auto &[day, d] : byDay)
        days.push_back(d);
}

// The crown above the sediment (mm) of a source's pipe; NaN when the pipe is not known.
double crownAboveSediment(const PipeSaveIntoTfType &p)
{
    if (p.pipeShape > PipeTriangle || p.heightOrDiameter == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return double(p.heightOrDiameter) - double(p.sediment);
}

// Surcharge found again record by record against each record's own pipe (the check knows one
// pipe), replacing the check's surcharge findings and times.
void surchargeByOwnPipe(const SurveyLayer &layer, SurveyCheck &check)
{
    check.findings.erase(std::remove_if(check.findings.begin(), check.findings.end(),
                                        [](const Finding &f) { return f.kind == FindingKind::Surcharge; }),
                         check.findings.end());
    check.surchargeSeconds = 0;
    for (DayVolume &d : check.days)
        d.surchargeSeconds = 0;
    std::vector<double> crown;
    for (const SurveySource &s : layer.sources)
        crown.push_back(crownAboveSediment(s.header.point));
    const std::vector<qint64> counted = countedSeconds(layer.times, check.intervalSeconds);
    bool open = false;
    Finding run;
    std::map<qint64, qint64> perDay;
    for (qsizetype i = 0; i < layer.size(); ++i) {
        const auto k = std::size_t(i);
        const float level = layer.rva[k].level;
        const double top = crown[layer.source[k]];
        const bool surcharged = std::isfinite(level) && !std::isnan(top) && double(level) * 1000.0 > top;
        if (!surcharged) {
            if (open)
                check.findings.push_back(run);
            open = false;
            continue;
        }
        if (!open)
            run = Finding{FindingKind::Surcharge, CheckedValue::Level, false, i,    i,
                          layer.times[k],         layer.times[k],      0,     level};
        open = true;
        run.lastRecord = i;
        run.end = layer.times[k] + counted[k];
        run.seconds += counted[k];
        run.extreme = std::max(run.extreme, level);
        check.surchargeSeconds += counted[k];
        splitAtMidnight(layer.times[k], counted[k],
                        [&perDay](qint64 day, qint64 piece) { perDay[day] += piece; });
    }
    if (open)
        check.findings.push_back(run);
    addPerDay(check.days, perDay, &DayVolume::surchargeSeconds);
    std::stable_sort(check.findings.begin(), check.findings.end(), [](const Finding &a, const Finding &b) {
        return a.firstRecord != b.firstRecord ? a.firstRecord < b.firstRecord : a.kind < b.kind;
    });
}

SurveyCheck checkRvaLayer(const SurveyLayer &layer)
{
    // The records with their own file's corrections applied, as the check would apply them, so
    // one check runs over files with different corrections.
    std::vector<RvaRecord> corrected(layer.rva);
    for (std::size_t k = 0; k < corrected.size(); ++k) {
        const CalcParams &c = layer.sources[layer.source[k]].header.calc;
        corrected[k].velocity = layer.rva[k].velocity * c.velocityCorrection;
        corrected[k].flow = layer.rva[k].flow * c.velocityCorrection * c.flowCorrection;
    }
    CalcParams plain;
    plain.recordInterval = quint32(std::clamp<qint64>(layer.intervalSeconds, 0, kDaySeconds));
    bool onePipe = true;
    for (const SurveySource &s : layer.sources)
        onePipe = onePipe && s.header.point.samePipeAs(layer.sources.front().header.point);
    const PipeSaveIntoTfType pipe =
        layer.sources.empty() ? PipeSaveIntoTfType{} : layer.sources.front().header.point;
    SurveyCheck check = checkRva(corrected, plain, pipe);
    if (!onePipe)
        surchargeByOwnPipe(layer, check);
    return check;
}

} // namespace

qint64 dayOf(qint64 seconds)
{
    return floorDiv(seconds, kDaySeconds);
}

qint64 mondayOf(qint64 day)
{
    // 1970-01-01 was a Thursday.
    return day - ((day % 7 + 7 + 3) % 7);
}

QVector<DayVolume> dayCoverage(std::span<const qint64> times, qint64 nominal)
{
    std::map<qint64, DayVolume> days;
    const auto at = [&days](qint64 day) -> DayVolume & {
        auto [it, fresh] = days.try_emplace(day);
        if (fresh)
            it->second.day = day;
        return it->second;
    };
    const std::vector<qint64> counted = countedSeconds(times, nominal);
    for (std::size_t k = 0; k < times.size(); ++k) {
        ++at(dayOf(times[k])).records;
        splitAtMidnight(times[k], counted[k],
                        [&at](qint64 day, qint64 piece) { at(day).countedSeconds += piece; });
    }
    QVector<DayVolume> out;
    out.reserve(qsizetype(days.size()));
    for (const auto &[day, d] : days)
        out.push_back(d);
    return out;
}

DayVolume sumDays(std::span<const DayVolume> days)
{
    DayVolume total;
    bool haveLevel = false;
    for (const DayVolume &d : days) {
        total.records += d.records;
        total.countedSeconds += d.countedSeconds;
        total.volumeM3 += d.volumeM3;
        total.surchargeSeconds += d.surchargeSeconds;
        if (d.hasValues) {
            total.minFlow = total.hasValues ? std::min(total.minFlow, d.minFlow) : d.minFlow;
            total.maxFlow = total.hasValues ? std::max(total.maxFlow, d.maxFlow) : d.maxFlow;
            total.hasValues = true;
        }
        if (d.records > 0) {
            total.maxLevel = haveLevel ? std::max(total.maxLevel, d.maxLevel) : d.maxLevel;
            haveLevel = true;
        }
    }
    if (!days.empty())
        total.day = days.front().day;
    return total;
}

SurveyFigures checkSurvey(const SurveyLayer &layer, const SurveyPeriod &period)
{
    SurveyFigures out;
    QVector<DayVolume> days;
    if (layer.family == Family::Rva) {
        out.check = checkRvaLayer(layer);
        days = out.check.days;
    } else if (layer.family == Family::Rvb) {
        const quint8 model =
            layer.sources.empty() ? quint8(0) : layer.sources.front().header.device.modelCode();
        out.check = checkRvb(layer.rvb, model);
        days = dayCoverage(layer.times, layer.intervalSeconds);
    }
    if (days.isEmpty() && !period.from && !period.to)
        return out;
    qint64 first = days.isEmpty() ? std::numeric_limits<qint64>::max() : days.front().day;
    qint64 last = days.isEmpty() ? std::numeric_limits<qint64>::min() : days.back().day;
    if (period.from)
        first = std::min(first, dayOf(*period.from));
    if (period.to)
        last = std::max(last, dayOf(*period.to));
    if (!period.from && days.isEmpty())
        first = last;
    if (!period.to && days.isEmpty())
        last = first;
    // Every day of the table, empty ones included, so coverage counts the holes.
    out.days.reserve(qsizetype(last - first + 1));
    auto next = days.cbegin();
    for (qint64 day = first; day <= last; ++day) {
        if (next != days.cend() && next->day == day) {
            out.days.push_back(*next++);
        } else {
            DayVolume empty;
            empty.day = day;
            out.days.push_back(empty);
        }
    }
    out.total = sumDays(out.days);
    for (qsizetype i = 0; i < out.days.size();) {
        const qint64 monday = mondayOf(out.days[i].day);
        qsizetype j = i;
        while (j < out.days.size() && mondayOf(out.days[j].day) == monday)
            ++j;
        WeekTotal week;
        week.monday = monday;
        week.days = j - i;
        week.total = sumDays(std::span<const DayVolume>(out.days.constData() + i, std::size_t(j - i)));
        week.total.day = monday;
        out.weeks.push_back(week);
        i = j;
    }
    return out;
}

} // namespace lmv::survey
