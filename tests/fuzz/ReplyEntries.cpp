#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"

#include "device/core/FrameCodec.h"
#include "device/core/ReplyClassifier.h"
#include "device/core/ReplyDecoders.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <vector>

namespace lmv::fuzz {

namespace {

// An exactly sized heap copy, so that reads past the end of a buffer built from several chunks
// are caught too (Qt's own allocations carry slack and a terminator).
struct ExactBuffer
{
    std::vector<char> bytes;

    QByteArray view() const { return QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size())); }
    void assign(const QByteArray &from)
    {
        std::vector<char> copy(from.constData(), from.constData() + from.size());
        bytes.swap(copy);
        bytes.shrink_to_fit();
    }
};

struct ExtractLog
{
    std::vector<QByteArray> payloads;
    int mismatches = 0;
    int tooShort = 0;
};

// Calls extractFrame until it needs more bytes, checking what each call may do to the buffer.
void drain(ExactBuffer &buffer, ExtractLog &log)
{
    for (;;) {
        const QByteArray before(buffer.bytes.data(), static_cast<int>(buffer.bytes.size()));
        QByteArray rx = buffer.view();
        QByteArray payload("sentinel");
        const ExtractStatus status = lmv::extractFrame(rx, payload);
        // rx may still point into buffer.bytes: take a deep copy before the buffer is replaced.
        rx = QByteArray(rx.constData(), rx.size());
        require(rx.size() <= before.size(), "extraction grew the receive buffer");
        require(before.endsWith(rx), "extraction changed bytes it kept");
        buffer.assign(rx);
        switch (status) {
        case ExtractStatus::NoStartByte:
            require(rx.isEmpty(), "NoStartByte left bytes behind");
            require(!before.contains('\xFF'), "NoStartByte with a start byte present");
            return;
        case ExtractStatus::FrameIncomplete:
            require(!rx.isEmpty() && static_cast<quint8>(rx.at(0)) == 0xFF,
                    "incomplete buffer not at a start byte");
            require(payload == "sentinel", "incomplete extraction wrote a payload");
            return;
        case ExtractStatus::FrameOk: {
            require(rx.size() < before.size(), "FrameOk consumed nothing");
            require(payload.size() + 3 <= before.size() - rx.size(), "payload longer than its frame");
            // The payload framed again must come back unchanged.
            QByteArray again = buildReplyFrame(payload);
            QByteArray back;
            require(lmv::extractFrame(again, back) == ExtractStatus::FrameOk && back == payload,
                    "reframed payload differs");
            log.payloads.push_back(payload);
            break;
        }
        case ExtractStatus::ChecksumMismatch:
            require(rx.size() < before.size(), "mismatch consumed nothing");
            require(payload == "sentinel", "mismatch wrote a payload");
            ++log.mismatches;
            break;
        case ExtractStatus::FrameTooShort:
            require(rx.size() < before.size(), "short frame consumed nothing");
            require(payload == "sentinel", "short frame wrote a payload");
            ++log.tooShort;
            break;
        default:
            broken("unknown extraction status");
        }
    }
}

bool sameLog(const ExtractLog &a, const ExtractLog &b)
{
    return a.payloads == b.payloads && a.mismatches == b.mismatches && a.tooShort == b.tooShort;
}

void checkPage(const ReplyPage &page, const std::uint8_t *data, std::size_t size)
{
    require(page.valid == (size > 0), "page byte validity");
    if (size > 0)
        require(page.page == data[0], "page byte value");
}

void checkNameList(const QByteArray &content)
{
    const NameListPage list = decodeNameList(content);
    checkPage(list.page, reinterpret_cast<const std::uint8_t *>(content.constData()), content.size());
    const int parts = content.isEmpty() ? 0 : content.count('\0') - (content.at(0) == '\0' ? 1 : 0) + 1;
    require(list.names.size() <= parts, "more names than parts");
    for (const QString &name : list.names)
        require(!name.isEmpty(), "empty name listed");
}

void checkPositionList(const QByteArray &content)
{
    const PositionListPage list = decodeRvaPositionList(content);
    checkPage(list.page, reinterpret_cast<const std::uint8_t *>(content.constData()), content.size());
    const int body = content.isEmpty() ? 0 : content.size() - 1;
    require(list.points.size() == body / 88, "point count");
    require(list.trailingBytes == body % 88, "trailing byte count");
    for (int i = 0; i < list.points.size(); ++i) {
        const DevicePoint &p = list.points.at(i);
        require(p.record.toBytes() == content.mid(1 + i * 88, 88), "point record does not round-trip");
        require(p.pointName.size() <= 33, "point name longer than its field");
        require(quint32(p.pipeShape) == p.record.pipeShape && p.sediment == p.record.sediment,
                "point fields");
    }
}

void checkFileList(const QByteArray &content)
{
    const FileListPage rva = decodeFileList(content, Family::Rva);
    const FileListPage rvb = decodeFileList(content, Family::Rvb);
    checkPage(rva.page, reinterpret_cast<const std::uint8_t *>(content.constData()), content.size());
    const int zero = content.indexOf('\0', 1);
    const QByteArray text = content.mid(1, zero < 0 ? -1 : zero - 1);
    require(rva.files.size() <= text.count("\r\n") + 1, "more files than parts");
    // Group RVB keeps a subsequence of what group RVA lists, with the same sizes.
    int j = 0;
    for (const DeviceFileEntry &f : rvb.files) {
        require(f.name.endsWith(QLatin1String(".lmv")), "group RVB file without .lmv");
        while (j < rva.files.size() && !(rva.files.at(j).name == f.name && rva.files.at(j).size == f.size))
            ++j;
        require(j < rva.files.size(), "group RVB file not in the group RVA list");
        ++j;
    }
    for (const DeviceFileEntry &f : rva.files)
        require(!f.name.isEmpty(), "empty file name listed");
}

