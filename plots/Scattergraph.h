#pragma once

// The scattergraph: velocity against level of every record, coloured by time, over the pipe's
// own reference lines (pipe curve for a slope and roughness, iso-flow lines, critical flow), the
// Lanfear-Coll fit and the fit at the estimated sediment, with lines at the sediment top, the
// estimated sediment top and the crown. Where points leave the pipe curve they show sediment,
// backwater, surcharge, drawdown or a drifting sensor.
//
// Mouse as in the hydrograph: left-drag zooms to a rectangle, wheel zooms, right-drag pans,
// double-click on a point goes to that record (elsewhere: everything), Backspace steps back.

#include "data/PipeCurves.h"
#include "data/PlotSeries.h"
#include "data/SedimentFit.h"
#include "data/SedimentTrust.h"
#include "plots/PlotExport.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSize>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <memory>
#include <vector>

class LineItem;
class PlotNavigator;
class QLabel;
class QPushButton;
class QwtPlot;
class QwtPlotMarker;
class ScatterItem;
class ScatterPanel;

class Scattergraph : public QWidget
{
    Q_OBJECT

public:
    explicit Scattergraph(QWidget *parent = nullptr);
    ~Scattergraph() override;

    // Shows a file's records: `survey` in the shown units (series "level", "velocity", "flow"),
    // the pipe the flows are computed with, and the shown units per m and per m/s. The time
    // range is reset to the whole file.
    void setSurvey(std::shared_ptr<const lmv::PlotData> survey, const lmv::PipeGeometry &pipe,
                   double levelFactor, double velocityFactor);
    // No records.
    void clear();
    // Marks the records of setSurvey by group (the pipe each was measured with): group[i] picks
    // colours[group[i]] for record i, and a line under the plot names the groups. Null lifts it;
    // setSurvey lifts it too.
    void setRecordGroups(std::shared_ptr<const std::vector<quint8>> groups, const QVector<QColor> &colours,
                         const QStringList &names);
    // The line naming the groups (empty without groups).
    QString groupLegend() const;

    // Limits the points and the fits to records with times in [from, to] (clock seconds).
    void setTimeRange(qint64 from, qint64 to);
    // All records again.
    void showWholeFile();
    bool rangeLimited() const { return m_limited; }

    QwtPlot *plot() const { return m_plot; }
    ScatterPanel *panel() const { return m_panel; }
    PlotNavigator *navigator() const { return m_navigator; }
    ScatterItem *points() const { return m_points; }

    // The fits over the shown records.
    const lmv::LanfearCollFit &fit() const { return m_fit; }
    const lmv::SedimentSweep &sweep() const { return m_sweep; }
    // How far the estimate of the sweep can be trusted.
    const lmv::SedimentTrust &trust() const { return m_trust; }
    // Why the pipe cannot be (empty when it can): then nothing is fitted and no curve drawn.
    const QString &pipeProblem() const { return m_pipeProblem; }

    // What pictures and prints say about the survey above the plot.
    void setPictureSubject(const plotexport::PictureSubject &subject) { m_subject = subject; }
    // The title block of a picture: the subject, the period shown and the fit figures.
    QStringList pictureTitle() const;

    // The readout of a record: time, level, velocity and flow as the table shows them.
    QString readoutText(qsizetype record) const;
    // The record drawn nearest to a canvas position (a few cells' reach), -1 when none.
    qsizetype recordAt(const QPoint &canvasPos) const;
    // The readout line under the plot.
    QString readout() const;

    // The lines drawn besides the points, by title (tests).
    QList<LineItem *> curves() const;

    bool exportImage(const QString &path, QSize size, QString *error = nullptr);
    void printPreview();

    // No wider than the hydrograph asks to be: the shell's splitters share their width by the
    // pages' hints and minimums, and the project tree beside the record window keeps its share.
    QSize sizeHint() const override;

signals:
    // The user double-clicked the point of a record (file order index).
    void recordDoubleClicked(qsizetype recordIndex);
    // The user wants the pipe dialog with this sediment (mm).
    void sedimentEditRequested(int sedimentMm);

private:
    void refit();
    void redrawLines();
    void updateHome();
    void hoverAt(const QPoint &canvasPos);
    void askExport();
    // Shown-unit curve points from SI curve points.
    void setCurve(LineItem *curve, const std::vector<lmv::CurvePoint> &points) const;

    std::shared_ptr<const lmv::PlotData> m_data;
    int m_levelSeries = -1, m_velocitySeries = -1, m_flowSeries = -1;
    lmv::PipeGeometry m_pipe;
    double m_levelFactor = 1.0, m_velocityFactor = 1.0;
    bool m_limited = false;
    qint64 m_from = 0, m_to = 0;
    lmv::LanfearCollFit m_fit;
    lmv::SedimentSweep m_sweep;
    lmv::SedimentTrust m_trust;
    QString m_pipeProblem;
    plotexport::PictureSubject m_subject;
    qint64 m_first = 0, m_last = 0; // times of the shown records
    double m_levelTop = 0.0;        // highest level shown (m), for lines that go on above the crown
    QRectF m_shown;                 // extent of the shown records in the shown units
    bool m_haveShown = false;       // whether some shown record has a finite level and velocity

    QwtPlot *m_plot = nullptr;
    ScatterItem *m_points = nullptr;
    LineItem *m_pipeCurve = nullptr;
    LineItem *m_criticalCurve = nullptr;
    LineItem *m_fitCurve = nullptr;
    LineItem *m_sedimentCurve = nullptr;
    QList<LineItem *> m_isoCurves;
    QList<QwtPlotMarker *> m_isoLabels;
    QwtPlotMarker *m_sedimentTop = nullptr;
    QwtPlotMarker *m_estimateTop = nullptr;
    QwtPlotMarker *m_crown = nullptr;
    PlotNavigator *m_navigator = nullptr;
    ScatterPanel *m_panel = nullptr;
    QLabel *m_readout = nullptr;
    QLabel *m_groupLegend = nullptr;
    QPushButton *m_backButton = nullptr;
};
