// Fuzz entry of a point's dry-weather settings as the project database hands them over: the input
// lines are the stored texts of the thresholds, the holidays and the ticked days (a missing line:
// unset). Whatever is stored, the settings read must be usable and their day lists must survive
// being written back; the dry-weather flow of a small survey runs under them.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"

#include "survey/DwfSettings.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cmath>

namespace lmv::fuzz {

using namespace lmv::survey;

int dwfSettings(const std::uint8_t *data, std::size_t size)
{
    const QList<QByteArray> lines = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\n');
    const QStringList keys{dwfkey::antecedentHours, dwfkey::maxRainMm,    dwfkey::minCoverage,
                           dwfkey::fenceIqr,        dwfkey::holidays,     dwfkey::chosenDays,
                           dwfkey::areaHa,          dwfkey::responseHours};
    const auto text = [&](const QString &key) -> std::optional<QString> {
        const int i = int(keys.indexOf(key));
        if (i < 0 || i >= lines.size() || lines[i] == "-")
            return std::nullopt;
        return QString::fromUtf8(lines[i]);
    };
    QStringList problems;
    const PointDwfSettings s = PointDwfSettings::fromTexts(text, &problems);
    require(s.problem().isEmpty(), "settings read are usable");
    for (const std::vector<qint64> *days : {&s.dry.holidays, &s.chosenDays}) {
        require(std::adjacent_find(days->begin(), days->end(), std::greater_equal<qint64>()) == days->end(),
                "day lists ascending without repeats");
        std::vector<qint64> back;
        require(parseDayList(dayListText(*days), back) && back == *days,
                "day lists written back read the same");
    }

    // Two days at an hourly interval, the settings' first chosen day among them when there is one.
    const qint64 start =
        (s.chosenDays.empty() ? 19814 : std::clamp<qint64>(s.chosenDays.front(), 0, 40000)) * 86400;
    std::vector<qint64> times;
    std::vector<float> level, velocity, flow;
    for (int h = 0; h < 48; ++h) {
        times.push_back(start + h * 3600);
        level.push_back(0.2f);
        velocity.push_back(0.5f);
        flow.push_back(float(40 + h % 24));
    }
    const DryWeatherResult r =
        dryWeatherFlow(makeRvaLayer(times, level, velocity, flow), nullptr, s.dry, s.chosenDays);
    for (const DiurnalProfile *p : {&r.weekday, &r.weekend})
        for (const double v : p->flow)
            require(std::isnan(v) || (v >= 40.0 - 1e-9 && v <= 63.0 + 1e-9), "profile within the flows");
    return 0;
}

} // namespace lmv::fuzz
