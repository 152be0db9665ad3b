#include "views/RVA_RecordWindow.h"

void RVA_RecordWindow::setupRVA_RecordWindow(QWidget *parent)
{
    buildRvaWindow(parent, RecordWindowKind::RvaLocal);
    applyFixedColumnWidths();
}
