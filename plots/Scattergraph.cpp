#include "plots/Scattergraph.h"

#include "data/PipeLimits.h"
#include "plots/LineItem.h"
#include "plots/PlotExport.h"
#include "plots/PlotNavigator.h"
#include "plots/ScatterItem.h"
#include "plots/ScatterPanel.h"
#include "plots/TimeAxis.h"

#include <qwt_color_map.h>
#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_widget.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kCurveSteps = 200;
constexpr int kIsoLines = 6;
constexpr int kCursorReach = 4; // cells

int seriesIndex(const lmv::PlotData &data, const QString &key)
{
    for (std::size_t i = 0; i < data.series.size(); ++i)
        if (data.series[i].key == key)
            return int(i);
    return -1;
}

LineItem *addCurve(QwtPlot *plot, const QString &title, const QPen &pen, double z, bool legend = true)
{
    auto *curve = new LineItem(title);
    curve->setPen(pen);
    curve->setZ(z);
    curve->setItemAttribute(QwtPlotItem::Legend, legend);
    curve->attach(plot);
    return curve;
}

QwtPlotMarker *addLevelLine(QwtPlot *plot, const QString &title, const QPen &pen)
{
    auto *marker = new QwtPlotMarker(title);
    marker->setLineStyle(QwtPlotMarker::HLine);
    marker->setLinePen(pen);
    marker->setLabel(QwtText(title));
    marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    marker->setZ(15.0);
    marker->attach(plot);
    return marker;
}

// The velocities and levels (SI) of the records shown, for the fits.
void shownRecords(const lmv::PlotData &data, int levelSeries, int velocitySeries, double levelFactor,
                  double velocityFactor, bool limited, qint64 from, qint64 to, std::vector<float> &levels,
                  std::vector<float> &velocities)
{
    const lmv::ValueList &l = data.series[std::size_t(levelSeries)].values;
    const lmv::ValueList &v = data.series[std::size_t(velocitySeries)].values;
    levels.reserve(l.size());
    velocities.reserve(v.size());
    for (std::size_t i = 0; i < data.times.size() && i < l.size() && i < v.size(); ++i) {
        if (limited && (data.times[i] < from || data.times[i] > to))
            continue;
        levels.push_back(float(l[i] / levelFactor));
        velocities.push_back(float(v[i] / velocityFactor));
    }
}

} // namespace

