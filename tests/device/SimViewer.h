#pragma once

// The main window of the device tests, in a fresh working directory of its own, with the
// steps a user takes against a logger: connect, wait for the walk, find and click tree entries.

#include "app/MainWindow.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QtTest>

#include <memory>

class Viewer
{
public:
    // timerMs > 0 shortens the reply timer.
    explicit Viewer(int timerMs = 0)
    {
        previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        w = std::make_unique<MainWindow>();
        if (timerMs > 0)
            w->setUsbTimerIntervalForTest(timerMs);
        w->resize(1400, 860);
        w->show();
    }
    ~Viewer()
    {
        w.reset();
        QDir::setCurrent(previous);
    }
    MainWindow *operator->() const { return w.get(); }
    MainWindow &operator*() const { return *w; }
    MainWindow *get() const { return w.get(); }
    QString workPath() const { return work.path(); }

    void connectTo(const QString &port)
    {
        w->port_box->setEditText(port);
        QTest::mouseClick(w->usb_open_button, Qt::LeftButton);
    }
    // The walk has ended and the window takes input again.
    bool walkDone() const { return w->linkSession.stage() == lmv::LinkStage::Idle && w->isEnabled(); }
    // The same, or the calendar of an RVB file is waiting for a day.
    bool idle() const
    {
        const lmv::LinkStage s = w->linkSession.stage();
        return (s == lmv::LinkStage::Idle || s == lmv::LinkStage::Calendar) && w->isEnabled();
    }

    // The tree entry at "project|point|file" (fewer parts for higher levels), or nullptr.
    QTreeWidgetItem *item(const QString &path) const
    {
        const QStringList parts = path.split(QLatin1Char('|'));
        QTreeWidgetItem *found = nullptr;
        for (int i = 0; i < w->UsbPrjTree->topLevelItemCount() && !found; ++i)
            if (w->UsbPrjTree->topLevelItem(i)->text(0) == parts[0])
                found = w->UsbPrjTree->topLevelItem(i);
        for (int level = 1; found && level < parts.size(); ++level) {
            QTreeWidgetItem *child = nullptr;
            for (int i = 0; i < found->childCount() && !child; ++i)
                if (found->child(i)->text(0) == parts[level])
                    child = found->child(i);
            found = child;
        }
        return found;
    }
    // File `index` of the first point of the first project.
    QTreeWidgetItem *file(int index) const { return w->UsbPrjTree->topLevelItem(0)->child(0)->child(index); }
    // Clicks the entry's name as the user would.
    void click(QTreeWidgetItem *entry)
    {
        QTreeWidget *tree = w->UsbPrjTree;
        tree->expandAll();
        tree->scrollToItem(entry);
        const QRect r = tree->visualItemRect(entry);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 120, r.center().y()));
    }

private:
    QTemporaryDir work;
    QString previous;
    std::unique_ptr<MainWindow> w;
};
