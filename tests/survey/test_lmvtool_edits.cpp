// lmvtool edit, edits, undo and redo on a store holding the data check sample: the day's volume
// after removing its spike against a computation from the file's bytes, undo and redo restoring
// the figures exactly, refusals that store nothing, drifts from the visits, and the data file's
// bytes unchanged after every test.

#include "tests/data/FileBytes.h"
#include "tests/data/SampleSpike.h"
#include "tests/data/ToolRun.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const QString kProject = QStringLiteral("检查项目");
const QString kPoint = QStringLiteral("检查测点");
const QString kFile = QStringLiteral("20240520.lmv");

QByteArray sha256(const QString &path)
{
    return QCryptographicHash::hash(testbytes::readFile(path), QCryptographicHash::Sha256);
}

QJsonObject jsonOf(const ToolRun &run)
{
    return QJsonDocument::fromJson(run.outBytes()).object();
}

// The only point of a survey's JSON.
QJsonObject pointOf(const ToolRun &run)
{
    return jsonOf(run).value(QStringLiteral("points")).toArray().at(0).toObject();
}

double dayVolume(const QJsonObject &point, const QString &date)
{
    const QJsonArray days = point.value(QStringLiteral("days")).toArray();
    for (const QJsonValue &d : days)
        if (d.toObject().value(QStringLiteral("date")).toString() == date)
            return d.toObject().value(QStringLiteral("volumeM3")).toDouble();
    return qQNaN();
}

QJsonArray editsOf(const ToolRun &run)
{
    return jsonOf(run).value(QStringLiteral("edits")).toArray();
}

