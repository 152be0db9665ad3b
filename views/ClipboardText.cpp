#include "views/ClipboardText.h"

#include "views/RvaRecordModel.h"

#include <algorithm>

#include <thread>

namespace {

// From this many rows on, a copy is written by two threads.
constexpr int kParallelCopyRows = 50000;

// Rows [from, to) as Latin-1 lines.
QByteArray latin1Rows(const RecordModel &model, int from, int to, const QVector<int> &columns,
                      bool tabAfterEachField, NumberText numbers)
{
    QByteArray out;
    const int rowMax = columns.size() * (RecordModel::kMaxCellLatin1 + 1) + 2;
    // Roughly twelve bytes per field; the buffer grows when a row might not fit.
    out.resize(int(qMin<qint64>(qint64(to - from) * (columns.size() * 12 + 4) + rowMax, 0x3fffffff)));
    int used = 0;
    for (int r = from; r < to; ++r) {
        if (out.size() - used < rowMax)
            out.resize(out.size() + out.size() / 2 + rowMax);
        char *const begin = out.data() + used;
        char *p = begin;
        for (int i = 0; i < columns.size(); ++i) {
            p += model.writeCellLatin1(p, r, columns[i], numbers);
            if (tabAfterEachField || i + 1 < columns.size())
                *p++ = '\t';
        }
        *p++ = '\r';
        *p++ = '\n';
        used += int(p - begin);
    }
    out.resize(used);
    return out;
}

} // namespace

QString recordTableText(const QStringList &names, const RecordModel &model, const QVector<int> &columns,
                        bool tabAfterEachField, const NumberText &numbers)
{
    const int rows = model.rowCount();
    QString out;
    // About eleven characters per number field and 21 for a time text; one allocation up front
    // keeps a million-row copy from reallocating as it grows.
    out.reserve(int(qMin<qint64>(qint64(rows + 2) * (columns.size() * 12 + 12), 0x7fffffff / 4)));
    auto endField = [&](int i) {
        if (tabAfterEachField || i + 1 < columns.size())
            out.append(QLatin1Char('\t'));
    };
    for (int i = 0; i < columns.size(); ++i) {
        out.append(names.value(columns[i]));
        endField(i);
    }
    out.append(QLatin1String("\r\n"));
    for (int i = 0; i < columns.size(); ++i) {
        out.append(model.headerLabel(columns[i]));
        endField(i);
    }
    out.append(QLatin1String("\r\n"));
    if (numbers.latin1Form() &&
        std::all_of(columns.begin(), columns.end(), [&model](int c) { return model.latin1Column(c); })) {
        // Rows are plain Latin-1 here: write them as bytes and widen them once. A long table is
        // written in two halves at the same time; the model is only read.
        const int half = rows >= kParallelCopyRows ? rows / 2 : rows;
        QByteArray second;
        std::thread helper;
        if (half < rows)
            helper = std::thread(
                [&] { second = latin1Rows(model, half, rows, columns, tabAfterEachField, numbers); });
        const QByteArray first = latin1Rows(model, 0, half, columns, tabAfterEachField, numbers);
        if (helper.joinable())
            helper.join();
        out.append(QLatin1String(first.constData(), first.size()));
        out.append(QLatin1String(second.constData(), second.size()));
        return out;
    }
    for (int r = 0; r < rows; ++r) {
        for (int i = 0; i < columns.size(); ++i) {
            model.appendCellText(out, r, columns[i], numbers);
            endField(i);
        }
        out.append(QLatin1String("\r\n"));
    }
    return out;
}

QString rvaClipboardText(const QStringList &names, const RecordModel &model, const NumberText &numbers)
{
    QVector<int> columns{0, 2, 4, 6, 7};
    // A point's edited records carry their flags along.
    if (model.columnCount() > RvaRecordModel::FlagColumn)
        columns << RvaRecordModel::FlagColumn;
    return recordTableText(names, model, columns, false, numbers);
}

QString rvbClipboardText(const QStringList &names, const RecordModel &model, const NumberText &numbers)
{
    QVector<int> columns(model.columnCount());
    for (int c = 0; c < columns.size(); ++c)
        columns[c] = c;
    return recordTableText(names, model, columns, true, numbers);
}
