#include "views/RVA_UsbRecordWindow.h"

#include <QWidget>

void RVA_UsbRecordWindow::setupRVA_UsbRecordWindow(QWidget *parent)
{
    (void)parent;
}
