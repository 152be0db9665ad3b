#include "data/DataFile.h"

#include "data/Hydraulics.h"
#include "data/SafeName.h"
#include "data/Statistics.h"
#include "data/Tables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lmv {

namespace {

constexpr std::size_t kRvaFlowOffset = 24;

bool writeAll(QFileDevice &file, const QByteArray &bytes)
{
    return file.write(bytes) == bytes.size();
}

// Reads the whole file. Result as checkReadable.
int readWholeFile(const QString &path, QByteArray &bytes)
{
    if (const int usable = checkReadable(path); usable != ReadOk)
        return usable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadCannotOpen;
    bytes = file.readAll();
    return ReadOk;
}

// Writes a whole file image atomically, so that a failed write leaves the old file as it was.
bool replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!writeAll(file, bytes)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// Recomputes the flow of every whole RVA record of a file image with the pipe and returns the
// statistics of the new flows.
RunningStats recomputeFlows(QByteArray &file, const PipeGeometry &pipe)
{
    RunningStats flows;
    const std::size_t size = static_cast<std::size_t>(file.size());
    const std::size_t count = size > kHeaderSize ? (size - kHeaderSize) / kRvaRecordSize : 0;
    ByteWriter out(file);
    const ByteReader in(file.constData(), size);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kHeaderSize + i * kRvaRecordSize;
        const float flow = recordFlow(pipe, in.f32le(at + 16), in.f32le(at + 20));
        out.f32le(at + kRvaFlowOffset, flow);
        flows.add(flow);
    }
    return flows;
}

QByteArray readHeaderBytes(QFile &file)
{
    return file.read(static_cast<qint64>(kHeaderSize));
}

} // namespace

// ---------------------------------------------------------------------------------------------

QString CacheLocation::directory() const
{
    QString root = devRoot;
    if (!root.isEmpty() && !root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root + safeLocalName(project) + QLatin1Char('/') + safeLocalName(point) + QLatin1Char('/');
}

QString CacheLocation::filePath() const
{
    return directory() + safeLocalName(fileName);
}

QString CacheLocation::dayFilePath(int day) const
{
    return directory() + safeLocalName(dayFileName(fileName, day));
}

QString dayFileName(const QString &deviceFileName, int day)
{
    return deviceFileName.left(qMax(0, deviceFileName.size() - 4)) +
           QStringLiteral("%1").arg(day, 2, 10, QLatin1Char('0')) + QStringLiteral("日.lmv");
}

// ---------------------------------------------------------------------------------------------

// Writes the first page anew or appends a later one. A later page needs the file of the
// earlier pages: without it the file would lack pages and must not be completed.
static int storePage(const CacheLocation &where, const QByteArray &bytes, quint8 pageByte)
{
    const QString path = where.filePath();
    QFile file(path);
    if (isFirstPage(pageByte)) {
        if (!QDir().mkpath(where.directory()))
            return CacheFailed;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return CacheFailed;
    } else {
        if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
            return CacheFailed;
    }
    const bool ok = writeAll(file, bytes);
    file.close();
    return ok ? CacheOk : CacheFailed;
}

int writeCachePacket(const CacheLocation &where, const QByteArray &payload, quint8 pageByte,
                     const DeviceInfo &device, QString *cachePath)
{
    QByteArray bytes = payload;
    if (isFirstPage(pageByte)) {
        // The device sends the first 188 header bytes; the rest of the header is ours.
        if (bytes.size() < static_cast<int>(kRvaDeviceHeaderSize))
            bytes.append(QByteArray(static_cast<int>(kRvaDeviceHeaderSize) - bytes.size(), '\0'));
        const QByteArray filler = QByteArray(static_cast<int>(kDeviceAreaSize), '\0') + device.toBytes();
        bytes.insert(static_cast<int>(kRvaDeviceHeaderSize), filler);
    }
    const int result = storePage(where, bytes, pageByte);
    if (result == CacheOk && isLastPage(pageByte) && cachePath)
        *cachePath = where.filePath();
    return result;
}

int writeCachePacketRvb(const CacheLocation &where, const QByteArray &payload, quint8 pageByte, int day,
                        QString *dayFilePath)
{
    const int result = storePage(where, payload, pageByte);
    if (result != CacheOk || !isLastPage(pageByte))
        return result;

    const QString source = where.filePath();
    const QString target = where.dayFilePath(day);
    if (!QFile::exists(source))
        return CacheFailed;
    // A day file of an earlier download stays as it is.
    if (!QFile::exists(target) && !QFile::copy(source, target))
        return CacheFailed;
    if (dayFilePath)
        *dayFilePath = target;
    return CacheOk;
}

// ---------------------------------------------------------------------------------------------

int finishRvaFile(const QString &cachePath, const PipeSaveIntoTfType &point)
{
    if (cachePath.isEmpty())
        return FinishNoItems;
    QFile file(cachePath);
    if (checkReadable(cachePath) != ReadOk || !file.open(QIODevice::ReadWrite))
        return FinishCannotOpen;
    QByteArray bytes = file.readAll();
    if (bytes.size() < static_cast<int>(kHeaderSize))
        return FinishShortHeader;

    ByteWriter out(bytes);
    point.encode(out, 0);
    const RunningStats flows = recomputeFlows(bytes, pipeGeometryFrom(point));

    // Statistics over all whole records; the first record initialises them.
    RunningStats level, velocity, temperature;
    const ByteReader in(bytes);
    const std::size_t count = (in.size() - kHeaderSize) / kRvaRecordSize;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kHeaderSize + i * kRvaRecordSize;
        level.add(in.f32le(at + 16));
        velocity.add(in.f32le(at + 20));
        temperature.add(in.f32le(at + 28));
    }
    SummaryBlock summary = SummaryBlock::decode(in, kSummaryOffset);
    setRvaSummary(summary, static_cast<quint32>(count), level, velocity, flows, temperature);
    summary.encode(out, kSummaryOffset);

    if (!file.seek(0) || !writeAll(file, bytes))
        return FinishCannotWrite;
    return file.flush() ? CacheOk : FinishCannotWrite;
}

