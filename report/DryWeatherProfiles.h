#pragma once

// A point's dry-weather profiles as the report and the model files take them: flow (L/s) per
// time-of-day slot for weekdays and for weekends (holidays counted as weekend days).

#include "survey/DryWeather.h"

#include <QDate>
#include <QPointF>
#include <QVector>
#include <QtGlobal>

#include <array>
#include <vector>

namespace lmv::report {

struct DryWeatherProfiles
{
    std::vector<double> weekday; // per slot from midnight; empty: no weekday profile
    std::vector<double> weekend;
    qint64 slotSeconds = 0;
    QVector<QDate> holidays; // days of the weekend group though they fall on a weekday

    bool empty() const { return slotSeconds <= 0 || (weekday.empty() && weekend.empty()); }
};

// The profiles of a point's dry-weather flow (flow per slot, holidays as dates).
DryWeatherProfiles dryWeatherProfiles(const survey::DryWeatherResult &dwf);

// The calendar date of clock seconds (the loggers' clock, counted as UTC).
QDate clockDate(qint64 seconds);
// Whether a date belongs to the weekend group: Saturday, Sunday or a listed holiday.
bool isWeekendDay(const DryWeatherProfiles &profiles, const QDate &date);
// The profile of a time's group at the time's slot; NaN when that group has no profile.
double profileAt(const DryWeatherProfiles &profiles, qint64 seconds);
// The profile over [from, to] as a line: a point at the start of every slot (one slot beyond
// each end), each day taking its group's profile; days whose group has none are left out.
QVector<QPointF> profileLine(const DryWeatherProfiles &profiles, qint64 from, qint64 to);

// Mean of a profile in each hour of the day, slots weighted by the time they share with the hour;
// NaN slots are skipped. False when the profile does not cover the day or an hour has no value.
bool hourlyMeans(const std::vector<double> &profile, qint64 slotSeconds, std::array<double, 24> &means);

} // namespace lmv::report