Scattergraph::Scattergraph(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto *left = new QVBoxLayout;
    left->setSpacing(2);
    layout->addLayout(left, 1);

    m_plot = new QwtPlot(this);
    m_plot->setCanvasBackground(Qt::white);
    m_plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("流速"));
    m_plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("液位"));
    m_plot->enableAxis(QwtPlot::yRight, true);
    m_plot->setAxisScaleEngine(QwtPlot::yRight, new ClockScaleEngine);
    m_plot->setAxisScaleDraw(QwtPlot::yRight, new ClockScaleDraw);
    m_plot->axisWidget(QwtPlot::yRight)->setColorBarEnabled(true);
    m_plot->axisWidget(QwtPlot::yRight)->setColorBarWidth(12);
    auto *grid = new QwtPlotGrid;
    grid->setPen(QColor(225, 225, 225), 0.0, Qt::DotLine);
    grid->attach(m_plot);
    m_plot->insertLegend(new QwtLegend, QwtPlot::TopLegend);
    // The legend's row would otherwise set the narrowest the record window can be.
    m_plot->setMinimumSize(240, 160);
    left->addWidget(m_plot, 1);

    m_points = new ScatterItem;
    m_points->attach(m_plot);
    for (int i = 0; i < kIsoLines + 1; ++i) {
        LineItem *iso =
            addCurve(m_plot, QStringLiteral("等流量线"), QPen(QColor(150, 150, 150), 1.0), 18.0, i == 0);
        m_isoCurves << iso;
        auto *label = new QwtPlotMarker;
        label->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setZ(18.0);
        label->attach(m_plot);
        m_isoLabels << label;
    }
    m_criticalCurve =
        addCurve(m_plot, QStringLiteral("临界流 Fr = 1"), QPen(QColor(230, 120, 0), 1.5, Qt::DashLine), 19.0);
    m_pipeCurve = addCurve(m_plot, QStringLiteral("管道曲线"), QPen(QColor(20, 60, 200), 2.0), 21.0);
    m_fitCurve =
        addCurve(m_plot, QStringLiteral("拟合曲线"), QPen(QColor(40, 40, 40), 1.5, Qt::DashDotLine), 20.0);
    m_sedimentCurve =
        addCurve(m_plot, QStringLiteral("估算淤积层拟合"), QPen(QColor(0, 140, 60), 2.0, Qt::DashLine), 20.0);
    m_sedimentTop = addLevelLine(m_plot, QStringLiteral("淤积层顶"), QPen(QColor(140, 90, 40), 1.5));
    m_estimateTop =
        addLevelLine(m_plot, QStringLiteral("估算淤积层顶"), QPen(QColor(0, 140, 60), 1.5, Qt::DashLine));
    m_crown = addLevelLine(m_plot, QStringLiteral("管顶"), QPen(Qt::black, 1.5, Qt::DashDotDotLine));

    m_groupLegend = new QLabel(this);
    m_groupLegend->setWordWrap(true);
    m_groupLegend->hide();
    left->addWidget(m_groupLegend);

    auto *bar = new QHBoxLayout;
    m_readout = new QLabel(this);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_backButton = new QPushButton(QStringLiteral("返回"), this);
    auto *exportButton = new QPushButton(QStringLiteral("导出图片"), this);
    auto *printButton = new QPushButton(QStringLiteral("打印"), this);
    bar->addWidget(m_readout, 1);
    bar->addWidget(m_backButton);
    bar->addWidget(exportButton);
    bar->addWidget(printButton);
    left->addLayout(bar);

    // The panel scrolls when the lower part of the record window is short.
    auto *scroll = new QScrollArea(this);
    m_panel = new ScatterPanel(scroll);
    scroll->setWidget(m_panel);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFixedWidth(m_panel->sizeHint().width() + scroll->verticalScrollBar()->sizeHint().width() + 4);
    layout->addWidget(scroll);

    m_navigator = new PlotNavigator(PlotNavigator::Axes::XY, this);
    m_navigator->setPanes({m_plot});
    m_navigator->setDoubleClickHandler([this](QwtPlot *, const QPoint &pos) {
        const qsizetype record = recordAt(pos);
        if (record < 0)
            return false;
        emit recordDoubleClicked(record);
        return true;
    });
    connect(m_navigator, &PlotNavigator::mouseMoved, this, [this](QwtPlot *, const QPointF &pos) {
        hoverAt(QPoint(int(std::lround(m_plot->transform(QwtPlot::xBottom, pos.x()))),
                       int(std::lround(m_plot->transform(QwtPlot::yLeft, pos.y())))));
    });
    connect(m_navigator, &PlotNavigator::mouseLeft, m_readout, &QLabel::clear);
    connect(m_navigator, &PlotNavigator::viewChanged, this,
            [this] { m_backButton->setEnabled(m_navigator->canGoBack()); });
    connect(m_backButton, &QPushButton::clicked, m_navigator, &PlotNavigator::back);
    connect(exportButton, &QPushButton::clicked, this, &Scattergraph::askExport);
    connect(printButton, &QPushButton::clicked, this, &Scattergraph::printPreview);
    connect(m_panel, &ScatterPanel::settingsChanged, this, &Scattergraph::redrawLines);
    connect(m_panel, &ScatterPanel::sedimentEditRequested, this, &Scattergraph::sedimentEditRequested);
    connect(m_panel, &ScatterPanel::wholeFileRequested, this, &Scattergraph::showWholeFile);
    m_backButton->setEnabled(false);
    // As narrow as the hydrograph may get; below the panel's own width the plot gives way first.
    setMinimumSize(320, 160);
    clear();
}

Scattergraph::~Scattergraph()
{
    // The navigator filters the plot's events: it lets go before the plot is taken apart.
    m_navigator->setPanes({});
}

