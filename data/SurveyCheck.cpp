#include "data/SurveyCheck.h"

#include "data/FlowVolume.h"
#include "data/PipeLimits.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>

namespace lmv {

namespace {

constexpr qint64 kDaySeconds = 86400;
constexpr qint64 kHourSeconds = 3600;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A clock moved by an hour shows as a step of the nominal interval plus or minus an hour.
bool isHourStep(qint64 step, qint64 nominal)
{
    const qint64 tolerance = std::clamp<qint64>(nominal / 2, 30, 300);
    return std::abs(std::abs(step - nominal) - kHourSeconds) <= tolerance;
}

Finding makeFinding(FindingKind kind, CheckedValue value, qsizetype first, qsizetype last, qint64 start,
                    qint64 end, qint64 seconds, float extreme)
{
    Finding f;
    f.kind = kind;
    f.value = value;
    f.firstRecord = first;
    f.lastRecord = last;
    f.start = start;
    f.end = end;
    f.seconds = seconds;
    f.extreme = extreme;
    return f;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Consecutive records for which a condition holds, closed into one finding each.
class PeriodRun
{
public:
    enum Keep
    {
        Highest,
        Lowest,
        FarthestFromZero
    };
    PeriodRun(FindingKind kind, CheckedValue value, Keep keep = Highest)
        : kind_(kind), value_(value), keep_(keep)
    {}

    void add(bool holds, float sample, qsizetype index, qint64 time, qint64 counted, QVector<Finding> &out)
    {
        if (!holds) {
            close(out);
            return;
        }
        if (!open_) {
            open_ = true;
            run_ = makeFinding(kind_, value_, index, index, time, time, 0, sample);
        }
        run_.lastRecord = index;
        run_.end = time + counted;
        run_.seconds += counted;
        total_ += counted;
        const bool further = keep_ == Highest  ? sample > run_.extreme
                             : keep_ == Lowest ? sample < run_.extreme
                                               : std::abs(sample) > std::abs(run_.extreme);
        if (further)
            run_.extreme = sample;
    }
    void close(QVector<Finding> &out)
    {
        if (open_)
            out.push_back(run_);
        open_ = false;
    }
    qint64 total() const { return total_; }

private:
    FindingKind kind_;
    CheckedValue value_;
    Keep keep_;
    bool open_ = false;
    Finding run_;
    qint64 total_ = 0;
};

// A non-zero value repeated by consecutive records; a finding once it lasts an hour.
class FlatRun
{
public:
    explicit FlatRun(CheckedValue value) : value_(value) {}

    void add(float sample, qsizetype index, qint64 time, QVector<Finding> &out)
    {
        if (open_ && sameBits(sample, run_.extreme)) {
            run_.lastRecord = index;
            run_.end = time;
            return;
        }
        close(out);
        if (std::isfinite(sample) && sample != 0.0f) {
            open_ = true;
            run_ = makeFinding(FindingKind::FlatLine, value_, index, index, time, time, 0, sample);
        }
    }
    void close(QVector<Finding> &out)
    {
        if (open_ && run_.end - run_.start >= kFlatLineSeconds) {
            run_.seconds = run_.end - run_.start;
            out.push_back(run_);
        }
        open_ = false;
    }

private:
    CheckedValue value_;
    bool open_ = false;
    Finding run_;
};

// Findings of the steps between record times, with their counts. Records whose flag in
// `possible` is 0 are stepped over: a step runs from one possible time to the next.
void checkSteps(std::span<const qint64> t, qint64 nominal, SurveyCheck &check,
                const std::function<bool(qsizetype, qsizetype)> &sameValues,
                std::span<const std::uint8_t> possible = {})
{
    qsizetype before = -1;
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (!possible.empty() && !possible[k])
            continue;
        const auto i = qsizetype(k);
        if (before < 0) {
            before = i;
            continue;
        }
        const qint64 step = t[k] - t[std::size_t(before)];
        Finding f = makeFinding(FindingKind::Gap, CheckedValue::Time, before, i, t[std::size_t(before)], t[k],
                                step, 0.0f);
        const qsizetype previous = before;
        before = i;
        if (step == 0) {
            const bool same = sameValues(previous, i);
            f.kind = same ? FindingKind::DuplicateSame : FindingKind::DuplicateDifferent;
            ++(same ? check.duplicatesSame : check.duplicatesDifferent);
        } else if (step < 0) {
            f.kind = FindingKind::BackwardStep;
            ++check.backwardSteps;
        } else if (isGapStep(step, nominal)) {
            ++check.gaps;
        } else if (step < nominal) {
            f.kind = FindingKind::IrregularStep;
            ++check.irregularSteps;
        } else if (isHourStep(step, nominal)) {
            f.kind = FindingKind::HourStep;
        } else {
            continue;
        }
        f.aboutAnHour = step != 0 && isHourStep(step, nominal);
        check.hourSteps += f.aboutAnHour ? 1 : 0;
        check.findings.push_back(f);
    }
}

// Clock seconds of RVA records; consecutive records mostly share a date, whose day count is
// then taken from the record before.
// Clock seconds of RVA records, and in `possible` the flags of possibleTimes (empty when every
// time can be), from one pass: a date is worked out and judged once.
std::vector<qint64> rvaClockSeconds(const std::vector<RvaRecord> &records,
                                    std::vector<std::uint8_t> &possible)
{
    std::vector<qint64> out(records.size());
    possible.clear();
    RecordTime lastDate;
    qint64 lastMidnight = 0;
    bool haveDate = false, dateOk = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordTime &t = records[i].time;
        if (!haveDate || t.year != lastDate.year || t.month != lastDate.month || t.day != lastDate.day) {
            lastDate = RecordTime{0, 0, 0, 0, t.year, t.month, t.day};
            lastMidnight = clockSeconds(lastDate);
            dateOk = isPossibleTime(lastDate);
            haveDate = true;
        }
        out[i] = lastMidnight + qint64(t.hour) * 3600 + qint64(t.minute) * 60 + qint64(t.second);
        if (!(dateOk && t.hour < 24 && t.minute < 60 && t.second < 60)) [[unlikely]] {
            if (possible.empty())
                possible.assign(records.size(), 1);
            possible[i] = 0;
        }
    }
    return out;
}

// The times of the records whose flag is set: `t` itself for empty flags, else a copy in `kept`.
std::span<const qint64> possibleOnly(const std::vector<qint64> &t, std::span<const std::uint8_t> possible,
                                     std::vector<qint64> &kept)
{
    if (possible.empty())
        return t;
    kept.clear();
    for (std::size_t i = 0; i < t.size(); ++i)
        if (possible[i])
            kept.push_back(t[i]);
    return kept;
}

// A finding about the whole file, between its first and last possible record times.
Finding wholeFileFinding(FindingKind kind, CheckedValue value, std::span<const qint64> possibleTimes)
{
    Finding f;
    f.kind = kind;
    f.value = value;
    f.firstRecord = f.lastRecord = kWholeFile;
    if (!possibleTimes.empty()) {
        f.start = possibleTimes.front();
        f.end = possibleTimes.back();
    }
    return f;
}

// Runs of records with impossible times: one finding each, placed between the possible records
// around it.
void impossibleTimeFindings(const std::vector<RvaRecord> &records, const std::vector<qint64> &t,
                            std::span<const std::uint8_t> possible, QVector<Finding> &out)
{
    if (possible.empty())
        return;
    qint64 lastPossible = 0;
    bool havePossible = false;
    for (std::size_t k = 0; k < records.size();) {
        if (possible[k]) {
            lastPossible = t[k];
            havePossible = true;
            ++k;
            continue;
        }
        std::size_t end = k;
        while (end < records.size() && !possible[end])
            ++end;
        Finding f;
        f.kind = FindingKind::ImpossibleTime;
        f.value = CheckedValue::Time;
        f.firstRecord = qsizetype(k);
        f.lastRecord = qsizetype(end - 1);
        f.badTime = records[k].time;
        const bool haveNext = end < records.size();
        f.start = havePossible ? lastPossible : haveNext ? t[end] : 0;
        f.end = haveNext ? t[end] : f.start;
        out.push_back(f);
        k = end;
    }
}

void sortFindings(QVector<Finding> &findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding &a, const Finding &b) {
        return a.firstRecord != b.firstRecord ? a.firstRecord < b.firstRecord : a.kind < b.kind;
    });
}

