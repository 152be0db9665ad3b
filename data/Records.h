#pragma once

// Fixed-layout records shared by the data files, the device replies and the views.
// Every record is decoded and encoded byte by byte (little-endian) through ByteReader /
// ByteWriter; buffers are never cast to packed structs.

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <array>
#include <cstddef>
#include <cstring>

namespace lmv {

// Sizes and offsets of the data file layout.
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kPipeRecordSize = 88;
constexpr std::size_t kCalcParamsOffset = 88;
constexpr std::size_t kCalcParamsSize = 20;
constexpr std::size_t kSummaryOffset = 108;
constexpr std::size_t kSummarySize = 80;
constexpr std::size_t kDeviceAreaOffset = 188; // 308 bytes: zero for RVA, as sent for RVB
constexpr std::size_t kDeviceAreaSize = 308;
constexpr std::size_t kDeviceInfoOffset = 496;
constexpr std::size_t kDeviceInfoSize = 16;
constexpr std::size_t kTypeCodeOffset = 500;
constexpr std::size_t kModelCodeOffset = 505;
constexpr std::size_t kRecordTimeSize = 8;
constexpr std::size_t kRvaRecordSize = 32;
constexpr std::size_t kRvbRecordSize = 100;
constexpr std::size_t kNameFieldSize = 33; // 32 text bytes and a terminating zero
constexpr std::size_t kNameMaxBytes = 32;

// Device type codes of the two served families.
constexpr int kTypeCodeRvb = 1;
constexpr int kTypeCodeRva = 5;

enum class Family
{
    Unknown,
    Rva,
    Rvb
};

// Family selected by a device type code (5 RVA, 1 RVB, anything else unknown).
Family familyOfTypeCode(int typeCode);
// Record size of a family in bytes; 0 for an unknown family.
std::size_t recordSize(Family family);

// Bounds-checked little-endian reads. A field that lies (partly) outside the data reads as 0.
class ByteReader
{
public:
    ByteReader(const char *data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const QByteArray &bytes)
        : data_(bytes.constData()), size_(static_cast<std::size_t>(bytes.size()))
    {}

