#include "views/RvaWindowBase.h"

#include "data/Hydraulics.h"
#include "data/PlotSeries.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "views/FileEditing.h"
#include "views/SurveyCheckLink.h"

#include <QHeaderView>
#include <QString>
#include <QTableView>
#include <QTableWidget>

#include <array>

namespace {

constexpr int kSumRows = 6;
constexpr int kSumColumns = 15;
// Rows 3 to 5 of the grid hold maximum, minimum and average of level, velocity and flow.
constexpr int kStatRows[] = {3, 4, 5};
// The stored-value columns of the detail table, hidden in both header rows.
constexpr int kHiddenColumns[] = {RvaRecordModel::StoredLevelColumn, RvaRecordModel::StoredVelocityColumn,
                                  RvaRecordModel::StoredFlowColumn, RvaRecordModel::SequenceColumn};

// Fixed texts of the grid: number and title of each group, and the unit column.
struct SumCellText
{
    int row;
    int column;
    const char *text;
};

const SumCellText kSumTexts[] = {
    {0, 0, "1"},         {0, 1, "流速修正"},  {0, 4, "更改"},      {0, 5, "4"},          {0, 6, "液位偏移量"},
    {0, 9, "mm"},        {0, 10, "7"},        {0, 11, "最高温度"}, {0, 14, "℃"},         {1, 0, "2"},
    {1, 1, "流量修正"},  {1, 4, "更改"},      {1, 5, "5"},         {1, 6, "流速平滑度"}, {1, 9, "-"},
    {1, 10, "8"},        {1, 11, "最低温度"}, {1, 14, "℃"},        {2, 0, "3"},          {2, 1, "探头版本"},
    {2, 4, "-"},         {2, 5, "6"},         {2, 6, "记录间隔"},  {2, 9, "s"},          {2, 10, "9"},
    {2, 11, "平均温度"}, {2, 14, "℃"},        {3, 0, "10"},        {3, 1, "最高液位"},   {3, 5, "13"},
    {3, 6, "最大流速"},  {3, 10, "16"},       {3, 11, "最大流量"}, {4, 0, "11"},         {4, 1, "最低液位"},
    {4, 5, "14"},        {4, 6, "最小流速"},  {4, 10, "17"},       {4, 11, "最小流量"},  {5, 0, "12"},
    {5, 1, "平均液位"},  {5, 5, "15"},        {5, 6, "平均流速"},  {5, 10, "18"},        {5, 11, "平均流量"},
};

// Value cells emptied by a clear: stored and shown value of each group.
constexpr int kValueColumns[] = {2, 3, 7, 8, 12, 13};

void writeSumUnitCells(QTableWidget *sumTable)
{
    for (int r : kStatRows) {
        setCellText(sumTable, r, 4, lmv::RvaUnitLabels.value(lmv::kRvaLevelUnitColumn));
        setCellText(sumTable, r, 9, lmv::RvaUnitLabels.value(lmv::kRvaVelocityUnitColumn));
        setCellText(sumTable, r, 14, lmv::RvaUnitLabels.value(lmv::kRvaFlowUnitColumn));
    }
}

QString twoDecimals(float value)
{
    return QString::number(double(value), 'f', 2);
}

} // namespace

void RvaWindowBase::buildRvaWindow(QWidget *parent, RecordWindowKind kind)
{
    auto *model = new RvaRecordModel;
    UnitModel = model;
    buildRecordWindow(parent, kind, model, lmv::RvaColumnNames, lmv::RvaUnitLabels, kSumRows, kSumColumns);
    SumTable->horizontalHeader()->hide();
    SumTable->verticalHeader()->hide();
    fillWithCentredItems(SumTable);
    for (const SumCellText &t : kSumTexts)
        setCellText(SumTable, t.row, t.column, QString::fromUtf8(t.text));
    if (kind == RecordWindowKind::RvaDevice) {
        // The parameters of a file on the logger cannot be changed from here.
        setCellText(SumTable, 0, 4, QStringLiteral("-"));
        setCellText(SumTable, 1, 4, QStringLiteral("-"));
    }
    writeSumUnitCells(SumTable);

    for (int c : kHiddenColumns) {
        RecordTable->setColumnHidden(c, true);
        UnitTable->setColumnHidden(c, true);
    }
    // Level, velocity, flow and temperature: the panes come with the window.
    hydrograph->preparePanes(int(lmv::rvaSeriesKeys().size()));
    buildScatterView(kind);
    checkView = attachSurveyCheck(
        *this, [this] { return surveyCheck(); },
        [this] {
            return UnitModel ? lmv::rvaSurcharge(UnitModel->records(), recordInterval, m_shownPoint)
                             : QVector<lmv::Finding>();
        });
}

