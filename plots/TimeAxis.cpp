#include "plots/TimeAxis.h"

#include <QDateTime>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>

namespace {

QwtScaleDiv scaled(const QwtScaleDiv &div, double factor)
{
    QList<double> ticks[QwtScaleDiv::NTickTypes];
    for (int type = 0; type < QwtScaleDiv::NTickTypes; ++type)
        for (double t : div.ticks(type))
            ticks[type] << t * factor;
    return QwtScaleDiv(div.lowerBound() * factor, div.upperBound() * factor, ticks);
}

} // namespace

ClockScaleEngine::ClockScaleEngine() : QwtDateScaleEngine(Qt::UTC) {}

void ClockScaleEngine::autoScale(int maxNumSteps, double &x1, double &x2, double &stepSize) const
{
    x1 *= 1000.0;
    x2 *= 1000.0;
    QwtDateScaleEngine::autoScale(maxNumSteps, x1, x2, stepSize);
    x1 /= 1000.0;
    x2 /= 1000.0;
    stepSize /= 1000.0;
}

QwtScaleDiv ClockScaleEngine::divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                                          double stepSize) const
{
    // The date engine counts milliseconds; the axis counts seconds.
    const QwtScaleDiv div = QwtDateScaleEngine::divideScale(x1 * 1000.0, x2 * 1000.0, maxMajorSteps,
                                                            maxMinorSteps, stepSize * 1000.0);
    return scaled(div, 0.001);
}

QString clockLabelFormat(double step, bool withYear)
{
    const QString year = withYear ? QStringLiteral("yyyy-") : QString();
    if (step >= 86400.0)
        return year + QStringLiteral("MM-dd");
    if (step >= 3600.0)
        return year + QStringLiteral("MM-dd hh:mm");
    if (step >= 60.0)
        return QStringLiteral("hh:mm");
    return QStringLiteral("hh:mm:ss");
}

bool clockAxisNeedsYear(double from, double to, int referenceYear)
{
    const int first = QDateTime::fromSecsSinceEpoch(qRound64(std::min(from, to)), Qt::UTC).date().year();
    const int last = QDateTime::fromSecsSinceEpoch(qRound64(std::max(from, to)), Qt::UTC).date().year();
    return first != last || first != referenceYear;
}

QwtText ClockScaleDraw::label(double seconds) const
{
    const QList<double> ticks = scaleDiv().ticks(QwtScaleDiv::MajorTick);
    const double step = ticks.size() > 1 ? std::abs(ticks.at(1) - ticks.at(0)) : 86400.0;
    const int reference = m_referenceYear > 0 ? m_referenceYear : QDate::currentDate().year();
    const bool year = clockAxisNeedsYear(scaleDiv().lowerBound(), scaleDiv().upperBound(), reference);
    const QDateTime t = QDateTime::fromSecsSinceEpoch(qRound64(seconds), Qt::UTC);
    QString text = t.toString(clockLabelFormat(step, year));
    // Times alone name no day: the first tick carries the date with the year in front (on the
    // same line: the axis makes room for its width at the end, not for a second line).
    if (year && step < 3600.0 && !ticks.isEmpty() && seconds == ticks.first())
        text = t.toString(QStringLiteral("yyyy-MM-dd ")) + text;
    return QwtText(text);
}

QString clockText(double seconds)
{
    return QDateTime::fromSecsSinceEpoch(qRound64(seconds), Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString durationText(double seconds)
{
    const bool negative = seconds < 0;
    qint64 s = qRound64(std::abs(seconds));
    const qint64 days = s / 86400;
    s %= 86400;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(s / 3600, 2, 10, QLatin1Char('0'))
                       .arg(s % 3600 / 60, 2, 10, QLatin1Char('0'))
                       .arg(s % 60, 2, 10, QLatin1Char('0'));
    if (days > 0)
        text = QStringLiteral("%1天 ").arg(days) + text;
    return negative ? QLatin1Char('-') + text : text;
}

void useClockAxis(QwtPlot *pane)
{
    pane->setAxisScaleEngine(QwtPlot::xBottom, new ClockScaleEngine);
    pane->setAxisScaleDraw(QwtPlot::xBottom, new ClockScaleDraw);
}
