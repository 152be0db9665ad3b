// Dry days, diurnal profiles, the dry-weather figures and the storms' inflow: small cases worked
// out by hand, and made-up surveys whose profile, ADWF and unit hydrographs are known.

#include "data/SurveyCheck.h"
#include "data/TimeSteps.h"
#include "survey/DryWeather.h"
#include "survey/DwfJson.h"
#include "survey/Rdii.h"
#include "tools/samplegen/SurveySample.h"
#include "tools/samplegen/SyntheticSurvey.h"

#include <QJsonArray>
#include <QtTest>

#include <cmath>

using namespace lmv;
using namespace lmv::survey;
using namespace lmv::samplegen;

namespace {

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 86400;
const qint64 kMonday = clockSeconds(RecordTime{0, 0, 0, 0, 2024, 3, 4});

// Hourly records, each day at its own steady flow; the listed hours of a day left out.
SurveyLayer hourlyLayer(const std::vector<double> &dayFlows, std::vector<qint64> missingHours = {})
{
    std::vector<qint64> times;
    std::vector<float> level, velocity, flow;
    for (std::size_t d = 0; d < dayFlows.size(); ++d)
        for (qint64 h = 0; h < 24; ++h) {
            const qint64 t = kMonday + qint64(d) * kDay + h * kHour;
            if (std::find(missingHours.begin(), missingHours.end(), t - kMonday) != missingHours.end())
                continue;
            times.push_back(t);
            level.push_back(0.2f);
            velocity.push_back(0.5f);
            flow.push_back(float(dayFlows[d]));
        }
    CalcParams calc;
    calc.recordInterval = 3600;
    return makeRvaLayer(times, level, velocity, flow, {}, calc);
}

// Six weeks at 2 min, a storm on a weekday of each week.
SyntheticSpec knownSpec()
{
    SyntheticSpec plan;
    plan.start = kMonday;
    plan.days = 42;
    auto storm = [&plan](int day, double hour, double hours, double depth) {
        plan.storms.push_back({plan.start + day * kDay + qint64(hour * kHour), hours, depth});
    };
    storm(2, 14, 3, 16.0);
    storm(9, 2, 4, 10.0);
    storm(16, 18, 2, 24.0);
    storm(23, 9, 5, 30.0);
    storm(31, 20, 1.5, 8.0);
    storm(37, 12, 3, 14.0);
    return plan;
}

double meanAbsRelativeError(const std::vector<double> &got, const std::vector<double> &known)
{
    double sum = 0.0;
    for (std::size_t s = 0; s < known.size(); ++s)
        sum += std::abs(got[s] - known[s]) / known[s];
    return sum / double(known.size());
}

double relative(double got, double known)
{
    return std::abs(got - known) / known;
}

} // namespace

class TestDwf : public QObject
{
    Q_OBJECT

private slots:
    void quantilesInterpolateBetweenOrderStatistics_data()
    {
        QTest::addColumn<std::vector<double>>("sorted");
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("expected");
        QTest::newRow("lower quartile of four") << std::vector<double>{1, 2, 3, 4} << 0.25 << 1.75;
        QTest::newRow("upper quartile of four") << std::vector<double>{1, 2, 3, 4} << 0.75 << 3.25;
        QTest::newRow("median of five") << std::vector<double>{10, 11, 12, 13, 50} << 0.5 << 12.0;
        QTest::newRow("one value") << std::vector<double>{5} << 0.25 << 5.0;
        QTest::newRow("p past 1 is the largest") << std::vector<double>{1, 2} << 1.5 << 2.0;
    }
    void quantilesInterpolateBetweenOrderStatistics()
    {
        QFETCH(std::vector<double>, sorted);
        QFETCH(double, p);
        QFETCH(double, expected);
        QCOMPARE(quantileSorted(sorted, p), expected);
    }

    void mediansAndTheWrappedMovingMeanSkipMissingSlots()
    {
        std::vector<double> even{4, 1, 3, 2}, odd{9, 1, 5};
        QCOMPARE(medianOf(even), 2.5);
        QCOMPARE(medianOf(odd), 5.0);
        std::vector<double> none;
        QVERIFY(std::isnan(medianOf(none)));
        const double nan = std::nan("");
        const std::vector<double> smooth = movingMeanWrapped(std::vector<double>{3, nan, 6, 9});
        QCOMPARE(smooth, (std::vector<double>{6.0, 4.5, 7.5, 6.0}));
    }

