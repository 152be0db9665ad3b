#include "app/TreeCheck.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace {

bool allChildrenAre(const QTreeWidgetItem *parent, int state)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (checkStateOf(parent->child(i)) != state)
            return false;
    return true;
}

bool anyChildChecked(const QTreeWidgetItem *parent)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (checkStateOf(parent->child(i)) != 0)
            return true;
    return false;
}

void setSubtree(QTreeWidgetItem *item, int state)
{
    for (int i = 0; i < item->childCount(); ++i) {
        setCheckStateOf(item->child(i), state);
        setSubtree(item->child(i), state);
    }
}

// A parent after one of its children became checked (2) or partly checked.
void raiseParent(QTreeWidgetItem *parent)
{
    setCheckStateOf(parent, allChildrenAre(parent, 2) ? 2 : 1);
}

// A parent after one of its children became unchecked.
void lowerParent(QTreeWidgetItem *parent)
{
    setCheckStateOf(parent, anyChildChecked(parent) ? 1 : 0);
}

} // namespace

int checkStateOf(const QTreeWidgetItem *item)
{
    return static_cast<int>(item->checkState(0));
}

void setCheckStateOf(QTreeWidgetItem *item, int state)
{
    item->setCheckState(0, static_cast<Qt::CheckState>(state));
}

void propagateCheck(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int s = checkStateOf(item);
    QTreeWidgetItem *parent = item->parent();
    if (!parent) {
        setSubtree(item, s);
        return;
    }
    QTreeWidgetItem *grandparent = parent->parent();
    if (!grandparent) {
        // A point: its files follow it fully, its project summarises the points.
        setSubtree(item, s != 0 ? 2 : 0);
        if (s != 0)
            raiseParent(parent);
        else
            lowerParent(parent);
        return;
    }
    // A file: its point summarises the files, then the project summarises the points.
    if (s == 2) {
        raiseParent(parent);
        raiseParent(grandparent);
    } else if (s == 0) {
        lowerParent(parent);
        lowerParent(grandparent);
    }
}

void setCheckAll(QTreeWidget *tree, int state)
{
    if (!tree)
        return;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *project = tree->topLevelItem(i);
        setCheckStateOf(project, state);
        setSubtree(project, state);
    }
}

bool anyChecked(const QTreeWidget *tree)
{
    if (!tree)
        return false;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *project = tree->topLevelItem(i);
        if (checkStateOf(project) != 0)
            return true;
        for (int p = 0; p < project->childCount(); ++p) {
            const QTreeWidgetItem *point = project->child(p);
            if (checkStateOf(point) != 0 || anyChildChecked(point))
                return true;
        }
    }
    return false;
}
