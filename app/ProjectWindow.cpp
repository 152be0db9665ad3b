#include "app/ProjectWindow.h"

#include <QWidget>

void ProjectWindow::setupProjectWindow(QWidget *parent)
{
    (void)parent;
}