    void daysSlotsAndGroupsFollowTheLoggersClock()
    {
        const qint64 monday = dayOf(kMonday);
        QCOMPARE(weekdayOf(monday), 1);
        QCOMPARE(weekdayOf(monday + 5), 6);
        QCOMPARE(weekdayOf(dayOf(-1)), 3); // 1969-12-31, a Wednesday
        const std::vector<qint64> holidays{monday + 2};
        QCOMPARE(dayGroup(monday + 1, holidays), DayGroup::Weekday);
        QCOMPARE(dayGroup(monday + 2, holidays), DayGroup::Weekend);
        QCOMPARE(dayGroup(monday + 6, holidays), DayGroup::Weekend);
        QCOMPARE(slotCount(120), 720);
        QCOMPARE(slotCount(420), 206); // the last slot of the day is short
        QCOMPARE(slotOf(kMonday + 10 * kHour + 3 * 60 + 59, 120), 301);
    }

    void stevensSchutzbachWorksInMillionGallonsPerDay_data()
    {
        QTest::addColumn<double>("mnf");
        QTest::addColumn<double>("adwf");
        QTest::addColumn<double>("gwi");
        const double mgd = 3.785411784e6 / 86400.0; // L/s
        QTest::newRow("ADWF 1 MGD, MNF half") << 0.5 * mgd << mgd << 0.4 * 0.5 / 0.7 * mgd;
        QTest::newRow("ADWF 2 MGD, MNF 0.5 MGD") << 0.5 * mgd << 2 * mgd << 9.352786715246285;
        QTest::newRow("10 of 40 L/s") << 10.0 << 40.0 << 4.781281992707181;
        QTest::newRow("no night flow") << 0.0 << 40.0 << 0.0;
        QTest::newRow("a negative night flow counts as none") << -3.0 << 40.0 << 0.0;
        QTest::newRow("night flow equal to ADWF is all infiltration") << 40.0 << 40.0 << 40.0;
    }
    void stevensSchutzbachWorksInMillionGallonsPerDay()
    {
        QFETCH(double, mnf);
        QFETCH(double, adwf);
        QFETCH(double, gwi);
        QVERIFY2(std::abs(stevensSchutzbachGwi(mnf, adwf) - gwi) < 1e-9,
                 qPrintable(QString::number(stevensSchutzbachGwi(mnf, adwf), 'g', 17)));
        QVERIFY(std::isnan(stevensSchutzbachGwi(mnf, 0.0)));
    }

    void figuresWeighFiveWeekdaysAndTwoWeekendDays()
    {
        DiurnalProfile weekday, weekend;
        weekday.days = {1};
        weekday.flow = {4, 10, 10, 16};
        weekend.group = DayGroup::Weekend;
        weekend.days = {6};
        weekend.flow = {8, 8, 8, 8};
        const DwfFigures f = dwfFigures(weekday, weekend);
        QCOMPARE(f.adwf, 66.0 / 7.0);
        QCOMPARE(f.mnf, 4.0);
        QCOMPARE(f.mnfSlot, 0);
        QCOMPARE(f.peakFactor, 16.0 / (66.0 / 7.0));
        QVERIFY(std::abs(f.gwi - 2.8975761564443494) < 1e-9);
        QCOMPARE(f.baseSanitary, f.adwf - f.gwi);
        QCOMPARE(f.gwiShare() + f.baseShare(), 1.0);
        // Without weekend days the weekday profile alone gives the figures.
        QCOMPARE(dwfFigures(weekday, DiurnalProfile{}).adwf, 10.0);
    }

