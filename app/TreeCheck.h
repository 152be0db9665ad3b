#pragma once

class QTreeWidget;
class QTreeWidgetItem;

// Tri-state check boxes of the three-level trees (project / point / file) in column 0.
// States: 0 unchecked, 1 partly checked, 2 checked (Qt::CheckState values).

// Carries the state of item to the entries below and above it, by the item's level.
void propagateCheck(QTreeWidgetItem *item);

// Sets every project, point and file entry of the tree to state.
void setCheckAll(QTreeWidget *tree, int state);

// True as soon as one entry at any level has a state other than 0.
bool anyChecked(const QTreeWidget *tree);

// Check state of column 0 as 0, 1 or 2.
int checkStateOf(const QTreeWidgetItem *item);

// Sets the check state of column 0 (0, 1 or 2).
void setCheckStateOf(QTreeWidgetItem *item, int state);
