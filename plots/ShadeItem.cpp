#include "plots/ShadeItem.h"

#include <QPainter>

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

ShadeItem::ShadeItem()
{
    setZ(0);
}

void ShadeItem::setRanges(int kind, const QColor &colour, QVector<lmv::TimeSpan> ranges)
{
    if (ranges.isEmpty()) {
        m_kinds.remove(kind);
    } else {
        std::sort(ranges.begin(), ranges.end(),
                  [](const lmv::TimeSpan &a, const lmv::TimeSpan &b) { return a.start < b.start; });
        m_kinds.insert(kind, {colour, std::move(ranges)});
    }
    itemChanged();
}

QVector<lmv::TimeSpan> ShadeItem::ranges(int kind) const
{
    return m_kinds.value(kind).ranges;
}

void ShadeItem::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &,
                     const QRectF &canvasRect) const
{
    const double from = std::min(xMap.s1(), xMap.s2());
    const double to = std::max(xMap.s1(), xMap.s2());
    painter->save();
    painter->setPen(Qt::NoPen);
    for (const Kind &kind : m_kinds) {
        painter->setBrush(kind.colour);
        // Ranges are sorted by start; ranges starting after the view are not visited.
        for (const lmv::TimeSpan &r : kind.ranges) {
            if (double(r.start) > to)
                break;
            if (double(r.end) < from)
                continue;
            double x1 = std::max(xMap.transform(double(r.start)), canvasRect.left() - 1);
            double x2 = std::min(xMap.transform(double(r.end)), canvasRect.right() + 1);
            if (x2 - x1 < 1.0)
                x2 = x1 + 1.0;
            painter->drawRect(QRectF(x1, canvasRect.top(), x2 - x1, canvasRect.height()));
        }
    }
    painter->restore();
}