int updatePipe(const QString &path, const PipeSaveIntoTfType &point)
{
    QByteArray bytes;
    if (readWholeFile(path, bytes) != ReadOk)
        return UpdateCannotOpen;
    if (bytes.size() < static_cast<int>(kHeaderSize))
        return UpdateShortHeader;
    ByteReader in(bytes);
    if (in.u8(kTypeCodeOffset) != kTypeCodeRva)
        return UpdateNotRva;

    // Keep the names and reserved bytes; replace the five pipe values.
    PipeSaveIntoTfType stored = PipeSaveIntoTfType::decode(in, 0);
    stored.pipeShape = point.pipeShape;
    stored.heightOrDiameter = point.heightOrDiameter;
    stored.widthOrLowerBase = point.widthOrLowerBase;
    stored.upperBase = point.upperBase;
    stored.sediment = point.sediment;
    ByteWriter out(bytes);
    stored.encode(out, 0);

    const RunningStats flows = recomputeFlows(bytes, pipeGeometryFrom(stored));
    SummaryBlock summary = SummaryBlock::decode(ByteReader(bytes), kSummaryOffset);
    setFlowSummary(summary, flows);
    summary.encode(out, kSummaryOffset);

    return replaceFile(path, bytes) ? UpdateOk : UpdateCannotWrite;
}

int updateCorrections(const QString &path, float velocityCorrection, float flowCorrection)
{
    QFile file(path);
    if (checkReadable(path) != ReadOk || !file.open(QIODevice::ReadWrite))
        return UpdateCannotOpen;
    const QByteArray header = readHeaderBytes(file);
    if (header.size() < static_cast<int>(kHeaderSize))
        return UpdateShortHeader;
    CalcParams calc = CalcParams::decode(ByteReader(header), kCalcParamsOffset);
    calc.velocityCorrection = velocityCorrection;
    calc.flowCorrection = flowCorrection;
    if (!file.seek(static_cast<qint64>(kCalcParamsOffset)) || !writeAll(file, calc.toBytes()))
        return UpdateCannotWrite;
    return file.flush() ? UpdateOk : UpdateCannotWrite;
}

// ---------------------------------------------------------------------------------------------

