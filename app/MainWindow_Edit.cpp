#include "app/MainWindow.h"

void MainWindow::connectDialogs()
{
}

void MainWindow::on_parameter_modify_action_triggered()
{
}

void MainWindow::on_pipe_modify_action_triggered()
{
}

void MainWindow::on_id_modify_action_triggered()
{
}

void MainWindow::on_RecievedGainCoef(float, float)
{
}

void MainWindow::on_RecievedGainCoefForSaving(float, float)
{
}