    // Mon–Fri at 10, 11, 12, 13 and 50 L/s: quartiles 11 and 13, fences 8 and 16.
    void chosenDaysStandInForTheGaugeAndOutliersLeave()
    {
        const SurveyLayer layer = hourlyLayer({10, 11, 12, 13, 50, 20, 21});
        const qint64 d0 = dayOf(kMonday);
        const std::vector<qint64> chosen{d0, d0 + 1, d0 + 2, d0 + 3, d0 + 4, d0 + 5};
        const std::vector<DayStatus> days = classifyDays(layer, nullptr, DryWeatherSettings{}, chosen);
        std::vector<int> reasons;
        for (const DayStatus &d : days)
            reasons.push_back(d.reasons);
        QCOMPARE(reasons, (std::vector<int>{0, 0, 0, 0, DayOutlier, 0, DayNotChosen}));
        QCOMPARE(days[4].meanFlow, 50.0);
        QCOMPARE(days[5].group, DayGroup::Weekend);
    }

    // 0.5 mm at noon on Monday and Tuesday: a day is dry only below 1 mm over itself and 48 h.
    void rainAndCoverageDecideTheGaugedDays()
    {
        const SurveyLayer layer =
            hourlyLayer({10, 10, 10, 10}, {2 * kDay + 10 * kHour, 2 * kDay + 11 * kHour});
        RainSeries rain;
        rain.intervalSeconds = kHour;
        for (qint64 t = kMonday - 2 * kDay + kHour; t <= kMonday + 4 * kDay; t += kHour) {
            rain.times.push_back(t);
            rain.depthMm.push_back(t == kMonday + 12 * kHour || t == kMonday + kDay + 12 * kHour ? 0.5 : 0.0);
        }
        rain.covered = {{kMonday - 2 * kDay, kMonday + 4 * kDay}};
        const std::vector<DayStatus> days = classifyDays(layer, &rain, DryWeatherSettings{});
        QCOMPARE(days.size(), std::size_t(4));
        QCOMPARE(days[0].reasons, quint8(DayDry));
        QCOMPARE(days[1].reasons, quint8(DayRain));
        QCOMPARE(days[2].reasons, quint8(DayRain | DayLowCoverage));
        QCOMPARE(days[2].coverage, 22.0 / 24.0); // the record before the hole counts one hour
        QCOMPARE(days[3].reasons, quint8(DayDry));
        QCOMPARE(days[3].rainMm, 0.5);
    }

    void rdiiIsTheFlowAboveTheProfileInsideTheWindow_data()
    {
        QTest::addColumn<double>("responseHours");
        QTest::addColumn<bool>("nextEvent");
        QTest::addColumn<double>("volume");
        QTest::addColumn<qint64>("windowEnd");
        // 20 L/s above the profile at 05:00 and 10 L/s at 06:00, one hour each.
        QTest::newRow("one hour of response") << 1.0 << false << 108.0 << 7 * kHour;
        QTest::newRow("a day of response adds nothing") << 24.0 << false << 108.0 << 30 * kHour;
        QTest::newRow("the next storm at 06:30 cuts it") << 24.0 << true << 90.0 << 6 * kHour + 1800;
    }
    void rdiiIsTheFlowAboveTheProfileInsideTheWindow()
    {
        QFETCH(double, responseHours);
        QFETCH(bool, nextEvent);
        QFETCH(double, volume);
        QFETCH(qint64, windowEnd);
        SurveyLayer layer = hourlyLayer({10, 10});
        layer.rva[5].flow = 30.0f;
        layer.rva[6].flow = 20.0f;
        layer.rva[7].flow = 5.0f; // below the profile: no inflow, never negative
        DryWeatherResult dwf;
        dwf.intervalSeconds = kHour;
        dwf.weekday.days = {dayOf(kMonday)};
        dwf.weekday.flow.assign(24, 10.0);
        std::vector<RainEventSpan> events{{kMonday + 5 * kHour, kMonday + 6 * kHour, 2.0},
                                          {kMonday - kDay, kMonday - kDay + kHour, 5.0}}; // before the survey
        if (nextEvent)
            events.push_back({kMonday + 6 * kHour + 1800, kMonday + 7 * kHour, 1.0});
        const RdiiResult r = rdiiEvents(layer, dwf, events, {responseHours, 10.0});
        QCOMPARE(r.events.size(), std::size_t(nextEvent ? 2 : 1));
        const RdiiEvent &e = r.events[0];
        QCOMPARE(e.volumeM3, volume);
        QCOMPARE(e.windowEnd - kMonday, windowEnd);
        QCOMPARE(e.peakRdii, 20.0);
        QCOMPARE(e.peakTime, kMonday + 5 * kHour);
        QCOMPARE(e.runoffRatio, volume / (0.002 * 100000.0));
        QCOMPARE(r.summary.largest, 0);
        QVERIFY(r.notes.join(' ').contains(QStringLiteral("周末"))); // weekend borrowed the weekday
        const QJsonObject event = rdiiJson(r)[QStringLiteral("events")].toArray()[0].toObject();
        QCOMPARE(event[QStringLiteral("start")].toString(), QStringLiteral("2024-03-04 05:00:00"));
        QCOMPARE(event[QStringLiteral("rdiiVolumeM3")].toDouble(), volume);
        QVERIFY(rdiiJson(rdiiEvents(layer, dwf, events, {responseHours, 0.0}))[QStringLiteral("events")]
                    .toArray()[0]
                    .toObject()[QStringLiteral("runoffRatio")]
                    .isNull());
    }

