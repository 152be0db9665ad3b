#include "app/MainWindow.h"

#include "data/Tables.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>

namespace {

RvaRecordModel *rvaModelOf(QTableView *unitTable)
{
    return unitTable ? qobject_cast<RvaRecordModel *>(unitTable->model()) : nullptr;
}

// Column widths: whichever of the two header rows the user drags, both follow.
void coupleWidths(RecordWindowBase &w, int logicalIndex, int newSize)
{
    if (w.RecordTable)
        w.RecordTable->setColumnWidth(logicalIndex, newSize);
    if (w.UnitTable)
        w.UnitTable->setColumnWidth(logicalIndex, newSize);
}

// The name row never shows its scroll bar; it takes the records' range and position, so the
// names stay above their columns even where its own range would be smaller.
void followScroll(QAbstractScrollArea *follower, QAbstractScrollArea *leader, int value)
{
    if (!follower || !leader)
        return;
    QScrollBar *bar = follower->horizontalScrollBar();
    bar->setMaximum(leader->horizontalScrollBar()->maximum());
    bar->setValue(value);
}

void copyToClipboard(const RecordWindowBase &w)
{
    QApplication::clipboard()->setText(w.clipboardText(), QClipboard::Clipboard);
}

template <class Sender, class Signal, class Slot>
void connectIf(Sender *sender, Signal signal, MainWindow *window, Slot slot)
{
    if (sender)
        QObject::connect(sender, signal, window, slot);
}

} // namespace

void MainWindow::connectRecordViews()
{
    auto *rvaLocal = static_cast<RVA_RecordWindow *>(this);
    auto *rvbLocal = static_cast<RVB_RecordWindow *>(this);
    auto *rvaDevice = static_cast<RVA_UsbRecordWindow *>(this);
    auto *rvbDevice = static_cast<RVB_UsbRecordWindow *>(this);
    if (!rvaLocal->RecordTable || !rvbLocal->RecordTable || !rvaDevice->RecordTable ||
        !rvbDevice->RecordTable)
        return; // the windows are not built

    auto header = [](auto *table) { return table->horizontalHeader(); };
    auto hbar = [](auto *table) { return table->horizontalScrollBar(); };

    connectIf(header(rvaLocal->RecordTable), &QHeaderView::sectionClicked, this,
              &MainWindow::on_RVA_RecordTable_Header_clicked);
    connectIf(header(rvbLocal->RecordTable), &QHeaderView::sectionClicked, this,
              &MainWindow::on_RVB_RecordTable_Header_clicked);
    connectIf(header(rvaDevice->RecordTable), &QHeaderView::sectionClicked, this,
              &MainWindow::on_UsbRecordTable_Header_clicked);
    connectIf(header(rvaLocal->UnitTable), &QHeaderView::sectionClicked, this,
              &MainWindow::on_UnitTable_Header_clicked);
    connectIf(header(rvaDevice->UnitTable), &QHeaderView::sectionClicked, this,
              &MainWindow::on_UsbUnitTable_Header_clicked);
    connectIf(rvaLocal->SumTable, &QTableWidget::cellClicked, this, &MainWindow::on_SumTable_cellClicked);
    connectIf(rvaDevice->SumTable, &QTableWidget::cellClicked, this, &MainWindow::on_UsbSumTable_cellClicked);

    for (QHeaderView *h : {header(rvaLocal->RecordTable), header(rvaLocal->UnitTable)})
        connect(h, &QHeaderView::sectionResized, this, &MainWindow::Once_RVA_RecordTableSizeChanged);
    for (QHeaderView *h : {header(rvbLocal->RecordTable), header(rvbLocal->UnitTable)})
        connect(h, &QHeaderView::sectionResized, this, &MainWindow::Once_RVB_RecordTableSizeChanged);
    for (QHeaderView *h : {header(rvaDevice->RecordTable), header(rvaDevice->UnitTable)})
        connect(h, &QHeaderView::sectionResized, this, &MainWindow::Once_RVA_UsbRecordTableSizeChanged);
    for (QHeaderView *h : {header(rvbDevice->RecordTable), header(rvbDevice->UnitTable)})
        connect(h, &QHeaderView::sectionResized, this, &MainWindow::Once_RVB_UsbRecordTableSizeChanged);

    connect(hbar(rvaLocal->UnitTable), &QScrollBar::valueChanged, this,
            &MainWindow::on_RVA_RecordTable_H_Scroll_Value_Changed);
    connect(hbar(rvbLocal->UnitTable), &QScrollBar::valueChanged, this,
            &MainWindow::on_RVB_RecordTable_H_Scroll_Value_Changed);
    connect(hbar(rvaDevice->UnitTable), &QScrollBar::valueChanged, this,
            &MainWindow::on_RVA_UsbRecordTable_H_Scroll_Value_Changed);
    connect(hbar(rvbDevice->UnitTable), &QScrollBar::valueChanged, this,
            &MainWindow::on_RVB_UsbRecordTable_H_Scroll_Value_Changed);
    connect(hbar(rvaLocal->SumTable), &QScrollBar::valueChanged, this,
            &MainWindow::on_SumTable_H_Scroll_Value_Changed);
    connect(hbar(rvaDevice->SumTable), &QScrollBar::valueChanged, this,
            &MainWindow::on_UsbSumTable_H_Scroll_Value_Changed);

    connect(rvaLocal->CopyRecordBtn, &QPushButton::clicked, this,
            &MainWindow::on_RVA_CopyLocRecordBtn_Clicked);
    connect(rvaDevice->CopyRecordBtn, &QPushButton::clicked, this,
            &MainWindow::on_RVA_UsbCopyRecordBtn_Clicked);
    connect(rvbLocal->CopyRecordBtn, &QPushButton::clicked, this,
            &MainWindow::on_RVB_CopyLocRecordBtn_Clicked);
    connect(rvbDevice->CopyRecordBtn, &QPushButton::clicked, this,
            &MainWindow::on_RVB_UsbCopyRecordBtn_Clicked);
}

