#include "views/RVB_RecordWindow.h"

#include <QWidget>

void RVB_RecordWindow::setupRVB_RecordWindow(QWidget *parent)
{
    (void)parent;
}