// Days of the daily table, filled in time order mostly, so the last day is kept at hand.
class DayTable
{
public:
    DayVolume &at(qint64 day)
    {
        if (current_ && currentDay_ == day)
            return *current_;
        auto [it, inserted] = days_.try_emplace(day);
        if (inserted) {
            it->second.day = day;
            it->second.maxLevel = -std::numeric_limits<float>::infinity();
        }
        currentDay_ = day;
        current_ = &it->second;
        return *current_;
    }

    // Spreads a record's counted interval over the days it touches.
    void spread(qint64 start, qint64 seconds, float flow, bool flowCounts, bool surcharged)
    {
        splitAtMidnight(start, seconds, [&](qint64 day, qint64, qint64 piece) {
            DayVolume &d = at(day);
            if (flowCounts) {
                d.countedSeconds += piece;
                d.volumeM3 += double(flow) * double(piece) / 1000.0;
            }
            if (surcharged)
                d.surchargeSeconds += piece;
        });
    }

    void finish(SurveyCheck &check)
    {
        DayVolume &total = check.total;
        total = DayVolume{};
        total.maxLevel = -std::numeric_limits<float>::infinity();
        for (auto &[day, d] : days_) {
            total.records += d.records;
            total.countedSeconds += d.countedSeconds;
            total.volumeM3 += d.volumeM3;
            total.surchargeSeconds += d.surchargeSeconds;
            if (d.hasValues) {
                total.minFlow = total.hasValues ? std::min(total.minFlow, d.minFlow) : d.minFlow;
                total.maxFlow = total.hasValues ? std::max(total.maxFlow, d.maxFlow) : d.maxFlow;
                total.hasValues = true;
            }
            total.maxLevel = std::max(total.maxLevel, d.maxLevel);
            if (!std::isfinite(d.maxLevel))
                d.maxLevel = 0.0f;
            check.days.push_back(d);
        }
        if (!std::isfinite(total.maxLevel))
            total.maxLevel = 0.0f;
    }

private:
    std::map<qint64, DayVolume> days_;
    DayVolume *current_ = nullptr;
    qint64 currentDay_ = 0;
};

} // namespace

