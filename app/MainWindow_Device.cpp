#include "app/MainWindow.h"

#include <QDate>
#include <QTreeWidgetItem>

void MainWindow::connectDeviceLink()
{
}

void MainWindow::on_usb_open_toggled(bool)
{
}

void MainWindow::Once_DevInfoRecieved(QByteArray)
{
}

void MainWindow::Once_UsbDisconnect()
{
}

void MainWindow::Once_RVA_PrjNameRecieved(QByteArray)
{
}

void MainWindow::Once_RVA_PosNameRecieved(QByteArray)
{
}

void MainWindow::Once_RVA_FileNameRecieved(QByteArray)
{
}

void MainWindow::Once_RVB_PrjNameRecieved(QByteArray)
{
}

void MainWindow::Once_RVB_PosNameRecieved(QByteArray)
{
}

void MainWindow::Once_RVB_FileNameRecieved(QByteArray)
{
}

void MainWindow::on_UsbTimer_Timeout()
{
}

void MainWindow::Once_RVA_DataRecordRecieved(QByteArray)
{
}

void MainWindow::Once_RVB_DataNodeRecieved(QByteArray)
{
}

void MainWindow::Once_RVB_DataRecordRecieved(QByteArray)
{
}

void MainWindow::once_UsbTreeItemClicked(QTreeWidgetItem *)
{
}

void MainWindow::on_ProgressTerminate()
{
}

void MainWindow::OnceCalendarBoxIsClicked(QDate)
{
}

