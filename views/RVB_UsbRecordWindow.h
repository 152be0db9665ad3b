#pragma once

class QWidget;

// Panel holder: keeps the widgets of one panel; MainWindow derives from it.
class RVB_UsbRecordWindow
{
public:
    // Creates the panel's widgets under the given parent.
    void setupRVB_UsbRecordWindow(QWidget *parent);
};
