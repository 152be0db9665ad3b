#pragma once

// The check sample's velocity spike (7.2 m/s at 2024-05-21 20:00, in
// samples/files/数据检查示例_20240520.lmv) read straight from the file's bytes, so that what an
// edit does to its day can be checked against a computation that shares nothing with the
// program's.

#include "FileBytes.h"

#include <QDateTime>

#include <cmath>

namespace testbytes {

// Offset of the last record at a clock time (seconds, the logger's clock read as UTC) in a data
// file image; -1 when there is none.
inline int recordOffsetAt(const QByteArray &file, qint64 clockSeconds)
{
    constexpr int kHeaderSize = 512, kRecordSize = 32;
    int found = -1;
    for (int at = kHeaderSize; at + kRecordSize <= file.size(); at += kRecordSize) {
        const auto u8 = [&](int o) { return int(quint8(file[at + o])); };
        const QDateTime time(QDate(u8(4) | (u8(5) << 8), u8(6), u8(7)), QTime(u8(0), u8(1), u8(2)), Qt::UTC);
        if (time.toSecsSinceEpoch() == clockSeconds)
            found = at;
    }
    return found;
}

// What removing the spike changes its day's volume by (m³): the record before it (19:55, 5 min
// earlier) then counts for the spike's 5 minutes instead, with the file's velocity and flow
// corrections. NaN when the file has no such spike.
inline double spikeRemovalVolumeM3(const QByteArray &file)
{
    const auto clock = [](int hour, int minute) {
        return QDateTime(QDate(2024, 5, 21), QTime(hour, minute), Qt::UTC).toSecsSinceEpoch();
    };
    const int spike = recordOffsetAt(file, clock(20, 0));
    const int previous = recordOffsetAt(file, clock(19, 55));
    if (spike < 0 || previous < 0 || getF32(file, spike + 20) != 7.2f)
        return std::nan("");
    const double corrections = double(getF32(file, 88)) * double(getF32(file, 92));
    return (double(getF32(file, previous + 24)) - double(getF32(file, spike + 24))) * corrections * 300.0 /
           1000.0;
}

} // namespace testbytes
