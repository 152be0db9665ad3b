#include "views/ClipboardText.h"

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
    if (numbers.latin1Form()) {
        // Rows are plain Latin-1 here: write them as bytes into a block that is appended (and
        // widened) whenever it fills up.
        constexpr int kBlock = 1 << 16;
        const int rowMax = columns.size() * (RecordModel::kMaxCellLatin1 + 1) + 2;
        QByteArray block(kBlock + rowMax, Qt::Uninitialized);
        char *const begin = block.data();
        char *p = begin;
        for (int r = 0; r < rows; ++r) {
            for (int i = 0; i < columns.size(); ++i) {
                p += model.writeCellLatin1(p, r, columns[i], numbers);
                if (tabAfterEachField || i + 1 < columns.size())
                    *p++ = '\t';
            }
            *p++ = '\r';
            *p++ = '\n';
            if (p - begin >= kBlock) {
                out.append(QLatin1String(begin, int(p - begin)));
                p = begin;
            }
        }
        out.append(QLatin1String(begin, int(p - begin)));
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
    return recordTableText(names, model, {0, 2, 4, 6, 7}, false, numbers);
}

QString rvbClipboardText(const QStringList &names, const RecordModel &model, const NumberText &numbers)
{
    QVector<int> columns(model.columnCount());
    for (int c = 0; c < columns.size(); ++c)
        columns[c] = c;
    return recordTableText(names, model, columns, true, numbers);
}
