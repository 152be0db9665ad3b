#include "views/RVB_RecordWindow.h"

void RVB_RecordWindow::setupRVB_RecordWindow(QWidget *parent)
{
    buildRvbWindow(parent, RecordWindowKind::RvbLocal);
    applyFixedColumnWidths();
}
