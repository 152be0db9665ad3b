#pragma once

// Builds data files byte by byte for the record window tests. The offsets are written out here
// on purpose, so that a change of the reader's layout shows up as a failing test.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTextCodec>

#include <cstdint>
#include <cstring>
#include <vector>

namespace viewfiles {

struct Bytes
{
    QByteArray data;

    explicit Bytes(int size) : data(size, '\0') {}
    void u8(int at, unsigned v) { data[at] = char(v & 0xff); }
    void u16(int at, unsigned v)
    {
        u8(at, v);
        u8(at + 1, v >> 8);
    }
    void u32(int at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(at + i, (v >> (8 * i)) & 0xff);
    }
    void f32(int at, float f)
    {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(at, v);
    }
    void text(int at, const QString &s)
    {
        const QByteArray gb = QTextCodec::codecForName("GB2312")->fromUnicode(s);
        for (int i = 0; i < gb.size(); ++i)
            data[at + i] = gb[i];
    }
};

struct Rva
{
    unsigned year = 2024, month = 5, day = 6, hour = 7, minute = 8, second = 9;
    std::uint32_t sequence = 0;
    float level = 0, velocity = 0, flow = 0, temperature = 0;
};

struct Header
{
    QString project = QStringLiteral("北区管网");
    QString point = QStringLiteral("1号井");
    unsigned shape = 0, height = 1000, width = 0, upper = 0, sediment = 50;
    float vc = 1.0f, fc = 1.0f;
    unsigned interval = 60, levelOffset = 12, smoothing = 3, probe = 1;
    unsigned sampleCount = 0;
    float stats[12] = {}; // level, velocity, flow, temperature: max, min, avg each
    std::uint32_t deviceNumber = 12345;
    unsigned typeCode = 5;
    unsigned model = 0;
};

inline QByteArray headerBytes(const Header &h)
{
    Bytes b(512);
    b.text(0, h.project);
    b.text(33, h.point);
    b.u32(68, h.shape);
    b.u32(72, h.height);
    b.u32(76, h.width);
    b.u32(80, h.upper);
    b.u32(84, h.sediment);
    b.f32(88, h.vc);
    b.f32(92, h.fc);
    b.u32(96, h.interval);
    b.u32(100, h.levelOffset);
    b.u16(104, h.smoothing);
    b.u8(106, h.probe);
    b.u32(132, h.sampleCount);
    for (int i = 0; i < 12; ++i)
        b.f32(136 + 4 * i, h.stats[i]);
    b.u32(496, h.deviceNumber);
    b.u8(500, h.typeCode);
    b.u8(505, h.model);
    return b.data;
}

inline QByteArray rvaRecordBytes(const Rva &r)
{
    Bytes b(32);
    b.u8(0, r.hour);
    b.u8(1, r.minute);
    b.u8(2, r.second);
    b.u16(4, r.year);
    b.u8(6, r.month);
    b.u8(7, r.day);
    b.u32(12, r.sequence);
    b.f32(16, r.level);
    b.f32(20, r.velocity);
    b.f32(24, r.flow);
    b.f32(28, r.temperature);
    return b.data;
}

struct Rvb
{
    std::uint32_t seconds = 0;
    float channel[6] = {};
    unsigned alarm = 0, fault = 0;
    float supply = 12.5f;
    std::uint32_t gprs = 7200, device = 5400, sensor = 0;
    unsigned vga = 1, max = 2, ac = 3, dc = 4, csq = 20;
    std::uint32_t baseStation = 0x1a2b;
    float v5 = 5.0f, v12 = 12.0f, v39 = 3.9f, cpu = 40.5f;
    unsigned m[3] = {11, 12, 13}, g[3] = {21, 22, 23}, spare[6] = {31, 32, 33, 34, 35, 36};
};

inline QByteArray rvbRecordBytes(const Rvb &r)
{
    Bytes b(100);
    b.u32(0, r.seconds);
    for (int i = 0; i < 6; ++i)
        b.f32(4 + 4 * i, r.channel[i]);
    b.u8(28, r.alarm);
    b.u8(29, r.fault);
    b.f32(30, r.supply);
    b.u32(34, r.gprs);
    b.u32(38, r.device);
    b.u32(42, r.sensor);
    b.u16(46, r.vga);
    b.u16(48, r.max);
    b.u16(50, r.ac);
    b.u16(52, r.dc);
    b.u8(54, r.csq);
    b.u32(55, r.baseStation);
    b.f32(59, r.v5);
    b.f32(63, r.v12);
    b.f32(67, r.v39);
    b.f32(71, r.cpu);
    for (int i = 0; i < 3; ++i) {
        b.u16(75 + 2 * i, r.m[i]);
        b.u16(81 + 2 * i, r.g[i]);
    }
    for (int i = 0; i < 6; ++i)
        b.u16(87 + 2 * i, r.spare[i]);
    return b.data;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace viewfiles
