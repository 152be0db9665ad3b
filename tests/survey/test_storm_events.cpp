#include "data/SurveyCheck.h"
#include "survey/StormEvents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

Q_DECLARE_METATYPE(lmv::survey::RainSeries)
Q_DECLARE_METATYPE(lmv::survey::StormEventOptions)

namespace {

qint64 at(const char *text)
{
    const QString s = QString::fromLatin1(text);
    return QDateTime(QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd")),
                     QTime::fromString(s.mid(11), QStringLiteral("HH:mm:ss")), Qt::UTC)
        .toSecsSinceEpoch();
}

// Appends consecutive intervals whose first ends at `firstEnd`, all dry but the given ones.
void addIntervals(RainSeries &rain, const char *firstEnd, const char *lastEnd,
                  const std::vector<std::pair<const char *, double>> &wet = {})
{
    const qint64 step = rain.intervalSeconds;
    for (qint64 t = at(firstEnd); t <= at(lastEnd); t += step) {
        rain.times.push_back(t);
        rain.depthMm.push_back(0.0);
        for (const auto &[when, depth] : wet)
            if (at(when) == t)
                rain.depthMm.back() = depth;
    }
    rain.covered.push_back({at(firstEnd) - step, at(lastEnd)});
}

RainSeries tips(const std::vector<std::pair<const char *, int>> &bursts, int everySeconds)
{
    RainSeries rain;
    rain.kind = RainKind::Tips;
    for (const auto &[first, count] : bursts)
        for (int i = 0; i < count; ++i) {
            rain.times.push_back(at(first) + qint64(i) * everySeconds);
            rain.depthMm.push_back(0.2);
        }
    rain.covered = {{rain.times.front() - 1, rain.times.back()}};
    return rain;
}

QString number(const std::optional<double> &v)
{
    return v ? QString::number(std::round(*v * 1000.0) / 1000.0) : QStringLiteral("-");
}

// "05-01 23:35:00..05-02 00:00:00 5.5mm 24/18/5.5 dry3.583 V" per event, then "minor N".
QString described(const StormEventList &list)
{
    QStringList out;
    for (const StormEvent &e : list.events)
        out << QStringLiteral("%1..%2 %3mm %4/%5/%6 dry%7%8")
                   .arg(clockText(e.start).mid(5), clockText(e.end).mid(5), number(e.depthMm),
                        number(e.peak5), number(e.peak15), number(e.peak60), number(e.dryHoursBefore),
                        e.verification ? QStringLiteral(" V") : QString());
    out << QStringLiteral("minor %1").arg(list.minor);
    return out.join(QStringLiteral(", "));
}

// A five-minute gauge from 2024-05-01 20:00: a storm across midnight, minor rain six hours after it,
// and a small storm six hours and five minutes after that.
RainSeries fiveMinuteGauge()
{
    RainSeries rain;
    rain.intervalSeconds = 300;
    addIntervals(rain, "2024-05-01 20:05:00", "2024-05-02 14:00:00",
                 {{"2024-05-01 23:40:00", 0.5},
                  {"2024-05-01 23:45:00", 1.0},
                  {"2024-05-01 23:50:00", 2.0},
                  {"2024-05-01 23:55:00", 1.5},
                  {"2024-05-02 00:00:00", 0.5},
                  {"2024-05-02 06:05:00", 1.0},
                  {"2024-05-02 12:15:00", 1.0},
                  {"2024-05-02 12:20:00", 1.0},
                  {"2024-05-02 12:25:00", 1.0}});
    return rain;
}

} // namespace

