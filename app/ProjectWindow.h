#pragma once

class QLabel;
class QTreeWidget;
class QVBoxLayout;
class QWidget;

// Panel holder of the local project list: a title and the three-level check-box tree of
// projects, monitoring points and data files. MainWindow derives from it.
class ProjectWindow
{
public:
    // Creates the panel's widgets under the given parent.
    void setupProjectWindow(QWidget *parent);

    QWidget *prj_panel = nullptr;
    QTreeWidget *PrjTree = nullptr;
    QLabel *prj_title = nullptr;
    QVBoxLayout *prj_layout = nullptr;
};
