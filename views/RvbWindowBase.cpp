#include "views/RvbWindowBase.h"

#include "data/PlotSeries.h"
#include "data/Statistics.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "views/SurveyCheckLink.h"

#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>

namespace {

constexpr int kSumRows = 4;
constexpr int kChannels = 6;

QStringList placeholderChannelNames()
{
    QStringList names;
    for (int i = 1; i <= kChannels; ++i)
        names << QStringLiteral("数据%1").arg(i);
    return names;
}

} // namespace

void RvbWindowBase::buildRvbWindow(QWidget *parent, RecordWindowKind kind)
{
    auto *model = new RvbRecordModel;
    UnitModel = model;
    buildRecordWindow(parent, kind, model, lmv::RvbColumnNames, lmv::RvbUnitLabels, kSumRows, kChannels);
    SumTable->setHorizontalHeaderLabels(placeholderChannelNames());
    SumTable->setVerticalHeaderLabels({QStringLiteral(" 单位"), QStringLiteral("最大值"),
                                       QStringLiteral("最小值"), QStringLiteral("平均值")});
    fillWithCentredItems(SumTable);
    for (int c = 0; c < kChannels; ++c)
        setCellText(SumTable, 0, c, QStringLiteral("-"));
    // Six channels, supply voltage and signal quality, whatever the model: the panes come with
    // the window, the model's names and units with each file.
    hydrograph->preparePanes(int(lmv::rvbSeriesKeys().size()));
    // RVB records are never checked for surcharge.
    checkView = attachSurveyCheck(
        *this, [this] { return surveyCheck(); }, [] { return QVector<lmv::Finding>(); });
}

lmv::SurveyCheck RvbWindowBase::surveyCheck() const
{
    if (!UnitModel || UnitModel->records().empty())
        return {};
    return lmv::checkRvb(UnitModel->records(), quint8(modelCode));
}

std::shared_ptr<const lmv::PlotData> RvbWindowBase::plotData() const
{
    if (!UnitModel || UnitModel->records().empty())
        return nullptr;
    return std::make_shared<const lmv::PlotData>(lmv::rvbPlotData(UnitModel->records(), modelCode));
}

void RvbWindowBase::clearRvbWindow()
{
    clearInfoAndRecords(lmv::RvbUnitLabels);
    if (RecordTable)
        RecordTable->setHorizontalHeaderLabels(lmv::RvbColumnNames);
    if (SumTable) {
        for (int c = 0; c < kChannels; ++c) {
            setCellText(SumTable, 0, c, QStringLiteral("-"));
            for (int r = 1; r < kSumRows; ++r)
                setCellText(SumTable, r, c, QString());
        }
        SumTable->setHorizontalHeaderLabels(placeholderChannelNames());
    }
}

void RvbWindowBase::showRvbFile(const lmv::DataFileHeader &header, std::vector<lmv::RvbRecord> records)
{
    clearRvbWindow();
    const int model = header.device.modelCode();
    modelCode = model;
    fillInfo(InfoTable, header.point, header.device, lmv::modelContent(QString::number(model)));
    setPictureSubject(header.point, false);
    fillRvbHeaders(model, UnitModel, RecordTable, SumTable);

    // The statistics come from the records as read; the average divides by the number of rows.
    const std::array<lmv::RunningStats, 6> stats = lmv::computeRvbChannelStats(records);
    const std::size_t rows = records.size();
    if (UnitModel)
        UnitModel->setRecords(std::move(records));
    if (SumTable)
        for (int c = 0; c < kChannels; ++c) {
            const lmv::RunningStats &s = stats[std::size_t(c)];
            // Without records there is no maximum or minimum; they stay empty.
            if (rows > 0) {
                setCellNumber(SumTable, 1, c, s.max);
                setCellNumber(SumTable, 2, c, s.min);
            }
            setCellNumber(SumTable, 3, c, rows > 0 ? float(s.sum / double(rows)) : 0.0f);
        }
    if (RecordTable)
        RecordTable->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    if (InfoTable)
        setCellText(InfoTable, 4, 1, QString::number(rows));
}

void fillRvbHeaders(int modelCode, RvbRecordModel *unitModel, QTableWidget *recordTable,
                    QTableWidget *sumTable)
{
    if (!unitModel || !recordTable || !sumTable)
        return;
    const QStringList names = lmv::modelChannelNames(modelCode).split(QLatin1Char('$'));
    const QStringList units = lmv::modelChannelUnits(modelCode).split(QLatin1Char('$'));
    if (names.size() >= kChannels)
        for (int i = 0; i < kChannels; ++i) {
            if (QTableWidgetItem *item = recordTable->horizontalHeaderItem(i + 1))
                item->setText(names.at(i));
            if (QTableWidgetItem *item = sumTable->horizontalHeaderItem(i))
                item->setText(names.at(i));
        }
    if (units.size() >= kChannels)
        for (int i = 0; i < kChannels; ++i) {
            unitModel->setHeaderLabel(i + 1, units.at(i));
            setCellText(sumTable, 0, i, units.at(i));
        }
}
