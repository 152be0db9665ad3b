#pragma once

// A folder of damaged files, made for each test that needs it: headers a damaged logger or a
// careless copy can leave (impossible pipes, intervals, corrections), impossible record times,
// a clock set back, too few records, and paths that are no data file at all (a folder, a FIFO,
// a sparse file past the size limit, an empty or cut file). Small files, written byte by byte.

#include "data/PipeCurves.h"
#include "data/Records.h"
#include "tests/data/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <cmath>
#include <limits>

#include <sys/stat.h>

namespace damaged {

// What the readers make of a path.
enum class Kind
{
    Rva,        // an RVA data file that reads; its damage lies in the header or the records
    Unreadable, // refused by every reader (not a regular file, too large, empty, cut, unknown)
};

struct Entry
{
    QString name;
    Kind kind;
    // A word every command that reads the file must say about it (in a finding, a refusal or
    // a warning); empty where only the records' own values are odd.
    QString mark;
};

// One day of five-minute records from 2024-05-01 00:00, level swinging around 0.3 m, 0.8 m/s.
inline QByteArray day(int count = 288)
{
    QByteArray b;
    for (int i = 0; i < count; ++i) {
        const int t = i * 300;
        b += testbytes::rvaRecord({quint32(i + 1), 0.3f + 0.1f * float(std::sin(i / 40.0)), 0.8f, 100.0f,
                                   15.0f, 2024, 5, quint8(1 + t / 86400), quint8(t / 3600 % 24),
                                   quint8(t / 60 % 60), 0});
    }
    return b;
}

// Eight days of a DN1000 sewer with 80 mm of sediment the header does not know, its velocities
// on Manning's curve (S = 1.5 ‰, n = 0.013) for a daily flow cycle; over the last quarter of the
// records a gate downstream holds the water 60 mm higher. The sweep keeps those records and
// its estimate moves far from 80 mm.
inline QByteArray backwaterSurvey()
{
    const lmv::PipeGeometry real{lmv::PipeCircle, 1000, 1000, 0, 0, 0, 80};
    const auto flowAt = [&](double level) {
        const lmv::Section s = lmv::sectionAt(real, level);
        return lmv::manningVelocity(s.radius(), 0.0015, 0.013) * s.area * 1000.0;
    };
    QByteArray b =
        testbytes::header(5, QStringLiteral("回水示例"), QStringLiteral("2号井"), 0, 1000, 0, 0, 0);
    testbytes::putU32(b, 96, 300);
    quint32 noise = 1301u;
    const auto next = [&] {
        noise = noise * 1664525u + 1013904223u;
        return double(noise >> 8) / 8388608.0 - 1.0;
    };
    const int count = 8 * 288;
    for (int i = 0; i < count; ++i) {
        const double hour = i * 300 / 3600.0;
        const double q = (150.0 + 80.0 * std::sin((std::fmod(hour, 24.0) - 9.0) / 24.0 * 2.0 * M_PI)) *
                         (1.0 + 0.03 * next());
        double low = 0.0, high = 0.85;
        for (int k = 0; k < 60; ++k)
            (flowAt((low + high) / 2) < q ? low : high) = (low + high) / 2;
        const double level = (low + high) / 2 + (i >= count * 3 / 4 ? 0.06 : 0.0);
        const double velocity = q / 1000.0 / lmv::sectionAt(real, level).area;
        const int t = i * 300;
        b += testbytes::rvaRecord({quint32(i + 1), float(std::round((level + 0.08) * 1000.0) / 1000.0),
                                   float(std::round(velocity * 1000.0) / 1000.0), 0.0f, 15.0f, 2024, 5,
                                   quint8(1 + t / 86400), quint8(t / 3600 % 24), quint8(t / 60 % 60), 0});
    }
    return b;
}

inline QByteArray rvaHeader(quint32 shape, quint32 h, quint32 w, quint32 y, quint32 interval = 300,
                            float cv = 1.0f, float cq = 1.0f)
{
    QByteArray b =
        testbytes::header(5, QStringLiteral("损坏示例"), QStringLiteral("1号井"), shape, h, w, 0, y);
    testbytes::putF32(b, 88, cv);
    testbytes::putF32(b, 92, cq);
    testbytes::putU32(b, 96, interval);
    return b;
}

// Writes the folder's files into dir and lists them.
inline QList<Entry> write(const QString &dir)
{
    using testbytes::rvaRecord;
    QList<Entry> out;
    const auto put = [&](const QString &name, const QByteArray &bytes, Kind kind, const QString &mark) {
        testbytes::writeFile(dir + QLatin1Char('/') + name, bytes);
        out.append({name, kind, mark});
    };
    const QString pipe = QStringLiteral("管道参数");
    put(QStringLiteral("pipe_ffffffff.lmv"), rvaHeader(0, 0xFFFFFFFFu, 0, 0) + day(), Kind::Rva, pipe);
    put(QStringLiteral("pipe_10000000.lmv"), rvaHeader(0, 10000000u, 0, 0) + day(), Kind::Rva, pipe);
    put(QStringLiteral("pipe_100000000.lmv"), rvaHeader(0, 100000000u, 0, 0) + day(), Kind::Rva, pipe);
    put(QStringLiteral("pipe_shape_7.lmv"), rvaHeader(7, 800, 800, 0) + day(), Kind::Rva, pipe);
    put(QStringLiteral("pipe_diameter_0.lmv"), rvaHeader(0, 0, 0, 0) + day(), Kind::Rva, pipe);
    put(QStringLiteral("pipe_sediment_5000.lmv"), rvaHeader(0, 800, 0, 5000) + day(), Kind::Rva, pipe);
    put(QStringLiteral("rectangle_width_0.lmv"), rvaHeader(1, 1200, 0, 0) + day(), Kind::Rva, pipe);
    put(QStringLiteral("interval_ffffffff.lmv"), rvaHeader(0, 800, 0, 40, 0xFFFFFFFFu) + day(200), Kind::Rva,
        QStringLiteral("记录间隔"));
    put(QStringLiteral("correction_nan.lmv"),
        rvaHeader(0, 800, 0, 40, 300, std::numeric_limits<float>::quiet_NaN()) + day(), Kind::Rva,
        QStringLiteral("修正系数"));
    put(QStringLiteral("correction_minus_inf.lmv"),
        rvaHeader(0, 800, 0, 40, 300, 1.0f, -std::numeric_limits<float>::infinity()) + day(), Kind::Rva,
        QStringLiteral("修正系数"));
    QByteArray times = rvaHeader(0, 800, 0, 40) + day(24);
    const quint8 hour = 2; // after the 24 records of 00:00 to 01:55
    times += rvaRecord({25, 0.3f, 0.8f, 100.0f, 15.0f, 2024, 5, 1, 25, 0, 0});
    times += rvaRecord({26, 0.3f, 0.8f, 100.0f, 15.0f, 2024, 13, 1, hour, 5, 0});
    times += rvaRecord({27, 0.3f, 0.8f, 100.0f, 15.0f, 2024, 5, 40, hour, 10, 0});
    times += rvaRecord({28, 0.3f, 0.8f, 100.0f, 15.0f, 65534, 5, 1, hour, 15, 0});
    times += rvaRecord({29, 0.3f, 0.8f, 100.0f, 15.0f, 65535, 5, 1, hour, 20, 0});
    put(QStringLiteral("times_impossible.lmv"), times, Kind::Rva, QStringLiteral("时间无效"));
    // The clock set back 20 minutes at 12:00: four records repeat times already recorded.
    QByteArray back = rvaHeader(0, 800, 0, 40) + day(145);
    for (int k = 0; k < 4; ++k)
        back +=
            rvaRecord({quint32(146 + k), 0.3f, 0.8f, 100.0f, 15.0f, 2024, 5, 1, 11, quint8(40 + 5 * k), 0});
    put(QStringLiteral("clock_set_back.lmv"), back, Kind::Rva, QStringLiteral("时间倒退"));
    put(QStringLiteral("ten_records.lmv"), rvaHeader(0, 1000, 0, 0) + day(10), Kind::Rva, QString());
    put(QStringLiteral("backwater_last_quarter.lmv"), backwaterSurvey(), Kind::Rva, QString());
    QByteArray nan = rvaHeader(0, 800, 0, 40) + day(48);
    testbytes::putF32(nan, 512 + 5 * 32 + 16, std::numeric_limits<float>::quiet_NaN());
    testbytes::putF32(nan, 512 + 6 * 32 + 20, std::numeric_limits<float>::infinity());
    put(QStringLiteral("values_not_finite.lmv"), nan, Kind::Rva, QStringLiteral("无效数值"));
    put(QStringLiteral("trailing_bytes.lmv"), rvaHeader(0, 800, 0, 40) + day(20) + QByteArray(7, '\x55'),
        Kind::Rva, QString());
    put(QStringLiteral("empty.lmv"), QByteArray(), Kind::Unreadable, QString());
    put(QStringLiteral("header_cut.lmv"), rvaHeader(0, 800, 0, 40).left(300), Kind::Unreadable, QString());
    put(QStringLiteral("type_code_9.lmv"), testbytes::header(9) + day(10), Kind::Unreadable, QString());

    QDir(dir).mkdir(QStringLiteral("folder.lmv"));
    out.append({QStringLiteral("folder.lmv"), Kind::Unreadable, QStringLiteral("folder")});
    const QByteArray fifo = QFile::encodeName(dir + QStringLiteral("/fifo.lmv"));
    if (::mkfifo(fifo.constData(), 0600) == 0)
        out.append({QStringLiteral("fifo.lmv"), Kind::Unreadable, QStringLiteral("not a regular file")});
    // 2 GiB that take no room: the header of an RVA file, then a hole.
    QFile sparse(dir + QStringLiteral("/sparse_2GiB.lmv"));
    if (sparse.open(QIODevice::WriteOnly) && sparse.write(rvaHeader(0, 800, 0, 40)) == 512 &&
        sparse.resize(qint64(2) << 30))
        out.append({QStringLiteral("sparse_2GiB.lmv"), Kind::Unreadable, QStringLiteral("larger than")});
    return out;
}

} // namespace damaged
