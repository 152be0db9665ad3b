#pragma once

#include "views/NumberText.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

// Common part of the record table models: the header labels (the unit row of a record window),
// the shown order of the rows and the sorting.
//
// The records themselves stay in file order in the derived model; `order` maps a shown row to a
// record index. Sorting rearranges only this permutation, so a million rows sort without moving
// records, and every shown cell is computed from the stored values when it is asked for.
class RecordModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordModel(int columnCount, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Sorts the shown rows by a column; rows with equal values keep their current order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Unit row texts (horizontal header labels).
    void setHeaderLabels(const QStringList &labels);
    void setHeaderLabel(int column, const QString &label);
    QString headerLabel(int column) const;
    QStringList headerLabels() const { return m_labels; }

    // The shown row of a record (file order index); -1 when there is no such record.
    int rowOfRecord(int record) const;
    // Record index (file order) of a shown row.
    int recordIndex(int row) const { return static_cast<int>(m_order[static_cast<std::size_t>(row)]); }

    // Number form of every record table cell, shown and copied alike: six significant digits,
    // "." as decimal point and no group separators ("5076.15"), whatever the user's locale.
    static const NumberText &cellNumbers();
    // The text the table shows for a cell (its display role) and the clipboard copies.
    QString cellText(int row, int column) const;

    // The stored value of a cell (its edit role): a float, an unsigned integer or a text.
    virtual QVariant cellValue(int row, int column) const = 0;
    // Appends the text the view shows for a cell.
    virtual void appendCellText(QString &out, int row, int column, const NumberText &numbers) const = 0;
    // The same text as Latin-1 bytes, at most kMaxCellLatin1 of them written to dst; returns the
    // number written. Only used when numbers.latin1Form() is true.
    static constexpr int kMaxCellLatin1 = 64;
    virtual int writeCellLatin1(char *dst, int row, int column, const NumberText &numbers) const;
    // Whether a column's texts are always Latin-1 (numbers, times), so that writeCellLatin1 can
    // write them; false for a column of Chinese words.
    virtual bool latin1Column(int) const { return true; }
    // Removes all rows (the header labels stay).
    virtual void clearRecords() = 0;
    // The background of a cell (its background role); none unless a model tints cells.
    virtual QVariant cellBackground(int row, int column) const;

protected:
    // A sort key of one record for a column; the keys of one column are compared as unsigned
    // numbers. Columns whose order is that of their texts return false and are sorted by text.
    virtual bool sortKey(int record, int column, std::uint64_t &key) const = 0;

    // Starts a new set of rows in file order.
    void resetOrder(std::size_t rows);

    // Shows records (moved into stored) in file order. Rows are inserted rather than the model
    // reset, so the view keeps its column widths and hidden columns.
    template <typename Record>
    void insertRecords(std::vector<Record> &stored, std::vector<Record> records)
    {
        removeRecords(stored);
        if (records.empty())
            return;
        beginInsertRows(QModelIndex(), 0, static_cast<int>(records.size()) - 1);
        stored = std::move(records);
        resetOrder(stored.size());
        endInsertRows();
    }
    // Removes all rows and frees the records behind them.
    template <typename Record>
    void removeRecords(std::vector<Record> &stored)
    {
        if (m_order.empty())
            return;
        beginRemoveRows(QModelIndex(), 0, rowCount() - 1);
        stored = {};
        m_order = {};
        endRemoveRows();
    }
    // Adds or takes away columns at the end (a column shown only at times); their labels follow.
    void setColumns(int count);
    // Tells the view that the shown values of the given columns changed.
    void columnsChanged(std::initializer_list<int> columns);

    std::vector<std::uint32_t> m_order;

private:
    void applyOrder(std::vector<std::uint32_t> newOrder);

    int m_columns;
    QStringList m_labels;
};

// Sort key of a float that orders like the number: negative below positive, -0 equal to 0, and
// a NaN (corrupt data) below every number, so that sorting always has a strict order.
std::uint64_t floatSortKey(float value);

// Appends the time text "[yyyy-mm-dd hh:mm:ss]" of calendar fields (year unpadded).
void appendTimeText(QString &out, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                    unsigned second);
// The same into a buffer of at least 48 bytes; returns the number of bytes written.
int writeTimeText(char *dst, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                  unsigned second);
