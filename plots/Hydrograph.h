#pragma once

// The hydrograph: one pane per series stacked on a shared clock-time axis, lines reduced per
// pixel column and broken at gaps, with zoom and pan (PlotNavigator), a hover readout, two
// cursors A and B (Δt and, with a flow series, the volume between them), shaded time ranges,
// double-click to a record, picture export and print preview.
//
// Mouse: left-drag zooms to a time range, wheel zooms, right-drag pans, double-click on a line
// goes to that record (elsewhere: the whole file), click sets cursor A, Shift+click cursor B,
// Backspace steps back.

#include "data/PlotSeries.h"
#include "plots/PlotExport.h"

#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QPen>
#include <QSize>
#include <QVector>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QwtPlotMarker;
class QVBoxLayout;
class QwtPlot;
class QwtPlotTextLabel;
class PlotNavigator;
class ReducedCurve;
class ShadeItem;
class CursorOverlay;
class MarkItem;

// A horizontal line in the level pane, at a level in metres above the sediment (as records store
// levels), drawn in the shown level unit.
struct LevelLine
{
    double metres = 0.0;
    QString title;
    QPen pen;
    Qt::Alignment side = Qt::AlignTop; // of the line its title stands on (inside the pane)
};
// The sediment top (or the invert, without sediment) and the crown or channel top of a pipe;
// none for a pipe that cannot be (PipeLimits.h).
QVector<LevelLine> pipeLevelLines(const lmv::PipeGeometry &pipe);

class Hydrograph : public QWidget
{
    Q_OBJECT

public:
    // Shade kinds used by the views; others may use any further number.
    enum ShadeKind
    {
        GapShade = 0,
        SurchargeShade = 1,
        CheckShade = 2,
    };
    enum class Cursor
    {
        A,
        B
    };

    explicit Hydrograph(QWidget *parent = nullptr);
    // Without the bar above the panes and the cursor line below (pictures only).
    static constexpr bool kBare = true;
    Hydrograph(bool bare, QWidget *parent);
    ~Hydrograph() override;

    // Shows a data set: one pane per series, the whole time range, gaps shaded, cursors cleared.
    void setData(std::shared_ptr<const lmv::PlotData> data);
    // The same records in other units or corrections: titles and values change, the view, the
    // cursors and the shading stay. Falls back to setData when the times differ in number.
    void replaceValues(std::shared_ptr<const lmv::PlotData> data);
    // No data, no panes (they are kept hidden for the next file).
    void clear();
    // Makes `count` panes ahead of the data, hidden until a data set of as many series comes,
    // which then only fills them; the panes belong to the window like a table's columns do.
    // Does nothing while data is shown.
    void preparePanes(int count);
    std::shared_ptr<const lmv::PlotData> data() const { return m_data; }

    // The panes top to bottom (export, print and tests use them).
    QList<QwtPlot *> panes() const { return m_data ? m_panes : QList<QwtPlot *>(); }
    // What pictures and prints show: the panes, under the shown panes added above them.
    QList<QwtPlot *> picturePanes() const;
    // The navigation of the panes (view, history, zoom).
    PlotNavigator *navigator() const { return m_navigator; }

    // Shows a time range in clock seconds (remembered for the back step).
    void setTimeRange(double from, double to);
    // The shown time range in clock seconds.
    double viewFrom() const;
    double viewTo() const;
    // Shows the whole file.
    void showAll();

    // Fixes the value axis of a pane to [low, high]; low >= high lets it follow the data again.
    void fixValueAxis(int pane, double low, double high);

    // Shades time ranges (clock seconds) of one kind in a colour behind every pane's line;
    // an empty list removes that kind.
    void setShadedRanges(int kind, const QColor &colour, const QVector<lmv::TimeSpan> &ranges);
    // Moves the view to a time (keeping the zoom width, centred on it) and marks it with a line.
    void showTime(qint64 seconds);
    // The marked time, or -1.
    qint64 markedTime() const { return m_mark; }

    // Puts cursor A or B on the record nearest to a time.
    void setCursor(Cursor which, double seconds);
    void clearCursors();
    // Record index under a cursor, -1 when it is not set.
    qsizetype cursorRecord(Cursor which) const;
    // B minus A in seconds (0 unless both are set).
    double cursorSeconds() const;
    // Volume in m³ between the cursors from the corrected flow, by the daily table's rule
    // (data/FlowVolume.h: a hole adds nothing); NaN unless both cursors are set and the data has
    // a flow series.
    double cursorVolume() const;