lmv::SurveyCheck RvaWindowBase::surveyCheck() const
{
    if (!UnitModel || UnitModel->records().empty())
        return {};
    lmv::CalcParams calc;
    calc.recordInterval = recordInterval;
    calc.velocityCorrection = UnitModel->velocityCorrection();
    calc.flowCorrection = UnitModel->flowCorrection();
    return lmv::checkRva(UnitModel->records(), calc, m_shownPoint);
}

std::shared_ptr<const lmv::PlotData> RvaWindowBase::plotData() const
{
    if (!UnitModel || UnitModel->records().empty())
        return nullptr;
    lmv::CalcParams corrections;
    corrections.velocityCorrection = UnitModel->velocityCorrection();
    corrections.flowCorrection = UnitModel->flowCorrection();
    const lmv::UnitFactors factors{UnitModel->levelFactor(), UnitModel->velocityFactor(),
                                   UnitModel->flowFactor()};
    return std::make_shared<const lmv::PlotData>(lmv::rvaPlotData(
        UnitModel->records(), recordInterval, corrections, factors, UnitModel->headerLabels()));
}

void RvaWindowBase::clearRvaWindow()
{
    m_rawRecords.clear();
    m_rawLines.clear();
    setRecordFlags({});
    recordInterval = 0;
    m_shownPoint = {};
    clearInfoAndRecords(lmv::RvaUnitLabels);
    if (SumTable) {
        writeSumUnitCells(SumTable);
        for (int r = 0; r < kSumRows; ++r)
            for (int c : kValueColumns)
                setCellText(SumTable, r, c, QString());
    }
}

void RvaWindowBase::showRvaFile(const lmv::DataFileHeader &header, std::vector<lmv::RvaRecord> records,
                                const lmv::UnitFactors &factors)
{
    clearRvaWindow();
    recordInterval = header.calc.recordInterval;
    setShownPipe(header.point);
    fillInfo(InfoTable, header.point, header.device, QStringLiteral("(压力)液位、(超声)流速"));
    fillRvaParameters(InfoTable, SumTable, header.calc, header.summary);
    const float vc = header.calc.velocityCorrection;
    const float fc = header.calc.flowCorrection;
    fillRvaStatistics(SumTable, vc, fc, header.summary, factors);
    if (UnitModel) {
        UnitModel->setUnitFactors(factors.level, factors.velocity, factors.flow);
        UnitModel->setRecords(std::move(records), vc, fc);
    }
    if (RecordTable)
        RecordTable->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
}

void RvaWindowBase::showEditedRvaFile(const lmv::DataFileHeader &header, const lmv::FileEditView &view,
                                      const lmv::UnitFactors &factors)
{
    lmv::DataFileHeader shown = header;
    lmv::computeRvaSummary(view.edited.rva, shown.summary);
    showRvaFile(shown, view.edited.rva, factors);
    m_rawRecords = view.raw.rva;
    m_rawPipe = header.point;
    std::vector<quint8> flags = view.edited.flags;
    flags.resize(view.edited.rva.size(), lmv::survey::FlagRaw);
    setRecordFlags(std::move(flags));
}

void RvaWindowBase::setRecordFlags(std::vector<quint8> flags)
{
    if (!UnitModel || !RecordTable)
        return;
    const bool shown = !flags.empty();
    UnitModel->setFlags(std::move(flags));
    const int columns = shown ? RvaRecordModel::ColumnCount + 1 : RvaRecordModel::ColumnCount;
    if (RecordTable->columnCount() == columns)
        return;
    RecordTable->setColumnCount(columns);
    if (shown) {
        RecordTable->setHorizontalHeaderItem(RvaRecordModel::FlagColumn,
                                             new QTableWidgetItem(QStringLiteral("标记")));
        // Narrow: the flag texts are two characters.
        constexpr int kFlagWidth = 56;
        RecordTable->setColumnWidth(RvaRecordModel::FlagColumn, kFlagWidth);
        UnitTable->setColumnWidth(RvaRecordModel::FlagColumn, kFlagWidth);
    }
}

