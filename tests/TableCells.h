#pragma once

// Every cell text of a table widget, row by row (empty for a cell without an item).

#include <QStringList>
#include <QTableWidget>

inline QStringList tableCells(const QTableWidget *table)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c)
            out << (table->item(r, c) ? table->item(r, c)->text() : QString());
    return out;
}
