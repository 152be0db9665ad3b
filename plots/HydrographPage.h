#pragma once

// A hydrograph for a printed page: the series' panes stacked on one time axis over a chosen time
// range, a hyetograph of rain bars hanging from the top above them, and a dashed reference line
// (a dry-weather profile, say) under one pane's line. Drawn straight into a painter's rectangle
// as vectors; nothing is shown on screen.

#include "data/PlotSeries.h"
#include "plots/RainBarItem.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

#include <memory>

class QPainter;

struct HydrographPage
{
    std::shared_ptr<const lmv::PlotData> data; // one pane per series, top to bottom
    double from = 0.0;                         // time range, clock seconds
    double to = 0.0;
    RainBars rain; // empty: no hyetograph
    QString rainTitle = QStringLiteral("降雨(mm)");
    QString rainNote;           // written low in the hyetograph's corner ("每10分钟")
    int referencePane = -1;     // the series index whose pane gets the reference line
    QVector<QPointF> reference; // (clock seconds, value in that pane's unit), ascending
    QString referenceTitle;     // written in that pane's corner when set
    QFont font;                 // axis labels and titles
};

// Paints the page's panes into rect: the hyetograph (when rain is given) about half as high as
// a series pane, the series panes sharing the rest, the times written under the lowest pane.
void paintHydrographPage(QPainter *painter, const QRectF &rect, const HydrographPage &page);
