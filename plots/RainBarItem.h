#pragma once

// Rain as bars: one bar per interval from its start to its end, as high as its depth, drawn
// from the value 0 of the axis (a hyetograph turns its axis over so that the bars hang from the top).

#include <QColor>
#include <QtGlobal>

#include <qwt_plot_item.h>

#include <vector>

// Depths of intervals of one length; intervals start at starts[i], in ascending order.
struct RainBars
{
    qint64 intervalSeconds = 0;
    std::vector<qint64> starts;
    std::vector<double> depthMm;

    bool empty() const { return starts.empty() || intervalSeconds <= 0; }
    // The largest depth of the intervals that overlap [from, to]; 0 without any.
    double largestBetween(double from, double to) const;
};

class RainBarItem : public QwtPlotItem
{
public:
    RainBarItem();

    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem + 15; }

    void setBars(RainBars bars);
    const RainBars &bars() const { return m_bars; }
    void setColour(const QColor &colour);
    QColor colour() const { return m_colour; }

    QRectF boundingRect() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    RainBars m_bars;
    QColor m_colour{40, 110, 200};
};
