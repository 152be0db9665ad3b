#include "data/ProjectIndex.h"

#include "data/DataFile.h"

#include "data/Records.h"
#include "data/Statistics.h"
#include "data/Tables.h"

#include <QFile>
#include <QTextCodec>

namespace {

const QString kIdMarker = QStringLiteral("$id$");
const QString kPrjMarker = QStringLiteral("$prj$");
const QString kPosMarker = QStringLiteral("$pos$");
const QString kRecordMarker = QStringLiteral("$record$");
const QString kDeviceNumberPrefix = QStringLiteral("设备号:");

constexpr int kDescriptorFields = 10;
// File layout offsets, taken from the record definitions rather than restated here.
constexpr qint64 kDeviceInfoOffset = qint64(lmv::kDeviceInfoOffset);
constexpr int kDeviceInfoSize = int(lmv::kDeviceInfoSize);
constexpr int kPointRecordSize = int(lmv::kPipeRecordSize);
constexpr int kNameFieldSize = int(lmv::kNameFieldSize);
constexpr int kProjectNameOffset = 0;
constexpr int kPointNameOffset = kNameFieldSize;
constexpr int kPipeOffset = 68;
constexpr int kTypeCodeInDeviceInfo = int(lmv::kTypeCodeOffset - lmv::kDeviceInfoOffset);
constexpr int kModelCodeInDeviceInfo = 9;

QTextCodec *gb2312()
{
    static QTextCodec *codec = QTextCodec::codecForName("GB2312");
    return codec;
}

QString decodeGb2312(const QByteArray &bytes)
{
    QTextCodec *codec = gb2312();
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

// Byte at offset, zero when the buffer is shorter.
std::uint8_t u8At(const QByteArray &b, int off)
{
    return off >= 0 && off < b.size() ? static_cast<std::uint8_t>(b[off]) : 0;
}

std::uint32_t u32le(const QByteArray &b, int off)
{
    return std::uint32_t(u8At(b, off)) | std::uint32_t(u8At(b, off + 1)) << 8 |
           std::uint32_t(u8At(b, off + 2)) << 16 | std::uint32_t(u8At(b, off + 3)) << 24;
}

// A NUL-terminated name inside a fixed-size field; stops at the field's end without a NUL.
QString nameField(const QByteArray &b, int off)
{
    QByteArray raw;
    for (int i = 0; i < kNameFieldSize; ++i) {
        const std::uint8_t c = u8At(b, off + i);
        if (c == 0)
            break;
        raw.append(char(c));
    }
    return decodeGb2312(raw);
}

QString dirOf(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The model name of an RVB logger by its code written in decimal ("4", not "04"); "RVA" when
// no model has that code.
QString modelNameForCodeText(const QString &codeText)
{
    bool ok = false;
    const uint code = codeText.toUInt(&ok);
    if (!ok || QString::number(code) != codeText || code > 0xFF)
        return QStringLiteral("RVA");
    return lmv::modelName(int(code));
}

// The descriptor fields of a data file on disk; empty when it cannot be opened or its first read
// returns no bytes.
QStringList readDescriptorFields(const QString &path)
{
    QFile f(path);
    if (lmv::checkReadable(path) != lmv::ReadOk || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray first = f.read(kPointRecordSize);
    if (first.isEmpty())
        return {};
    QByteArray info;
    if (f.seek(kDeviceInfoOffset))
        info = f.read(kDeviceInfoSize);
    return descriptorFields(first, info);
}

} // namespace

OpenKind openKindFor(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".lmvprj")))
        return OpenKind::ProjectIndex;
    if (fileName.endsWith(QLatin1String(".lmvpos")))
        return OpenKind::PointIndex;
    if (fileName.endsWith(QLatin1String(".lmv")))
        return OpenKind::DataFile;
    return OpenKind::None;
}

QStringList splitIndexLines(const QByteArray &bytes)
{
    QStringList lines;
    QByteArray line;
    QByteArray tail;       // last bytes of an overlong line, to find its CR LF
    bool overlong = false; // the current line cannot fit the buffer: drop it up to its CR LF
    for (const char c : bytes) {
        if (c == 0) {
            line.clear();
            overlong = false;
            continue;
        }
        if (overlong) {
            tail = (tail + c).right(2);
            if (tail == "\r\n")
                overlong = false;
            continue;
        }
        line.append(c);
        if (line.endsWith("\r\n")) {
            lines.append(decodeGb2312(line.left(line.size() - 2)));
            line.clear();
        } else if (line.size() >= kMaxIndexLineBytes) {
            overlong = true;
            tail = line.right(1);
            line.clear();
        }
    }
    return lines;
}

