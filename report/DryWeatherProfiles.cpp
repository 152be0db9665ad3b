#include "report/DryWeatherProfiles.h"

#include <algorithm>
#include <cmath>

namespace lmv::report {

namespace {

constexpr qint64 kDay = 86400;

qint64 dayOf(qint64 seconds)
{
    return seconds >= 0 ? seconds / kDay : -((-seconds + kDay - 1) / kDay);
}

const std::vector<double> &groupOf(const DryWeatherProfiles &profiles, const QDate &date)
{
    return isWeekendDay(profiles, date) ? profiles.weekend : profiles.weekday;
}

} // namespace

DryWeatherProfiles dryWeatherProfiles(const survey::DryWeatherResult &dwf)
{
    DryWeatherProfiles p;
    p.slotSeconds = dwf.intervalSeconds;
    if (dwf.weekday.present())
        p.weekday = dwf.weekday.flow;
    if (dwf.weekend.present())
        p.weekend = dwf.weekend.flow;
    for (qint64 day : dwf.holidays)
        p.holidays.push_back(QDate(1970, 1, 1).addDays(day));
    return p;
}

QDate clockDate(qint64 seconds)
{
    return QDate(1970, 1, 1).addDays(dayOf(seconds));
}

bool isWeekendDay(const DryWeatherProfiles &profiles, const QDate &date)
{
    return date.dayOfWeek() >= 6 || profiles.holidays.contains(date);
}

double profileAt(const DryWeatherProfiles &profiles, qint64 seconds)
{
    if (profiles.slotSeconds <= 0)
        return std::nan("");
    const std::vector<double> &group = groupOf(profiles, clockDate(seconds));
    const qint64 slot = (seconds - dayOf(seconds) * kDay) / profiles.slotSeconds;
    return slot < qint64(group.size()) ? group[std::size_t(slot)] : std::nan("");
}

QVector<QPointF> profileLine(const DryWeatherProfiles &profiles, qint64 from, qint64 to)
{
    QVector<QPointF> line;
    if (profiles.empty() || to < from)
        return line;
    const qint64 slot = profiles.slotSeconds;
    for (qint64 day = dayOf(from - slot); day <= dayOf(to + slot); ++day) {
        const qint64 midnight = day * kDay;
        const std::vector<double> &group = groupOf(profiles, clockDate(midnight));
        for (std::size_t k = 0; k < group.size(); ++k) {
            const qint64 t = midnight + qint64(k) * slot;
            if (t >= from - slot && t <= to + slot && std::isfinite(group[k]))
                line << QPointF(double(t), group[k]);
        }
    }
    return line;
}

bool hourlyMeans(const std::vector<double> &profile, qint64 slotSeconds, std::array<double, 24> &means)
{
    if (slotSeconds <= 0 || qint64(profile.size()) * slotSeconds < kDay)
        return false;
    std::array<double, 24> sum{};
    std::array<double, 24> weight{};
    for (std::size_t k = 0; k < profile.size(); ++k) {
        if (!std::isfinite(profile[k]))
            continue;
        const qint64 start = qint64(k) * slotSeconds;
        const qint64 end = std::min(start + slotSeconds, kDay);
        for (qint64 t = start; t < end;) {
            const int hour = int(t / 3600);
            const qint64 next = std::min(end, qint64(hour + 1) * 3600);
            sum[std::size_t(hour)] += profile[k] * double(next - t);
            weight[std::size_t(hour)] += double(next - t);
            t = next;
        }
    }
    for (std::size_t h = 0; h < 24; ++h) {
        if (weight[h] <= 0.0)
            return false;
        means[h] = sum[h] / weight[h];
    }
    return true;
}

} // namespace lmv::report
