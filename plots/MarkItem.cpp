#include "plots/MarkItem.h"

#include <QPainter>
#include <QPolygonF>

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace {

// Half the width of a symbol in pixels.
constexpr double kSymbolRadius = 5.0;

} // namespace

MarkItem::MarkItem()
{
    // Above the line (curves sit at 20) and below the cursor lines of the overlay.
    setZ(25);
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
}

void MarkItem::setTimes(int kind, const QColor &colour, QVector<qint64> times)
{
    if (times.isEmpty())
        m_times.remove(kind);
    else
        m_times.insert(kind, {colour, std::move(times)});
    itemChanged();
}

void MarkItem::setPoints(int kind, const QColor &colour, QVector<QPointF> points)
{
    if (points.isEmpty())
        m_points.remove(kind);
    else
        m_points.insert(kind, {colour, std::move(points)});
    itemChanged();
}

void MarkItem::clear()
{
    m_times.clear();
    m_points.clear();
    itemChanged();
}

void MarkItem::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect) const
{
    const double from = std::min(xMap.s1(), xMap.s2());
    const double to = std::max(xMap.s1(), xMap.s2());
    painter->save();
    for (const Lines &lines : m_times) {
        painter->setPen(QPen(lines.colour, 1, Qt::DashLine));
        for (qint64 t : lines.times) {
            if (double(t) < from || double(t) > to)
                continue;
            const double x = std::round(xMap.transform(double(t))) + 0.5;
            painter->drawLine(QPointF(x, canvasRect.top()), QPointF(x, canvasRect.bottom()));
        }
    }
    painter->setRenderHint(QPainter::Antialiasing, true);
    for (const Symbols &symbols : m_points) {
        painter->setPen(QPen(symbols.colour.darker(150), 1));
        painter->setBrush(symbols.colour);
        for (const QPointF &p : symbols.points) {
            if (p.x() < from || p.x() > to || !std::isfinite(p.y()))
                continue;
            // A diamond: it stands out from the line's own points whatever their colour.
            const QPointF c(xMap.transform(p.x()), yMap.transform(p.y()));
            const double r = kSymbolRadius;
            painter->drawPolygon(
                QPolygonF({c + QPointF(0, -r), c + QPointF(r, 0), c + QPointF(0, r), c + QPointF(-r, 0)}));
        }
    }
    painter->restore();
}
