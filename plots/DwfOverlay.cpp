#include "plots/DwfOverlay.h"
#include "plots/VisibleSpan.h"

#include "plots/Hydrograph.h"

#include <qwt_plot.h>
#include <qwt_scale_map.h>

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

using namespace lmv::survey;

namespace {

const QColor kProfileColour(40, 40, 40);
const QColor kBandColour(0, 150, 200, 90);
// Drawn under the flow line, above the shading of gaps.
constexpr double kBandZ = 15.0;
constexpr double kProfileZ = 16.0;

const DiurnalProfile *profileOf(const DryWeatherResult &dwf, qint64 day)
{
    const DiurnalProfile &own = dwf.profile(dwf.groupOf(day));
    if (own.present())
        return &own;
    const DiurnalProfile &other =
        dwf.profile(own.group == DayGroup::Weekend ? DayGroup::Weekday : DayGroup::Weekend);
    return other.present() ? &other : nullptr;
}

} // namespace

// A dashed line over weeks of slots: only the part in view is drawn (a dash pattern over tens of
// thousands of segments costs more than the records' own line).
class ProfileLineItem : public QwtPlotItem
{
public:
    static constexpr int Rtti = QwtPlotItem::Rtti_PlotUserItem + 31;

    explicit ProfileLineItem(QVector<QPointF> points)
        : QwtPlotItem(QwtText(QStringLiteral("旱季流量"))), m_points(std::move(points))
    {
        setItemAttribute(QwtPlotItem::AutoScale, false);
        setZ(kProfileZ);
    }
    int rtti() const override { return Rtti; }
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &) const override
    {
        const auto [first, last] = visibleSpan(m_points, xMap, [](const QPointF &p) { return p.x(); });
        if (last - first < 2)
            return;
        QPolygonF line;
        line.reserve(int(last - first));
        for (auto it = first; it != last; ++it)
            line << QPointF(xMap.transform(it->x()), yMap.transform(it->y()));
        painter->save();
        painter->setPen(QPen(kProfileColour, 1.2, Qt::DashLine));
        painter->drawPolyline(line);
        painter->restore();
    }

private:
    QVector<QPointF> m_points;
};

double dwfProfileAt(const DryWeatherResult &dwf, qint64 seconds)
{
    if (dwf.intervalSeconds <= 0)
        return std::numeric_limits<double>::quiet_NaN();
    const DiurnalProfile *p = profileOf(dwf, dayOf(seconds));
    const int slot = slotOf(seconds, dwf.intervalSeconds);
    if (!p || slot < 0 || std::size_t(slot) >= p->flow.size())
        return std::numeric_limits<double>::quiet_NaN();
    return p->flow[std::size_t(slot)];
}

QVector<QVector<QPointF>> dwfProfileLines(const DryWeatherResult &dwf, qint64 from, qint64 to)
{
    QVector<QVector<QPointF>> lines;
    const qint64 step = dwf.intervalSeconds;
    if (step <= 0 || to < from)
        return lines;
    // Slots start at midnight; the last slot of a day may be shorter than the interval.
    const auto slotStart = [step](qint64 t) { return dayOf(t) * kSecondsPerDay + slotOf(t, step) * step; };
    QVector<QPointF> line;
    qint64 t = slotStart(from);
    if (t > std::numeric_limits<qint64>::min() + step)
        t = slotStart(t - 1);
    for (; t <= to + step; t = std::min(t + step, (dayOf(t) + 1) * kSecondsPerDay)) {
        const double v = dwfProfileAt(dwf, t);
        if (std::isfinite(v)) {
            line.push_back(QPointF(double(t), v));
        } else if (!line.isEmpty()) {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.isEmpty())
        lines.push_back(line);
    return lines;
}

QVector<BandPoint> rdiiBand(const SurveyLayer &layer, const DryWeatherResult &dwf, const RdiiEvent &event)
{
    QVector<BandPoint> band;
    const auto first = std::lower_bound(layer.times.begin(), layer.times.end(), event.start);
    for (auto it = first; it != layer.times.end() && *it <= event.windowEnd; ++it) {
        const qsizetype i = qsizetype(it - layer.times.begin());
        const double profile = dwfProfileAt(dwf, *it);
        const double flow = layer.correctedFlow(i);
        if (!std::isfinite(profile))
            continue;
        band.push_back({double(*it), profile, profile + rdiiFlow(flow, profile)});
    }
    return band;
}

DwfOverlay::~DwfOverlay()
{
    clear();
}

void DwfOverlay::clear()
{
    // A pane that was replaced took the items with it.
    if (m_pane) {
        for (QwtPlotItem *c : std::as_const(m_lines))
            delete c;
        for (BandItem *b : std::as_const(m_bands))
            delete b;
        m_pane->replot();
    }
    m_lines.clear();
    m_bands.clear();
    m_pane = nullptr;
}

void DwfOverlay::show(Hydrograph *hydrograph, const QVector<QVector<QPointF>> &profile,
                      const QVector<QVector<BandPoint>> &bands, double flowFactor)
{
    clear();
    QwtPlot *pane = hydrograph ? hydrograph->paneOf(QStringLiteral("flow")) : nullptr;
    if (!pane)
        return;
    m_pane = pane;
    for (const QVector<BandPoint> &band : bands) {
        QVector<BandPoint> scaled(band);
        for (BandPoint &s : scaled) {
            s.low *= flowFactor;
            s.high *= flowFactor;
        }
        auto *item = new BandItem(QStringLiteral("入流入渗"));
        item->setBand(scaled);
        item->setBrush(kBandColour);
        item->setZ(kBandZ);
        item->attach(pane);
        m_bands.push_back(item);
    }
    for (const QVector<QPointF> &line : profile) {
        QVector<QPointF> scaled(line);
        for (QPointF &p : scaled)
            p.setY(p.y() * flowFactor);
        auto *curve = new ProfileLineItem(std::move(scaled));
        curve->attach(pane);
        m_lines.push_back(curve);
    }
    pane->replot();
}
