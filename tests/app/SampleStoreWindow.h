#pragma once

// A main window over a copy of the sample store: `work` gets the store, becomes the current
// folder, and the project 城东排水管网 is opened in PC mode from its index (returned in *index)
// after its database is removed, so that the cases start without visits or edits. False when a
// step fails. The window is 1366 × 768 and shown.

#include "../CopyTree.h"
#include "app/MainWindow.h"
#include "survey/ProjectDb.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>

#include <memory>

// The child of a tree entry with this name in column 0, or null.
inline QTreeWidgetItem *treeChild(QTreeWidgetItem *parent, const QString &name)
{
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name)
            return parent->child(i);
    return nullptr;
}

inline bool openSampleStore(std::unique_ptr<MainWindow> &w, const QString &work, QString *index)
{
    const QString project = QStringLiteral("城东排水管网");
    if (!copyTree(QStringLiteral(LMV_SAMPLES "/store"), work + "/store") || !QDir::setCurrent(work))
        return false;
    *index = work + "/store/" + project + "/" + project + ".lmvprj";
    QFile::remove(lmv::survey::ProjectDb::pathFor(*index));
    w = std::make_unique<MainWindow>();
    w->resize(1366, 768);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return false;
    QTest::mouseClick(w->pc_button, Qt::LeftButton);
    w->openLocalPath(*index);
    return true;
}
