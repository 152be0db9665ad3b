// lmvtool survey, visit add and visits on a copy of the sample store: the joined survey's JSON,
// files left out, the period, visits beside the logger, and the store's files never written.

#include "../CopyTree.h"
#include "data/DataFile.h"
#include "data/TimeSteps.h"
#include "tests/data/FileBytes.h"
#include "tests/data/ToolRun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace lmv;

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kPoint = QStringLiteral("建设路1号井");

// SHA-256 of every data file under a folder, by path.
QMap<QString, QByteArray> dataFileHashes(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, {QStringLiteral("*.lmv")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.insert(path, QCryptographicHash::hash(testbytes::readFile(path), QCryptographicHash::Sha256));
    }
    return out;
}

QJsonObject jsonOf(const ToolRun &run)
{
    return QJsonDocument::fromJson(run.outBytes()).object();
}

QJsonObject pointOf(const QJsonObject &survey, const QString &name)
{
    const QJsonArray points = survey.value(QStringLiteral("points")).toArray();
    for (const QJsonValue &p : points)
        if (p.toObject().value(QStringLiteral("point")).toString() == name)
            return p.toObject();
    return {};
}

// A project index listing one point's files (GB2312, CR LF).
void writeIndex(const QString &path, const QString &point, const QStringList &files)
{
    QByteArray bytes = testbytes::gb(QStringLiteral("$prj$") + kProject) + "\r\n";
    bytes += testbytes::gb(QStringLiteral("$pos$%1/%2").arg(kProject, point)) + "\r\n";
    for (const QString &f : files)
        bytes += testbytes::gb(QStringLiteral("$record$%1/%2/%3").arg(kProject, point, f)) + "\r\n";
    QVERIFY(testbytes::writeFile(path, bytes));
}

} // namespace

class TestLmvtoolSurvey : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_store; // a copy of the sample store: <m_store>/城东排水管网/...
    QString m_index;

    QString pointDir() const { return m_store + QLatin1Char('/') + kProject + QLatin1Char('/') + kPoint; }
    QString dbPath() const
    {
        return m_store + QLatin1Char('/') + kProject + QLatin1Char('/') + kProject + ".lmvdb";
    }