void Scattergraph::clear()
{
    setSurvey(nullptr, lmv::PipeGeometry{}, 1.0, 1.0);
}

void Scattergraph::setSurvey(std::shared_ptr<const lmv::PlotData> survey, const lmv::PipeGeometry &pipe,
                             double levelFactor, double velocityFactor)
{
    m_data = std::move(survey);
    m_pipe = pipe;
    m_levelFactor = levelFactor > 0.0 ? levelFactor : 1.0;
    m_velocityFactor = velocityFactor > 0.0 ? velocityFactor : 1.0;
    m_levelSeries = m_data ? seriesIndex(*m_data, QStringLiteral("level")) : -1;
    m_velocitySeries = m_data ? seriesIndex(*m_data, QStringLiteral("velocity")) : -1;
    m_flowSeries = m_data ? seriesIndex(*m_data, QStringLiteral("flow")) : -1;
    if (m_levelSeries < 0 || m_velocitySeries < 0 || m_data->empty()) {
        m_data.reset();
        m_levelSeries = m_velocitySeries = m_flowSeries = -1;
    }
    if (m_data) {
        m_plot->setAxisTitle(QwtPlot::xBottom, m_data->series[std::size_t(m_velocitySeries)].title);
        m_plot->setAxisTitle(QwtPlot::yLeft, m_data->series[std::size_t(m_levelSeries)].title);
    }
    m_points->setSeries(m_data, m_velocitySeries, m_levelSeries);
    setRecordGroups(nullptr, {}, {});
    m_limited = false;
    m_readout->clear();
    refit();
}

void Scattergraph::setRecordGroups(std::shared_ptr<const std::vector<quint8>> groups,
                                   const QVector<QColor> &colours, const QStringList &names)
{
    m_points->setGroups(std::move(groups), colours);
    const bool grouped = m_points->grouped();
    QString legend;
    for (int i = 0; grouped && i < names.size() && i < colours.size(); ++i)
        legend += QStringLiteral("<span style=\"color:%1\">■</span> %2&nbsp;&nbsp; ")
                      .arg(colours[i].name(), names[i].toHtmlEscaped());
    m_groupLegend->setText(legend);
    m_groupLegend->setVisible(grouped);
    // The time colour bar says nothing about colours that tell groups apart.
    m_plot->enableAxis(QwtPlot::yRight, !grouped);
    m_plot->replot();
}

QString Scattergraph::groupLegend() const
{
    return m_points->grouped() ? m_groupLegend->text() : QString();
}

void Scattergraph::setTimeRange(qint64 from, qint64 to)
{
    m_limited = true;
    m_from = std::min(from, to);
    m_to = std::max(from, to);
    refit();
}

void Scattergraph::showWholeFile()
{
    m_limited = false;
    refit();
}

