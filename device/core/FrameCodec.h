#pragma once
// Frames between the host and a logger: two start bytes, the byte-stuffed payload, the
// CRC-16/MODBUS of the payload (low byte first, stuffed too) and one end byte.
#include <QByteArray>
#include <QtGlobal>

namespace lmv {

namespace frame {
constexpr quint8 kStartByte = 0xFF;
constexpr quint8 kEndByte = 0xFE;
constexpr quint8 kEscapeByte = 0xFD;
// The logger's receive buffer holds one frame of at most this many bytes, markers included.
constexpr int kMaxRequestFrameSize = 208;
// Any payload up to this size fits into kMaxRequestFrameSize even if every byte is escaped.
constexpr int kAlwaysFittingPayloadSize = 100;
} // namespace frame

// Result of one extractFrame() call; the values are the device link's result codes.
enum class ExtractStatus : int
{
    FrameOk = 0,           // one payload extracted, checksum good
    FrameIncomplete = 1,   // no end byte yet; the buffer keeps its bytes
    NoStartByte = -1,      // the buffer held no 0xFF; it is now empty
    ChecksumMismatch = -2, // a whole frame was removed, its checksum did not match
    FrameTooShort = -3,    // a whole frame was removed, it held fewer than three bytes
};

// CRC-16/MODBUS (init 0xFFFF, reflected polynomial 0xA001, no final XOR) over size bytes.
quint16 crc16Modbus(const char *data, qsizetype size);
// CRC-16/MODBUS over a whole byte array.
quint16 crc16Modbus(const QByteArray &bytes);

// Size of the frame that would carry the payload, start, escapes, checksum and end included.
int frameSizeFor(const QByteArray &payload);
// Builds the request frame for the payload. A frame that would exceed kMaxRequestFrameSize is
// refused: the result is then an empty array and the caller sends nothing.
QByteArray buildFrame(const QByteArray &payload);
// Builds a reply frame as a logger sends it: the frame without a size limit, followed by two
// more end bytes so that the stream of one reply ends with 0xFE 0xFE 0xFE.
QByteArray buildReplyFrame(const QByteArray &payload);
// The empty frame 0xFF 0xFF 0xFE, sent after a frame whose length is a multiple of 64.
QByteArray emptyFrame();
// True when the received bytes end with three end bytes, i.e. a device reply is complete.
bool endsWithReplyTerminator(const QByteArray &rxBuffer);
// Whether the three end bytes of a reply lie anywhere in rxBuffer from offset `from` on (the bytes
// just appended; the two before them are looked at too, in case the end was split).
bool holdsReplyTerminator(const QByteArray &rxBuffer, qsizetype from);

// Removes garbage and at most one frame from the front of rxBuffer. On FrameOk payloadOut holds
// the unescaped payload without its checksum; otherwise payloadOut is left as it was.
ExtractStatus extractFrame(QByteArray &rxBuffer, QByteArray &payloadOut);

} // namespace lmv
