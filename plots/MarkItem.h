#pragma once

// Marks over a pane's line: vertical lines at times (where one file gives way to the next, say)
// and symbols at single readings (what a site visit measured by hand). Each kind of mark has its
// own colour; times in clock seconds, values in the pane's shown unit.

#include <QColor>
#include <QMap>
#include <QPointF>
#include <QVector>

#include <qwt_plot_item.h>

class MarkItem : public QwtPlotItem
{
public:
    static constexpr int Rtti = QwtPlotItem::Rtti_PlotUserItem + 3;

    MarkItem();

    // Replaces the lines of one kind (an empty list removes the kind).
    void setTimes(int kind, const QColor &colour, QVector<qint64> times);
    // Replaces the symbols of one kind (an empty list removes the kind): (seconds, value).
    void setPoints(int kind, const QColor &colour, QVector<QPointF> points);
    // Removes every mark.
    void clear();
    QVector<qint64> times(int kind) const { return m_times.value(kind).times; }
    QVector<QPointF> points(int kind) const { return m_points.value(kind).points; }

    int rtti() const override { return Rtti; }
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    struct Lines
    {
        QColor colour;
        QVector<qint64> times;
    };
    struct Symbols
    {
        QColor colour;
        QVector<QPointF> points;
    };
    QMap<int, Lines> m_times;
    QMap<int, Symbols> m_points;
};