void RvaWindowBase::hydrographRedrawn()
{
    if (m_rawRecords.empty() || !UnitModel) {
        m_rawLines.clear();
        return;
    }
    // The raw records in the units and with the corrections the edited ones are drawn with.
    lmv::CalcParams corrections;
    corrections.velocityCorrection = UnitModel->velocityCorrection();
    corrections.flowCorrection = UnitModel->flowCorrection();
    const lmv::UnitFactors factors{UnitModel->levelFactor(), UnitModel->velocityFactor(),
                                   UnitModel->flowFactor()};
    // A pipe tried on the view changes every shown flow; the raw flows follow it, so that only
    // what the edits changed stands out.
    const auto geometry = [](const lmv::PipeSaveIntoTfType &p) {
        return std::array<quint32, 5>{p.pipeShape, p.heightOrDiameter, p.widthOrLowerBase, p.upperBase,
                                      p.sediment};
    };
    std::vector<lmv::RvaRecord> records = m_rawRecords;
    if (geometry(m_shownPoint) != geometry(m_rawPipe))
        for (lmv::RvaRecord &r : records)
            r.flow = lmv::recordFlow(shownPipe(), r.level, r.velocity);
    const lmv::PlotData raw =
        lmv::rvaPlotData(records, recordInterval, corrections, factors, UnitModel->headerLabels());
    m_rawLines.draw(hydrograph, &raw);
}

float RvaWindowBase::shownVelocityCorrection() const
{
    return cellNumber(SumTable, 0, 2);
}

float RvaWindowBase::shownFlowCorrection() const
{
    return cellNumber(SumTable, 1, 2);
}

void RvaWindowBase::recomputeSumTable(float velocityCorrection, float flowCorrection,
                                      const lmv::UnitFactors &factors)
{
    recomputeRvaSumTable(SumTable, velocityCorrection, flowCorrection, factors);
}

lmv::UnitFactors RvaWindowBase::switchLevelVelocityUnit(const QString &from, bool fromVelocity,
                                                        const lmv::UnitFactors &factors)
{
    lmv::UnitFactors f = factors;
    const int i = lmv::unitIndex(fromVelocity ? lmv::VelocityUnits : lmv::LevelUnits, from);
    if (i >= 0) {
        // Level and velocity units always stand at the same position of their lists.
        const int k = (i + 1) % lmv::LevelUnits.size();
        const lmv::Unit &level = lmv::LevelUnits.at(k);
        const lmv::Unit &velocity = lmv::VelocityUnits.at(k % lmv::VelocityUnits.size());
        f.level = level.factor;
        f.velocity = velocity.factor;
        lmv::RvaUnitLabels[lmv::kRvaLevelUnitColumn] = level.label;
        lmv::RvaUnitLabels[lmv::kRvaVelocityUnitColumn] = velocity.label;
        if (UnitModel) {
            UnitModel->setHeaderLabel(RvaRecordModel::LevelColumn, level.label);
            UnitModel->setHeaderLabel(RvaRecordModel::VelocityColumn, velocity.label);
        }
    }
    if (SumTable)
        for (int r : kStatRows) {
            setCellText(SumTable, r, 4, lmv::RvaUnitLabels.value(lmv::kRvaLevelUnitColumn));
            setCellText(SumTable, r, 9, lmv::RvaUnitLabels.value(lmv::kRvaVelocityUnitColumn));
        }
    const float vc = shownVelocityCorrection();
    const float fc = shownFlowCorrection();
    recomputeSumTable(vc, fc, f);
    if (UnitModel) {
        UnitModel->setVelocityCorrection(vc);
        UnitModel->setLevelFactor(f.level);
        UnitModel->setVelocityFactor(f.velocity);
    }
    return f;
}

lmv::UnitFactors RvaWindowBase::switchFlowUnit(const QString &from, const lmv::UnitFactors &factors)
{
    lmv::UnitFactors f = factors;
    const int i = lmv::unitIndex(lmv::FlowUnits, from);
    if (i >= 0) {
        const lmv::Unit &flow = lmv::FlowUnits.at((i + 1) % lmv::FlowUnits.size());
        f.flow = flow.factor;
        lmv::RvaUnitLabels[lmv::kRvaFlowUnitColumn] = flow.label;
        if (UnitModel)
            UnitModel->setHeaderLabel(RvaRecordModel::FlowColumn, flow.label);
    }
    if (SumTable)
        for (int r : kStatRows)
            setCellText(SumTable, r, 14, lmv::RvaUnitLabels.value(lmv::kRvaFlowUnitColumn));
    const float vc = shownVelocityCorrection();
    const float fc = shownFlowCorrection();
    recomputeSumTable(vc, fc, f);
    if (UnitModel) {
        UnitModel->setCorrections(vc, fc);
        UnitModel->setFlowFactor(f.flow);
    }
    return f;
}

lmv::UnitFactors RvaWindowBase::switchUnitFromHeader(int column, const lmv::UnitFactors &factors)
{
    if (!UnitModel)
        return factors;
    const QString text = UnitModel->headerLabel(column);
    switch (column) {
    case RvaRecordModel::LevelColumn:
        return switchLevelVelocityUnit(text, false, factors);
    case RvaRecordModel::VelocityColumn:
        return switchLevelVelocityUnit(text, true, factors);
    case RvaRecordModel::FlowColumn:
        return switchFlowUnit(text, factors);
    default:
        return factors;
    }
}

