#include "device/core/DownloadDays.h"

namespace lmv {

namespace {
quint32 nodeOf(const DayNodeArray &nodes, int day)
{
    return day >= 1 && day <= int(nodes.size()) ? nodes[std::size_t(day - 1)] : 0;
}
} // namespace

DayRange dayRange(const DayNodeArray &nodes, int day, quint32 fileSize)
{
    DayRange range;
    if (nodeOf(nodes, day) == 0)
        return range;
    range.start = nodeOf(nodes, day);
    range.end = fileSize;
    for (int later = day + 1; later <= int(nodes.size()); ++later) {
        if (nodeOf(nodes, later) != 0) {
            range.end = nodeOf(nodes, later);
            break;
        }
    }
    return range;
}

int yearOfMonthlyFile(const QString &fileName)
{
    return fileName.size() > 8 ? fileName.chopped(8).toInt() : 0;
}

int monthOfMonthlyFile(const QString &fileName)
{
    return fileName.size() > 10 ? fileName.mid(5, fileName.size() - 10).toInt() : 0;
}

} // namespace lmv