double DayVolume::coverage(qsizetype dayCount) const
{
    if (dayCount <= 0)
        return 0.0;
    return std::min(1.0, double(countedSeconds) / (double(dayCount) * double(kDaySeconds)));
}

qsizetype SurveyCheck::count(FindingKind kind) const
{
    return std::count_if(findings.begin(), findings.end(),
                         [kind](const Finding &f) { return f.kind == kind; });
}

namespace {

// Time already counted for some record, as disjoint [start, end) ranges. Records mostly come in
// time order and extend the latest range, which is kept apart (its ends in the caller's hands,
// where the compiler can keep them in registers); only after the clock was set back is the rest
// searched.
struct CountedTime
{
    std::map<qint64, qint64> ranges; // all but the latest
    qint64 runStart = 0;             // the latest range [runStart, runEnd)
    qint64 runEnd = std::numeric_limits<qint64>::min();

    // The part of [start, end), start < runEnd, from start up to the first time already counted;
    // 0 when start itself was counted. That part is counted from then on.
    Q_NEVER_INLINE qint64 claimEarlier(qint64 start, qint64 end)
    {
        if (start >= runStart)
            return 0; // inside the latest range
        end = std::min(end, runStart);
        auto next = ranges.upper_bound(start);
        if (next != ranges.begin() && std::prev(next)->second > start)
            return 0;
        if (next != ranges.end())
            end = std::min(end, next->first);
        if (next != ranges.begin() && std::prev(next)->second == start) {
            std::prev(next)->second = end;
        } else {
            next = ranges.emplace_hint(next, start, end);
            ++next;
        }
        // A range that now touches the next one, or the latest, joins it.
        auto joined = std::prev(next);
        if (next != ranges.end() && next->first == joined->second) {
            joined->second = next->second;
            ranges.erase(next);
        } else if (joined->second == runStart) {
            runStart = joined->first;
            ranges.erase(joined);
        }
        return end - start;
    }
};

// countedSeconds, with the flags looked at only where there are any.
template <bool kFlags>
std::vector<qint64> counted(std::span<const qint64> times, qint64 nominal,
                            std::span<const std::uint8_t> possible)
{
    // No record stands for more than a day, whatever interval a damaged header claims.
    const qint64 alone = std::clamp<qint64>(nominal, 0, kDaySeconds);
    const auto counts = [&](std::size_t i) { return !kFlags || possible[i] != 0; };
    std::vector<qint64> out(times.size(), 0);
    qint64 *const o = out.data();
    CountedTime counted;
    qint64 runStart = counted.runStart, runEnd = counted.runEnd;
    std::size_t next = 0;
    // The day of the record before, kept: consecutive records mostly share it.
    qint64 dayStart = 0, midnight = std::numeric_limits<qint64>::min();
    for (std::size_t i = 0; i < times.size(); ++i) {
        if constexpr (kFlags) {
            if (!counts(i))
                continue;
            next = std::max(next, i + 1);
            while (next < times.size() && !counts(next))
                ++next;
        } else {
            next = i + 1;
        }
        const qint64 t = times[i];
        const bool hasNext = next < times.size();
        const qint64 step = hasNext ? times[next] - t : 0;
        if (hasNext && step == 0)
            continue; // the next record stands for this time
        const bool stepCounts = hasNext && step > 0 && !isGapStep(step, nominal);
        qint64 end = t + (stepCounts ? std::min(step, kDaySeconds) : alone);
        if (t < dayStart || t >= midnight) {
            dayStart = floorDiv(t, kDaySeconds) * kDaySeconds;
            midnight = dayStart + kDaySeconds;
        }
        // Time is only credited to days that have records: past midnight only up to a next
        // record on the following day.
        if (end > midnight && !(stepCounts && times[next] < midnight + kDaySeconds))
            end = midnight;
        if (end <= t)
            continue;
        if (t >= runEnd) [[likely]] {
            // The latest range grows; after a hole the next one begins.
            if (t != runEnd) {
                if (runEnd > runStart)
                    counted.ranges.emplace_hint(counted.ranges.end(), runStart, runEnd);
                runStart = t;
            }
            runEnd = end;
            o[i] = end - t;
            continue;
        }
        counted.runStart = runStart;
        counted.runEnd = runEnd;
        o[i] = counted.claimEarlier(t, end);
        runStart = counted.runStart;
    }
    return out;
}

// The same for times that never go back and all count, the usual survey, without the search
// for counted time: a step never reaches back over an earlier record's time, and a step of at
// most a day ends on the record's day or the next one, where the next record lies.
std::vector<qint64> countedAscending(std::span<const qint64> times, qint64 nominal)
{
    const qint64 alone = std::clamp<qint64>(nominal, 0, kDaySeconds);
    std::vector<qint64> out(times.size());
    const auto upToMidnight = [](qint64 t, qint64 seconds) {
        return std::min(seconds, (floorDiv(t, kDaySeconds) + 1) * kDaySeconds - t);
    };
    for (std::size_t i = 0; i + 1 < times.size(); ++i) {
        const qint64 step = times[i + 1] - times[i];
        if (step == 0)
            out[i] = 0;
        else if (isGapStep(step, nominal))
            out[i] = upToMidnight(times[i], alone);
        else if (step <= kDaySeconds)
            out[i] = step;
        else if (floorDiv(times[i + 1], kDaySeconds) == floorDiv(times[i], kDaySeconds) + 1)
            out[i] = std::min(step, kDaySeconds);
        else
            out[i] = upToMidnight(times[i], std::min(step, kDaySeconds));
    }
    if (!times.empty())
        out.back() = upToMidnight(times.back(), alone);
    return out;
}

} // namespace

