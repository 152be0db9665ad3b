#include "app/MainWindow.h"

void MainWindow::connectRecordViews()
{
}

void MainWindow::on_RVA_RecordTable_Header_clicked(int)
{
}

void MainWindow::on_RVB_RecordTable_Header_clicked(int)
{
}

void MainWindow::on_UnitTable_Header_clicked(int)
{
}

void MainWindow::on_SumTable_cellClicked(int, int)
{
}

void MainWindow::Once_RVA_RecordTableSizeChanged(int, int, int)
{
}

void MainWindow::Once_RVB_RecordTableSizeChanged(int, int, int)
{
}

void MainWindow::on_RVA_RecordTable_H_Scroll_Value_Changed(int)
{
}

void MainWindow::on_RVB_RecordTable_H_Scroll_Value_Changed(int)
{
}

void MainWindow::on_SumTable_H_Scroll_Value_Changed(int)
{
}

void MainWindow::on_UsbRecordTable_Header_clicked(int)
{
}

void MainWindow::on_UsbUnitTable_Header_clicked(int)
{
}

void MainWindow::on_UsbSumTable_cellClicked(int, int)
{
}

void MainWindow::Once_RVA_UsbRecordTableSizeChanged(int, int, int)
{
}

void MainWindow::Once_RVB_UsbRecordTableSizeChanged(int, int, int)
{
}

void MainWindow::on_RVA_UsbRecordTable_H_Scroll_Value_Changed(int)
{
}

void MainWindow::on_RVB_UsbRecordTable_H_Scroll_Value_Changed(int)
{
}

void MainWindow::on_UsbSumTable_H_Scroll_Value_Changed(int)
{
}

void MainWindow::on_RVA_CopyLocRecordBtn_Clicked()
{
}

void MainWindow::on_RVA_UsbCopyRecordBtn_Clicked()
{
}

void MainWindow::on_RVB_CopyLocRecordBtn_Clicked()
{
}

void MainWindow::on_RVB_UsbCopyRecordBtn_Clicked()
{
}

