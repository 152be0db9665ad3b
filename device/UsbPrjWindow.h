#pragma once

class QLabel;
class QString;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;
class QWidget;

// Panel holder of the device tree: projects, their monitoring points and the points' files as the
// connected logger lists them. MainWindow derives from it and fills the tree during the walk.
class UsbPrjWindow
{
public:
    // Columns of the device tree.
    enum Column
    {
        NameColumn = 0,
        SizeColumn = 1,
        ShapeColumn = 2,
        HColumn = 3,
        WColumn = 4,
        TColumn = 5,
        YColumn = 6,
        CacheColumn = 7, // path of the completely downloaded copy; empty = not cached
    };

    // Creates the panel's widgets under the given parent (the panel itself is usb_prj_panel).
    void setupUsbPrjWindow(QWidget *parent);

    // A new item with an unticked check box in column 0 and the given name.
    static QTreeWidgetItem *newDeviceItem(const QString &name);
    // Level of an item: 0 project, 1 point, 2 file.
    static int deviceItemLevel(const QTreeWidgetItem *item);

    QWidget *usb_prj_panel = nullptr;
    QVBoxLayout *usb_prj_layout = nullptr;
    QLabel *usb_prj_title = nullptr;
    QTreeWidget *UsbPrjTree = nullptr;
};
