#pragma once

// A line over a time series that draws only what each pixel column can show (see
// data/PlotReduce.h), breaking at gaps. The values are a view over a shared PlotData, not a copy.

#include "data/PlotReduce.h"
#include "data/PlotSeries.h"

#include <QPen>

#include <qwt_plot_item.h>

#include <memory>
#include <vector>

class ReducedCurve : public QwtPlotItem
{
public:
    static constexpr int Rtti = QwtPlotItem::Rtti_PlotUserItem + 1;

    explicit ReducedCurve(const QString &title = QString());

    // The series `index` of data; the curve keeps data alive.
    void setSeries(std::shared_ptr<const lmv::PlotData> data, int index);
    void setPen(const QPen &pen);
    QPen pen() const { return m_pen; }
    // With reduction off every record of the visible range is drawn (for comparison only).
    void setReduction(bool on) { m_reduce = on; }

    // Lowest and highest value of the records in [from, to] seconds; false when none is a number.
    bool valueRange(double from, double to, double &low, double &high) const;
    // The value of record i (NaN outside).
    double valueAt(std::size_t i) const;
    // Number of points handed to the painter by the last draw.
    std::size_t lastDrawnPoints() const { return m_lastDrawn; }

    int rtti() const override { return Rtti; }
    QRectF boundingRect() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    std::shared_ptr<const lmv::PlotData> m_data;
    const lmv::ValueList *m_values = nullptr;
    QPen m_pen;
    bool m_reduce = true;
    const lmv::ValueBlocks *m_blocks = nullptr; // the series' own, or m_ownBlocks
    lmv::ValueBlocks m_ownBlocks;
    mutable std::vector<lmv::KeptPoint> m_kept;
    mutable std::size_t m_lastDrawn = 0;
};