void Scattergraph::refit()
{
    m_fit = {};
    m_sweep = {};
    m_trust = {};
    m_shown = QRectF();
    m_haveShown = false;
    m_sweep.fileMm = int(std::min<quint32>(m_pipe.sediment, quint32(std::numeric_limits<int>::max())));
    m_levelTop = 0.0;
    // A pipe that cannot be gets no fit and no curve; its points are still shown.
    m_pipeProblem = m_data ? lmv::pipeProblem(m_pipe) : QString();
    qint64 first = 0, last = 0;
    if (m_data) {
        std::vector<float> levels, velocities;
        shownRecords(*m_data, m_levelSeries, m_velocitySeries, m_levelFactor, m_velocityFactor, m_limited,
                     m_from, m_to, levels, velocities);
        if (m_pipeProblem.isEmpty()) {
            m_sweep = lmv::sweepSediment(m_pipe, levels, velocities);
            m_trust = lmv::assessSediment(m_pipe, levels, velocities, m_sweep);
        }
        m_fit = m_sweep.fileFit;
        m_shown = QRectF();
        double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (!std::isfinite(levels[i]) || !std::isfinite(velocities[i]))
                continue;
            x0 = std::min(x0, double(velocities[i]));
            x1 = std::max(x1, double(velocities[i]));
            y0 = std::min(y0, double(levels[i]));
            y1 = std::max(y1, double(levels[i]));
        }
        if (x1 >= x0) {
            m_levelTop = std::max(0.0, y1);
            m_haveShown = true;
            m_shown = QRectF(QPointF(x0 * m_velocityFactor, y0 * m_levelFactor),
                             QPointF(x1 * m_velocityFactor, y1 * m_levelFactor));
        }
        const auto [lo, hi] = std::minmax_element(m_data->times.begin(), m_data->times.end());
        first = m_limited ? std::max(*lo, m_from) : *lo;
        last = m_limited ? std::min(*hi, m_to) : *hi;
    }
    m_points->setTimeRange(m_limited ? m_from : std::numeric_limits<qint64>::min(),
                           m_limited ? m_to : std::numeric_limits<qint64>::max());
    m_points->setColourRange(first, last);
    QwtLinearColorMap *map = nullptr;
    const QVector<QColor> colours = ScatterItem::scaleColours();
    map = new QwtLinearColorMap(colours.front(), colours.back());
    for (int i = 1; i + 1 < colours.size(); ++i)
        map->addColorStop(double(i) / (colours.size() - 1), colours[i]);
    const QwtInterval span(double(first), double(std::max(last, first + 1)));
    m_plot->axisWidget(QwtPlot::yRight)->setColorMap(span, map);
    m_plot->setAxisScale(QwtPlot::yRight, span.minValue(), span.maxValue());
    m_first = first;
    m_last = last;
    if (m_pipeProblem.isEmpty())
        m_panel->showFits(m_fit, m_sweep, m_trust);
    else
        m_panel->showPipeProblem(m_pipeProblem);
    m_panel->showRange(
        m_limited ? QStringLiteral("%1 至 %2").arg(clockText(double(m_from)), clockText(double(m_to)))
                  : QString());
    redrawLines();
    updateHome();
}

void Scattergraph::setCurve(LineItem *curve, const std::vector<lmv::CurvePoint> &points) const
{
    QVector<QPointF> samples;
    samples.reserve(int(points.size()));
    for (const lmv::CurvePoint &p : points)
        if (std::isfinite(p.velocity) && std::isfinite(p.level))
            samples.append(QPointF(p.velocity * m_velocityFactor, p.level * m_levelFactor));
    curve->setSamples(samples);
    curve->setVisible(!samples.isEmpty());
}

