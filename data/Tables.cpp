#include "data/Tables.h"

namespace lmv {

const QStringList DeviceTypeNames = {
    QStringLiteral("综合监测主机"), QStringLiteral("中继器"),       QStringLiteral("采样器"),
    QStringLiteral("分流式"),       QStringLiteral("便携式流量仪"),
};

const QStringList ProbeVersionNames = {QStringLiteral("V2.0"), QStringLiteral("V3.0"),
                                       QStringLiteral("V4.0")};

const QVector<ModelEntry> ModelTable = {
    {0, QStringLiteral("RVA"), QStringLiteral("(压力)液位、(超声)流速"), QString(), QString()},
    {1, QStringLiteral("RVC"), QStringLiteral("(压力)液位、(压力)液位"),
     QStringLiteral("液位1$压力1$液位1$压力2$水温$预留"), QStringLiteral("(m)$(Pa)$(m)$(Pa)$(℃)$(-)")},
    {4, QStringLiteral("RVB"), QStringLiteral("(压力)液位、(超声)流速"),
     QStringLiteral("液位$压力$流速$AC/DC$水温$探头角度"), QStringLiteral("(m)$(Pa)$(m/s)$(-)$(℃)$(-)")},
    {16, QStringLiteral("RVB"), QStringLiteral("(超声)液位、(雷达)流速、(压力)液位、(超声)流速"),
     QStringLiteral("超声液位$雷达流速$绝对压力$超声流速$水温$俯仰角"),
     QStringLiteral("(m)$(m/s)$(Pa)$(m/s)$(℃)$(°)")},
};

const QVector<BaudRate> BaudRateTable = {
    {115200, QStringLiteral("115200")}, {57600, QStringLiteral("57600")}, {38400, QStringLiteral("38400")},
    {19200, QStringLiteral("19200")},   {9600, QStringLiteral("9600")},   {4800, QStringLiteral("4800")},
    {2400, QStringLiteral("2400")},     {1200, QStringLiteral("1200")},
};

const QVector<Unit> LevelUnits = {{QStringLiteral("(m)"), 1.0f}, {QStringLiteral("(mm)"), 1000.0f}};
const QVector<Unit> VelocityUnits = {{QStringLiteral("(m/s)"), 1.0f}, {QStringLiteral("(mm/s)"), 1000.0f}};
const QVector<Unit> FlowUnits = {
    {QStringLiteral("(L/s)"), 1.0f},
    {QStringLiteral("(L/min)"), 60.0f},
    {QStringLiteral("(m3/h)"), 3.6f},
    {QStringLiteral("(m3/d)"), 86.4f},
};

int unitIndex(const QVector<Unit> &units, const QString &label)
{
    for (int i = 0; i < units.size(); ++i) {
        if (units[i].label == label)
            return i;
    }
    return -1;
}

QString nextUnit(const QVector<Unit> &units, const QString &label)
{
    if (units.isEmpty())
        return QString();
    const int i = unitIndex(units, label);
    return units[(i + 1) % units.size()].label;
}

const QStringList PipeShapeNames = {QStringLiteral("圆形"), QStringLiteral("方沟"), QStringLiteral("梯形"),
                                    QStringLiteral("三角形")};
const QStringList PipeShapePictures = {
    QStringLiteral(":/pipe/image/circle.png"),
    QStringLiteral(":/pipe/image/rectangle.png"),
    QStringLiteral(":/pipe/image/trapezoid.png"),
    QStringLiteral(":/pipe/image/triangle.png"),
};

const QStringList RvaColumnNames = {
    QStringLiteral("测量时间"), QStringLiteral("level"), QStringLiteral("液位"),
    QStringLiteral("speed"),    QStringLiteral("流速"),  QStringLiteral("flow"),
    QStringLiteral("流量"),     QStringLiteral("温度"),  QStringLiteral("序号"),
};

QStringList RvaUnitLabels = {
    QStringLiteral("(年-月-日 时:分:秒)"),
    QStringLiteral("m"),
    QStringLiteral("(m)"),
    QStringLiteral("m/s"),
    QStringLiteral("(m/s)"),
    QStringLiteral("L/s"),
    QStringLiteral("(L/s)"),
    QStringLiteral("(℃)"),
    QStringLiteral("-"),
};

const QStringList RvbColumnNames = {
    QStringLiteral("测量时间"),
    QStringLiteral("数据1"),
    QStringLiteral("数据2"),
    QStringLiteral("数据3"),
    QStringLiteral("数据4"),
    QStringLiteral("数据5"),
    QStringLiteral("数据6"),
    QStringLiteral("报警"),
    QStringLiteral("故障编码"),
    QStringLiteral("供电电压"),
    QStringLiteral("GPRS工作时长"),
    QStringLiteral("设备工作时长"),
    QStringLiteral("传感器工作时长"),
    QStringLiteral("VGA"),
    QStringLiteral("MAX"),
    QStringLiteral("AC"),
    QStringLiteral("DC"),
    QStringLiteral("CSQ值"),
    QStringLiteral("基站信息"),
    QStringLiteral("5V监测"),
    QStringLiteral("12V检测"),
    QStringLiteral("3.9V检测"),
    QStringLiteral("CPU温度"),
    QStringLiteral("MAIN_GX"),
    QStringLiteral("MAIN_GY"),
    QStringLiteral("MAIN_GZ"),
    QStringLiteral("MAIN_MX"),
    QStringLiteral("MAIN_MY"),
    QStringLiteral("MAIN_MZ"),
    QStringLiteral("备用1"),
    QStringLiteral("备用2"),
    QStringLiteral("备用3"),
    QStringLiteral("备用4"),
    QStringLiteral("备用5"),
    QStringLiteral("备用6"),
};

const QStringList RvbUnitLabels = {
    QStringLiteral("(年-月-日 时:分:秒)"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("(V)"),
    QStringLiteral("(小时)"),
    QStringLiteral("(小时)"),
    QStringLiteral("(小时)"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("(V)"),
    QStringLiteral("(V)"),
    QStringLiteral("(V)"),
    QStringLiteral("(℃)"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
    QStringLiteral("-"),
};

// ---------------------------------------------------------------------------------------------

QString modelName(int code)
{
    for (const ModelEntry &entry : ModelTable) {
        if (entry.code == code)
            return entry.model;
    }
    return QStringLiteral("RVA");
}

QString modelContent(const QString &codeText)
{
    for (const ModelEntry &entry : ModelTable) {
        if (QString::number(entry.code) == codeText)
            return entry.content;
    }
    return QString();
}

static const ModelEntry *modelByByte(int code)
{
    const auto byte = static_cast<quint8>(code & 0xff);
    for (const ModelEntry &entry : ModelTable) {
        if (entry.code == byte)
            return &entry;
    }
    return nullptr;
}

QString modelChannelNames(int code)
{
    const ModelEntry *entry = modelByByte(code);
    return entry ? entry->channelNames : QString();
}

QString modelChannelUnits(int code)
{
    const ModelEntry *entry = modelByByte(code);
    return entry ? entry->channelUnits : QString();
}

// Splits a "$"-separated channel text into exactly six parts; missing parts are empty.
static QStringList sixParts(const QString &joined)
{
    QStringList parts = joined.isEmpty() ? QStringList() : joined.split(QLatin1Char('$'));
    while (parts.size() < 6)
        parts.append(QString());
    return parts.mid(0, 6);
}

QStringList modelChannelNameList(int code)
{
    return sixParts(modelChannelNames(code));
}

QStringList modelChannelUnitList(int code)
{
    return sixParts(modelChannelUnits(code));
}

QString deviceTypeName(int typeCode)
{
    if (typeCode < 1 || typeCode > DeviceTypeNames.size())
        return QString();
    return DeviceTypeNames[typeCode - 1];
}

QString probeVersionName(int index)
{
    if (index < 0 || index >= ProbeVersionNames.size())
        return QStringLiteral("未知(%1)").arg(index);
    return ProbeVersionNames[index];
}

QString pipeShapeName(quint32 shape)
{
    if (shape >= static_cast<quint32>(PipeShapeNames.size()))
        return QString();
    return PipeShapeNames[static_cast<int>(shape)];
}

// ---------------------------------------------------------------------------------------------

static bool isLeapYear(quint32 year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

RecordTime secondsToRecordTime(quint32 seconds)
{
    constexpr quint32 kDay = 86400;
    static const quint32 monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

    quint32 rest = seconds;
    quint32 year = 2014;
    for (;;) {
        const quint32 yearLength = (isLeapYear(year) ? 366 : 365) * kDay;
        if (rest < yearLength)
            break;
        rest -= yearLength;
        ++year;
    }
    quint32 month = 1;
    for (int m = 0; m < 12; ++m) {
        const quint32 days = (m == 1 && isLeapYear(year)) ? 29 : monthDays[m];
        if (rest < days * kDay)
            break;
        rest -= days * kDay;
        ++month;
    }

    RecordTime t;
    t.year = static_cast<quint16>(year);
    t.month = static_cast<quint8>(month);
    t.day = static_cast<quint8>(rest / kDay + 1);
    rest %= kDay;
    t.hour = static_cast<quint8>(rest / 3600);
    t.minute = static_cast<quint8>(rest % 3600 / 60);
    t.second = static_cast<quint8>(rest % 60);
    return t;
}

PipeGeometry pipeGeometryFrom(quint32 pipeShape, quint32 heightOrDiameter, quint32 widthOrLowerBase,
                              quint32 upperBase, quint32 sediment)
{
    PipeGeometry g;
    g.shape = static_cast<quint8>(pipeShape & 0xff);
    g.diameter = heightOrDiameter;
    g.height = heightOrDiameter;
    g.width = widthOrLowerBase;
    g.lowerBase = widthOrLowerBase;
    g.upperBase = upperBase;
    g.sediment = sediment;
    return g;
}

PipeGeometry pipeGeometryFrom(const PipeSaveIntoTfType &point)
{
    return pipeGeometryFrom(point.pipeShape, point.heightOrDiameter, point.widthOrLowerBase, point.upperBase,
                            point.sediment);
}

} // namespace lmv
