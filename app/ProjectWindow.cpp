#include "app/ProjectWindow.h"

#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

void ProjectWindow::setupProjectWindow(QWidget *parent)
{
    prj_panel = new QWidget(parent);

    prj_title = new QLabel(QStringLiteral("本地项目列表"), prj_panel);
    prj_title->setFixedHeight(24);
    QFont titleFont(QStringLiteral("ADMUI3Lm"), 9);
    titleFont.setWeight(87);
    prj_title->setFont(titleFont);
    prj_title->setStyleSheet(QStringLiteral("background-color:rgb(220, 220, 220);                 "
                                            "border-width:1px;                  "
                                            "border-style:solid;                 "
                                            "border-color:rgb(180, 180, 180);"));

    PrjTree = new QTreeWidget(prj_panel);
    const QStringList labels = {QStringLiteral("项目名称/监测地点/文件名称"),
                                QStringLiteral("路径"),
                                QStringLiteral("管道类型"),
                                QStringLiteral("H"),
                                QStringLiteral("W"),
                                QStringLiteral("T"),
                                QStringLiteral("Y"),
                                QStringLiteral("设备"),
                                QStringLiteral("类型"),
                                QStringLiteral("备注")};
    PrjTree->setColumnCount(labels.size());
    PrjTree->setHeaderLabels(labels);
    QTreeWidgetItem *header = PrjTree->headerItem();
    header->setTextAlignment(0, Qt::AlignCenter);
    header->setTextAlignment(9, Qt::AlignCenter);
    PrjTree->header()->setStretchLastSection(false);
    PrjTree->setColumnWidth(0, 300);
    for (int c = 1; c < labels.size() - 1; ++c)
        PrjTree->setColumnHidden(c, true);
    PrjTree->setColumnWidth(9, 100);

    prj_layout = new QVBoxLayout(prj_panel);
    prj_layout->setContentsMargins(2, 2, 0, 0);
    prj_layout->setSpacing(2);
    prj_layout->addWidget(prj_title);
    prj_layout->addWidget(PrjTree);
}
