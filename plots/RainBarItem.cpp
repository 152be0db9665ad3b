#include "plots/RainBarItem.h"

#include <QPainter>

#include <qwt_scale_map.h>

#include <algorithm>

double RainBars::largestBetween(double from, double to) const
{
    double largest = 0.0;
    // Bars are ascending by start; the first that can overlap starts one interval before `from`.
    auto it = std::lower_bound(starts.begin(), starts.end(), qint64(from) - intervalSeconds);
    for (; it != starts.end() && double(*it) <= to; ++it) {
        const std::size_t i = std::size_t(it - starts.begin());
        if (double(*it + intervalSeconds) >= from)
            largest = std::max(largest, depthMm[i]);
    }
    return largest;
}

RainBarItem::RainBarItem()
{
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setZ(15);
}

void RainBarItem::setBars(RainBars bars)
{
    m_bars = std::move(bars);
    itemChanged();
}

void RainBarItem::setColour(const QColor &colour)
{
    m_colour = colour;
    itemChanged();
}

QRectF RainBarItem::boundingRect() const
{
    if (m_bars.empty())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    const double top = *std::max_element(m_bars.depthMm.begin(), m_bars.depthMm.end());
    const double from = double(m_bars.starts.front());
    return QRectF(from, 0.0, double(m_bars.starts.back() + m_bars.intervalSeconds) - from, top);
}

void RainBarItem::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                       const QRectF &) const
{
    if (m_bars.empty())
        return;
    const double from = std::min(xMap.s1(), xMap.s2());
    const double to = std::max(xMap.s1(), xMap.s2());
    const double base = yMap.transform(0.0);
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_colour);
    auto it =
        std::lower_bound(m_bars.starts.begin(), m_bars.starts.end(), qint64(from) - m_bars.intervalSeconds);
    for (; it != m_bars.starts.end() && double(*it) <= to; ++it) {
        const double depth = m_bars.depthMm[std::size_t(it - m_bars.starts.begin())];
        if (!(depth > 0.0))
            continue;
        const double x1 = xMap.transform(double(*it));
        const double x2 = xMap.transform(double(*it + m_bars.intervalSeconds));
        painter->drawRect(QRectF(QPointF(x1, base), QPointF(x2, yMap.transform(depth))).normalized());
    }
    painter->restore();
}
