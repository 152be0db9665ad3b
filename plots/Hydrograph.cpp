#include "plots/Hydrograph.h"

#include "plots/MarkItem.h"
#include "plots/PlotExport.h"
#include "plots/PlotNavigator.h"
#include "plots/ReducedCurve.h"
#include "plots/ShadeItem.h"
#include "plots/TimeAxis.h"

#include "data/FlowVolume.h"
#include "data/PipeCurves.h"
#include "data/PipeLimits.h"
#include "data/PlotReduce.h"

#include <QApplication>
#include <QPointer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>
#include <qwt_widget_overlay.h>

#include <cmath>

namespace {

const QColor kPaneColours[] = {QColor(0, 90, 200),   QColor(200, 60, 0),  QColor(0, 140, 60),
                               QColor(150, 0, 150),  QColor(0, 130, 150), QColor(160, 110, 0),
                               QColor(110, 70, 190), QColor(200, 0, 90)};
const QColor kGapColour(0, 0, 0, 28);
const QColor kCursorAColour(220, 0, 0);
const QColor kCursorBColour(0, 0, 220);
const QColor kMarkColour(255, 140, 0);
// Pixels a double-click may lie from a drawn record and still hit it.
constexpr int kHitPixels = 8;
// Room left at both ends of every time axis so that canvases line up whatever their labels.
constexpr int kAxisBorder = 48;

} // namespace

// Cursor lines over a canvas, drawn without replotting the curves below them.
class CursorOverlay : public QwtWidgetOverlay
{
public:
    CursorOverlay(QwtPlot *pane, const Hydrograph *owner)
        : QwtWidgetOverlay(pane->canvas()), m_pane(pane), m_owner(owner)
    {
        // The lines are the mask: no picture of the whole canvas has to be made for it.
        setMaskMode(QwtWidgetOverlay::MaskHint);
    }
    void setLines(QVector<QPair<double, QColor>> lines)
    {
        m_lines = std::move(lines);
        updateOverlay();
    }

protected:
    QRegion maskHint() const override
    {
        const QwtScaleMap xm = m_pane->canvasMap(QwtPlot::xBottom);
        QRegion region;
        for (const auto &line : m_lines)
            region += QRect(qRound(xm.transform(line.first)) - 1, 0, 3, height());
        return region;
    }
    void drawOverlay(QPainter *painter) const override
    {
        const QwtScaleMap xm = m_pane->canvasMap(QwtPlot::xBottom);
        for (const auto &[seconds, colour] : m_lines) {
            const int x = qRound(xm.transform(seconds));
            painter->setPen(QPen(colour, 1, colour == kGapColour ? Qt::DotLine : Qt::SolidLine));
            painter->drawLine(x, 0, x, m_pane->canvas()->height());
        }
    }

private:
    QwtPlot *m_pane;
    const Hydrograph *m_owner;
    QVector<QPair<double, QColor>> m_lines;
};

QVector<LevelLine> pipeLevelLines(const lmv::PipeGeometry &pipe)
{
    if (!lmv::pipePossible(pipe))
        return {};
    const bool circle = pipe.shape == lmv::PipeCircle;
    const QString bed = pipe.sediment > 0 ? QStringLiteral("淤积层顶 (%1 mm)").arg(pipe.sediment)
                        : circle          ? QStringLiteral("管底")
                                          : QStringLiteral("渠底");
    return {{0.0, bed, QPen(QColor(140, 90, 40), 1.0, Qt::SolidLine), Qt::AlignTop},
            {lmv::fullLevelMetres(pipe), circle ? QStringLiteral("管顶") : QStringLiteral("渠顶"),
             QPen(Qt::black, 1.0, Qt::DashDotDotLine), Qt::AlignBottom}};
}

Hydrograph::Hydrograph(QWidget *parent) : Hydrograph(false, parent) {}

