#pragma once

#include <QVector>

// Which of the four record windows a layout is for.
enum class RecordWindowKind
{
    RvaLocal,
    RvaDevice,
    RvbLocal,
    RvbDevice
};

// Column widths of one record window. An empty list leaves that table's widths as they are.
struct ColumnWidths
{
    QVector<int> info;    // InfoTable, 2 columns
    QVector<int> sum;     // SumTable, every column
    QVector<int> records; // RecordTable and UnitTable; -1 leaves a column (hidden ones) as it is
};

// Up to this width (in pixels, of the window's root widget) the fixed widths apply.
constexpr int kFixedWidthLimit = 915;

// The fixed widths of a window.
ColumnWidths fixedColumnWidths(RecordWindowKind kind);
// The widths that follow a window width above the limit.
ColumnWidths columnWidthsFor(RecordWindowKind kind, int width);
// The widths a window of the given width uses: fixed up to the limit, following it above.
ColumnWidths columnWidthsForWindow(RecordWindowKind kind, int width);
