// The built lmvtool binary on good and bad files.

#include "data/Export.h"
#include "tests/data/FileBytes.h"
#include "tests/data/ToolRun.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace testbytes;

namespace {

QByteArray rvaFile(int records, int trailing = 0)
{
    QByteArray b = header(5, QStringLiteral("项目A"), QStringLiteral("测点1"), 0, 1000, 0, 0, 0);
    putF32(b, 88, 1.2f);
    putU32(b, 132, static_cast<quint32>(records));
    putF32(b, 136, 0.75f);
    for (int i = 0; i < records; ++i)
        b += rvaRecord({static_cast<quint32>(i + 1), 0.5f, 1.0f, 1.0f, 10.0f, 2024, 1, 2, 3, 4, 5});
    return b + QByteArray(trailing, '\x09');
}

} // namespace

class TestLmvtool : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void infoPrintsTheHeaderForAPerson()
    {
        QVERIFY(writeFile(path("a.lmv"), rvaFile(3, 10)));
        const ToolRun r = lmvtool({"info", path("a.lmv")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("项目A")));
        QVERIFY(r.out.contains(QStringLiteral("便携式流量仪")));
        QVERIFY(r.out.contains(QStringLiteral("圆形 直径1000mm 淤积层0mm")));
        QVERIFY(r.out.contains(QStringLiteral("记录: 3 条")));
        QVERIFY(r.out.contains(QStringLiteral("10 字节")));
        QVERIFY(r.err.isEmpty());
    }

    void infoJsonHoldsEveryHeaderField()
    {
        QVERIFY(writeFile(path("a.lmv"), rvaFile(3, 10)));
        const ToolRun r = lmvtool({"info", "--json", path("a.lmv")});
        QCOMPARE(r.exitCode, 0);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o["family"].toString(), QStringLiteral("RVA"));
        QCOMPARE(o["typeCode"].toInt(), 5);
        QCOMPARE(o["deviceNumber"].toDouble(), 20240101.0);
        QCOMPARE(o["projectName"].toString(), QStringLiteral("项目A"));
        QCOMPARE(o["pointName"].toString(), QStringLiteral("测点1"));
        QCOMPARE(o["pipe"].toObject()["heightOrDiameter"].toInt(), 1000);
        QCOMPARE(o["pipe"].toObject()["shape"].toInt(), 0);
        QCOMPARE(o["calc"].toObject()["velocityCorrection"].toDouble(), 1.2);
        QVERIFY(o["calc"].toObject().contains("probeVersion"));
        QCOMPARE(o["summary"].toObject()["sampleCount"].toInt(), 3);
        QCOMPARE(o["summary"].toObject()["levelMax"].toDouble(), 0.75);
        QCOMPARE(o["summary"].toObject().size(), 14);
        QCOMPARE(o["records"].toInt(), 3);
        QCOMPARE(o["trailingBytes"].toInt(), 10);
    }

    void infoJsonNamesTheFamilyOfEachTypeCode_data()
    {
        QTest::addColumn<int>("typeCode");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("records");
        QTest::newRow("rvb") << 1 << "RVB" << 2;
        QTest::newRow("sampler") << 3 << "unknown" << 0;
    }
    void infoJsonNamesTheFamilyOfEachTypeCode()
    {
        QFETCH(int, typeCode);
        QFETCH(QString, family);
        QFETCH(int, records);
        QVERIFY(writeFile(path("t.lmv"), header(static_cast<quint8>(typeCode)) + QByteArray(200, '\0')));
        const ToolRun r = lmvtool({"info", "--json", path("t.lmv")});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o["family"].toString(), family);
        QCOMPARE(o["records"].toInt(), records);
    }

    void flowPrintsWhatTheViewerComputes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("flow");
        QTest::newRow("half-full circle")
            << QStringList{"--shape", "0",   "--h", "1000",    "--w", "0",          "--t",
                           "0",       "--y", "0",   "--level", "0.5", "--velocity", "1"}
            << 392.699;
        QTest::newRow("capped channel")
            << QStringList{"--shape", "1",   "--h", "1000",    "--w",  "2000",       "--t",
                           "0",       "--y", "100", "--level", "0.95", "--velocity", "0.5"}
            << 900.0;
    }
    void flowPrintsWhatTheViewerComputes()
    {
        QFETCH(QStringList, args);
        QFETCH(double, flow);
        const ToolRun r = lmvtool(QStringList{"flow"} + args);
        QCOMPARE(r.exitCode, 0);
        bool ok = false;
        const double got = r.out.trimmed().toDouble(&ok);
        QVERIFY2(ok, qPrintable(r.out));
        QVERIFY2(std::fabs(got - flow) < 0.001, qPrintable(r.out));
    }

    void repipeWritesThePipeAndSaysSo()
    {
        QVERIFY(writeFile(path("r1.lmv"), rvaFile(2)));
        QVERIFY(writeFile(path("r2.lmv"), rvaFile(1)));
        const ToolRun r = lmvtool({"repipe", "--shape", "1", "--h", "1000", "--w", "2000", "--t", "0", "--y",
                                   "0", path("r1.lmv"), path("r2.lmv")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.count(QLatin1Char('\n')), 2);
        QVERIFY(r.out.contains(path("r1.lmv")));
        const QByteArray after = readFile(path("r1.lmv"));
        QCOMPARE(getU32(after, 68), 1u);
        QCOMPARE(getF32(after, 512 + 24), 1000.0f); // 2 m × 0.5 m × 1 m/s
        QCOMPARE(getU32(readFile(path("r2.lmv")), 76), 2000u);
    }

    void badInputGetsOneErrorLineAndChangesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        const QStringList pipe{"--shape", "1", "--h", "1000", "--w", "2000", "--t", "0", "--y", "0"};
        QTest::newRow("info of a missing file") << QStringList{"info", "@/none.lmv"} << "@/none.lmv";
        QTest::newRow("info of a truncated header") << QStringList{"info", "@/short.lmv"} << "@/short.lmv";
        QTest::newRow("info of a text file") << QStringList{"info", "@/notes.lmv"} << "@/notes.lmv";
        QTest::newRow("repipe with one rvb file")
            << (QStringList{"repipe"} + pipe + QStringList{"@/good.lmv", "@/rvb.lmv"}) << "@/rvb.lmv";
        QTest::newRow("repipe with a truncated file")
            << (QStringList{"repipe"} + pipe + QStringList{"@/good.lmv", "@/short.lmv"}) << "@/short.lmv";
        QTest::newRow("repipe with sediment above the top")
            << QStringList{"repipe", "--shape", "0", "--h", "100", "--w",
                           "0",      "--t",     "0", "--y", "200", "@/good.lmv"}
            << "pipe";
        QTest::newRow("flow without level")
            << QStringList{"flow", "--shape", "0",   "--h", "1000",       "--w", "0",
                           "--t",  "0",       "--y", "0",   "--velocity", "1"}
            << "--level";
        // A circle of 1 mm has no radius: the flow of such a pipe is refused, not given as 0.
        QTest::newRow("flow in a degenerate circle")
            << QStringList{"flow", "--shape", "0", "--h",     "1",   "--w",        "0", "--t",
                           "0",    "--y",     "0", "--level", "0.5", "--velocity", "1"}
            << "pipe";
        QTest::newRow("flow with a word for a number")
            << QStringList{"flow", "--shape", "0", "--h",     "abc", "--w",        "0", "--t",
                           "0",    "--y",     "0", "--level", "1",   "--velocity", "1"}
            << "--h";
        QTest::newRow("unknown option") << QStringList{"info", "--yaml", "@/good.lmv"} << "--yaml";
        QTest::newRow("export to an unknown suffix")
            << QStringList{"export", "@/good.lmv", "@/out.dat"} << "@/out.dat";
        QTest::newRow("export of a text file")
            << QStringList{"export", "@/notes.lmv", "@/out.txt"} << "@/notes.lmv";
        QTest::newRow("batch export with a bad source")
            << QStringList{"export", "@/good.lmv", "@/short.lmv", "--to", "@/out", "--format", "csv"}
            << "@/short.lmv";
        QTest::newRow("batch export with an unknown format")
            << QStringList{"export", "@/good.lmv", "--to", "@/out", "--format", "xls"} << "--format";
        QTest::newRow("batch export of two sources with one name")
            << QStringList{"export", "@/good.lmv", "@/out/../good.lmv", "--to", "@/out", "--format", "txt"}
            << "@/out/../good.lmv";
        QTest::newRow("export into a missing folder")
            << QStringList{"export", "@/good.lmv", "@/nofolder/x.csv"} << "@/nofolder/x.csv";
    }
    void badInputGetsOneErrorLineAndChangesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        QDir(dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(path("out")));
        QVERIFY(writeFile(path("good.lmv"), rvaFile(2)));
        QVERIFY(writeFile(path("short.lmv"), rvaFile(0).left(300)));
        QVERIFY(writeFile(path("notes.lmv"), QByteArray(600, 'n')));
        QVERIFY(writeFile(path("rvb.lmv"), header(1) + QByteArray(100, '\x05')));
        const QStringList names = {"good.lmv", "short.lmv", "notes.lmv", "rvb.lmv"};
        QList<QByteArray> before;
        for (const QString &n : names)
            before.append(readFile(path(n)));

        QStringList resolved;
        for (const QString &a : args)
            resolved.append(QString(a).replace(QStringLiteral("@"), dir.path()));
        const ToolRun r = lmvtool(resolved);
        QVERIFY2(r.exitCode > 0, qPrintable(QString::number(r.exitCode)));
        const QStringList errLines = r.err.trimmed().split(QLatin1Char('\n'));
        QCOMPARE(errLines.size(), 1);
        QVERIFY2(errLines[0].contains(QString(named).replace(QStringLiteral("@"), dir.path())),
                 qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(readFile(path(names[i])), before[i]);
        QCOMPARE(QDir(path("out")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).size(),
                 0);
        QVERIFY(!QFile::exists(path("out.dat")));
        QVERIFY(!QFile::exists(path("out.txt")));
    }

    void exportGivesTheViewersBytes()
    {
        QVERIFY(writeFile(path("e.lmv"), rvaFile(4)));
        QCOMPARE(lmv::exportFile(path("e.lmv"), path("viewer.csv"), lmv::ExportFormat::Csv), 0);
        const ToolRun r = lmvtool({"export", path("e.lmv"), path("tool.csv")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(readFile(path("tool.csv")), readFile(path("viewer.csv")));
        QVERIFY(readFile(path("tool.csv")).contains(",[2024-01-02 03:04:05]\r\n"));
    }

    void batchExportWritesOneFilePerSource()
    {
        QVERIFY(QDir().mkpath(path("batch")));
        QVERIFY(writeFile(path("x.lmv"), rvaFile(2)));
        QVERIFY(writeFile(path("y.lmv"), header(1) + QByteArray(100, '\0')));
        const ToolRun r =
            lmvtool({"export", path("x.lmv"), path("y.lmv"), "--to", path("batch"), "--format", "txt"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QDir(path("batch")).entryList(QDir::Files), (QStringList{"x.txt", "y.txt"}));
        QVERIFY(readFile(path("batch/x.txt")).startsWith("项目名称:项目A\r\n"));
        QVERIFY(readFile(path("batch/y.txt")).startsWith("设备ID:20240101\r\n"));
    }

    void plotDrawsTheHydrographIntoEachFormat()
    {
        QVERIFY(writeFile(path("p.lmv"), rvaFile(50)));
        ToolRun r = lmvtool({"plot", path("p.lmv"), "--out", path("p.png"), "--size", "640x480"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        const QImage image(path("p.png"));
        QCOMPARE(image.size(), QSize(640, 480));
        QVERIFY(image.pixelColor(320, 240).isValid());
        r = lmvtool({"plot", path("p.lmv"), "--out", path("p.svg"), "--series", "flow", "--ymin", "0",
                     "--ymax", "20", "--from", "2024-01-02 00:00:00", "--to", "2024-01-03 00:00:00"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFile(path("p.svg")).size() > 1000);
        r = lmvtool({"plot", path("p.lmv"), "--out", path("p.pdf")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFile(path("p.pdf")).size() > 1000);
    }

    void plotRefusesBadInputWithOneLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << QStringList{"plot", "missing.lmv", "--out", "x.png"} << 1
                                 << "no such file";
        QTest::newRow("short file") << QStringList{"plot", "short.lmv", "--out", "x.png"} << 1 << "truncated";
        QTest::newRow("no records") << QStringList{"plot", "empty.lmv", "--out", "x.png"} << 1
                                    << "no records";
        QTest::newRow("no --out") << QStringList{"plot", "p.lmv"} << 2 << "--out: missing";
        QTest::newRow("bmp") << QStringList{"plot", "p.lmv", "--out", "x.bmp"} << 2 << ".png, .svg or .pdf";
        QTest::newRow("series") << QStringList{"plot", "p.lmv", "--out", "x.png", "--series", "csq"} << 2
                                << "unknown series \"csq\"";
        QTest::newRow("size") << QStringList{"plot", "p.lmv", "--out", "x.png", "--size", "10x10"} << 2
                              << "--size";
        QTest::newRow("time") << QStringList{"plot",  "p.lmv",  "--out",
                                             "x.png", "--from", "2024-02-30 00:00:00"}
                              << 2 << "--from";
        QTest::newRow("ymin alone") << QStringList{"plot",     "p.lmv", "--out",  "x.png",
                                                   "--series", "level", "--ymin", "1"}
                                    << 2 << "together";
        QTest::newRow("ymin, four series")
            << QStringList{"plot", "p.lmv", "--out", "x.png", "--ymin", "0", "--ymax", "1"} << 2 << "single";
        QTest::newRow("ymin above ymax") << QStringList{"plot",  "p.lmv",  "--out", "x.png",  "--series",
                                                        "level", "--ymin", "2",     "--ymax", "1"}
                                         << 2 << "below";
    }
    void plotRefusesBadInputWithOneLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QVERIFY(writeFile(path("p.lmv"), rvaFile(5)));
        QVERIFY(writeFile(path("short.lmv"), rvaFile(0).left(100)));
        QVERIFY(writeFile(path("empty.lmv"), rvaFile(0)));
        for (QString &a : args)
            if (a.endsWith(QLatin1String(".lmv")) || a.startsWith(QLatin1String("x.")))
                a = path(a);
        const ToolRun r = lmvtool(args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY(!QFile::exists(path("x.png")));
    }
};

QTEST_GUILESS_MAIN(TestLmvtool)
#include "test_lmvtool.moc"
