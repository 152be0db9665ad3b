#include "device/core/RvbProtocol.h"

namespace lmv {

namespace {
QByteArray pagedRequest(quint8 command, uint page, const QString &path)
{
    QByteArray payload = proto::requestHeader(proto::kGroupRvb, command);
    payload.append(proto::pageByte(page));
    proto::appendPath(payload, path);
    return payload;
}
} // namespace

QByteArray RvbProtocol::projectListRequest(uint page)
{
    return pagedRequest(kCmdProjectList, page, QString::fromLatin1(proto::kDrivePrefix));
}

QByteArray RvbProtocol::positionListRequest(const QString &project, uint page)
{
    return pagedRequest(kCmdPositionList, page, QString::fromLatin1(proto::kDrivePrefix) + project);
}

QByteArray RvbProtocol::fileListRequest(const QString &projectAndPoint, uint page)
{
    return pagedRequest(kCmdFileList, page, QString::fromLatin1(proto::kDrivePrefix) + projectAndPoint);
}

QByteArray RvbProtocol::nodeTableRequest(const QString &filePath)
{
    // The node table has a single page; its page field is always 0.
    return pagedRequest(kCmdNodeTable, 0, filePath);
}

QByteArray RvbProtocol::recordDataRequest(const QString &filePath, uint page, quint32 rangeStart,
                                          quint32 rangeEnd)
{
    QByteArray payload = proto::requestHeader(proto::kGroupRvb, kCmdRecordData);
    payload.append(proto::pageByte(page));
    proto::appendU32(payload, rangeStart);
    proto::appendU32(payload, rangeEnd);
    proto::appendPath(payload, filePath);
    return payload;
}

QByteArray RvbProtocol::stopReadingRequest()
{
    QByteArray payload = proto::requestHeader(proto::kGroupRvb, kCmdStopReading);
    payload.append('\0');
    return payload;
}

ReplyKind RvbProtocol::classify(quint8 command)
{
    switch (command) {
    case kCmdProjectList:
        return ReplyKind::RvbProjectNames;
    case kCmdPositionList:
        return ReplyKind::RvbPositionNames;
    case kCmdFileList:
        return ReplyKind::RvbFileNames;
    case kCmdNodeTable:
        return ReplyKind::RvbNodeTable;
    case kCmdRecordData:
        return ReplyKind::RvbRecordData;
    default:
        // The acknowledgement of stop reading carries nothing the host uses.
        return ReplyKind::Dropped;
    }
}

} // namespace lmv
