#pragma once
// Payload layout shared by every request and reply ("LM", group byte, command byte, fields) and
// the common group 0x00: the device information request and the link notices.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace lmv {

namespace proto {
constexpr char kHeader[] = "LM";
constexpr int kHeaderSize = 4; // "LM", group byte, command byte

constexpr quint8 kGroupCommon = 0x00;
constexpr quint8 kGroupRva = 0x20;
constexpr quint8 kGroupRvb = 0x10;

// Page bytes of list and record-data replies.
constexpr quint8 kLastListPage = 0xF0;  // a list reply carrying this is the last page
constexpr quint8 kLastDataPage = 0xF0;  // last page of a record download
constexpr quint8 kOnlyDataPage = 0xF1;  // a file that fitted into its first page
constexpr quint8 kFirstDataPage = 0x01; // the first of several pages names page 1 next

// Every device path begins with this drive prefix.
constexpr char kDrivePrefix[] = "0:/";
} // namespace proto

// What a reply is, by its group and command byte. Everything the host does not handle is Dropped.
enum class ReplyKind
{
    Dropped,
    DeviceInfo,         // 0x00 0x00
    LinkClosed,         // 0x00 0x7E
    RvaProjectNames,    // 0x20 0x00
    RvaPositionRecords, // 0x20 0x01
    RvaFileNames,       // 0x20 0x02
    RvaRecordData,      // 0x20 0x03
    RvbProjectNames,    // 0x10 0x00
    RvbPositionNames,   // 0x10 0x01
    RvbFileNames,       // 0x10 0x02
    RvbNodeTable,       // 0x10 0x03
    RvbRecordData,      // 0x10 0x04
};

// Shared building blocks of the three command groups.
namespace proto {
// "LM", group byte and command byte.
QByteArray requestHeader(quint8 group, quint8 command);
// Appends the GB2312 text of the device path and its terminating 0x00.
void appendPath(QByteArray &payload, const QString &path);
// Appends a little-endian 32-bit number.
void appendU32(QByteArray &payload, quint32 value);
// The low eight bits of a page argument.
char pageByte(uint page);
} // namespace proto

// Requests and replies of group 0x00.
class CommonProtocol
{
public:
    static constexpr quint8 kCmdDeviceInfo = 0x00;
    static constexpr quint8 kCmdLinkClosed = 0x7E;

    // "LM" 0x00 0x00: asks for the 16-byte device information.
    static QByteArray deviceInfoRequest();
    // Kind of a group 0x00 reply with the given command byte.
    static ReplyKind classify(quint8 command);
};

} // namespace lmv
