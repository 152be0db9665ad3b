#pragma once

#include "views/RecordModel.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Tab-separated text of a record table for the clipboard: the name row, the unit row, then one
// line per record in the shown order, each cell as the table shows it (by default, numbers in
// RecordModel::cellNumbers(), the form of the shown cells); lines end with CR LF.
// With tabAfterEachField every field is followed by a tab (also the last of a line); otherwise
// tabs stand only between fields.
QString recordTableText(const QStringList &names, const RecordModel &model, const QVector<int> &columns,
                        bool tabAfterEachField, const NumberText &numbers = RecordModel::cellNumbers());

// RVA windows: time, level, velocity, flow and temperature (columns 0, 2, 4, 6, 7), and the flag
// column while the table shows one; no tab at the end of a line.
QString rvaClipboardText(const QStringList &names, const RecordModel &model,
                         const NumberText &numbers = RecordModel::cellNumbers());
// RVB windows: all columns, each field followed by a tab.
QString rvbClipboardText(const QStringList &names, const RecordModel &model,
                         const NumberText &numbers = RecordModel::cellNumbers());
