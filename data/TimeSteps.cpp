#include "data/TimeSteps.h"

#include <algorithm>
#include <unordered_map>

namespace lmv {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (month and day may lie out of range).
qint64 daysFromCivil(qint64 y, qint64 m, qint64 d)
{
    y -= m <= 2 ? 1 : 0;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 mp = (m + 9) % 12;
    const qint64 doy = (153 * mp + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

template <typename Record>
std::vector<qint64> secondsOf(const std::vector<Record> &records)
{
    std::vector<qint64> out;
    out.reserve(records.size());
    if constexpr (std::is_same_v<Record, RvaRecord>) {
        RvaClock clock;
        for (const Record &r : records)
            out.push_back(clock.seconds(r.time));
    } else {
        for (const Record &r : records)
            out.push_back(clockSeconds(r));
    }
    return out;
}

// Proleptic Gregorian date of a day count from 1970-01-01 (the inverse of daysFromCivil).
void civilFromDays(qint64 z, qint64 &y, unsigned &m, unsigned &d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = unsigned(doy - (153 * mp + 2) / 5 + 1);
    m = unsigned(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

} // namespace

RecordTime recordTimeOf(qint64 seconds)
{
    const qint64 day = seconds >= 0 ? seconds / 86400 : -((86399 - seconds) / 86400);
    const qint64 rest = seconds - day * 86400;
    qint64 y = 0;
    unsigned m = 1, d = 1;
    civilFromDays(day, y, m, d);
    RecordTime t;
    t.year = quint16(std::clamp<qint64>(y, 0, 65535));
    t.month = quint8(m);
    t.day = quint8(d);
    t.hour = quint8(rest / 3600);
    t.minute = quint8(rest / 60 % 60);
    t.second = quint8(rest % 60);
    return t;
}

void RvaClock::newDate(const RecordTime &t, std::uint32_t date)
{
    RecordTime midnight = t;
    midnight.hour = midnight.minute = midnight.second = 0;
    m_midnight = clockSeconds(midnight);
    m_date = date;
    m_have = true;
    m_datePossible = isPossibleTime(midnight);
}

qint64 clockSeconds(const RecordTime &t)
{
    // A month outside 1..12 is folded into the year so that the day count stays defined.
    qint64 year = t.year;
    qint64 month = t.month;
    if (month < 1 || month > 12) {
        const qint64 m0 = month - 1;
        year += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
        month = ((m0 % 12) + 12) % 12 + 1;
    }
    return daysFromCivil(year, month, t.day) * 86400 + qint64(t.hour) * 3600 + qint64(t.minute) * 60 +
           qint64(t.second);
}

std::vector<qint64> clockSeconds(const std::vector<RvaRecord> &records)
{
    return secondsOf(records);
}

std::vector<qint64> clockSeconds(const std::vector<RvbRecord> &records)
{
    return secondsOf(records);
}

qint64 mostCommonStep(std::span<const qint64> times)
{
    // Steps of up to an hour are counted in a table; longer ones, rare, in a map. Regular
    // surveys repeat one step: runs of equal steps are counted at once.
    constexpr qint64 kTableSteps = 3601;
    std::vector<qsizetype> table(std::size_t(std::min<qint64>(kTableSteps, qint64(times.size()) + 1)), 0);
    std::unordered_map<qint64, qsizetype> counts;
    auto add = [&](qint64 step, qsizetype n) {
        if (step < qint64(table.size()))
            table[std::size_t(step)] += n;
        else
            counts[step] += n;
    };
    qint64 runStep = 0;
    qsizetype runLength = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        const qint64 step = times[i] - times[i - 1];
        if (step <= 0)
            continue;
        if (step == runStep) {
            ++runLength;
            continue;
        }
        if (runLength > 0)
            add(runStep, runLength);
        runStep = step;
        runLength = 1;
    }
    if (runLength > 0)
        add(runStep, runLength);
    qint64 best = 0;
    qsizetype bestCount = 0;
    for (std::size_t step = 1; step < table.size(); ++step) {
        if (table[step] > bestCount) {
            best = qint64(step);
            bestCount = table[step];
        }
    }
    for (const auto &[step, count] : counts) {
        if (count > bestCount || (count == bestCount && step < best)) {
            best = step;
            bestCount = count;
        }
    }
    return best;
}

qint64 nominalInterval(quint32 recordIntervalSeconds, std::span<const qint64> times)
{
    return recordIntervalSeconds > 0 && recordIntervalPossible(recordIntervalSeconds)
               ? qint64(recordIntervalSeconds)
               : mostCommonStep(times);
}

bool isPossibleTime(const RecordTime &t)
{
    if (t.year < 1970 || t.year > 2099 || t.month < 1 || t.month > 12 || t.day < 1)
        return false;
    static constexpr quint8 kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    return t.day <= days && t.hour < 24 && t.minute < 60 && t.second < 60;
}

std::vector<std::uint8_t> possibleTimes(const std::vector<RvaRecord> &records)
{
    std::vector<std::uint8_t> flags;
    // Consecutive records mostly share their date: it is judged once per date.
    std::uint32_t date = ~0u;
    bool dateOk = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordTime &t = records[i].time;
        const std::uint32_t d =
            std::uint32_t(t.year) | std::uint32_t(t.month) << 16 | std::uint32_t(t.day) << 24;
        if (d != date) {
            date = d;
            dateOk = isPossibleTime(RecordTime{0, 0, 0, 0, t.year, t.month, t.day});
        }
        const bool ok = dateOk && t.hour < 24 && t.minute < 60 && t.second < 60;
        if (!ok && flags.empty())
            flags.assign(records.size(), 1);
        if (!flags.empty())
            flags[i] = ok ? 1 : 0;
    }
    return flags;
}

QVector<TimeGap> findGaps(std::span<const qint64> times, qint64 nominal)
{
    QVector<TimeGap> gaps;
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (isGapStep(times[i] - times[i - 1], nominal))
            gaps.push_back({qsizetype(i - 1), times[i - 1], times[i]});
    }
    return gaps;
}

} // namespace lmv
