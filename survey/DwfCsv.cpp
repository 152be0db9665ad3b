#include "survey/DwfCsv.h"

#include "data/SurveyCheck.h"

#include <QSaveFile>
#include <QStringList>

#include <cmath>

namespace lmv::survey {

namespace {

QString num(double v, int decimals)
{
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString();
}

// A field with a comma, a quote or a line break is quoted, its quotes doubled.
QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString line(const QStringList &fields)
{
    QStringList out;
    for (const QString &f : fields)
        out << field(f);
    return out.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

double at(const std::vector<double> &values, std::size_t slot)
{
    return slot < values.size() ? values[slot] : std::nan("");
}

QString slotTime(qint64 seconds)
{
    return QStringLiteral("%1:%2")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QString dayReasonText(const DayStatus &d)
{
    if (d.dry())
        return QStringLiteral("旱天");
    QStringList why;
    if (d.reasons & DayNoGauge)
        why << QStringLiteral("雨量计未覆盖");
    if (d.reasons & DayRain)
        why << QStringLiteral("降雨 %1 mm").arg(num(d.rainMm, 1));
    if (d.reasons & DayLowCoverage)
        why << QStringLiteral("覆盖率 %1%").arg(num(d.coverage * 100.0, 0));
    if (d.reasons & DayOutlier)
        why << QStringLiteral("日均流量异常");
    if (d.reasons & DayNotChosen)
        why << QStringLiteral("未勾选");
    return why.join(QStringLiteral("; "));
}

QByteArray dwfCsv(const QString &point, const PointDwf &r)
{
    const DryWeatherResult &d = r.dwf;
    const DwfFigures &f = d.figures;
    QString out;
    out += line({QStringLiteral("测点"), point});
    out += line({QStringLiteral("雨量计"), r.gauge ? r.gauge->name : QString()});
    out += line({QStringLiteral("记录间隔(s)"), QString::number(d.intervalSeconds)});
    out += line({QStringLiteral("平均旱季流量ADWF(L/s)"), num(f.adwf, 3)});
    out += line({QStringLiteral("最小夜间流量MNF(L/s)"), num(f.mnf, 3)});
    out += line({QStringLiteral("峰值系数"), num(f.peakFactor, 3)});
    out += line({QStringLiteral("地下水入渗GWI(L/s)"), num(f.gwi, 3), num(f.gwiShare() * 100.0, 1) + "%"});
    out += line(
        {QStringLiteral("基础污水量(L/s)"), num(f.baseSanitary, 3), num(f.baseShare() * 100.0, 1) + "%"});
    for (const QString &note : d.notes)
        out += line({QStringLiteral("注"), note});

    out += QStringLiteral("\r\n");
    out += line({QStringLiteral("时刻"), QStringLiteral("工作日流量(L/s)"), QStringLiteral("周末流量(L/s)"),
                 QStringLiteral("工作日液位(m)"), QStringLiteral("周末液位(m)"),
                 QStringLiteral("工作日流速(m/s)"), QStringLiteral("周末流速(m/s)")});
    const int slotTotal = d.intervalSeconds > 0 ? slotCount(d.intervalSeconds) : 0;
    for (int s = 0; s < slotTotal && (d.weekday.present() || d.weekend.present()); ++s) {
        const std::size_t i = std::size_t(s);
        out += line({slotTime(qint64(s) * d.intervalSeconds), num(at(d.weekday.flow, i), 3),
                     num(at(d.weekend.flow, i), 3), num(at(d.weekday.level, i), 4),
                     num(at(d.weekend.level, i), 4), num(at(d.weekday.velocity, i), 4),
                     num(at(d.weekend.velocity, i), 4)});
    }

    out += QStringLiteral("\r\n");
    out += line({QStringLiteral("日期"), QStringLiteral("类别"), QStringLiteral("当日及前期雨量(mm)"),
                 QStringLiteral("覆盖率"), QStringLiteral("日均流量(L/s)"), QStringLiteral("判定")});
    for (const DayStatus &day : d.days)
        out += line({dayText(day.day),
                     day.group == DayGroup::Weekend ? QStringLiteral("周末") : QStringLiteral("工作日"),
                     num(day.rainMm, 1), num(day.coverage, 3), num(day.meanFlow, 3), dayReasonText(day)});

    out += QStringLiteral("\r\n");
    out += line({QStringLiteral("降雨开始"), QStringLiteral("降雨结束"), QStringLiteral("雨量(mm)"),
                 QStringLiteral("入流入渗量(m3)"), QStringLiteral("峰值入流入渗(L/s)"),
                 QStringLiteral("历时(h)"), QStringLiteral("径流系数")});
    for (const RdiiEvent &e : r.rdii.events)
        out +=
            line({clockText(e.start), clockText(e.end), num(e.depthMm, 1), num(e.volumeM3, 1),
                  num(e.peakRdii, 3), num(double(e.durationSeconds()) / 3600.0, 2), num(e.runoffRatio, 4)});
    const RdiiSummary &sum = r.rdii.summary;
    if (sum.withRatio > 0)
        out += line({QStringLiteral("径流系数平均"), num(sum.meanRatio, 4), QStringLiteral("最小"),
                     num(sum.minRatio, 4), QStringLiteral("最大"), num(sum.maxRatio, 4)});
    if (sum.largest >= 0)
        out += line({QStringLiteral("最大一场"), clockText(r.rdii.events[std::size_t(sum.largest)].start)});
    for (const QString &note : r.rdii.notes)
        out += line({QStringLiteral("注"), note});
    return out.toUtf8();
}

bool writeDwfCsv(const QString &point, const PointDwf &result, const QString &targetPath)
{
    const QByteArray bytes = dwfCsv(point, result);
    QSaveFile file(targetPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace lmv::survey
