#include "device/core/CommonProtocol.h"

#include "data/Records.h"

namespace lmv {

namespace proto {

QByteArray requestHeader(quint8 group, quint8 command)
{
    QByteArray payload(kHeader, 2);
    payload.append(static_cast<char>(group));
    payload.append(static_cast<char>(command));
    return payload;
}

void appendPath(QByteArray &payload, const QString &path)
{
    payload.append(toGb2312(path));
    payload.append('\0');
}

void appendU32(QByteArray &payload, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        payload.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

char pageByte(uint page)
{
    return static_cast<char>(page & 0xFF);
}

} // namespace proto

QByteArray CommonProtocol::deviceInfoRequest()
{
    return proto::requestHeader(proto::kGroupCommon, kCmdDeviceInfo);
}

ReplyKind CommonProtocol::classify(quint8 command)
{
    switch (command) {
    case kCmdDeviceInfo:
        return ReplyKind::DeviceInfo;
    case kCmdLinkClosed:
        return ReplyKind::LinkClosed;
    default:
        return ReplyKind::Dropped;
    }
}

} // namespace lmv
