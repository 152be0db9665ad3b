#pragma once

// The raw line drawn faint behind a hydrograph's edited one, only where the two differ (a record
// changed or removed). Its items are attached to the hydrograph's panes; a pane deleted meanwhile
// takes its items with it.

#include "data/PlotSeries.h"

#include <QPointer>

#include <utility>
#include <vector>

class Hydrograph;
class LineItem;
class QwtPlot;

class RawLineOverlay
{
public:
    RawLineOverlay() = default;
    ~RawLineOverlay();
    RawLineOverlay(const RawLineOverlay &) = delete;
    RawLineOverlay &operator=(const RawLineOverlay &) = delete;

    // Draws the stretches where `raw` differs from the data the hydrograph shows (both in its
    // units, in time order); null raw data draws nothing. What was drawn before goes.
    void draw(Hydrograph *hydrograph, const lmv::PlotData *raw);
    void clear();
    // The items drawn, one per stretch.
    qsizetype stretchCount() const { return qsizetype(m_lines.size()); }

private:
    std::vector<std::pair<QPointer<QwtPlot>, LineItem *>> m_lines;
};