std::vector<qint64> countedSeconds(std::span<const qint64> times, qint64 nominal,
                                   std::span<const std::uint8_t> possible)
{
    if (!possible.empty())
        return counted<true>(times, nominal, possible);
    return std::is_sorted(times.begin(), times.end()) ? countedAscending(times, nominal)
                                                      : counted<false>(times, nominal, {});
}

namespace {

// Water above the crown: the water surface lies at level + sediment above the invert, the crown
// at the height.
class SurchargeTest
{
public:
    explicit SurchargeTest(const PipeSaveIntoTfType &point)
        : known_(pipePossible(point)),
          crownAboveSediment_(double(point.heightOrDiameter) - double(point.sediment))
    {}
    bool possible() const { return known_; }
    bool operator()(float level) const
    {
        return known_ && std::isfinite(level) && double(level) * 1000.0 > crownAboveSediment_;
    }

private:
    bool known_;
    double crownAboveSediment_;
};

} // namespace

QVector<Finding> rvaSurcharge(const std::vector<RvaRecord> &records, quint32 recordInterval,
                              const PipeSaveIntoTfType &point)
{
    QVector<Finding> out;
    const SurchargeTest surcharged(point);
    if (!surcharged.possible() || records.empty())
        return out;
    std::vector<std::uint8_t> possible;
    const std::vector<qint64> t = rvaClockSeconds(records, possible);
    std::vector<qint64> kept;
    const std::vector<qint64> counted =
        countedSeconds(t, nominalInterval(recordInterval, possibleOnly(t, possible, kept)), possible);
    PeriodRun surcharge(FindingKind::Surcharge, CheckedValue::Level);
    for (std::size_t k = 0; k < records.size(); ++k)
        if (possible.empty() || possible[k])
            surcharge.add(surcharged(records[k].level), records[k].level, qsizetype(k), t[k], counted[k],
                          out);
    surcharge.close(out);
    return out;
}

