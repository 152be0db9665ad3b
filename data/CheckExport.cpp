#include "data/CheckExport.h"

#include <QSaveFile>
#include <QStringList>

namespace lmv {

namespace {

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString dayLine(const QString &date, const DayVolume &d, qsizetype dayCount)
{
    const QStringList fields{date,
                             QString::number(d.records),
                             fixed(d.coverage(dayCount) * 100.0, 1),
                             fixed(d.volumeM3, 3),
                             fixed(d.meanFlow(), 3),
                             d.hasValues ? fixed(double(d.minFlow), 3) : QString(),
                             d.hasValues ? fixed(double(d.maxFlow), 3) : QString(),
                             fixed(double(d.maxLevel), 3),
                             fixed(double(d.surchargeSeconds) / 60.0, 1)};
    return fields.join(QLatin1Char(','));
}

QString findingLine(const Finding &f, const QStringList &channelNames)
{
    const QStringList fields{
        findingKindText(f.kind), clockText(f.start), clockText(f.end), QString::number(f.seconds),
        // A finding about the whole file names no record.
        f.wholeFile() ? QString() : QString::number(f.firstRecord + 1),
        f.wholeFile() ? QString() : QString::number(f.lastRecord + 1), findingDetail(f, channelNames)};
    return fields.join(QLatin1Char(','));
}

} // namespace

QByteArray formatCheckCsv(const SurveyCheck &check)
{
    QStringList lines;
    lines << QStringLiteral("记录数:%1").arg(check.records)
          << QStringLiteral("记录间隔:%1s").arg(check.intervalSeconds);
    if (check.family == Family::Rva) {
        lines << QStringLiteral("合计水量:%1m3").arg(fixed(check.total.volumeM3, 3))
              << QStringLiteral("日期,记录数,覆盖率(%),水量(m3),平均流量(L/s),最小流量(L/s),最大流量(L/s),"
                                "最高液位(m),超过管顶(分钟)");
        for (const DayVolume &d : check.days)
            lines << dayLine(dayText(d.day), d, 1);
        lines << dayLine(QStringLiteral("合计"), check.total, check.days.size());
    }
    lines << QStringLiteral("类型,开始时间,结束时间,时长(s),起始记录,结束记录,说明");
    for (const Finding &f : check.findings)
        lines << findingLine(f, check.channelNames);
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

bool exportCheckCsv(const SurveyCheck &check, const QString &targetPath)
{
    QSaveFile file(targetPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = formatCheckCsv(check);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace lmv
