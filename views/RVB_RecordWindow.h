#pragma once

class QWidget;

// Panel holder: keeps the widgets of one panel; MainWindow derives from it.
class RVB_RecordWindow
{
public:
    // Creates the panel's widgets under the given parent.
    void setupRVB_RecordWindow(QWidget *parent);
};
