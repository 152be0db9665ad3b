#pragma once

// "降雨事件": the storm events of the gauge a survey's point uses, one row each (start, end,
// duration, depth, peak 5/15/60-minute intensity, dry time before, whether it can verify a
// model), the minor rain counted below, and the thresholds that separate and judge them. The
// thresholds are kept per point in the project database when it can be written. A click on an
// event asks for the hydrograph over it.

#include "survey/StormEvents.h"

#include <QPair>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QTableWidget;

namespace lmv::survey {
class ProjectDb;
}

// The time range a click on an event shows: the event with a margin of half its duration, at
// least an hour, on either side.
QPair<qint64, qint64> stormEventViewRange(const lmv::survey::StormEvent &event);

// The thresholds a point keeps in the project database (defaults where unset or unusable).
lmv::survey::StormEventOptions storedStormEventOptions(const lmv::survey::ProjectDb *db,
                                                       const QString &point);
// Keeps them; false when the database cannot be written.
bool storeStormEventOptions(lmv::survey::ProjectDb *db, const QString &point,
                            const lmv::survey::StormEventOptions &options, QString *error = nullptr);

class StormEventsPage : public QWidget
{
    Q_OBJECT

public:
    explicit StormEventsPage(QWidget *parent = nullptr);

    // Shows the events of a gauge's record for a point; db may be null (thresholds not kept).
    void showGauge(lmv::survey::ProjectDb *db, const QString &point, const QString &gauge,
                   lmv::survey::RainSeries rain);
    // Nothing shown.
    void clear();

    const lmv::survey::StormEventList &events() const { return m_events; }
    lmv::survey::StormEventOptions options() const;

    QLabel *summaryLabel = nullptr;
    QDoubleSpinBox *interEventBox = nullptr;
    QDoubleSpinBox *minDepthBox = nullptr;
    QDoubleSpinBox *verifyDepthBox = nullptr;
    QDoubleSpinBox *verifyPeakBox = nullptr;
    QLabel *problemLabel = nullptr;
    QTableWidget *table = nullptr;

signals:
    // The user clicked an event: the time range to show (stormEventViewRange).
    void rangeRequested(qint64 from, qint64 to);

private:
    void thresholdsChanged();
    void findEvents();
    void fillTable();

    lmv::survey::ProjectDb *m_db = nullptr;
    QString m_point;
    QString m_gauge;
    lmv::survey::RainSeries m_rain;
    lmv::survey::StormEventList m_events;
    bool m_setting = false;
};
