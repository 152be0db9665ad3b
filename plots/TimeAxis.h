#pragma once

// The time axis of the hydrograph: values are clock seconds (the logger's own clock, counted
// as UTC from 1970), ticks fall on whole minutes, hours and days, and labels show what the
// tick step needs (days, hours and minutes, or seconds).

#include <qwt_date_scale_engine.h>
#include <qwt_scale_draw.h>

class QFontMetrics;
class QwtPlot;

// Tick placement on calendar boundaries for an axis in clock seconds.
class ClockScaleEngine : public QwtDateScaleEngine
{
public:
    ClockScaleEngine();
    void autoScale(int maxNumSteps, double &x1, double &x2, double &stepSize) const override;
    QwtScaleDiv divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                            double stepSize = 0.0) const override;
};

// Tick labels of an axis in clock seconds, formatted by the major tick step. The year is
// written when the axis spans more than one year or a year other than the reference year (the
// current one unless set); labels without a date (steps below an hour) then write the date with
// the year before the first tick's time.
class ClockScaleDraw : public QwtScaleDraw
{
public:
    QwtText label(double seconds) const override;
    // The year labels are read against (0: the current year).
    void setReferenceYear(int year) { m_referenceYear = year; }
    // Whether the labels of the axis's present scale write the year.
    bool needsYear() const;

private:
    int m_referenceYear = 0;
};

// The label format for a major tick step in seconds ("MM-dd", "MM-dd hh:mm", "hh:mm:ss"), with
// the year in front when `withYear` ("yyyy-MM-dd", "yyyy-MM-dd hh:mm"; times alone stay).
QString clockLabelFormat(double stepSeconds, bool withYear = false);
// Whether the labels of an axis over [from, to] (clock seconds) need the year.
bool clockAxisNeedsYear(double from, double to, int referenceYear);
// A clock time as text, "yyyy-MM-dd hh:mm:ss".
QString clockText(double seconds);
// A duration as text: "2天 03:04:05" or "03:04:05".
QString durationText(double seconds);

// Puts the clock axis on a pane's bottom axis. Its labels are kept apart: the axis takes as many
// major steps as labels fit in its width (1 to 8), whenever the pane is resized or rescaled.
void useClockAxis(QwtPlot *pane);
// The most major steps over a span of that many seconds whose labels fit apart in `width` pixels
// of an axis in the font's metrics.
int clockAxisMaxMajor(int width, const QFontMetrics &metrics, bool withYear, double spanSeconds);
