#pragma once

class QWidget;

// Panel holder: keeps the widgets of one panel; MainWindow derives from it.
class DevSelection
{
public:
    // Creates the panel's widgets under the given parent.
    void setupDevSelection(QWidget *parent);
};
