// lmvtool rain import / assign / list and events: exit codes, bad rows on stderr by line, refusals
// that store nothing, events against hand-worked rain, and the sample project's own gauge.

#include "tests/data/ToolRun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kSampleDir = QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网/");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QJsonObject jsonOf(const ToolRun &run)
{
    return QJsonDocument::fromJson(run.outBytes()).object();
}

// 5-minute depths under a header, 2024-06-01 20:05 to 06-02 04:00, dry but for: 23:50-00:05
// (1.0, 2.5, 1.5, 0.5 mm, across midnight), 01:30 (0.4 mm) and 03:00-03:15 (0.6, 0.6, 0, 1.2 mm).
QByteArray nightOfRain()
{
    const std::map<QString, double> wet{{"06-01 23:50", 1.0}, {"06-01 23:55", 2.5}, {"06-02 00:00", 1.5},
                                        {"06-02 00:05", 0.5}, {"06-02 01:30", 0.4}, {"06-02 03:00", 0.6},
                                        {"06-02 03:05", 0.6}, {"06-02 03:15", 1.2}};
    QByteArray out("时间,雨量(mm)\n");
    QDateTime t(QDate(2024, 6, 1), QTime(20, 5), Qt::UTC);
    for (; t <= QDateTime(QDate(2024, 6, 2), QTime(4, 0), Qt::UTC); t = t.addSecs(300)) {
        const auto it = wet.find(t.toString(QStringLiteral("MM-dd HH:mm")));
        out += t.toString(QStringLiteral("yyyy-MM-dd HH:mm,")).toUtf8() +
               QByteArray::number(it == wet.end() ? 0.0 : it->second) + '\n';
    }
    return out;
}

// Twenty data rows after a header; the rows at the given lines (from 1) unreadable.
QByteArray rowsWithBadLines(const QList<int> &badLines)
{
    QByteArray out("time;rain\n");
    for (int line = 2; line <= 21; ++line)
        out += badLines.contains(line)
                   ? QByteArray("2024-06-01 xx;0.2\n")
                   : QStringLiteral("2024-06-01 %1:00;0.2\n").arg(line, 2, 10, QLatin1Char('0')).toUtf8();
    return out;
}

QJsonObject stormEvent(const char *start, const char *end, double hours, double depth, double p5, double p15,
                       double p60, double dry, bool verification)
{
    return QJsonObject{{"start", start},
                       {"end", end},
                       {"durationHours", hours},
                       {"depthMm", depth},
                       {"peak5", p5},
                       {"peak15", p15},
                       {"peak60", p60},
                       {"dryHoursBefore", dry},
                       {"verification", verification}};
}

} // namespace

class TestLmvtoolRain : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_index, m_db;

    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir->filePath(name);
        return writeAll(path, bytes) ? path : QString();
    }
    ToolRun run(const QStringList &args) { return lmvtool(args); }

