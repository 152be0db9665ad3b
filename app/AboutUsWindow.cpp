#include "app/AboutUsWindow.h"

AboutUsWindow::AboutUsWindow(QWidget *parent) : QWidget(parent) {}
