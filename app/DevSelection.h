#pragma once

class QPushButton;
class QWidget;

// Panel holder of the mode selector on the window's left edge: two large toggle buttons,
// device mode and PC mode. MainWindow derives from it.
class DevSelection
{
public:
    // Creates the panel's widgets under the given parent.
    void setupDevSelection(QWidget *parent);

    QWidget *selection_panel = nullptr;
    QPushButton *dev_button = nullptr;
    QPushButton *pc_button = nullptr;
};
