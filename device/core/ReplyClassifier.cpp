#include "device/core/ReplyClassifier.h"

#include "device/core/RvaProtocol.h"
#include "device/core/RvbProtocol.h"

namespace lmv {

ReplyKind classifyReplyKind(const char *payload, qsizetype size)
{
    if (size < proto::kHeaderSize || payload[0] != proto::kHeader[0] || payload[1] != proto::kHeader[1])
        return ReplyKind::Dropped;
    const quint8 group = static_cast<quint8>(payload[2]);
    const quint8 command = static_cast<quint8>(payload[3]);
    switch (group) {
    case proto::kGroupCommon:
        return CommonProtocol::classify(command);
    case proto::kGroupRva:
        return RvaProtocol::classify(command);
    case proto::kGroupRvb:
        return RvbProtocol::classify(command);
    default:
        return ReplyKind::Dropped;
    }
}

ClassifiedReply classifyReply(const QByteArray &payload)
{
    ClassifiedReply reply;
    reply.kind = classifyReplyKind(payload.constData(), payload.size());
    if (reply.kind != ReplyKind::Dropped)
        reply.content = payload.mid(proto::kHeaderSize);
    return reply;
}

} // namespace lmv
