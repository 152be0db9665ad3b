#pragma once

// Rain in the survey window: the hyetograph above the hydrograph's panes and the "降雨事件" page,
// both of the gauge the shown point's figures use (the assigned gauge covering most of the
// survey's time). Both appear only when such a gauge covers some of that time.

#include "survey/RainSeries.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Hyetograph;
class StormEventsPage;
class SurveyWindow;

namespace lmv::survey {
class ProjectDb;
}

// The gauge a point's survey over (from, to] shows, if any.
struct SurveyRainChoice
{
    QString gauge; // empty: no rain is shown
    lmv::survey::RainSeries series;
    qint64 coveredSeconds = 0; // of the survey's time
    QStringList problems;      // assigned gauges that could not be read, with why

    bool shown() const { return !gauge.isEmpty(); }
};
SurveyRainChoice surveyRainFor(const lmv::survey::ProjectDb *db, const QString &point, qint64 from,
                               qint64 to);

class SurveyRain : public QObject
{
    Q_OBJECT

public:
    // Adds the hyetograph to the window's hydrograph and the events page to its pages.
    explicit SurveyRain(SurveyWindow *window);

    // Reads the shown point's rain again (the survey changed).
    void refresh();
    // Shows no rain.
    void clear();

    const SurveyRainChoice &choice() const { return m_choice; }
    Hyetograph *hyetograph = nullptr;
    StormEventsPage *eventsPage = nullptr;
    int eventsPageIndex = -1;

private:
    SurveyWindow *m_window;
    SurveyRainChoice m_choice;
};
