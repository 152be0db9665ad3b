#include "device/core/DeviceRequest.h"

namespace lmv {

ReplyKind replyKindOf(DeviceRequest::Kind kind, Family family)
{
    const bool rva = family == Family::Rva;
    const bool rvb = family == Family::Rvb;
    switch (kind) {
    case DeviceRequest::Kind::DeviceInfo:
        return ReplyKind::DeviceInfo;
    case DeviceRequest::Kind::Projects:
        return rva ? ReplyKind::RvaProjectNames : rvb ? ReplyKind::RvbProjectNames : ReplyKind::Dropped;
    case DeviceRequest::Kind::Positions:
        return rva ? ReplyKind::RvaPositionRecords : rvb ? ReplyKind::RvbPositionNames : ReplyKind::Dropped;
    case DeviceRequest::Kind::Files:
        return rva ? ReplyKind::RvaFileNames : rvb ? ReplyKind::RvbFileNames : ReplyKind::Dropped;
    case DeviceRequest::Kind::RvaRecordData:
        return rva ? ReplyKind::RvaRecordData : ReplyKind::Dropped;
    case DeviceRequest::Kind::RvbRecordNode:
        return rvb ? ReplyKind::RvbNodeTable : ReplyKind::Dropped;
    case DeviceRequest::Kind::RvbRecordData:
        return rvb ? ReplyKind::RvbRecordData : ReplyKind::Dropped;
    case DeviceRequest::Kind::None:
    case DeviceRequest::Kind::StopReading:
        break;
    }
    return ReplyKind::Dropped;
}

} // namespace lmv
