#include "device/core/FrameCodec.h"

#include <array>

namespace lmv {
namespace {

using frame::kEndByte;
using frame::kEscapeByte;
using frame::kStartByte;

constexpr std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = static_cast<quint16>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
        table[static_cast<size_t>(i)] = crc;
    }
    return table;
}

constexpr std::array<quint16, 256> kCrcTable = makeCrcTable();

bool needsEscape(quint8 b)
{
    return b >= kEscapeByte;
}

void appendEscaped(QByteArray &out, quint8 b)
{
    if (needsEscape(b))
        out.append(static_cast<char>(kEscapeByte));
    out.append(static_cast<char>(b));
}

QByteArray encodeFrame(const QByteArray &payload, int reserveExtra)
{
    const quint16 crc = crc16Modbus(payload);
    QByteArray out;
    out.reserve(frameSizeFor(payload) + reserveExtra);
    out.append(static_cast<char>(kStartByte));
    out.append(static_cast<char>(kStartByte));
    for (char c : payload)
        appendEscaped(out, static_cast<quint8>(c));
    appendEscaped(out, static_cast<quint8>(crc & 0xFF));
    appendEscaped(out, static_cast<quint8>(crc >> 8));
    out.append(static_cast<char>(kEndByte));
    return out;
}

} // namespace

quint16 crc16Modbus(const char *data, qsizetype size)
{
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < size; ++i) {
        const quint8 b = static_cast<quint8>(data[i]);
        crc = static_cast<quint16>((crc >> 8) ^ kCrcTable[(crc ^ b) & 0xFF]);
    }
    return crc;
}

quint16 crc16Modbus(const QByteArray &bytes)
{
    return crc16Modbus(bytes.constData(), bytes.size());
}

int frameSizeFor(const QByteArray &payload)
{
    const quint16 crc = crc16Modbus(payload);
    int size = 2 + 2 + 1; // start bytes, checksum, end byte
    for (char c : payload)
        size += needsEscape(static_cast<quint8>(c)) ? 2 : 1;
    size += needsEscape(static_cast<quint8>(crc & 0xFF)) ? 1 : 0;
    size += needsEscape(static_cast<quint8>(crc >> 8)) ? 1 : 0;
    return size;
}

QByteArray buildFrame(const QByteArray &payload)
{
    if (frameSizeFor(payload) > frame::kMaxRequestFrameSize)
        return QByteArray();
    return encodeFrame(payload, 0);
}

QByteArray buildReplyFrame(const QByteArray &payload)
{
    QByteArray out = encodeFrame(payload, 2);
    out.append(static_cast<char>(kEndByte));
    out.append(static_cast<char>(kEndByte));
    return out;
}

QByteArray emptyFrame()
{
    return QByteArray("\xFF\xFF\xFE", 3);
}

bool endsWithReplyTerminator(const QByteArray &rxBuffer)
{
    return rxBuffer.endsWith(QByteArray("\xFE\xFE\xFE", 3));
}

bool holdsReplyTerminator(const QByteArray &rxBuffer, qsizetype from)
{
    return rxBuffer.indexOf(QByteArray("\xFE\xFE\xFE", 3), int(qMax<qsizetype>(0, from - 2))) >= 0;
}

ExtractStatus extractFrame(QByteArray &rxBuffer, QByteArray &payloadOut)
{
    // Drop everything in front of the first start byte in one step.
    const int start = rxBuffer.indexOf(static_cast<char>(kStartByte));
    if (start < 0) {
        rxBuffer.clear();
        return ExtractStatus::NoStartByte;
    }
    if (start > 0)
        rxBuffer.remove(0, start);

    const char *bytes = rxBuffer.constData();
    const int size = rxBuffer.size();
    QByteArray collected;
    // The buffer may hold many replies; reserve for a typical one, not for all of them.
    collected.reserve(qMin(size, 8192));
    for (int i = 0; i < size; ++i) {
        const quint8 b = static_cast<quint8>(bytes[i]);
        if (b == kStartByte)
            continue;
        if (b == kEscapeByte) {
            if (i + 1 >= size)
                return ExtractStatus::FrameIncomplete;
            ++i;
            collected.append(bytes[i]);
            continue;
        }
        if (b != kEndByte) {
            collected.append(static_cast<char>(b));
            continue;
        }
        // End byte: the frame is consumed whatever its contents.
        rxBuffer.remove(0, i + 1);
        const int n = collected.size();
        if (n < 3)
            return ExtractStatus::FrameTooShort;
        const quint16 received = static_cast<quint16>((static_cast<quint8>(collected[n - 1]) << 8) |
                                                      static_cast<quint8>(collected[n - 2]));
        if (crc16Modbus(collected.constData(), n - 2) != received)
            return ExtractStatus::ChecksumMismatch;
        collected.truncate(n - 2);
        payloadOut = collected;
        return ExtractStatus::FrameOk;
    }
    return ExtractStatus::FrameIncomplete;
}

} // namespace lmv