Hydrograph::Hydrograph(bool bare, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    m_backButton = new QPushButton(QStringLiteral("后退"), this);
    m_backButton->setToolTip(QStringLiteral("回到上一个显示范围 (Backspace)"));
    auto *allButton = new QPushButton(QStringLiteral("全部"), this);
    allButton->setToolTip(QStringLiteral("显示整个文件 (双击空白处)"));
    m_readout = new QLabel(this);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *exportButton = new QPushButton(QStringLiteral("导出图片"), this);
    auto *printButton = new QPushButton(QStringLiteral("打印"), this);
    bar->addWidget(m_backButton);
    bar->addWidget(allButton);
    bar->addWidget(m_readout, 1);
    bar->addWidget(exportButton);
    bar->addWidget(printButton);
    layout->addLayout(bar);

    m_paneLayout = new QVBoxLayout;
    m_paneLayout->setContentsMargins(0, 0, 0, 0);
    m_paneLayout->setSpacing(0);
    layout->addLayout(m_paneLayout, 1);

    m_cursorLabel = new QLabel(this);
    m_cursorLabel->setContentsMargins(4, 2, 4, 2);
    m_cursorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cursorLabel->setToolTip(QStringLiteral("单击放置光标A, Shift+单击放置光标B"));
    layout->addWidget(m_cursorLabel);

    m_navigator = new PlotNavigator(PlotNavigator::Axes::XOnly, this);
    m_navigator->setDoubleClickHandler(
        [this](QwtPlot *pane, const QPoint &pos) { return doubleClickAt(pane, pos); });
    connect(m_navigator, &PlotNavigator::viewChanged, this, [this] {
        rescaleValueAxes();
        updateOverlays();
    });
    connect(m_navigator, &PlotNavigator::userViewChanged, this, [this](const QRectF &view) {
        m_backButton->setEnabled(m_navigator->canGoBack());
        emit timeRangeSelected(qint64(std::floor(view.left())), qint64(std::ceil(view.right())));
    });
    connect(m_navigator, &PlotNavigator::mouseMoved, this,
            [this](QwtPlot *, const QPointF &pos) { hoverAt(pos.x()); });
    connect(m_navigator, &PlotNavigator::mouseLeft, this, [this] {
        m_hover = -1;
        m_readout->clear();
        updateOverlays();
    });
    connect(m_navigator, &PlotNavigator::clicked, this,
            [this](QwtPlot *, const QPointF &pos, Qt::KeyboardModifiers modifiers) {
                const Cursor which = modifiers & Qt::ShiftModifier ? Cursor::B : Cursor::A;
                m_lastClick = {which, cursorRecord(which)};
                m_lastClickTime.start();
                setCursor(which, pos.x());
            });
    connect(m_backButton, &QPushButton::clicked, m_navigator, &PlotNavigator::back);
    connect(allButton, &QPushButton::clicked, m_navigator, &PlotNavigator::home);
    connect(exportButton, &QPushButton::clicked, this, &Hydrograph::askExport);
    connect(printButton, &QPushButton::clicked, this, &Hydrograph::printPreview);
    m_backButton->setEnabled(false);
    if (bare) {
        for (QWidget *w : {static_cast<QWidget *>(m_backButton), static_cast<QWidget *>(allButton),
                           static_cast<QWidget *>(m_readout), static_cast<QWidget *>(exportButton),
                           static_cast<QWidget *>(printButton), static_cast<QWidget *>(m_cursorLabel)})
            w->hide();
    }
}

Hydrograph::~Hydrograph() = default;

void Hydrograph::clear()
{
    setData(nullptr);
}

void Hydrograph::showSeries()
{
    // Up to four panes write their titles upright beside the value axis; eight panes are too low
    // for that and write them in the canvas corner.
    for (int i = 0; i < m_curves.size(); ++i) {
        m_curves.at(i)->setSeries(m_data, i);
        const QString text = m_data->series[std::size_t(i)].title;
        if (QwtPlotTextLabel *corner = m_titles.at(i)) {
            QwtText label = corner->text();
            label.setText(text);
            corner->setText(label);
        } else {
            QwtText title = m_panes.at(i)->axisTitle(QwtPlot::yLeft);
            if (title.text() != text) {
                title.setText(text);
                m_panes.at(i)->setAxisTitle(QwtPlot::yLeft, title);
            }
        }
    }
}

void Hydrograph::preparePanes(int count)
{
    if (m_data || count <= 0 || m_panes.size() == count)
        return;
    dropPanes();
    makePanes(count);
    for (QwtPlot *pane : qAsConst(m_panes))
        pane->hide();
}

