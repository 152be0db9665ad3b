// A point's files joined into one survey: copies counted once, the newer download winning a
// conflict, clocks set back, gaps, each file's own pipe and corrections, the period, files left
// out; the daily, weekly and whole-period table over the joined records.

#include "data/DataFile.h"
#include "data/SurveyCheck.h"
#include "data/TimeSteps.h"
#include "survey/ProjectOverview.h"
#include "survey/SurveyFigures.h"
#include "survey/SurveyJoin.h"
#include "tests/data/FileBytes.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <set>

using namespace lmv;
using namespace lmv::survey;

// A file's records: times as offsets in steps from 2024-03-11 00:00 (plus `shift` seconds),
// values following the step number; `salt` changes the values (another measurement).
struct FilePlan
{
    QString name;
    QVector<qint64> steps;
    qint64 shift = 0;
    float salt = 0.0f;
};

Q_DECLARE_METATYPE(FilePlan)

namespace {

constexpr qint64 kMarch11 = 1710115200; // 2024-03-11 00:00:00, a Monday, on the logger's clock
constexpr qint64 kStep = 120;

SurveyFileInput rvaInput(const FilePlan &plan, const CalcParams &calc = {}, quint32 diameter = 1000)
{
    SurveyFileInput in;
    in.name = plan.name;
    in.path = QStringLiteral("/store/") + plan.name;
    in.header.family = Family::Rva;
    in.header.typeCode = kTypeCodeRva;
    in.header.point =
        makePointRecord(QStringLiteral("项目"), QStringLiteral("测点"), PipeCircle, diameter, 0, 0, 0);
    in.header.calc = calc;
    for (const qint64 step : plan.steps) {
        RvaRecord r;
        r.time = recordTimeOf(kMarch11 + step * kStep + plan.shift);
        r.level = 0.2f + 0.001f * float(step % 100) + plan.salt;
        r.velocity = 0.5f + 0.002f * float(step % 50) + plan.salt;
        r.flow = 50.0f + float(step % 30) + plan.salt * 100.0f;
        r.temperature = 15.0f;
        r.sequence = quint32(step);
        in.rva.push_back(r);
    }
    return in;
}

QVector<qint64> range(qint64 first, qint64 last)
{
    QVector<qint64> out;
    for (qint64 s = first; s <= last; ++s)
        out << s;
    return out;
}

CalcParams calcOf(quint32 interval, float cv = 1.0f, float cq = 1.0f)
{
    CalcParams c;
    c.recordInterval = interval;
    c.velocityCorrection = cv;
    c.flowCorrection = cq;
    return c;
}

// What every join must hold: rising times, records equal to their file's, counts adding up.
void checkJoinInvariants(const JoinedSurvey &s, qsizetype recordsIn)
{
    const SurveyLayer &l = s.layer;
    for (qsizetype i = 1; i < l.size(); ++i)
        QVERIFY2(l.times[std::size_t(i)] > l.times[std::size_t(i - 1)], qPrintable(QString::number(i)));
    QCOMPARE(qsizetype(l.rva.size()), l.size());
    QCOMPARE(qsizetype(l.source.size()), l.size());
    QCOMPARE(l.size() + s.duplicates + qsizetype(s.conflicts.size()) + s.superseded, recordsIn);
    qsizetype pieceRecords = 0;
    for (const SurveyPiece &p : s.pieces) {
        QCOMPARE(p.layerFirst, pieceRecords);
        for (qsizetype k = 0; k < p.count; ++k) {
            const auto i = std::size_t(p.layerFirst + k);
            QCOMPARE(l.source[i], p.source);
            QCOMPARE(l.sourceRecord[i], p.firstRecord + k);
        }
        pieceRecords += p.count;
    }
    QCOMPARE(pieceRecords, l.size());
}

const JoinFinding *findingOf(const JoinedSurvey &s, JoinFindingKind kind)
{
    for (const JoinFinding &f : s.findings)
        if (f.kind == kind)
            return &f;
    return nullptr;
}

// A data file on disk, written byte by byte at the documented offsets.
void writeRvaFile(const QString &path, const FilePlan &plan, quint8 typeCode = 5)
{
    QByteArray bytes = testbytes::header(typeCode);
    testbytes::putU32(bytes, 96, quint32(kStep));
    for (const qint64 step : plan.steps) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(kMarch11 + step * kStep, Qt::UTC);
        bytes += testbytes::rvaRecord({quint32(step), 0.3f, 0.6f, 80.0f, 15.0f, quint16(at.date().year()),
                                       quint8(at.date().month()), quint8(at.date().day()),
                                       quint8(at.time().hour()), quint8(at.time().minute()),
                                       quint8(at.time().second())});
    }
    QVERIFY(testbytes::writeFile(path, bytes));
}

} // namespace

