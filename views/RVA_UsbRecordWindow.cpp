#include "views/RVA_UsbRecordWindow.h"

#include "views/ColumnWidths.h"

void RVA_UsbRecordWindow::setupRVA_UsbRecordWindow(QWidget *parent)
{
    buildRvaWindow(parent, RecordWindowKind::RvaDevice);
    // The detail tables get their widths at the first width update, when the window is shown.
    ColumnWidths widths = fixedColumnWidths(RecordWindowKind::RvaDevice);
    widths.records.clear();
    applyWidths(widths);
}
