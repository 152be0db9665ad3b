#pragma once
// Requests of command group 0x10 (type code 1 loggers) and the kinds of its replies.
#include "device/core/CommonProtocol.h"

namespace lmv {

class RvbProtocol
{
public:
    static constexpr quint8 kCmdProjectList = 0x00;
    static constexpr quint8 kCmdPositionList = 0x01;
    static constexpr quint8 kCmdFileList = 0x02;
    static constexpr quint8 kCmdNodeTable = 0x03;
    static constexpr quint8 kCmdRecordData = 0x04;
    static constexpr quint8 kCmdStopReading = 0x05;

    // Project list page: page; "0:/"; 0x00.
    static QByteArray projectListRequest(uint page);
    // Position list page of a project: page; "0:/" + project; 0x00.
    static QByteArray positionListRequest(const QString &project, uint page);
    // File list page of a point; projectAndPoint is project + "/" + point.
    static QByteArray fileListRequest(const QString &projectAndPoint, uint page);
    // Node table of a monthly file: 0x00; filePath (starting with "0:/"); 0x00.
    static QByteArray nodeTableRequest(const QString &filePath);
    // Record data page of one byte range: page; rangeStart; rangeEnd (uint32 each); filePath; 0x00.
    static QByteArray recordDataRequest(const QString &filePath, uint page, quint32 rangeStart,
                                        quint32 rangeEnd);
    // Stops a running download: 0x00.
    static QByteArray stopReadingRequest();

    // Kind of a group 0x10 reply with the given command byte.
    static ReplyKind classify(quint8 command);
};

} // namespace lmv