class TestSurveyJoin : public QObject
{
    Q_OBJECT

private slots:
    // Two files A (older: its last record earlier) and B. Expected: records kept, copies,
    // conflicts, records replaced at other times, the file finding, and whose value the layer
    // holds at step `probe`.
    void filesJoinInTimeOrder_data()
    {
        QTest::addColumn<FilePlan>("a");
        QTest::addColumn<FilePlan>("b");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("duplicates");
        QTest::addColumn<int>("conflicts");
        QTest::addColumn<int>("superseded");
        QTest::addColumn<int>("finding"); // JoinFindingKind, -1 for none
        QTest::addColumn<int>("replaced");
        QTest::addColumn<qint64>("probe");
        QTest::addColumn<QString>("probeFile");

        const auto file = [](const char *name, QVector<qint64> steps, qint64 shift = 0, float salt = 0.0f) {
            return FilePlan{QString::fromLatin1(name), steps, shift, salt};
        };
        QTest::newRow("end to end") << file("a", range(0, 99)) << file("b", range(100, 199)) << 200 << 0 << 0
                                    << 0 << -1 << 0 << qint64(100) << "b";
        QTest::newRow("gap between files stays a gap")
            << file("a", range(0, 99)) << file("b", range(130, 199)) << 170 << 0 << 0 << 0 << -1 << 0
            << qint64(99) << "a";
        QTest::newRow("download of the same memory")
            << file("a", range(0, 99)) << file("b", range(50, 199)) << 200 << 50 << 0 << 0
            << int(JoinFindingKind::Overlap) << 50 << qint64(60) << "b";
        QTest::newRow("re-download of everything")
            << file("a", range(20, 99)) << file("b", range(0, 120)) << 121 << 80 << 0 << 0
            << int(JoinFindingKind::Overlap) << 80 << qint64(20) << "b";
        QTest::newRow("same times, other values: newer wins")
            << file("a", range(0, 99)) << file("b", range(90, 199), 0, 0.05f) << 200 << 0 << 10 << 0
            << int(JoinFindingKind::ClockSetBack) << 10 << qint64(95) << "b";
        QTest::newRow("clock set back across files, other phase")
            << file("a", range(0, 99)) << file("b", range(90, 189), 30, 0.05f) << 191 << 0 << 0 << 9
            << int(JoinFindingKind::ClockSetBack) << 9 << qint64(90) << "a";
        QTest::newRow("older records in the newer file's gap stay")
            << file("a", range(40, 160)) << file("b", range(0, 49) + range(150, 199)) << 200 << 21 << 0 << 0
            << int(JoinFindingKind::Overlap) << 21 << qint64(100) << "a";
    }
    void filesJoinInTimeOrder()
    {
        QFETCH(FilePlan, a);
        QFETCH(FilePlan, b);
        QFETCH(int, records);
        QFETCH(int, duplicates);
        QFETCH(int, conflicts);
        QFETCH(int, superseded);
        QFETCH(int, finding);
        QFETCH(int, replaced);
        QFETCH(qint64, probe);
        QFETCH(QString, probeFile);
        // B first in the list: the order of the index never decides.
        std::vector<SurveyFileInput> in;
        in.push_back(rvaInput(b, calcOf(120)));
        in.push_back(rvaInput(a, calcOf(120)));
        const JoinedSurvey s = joinSurveyFiles(std::move(in));
        checkJoinInvariants(s, a.steps.size() + b.steps.size());
        QCOMPARE(s.layer.size(), records);
        QCOMPARE(s.duplicates, duplicates);
        QCOMPARE(int(s.conflicts.size()), conflicts);
        QCOMPARE(s.superseded, superseded);
        QCOMPARE(int(s.layer.sources.size()), 2);
        QVERIFY(s.layer.sources[0].start < s.layer.sources[1].start); // in time order
        for (const JoinConflict &c : s.conflicts) {
            QCOMPARE(s.layer.sources[c.dropped].name, QStringLiteral("a"));
            QCOMPARE(s.layer.sources[c.kept].name, QStringLiteral("b"));
        }
        const JoinFinding *f = finding < 0 ? nullptr : findingOf(s, JoinFindingKind(finding));
        QCOMPARE(f != nullptr, finding >= 0);
        QCOMPARE(s.findings.size(), finding < 0 ? 0 : 1);
        if (f) {
            QCOMPARE(s.layer.sources[f->before].name, QStringLiteral("a"));
            QCOMPARE(s.layer.sources[f->after].name, QStringLiteral("b"));
            QCOMPARE(int(f->records), replaced);
            QVERIFY(!joinFindingText(*f, s.layer).isEmpty());
        }
        const qint64 shift = probeFile == QLatin1String("a") ? a.shift : b.shift;
        const auto at =
            std::find(s.layer.times.begin(), s.layer.times.end(), kMarch11 + probe * kStep + shift);
        QVERIFY(at != s.layer.times.end());
        QCOMPARE(s.layer.sourceOf(at - s.layer.times.begin()).name, probeFile);
    }

