#include "device/core/RvaProtocol.h"

namespace lmv {

namespace {
QByteArray pagedRequest(quint8 command, uint page, const QString &path)
{
    QByteArray payload = proto::requestHeader(proto::kGroupRva, command);
    payload.append(proto::pageByte(page));
    proto::appendPath(payload, path);
    return payload;
}
} // namespace

QByteArray RvaProtocol::projectListRequest(uint page)
{
    return pagedRequest(kCmdProjectList, page, QString::fromLatin1(proto::kDrivePrefix));
}

QByteArray RvaProtocol::positionListRequest(const QString &project, uint page)
{
    return pagedRequest(kCmdPositionList, page, QString::fromLatin1(proto::kDrivePrefix) + project);
}

QByteArray RvaProtocol::fileListRequest(const QString &projectAndPoint, uint page)
{
    return pagedRequest(kCmdFileList, page, QString::fromLatin1(proto::kDrivePrefix) + projectAndPoint);
}

QByteArray RvaProtocol::recordDataRequest(const QString &filePath, uint page)
{
    return pagedRequest(kCmdRecordData, page, filePath);
}

QByteArray RvaProtocol::stopReadingRequest()
{
    QByteArray payload = proto::requestHeader(proto::kGroupRva, kCmdStopReading);
    payload.append('\0');
    return payload;
}

QByteArray RvaProtocol::setDeviceNumberRequest(quint32 deviceNumber)
{
    QByteArray payload = proto::requestHeader(proto::kGroupRva, kCmdSetDeviceNumber);
    payload.append('\0');
    proto::appendU32(payload, deviceNumber);
    return payload;
}

ReplyKind RvaProtocol::classify(quint8 command)
{
    switch (command) {
    case kCmdProjectList:
        return ReplyKind::RvaProjectNames;
    case kCmdPositionList:
        return ReplyKind::RvaPositionRecords;
    case kCmdFileList:
        return ReplyKind::RvaFileNames;
    case kCmdRecordData:
        return ReplyKind::RvaRecordData;
    default:
        // Acknowledgements of stop reading and set device number carry nothing the host uses.
        return ReplyKind::Dropped;
    }
}

} // namespace lmv
