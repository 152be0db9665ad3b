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

// The crown above the sediment (mm) of a pipe; NaN when the pipe is not known (as the check
// judges surcharge).
double crownAboveSediment(const PipeSaveIntoTfType &p)
{
    if (p.pipeShape > PipeTriangle || p.heightOrDiameter == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return double(p.heightOrDiameter) - double(p.sediment);
}

// Records of the layer that the check can take in one call: their files share the interval and
// the pipe.
struct Segment
{
    qsizetype begin = 0, end = 0;
    qint64 interval = 0;
    PipeSaveIntoTfType pipe;
};

std::vector<Segment> segmentsOf(const SurveyLayer &layer)
{
    std::vector<Segment> out;
    for (qsizetype i = 0; i < layer.size(); ++i) {
        const SurveySource &s = layer.sourceOf(i);
        if (out.empty() || out.back().interval != s.intervalSeconds ||
            !out.back().pipe.samePipeAs(s.header.point))
            out.push_back(Segment{i, i, s.intervalSeconds, s.header.point});
        out.back().end = i + 1;
    }
    return out;
}

void addDay(std::map<qint64, DayVolume> &days, const DayVolume &d)
{
    auto [it, fresh] = days.try_emplace(d.day, d);
    if (fresh)
        return;
    DayVolume &m = it->second;
    if (d.hasValues) {
        m.minFlow = m.hasValues ? std::min(m.minFlow, d.minFlow) : d.minFlow;
        m.maxFlow = m.hasValues ? std::max(m.maxFlow, d.maxFlow) : d.maxFlow;
        m.hasValues = true;
    }
    if (d.records > 0)
        m.maxLevel = m.records > 0 ? std::max(m.maxLevel, d.maxLevel) : d.maxLevel;
    m.records += d.records;
    m.countedSeconds += d.countedSeconds;
    m.volumeM3 += d.volumeM3;
    m.surchargeSeconds += d.surchargeSeconds;
}

// Seconds (negative: taken away) of a record's counted time from `from` on, with its flow and
// surcharge, as the check spreads a record over the days.
void addCounted(std::map<qint64, DayVolume> &days, qint64 from, qint64 seconds, float flow, bool surcharged)
{
    const qint64 sign = seconds < 0 ? -1 : 1;
    splitAtMidnight(from, seconds * sign, [&](qint64 day, qint64 piece) {
        auto [it, fresh] = days.try_emplace(day);
        DayVolume &d = it->second;
        d.day = day;
        if (fresh)
            d.maxLevel = 0.0f;
        if (std::isfinite(flow)) {
            d.countedSeconds += sign * piece;
            d.volumeM3 += double(sign * piece) * double(flow) / 1000.0;
        }
        if (surcharged)
            d.surchargeSeconds += sign * piece;
    });
}

// The check over records whose files differ in interval or pipe: each stretch of one interval
// and pipe checked as it is, then joined. Where one stretch meets the next, the last record
// counts for the step to the next record (as inside a stretch) unless that step is a gap.
SurveyCheck checkSegments(const SurveyLayer &layer, const std::vector<RvaRecord> &corrected,
                          const std::vector<Segment> &segments)
{
    SurveyCheck out;
    out.family = Family::Rva;
    out.records = layer.size();
    out.intervalSeconds = layer.intervalSeconds;
    std::map<qint64, DayVolume> days;
    for (std::size_t g = 0; g < segments.size(); ++g) {
        const Segment &seg = segments[g];
        CalcParams plain;
        plain.recordInterval = quint32(std::clamp<qint64>(seg.interval, 0, kDaySeconds));
        const SurveyCheck part =
            checkRva(std::vector<RvaRecord>(corrected.begin() + seg.begin, corrected.begin() + seg.end),
                     plain, seg.pipe);
        for (Finding f : part.findings) {
            f.firstRecord += seg.begin;
            f.lastRecord += seg.begin;
            out.findings.push_back(f);
        }
        out.gaps += part.gaps;
        out.duplicatesSame += part.duplicatesSame;
        out.duplicatesDifferent += part.duplicatesDifferent;
        out.backwardSteps += part.backwardSteps;
        out.hourSteps += part.hourSteps;
        out.irregularSteps += part.irregularSteps;
        out.surchargeSeconds += part.surchargeSeconds;
        for (const DayVolume &d : part.days)
            addDay(days, d);
        if (g + 1 == segments.size())
            continue;
        // The step to the next stretch.
        const auto last = std::size_t(seg.end - 1);
        const qint64 step = layer.times[last + 1] - layer.times[last];
        const qint64 nominal = part.intervalSeconds;
        // What the stretch's own check counted for its last record: the nominal interval, cut at
        // its day's end (the stretch has no next record).
        const std::vector<qint64> segCounts = countedSeconds(
            std::span<const qint64>(layer.times.data() + seg.begin, std::size_t(seg.end - seg.begin)), nominal);
        const qint64 counted = segCounts.back();
        if (isGapStep(step, nominal)) {
            Finding gap;
            gap.kind = FindingKind::Gap;
            gap.value = CheckedValue::Time;
            gap.firstRecord = seg.end - 1;
            gap.lastRecord = seg.end;
            gap.start = layer.times[last];
            gap.end = layer.times[last + 1];
            gap.seconds = step;
            out.findings.push_back(gap);
            ++out.gaps;
            continue;
        }
        const qint64 shouldCount = std::min(step, kDaySeconds);
        const float level = corrected[last].level;
        const bool surcharged = std::isfinite(level) && double(level) * 1000.0 > crownAboveSediment(seg.pipe);
        if (shouldCount > counted)
            addCounted(days, layer.times[last] + counted, shouldCount - counted, corrected[last].flow,
                       surcharged);
        else if (shouldCount < counted)
            addCounted(days, layer.times[last] + shouldCount, shouldCount - counted, corrected[last].flow,
                       surcharged);
        if (surcharged)
            out.surchargeSeconds += shouldCount - counted;
    }
    std::stable_sort(out.findings.begin(), out.findings.end(), [](const Finding &a, const Finding &b) {
        return a.firstRecord != b.firstRecord ? a.firstRecord < b.firstRecord : a.kind < b.kind;
    });
    for (const auto &[day, d] : days)
        out.days.push_back(d);
    out.total = sumDays(out.days);
    return out;
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
    const std::vector<Segment> segments = segmentsOf(layer);
    if (segments.size() > 1)
        return checkSegments(layer, corrected, segments);
    CalcParams plain;
    const qint64 interval = segments.empty() ? layer.intervalSeconds : segments.front().interval;
    plain.recordInterval = quint32(std::clamp<qint64>(interval, 0, kDaySeconds));
    return checkRva(corrected, plain, segments.empty() ? PipeSaveIntoTfType{} : segments.front().pipe);
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
