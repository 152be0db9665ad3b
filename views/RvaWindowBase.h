#pragma once

#include "data/DataFile.h"
#include "data/Statistics.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "views/RawLineOverlay.h"
#include "views/RecordWindowBase.h"
#include "views/RvaRecordModel.h"

#include <optional>
#include <utility>
#include <vector>

class Scattergraph;

namespace lmv {
struct FileEditView;
}

// What the two RVA record windows (local and device) share: the 6 × 15 statistics grid, the
// nine-column detail table over an RvaRecordModel, showing a file, clearing, and switching units.
class SurveyCheckView;

class RvaWindowBase : public RecordWindowBase
{
public:
    // Shows a decoded file: clears the window, then fills InfoTable, SumTable and the records in
    // file order with the given unit factors; the sort indicator goes to column 0, ascending.
    void showRvaFile(const lmv::DataFileHeader &header, std::vector<lmv::RvaRecord> records,
                     const lmv::UnitFactors &factors);
    // Shows a file's records as a point's edited layer holds them (a file of a point with edits):
    // the statistics of those records, the flag column with the tinted cells, and the raw line
    // faint behind the hydrograph's where the values differ.
    void showEditedRvaFile(const lmv::DataFileHeader &header, const lmv::FileEditView &view,
                           const lmv::UnitFactors &factors);
    // The flag column "标记" over the shown records (survey::RecordFlag bits, file order) in
    // both header rows, or none (empty).
    void setRecordFlags(std::vector<quint8> flags);
    // Resets the window to its empty state: no rows, current units (RvaUnitLabels) in the unit
    // header and the statistics grid, value cells empty.
    void clearRvaWindow();

    // Unit switching. Each returns the new unit factors; RvaUnitLabels entries 2, 4 and 6, this
    // window's unit header and grid unit cells and its shown values follow them.
    // A click on unit header column c (2 level, 4 velocity, 6 flow; other columns change nothing).
    lmv::UnitFactors switchUnitFromHeader(int column, const lmv::UnitFactors &factors);
    // A click on a statistics grid cell; unit cells switch units, other cells change nothing.
    lmv::UnitFactors switchUnitFromSumCell(int row, int column, const lmv::UnitFactors &factors);
    // Level and velocity switch together, starting from a level unit text (or a velocity unit
    // text when fromVelocity); a text in neither list keeps the units.
    lmv::UnitFactors switchLevelVelocityUnit(const QString &from, bool fromVelocity,
                                             const lmv::UnitFactors &factors);
    lmv::UnitFactors switchFlowUnit(const QString &from, const lmv::UnitFactors &factors);

    // Recomputes the shown level, velocity and flow statistics (rows 3-5) from the stored ones.
    void recomputeSumTable(float velocityCorrection, float flowCorrection, const lmv::UnitFactors &factors);

    // The corrections the grid holds: (0,2) and (1,2).
    float shownVelocityCorrection() const;
    float shownFlowCorrection() const;

    // Level, velocity, flow and temperature as the table shows them.
    std::shared_ptr<const lmv::PlotData> plotData() const override;
    // The data check of the records with the corrections they are shown with (empty without
    // records).
    lmv::SurveyCheck surveyCheck() const;

    // The detail table's model (owned by UnitTable).
    RvaRecordModel *UnitModel = nullptr;
    // The lower view "数据检查".
    SurveyCheckView *checkView = nullptr;

    // The pipe the shown flows are computed with: the file's, or one tried on the view.
    void setShownPipe(const lmv::PipeSaveIntoTfType &point);
    const lmv::PipeSaveIntoTfType &shownPoint() const { return m_shownPoint; }
    lmv::PipeGeometry shownPipe() const { return lmv::pipeGeometryFrom(m_shownPoint); }
    // Redraws the scattergraph from the records if they, their shown values or the pipe changed
    // since it last drew (done at once while it is shown, else when it is shown next).
    void refreshScattergraph();

    Scattergraph *scattergraph = nullptr;  // lower view 2, "散点图"
    QPushButton *ScatterViewBtn = nullptr; // its button

protected:
    void buildRvaWindow(QWidget *parent, RecordWindowKind kind);
    // Adds the scattergraph to the lower views and ties it to the model, the hydrograph's time
    // range and the table.
    void buildScatterView(RecordWindowKind kind);
    void applyPictureSubject() override;
    void hydrographRedrawn() override;

    quint32 recordInterval = 0; // of the shown file, for the hydrograph's gaps

private:
    enum class ScatterState
    {
        Current,
        ValuesChanged, // same records: other units, corrections or pipe
        RecordsChanged
    };
    void markScatterStale(ScatterState state);

    // The shown point's pipe curve input to the scattergraph, and back when the user edits it.
    void loadPointCurve();
    void savePointCurve();

    lmv::PipeSaveIntoTfType m_shownPoint; // of the shown file, or a pipe tried on the view
    // The shown file's raw records in the survey while its edited ones are shown, and the faint
    // line they draw.
    std::vector<lmv::RvaRecord> m_rawRecords;
    lmv::PipeSaveIntoTfType m_rawPipe; // the file's own pipe, which their flows were computed with
    RawLineOverlay m_rawLines;
    QString m_curveProject, m_curvePoint; // whose curve input the scattergraph holds
    ScatterState m_scatterState = ScatterState::Current;
    bool m_scatterQueued = false;
    // The time range picked in the hydrograph, kept until the records change.
    std::optional<std::pair<qint64, qint64>> m_scatterRange;
};

// Fill steps of an RVA window, each doing nothing when a table it needs is absent.
void fillRvaParameters(QTableWidget *infoTable, QTableWidget *sumTable, const lmv::CalcParams &calc,
                       const lmv::SummaryBlock &summary);
void fillRvaStatistics(QTableWidget *sumTable, float velocityCorrection, float flowCorrection,
                       const lmv::SummaryBlock &summary, const lmv::UnitFactors &factors);
void recomputeRvaSumTable(QTableWidget *sumTable, float velocityCorrection, float flowCorrection,
                          const lmv::UnitFactors &factors);
// The factors of the units the grid's unit cells (3,4), (3,9) and (3,14) show; a unit found in
// no list keeps that factor of fallback.
lmv::UnitFactors rvaSumTableFactors(const QTableWidget *sumTable, const lmv::UnitFactors &fallback);