// ---- unit factors and recompute operations ----

void MainWindow::setUnitFactors(const lmv::UnitFactors &factors)
{
    levelFactor = factors.level;
    velocityFactor = factors.velocity;
    flowFactor = factors.flow;
}

void MainWindow::refreshUnitFactors()
{
    setUnitFactors(lmv::refreshUnitFactors(unitFactors()));
}

void MainWindow::recomputeSumTable(float vc, float fc, QTableWidget *sumTable)
{
    // The grid's own unit cells say which units its values are in.
    recomputeRvaSumTable(sumTable, vc, fc, rvaSumTableFactors(sumTable, unitFactors()));
}

void MainWindow::recomputeLevelColumn(QTableView *unitTable)
{
    if (RvaRecordModel *model = rvaModelOf(unitTable))
        model->setLevelFactor(model->levelFactor());
}

void MainWindow::recomputeVelocityColumn(float vc, QTableView *unitTable)
{
    if (RvaRecordModel *model = rvaModelOf(unitTable))
        model->setVelocityCorrection(vc);
}

void MainWindow::recomputeFlowColumn(float vc, float fc, QTableView *unitTable)
{
    if (RvaRecordModel *model = rvaModelOf(unitTable))
        model->setCorrections(vc, fc);
}

// ---- sorting ----

void MainWindow::on_RVA_RecordTable_Header_clicked(int column)
{
    RVA_RecordWindow::sortFromNameClick(column);
}

void MainWindow::on_RVB_RecordTable_Header_clicked(int column)
{
    RVB_RecordWindow::sortFromNameClick(column);
}

void MainWindow::on_UsbRecordTable_Header_clicked(int column)
{
    RVA_UsbRecordWindow::sortFromNameClick(column);
}

// ---- unit switching ----