    void knownSurveyComesBackWithinItsTolerances()
    {
        const SyntheticSurvey s = makeSyntheticSurvey(knownSpec());
        const DryWeatherResult dwf = dryWeatherFlow(s.layer, &s.rain, DryWeatherSettings{});
        QVERIFY(dwf.weekday.present() && dwf.weekend.present());
        QVERIFY(dwf.notes.isEmpty());
        const double weekdayError = meanAbsRelativeError(dwf.weekday.flow, s.weekday);
        const double weekendError = meanAbsRelativeError(dwf.weekend.flow, s.weekend);
        const double adwfError = relative(dwf.figures.adwf, s.adwf);
        qInfo("profile error weekday %.3f %%, weekend %.3f %%, ADWF %.3f %%", 100 * weekdayError,
              100 * weekendError, 100 * adwfError);
        QVERIFY(weekdayError < 0.02 && weekendError < 0.02);
        QVERIFY(adwfError < 0.01);
        // Every storm's day and the two after it are wet.
        std::vector<qint64> wet;
        for (const DayStatus &d : dwf.days)
            if (d.reasons & DayRain)
                wet.push_back(d.day - dayOf(kMonday));
        QCOMPARE(wet,
                 (std::vector<qint64>{2, 3, 4, 9, 10, 11, 16, 17, 18, 23, 24, 25, 31, 32, 33, 37, 38, 39}));

        const RdiiResult r = rdiiEvents(s.layer, dwf, s.events, {24.0, 120.0});
        QCOMPARE(r.events.size(), s.events.size());
        for (const RdiiEvent &e : r.events) {
            const double known = s.runoffRatio * e.depthMm / 1000.0 * 120.0 * 10000.0;
            qInfo("event %s %.1f mm: volume error %.2f %%, R %.4f", qPrintable(clockText(e.start)), e.depthMm,
                  100 * relative(e.volumeM3, known), e.runoffRatio);
            QVERIFY(relative(e.volumeM3, known) < 0.05);
            QVERIFY(relative(e.runoffRatio, s.runoffRatio) < 0.05);
        }
        QVERIFY(relative(r.summary.meanRatio, s.runoffRatio) < 0.05);
        QCOMPARE(r.summary.largest, 3); // 30 mm
        const QJsonObject json = dwfJson(dwf);
        QCOMPARE(json[QStringLiteral("weekday")].toArray().size(), 720);
        QCOMPARE(json[QStringLiteral("dryDays")].toArray().first().toString(), QStringLiteral("2024-03-04"));
    }

