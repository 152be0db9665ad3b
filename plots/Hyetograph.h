#pragma once

// The hyetograph over a hydrograph: a gauge's rain as bars hanging from the top of a pane above
// the flow panes, on the same time axis. The bars are the gauge's intervals, or sums of them
// when the shown time would make them thinner than a few pixels (tips are always summed). The
// pane follows the hydrograph's zoom, pan and cursors, and zooming, panning or a click in it act
// on the hydrograph. The readout in the pane's corner names the bar under the mouse: its time,
// depth and intensity. The hydrograph's cursor line gains the rain between the cursors.

#include "plots/RainBarItem.h"
#include "survey/RainSeries.h"

#include <QString>
#include <QWidget>

#include <optional>

class Hydrograph;
class PlotNavigator;
class QwtPlot;
class QwtPlotMarker;
class QwtPlotTextLabel;

// Bars shown at most over the shown time.
constexpr int kHyetographMaxBars = 300;

// The bar length for showing rangeSeconds of a gauge: its interval when that keeps to maxBars,
// else the shortest of 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h and 1 day that is a multiple of it and
// does; tips (interval 0) start at 5 min.
qint64 hyetographBin(qint64 gaugeIntervalSeconds, double rangeSeconds, int maxBars = kHyetographMaxBars);

// The rain with times in (from, to] as bars of binSeconds starting at whole multiples of it on the
// clock: an interval or tip counts in the bar (start, start + bin] that holds its time. Bars
// without rain are left out.
RainBars hyetographBars(const lmv::survey::RainSeries &rain, qint64 binSeconds, qint64 from, qint64 to);

// The bar whose time (start, start + bin] holds a time; none outside every bar.
struct RainBarAt
{
    qint64 start = 0;
    qint64 end = 0;
    double depthMm = 0.0;
    double mmPerHour() const { return end > start ? depthMm * 3600.0 / double(end - start) : 0.0; }
};
std::optional<RainBarAt> rainBarAt(const RainBars &bars, double seconds);

// "降雨 3.4 mm": the rain between two times as the cursor line writes it.
QString rainDepthText(double depthMm);

class Hyetograph : public QWidget
{
    Q_OBJECT

public:
    explicit Hyetograph(QWidget *parent = nullptr);
    ~Hyetograph() override;

    // Puts the pane above the hydrograph's panes and follows it; once.
    void follow(Hydrograph *hydrograph);
    // Shows a gauge's rain (the pane shows itself); the hydrograph's cursor line gains its depth.
    void setRain(lmv::survey::RainSeries rain, const QString &gauge);
    // No rain: the pane hides and the cursor line loses the depth.
    void clearRain();
    // Offers a gauge's rain to a hydrograph whose records come and go (a record window's): the
    // rain is shown while the records lie partly in the gauge's record, hidden otherwise. An
    // empty series withdraws the offer.
    void offerRain(lmv::survey::RainSeries rain, const QString &gauge);
    bool hasRain() const { return !m_rain.empty(); }
    const lmv::survey::RainSeries &rain() const { return m_rain; }
    const QString &gauge() const { return m_gauge; }

    // The bars drawn for the shown time.
    const RainBars &bars() const;
    // The readout of the bar at a time ("03-12 14:00–14:05  1.2 mm  14.4 mm/h"), or of the bar
    // length when no bar is there.
    QString readoutText(double seconds) const;
    QString shownReadout() const;

    QwtPlot *pane = nullptr;

private:
    void viewChanged(double from, double to);
    void alignAxis();
    void showCursors();
    void hoverAt(double seconds);
    void takeOffer();

    Hydrograph *m_hydrograph = nullptr;
    PlotNavigator *m_navigator = nullptr;
    RainBarItem *m_bars = nullptr;
    QwtPlotTextLabel *m_readout = nullptr;
    QwtPlotTextLabel *m_corner = nullptr; // the title when the flow panes write theirs there
    QwtPlotMarker *m_cursorA = nullptr;
    QwtPlotMarker *m_cursorB = nullptr;
    lmv::survey::RainSeries m_rain;
    QString m_gauge;
    lmv::survey::RainSeries m_offered;
    QString m_offeredGauge;
    qint64 m_bin = 0;
    bool m_forwarding = false;
};