    // Inside one file the records after a step back replace those whose times they repeat; a
    // repeated time with the same values is a copy.
    void clockSetBackInsideAFileKeepsTheLaterRecords()
    {
        std::vector<SurveyFileInput> in;
        FilePlan plan{QStringLiteral("a"), range(0, 99) + range(80, 119), 0, 0.0f};
        in.push_back(rvaInput(plan, calcOf(120)));
        // The records after the step carry other values.
        for (std::size_t k = 100; k < in[0].rva.size(); ++k)
            in[0].rva[k].level += 0.5f;
        in.push_back(
            rvaInput(FilePlan{QStringLiteral("c"), range(200, 209) + QVector<qint64>{209} + range(210, 219)},
                     calcOf(120)));
        const JoinedSurvey s = joinSurveyFiles(std::move(in));
        checkJoinInvariants(s, 140 + 21);
        QCOMPARE(s.layer.size(), 120 + 20);
        QCOMPARE(s.duplicates, 1);
        QCOMPARE(int(s.conflicts.size()), 20);
        const JoinFinding *f = findingOf(s, JoinFindingKind::ClockSetBack);
        QVERIFY(f);
        QCOMPARE(f->before, f->after);
        QCOMPARE(f->stepFrom, kMarch11 + 99 * kStep);
        QCOMPARE(f->stepTo, kMarch11 + 80 * kStep);
        QCOMPARE(int(f->records), 20);
        QCOMPARE(f->start, kMarch11 + 80 * kStep);
        QCOMPARE(f->end, kMarch11 + 99 * kStep);
        QCOMPARE(s.findings.size(), 1); // the repeated time is no step back
        // The layer holds the later records, in the file's own order.
        QCOMPARE(s.layer.sourceRecord[80], qint64(100));
        QVERIFY(s.layer.rva[80].level > 0.7f);
        QCOMPARE(s.layer.sourceRecord[79], qint64(79));
    }

