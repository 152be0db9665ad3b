#pragma once

#include "app/ShownEntry.h"

#include <QTreeWidgetItem>

// Levels of the local project tree and the key of an entry, read from its items.

inline bool isFileItem(const QTreeWidgetItem *item)
{
    return item && item->parent() && item->parent()->parent();
}

inline bool isPointItem(const QTreeWidgetItem *item)
{
    return item && item->parent() && !item->parent()->parent();
}

// Key of a point or file entry (project entries have none: an empty key).
inline lmv::TreeEntryKey treeEntryKey(const QTreeWidgetItem *item)
{
    lmv::TreeEntryKey key;
    const QTreeWidgetItem *point = isFileItem(item) ? item->parent() : isPointItem(item) ? item : nullptr;
    if (!point)
        return key;
    key.projectName = point->parent()->text(0);
    key.projectPart = point->parent()->text(1);
    key.pointName = point->text(0);
    key.pointPart = point->text(1);
    if (item != point) {
        key.fileName = item->text(0);
        key.filePart = item->text(1);
    }
    return key;
}