void MainWindow::on_UnitTable_Header_clicked(int column)
{
    setUnitFactors(RVA_RecordWindow::switchUnitFromHeader(column, unitFactors()));
}

void MainWindow::on_UsbUnitTable_Header_clicked(int column)
{
    setUnitFactors(RVA_UsbRecordWindow::switchUnitFromHeader(column, unitFactors()));
}

void MainWindow::on_SumTable_cellClicked(int row, int column)
{
    if ((row == 0 || row == 1) && column == 4) {
        // "更改": the parameter dialog opens exactly as from the menu (only with a file item
        // current in the local project tree).
        on_parameter_modify_action_triggered();
        return;
    }
    setUnitFactors(RVA_RecordWindow::switchUnitFromSumCell(row, column, unitFactors()));
}

void MainWindow::on_UsbSumTable_cellClicked(int row, int column)
{
    // Cells (0,4) and (1,4) show "-" here: a device file's parameters are not changed.
    setUnitFactors(RVA_UsbRecordWindow::switchUnitFromSumCell(row, column, unitFactors()));
}

// ---- width and scroll coupling ----

void MainWindow::Once_RVA_RecordTableSizeChanged(int logicalIndex, int, int newSize)
{
    coupleWidths(*static_cast<RVA_RecordWindow *>(this), logicalIndex, newSize);
}

void MainWindow::Once_RVB_RecordTableSizeChanged(int logicalIndex, int, int newSize)
{
    coupleWidths(*static_cast<RVB_RecordWindow *>(this), logicalIndex, newSize);
}

void MainWindow::Once_RVA_UsbRecordTableSizeChanged(int logicalIndex, int, int newSize)
{
    coupleWidths(*static_cast<RVA_UsbRecordWindow *>(this), logicalIndex, newSize);
}

void MainWindow::Once_RVB_UsbRecordTableSizeChanged(int logicalIndex, int, int newSize)
{
    coupleWidths(*static_cast<RVB_UsbRecordWindow *>(this), logicalIndex, newSize);
}

void MainWindow::on_RVA_RecordTable_H_Scroll_Value_Changed(int value)
{
    followScroll(RVA_RecordWindow::RecordTable, RVA_RecordWindow::UnitTable, value);
}

void MainWindow::on_RVB_RecordTable_H_Scroll_Value_Changed(int value)
{
    followScroll(RVB_RecordWindow::RecordTable, RVB_RecordWindow::UnitTable, value);
}

void MainWindow::on_RVA_UsbRecordTable_H_Scroll_Value_Changed(int value)
{
    followScroll(RVA_UsbRecordWindow::RecordTable, RVA_UsbRecordWindow::UnitTable, value);
}

void MainWindow::on_RVB_UsbRecordTable_H_Scroll_Value_Changed(int value)
{
    followScroll(RVB_UsbRecordWindow::RecordTable, RVB_UsbRecordWindow::UnitTable, value);
}

void MainWindow::on_SumTable_H_Scroll_Value_Changed(int value)
{
    followScroll(RVA_RecordWindow::InfoTable, RVA_RecordWindow::SumTable, value);
}

void MainWindow::on_UsbSumTable_H_Scroll_Value_Changed(int value)
{
    followScroll(RVA_UsbRecordWindow::InfoTable, RVA_UsbRecordWindow::SumTable, value);
}

// ---- clipboard ----

void MainWindow::on_RVA_CopyLocRecordBtn_Clicked()
{
    copyToClipboard(*static_cast<RVA_RecordWindow *>(this));
}

void MainWindow::on_RVA_UsbCopyRecordBtn_Clicked()
{
    copyToClipboard(*static_cast<RVA_UsbRecordWindow *>(this));
}

void MainWindow::on_RVB_CopyLocRecordBtn_Clicked()
{
    copyToClipboard(*static_cast<RVB_RecordWindow *>(this));
}

void MainWindow::on_RVB_UsbCopyRecordBtn_Clicked()
{
    copyToClipboard(*static_cast<RVB_UsbRecordWindow *>(this));
}