void Hydrograph::dropPanes()
{
    m_navigator->setPanes({});
    qDeleteAll(m_panes);
    m_panes.clear();
    m_curves.clear();
    m_titles.clear();
    m_shades.clear();
    m_overlays.clear();
    m_levelMarkers.clear(); // went with their pane
    m_marks.clear();
}

void Hydrograph::makePanes(int count)
{
    QFont titleFont = font();
    titleFont.setPointSize(9);
    // Eight panes are too low for an upright title and many ticks: their titles go into the
    // canvas corner and their value axes get fewer ticks.
    const bool low = count > 4;
    for (int i = 0; i < count; ++i) {
        auto *pane = new QwtPlot(this);
        pane->setCanvasBackground(Qt::white);
        pane->setMinimumHeight(60);
        if (auto *canvas = qobject_cast<QwtPlotCanvas *>(pane->canvas())) {
            canvas->setFrameStyle(int(QFrame::Box) | int(QFrame::Plain));
            // No picture of each canvas kept beside the window's own: a reduced draw is quick,
            // and cursor lines repaint only the strips under them.
            canvas->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
        }
        useClockAxis(pane);
        pane->plotLayout()->setAlignCanvasToScales(true);
        QwtScaleWidget *xAxis = pane->axisWidget(QwtPlot::xBottom);
        xAxis->setMinBorderDist(kAxisBorder, kAxisBorder);
        // Only the lowest pane writes the times; the others keep the ticks.
        if (i != count - 1)
            pane->axisScaleDraw(QwtPlot::xBottom)->enableComponent(QwtAbstractScaleDraw::Labels, false);
        // The title's text comes with the data (showSeries); a blank one keeps its room meanwhile.
        QwtText title(QStringLiteral(" "));
        title.setFont(titleFont);
        if (!low)
            pane->setAxisTitle(QwtPlot::yLeft, title);
        pane->setAxisMaxMajor(QwtPlot::yLeft, low ? 3 : 5);
        pane->setAxisMaxMinor(QwtPlot::yLeft, low ? 2 : 5);
        QwtPlotTextLabel *label = nullptr;
        if (low) {
            title.setRenderFlags(Qt::AlignLeft | Qt::AlignTop);
            label = new QwtPlotTextLabel;
            label->setText(title);
            label->setMargin(2);
            label->setZ(30);
            label->attach(pane);
        }
        m_titles << label;

        auto *grid = new QwtPlotGrid;
        grid->setPen(QColor(225, 225, 225), 0, Qt::SolidLine);
        grid->attach(pane);
        auto *shade = new ShadeItem;
        shade->attach(pane);
        auto *curve = new ReducedCurve(QString());
        curve->setPen(QPen(kPaneColours[i % 8], 1));
        curve->attach(pane);
        auto *marks = new MarkItem;
        marks->attach(pane);
        m_marks << marks;
        m_panes << pane;
        m_curves << curve;
        m_shades << shade;
        m_overlays << new CursorOverlay(pane, this);
        m_paneLayout->addWidget(pane, 1);
    }
}

void Hydrograph::buildPanes()
{
    if (!m_data) {
        // The panes stay for the next file, hidden and without the records of the last.
        m_navigator->setPanes({});
        for (ReducedCurve *curve : qAsConst(m_curves))
            curve->setSeries(nullptr, 0);
        for (QwtPlot *pane : qAsConst(m_panes))
            pane->hide();
        return;
    }
    // Another file of as many series (the next day of a logger, or a file in a window whose
    // panes were made with it) keeps the panes.
    const int count = int(m_data->series.size());
    if (m_panes.size() != count) {
        dropPanes();
        makePanes(count);
    }
    showSeries();
    applyMarks();
    // A layout shows a new child of a visible widget only once the event loop runs again;
    // shown now, the pane draws with the next paint.
    for (QwtPlot *pane : qAsConst(m_panes))
        if (pane->isHidden())
            pane->show();
    m_navigator->setPanes(m_panes);
}

