#pragma once

// One request toward the logger, in the terms of the main window's request signals, and the reply
// kind that answers it.

#include "data/Records.h"
#include "device/core/CommonProtocol.h"

#include <QString>

namespace lmv {

struct DeviceRequest
{
    enum class Kind
    {
        None,
        DeviceInfo, // the connect, and the barrier that re-synchronises the link
        Projects,
        Positions,
        Files,
        RvaRecordData,
        RvbRecordNode,
        RvbRecordData,
        StopReading, // its acknowledgement is dropped by the worker: no reply is owed
    };
    Kind kind = Kind::None;
    // Positions: the project name. Files: project + "/" + point. Record data and node table: the
    // device file path ("0:/" + project + "/" + point + "/" + file).
    QString path;
    quint8 page = 0;
    quint32 rangeStart = 0; // group RVB record data only
    quint32 rangeEnd = 0;

    bool operator==(const DeviceRequest &o) const
    {
        return kind == o.kind && path == o.path && page == o.page && rangeStart == o.rangeStart &&
               rangeEnd == o.rangeEnd;
    }
    bool operator!=(const DeviceRequest &o) const { return !(*this == o); }
};

// The reply kind a request of this kind is answered with by a logger of the family; Dropped for
// requests that get no reply the host sees.
ReplyKind replyKindOf(DeviceRequest::Kind kind, Family family);

} // namespace lmv
