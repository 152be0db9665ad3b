#include "tools/lmvtool/CheckCommand.h"

#include "data/SurveyCheck.h"
#include "tools/lmvtool/ToolCommands.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace lmvtool {

using namespace lmv;

namespace {

void print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

QJsonObject findingJson(const Finding &f, const QStringList &channelNames)
{
    return QJsonObject{
        {QStringLiteral("kind"), findingKindText(f.kind)},
        {QStringLiteral("value"), checkedValueText(f.value, channelNames)},
        {QStringLiteral("start"), clockText(f.start)},
        {QStringLiteral("end"), clockText(f.end)},
        {QStringLiteral("seconds"), double(f.seconds)},
        {QStringLiteral("firstRecord"), f.wholeFile() ? QJsonValue() : double(f.firstRecord + 1)},
        {QStringLiteral("lastRecord"), f.wholeFile() ? QJsonValue() : double(f.lastRecord + 1)},
        {QStringLiteral("wholeFile"), f.wholeFile()},
        {QStringLiteral("aboutAnHour"), f.aboutAnHour},
        {QStringLiteral("detail"), findingDetail(f, channelNames)}};
}

QJsonObject dayJson(const DayVolume &d, qsizetype dayCount)
{
    QJsonObject o{{QStringLiteral("records"), double(d.records)},
                  {QStringLiteral("coverage"), d.coverage(dayCount)},
                  {QStringLiteral("volumeM3"), d.volumeM3},
                  {QStringLiteral("meanFlow"), d.meanFlow()},
                  {QStringLiteral("maxLevel"), double(d.maxLevel)},
                  {QStringLiteral("surchargeMinutes"), double(d.surchargeSeconds) / 60.0}};
    if (d.hasValues) {
        o.insert(QStringLiteral("minFlow"), double(d.minFlow));
        o.insert(QStringLiteral("maxFlow"), double(d.maxFlow));
    }
    return o;
}

QString checkJson(const SurveyCheck &c)
{
    QJsonArray gaps, findings;
    for (const Finding &f : c.findings) {
        findings.append(findingJson(f, c.channelNames));
        if (f.kind == FindingKind::Gap)
            gaps.append(QJsonObject{{QStringLiteral("start"), clockText(f.start)},
                                    {QStringLiteral("end"), clockText(f.end)},
                                    {QStringLiteral("seconds"), double(f.seconds)}});
    }
    QJsonObject o{
        {QStringLiteral("family"), c.family == Family::Rva ? QStringLiteral("RVA") : QStringLiteral("RVB")},
        {QStringLiteral("records"), double(c.records)},
        {QStringLiteral("intervalSeconds"), double(c.intervalSeconds)},
        {QStringLiteral("gaps"), gaps},
        {QStringLiteral("duplicateTimes"), double(c.duplicatesSame + c.duplicatesDifferent)},
        {QStringLiteral("duplicateTimesSameValues"), double(c.duplicatesSame)},
        {QStringLiteral("duplicateTimesDifferentValues"), double(c.duplicatesDifferent)},
        {QStringLiteral("backwardSteps"), double(c.backwardSteps)},
        {QStringLiteral("hourSteps"), double(c.hourSteps)},
        {QStringLiteral("irregularSteps"), double(c.irregularSteps)},
        {QStringLiteral("findings"), findings}};
    if (c.family == Family::Rva) {
        QJsonArray days;
        for (const DayVolume &d : c.days) {
            QJsonObject day = dayJson(d, 1);
            day.insert(QStringLiteral("date"), dayText(d.day));
            days.append(day);
        }
        o.insert(QStringLiteral("days"), days);
        o.insert(QStringLiteral("total"), dayJson(c.total, c.days.size()));
        o.insert(QStringLiteral("totalVolumeM3"), c.total.volumeM3);
        o.insert(QStringLiteral("surchargeSeconds"), double(c.surchargeSeconds));
    } else {
        o.insert(QStringLiteral("weakPowerSeconds"), double(c.weakPowerSeconds));
        o.insert(QStringLiteral("weakSignalSeconds"), double(c.weakSignalSeconds));
    }
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

QString dayRow(const QString &date, const DayVolume &d, qsizetype dayCount)
{
    const auto f3 = [](double v) { return QString::number(v, 'f', 3); };
    return QStringLiteral("%1  %2  %3%  %4  %5  %6  %7  %8  %9\n")
        .arg(date, -10)
        .arg(d.records, 7)
        .arg(QString::number(d.coverage(dayCount) * 100.0, 'f', 1), 5)
        .arg(f3(d.volumeM3), 12)
        .arg(f3(d.meanFlow()), 10)
        .arg(d.hasValues ? f3(double(d.minFlow)) : QStringLiteral("-"), 10)
        .arg(d.hasValues ? f3(double(d.maxFlow)) : QStringLiteral("-"), 10)
        .arg(f3(double(d.maxLevel)), 8)
        .arg(QString::number(double(d.surchargeSeconds) / 60.0, 'f', 1), 8);
}

QString checkText(const QString &path, const SurveyCheck &c)
{
    QString out = QStringLiteral("文件: %1\n").arg(path);
    out += QStringLiteral("记录: %1 条, 记录间隔: %2s\n").arg(c.records).arg(c.intervalSeconds);
    out += QStringLiteral("数据缺失 %1 处, 重复时间 %2 处 (数值相同 %3, 数值不同 %4), 时间倒退 %5 处, "
                          "约一小时跳变 %6 处, 间隔不规则 %7 处\n")
               .arg(c.gaps)
               .arg(c.duplicatesSame + c.duplicatesDifferent)
               .arg(c.duplicatesSame)
               .arg(c.duplicatesDifferent)
               .arg(c.backwardSteps)
               .arg(c.hourSteps)
               .arg(c.irregularSteps);
    if (c.family == Family::Rva)
        out += QStringLiteral("超过管顶共 %1\n").arg(durationText(c.surchargeSeconds));
    else
        out += QStringLiteral("供电电压低共 %1, 信号弱共 %2\n")
                   .arg(durationText(c.weakPowerSeconds), durationText(c.weakSignalSeconds));
    out += QStringLiteral("\n发现 %1 项:\n").arg(c.findings.size());
    for (const Finding &f : c.findings)
        out += QStringLiteral("%1 ~ %2  %3  记录 %4  %5\n")
                   .arg(clockText(f.start), clockText(f.end), findingKindText(f.kind), recordRangeText(f),
                        findingDetail(f, c.channelNames));
    if (c.family != Family::Rva)
        return out;
    out += QStringLiteral(
        "\n日期        记录数  覆盖率      水量(m3)   平均流量    最小流量    最大流量  最高液位  "
        "超过管顶\n");
    out += QStringLiteral("                                               (L/s)       (L/s)       (L/s)     "
                          "(m)     (分钟)\n");
    for (const DayVolume &d : c.days)
        out += dayRow(dayText(d.day), d, 1);
    out += dayRow(QStringLiteral("合计"), c.total, c.days.size());
    return out;
}

} // namespace

int runCheck(const QStringList &args)
{
    QStringList files;
    bool json = false;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--json")) {
            json = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            printError(arg, QStringLiteral("unknown option"));
            return kExitUsage;
        } else {
            files << arg;
        }
    }
    if (files.size() != 1) {
        printError(QStringLiteral("check"), QStringLiteral("needs exactly one FILE"));
        return kExitUsage;
    }
    const QString path = files.first();
    if (!checkInputFile(path))
        return kExitFileError;
    DataFileContents contents;
    const int result = readDataFile(path, contents);
    if (result != ReadOk) {
        printError(
            path,
            result == ReadUnknownFamily
                ? QStringLiteral("not a data file (type code %1 at offset 500)").arg(contents.header.typeCode)
                : readErrorText(path, result, contents.header.fileSize));
        return kExitFileError;
    }
    const SurveyCheck check = checkContents(contents);
    print(json ? checkJson(check) : checkText(path, check));
    return kExitOk;
}

} // namespace lmvtool
