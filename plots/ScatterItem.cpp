#include "plots/ScatterItem.h"

#include <qwt_scale_map.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPaletteSize = 256;

// Dark blue through teal and green to yellow and red: early records cool, late records warm,
// distinguishable in print as well.
const QColor kStops[] = {QColor(48, 18, 130),  QColor(33, 102, 172), QColor(26, 152, 128),
                         QColor(120, 190, 60), QColor(240, 200, 30), QColor(215, 48, 39)};

QColor blend(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

QColor scaleAt(double t)
{
    constexpr int segments = int(std::size(kStops)) - 1;
    const double s = std::clamp(t, 0.0, 1.0) * segments;
    const int i = std::min(segments - 1, int(s));
    return blend(kStops[i], kStops[i + 1], s - i);
}

} // namespace

ScatterItem::ScatterItem() : QwtPlotItem(QwtText(QStringLiteral("记录")))
{
    setZ(10.0);
    // The view sets its own scales; a scan of every record on each replot is not needed.
    setItemAttribute(QwtPlotItem::AutoScale, false);
    setItemAttribute(QwtPlotItem::Legend, false);
    m_palette.reserve(kPaletteSize);
    for (int i = 0; i < kPaletteSize; ++i)
        m_palette.append(scaleAt(double(i) / (kPaletteSize - 1)).rgb());
}

QVector<QColor> ScatterItem::scaleColours()
{
    return QVector<QColor>(std::begin(kStops), std::end(kStops));
}

void ScatterItem::setSeries(std::shared_ptr<const lmv::PlotData> data, int xSeries, int ySeries)
{
    m_data = std::move(data);
    m_x = xSeries;
    m_y = ySeries;
    m_grid = {};
    itemChanged();
}

void ScatterItem::setTimeRange(qint64 from, qint64 to)
{
    m_from = from;
    m_to = to;
    itemChanged();
}

void ScatterItem::setColourRange(qint64 first, qint64 last)
{
    m_first = first;
    m_last = last;
    itemChanged();
}

void ScatterItem::setGroups(std::shared_ptr<const std::vector<quint8>> groups, QVector<QColor> colours)
{
    m_groups = std::move(groups);
    m_groupColours.clear();
    for (const QColor &c : colours)
        m_groupColours.append(c.rgb());
    itemChanged();
}

bool ScatterItem::grouped() const
{
    return m_groups && m_data && !m_groupColours.isEmpty() && m_groups->size() == m_data->times.size();
}

void ScatterItem::setCellSize(int pixels)
{
    m_cell = std::max(1, pixels);
    itemChanged();
}

QColor ScatterItem::colourAt(qint64 seconds) const
{
    const double t = m_last > m_first ? double(seconds - m_first) / double(m_last - m_first) : 1.0;
    return QColor(m_palette[std::clamp(int(std::lround(t * (kPaletteSize - 1))), 0, kPaletteSize - 1)]);
}

QRectF ScatterItem::boundingRect() const
{
    if (!m_data || m_x < 0 || m_y < 0)
        return QRectF(1.0, 1.0, -2.0, -2.0); // invalid: no autoscale contribution
    const lmv::ValueList &xs = m_data->series[std::size_t(m_x)].values;
    const lmv::ValueList &ys = m_data->series[std::size_t(m_y)].values;
    float x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i) {
        if (!std::isfinite(xs[i]) || !std::isfinite(ys[i]))
            continue;
        x0 = std::min(x0, xs[i]);
        x1 = std::max(x1, xs[i]);
        y0 = std::min(y0, ys[i]);
        y1 = std::max(y1, ys[i]);
    }
    if (!(x1 >= x0))
        return QRectF(1.0, 1.0, -2.0, -2.0);
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

void ScatterItem::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                       const QRectF &canvasRect) const
{
    const QRect area = canvasRect.toAlignedRect();
    m_origin = area.topLeft();
    m_grid = {};
    if (!m_data || m_x < 0 || m_y < 0 || area.width() < m_cell || area.height() < m_cell)
        return;
    lmv::CellFrame frame;
    frame.columns = area.width() / m_cell;
    frame.rows = area.height() / m_cell;
    // Cells start at the canvas's top-left pixel; rows count from the bottom.
    frame.xMin = xMap.invTransform(area.left());
    frame.xMax = xMap.invTransform(area.left() + frame.columns * m_cell);
    frame.yMax = yMap.invTransform(area.top());
    frame.yMin = yMap.invTransform(area.top() + frame.rows * m_cell);
    if (!(frame.xMax > frame.xMin) || !(frame.yMax > frame.yMin))
        return;
    m_grid =
        lmv::binLatestPerCell(m_data->series[std::size_t(m_x)].values,
                              m_data->series[std::size_t(m_y)].values, m_data->times, m_from, m_to, frame);
    if (m_grid.occupied == 0)
        return;

    QImage image(frame.columns * m_cell, frame.rows * m_cell, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const double span = m_last > m_first ? double(m_last - m_first) : 0.0;
    const bool byGroup = grouped();
    for (int row = 0; row < frame.rows; ++row) {
        const int top = (frame.rows - 1 - row) * m_cell;
        for (int column = 0; column < frame.columns; ++column) {
            const qint32 index = m_grid.at(column, row);
            if (index < 0)
                continue;
            const double t = span > 0.0 ? double(m_data->times[std::size_t(index)] - m_first) / span : 1.0;
            const QRgb colour =
                byGroup
                    ? m_groupColours[(*m_groups)[std::size_t(index)] % m_groupColours.size()]
                    : m_palette[std::clamp(int(std::lround(t * (kPaletteSize - 1))), 0, kPaletteSize - 1)];
            for (int dy = 0; dy < m_cell; ++dy) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(top + dy)) + column * m_cell;
                std::fill(line, line + m_cell, colour);
            }
        }
    }
    painter->drawImage(area.topLeft(), image);
}

qint32 ScatterItem::recordNear(const QPoint &canvasPos, int reach) const
{
    const lmv::CellFrame &f = m_grid.frame;
    if (m_grid.latest.empty() || m_cell <= 0)
        return -1;
    const int column = (canvasPos.x() - m_origin.x()) / m_cell;
    const int row = f.rows - 1 - (canvasPos.y() - m_origin.y()) / m_cell;
    if (column < -reach || column >= f.columns + reach || row < -reach || row >= f.rows + reach)
        return -1;
    return lmv::nearestInGrid(m_grid, column, row, reach);
}