void Hydrograph::setData(std::shared_ptr<const lmv::PlotData> data)
{
    m_data = data && !data->empty() ? std::move(data) : nullptr;
    m_cursorA = m_cursorB = m_hover = -1;
    m_mark = -1;
    m_fixedAxes.clear();
    m_shadeKinds.remove(GapShade);
    buildPanes();
    applyLevelLines();
    if (m_data) {
        m_shadeKinds.insert(GapShade, {kGapColour, lmv::gapSpans(m_data->gaps)});
        applyShades();
        double from = double(m_data->times.front());
        double to = double(m_data->times.back());
        if (to <= from) {
            from -= 30;
            to += 30;
        }
        // Showing the home view scales and aligns the value axes.
        m_navigator->setHome(QRectF(from, 0.0, to - from, 1.0));
    }
    m_backButton->setEnabled(false);
    m_readout->clear();
    m_cursorLabel->setText(cursorText());
    emit cursorsChanged();
}

void Hydrograph::replaceValues(std::shared_ptr<const lmv::PlotData> data)
{
    if (!m_data || !data || data->times.size() != m_data->times.size() ||
        data->series.size() != m_data->series.size()) {
        setData(std::move(data));
        return;
    }
    m_data = std::move(data);
    showSeries();
    applyLevelLines();
    rescaleValueAxes();
    replotAll();
    if (m_hover >= 0)
        m_readout->setText(readoutText(m_hover));
    m_cursorLabel->setText(cursorText());
}

void Hydrograph::applyShades()
{
    for (ShadeItem *shade : qAsConst(m_shades))
        for (auto it = m_shadeKinds.cbegin(); it != m_shadeKinds.cend(); ++it)
            shade->setRanges(it.key(), it->colour, it->ranges);
}

void Hydrograph::setShadedRanges(int kind, const QColor &colour, const QVector<lmv::TimeSpan> &ranges)
{
    if (ranges.isEmpty())
        m_shadeKinds.remove(kind);
    else
        m_shadeKinds.insert(kind, {colour, ranges});
    for (ShadeItem *shade : qAsConst(m_shades))
        shade->setRanges(kind, colour, ranges);
    replotAll();
}

void Hydrograph::setTimeRange(double from, double to)
{
    m_navigator->setView(QRectF(from, 0.0, to - from, 1.0));
}

double Hydrograph::viewFrom() const
{
    return m_navigator->view().left();
}

double Hydrograph::viewTo() const
{
    return m_navigator->view().right();
}

void Hydrograph::showAll()
{
    m_navigator->home();
}

void Hydrograph::showTime(qint64 seconds)
{
    if (!m_data)
        return;
    m_mark = seconds;
    const double half = (viewTo() - viewFrom()) / 2;
    setTimeRange(double(seconds) - half, double(seconds) + half);
    updateOverlays();
}

void Hydrograph::fixValueAxis(int pane, double low, double high)
{
    if (low < high)
        m_fixedAxes.insert(pane, {low, high});
    else
        m_fixedAxes.remove(pane);
    rescaleValueAxes();
    replotAll();
}

void Hydrograph::rescaleValueAxes()
{
    const double from = viewFrom();
    const double to = viewTo();
    for (int i = 0; i < m_curves.size(); ++i) {
        if (m_fixedAxes.contains(i)) {
            m_panes.at(i)->setAxisScale(QwtPlot::yLeft, m_fixedAxes[i].first, m_fixedAxes[i].second);
            continue;
        }
        double low = 0, high = 0;
        bool have = m_curves.at(i)->valueRange(from, to, low, high);
        // The level pane keeps its lines (crown, sediment top) in view.
        if (i == levelPane()) {
            for (const LevelLine &line : qAsConst(m_levelLines)) {
                const double v = line.metres * double(m_data->levelFactor);
                low = have ? std::min(low, v) : v;
                high = have ? std::max(high, v) : v;
                have = true;
            }
        }
        if (!have) {
            low = 0;
            high = 1;
        }
        // A flat line sits in the middle of the pane rather than on its edge.
        const double margin = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.1, 0.5);
        m_panes.at(i)->setAxisScale(QwtPlot::yLeft, low - margin, high + margin);
    }
    alignValueAxes();
}

