// The scattergraph view of the RVA record windows.

#include "views/RvaWindowBase.h"

#include "data/TimeSteps.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"

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
}

void RvaWindowBase::setShownPipe(const lmv::PipeSaveIntoTfType &point)
{
    m_shownPoint = point;
    markScatterStale(ScatterState::ValuesChanged);
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
