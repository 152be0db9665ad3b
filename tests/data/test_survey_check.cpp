// The survey check on generated records with known faults: findings, daily volumes, CSV, and a
// file left untouched.

#include "data/CheckExport.h"
#include "data/FlowVolume.h"
#include "data/SurveyCheck.h"
#include "tests/data/FileBytes.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace lmv;

namespace {

constexpr qint64 kMarch11 = 1710115200; // 2024-03-11 00:00:00 on the logger's clock
const float kNaN = std::numeric_limits<float>::quiet_NaN();

RvaRecord rva(qint64 clock, float level, float velocity, float flow)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(clock, Qt::UTC);
    RvaRecord r;
    r.time.year = quint16(at.date().year());
    r.time.month = quint8(at.date().month());
    r.time.day = quint8(at.date().day());
    r.time.hour = quint8(at.time().hour());
    r.time.minute = quint8(at.time().minute());
    r.time.second = quint8(at.time().second());
    r.level = level;
    r.velocity = velocity;
    r.flow = flow;
    r.temperature = 12.0f;
    return r;
}

// Records at the given offsets from 2024-03-11 00:00, each with its own level; the indices in
// copies repeat the values of the record before.
std::vector<RvaRecord> recordsAt(const QVector<qint64> &offsets, const QVector<int> &copies = {})
{
    std::vector<RvaRecord> out;
    for (int i = 0; i < offsets.size(); ++i) {
        RvaRecord r = rva(kMarch11 + offsets[i], 0.2f + 0.001f * float(i), 0.5f, 40.0f + float(i));
        if (copies.contains(i)) {
            r = out.back();
            r.time = rva(kMarch11 + offsets[i], 0, 0, 0).time;
        }
        out.push_back(r);
    }
    return out;
}

// Every `step` seconds from `from` up to and excluding `until`.
QVector<qint64> every(qint64 step, qint64 from, qint64 until)
{
    QVector<qint64> out;
    for (qint64 t = from; t < until; t += step)
        out << t;
    return out;
}

CalcParams interval(quint32 seconds, float cv = 1.0f, float cq = 1.0f)
{
    CalcParams c;
    c.recordInterval = seconds;
    c.velocityCorrection = cv;
    c.flowCorrection = cq;
    return c;
}

// Circle DN1000 with 100 mm of sediment: the crown is 0.9 m above the sediment.
PipeSaveIntoTfType pipe()
{
    return makePointRecord(QStringLiteral("项目"), QStringLiteral("测点"), PipeCircle, 1000, 0, 0, 100);
}