void Hydrograph::alignValueAxes()
{
    // The value axes take the width of the widest, so that the canvases share one time scale.
    int extent = 0;
    for (QwtPlot *pane : qAsConst(m_panes)) {
        pane->updateAxes();
        QwtScaleWidget *w = pane->axisWidget(QwtPlot::yLeft);
        w->scaleDraw()->setMinimumExtent(0);
        extent = std::max(extent, int(w->scaleDraw()->extent(w->font())));
    }
    for (QwtPlot *pane : qAsConst(m_panes)) {
        QwtScaleWidget *w = pane->axisWidget(QwtPlot::yLeft);
        w->scaleDraw()->setMinimumExtent(extent);
        // The axis places its title from the extent it last laid out with, and a new minimum
        // extent does not lay it out again; a margin change does (pictures drawn before the
        // next resize would squeeze the title otherwise).
        const int margin = w->margin();
        w->setMargin(margin + 1);
        w->setMargin(margin);
    }
}

void Hydrograph::replotAll()
{
    for (QwtPlot *pane : qAsConst(m_panes))
        pane->replot();
}

void Hydrograph::updateOverlays()
{
    if (!m_data)
        return;
    QVector<QPair<double, QColor>> lines;
    auto timeOf = [this](qsizetype i) { return double(m_data->times[std::size_t(i)]); };
    if (m_mark >= 0)
        lines.push_back({double(m_mark), kMarkColour});
    if (m_cursorA >= 0)
        lines.push_back({timeOf(m_cursorA), kCursorAColour});
    if (m_cursorB >= 0)
        lines.push_back({timeOf(m_cursorB), kCursorBColour});
    if (m_hover >= 0)
        lines.push_back({timeOf(m_hover), kGapColour});
    for (CursorOverlay *o : qAsConst(m_overlays))
        o->setLines(lines);
}

void Hydrograph::hoverAt(double seconds)
{
    if (!m_data)
        return;
    m_hover = lmv::nearestRecord(m_data->times, seconds);
    m_readout->setText(readoutText(m_hover));
    updateOverlays();
}

void Hydrograph::setCursor(Cursor which, double seconds)
{
    if (!m_data)
        return;
    (which == Cursor::A ? m_cursorA : m_cursorB) = lmv::nearestRecord(m_data->times, seconds);
    m_cursorLabel->setText(cursorText());
    updateOverlays();
    emit cursorsChanged();
}

void Hydrograph::clearCursors()
{
    m_cursorA = m_cursorB = -1;
    m_cursorLabel->setText(cursorText());
    updateOverlays();
    emit cursorsChanged();
}

qsizetype Hydrograph::cursorRecord(Cursor which) const
{
    return which == Cursor::A ? m_cursorA : m_cursorB;
}

double Hydrograph::cursorSeconds() const
{
    if (!m_data || m_cursorA < 0 || m_cursorB < 0)
        return 0.0;
    return double(m_data->times[std::size_t(m_cursorB)] - m_data->times[std::size_t(m_cursorA)]);
}

double Hydrograph::cursorVolume() const
{
    const lmv::PlotSeries *flow = m_data ? m_data->flow() : nullptr;
    if (!flow || m_cursorA < 0 || m_cursorB < 0)
        return std::nan("");
    // The flow series is in the shown unit; the volume needs litres per second. The same rule
    // as the daily table: each record's flow for its counted time, between the two records.
    const qint64 a = m_data->times[std::size_t(m_cursorA)];
    const qint64 b = m_data->times[std::size_t(m_cursorB)];
    return lmv::flowVolume(m_data->times, flow->values, m_data->nominal,
                           lmv::TimeSpan{std::min(a, b), std::max(a, b)}, m_data->flowFactor,
                           m_data->possible)
        .m3;
}

double Hydrograph::valueAt(int series, qsizetype record) const
{
    if (series < 0 || series >= m_curves.size() || record < 0)
        return std::nan("");
    return m_curves.at(series)->valueAt(std::size_t(record));
}

QString Hydrograph::valueText(int series, qsizetype record) const
{
    // The table view writes a float cell through its locale in this form.
    return locale().toString(float(valueAt(series, record)));
}

QString Hydrograph::readoutText(qsizetype record) const
{
    if (!m_data || record < 0 || std::size_t(record) >= m_data->times.size())
        return QString();
    QString text = clockText(double(m_data->times[std::size_t(record)]));
    for (int i = 0; i < int(m_data->series.size()); ++i)
        text += QStringLiteral("   %1 %2").arg(m_data->series[std::size_t(i)].title, valueText(i, record));
    return text;
}

