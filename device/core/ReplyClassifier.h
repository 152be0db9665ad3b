#pragma once
// Sorts an extracted reply payload into the signal that carries it to the main window.
#include "device/core/CommonProtocol.h"

namespace lmv {

struct ClassifiedReply
{
    ReplyKind kind = ReplyKind::Dropped;
    // The payload after the command byte (empty for Dropped).
    QByteArray content;
};

// Kind of a payload: Dropped when it is shorter than four bytes, lacks "LM", or carries a group or
// command byte the host does not handle.
ReplyKind classifyReplyKind(const char *payload, qsizetype size);
// Kind of the payload and the content after its command byte.
ClassifiedReply classifyReply(const QByteArray &payload);

} // namespace lmv
