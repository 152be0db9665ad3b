#pragma once

class QWidget;

// Panel holder: keeps the widgets of one panel; MainWindow derives from it.
class RVA_UsbRecordWindow
{
public:
    // Creates the panel's widgets under the given parent.
    void setupRVA_UsbRecordWindow(QWidget *parent);
};
