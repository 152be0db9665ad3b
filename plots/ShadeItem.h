#pragma once

// Shaded time ranges behind the curves of a pane: gaps, surcharge and whatever else a view marks.
// Each kind has its own colour; ranges are in clock seconds.

#include "data/PlotSeries.h"

#include <QColor>
#include <QMap>
#include <QVector>

#include <qwt_plot_item.h>

class ShadeItem : public QwtPlotItem
{
public:
    static constexpr int Rtti = QwtPlotItem::Rtti_PlotUserItem + 2;

    ShadeItem();

    // Replaces the ranges of one kind (an empty list removes the kind).
    void setRanges(int kind, const QColor &colour, QVector<lmv::TimeSpan> ranges);
    QVector<lmv::TimeSpan> ranges(int kind) const;

    int rtti() const override { return Rtti; }
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    struct Kind
    {
        QColor colour;
        QVector<lmv::TimeSpan> ranges; // sorted by start
    };
    QMap<int, Kind> m_kinds;
};