const Finding *firstOf(const SurveyCheck &c, FindingKind kind)
{
    for (const Finding &f : c.findings)
        if (f.kind == kind)
            return &f;
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(QVector<qint64>)
Q_DECLARE_METATYPE(QVector<int>)
Q_DECLARE_METATYPE(QVector<double>)

class TestSurveyCheck : public QObject
{
    Q_OBJECT

private slots:
    void stepFindingsAreCountedByKind_data()
    {
        QTest::addColumn<quint32>("fileInterval");
        QTest::addColumn<QVector<qint64>>("offsets");
        QTest::addColumn<QVector<int>>("copies");
        QTest::addColumn<qint64>("nominal");
        // gaps, same-value duplicates, other-value duplicates, backward, hour, irregular
        QTest::addColumn<QVector<int>>("counts");
        QTest::newRow("regular") << 60u << every(60, 0, 600) << QVector<int>{} << qint64(60)
                                 << QVector<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("hole") << 60u << QVector<qint64>{0, 60, 120, 600, 660} << QVector<int>{} << qint64(60)
                              << QVector<int>{1, 0, 0, 0, 0, 0};
        QTest::newRow("twice the interval is no hole")
            << 60u << QVector<qint64>{0, 60, 180, 240} << QVector<int>{} << qint64(60)
            << QVector<int>{0, 0, 0, 0, 0, 0};
        QTest::newRow("duplicates same and different")
            << 60u << QVector<qint64>{0, 60, 60, 120, 120, 180} << QVector<int>{2} << qint64(60)
            << QVector<int>{0, 1, 1, 0, 0, 0};
        QTest::newRow("clock set back") << 60u << QVector<qint64>{0, 60, 120, 30, 90} << QVector<int>{}
                                        << qint64(60) << QVector<int>{0, 0, 0, 1, 0, 0};
        QTest::newRow("summer time ends") << 60u << QVector<qint64>{7200, 7260, 7320 - 3600, 7380 - 3600}
                                          << QVector<int>{} << qint64(60) << QVector<int>{0, 0, 0, 1, 1, 0};
        QTest::newRow("summer time starts") << 60u << QVector<qint64>{0, 60, 120 + 3600, 180 + 3600}
                                            << QVector<int>{} << qint64(60) << QVector<int>{1, 0, 0, 0, 1, 0};
        QTest::newRow("hour step on hourly records")
            << 3600u << QVector<qint64>{0, 3600, 10800, 14400} << QVector<int>{} << qint64(3600)
            << QVector<int>{0, 0, 0, 0, 1, 0};
        QTest::newRow("short step") << 60u << QVector<qint64>{0, 60, 90, 150} << QVector<int>{} << qint64(60)
                                    << QVector<int>{0, 0, 0, 0, 0, 1};
        QTest::newRow("interval unset: most common step")
            << 0u << QVector<qint64>{0, 300, 600, 900, 1200, 2000} << QVector<int>{} << qint64(300)
            << QVector<int>{1, 0, 0, 0, 0, 0};
    }
    void stepFindingsAreCountedByKind()
    {
        QFETCH(quint32, fileInterval);
        QFETCH(QVector<qint64>, offsets);
        QFETCH(QVector<int>, copies);
        QFETCH(qint64, nominal);
        QFETCH(QVector<int>, counts);
        const SurveyCheck c = checkRva(recordsAt(offsets, copies), interval(fileInterval), pipe());
        QCOMPARE(c.intervalSeconds, nominal);
        const QVector<int> got{int(c.gaps),          int(c.duplicatesSame), int(c.duplicatesDifferent),
                               int(c.backwardSteps), int(c.hourSteps),      int(c.irregularSteps)};
        QCOMPARE(got, counts);
        QCOMPARE(c.count(FindingKind::Gap), qsizetype(counts[0]));
        QCOMPARE(c.count(FindingKind::BackwardStep), qsizetype(counts[3]));
    }

    void gapFindingNamesItsTimesAndRecords()
    {
        const SurveyCheck c =
            checkRva(recordsAt({0, 60, 120, 7325, 7385}), interval(60), pipe()); // 2 h 0 min 5 s missing
        const Finding *gap = firstOf(c, FindingKind::Gap);
        QVERIFY(gap);
        QCOMPARE(gap->firstRecord, qsizetype(2));
        QCOMPARE(gap->lastRecord, qsizetype(3));
        QCOMPARE(clockText(gap->start), QStringLiteral("2024-03-11 00:02:00"));
        QCOMPARE(clockText(gap->end), QStringLiteral("2024-03-11 02:02:05"));
        QCOMPARE(gap->seconds, qint64(7205));
        QCOMPARE(findingDetail(*gap), QStringLiteral("间隔 2小时00分05秒"));
        QCOMPARE(recordRangeText(*gap), QStringLiteral("3-4"));
    }

    void valueFindingsCoverTheirRecords()
    {
        // Two hours of one-minute records; level 0.3 m unchanged from record 10 to 70 (an hour),
        // velocity 0.25 m/s unchanged for 59 minutes, level above the crown from 80 to 89,
        // negative at 95, NaN flow at 100 and 101, a velocity spike at 110.
        std::vector<RvaRecord> records;
        for (int i = 0; i < 120; ++i) {
            const float level = i >= 10 && i <= 70 ? 0.3f : 0.2f + 0.001f * float(i);
            const float velocity = i >= 20 && i <= 79 ? 0.25f : 0.5f + 0.001f * float(i);
            records.push_back(rva(kMarch11 + 60 * i, level, velocity, 30.0f));
        }
        for (int i = 80; i < 90; ++i)
            records[std::size_t(i)].level = 0.95f + 0.001f * float(i);
        records[95].level = -0.02f;
        records[100].flow = records[101].flow = kNaN;
        records[110].velocity = -5.5f; // -6.6 m/s once corrected by 1.2
        const SurveyCheck c = checkRva(records, interval(60, 1.2f), pipe());

        struct Expect
        {
            FindingKind kind;
            CheckedValue value;
            qsizetype first, last;
            qint64 seconds;
        };
        const QVector<Expect> expected = {
            {FindingKind::FlatLine, CheckedValue::Level, 10, 70, 3600},
            {FindingKind::Surcharge, CheckedValue::Level, 80, 89, 600},
            {FindingKind::BelowSediment, CheckedValue::Level, 95, 95, 60},
            {FindingKind::NotFinite, CheckedValue::Flow, 100, 101, 120},
            {FindingKind::VelocityOutOfRange, CheckedValue::Velocity, 110, 110, 60},
        };
        QCOMPARE(c.findings.size(), expected.size()); // the 59-minute velocity is no flat line
        for (int i = 0; i < expected.size(); ++i) {
            const Finding &f = c.findings[i];
            QCOMPARE(f.kind, expected[i].kind);
            QCOMPARE(f.value, expected[i].value);
            QCOMPARE(f.firstRecord, expected[i].first);
            QCOMPARE(f.lastRecord, expected[i].last);
            QCOMPARE(f.seconds, expected[i].seconds);
        }
        QCOMPARE(c.findings[1].extreme, 0.95f + 0.001f * 89.0f);
        QCOMPARE(c.findings[4].extreme, -5.5f * 1.2f);
        QCOMPARE(c.surchargeSeconds, qint64(600));
        // The hydrograph's shading finds the same period without the rest of the check.
        const QVector<Finding> alone = rvaSurcharge(records, 60, pipe());
        QCOMPARE(alone.size(), 1);
        QCOMPARE(alone[0].firstRecord, c.findings[1].firstRecord);
        QCOMPARE(alone[0].lastRecord, c.findings[1].lastRecord);
        QCOMPARE(alone[0].start, c.findings[1].start);
        QCOMPARE(alone[0].end, c.findings[1].end);
        QCOMPARE(alone[0].extreme, c.findings[1].extreme);
        QCOMPARE(c.days.size(), 1);
        QCOMPARE(c.days[0].surchargeSeconds, qint64(600));
        // The NaN flows add neither volume nor covered time.
        QCOMPARE(c.days[0].countedSeconds, qint64(118 * 60));
    }

    void flatLineAtZeroIsNoFinding()
    {
        std::vector<RvaRecord> records;
        for (int i = 0; i < 180; ++i)
            records.push_back(rva(kMarch11 + 60 * i, 0.0f, 0.0f, 0.0f));
        QVERIFY(checkRva(records, interval(60), pipe()).findings.isEmpty());
    }

    void dailyVolumesFollowTheLoggerClock_data()
    {
        QTest::addColumn<QVector<qint64>>("offsets");
        QTest::addColumn<float>("flow");
        QTest::addColumn<float>("cv");
        QTest::addColumn<float>("cq");
        QTest::addColumn<quint32>("fileInterval");
        QTest::addColumn<QVector<double>>("volumes"); // per day, m³
        QTest::addColumn<QVector<double>>("coverage");
        QTest::newRow("100 L/s over a full day") << every(60, 0, 86400) << 100.0f << 1.0f << 1.0f << 60u
                                                 << QVector<double>{8640.0} << QVector<double>{1.0};
        QTest::newRow("full day, five-minute records") << every(300, 0, 86400) << 100.0f << 1.0f << 1.0f << 0u
                                                       << QVector<double>{8640.0} << QVector<double>{1.0};
        QTest::newRow("corrections as exported")
            << every(60, 0, 86400) << 10.0f << 1.2f << 0.9f << 60u
            << QVector<double>{double(10.0f * 1.2f * 0.9f) * 86.4} << QVector<double>{1.0};
        // Records 00:00-06:00, then none until 18:00: the hole adds nothing.
        QTest::newRow("gap adds nothing") << every(60, 0, 21600) + every(60, 64800, 86400) << 100.0f << 1.0f
                                          << 1.0f << 60u << QVector<double>{4320.0} << QVector<double>{0.5};
        // 23:40, 23:50, then 00:10: the 20-minute step is split ten and ten minutes at midnight,
        // and the last record counts for its own ten minutes.
        QTest::newRow("step across midnight split")
            << QVector<qint64>{85200, 85800, 86400 + 600} << 100.0f << 1.0f << 1.0f << 600u
            << QVector<double>{120.0, 120.0} << QVector<double>{1200.0 / 86400, 1200.0 / 86400};
        // A header interval past a day is damage: the records' own step (60 s) is taken, so the
        // record before the day-long hole counts a minute, not the rest of the day.
        QTest::newRow("impossible file interval taken from the records")
            << QVector<qint64>{0, 60, 86400 + 60} << 100.0f << 1.0f << 1.0f << 4000000000u
            << QVector<double>{12.0, 6.0} << QVector<double>{120.0 / 86400, 60.0 / 86400};
        // Set back two minutes: 02:00 and 03:00 again count nothing, 04:00 its minute.
        QTest::newRow("clock set back counts the repeated minutes once")
            << QVector<qint64>{0, 60, 120, 180, 120, 180, 240} << 100.0f << 1.0f << 1.0f << 60u
            << QVector<double>{30.0} << QVector<double>{300.0 / 86400};
        // The last record, at 23:55 with ten-minute records, counts up to midnight only: the
        // next day has no record to be credited.
        QTest::newRow("no time credited to a day without records")
            << QVector<qint64>{86100} << 100.0f << 1.0f << 1.0f << 600u << QVector<double>{30.0}
            << QVector<double>{300.0 / 86400};
        QTest::newRow("repeated time counted once")
            << QVector<qint64>{0, 60, 60, 120} << 100.0f << 1.0f << 1.0f << 60u << QVector<double>{18.0}
            << QVector<double>{180.0 / 86400};
    }
    void dailyVolumesFollowTheLoggerClock()
    {
        QFETCH(QVector<qint64>, offsets);
        QFETCH(float, flow);
        QFETCH(float, cv);
        QFETCH(float, cq);
        QFETCH(quint32, fileInterval);
        QFETCH(QVector<double>, volumes);
        QFETCH(QVector<double>, coverage);
        std::vector<RvaRecord> records;
        for (qint64 t : offsets)
            records.push_back(rva(kMarch11 + t, 0.3f, 0.5f, flow));
        const SurveyCheck c = checkRva(records, interval(fileInterval, cv, cq), pipe());
        QCOMPARE(c.days.size(), volumes.size());
        double total = 0;
        for (int i = 0; i < volumes.size(); ++i) {
            QCOMPARE(dayText(c.days[i].day), QDate(2024, 3, 11 + i).toString(Qt::ISODate));
            QVERIFY2(std::abs(c.days[i].volumeM3 - volumes[i]) < 1e-6 * std::max(1.0, volumes[i]),
                     qPrintable(QString::number(c.days[i].volumeM3, 'f', 6)));
            QVERIFY(std::abs(c.days[i].coverage() - coverage[i]) < 1e-9);
            total += volumes[i];
        }
        QVERIFY(std::abs(c.total.volumeM3 - total) < 1e-6 * std::max(1.0, total));
        QCOMPARE(c.total.records, qsizetype(offsets.size()));
    }

    void fullDayTableRowHoldsTheFlowFigures()
    {
        std::vector<RvaRecord> records;
        for (int i = 0; i < 1440; ++i)
            records.push_back(
                rva(kMarch11 + 60 * i, 0.2f + (i == 700 ? 0.5f : 0.0f), 0.5f, i == 700 ? 160.0f : 100.0f));
        const SurveyCheck c = checkRva(records, interval(60), pipe());
        const DayVolume &d = c.days.value(0);
        QCOMPARE(d.records, qsizetype(1440));
        QCOMPARE(d.minFlow, 100.0f);
        QCOMPARE(d.maxFlow, 160.0f);
        QCOMPARE(d.maxLevel, 0.2f + 0.5f);
        QVERIFY(std::abs(d.volumeM3 - (8640.0 + 60 * 0.06)) < 1e-6);
        QVERIFY(std::abs(d.meanFlow() - d.volumeM3 * 1000 / 86400) < 1e-9);
    }

    void rvbWeakPowerSignalAndChannelFindings()
    {
        // Ten-minute records over four hours; the voltage sags below 10.5 V for 40 minutes, the
        // signal drops for 20, channel 6 stays at 2.5 the whole time and channel 2 is NaN once.
        std::vector<RvbRecord> records;
        for (int i = 0; i < 24; ++i) {
            RvbRecord r;
            r.timeSeconds = quint32(kMarch11 - 1388534400 + 600 * i);
            r.channel = {0.4f + 0.01f * float(i), 0.3f + 0.01f * float(i), 0, 0, 0, 2.5f};
            r.supplyVoltage = i >= 6 && i < 10 ? 10.2f - 0.1f * float(i - 6) : 12.4f;
            r.csq = i >= 12 && i < 14 ? 8 : 22;
            records.push_back(r);
        }
        records[3].channel[1] = kNaN;
        const SurveyCheck c = checkRvb(records, 16);
        QCOMPARE(c.intervalSeconds, qint64(600));
        QCOMPARE(c.weakPowerSeconds, qint64(2400));
        QCOMPARE(c.weakSignalSeconds, qint64(1200));
        const Finding *power = firstOf(c, FindingKind::WeakPower);
        QVERIFY(power);
        QCOMPARE(power->firstRecord, qsizetype(6));
        QCOMPARE(power->extreme, 10.2f - 0.1f * float(9 - 6));
        const Finding *flat = firstOf(c, FindingKind::FlatLine);
        QVERIFY(flat);
        QCOMPARE(flat->value, CheckedValue::Channel6);
        QCOMPARE(flat->seconds, qint64(23 * 600));
        QCOMPARE(checkedValueText(flat->value, c.channelNames), QStringLiteral("俯仰角"));
        const Finding *bad = firstOf(c, FindingKind::NotFinite);
        QVERIFY(bad);
        QCOMPARE(bad->value, CheckedValue::Channel2);
        QCOMPARE(c.findings.size(), 4);
        QVERIFY(c.days.isEmpty());
    }

    void countedSecondsStepOverImpossibleTimes()
    {
        // Five one-minute records; the third has a time that names no moment and counts nothing,
        // the second steps over it to the fourth (two minutes, within twice the interval).
        const std::vector<qint64> t = {0, 60, 999999, 180, 240};
        const std::vector<std::uint8_t> possible = {1, 1, 0, 1, 1};
        QCOMPARE(countedSeconds(t, 60, possible), (std::vector<qint64>{60, 120, 0, 60, 60}));
        // Without the flags the same times are taken at their word.
        QCOMPARE(countedSeconds(t, 60), (std::vector<qint64>{60, 60, 60, 60, 60}));
        // The clock set back 90 s: 01:30 and 02:30 repeat counted time and count nothing, 03:30
        // counts its own minute.
        QCOMPARE(countedSeconds(std::vector<qint64>{0, 60, 120, 90, 150, 210}, 60),
                 (std::vector<qint64>{60, 60, 60, 0, 0, 60}));
        // Set back into a hole: 04:20 was never counted and counts up to 05:00, where counted
        // time begins again.
        QCOMPARE(countedSeconds(std::vector<qint64>{0, 60, 300, 360, 30, 260}, 60),
                 (std::vector<qint64>{60, 60, 60, 60, 0, 40}));
    }

    void headerFindingsConcernTheWholeFile_data()
    {
        QTest::addColumn<quint32>("shape");
        QTest::addColumn<quint32>("height");
        QTest::addColumn<quint32>("width");
        QTest::addColumn<quint32>("sediment");
        QTest::addColumn<quint32>("fileInterval");
        QTest::addColumn<float>("cv");
        QTest::addColumn<float>("cq");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("detail");
        const float nan = kNaN, inf = std::numeric_limits<float>::infinity();
        QTest::newRow("diameter 0xFFFFFFFF")
            << 0u << 0xFFFFFFFFu << 0u << 0u << 60u << 1.0f << 1.0f << "管道参数无效"
            << "管道参数不可能: 管径 4294967295 mm (应为 2-20000 mm) 不判断超过管顶";
        QTest::newRow("20001 mm") << 0u << 20001u << 0u << 0u << 60u << 1.0f << 1.0f << "管道参数无效"
                                  << "管道参数不可能: 管径 20001 mm (应为 2-20000 mm) 不判断超过管顶";
        QTest::newRow("sediment at the crown")
            << 0u << 800u << 0u << 800u << 60u << 1.0f << 1.0f << "管道参数无效"
            << "管道参数不可能: 淤积 800 mm 达到管顶 (800 mm) 不判断超过管顶";
        QTest::newRow("interval 0xFFFFFFFF")
            << 0u << 1000u << 0u << 100u << 0xFFFFFFFFu << 1.0f << 1.0f << "记录间隔无效"
            << "文件记录间隔 4294967295s 不可能 按记录取 60s";
        QTest::newRow("velocity correction NaN")
            << 0u << 1000u << 0u << 100u << 60u << nan << 1.0f << "修正系数无效"
            << "流速修正系数 nan 不是数值 水量无法计算";
        QTest::newRow("flow correction -inf")
            << 0u << 1000u << 0u << 100u << 60u << 1.0f << -inf << "修正系数无效"
            << "流量修正系数 -inf 不是数值 水量无法计算";
        QTest::newRow("negative correction")
            << 0u << 1000u << 0u << 100u << 60u << -1.0f << 1.0f << "修正系数无效"
            << "流速修正系数 -1.000 为负";
    }
    void headerFindingsConcernTheWholeFile()
    {
        QFETCH(quint32, shape);
        QFETCH(quint32, height);
        QFETCH(quint32, width);
        QFETCH(quint32, sediment);
        QFETCH(quint32, fileInterval);
        QFETCH(float, cv);
        QFETCH(float, cq);
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        const PipeSaveIntoTfType point = makePointRecord(QStringLiteral("项目"), QStringLiteral("测点"),
                                                         shape, height, width, 0, sediment);
        const SurveyCheck c = checkRva(recordsAt(every(60, 0, 600)), interval(fileInterval, cv, cq), point);
        const Finding &f = c.findings.value(0);
        QCOMPARE(findingKindText(f.kind), kind);
        QCOMPARE(findingDetail(f), detail);
        QVERIFY(f.wholeFile());
        QCOMPARE(recordRangeText(f), QStringLiteral("全部"));
        QCOMPARE(clockText(f.start), QStringLiteral("2024-03-11 00:00:00"));
        QCOMPARE(clockText(f.end), QStringLiteral("2024-03-11 00:09:00"));
        QCOMPARE(c.findings.size(), 1);
    }

    void impossibleRecordTimesAreFoundAndCountNothing()
    {
        std::vector<RvaRecord> records = recordsAt(every(60, 0, 300));
        for (const RecordTime bad :
             {RecordTime{25, 0, 0, 0, 2024, 3, 11}, RecordTime{0, 5, 0, 0, 2024, 13, 11},
              RecordTime{0, 6, 0, 0, 2024, 2, 30}, RecordTime{0, 7, 0, 0, 65534, 3, 11}}) {
            RvaRecord r = records.back();
            r.time = bad;
            records.push_back(r);
        }
        records.push_back(rva(kMarch11 + 300, 0.3f, 0.5f, 40.0f));
        const SurveyCheck c = checkRva(records, interval(60), pipe());
        QCOMPARE(c.count(FindingKind::ImpossibleTime), qsizetype(1));
        const Finding *f = firstOf(c, FindingKind::ImpossibleTime);
        QCOMPARE(f->firstRecord, qsizetype(5));
        QCOMPARE(f->lastRecord, qsizetype(8));
        QCOMPARE(findingDetail(*f),
                 QStringLiteral("记录时间 2024-03-11 25:00:00 不存在 共 4 条 不计时间和水量"));
        // The records around them step from 00:04 to 00:05 as if the four were not there.
        QCOMPARE(c.gaps + c.backwardSteps + c.irregularSteps, qsizetype(0));
        QCOMPARE(c.days.size(), 1);
        QCOMPARE(c.days[0].records, qsizetype(6));
        QCOMPARE(c.days[0].countedSeconds, qint64(360));
    }

    void volumeRuleIsTheDailyTables()
    {
        // Gaps, a clock set back, a repeated time and a step across midnight: the volume of each
        // day by the shared rule is the daily table's, and so is that of any range.
        QVector<qint64> offsets = every(300, 0, 86400 - 900) + every(300, 86400 - 600, 86400 + 7200);
        offsets += QVector<qint64>{86400 + 6000, 86400 + 6000, 86400 + 6300};
        offsets += every(300, 86400 + 20000, 2 * 86400 + 3000);
        std::vector<RvaRecord> records;
        std::vector<qint64> t;
        std::vector<float> flows;
        for (int i = 0; i < offsets.size(); ++i) {
            const float q = 50.0f + float(i % 17);
            records.push_back(rva(kMarch11 + offsets[i], 0.3f, 0.5f, q));
            t.push_back(kMarch11 + offsets[i]);
            flows.push_back(q * 1.1f * 0.9f);
        }
        const SurveyCheck c = checkRva(records, interval(300, 1.1f, 0.9f), pipe());
        const std::vector<DailyFlowVolume> daily = dailyFlowVolumes(t, flows, 300);
        QCOMPARE(qsizetype(daily.size()), c.days.size());
        for (qsizetype k = 0; k < c.days.size(); ++k) {
            const DayVolume &d = c.days[k];
            QCOMPARE(daily[std::size_t(k)].day, d.day);
            QCOMPARE(daily[std::size_t(k)].volume.seconds, d.countedSeconds);
            QVERIFY(std::abs(daily[std::size_t(k)].volume.m3 - d.volumeM3) < 1e-9 * d.volumeM3);
            const FlowVolume ranged =
                flowVolume(t, flows, 300, TimeSpan{d.day * 86400, d.day * 86400 + 86400});
            QVERIFY(std::abs(ranged.m3 - d.volumeM3) < 1e-9 * d.volumeM3);
        }
        QVERIFY(std::abs(flowVolume(t, flows, 300).m3 - c.total.volumeM3) < 1e-9 * c.total.volumeM3);
    }

    void fileIsReadButNeverWritten()
    {
        QTemporaryDir dir;
        QByteArray file = testbytes::header(5);
        testbytes::putU32(file, 96, 60); // record interval
        for (int i = 0; i < 5; ++i)
            file += testbytes::rvaRecord(
                {quint32(i + 1), 0.3f, 0.5f, 100.0f, 12.0f, 2024, 3, 11, 0, quint8(i < 3 ? i : i + 7), 0});
        const QString path = dir.filePath("a.lmv");
        QVERIFY(testbytes::writeFile(path, file));
        const QDateTime modified = QFileInfo(path).lastModified();
        SurveyCheck c;
        QCOMPARE(checkFile(path, c), int(ReadOk));
        QCOMPARE(c.records, qsizetype(5));
        QCOMPARE(c.gaps, qsizetype(1));
        QCOMPARE(testbytes::readFile(path), file);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QCOMPARE(checkFile(dir.filePath("missing.lmv"), c), int(ReadCannotOpen));
    }

    void csvHoldsDaysTotalAndFindingsInCrLfLines()
    {
        std::vector<RvaRecord> records;
        for (const qint64 t : every(60, 0, 86400) + QVector<qint64>{86400 + 3600})
            records.push_back(rva(kMarch11 + t, 0.3f, 0.5f, 100.0f));
        const SurveyCheck c = checkRva(records, interval(60), pipe());
        const QByteArray csv = formatCheckCsv(c);
        QVERIFY(csv.endsWith("\r\n"));
        QCOMPARE(csv.count("\r\n"), csv.count('\n'));
        const QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
        QVERIFY(lines.contains(
            QStringLiteral("2024-03-11,1440,100.0,8640.000,100.000,100.000,100.000,0.300,0.0")));
        QVERIFY(lines.contains(QStringLiteral("2024-03-12,1,0.1,6.000,100.000,100.000,100.000,0.300,0.0")));
        QVERIFY(lines.contains(QStringLiteral("合计,1441,50.0,8646.000,100.000,100.000,100.000,0.300,0.0")));
        QVERIFY(
            lines.contains(QStringLiteral("数据缺失,2024-03-11 23:59:00,2024-03-12 01:00:00,3660,1440,1441,"
                                          "间隔 1小时01分00秒 (约一小时 时钟调整?)")));

        QTemporaryDir dir;
        QVERIFY(exportCheckCsv(c, dir.filePath("check.csv")));
        QCOMPARE(testbytes::readFile(dir.filePath("check.csv")), csv);
        QVERIFY(!exportCheckCsv(c, dir.filePath("no/such/dir/check.csv")));
    }
};

QTEST_GUILESS_MAIN(TestSurveyCheck)
#include "test_survey_check.moc"