private slots:
    // Each case in a project of its own: the sample's index, no database.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_index = m_dir->filePath(kProject + ".lmvprj");
        m_db = m_dir->filePath(kProject + ".lmvdb");
        QVERIFY(QFile::copy(kSampleDir + kProject + ".lmvprj", m_index));
    }

    void importListsBadRowsAndAssigns()
    {
        const QString gauge = file("g.csv", rowsWithBadLines({6, 11}));
        ToolRun r = run({"rain", "import", m_index, gauge, "--gauge", "西站", "--point", "建设路1号井",
                         "--point", "人民路5号井", "--time-col", "1", "--value-col", "2"});
        QCOMPARE(r.exitCode, 0);
        const QStringList err = r.err.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(err.size(), 2);
        QVERIFY(err[0].contains("第 6 行") && err[1].contains("第 11 行"));
        QVERIFY(r.out.contains("表头 1 行"));

        r = run({"rain", "list", m_index, "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject g = jsonOf(r)["gauges"].toArray()[0].toObject();
        QCOMPARE(g["name"].toString(), QStringLiteral("西站"));
        QCOMPARE(g["points"].toArray(), (QJsonArray{"建设路1号井", "人民路5号井"}));
        QCOMPARE(g["entries"].toInt(), 18);
        QCOMPARE(g["totalDepthMm"].toDouble(), 3.6);
        QCOMPARE(g["start"].toString(), QStringLiteral("2024-06-01 01:00:00"));
        QCOMPARE(g["end"].toString(), QStringLiteral("2024-06-01 21:00:00"));
        QCOMPARE(g["sourceName"].toString(), QStringLiteral("g.csv"));
        QCOMPARE(g["sourceSha256"].toString(),
                 QString::fromLatin1(
                     QCryptographicHash::hash(readAll(gauge), QCryptographicHash::Sha256).toHex()));

        // The same name again: refused unless replaced; then assigned to one more point.
        r = run({"rain", "import", m_index, gauge, "--gauge", "西站"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("已有名为"));
        QCOMPARE(run({"rain", "import", m_index, gauge, "--gauge", "西站", "--replace"}).exitCode, 0);
        QCOMPARE(run({"rain", "assign", m_index, "--gauge", "西站", "--point", "滨河路方沟"}).exitCode, 0);
        r = run({"rain", "list", m_index, "--json"});
        QCOMPARE(jsonOf(r)["gauges"].toArray()[0].toObject()["points"].toArray().size(), 3);
    }

    void failuresExitWithoutStoring_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("why");
        const QStringList import{"rain", "import", "INDEX", "GOOD"};
        QTest::newRow("more than a tenth bad")
            << QStringList{"rain", "import", "INDEX", "BAD", "--gauge", "g"} << 1 << "第 9 行";
        QTest::newRow("no gauge name") << import << 2 << "--gauge";
        QTest::newRow("unknown kind")
            << import + QStringList{"--gauge", "g", "--kind", "daily"} << 2 << "--kind";
        QTest::newRow("bucket without tips")
            << import + QStringList{"--gauge", "g", "--bucket", "0.5"} << 2 << "--bucket";
        QTest::newRow("separator of two")
            << import + QStringList{"--gauge", "g", "--sep", ";;"} << 2 << "--sep";
        QTest::newRow("column 0") << import + QStringList{"--gauge", "g", "--time-col", "0"} << 2 << "";
        QTest::newRow("unknown point")
            << import + QStringList{"--gauge", "g", "--point", "无此井"} << 1 << "无此井";
        QTest::newRow("no such file")
            << QStringList{"rain", "import", "INDEX", "NONE", "--gauge", "g"} << 1 << "cannot be read";
        QTest::newRow("assign unknown gauge")
            << QStringList{"rain", "assign", "INDEX", "--gauge", "g", "--point", "人民路5号井"} << 1
            << "没有名为";
        QTest::newRow("events of no gauge")
            << QStringList{"events", "INDEX", "--gauge", "g", "--json"} << 1 << "没有名为";
        QTest::newRow("events every 0 h")
            << QStringList{"events", "INDEX", "--gauge", "g", "--ietd", "0"} << 2 << "";
        QTest::newRow("rain alone") << QStringList{"rain"} << 2 << "rain import";
    }
    void failuresExitWithoutStoring()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, why);
        args.replaceInStrings("INDEX", m_index);
        args.replaceInStrings("GOOD", file("good.csv", rowsWithBadLines({})));
        args.replaceInStrings("BAD", file("bad.csv", rowsWithBadLines({5, 9, 14})));
        args.replaceInStrings("NONE", m_dir->filePath("none.csv"));
        const ToolRun r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(why), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(m_db));
    }

    void eventsAreTheHandWorkedOnes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QJsonArray>("events");
        QTest::addColumn<int>("minor");
        // Inter-event time 1 h: the night's rain is two events and a minor spell between them,
        // which does not end the dry time before the second.
        QTest::newRow("1 h apart") << QStringList{"--ietd", "1"}
                                   << QJsonArray{stormEvent("2024-06-01 23:45:00", "2024-06-02 00:05:00",
                                                            0.333, 5.5, 30, 20, 5.5, 3.75, true),
                                                 stormEvent("2024-06-02 02:55:00", "2024-06-02 03:15:00",
                                                            0.333, 2.4, 14.4, 7.2, 2.4, 2.833, false)}
                                   << 1;
        QTest::newRow("6 h apart") << QStringList{}
                                   << QJsonArray{stormEvent("2024-06-01 23:45:00", "2024-06-02 03:15:00", 3.5,
                                                            8.3, 30, 20, 5.5, 3.75, true)}
                                   << 0;
        QTest::newRow("stricter verification")
            << QStringList{"--verify-peak5", "30"}
            << QJsonArray{stormEvent("2024-06-01 23:45:00", "2024-06-02 03:15:00", 3.5, 8.3, 30, 20, 5.5,
                                     3.75, false)}
            << 0;
        QTest::newRow("3 mm minimum") << QStringList{"--ietd", "1", "--min-depth", "3"}
                                      << QJsonArray{stormEvent("2024-06-01 23:45:00", "2024-06-02 00:05:00",
                                                               0.333, 5.5, 30, 20, 5.5, 3.75, true)}
                                      << 2;
    }
    void eventsAreTheHandWorkedOnes()
    {
        QFETCH(QStringList, options);
        QFETCH(QJsonArray, events);
        QFETCH(int, minor);
        QCOMPARE(
            run({"rain", "import", m_index, file("night.csv", nightOfRain()), "--gauge", "夜雨"}).exitCode,
            0);
        const ToolRun r = run(QStringList{"events", m_index, "--gauge", "夜雨", "--json"} + options);
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o["gauge"].toString(), QStringLiteral("夜雨"));
        QCOMPARE(o["intervalSeconds"].toInt(), 300);
        QCOMPARE(o["totalDepthMm"].toDouble(), 8.3);
        QCOMPARE(o["minor"].toInt(), minor);
        QCOMPARE(o["events"].toArray(), events);
    }

    // Bucket tips: one entry per second, the bucket kept with the gauge.
    void tipsAreImportedWithTheirBucket()
    {
        const QString tips =
            file("tips.txt", "2024-06-01 10:00:00\n2024-06-01 10:00:30\n2024-06-01 10:00:30\n"
                             "2024-06-01 10:02:00\n");
        QCOMPARE(
            run({"rain", "import", m_index, tips, "--gauge", "翻斗", "--kind", "tips", "--bucket", "0.5"})
                .exitCode,
            0);
        const QJsonObject g =
            jsonOf(run({"rain", "list", m_index, "--json"}))["gauges"].toArray()[0].toObject();
        QCOMPARE(g["kind"].toString(), QStringLiteral("tips"));
        QCOMPARE(g["bucketMm"].toDouble(), 0.5);
        QCOMPARE(g["entries"].toInt(), 3);
        QCOMPARE(g["totalDepthMm"].toDouble(), 2.0);
        const QJsonObject o = jsonOf(run({"events", m_index, "--gauge", "翻斗", "--json"}));
        QCOMPARE(o["intervalSeconds"].toInt(), 0);
        QCOMPARE(o["events"].toArray(), (QJsonArray{stormEvent("2024-06-01 10:00:00", "2024-06-01 10:02:00",
                                                               0.033, 2.0, 24, 8, 2, 0, false)}));
    }

    // The sample project comes with its gauge imported and assigned: seven storms, six of which
    // verify a model, and four spells of minor rain. Reading changes nothing.
    void sampleProjectShowsItsGauge()
    {
        const QString index = m_dir->filePath("store/" + kProject + ".lmvprj");
        const QString db = m_dir->filePath("store/" + kProject + ".lmvdb");
        QVERIFY(QDir().mkpath(m_dir->filePath("store")));
        QVERIFY(QFile::copy(kSampleDir + kProject + ".lmvprj", index));
        QVERIFY(QFile::copy(kSampleDir + kProject + ".lmvdb", db));
        const QByteArray before = readAll(db);
        ToolRun r = run({"rain", "list", index, "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray gauges = jsonOf(r)["gauges"].toArray();
        QCOMPARE(gauges.size(), 1);
        const QJsonObject g = gauges[0].toObject();
        QCOMPARE(g["name"].toString(), QStringLiteral("雨量计_城东"));
        QCOMPARE(g["points"].toArray(), QJsonArray{"人民路5号井"});
        QCOMPARE(g["sourceSha256"].toString(),
                 QString::fromLatin1(QCryptographicHash::hash(readAll(kSampleDir + "雨量计_城东.csv"),
                                                              QCryptographicHash::Sha256)
                                         .toHex()));
        QVERIFY(g["start"].toString() <= QStringLiteral("2024-04-01 00:00:00"));
        QVERIFY(g["end"].toString() >= QStringLiteral("2024-05-26 23:58:00"));

        r = run({"events", index, "--gauge", "雨量计_城东", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = jsonOf(r);
        const QJsonArray events = o["events"].toArray();
        QCOMPARE(events.size(), 7);
        QStringList unverified;
        for (const QJsonValue &e : events)
            if (!e["verification"].toBool())
                unverified << e["start"].toString();
        QCOMPARE(unverified, QStringList{"2024-04-11 02:15:00"});
        QCOMPARE(o["minor"].toInt(), 4);
        QCOMPARE(readAll(db), before);
    }
};

QTEST_GUILESS_MAIN(TestLmvtoolRain)
#include "test_lmvtool_rain.moc"