    std::size_t size() const { return size_; }
    const char *data() const { return data_; }
    bool has(std::size_t offset, std::size_t width) const
    {
        return offset <= size_ && width <= size_ - offset;
    }
    quint8 u8(std::size_t offset) const
    {
        return has(offset, 1) ? static_cast<quint8>(data_[offset]) : quint8(0);
    }
    quint16 u16le(std::size_t offset) const
    {
        if (!has(offset, 2))
            return 0;
        return static_cast<quint16>(byteAt(offset) | (byteAt(offset + 1) << 8));
    }
    quint32 u32le(std::size_t offset) const
    {
        if (!has(offset, 4))
            return 0;
        return byteAt(offset) | (byteAt(offset + 1) << 8) | (byteAt(offset + 2) << 16) |
               (byteAt(offset + 3) << 24);
    }
    float f32le(std::size_t offset) const
    {
        const quint32 bits = u32le(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // Copies width bytes starting at offset; bytes outside the data are zero.
    void copy(std::size_t offset, void *out, std::size_t width) const
    {
        auto *dst = static_cast<char *>(out);
        for (std::size_t i = 0; i < width; ++i)
            dst[i] = has(offset + i, 1) ? data_[offset + i] : char(0);
    }

private:
    quint32 byteAt(std::size_t offset) const { return static_cast<quint8>(data_[offset]); }

    const char *data_;
    std::size_t size_;
};

// Bounds-checked little-endian writes. A field that does not fit the buffer is not written.
class ByteWriter
{
public:
    ByteWriter(char *data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteWriter(QByteArray &bytes);

    bool has(std::size_t offset, std::size_t width) const
    {
        return offset <= size_ && width <= size_ - offset;
    }
    void u8(std::size_t offset, quint8 value);
    void u16le(std::size_t offset, quint16 value);
    void u32le(std::size_t offset, quint32 value);
    void f32le(std::size_t offset, float value);
    void copy(std::size_t offset, const void *in, std::size_t width);

private:
    char *data_;
    std::size_t size_;
};

// Name fields: GB2312 text in a 33-byte field.
// Decodes the text up to the first zero byte, never beyond the field's end.
QString decodeNameField(const char *field, std::size_t fieldSize = kNameFieldSize);
// Encodes a name as GB2312, shortened at a character boundary to at most maxBytes bytes.
QByteArray encodeName(const QString &name, std::size_t maxBytes = kNameMaxBytes);
// Converts between text and GB2312 bytes (used for device replies and index files too).
QByteArray toGb2312(const QString &text);
QString fromGb2312(const QByteArray &bytes);

// Device information as the logger reports it and as every data file stores it at 496.
struct DeviceInfo
{
    quint32 deviceNumber = 0;
    quint8 typeCode = 0;
    std::array<quint8, 5> versionBytes{}; // versionBytes[4] is the RVB model code
    std::array<quint8, 2> reserved{};
    float protocolVersion = 0.0f;

    static DeviceInfo decode(const ByteReader &in, std::size_t at = 0);
    static DeviceInfo fromBytes(const QByteArray &bytes) { return decode(ByteReader(bytes)); }
    void encode(ByteWriter &out, std::size_t at = 0) const;
    QByteArray toBytes() const;
    quint8 modelCode() const { return versionBytes[4]; }
};

enum PipeShape : quint32
{
    PipeCircle = 0,
    PipeRectangle = 1,
    PipeTrapezoid = 2,
    PipeTriangle = 3,
};

// Monitoring point record (88 bytes): names and pipe geometry, the first block of a data file.
struct PipeSaveIntoTfType
{
    std::array<char, kNameFieldSize> projectName{};
    std::array<char, kNameFieldSize> pointName{};
    std::array<quint8, 2> reserved{};
    quint32 pipeShape = 0;
    quint32 heightOrDiameter = 0;
    quint32 widthOrLowerBase = 0;
    quint32 upperBase = 0;
    quint32 sediment = 0;

    static PipeSaveIntoTfType decode(const ByteReader &in, std::size_t at = 0);
    static PipeSaveIntoTfType fromBytes(const QByteArray &bytes) { return decode(ByteReader(bytes)); }
    void encode(ByteWriter &out, std::size_t at = 0) const;
    QByteArray toBytes() const;

    QString projectNameText() const { return decodeNameField(projectName.data()); }
    QString pointNameText() const { return decodeNameField(pointName.data()); }
    // Stores the names as GB2312, shortened to 32 bytes at a character boundary.
    void setProjectName(const QString &name);
    void setPointName(const QString &name);
    bool samePipeAs(const PipeSaveIntoTfType &other) const;
};

// Builds a point record from names and the five pipe values (as the device tree holds them).
PipeSaveIntoTfType makePointRecord(const QString &project, const QString &point, quint32 pipeShape,
                                   quint32 heightOrDiameter, quint32 widthOrLowerBase, quint32 upperBase,
                                   quint32 sediment);

// Calculation parameters (20 bytes at file offset 88).
struct CalcParams
{
    float velocityCorrection = 1.0f;
    float flowCorrection = 1.0f;
    quint32 recordInterval = 0;
    quint32 levelOffset = 0;
    quint16 velocitySmoothing = 0;
    quint8 probeVersion = 0;
    quint8 reserved = 0;

    static CalcParams decode(const ByteReader &in, std::size_t at = 0);
    static CalcParams fromBytes(const QByteArray &bytes) { return decode(ByteReader(bytes)); }
    void encode(ByteWriter &out, std::size_t at = 0) const;
    QByteArray toBytes() const;
};

// Summary block (80 bytes at file offset 108). Statistics are stored uncorrected.
struct SummaryBlock
{
    std::array<quint8, 20> reservedHead{};
    quint32 durationSeconds = 0;
    quint32 sampleCount = 0;
    float levelMax = 0, levelMin = 0, levelAvg = 0;
    float velocityMax = 0, velocityMin = 0, velocityAvg = 0;
    float flowMax = 0, flowMin = 0, flowAvg = 0;
    float temperatureMax = 0, temperatureMin = 0, temperatureAvg = 0;
    std::array<quint8, 4> reservedTail{};

    static SummaryBlock decode(const ByteReader &in, std::size_t at = 0);
    static SummaryBlock fromBytes(const QByteArray &bytes) { return decode(ByteReader(bytes)); }
    void encode(ByteWriter &out, std::size_t at = 0) const;
    QByteArray toBytes() const;
};

// Calendar time of an RVA record (8 bytes).
struct RecordTime
{
    quint8 hour = 0;
    quint8 minute = 0;
    quint8 second = 0;
    quint8 reserved = 0;
    quint16 year = 0;
    quint8 month = 0;
    quint8 day = 0;

    static RecordTime decode(const ByteReader &in, std::size_t at = 0);
    void encode(ByteWriter &out, std::size_t at = 0) const;
    bool operator==(const RecordTime &o) const
    {
        return hour == o.hour && minute == o.minute && second == o.second && year == o.year &&
               month == o.month && day == o.day;
    }
};

// One RVA measurement (32 bytes).
struct RvaRecord
{
    RecordTime time;
    std::array<quint8, 4> reserved{};
    quint32 sequence = 0;
    float level = 0;       // m
    float velocity = 0;    // m/s, uncorrected
    float flow = 0;        // L/s, computed from level, velocity and the pipe
    float temperature = 0; // degrees Celsius

    static RvaRecord decode(const ByteReader &in, std::size_t at = 0);
    static RvaRecord fromBytes(const QByteArray &bytes) { return decode(ByteReader(bytes)); }
    void encode(ByteWriter &out, std::size_t at = 0) const;
    QByteArray toBytes() const;
};

// One RVB measurement (100 bytes); several floats lie at odd offsets.
struct RvbRecord
{
    quint32 timeSeconds = 0; // since 2014-01-01 00:00:00
    std::array<float, 6> channel{};
    quint8 alarm = 0;
    quint8 faultCode = 0;
    float supplyVoltage = 0;
    quint32 gprsSeconds = 0;
    quint32 deviceSeconds = 0;
    quint32 sensorSeconds = 0;
    quint16 vga = 0;
    quint16 maxValue = 0;
    quint16 acValue = 0;
    quint16 dcValue = 0;
    quint8 csq = 0;
    quint32 baseStation = 0;
    float monitor5V = 0;
    float monitor12V = 0;
    float monitor3V9 = 0;
    float cpuTemperature = 0;
    std::array<quint16, 3> mainM{};
    std::array<quint16, 3> mainG{};
    std::array<quint16, 6> spare{};
    quint8 reserved = 0;

    static RvbRecord decode(const ByteReader &in, std::size_t at = 0);
    static RvbRecord fromBytes(const QByteArray &bytes) { return decode(ByteReader(bytes)); }
    void encode(ByteWriter &out, std::size_t at = 0) const;
    QByteArray toBytes() const;
};

// The pipe in the form the flow calculation reads it (in memory only).
struct PipeGeometry
{
    quint8 shape = 0;
    quint32 diameter = 0;
    quint32 height = 0;
    quint32 width = 0;
    quint32 upperBase = 0;
    quint32 lowerBase = 0;
    quint32 sediment = 0;
};

} // namespace lmv

Q_DECLARE_METATYPE(lmv::PipeSaveIntoTfType)
Q_DECLARE_METATYPE(lmv::DeviceInfo)
