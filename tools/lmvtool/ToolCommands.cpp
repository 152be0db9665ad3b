#include "tools/lmvtool/ToolCommands.h"

#include "data/DataFile.h"
#include "data/Export.h"
#include "data/Hydraulics.h"
#include "data/PipeLimits.h"
#include "data/Statistics.h"
#include "data/Tables.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace lmvtool {

using namespace lmv;

void printError(const QString &subject, const QString &message)
{
    const QByteArray line = QStringLiteral("lmvtool: %1: %2\n").arg(subject, message).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
}

bool parseOptions(const QStringList &args, const QStringList &withValue, const QStringList &flagNames,
                  Options &out)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            out.positional.append(arg);
            continue;
        }
        const QString name = arg.mid(2);
        if (flagNames.contains(name)) {
            out.flags.insert(name);
        } else if (withValue.contains(name)) {
            if (i + 1 >= args.size() || out.values.contains(name)) {
                printError(arg, QStringLiteral("needs exactly one value"));
                return false;
            }
            out.values.insert(name, args[++i]);
        } else {
            printError(arg, QStringLiteral("unknown option"));
            return false;
        }
    }
    return true;
}

QString readErrorText(const QString &path, int result, qint64 fileSize)
{
    const QFileInfo info(path);
    switch (result) {
    case ReadCannotOpen:
        return info.exists() || info.isSymLink() ? QStringLiteral("cannot be opened")
                                                 : QStringLiteral("no such file");
    case ReadNotAFile:
        return info.isDir() ? QStringLiteral("is a folder, not a file")
                            : QStringLiteral("not a regular file (a FIFO, device or socket); nothing read");
    case ReadTooLarge:
        return QStringLiteral("larger than the %1 bytes any file may have here (%2 bytes); not read")
            .arg(kMaxReadBytes)
            .arg(info.size());
    case ReadEmpty:
        return QStringLiteral("empty file");
    case ReadShortHeader:
        return QStringLiteral("truncated header (%1 of %2 bytes)").arg(fileSize).arg(kHeaderSize);
    default:
        return QStringLiteral("cannot be read (error %1)").arg(result);
    }
}

bool checkInputFile(const QString &path)
{
    const int result = checkReadable(path);
    if (result == ReadOk)
        return true;
    printError(path, readErrorText(path, result));
    return false;
}