lmv::UnitFactors RvaWindowBase::switchUnitFromSumCell(int row, int column, const lmv::UnitFactors &factors)
{
    if (row < 3 || row > 5)
        return factors;
    const QString text = cellText(SumTable, row, column);
    switch (column) {
    case 4:
        return switchLevelVelocityUnit(text, false, factors);
    case 9:
        return switchLevelVelocityUnit(text, true, factors);
    case 14:
        return switchFlowUnit(text, factors);
    default:
        return factors;
    }
}

void fillRvaParameters(QTableWidget *infoTable, QTableWidget *sumTable, const lmv::CalcParams &calc,
                       const lmv::SummaryBlock &summary)
{
    if (!infoTable || !sumTable)
        return;
    if (infoTable->rowCount() == 5)
        setCellNumber(infoTable, 4, 1, uint(summary.sampleCount));
    setCellNumber(sumTable, 0, 2, calc.velocityCorrection);
    setCellNumber(sumTable, 1, 2, calc.flowCorrection);
    setCellText(sumTable, 0, 3, twoDecimals(calc.velocityCorrection));
    setCellText(sumTable, 1, 3, twoDecimals(calc.flowCorrection));
    setCellText(sumTable, 2, 3, lmv::probeVersionName(calc.probeVersion));
    setCellNumber(sumTable, 0, 8, uint(calc.levelOffset));
    setCellNumber(sumTable, 1, 8, uint(calc.velocitySmoothing));
    setCellNumber(sumTable, 2, 8, uint(calc.recordInterval));
    setCellNumber(sumTable, 0, 12, summary.temperatureMax);
    setCellNumber(sumTable, 1, 12, summary.temperatureMin);
    setCellNumber(sumTable, 2, 12, summary.temperatureAvg);
    setCellNumber(sumTable, 0, 13, lmv::round2(summary.temperatureMax));
    setCellNumber(sumTable, 1, 13, lmv::round2(summary.temperatureMin));
    setCellNumber(sumTable, 2, 13, lmv::round2(summary.temperatureAvg));
}

void fillRvaStatistics(QTableWidget *sumTable, float velocityCorrection, float flowCorrection,
                       const lmv::SummaryBlock &summary, const lmv::UnitFactors &factors)
{
    if (!sumTable)
        return;
    const float level[] = {summary.levelMax, summary.levelMin, summary.levelAvg};
    const float velocity[] = {summary.velocityMax, summary.velocityMin, summary.velocityAvg};
    const float flow[] = {summary.flowMax, summary.flowMin, summary.flowAvg};
    for (int i = 0; i < 3; ++i) {
        setCellNumber(sumTable, kStatRows[i], 2, level[i]);
        setCellNumber(sumTable, kStatRows[i], 7, velocity[i]);
        setCellNumber(sumTable, kStatRows[i], 12, flow[i]);
    }
    recomputeRvaSumTable(sumTable, velocityCorrection, flowCorrection, factors);
}

void recomputeRvaSumTable(QTableWidget *sumTable, float velocityCorrection, float flowCorrection,
                          const lmv::UnitFactors &factors)
{
    if (!sumTable)
        return;
    const float vc = velocityCorrection;
    const float fc = flowCorrection;
    for (int r : kStatRows) {
        // An empty window has no statistics to recompute; its cells stay empty.
        if (cellText(sumTable, r, 2).isEmpty())
            continue;
        setCellNumber(sumTable, r, 3, lmv::round3(cellNumber(sumTable, r, 2)) * factors.level);
        setCellNumber(sumTable, r, 8, lmv::round3(cellNumber(sumTable, r, 7) * vc) * factors.velocity);
        setCellNumber(sumTable, r, 13, lmv::round3(cellNumber(sumTable, r, 12) * vc * fc * factors.flow));
    }
}

lmv::UnitFactors rvaSumTableFactors(const QTableWidget *sumTable, const lmv::UnitFactors &fallback)
{
    lmv::UnitFactors f = fallback;
    auto factorOf = [&](const QVector<lmv::Unit> &units, int column, float &factor) {
        const int i = lmv::unitIndex(units, cellText(sumTable, 3, column));
        if (i >= 0)
            factor = units.at(i).factor;
    };
    factorOf(lmv::LevelUnits, 4, f.level);
    factorOf(lmv::VelocityUnits, 9, f.velocity);
    factorOf(lmv::FlowUnits, 14, f.flow);
    return f;
}
