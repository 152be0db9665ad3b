#include "plots/HydrographPage.h"

#include "plots/LineItem.h"
#include "plots/ReducedCurve.h"
#include "plots/ShadeItem.h"
#include "plots/TimeAxis.h"

#include <QFontMetrics>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_renderer.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>

namespace {

const QColor kSeriesColours[] = {QColor(0, 90, 200), QColor(200, 60, 0), QColor(0, 140, 60),
                                 QColor(150, 0, 150)};
const QColor kGapColour(0, 0, 0, 28);
const QColor kReferenceColour(90, 90, 90);
constexpr double kRainShare = 0.6; // height of the hyetograph against a series pane

QwtPlot *makePane(const QFont &font, const QString &title, bool timeLabels)
{
    auto *pane = new QwtPlot;
    pane->setCanvasBackground(Qt::white);
    if (auto *canvas = qobject_cast<QwtPlotCanvas *>(pane->canvas()))
        canvas->setFrameStyle(int(QFrame::Box) | int(QFrame::Plain));
    useClockAxis(pane);
    pane->plotLayout()->setAlignCanvasToScales(true);
    pane->plotLayout()->setSpacing(0);
    pane->setContentsMargins(0, 0, 0, 0);
    // Room at both ends of every time axis for half a time label, so that the canvases line up
    // whether their axis writes the labels or not.
    const int border = QFontMetrics(font, pane).horizontalAdvance(QStringLiteral("00-00 00:00")) / 2 + 4;
    pane->axisWidget(QwtPlot::xBottom)->setMinBorderDist(border, border);
    pane->setAxisFont(QwtPlot::xBottom, font);
    pane->setAxisFont(QwtPlot::yLeft, font);
    if (!timeLabels)
        pane->axisScaleDraw(QwtPlot::xBottom)->enableComponent(QwtAbstractScaleDraw::Labels, false);
    QwtText axisTitle(title);
    axisTitle.setFont(font);
    pane->setAxisTitle(QwtPlot::yLeft, axisTitle);
    pane->setAxisMaxMajor(QwtPlot::yLeft, 4);
    pane->setAxisMaxMinor(QwtPlot::yLeft, 4);
    auto *grid = new QwtPlotGrid;
    grid->setPen(QColor(225, 225, 225), 0, Qt::SolidLine);
    grid->attach(pane);
    return pane;
}

// A line of text in a corner of a pane's canvas.
void cornerNote(QwtPlot *pane, const QString &text, const QFont &font, Qt::Alignment corner,
                const QColor &colour)
{
    QwtText note(text);
    note.setFont(font);
    note.setColor(colour);
    note.setRenderFlags(int(corner));
    // Readable over the bars or lines beneath it.
    note.setBackgroundBrush(QColor(255, 255, 255, 220));
    auto *label = new QwtPlotTextLabel;
    label->setText(note);
    label->setMargin(3);
    label->setZ(30);
    label->attach(pane);
}

// The value axis from the lowest to the highest value shown, with a little room; a flat line
// sits in the middle.
void scaleToValues(QwtPlot *pane, double low, double high)
{
    if (!(low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    const double margin = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.1, 0.5);
    pane->setAxisScale(QwtPlot::yLeft, low - margin, high + margin);
}

void extendByReference(const HydrographPage &page, double &low, double &high)
{
    for (const QPointF &p : page.reference) {
        if (p.x() < page.from || p.x() > page.to || !std::isfinite(p.y()))
            continue;
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
}

// The value axes take the width of the widest, so the canvases share one time scale.
void alignValueAxes(const QList<QwtPlot *> &panes)
{
    int extent = 0;
    for (QwtPlot *pane : panes) {
        pane->updateAxes();
        QwtScaleWidget *w = pane->axisWidget(QwtPlot::yLeft);
        w->scaleDraw()->setMinimumExtent(0);
        extent = std::max(extent, int(w->scaleDraw()->extent(w->font())));
    }
    for (QwtPlot *pane : panes)
        pane->axisWidget(QwtPlot::yLeft)->scaleDraw()->setMinimumExtent(extent);
}

} // namespace

void paintHydrographPage(QPainter *painter, const QRectF &rect, const HydrographPage &page)
{
    QList<QwtPlot *> panes;
    QList<double> shares;
    const int series = page.data ? int(page.data->series.size()) : 0;
    const double from = page.from;
    const double to = page.to > page.from ? page.to : page.from + 60.0;

    if (!page.rain.empty()) {
        QwtPlot *rain = makePane(page.font, page.rainTitle, series == 0);
        auto *bars = new RainBarItem;
        bars->setBars(page.rain);
        bars->attach(rain);
        // The axis turned over: 0 at the top, the bars hanging down from it.
        const double top = std::max(1.0, page.rain.largestBetween(from, to) * 1.1);
        rain->setAxisScale(QwtPlot::yLeft, top, 0.0);
        if (!page.rainNote.isEmpty())
            cornerNote(rain, page.rainNote, page.font, Qt::AlignLeft | Qt::AlignBottom, kReferenceColour);
        panes << rain;
        shares << kRainShare;
    }
    QVector<lmv::TimeSpan> gaps;
    if (page.data)
        gaps = lmv::gapSpans(page.data->gaps);
    for (int i = 0; i < series; ++i) {
        QwtPlot *pane = makePane(page.font, page.data->series[std::size_t(i)].title, i == series - 1);
        auto *shade = new ShadeItem;
        shade->setRanges(0, kGapColour, gaps);
        shade->attach(pane);
        auto *curve = new ReducedCurve;
        curve->setPen(QPen(kSeriesColours[i % 4], 1.0));
        curve->setSeries(page.data, i);
        curve->attach(pane);
        double low = INFINITY, high = -INFINITY;
        if (!curve->valueRange(from, to, low, high)) {
            low = INFINITY; // no record shown: the reference line alone, or the default scale
            high = -INFINITY;
        }
        if (i == page.referencePane && page.reference.size() > 1) {
            auto *line = new LineItem(page.referenceTitle);
            line->setPen(QPen(kReferenceColour, 1.0, Qt::DashLine));
            line->setSamples(page.reference);
            line->setZ(10); // under the records' line
            line->attach(pane);
            extendByReference(page, low, high);
            if (!page.referenceTitle.isEmpty())
                cornerNote(pane, page.referenceTitle, page.font, Qt::AlignRight | Qt::AlignTop,
                           kReferenceColour);
        }
        scaleToValues(pane, low, high);
        panes << pane;
        shares << 1.0;
    }
    if (panes.isEmpty())
        return;

    double total = 0.0;
    for (double s : shares)
        total += s;
    // The panes are laid out at screen resolution and scaled into the rectangle by the renderer;
    // they need a size of their own for that.
    const double scale = painter->device()->logicalDpiX() / double(panes.first()->logicalDpiX());
    for (int i = 0; i < panes.size(); ++i) {
        panes.at(i)->setAxisScale(QwtPlot::xBottom, from, to);
        panes.at(i)->resize(QSize(std::max(16, int(rect.width() / scale)),
                                  std::max(16, int(rect.height() * shares.at(i) / total / scale))));
    }
    alignValueAxes(panes);

    QwtPlotRenderer renderer;
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardBackground, true);
    double top = rect.top();
    for (int i = 0; i < panes.size(); ++i) {
        const double h = rect.height() * shares.at(i) / total;
        renderer.render(panes.at(i), painter, QRectF(rect.left(), top, rect.width(), h));
        top += h;
    }
    qDeleteAll(panes);
}