    // Three days, each file with other corrections and the last with another pipe: each record's
    // flow counts with its own file's corrections, the volumes equal the files' own checks, and
    // surcharge is judged against each file's own pipe.
    void eachFileKeepsItsPipeAndCorrections()
    {
        const qint64 perDay = 86400 / kStep;
        std::vector<SurveyFileInput> in;
        const CalcParams calcs[] = {calcOf(120), calcOf(120, 1.1f, 0.9f), calcOf(120, 1.1f, 0.9f)};
        const quint32 diameters[] = {1000, 1000, 600};
        double perFileVolume = 0.0;
        std::vector<double> perFileDays;
        for (int d = 0; d < 3; ++d) {
            SurveyFileInput f =
                rvaInput(FilePlan{QStringLiteral("d%1").arg(d), range(d * perDay, (d + 1) * perDay - 1)},
                         calcs[d], diameters[d]);
            for (RvaRecord &r : f.rva)
                r.level = 0.7f; // surcharged in DN600 only
            const SurveyCheck own = checkRva(f.rva, f.header.calc, f.header.point);
            perFileVolume += own.total.volumeM3;
            perFileDays.push_back(own.days.front().volumeM3);
            in.push_back(std::move(f));
        }
        const JoinedSurvey s = joinSurveyFiles(std::move(in));
        QCOMPARE(s.layer.size(), 3 * perDay);
        QVERIFY(findingOf(s, JoinFindingKind::CorrectionsChanged));
        QVERIFY(findingOf(s, JoinFindingKind::PipeChanged));
        QCOMPARE(s.findings.size(), 2);
        QCOMPARE(s.layer.sources[findingOf(s, JoinFindingKind::PipeChanged)->after].name,
                 QStringLiteral("d2"));
        QCOMPARE(s.layer.correctedFlow(perDay), s.layer.rva[std::size_t(perDay)].flow * 1.1f * 0.9f);

        const SurveyFigures fig = checkSurvey(s.layer);
        QCOMPARE(fig.days.size(), 3);
        QVERIFY(std::abs(fig.total.volumeM3 - perFileVolume) < 1e-6 * perFileVolume);
        for (int d = 0; d < 3; ++d)
            QVERIFY(std::abs(fig.days[d].volumeM3 - perFileDays[std::size_t(d)]) <
                    1e-6 * perFileDays[std::size_t(d)]);
        QCOMPARE(fig.days[0].surchargeSeconds, qint64(0));
        QCOMPARE(fig.days[1].surchargeSeconds, qint64(0));
        QCOMPARE(fig.days[2].surchargeSeconds, qint64(86400));
        QCOMPARE(fig.check.count(FindingKind::Surcharge), 1);
        for (const Finding &f : fig.check.findings)
            if (f.kind == FindingKind::Surcharge)
                QCOMPARE(f.firstRecord, 2 * perDay);
        QCOMPARE(fig.coverage(), 1.0);
    }

