#include "views/RVB_UsbRecordWindow.h"

#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>

void RVB_UsbRecordWindow::setupRVB_UsbRecordWindow(QWidget *parent)
{
    buildRvbWindow(parent, RecordWindowKind::RvbDevice);
    applyFixedColumnWidths();
    // Nothing sorts a device file's RVB rows: a clickable header would move its sort arrow
    // (and select columns) without the rows following.
    RecordTable->horizontalHeader()->setSectionsClickable(false);
    UnitTable->horizontalHeader()->setSectionsClickable(false);
}