void Scattergraph::redrawLines()
{
    const ScatterSettings settings = m_panel->settings();
    // Curves and lines need a pipe that can be.
    const bool have = m_data != nullptr && m_pipeProblem.isEmpty();
    setCurve(m_pipeCurve, have && settings.friction ? lmv::pipeCurve(m_pipe, *settings.friction, kCurveSteps)
                                                    : std::vector<lmv::CurvePoint>{});
    setCurve(m_criticalCurve, have && settings.critical ? lmv::criticalFlowLine(m_pipe, kCurveSteps)
                                                        : std::vector<lmv::CurvePoint>{});

    // Lanfear-Coll on the file's pipe, and the same fit on the estimated sediment drawn on the
    // file's level axis (the estimated sediment top sits at estimate − file sediment).
    std::vector<lmv::CurvePoint> fitted, onSediment;
    if (have && settings.fitted && m_fit.valid())
        fitted = lmv::fittedCurve(m_pipe, m_fit.coefficient, kCurveSteps);
    const double shift = (m_sweep.bestMm - int(m_pipe.sediment)) / 1000.0;
    if (have && settings.fitted && m_sweep.bestMm >= 0) {
        lmv::PipeGeometry moved = m_pipe;
        moved.sediment = quint32(m_sweep.bestMm);
        onSediment = lmv::fittedCurve(moved, m_sweep.best.coefficient, kCurveSteps);
        for (lmv::CurvePoint &p : onSediment)
            p.level += shift;
    }
    setCurve(m_fitCurve, fitted);
    setCurve(m_sedimentCurve, onSediment);

    // Iso-flow lines at round flows of the shown unit over the flows of the shown records.
    std::vector<double> flows;
    if (have && settings.isoFlow && m_flowSeries >= 0 && m_data->flowFactor > 0.0f) {
        double lo = INFINITY, hi = 0.0;
        const lmv::ValueList &q = m_data->series[std::size_t(m_flowSeries)].values;
        for (std::size_t i = 0; i < q.size() && i < m_data->times.size(); ++i) {
            if (m_limited && (m_data->times[i] < m_from || m_data->times[i] > m_to))
                continue;
            if (q[i] > 0.0f && std::isfinite(q[i])) {
                lo = std::min(lo, double(q[i]));
                hi = std::max(hi, double(q[i]));
            }
        }
        flows = lmv::roundFlowSteps(lo, hi, kIsoLines);
    }
    QString flowUnit = m_flowSeries >= 0 ? m_data->series[std::size_t(m_flowSeries)].title : QString();
    flowUnit = flowUnit.mid(flowUnit.indexOf(QLatin1Char('(')) + 1)
                   .remove(QLatin1Char('('))
                   .remove(QLatin1Char(')'));
    // Labels stand where the lines cross a velocity near the right of the points, one above the
    // other, rather than crowding the top where the lines of small flows run close together.
    const double labelVelocity = 0.85 * m_shown.right() / m_velocityFactor;
    for (int i = 0; i < m_isoCurves.size(); ++i) {
        const bool on = i < int(flows.size());
        std::vector<lmv::CurvePoint> line;
        if (on)
            line = lmv::isoFlowLine(m_pipe, flows[std::size_t(i)] / m_data->flowFactor, kCurveSteps,
                                    std::max(m_levelTop, lmv::fullLevelMetres(m_pipe)));
        setCurve(m_isoCurves[i], line);
        QwtPlotMarker *label = m_isoLabels[i];
        label->setVisible(on && !line.empty());
        if (on && !line.empty()) {
            const auto at = std::find_if(line.begin(), line.end(), [&](const lmv::CurvePoint &p) {
                return p.velocity <= labelVelocity;
            });
            const lmv::CurvePoint &p = at != line.end() ? *at : line.back();
            label->setValue(p.velocity * m_velocityFactor, p.level * m_levelFactor);
            QwtText text(QString::number(flows[std::size_t(i)]) + QLatin1Char(' ') + flowUnit);
            text.setColor(QColor(110, 110, 110));
            label->setLabel(text);
        }
    }

    m_sedimentTop->setVisible(m_data != nullptr);
    m_sedimentTop->setYValue(0.0);
    m_estimateTop->setVisible(have && m_sweep.bestMm >= 0 && m_sweep.bestMm != int(m_pipe.sediment));
    m_estimateTop->setYValue(shift * m_levelFactor);
    m_crown->setVisible(have && m_pipe.shape == lmv::PipeCircle);
    m_crown->setYValue(lmv::fullLevelMetres(m_pipe) * m_levelFactor);
    m_plot->replot();
}

void Scattergraph::updateHome()
{
    QRectF home(0.0, 0.0, 1.0, 1.0);
    if (m_data) {
        const QRectF points = m_shown;
        const double crown = m_pipeProblem.isEmpty() ? lmv::fullLevelMetres(m_pipe) : 0.0;
        double x1 = 0.0, y1 = crown * m_levelFactor;
        // The estimated sediment top, when there is an estimate, lies in view.
        const double estimate =
            m_sweep.bestMm >= 0 ? (m_sweep.bestMm - double(m_pipe.sediment)) / 1000.0 : 0.0;
        double x0 = 0.0, y0 = std::min(0.0, estimate * m_levelFactor);
        // Records of one velocity (or one level) still have an extent to show.
        if (m_haveShown) {
            x0 = std::min(x0, points.left());
            x1 = std::max(x1, points.right());
            y0 = std::min(y0, points.top());
            y1 = std::max(y1, points.bottom());
        }
        if (!(x1 > x0))
            x1 = x0 + m_velocityFactor;
        if (!(y1 > y0))
            y1 = y0 + m_levelFactor;
        const double mx = (x1 - x0) * 0.05, my = (y1 - y0) * 0.05;
        home = QRectF(QPointF(x0 - mx, y0 - my), QPointF(x1 + mx, y1 + my));
    }
    m_navigator->setHome(home);
    m_backButton->setEnabled(false);
}

