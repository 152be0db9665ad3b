#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QResizeEvent>

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Limnova Viewer"));
    connectRecordViews();
    connectDeviceLink();
    connectDialogs();
    connectSaving();
}

MainWindow::~MainWindow() {}

void MainWindow::on_quit_action_triggered()
{
    close();
}

void MainWindow::on_splitter_edge_changed(int, int) {}

void MainWindow::on_usb_splitter_edge_changed(int, int) {}

void MainWindow::on_pc_button_released() {}

void MainWindow::on_dev_button_released() {}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
}
