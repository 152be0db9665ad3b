#include "views/OverviewRainCells.h"

#include <QColor>

#include <cmath>

namespace {

const QColor kRainColour(225, 238, 252);
const QColor kNoRainRecordColour(240, 240, 240);

} // namespace

QString overviewRainText(double depthMm)
{
    return std::isnan(depthMm) ? QString() : QString::number(depthMm, 'f', 1);
}

QVariant overviewRainData(const lmv::survey::OverviewRainRow &row, int column, int role)
{
    const bool total = column >= row.days.size();
    const double depth = total ? row.total : row.days.value(column);
    switch (role) {
    case Qt::DisplayRole:
        return overviewRainText(depth);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        return std::isnan(depth) ? kNoRainRecordColour : kRainColour;
    case Qt::ToolTipRole:
        if (!row.problem.isEmpty())
            return row.problem;
        return std::isnan(depth) ? QStringLiteral("%1: 当天没有雨量记录").arg(row.gauge)
                                 : QStringLiteral("%1: 降雨 %2 mm").arg(row.gauge, overviewRainText(depth));
    default:
        return {};
    }
}

QVariant overviewRainHeader(const lmv::survey::OverviewRainRow &row, int role)
{
    if (role == Qt::DisplayRole)
        return QStringLiteral("%1 (mm)").arg(row.gauge);
    if (role == Qt::ToolTipRole)
        return row.points.isEmpty() ? QStringLiteral("雨量计 %1, 未指定给监测点").arg(row.gauge)
                                    : QStringLiteral("雨量计 %1, 服务 %2")
                                          .arg(row.gauge, row.points.join(QStringLiteral("、")));
    return {};
}
