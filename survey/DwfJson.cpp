#include "survey/DwfJson.h"

#include "data/SurveyCheck.h"

#include <QJsonArray>
#include <QJsonValue>

namespace lmv::survey {

namespace {

QJsonValue number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
}

// Depths summed from gauge intervals carry binary fractions (9.599999999999998); a millionth of a
// millimetre is far below any gauge's resolution.
QJsonValue depth(double mm)
{
    return number(std::round(mm * 1e6) / 1e6);
}

QJsonValue profileJson(const DiurnalProfile &p)
{
    if (!p.present())
        return QJsonValue(QJsonValue::Null);
    QJsonArray values;
    for (double v : p.flow)
        values.append(number(v));
    return values;
}

} // namespace

QJsonObject dwfJson(const DryWeatherResult &result)
{
    QJsonArray dryDays;
    for (qint64 day : result.dryDays())
        dryDays.append(dayText(day));
    const DwfFigures &f = result.figures;
    return QJsonObject{{QStringLiteral("dryDays"), dryDays},
                       {QStringLiteral("intervalSeconds"), double(result.intervalSeconds)},
                       {QStringLiteral("weekday"), profileJson(result.weekday)},
                       {QStringLiteral("weekend"), profileJson(result.weekend)},
                       {QStringLiteral("adwf"), number(f.adwf)},
                       {QStringLiteral("mnf"), number(f.mnf)},
                       {QStringLiteral("peakFactor"), number(f.peakFactor)},
                       {QStringLiteral("gwi"), number(f.gwi)},
                       {QStringLiteral("baseSanitary"), number(f.baseSanitary)},
                       {QStringLiteral("notes"), QJsonArray::fromStringList(result.notes)}};
}

QJsonObject rdiiJson(const RdiiResult &result)
{
    QJsonArray events;
    for (const RdiiEvent &e : result.events)
        events.append(QJsonObject{{QStringLiteral("start"), clockText(e.start)},
                                  {QStringLiteral("end"), clockText(e.end)},
                                  {QStringLiteral("depthMm"), depth(e.depthMm)},
                                  {QStringLiteral("rdiiVolumeM3"), number(e.volumeM3)},
                                  {QStringLiteral("peakRdii"), number(e.peakRdii)},
                                  {QStringLiteral("runoffRatio"), number(e.runoffRatio)}});
    return QJsonObject{{QStringLiteral("events"), events}};
}

} // namespace lmv::survey
