#include "views/RVA_RecordWindow.h"

#include "views/FileEditBar.h"

#include <QVBoxLayout>

void RVA_RecordWindow::setupRVA_RecordWindow(QWidget *parent)
{
    buildRvaWindow(parent, RecordWindowKind::RvaLocal);
    applyFixedColumnWidths();
    fileEdits = new FileEditBar(this, root);
    static_cast<QVBoxLayout *>(root->layout())->insertWidget(0, fileEdits);
}