private slots:
    void initTestCase()
    {
        m_store = m_dir.filePath(QStringLiteral("store"));
        QVERIFY(copyTree(QStringLiteral(LMV_SOURCE_DIR "/samples/store"), m_store));
        m_index = m_store + QLatin1Char('/') + kProject + QLatin1Char('/') + kProject + ".lmvprj";
        // These cases start from a project without a database (the sample's holds its rain gauge).
        QVERIFY(QFile::remove(dbPath()));
    }

    // The sample point's three days joined: the days and total are the files' own volumes.
    void surveyJoinsThePointsFiles()
    {
        const QMap<QString, QByteArray> before = dataFileHashes(m_store);
        const ToolRun run = lmvtool({QStringLiteral("survey"), m_index, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject survey = jsonOf(run);
        QCOMPARE(survey.value(QStringLiteral("project")).toString(), kProject);
        QCOMPARE(survey.value(QStringLiteral("points")).toArray().size(), 3);
        const QJsonObject p = pointOf(survey, kPoint);
        QCOMPARE(p.value(QStringLiteral("records")).toInt(), 3 * 288);
        QCOMPARE(p.value(QStringLiteral("start")).toString(), QStringLiteral("2024-03-11 00:00:00"));
        QCOMPARE(p.value(QStringLiteral("end")).toString(), QStringLiteral("2024-03-13 23:55:00"));
        QCOMPARE(p.value(QStringLiteral("duplicates")).toInt(), 0);
        QCOMPARE(p.value(QStringLiteral("leftOut")).toArray().size(), 0);
        const QJsonArray files = p.value(QStringLiteral("files")).toArray();
        QCOMPARE(files.size(), 3);
        const QJsonArray days = p.value(QStringLiteral("days")).toArray();
        QCOMPARE(days.size(), 3);
        double sum = 0.0;
        for (int i = 0; i < 3; ++i) {
            const QString name = files[i].toObject().value(QStringLiteral("name")).toString();
            QCOMPARE(name, QStringLiteral("2024031%1.lmv").arg(i + 1));
            // The file's own check, as `lmvtool check` gives it.
            const ToolRun check =
                lmvtool({QStringLiteral("check"), QStringLiteral("--json"), pointDir() + '/' + name});
            const double own = jsonOf(check).value(QStringLiteral("totalVolumeM3")).toDouble();
            const QJsonObject day = days[i].toObject();
            QCOMPARE(day.value(QStringLiteral("date")).toString(), QStringLiteral("2024-03-1%1").arg(i + 1));
            QCOMPARE(day.value(QStringLiteral("records")).toInt(), 288);
            QCOMPARE(day.value(QStringLiteral("coverage")).toDouble(), 1.0);
            QVERIFY(std::abs(day.value(QStringLiteral("volumeM3")).toDouble() - own) < 1e-6 * own);
            sum += own;
        }
        QVERIFY(std::abs(p.value(QStringLiteral("totalVolumeM3")).toDouble() - sum) < 1e-6 * sum);
        const QJsonArray findings = p.value(QStringLiteral("findings")).toArray();
        QCOMPARE(findings.size(), 1);
        QCOMPARE(findings[0].toObject().value(QStringLiteral("files")).toArray(),
                 (QJsonArray{QStringLiteral("20240312.lmv"), QStringLiteral("20240313.lmv")}));
        // The same in words.
        const ToolRun text = lmvtool({QStringLiteral("survey"), m_index, QStringLiteral("--point"), kPoint});
        QCOMPARE(text.exitCode, 0);
        QVERIFY(text.out.contains(QStringLiteral("合计水量 %1 m3").arg(QString::number(sum, 'f', 1))));
        QVERIFY(text.out.contains(QStringLiteral("修正系数改变")));
        // Reading made no database and changed no file.
        QVERIFY(!QFileInfo::exists(dbPath()));
        QCOMPARE(dataFileHashes(m_store), before);
    }

    void periodAndPointAreChosen_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("days");
        QTest::newRow("one day, both ends included")
            << QStringList{"--from", "2024-03-12 00:00:00", "--to", "2024-03-12 23:55:00"} << 288 << 1 << 1;
        QTest::newRow("dates alone") << QStringList{"--from", "2024-03-12", "--to", "2024-03-13"} << 576 << 2
                                     << 2;
        QTest::newRow("across midnight")
            << QStringList{"--from", "2024-03-11 23:50:00", "--to", "2024-03-12 00:05:00"} << 4 << 2 << 2;
        QTest::newRow("raw layer") << QStringList{"--raw"} << 864 << 3 << 3;
    }
    void periodAndPointAreChosen()
    {
        QFETCH(QStringList, options);
        QFETCH(int, records);
        QFETCH(int, files);
        QFETCH(int, days);
        // Through the point index as well as the project index.
        for (const QString &index : {m_index, pointDir() + '/' + kPoint + ".lmvpos"}) {
            const ToolRun run =
                lmvtool(QStringList{QStringLiteral("survey"), index, QStringLiteral("--point"), kPoint,
                                    QStringLiteral("--json")} +
                        options);
            QCOMPARE(run.exitCode, 0);
            const QJsonArray points = jsonOf(run).value(QStringLiteral("points")).toArray();
            QCOMPARE(points.size(), 1);
            const QJsonObject p = points[0].toObject();
            QCOMPARE(p.value(QStringLiteral("records")).toInt(), records);
            QCOMPARE(p.value(QStringLiteral("files")).toArray().size(), files);
            QCOMPARE(p.value(QStringLiteral("days")).toArray().size(), days);
        }
    }

    void badArgumentsAreRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("unknown point") << QStringList{"--point", "无此测点", "--json"} << 1;
        QTest::newRow("time not a time") << QStringList{"--from", "2024-13-01", "--json"} << 2;
        QTest::newRow("from after to") << QStringList{"--from", "2024-03-13", "--to", "2024-03-12"} << 2;
        QTest::newRow("unknown option") << QStringList{"--fast"} << 2;
    }
    void badArgumentsAreRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const ToolRun run = lmvtool(QStringList{QStringLiteral("survey"), m_index} + args);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY(run.out.isEmpty());
    }

    // A point of a copy, a damaged file and a missing one: read with what can be read. With no
    // file readable the exit says so.
    void filesLeftOutAndConflictsAreListed()
    {
        QTemporaryDir dir;
        const QString point = dir.filePath(kProject + '/' + kPoint);
        QVERIFY(QDir().mkpath(point));
        const QString src = pointDir() + QStringLiteral("/20240312.lmv");
        QVERIFY(QFile::copy(src, point + QStringLiteral("/a.lmv")));
        // The same download again with one record's level changed at 10:00.
        QByteArray copy = testbytes::readFile(src);
        const int record10 = 512 + 32 * 120; // the 121st record: 10:00 at 5 min
        QCOMPARE(quint8(copy[record10]), quint8(10));
        testbytes::putF32(copy, record10 + 16, testbytes::getF32(copy, record10 + 16) + 0.1f);
        QVERIFY(testbytes::writeFile(point + QStringLiteral("/b.lmv"), copy));
        QVERIFY(testbytes::writeFile(point + QStringLiteral("/bad.lmv"), QByteArray(100, 'x')));
        const QString index = dir.filePath(kProject + '/' + kProject + ".lmvprj");
        writeIndex(index, kPoint, {"a.lmv", "gone.lmv", "bad.lmv", "b.lmv"});
        ToolRun run = lmvtool({QStringLiteral("survey"), index, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject p = pointOf(jsonOf(run), kPoint);
        QCOMPARE(p.value(QStringLiteral("records")).toInt(), 288);
        QCOMPARE(p.value(QStringLiteral("duplicates")).toInt(), 287);
        const QJsonArray leftOut = p.value(QStringLiteral("leftOut")).toArray();
        QCOMPARE(leftOut.size(), 2);
        QCOMPARE(leftOut[0].toObject().value(QStringLiteral("file")).toString(), QStringLiteral("gone.lmv"));
        QCOMPARE(leftOut[1].toObject().value(QStringLiteral("file")).toString(), QStringLiteral("bad.lmv"));
        const QJsonArray conflicts = p.value(QStringLiteral("conflicts")).toArray();
        QCOMPARE(conflicts.size(), 1);
        const QJsonObject c = conflicts[0].toObject();
        QCOMPARE(c.value(QStringLiteral("time")).toString(), QStringLiteral("2024-03-12 10:00:00"));
        QCOMPARE(c.value(QStringLiteral("files")).toArray(),
                 (QJsonArray{QStringLiteral("a.lmv"), QStringLiteral("b.lmv")}));
        QCOMPARE(c.value(QStringLiteral("kept")).toString(), QStringLiteral("b.lmv")); // listed later: newer

        writeIndex(index, kPoint, {"gone.lmv", "bad.lmv"});
        run = lmvtool({QStringLiteral("survey"), index, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(pointOf(jsonOf(run), kPoint).value(QStringLiteral("leftOut")).toArray().size(), 2);
        QVERIFY(run.err.contains(QStringLiteral("no data file could be read")));
    }

    void impossibleVisitsAreRefused_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::newRow("negative depth")
            << QStringList{"--time", "2024-03-12 10:00:00", "--depth", "-5", "--velocity", "0.5"};
        QTest::newRow("no such time")
            << QStringList{"--time", "2024-02-30 10:00:00", "--depth", "5", "--velocity", "0.5"};
        QTest::newRow("velocity missing") << QStringList{"--time", "2024-03-12 10:00:00", "--depth", "5"};
    }
    void impossibleVisitsAreRefused()
    {
        QFETCH(QStringList, values);
        QVERIFY(!QFileInfo::exists(dbPath()));
        const ToolRun run = lmvtool(QStringList{QStringLiteral("visit"), QStringLiteral("add"), m_index,
                                                QStringLiteral("--point"), kPoint} +
                                    values);
        QVERIFY(run.exitCode != 0);
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY(!QFileInfo::exists(dbPath())); // nothing refused makes the database
    }

    // Visits stored in the project database and shown beside the logger; the data files stay.
    void visitsAreStoredAndCompared()
    {
        const QMap<QString, QByteArray> before = dataFileHashes(m_store);
        ToolRun run = lmvtool(
            {QStringLiteral("visits"), m_index, QStringLiteral("--point"), kPoint, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(jsonOf(run).value(QStringLiteral("visits")).toArray().size(), 0);
        QVERIFY(!QFileInfo::exists(dbPath()));

        run = lmvtool({QStringLiteral("visit"), QStringLiteral("add"), m_index, QStringLiteral("--point"),
                       kPoint, QStringLiteral("--time"), QStringLiteral("2024-03-12 10:02:00"),
                       QStringLiteral("--depth"), QStringLiteral("310"), QStringLiteral("--velocity"),
                       QStringLiteral("0.7"), QStringLiteral("--note"), QStringLiteral("清淤后复核")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QFileInfo::exists(dbPath()));
        run = lmvtool({QStringLiteral("visit"), QStringLiteral("add"), m_index, QStringLiteral("--point"),
                       kPoint, QStringLiteral("--time"), QStringLiteral("2024-03-20 09:00:00"),
                       QStringLiteral("--depth"), QStringLiteral("200"), QStringLiteral("--velocity"),
                       QStringLiteral("-0.1")});
        QCOMPARE(run.exitCode, 0);

        run = lmvtool({QStringLiteral("visits"), pointDir() + '/' + kPoint + ".lmvpos",
                       QStringLiteral("--point"), kPoint, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 0);
        const QJsonArray visits = jsonOf(run).value(QStringLiteral("visits")).toArray();
        QCOMPARE(visits.size(), 2);
        const QJsonObject v = visits[0].toObject();
        QCOMPARE(v.value(QStringLiteral("time")).toString(), QStringLiteral("2024-03-12 10:02:00"));
        QCOMPARE(v.value(QStringLiteral("manualDepthMm")).toDouble(), 310.0);
        QCOMPARE(v.value(QStringLiteral("manualVelocity")).toDouble(), 0.7);
        QCOMPARE(v.value(QStringLiteral("note")).toString(), QStringLiteral("清淤后复核"));
        // The 10:00 record of the day's file, the nearest within its five minutes.
        DataFileContents day;
        QCOMPARE(readDataFile(pointDir() + QStringLiteral("/20240312.lmv"), day), int(ReadOk));
        const RvaRecord &r = day.rva[120];
        QCOMPARE(int(r.time.hour), 10);
        QCOMPARE(v.value(QStringLiteral("loggerDepthMm")).toDouble(),
                 std::round(double(r.level) * 1e5) / 100.0);
        QCOMPARE(v.value(QStringLiteral("loggerVelocity")).toDouble(),
                 std::round(double(r.velocity) * 1e6) / 1e6);
        // A week after the survey: nothing recorded then.
        QVERIFY(visits[1].toObject().value(QStringLiteral("loggerDepthMm")).isNull());
        QVERIFY(visits[1].toObject().value(QStringLiteral("loggerVelocity")).isNull());
        QCOMPARE(dataFileHashes(m_store), before);
    }

    // A damaged database: visits cannot be read or added, said on one line; the survey still runs.
    void damagedDatabaseIsReported()
    {
        QTemporaryDir dir;
        QVERIFY(copyTree(m_store + QLatin1Char('/') + kProject, dir.filePath(kProject)));
        const QString index = dir.filePath(kProject + '/' + kProject + ".lmvprj");
        const QString db = dir.filePath(kProject + '/' + kProject + ".lmvdb");
        QVERIFY(testbytes::writeFile(db, QByteArray(4096, '\x5a')));
        ToolRun run = lmvtool(
            {QStringLiteral("visits"), index, QStringLiteral("--point"), kPoint, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QStringLiteral("已损坏")));
        run = lmvtool({QStringLiteral("visit"), QStringLiteral("add"), index, QStringLiteral("--point"),
                       kPoint, QStringLiteral("--time"), QStringLiteral("2024-03-12 10:02:00"),
                       QStringLiteral("--depth"), QStringLiteral("310"), QStringLiteral("--velocity"),
                       QStringLiteral("0.7")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(QStringLiteral("只读")));
        QCOMPARE(testbytes::readFile(db), QByteArray(4096, '\x5a'));
        run = lmvtool({QStringLiteral("survey"), index, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestLmvtoolSurvey)
#include "test_lmvtool_survey.moc"
