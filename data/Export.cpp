#include "data/Export.h"

#include "data/Records.h"
#include "data/Statistics.h"
#include "data/Tables.h"

#include <QFile>
#include <QSaveFile>

#include <charconv>

namespace lmv {

namespace {

// Appends formatted fields to one output buffer; numbers go through std::to_chars, whose fixed
// notation with a precision is defined to give exactly what printf gives.
class LineWriter
{
public:
    explicit LineWriter(std::size_t expectedBytes) { out_.reserve(expectedBytes); }

    void text(const char *s) { out_.append(s); }
    void text(const QString &s)
    {
        const QByteArray utf8 = s.toUtf8();
        out_.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }
    void ch(char c) { out_.push_back(c); }
    void endLine() { out_.append("\r\n", 2); }

    void fixed(double value, int decimals)
    {
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
    }
    void f3(float value) { fixed(static_cast<double>(value), 3); }
    void f2(float value) { fixed(static_cast<double>(value), 2); }

    void decimal(quint64 value)
    {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, value);
        out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
    }
    void hex(quint32 value)
    {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, value, 16);
        out_.append("0x", 2);
        out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
    }
    // "%02u": at least two digits.
    void twoDigits(unsigned value)
    {
        if (value < 10)
            out_.push_back('0');
        decimal(value);
    }
    // "[%u-%02u-%02u %02u:%02u:%02u]"
    void time(const RecordTime &t)
    {
        ch('[');
        decimal(t.year);
        ch('-');
        twoDigits(t.month);
        ch('-');
        twoDigits(t.day);
        ch(' ');
        twoDigits(t.hour);
        ch(':');
        twoDigits(t.minute);
        ch(':');
        twoDigits(t.second);
        ch(']');
    }
    // One "key:value" header line.
    void keyLine(const char *key, const QString &value)
    {
        text(key);
        text(value);
        endLine();
    }

    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

bool readSource(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return !bytes.isEmpty();
}

bool writeTarget(const QString &path, const std::string &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::size_t recordsIn(const QByteArray &file, std::size_t size)
{
    const auto bytes = static_cast<std::size_t>(file.size());
    return bytes > kHeaderSize ? (bytes - kHeaderSize) / size : 0;
}

QString numberText(quint64 value)
{
    return QString::number(value);
}

} // namespace

char exportSeparator(ExportFormat format)
{
    return format == ExportFormat::Csv ? ',' : '\t';
}

QString exportSuffix(ExportFormat format)
{
    return format == ExportFormat::Csv ? QStringLiteral("csv") : QStringLiteral("txt");
}

std::string formatFixed(double value, int decimals)
{
    LineWriter w(32);
    w.fixed(value, decimals);
    return w.take();
}

// ---------------------------------------------------------------------------------------------

std::string formatRvaExport(const QByteArray &file, char sep)
{
    const ByteReader in(file);
    const PipeSaveIntoTfType point = PipeSaveIntoTfType::decode(in, 0);
    const CalcParams calc = CalcParams::decode(in, kCalcParamsOffset);
    const SummaryBlock s = SummaryBlock::decode(in, kSummaryOffset);
    const float cv = calc.velocityCorrection;
    const float cq = calc.flowCorrection;
    const std::size_t count = recordsIn(file, kRvaRecordSize);

    LineWriter w(2048 + count * 64);
    w.keyLine("项目名称:", point.projectNameText());
    w.keyLine("监测地点:", point.pointNameText());
    w.keyLine("管道类型:", pipeDescription(point));
    w.text("流速修正:");
    w.f2(cv);
    w.endLine();
    w.text("流量修正:");
    w.f2(cq);
    w.endLine();
    w.keyLine("液位偏移量:", numberText(calc.levelOffset) + QStringLiteral("mm"));
    w.keyLine("流速平滑度:", numberText(calc.velocitySmoothing));
    w.keyLine("探头版本:", probeVersionName(calc.probeVersion));
    w.keyLine("采样次数:", numberText(s.sampleCount) + QStringLiteral("次"));
    w.keyLine("监测时长:", numberText(s.durationSeconds) + QStringLiteral("s"));

    struct StatLine
    {
        const char *key;
        float value;
        bool twoDecimals;
    };
    const StatLine stats[] = {
        {"最高液位:", s.levelMax, false},          {"最低液位:", s.levelMin, false},
        {"平均液位:", s.levelAvg, false},          {"最大流速:", s.velocityMax * cv, false},
        {"最小流速:", s.velocityMin * cv, false},  {"平均流速:", s.velocityAvg * cv, false},
        {"最大流量:", s.flowMax * cv * cq, false}, {"最小流量:", s.flowMin * cv * cq, false},
        {"平均流量:", s.flowAvg * cv * cq, false}, {"最高温度:", s.temperatureMax, true},
        {"最低温度:", s.temperatureMin, true},     {"平均温度:", s.temperatureAvg, true},
    };
    for (const StatLine &line : stats) {
        w.text(line.key);
        if (line.twoDecimals)
            w.f2(line.value);
        else
            w.f3(line.value);
        w.endLine();
    }

    const char *columns[] = {"序号", "液位(m)", "流速(m/s)", "流量(L/s)", "记录时间"};
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            w.ch(sep);
        w.text(columns[i]);
    }
    w.endLine();

