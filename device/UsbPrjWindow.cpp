#include "device/UsbPrjWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

void UsbPrjWindow::setupUsbPrjWindow(QWidget *parent)
{
    usb_prj_panel = new QWidget(parent);
    usb_prj_panel->setObjectName(QStringLiteral("usb_prj_panel"));
    usb_prj_layout = new QVBoxLayout(usb_prj_panel);
    usb_prj_layout->setContentsMargins(2, 2, 0, 0);
    usb_prj_layout->setSpacing(2);

    usb_prj_title = new QLabel(QStringLiteral("设备项目列表"), usb_prj_panel);
    usb_prj_title->setFixedHeight(24);
    QFont font(QStringLiteral("ADMUI3Lm"), 9);
    font.setWeight(87);
    usb_prj_title->setFont(font);
    usb_prj_title->setStyleSheet(
        QStringLiteral("background-color:rgb(220, 220, 220); border:1px solid rgb(180, 180, 180);"));

    UsbPrjTree = new QTreeWidget(usb_prj_panel);
    UsbPrjTree->setObjectName(QStringLiteral("UsbPrjTree"));
    UsbPrjTree->setColumnCount(8);
    UsbPrjTree->setHeaderLabels({QStringLiteral("项目名称/监测地点/文件名称"), QStringLiteral("文件大小"),
                                 QStringLiteral("管道类型"), QStringLiteral("H"), QStringLiteral("W"),
                                 QStringLiteral("T"), QStringLiteral("Y"), QStringLiteral("缓存路径")});
    UsbPrjTree->header()->setStretchLastSection(false);
    UsbPrjTree->header()->setDefaultAlignment(Qt::AlignCenter);
    UsbPrjTree->setColumnWidth(NameColumn, 300);
    // The other columns carry data for downloads and saving; they are not shown.
    for (int c = SizeColumn; c <= CacheColumn; ++c)
        UsbPrjTree->setColumnWidth(c, 0);

    usb_prj_layout->addWidget(usb_prj_title);
    usb_prj_layout->addWidget(UsbPrjTree);
}

QTreeWidgetItem *UsbPrjWindow::newDeviceItem(const QString &name)
{
    auto *item = new QTreeWidgetItem;
    item->setText(NameColumn, name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(NameColumn, Qt::Unchecked);
    return item;
}

int UsbPrjWindow::deviceItemLevel(const QTreeWidgetItem *item)
{
    int level = 0;
    for (const QTreeWidgetItem *p = item ? item->parent() : nullptr; p; p = p->parent())
        ++level;
    return level;
}
