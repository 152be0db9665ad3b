// Damaged files through lmvtool: each fault found in the field is a row that names what the tool
// must say, and the whole damaged folder goes through every command without a crash, a hang or
// a silent success.

#include "tests/data/DamagedFiles.h"
#include "tests/data/FileBytes.h"
#include "tests/data/ToolRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace testbytes;

namespace {

constexpr int kLimitMs = 2000; // no command may take longer on a damaged file

// One day of one-minute records at 100 L/s (6 m³ a minute), from 2024-05-01 00:00; the clock is
// set back `back` minutes at 12:00, repeating that many minutes.
QByteArray minuteDay(int back)
{
    QByteArray b = header(5, QStringLiteral("项目A"), QStringLiteral("测点1"), 0, 800, 0, 0, 40);
    putU32(b, 96, 60);
    quint32 n = 0;
    const auto add = [&](int minute) {
        b += rvaRecord(
            {++n, 0.3f, 0.8f, 100.0f, 15.0f, 2024, 5, 1, quint8(minute / 60), quint8(minute % 60), 0});
    };
    for (int m = 0; m <= 720; ++m)
        add(m);
    for (int m = 720 - back; m < 720; ++m)
        add(m);
    for (int m = 721; m < 1440; ++m)
        add(m);
    return b;
}

QJsonObject json(const ToolRun &r)
{
    return QJsonDocument::fromJson(r.outBytes()).object();
}

QStringList kinds(const QJsonObject &check)
{
    QStringList out;
    for (const QJsonValue &f : check[QStringLiteral("findings")].toArray())
        out << f.toObject()[QStringLiteral("kind")].toString();
    return out;
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QList<damaged::Entry> folder;
    QString at(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        folder = damaged::write(dir.path());
        QVERIFY(folder.size() >= 20);
        QVERIFY(writeFile(at("clock_back_4.lmv"), minuteDay(4)));
    }

    // Each row: a command on a file of the folder ("@name"), the exit code, and a text stdout
    // or stderr must hold.
    void faultsAreSaidNotHidden_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        const QStringList dn1000 = {"--shape", "0", "--h", "1000", "--w", "0", "--t", "0", "--y", "0"};
        const QStringList friction = {"--slope-permille", "2", "--manning", "0.013", "--level", "0.5"};
        QTest::newRow("1: fit on a diameter of 0xFFFFFFFF mm")
            << QStringList{"fit", "@pipe_ffffffff.lmv"} << 1 << "管道参数不可能: 管径 4294967295 mm";
        QTest::newRow("1: fit on 10,000,000 mm in time")
            << QStringList{"fit", "@pipe_10000000.lmv"} << 1 << "管道参数不可能";
        QTest::newRow("1: fit on 100,000,000 mm in time")
            << QStringList{"fit", "@pipe_100000000.lmv"} << 1 << "管道参数不可能";
        QTest::newRow("1: check lists the impossible pipe")
            << QStringList{"check", "@pipe_ffffffff.lmv"} << 0 << "管道参数无效";
        QTest::newRow("2: trust of an estimate moved by backwater")
            << QStringList{"fit", "--json", "@backwater_last_quarter.lmv"} << 0 << "\"level\":\"low\"";
        QTest::newRow("3: check names the impossible interval")
            << QStringList{"check", "@interval_ffffffff.lmv"} << 0
            << "文件记录间隔 4294967295s 不可能 按记录取 300s";
        QTest::newRow("4: NaN correction is a finding")
            << QStringList{"check", "@correction_nan.lmv"} << 0 << "流速修正系数 nan";
        QTest::newRow("4: -inf correction is a finding")
            << QStringList{"check", "@correction_minus_inf.lmv"} << 0 << "流量修正系数 -inf";
        QTest::newRow("5: impossible times are a finding")
            << QStringList{"check", "@times_impossible.lmv"} << 0
            << "记录时间 2024-05-01 25:00:00 不存在 共 5 条";
        QTest::newRow("8: curve with ks 1000000 mm")
            << QStringList{"curve"} + dn1000 +
                   QStringList{"--slope-permille", "2", "--ks", "1000000", "--level", "0.5"}
            << 2 << "粗糙度 ks";
        QTest::newRow("8: curve with h 0")
            << QStringList{"curve", "--shape", "0", "--h", "0", "--w", "0", "--t", "0", "--y", "0"} + friction
            << 2 << "管道参数不可能: 管径 0 mm";
        QTest::newRow("8: curve with sediment above the top")
            << QStringList{"curve", "--shape", "0", "--h", "600", "--w", "0", "--t", "0", "--y", "700"} +
                   friction
            << 2 << "管道参数不可能: 淤积 700 mm";
        QTest::newRow("8: curve on a rectangle of width 0")
            << QStringList{"curve", "--shape", "1", "--h", "600", "--w", "0", "--t", "0", "--y", "0"} +
                   friction
            << 2 << "管道参数不可能: 宽度 0 mm";
        QTest::newRow("8: --slope without its unit")
            << QStringList{"curve"} + dn1000 +
                   QStringList{"--slope", "2", "--manning", "0.013", "--level", "0.5"}
            << 2 << "--slope-permille";
        QTest::newRow("8: --shape -1")
            << QStringList{"curve", "--shape", "-1", "--h", "600", "--w", "0", "--t", "0", "--y", "0"} +
                   friction
            << 2 << "must be 0 (circle)";
        QTest::newRow("9: fit on an unknown shape")
            << QStringList{"fit", "@pipe_shape_7.lmv"} << 1 << "形状码 7";
        QTest::newRow("9: fit on sediment deeper than the pipe")
            << QStringList{"fit", "@pipe_sediment_5000.lmv"} << 1 << "淤积 5000 mm 达到管顶";
        QTest::newRow("9: fit on a diameter of 0")
            << QStringList{"fit", "@pipe_diameter_0.lmv"} << 1 << "管径 0 mm";
        QTest::newRow("9: fit on ten records warns")
            << QStringList{"fit", "@ten_records.lmv"} << 0 << "记录太少";
        QTest::newRow("9: check names the impossible geometry")
            << QStringList{"check", "@pipe_sediment_5000.lmv"} << 0 << "淤积 5000 mm 达到管顶";
        QTest::newRow("10: a folder is no file") << QStringList{"info", "@folder.lmv"} << 1 << "is a folder";
        QTest::newRow("10: a FIFO is no file, and no wait")
            << QStringList{"check", "@fifo.lmv"} << 1 << "not a regular file";
        QTest::newRow("10: info keeps the size limit of the readers")
            << QStringList{"info", "@sparse_2GiB.lmv"} << 1 << "larger than the 1073741824 bytes";
    }
    void faultsAreSaidNotHidden()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        for (QString &arg : args)
            if (arg.startsWith(QLatin1Char('@')))
                arg = at(arg.mid(1));
        const ToolRun r = lmvtool(args, kLimitMs);
        QVERIFY2(r.exitCode != -1, "did not finish within 2 s");
        QVERIFY2(r.exitCode != -2, "crashed");
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(said), qPrintable(r.out.left(2000) + r.err));
        if (exitCode != 0)
            QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    }

    // The daily table counts what the records hold: no day without records, no second twice, no
    // time for an impossible record time.
    void dailyTableHoldsOnlyWhatTheRecordsCover_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<double>("totalM3");
        QTest::addColumn<int>("dayRecords");
        // 200 five-minute records at 100 L/s: 60,000 s, 6,000 m³, on 2024-05-01 only.
        QTest::newRow("3: interval 0xFFFFFFFF")
            << "interval_ffffffff.lmv" << QStringList{"2024-05-01"} << 6000.0 << 200;
        // 24 records (00:00 to 01:55) and five impossible times that count nothing.
        QTest::newRow("5: impossible times")
            << "times_impossible.lmv" << QStringList{"2024-05-01"} << 720.0 << 24;
        // A full day of minutes, four of them recorded twice after the clock went back.
        QTest::newRow("6: clock set back over four minutes")
            << "clock_back_4.lmv" << QStringList{"2024-05-01"} << 1440 * 6.0 << 1444;
        // 145 records to 12:00, each its five minutes; the four repeated before it add nothing.
        QTest::newRow("6: clock set back at the end")
            << "clock_set_back.lmv" << QStringList{"2024-05-01"} << 145 * 30.0 << 149;
    }
    void dailyTableHoldsOnlyWhatTheRecordsCover()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, dates);
        QFETCH(double, totalM3);
        QFETCH(int, dayRecords);
        const ToolRun r = lmvtool({"check", "--json", at(file)}, kLimitMs);
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = json(r);
        QStringList got;
        int records = 0;
        for (const QJsonValue &d : o["days"].toArray()) {
            got << d.toObject()["date"].toString();
            records += d.toObject()["records"].toInt();
            QVERIFY(d.toObject()["coverage"].toDouble() <= 1.0);
        }
        QCOMPARE(got, dates);
        QCOMPARE(records, dayRecords);
        QVERIFY2(std::abs(o["totalVolumeM3"].toDouble() - totalM3) < 1e-6, qPrintable(r.out.left(400)));
        QCOMPARE(o["total"].toObject()["coverage"].toDouble(), totalM3 / 8640.0);
    }

    // Every command on every file of the folder: finished within 2 s, no crash; a file no reader
    // takes is refused with one line; a damage that touches what a command computes is named.
    void everyCommandGetsThroughTheFolder_data()
    {
        QTest::addColumn<QStringList>("command"); // "@" stands for the file
        QTest::addColumn<bool>("computes");       // the output rests on the damaged part
        QTest::newRow("info") << QStringList{"info", "@"} << false;
        QTest::newRow("check") << QStringList{"check", "--json", "@"} << true;
        QTest::newRow("fit") << QStringList{"fit", "@"} << true;
        QTest::newRow("export") << QStringList{"export", "@", "#.csv"} << false;
        QTest::newRow("plot") << QStringList{"plot", "@", "--out", "#.png", "--size", "320x240"} << false;
        QTest::newRow("repipe a copy")
            << QStringList{"repipe", "--shape", "0", "--h", "800", "--w", "0", "--t", "0", "--y", "10", "@"}
            << false;
    }
    void everyCommandGetsThroughTheFolder()
    {
        QFETCH(QStringList, command);
        QFETCH(bool, computes);
        const bool repipe = command.first() == QLatin1String("repipe");
        QTemporaryDir out;
        for (const damaged::Entry &e : std::as_const(folder)) {
            QString path = at(e.name);
            // repipe writes: it gets a copy of each regular file.
            if (repipe && QFileInfo(path).isFile() && QFileInfo(path).size() < (1 << 20)) {
                QFile::copy(path, out.filePath(e.name));
                path = out.filePath(e.name);
            }
            QStringList args;
            for (const QString &a : std::as_const(command))
                args << (a == QLatin1String("@")          ? path
                         : a.startsWith(QLatin1Char('#')) ? out.filePath(e.name) + a.mid(1)
                                                          : a);
            const ToolRun r = lmvtool(args, kLimitMs);
            const QString what = e.name + QStringLiteral(": ") + r.err.left(300);
            QVERIFY2(r.exitCode != -1, qPrintable(what + " did not finish within 2 s"));
            QVERIFY2(r.exitCode != -2, qPrintable(what + " crashed"));
            if (e.kind == damaged::Kind::Unreadable) {
                QVERIFY2(r.exitCode != 0, qPrintable(what + " taken as a data file"));
                QVERIFY2(r.err.count(QLatin1Char('\n')) == 1, qPrintable(what));
                if (!e.mark.isEmpty())
                    QVERIFY2(r.err.contains(e.mark), qPrintable(what));
                continue;
            }
            if (r.exitCode != 0) {
                // Refused: one line saying why.
                QVERIFY2(r.err.count(QLatin1Char('\n')) == 1 && r.out.isEmpty(), qPrintable(what));
                continue;
            }
            if (computes && !e.mark.isEmpty() && command.first() == QLatin1String("check"))
                QVERIFY2(kinds(json(r)).join(QLatin1Char(' ')).contains(e.mark.left(2)),
                         qPrintable(what + r.out.left(300)));
            if (computes && command.first() == QLatin1String("fit"))
                QVERIFY2(r.out.contains(QStringLiteral("可信")) || !r.err.isEmpty(),
                         qPrintable(what + r.out));
        }
    }

    void samplegenHelpWritesNothing()
    {
        QTemporaryDir cwd;
        QProcess p;
        p.setWorkingDirectory(cwd.path());
        p.start(QStringLiteral(LMV_SAMPLEGEN_PATH), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(kLimitMs * 5));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("usage"));
        QVERIFY(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDamagedFiles)
#include "test_damaged_files.moc"
