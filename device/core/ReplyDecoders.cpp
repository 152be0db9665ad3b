#include "device/core/ReplyDecoders.h"

#include "device/core/CommonProtocol.h"

namespace lmv {

namespace {

// Splits bytes at the two-byte separator CR LF, keeping empty parts (QByteArray::split only
// splits at single bytes).
QList<QByteArray> splitAtCrLf(const QByteArray &text)
{
    QList<QByteArray> parts;
    int from = 0;
    for (;;) {
        const int at = text.indexOf("\r\n", from);
        if (at < 0) {
            parts.append(text.mid(from));
            return parts;
        }
        parts.append(text.mid(from, at - from));
        from = at + 2;
    }
}

} // namespace

bool ReplyPage::lastListPage() const
{
    return valid && page == proto::kLastListPage;
}

bool ReplyPage::lastDataPage() const
{
    return valid && (page == proto::kLastDataPage || page == proto::kOnlyDataPage);
}

bool ReplyPage::firstDataPage() const
{
    return valid && (page == proto::kFirstDataPage || page == proto::kOnlyDataPage);
}

ReplyPage decodeReplyPage(const QByteArray &content)
{
    ReplyPage page;
    if (!content.isEmpty()) {
        page.valid = true;
        page.page = static_cast<quint8>(content.at(0));
    }
    return page;
}

NameListPage decodeNameList(const QByteArray &content)
{
    NameListPage list;
    list.page = decodeReplyPage(content);
    if (!list.page.valid)
        return list;
    const QList<QByteArray> parts = content.mid(1).split('\0');
    for (const QByteArray &part : parts) {
        // A lone lead byte decodes to nothing; such a name could not be asked for either.
        const QString name = fromGb2312(part);
        if (!name.isEmpty())
            list.names.append(name);
    }
    return list;
}

PositionListPage decodeRvaPositionList(const QByteArray &content)
{
    PositionListPage list;
    list.page = decodeReplyPage(content);
    if (!list.page.valid)
        return list;
    const ByteReader in(content);
    const std::size_t records = (in.size() - 1) / kPipeRecordSize;
    list.trailingBytes = static_cast<int>((in.size() - 1) % kPipeRecordSize);
    list.points.reserve(static_cast<int>(records));
    for (std::size_t i = 0; i < records; ++i) {
        DevicePoint point;
        point.record = PipeSaveIntoTfType::decode(in, 1 + i * kPipeRecordSize);
        point.pointName = point.record.pointNameText();
        point.pipeShape = static_cast<qint32>(point.record.pipeShape);
        point.heightOrDiameter = point.record.heightOrDiameter;
        point.widthOrLowerBase = point.record.widthOrLowerBase;
        point.upperBase = point.record.upperBase;
        point.sediment = point.record.sediment;
        list.points.append(point);
    }
    return list;
}

FileListPage decodeFileList(const QByteArray &content, Family family)
{
    FileListPage list;
    list.page = decodeReplyPage(content);
    if (!list.page.valid)
        return list;
    const QByteArray block = content.mid(1);
    // Without the 0x00 the whole block is names and every size is missing.
    int textEnd = block.indexOf('\0');
    if (textEnd < 0)
        textEnd = block.size();
    const QList<QByteArray> parts = splitAtCrLf(block.left(textEnd));
    const ByteReader sizes(block.constData() + qMin(textEnd + 1, block.size()),
                           static_cast<std::size_t>(qMax(0, block.size() - textEnd - 1)));
    for (int i = 0; i < parts.size(); ++i) {
        if (parts.at(i).isEmpty())
            continue;
        DeviceFileEntry entry;
        entry.name = fromGb2312(parts.at(i));
        if (entry.name.isEmpty())
            continue;
        if (family == Family::Rvb && !entry.name.endsWith(QLatin1String(".lmv"), Qt::CaseSensitive))
            continue;
        entry.size = sizes.u32le(static_cast<std::size_t>(i) * 4);
        list.files.append(entry);
    }
    return list;
}

int NodeTable::firstDay() const
{
    for (int day = 1; day <= kDays; ++day) {
        if (dayNodes[static_cast<std::size_t>(day - 1)] != 0)
            return day;
    }
    return 0;
}

int NodeTable::lastDay() const
{
    for (int day = kDays; day >= 1; --day) {
        if (dayNodes[static_cast<std::size_t>(day - 1)] != 0)
            return day;
    }
    return 0;
}

NodeTable decodeNodeTable(const QByteArray &content)
{
    NodeTable table;
    const ReplyPage page = decodeReplyPage(content);
    if (!page.valid || page.page != proto::kLastListPage)
        return table;
    table.status =
        content.size() >= NodeTable::kContentSize ? NodeTable::Status::Ok : NodeTable::Status::Truncated;
    const ByteReader in(content);
    for (std::size_t day = 0; day < static_cast<std::size_t>(NodeTable::kDays); ++day)
        table.dayNodes[day] = in.u32le(1 + 4 * day);
    return table;
}

RecordDataPage decodeRecordDataPage(const QByteArray &content)
{
    RecordDataPage page;
    page.page = decodeReplyPage(content);
    if (page.page.valid)
        page.data = content.mid(1);
    return page;
}

DeviceInfo decodeDeviceInfoReply(const QByteArray &content)
{
    // Zero-fill first: the record reader would read a partly present field as 0 as a whole.
    QByteArray record = content.left(static_cast<int>(kDeviceInfoSize));
    record.append(QByteArray(static_cast<int>(kDeviceInfoSize) - record.size(), '\0'));
    return DeviceInfo::fromBytes(record);
}

} // namespace lmv
