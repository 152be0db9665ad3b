#pragma once

// A reference line of a plot: a polyline through a few hundred points in plot coordinates, with
// a pen and a legend entry. (Reference lines are short; the records are drawn elsewhere.)

#include <qwt_plot_item.h>

#include <QPen>
#include <QVector>

class LineItem : public QwtPlotItem
{
public:
    explicit LineItem(const QString &title);

    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem + 14; }

    void setSamples(QVector<QPointF> points);
    const QVector<QPointF> &samples() const { return m_points; }
    void setPen(const QPen &pen);
    QPen pen() const { return m_pen; }

    QRectF boundingRect() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;
    QwtGraphic legendIcon(int index, const QSizeF &size) const override;

private:
    QVector<QPointF> m_points;
    QPen m_pen;
};
