#pragma once

// A point's dry-weather settings as the project database keeps them (table point_setting): the
// dry-day thresholds, the holidays counted as weekend, the days chosen as dry when the point has
// no gauge, the catchment area and the response time of the inflow. Unset keys read as the
// defaults; a stored value that cannot be read (a damaged row) is passed over with a note.

#include "survey/DryWeather.h"
#include "survey/Rdii.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace lmv::survey {

class ProjectDb;

// Keys of point_setting.
namespace dwfkey {
inline const QString antecedentHours = QStringLiteral("dwf.antecedent_hours");
inline const QString maxRainMm = QStringLiteral("dwf.max_rain_mm");
inline const QString minCoverage = QStringLiteral("dwf.min_coverage");
inline const QString fenceIqr = QStringLiteral("dwf.fence_iqr");
inline const QString holidays = QStringLiteral("dwf.holidays");      // "yyyy-MM-dd" separated by ","
inline const QString chosenDays = QStringLiteral("dwf.chosen_days"); // the same
inline const QString areaHa = QStringLiteral("rdii.area_ha");
inline const QString responseHours = QStringLiteral("rdii.response_hours");
} // namespace dwfkey

struct PointDwfSettings
{
    DryWeatherSettings dry;
    RdiiSettings rdii;
    std::vector<qint64> chosenDays; // ticked as dry (days since 1970-01-01), used without a gauge

    // The point's settings; defaults where nothing is stored or the database is absent. Values that
    // cannot be read go to *problems by key and the default stands.
    static PointDwfSettings load(const ProjectDb &db, const QString &point, QStringList *problems = nullptr);
    // The same from the stored texts by key (none: unset); what load reads through.
    static PointDwfSettings fromTexts(const std::function<std::optional<QString>(const QString &key)> &text,
                                      QStringList *problems = nullptr);
    // Stores every setting of the point in one transaction (nothing is written when one fails or
    // the settings are unsound).
    bool save(ProjectDb &db, const QString &point, QString *error = nullptr) const;

    // Why the settings cannot be used (Chinese, for the window and lmvtool); empty when they can.
    QString problem() const;
};

// Days as "yyyy-MM-dd" joined by ","; ascending and without repeats.
QString dayListText(std::vector<qint64> days);
// Reads what dayListText writes (spaces, "," or ";" between days). False when a part is no date.
bool parseDayList(const QString &text, std::vector<qint64> &days);

} // namespace lmv::survey
