#include "plots/ReducedCurve.h"

#include <QPainter>
#include <QPolygonF>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

ReducedCurve::ReducedCurve(const QString &title) : QwtPlotItem(QwtText(title))
{
    // The hydrograph scales its axes itself, from the visible records only.
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setZ(20);
}

void ReducedCurve::setSeries(std::shared_ptr<const lmv::PlotData> data, int index)
{
    m_data = std::move(data);
    m_values = nullptr;
    m_blocks = nullptr;
    m_ownBlocks = {};
    if (m_data && index >= 0 && std::size_t(index) < m_data->series.size()) {
        const lmv::PlotSeries &series = m_data->series[std::size_t(index)];
        m_values = &series.values;
        // Series from the builders come summarised; others are summarised here.
        const std::size_t n = std::min(m_data->times.size(), m_values->size());
        if (series.blocks.fits(n) && m_values->size() == m_data->times.size()) {
            m_blocks = &series.blocks;
        } else {
            m_ownBlocks = lmv::summarizeBlocks(m_data->times, *m_values, m_data->nominal);
            m_blocks = &m_ownBlocks;
        }
    }
    itemChanged();
}

void ReducedCurve::setPen(const QPen &pen)
{
    m_pen = pen;
    itemChanged();
}

bool ReducedCurve::valueRange(double from, double to, double &low, double &high) const
{
    return m_values && lmv::valueRange(m_data->times, *m_values, from, to, low, high, m_blocks);
}

double ReducedCurve::valueAt(std::size_t i) const
{
    return m_values && i < m_values->size() ? double((*m_values)[i]) : std::nan("");
}

QRectF ReducedCurve::boundingRect() const
{
    if (!m_values || m_data->times.empty())
        return QRectF(1.0, 1.0, -2.0, -2.0); // Qwt's "no bounds"
    double low = 0, high = 0;
    if (!valueRange(double(m_data->times.front()), double(m_data->times.back()), low, high))
        return QRectF(1.0, 1.0, -2.0, -2.0);
    return QRectF(double(m_data->times.front()), low, double(m_data->times.back() - m_data->times.front()),
                  high - low);
}

void ReducedCurve::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                        const QRectF &canvasRect) const
{
    m_lastDrawn = 0;
    if (!m_values || m_data->times.empty())
        return;
    const lmv::TimeList &times = m_data->times;
    const double from = std::min(xMap.s1(), xMap.s2());
    const double to = std::max(xMap.s1(), xMap.s2());
    const lmv::IndexRange range = lmv::visibleRange(times, from, to);
    const bool align = QwtPainter::roundingAlignment(painter);
    if (m_reduce) {
        // Columns are device pixels: on a scaled painter (a print, a picture of another
        // resolution) the map's pixels are not the device's.
        double p1 = xMap.p1();
        double p2 = xMap.p2();
        if (!align) {
            const QTransform &tr = painter->transform();
            p1 = p1 * tr.m11() + tr.dx();
            p2 = p2 * tr.m11() + tr.dx();
        }
        lmv::reduceM4(times, *m_values, range, lmv::PixelMap::fromRange(xMap.s1(), xMap.s2(), p1, p2),
                      m_data->nominal, m_kept, m_blocks);
    } else {
        // Every record, with the same breaks.
        m_kept.clear();
        bool newRun = true;
        for (std::size_t i = range.first; i < range.last; ++i) {
            if (!std::isfinite((*m_values)[i])) {
                newRun = true;
                continue;
            }
            if (i > range.first && lmv::isGapStep(times[i] - times[i - 1], m_data->nominal))
                newRun = true;
            m_kept.push_back({i, newRun});
            newRun = false;
        }
    }

    // Same point alignment and clipping as a plain curve, so both give the same pixels.
    const qreal pw = std::max(qreal(1.0), m_pen.widthF());
    const QRectF clip = canvasRect.adjusted(-pw, -pw, pw, pw);
    painter->save();
    painter->setPen(m_pen);
    QPolygonF run;
    QVector<QLineF> segments;
    // On screen the kept points of a pixel column share one x: their segments up and down that
    // column cover the pixels from the lowest to the highest of them, one vertical line.
    const bool joinColumns = m_reduce && align && m_pen.style() == Qt::SolidLine;
    auto drawRun = [&] {
        if (run.size() == 1) {
            QwtPainter::drawPoint(painter, run.front());
        } else if (run.size() > 1) {
            // Separate segments, each with both end pixels: a polyline leaves out pixels at
            // some joins, which would make the picture depend on how many points lie inside a
            // pixel column. Segments drawn alone cover the same pixels whatever lies between.
            const QPolygonF clipped = QwtClipper::clipPolygonF(clip, run, false);
            segments.clear();
            bool vertical = false; // the last segment runs up or down the column of point i - 1
            for (int i = 1; i < clipped.size(); ++i) {
                const QPointF &a = clipped[i - 1];
                const QPointF &b = clipped[i];
                if (joinColumns && vertical && b.x() == a.x()) {
                    QLineF &line = segments.back();
                    line.setLine(a.x(), std::min({line.y1(), line.y2(), b.y()}), a.x(),
                                 std::max({line.y1(), line.y2(), b.y()}));
                    continue;
                }
                vertical = b.x() == a.x();
                segments.push_back(QLineF(a, b));
            }
            painter->drawLines(segments.constData(), segments.size());
        }
        m_lastDrawn += std::size_t(run.size());
        run.clear();
    };
    for (const lmv::KeptPoint &k : m_kept) {
        if (k.breakBefore)
            drawRun();
        double x = xMap.transform(double(times[k.index]));
        double y = yMap.transform(double((*m_values)[k.index]));
        // Far outside the canvas (a neighbour across a long gap at a deep zoom) a rounded
        // coordinate would overflow; there the clipper alone decides what shows.
        if (align && std::abs(x) < 1e6 && std::abs(y) < 1e6) {
            x = qRound(x);
            y = qRound(y);
        }
        run << QPointF(x, y);
    }
    drawRun();
    painter->restore();
}