    // The shown value of series `series` at record `record` (as the table shows it), NaN outside.
    double valueAt(int series, qsizetype record) const;
    // The readout of a record: time and every series' value as the table writes it.
    QString readoutText(qsizetype record) const;
    // The cursor line below the panes: A, B, Δt, volume, then the note when both cursors are set.
    QString cursorText() const;
    // Adds to the cursor line what another view knows of the time between the cursors (clock
    // seconds, from <= to), such as the rain that fell; null removes it.
    using CursorNote = std::function<QString(qint64 from, qint64 to)>;
    void setCursorNote(CursorNote note);
    // A widget drawn over the same time axis (a hyetograph) put above the first pane; it keeps
    // its own height policy and follows the panes through navigator() and cursorsChanged().
    void addPaneAbove(QWidget *widget, int stretch);

    // Lines across the level pane (kept from file to file until set again).
    void setLevelLines(const QVector<LevelLine> &lines);
    // The value axis of the level pane covers the lines too.
    const QVector<LevelLine> &levelLines() const { return m_levelLines; }

    // What pictures and prints say about the survey above the panes.
    void setPictureSubject(const plotexport::PictureSubject &subject) { m_subject = subject; }
    // The title block of a picture: the subject, the period shown and the cursors when set.
    QStringList pictureTitle() const;

    // Writes the shown panes to PNG, SVG or PDF (by suffix) at a size (invalid: the shown size).
    bool exportImage(const QString &path, QSize size, QString *error = nullptr);
    // Print preview of the shown panes.
    void printPreview();

    // Points the panes handed to the painter in their last draw (tests and the benchmark).
    std::size_t lastDrawnPoints() const;

    // Marks over the lines, kept across data sets until replaced like the shaded ranges: dashed
    // vertical lines at times (clock seconds) in every pane, and symbols at (seconds, value in
    // the shown unit) in the pane of one series key. Each kind has its own colour; an empty list
    // removes the kind.
    void setTimeMarks(int kind, const QColor &colour, const QVector<qint64> &times);
    void setPointMarks(int kind, const QString &seriesKey, const QColor &colour,
                       const QVector<QPointF> &points);
    // The marks of a kind as a pane shows them (tests): its lines, and its symbols in pane `pane`.
    QVector<qint64> timeMarks(int kind) const;
    QVector<QPointF> pointMarks(int kind, int pane) const;
    // The pane of a series key (nullptr when no data set shows it). Items attached to it live
    // until the next data set of another series count replaces the panes.
    QwtPlot *paneOf(const QString &seriesKey) const;

signals:
    // The user chose a time range (zoom, pan, back or whole file): the shown range in seconds.
    void timeRangeSelected(qint64 from, qint64 to);
    // The user double-clicked the line at a record (file order index).
    void recordDoubleClicked(qint64 recordIndex);
    // A cursor moved or was cleared.
    void cursorsChanged();

private:
    void buildPanes();
    void makePanes(int count);
    void dropPanes();
    void showSeries();
    void rescaleValueAxes();
    void alignValueAxes();
    void replotAll();
    void updateOverlays();
    void hoverAt(double seconds);
    bool doubleClickAt(QwtPlot *pane, const QPoint &canvasPos);
    void askExport();
    QString valueText(int series, qsizetype record) const;
    void applyShades();
    void applyLevelLines();
    int levelPane() const;
    void applyMarks();

    std::shared_ptr<const lmv::PlotData> m_data;
    QList<QwtPlot *> m_panes;
    QList<ReducedCurve *> m_curves;
    QList<QwtPlotTextLabel *> m_titles;
    QList<ShadeItem *> m_shades;
    QList<CursorOverlay *> m_overlays;
    PlotNavigator *m_navigator = nullptr;
    QVBoxLayout *m_paneLayout = nullptr;
    QLabel *m_readout = nullptr;
    QLabel *m_cursorLabel = nullptr;
    QPushButton *m_backButton = nullptr;

    struct Shade
    {
        QColor colour;
        QVector<lmv::TimeSpan> ranges;
    };
    QMap<int, Shade> m_shadeKinds;
    QVector<LevelLine> m_levelLines;
    QList<QwtPlotMarker *> m_levelMarkers; // on the level pane, deleted with it
    plotexport::PictureSubject m_subject;
    QList<MarkItem *> m_marks; // one per pane
    struct TimeMarks
    {
        QColor colour;
        QVector<qint64> times;
    };
    struct PointMarks
    {
        QString key;
        QColor colour;
        QVector<QPointF> points;
    };
    QMap<int, TimeMarks> m_timeMarks;
    QMap<int, PointMarks> m_pointMarks;
    QList<QPointer<QWidget>> m_panesAbove; // addPaneAbove's, top first
    QMap<int, QPair<double, double>> m_fixedAxes;
    QPair<Cursor, qsizetype> m_lastClick{Cursor::A, -1}; // the cursor the last click moved, and from where
    QElapsedTimer m_lastClickTime;
    qsizetype m_cursorA = -1;
    qsizetype m_cursorB = -1;
    qsizetype m_hover = -1;
    qint64 m_mark = -1;
    CursorNote m_cursorNote;
};
