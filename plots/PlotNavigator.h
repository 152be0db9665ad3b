#pragma once

// Mouse and keyboard navigation over one or more QwtPlot panes that show the same x range:
// drag a rectangle with the left button to zoom, wheel to zoom around the mouse (on a canvas or
// the bottom axis), right-drag to pan, double-click for the whole view, Backspace (or back())
// to step through earlier views. A left click without dragging and mouse moves are reported for
// cursors and readouts. In XOnly mode only the x range changes (the owner scales the y axes);
// in XY mode (one pane) both axes do.

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QVector>

#include <functional>

class QRubberBand;
class QwtPlot;

class PlotNavigator : public QObject
{
    Q_OBJECT

public:
    enum class Axes
    {
        XOnly,
        XY
    };

    explicit PlotNavigator(Axes axes, QObject *parent = nullptr);

    // The panes to drive (their canvases and bottom axes get an event filter); clears the history.
    void setPanes(const QList<QwtPlot *> &panes);
    QList<QwtPlot *> panes() const { return m_panes; }

    // The whole view (double-click, home()); also shows it and clears the history.
    void setHome(const QRectF &rect);
    QRectF homeRect() const { return m_home; }
    // The shown view (x from left() to right(); y used in XY mode only).
    QRectF view() const { return m_view; }

    // Shows a view; remember = true puts the previous one on the back-step history.
    void setView(const QRectF &rect, bool remember = true);
    // Shows the whole view, remembering the current one.
    void home();
    // Steps back to the previous view; false when there is none.
    bool back();
    bool canGoBack() const { return !m_history.isEmpty(); }
    // Zooms x (and y in XY mode) by factor (< 1 zooms in) around a plot position.
    void zoomAround(const QPointF &center, double factor);

    // Called on a double-click with the pane and the canvas position; returning true means the
    // owner handled it (a record was hit), otherwise the whole view is shown.
    void setDoubleClickHandler(std::function<bool(QwtPlot *, const QPoint &)> handler);

    // The plot position of a canvas position of a pane.
    static QPointF plotPosition(const QwtPlot *pane, const QPoint &canvasPos);

signals:
    // The shown view changed (by the user or by a call); the panes are replotted right after,
    // so a receiver can still adjust their other axes.
    void viewChanged(const QRectF &view);
    // The user changed the view (zoom, wheel, pan, back, double-click).
    void userViewChanged(const QRectF &view);
    // The user dragged a zoom rectangle (plot coordinates, normalised) in a pane.
    void rectSelected(QwtPlot *pane, const QRectF &rect);
    // Left click without dragging, at a plot position, with the keyboard modifiers.
    void clicked(QwtPlot *pane, const QPointF &pos, Qt::KeyboardModifiers modifiers);
    // The mouse moved over a canvas (plot position).
    void mouseMoved(QwtPlot *pane, const QPointF &pos);
    // The mouse left every canvas.
    void mouseLeft();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    void showView();
    QwtPlot *paneOfCanvas(QObject *canvas) const;
    QwtPlot *paneOfAxis(QObject *axis) const;

    Axes m_axes;
    QList<QwtPlot *> m_panes;
    QRectF m_home;
    QRectF m_view;
    QVector<QRectF> m_history;
    std::function<bool(QwtPlot *, const QPoint &)> m_doubleClick;

    // Drag state.
    QwtPlot *m_dragPane = nullptr;
    QPoint m_pressPos;
    bool m_zooming = false;
    bool m_panning = false;
    QRectF m_panStart;
    QRubberBand *m_band = nullptr;
};
