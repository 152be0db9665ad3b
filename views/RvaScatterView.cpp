// The scattergraph view of the RVA record windows.

#include "views/RvaWindowBase.h"

#include "data/TimeSteps.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"
#include "views/ScatterCurveStore.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QStackedWidget>

#include <algorithm>
#include <limits>

void RvaWindowBase::buildScatterView(RecordWindowKind kind)
{
    scattergraph = new Scattergraph;
    ScatterViewBtn = qobject_cast<QPushButton *>(
        lowerButtons->button(addLowerView(QStringLiteral("散点图"), scattergraph)));
    // A file on the logger cannot take a new pipe from here.
    scattergraph->panel()->setSedimentEditEnabled(kind != RecordWindowKind::RvaDevice);

    QObject::connect(UnitModel, &QAbstractItemModel::rowsInserted, scattergraph,
                     [this] { markScatterStale(ScatterState::RecordsChanged); });
    QObject::connect(UnitModel, &QAbstractItemModel::rowsRemoved, scattergraph,
                     [this] { markScatterStale(ScatterState::RecordsChanged); });
    QObject::connect(UnitModel, &QAbstractItemModel::dataChanged, scattergraph,
                     [this] { markScatterStale(ScatterState::ValuesChanged); });
    QObject::connect(UnitModel, &QAbstractItemModel::headerDataChanged, scattergraph,
                     [this] { markScatterStale(ScatterState::ValuesChanged); });
    QObject::connect(lowerStack, &QStackedWidget::currentChanged, scattergraph, [this] {
        if (lowerStack->currentWidget() == scattergraph)
            refreshScattergraph();
    });
    QObject::connect(scattergraph, &Scattergraph::recordDoubleClicked, scattergraph,
                     [this](qsizetype record) { showRecordRow(int(record)); });

    // The time range chosen in the hydrograph limits the scattergraph; the whole file lifts it.
    QObject::connect(
        hydrograph, &Hydrograph::timeRangeSelected, scattergraph, [this](qint64 from, qint64 to) {
            qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
            for (const lmv::RvaRecord &r : UnitModel->records()) {
                const qint64 t = lmv::clockSeconds(r.time);
                first = std::min(first, t);
                last = std::max(last, t);
            }
            const bool whole = from <= first && to >= last;
            m_scatterRange = whole ? std::nullopt : std::optional(std::pair(from, to));
            // Drawn with the range when the scattergraph is shown next.
            markScatterStale(ScatterState::ValuesChanged);
        });
    QObject::connect(scattergraph->panel(), &ScatterPanel::wholeFileRequested, scattergraph,
                     [this] { m_scatterRange.reset(); });
    QObject::connect(scattergraph->panel(), &ScatterPanel::curveInputEdited, scattergraph,
                     [this] { savePointCurve(); });
}

void RvaWindowBase::setShownPipe(const lmv::PipeSaveIntoTfType &point)
{
    // A pipe tried on the view comes without names: it is still the same point's.
    const bool named = point.projectName[0] != 0 || point.pointName[0] != 0;
    const lmv::PipeSaveIntoTfType names = m_shownPoint;
    m_shownPoint = point;
    if (!named) {
        m_shownPoint.projectName = names.projectName;
        m_shownPoint.pointName = names.pointName;
    }
    markScatterStale(ScatterState::ValuesChanged);
    if (hydrograph)
        hydrograph->setLevelLines(pipeLevelLines(shownPipe()));
    setPictureSubject(m_shownPoint, true);
    loadPointCurve();
}

void RvaWindowBase::applyPictureSubject()
{
    RecordWindowBase::applyPictureSubject();
    if (scattergraph)
        scattergraph->setPictureSubject(m_subject);
}

void RvaWindowBase::loadPointCurve()
{
    const QString project = m_shownPoint.projectNameText(), point = m_shownPoint.pointNameText();
    if (!scattergraph || (project == m_curveProject && point == m_curvePoint))
        return;
    m_curveProject = project;
    m_curvePoint = point;
    scattergraph->panel()->setCurveInput(loadCurveInput(project, point));
}

void RvaWindowBase::savePointCurve()
{
    if (scattergraph)
        saveCurveInput(m_curveProject, m_curvePoint, scattergraph->panel()->curveInput());
}

void RvaWindowBase::markScatterStale(ScatterState state)
{
    if (state > m_scatterState)
        m_scatterState = state;
    if (state == ScatterState::RecordsChanged)
        m_scatterRange.reset();
    // Several columns change one after another on a unit switch: redraw once, after the last.
    if (scattergraph && lowerStack->currentWidget() == scattergraph && !m_scatterQueued) {
        m_scatterQueued = true;
        QMetaObject::invokeMethod(
            scattergraph,
            [this] {
                m_scatterQueued = false;
                refreshScattergraph();
            },
            Qt::QueuedConnection);
    }
}

void RvaWindowBase::refreshScattergraph()
{
    if (!scattergraph || m_scatterState == ScatterState::Current)
        return;
    m_scatterState = ScatterState::Current;
    scattergraph->setSurvey(plotData(), shownPipe(), UnitModel->levelFactor(), UnitModel->velocityFactor());
    if (m_scatterRange)
        scattergraph->setTimeRange(m_scatterRange->first, m_scatterRange->second);
}
