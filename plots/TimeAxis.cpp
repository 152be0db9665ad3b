#include "plots/TimeAxis.h"

#include <QDateTime>
#include <QEvent>
#include <QFontMetrics>
#include <QResizeEvent>

#include <qwt_plot.h>
#include <qwt_scale_div.h>
#include <qwt_scale_widget.h>

#include <algorithm>
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

bool ClockScaleDraw::needsYear() const
{
    const int reference = m_referenceYear > 0 ? m_referenceYear : QDate::currentDate().year();
    return clockAxisNeedsYear(scaleDiv().lowerBound(), scaleDiv().upperBound(), reference);
}

QwtText ClockScaleDraw::label(double seconds) const
{
    const QList<double> ticks = scaleDiv().ticks(QwtScaleDiv::MajorTick);
    const double step = ticks.size() > 1 ? std::abs(ticks.at(1) - ticks.at(0)) : 86400.0;
    const bool year = needsYear();
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

int clockAxisMaxMajor(int width, const QFontMetrics &metrics, bool withYear, double spanSeconds)
{
    // The most ticks whose labels, in the form their step gives, fit apart with two digits' room
    // between them; the first and last labels hang half out of the canvas, which the axis makes
    // room for.
    for (int most = 8; most > 1; --most) {
        QString longest = clockLabelFormat(std::abs(spanSeconds) / most, withYear);
        for (QChar &c : longest)
            if (c.isLetter())
                c = QLatin1Char('0');
        const int label = std::max(1, metrics.horizontalAdvance(longest + QStringLiteral("00")));
        if ((width - label) / label >= most)
            return most;
    }
    return 1;
}

namespace {

// Sets the major ticks of a pane's clock axis from its width whenever the pane is resized or the
// axis takes a new scale (its labels may then gain or lose the year).
class ClockAxisFit : public QObject
{
public:
    explicit ClockAxisFit(QwtPlot *pane) : QObject(pane), m_pane(pane)
    {
        pane->installEventFilter(this);
        connect(pane->axisWidget(QwtPlot::xBottom), &QwtScaleWidget::scaleDivChanged, this, [this] {
            QMetaObject::invokeMethod(
                this, [this] { fit(m_pane->width()); }, Qt::QueuedConnection);
        });
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_pane && event->type() == QEvent::Resize)
            fit(static_cast<QResizeEvent *>(event)->size().width());
        return false;
    }

private:
    void fit(int paneWidth)
    {
        const auto *draw = dynamic_cast<const ClockScaleDraw *>(m_pane->axisScaleDraw(QwtPlot::xBottom));
        if (!draw)
            return;
        const QWidget *left = m_pane->axisWidget(QwtPlot::yLeft);
        const int width = paneWidth - (m_pane->axisEnabled(QwtPlot::yLeft) && left ? left->width() : 0);
        const QwtScaleDiv &div = m_pane->axisScaleDiv(QwtPlot::xBottom);
        const int most = clockAxisMaxMajor(width, QFontMetrics(m_pane->axisWidget(QwtPlot::xBottom)->font()),
                                           draw->needsYear(), div.upperBound() - div.lowerBound());
        if (most == m_pane->axisMaxMajor(QwtPlot::xBottom))
            return;
        m_pane->setAxisMaxMajor(QwtPlot::xBottom, most);
        m_pane->replot();
    }

    QwtPlot *m_pane;
};

} // namespace

void useClockAxis(QwtPlot *pane)
{
    pane->setAxisScaleEngine(QwtPlot::xBottom, new ClockScaleEngine);
    pane->setAxisScaleDraw(QwtPlot::xBottom, new ClockScaleDraw);
    new ClockAxisFit(pane);
}