class TestStormEvents : public QObject
{
    Q_OBJECT

private slots:
    void eventsMatchHandWorkedSeries_data()
    {
        QTest::addColumn<RainSeries>("rain");
        QTest::addColumn<StormEventOptions>("options");
        QTest::addColumn<QString>("events");

        const RainSeries five = fiveMinuteGauge();
        QTest::newRow("5 min, across midnight, minor rain keeps the dry spell")
            << five << StormEventOptions{}
            << "05-01 23:35:00..05-02 00:00:00 5.5mm 24/18/5.5 dry3.583 V, "
               "05-02 12:10:00..05-02 12:25:00 3mm 12/12/3 dry12.167, minor 1";
        QTest::newRow("longer inter-event time takes the minor rain in")
            << five << StormEventOptions{.interEventHours = 6.05}
            << "05-01 23:35:00..05-02 06:05:00 6.5mm 24/18/5.5 dry3.583 V, "
               "05-02 12:10:00..05-02 12:25:00 3mm 12/12/3 dry6.083, minor 0";
        QTest::newRow("lower minimum, other verification thresholds")
            << five
            << StormEventOptions{.minDepthMm = 1.0, .verifyDepthMm = 2.5, .verifyPeak5MmPerHour = 12.0}
            << "05-01 23:35:00..05-02 00:00:00 5.5mm 24/18/5.5 dry3.583 V, "
               "05-02 06:00:00..05-02 06:05:00 1mm 12/4/1 dry6, "
               "05-02 12:10:00..05-02 12:25:00 3mm 12/12/3 dry6.083, minor 0";

        RainSeries minute;
        minute.intervalSeconds = 60;
        addIntervals(minute, "2024-05-01 09:31:00", "2024-05-01 11:00:00",
                     {{"2024-05-01 10:00:00", 0.5},
                      {"2024-05-01 10:01:00", 1.0},
                      {"2024-05-01 10:02:00", 1.0},
                      {"2024-05-01 10:03:00", 1.0},
                      {"2024-05-01 10:04:00", 1.0},
                      {"2024-05-01 10:05:00", 1.0},
                      {"2024-05-01 10:06:00", 0.5}});
        QTest::newRow("1 min") << minute << StormEventOptions{}
                               << "05-01 09:59:00..05-01 10:06:00 6mm 60/24/6 dry0.483 V, minor 0";

        // Ten tips make exactly the minimum; the next burst comes exactly six hours later.
        QTest::newRow("tips") << tips({{"2024-05-01 02:00:00", 1}, {"2024-05-01 10:00:00", 10}}, 30)
                              << StormEventOptions{}
                              << "05-01 10:00:00..05-01 10:04:30 2mm 24/8/2 dry8, minor 1";
        RainSeries twoBursts = tips({{"2024-05-01 10:00:00", 10}, {"2024-05-01 16:01:30", 26}}, 10);
        QTest::newRow("tips six hours apart")
            << twoBursts << StormEventOptions{}
            << "05-01 10:00:00..05-01 10:01:30 2mm 24/8/2 dry0, "
               "05-01 16:01:30..05-01 16:05:40 5.2mm 62.4/20.8/5.2 dry6 V, minor 0";

        // Rain after a hole in the record: its dry time starts at the hole's end.
        RainSeries holed;
        holed.intervalSeconds = 300;
        addIntervals(holed, "2024-05-01 00:05:00", "2024-05-01 02:00:00", {{"2024-05-01 00:10:00", 3.0}});
        addIntervals(
            holed, "2024-05-01 08:05:00", "2024-05-01 12:00:00",
            {{"2024-05-01 09:00:00", 1.0}, {"2024-05-01 09:05:00", 1.0}, {"2024-05-01 09:10:00", 1.0}});
        QTest::newRow("hole") << holed << StormEventOptions{}
                              << "05-01 00:05:00..05-01 00:10:00 3mm 36/12/3 dry0.083, "
                                 "05-01 08:55:00..05-01 09:10:00 3mm 12/12/3 dry0.917, minor 0";
    }
    void eventsMatchHandWorkedSeries()
    {
        QFETCH(RainSeries, rain);
        QFETCH(StormEventOptions, options);
        QFETCH(QString, events);
        QVERIFY(stormEventOptionsProblem(options).isEmpty());
        QCOMPARE(described(findStormEvents(rain, options)), events);
    }

