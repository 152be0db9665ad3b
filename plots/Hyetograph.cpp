#include "plots/Hyetograph.h"

#include "plots/Hydrograph.h"
#include "plots/PlotNavigator.h"
#include "plots/TimeAxis.h"
#include "survey/GaugeStore.h"

#include <QVBoxLayout>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>

using lmv::survey::RainSeries;

namespace {

// As the hydrograph's panes: room at both ends of the time axis so that the canvases line up.
constexpr int kAxisBorder = 48;
const QColor kCursorAColour(220, 0, 0);
const QColor kCursorBColour(0, 0, 220);

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

QString hhmm(qint64 seconds)
{
    return clockText(double(seconds)).mid(5, 11); // "MM-dd HH:mm"
}

} // namespace

qint64 hyetographBin(qint64 gaugeIntervalSeconds, double rangeSeconds, int maxBars)
{
    const qint64 gauge = gaugeIntervalSeconds > 0 ? gaugeIntervalSeconds : 300;
    const double wanted = rangeSeconds / double(std::max(maxBars, 1));
    if (gaugeIntervalSeconds > 0 && double(gauge) >= wanted)
        return gauge;
    static constexpr qint64 kSteps[] = {300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (const qint64 step : kSteps)
        if (double(step) >= wanted && step >= gauge && step % gauge == 0)
            return step;
    // Beyond a day, or a gauge of an odd interval: whole multiples of its interval.
    return std::max<qint64>(1, qint64(std::ceil(wanted / double(gauge)))) * gauge;
}

RainBars hyetographBars(const RainSeries &rain, qint64 binSeconds, qint64 from, qint64 to)
{
    RainBars bars;
    bars.intervalSeconds = binSeconds;
    if (binSeconds <= 0 || to <= from)
        return bars;
    const auto first = std::upper_bound(rain.times.begin(), rain.times.end(), from);
    const auto last = std::upper_bound(first, rain.times.end(), to);
    for (auto it = first; it != last; ++it) {
        const double depth = rain.depthMm[std::size_t(it - rain.times.begin())];
        if (!(depth > 0.0))
            continue;
        const qint64 start = floorDiv(*it - 1, binSeconds) * binSeconds;
        if (bars.starts.empty() || bars.starts.back() != start) {
            bars.starts.push_back(start);
            bars.depthMm.push_back(0.0);
        }
        bars.depthMm.back() += depth;
    }
    return bars;
}

std::optional<RainBarAt> rainBarAt(const RainBars &bars, double seconds)
{
    if (bars.empty())
        return std::nullopt;
    // The last bar starting before the time.
    const auto it = std::lower_bound(bars.starts.begin(), bars.starts.end(), seconds);
    if (it == bars.starts.begin())
        return std::nullopt;
    const std::size_t i = std::size_t(it - bars.starts.begin()) - 1;
    const qint64 start = bars.starts[i];
    if (seconds > double(start + bars.intervalSeconds))
        return std::nullopt;
    return RainBarAt{start, start + bars.intervalSeconds, bars.depthMm[i]};
}

QString rainDepthText(double depthMm)
{
    return QStringLiteral("降雨 %1 mm").arg(depthMm, 0, 'f', 1);
}

Hyetograph::Hyetograph(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pane = new QwtPlot(this);
    pane->setCanvasBackground(Qt::white);
    pane->setMinimumHeight(50);
    if (auto *canvas = qobject_cast<QwtPlotCanvas *>(pane->canvas())) {
        canvas->setFrameStyle(int(QFrame::Box) | int(QFrame::Plain));
        canvas->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
    }
    useClockAxis(pane);
    pane->plotLayout()->setAlignCanvasToScales(true);
    pane->axisWidget(QwtPlot::xBottom)->setMinBorderDist(kAxisBorder, kAxisBorder);
    pane->axisScaleDraw(QwtPlot::xBottom)->enableComponent(QwtAbstractScaleDraw::Labels, false);
    pane->setAxisMaxMajor(QwtPlot::yLeft, 3);
    pane->setAxisMaxMinor(QwtPlot::yLeft, 2);
    layout->addWidget(pane);

    auto *grid = new QwtPlotGrid;
    grid->setPen(QColor(225, 225, 225), 0, Qt::SolidLine);
    grid->attach(pane);
    m_bars = new RainBarItem;
    m_bars->attach(pane);
    m_readout = new QwtPlotTextLabel;
    m_readout->setMargin(2);
    m_readout->setZ(30);
    m_readout->attach(pane);
    m_corner = new QwtPlotTextLabel;
    m_corner->setMargin(2);
    m_corner->setZ(30);
    m_corner->attach(pane);
    for (auto [marker, colour] :
         {std::pair{&m_cursorA, kCursorAColour}, std::pair{&m_cursorB, kCursorBColour}}) {
        *marker = new QwtPlotMarker;
        (*marker)->setLineStyle(QwtPlotMarker::VLine);
        (*marker)->setLinePen(colour, 1);
        (*marker)->setZ(20);
    }

    m_navigator = new PlotNavigator(PlotNavigator::Axes::XOnly, this);
    m_navigator->setPanes({pane});
    hide();
}

Hyetograph::~Hyetograph()
{
    // The navigator watches the pane's widgets: it goes before they do.
    delete m_navigator;
    // Markers not attached at the moment are no pane's.
    for (QwtPlotMarker *marker : {m_cursorA, m_cursorB})
        if (!marker->plot())
            delete marker;
}

void Hyetograph::follow(Hydrograph *hydrograph)
{
    if (m_hydrograph || !hydrograph)
        return;
    m_hydrograph = hydrograph;
    hydrograph->addPaneAbove(this, 0);
    PlotNavigator *flow = hydrograph->navigator();
    connect(flow, &PlotNavigator::viewChanged, this,
            [this](const QRectF &view) { viewChanged(view.left(), view.right()); });
    connect(flow, &PlotNavigator::mouseMoved, this,
            [this](QwtPlot *, const QPointF &pos) { hoverAt(pos.x()); });
    connect(hydrograph, &Hydrograph::cursorsChanged, this, &Hyetograph::showCursors);
    // A new data set clears the cursors: the offer is weighed again then.
    connect(hydrograph, &Hydrograph::cursorsChanged, this, &Hyetograph::takeOffer);
    // What the user does in this pane acts on the hydrograph, which then moves this pane.
    connect(m_navigator, &PlotNavigator::userViewChanged, this,
            [this](const QRectF &view) { m_hydrograph->navigator()->setView(view); });
    connect(m_navigator, &PlotNavigator::clicked, this,
            [this](QwtPlot *, const QPointF &pos, Qt::KeyboardModifiers modifiers) {
                m_hydrograph->setCursor(
                    modifiers & Qt::ShiftModifier ? Hydrograph::Cursor::B : Hydrograph::Cursor::A, pos.x());
            });
    connect(m_navigator, &PlotNavigator::mouseMoved, this,
            [this](QwtPlot *, const QPointF &pos) { hoverAt(pos.x()); });
}

void Hyetograph::setRain(RainSeries rain, const QString &gauge)
{
    m_rain = std::move(rain);
    m_gauge = gauge;
    if (m_rain.empty()) {
        clearRain();
        return;
    }
    pane->setToolTip(QStringLiteral("雨量计 %1").arg(gauge));
    if (m_hydrograph) {
        m_hydrograph->setCursorNote([this](qint64 from, qint64 to) {
            return rainDepthText(lmv::survey::depthBetween(m_rain, from, to));
        });
        viewChanged(m_hydrograph->viewFrom(), m_hydrograph->viewTo());
        showCursors();
    }
    show();
}

void Hyetograph::clearRain()
{
    m_rain = RainSeries();
    m_gauge.clear();
    m_bars->setBars({});
    if (m_hydrograph)
        m_hydrograph->setCursorNote(nullptr);
    hide();
}

void Hyetograph::offerRain(RainSeries rain, const QString &gauge)
{
    m_offered = std::move(rain);
    m_offeredGauge = gauge;
    clearRain();
    takeOffer();
}

void Hyetograph::takeOffer()
{
    if (!m_hydrograph || m_offered.empty())
        return;
    const auto shown = m_hydrograph->data();
    const bool covered =
        shown && !shown->times.empty() &&
        lmv::survey::coveredSeconds(m_offered, shown->times.front() - std::max<qint64>(shown->nominal, 1),
                                    shown->times.back()) > 0;
    if (covered && (m_rain.empty() || m_gauge != m_offeredGauge))
        setRain(m_offered, m_offeredGauge);
    else if (!covered && !m_rain.empty())
        clearRain();
}

const RainBars &Hyetograph::bars() const
{
    return m_bars->bars();
}

void Hyetograph::viewChanged(double from, double to)
{
    if (m_rain.empty() || !(to > from))
        return;
    m_bin = hyetographBin(m_rain.intervalSeconds, to - from);
    // One bar beyond either end, so that a bar cut by the edge is drawn whole.
    RainBars bars =
        hyetographBars(m_rain, m_bin, qint64(std::floor(from)) - m_bin, qint64(std::ceil(to)) + m_bin);
    const double top = std::max(1.0, bars.largestBetween(from, to) * 1.15);
    m_bars->setBars(std::move(bars));
    // The axis turned over: 0 at the top, the bars hanging down.
    pane->setAxisScale(QwtPlot::yLeft, top, 0.0);
    pane->setAxisScale(QwtPlot::xBottom, from, to);
    m_navigator->setHome(m_hydrograph ? m_hydrograph->navigator()->homeRect()
                                      : QRectF(from, 0, to - from, 1));
    m_navigator->setView(QRectF(from, 0.0, to - from, 1.0), false);
    alignAxis();
    pane->replot();
}

void Hyetograph::alignAxis()
{
    // The value axis as wide as the hydrograph's, so that both canvases share one time scale.
    if (!m_hydrograph || m_hydrograph->panes().isEmpty())
        return;
    QwtPlot *first = m_hydrograph->panes().front();
    const int extent = first->axisWidget(QwtPlot::yLeft)->scaleDraw()->minimumExtent();
    QwtScaleWidget *mine = pane->axisWidget(QwtPlot::yLeft);
    // The flow panes write their titles in the corner when they are many: so does this one.
    const bool upright = !first->axisTitle(QwtPlot::yLeft).isEmpty();
    QwtText title(QStringLiteral("降雨(mm)"));
    QFont font = pane->font();
    font.setPointSize(9);
    title.setFont(font);
    pane->setAxisTitle(QwtPlot::yLeft, upright ? title : QwtText());
    title.setRenderFlags(Qt::AlignLeft | Qt::AlignBottom);
    m_corner->setText(upright ? QwtText() : title);
    mine->scaleDraw()->setMinimumExtent(extent);
    const int margin = mine->margin();
    mine->setMargin(margin + 1);
    mine->setMargin(margin);
}

void Hyetograph::showCursors()
{
    if (!m_hydrograph)
        return;
    const auto shown = m_hydrograph->data();
    const std::pair<QwtPlotMarker *, Hydrograph::Cursor> cursors[] = {{m_cursorA, Hydrograph::Cursor::A},
                                                                      {m_cursorB, Hydrograph::Cursor::B}};
    for (const auto &[marker, which] : cursors) {
        const qsizetype record = m_hydrograph->cursorRecord(which);
        if (shown && record >= 0 && std::size_t(record) < shown->times.size()) {
            marker->setXValue(double(shown->times[std::size_t(record)]));
            if (!marker->plot())
                marker->attach(pane);
        } else if (marker->plot()) {
            marker->detach();
        }
    }
    pane->replot();
}

QString Hyetograph::readoutText(double seconds) const
{
    if (m_rain.empty())
        return QString();
    const auto bar = rainBarAt(m_bars->bars(), seconds);
    if (!bar) {
        return m_bin > 0 && m_bin != m_rain.intervalSeconds
                   ? QStringLiteral("%1 每柱 %2 分钟").arg(m_gauge).arg(double(m_bin) / 60.0, 0, 'g', 4)
                   : m_gauge;
    }
    return QStringLiteral("%1–%2  %3 mm  %4 mm/h")
        .arg(hhmm(bar->start), hhmm(bar->end).mid(6))
        .arg(bar->depthMm, 0, 'f', 1)
        .arg(bar->mmPerHour(), 0, 'f', 1);
}

QString Hyetograph::shownReadout() const
{
    return m_readout->text().text();
}

void Hyetograph::hoverAt(double seconds)
{
    if (m_rain.empty())
        return;
    QwtText text(readoutText(seconds));
    text.setRenderFlags(Qt::AlignRight | Qt::AlignBottom);
    QFont font = pane->font();
    font.setPointSize(8);
    text.setFont(font);
    m_readout->setText(text);
    pane->replot();
}
