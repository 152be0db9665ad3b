#pragma once

// Builds data file images byte by byte at the documented offsets, independently of the library's
// own encoders, so that the tests check the layout rather than restate it.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextCodec>

#include <cstring>

namespace testbytes {

inline void putU8(QByteArray &b, int at, quint8 v)
{
    if (b.size() < at + 1)
        b.append(QByteArray(at + 1 - b.size(), '\0'));
    b[at] = static_cast<char>(v);
}
inline void putU16(QByteArray &b, int at, quint16 v)
{
    putU8(b, at, v & 0xff);
    putU8(b, at + 1, v >> 8);
}
inline void putU32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        putU8(b, at + i, (v >> (8 * i)) & 0xff);
}
inline void putF32(QByteArray &b, int at, float f)
{
    quint32 v;
    std::memcpy(&v, &f, 4);
    putU32(b, at, v);
}
inline quint32 getU32(const QByteArray &b, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}
inline float getF32(const QByteArray &b, int at)
{
    const quint32 v = getU32(b, at);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}
inline QByteArray gb(const QString &s)
{
    return QTextCodec::codecForName("gb2312")->fromUnicode(s);
}

// A 512-byte header: names, pipe, corrections, type code at 500 and model code at 505.
inline QByteArray header(quint8 typeCode, const QString &project = QStringLiteral("项目A"),
                         const QString &point = QStringLiteral("测点1"), quint32 shape = 0, quint32 h = 1000,
                         quint32 w = 0, quint32 t = 0, quint32 y = 0)
{
    QByteArray b(512, '\0');
    const QByteArray p = gb(project), q = gb(point);
    b.replace(0, p.size(), p);
    b.replace(33, q.size(), q);
    putU32(b, 68, shape);
    putU32(b, 72, h);
    putU32(b, 76, w);
    putU32(b, 80, t);
    putU32(b, 84, y);
    putF32(b, 88, 1.0f); // velocity correction
    putF32(b, 92, 1.0f); // flow correction
    putU32(b, 496, 20240101);
    putU8(b, 500, typeCode);
    return b;
}

struct RvaRow
{
    quint32 sequence;
    float level, velocity, flow, temperature;
    quint16 year;
    quint8 month, day, hour, minute, second;
};

inline QByteArray rvaRecord(const RvaRow &r)
{
    QByteArray b(32, '\0');
    putU8(b, 0, r.hour);
    putU8(b, 1, r.minute);
    putU8(b, 2, r.second);
    putU16(b, 4, r.year);
    putU8(b, 6, r.month);
    putU8(b, 7, r.day);
    putU32(b, 12, r.sequence);
    putF32(b, 16, r.level);
    putF32(b, 20, r.velocity);
    putF32(b, 24, r.flow);
    putF32(b, 28, r.temperature);
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

// Offsets at which two images differ (sizes must match).
inline QList<int> differingOffsets(const QByteArray &a, const QByteArray &b)
{
    QList<int> out;
    for (int i = 0; i < qMin(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            out.append(i);
    }
    return out;
}

} // namespace testbytes
