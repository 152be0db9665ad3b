#include "plots/BandItem.h"
#include "plots/VisibleSpan.h"

#include <qwt_scale_map.h>

#include <QPainter>
#include <QPolygonF>

#include <algorithm>

BandItem::BandItem(const QString &title) : QwtPlotItem(QwtText(title))
{
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
}

void BandItem::setBand(QVector<BandPoint> points)
{
    m_points = std::move(points);
    itemChanged();
}

void BandItem::setBrush(const QBrush &brush)
{
    m_brush = brush;
    itemChanged();
}

QRectF BandItem::boundingRect() const
{
    if (m_points.isEmpty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    double low = m_points.front().low, high = m_points.front().high;
    for (const BandPoint &p : m_points) {
        low = std::min(low, p.low);
        high = std::max(high, p.high);
    }
    return QRectF(m_points.front().x, low, m_points.back().x - m_points.front().x, high - low);
}

void BandItem::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &) const
{
    if (m_points.size() < 2)
        return;
    // Only the part in view, one point beyond each side.
    const auto [first, last] = visibleSpan(m_points, xMap, [](const BandPoint &p) { return p.x; });
    if (last - first < 2)
        return;
    QPolygonF polygon;
    polygon.reserve(int(2 * (last - first)));
    for (auto it = first; it != last; ++it)
        polygon << QPointF(xMap.transform(it->x), yMap.transform(it->high));
    for (auto it = last; it != first;) {
        --it;
        polygon << QPointF(xMap.transform(it->x), yMap.transform(it->low));
    }
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_brush);
    painter->drawPolygon(polygon);
    painter->restore();
}