namespace {

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

bool takeUnsigned(const Options &o, const QString &name, quint32 &value)
{
    if (!o.values.contains(name)) {
        printError(QStringLiteral("--") + name, QStringLiteral("missing"));
        return false;
    }
    bool ok = false;
    const qulonglong v = o.values.value(name).toULongLong(&ok);
    if (!ok || v > 0xffffffffull) {
        printError(QStringLiteral("--") + name,
                   QStringLiteral("not a whole number of millimetres: %1").arg(o.values.value(name)));
        return false;
    }
    value = static_cast<quint32>(v);
    return true;
}

bool takeFloat(const Options &o, const QString &name, float &value)
{
    bool ok = false;
    value = o.values.value(name).toFloat(&ok);
    if (!o.values.contains(name) || !ok || !std::isfinite(value)) {
        printError(QStringLiteral("--") + name, QStringLiteral("needs a number"));
        return false;
    }
    return true;
}

const QStringList kPipeOptions = {QStringLiteral("shape"), QStringLiteral("h"), QStringLiteral("w"),
                                  QStringLiteral("t"), QStringLiteral("y")};

// Reads the five pipe options into a point record (names empty).
bool takePipe(const Options &o, PipeSaveIntoTfType &point)
{
    bool ok = false;
    const qulonglong shape = o.values.value(QStringLiteral("shape")).toULongLong(&ok);
    if (!o.values.contains(QStringLiteral("shape")) || !ok || shape > PipeTriangle) {
        printError(QStringLiteral("--shape"),
                   QStringLiteral("must be 0 (circle), 1 (rectangle), 2 (trapezoid) "
                                  "or 3 (triangle): %1")
                       .arg(o.values.value(QStringLiteral("shape"))));
        return false;
    }
    if (!takeUnsigned(o, QStringLiteral("shape"), point.pipeShape) ||
        !takeUnsigned(o, QStringLiteral("h"), point.heightOrDiameter) ||
        !takeUnsigned(o, QStringLiteral("w"), point.widthOrLowerBase) ||
        !takeUnsigned(o, QStringLiteral("t"), point.upperBase) ||
        !takeUnsigned(o, QStringLiteral("y"), point.sediment))
        return false;
    // Every command that needs the pipe refuses one that cannot be, with the same words.
    if (const QString problem = pipeProblem(point); !problem.isEmpty()) {
        printError(QStringLiteral("pipe"), problem);
        return false;
    }
    return true;
}

// Shortest text that reads back as the same single-precision value; null for NaN and infinities.
std::string jsonFloat(float value)
{
    if (!std::isfinite(value))
        return "null";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString familyName(Family family)
{
    switch (family) {
    case Family::Rva:
        return QStringLiteral("RVA");
    case Family::Rvb:
        return QStringLiteral("RVB");
    case Family::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

// Reads a header for info/repipe/export. Files shorter than the header and files whose type
// code names no device type are refused with an error line.
bool loadHeader(const QString &path, DataFileHeader &header, bool needServedFamily)
{
    if (!checkInputFile(path))
        return false;
    const int result = readHeader(path, header);
    if (result != ReadOk) {
        printError(path, readErrorText(path, result, header.fileSize));
        return false;
    }
    const bool named = header.typeCode >= 1 && header.typeCode <= 5;
    if (!named || (needServedFamily && header.family == Family::Unknown)) {
        printError(path, QStringLiteral("not a data file (type code %1 at offset 500)").arg(header.typeCode));
        return false;
    }
    return true;
}

QString infoJson(const DataFileHeader &h)
{
    const PipeSaveIntoTfType &p = h.point;
    const CalcParams &c = h.calc;
    const SummaryBlock &s = h.summary;
    auto f = [](float v) { return QString::fromStdString(jsonFloat(v)); };
    QStringList parts;
    parts << QStringLiteral("\"family\":") + jsonString(familyName(h.family))
          << QStringLiteral("\"typeCode\":%1").arg(h.typeCode)
          << QStringLiteral("\"deviceNumber\":%1").arg(h.device.deviceNumber)
          << QStringLiteral("\"projectName\":") + jsonString(p.projectNameText())
          << QStringLiteral("\"pointName\":") + jsonString(p.pointNameText())
          << QStringLiteral("\"pipe\":{\"shape\":%1,\"heightOrDiameter\":%2,\"widthOrLowerBase\":%3,"
                            "\"upperBase\":%4,\"sediment\":%5}")
                 .arg(p.pipeShape)
                 .arg(p.heightOrDiameter)
                 .arg(p.widthOrLowerBase)
                 .arg(p.upperBase)
                 .arg(p.sediment)
          << QStringLiteral("\"calc\":{\"velocityCorrection\":%1,\"flowCorrection\":%2,\"recordInterval\":%3,"
                            "\"levelOffset\":%4,\"velocitySmoothing\":%5,\"probeVersion\":%6}")
                 .arg(f(c.velocityCorrection), f(c.flowCorrection))
                 .arg(c.recordInterval)
                 .arg(c.levelOffset)
                 .arg(c.velocitySmoothing)
                 .arg(c.probeVersion);
    const QStringList summaryKeys = {"levelMax",    "levelMin",       "levelAvg",       "velocityMax",
                                     "velocityMin", "velocityAvg",    "flowMax",        "flowMin",
                                     "flowAvg",     "temperatureMax", "temperatureMin", "temperatureAvg"};
    const float summaryValues[12] = {s.levelMax,    s.levelMin,       s.levelAvg,       s.velocityMax,
                                     s.velocityMin, s.velocityAvg,    s.flowMax,        s.flowMin,
                                     s.flowAvg,     s.temperatureMax, s.temperatureMin, s.temperatureAvg};
    QStringList summary;
    summary << QStringLiteral("\"durationSeconds\":%1").arg(s.durationSeconds)
            << QStringLiteral("\"sampleCount\":%1").arg(s.sampleCount);
    for (int i = 0; i < 12; ++i)
        summary << QStringLiteral("\"%1\":%2").arg(summaryKeys[i], f(summaryValues[i]));
    parts << QStringLiteral("\"summary\":{") + summary.join(QLatin1Char(',')) + QLatin1Char('}')
          << QStringLiteral("\"records\":%1").arg(h.recordCount)
          << QStringLiteral("\"trailingBytes\":%1").arg(h.trailingBytes);
    return QLatin1Char('{') + parts.join(QLatin1Char(',')) + QStringLiteral("}\n");
}

QString infoText(const QString &path, const DataFileHeader &h)
{
    const PipeSaveIntoTfType &p = h.point;
    const CalcParams &c = h.calc;
    const SummaryBlock &s = h.summary;
    auto f3 = [](float v) { return QString::fromStdString(formatFixed(v, 3)); };
    auto f2 = [](float v) { return QString::fromStdString(formatFixed(v, 2)); };
    QString out;
    out += QStringLiteral("文件: %1\n").arg(path);
    out += QStringLiteral("设备类型: %1 (类型码 %2, %3)\n")
               .arg(deviceTypeName(h.typeCode))
               .arg(h.typeCode)
               .arg(familyName(h.family));
    out += QStringLiteral("设备编号: %1\n").arg(h.device.deviceNumber);
    if (h.family == Family::Rvb)
        out += QStringLiteral("型号: %1 (型号码 %2) %3\n")
                   .arg(modelName(h.device.modelCode()))
                   .arg(h.device.modelCode())
                   .arg(modelContent(QString::number(h.device.modelCode())));
    out += QStringLiteral("项目名称: %1\n").arg(p.projectNameText());
    out += QStringLiteral("监测地点: %1\n").arg(p.pointNameText());
    out += QStringLiteral("管道类型: %1 (形状码 %2)\n").arg(pipeDescription(p)).arg(p.pipeShape);
    if (h.family != Family::Rvb) {
        out += QStringLiteral("流速修正: %1\n流量修正: %2\n")
                   .arg(f2(c.velocityCorrection), f2(c.flowCorrection));
        out += QStringLiteral("记录间隔: %1s\n液位偏移量: %2mm\n流速平滑度: %3\n探头版本: %4\n")
                   .arg(c.recordInterval)
                   .arg(c.levelOffset)
                   .arg(c.velocitySmoothing)
                   .arg(probeVersionName(c.probeVersion));
        out += QStringLiteral("监测时长: %1s\n采样次数: %2次\n").arg(s.durationSeconds).arg(s.sampleCount);
        out += QStringLiteral("液位(m): 最高 %1 最低 %2 平均 %3\n")
                   .arg(f3(s.levelMax), f3(s.levelMin), f3(s.levelAvg));
        out += QStringLiteral("流速(m/s): 最大 %1 最小 %2 平均 %3 (未修正)\n")
                   .arg(f3(s.velocityMax), f3(s.velocityMin), f3(s.velocityAvg));
        out += QStringLiteral("流量(L/s): 最大 %1 最小 %2 平均 %3 (未修正)\n")
                   .arg(f3(s.flowMax), f3(s.flowMin), f3(s.flowAvg));
        out += QStringLiteral("温度(℃): 最高 %1 最低 %2 平均 %3\n")
                   .arg(f2(s.temperatureMax), f2(s.temperatureMin), f2(s.temperatureAvg));
    }
    out += QStringLiteral("记录: %1 条").arg(h.recordCount);
    if (h.trailingBytes)
        out += QStringLiteral(", 末尾 %1 字节不足一条记录").arg(h.trailingBytes);
    return out + QLatin1Char('\n');
}

} // namespace

// ---------------------------------------------------------------------------------------------

int runInfo(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, {}, {QStringLiteral("json")}, o))
        return kExitUsage;
    if (o.positional.size() != 1) {
        printError(QStringLiteral("info"), QStringLiteral("needs exactly one FILE"));
        return kExitUsage;
    }
    const QString path = o.positional.first();
    DataFileHeader header;
    if (!loadHeader(path, header, false))
        return kExitFileError;
    printOut(o.flags.contains(QStringLiteral("json")) ? infoJson(header) : infoText(path, header));
    return kExitOk;
}

int runFlow(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, kPipeOptions + QStringList{QStringLiteral("level"), QStringLiteral("velocity")},
                      {}, o))
        return kExitUsage;
    PipeSaveIntoTfType point;
    float level = 0, velocity = 0;
    if (!o.positional.isEmpty()) {
        printError(o.positional.first(), QStringLiteral("unexpected argument"));
        return kExitUsage;
    }
    if (!takePipe(o, point) || !takeFloat(o, QStringLiteral("level"), level) ||
        !takeFloat(o, QStringLiteral("velocity"), velocity))
        return kExitUsage;
    const float flow = recordFlow(pipeGeometryFrom(point), level, velocity);
    std::printf("%.6g\n", static_cast<double>(flow));
    return kExitOk;
}

