#pragma once

// Steps between record times: the interval a survey was meant to keep and where it broke it.
// Times are whole seconds on the logger's own clock, counted from 1970-01-01 00:00:00 as if that
// clock were UTC, so RVA calendar times and RVB counters share one axis and no time zone or
// daylight-saving rule of this computer shifts them.

#include "data/Records.h"

#include <QVector>
#include <QtGlobal>

#include <cstdint>
#include <span>
#include <vector>

namespace lmv {

// Seconds of 2014-01-01 00:00:00, where the RVB counters start.
constexpr qint64 kRvbEpochSeconds = 1388534400;

// Clock seconds of an RVA record time; fields out of range are carried arithmetically.
qint64 clockSeconds(const RecordTime &time);
// Clock seconds of RVA record times taken in file order: consecutive records mostly share their
// date, whose day count is worked out once.
class RvaClock
{
public:
    qint64 seconds(const RecordTime &time)
    {
        // Year, month and day compared as one word.
        const std::uint32_t date =
            std::uint32_t(time.year) | std::uint32_t(time.month) << 16 | std::uint32_t(time.day) << 24;
        if (date != m_date || !m_have)
            newDate(time, date);
        return m_midnight + qint64(time.hour * 3600 + time.minute * 60 + time.second);
    }
    // Whether the date of the last time given to seconds() is one that can be (see
    // isPossibleTime; the time of day is the caller's to judge).
    bool datePossible() const { return m_datePossible; }

private:
    void newDate(const RecordTime &time, std::uint32_t date);

    std::uint32_t m_date = 0;
    qint64 m_midnight = 0;
    bool m_have = false;
    bool m_datePossible = false;
};
// The RVA record time of clock seconds (years outside 0..65535 are clamped to them).
RecordTime recordTimeOf(qint64 seconds);
// Clock seconds of an RVB record.
inline qint64 clockSeconds(const RvbRecord &record)
{
    return kRvbEpochSeconds + qint64(record.timeSeconds);
}
// Clock seconds of every record, in file order.
std::vector<qint64> clockSeconds(const std::vector<RvaRecord> &records);
std::vector<qint64> clockSeconds(const std::vector<RvbRecord> &records);

// Whether an RVA record time names a moment that can be: year 1970 to 2099, month 1 to 12, a day
// of that month, hour, minute and second in range. Other times are carried arithmetically by
// clockSeconds into some other day; the data check reports them and counts them for nothing.
bool isPossibleTime(const RecordTime &time);
// One flag per record, 1 where its time is possible; empty when every time is (the usual case).
std::vector<std::uint8_t> possibleTimes(const std::vector<RvaRecord> &records);

// Longest record interval a file's header can hold; no logger records less than once a day.
constexpr qint64 kMaxRecordIntervalSeconds = 86400;
// A header interval that is set (non-zero) yet longer than a day is damage, not a setting.
inline bool recordIntervalPossible(quint32 seconds)
{
    return seconds <= quint32(kMaxRecordIntervalSeconds);
}

// The most common positive step between consecutive times (the shorter on a tie); 0 when none.
qint64 mostCommonStep(std::span<const qint64> times);
// The file's record interval where it is set (non-zero) and possible, else the most common
// positive step.
qint64 nominalInterval(quint32 recordIntervalSeconds, std::span<const qint64> times);

// A step is a gap when it is longer than twice the nominal interval (never when that is 0).
inline bool isGapStep(qint64 step, qint64 nominal)
{
    return nominal > 0 && step > 2 * nominal;
}

// A time range in clock seconds, start <= end.
struct TimeSpan
{
    qint64 start = 0;
    qint64 end = 0;
};

// A gap between the record at index `before` and the next one.
struct TimeGap
{
    qsizetype before = 0;
    qint64 start = 0; // time of record `before`
    qint64 end = 0;   // time of record `before + 1`
    qint64 seconds() const { return end - start; }
};

// Every gap of the times, in file order.
QVector<TimeGap> findGaps(std::span<const qint64> times, qint64 nominal);

} // namespace lmv
