#include "survey/DwfSettings.h"

#include "survey/ProjectDb.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace lmv::survey {

namespace {

const QDate kEpoch(1970, 1, 1);

// Each threshold with the range the window offers; outside it a figure means nothing.
struct Limit
{
    const QString &key;
    QString name;
    double low;
    double high;
    bool lowOpen; // the low end itself is refused
};

std::vector<Limit> limits()
{
    return {{dwfkey::antecedentHours, QStringLiteral("前期无雨时间"), 0.0, 240.0, false},
            {dwfkey::maxRainMm, QStringLiteral("雨量上限"), 0.0, 100.0, true},
            {dwfkey::minCoverage, QStringLiteral("最低覆盖率"), 0.0, 1.0, false},
            {dwfkey::fenceIqr, QStringLiteral("异常值判别倍数"), 0.0, 10.0, true},
            {dwfkey::areaHa, QStringLiteral("汇水面积"), 0.0, 1.0e6, false},
            {dwfkey::responseHours, QStringLiteral("响应时间"), 0.0, 240.0, true}};
}

double *valueOf(PointDwfSettings &s, const QString &key)
{
    if (key == dwfkey::antecedentHours)
        return &s.dry.antecedentHours;
    if (key == dwfkey::maxRainMm)
        return &s.dry.maxRainMm;
    if (key == dwfkey::minCoverage)
        return &s.dry.minCoverage;
    if (key == dwfkey::fenceIqr)
        return &s.dry.fenceIqr;
    if (key == dwfkey::areaHa)
        return &s.rdii.areaHa;
    return &s.rdii.responseHours;
}

bool inside(const Limit &l, double v)
{
    return std::isfinite(v) && (l.lowOpen ? v > l.low : v >= l.low) && v <= l.high;
}

} // namespace

QString dayListText(std::vector<qint64> days)
{
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    QStringList parts;
    for (const qint64 day : days)
        parts << kEpoch.addDays(day).toString(QStringLiteral("yyyy-MM-dd"));
    // An empty text, never a null one: the database stores "" where a null would be refused.
    return parts.isEmpty() ? QStringLiteral("") : parts.join(QLatin1Char(','));
}

bool parseDayList(const QString &text, std::vector<qint64> &days)
{
    days.clear();
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QDate date = QDate::fromString(part, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid()) {
            days.clear();
            return false;
        }
        days.push_back(kEpoch.daysTo(date));
    }
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    return true;
}

PointDwfSettings
PointDwfSettings::fromTexts(const std::function<std::optional<QString>(const QString &key)> &text,
                            QStringList *problems)
{
    PointDwfSettings s;
    const auto said = [&](const QString &key, const QString &value) {
        if (problems)
            *problems << QStringLiteral("设置 %1 无法读取: %2").arg(key, value.left(100));
    };
    for (const Limit &l : limits()) {
        const std::optional<QString> value = text(l.key);
        if (!value)
            continue;
        bool ok = false;
        const double v = value->toDouble(&ok);
        if (ok && inside(l, v))
            *valueOf(s, l.key) = v;
        else
            said(l.key, *value);
    }
    for (const auto &[key, list] :
         {std::pair{dwfkey::holidays, &s.dry.holidays}, std::pair{dwfkey::chosenDays, &s.chosenDays}}) {
        const std::optional<QString> value = text(key);
        if (value && !parseDayList(*value, *list))
            said(key, *value);
    }
    return s;
}

PointDwfSettings PointDwfSettings::load(const ProjectDb &db, const QString &point, QStringList *problems)
{
    QStringList said;
    PointDwfSettings s =
        fromTexts([&](const QString &key) { return db.textSetting(point, key); }, problems ? &said : nullptr);
    if (problems)
        for (const QString &p : std::as_const(said))
            *problems << QStringLiteral("测点 %1 的%2").arg(point, p);
    return s;
}

QString PointDwfSettings::problem() const
{
    PointDwfSettings copy = *this;
    for (const Limit &l : limits()) {
        const double v = *valueOf(copy, l.key);
        if (!inside(l, v))
            return QStringLiteral("%1 应在 %2%3 ~ %4 之间: %5")
                .arg(l.name, l.lowOpen ? QStringLiteral("大于 ") : QString())
                .arg(l.low)
                .arg(l.high)
                .arg(v);
    }
    return {};
}

bool PointDwfSettings::save(ProjectDb &db, const QString &point, QString *error) const
{
    if (const QString why = problem(); !why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    PointDwfSettings copy = *this;
    return db.transaction(
        [&](QSqlDatabase &, QString &why) {
            for (const Limit &l : limits())
                if (!db.setRealSetting(point, l.key, *valueOf(copy, l.key), &why))
                    return false;
            return db.setTextSetting(point, dwfkey::holidays, dayListText(dry.holidays), &why) &&
                   db.setTextSetting(point, dwfkey::chosenDays, dayListText(chosenDays), &why);
        },
        error);
}

} // namespace lmv::survey