    // A day at 5 min, then a file at 2 min starting at another offset: each record counts for the
    // step to the next under its own file's interval, however the files meet (worked out here
    // record by record).
    void intervalChangeCountsEachStepOnce_data()
    {
        QTest::addColumn<qint64>("bStart"); // seconds after the second midnight
        QTest::addColumn<int>("gaps");
        QTest::newRow("one interval on") << qint64(0) << 0;
        QTest::newRow("a longer step") << qint64(120) << 0;
        QTest::newRow("sooner than the interval") << qint64(-180) << 0;
        QTest::newRow("a gap") << qint64(3600) << 1;
    }
    void intervalChangeCountsEachStepOnce()
    {
        QFETCH(qint64, bStart);
        QFETCH(int, gaps);
        std::vector<SurveyFileInput> in;
        SurveyFileInput a = rvaInput(FilePlan{QStringLiteral("a"), {}}, calcOf(300));
        SurveyFileInput b = rvaInput(FilePlan{QStringLiteral("b"), {}}, calcOf(120));
        std::vector<std::pair<qint64, float>> expected; // time, flow of every record in order
        for (qint64 t = 0; t < 86400; t += 300) {
            RvaRecord r;
            r.time = recordTimeOf(kMarch11 + t);
            r.flow = 100.0f;
            r.level = 0.3f;
            a.rva.push_back(r);
            expected.emplace_back(t, 100.0f);
        }
        for (qint64 t = 86400 + bStart; t < 2 * 86400; t += 120) {
            RvaRecord r;
            r.time = recordTimeOf(kMarch11 + t);
            r.flow = 50.0f;
            r.level = 0.2f;
            b.rva.push_back(r);
            expected.emplace_back(t, 50.0f);
        }
        in.push_back(std::move(a));
        in.push_back(std::move(b));
        const JoinedSurvey s = joinSurveyFiles(std::move(in));
        QCOMPARE(s.layer.size(), qsizetype(expected.size()));
        std::map<qint64, qint64> counted;
        double volume = 0.0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const qint64 own = expected[i].second > 60.0f ? 300 : 120;
            const qint64 step = i + 1 < expected.size() ? expected[i + 1].first - expected[i].first : 0;
            qint64 c = step > 0 && step <= 2 * own ? step : own;
            if (step <= 0) // the last record: its day's end, no day without records credited
                c = std::min(c, (expected[i].first / 86400 + 1) * 86400 - expected[i].first);
            volume += double(c) * double(expected[i].second) / 1000.0;
            for (qint64 t = expected[i].first; t < expected[i].first + c; ++t)
                ++counted[t >= 0 ? t / 86400 : -1];
        }
        const SurveyFigures fig = checkSurvey(s.layer);
        QCOMPARE(fig.check.gaps, qsizetype(gaps));
        QCOMPARE(fig.days.size(), qsizetype(counted.size()));
        for (const DayVolume &d : fig.days)
            QCOMPARE(d.countedSeconds, counted[d.day - kMarch11 / 86400]);
        QVERIFY(std::abs(fig.total.volumeM3 - volume) < 1e-9 * volume);
    }

    // The period cuts the layer with both ends included; the table runs over every day of it.
    void periodIncludesBothEnds_data()
    {
        QTest::addColumn<qint64>("fromStep");
        QTest::addColumn<qint64>("toStep");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("sources");
        QTest::addColumn<int>("days");
        QTest::newRow("whole") << qint64(-1) << qint64(-1) << 1440 << 2 << 2;
        QTest::newRow("inside the first file") << qint64(10) << qint64(20) << 11 << 1 << 1;
        QTest::newRow("across the boundary") << qint64(700) << qint64(740) << 41 << 2 << 2;
        QTest::newRow("reaching into empty days") << qint64(1000) << qint64(1440 + 720 * 2) << 440 << 1 << 4;
    }
    void periodIncludesBothEnds()
    {
        QFETCH(qint64, fromStep);
        QFETCH(qint64, toStep);
        QFETCH(int, records);
        QFETCH(int, sources);
        QFETCH(int, days);
        SurveyPeriod period;
        if (fromStep >= 0)
            period.from = kMarch11 + fromStep * kStep;
        if (toStep >= 0)
            period.to = kMarch11 + toStep * kStep;
        std::vector<SurveyFileInput> in;
        in.push_back(rvaInput(FilePlan{QStringLiteral("a"), range(0, 719)}, calcOf(120)));
        in.push_back(rvaInput(FilePlan{QStringLiteral("b"), range(720, 1439)}, calcOf(120)));
        const JoinedSurvey s = joinSurveyFiles(std::move(in), period);
        QCOMPARE(s.layer.size(), records);
        QCOMPARE(int(s.layer.sources.size()), sources);
        if (period.from)
            QCOMPARE(s.layer.times.front(), *period.from);
        if (period.to && *period.to <= kMarch11 + 1439 * kStep)
            QCOMPARE(s.layer.times.back(), *period.to);
        const SurveyFigures fig = checkSurvey(s.layer, period);
        QCOMPARE(fig.days.size(), days);
        QCOMPARE(fig.total.records, qsizetype(records));
        qsizetype weekDays = 0;
        for (const WeekTotal &w : fig.weeks)
            weekDays += w.days;
        QCOMPARE(weekDays, fig.days.size());
    }

    // Ten days from a Monday: two weeks, each the sum of its days; an empty day lowers coverage.
    void weeksSumTheirDays()
    {
        const qint64 perDay = 86400 / kStep;
        QVector<qint64> steps = range(0, 10 * perDay - 1);
        steps.erase(steps.begin() + 3 * perDay, steps.begin() + 4 * perDay); // Thursday missing
        std::vector<SurveyFileInput> in;
        in.push_back(rvaInput(FilePlan{QStringLiteral("a"), steps}, calcOf(120)));
        const JoinedSurvey s = joinSurveyFiles(std::move(in));
        const SurveyFigures fig = checkSurvey(s.layer);
        QCOMPARE(fig.days.size(), 10);
        QCOMPARE(fig.days[3].records, qsizetype(0));
        QCOMPARE(fig.weeks.size(), 2);
        QCOMPARE(fig.weeks[0].monday, kMarch11 / 86400);
        QCOMPARE(fig.weeks[0].days, qsizetype(7));
        QCOMPARE(fig.weeks[1].days, qsizetype(3));
        double days0 = 0.0;
        for (int d = 0; d < 7; ++d)
            days0 += fig.days[d].volumeM3;
        QVERIFY(std::abs(fig.weeks[0].total.volumeM3 - days0) < 1e-9 * days0);
        QVERIFY(std::abs(fig.weeks[0].total.volumeM3 + fig.weeks[1].total.volumeM3 - fig.total.volumeM3) <
                1e-9 * fig.total.volumeM3);
        // The record before the missing day counts for one interval only.
        QCOMPARE(fig.weeks[0].coverage(), 6.0 / 7.0);
        QCOMPARE(fig.check.gaps, qsizetype(1));
    }

    // Files that cannot take part are listed with their reasons; the rest is joined.
    void unusableFilesAreLeftOutWithAReason()
    {
        QTemporaryDir dir;
        const auto path = [&dir](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
        writeRvaFile(path("ok1.lmv"), FilePlan{{}, range(0, 99)});
        writeRvaFile(path("ok2.lmv"), FilePlan{{}, range(100, 199)});
        QVERIFY(testbytes::writeFile(path("rvb.lmv"), testbytes::header(1) + QByteArray(200, '\0')));
        QVERIFY(testbytes::writeFile(path("short.lmv"), testbytes::header(5).left(100)));
        QVERIFY(testbytes::writeFile(path("other.lmv"), testbytes::header(7)));
        writeRvaFile(path("empty.lmv"), FilePlan{{}, {}});
        QVERIFY(testbytes::writeFile(path("zero.lmv"), QByteArray()));
        QVERIFY(testbytes::writeFile(path("badtime.lmv"),
                                     testbytes::header(5) + testbytes::rvaRecord({1, 0.3f, 0.6f, 80.0f, 15.0f,
                                                                                  2024, 3, 11, 25, 0, 0})));
        PointFiles point{QStringLiteral("测点"), {}};
        for (const char *name : {"ok2.lmv", "missing.lmv", "badtime.lmv", "rvb.lmv", "short.lmv", "other.lmv",
                                 "empty.lmv", "zero.lmv", "ok1.lmv"})
            point.files.push_back(PointFile{QString::fromLatin1(name), path(name)});
        const JoinedSurvey s = readSurvey(QStringLiteral("项目"), point);
        QCOMPARE(s.layer.size(), 200);
        QCOMPARE(int(s.layer.sources.size()), 2);
        QCOMPARE(s.layer.sources[0].name, QStringLiteral("ok1.lmv"));
        QStringList reasons;
        for (const LeftOutFile &f : s.leftOut)
            reasons << f.name + QLatin1Char(':') + f.reason;
        QCOMPARE(reasons,
                 (QStringList{QStringLiteral("missing.lmv:文件不存在"),
                              QStringLiteral("badtime.lmv:没有时间有效的记录"),
                              QStringLiteral("rvb.lmv:属于另一类记录仪(综合监测主机(RVB))"),
                              QStringLiteral("short.lmv:文件头不完整(100 字节)"),
                              QStringLiteral("other.lmv:不是数据文件(类型码 7)"),
                              QStringLiteral("empty.lmv:没有记录"), QStringLiteral("zero.lmv:空文件")}));
    }

    void recordsWithoutACalendarTimeAreLeftOut()
    {
        std::vector<SurveyFileInput> in;
        in.push_back(rvaInput(FilePlan{QStringLiteral("a"), range(0, 9)}, calcOf(120)));
        in[0].rva[3].time.hour = 25;
        in[0].rva[5].time.month = 13;
        in[0].rva[6].time.day = 30;
        in[0].rva[6].time.month = 2;
        in[0].rva[7].time.year = 65535;
        const JoinedSurvey s = joinSurveyFiles(std::move(in));
        QCOMPARE(s.layer.size(), 6);
        const JoinFinding *f = findingOf(s, JoinFindingKind::ImpossibleTime);
        QVERIFY(f);
        QCOMPARE(int(f->records), 4);
    }

    // The sample point: three whole days at 5 min, the last with other corrections.
    void samplePointJoinsIntoOneSurvey()
    {
        const QString dir = QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网/建设路1号井/");
        PointFiles point{QStringLiteral("建设路1号井"), {}};
        double perFile = 0.0;
        for (const char *name : {"20240313.lmv", "20240311.lmv", "20240312.lmv"}) {
            point.files.push_back(PointFile{QString::fromLatin1(name), dir + QString::fromLatin1(name)});
            SurveyCheck own;
            QCOMPARE(checkFile(point.files.back().path, own), int(ReadOk));
            perFile += own.total.volumeM3;
        }
        const JoinedSurvey s = readSurvey(QStringLiteral("城东排水管网"), point);
        QVERIFY(s.leftOut.isEmpty());
        QCOMPARE(s.layer.size(), 3 * 288);
        QCOMPARE(s.layer.intervalSeconds, qint64(300));
        QCOMPARE(s.layer.sources[2].name, QStringLiteral("20240313.lmv"));
        QCOMPARE(s.findings.size(), 1);
        QCOMPARE(s.findings[0].kind, JoinFindingKind::CorrectionsChanged);
        const SurveyFigures fig = checkSurvey(s.layer);
        QCOMPARE(fig.days.size(), 3);
        QVERIFY(std::abs(fig.total.volumeM3 - perFile) < 1e-6 * perFile);
        QCOMPARE(fig.coverage(), 1.0);
    }

    // The sample projects at a glance: each cell is the day of the point's own survey table;
    // the totals add up; reading in parallel changes nothing.
    void overviewOfTheSampleProjects_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<int>("family");
        QTest::newRow("RVA volumes") << QStringLiteral("城东排水管网/城东排水管网.lmvprj")
                                     << int(Family::Rva);
        QTest::newRow("RVB coverage")
            << QStringLiteral("水库入库监测/水库入库监测.lmvprj") << int(Family::Rvb);
    }
    void overviewOfTheSampleProjects()
    {
        QFETCH(QString, index);
        QFETCH(int, family);
        const ProjectFiles project =
            readProjectFiles(QStringLiteral(LMV_SOURCE_DIR "/samples/store/") + index);
        QVERIFY(project.opened);
        const ProjectOverview overview = computeOverview(project, {}, 3);
        QCOMPARE(overview.rows.size(), project.points.size());
        QVERIFY(overview.rows.size() >= 2);
        QCOMPARE(overview.project, project.name);
        double volume = 0.0;
        qsizetype records = 0;
        for (qsizetype r = 0; r < overview.rows.size(); ++r) {
            const OverviewRow &row = overview.rows[r];
            QCOMPARE(row.point, project.points[r].name);
            QCOMPARE(int(row.family), family);
            QCOMPARE(row.days.size(), overview.dayCount());
            const SurveyFigures fig = checkSurvey(readSurvey(project.name, project.points[r]).layer);
            for (const DayVolume &d : fig.days) {
                const OverviewCell &cell = row.days[d.day - overview.firstDay];
                QCOMPARE(cell.records, d.records);
                QCOMPARE(cell.countedSeconds, d.countedSeconds);
                QCOMPARE(cell.volumeM3, d.volumeM3);
            }
            QCOMPARE(row.total.records, fig.total.records);
            QVERIFY(std::abs(row.total.volumeM3 - fig.total.volumeM3) <= 1e-9 * fig.total.volumeM3);
            QCOMPARE(row.total.volumeM3 > 0.0, family == int(Family::Rva));
            volume += row.total.volumeM3;
            records += row.total.records;
        }
        QCOMPARE(overview.total.records, records);
        QVERIFY(std::abs(overview.total.volumeM3 - volume) <= 1e-9 * volume);
        for (qsizetype d = 0; d < overview.dayCount(); ++d) {
            qint64 counted = 0;
            for (const OverviewRow &row : overview.rows)
                counted += row.days[d].countedSeconds;
            QCOMPARE(overview.dayTotals[d].countedSeconds, counted);
            QVERIFY(overview.dayCoverage(d) >= 0.0 && overview.dayCoverage(d) <= 1.0);
        }
        const ProjectOverview single = computeOverview(project, {}, 1);
        QCOMPARE(single.total.records, overview.total.records);
        QCOMPARE(single.total.volumeM3, overview.total.volumeM3);
    }

    // The sample RVA project: 建设路1号井 has three days, 滨河路方沟 two; a period cuts the days;
    // a point whose files are all missing still has its row.
    void overviewFollowsThePeriod()
    {
        ProjectFiles project = readProjectFiles(
            QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网/城东排水管网.lmvprj"));
        // The two March points only (the eight-week survey of the project lies later).
        QCOMPARE(project.points[1].name, QStringLiteral("滨河路方沟"));
        project.points.resize(2);
        project.points.push_back(
            PointFiles{QStringLiteral("无数据"),
                       {PointFile{QStringLiteral("x.lmv"), QStringLiteral("/nonexistent/x.lmv")}}});
        ProjectOverview all = computeOverview(project);
        QCOMPARE(all.dayCount(), 3);
        QCOMPARE(all.firstDay, kMarch11 / 86400);
        QCOMPARE(all.rows[1].days[2].records, qsizetype(0));
        QCOMPARE(all.rows[1].coverage(), 2.0 / 3.0);
        QCOMPARE(all.rows[2].family, Family::Unknown);
        QCOMPARE(all.rows[2].leftOut, qsizetype(1));
        QCOMPARE(all.rows[2].total.records, qsizetype(0));
        SurveyPeriod period;
        period.from = kMarch11 + 86400 + 12 * 3600;
        period.to = kMarch11 + 4 * 86400 - 1;
        const ProjectOverview cut = computeOverview(project, period);
        QCOMPARE(cut.dayCount(), 3);
        QCOMPARE(cut.firstDay, kMarch11 / 86400 + 1);
        QCOMPARE(cut.rows[0].days[0].records, qsizetype(144));
        QCOMPARE(cut.rows[0].days[1].records, qsizetype(288));
        QCOMPARE(cut.rows[0].days[2].records, qsizetype(0));
        QCOMPARE(cut.rows[0].total.records, qsizetype(144 + 288));
    }
};

QTEST_APPLESS_MAIN(TestSurveyJoin)
#include "test_survey_join.moc"
