#include "views/RecordModel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

RecordModel::RecordModel(int columnCount, QObject *parent)
    : QAbstractTableModel(parent), m_columns(columnCount)
{}

int RecordModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int RecordModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_labels.size())
        return m_labels.at(section);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QVariant();
}

bool RecordModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0 ||
        section >= m_columns)
        return false;
    setHeaderLabel(section, value.toString());
    return true;
}

Qt::ItemFlags RecordModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

QVariant RecordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        // A text, so that the view's delegate shows it as it is instead of formatting the
        // number by the locale.
        return cellText(index.row(), index.column());
    case Qt::EditRole:
        return cellValue(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return int(Qt::AlignHCenter | Qt::AlignBottom);
    case Qt::BackgroundRole:
        return cellBackground(index.row(), index.column());
    default:
        return QVariant();
    }
}

const NumberText &RecordModel::cellNumbers()
{
    static const NumberText numbers{QLocale::c()}; // the C locale omits group separators
    return numbers;
}

QString RecordModel::cellText(int row, int column) const
{
    QString text;
    appendCellText(text, row, column, cellNumbers());
    return text;
}

int RecordModel::rowOfRecord(int record) const
{
    if (record < 0)
        return -1;
    const auto it = std::find(m_order.begin(), m_order.end(), std::uint32_t(record));
    return it == m_order.end() ? -1 : int(it - m_order.begin());
}

void RecordModel::setHeaderLabels(const QStringList &labels)
{
    m_labels = labels;
    while (m_labels.size() < m_columns)
        m_labels.append(QString());
    while (m_labels.size() > m_columns)
        m_labels.removeLast();
    emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void RecordModel::setHeaderLabel(int column, const QString &label)
{
    if (column < 0 || column >= m_columns)
        return;
    while (m_labels.size() < m_columns)
        m_labels.append(QString());
    m_labels[column] = label;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString RecordModel::headerLabel(int column) const
{
    return column >= 0 && column < m_labels.size() ? m_labels.at(column) : QString();
}

QVariant RecordModel::cellBackground(int, int) const
{
    return QVariant();
}

void RecordModel::setColumns(int count)
{
    if (count == m_columns || count < 1)
        return;
    const bool adding = count > m_columns;
    if (adding)
        beginInsertColumns(QModelIndex(), m_columns, count - 1);
    else
        beginRemoveColumns(QModelIndex(), count, m_columns - 1);
    m_columns = count;
    while (m_labels.size() < m_columns)
        m_labels.append(QString());
    while (m_labels.size() > m_columns)
        m_labels.removeLast();
    if (adding)
        endInsertColumns();
    else
        endRemoveColumns();
}

void RecordModel::resetOrder(std::size_t rows)
{
    m_order.resize(rows);
    std::iota(m_order.begin(), m_order.end(), 0u);
}

void RecordModel::columnsChanged(std::initializer_list<int> columns)
{
    if (m_order.empty())
        return;
    for (int c : columns)
        emit dataChanged(index(0, c), index(rowCount() - 1, c), {Qt::DisplayRole});
}

void RecordModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns || m_order.size() < 2)
        return;
    const std::size_t n = m_order.size();
    std::vector<std::uint32_t> newOrder(m_order);
    std::uint64_t probe = 0;
    if (sortKey(static_cast<int>(m_order[0]), column, probe)) {
        // Numeric keys: sort (key, current position) pairs, which makes the sort stable.
        struct Entry
        {
            std::uint64_t key;
            std::uint32_t pos;
        };
        std::vector<Entry> entries(n);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint64_t key = 0;
            sortKey(static_cast<int>(m_order[i]), column, key);
            entries[i] = {order == Qt::AscendingOrder ? key : ~key, static_cast<std::uint32_t>(i)};
        }
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return a.key != b.key ? a.key < b.key : a.pos < b.pos;
        });
        for (std::size_t i = 0; i < n; ++i)
            newOrder[i] = m_order[entries[i].pos];
    } else {
        // Text columns: compare the shown texts.
        std::vector<QString> texts(n);
        for (std::size_t i = 0; i < n; ++i)
            appendCellText(texts[i], static_cast<int>(i), column, cellNumbers());
        std::vector<std::uint32_t> pos(n);
        std::iota(pos.begin(), pos.end(), 0u);
        std::stable_sort(pos.begin(), pos.end(), [&](std::uint32_t a, std::uint32_t b) {
            return order == Qt::AscendingOrder ? texts[a] < texts[b] : texts[b] < texts[a];
        });
        for (std::size_t i = 0; i < n; ++i)
            newOrder[i] = m_order[pos[i]];
    }
    applyOrder(std::move(newOrder));
}

void RecordModel::applyOrder(std::vector<std::uint32_t> newOrder)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    if (!persistent.isEmpty()) {
        // Only a few indexes (current cell, selection) are persistent: map them to their new rows.
        std::vector<std::uint32_t> rowOfRecord(newOrder.size());
        for (std::size_t i = 0; i < newOrder.size(); ++i)
            rowOfRecord[newOrder[i]] = static_cast<std::uint32_t>(i);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (const QModelIndex &idx : persistent) {
            const std::uint32_t record = m_order[static_cast<std::size_t>(idx.row())];
            moved.append(index(static_cast<int>(rowOfRecord[record]), idx.column()));
        }
        m_order = std::move(newOrder);
        changePersistentIndexList(persistent, moved);
    } else {
        m_order = std::move(newOrder);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::uint64_t floatSortKey(float value)
{
    if (std::isnan(value))
        return 0;
    if (value == 0.0f)
        value = 0.0f; // -0 sorts with 0
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    // Negative floats: flip all bits; positive: set the sign bit. Add 1 so NaN's 0 stays lowest.
    return std::uint64_t((bits & 0x80000000u) ? ~bits : (bits | 0x80000000u)) + 1;
}

int RecordModel::writeCellLatin1(char *dst, int row, int column, const NumberText &numbers) const
{
    QString text;
    appendCellText(text, row, column, numbers);
    const QByteArray bytes = text.toLatin1().left(kMaxCellLatin1);
    std::memcpy(dst, bytes.constData(), std::size_t(bytes.size()));
    return bytes.size();
}

namespace {

int formatTime(char *buf, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
               unsigned second)
{
    // Hand-made instead of asprintf: copying a million rows formats a million of these.
    int n = 0;
    auto put2 = [&](unsigned v) {
        if (v < 100) {
            buf[n++] = char('0' + v / 10);
            buf[n++] = char('0' + v % 10);
        } else {
            n += std::snprintf(buf + n, 16, "%u", v);
        }
    };
    buf[n++] = '[';
    char digits[12];
    int d = 0;
    do {
        digits[d++] = char('0' + year % 10);
        year /= 10;
    } while (year);
    while (d)
        buf[n++] = digits[--d];
    buf[n++] = '-';
    put2(month);
    buf[n++] = '-';
    put2(day);
    buf[n++] = ' ';
    put2(hour);
    buf[n++] = ':';
    put2(minute);
    buf[n++] = ':';
    put2(second);
    buf[n++] = ']';
    return n;
}

} // namespace

void appendTimeText(QString &out, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                    unsigned second)
{
    char buf[48];
    out.append(QLatin1String(buf, formatTime(buf, year, month, day, hour, minute, second)));
}

int writeTimeText(char *dst, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                  unsigned second)
{
    return formatTime(dst, year, month, day, hour, minute, second);
}