    void noDryWeekendDayLeavesTheWeekendProfileOutAndSaysSo()
    {
        SyntheticSpec plan = knownSpec();
        for (int week = 0; week < 6; ++week)
            plan.storms.push_back({plan.start + (week * 7 + 5) * kDay + 6 * kHour, 2.0, 3.0});
        const SyntheticSurvey s = makeSyntheticSurvey(plan);
        const DryWeatherResult dwf = dryWeatherFlow(s.layer, &s.rain, DryWeatherSettings{});
        QVERIFY(dwf.weekday.present());
        QVERIFY(!dwf.weekend.present());
        QVERIFY(dwf.notes.join(' ').contains(QStringLiteral("周末没有旱天")));
        QVERIFY(dwfJson(dwf)[QStringLiteral("weekend")].isNull());
        double weekdayMean = 0.0;
        for (double v : s.weekday)
            weekdayMean += v / double(s.weekday.size());
        QVERIFY(relative(dwf.figures.adwf, weekdayMean) < 0.01);
        const RdiiResult r = rdiiEvents(s.layer, dwf, s.events, {24.0, 120.0});
        QCOMPARE(r.events.size(), s.events.size());
        QVERIFY(r.notes.join(' ').contains(QStringLiteral("按工作日曲线")));
    }

    void aGaugeHoleLeavesItsDaysUnjudged()
    {
        SyntheticSpec plan = knownSpec();
        plan.gaugeDaysBefore = 1; // the first day's 48 h are not all covered
        plan.gaugeHoles = {{plan.start + 10 * kDay + 12 * kHour, plan.start + 11 * kDay + 6 * kHour}};
        const SyntheticSurvey s = makeSyntheticSurvey(plan);
        const DryWeatherResult dwf = dryWeatherFlow(s.layer, &s.rain, DryWeatherSettings{});
        std::vector<qint64> unjudged;
        for (const DayStatus &d : dwf.days)
            if (d.reasons & DayNoGauge)
                unjudged.push_back(d.day - dayOf(plan.start));
        QCOMPARE(unjudged, (std::vector<qint64>{0, 10, 11, 12, 13}));
        QVERIFY(relative(dwf.figures.adwf, s.adwf) < 0.01);
    }

    void overlappingResponsesAreCutAtTheNextStormAndCountedOnce()
    {
        SyntheticSpec plan = knownSpec();
        plan.storms.resize(1);
        plan.storms.push_back({plan.start + 2 * kDay + 23 * kHour, 2.0, 12.0}); // 6 h after the first
        const SyntheticSurvey s = makeSyntheticSurvey(plan);
        const DryWeatherResult dwf = dryWeatherFlow(s.layer, &s.rain, DryWeatherSettings{});
        const RdiiResult r = rdiiEvents(s.layer, dwf, s.events, {24.0, 120.0});
        QCOMPARE(r.events.size(), std::size_t(2));
        QCOMPARE(r.events[0].windowEnd, r.events[1].start);
        QCOMPARE(r.events[1].windowEnd, r.events[1].end + 24 * kHour);
        const double known =
            s.runoffRatio * (r.events[0].depthMm + r.events[1].depthMm) / 1000.0 * 120.0 * 10000.0;
        QVERIFY(relative(r.events[0].volumeM3 + r.events[1].volumeM3, known) < 0.05);
        QVERIFY(r.events[0].volumeM3 < 0.95 * s.runoffRatio * r.events[0].depthMm * 1200.0);
    }

    // The sample store's survey must give storms that pass the usual verification test
    // (more than 5 mm, a 5-minute intensity above 6 mm/h) and some minor rain.
    void sampleSurveyHasVerificationStormsAndMinorRain()
    {
        const SyntheticSurvey s = makeSyntheticSurvey(surveySampleSpec());
        int verifying = 0, minor = 0;
        for (const RainEventSpan &e : s.events) {
            double peak = 0.0;
            for (std::size_t k = 0; k < s.rain.times.size(); ++k)
                if (s.rain.times[k] > e.start && s.rain.times[k] <= e.end)
                    peak = std::max(peak, s.rain.depthMm[k] * 12.0);
            verifying += e.depthMm > 5.0 && peak > 6.0;
            minor += e.depthMm < 2.0;
        }
        QVERIFY(verifying >= 3);
        QVERIFY(minor >= 2);
        const DryWeatherResult dwf = dryWeatherFlow(s.layer, &s.rain, DryWeatherSettings{});
        QVERIFY(dwf.weekday.present() && dwf.weekend.present());
        QVERIFY(relative(dwf.figures.adwf, s.adwf) < 0.01);
    }
};

QTEST_APPLESS_MAIN(TestDwf)
#include "test_dwf.moc"
