#pragma once

// The data check and the daily table over a joined survey: the findings of the records in
// joined order, and per calendar day (every day of the period, empty days included), per week
// (Monday to Sunday) and over the whole period the records, coverage, volume, mean, lowest and
// highest flow, highest level and time surcharged. Each record's flow counts with its own
// file's corrections, its surcharge against its own file's pipe, under the check's volume rule.

#include "data/SurveyCheck.h"
#include "survey/SurveyJoin.h"
#include "survey/SurveyLayer.h"

#include <QVector>

#include <span>

namespace lmv::survey {

// Days since 1970-01-01 of clock seconds.
qint64 dayOf(qint64 seconds);
// The Monday of the week holding a day.
qint64 mondayOf(qint64 day);

// A week of the daily table.
struct WeekTotal
{
    qint64 monday = 0;  // day number of its Monday
    qsizetype days = 0; // days of the table in this week (fewer at the ends of a survey)
    DayVolume total;    // its days summed (total.day = monday)

    double coverage() const { return total.coverage(days); }
};

struct SurveyFigures
{
    SurveyCheck check;        // findings, with record numbers of the joined layer
    QVector<DayVolume> days;  // every calendar day from the first to the last, by day
    QVector<WeekTotal> weeks; // by Monday
    DayVolume total;          // the whole period (total.day = first day)

    qsizetype dayCount() const { return days.size(); }
    double coverage() const { return total.coverage(days.size()); }
};

// The check and tables of a layer. The table runs over the period's days where its ends are
// set, else from the first record's day to the last. RVB layers have coverage, no volumes.
SurveyFigures checkSurvey(const SurveyLayer &layer, const SurveyPeriod &period = {});

// Records and counted seconds per day of times under the check's volume rule (what the RVB
// table and the overview's coverage use), for the days that have either.
QVector<DayVolume> dayCoverage(std::span<const qint64> times, qint64 nominal);

// Days summed: records, counted time, volume, time surcharged; lowest and highest flow and the
// highest level over the days that have them.
DayVolume sumDays(std::span<const DayVolume> days);

} // namespace lmv::survey
