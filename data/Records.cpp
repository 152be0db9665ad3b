#include "data/Records.h"

#include <QTextCodec>

namespace lmv {

namespace {

QTextCodec *gbCodec()
{
    static QTextCodec *codec = [] {
        QTextCodec *c = QTextCodec::codecForName("gb2312");
        if (!c)
            c = QTextCodec::codecForName("GB18030");
        return c;
    }();
    return codec;
}

} // namespace

ByteWriter::ByteWriter(QByteArray &bytes) : data_(bytes.data()), size_(static_cast<std::size_t>(bytes.size()))
{}

void ByteWriter::u8(std::size_t offset, quint8 value)
{
    if (has(offset, 1))
        data_[offset] = static_cast<char>(value);
}

void ByteWriter::u16le(std::size_t offset, quint16 value)
{
    if (!has(offset, 2))
        return;
    data_[offset] = static_cast<char>(value & 0xff);
    data_[offset + 1] = static_cast<char>(value >> 8);
}

void ByteWriter::u32le(std::size_t offset, quint32 value)
{
    if (!has(offset, 4))
        return;
    for (std::size_t i = 0; i < 4; ++i)
        data_[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

void ByteWriter::f32le(std::size_t offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    u32le(offset, bits);
}

void ByteWriter::copy(std::size_t offset, const void *in, std::size_t width)
{
    if (has(offset, width))
        std::memcpy(data_ + offset, in, width);
}

Family familyOfTypeCode(int typeCode)
{
    if (typeCode == kTypeCodeRva)
        return Family::Rva;
    if (typeCode == kTypeCodeRvb)
        return Family::Rvb;
    return Family::Unknown;
}

std::size_t recordSize(Family family)
{
    switch (family) {
    case Family::Rva:
        return kRvaRecordSize;
    case Family::Rvb:
        return kRvbRecordSize;
    case Family::Unknown:
        break;
    }
    return 0;
}

QByteArray toGb2312(const QString &text)
{
    QTextCodec *codec = gbCodec();
    return codec ? codec->fromUnicode(text) : text.toLatin1();
}

QString fromGb2312(const QByteArray &bytes)
{
    QTextCodec *codec = gbCodec();
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

QString decodeNameField(const char *field, std::size_t fieldSize)
{
    std::size_t length = 0;
    while (length < fieldSize && field[length] != '\0')
        ++length;
    return fromGb2312(QByteArray(field, static_cast<int>(length)));
}

QByteArray encodeName(const QString &name, std::size_t maxBytes)
{
    // Each character is encoded on its own and kept only when all of its bytes fit. Working on
    // the encoded bytes instead would need the codec's byte rules, which are not GB2312's: the
    // codec is GBK, where 0x80 is a character of one byte.
    const int zero = name.indexOf(QChar(0));
    const QString text = zero >= 0 ? name.left(zero) : name;
    QByteArray bytes;
    for (int i = 0; i < text.size();) {
        const int width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray encoded = toGb2312(text.mid(i, width));
        if (static_cast<std::size_t>(bytes.size() + encoded.size()) > maxBytes)
            break;
        bytes += encoded;
        i += width;
    }
    return bytes;
}

// ---------------------------------------------------------------------------------------------

DeviceInfo DeviceInfo::decode(const ByteReader &in, std::size_t at)
{
    DeviceInfo d;
    d.deviceNumber = in.u32le(at + 0);
    d.typeCode = in.u8(at + 4);
    for (std::size_t i = 0; i < d.versionBytes.size(); ++i)
        d.versionBytes[i] = in.u8(at + 5 + i);
    d.reserved = {in.u8(at + 10), in.u8(at + 11)};
    d.protocolVersion = in.f32le(at + 12);
    return d;
}

void DeviceInfo::encode(ByteWriter &out, std::size_t at) const
{
    out.u32le(at + 0, deviceNumber);
    out.u8(at + 4, typeCode);
    for (std::size_t i = 0; i < versionBytes.size(); ++i)
        out.u8(at + 5 + i, versionBytes[i]);
    out.u8(at + 10, reserved[0]);
    out.u8(at + 11, reserved[1]);
    out.f32le(at + 12, protocolVersion);
}

QByteArray DeviceInfo::toBytes() const
{
    QByteArray bytes(kDeviceInfoSize, '\0');
    ByteWriter out(bytes);
    encode(out);
    return bytes;
}

// ---------------------------------------------------------------------------------------------

PipeSaveIntoTfType PipeSaveIntoTfType::decode(const ByteReader &in, std::size_t at)
{
    PipeSaveIntoTfType p;
    in.copy(at + 0, p.projectName.data(), kNameFieldSize);
    in.copy(at + 33, p.pointName.data(), kNameFieldSize);
    p.reserved = {in.u8(at + 66), in.u8(at + 67)};
    p.pipeShape = in.u32le(at + 68);
    p.heightOrDiameter = in.u32le(at + 72);
    p.widthOrLowerBase = in.u32le(at + 76);
    p.upperBase = in.u32le(at + 80);
    p.sediment = in.u32le(at + 84);
    return p;
}

void PipeSaveIntoTfType::encode(ByteWriter &out, std::size_t at) const
{
    out.copy(at + 0, projectName.data(), kNameFieldSize);
    out.copy(at + 33, pointName.data(), kNameFieldSize);
    out.u8(at + 66, reserved[0]);
    out.u8(at + 67, reserved[1]);
    out.u32le(at + 68, pipeShape);
    out.u32le(at + 72, heightOrDiameter);
    out.u32le(at + 76, widthOrLowerBase);
    out.u32le(at + 80, upperBase);
    out.u32le(at + 84, sediment);
}

QByteArray PipeSaveIntoTfType::toBytes() const
{
    QByteArray bytes(kPipeRecordSize, '\0');
    ByteWriter out(bytes);
    encode(out);
    return bytes;
}

static void storeName(std::array<char, kNameFieldSize> &field, const QString &name)
{
    field.fill('\0');
    const QByteArray bytes = encodeName(name, kNameMaxBytes);
    std::memcpy(field.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void PipeSaveIntoTfType::setProjectName(const QString &name)
{
    storeName(projectName, name);
}

void PipeSaveIntoTfType::setPointName(const QString &name)
{
    storeName(pointName, name);
}

bool PipeSaveIntoTfType::samePipeAs(const PipeSaveIntoTfType &other) const
{
    return pipeShape == other.pipeShape && heightOrDiameter == other.heightOrDiameter &&
           widthOrLowerBase == other.widthOrLowerBase && upperBase == other.upperBase &&
           sediment == other.sediment;
}

PipeSaveIntoTfType makePointRecord(const QString &project, const QString &point, quint32 pipeShape,
                                   quint32 heightOrDiameter, quint32 widthOrLowerBase, quint32 upperBase,
                                   quint32 sediment)
{
    PipeSaveIntoTfType p;
    p.setProjectName(project);
    p.setPointName(point);
    p.pipeShape = pipeShape;
    p.heightOrDiameter = heightOrDiameter;
    p.widthOrLowerBase = widthOrLowerBase;
    p.upperBase = upperBase;
    p.sediment = sediment;
    return p;
}

// ---------------------------------------------------------------------------------------------

CalcParams CalcParams::decode(const ByteReader &in, std::size_t at)
{
    CalcParams c;
    c.velocityCorrection = in.f32le(at + 0);
    c.flowCorrection = in.f32le(at + 4);
    c.recordInterval = in.u32le(at + 8);
    c.levelOffset = in.u32le(at + 12);
    c.velocitySmoothing = in.u16le(at + 16);
    c.probeVersion = in.u8(at + 18);
    c.reserved = in.u8(at + 19);
    return c;
}

void CalcParams::encode(ByteWriter &out, std::size_t at) const
{
    out.f32le(at + 0, velocityCorrection);
    out.f32le(at + 4, flowCorrection);
    out.u32le(at + 8, recordInterval);
    out.u32le(at + 12, levelOffset);
    out.u16le(at + 16, velocitySmoothing);
    out.u8(at + 18, probeVersion);
    out.u8(at + 19, reserved);
}

QByteArray CalcParams::toBytes() const
{
    QByteArray bytes(kCalcParamsSize, '\0');
    ByteWriter out(bytes);
    encode(out);
    return bytes;
}

// ---------------------------------------------------------------------------------------------

SummaryBlock SummaryBlock::decode(const ByteReader &in, std::size_t at)
{
    SummaryBlock s;
    in.copy(at, s.reservedHead.data(), s.reservedHead.size());
    s.durationSeconds = in.u32le(at + 20);
    s.sampleCount = in.u32le(at + 24);
    float *stats[12] = {&s.levelMax,    &s.levelMin,       &s.levelAvg,       &s.velocityMax,
                        &s.velocityMin, &s.velocityAvg,    &s.flowMax,        &s.flowMin,
                        &s.flowAvg,     &s.temperatureMax, &s.temperatureMin, &s.temperatureAvg};
    for (std::size_t i = 0; i < 12; ++i)
        *stats[i] = in.f32le(at + 28 + 4 * i);
    in.copy(at + 76, s.reservedTail.data(), s.reservedTail.size());
    return s;
}

void SummaryBlock::encode(ByteWriter &out, std::size_t at) const
{
    out.copy(at, reservedHead.data(), reservedHead.size());
    out.u32le(at + 20, durationSeconds);
    out.u32le(at + 24, sampleCount);
    const float stats[12] = {levelMax, levelMin, levelAvg, velocityMax,    velocityMin,    velocityAvg,
                             flowMax,  flowMin,  flowAvg,  temperatureMax, temperatureMin, temperatureAvg};
    for (std::size_t i = 0; i < 12; ++i)
        out.f32le(at + 28 + 4 * i, stats[i]);
    out.copy(at + 76, reservedTail.data(), reservedTail.size());
}

QByteArray SummaryBlock::toBytes() const
{
    QByteArray bytes(kSummarySize, '\0');
    ByteWriter out(bytes);
    encode(out);
    return bytes;
}

// ---------------------------------------------------------------------------------------------

RecordTime RecordTime::decode(const ByteReader &in, std::size_t at)
{
    RecordTime t;
    t.hour = in.u8(at + 0);
    t.minute = in.u8(at + 1);
    t.second = in.u8(at + 2);
    t.reserved = in.u8(at + 3);
    t.year = in.u16le(at + 4);
    t.month = in.u8(at + 6);
    t.day = in.u8(at + 7);
    return t;
}

void RecordTime::encode(ByteWriter &out, std::size_t at) const
{
    out.u8(at + 0, hour);
    out.u8(at + 1, minute);
    out.u8(at + 2, second);
    out.u8(at + 3, reserved);
    out.u16le(at + 4, year);
    out.u8(at + 6, month);
    out.u8(at + 7, day);
}

// ---------------------------------------------------------------------------------------------

RvaRecord RvaRecord::decode(const ByteReader &in, std::size_t at)
{
    RvaRecord r;
    r.time = RecordTime::decode(in, at);
    in.copy(at + 8, r.reserved.data(), r.reserved.size());
    r.sequence = in.u32le(at + 12);
    r.level = in.f32le(at + 16);
    r.velocity = in.f32le(at + 20);
    r.flow = in.f32le(at + 24);
    r.temperature = in.f32le(at + 28);
    return r;
}

void RvaRecord::encode(ByteWriter &out, std::size_t at) const
{
    time.encode(out, at);
    out.copy(at + 8, reserved.data(), reserved.size());
    out.u32le(at + 12, sequence);
    out.f32le(at + 16, level);
    out.f32le(at + 20, velocity);
    out.f32le(at + 24, flow);
    out.f32le(at + 28, temperature);
}

QByteArray RvaRecord::toBytes() const
{
    QByteArray bytes(kRvaRecordSize, '\0');
    ByteWriter out(bytes);
    encode(out);
    return bytes;
}

// ---------------------------------------------------------------------------------------------

RvbRecord RvbRecord::decode(const ByteReader &in, std::size_t at)
{
    RvbRecord r;
    r.timeSeconds = in.u32le(at + 0);
    for (std::size_t i = 0; i < 6; ++i)
        r.channel[i] = in.f32le(at + 4 + 4 * i);
    r.alarm = in.u8(at + 28);
    r.faultCode = in.u8(at + 29);
    r.supplyVoltage = in.f32le(at + 30);
    r.gprsSeconds = in.u32le(at + 34);
    r.deviceSeconds = in.u32le(at + 38);
    r.sensorSeconds = in.u32le(at + 42);
    r.vga = in.u16le(at + 46);
    r.maxValue = in.u16le(at + 48);
    r.acValue = in.u16le(at + 50);
    r.dcValue = in.u16le(at + 52);
    r.csq = in.u8(at + 54);
    r.baseStation = in.u32le(at + 55);
    r.monitor5V = in.f32le(at + 59);
    r.monitor12V = in.f32le(at + 63);
    r.monitor3V9 = in.f32le(at + 67);
    r.cpuTemperature = in.f32le(at + 71);
    for (std::size_t i = 0; i < 3; ++i) {
        r.mainM[i] = in.u16le(at + 75 + 2 * i);
        r.mainG[i] = in.u16le(at + 81 + 2 * i);
    }
    for (std::size_t i = 0; i < 6; ++i)
        r.spare[i] = in.u16le(at + 87 + 2 * i);
    r.reserved = in.u8(at + 99);
    return r;
}

void RvbRecord::encode(ByteWriter &out, std::size_t at) const
{
    out.u32le(at + 0, timeSeconds);
    for (std::size_t i = 0; i < 6; ++i)
        out.f32le(at + 4 + 4 * i, channel[i]);
    out.u8(at + 28, alarm);
    out.u8(at + 29, faultCode);
    out.f32le(at + 30, supplyVoltage);
    out.u32le(at + 34, gprsSeconds);
    out.u32le(at + 38, deviceSeconds);
    out.u32le(at + 42, sensorSeconds);
    out.u16le(at + 46, vga);
    out.u16le(at + 48, maxValue);
    out.u16le(at + 50, acValue);
    out.u16le(at + 52, dcValue);
    out.u8(at + 54, csq);
    out.u32le(at + 55, baseStation);
    out.f32le(at + 59, monitor5V);
    out.f32le(at + 63, monitor12V);
    out.f32le(at + 67, monitor3V9);
    out.f32le(at + 71, cpuTemperature);
    for (std::size_t i = 0; i < 3; ++i) {
        out.u16le(at + 75 + 2 * i, mainM[i]);
        out.u16le(at + 81 + 2 * i, mainG[i]);
    }
    for (std::size_t i = 0; i < 6; ++i)
        out.u16le(at + 87 + 2 * i, spare[i]);
    out.u8(at + 99, reserved);
}

QByteArray RvbRecord::toBytes() const
{
    QByteArray bytes(kRvbRecordSize, '\0');
    ByteWriter out(bytes);
    encode(out);
    return bytes;
}

} // namespace lmv