    // Peaks where the interval does not divide the window are left out, and gauges coarser than
    // five minutes never verify.
    void coarseGaugesLeaveOutPeaksTheyCannotTell_data()
    {
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<QString>("peaks");
        QTest::addColumn<bool>("verification");
        QTest::newRow("2 min") << qint64(120) << "-/-/90" << false;
        QTest::newRow("5 min") << qint64(300) << "36/36/36" << true;
        QTest::newRow("10 min") << qint64(600) << "-/-/18" << false;
        QTest::newRow("15 min") << qint64(900) << "-/12/12" << false;
        QTest::newRow("1 h") << qint64(3600) << "-/-/3" << false;
    }
    void coarseGaugesLeaveOutPeaksTheyCannotTell()
    {
        QFETCH(qint64, interval);
        QFETCH(QString, peaks);
        QFETCH(bool, verification);
        // An hour of 3 mm per interval between dry days.
        RainSeries rain;
        rain.intervalSeconds = interval;
        for (qint64 t = at("2024-05-01 00:00:00") + interval; t <= at("2024-05-02 00:00:00"); t += interval) {
            rain.times.push_back(t);
            rain.depthMm.push_back(t > at("2024-05-01 12:00:00") && t <= at("2024-05-01 13:00:00") ? 3.0
                                                                                                   : 0.0);
        }
        rain.covered = {{at("2024-05-01 00:00:00"), at("2024-05-02 00:00:00")}};
        const StormEventList list = findStormEvents(rain);
        QCOMPARE(list.events.size(), std::size_t(1));
        const StormEvent &e = list.events.front();
        QCOMPARE(QStringLiteral("%1/%2/%3").arg(number(e.peak5), number(e.peak15), number(e.peak60)), peaks);
        QCOMPARE(e.verification, verification);
        QCOMPARE(e.start, at("2024-05-01 12:00:00"));
        QCOMPARE(e.end, at("2024-05-01 13:00:00"));
        const QJsonObject json = stormEventsJson(QStringLiteral("g"), list);
        QCOMPARE(json[QStringLiteral("events")][0][QStringLiteral("peak5")].isNull(), !e.peak5.has_value());
    }

    void jsonHoldsWhatTheCommandPrints()
    {
        const QJsonObject json =
            stormEventsJson(QStringLiteral("城东雨量站"), findStormEvents(fiveMinuteGauge()));
        QCOMPARE(
            QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)),
            QStringLiteral(
                R"({"events":[{"depthMm":5.5,"dryHoursBefore":3.583,"durationHours":0.417,"end":"2024-05-02 00:00:00",)"
                R"("peak15":18,"peak5":24,"peak60":5.5,"start":"2024-05-01 23:35:00","verification":true},)"
                R"({"depthMm":3,"dryHoursBefore":12.167,"durationHours":0.25,"end":"2024-05-02 12:25:00",)"
                R"("peak15":12,"peak5":12,"peak60":3,"start":"2024-05-02 12:10:00","verification":false}],)"
                R"("gauge":"城东雨量站","intervalSeconds":300,"minor":1,"totalDepthMm":9.5})"));
    }

    void unusableOptionsAreNamed()
    {
        QVERIFY(!stormEventOptionsProblem(StormEventOptions{.interEventHours = 0.0}).isEmpty());
        QVERIFY(!stormEventOptionsProblem(StormEventOptions{.interEventHours = qQNaN()}).isEmpty());
        QVERIFY(!stormEventOptionsProblem(StormEventOptions{.minDepthMm = -1.0}).isEmpty());
        QVERIFY(!stormEventOptionsProblem(StormEventOptions{.verifyPeak5MmPerHour = qInf()}).isEmpty());
        QVERIFY(findStormEvents(RainSeries{}).events.empty());
    }
};

QTEST_APPLESS_MAIN(TestStormEvents)
#include "test_storm_events.moc"
