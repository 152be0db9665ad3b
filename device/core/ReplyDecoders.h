#pragma once
// Decoders of reply contents as the worker delivers them (the payload after the command byte,
// page byte first). Every decoder reads only inside the content it is given: short or odd-sized
// contents give fewer entries, never a read past the end.
#include "data/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

namespace lmv {

// The page byte that opens every list and record-data reply.
struct ReplyPage
{
    bool valid = false; // false when the content is empty (no page byte at all)
    quint8 page = 0;    // the page to ask for next, or an end marker

    // A list reply: 0xF0 marks the last page.
    bool lastListPage() const;
    // A record-data reply: 0xF0 or 0xF1 marks the last page of a file.
    bool lastDataPage() const;
    // A record-data reply to page 0: 1 (more pages follow) or 0xF1 (the file fitted into one page).
    bool firstDataPage() const;
};
ReplyPage decodeReplyPage(const QByteArray &content);

// Project list pages of both groups and position list pages of group RVB.
struct NameListPage
{
    ReplyPage page;
    QStringList names; // decoded from GB2312, empty names skipped
};
// Splits the content after the page byte at 0x00 and decodes each non-empty name.
NameListPage decodeNameList(const QByteArray &content);

// One monitoring point of a group RVA position list, as the device tree shows it.
struct DevicePoint
{
    QString pointName;
    qint32 pipeShape = 0; // the device tree shows it as a signed value
    quint32 heightOrDiameter = 0;
    quint32 widthOrLowerBase = 0;
    quint32 upperBase = 0;
    quint32 sediment = 0;
    PipeSaveIntoTfType record; // the whole 88-byte record as received
};

struct PositionListPage
{
    ReplyPage page;
    QVector<DevicePoint> points;
    int trailingBytes = 0; // bytes after the last whole record; they are not a point
};
// Reads the content after the page byte as consecutive 88-byte point records; a partial record at
// the end is not a point.
PositionListPage decodeRvaPositionList(const QByteArray &content);

struct DeviceFileEntry
{
    QString name;
    quint32 size = 0;
};

struct FileListPage
{
    ReplyPage page;
    QVector<DeviceFileEntry> files;
};
// Decodes the file list block: GB2312 names separated by CR LF, one 0x00, then one uint32 size per
// CR-LF-separated part (empty parts included). A size missing at the end reads as 0. Empty parts are
// not files; in group RVB only names ending in ".lmv" are files, yet every part owns its size slot.
FileListPage decodeFileList(const QByteArray &content, Family family);

// Node table of a group RVB monthly file.
struct NodeTable
{
    static constexpr int kDays = 31;
    static constexpr int kContentSize = 1 + 4 * kDays; // page byte and 31 uint32

    enum class Status
    {
        Ok,          // page byte 0xF0 and all 31 values present
        NotLastPage, // page byte other than 0xF0, or no page byte: the host ignores the reply
        Truncated,   // page byte 0xF0 but fewer than 31 values; the missing ones read as 0
    };
    Status status = Status::NotLastPage;
    // Byte address at which each day's records start, day 1 first; 0 = no records that day.
    std::array<quint32, kDays> dayNodes{};

    // The lowest / highest day with a non-zero node; 0 when there is none.
    int firstDay() const;
    int lastDay() const;
};
NodeTable decodeNodeTable(const QByteArray &content);

// One record-data reply of either group.
struct RecordDataPage
{
    ReplyPage page;
    QByteArray data; // the file bytes after the page byte
};
RecordDataPage decodeRecordDataPage(const QByteArray &content);

// The device information reply: a shorter content reads as zero-filled, bytes after the sixteenth
// are ignored.
DeviceInfo decodeDeviceInfoReply(const QByteArray &content);

} // namespace lmv