void checkNodeTable(const QByteArray &content)
{
    const NodeTable table = decodeNodeTable(content);
    const bool marked = !content.isEmpty() && static_cast<quint8>(content.at(0)) == 0xF0;
    if (!marked) {
        require(table.status == NodeTable::Status::NotLastPage, "unmarked table accepted");
        require(table.firstDay() == 0, "unmarked table has days");
        return;
    }
    require((table.status == NodeTable::Status::Ok) == (content.size() >= 125), "table status vs size");
    const int first = table.firstDay();
    const int last = table.lastDay();
    require((first == 0) == (last == 0), "first and last day disagree");
    if (first != 0) {
        require(first <= last && first >= 1 && last <= 31, "day order");
        require(table.dayNodes[std::size_t(first - 1)] != 0 && table.dayNodes[std::size_t(last - 1)] != 0,
                "first or last day without node");
    }
    for (int day = 1; day <= 31; ++day) {
        if (1 + 4 * day > content.size())
            require(table.dayNodes[std::size_t(day - 1)] == 0, "node read past the content");
    }
}

void checkRecordData(const QByteArray &content)
{
    const RecordDataPage page = decodeRecordDataPage(content);
    checkPage(page.page, reinterpret_cast<const std::uint8_t *>(content.constData()), content.size());
    require(page.data == content.mid(1), "record data bytes");
}

void checkDeviceInfo(const QByteArray &content)
{
    const DeviceInfo info = decodeDeviceInfoReply(content);
    QByteArray expected = content.left(16);
    expected.append(QByteArray(16 - expected.size(), '\0'));
    // Compare the integer fields; a float is copied by bits, but keep NaN payloads out of it.
    const QByteArray got = info.toBytes();
    require(got.size() == 16, "device info size");
    require(got.left(12) == expected.left(12), "device info does not round-trip");
}

} // namespace

int extractFrame(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // First byte: into how many pieces (1..32) the stream is cut for the chunked delivery. A fixed
    // count rather than a fixed size keeps every input linear in cost; the unit tests deliver
    // byte by byte.
    const std::uint8_t *stream = data + 1;
    const std::size_t length = size - 1;
    const std::size_t pieces = std::size_t(data[0] % 32) + 1;
    const std::size_t chunk = std::max<std::size_t>(1, (length + pieces - 1) / pieces);

    ExactBuffer bulkBuffer;
    bulkBuffer.assign(raw(stream, length));
    ExtractLog bulk;
    drain(bulkBuffer, bulk);

    ExactBuffer buffer;
    ExtractLog chunked;
    for (std::size_t at = 0; at < length; at += chunk) {
        const std::size_t n = std::min(chunk, length - at);
        QByteArray grown = buffer.view();
        grown.append(reinterpret_cast<const char *>(stream + at), static_cast<int>(n));
        buffer.assign(grown);
        drain(buffer, chunked);
    }
    require(sameLog(bulk, chunked), "chunked delivery differs from bulk delivery");
    require(bulkBuffer.bytes == buffer.bytes, "chunked delivery leaves different bytes");
    return 0;
}

int classifyReply(const std::uint8_t *data, std::size_t size)
{
    const QByteArray payload = raw(data, size);
    const ReplyKind kind =
        classifyReplyKind(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ClassifiedReply reply = lmv::classifyReply(payload);
    require(reply.kind == kind, "the two classifications disagree");
    const bool headed = size >= 4 && data[0] == 'L' && data[1] == 'M';
    if (!headed)
        require(kind == ReplyKind::Dropped, "reply without header classified");
    if (kind == ReplyKind::Dropped) {
        require(reply.content.isEmpty(), "dropped reply carries content");
        return 0;
    }
    require(reply.content == payload.mid(4), "content is not the rest of the payload");
    const QByteArray content = raw(data + 4, size - 4);
    switch (kind) {
    case ReplyKind::DeviceInfo:
        checkDeviceInfo(content);
        break;
    case ReplyKind::RvaProjectNames:
    case ReplyKind::RvbProjectNames:
    case ReplyKind::RvbPositionNames:
        checkNameList(content);
        break;
    case ReplyKind::RvaPositionRecords:
        checkPositionList(content);
        break;
    case ReplyKind::RvaFileNames:
    case ReplyKind::RvbFileNames:
        checkFileList(content);
        break;
    case ReplyKind::RvbNodeTable:
        checkNodeTable(content);
        break;
    case ReplyKind::RvaRecordData:
    case ReplyKind::RvbRecordData:
        checkRecordData(content);
        break;
    case ReplyKind::LinkClosed:
    case ReplyKind::Dropped:
        break;
    }
    return 0;
}

int nameList(const std::uint8_t *data, std::size_t size)
{
    checkNameList(raw(data, size));
    return 0;
}

int rvaPositionList(const std::uint8_t *data, std::size_t size)
{
    checkPositionList(raw(data, size));
    return 0;
}

int fileList(const std::uint8_t *data, std::size_t size)
{
    checkFileList(raw(data, size));
    return 0;
}

int nodeTable(const std::uint8_t *data, std::size_t size)
{
    checkNodeTable(raw(data, size));
    return 0;
}

} // namespace lmv::fuzz
