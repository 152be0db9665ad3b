#pragma once

// The dry-weather flow over a survey's hydrograph: the profile as a dashed line under the flow
// (each day its group's profile; a group without one borrows the other's, as the inflow does) and
// each storm's inflow as a shaded band between the profile and the flow from the rain's start to
// the end of its response time. The lines are worked out by plain functions in L/s; the overlay
// only puts them on the flow pane in its shown unit.

#include "plots/BandItem.h"
#include "survey/Rdii.h"

#include <QPointer>
#include <QVector>

class Hydrograph;
class QwtPlot;
class QwtPlotItem;

// The profile flow (L/s) at a clock time; NaN without a profile or interval.
double dwfProfileAt(const lmv::survey::DryWeatherResult &dwf, qint64 seconds);
// The profile from `from` to `to` as a line: a point at every slot's start, one slot beyond each
// end; NaN slots break it (their points are left out and the line is split there).
QVector<QVector<QPointF>> dwfProfileLines(const lmv::survey::DryWeatherResult &dwf, qint64 from, qint64 to);
// The inflow of one event as a band: at every record inside its window the profile (low) and the
// flow where it is above the profile (high; else the profile), in L/s.
QVector<BandPoint> rdiiBand(const lmv::survey::SurveyLayer &layer, const lmv::survey::DryWeatherResult &dwf,
                            const lmv::survey::RdiiEvent &event);

class DwfOverlay
{
public:
    ~DwfOverlay();
    // Puts the profile and the bands (L/s, scaled by flowFactor to the shown unit) on the flow pane
    // of the hydrograph, replacing what this overlay showed before; nothing without a flow pane.
    void show(Hydrograph *hydrograph, const QVector<QVector<QPointF>> &profile,
              const QVector<QVector<BandPoint>> &bands, double flowFactor);
    // Takes everything this overlay put on the pane away.
    void clear();
    // Profile lines and bands shown (tests).
    int lineCount() const { return int(m_lines.size()); }
    int bandCount() const { return int(m_bands.size()); }

private:
    QPointer<QwtPlot> m_pane; // items attached to a pane die with it
    QVector<QwtPlotItem *> m_lines;
    QVector<BandItem *> m_bands;
};
