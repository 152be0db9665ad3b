#include "plots/LineItem.h"

#include <qwt_graphic.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <QPainter>
#include <QPolygonF>

LineItem::LineItem(const QString &title) : QwtPlotItem(QwtText(title))
{
    setItemAttribute(QwtPlotItem::Legend, true);
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setRenderHint(QwtPlotItem::RenderAntialiased, true);
    setLegendIconSize(QSize(24, 8));
}

void LineItem::setSamples(QVector<QPointF> points)
{
    m_points = std::move(points);
    itemChanged();
}

void LineItem::setPen(const QPen &pen)
{
    m_pen = pen;
    legendChanged();
    itemChanged();
}

QRectF LineItem::boundingRect() const
{
    if (m_points.isEmpty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    return QPolygonF(m_points).boundingRect();
}

void LineItem::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &) const
{
    if (m_points.size() < 2)
        return;
    QPolygonF line;
    line.reserve(m_points.size());
    for (const QPointF &p : m_points)
        line << QPointF(xMap.transform(p.x()), yMap.transform(p.y()));
    painter->save();
    painter->setPen(m_pen);
    painter->setBrush(Qt::NoBrush);
    QwtPainter::drawPolyline(painter, line);
    painter->restore();
}

QwtGraphic LineItem::legendIcon(int, const QSizeF &size) const
{
    QwtGraphic icon;
    icon.setDefaultSize(size);
    QPainter painter(&icon);
    painter.setPen(m_pen);
    const double y = size.height() / 2.0;
    painter.drawLine(QPointF(0.0, y), QPointF(size.width(), y));
    return icon;
}
