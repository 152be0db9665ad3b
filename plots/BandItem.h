#pragma once

// A filled band between two lines over time (inflow above a dry-weather profile, say): one
// polygon per band, in plot coordinates, drawn with a brush and no outline.

#include <qwt_plot_item.h>

#include <QBrush>
#include <QVector>

// One time of a band and the values it spans there.
struct BandPoint
{
    double x = 0.0;
    double low = 0.0;
    double high = 0.0;

    bool operator==(const BandPoint &o) const { return x == o.x && low == o.low && high == o.high; }
};

class BandItem : public QwtPlotItem
{
public:
    static constexpr int Rtti = QwtPlotItem::Rtti_PlotUserItem + 30;

    explicit BandItem(const QString &title);

    int rtti() const override { return Rtti; }
    void setBand(QVector<BandPoint> points);
    const QVector<BandPoint> &band() const { return m_points; }
    void setBrush(const QBrush &brush);

    QRectF boundingRect() const override;
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    QVector<BandPoint> m_points; // ascending x
    QBrush m_brush;
};
