#pragma once

// Day selection in a group RVB monthly file: the byte range of one day from the file's node table
// (decodeNodeTable() of ReplyDecoders.h) and the year and month of the file. QtCore only.
// Day file names: dayFileName() of data/DataFile.h.

#include "device/core/ReplyDecoders.h"

#include <QString>

namespace lmv {

// Start address of each day's records, day 1 first; 0 = no records that day. The same array the
// node-table decoder fills, so a decoded table is kept as it is.
using DayNodeArray = decltype(NodeTable::dayNodes);

// The byte range of one day: from the day's node to the next later non-zero node, or to the file
// size for the last day with records. Empty (start == end == 0) for a day without a node.
struct DayRange
{
    quint32 start = 0;
    quint32 end = 0;
    bool valid() const { return start < end; }
};
DayRange dayRange(const DayNodeArray &nodes, int day, quint32 fileSize);

// Year and month of a monthly file name like "2019年01月.lmv"; 0 where the name does not say.
int yearOfMonthlyFile(const QString &fileName);
int monthOfMonthlyFile(const QString &fileName);

} // namespace lmv