int runRepipe(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, kPipeOptions, {}, o))
        return kExitUsage;
    PipeSaveIntoTfType point;
    if (!takePipe(o, point))
        return kExitUsage;
    if (o.positional.isEmpty()) {
        printError(QStringLiteral("repipe"), QStringLiteral("needs at least one FILE"));
        return kExitUsage;
    }
    // Every file is checked before the first one is changed.
    QVector<DataFileHeader> headers;
    for (const QString &path : std::as_const(o.positional)) {
        DataFileHeader header;
        if (!loadHeader(path, header, true))
            return kExitFileError;
        if (header.family != Family::Rva) {
            printError(path, QStringLiteral("not an RVA file (type code %1); only RVA files carry a pipe")
                                 .arg(header.typeCode));
            return kExitFileError;
        }
        headers.append(header);
    }
    int exitCode = kExitOk;
    for (int i = 0; i < o.positional.size(); ++i) {
        const QString &path = o.positional[i];
        const int result = updatePipe(path, point);
        if (result != UpdateOk) {
            printError(path, QStringLiteral("not written (error %1), file unchanged").arg(result));
            exitCode = kExitFileError;
            continue;
        }
        printOut(QStringLiteral("%1: pipe set to %2, %3 flows recomputed\n")
                     .arg(path, pipeDescription(point))
                     .arg(headers[i].recordCount));
    }
    return exitCode;
}

