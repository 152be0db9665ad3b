#include "views/RVA_RecordWindow.h"

#include <QWidget>

void RVA_RecordWindow::setupRVA_RecordWindow(QWidget *parent)
{
    (void)parent;
}
