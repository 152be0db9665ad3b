#include "data/Export.h"

#include "data/Records.h"
#include "data/Statistics.h"
#include "data/Tables.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace lmv {

namespace {

// Formats fields straight into a preallocated buffer. Before each line the caller makes room
// for the longest line it can write (room()), so the field writers need no checks. With a sink
// the buffer is a fixed-size chunk written out whenever it fills; without one the whole text is
// kept in memory (up to kMaxInMemory bytes).
class LineWriter
{
public:
    // The buffer is left uninitialised (QByteArray::resize does not fill); every byte up to used_
    // is written before it is passed on.
    LineWriter(QIODevice *sink, std::size_t expectedBytes) : sink_(sink)
    {
        out_.resize(
            static_cast<int>(sink ? std::min(expectedBytes, kChunk) : std::min(expectedBytes, kChunk * 16)));
        base_ = out_.data();
    }

    // Makes sure that at least bytes more characters fit.
    void room(std::size_t bytes)
    {
        const auto size = static_cast<std::size_t>(out_.size());
        if (size - used_ >= bytes)
            return;
        if (sink_)
            flush();
        if (!sink_ || size < bytes) {
            const std::size_t wanted = std::max(size * 2, used_ + bytes);
            if (wanted > kMaxInMemory) {
                failed_ = true; // the text is lost; keep writing into the buffer's start
                used_ = 0;
            } else {
                out_.resize(static_cast<int>(wanted));
                base_ = out_.data();
            }
        }
    }

    // Writes what is buffered to the sink; false once anything could not be written.
    bool finish()
    {
        if (sink_)
            flush();
        return !failed_;
    }

    void text(const char *s) { append(s, std::strlen(s)); }
    void text(const QString &s)
    {
        const QByteArray utf8 = s.toUtf8();
        append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }
    void ch(char c) { base_[used_++] = c; }
    void endLine()
    {
        room(2);
        base_[used_++] = '\r';
        base_[used_++] = '\n';
    }

    // printf("%.<decimals>f") of a single-precision value widened to double, for 2 or 3 decimals.
    // The product of a float and 1000 (or 100) is exact in double precision, so rounding it to
    // the nearest integer, exact halves to even as printf does, gives printf's digits without a
    // general decimal conversion. At most kMaxFixed characters are written.
    void fixed(float value, int decimals)
    {
        const double scale = decimals == 3 ? 1000.0 : 100.0;
        const double scaled = std::fabs(static_cast<double>(value) * scale);
        if (!(scaled < 4.0e15)) { // NaN, infinities and huge values
            const auto r = std::to_chars(cursor(), cursor() + kMaxFixed, static_cast<double>(value),
                                         std::chars_format::fixed, decimals);
            used_ = static_cast<std::size_t>(r.ptr - base_);
            return;
        }
        auto units = static_cast<quint64>(scaled);
        const double fraction = scaled - static_cast<double>(units);
        if (fraction > 0.5 || (fraction == 0.5 && (units & 1)))
            ++units;
        if (std::signbit(value))
            ch('-');
        const quint64 divisor = decimals == 3 ? 1000 : 100;
        decimal(units / divisor);
        ch('.');
        quint64 rest = units % divisor;
        for (int i = decimals - 1; i >= 0; --i) {
            base_[used_ + static_cast<std::size_t>(i)] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        used_ += static_cast<std::size_t>(decimals);
    }
    void f3(float value) { fixed(value, 3); }
    void f2(float value) { fixed(value, 2); }

    void decimal(quint64 value)
    {
        const auto r = std::to_chars(cursor(), cursor() + 24, value);
        used_ = static_cast<std::size_t>(r.ptr - base_);
    }
    void hex(quint32 value)
    {
        ch('0');
        ch('x');
        const auto r = std::to_chars(cursor(), cursor() + 16, value, 16);
        used_ = static_cast<std::size_t>(r.ptr - base_);
    }
    // "%02u": at least two digits.
    void twoDigits(unsigned value)
    {
        if (value < 100) {
            ch(static_cast<char>('0' + value / 10));
            ch(static_cast<char>('0' + value % 10));
        } else {
            decimal(value);
        }
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

    // The whole text, for a writer without sink.
    QByteArray take()
    {
        out_.resize(failed_ ? 0 : static_cast<int>(used_));
        return std::move(out_);
    }

    static constexpr std::size_t kMaxFixed = 400;
    // Longest possible record lines.
    static constexpr std::size_t kMaxRvaLine = 24 + 3 * (kMaxFixed + 1) + 40;
    static constexpr std::size_t kMaxRvbLine = 40 + 16 * (kMaxFixed + 1) + 19 * 24;

private:
    char *cursor() { return base_ + used_; }
    void append(const char *s, std::size_t n)
    {
        room(n);
        std::memcpy(cursor(), s, n);
        used_ += n;
    }

    void flush()
    {
        if (used_ && sink_->write(base_, static_cast<qint64>(used_)) != static_cast<qint64>(used_))
            failed_ = true;
        used_ = 0;
    }

    static constexpr std::size_t kChunk = std::size_t(8) << 20;
    static constexpr std::size_t kMaxInMemory = std::size_t(1) << 30;

    QIODevice *sink_;
    QByteArray out_;
    char *base_ = nullptr;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Sources above this size are not exported or read whole (a data file of 1 GiB holds 33 million
// RVA records).
constexpr qint64 kMaxSourceBytes = qint64(1) << 30;

bool readSource(const QString &path, QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSourceBytes)
        return false;
    bytes = file.readAll();
    return !bytes.isEmpty();
}

using Formatter = void (*)(const QByteArray &file, char sep, LineWriter &w);

// Writes the export under a temporary name and renames it to the target once complete.
bool writeTarget(const QString &path, const QByteArray &file, char sep, Formatter format,
                 std::size_t expected)
{
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly))
        return false;
    LineWriter w(&target, expected);
    format(file, sep, w);
    if (!w.finish()) {
        target.cancelWriting();
        return false;
    }
    return target.commit();
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

std::string formatFixed(float value, int decimals)
{
    LineWriter w(nullptr, LineWriter::kMaxFixed);
    w.fixed(value, decimals);
    return w.take().toStdString();
}

// ---------------------------------------------------------------------------------------------

static std::size_t expectedRvaBytes(const QByteArray &file)
{
    return 2048 + recordsIn(file, kRvaRecordSize) * 64;
}

static std::size_t expectedRvbBytes(const QByteArray &file)
{
    return 4096 + recordsIn(file, kRvbRecordSize) * 256;
}

static void writeRva(const QByteArray &file, char sep, LineWriter &w)
{
    const ByteReader in(file);
    const PipeSaveIntoTfType point = PipeSaveIntoTfType::decode(in, 0);
    const CalcParams calc = CalcParams::decode(in, kCalcParamsOffset);
    const SummaryBlock s = SummaryBlock::decode(in, kSummaryOffset);
    const float cv = calc.velocityCorrection;
    const float cq = calc.flowCorrection;
    const std::size_t count = recordsIn(file, kRvaRecordSize);

    w.keyLine("项目名称:", point.projectNameText());
    w.keyLine("监测地点:", point.pointNameText());
    w.keyLine("管道类型:", pipeDescription(point));
    w.text("流速修正:");
    w.room(LineWriter::kMaxFixed);
    w.f2(cv);
    w.endLine();
    w.text("流量修正:");
    w.room(LineWriter::kMaxFixed);
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
        w.room(LineWriter::kMaxFixed);
        if (line.twoDecimals)
            w.f2(line.value);
        else
            w.f3(line.value);
        w.endLine();
    }

    const char *columns[] = {"序号", "液位(m)", "流速(m/s)", "流量(L/s)", "记录时间"};
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            w.text(std::string(1, sep).c_str());
        w.text(columns[i]);
    }
    w.endLine();