QString Hydrograph::cursorText() const
{
    if (!m_data)
        return QString();
    auto timeText = [this](qsizetype i) {
        return i < 0 ? QStringLiteral("-") : clockText(double(m_data->times[std::size_t(i)]));
    };
    QString text = QStringLiteral("光标A %1   光标B %2").arg(timeText(m_cursorA), timeText(m_cursorB));
    if (m_cursorA >= 0 && m_cursorB >= 0) {
        text += QStringLiteral("   Δt %1").arg(durationText(cursorSeconds()));
        const double volume = cursorVolume();
        if (!std::isnan(volume))
            text += QStringLiteral("   体积 %1 m³").arg(locale().toString(volume, 'f', 3));
        if (m_cursorNote) {
            const qint64 a = m_data->times[std::size_t(m_cursorA)];
            const qint64 b = m_data->times[std::size_t(m_cursorB)];
            const QString note = m_cursorNote(std::min(a, b), std::max(a, b));
            if (!note.isEmpty())
                text += QStringLiteral("   ") + note;
        }
    }
    return text;
}

void Hydrograph::setCursorNote(CursorNote note)
{
    m_cursorNote = std::move(note);
    m_cursorLabel->setText(cursorText());
}

void Hydrograph::addPaneAbove(QWidget *widget, int stretch)
{
    m_paneLayout->insertWidget(0, widget, stretch);
    m_panesAbove.prepend(widget);
}

QList<QwtPlot *> Hydrograph::picturePanes() const
{
    QList<QwtPlot *> out;
    if (!m_data)
        return out;
    // A pane above (the hyetograph) goes into pictures while it is shown, above the others.
    for (const QPointer<QWidget> &above : m_panesAbove)
        if (above && !above->isHidden()) {
            QwtPlot *plot = qobject_cast<QwtPlot *>(above.data());
            if (!plot)
                plot = above->findChild<QwtPlot *>();
            if (plot)
                out << plot;
        }
    return out + m_panes;
}

bool Hydrograph::doubleClickAt(QwtPlot *pane, const QPoint &pos)
{
    // The first click of a double-click has moved a cursor: it goes back where it was.
    if (m_lastClickTime.isValid() && m_lastClickTime.elapsed() <= QApplication::doubleClickInterval()) {
        (m_lastClick.first == Cursor::A ? m_cursorA : m_cursorB) = m_lastClick.second;
        m_lastClickTime.invalidate();
        m_cursorLabel->setText(cursorText());
        updateOverlays();
        emit cursorsChanged();
    }
    const int i = m_panes.indexOf(pane);
    if (!m_data || i < 0)
        return false;
    const QwtScaleMap xm = pane->canvasMap(QwtPlot::xBottom);
    const QwtScaleMap ym = pane->canvasMap(QwtPlot::yLeft);
    // The records drawn within a few pixels of the click; the closest one is hit.
    const lmv::IndexRange range = lmv::visibleRange(m_data->times, xm.invTransform(pos.x() - kHitPixels),
                                                    xm.invTransform(pos.x() + kHitPixels));
    qsizetype best = -1;
    double bestDistance = kHitPixels + 0.5;
    for (std::size_t r = range.first; r < range.last; ++r) {
        const double v = valueAt(i, qsizetype(r));
        if (std::isnan(v))
            continue;
        const double dx = xm.transform(double(m_data->times[r])) - pos.x();
        const double dy = ym.transform(v) - pos.y();
        const double d = std::hypot(dx, dy);
        if (d < bestDistance) {
            bestDistance = d;
            best = qsizetype(r);
        }
    }
    if (best < 0)
        return false;
    emit recordDoubleClicked(best);
    return true;
}

bool Hydrograph::exportImage(const QString &path, QSize size, QString *error)
{
    return plotexport::exportPanes(picturePanes(), path, size, error, pictureTitle());
}

void Hydrograph::printPreview()
{
    if (m_data)
        plotexport::printPreview(picturePanes(), this, pictureTitle());
}

QStringList Hydrograph::pictureTitle() const
{
    if (!m_data)
        return {};
    const QString period =
        QStringLiteral("%1 至 %2").arg(clockText(std::floor(viewFrom())), clockText(std::ceil(viewTo())));
    QStringList more;
    if (m_cursorA >= 0 || m_cursorB >= 0)
        more << cursorText();
    return plotexport::titleLines(m_subject, period, more);
}