namespace {

// The file-wide findings of an RVA header: an interval, pipe or correction that cannot be.
void headerFindings(const CalcParams &calc, const PipeSaveIntoTfType &point, std::span<const qint64> times,
                    SurveyCheck &check)
{
    if (!recordIntervalPossible(calc.recordInterval)) {
        Finding f = wholeFileFinding(FindingKind::ImpossibleInterval, CheckedValue::Time, times);
        f.seconds = qint64(calc.recordInterval);
        f.extreme = float(check.intervalSeconds);
        check.findings.push_back(f);
    }
    if (const QString problem = pipeProblem(point); !problem.isEmpty()) {
        Finding f = wholeFileFinding(FindingKind::ImpossiblePipe, CheckedValue::Level, times);
        f.reason = problem;
        check.findings.push_back(f);
    }
    const std::pair<CheckedValue, float> factors[] = {{CheckedValue::Velocity, calc.velocityCorrection},
                                                      {CheckedValue::Flow, calc.flowCorrection}};
    for (const auto &[value, factor] : factors) {
        if (std::isfinite(factor) && factor >= 0.0f)
            continue;
        Finding f = wholeFileFinding(FindingKind::BadCorrection, value, times);
        f.extreme = factor;
        check.findings.push_back(f);
    }
}

} // namespace

