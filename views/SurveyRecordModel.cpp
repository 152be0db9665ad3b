#include "views/SurveyRecordModel.h"

#include "data/SurveyCheck.h"
#include "survey/Edits.h"

#include <QColor>

#include <cmath>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QColor kRemovedTint(255, 215, 215);
const QColor kFilledTint(210, 228, 255);
const QColor kCorrectedTint(255, 243, 200);

} // namespace

namespace lmv {

QVariant flagTint(quint8 flags)
{
    if (flags & FlagRemoved)
        return kRemovedTint;
    if (flags & FlagFilled)
        return kFilledTint;
    if (flags & FlagCorrected)
        return kCorrectedTint;
    return QVariant();
}

std::vector<FlagRow> flagRows(const SurveyLayer &raw, const SurveyLayer &shown)
{
    std::vector<FlagRow> rows;
    rows.reserve(shown.times.size());
    // A raw record is still shown when the shown layer holds it at its time, from its own file.
    const auto same = [&](std::size_t r, std::size_t s) {
        return raw.times[r] == shown.times[s] && raw.sourceRecord[r] == shown.sourceRecord[s] &&
               raw.sources[raw.source[r]].path == shown.sources[shown.source[s]].path;
    };
    std::size_t r = 0;
    for (std::size_t s = 0; s < shown.times.size(); ++s) {
        for (; r < raw.times.size() && raw.times[r] <= shown.times[s]; ++r) {
            if (same(r, s)) {
                ++r;
                break;
            }
            rows.push_back({true, qsizetype(r), quint8(FlagRemoved)});
        }
        rows.push_back({false, qsizetype(s), shown.flag(qsizetype(s))});
    }
    for (; r < raw.times.size(); ++r)
        rows.push_back({true, qsizetype(r), quint8(FlagRemoved)});
    return rows;
}

} // namespace lmv

void SurveyRecordModel::setLayers(const SurveyLayer &shown, std::shared_ptr<const PlotData> shownData,
                                  const SurveyLayer *raw, std::shared_ptr<const PlotData> rawData)
{
    beginResetModel();
    m_shown = std::move(shownData);
    m_raw = raw && rawData ? std::move(rawData) : nullptr;
    if (m_raw)
        m_rows = flagRows(*raw, shown);
    else
        m_rows = flagRows(shown, shown);
    if (!m_shown)
        m_rows.clear();
    endResetModel();
}

void SurveyRecordModel::clear()
{
    beginResetModel();
    m_shown.reset();
    m_raw.reset();
    m_rows.clear();
    endResetModel();
}

qint64 SurveyRecordModel::rowTime(int row) const
{
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return 0;
    const FlagRow &f = m_rows[std::size_t(row)];
    const PlotData &d = f.removed ? *m_raw : *m_shown;
    return d.times[std::size_t(f.index)];
}

int SurveyRecordModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SurveyRecordModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_shown ? 0 : int(m_shown->series.size()) + 2;
}

QVariant SurveyRecordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= m_rows.size())
        return {};
    const FlagRow &f = m_rows[std::size_t(index.row())];
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        if (column == 0)
            return clockText(rowTime(index.row()));
        if (column == flagColumn())
            return recordFlagText(f.flags);
        const PlotData &d = f.removed ? *m_raw : *m_shown;
        const auto series = std::size_t(column - 1);
        if (series >= d.series.size())
            return {};
        const float v = d.series[series].values[std::size_t(f.index)];
        return std::isnan(v) ? QString() : QString::number(double(v), 'f', 3);
    }
    if (role == Qt::BackgroundRole && column > 0)
        return flagTint(f.flags);
    if (role == Qt::ForegroundRole && f.removed)
        return QColor(130, 130, 130);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

QVariant SurveyRecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !m_shown)
        return {};
    if (section == 0)
        return QStringLiteral("时间");
    if (section == flagColumn())
        return QStringLiteral("标记");
    const auto series = std::size_t(section - 1);
    return series < m_shown->series.size() ? QVariant(m_shown->series[series].title) : QVariant();
}
