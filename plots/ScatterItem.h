#pragma once

// The scattergraph's points. A million records would be a million marks on top of each other;
// instead the canvas is divided into square cells and every occupied cell is painted once, in the
// colour of its latest record's time, so the picture is exact at the cell whatever the count.

#include "data/PlotSeries.h"
#include "data/ScatterCells.h"

#include <qwt_plot_item.h>

#include <QColor>
#include <QVector>

#include <memory>
#include <vector>

class ScatterItem : public QwtPlotItem
{
public:
    ScatterItem();

    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem + 13; }

    // Points from two series of a data set (x, y), kept alive by the item.
    void setSeries(std::shared_ptr<const lmv::PlotData> data, int xSeries, int ySeries);
    // Only records with times in [from, to] are drawn.
    void setTimeRange(qint64 from, qint64 to);
    // Times mapped to the first and last colour of the scale.
    void setColourRange(qint64 first, qint64 last);
    // Colours the records by group instead of by time (which pipe a record was measured with):
    // groups[i] picks the colour of record i. Null (or a list of another length than the
    // records) colours by time again.
    void setGroups(std::shared_ptr<const std::vector<quint8>> groups, QVector<QColor> colours);
    bool grouped() const;
    // Side of a cell in pixels (≥ 1).
    void setCellSize(int pixels);
    int cellSize() const { return m_cell; }

    // The colour of a time on the scale.
    QColor colourAt(qint64 seconds) const;
    // The colour scale, first to last, as the axis colour bar shows it.
    static QVector<QColor> scaleColours();

    QRectF boundingRect() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

    // The cells of the last draw and where that draw's canvas started (cursor and double-click).
    const lmv::CellGrid &lastGrid() const { return m_grid; }
    QPoint lastOrigin() const { return m_origin; }
    // The record drawn nearest to a canvas position, at most `reach` cells away; -1 when none.
    qint32 recordNear(const QPoint &canvasPos, int reach) const;

private:
    std::shared_ptr<const lmv::PlotData> m_data;
    int m_x = -1, m_y = -1;
    qint64 m_from = std::numeric_limits<qint64>::min();
    qint64 m_to = std::numeric_limits<qint64>::max();
    qint64 m_first = 0, m_last = 0;
    int m_cell = 2;
    QVector<QRgb> m_palette;
    std::shared_ptr<const std::vector<quint8>> m_groups;
    QVector<QRgb> m_groupColours;
    mutable lmv::CellGrid m_grid;
    mutable QPoint m_origin;
};