DataFileHeader decodeHeader(const QByteArray &bytes, qint64 fileSize)
{
    const ByteReader in(bytes.constData(),
                        qMin<std::size_t>(static_cast<std::size_t>(bytes.size()), kHeaderSize));
    DataFileHeader h;
    h.point = PipeSaveIntoTfType::decode(in, 0);
    h.calc = CalcParams::decode(in, kCalcParamsOffset);
    h.summary = SummaryBlock::decode(in, kSummaryOffset);
    h.deviceArea = QByteArray(static_cast<int>(kDeviceAreaSize), '\0');
    in.copy(kDeviceAreaOffset, h.deviceArea.data(), kDeviceAreaSize);
    h.device = DeviceInfo::decode(in, kDeviceInfoOffset);
    h.typeCode = h.device.typeCode;
    h.family = familyOfTypeCode(h.typeCode);
    h.fileSize = fileSize;
    const qint64 body = qMax<qint64>(0, fileSize - static_cast<qint64>(kHeaderSize));
    const auto size = static_cast<qint64>(recordSize(h.family));
    if (fileSize < static_cast<qint64>(kHeaderSize)) {
        h.recordCount = 0;
        h.trailingBytes = 0;
    } else if (size == 0) {
        h.recordCount = 0;
        h.trailingBytes = body;
    } else {
        h.recordCount = body / size;
        h.trailingBytes = body % size;
    }
    return h;
}

static int headerResult(qint64 fileSize)
{
    if (fileSize == 0)
        return ReadEmpty;
    return fileSize < static_cast<qint64>(kHeaderSize) ? ReadShortHeader : ReadOk;
}

int checkReadable(const QString &path, qint64 *size)
{
    const QFileInfo info(path);
    if (!info.exists())
        return ReadCannotOpen;
    if (!info.isFile())
        return ReadNotAFile;
    if (size)
        *size = info.size();
    return info.size() > kMaxReadBytes ? ReadTooLarge : ReadOk;
}

QString readResultText(int result)
{
    switch (result) {
    case ReadOk:
        return QString();
    case ReadCannotOpen:
        return QStringLiteral("文件不存在或无法读取");
    case ReadEmpty:
        return QStringLiteral("文件为空");
    case ReadShortHeader:
        return QStringLiteral("文件头不完整");
    case ReadUnknownFamily:
        return QStringLiteral("不是数据文件");
    case ReadTooLarge:
        return QStringLiteral("文件大于 %1 MB, 不读取").arg(kMaxReadBytes >> 20);
    case ReadNotAFile:
        return QStringLiteral("不是文件 (文件夹、管道或设备), 不读取");
    default:
        return QStringLiteral("无法读取 (错误 %1)").arg(result);
    }
}

int readHeader(const QString &path, DataFileHeader &header)
{
    if (const int usable = checkReadable(path); usable != ReadOk) {
        header = DataFileHeader();
        return usable;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ReadCannotOpen;
    const qint64 size = file.size();
    header = decodeHeader(readHeaderBytes(file), size);
    return headerResult(size);
}

template <typename Record>
static void decodeAll(const QByteArray &file, std::vector<Record> &records, std::size_t size)
{
    records.clear();
    const ByteReader in(file);
    if (in.size() < kHeaderSize)
        return;
    const std::size_t count = (in.size() - kHeaderSize) / size;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        records.push_back(Record::decode(in, kHeaderSize + i * size));
}

void decodeRecords(const QByteArray &file, std::vector<RvaRecord> &records)
{
    decodeAll(file, records, kRvaRecordSize);
}

void decodeRecords(const QByteArray &file, std::vector<RvbRecord> &records)
{
    decodeAll(file, records, kRvbRecordSize);
}

template <typename Record>
static int readAllRecords(const QString &path, std::vector<Record> &records)
{
    records.clear();
    QByteArray bytes;
    if (const int read = readWholeFile(path, bytes); read != ReadOk)
        return read;
    decodeRecords(bytes, records);
    return headerResult(bytes.size());
}

int readRecords(const QString &path, std::vector<RvaRecord> &records)
{
    return readAllRecords(path, records);
}

int readRecords(const QString &path, std::vector<RvbRecord> &records)
{
    return readAllRecords(path, records);
}

int readDataFile(const QString &path, DataFileContents &contents)
{
    contents.rva.clear();
    contents.rvb.clear();
    QByteArray bytes;
    if (const int read = readWholeFile(path, bytes); read != ReadOk) {
        contents.header = DataFileHeader();
        return read;
    }
    contents.header = decodeHeader(bytes, bytes.size());
    const int result = headerResult(bytes.size());
    if (result != ReadOk)
        return result;
    switch (contents.header.family) {
    case Family::Rva:
        decodeRecords(bytes, contents.rva);
        break;
    case Family::Rvb:
        decodeRecords(bytes, contents.rvb);
        break;
    case Family::Unknown:
        return ReadUnknownFamily;
    }
    return ReadOk;
}

} // namespace lmv
