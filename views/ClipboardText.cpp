#include "views/ClipboardText.h"

QString recordTableText(const QStringList &names, const RecordModel &model, const QVector<int> &columns,
                        bool tabAfterEachField, const NumberText &numbers)
{
    const int rows = model.rowCount();
    QString out;
    // About eleven characters per number field and 21 for a time text; one allocation up front
    // keeps a million-row copy from reallocating as it grows.
    out.reserve(int(qMin<qint64>(qint64(rows + 2) * (columns.size() * 12 + 12), 0x7fffffff / 2)));
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
