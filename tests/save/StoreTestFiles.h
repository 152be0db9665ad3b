#pragma once

// Small data files for the saving tests, written byte by byte with the offsets of the file
// layout restated here (512-byte header, type code at 500, 32-byte RVA records).

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>

namespace storetest {

inline void putU32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

inline void putF32(QByteArray &b, int at, float f)
{
    quint32 v;
    std::memcpy(&v, &f, 4);
    putU32(b, at, v);
}

// A complete RVA data file with the given project and point names (ASCII) and n records.
inline QByteArray rvaFile(const QByteArray &project, const QByteArray &point, int n, quint32 deviceNumber = 7)
{
    QByteArray b(512 + 32 * n, '\0');
    b.replace(0, project.size(), project);
    b.replace(33, point.size(), point);
    putU32(b, 72, 800); // circle, diameter 800 mm
    putF32(b, 88, 1.0f);
    putF32(b, 92, 1.0f);
    putU32(b, 132, static_cast<quint32>(n));
    putU32(b, 496, deviceNumber);
    b[500] = 5;
    for (int i = 0; i < n; ++i) {
        const int r = 512 + 32 * i;
        b[r + 0] = 8;                         // hour
        b[r + 1] = static_cast<char>(i % 60); // minute
        putU32(b, r + 4, 2024 | (3u << 16) | (12u << 24));
        putU32(b, r + 12, static_cast<quint32>(i + 1));
        putF32(b, r + 16, 0.25f + 0.01f * i);
        putF32(b, r + 20, 0.5f);
        putF32(b, r + 24, 10.0f);
        putF32(b, r + 28, 14.5f);
    }
    return b;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace storetest
