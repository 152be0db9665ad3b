#include "app/MainWindow.h"

#include "data/DataFile.h"
#include "data/Hydraulics.h"
#include "data/Statistics.h"
#include "data/Tables.h"
#include "views/FileEditBar.h"

#include <QTableView>
#include <QTableWidget>

#include <vector>

// How the shell and the local dispatch reach the record views. The four record windows are
// bases of MainWindow with members of the same names, so every access here is qualified.

QWidget *MainWindow::localRvaView()
{
    return RVA_RecordWindow::root;
}

QWidget *MainWindow::localRvbView()
{
    return RVB_RecordWindow::root;
}

QWidget *MainWindow::deviceRvaView()
{
    return RVA_UsbRecordWindow::root;
}

QWidget *MainWindow::deviceRvbView()
{
    return RVB_UsbRecordWindow::root;
}

void MainWindow::relayoutRvaLocal()
{
    RVA_RecordWindow::relayoutColumns();
}

void MainWindow::relayoutRvbLocal()
{
    RVB_RecordWindow::relayoutColumns();
}

void MainWindow::relayoutRvaDevice()
{
    RVA_UsbRecordWindow::relayoutColumns();
}

void MainWindow::relayoutRvbDevice()
{
    RVB_UsbRecordWindow::relayoutColumns();
}

void MainWindow::clearUnitTables()
{
    RVA_RecordWindow::clearUnitTable();
    RVB_RecordWindow::clearUnitTable();
    RVA_UsbRecordWindow::clearUnitTable();
    RVB_UsbRecordWindow::clearUnitTable();
}

void MainWindow::resetLocalViews()
{
    RVA_RecordWindow::fileEdits->clear();
    clearLocalRvaView();
    clearLocalRvbView();
}

void MainWindow::clearLocalRvaView()
{
    RVA_RecordWindow::clearRvaWindow();
}

void MainWindow::clearLocalRvbView()
{
    RVB_RecordWindow::clearRvbWindow();
}

namespace {

// A header cut short still shows what it holds; the records of such a file are none.
bool readForDisplay(const QString &path, lmv::DataFileContents &contents)
{
    const int result = lmv::readDataFile(path, contents);
    return result == lmv::ReadOk || result == lmv::ReadShortHeader;
}

} // namespace

void MainWindow::loadLocalRvaFile(const QString &path)
{
    lmv::DataFileContents contents;
    if (!readForDisplay(path, contents))
        return;
    // A file of a point with edits that touch it shows the point's edited records.
    const FileEditBar *edits = RVA_RecordWindow::fileEdits;
    if (edits->filePath() == path && edits->showsEdited())
        RVA_RecordWindow::showEditedRvaFile(contents.header, edits->view(), lmv::refreshUnitFactors());
    else
        RVA_RecordWindow::showRvaFile(contents.header, std::move(contents.rva), lmv::refreshUnitFactors());
}

void MainWindow::loadLocalRvbFile(const QString &path)
{
    lmv::DataFileContents contents;
    if (!readForDisplay(path, contents))
        return;
    RVB_RecordWindow::showRvbFile(contents.header, std::move(contents.rvb));
}

void MainWindow::applyPipeToLocalRva(const std::array<std::uint32_t, 5> &pipe)
{
    lmv::PipeSaveIntoTfType point;
    point.pipeShape = pipe[0];
    point.heightOrDiameter = pipe[1];
    point.widthOrLowerBase = pipe[2];
    point.upperBase = pipe[3];
    point.sediment = pipe[4];
    setCellText(RVA_RecordWindow::InfoTable, 3, 1, lmv::pipeDescription(point));
    RVA_RecordWindow::setShownPipe(point); // the scattergraph and the data check follow the tried pipe

    RvaRecordModel *model = RVA_RecordWindow::UnitModel;
    QTableWidget *sum = RVA_RecordWindow::SumTable;
    if (!model || !sum)
        return;
    // Only the view changes: stored flows of the shown records and the flow statistics.
    const lmv::PipeGeometry geometry = lmv::pipeGeometryFrom(point);
    const std::vector<lmv::RvaRecord> &records = model->records();
    std::vector<float> flows;
    flows.reserve(records.size());
    lmv::RunningStats stats;
    for (const lmv::RvaRecord &r : records) {
        const float flow = lmv::recordFlow(geometry, r.level, r.velocity);
        flows.push_back(flow);
        stats.add(flow);
    }
    model->setStoredFlows(flows);
    setCellNumber(sum, 3, 12, stats.max);
    setCellNumber(sum, 4, 12, stats.min);
    setCellNumber(sum, 5, 12, stats.average());
    recomputeRvaSumTable(sum, RVA_RecordWindow::shownVelocityCorrection(),
                         RVA_RecordWindow::shownFlowCorrection(), lmv::refreshUnitFactors());
}

void MainWindow::setLocalInfo(bool rva, const PointSummary &summary)
{
    QTableWidget *info = rva ? RVA_RecordWindow::InfoTable : RVB_RecordWindow::InfoTable;
    setCellText(info, 0, 1, summary.deviceNumber);
    setCellText(info, 1, 1, summary.place);
    setCellText(info, 2, 1, summary.content);
    setCellText(info, 3, 1, summary.pipe);
}