// A time on the logger's clock, which has no zone.
QDateTime clock(const char *text)
{
    QDateTime t = QDateTime::fromString(QLatin1String(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    t.setTimeSpec(Qt::UTC);
    return t;
}

} // namespace

class TestLmvtoolEdits : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_index;    // the project index
    QString m_posIndex; // the point index
    QString m_file;
    QByteArray m_hash;

    ToolRun run(const QString &command, const QStringList &more) const
    {
        return lmvtool(QStringList{command, m_index, QStringLiteral("--point"), kPoint} + more);
    }
    ToolRun survey(const QStringList &more = {}) const
    {
        return run(QStringLiteral("survey"), QStringList{QStringLiteral("--json")} + more);
    }
    QString dbPath() const { return QFileInfo(m_index).absolutePath() + '/' + kProject + ".lmvdb"; }

private slots:
    // A fresh store for every test: <dir>/检查项目/检查项目.lmvprj, the point's folder with its index
    // and the sample file.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString project = m_dir->filePath(kProject);
        QVERIFY(QDir().mkpath(project + '/' + kPoint));
        m_file = project + '/' + kPoint + '/' + kFile;
        QVERIFY(
            QFile::copy(QStringLiteral(LMV_SOURCE_DIR "/samples/files/数据检查示例_20240520.lmv"), m_file));
        const QByteArray pos =
            testbytes::gb(QStringLiteral("$pos$%1/%2").arg(kProject, kPoint)) + "\r\n" +
            testbytes::gb(QStringLiteral("$record$%1/%2/%3").arg(kProject, kPoint, kFile)) + "\r\n";
        m_index = project + '/' + kProject + ".lmvprj";
        m_posIndex = project + '/' + kPoint + '/' + kPoint + ".lmvpos";
        QVERIFY(
            testbytes::writeFile(m_index, testbytes::gb(QStringLiteral("$prj$") + kProject) + "\r\n" + pos));
        QVERIFY(testbytes::writeFile(m_posIndex, pos));
        m_hash = sha256(m_file);
    }

    // Whatever a test did, the data file is as it was.
    void cleanup() { QCOMPARE(sha256(m_file), m_hash); }

    // The spike at 2024-05-21 20:00 counts for its 5 minutes; removed, the record at 19:55 counts
    // for them instead. Undo gives back the figures as they were, redo those of the edit.
    void removingTheSpikeLowersItsDayAndUndoRestoresIt()
    {
        const ToolRun before = survey();
        QCOMPARE(before.exitCode, 0);
        QVERIFY(!QFileInfo::exists(dbPath()));
        const double expected = testbytes::spikeRemovalVolumeM3(testbytes::readFile(m_file));
        QVERIFY2(expected < -10.0, qPrintable(QString::number(expected)));

        const ToolRun edit =
            run(QStringLiteral("edit"), {"--op", "remove", "--from", "2024-05-21 20:00:00", "--to",
                                         "2024-05-21 20:00:00", "--reason", "流速尖峰"});
        QVERIFY2(edit.exitCode == 0, qPrintable(edit.err));
        const ToolRun after = survey();
        const QJsonObject b = pointOf(before), a = pointOf(after);
        QVERIFY(std::abs(dayVolume(a, "2024-05-21") - dayVolume(b, "2024-05-21") - expected) < 1e-3);
        QCOMPARE(dayVolume(a, "2024-05-20"), dayVolume(b, "2024-05-20"));
        QCOMPARE(a.value("records").toInt(), b.value("records").toInt() - 1);
        QCOMPARE(a.value("edits").toInt(), 1);
        // --raw reads the files' own values.
        QJsonObject raw = pointOf(survey({QStringLiteral("--raw")}));
        QCOMPARE(raw.take("layer").toString(), QStringLiteral("raw"));
        QCOMPARE(QJsonObject(b).take("layer").toString(), QStringLiteral("edited"));
        QJsonObject bare = b;
        bare.remove("layer");
        QCOMPARE(raw, bare);

        // The same in words.
        QVERIFY(run(QStringLiteral("survey"), {}).out.contains(QStringLiteral("修正后(1 项修改)")));
        QVERIFY(run(QStringLiteral("survey"), {"--raw"}).out.contains(QStringLiteral("原始数据")));
        const QString words = run(QStringLiteral("edits"), {}).out;
        QVERIFY2(words.contains(QStringLiteral("删除")) && words.contains(QStringLiteral("流速尖峰")),
                 qPrintable(words));

        QJsonArray history = editsOf(run(QStringLiteral("edits"), {"--json"}));
        QCOMPARE(history.size(), 1);
        const QJsonObject e = history[0].toObject();
        QCOMPARE(e.value("op").toString(), QStringLiteral("remove"));
        QCOMPARE(e.value("from").toString(), QStringLiteral("2024-05-21 20:00:00"));
        QCOMPARE(e.value("to").toString(), QStringLiteral("2024-05-21 20:00:00"));
        QVERIFY(e.value("value").isNull() && e.value("value2").isNull());
        QCOMPARE(e.value("reason").toString(), QStringLiteral("流速尖峰"));
        QVERIFY(!e.value("user").toString().isEmpty());
        QVERIFY(QDateTime::fromString(e.value("created").toString(), Qt::ISODate).isValid());
        QCOMPARE(e.value("undone").toBool(), false);
        QVERIFY(std::abs(e.value("volumeM3").toDouble() - expected) < 1e-3);

        QCOMPARE(run(QStringLiteral("undo"), {}).exitCode, 0);
        QCOMPARE(jsonOf(survey()), jsonOf(before));
        history = editsOf(run(QStringLiteral("edits"), {"--json"}));
        QCOMPARE(history.size(), 1);
        QCOMPARE(history[0].toObject().value("undone").toBool(), true);
        const ToolRun again = run(QStringLiteral("undo"), {});
        QCOMPARE(again.exitCode, 1);
        QVERIFY(again.err.contains(QStringLiteral("没有可撤销的修改")));
        QCOMPARE(run(QStringLiteral("redo"), {}).exitCode, 0);
        QCOMPARE(jsonOf(survey()), jsonOf(after));
        // The point's own index reads the same database.
        const ToolRun viaPoint = lmvtool({"edits", m_posIndex, "--point", kPoint, "--json"});
        QCOMPARE(jsonOf(viaPoint), jsonOf(run(QStringLiteral("edits"), {"--json"})));
    }

    // A refused edit: its message, a non-zero exit, nothing stored, no database made.
    void refusedEditsStoreNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QStringList spike{"--from", "2024-05-21 20:00:00", "--to", "2024-05-21 20:00:00"};
        QTest::newRow("empty reason")
            << QStringList{"--op", "remove", "--reason", ""} + spike << 1 << "请填写修改原因";
        QTest::newRow("range without records")
            << QStringList{"--op", "remove", "--from", "2024-05-25", "--to", "2024-05-26", "--reason", "x"}
            << 1 << "没有记录";
        QTest::newRow("fill longer than the maximum")
            << QStringList{"--op",     "fill", "--from", "2024-05-20 02:00:00", "--to", "2024-05-20 06:00:00",
                           "--reason", "x"}
            << 1 << "超过插补上限30分00秒";
        QTest::newRow("fill longer than a maximum given") << QStringList{"--op",      "fill",
                                                                         "--from",    "2024-05-20 02:00:00",
                                                                         "--to",      "2024-05-20 06:00:00",
                                                                         "--max-gap", "120",
                                                                         "--reason",  "x"}
                                                          << 1 << "超过插补上限2小时00分00秒";
        QTest::newRow("drift without a visit after")
            << QStringList{"--op", "drift", "--reason", "x"} + spike << 1 << "现场核查";
        QTest::newRow("reversed range") << QStringList{"--op",     "remove",
                                                       "--from",   "2024-05-21 20:00:00",
                                                       "--to",     "2024-05-21 19:00:00",
                                                       "--reason", "x"}
                                        << 1 << "开始时间晚于结束时间";
        QTest::newRow("offset without value")
            << QStringList{"--op", "offset", "--reason", "x"} + spike << 2 << "needs --value";
        QTest::newRow("drift with one end typed")
            << QStringList{"--op", "drift", "--value", "3", "--reason", "x"} + spike << 2 << "together";
        QTest::newRow("value for a removal")
            << QStringList{"--op", "remove", "--value", "3", "--reason", "x"} + spike << 2
            << "takes no --value";
        QTest::newRow("unknown op") << QStringList{"--op", "erase", "--reason", "x"} + spike << 2 << "one of";
    }

    void refusedEditsStoreNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ToolRun refused = run(QStringLiteral("edit"), args);
        QCOMPARE(refused.exitCode, exitCode);
        QVERIFY2(refused.err.contains(message), qPrintable(refused.err));
        QVERIFY(refused.out.isEmpty());
        QVERIFY(!QFileInfo::exists(dbPath()));
        // Refused the same with a history in the database, which keeps only that.
        QCOMPARE(
            run(QStringLiteral("edit"), {"--op", "offset", "--value", "5", "--from", "2024-05-20 10:00:00",
                                         "--to", "2024-05-20 11:00:00", "--reason", "y"})
                .exitCode,
            0);
        QCOMPARE(run(QStringLiteral("edit"), args).exitCode, exitCode);
        QCOMPARE(editsOf(run(QStringLiteral("edits"), {"--json"})).size(), 1);
    }

    // A damaged database: no edit can be read or stored; the survey says so and shows the raw
    // layer as such.
    void damagedDatabaseLeavesTheRawLayer()
    {
        const QByteArray junk(4096, '\x5a');
        QVERIFY(testbytes::writeFile(dbPath(), junk));
        const ToolRun s = survey();
        QCOMPARE(s.exitCode, 0);
        QVERIFY(s.err.contains(QStringLiteral("已损坏")));
        QCOMPARE(pointOf(s).value("layer").toString(), QStringLiteral("raw"));
        const ToolRun e = run(QStringLiteral("edit"), {"--op", "remove", "--from", "2024-05-21 20:00:00",
                                                       "--to", "2024-05-21 20:00:00", "--reason", "x"});
        QCOMPARE(e.exitCode, 1);
        QVERIFY(e.err.contains(QStringLiteral("只读")));
        QCOMPARE(run(QStringLiteral("edits"), {"--json"}).exitCode, 1);
        const ToolRun u = run(QStringLiteral("undo"), {});
        QCOMPARE(u.exitCode, 1);
        QVERIFY(u.err.contains(QStringLiteral("已损坏")));
        QCOMPARE(testbytes::readFile(dbPath()), junk);
    }

    // Filling the 2 h 05 min hole of 2024-05-20 puts a record in each of its 24 missing slots; a
    // drift without typed offsets takes them from the visits: manual depth − logger level, at
    // either end, against the layer the fill left.
    void fillAndDriftFromTheVisits()
    {
        const QJsonObject before = pointOf(survey());
        ToolRun r =
            run(QStringLiteral("edit"), {"--op", "fill", "--from", "2024-05-20 02:55:00", "--to",
                                         "2024-05-20 05:00:00", "--max-gap", "130", "--reason", "补漏"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(pointOf(survey()).value("records").toInt(), before.value("records").toInt() + 24);

        const QByteArray file = testbytes::readFile(m_file);
        const char *times[] = {"2024-05-20 06:00:00", "2024-05-21 06:00:00"};
        const double manual[] = {180.0, 240.0};
        double offsets[2];
        for (int k = 0; k < 2; ++k) {
            const int at = testbytes::recordOffsetAt(file, clock(times[k]).toSecsSinceEpoch());
            QVERIFY(at > 0);
            offsets[k] = manual[k] - std::round(double(testbytes::getF32(file, at + 16)) * 1e5) / 100.0;
            r = lmvtool({"visit", "add", m_index, "--point", kPoint, "--time", times[k], "--depth",
                         QString::number(manual[k]), "--velocity", "0.5"});
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        }
        r = run(QStringLiteral("edit"),
                {"--op", "drift", "--from", times[0], "--to", times[1], "--reason", "液位计漂移"});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QJsonArray history = editsOf(run(QStringLiteral("edits"), {"--json"}));
        QCOMPARE(history.size(), 2);
        const QJsonObject drift = history[1].toObject();
        QCOMPARE(drift.value("op").toString(), QStringLiteral("drift"));
        QVERIFY(std::abs(drift.value("value").toDouble() - offsets[0]) < 1e-9);
        QVERIFY(std::abs(drift.value("value2").toDouble() - offsets[1]) < 1e-9);
        QCOMPARE(history[0].toObject().value("maxGapMinutes").toDouble(), 130.0);
    }
};

QTEST_GUILESS_MAIN(TestLmvtoolEdits)

#include "test_lmvtool_edits.moc"
