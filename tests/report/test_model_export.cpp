// Files for hydraulic models, read back by a reader written from SWMM's own description of its
// files (time series files, user-prepared rain files, the [DWF] and [PATTERNS] sections of an
// input file), and the fixed-step CSV against worked cases.

#include "report/ModelExport.h"
#include "report/RainBins.h"
#include "report/ReportFormat.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>

using namespace lmv;
using namespace lmv::report;
using namespace lmv::survey;

namespace {

// 2019-03-15 00:00:00 on the loggers' clock, a Friday.
const qint64 kFriday = QDateTime(QDate(2019, 3, 15), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

qint64 at(int hour, int minute, int second = 0, int dayOffset = 0)
{
    return kFriday + dayOffset * 86400 + hour * 3600 + minute * 60 + second;
}

// --- A reader of SWMM files. Comment lines start with ';'; tokens are separated by spaces. ---

QStringList dataLines(const QByteArray &text)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith(QLatin1Char(';')))
            lines << t;
    }
    return lines;
}

QStringList tokens(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Time series file: "month/day/year hours:minutes[:seconds] value".
struct SeriesPoint
{
    qint64 time;
    double value;
};
QVector<SeriesPoint> readSwmmSeries(const QByteArray &text)
{
    QVector<SeriesPoint> points;
    for (const QString &line : dataLines(text)) {
        const QStringList t = tokens(line);
        if (t.size() != 3)
            return {};
        const QStringList d = t[0].split(QLatin1Char('/'));
        const QStringList c = t[1].split(QLatin1Char(':'));
        const QDate date(d.value(2).toInt(), d.value(0).toInt(), d.value(1).toInt());
        const QTime time(c.value(0).toInt(), c.value(1).toInt(), c.value(2).toInt());
        if (d.size() != 3 || c.size() < 2 || !date.isValid() || !time.isValid())
            return {};
        points.push_back({QDateTime(date, time, Qt::UTC).toSecsSinceEpoch(), t[2].toDouble()});
    }
    return points;
}

// Rain file, standard form: "station year month day hour minute value".
struct RainLine
{
    QString station;
    qint64 start;
    double depth;
};
QVector<RainLine> readSwmmRain(const QByteArray &text)
{
    QVector<RainLine> lines;
    for (const QString &line : dataLines(text)) {
        const QStringList t = tokens(line);
        if (t.size() != 7)
            return {};
        const QDateTime when(QDate(t[1].toInt(), t[2].toInt(), t[3].toInt()),
                             QTime(t[4].toInt(), t[5].toInt()), Qt::UTC);
        lines.push_back({t[0], when.toSecsSinceEpoch(), t[6].toDouble()});
    }
    return lines;
}

// [DWF]: "node constituent baseline "monthly" "daily" "hourly" "weekend"";
// [PATTERNS]: "name type m1 m2 ..." with continuation lines "name m7 m8 ...".
struct SwmmDwf
{
    QString node;
    double baseline = 0.0;
    QStringList patterns; // monthly, daily, hourly, weekend names ("" when unused)
    QMap<QString, QString> type;
    QMap<QString, QVector<double>> multipliers;
};
SwmmDwf readSwmmDwf(const QByteArray &text)
{
    SwmmDwf dwf;
    QString section;
    for (const QString &line : dataLines(text)) {
        if (line.startsWith(QLatin1Char('['))) {
            section = line;
            continue;
        }
        QStringList t = tokens(line);
        if (section == QLatin1String("[DWF]") && t.size() >= 3) {
            dwf.node = t[0];
            dwf.baseline = t[2].toDouble();
            for (int i = 3; i < t.size(); ++i)
                dwf.patterns << QString(t[i]).remove(QLatin1Char('"'));
        } else if (section == QLatin1String("[PATTERNS]") && t.size() >= 2) {
            const QString name = t.takeFirst();
            static const QStringList kTypes = {"MONTHLY", "DAILY", "HOURLY", "WEEKEND"};
            if (kTypes.contains(t.first()))
                dwf.type[name] = t.takeFirst();
            for (const QString &v : t)
                dwf.multipliers[name] << v.toDouble();
        }
    }
    while (dwf.patterns.size() < 4)
        dwf.patterns << QString();
    return dwf;
}

double mean(const QVector<double> &v)
{
    double s = 0.0;
    for (double x : v)
        s += x;
    return v.isEmpty() ? std::nan("") : s / v.size();
}

// Hourly means of a profile worked out second by second.
QVector<double> secondByHourMeans(const std::vector<double> &profile, qint64 slot)
{
    QVector<double> means(24, 0.0);
    for (qint64 s = 0; s < 86400; ++s)
        means[int(s / 3600)] += profile[std::size_t(s / slot)] / 3600.0;
    return means;
}

// A layer of five records at 2 min with a hole: 10:00, 10:02, 10:04, 10:10, 10:12. Level rises
// 0.1 m per record, velocity 0.5 + 0.1, flow 10 L/s per record, before corrections.
SurveyLayer holeyLayer(const CalcParams &calc = {})
{
    const std::vector<qint64> t = {at(10, 0), at(10, 2), at(10, 4), at(10, 10), at(10, 12)};
    const std::vector<float> level = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    const std::vector<float> velocity = {0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    const std::vector<float> flow = {10.f, 20.f, 30.f, 40.f, 50.f};
    CalcParams c = calc;
    c.recordInterval = 120;
    return makeRvaLayer(t, level, velocity, flow, {}, c);
}

} // namespace

class TestModelExport : public QObject
{
    Q_OBJECT

private slots:
    void numbersAreWrittenWithFixedDecimals_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("shortText");
        QTest::newRow("plain") << 5076.149 << "5076.1"
                               << "5076.15"
                               << "5076.149";
        QTest::newRow("round up") << 0.996 << "1.0"
                                  << "1.00"
                                  << "0.996";
        QTest::newRow("negative zero") << -0.004 << "0.0"
                                       << "0.00"
                                       << "-0.004";
        QTest::newRow("not a number") << double(NAN) << "-"
                                      << "-"
                                      << "-";
        QTest::newRow("infinite") << double(INFINITY) << "-"
                                  << "-"
                                  << "-";
        QTest::newRow("whole") << 12.0 << "12.0"
                               << "12.00"
                               << "12";
    }
    void numbersAreWrittenWithFixedDecimals()
    {
        QFETCH(double, value);
        QFETCH(QString, volume);
        QFETCH(QString, flow);
        QFETCH(QString, shortText);
        QCOMPARE(volumeText(value), volume);
        QCOMPARE(flowText(value), flow);
        QCOMPARE(shortNumberText(value, 3), shortText);
    }

    void timeSeriesReadsBackWithCorrectionsAndUnits_data()
    {
        QTest::addColumn<int>("series");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QVector<double>>("expected");
        // Velocity correction 1.1 and flow correction 0.9: velocity × 1.1, flow × 1.1 × 0.9.
        QTest::newRow("flow L/s") << int(ModelSeries::Flow) << int(FlowUnit::Lps)
                                  << QVector<double>{9.9, 19.8, 29.7, 39.6, 49.5};
        QTest::newRow("flow m3/s") << int(ModelSeries::Flow) << int(FlowUnit::Cms)
                                   << QVector<double>{0.0099, 0.0198, 0.0297, 0.0396, 0.0495};
        QTest::newRow("flow cfs") << int(ModelSeries::Flow) << int(FlowUnit::Cfs)
                                  << QVector<double>{0.3496, 0.6992, 1.0488, 1.3985, 1.7481};
        QTest::newRow("level") << int(ModelSeries::Level) << int(FlowUnit::Lps)
                               << QVector<double>{0.1, 0.2, 0.3, 0.4, 0.5};
        QTest::newRow("velocity") << int(ModelSeries::Velocity) << int(FlowUnit::Lps)
                                  << QVector<double>{0.55, 0.66, 0.77, 0.88, 0.99};
    }
    void timeSeriesReadsBackWithCorrectionsAndUnits()
    {
        QFETCH(int, series);
        QFETCH(int, unit);
        QFETCH(QVector<double>, expected);
        CalcParams calc;
        calc.velocityCorrection = 1.1f;
        calc.flowCorrection = 0.9f;
        SwmmSeriesOptions options;
        options.series = ModelSeries(series);
        options.flowUnit = FlowUnit(unit);
        options.pointName = QStringLiteral("建设路1号井");
        const QByteArray text = swmmTimeSeries(holeyLayer(calc), options);
        const QVector<SeriesPoint> points = readSwmmSeries(text);
        QCOMPARE(points.size(), expected.size());
        const std::vector<qint64> times = {at(10, 0), at(10, 2), at(10, 4), at(10, 10), at(10, 12)};
        for (int i = 0; i < points.size(); ++i) {
            QCOMPARE(points[i].time, times[std::size_t(i)]);
            QVERIFY2(std::abs(points[i].value - expected[i]) < 1e-4 * std::max(1.0, expected[i]),
                     qPrintable(QStringLiteral("%1: %2").arg(i).arg(points[i].value)));
        }
        // The header names the point, the unit and the period in comment lines.
        const QString header = QString::fromUtf8(text).section(QLatin1Char('\n'), 0, 4);
        QVERIFY(header.contains(QStringLiteral("建设路1号井")));
        QVERIFY(header.contains(QStringLiteral("2019-03-15 10:00:00 至 2019-03-15 10:12:00")));
        if (options.series == ModelSeries::Flow)
            QVERIFY(header.contains(flowUnitName(options.flowUnit)));
    }

    // Seconds are written only where a time has them; removed records, values that are no
    // numbers and records outside the period are left out.
    void timeSeriesLeavesOutRemovedRecordsAndKeepsSeconds()
    {
        const std::vector<qint64> t = {at(23, 58), at(23, 59, 30), at(0, 0, 0, 1), at(0, 2, 0, 1),
                                       at(0, 4, 0, 1)};
        const std::vector<float> v = {1.f, 2.f, 3.f, NAN, 5.f};
        SurveyLayer layer = makeRvaLayer(t, v, v, v);
        layer.flags = {FlagRaw, FlagCorrected, FlagRemoved, FlagRaw, FlagFilled};
        SwmmSeriesOptions options;
        options.to = at(0, 3, 0, 1);
        const QByteArray text = swmmTimeSeries(layer, options);
        const QStringList lines = dataLines(text);
        QCOMPARE(lines, QStringList({"03/15/2019 23:58 1.00", "03/15/2019 23:59:30 2.00"}));
        QVERIFY(text.contains(";记录: 2\n"));
    }

    void rainFileMarksIntervalStartsAndLeavesOutDryOnes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<QVector<qint64>>("times");
        QTest::addColumn<QVector<double>>("depths");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<QStringList>("lines");
        const QVector<qint64> fiveMinutes = {at(23, 50), at(23, 55), at(0, 0, 0, 1), at(0, 5, 0, 1)};
        QTest::newRow("5 min, across midnight")
            << int(RainKind::Interval) << qint64(300) << fiveMinutes << QVector<double>{1.2, 0.0, 0.4, 0.254}
            << qint64(0)
            << QStringList{"North_Gauge 2019 3 15 23 45 1.2", "North_Gauge 2019 3 15 23 55 0.4",
                           "North_Gauge 2019 3 16 0 0 0.254"};
        QTest::newRow("5 min summed to 15 min")
            << int(RainKind::Interval) << qint64(300) << fiveMinutes << QVector<double>{1.2, 0.0, 0.4, 0.254}
            << qint64(900)
            << QStringList{"North_Gauge 2019 3 15 23 45 1.6", "North_Gauge 2019 3 16 0 0 0.254"};
        QTest::newRow("tips to minutes")
            << int(RainKind::Tips) << qint64(0)
            << QVector<qint64>{at(10, 0, 30), at(10, 0, 50), at(10, 1, 0), at(10, 1, 10)}
            << QVector<double>{0.2, 0.2, 0.2, 0.2} << qint64(0)
            << QStringList{"North_Gauge 2019 3 15 10 0 0.6", "North_Gauge 2019 3 15 10 1 0.2"};
    }
    void rainFileMarksIntervalStartsAndLeavesOutDryOnes()
    {
        QFETCH(int, kind);
        QFETCH(qint64, interval);
        QFETCH(QVector<qint64>, times);
        QFETCH(QVector<double>, depths);
        QFETCH(qint64, step);
        QFETCH(QStringList, lines);
        RainSeries rain;
        rain.kind = RainKind(kind);
        rain.intervalSeconds = interval;
        rain.times.assign(times.begin(), times.end());
        rain.depthMm.assign(depths.begin(), depths.end());
        SwmmRainOptions options;
        options.stationId = QStringLiteral(" North Gauge ");
        options.stepSeconds = step;
        QString error;
        const QByteArray text = swmmRainFile(rain, options, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(dataLines(text), lines);
        // The depths read back add up to the gauge's.
        double total = 0.0;
        for (const RainLine &l : readSwmmRain(text))
            total += l.depth;
        QCOMPARE(std::round(total * 1000),
                 std::round(std::accumulate(depths.begin(), depths.end(), 0.0) * 1000));
    }

    void rainStepThatSplitsIntervalsIsRefused()
    {
        RainSeries rain;
        rain.intervalSeconds = 300;
        rain.times = {at(10, 5)};
        rain.depthMm = {1.0};
        SwmmRainOptions options;
        options.stepSeconds = 420;
        QString error;
        QVERIFY(swmmRainFile(rain, options, &error).isEmpty());
        QVERIFY(error.contains(QStringLiteral("420")));
    }

    // A weekday and a weekend profile at 2 min: the patterns average 1.0, and baseline × daily ×
    // hourly gives back each hour's mean of the group's profile.
    void dryWeatherPatternsReproduceHourlyMeans()
    {
        DryWeatherProfiles p;
        p.slotSeconds = 120;
        for (int k = 0; k < 720; ++k) {
            const double hour = k * 120.0 / 3600.0;
            p.weekday.push_back(20.0 + 12.0 * std::sin((hour - 8.0) / 24.0 * 2 * M_PI) + (k % 7) * 0.3);
            p.weekend.push_back(16.0 + 6.0 * std::sin((hour - 10.0) / 24.0 * 2 * M_PI));
        }
        QString error;
        const QByteArray text =
            swmmDryWeather(p, {QStringLiteral("J 12"), QStringLiteral("建设路1号井")}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const SwmmDwf dwf = readSwmmDwf(text);
        QCOMPARE(dwf.node, QStringLiteral("J_12"));
        QCOMPARE(dwf.patterns, QStringList({"", "J_12_DAILY", "J_12_HOURLY", "J_12_WEEKEND"}));
        QCOMPARE(dwf.type.value("J_12_DAILY"), QStringLiteral("DAILY"));
        QCOMPARE(dwf.type.value("J_12_HOURLY"), QStringLiteral("HOURLY"));
        QCOMPARE(dwf.type.value("J_12_WEEKEND"), QStringLiteral("WEEKEND"));
        const QVector<double> daily = dwf.multipliers.value("J_12_DAILY");
        const QVector<double> hourly = dwf.multipliers.value("J_12_HOURLY");
        const QVector<double> weekend = dwf.multipliers.value("J_12_WEEKEND");
        QCOMPARE(daily.size(), 7);
        QCOMPARE(hourly.size(), 24);
        QCOMPARE(weekend.size(), 24);
        QVERIFY(std::abs(mean(hourly) - 1.0) < 1e-3);
        QVERIFY(std::abs(mean(weekend) - 1.0) < 1e-3);
        QVERIFY(std::abs(mean(daily) - 1.0) < 1e-3);

        const QVector<double> wd = secondByHourMeans(p.weekday, 120);
        const QVector<double> we = secondByHourMeans(p.weekend, 120);
        QVERIFY(std::abs(dwf.baseline - (5.0 / 7 * mean(wd) + 2.0 / 7 * mean(we))) < 0.006);
        for (int h = 0; h < 24; ++h) {
            // Monday is the second day of SWMM's week, Sunday the first.
            const double monday = dwf.baseline * daily[1] * hourly[h];
            const double sunday = dwf.baseline * daily[0] * weekend[h];
            QVERIFY2(std::abs(monday - wd[h]) < 1e-3 * wd[h], qPrintable(QString::number(h)));
            QVERIFY2(std::abs(sunday - we[h]) < 1e-3 * we[h], qPrintable(QString::number(h)));
        }
    }

    // Slots that do not divide the hour count by the time they share with each hour; a group
    // without a profile is left out and said so; nothing to write is an error.
    void dryWeatherPatternsWithOneGroupAndOddSlots()
    {
        DryWeatherProfiles p;
        p.slotSeconds = 420; // 7 min: 206 slots, the last running past midnight
        for (int k = 0; k < 206; ++k)
            p.weekday.push_back(5.0 + k * 0.05);
        QString error;
        const QByteArray text = swmmDryWeather(p, {QStringLiteral("N1"), QString(), FlowUnit::Cms}, &error);
        const SwmmDwf dwf = readSwmmDwf(text);
        QCOMPARE(dwf.patterns, QStringList({"", "", "N1_HOURLY", ""}));
        QVERIFY(!dwf.multipliers.contains("N1_WEEKEND"));
        QVERIFY(text.contains(QStringLiteral(";没有周末旱季流量曲线").toUtf8()));
        const QVector<double> wd = secondByHourMeans(p.weekday, 420);
        QVERIFY(std::abs(dwf.baseline - mean(wd) / 1000.0) < 1e-5);
        const QVector<double> hourly = dwf.multipliers.value("N1_HOURLY");
        QCOMPARE(hourly.size(), 24);
        for (int h = 0; h < 24; ++h)
            QVERIFY(std::abs(hourly[h] * mean(wd) - wd[h]) < 1e-3 * wd[h]);

        DryWeatherProfiles none;
        none.slotSeconds = 120;
        none.weekend.assign(100, 3.0); // less than a day
        QVERIFY(swmmDryWeather(none, {}, &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    // Steps of 1 min over the holey layer, hand-worked: records at their times, halfway values
    // between records 2 min apart, nothing across the 6 min hole, flags carried over.
    void fixedStepCsvFollowsTheRecords()
    {
        SurveyLayer layer = holeyLayer();
        layer.flags = {FlagRaw, FlagCorrected, FlagRaw, FlagFilled, FlagRemoved};
        FixedStepOptions options;
        options.stepSeconds = 60;
        options.to = at(10, 12);
        QString error;
        const QStringList lines = QString::fromUtf8(fixedStepCsv(layer, options, &error)).split('\n');
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QStringList expected = {
            "time,level_m,velocity_mps,flow_lps,flag",
            "2019-03-15 10:00:00,0.100,0.500,10.00,raw",
            "2019-03-15 10:01:00,0.150,0.550,15.00,edited",
            "2019-03-15 10:02:00,0.200,0.600,20.00,edited",
            "2019-03-15 10:03:00,0.250,0.650,25.00,edited",
            "2019-03-15 10:04:00,0.300,0.700,30.00,raw",
            "2019-03-15 10:05:00,,,,missing",
            "2019-03-15 10:06:00,,,,missing",
            "2019-03-15 10:07:00,,,,missing",
            "2019-03-15 10:08:00,,,,missing",
            "2019-03-15 10:09:00,,,,missing",
            "2019-03-15 10:10:00,0.400,0.800,40.00,filled",
            "2019-03-15 10:11:00,,,,missing", // the record after it is removed
            "2019-03-15 10:12:00,,,,missing",
            "",
        };
        QCOMPARE(lines, expected);
    }

    void fixedStepStartsOnWholeStepsAndRefusesBadSteps_data()
    {
        QTest::addColumn<qint64>("step");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("count"); // -1: refused
        QTest::addColumn<qint64>("firstTime");
        QTest::newRow("5 min from 10:00:30") << qint64(300) << at(10, 0, 30) << at(10, 12) << 2 << at(10, 5);
        QTest::newRow("2 min whole layer") << qint64(120) << qint64(-1) << qint64(-1) << 7 << at(10, 0);
        QTest::newRow("step 0") << qint64(0) << qint64(-1) << qint64(-1) << -1 << qint64(0);
        QTest::newRow("1 s over a year") << qint64(1) << at(0, 0) << at(0, 0, 0, 366) << -1 << qint64(0);
        QTest::newRow("period before the records") << qint64(60) << at(9, 0) << at(9, 1) << 2 << at(9, 0);
    }
    void fixedStepStartsOnWholeStepsAndRefusesBadSteps()
    {
        QFETCH(qint64, step);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, count);
        QFETCH(qint64, firstTime);
        FixedStepOptions options;
        options.stepSeconds = step;
        if (from >= 0)
            options.from = from;
        if (to >= 0)
            options.to = to;
        std::vector<StepValue> steps;
        QString error;
        const bool ok = fixedStepValues(holeyLayer(), options, steps, &error);
        QCOMPARE(ok, count >= 0);
        QCOMPARE(error.isEmpty(), ok);
        if (!ok)
            return;
        QCOMPARE(int(steps.size()), count);
        QCOMPARE(steps.front().time, firstTime);
        for (std::size_t i = 1; i < steps.size(); ++i)
            QCOMPARE(steps[i].time - steps[i - 1].time, step);
    }

    void hyetographBinsKeepToTheBarCount_data()
    {
        QTest::addColumn<qint64>("gauge");
        QTest::addColumn<qint64>("range");
        QTest::addColumn<qint64>("bin");
        QTest::newRow("2 min gauge, a week") << qint64(120) << qint64(7 * 86400) << qint64(1800);
        QTest::newRow("5 min gauge, a day") << qint64(300) << qint64(86400) << qint64(300);
        QTest::newRow("tips, an hour") << qint64(0) << qint64(3600) << qint64(300);
        QTest::newRow("7 min gauge, a week") << qint64(420) << qint64(7 * 86400) << qint64(1680);
        QTest::newRow("hourly gauge, a year") << qint64(3600) << qint64(365 * 86400) << qint64(86400);
    }
    void hyetographBinsKeepToTheBarCount()
    {
        QFETCH(qint64, gauge);
        QFETCH(qint64, range);
        QFETCH(qint64, bin);
        QCOMPARE(hyetographBinSeconds(gauge, range), bin);
    }

    // Bins hold the intervals whose end lies in them: a depth ending exactly on a boundary
    // belongs to the bin before it.
    void rainBinsHoldIntervalsByTheirEnd()
    {
        RainSeries rain;
        rain.intervalSeconds = 300;
        rain.times = {at(10, 55), at(11, 0), at(11, 5)};
        rain.depthMm = {1.0, 2.0, 4.0};
        const RainBars bars = binRain(rain, 3600, at(0, 0), at(23, 0));
        QCOMPARE(bars.starts, std::vector<qint64>({at(10, 0), at(11, 0)}));
        QCOMPARE(bars.depthMm, std::vector<double>({3.0, 4.0}));
        QCOMPARE(bars.largestBetween(double(at(11, 30)), double(at(12, 30))), 4.0);
        QCOMPARE(bars.largestBetween(double(at(12, 1)), double(at(13, 0))), 0.0);
    }

    // Saturday, Sunday and holidays take the weekend profile; the line follows the day's group.
    void profileFollowsTheDaysGroup()
    {
        DryWeatherProfiles p;
        p.slotSeconds = 3600;
        p.weekday.assign(24, 10.0);
        p.weekend.assign(24, 4.0);
        p.weekday[8] = 30.0;
        p.holidays = {QDate(2019, 3, 18)};            // a Monday
        QCOMPARE(profileAt(p, at(8, 30)), 30.0);      // Friday 08:30
        QCOMPARE(profileAt(p, at(8, 30, 0, 1)), 4.0); // Saturday
        QCOMPARE(profileAt(p, at(8, 30, 0, 3)), 4.0); // the holiday
        QCOMPARE(profileAt(p, at(8, 30, 0, 4)), 30.0);
        const QVector<QPointF> line = profileLine(p, at(22, 0), at(2, 0, 0, 1));
        QCOMPARE(line.size(), 7); // 21:00 .. 03:00
        QCOMPARE(line.first(), QPointF(double(at(21, 0)), 10.0));
        QCOMPARE(line.last(), QPointF(double(at(3, 0, 0, 1)), 4.0));
        p.weekend.clear();
        QVERIFY(std::isnan(profileAt(p, at(8, 0, 0, 1))));
    }

    void modelFileReplacesAnOlderOneWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flow.dat"));
        QString error;
        QVERIFY(writeModelFile(path, "old\n", &error));
        QVERIFY(writeModelFile(path, "new\n", &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("new\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"flow.dat"}));
        QVERIFY(!writeModelFile(dir.filePath(QStringLiteral("no/such/dir/x.dat")), "x", &error));
        QVERIFY(error.contains(QStringLiteral("x.dat")));
    }
};

QTEST_APPLESS_MAIN(TestModelExport)
#include "test_model_export.moc"