namespace {

bool formatFromSuffix(const QString &suffix, ExportFormat &format)
{
    const QString s = suffix.toLower();
    if (s == QLatin1String("txt"))
        format = ExportFormat::Text;
    else if (s == QLatin1String("csv"))
        format = ExportFormat::Csv;
    else
        return false;
    return true;
}

// Target name of a source in the batch form: the source's name with ".lmv" replaced.
QString batchTarget(const QString &dir, const QString &source, ExportFormat format)
{
    QString name = QFileInfo(source).fileName();
    if (name.endsWith(QLatin1String(".lmv"), Qt::CaseInsensitive))
        name.chop(4);
    return QDir(dir).filePath(name + QLatin1Char('.') + exportSuffix(format));
}

} // namespace

int runExport(const QStringList &args)
{
    Options o;
    if (!parseOptions(args, {QStringLiteral("to"), QStringLiteral("format")}, {}, o))
        return kExitUsage;

    QStringList sources;
    QStringList targets;
    ExportFormat format = ExportFormat::Text;
    const bool batch = o.values.contains(QStringLiteral("to")) || o.values.contains(QStringLiteral("format"));
    if (batch) {
        if (!o.values.contains(QStringLiteral("to")) || !o.values.contains(QStringLiteral("format")) ||
            o.positional.isEmpty()) {
            printError(QStringLiteral("export"), QStringLiteral("needs SRC... --to DIR --format txt|csv"));
            return kExitUsage;
        }
        if (!formatFromSuffix(o.values.value(QStringLiteral("format")), format)) {
            printError(QStringLiteral("--format"), QStringLiteral("must be txt or csv"));
            return kExitUsage;
        }
        const QString dir = o.values.value(QStringLiteral("to"));
        if (!QFileInfo(dir).isDir()) {
            printError(dir, QStringLiteral("no such directory"));
            return kExitFileError;
        }
        sources = o.positional;
        for (const QString &source : std::as_const(sources)) {
            const QString target = batchTarget(dir, source, format);
            if (targets.contains(target)) {
                printError(source, QStringLiteral("another source also exports to %1").arg(target));
                return kExitUsage;
            }
            targets.append(target);
        }
    } else {
        if (o.positional.size() != 2) {
            printError(QStringLiteral("export"), QStringLiteral("needs SRC DST"));
            return kExitUsage;
        }
        sources = QStringList{o.positional[0]};
        targets = QStringList{o.positional[1]};
        if (!formatFromSuffix(QFileInfo(targets[0]).suffix(), format)) {
            printError(targets[0], QStringLiteral("target must end in .txt or .csv"));
            return kExitUsage;
        }
    }

    // Every source is checked before anything is written.
    for (const QString &source : std::as_const(sources)) {
        DataFileHeader header;
        if (!loadHeader(source, header, true))
            return kExitFileError;
    }
    int exitCode = kExitOk;
    for (int i = 0; i < sources.size(); ++i) {
        const int result = exportFile(sources[i], targets[i], format);
        if (result != ExportOk) {
            printError(result == ExportWriteFailed ? targets[i] : sources[i],
                       QStringLiteral("not exported: %1").arg(exportResultText(result)));
            exitCode = kExitFileError;
        }
    }
    return exitCode;
}

} // namespace lmvtool
