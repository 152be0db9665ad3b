#include "plots/PlotNavigator.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_widget.h>

#include <cmath>

namespace {

// Pixels the mouse must move before a press becomes a zoom rectangle.
constexpr int kDragThreshold = 4;
// The longest back-step history kept.
constexpr int kMaxHistory = 100;
// The narrowest x range a zoom may reach (one second of clock time on a time axis).
constexpr double kMinWidth = 1.0;

} // namespace

PlotNavigator::PlotNavigator(Axes axes, QObject *parent) : QObject(parent), m_axes(axes) {}

void PlotNavigator::setPanes(const QList<QwtPlot *> &panes)
{
    for (QwtPlot *p : qAsConst(m_panes)) {
        if (p && p->canvas())
            p->canvas()->removeEventFilter(this);
        if (p && p->axisWidget(QwtPlot::xBottom))
            p->axisWidget(QwtPlot::xBottom)->removeEventFilter(this);
    }
    m_panes = panes;
    m_history.clear();
    m_dragPane = nullptr;
    for (QwtPlot *p : qAsConst(m_panes)) {
        p->canvas()->installEventFilter(this);
        p->canvas()->setMouseTracking(true);
        p->canvas()->setFocusPolicy(Qt::ClickFocus);
        p->axisWidget(QwtPlot::xBottom)->installEventFilter(this);
    }
    apply();
}

void PlotNavigator::setHome(const QRectF &rect)
{
    m_home = rect.normalized();
    m_view = m_home;
    m_history.clear();
    showView();
}

void PlotNavigator::setView(const QRectF &rect, bool remember)
{
    QRectF r = rect.normalized();
    if (r.width() < kMinWidth) {
        const double c = r.center().x();
        r.setLeft(c - kMinWidth / 2);
        r.setRight(c + kMinWidth / 2);
    }
    if (r == m_view)
        return;
    if (remember) {
        m_history.push_back(m_view);
        if (m_history.size() > kMaxHistory)
            m_history.removeFirst();
    }
    m_view = r;
    showView();
}

void PlotNavigator::home()
{
    setView(m_home);
    emit userViewChanged(m_view);
}

bool PlotNavigator::back()
{
    if (m_history.isEmpty())
        return false;
    m_view = m_history.takeLast();
    showView();
    emit userViewChanged(m_view);
    return true;
}

void PlotNavigator::zoomAround(const QPointF &center, double factor)
{
    QRectF r = m_view;
    r.setLeft(center.x() - (center.x() - m_view.left()) * factor);
    r.setRight(center.x() + (m_view.right() - center.x()) * factor);
    if (m_axes == Axes::XY) {
        r.setTop(center.y() - (center.y() - m_view.top()) * factor);
        r.setBottom(center.y() + (m_view.bottom() - center.y()) * factor);
    }
    setView(r);
}

void PlotNavigator::setDoubleClickHandler(std::function<bool(QwtPlot *, const QPoint &)> handler)
{
    m_doubleClick = std::move(handler);
}

QPointF PlotNavigator::plotPosition(const QwtPlot *pane, const QPoint &canvasPos)
{
    return {pane->canvasMap(QwtPlot::xBottom).invTransform(canvasPos.x()),
            pane->canvasMap(QwtPlot::yLeft).invTransform(canvasPos.y())};
}

void PlotNavigator::apply()
{
    if (m_view.isNull() && m_view.width() <= 0)
        return;
    for (QwtPlot *p : qAsConst(m_panes)) {
        p->setAxisScale(QwtPlot::xBottom, m_view.left(), m_view.right());
        if (m_axes == Axes::XY)
            p->setAxisScale(QwtPlot::yLeft, m_view.top(), m_view.bottom());
    }
}

void PlotNavigator::showView()
{
    apply();
    emit viewChanged(m_view);
    for (QwtPlot *p : qAsConst(m_panes))
        p->replot();
}

QwtPlot *PlotNavigator::paneOfCanvas(QObject *canvas) const
{
    for (QwtPlot *p : m_panes)
        if (p->canvas() == canvas)
            return p;
    return nullptr;
}