QString pointRemarkFromFields(const QStringList &fields)
{
    const QString type = fields.value(7);
    const QString number = fields.value(9);
    if (type == QLatin1String("5"))
        return QStringLiteral("RVA:") + number;
    if (type == QLatin1String("1"))
        return modelNameForCodeText(fields.value(8)) + QLatin1Char(':') + number;
    return kDeviceNumberPrefix + number;
}

ProjectIndexReader::ProjectIndexReader(OpenKind kind, const QString &path)
    : m_kind(kind), m_path(path), m_dir(dirOf(path))
{}

void ProjectIndexReader::processIndexLine(const QString &line)
{
    if (line.startsWith(kPrjMarker)) {
        addProjectItem(line.mid(kPrjMarker.size()).split(QLatin1Char('/')));
    } else if (line.startsWith(kPosMarker)) {
        const QStringList fields = line.mid(kPosMarker.size()).split(QLatin1Char('/'));
        if (m_kind == OpenKind::PointIndex)
            addProjectItem(fields);
        addPointItem(fields);
    } else if (line.startsWith(kRecordMarker)) {
        addFileItem(line.mid(kRecordMarker.size()).split(QLatin1Char('/')));
    } else if (line.startsWith(kIdMarker)) {
        m_remark = kDeviceNumberPrefix + line.mid(kIdMarker.size());
    }
}

void ProjectIndexReader::addDataFile(const QString &descriptor)
{
    addDataFile(descriptor.split(QLatin1Char('/')));
}

void ProjectIndexReader::addDataFile(const QStringList &fields)
{
    addProjectItem(fields);
    addPointItem(fields);
    addFileItem(fields);
}

void ProjectIndexReader::addProjectItem(const QStringList &fields)
{
    IndexEntry project;
    project.columns << fields.value(0);
    if (m_kind == OpenKind::ProjectIndex)
        project.columns << m_dir;
    m_projects.append(project);
    m_current = m_projects.size() - 1;
}

void ProjectIndexReader::addPointItem(const QStringList &fields)
{
    if (m_current < 0)
        return;
    IndexEntry point;
    const QString name = fields.value(1);
    if (fields.size() < kDescriptorFields) {
        if (m_kind == OpenKind::DataFile)
            return; // a data file's descriptor always has ten fields
        point.columns << name << (m_kind == OpenKind::ProjectIndex ? name + QLatin1Char('/') : m_dir);
        while (point.columns.size() < kPrjTreeColumns - 1)
            point.columns << QString();
        point.columns << m_remark;
    } else {
        if (m_kind == OpenKind::ProjectIndex)
            point.columns << name << name + QLatin1Char('/');
        else if (m_kind == OpenKind::PointIndex)
            point.columns << name << m_dir;
        else
            point.columns << name << QString();
        for (int i = 2; i <= 8; ++i)
            point.columns << fields.value(i);
        point.columns << pointRemarkFromFields(fields);
    }
    m_projects[m_current].children.append(point);
}

void ProjectIndexReader::addFileItem(const QStringList &fields)
{
    if (m_current < 0)
        return;
    IndexEntry file;
    if (m_kind == OpenKind::DataFile)
        file.columns << fileNameOf(m_path) << m_path;
    else {
        const QString name = fields.value(2);
        if (name.isEmpty())
            return; // a record line without a file name names nothing that could be opened
        file.columns << name << name;
    }
    const QString pointName = fields.value(1);
    for (IndexEntry &point : m_projects[m_current].children) {
        if (m_fileEntries >= kMaxIndexFileEntries)
            return;
        if (point.column(0) == pointName) {
            point.children.append(file);
            ++m_fileEntries;
        }
    }
}

QList<IndexEntry> readIndexFile(const QString &path, OpenKind kind, QString *remark)
{
    ProjectIndexReader reader(kind, path);
    QFile f(path);
    if (lmv::checkReadable(path) == lmv::ReadOk && f.open(QIODevice::ReadOnly)) {
        const QStringList lines = splitIndexLines(f.readAll());
        for (const QString &line : lines)
            reader.processIndexLine(line);
    }
    if (remark)
        *remark = reader.currentDeviceRemark();
    return reader.projects();
}

QList<IndexEntry> dataFileEntries(const QString &path)
{
    const QStringList fields = readDescriptorFields(path);
    if (fields.isEmpty())
        return {};
    ProjectIndexReader reader(OpenKind::DataFile, path);
    reader.addDataFile(fields);
    return reader.projects();
}

