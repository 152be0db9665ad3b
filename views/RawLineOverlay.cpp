#include "views/RawLineOverlay.h"

#include "plots/Hydrograph.h"
#include "plots/LineItem.h"
#include "views/SurveyEditing.h"

#include <qwt_plot.h>

#include <QPen>

namespace {

// The raw line behind the edited one: the edited line's own colour would hide which is which.
const QColor kRawLineColour(150, 150, 150, 150);

} // namespace

RawLineOverlay::~RawLineOverlay()
{
    clear();
}

void RawLineOverlay::clear()
{
    for (auto &[pane, item] : m_lines)
        if (pane) { // a pane deleted took its items with it
            item->detach();
            delete item;
            pane->replot();
        }
    m_lines.clear();
}

void RawLineOverlay::draw(Hydrograph *hydrograph, const lmv::PlotData *raw)
{
    clear();
    const std::shared_ptr<const lmv::PlotData> edited = hydrograph ? hydrograph->data() : nullptr;
    if (!raw || !edited)
        return;
    QPen pen(kRawLineColour);
    pen.setWidthF(1.0);
    for (std::size_t s = 0; s < edited->series.size(); ++s) {
        QwtPlot *pane = hydrograph->paneOf(edited->series[s].key);
        if (!pane)
            continue;
        const QVector<QVector<QPointF>> stretches = lmv::rawStretches(*raw, *edited, int(s));
        for (const QVector<QPointF> &stretch : stretches) {
            auto *item = new LineItem(QStringLiteral("原始数据"));
            item->setItemAttribute(QwtPlotItem::Legend, false);
            item->setPen(pen);
            item->setSamples(stretch);
            item->setZ(-1); // behind the records
            item->attach(pane);
            m_lines.emplace_back(pane, item);
        }
        if (!stretches.isEmpty())
            pane->replot();
    }
}
