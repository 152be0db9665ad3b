#pragma once
// Requests of command group 0x20 (type code 5 loggers) and the kinds of its replies.
#include "device/core/CommonProtocol.h"

namespace lmv {

class RvaProtocol
{
public:
    static constexpr quint8 kCmdProjectList = 0x00;
    static constexpr quint8 kCmdPositionList = 0x01;
    static constexpr quint8 kCmdFileList = 0x02;
    static constexpr quint8 kCmdRecordData = 0x03;
    static constexpr quint8 kCmdStopReading = 0x04;
    static constexpr quint8 kCmdSetDeviceNumber = 0x05;

    // Project list page: page; "0:/"; 0x00.
    static QByteArray projectListRequest(uint page);
    // Position list page of a project: page; "0:/" + project; 0x00.
    static QByteArray positionListRequest(const QString &project, uint page);
    // File list page of a point; projectAndPoint is project + "/" + point.
    static QByteArray fileListRequest(const QString &projectAndPoint, uint page);
    // Record data page of a file; filePath already starts with "0:/".
    static QByteArray recordDataRequest(const QString &filePath, uint page);
    // Stops a running download: 0x00.
    static QByteArray stopReadingRequest();
    // Writes a new device number: 0x00; number (little-endian uint32).
    static QByteArray setDeviceNumberRequest(quint32 deviceNumber);

    // Kind of a group 0x20 reply with the given command byte.
    static ReplyKind classify(quint8 command);
};

} // namespace lmv
