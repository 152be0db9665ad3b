#pragma once

// Day selection in a group RVB monthly file: the node table, the calendar range and the byte
// range of one day. QtCore only. (Day file names: dayFileName() of data/DataFile.h.)

#include <QString>

#include <array>

namespace lmv {

// Start address of each day's records in the device file, day 1 first; 0 = no records that day.
struct DayNodes
{
    static constexpr int kDays = 31;
    std::array<quint32, kDays> node{};

    // Decodes the 31 little-endian values that follow the page byte; missing values read as 0.
    static DayNodes fromContent(const QByteArray &afterPageByte);

    quint32 of(int day) const { return day >= 1 && day <= kDays ? node[day - 1] : 0; }
    // The lowest / highest day with a node, 0 when no day has one.
    int firstDay() const;
    int lastDay() const;
    bool anyDay() const { return firstDay() != 0; }
};

// The byte range of one day: from the day's node to the next later non-zero node, or to the file
// size for the last day with records. Empty (start == end == 0) for a day without a node.
struct DayRange
{
    quint32 start = 0;
    quint32 end = 0;
    bool valid() const { return start < end; }
};
DayRange dayRange(const DayNodes &nodes, int day, quint32 fileSize);

// Year and month of a monthly file name like "2019年01月.lmv"; 0 where the name does not say.
int yearOfMonthlyFile(const QString &fileName);
int monthOfMonthlyFile(const QString &fileName);

} // namespace lmv
