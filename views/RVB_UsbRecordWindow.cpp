#include "views/RVB_UsbRecordWindow.h"

void RVB_UsbRecordWindow::setupRVB_UsbRecordWindow(QWidget *parent)
{
    buildRvbWindow(parent, RecordWindowKind::RvbDevice);
    applyFixedColumnWidths();
}
