#include "views/RVB_UsbRecordWindow.h"

#include <QWidget>

void RVB_UsbRecordWindow::setupRVB_UsbRecordWindow(QWidget *parent)
{
    (void)parent;
}
