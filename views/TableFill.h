#pragma once

// Filling a table whose columns fit their contents. The header measures its columns again for
// every cell set, which makes filling such a table quadratic in its rows (a history of hundreds of
// edits took a visible pause); while a ColumnsMeasuredOnce lives, the columns keep their widths,
// and they are measured once, from every row, when it goes.

#include <QHeaderView>
#include <QTableWidget>
#include <QVector>

#include <algorithm>

class ColumnsMeasuredOnce
{
public:
    explicit ColumnsMeasuredOnce(QTableWidget *table) : m_header(table->horizontalHeader())
    {
        for (int i = 0; i < m_header->count(); ++i)
            m_modes.push_back(m_header->sectionResizeMode(i));
        m_header->setSectionResizeMode(QHeaderView::Interactive);
    }
    ColumnsMeasuredOnce(const ColumnsMeasuredOnce &) = delete;
    ColumnsMeasuredOnce &operator=(const ColumnsMeasuredOnce &) = delete;

    ~ColumnsMeasuredOnce()
    {
        if (m_modes.isEmpty())
            return;
        // One mode for all: set at once, which measures the columns now.
        if (std::all_of(m_modes.begin(), m_modes.end(), [this](auto m) { return m == m_modes.front(); })) {
            m_header->setSectionResizeMode(m_modes.front());
            return;
        }
        for (int i = 0; i < m_modes.size() && i < m_header->count(); ++i)
            m_header->setSectionResizeMode(i, m_modes[i]);
    }

private:
    QHeaderView *m_header;
    QVector<QHeaderView::ResizeMode> m_modes;
};