QwtPlot *PlotNavigator::paneOfAxis(QObject *axis) const
{
    for (QwtPlot *p : m_panes)
        if (p->axisWidget(QwtPlot::xBottom) == axis)
            return p;
    return nullptr;
}

bool PlotNavigator::eventFilter(QObject *watched, QEvent *event)
{
    if (QwtPlot *pane = paneOfAxis(watched); pane && event->type() == QEvent::Wheel) {
        auto *we = static_cast<QWheelEvent *>(event);
        const double x = pane->canvasMap(QwtPlot::xBottom).invTransform(we->position().x());
        zoomAround({x, m_view.center().y()}, std::pow(0.8, we->angleDelta().y() / 120.0));
        emit userViewChanged(m_view);
        return true;
    }
    QwtPlot *pane = paneOfCanvas(watched);
    if (!pane)
        return QObject::eventFilter(watched, event);
    auto *canvas = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        m_dragPane = pane;
        m_pressPos = me->pos();
        if (me->button() == Qt::RightButton) {
            m_panning = true;
            m_panStart = m_view;
        } else if (me->button() == Qt::LeftButton) {
            m_zooming = true;
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (m_panning && m_dragPane == pane) {
            const QwtScaleMap xm = pane->canvasMap(QwtPlot::xBottom);
            const QwtScaleMap ym = pane->canvasMap(QwtPlot::yLeft);
            const double dx = xm.invTransform(m_pressPos.x()) - xm.invTransform(me->pos().x());
            QRectF r = m_panStart.translated(dx, 0);
            if (m_axes == Axes::XY)
                r.translate(0, ym.invTransform(m_pressPos.y()) - ym.invTransform(me->pos().y()));
            m_view = r;
            showView();
        } else if (m_zooming && m_dragPane == pane &&
                   (me->pos() - m_pressPos).manhattanLength() >= kDragThreshold) {
            if (!m_band)
                m_band = new QRubberBand(QRubberBand::Rectangle, canvas);
            else if (m_band->parentWidget() != canvas)
                m_band->setParent(canvas);
            QRect band = QRect(m_pressPos, me->pos()).normalized();
            if (m_axes == Axes::XOnly)
                band = QRect(band.left(), 0, band.width(), canvas->height());
            m_band->setGeometry(band);
            m_band->show();
        }
        emit mouseMoved(pane, plotPosition(pane, me->pos()));
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (m_panning && me->button() == Qt::RightButton) {
            m_panning = false;
            if (m_view != m_panStart) {
                m_history.push_back(m_panStart);
                emit userViewChanged(m_view);
            }
        } else if (m_zooming && me->button() == Qt::LeftButton) {
            m_zooming = false;
            if (m_band)
                m_band->hide();
            if ((me->pos() - m_pressPos).manhattanLength() >= kDragThreshold) {
                const QPointF a = plotPosition(pane, m_pressPos);
                const QPointF b = plotPosition(pane, me->pos());
                QRectF r = QRectF(a, b).normalized();
                emit rectSelected(pane, r);
                if (m_axes == Axes::XOnly) {
                    r.setTop(m_view.top());
                    r.setBottom(m_view.bottom());
                }
                setView(r);
                emit userViewChanged(m_view);
            } else {
                emit clicked(pane, plotPosition(pane, me->pos()), me->modifiers());
            }
        }
        m_dragPane = nullptr;
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        m_zooming = m_panning = false;
        if (me->button() == Qt::LeftButton && !(m_doubleClick && m_doubleClick(pane, me->pos())))
            home();
        return true;
    }
    case QEvent::Wheel: {
        auto *we = static_cast<QWheelEvent *>(event);
        zoomAround(plotPosition(pane, we->position().toPoint()), std::pow(0.8, we->angleDelta().y() / 120.0));
        emit userViewChanged(m_view);
        return true;
    }
    case QEvent::KeyPress: {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Backspace) {
            back();
            return true;
        }
        return false;
    }
    case QEvent::Leave:
        emit mouseLeft();
        return false;
    default:
        return QObject::eventFilter(watched, event);
    }
}
