#include "app/MainWindow.h"

void MainWindow::connectSaving()
{
}

void MainWindow::on_save_lmv_action_triggered()
{
}

void MainWindow::on_save_txt_action_triggered()
{
}

void MainWindow::on_save_csv_action_triggered()
{
}

