#pragma once

#include "views/RvbWindowBase.h"

class QWidget;

// Record window of family RVB showing the cached copy of a day read from the connected logger.
// MainWindow derives from this holder; see RvbWindowBase for the operations and RecordWindowBase for
// the widgets (root, InfoTable, SumTable, RecordTable, UnitTable, CopyRecordBtn).
class RVB_UsbRecordWindow : public RvbWindowBase
{
public:
    // Creates the window's widgets under the given parent, writes the fixed texts and applies the
    // initial column widths.
    void setupRVB_UsbRecordWindow(QWidget *parent);
};
