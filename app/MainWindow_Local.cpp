#include "app/MainWindow.h"

#include <QTreeWidgetItem>

void MainWindow::on_open_prj_action_triggered()
{
}

void MainWindow::on_open_file_action_triggered()
{
}

void MainWindow::on_select_all_triggered()
{
}

void MainWindow::on_remove_action_triggered()
{
}

void MainWindow::on_PrjTreeColumnResized(int, int, int)
{
}

void MainWindow::on_file_item_clicked(QTreeWidgetItem *)
{
}

