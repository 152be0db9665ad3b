#include "views/PipeModifyWindow.h"

PipeModifyWindow::PipeModifyWindow(QWidget *parent) : QWidget(parent) {}