SurveyCheck checkRva(const std::vector<RvaRecord> &records, const CalcParams &calc,
                     const PipeSaveIntoTfType &point)
{
    SurveyCheck check;
    check.family = Family::Rva;
    check.records = qsizetype(records.size());
    // Records whose times name no moment are reported and then left out of everything else.
    std::vector<std::uint8_t> possible;
    const std::vector<qint64> t = rvaClockSeconds(records, possible);
    std::vector<qint64> kept;
    const std::span<const qint64> possibleT = possibleOnly(t, possible, kept);
    check.intervalSeconds = nominalInterval(calc.recordInterval, possibleT);
    const std::vector<qint64> counted = countedSeconds(t, check.intervalSeconds, possible);

    headerFindings(calc, point, possibleT, check);
    impossibleTimeFindings(records, t, possible, check.findings);
    checkSteps(
        t, check.intervalSeconds, check,
        [&records](qsizetype i, qsizetype j) {
            const RvaRecord &a = records[std::size_t(i)], &b = records[std::size_t(j)];
            return sameBits(a.level, b.level) && sameBits(a.velocity, b.velocity) &&
                   sameBits(a.flow, b.flow) && sameBits(a.temperature, b.temperature);
        },
        possible);

    const SurchargeTest isSurcharged(point);
    const float cv = calc.velocityCorrection;
    const float cq = calc.flowCorrection;

    QVector<Finding> &out = check.findings;
    FlatRun flatLevel(CheckedValue::Level), flatVelocity(CheckedValue::Velocity);
    PeriodRun surcharge(FindingKind::Surcharge, CheckedValue::Level);
    PeriodRun below(FindingKind::BelowSediment, CheckedValue::Level, PeriodRun::Lowest);
    PeriodRun fast(FindingKind::VelocityOutOfRange, CheckedValue::Velocity, PeriodRun::FarthestFromZero);
    PeriodRun badLevel(FindingKind::NotFinite, CheckedValue::Level);
    PeriodRun badVelocity(FindingKind::NotFinite, CheckedValue::Velocity);
    PeriodRun badFlow(FindingKind::NotFinite, CheckedValue::Flow);
    PeriodRun badTemperature(FindingKind::NotFinite, CheckedValue::Temperature);
    DayTable days;

    for (std::size_t k = 0; k < records.size(); ++k) {
        if (!possible.empty() && !possible[k])
            continue;
        const RvaRecord &r = records[k];
        const auto i = qsizetype(k);
        const qint64 c = counted[k];
        const float velocity = r.velocity * cv;
        const float flow = r.flow * cv * cq; // in the order the exports multiply
        const bool levelOk = std::isfinite(r.level);
        const bool flowOk = std::isfinite(flow);
        const bool surcharged = isSurcharged(r.level);

        flatLevel.add(r.level, i, t[k], out);
        flatVelocity.add(r.velocity, i, t[k], out);
        surcharge.add(surcharged, r.level, i, t[k], c, out);
        below.add(levelOk && r.level < 0.0f, r.level, i, t[k], c, out);
        fast.add(std::isfinite(velocity) && std::abs(velocity) > kVelocityLimit, velocity, i, t[k], c, out);
        badLevel.add(!levelOk, 0.0f, i, t[k], c, out);
        badVelocity.add(!std::isfinite(r.velocity), 0.0f, i, t[k], c, out);
        badFlow.add(!std::isfinite(r.flow), 0.0f, i, t[k], c, out);
        badTemperature.add(!std::isfinite(r.temperature), 0.0f, i, t[k], c, out);

        DayVolume &d = days.at(floorDiv(t[k], kDaySeconds));
        ++d.records;
        if (flowOk) {
            d.minFlow = d.hasValues ? std::min(d.minFlow, flow) : flow;
            d.maxFlow = d.hasValues ? std::max(d.maxFlow, flow) : flow;
            d.hasValues = true;
        }
        if (levelOk)
            d.maxLevel = std::max(d.maxLevel, r.level);
        if (c > 0 && (flowOk || surcharged))
            days.spread(t[k], c, flow, flowOk, surcharged);
    }
    for (PeriodRun *run : {&surcharge, &below, &fast, &badLevel, &badVelocity, &badFlow, &badTemperature})
        run->close(out);
    flatLevel.close(out);
    flatVelocity.close(out);
    check.surchargeSeconds = surcharge.total();
    days.finish(check);
    sortFindings(out);
    return check;
}

SurveyCheck checkRvb(const std::vector<RvbRecord> &records, quint8 modelCode)
{
    SurveyCheck check;
    check.family = Family::Rvb;
    check.records = qsizetype(records.size());
    const QString names = modelChannelNames(modelCode);
    if (!names.isEmpty())
        check.channelNames = names.split(QLatin1Char('$'));
    const std::vector<qint64> t = clockSeconds(records);
    check.intervalSeconds = nominalInterval(0, t);
    const std::vector<qint64> counted = countedSeconds(t, check.intervalSeconds);

    checkSteps(t, check.intervalSeconds, check, [&records](qsizetype i, qsizetype j) {
        const RvbRecord &a = records[std::size_t(i)], &b = records[std::size_t(j)];
        for (std::size_t ch = 0; ch < 6; ++ch)
            if (!sameBits(a.channel[ch], b.channel[ch]))
                return false;
        return sameBits(a.supplyVoltage, b.supplyVoltage) && a.csq == b.csq;
    });

    QVector<Finding> &out = check.findings;
    std::vector<FlatRun> flat;
    std::vector<PeriodRun> bad;
    for (int ch = 0; ch < 6; ++ch) {
        const auto value = CheckedValue(int(CheckedValue::Channel1) + ch);
        flat.emplace_back(value);
        bad.emplace_back(FindingKind::NotFinite, value);
    }
    bad.emplace_back(FindingKind::NotFinite, CheckedValue::SupplyVoltage);
    PeriodRun weakPower(FindingKind::WeakPower, CheckedValue::SupplyVoltage, PeriodRun::Lowest);
    PeriodRun weakSignal(FindingKind::WeakSignal, CheckedValue::Csq, PeriodRun::Lowest);

    for (std::size_t k = 0; k < records.size(); ++k) {
        const RvbRecord &r = records[k];
        const auto i = qsizetype(k);
        const qint64 c = counted[k];
        for (std::size_t ch = 0; ch < 6; ++ch) {
            flat[ch].add(r.channel[ch], i, t[k], out);
            bad[ch].add(!std::isfinite(r.channel[ch]), 0.0f, i, t[k], c, out);
        }
        bad[6].add(!std::isfinite(r.supplyVoltage), 0.0f, i, t[k], c, out);
        weakPower.add(std::isfinite(r.supplyVoltage) && r.supplyVoltage < kWeakSupplyVoltage, r.supplyVoltage,
                      i, t[k], c, out);
        weakSignal.add(r.csq < kWeakCsq, float(r.csq), i, t[k], c, out);
    }
    for (FlatRun &run : flat)
        run.close(out);
    for (PeriodRun &run : bad)
        run.close(out);
    weakPower.close(out);
    weakSignal.close(out);
    check.weakPowerSeconds = weakPower.total();
    check.weakSignalSeconds = weakSignal.total();
    sortFindings(out);
    return check;
}

