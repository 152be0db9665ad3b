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

private:
    void newDate(const RecordTime &time, std::uint32_t date);

    std::uint32_t m_date = 0;
    qint64 m_midnight = 0;
    bool m_have = false;
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

// The most common positive step between consecutive times (the shorter on a tie); 0 when none.
qint64 mostCommonStep(std::span<const qint64> times);
// The file's record interval where it is set (non-zero), else the most common positive step.
qint64 nominalInterval(quint32 recordIntervalSeconds, std::span<const qint64> times);

// A step is a gap when it is longer than twice the nominal interval (never when that is 0).
inline bool isGapStep(qint64 step, qint64 nominal)
{
    return nominal > 0 && step > 2 * nominal;
}

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
