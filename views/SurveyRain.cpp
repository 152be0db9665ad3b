#include "views/SurveyRain.h"

#include "plots/Hydrograph.h"
#include "plots/Hyetograph.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "views/StormEventsPage.h"
#include "views/SurveyWindow.h"

#include <QLabel>

using namespace lmv::survey;

SurveyRainChoice surveyRainFor(const ProjectDb *db, const QString &point, qint64 from, qint64 to)
{
    SurveyRainChoice choice;
    if (!db || !db->readable() || point.isEmpty() || to <= from)
        return choice;
    PointRain rain = pointRain(*db, point, from, to);
    choice.problems = rain.problems;
    if (!rain.gauge || rain.coveredSeconds <= 0)
        return choice;
    choice.gauge = rain.gauge->name;
    choice.series = std::move(rain.series);
    choice.coveredSeconds = rain.coveredSeconds;
    return choice;
}

SurveyRain::SurveyRain(SurveyWindow *window) : QObject(window), m_window(window)
{
    hyetograph = new Hyetograph(window->hydrograph);
    hyetograph->follow(window->hydrograph);
    eventsPage = new StormEventsPage;
    eventsPageIndex = window->addPage(QStringLiteral("降雨事件"), eventsPage);
    window->setPageAvailable(eventsPageIndex, false);
    connect(window, &SurveyWindow::surveyChanged, this, &SurveyRain::refresh);
    connect(eventsPage, &StormEventsPage::rangeRequested, this, [this](qint64 from, qint64 to) {
        m_window->showPage(SurveyWindow::HydrographPage);
        m_window->hydrograph->setTimeRange(double(from), double(to));
        m_window->statusLabel->setText(QStringLiteral("过程线显示降雨事件及其前后"));
    });
}

void SurveyRain::refresh()
{
    const lmv::SurveyContent &content = m_window->content();
    if (!content.loaded()) {
        clear();
        return;
    }
    const QString point = content.target().point.name;
    // The survey's first record stands for the interval before it.
    const qint64 from = content.firstTime() - std::max<qint64>(content.layer().intervalSeconds, 1);
    m_choice = surveyRainFor(m_window->database(), point, from, content.lastTime());
    if (!m_choice.shown()) {
        hyetograph->clearRain();
        eventsPage->clear();
        m_window->setPageAvailable(eventsPageIndex, false);
        return;
    }
    hyetograph->setRain(m_choice.series, m_choice.gauge);
    eventsPage->showGauge(m_window->database(), point, m_choice.gauge, m_choice.series);
    m_window->setPageAvailable(eventsPageIndex, true);
}

void SurveyRain::clear()
{
    m_choice = SurveyRainChoice();
    hyetograph->clearRain();
    eventsPage->clear();
    m_window->setPageAvailable(eventsPageIndex, false);
}