    for (std::size_t i = 0; i < count; ++i) {
        const RvaRecord r = RvaRecord::decode(in, kHeaderSize + i * kRvaRecordSize);
        w.decimal(r.sequence);
        w.ch(sep);
        w.f3(r.level);
        w.ch(sep);
        w.f3(r.velocity * cv);
        w.ch(sep);
        w.f3(r.flow * cv * cq);
        w.ch(sep);
        w.time(r.time);
        w.endLine();
    }
    return w.take();
}

std::string formatRvbExport(const QByteArray &file, char sep)
{
    const ByteReader in(file);
    const PipeSaveIntoTfType point = PipeSaveIntoTfType::decode(in, 0);
    const DeviceInfo device = DeviceInfo::decode(in, kDeviceInfoOffset);
    const int model = device.modelCode();
    const std::size_t count = recordsIn(file, kRvbRecordSize);

    LineWriter w(4096 + count * 256);
    w.keyLine("设备ID:", numberText(device.deviceNumber));
    w.keyLine("检测内容:", modelContent(QString::number(model)));
    w.keyLine("项目名称:", point.projectNameText());
    w.keyLine("监测地点:", point.pointNameText());
    w.keyLine("管道类型:", pipeDescription(point));
    // A file shorter than its header holds no record.
    w.keyLine("采样次数:", numberText(count) + QStringLiteral("次"));

    const QStringList names = modelChannelNameList(model);
    const QStringList units = modelChannelUnitList(model);
    for (const auto &[channels, fixedColumns] :
         {std::pair{&names, &RvbColumnNames}, std::pair{&units, &RvbUnitLabels}}) {
        for (int c = 0; c < kRvbColumnCount; ++c) {
            if (c >= 1 && c <= 6)
                w.text(channels->at(c - 1));
            else
                w.text(fixedColumns->at(c));
            w.ch(sep);
        }
        w.endLine();
    }

    for (std::size_t i = 0; i < count; ++i) {
        const RvbRecord r = RvbRecord::decode(in, kHeaderSize + i * kRvbRecordSize);
        w.time(secondsToRecordTime(r.timeSeconds));
        w.ch(sep);
        for (float value : r.channel) {
            w.f3(value);
            w.ch(sep);
        }
        w.hex(r.alarm);
        w.ch(sep);
        w.hex(r.faultCode);
        w.ch(sep);
        w.f3(r.supplyVoltage);
        w.ch(sep);
        for (quint32 seconds : {r.gprsSeconds, r.deviceSeconds, r.sensorSeconds}) {
            w.f3(static_cast<float>(seconds) / 3600.0f);
            w.ch(sep);
        }
        for (quint16 value : {r.vga, r.maxValue, r.acValue, r.dcValue}) {
            w.decimal(value);
            w.ch(sep);
        }
        w.decimal(r.csq);
        w.ch(sep);
        w.hex(r.baseStation);
        w.ch(sep);
        for (float value : {r.monitor5V, r.monitor12V, r.monitor3V9, r.cpuTemperature}) {
            w.f3(value);
            w.ch(sep);
        }
        // Columns 23-25 show mainG, 26-28 mainM.
        for (quint16 value : r.mainG) {
            w.decimal(value);
            w.ch(sep);
        }
        for (quint16 value : r.mainM) {
            w.decimal(value);
            w.ch(sep);
        }
        for (std::size_t k = 0; k < r.spare.size(); ++k) {
            w.decimal(r.spare[k]);
            if (k + 1 < r.spare.size())
                w.ch(sep);
        }
        w.endLine();
    }
    return w.take();
}

// ---------------------------------------------------------------------------------------------

int exportRva(const QString &sourcePath, const QString &targetPath, char separator)
{
    QByteArray file;
    if (!readSource(sourcePath, file))
        return -1;
    return writeTarget(targetPath, formatRvaExport(file, separator)) ? 0 : -1;
}

int exportRvb(const QString &sourcePath, const QString &targetPath, char separator)
{
    QByteArray file;
    if (!readSource(sourcePath, file))
        return -1;
    return writeTarget(targetPath, formatRvbExport(file, separator)) ? 0 : -1;
}

int exportFile(const QString &sourcePath, const QString &targetPath, ExportFormat format)
{
    QByteArray info;
    {
        QFile source(sourcePath);
        if (!source.open(QIODevice::ReadOnly))
            return ExportCannotOpen;
        if (!source.seek(static_cast<qint64>(kDeviceInfoOffset)))
            return ExportCannotSeek;
        info = source.read(static_cast<qint64>(kDeviceInfoSize));
        if (info.isEmpty())
            return ExportNoDeviceInfo;
    }
    const DeviceInfo device = DeviceInfo::fromBytes(info);
    const char separator = exportSeparator(format);
    int result;
    switch (familyOfTypeCode(device.typeCode)) {
    case Family::Rva:
        result = exportRva(sourcePath, targetPath, separator);
        break;
    case Family::Rvb:
        result = exportRvb(sourcePath, targetPath, separator);
        break;
    default:
        return ExportNotDataFile;
    }
    return result == 0 ? ExportOk : ExportWriteFailed;
}

QString exportResultText(int result)
{
    switch (result) {
    case ExportOk:
        return QString();
    case ExportWriteFailed:
        return QStringLiteral("目标文件无法写入");
    case ExportNotDataFile:
        return QStringLiteral("不是可转换的数据文件");
    case ExportNoDeviceInfo:
    case ExportCannotSeek:
        return QStringLiteral("数据文件不完整");
    case ExportCannotOpen:
        return QStringLiteral("源文件无法打开");
    default:
        return QStringLiteral("转换失败(%1)").arg(result);
    }
}

} // namespace lmv
