#pragma once

#include "views/RvaWindowBase.h"

class FileEditBar;
class QWidget;

// Record window of family RVA showing a file from the local project store.
// MainWindow derives from this holder; see RvaWindowBase for the operations and RecordWindowBase for
// the widgets (root, InfoTable, SumTable, RecordTable, UnitTable, CopyRecordBtn).
class RVA_RecordWindow : public RvaWindowBase
{
public:
    // Creates the window's widgets under the given parent, writes the fixed texts and applies the
    // initial column widths.
    void setupRVA_RecordWindow(QWidget *parent);

    // The edit bar above the window, shown while the file belongs to a point of a project whose
    // index is known.
    FileEditBar *fileEdits = nullptr;
};