QSize Scattergraph::sizeHint() const
{
    return QSize(320, 240);
}

qsizetype Scattergraph::recordAt(const QPoint &canvasPos) const
{
    return m_data ? m_points->recordNear(canvasPos, kCursorReach) : -1;
}

QString Scattergraph::readoutText(qsizetype record) const
{
    if (!m_data || record < 0 || std::size_t(record) >= m_data->times.size())
        return QString();
    QString text = clockText(double(m_data->times[std::size_t(record)]));
    for (const int s : {m_levelSeries, m_velocitySeries, m_flowSeries}) {
        if (s < 0)
            continue;
        const lmv::PlotSeries &series = m_data->series[std::size_t(s)];
        text +=
            QStringLiteral("   %1 %2").arg(series.title, QString::number(series.values[std::size_t(record)]));
    }
    return text;
}

void Scattergraph::hoverAt(const QPoint &canvasPos)
{
    m_readout->setText(readoutText(recordAt(canvasPos)));
}

QString Scattergraph::readout() const
{
    return m_readout->text();
}

QList<LineItem *> Scattergraph::curves() const
{
    QList<LineItem *> out{m_pipeCurve, m_criticalCurve, m_fitCurve, m_sedimentCurve};
    out += m_isoCurves;
    return out;
}

bool Scattergraph::exportImage(const QString &path, QSize size, QString *error)
{
    const bool ok = plotexport::exportPanes({m_plot}, path, size, error, pictureTitle());
    m_plot->replot(); // the cells of the screen again, for the cursor
    return ok;
}

void Scattergraph::printPreview()
{
    plotexport::printPreview({m_plot}, this, pictureTitle());
    m_plot->replot();
}

QStringList Scattergraph::pictureTitle() const
{
    if (!m_data)
        return {};
    const QString period =
        QStringLiteral("%1 至 %2").arg(clockText(double(m_first)), clockText(double(m_last)));
    QStringList more;
    if (!m_pipeProblem.isEmpty()) {
        more << m_pipeProblem;
    } else {
        if (m_fit.valid())
            more << QStringLiteral("拟合 v = C·R^(2/3): C = %1, RMSE %2 m/s, %3 条记录, 剔除 %4 条")
                        .arg(m_fit.coefficient, 0, 'f', 3)
                        .arg(m_fit.rmse, 0, 'f', 4)
                        .arg(m_fit.records)
                        .arg(m_fit.leftOut);
        if (m_sweep.bestMm >= 0)
            more << QStringLiteral("淤积估算 %1 mm (%2), 文件 %3 mm, RMSE %4 m/s; %5")
                        .arg(m_sweep.bestMm)
                        .arg(lmv::sedimentTrustText(m_trust.level))
                        .arg(m_sweep.fileMm)
                        .arg(m_sweep.best.rmse, 0, 'f', 4)
                        .arg(lmv::sedimentTrustFigures(m_trust));
    }
    const ScatterSettings settings = m_panel->settings();
    if (settings.friction)
        more << (settings.friction->law == lmv::FrictionLaw::Manning
                     ? QStringLiteral("管道曲线: 坡度 %1 ‰, 曼宁 n = %2")
                           .arg(settings.friction->slope * 1000.0)
                           .arg(settings.friction->manningN)
                     : QStringLiteral("管道曲线: 坡度 %1 ‰, 柯尔布鲁克-怀特 ks = %2 mm")
                           .arg(settings.friction->slope * 1000.0)
                           .arg(settings.friction->roughnessMm));
    return plotexport::titleLines(m_subject, period, more);
}

void Scattergraph::askExport()
{
    plotexport::askAndExport(
        this, plotexport::shownSize({m_plot}),
        [this](const QString &path, QSize size, QString *error) { return exportImage(path, size, error); });
}
