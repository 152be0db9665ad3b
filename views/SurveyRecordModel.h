#pragma once

// The records of a point's survey as a table: time, the hydrograph's series in the shown units,
// and a flag column (原始, 删除, 插补, 修正). Records of the edited layer are listed with the raw
// records the edits removed among them in time order, so that what was taken out stays in view;
// flagged cells are tinted.

#include "data/PlotSeries.h"
#include "survey/SurveyLayer.h"

#include <QAbstractTableModel>
#include <QVariant>

#include <memory>
#include <vector>

namespace lmv {

// One row of the table: a record of the shown layer, or a raw record the edits removed.
struct FlagRow
{
    bool removed = false; // a raw record (index into the raw layer)
    qsizetype index = 0;  // into the shown layer, or into the raw layer when removed
    quint8 flags = survey::FlagRaw;
};

// The rows in time order (a removed record before a record filled at its time). `raw` may be the
// shown layer itself (nothing removed).
std::vector<FlagRow> flagRows(const survey::SurveyLayer &raw, const survey::SurveyLayer &shown);

// The tint of a flagged cell (removed before filled before corrected); none for a raw record.
QVariant flagTint(quint8 flags);

} // namespace lmv

class SurveyRecordModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // The shown layer with its plot data (the hydrograph's), and the raw layer with its plot
    // data when edits are in force (null: the shown layer is all there is).
    void setLayers(const lmv::survey::SurveyLayer &shown, std::shared_ptr<const lmv::PlotData> shownData,
                   const lmv::survey::SurveyLayer *raw, std::shared_ptr<const lmv::PlotData> rawData);
    void clear();

    // The clock time of a row; 0 outside.
    qint64 rowTime(int row) const;
    const std::vector<lmv::FlagRow> &rows() const { return m_rows; }
    int flagColumn() const { return columnCount() - 1; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const lmv::PlotData> m_shown;
    std::shared_ptr<const lmv::PlotData> m_raw;
    std::vector<lmv::FlagRow> m_rows;
};