LocalOpening openLocalFile(const QString &path)
{
    LocalOpening opening;
    if (path.isEmpty())
        return opening;
    opening.result = lmv::checkReadable(path);
    QFile file(path);
    if (opening.result == lmv::ReadOk && !file.open(QIODevice::ReadOnly))
        opening.result = lmv::ReadCannotOpen;
    if (opening.result != lmv::ReadOk)
        return opening;
    file.close();
    opening.opened = true;
    const OpenKind kind = openKindFor(path);
    if (kind == OpenKind::ProjectIndex || kind == OpenKind::PointIndex)
        opening.projects = readIndexFile(path, kind, &opening.remark);
    else if (kind == OpenKind::DataFile)
        opening.projects = dataFileEntries(path);
    return opening;
}

QString descriptorString(const QByteArray &first88, const QByteArray &deviceInfo16)
{
    return descriptorFields(first88, deviceInfo16).join(QLatin1Char('/'));
}

QStringList descriptorFields(const QByteArray &first88, const QByteArray &deviceInfo16)
{
    QStringList fields;
    fields << nameField(first88, kProjectNameOffset) << nameField(first88, kPointNameOffset);
    fields << QString::number(qint32(u32le(first88, kPipeOffset)));
    for (int off = kPipeOffset + 4; off < kPointRecordSize; off += 4)
        fields << QString::number(u32le(first88, off));
    fields << QString::number(u8At(deviceInfo16, kTypeCodeInDeviceInfo));
    fields << QString::number(u8At(deviceInfo16, kModelCodeInDeviceInfo));
    fields << QString::number(u32le(deviceInfo16, 0));
    return fields;
}

QString readDataFileDescriptor(const QString &path)
{
    return readDescriptorFields(path).join(QLatin1Char('/'));
}

std::uint8_t readFileTypeCode(const QString &path)
{
    QFile f(path);
    if (lmv::checkReadable(path) != lmv::ReadOk || !f.open(QIODevice::ReadOnly) || !f.seek(kDeviceInfoOffset))
        return 0;
    return u8At(f.read(kDeviceInfoSize), kTypeCodeInDeviceInfo);
}

std::array<std::uint32_t, 5> readPipeFields(const QString &path)
{
    std::array<std::uint32_t, 5> pipe{};
    QFile f(path);
    if (lmv::checkReadable(path) != lmv::ReadOk || !f.open(QIODevice::ReadOnly))
        return pipe;
    const QByteArray head = f.read(kPointRecordSize);
    // Bytes missing from a short header count as zero.
    for (int i = 0; i < 5; ++i)
        pipe[i] = u32le(head, kPipeOffset + 4 * i);
    return pipe;
}

std::array<std::uint32_t, 5> pipeFieldsFromColumns(const QStringList &columns)
{
    std::array<std::uint32_t, 5> pipe{};
    for (int i = 0; i < 5; ++i)
        pipe[i] = columns.value(2 + i).toUInt();
    return pipe;
}

QString pipeDescriptionOf(const std::array<std::uint32_t, 5> &pipe)
{
    lmv::PipeSaveIntoTfType point;
    point.pipeShape = pipe[0];
    point.heightOrDiameter = pipe[1];
    point.widthOrLowerBase = pipe[2];
    point.upperBase = pipe[3];
    point.sediment = pipe[4];
    return lmv::pipeDescription(point);
}

PointSummary pointSummaryRva(const QString &projectName, const QStringList &pointColumns,
                             const QString &firstFilePath)
{
    PointSummary s;
    s.deviceNumber = pointColumns.value(9);
    if (s.deviceNumber.startsWith(kDeviceNumberPrefix))
        s.deviceNumber.remove(0, kDeviceNumberPrefix.size());
    s.place = projectName + QLatin1Char('/') + pointColumns.value(0);
    std::array<std::uint32_t, 5> pipe{};
    if (!pointColumns.value(2).isEmpty())
        pipe = pipeFieldsFromColumns(pointColumns);
    else if (!firstFilePath.isEmpty())
        pipe = readPipeFields(firstFilePath);
    s.pipe = pipeDescriptionOf(pipe);
    s.content = QStringLiteral("(压力)液位、(超声)流速");
    return s;
}

PointSummary pointSummaryRvb(const QString &projectName, const QStringList &pointColumns)
{
    PointSummary s;
    s.deviceNumber = pointColumns.value(9);
    s.place = projectName + QLatin1Char('/') + pointColumns.value(0);
    std::array<std::uint32_t, 5> pipe{};
    if (!pointColumns.value(2).isEmpty())
        pipe = pipeFieldsFromColumns(pointColumns);
    s.pipe = pipeDescriptionOf(pipe);
    s.content = lmv::modelContent(pointColumns.value(8));
    return s;
}
