#include "report/ModelExport.h"

#include "report/RainBins.h"
#include "report/ReportFormat.h"

#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>

namespace lmv::report {

namespace {

constexpr qint64 kDay = 86400;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct ClockFields
{
    QDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

ClockFields fieldsOf(qint64 seconds)
{
    ClockFields f;
    f.date = clockDate(seconds);
    const qint64 ofDay = seconds - QDate(1970, 1, 1).daysTo(f.date) * kDay;
    f.hour = int(ofDay / 3600);
    f.minute = int(ofDay / 60 % 60);
    f.second = int(ofDay % 60);
    return f;
}

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// "yyyy-MM-dd HH:mm:ss", as every other time of the program is written.
QString clockText(qint64 seconds)
{
    const ClockFields f = fieldsOf(seconds);
    return QStringLiteral("%1 %2:%3:%4")
        .arg(f.date.toString(QStringLiteral("yyyy-MM-dd")), twoDigits(f.hour), twoDigits(f.minute),
             twoDigits(f.second));
}

// "MM/DD/YYYY HH:MM", with ":SS" when the time has seconds.
QString swmmTime(qint64 seconds)
{
    const ClockFields f = fieldsOf(seconds);
    QString text = QStringLiteral("%1/%2/%3 %4:%5")
                       .arg(twoDigits(f.date.month()), twoDigits(f.date.day()))
                       .arg(f.date.year(), 4, 10, QLatin1Char('0'))
                       .arg(twoDigits(f.hour), twoDigits(f.minute));
    if (f.second != 0)
        text += QLatin1Char(':') + twoDigits(f.second);
    return text;
}

QString seriesTitle(ModelSeries series, FlowUnit unit)
{
    switch (series) {
    case ModelSeries::Level:
        return QStringLiteral("液位 (m)");
    case ModelSeries::Velocity:
        return QStringLiteral("流速 (m/s)");
    case ModelSeries::Flow:
        break;
    }
    return QStringLiteral("流量 (%1)").arg(flowUnitName(unit));
}

bool removed(const survey::SurveyLayer &layer, qsizetype i)
{
    return layer.flag(i) & survey::FlagRemoved;
}

// Index range [first, last) of the records in [from, to].
std::pair<std::size_t, std::size_t> recordsBetween(const std::vector<qint64> &times,
                                                   std::optional<qint64> from, std::optional<qint64> to)
{
    const auto first = from ? std::lower_bound(times.begin(), times.end(), *from) : times.begin();
    const auto last = to ? std::upper_bound(first, times.end(), *to) : times.end();
    return {std::size_t(first - times.begin()), std::size_t(last - times.begin())};
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

void appendLine(QByteArray &out, const QString &line)
{
    out += line.toUtf8();
    out += '\n';
}

// Multipliers written six to a line as SWMM itself writes them; the name and type on the first.
void appendPattern(QByteArray &out, const QString &name, const QString &type, const double *values, int count)
{
    for (int i = 0; i < count; i += 6) {
        QString line = QStringLiteral("%1 %2").arg(name, -16).arg(i == 0 ? type : QString(), -10);
        for (int k = i; k < std::min(count, i + 6); ++k)
            line += QLatin1Char(' ') + numberText(values[k], 4);
        appendLine(out, line);
    }
}

double mean(const std::array<double, 24> &values)
{
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum / 24.0;
}

} // namespace

QString flowUnitName(FlowUnit unit)
{
    switch (unit) {
    case FlowUnit::Lps:
        return QStringLiteral("LPS");
    case FlowUnit::Cms:
        return QStringLiteral("CMS");
    case FlowUnit::Mld:
        return QStringLiteral("MLD");
    case FlowUnit::Cfs:
        return QStringLiteral("CFS");
    case FlowUnit::Gpm:
        return QStringLiteral("GPM");
    case FlowUnit::Mgd:
        return QStringLiteral("MGD");
    }
    return QString();
}

std::optional<FlowUnit> flowUnitFromName(const QString &name)
{
    for (FlowUnit u :
         {FlowUnit::Lps, FlowUnit::Cms, FlowUnit::Mld, FlowUnit::Cfs, FlowUnit::Gpm, FlowUnit::Mgd})
        if (name.compare(flowUnitName(u), Qt::CaseInsensitive) == 0)
            return u;
    return std::nullopt;
}

double flowInUnit(double lps, FlowUnit unit)
{
    constexpr double kLitresPerCubicFoot = 28.316846592;
    constexpr double kLitresPerUsGallon = 3.785411784;
    switch (unit) {
    case FlowUnit::Lps:
        return lps;
    case FlowUnit::Cms:
        return lps / 1000.0;
    case FlowUnit::Mld:
        return lps * kDay / 1e6;
    case FlowUnit::Cfs:
        return lps / kLitresPerCubicFoot;
    case FlowUnit::Gpm:
        return lps * 60.0 / kLitresPerUsGallon;
    case FlowUnit::Mgd:
        return lps * kDay / kLitresPerUsGallon / 1e6;
    }
    return lps;
}

int flowDecimals(FlowUnit unit)
{
    switch (unit) {
    case FlowUnit::Lps:
    case FlowUnit::Gpm:
        return 2;
    case FlowUnit::Mld:
    case FlowUnit::Cfs:
        return 4;
    case FlowUnit::Cms:
    case FlowUnit::Mgd:
        return 5;
    }
    return 2;
}

std::optional<ModelSeries> modelSeriesFromName(const QString &name)
{
    if (name == QLatin1String("flow"))
        return ModelSeries::Flow;
    if (name == QLatin1String("level"))
        return ModelSeries::Level;
    if (name == QLatin1String("velocity"))
        return ModelSeries::Velocity;
    return std::nullopt;
}

QString modelId(const QString &name)
{
    QString id = name.trimmed();
    for (QChar &c : id)
        if (c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char(';'))
            c = QLatin1Char('_');
    return id.isEmpty() ? QStringLiteral("1") : id;
}

QByteArray swmmTimeSeries(const survey::SurveyLayer &layer, const SwmmSeriesOptions &options)
{
    const auto [first, last] = recordsBetween(layer.times, options.from, options.to);
    const bool rva = layer.rva.size() == layer.times.size();
    QByteArray body;
    qsizetype written = 0;
    qint64 start = 0, end = 0;
    const int decimals = options.series == ModelSeries::Flow ? flowDecimals(options.flowUnit) : 3;
    for (std::size_t i = first; rva && i < last; ++i) {
        if (removed(layer, qsizetype(i)))
            continue;
        double v = 0.0;
        switch (options.series) {
        case ModelSeries::Flow:
            v = flowInUnit(layer.correctedFlow(qsizetype(i)), options.flowUnit);
            break;
        case ModelSeries::Level:
            v = layer.rva[i].level;
            break;
        case ModelSeries::Velocity:
            v = layer.correctedVelocity(qsizetype(i));
            break;
        }
        if (!std::isfinite(v))
            continue;
        if (written++ == 0)
            start = layer.times[i];
        end = layer.times[i];
        appendLine(body, swmmTime(layer.times[i]) + QLatin1Char(' ') + numberText(v, decimals));
    }
    QByteArray out;
    appendLine(out, QStringLiteral(";Limnova Viewer 时间序列"));
    appendLine(out, QStringLiteral(";测点: %1").arg(options.pointName));
    appendLine(out, QStringLiteral(";数据: %1").arg(seriesTitle(options.series, options.flowUnit)));
    appendLine(out, written > 0 ? QStringLiteral(";时段: %1 至 %2").arg(clockText(start), clockText(end))
                                : QStringLiteral(";时段: 无记录"));
    appendLine(out, QStringLiteral(";记录: %1").arg(written));
    return out + body;
}

QByteArray swmmRainFile(const survey::RainSeries &rain, const SwmmRainOptions &options, QString *error)
{
    const bool tips = rain.kind == survey::RainKind::Tips || rain.intervalSeconds <= 0;
    const qint64 step = options.stepSeconds > 0 ? options.stepSeconds : tips ? 60 : rain.intervalSeconds;
    if (!tips && step % rain.intervalSeconds != 0) {
        fail(
            error,
            QStringLiteral("时间步长 %1 秒不是雨量计间隔 %2 秒的整数倍").arg(step).arg(rain.intervalSeconds));
        return {};
    }
    if (rain.times.empty())
        return {};
    const RainBars bins = binRain(rain, step, options.from.value_or(rain.times.front()),
                                  options.to.value_or(rain.times.back()));
    const QString station = modelId(options.stationId);
    QByteArray out;
    for (std::size_t i = 0; i < bins.starts.size(); ++i) {
        const ClockFields f = fieldsOf(bins.starts[i]);
        appendLine(out, QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                            .arg(station)
                            .arg(f.date.year())
                            .arg(f.date.month())
                            .arg(f.date.day())
                            .arg(f.hour)
                            .arg(f.minute)
                            .arg(shortNumberText(bins.depthMm[i], 3)));
    }
    return out;
}

bool dwfPatterns(const DryWeatherProfiles &profiles, DwfPatterns &patterns, QString *error)
{
    patterns = {};
    std::array<double, 24> weekday{}, weekend{};
    const bool haveWeekday =
        !profiles.weekday.empty() && hourlyMeans(profiles.weekday, profiles.slotSeconds, weekday);
    const bool haveWeekend =
        !profiles.weekend.empty() && hourlyMeans(profiles.weekend, profiles.slotSeconds, weekend);
    if (!haveWeekday && !haveWeekend)
        return fail(error, QStringLiteral("没有覆盖全天的旱季流量曲线"));
    const double weekdayMean = haveWeekday ? mean(weekday) : 0.0;
    const double weekendMean = haveWeekend ? mean(weekend) : 0.0;
    if ((haveWeekday && !(weekdayMean > 0.0)) || (haveWeekend && !(weekendMean > 0.0)))
        return fail(error, QStringLiteral("旱季流量曲线的平均流量不大于零"));
    auto multipliers = [](const std::array<double, 24> &means, double m) {
        std::array<double, 24> out{};
        for (std::size_t h = 0; h < 24; ++h)
            out[h] = means[h] / m;
        return out;
    };
    if (haveWeekday)
        patterns.weekday = multipliers(weekday, weekdayMean);
    if (haveWeekend)
        patterns.weekend = multipliers(weekend, weekendMean);
    if (haveWeekday && haveWeekend) {
        patterns.average = 5.0 / 7.0 * weekdayMean + 2.0 / 7.0 * weekendMean;
        const double wd = weekdayMean / patterns.average;
        const double we = weekendMean / patterns.average;
        patterns.daily = std::array<double, 7>{we, wd, wd, wd, wd, wd, we}; // Sunday first
    } else {
        patterns.average = haveWeekday ? weekdayMean : weekendMean;
    }
    return true;
}

QByteArray swmmDryWeather(const DryWeatherProfiles &profiles, const SwmmDwfOptions &options, QString *error)
{
    DwfPatterns p;
    if (!dwfPatterns(profiles, p, error))
        return {};
    const QString node = modelId(options.nodeId.isEmpty() ? options.pointName : options.nodeId);
    const QString daily = node + QStringLiteral("_DAILY");
    const QString hourly = node + QStringLiteral("_HOURLY");
    const QString weekend = node + QStringLiteral("_WEEKEND");
    // SWMM applies the hourly pattern on every day a weekend pattern does not cover; with only a
    // weekend profile, that profile serves all days.
    const std::array<double, 24> &hourlyValues = p.weekday ? *p.weekday : *p.weekend;
    auto quoted = [](const QString &name) { return QStringLiteral("\"%1\"").arg(name); };

    QByteArray out;
    appendLine(out, QStringLiteral(";Limnova Viewer 旱季流量, 测点: %1")
                        .arg(options.pointName.isEmpty() ? node : options.pointName));
    appendLine(out,
               QStringLiteral(";平均旱季流量 %1 L/s = %2 %3")
                   .arg(flowText(p.average),
                        numberText(flowInUnit(p.average, options.flowUnit), flowDecimals(options.flowUnit)),
                        flowUnitName(options.flowUnit)));
    if (!p.weekday)
        appendLine(out, QStringLiteral(";没有工作日旱季流量曲线: 周末曲线用于每一天"));
    if (!p.weekend)
        appendLine(out, QStringLiteral(";没有周末旱季流量曲线: 工作日曲线用于每一天"));
    appendLine(out, QString());
    appendLine(out, QStringLiteral("[DWF]"));
    appendLine(out, QStringLiteral(";;Node           Constituent      Baseline   Patterns"));
    QString line =
        QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(node, -16)
            .arg(QStringLiteral("FLOW"), -16)
            .arg(numberText(flowInUnit(p.average, options.flowUnit), flowDecimals(options.flowUnit)), -10)
            .arg(quoted(QString()), p.daily ? quoted(daily) : quoted(QString()), quoted(hourly));
    if (p.weekday && p.weekend)
        line += QLatin1Char(' ') + quoted(weekend);
    appendLine(out, line);
    appendLine(out, QString());
    appendLine(out, QStringLiteral("[PATTERNS]"));
    appendLine(out, QStringLiteral(";;Name           Type       Multipliers"));
    if (p.daily)
        appendPattern(out, daily, QStringLiteral("DAILY"), p.daily->data(), 7);
    appendPattern(out, hourly, QStringLiteral("HOURLY"), hourlyValues.data(), 24);
    if (p.weekday && p.weekend)
        appendPattern(out, weekend, QStringLiteral("WEEKEND"), p.weekend->data(), 24);
    return out;
}

QString stepFlagName(StepFlag flag)
{
    switch (flag) {
    case StepFlag::Raw:
        return QStringLiteral("raw");
    case StepFlag::Edited:
        return QStringLiteral("edited");
    case StepFlag::Filled:
        return QStringLiteral("filled");
    case StepFlag::Missing:
        break;
    }
    return QStringLiteral("missing");
}

bool fixedStepValues(const survey::SurveyLayer &layer, const FixedStepOptions &options,
                     std::vector<StepValue> &steps, QString *error)
{
    steps.clear();
    const qint64 step = options.stepSeconds;
    if (step <= 0)
        return fail(error, QStringLiteral("时间步长必须大于零"));
    if (layer.rva.size() != layer.times.size())
        return fail(error, QStringLiteral("只有 RVA 记录可导出为固定步长"));
    // The records that count: in time order, removed ones left out.
    std::vector<std::size_t> kept;
    kept.reserve(layer.times.size());
    for (std::size_t i = 0; i < layer.times.size(); ++i)
        if (!removed(layer, qsizetype(i)))
            kept.push_back(i);
    if (kept.empty() && (!options.from || !options.to))
        return true;
    const qint64 from = options.from ? *options.from : layer.times[kept.front()];
    const qint64 to = options.to ? *options.to : layer.times[kept.back()];
    // Steps on whole multiples of the step, so 5 min steps fall on :00, :05, ...
    const qint64 first = -floorDiv(-from, step) * step;
    if (to < first)
        return true;
    if ((to - first) / step + 1 > kMaxFixedSteps)
        return fail(error, QStringLiteral("步数超过 %1").arg(kMaxFixedSteps));
    steps.reserve(std::size_t((to - first) / step + 1));

    auto flagOf = [&](std::size_t i) {
        const quint8 f = layer.flag(qsizetype(i));
        return f & survey::FlagFilled      ? StepFlag::Filled
               : f & survey::FlagCorrected ? StepFlag::Edited
                                           : StepFlag::Raw;
    };
    auto worse = [](StepFlag a, StepFlag b) {
        return int(a) > int(b) ? a : b;
    };                 // filled over edited over raw
    std::size_t k = 0; // first kept record at or after the step
    for (qint64 t = first; t <= to; t += step) {
        while (k < kept.size() && layer.times[kept[k]] < t)
            ++k;
        StepValue v;
        v.time = t;
        if (k < kept.size() && layer.times[kept[k]] == t) {
            const std::size_t i = kept[k];
            v.level = layer.rva[i].level;
            v.velocity = layer.correctedVelocity(qsizetype(i));
            v.flow = layer.correctedFlow(qsizetype(i));
            v.flag = flagOf(i);
        } else if (k > 0 && k < kept.size() && layer.intervalSeconds > 0 &&
                   layer.times[kept[k]] - layer.times[kept[k - 1]] <= layer.intervalSeconds) {
            const std::size_t a = kept[k - 1], b = kept[k];
            const double w = double(t - layer.times[a]) / double(layer.times[b] - layer.times[a]);
            auto lerp = [w](double x, double y) { return x + (y - x) * w; };
            v.level = lerp(layer.rva[a].level, layer.rva[b].level);
            v.velocity = lerp(layer.correctedVelocity(qsizetype(a)), layer.correctedVelocity(qsizetype(b)));
            v.flow = lerp(layer.correctedFlow(qsizetype(a)), layer.correctedFlow(qsizetype(b)));
            v.flag = worse(flagOf(a), flagOf(b));
        }
        steps.push_back(v);
    }
    return true;
}

QByteArray fixedStepCsv(const survey::SurveyLayer &layer, const FixedStepOptions &options, QString *error)
{
    std::vector<StepValue> steps;
    if (!fixedStepValues(layer, options, steps, error))
        return {};
    QByteArray out;
    out.reserve(qsizetype(steps.size()) * 48 + 64);
    appendLine(out, QStringLiteral("time,level_m,velocity_mps,flow_%1,flag")
                        .arg(flowUnitName(options.flowUnit).toLower()));
    const int decimals = flowDecimals(options.flowUnit);
    for (const StepValue &s : steps) {
        QString line = clockText(s.time) + QLatin1Char(',');
        if (s.flag != StepFlag::Missing) {
            const QString level = std::isfinite(s.level) ? numberText(s.level, 3) : QString();
            const QString velocity = std::isfinite(s.velocity) ? numberText(s.velocity, 3) : QString();
            const double flow = flowInUnit(s.flow, options.flowUnit);
            const QString flowCell = std::isfinite(flow) ? numberText(flow, decimals) : QString();
            line += level + QLatin1Char(',') + velocity + QLatin1Char(',') + flowCell + QLatin1Char(',');
        } else {
            line += QStringLiteral(",,,");
        }
        line += stepFlagName(s.flag);
        appendLine(out, line);
    }
    return out;
}

bool writeModelFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("无法写入 %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, QStringLiteral("无法写入 %1: %2").arg(path, file.errorString()));
    return true;
}

} // namespace lmv::report