    for (std::size_t i = 0; i < count; ++i) {
        const RvaRecord r = RvaRecord::decode(in, kHeaderSize + i * kRvaRecordSize);
        w.room(LineWriter::kMaxRvaLine);
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
}

static void writeRvb(const QByteArray &file, char sep, LineWriter &w)
{
    const ByteReader in(file);
    const PipeSaveIntoTfType point = PipeSaveIntoTfType::decode(in, 0);
    const DeviceInfo device = DeviceInfo::decode(in, kDeviceInfoOffset);
    const int model = device.modelCode();
    const std::size_t count = recordsIn(file, kRvbRecordSize);

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
            w.room(1);
            w.ch(sep);
        }
        w.endLine();
    }

    for (std::size_t i = 0; i < count; ++i) {
        const RvbRecord r = RvbRecord::decode(in, kHeaderSize + i * kRvbRecordSize);
        w.room(LineWriter::kMaxRvbLine);
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
}

// ---------------------------------------------------------------------------------------------

QByteArray formatRvaExport(const QByteArray &file, char separator)
{
    LineWriter w(nullptr, expectedRvaBytes(file));
    writeRva(file, separator, w);
    return w.take();
}

QByteArray formatRvbExport(const QByteArray &file, char separator)
{
    LineWriter w(nullptr, expectedRvbBytes(file));
    writeRvb(file, separator, w);
    return w.take();
}

int exportRva(const QString &sourcePath, const QString &targetPath, char separator)
{
    QByteArray file;
    if (!readSource(sourcePath, file))
        return -1;
    return writeTarget(targetPath, file, separator, writeRva, expectedRvaBytes(file)) ? 0 : -1;
}

int exportRvb(const QString &sourcePath, const QString &targetPath, char separator)
{
    QByteArray file;
    if (!readSource(sourcePath, file))
        return -1;
    return writeTarget(targetPath, file, separator, writeRvb, expectedRvbBytes(file)) ? 0 : -1;
}

int exportFile(const QString &sourcePath, const QString &targetPath, ExportFormat format)
{
    QByteArray info;
    {
        QFile source(sourcePath);
        if (!source.open(QIODevice::ReadOnly))
            return ExportCannotOpen;
        if (source.size() > kMaxSourceBytes)
            return ExportTooLarge;
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
    case ExportTooLarge:
        return QStringLiteral("文件过大");
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
