#include "views/ColumnWidths.h"

namespace {

constexpr int kRvaRecordColumns = 9;
constexpr int kRvbSumColumns = 6;
constexpr int kRvbRecordColumns = 35;

bool isRva(RecordWindowKind kind)
{
    return kind == RecordWindowKind::RvaLocal || kind == RecordWindowKind::RvaDevice;
}

// The RVA statistics grid is three groups of five: number, title, stored value, value, unit.
QVector<int> rvaSumWidths(int number, int title, int value, int unit)
{
    QVector<int> w;
    for (int g = 0; g < 3; ++g)
        w << number << title << 0 << value << unit;
    return w;
}

// Widths of the visible RVA detail columns; the hidden stored-value columns keep theirs.
QVector<int> rvaRecordWidths(int time, int other)
{
    QVector<int> w(kRvaRecordColumns, -1);
    w[0] = time;
    for (int c : {2, 4, 6, 7, 8})
        w[c] = other;
    return w;
}

QVector<int> rvbRecordWidths(int time, int other)
{
    QVector<int> w(kRvbRecordColumns, other);
    w[0] = time;
    return w;
}

} // namespace

ColumnWidths fixedColumnWidths(RecordWindowKind kind)
{
    ColumnWidths w;
    w.info = {200, 715};
    if (isRva(kind)) {
        w.sum = rvaSumWidths(25, 100, 100, 80);
        w.records = rvaRecordWidths(265, 130);
    } else {
        w.sum = QVector<int>(kRvbSumColumns, 145);
        w.records = rvbRecordWidths(260, 130);
    }
    return w;
}

ColumnWidths columnWidthsFor(RecordWindowKind kind, int width)
{
    ColumnWidths w;
    const unsigned W = static_cast<unsigned>(width);
    switch (kind) {
    case RecordWindowKind::RvaLocal:
    case RecordWindowKind::RvaDevice: {
        const bool device = kind == RecordWindowKind::RvaDevice;
        const unsigned b = W - (device ? 5u : 2u);
        const int number = int(b / 36), title = int(b / 9), unit = int(b / 12);
        const int value = int(b / 3 - b / 9 - b / 12 - b / 36);
        w.sum = rvaSumWidths(number, title, value, unit);
        w.info = {200, int(W) - (device ? 205 : 202)};
        w.records = rvaRecordWidths(int(b - 5 * (b / 7)), int(b / 7));
        break;
    }
    case RecordWindowKind::RvbLocal: {
        w.sum = QVector<int>(kRvbSumColumns, 145);
        w.info = {200, int(W) - 202};
        const int b = int((W - 2) / 7);
        w.records = rvbRecordWidths(int(W) - 5 * b - 2, b);
        break;
    }
    case RecordWindowKind::RvbDevice:
        w.sum = QVector<int>(kRvbSumColumns, 145);
        w.info = {200, int(W) - 200};
        w.records = rvbRecordWidths(260, 130);
        break;
    }
    return w;
}

ColumnWidths columnWidthsForWindow(RecordWindowKind kind, int width)
{
    if (width - 1 < kFixedWidthLimit)
        return fixedColumnWidths(kind);
    return columnWidthsFor(kind, width);
}
