#include "device/core/DownloadDays.h"

#include "data/Records.h"

#include <QByteArray>

namespace lmv {

DayNodes DayNodes::fromContent(const QByteArray &afterPageByte)
{
    DayNodes nodes;
    const ByteReader in(afterPageByte);
    for (int i = 0; i < kDays; ++i)
        nodes.node[i] = in.u32le(static_cast<std::size_t>(i) * 4);
    return nodes;
}

int DayNodes::firstDay() const
{
    for (int day = 1; day <= kDays; ++day)
        if (node[day - 1] != 0)
            return day;
    return 0;
}

int DayNodes::lastDay() const
{
    for (int day = kDays; day >= 1; --day)
        if (node[day - 1] != 0)
            return day;
    return 0;
}

DayRange dayRange(const DayNodes &nodes, int day, quint32 fileSize)
{
    DayRange range;
    if (nodes.of(day) == 0)
        return range;
    range.start = nodes.of(day);
    range.end = fileSize;
    for (int later = day + 1; later <= DayNodes::kDays; ++later) {
        if (nodes.of(later) != 0) {
            range.end = nodes.of(later);
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
