#pragma once

#include "data/Records.h"
#include "views/RecordModel.h"

#include <vector>

// The RVB detail table: 35 columns over the decoded records of one day, without hidden columns.
// Texts: the time (column 0) and the hexadecimal alarm, fault code and base station (7, 8, 18);
// every other column is a number as stored (working times in hours).
class RvbRecordModel : public RecordModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 35;

    explicit RvbRecordModel(QObject *parent = nullptr);

    void setRecords(std::vector<lmv::RvbRecord> records);
    void clearRecords() override;

    const std::vector<lmv::RvbRecord> &records() const { return m_records; }
    const lmv::RvbRecord &recordAtRow(int row) const
    {
        return m_records[static_cast<std::size_t>(recordIndex(row))];
    }

    QVariant cellValue(int row, int column) const override;
    void appendCellText(QString &out, int row, int column, const NumberText &numbers) const override;
    int writeCellLatin1(char *dst, int row, int column, const NumberText &numbers) const override;

protected:
    bool sortKey(int record, int column, std::uint64_t &key) const override;

private:
    std::vector<lmv::RvbRecord> m_records;
};