void Hydrograph::setLevelLines(const QVector<LevelLine> &lines)
{
    m_levelLines = lines;
    applyLevelLines();
    if (m_data) {
        rescaleValueAxes();
        replotAll();
    }
}

int Hydrograph::levelPane() const
{
    if (!m_data || !(m_data->levelFactor > 0.0f))
        return -1;
    for (std::size_t i = 0; i < m_data->series.size() && int(i) < m_panes.size(); ++i)
        if (m_data->series[i].key == QLatin1String("level"))
            return int(i);
    return -1;
}

void Hydrograph::applyLevelLines()
{
    for (QwtPlotMarker *marker : qAsConst(m_levelMarkers)) {
        marker->detach();
        delete marker;
    }
    m_levelMarkers.clear();
    const int pane = levelPane();
    if (pane < 0)
        return;
    for (const LevelLine &line : qAsConst(m_levelLines)) {
        auto *marker = new QwtPlotMarker(line.title);
        marker->setLineStyle(QwtPlotMarker::HLine);
        marker->setLinePen(line.pen);
        marker->setYValue(line.metres * double(m_data->levelFactor));
        QwtText label(line.title);
        label.setColor(line.pen.color());
        QFont font = label.font();
        font.setPointSize(8);
        label.setFont(font);
        marker->setLabel(label);
        marker->setLabelAlignment(Qt::AlignLeft | line.side);
        marker->setZ(15.0);
        marker->attach(m_panes.at(pane));
        m_levelMarkers << marker;
    }
}

void Hydrograph::askExport()
{
    if (!m_data)
        return;
    plotexport::askAndExport(
        this, plotexport::shownSize(picturePanes()),
        [this](const QString &path, QSize size, QString *error) { return exportImage(path, size, error); });
}

std::size_t Hydrograph::lastDrawnPoints() const
{
    std::size_t n = 0;
    for (const ReducedCurve *c : m_curves)
        n += c->lastDrawnPoints();
    return n;
}

void Hydrograph::setTimeMarks(int kind, const QColor &colour, const QVector<qint64> &times)
{
    if (times.isEmpty())
        m_timeMarks.remove(kind);
    else
        m_timeMarks.insert(kind, {colour, times});
    applyMarks();
    replotAll();
}

void Hydrograph::setPointMarks(int kind, const QString &seriesKey, const QColor &colour,
                               const QVector<QPointF> &points)
{
    if (points.isEmpty())
        m_pointMarks.remove(kind);
    else
        m_pointMarks.insert(kind, {seriesKey, colour, points});
    applyMarks();
    replotAll();
}

void Hydrograph::applyMarks()
{
    for (int i = 0; i < m_marks.size(); ++i) {
        MarkItem *item = m_marks.at(i);
        const QString key =
            m_data && i < int(m_data->series.size()) ? m_data->series[std::size_t(i)].key : QString();
        // Kinds dropped since the last call go as well.
        item->clear();
        for (auto it = m_timeMarks.cbegin(); it != m_timeMarks.cend(); ++it)
            item->setTimes(it.key(), it->colour, it->times);
        for (auto it = m_pointMarks.cbegin(); it != m_pointMarks.cend(); ++it)
            if (it->key == key)
                item->setPoints(it.key(), it->colour, it->points);
    }
}

QVector<qint64> Hydrograph::timeMarks(int kind) const
{
    return m_marks.isEmpty() || !m_data ? QVector<qint64>() : m_marks.front()->times(kind);
}

QVector<QPointF> Hydrograph::pointMarks(int kind, int pane) const
{
    return pane < 0 || pane >= m_marks.size() || !m_data ? QVector<QPointF>()
                                                         : m_marks.at(pane)->points(kind);
}

QwtPlot *Hydrograph::paneOf(const QString &seriesKey) const
{
    if (!m_data)
        return nullptr;
    for (int i = 0; i < int(m_data->series.size()) && i < m_panes.size(); ++i)
        if (m_data->series[std::size_t(i)].key == seriesKey)
            return m_panes.at(i);
    return nullptr;
}