SurveyCheck checkContents(const DataFileContents &contents)
{
    const DataFileHeader &h = contents.header;
    if (h.family == Family::Rva)
        return checkRva(contents.rva, h.calc, h.point);
    if (h.family == Family::Rvb)
        return checkRvb(contents.rvb, h.device.modelCode());
    return SurveyCheck{};
}

int checkFile(const QString &path, SurveyCheck &check)
{
    DataFileContents contents;
    const int result = readDataFile(path, contents);
    if (result == ReadOk)
        check = checkContents(contents);
    return result;
}

QString clockText(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dayText(qint64 day)
{
    return QDateTime::fromSecsSinceEpoch(day * kDaySeconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd"));
}

QString durationText(qint64 seconds)
{
    QString out = seconds < 0 ? QStringLiteral("-") : QString();
    qint64 s = std::abs(seconds);
    const qint64 days = s / kDaySeconds, hours = s % kDaySeconds / 3600, minutes = s % 3600 / 60;
    s %= 60;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (days > 0)
        return out + QStringLiteral("%1天%2小时%3分").arg(days).arg(two(hours), two(minutes));
    if (hours > 0)
        return out + QStringLiteral("%1小时%2分%3秒").arg(hours).arg(two(minutes), two(s));
    if (minutes > 0)
        return out + QStringLiteral("%1分%2秒").arg(minutes).arg(two(s));
    return out + QStringLiteral("%1秒").arg(s);
}

QString findingKindText(FindingKind kind)
{
    switch (kind) {
    case FindingKind::Gap:
        return QStringLiteral("数据缺失");
    case FindingKind::DuplicateSame:
        return QStringLiteral("重复时间(数值相同)");
    case FindingKind::DuplicateDifferent:
        return QStringLiteral("重复时间(数值不同)");
    case FindingKind::BackwardStep:
        return QStringLiteral("时间倒退");
    case FindingKind::HourStep:
        return QStringLiteral("时间跳变");
    case FindingKind::IrregularStep:
        return QStringLiteral("间隔不规则");
    case FindingKind::FlatLine:
        return QStringLiteral("数值不变");
    case FindingKind::NotFinite:
        return QStringLiteral("无效数值");
    case FindingKind::Surcharge:
        return QStringLiteral("超过管顶");
    case FindingKind::BelowSediment:
        return QStringLiteral("液位为负");
    case FindingKind::VelocityOutOfRange:
        return QStringLiteral("流速超限");
    case FindingKind::WeakPower:
        return QStringLiteral("供电电压低");
    case FindingKind::WeakSignal:
        return QStringLiteral("信号弱");
    case FindingKind::ImpossibleTime:
        return QStringLiteral("时间无效");
    case FindingKind::ImpossibleInterval:
        return QStringLiteral("记录间隔无效");
    case FindingKind::ImpossiblePipe:
        return QStringLiteral("管道参数无效");
    case FindingKind::BadCorrection:
        return QStringLiteral("修正系数无效");
    }
    return QString();
}

QString checkedValueText(CheckedValue value, const QStringList &channelNames)
{
    switch (value) {
    case CheckedValue::Time:
        return QStringLiteral("时间");
    case CheckedValue::Level:
        return QStringLiteral("液位");
    case CheckedValue::Velocity:
        return QStringLiteral("流速");
    case CheckedValue::Flow:
        return QStringLiteral("流量");
    case CheckedValue::Temperature:
        return QStringLiteral("温度");
    case CheckedValue::SupplyVoltage:
        return QStringLiteral("供电电压");
    case CheckedValue::Csq:
        return QStringLiteral("CSQ值");
    default:
        break;
    }
    const int ch = int(value) - int(CheckedValue::Channel1);
    if (channelNames.size() >= 6 && !channelNames[ch].isEmpty())
        return channelNames[ch];
    return QStringLiteral("数据%1").arg(ch + 1);
}

QString findingDetail(const Finding &f, const QStringList &channelNames)
{
    const QString name = checkedValueText(f.value, channelNames);
    const QString hour = f.aboutAnHour ? QStringLiteral(" (约一小时 时钟调整?)") : QString();
    const auto number = [](float v) { return QString::number(double(v), 'f', 3); };
    switch (f.kind) {
    case FindingKind::Gap:
        return QStringLiteral("间隔 %1").arg(durationText(f.seconds)) + hour;
    case FindingKind::DuplicateSame:
    case FindingKind::DuplicateDifferent:
        return QStringLiteral("与上一条记录时间相同");
    case FindingKind::BackwardStep:
        return QStringLiteral("比上一条记录早 %1").arg(durationText(-f.seconds)) + hour;
    case FindingKind::HourStep:
        return QStringLiteral("间隔 %1").arg(durationText(f.seconds)) + hour;
    case FindingKind::IrregularStep:
        return QStringLiteral("间隔 %1 短于记录间隔").arg(durationText(f.seconds));
    case FindingKind::FlatLine:
        return QStringLiteral("%1 保持 %2 共 %3").arg(name, number(f.extreme), durationText(f.seconds));
    case FindingKind::NotFinite:
        return QStringLiteral("%1 不是有效数值").arg(name);
    case FindingKind::Surcharge:
        return QStringLiteral("最高液位 %1m 共 %2").arg(number(f.extreme), durationText(f.seconds));
    case FindingKind::BelowSediment:
        return QStringLiteral("最低液位 %1m 共 %2").arg(number(f.extreme), durationText(f.seconds));
    case FindingKind::VelocityOutOfRange:
        return QStringLiteral("修正后流速达 %1m/s 共 %2").arg(number(f.extreme), durationText(f.seconds));
    case FindingKind::WeakPower:
        return QStringLiteral("最低电压 %1V 共 %2").arg(number(f.extreme), durationText(f.seconds));
    case FindingKind::WeakSignal:
        return QStringLiteral("最低CSQ %1 共 %2").arg(int(f.extreme)).arg(durationText(f.seconds));
    case FindingKind::ImpossibleTime: {
        const RecordTime &t = f.badTime;
        const QString when = QStringLiteral("%1-%2-%3 %4:%5:%6")
                                 .arg(t.year, 4, 10, QLatin1Char('0'))
                                 .arg(t.month, 2, 10, QLatin1Char('0'))
                                 .arg(t.day, 2, 10, QLatin1Char('0'))
                                 .arg(t.hour, 2, 10, QLatin1Char('0'))
                                 .arg(t.minute, 2, 10, QLatin1Char('0'))
                                 .arg(t.second, 2, 10, QLatin1Char('0'));
        return QStringLiteral("记录时间 %1 不存在 共 %2 条 不计时间和水量")
            .arg(when)
            .arg(f.lastRecord - f.firstRecord + 1);
    }
    case FindingKind::ImpossibleInterval:
        return QStringLiteral("文件记录间隔 %1s 不可能 按记录取 %2s").arg(f.seconds).arg(qint64(f.extreme));
    case FindingKind::ImpossiblePipe:
        return f.reason + QStringLiteral(" 不判断超过管顶");
    case FindingKind::BadCorrection:
        return std::isfinite(f.extreme) ? QStringLiteral("%1修正系数 %2 为负").arg(name, number(f.extreme))
                                        : QStringLiteral("%1修正系数 %2 不是数值 水量无法计算")
                                              .arg(name, QString::number(double(f.extreme)));
    }
    return QString();
}

QString recordRangeText(const Finding &f)
{
    if (f.wholeFile())
        return QStringLiteral("全部");
    if (f.firstRecord == f.lastRecord)
        return QString::number(f.firstRecord + 1);
    return QStringLiteral("%1-%2").arg(f.firstRecord + 1).arg(f.lastRecord + 1);
}

} // namespace lmv
