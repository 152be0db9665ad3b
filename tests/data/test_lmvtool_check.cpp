// lmvtool check on files with known faults, and on files it cannot read.

#include "tests/data/FileBytes.h"
#include "tests/data/ToolRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace testbytes;

namespace {

// 2024-05-01: one-minute records at 100 L/s all day, except that 10:00-10:59 is missing, 12:00
// is written twice with other values and the clock goes back two minutes at 15:00.
QByteArray faultyDay()
{
    QByteArray b = header(5);
    putU32(b, 96, 60); // record interval
    quint32 sequence = 0;
    auto add = [&](int minuteOfDay, float level) {
        b += rvaRecord({++sequence, level, 0.5f, 100.0f, 15.0f, 2024, 5, 1, quint8(minuteOfDay / 60),
                        quint8(minuteOfDay % 60), 0});
    };
    for (int m = 0; m < 1440; ++m) {
        if (m >= 600 && m < 660)
            continue;
        add(m, 0.3f + 0.0001f * float(m));
        if (m == 720)
            add(m, 0.5f);
        if (m == 900)
            add(m - 2, 0.4f), add(m - 1, 0.4f);
    }
    return b;
}

} // namespace

class TestLmvtoolCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void jsonNamesTheFaultsAndTheDailyVolume()
    {
        QVERIFY(writeFile(path("day.lmv"), faultyDay()));
        const ToolRun r = lmvtool({"check", path("day.lmv"), "--json"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o["records"].toInt(), 1440 - 60 + 1 + 2);
        QCOMPARE(o["intervalSeconds"].toInt(), 60);
        const QJsonArray gaps = o["gaps"].toArray();
        QCOMPARE(gaps.size(), 1);
        QCOMPARE(gaps[0].toObject()["start"].toString(), QStringLiteral("2024-05-01 09:59:00"));
        QCOMPARE(gaps[0].toObject()["end"].toString(), QStringLiteral("2024-05-01 11:00:00"));
        QCOMPARE(gaps[0].toObject()["seconds"].toInt(), 3660);
        QCOMPARE(o["duplicateTimes"].toInt(), 1);
        QCOMPARE(o["backwardSteps"].toInt(), 1);
        const QJsonArray days = o["days"].toArray();
        QCOMPARE(days.size(), 1);
        const QJsonObject day = days[0].toObject();
        QCOMPARE(day["date"].toString(), QStringLiteral("2024-05-01"));
        QCOMPARE(day["records"].toInt(), 1383);
        // 23 h of one-minute steps; the hole adds nothing, and the minutes the clock repeated
        // after it went back are counted once.
        QCOMPARE(day["volumeM3"].toDouble(), 1380.0 * 6.0);
        QCOMPARE(day["coverage"].toDouble(), 1.0 - 3600.0 / 86400.0);
        QCOMPARE(o["totalVolumeM3"].toDouble(), day["volumeM3"].toDouble());
    }

    void textListsFindingsAndTheTotalRow()
    {
        QVERIFY(writeFile(path("day.lmv"), faultyDay()));
        const ToolRun r = lmvtool({"check", path("day.lmv")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(
            QStringLiteral("2024-05-01 09:59:00 ~ 2024-05-01 11:00:00  数据缺失  记录 600-601")));
        QVERIFY(r.out.contains(QStringLiteral("时间倒退")));
        QVERIFY(r.out.contains(QStringLiteral("\n合计")));
    }

    void unreadableFilesExitOneWithOneLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("missing") << QByteArray() << 1;
        QTest::newRow("short header") << QByteArray(100, '\x05') << 1;
        QTest::newRow("type code 3") << header(3) << 1;
        QTest::newRow("no records is still a file") << header(5) << 0;
        QTest::newRow("rvb without records") << header(1) << 0;
    }
    void unreadableFilesExitOneWithOneLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, exitCode);
        const QString file = path(QTest::currentDataTag());
        QFile::remove(file);
        if (!bytes.isEmpty())
            QVERIFY(writeFile(file, bytes));
        const ToolRun r = lmvtool({"check", "--json", file});
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 0) {
            QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object()["records"].toInt(), 0);
        } else {
            QVERIFY(r.out.isEmpty());
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(r.err.startsWith(QStringLiteral("lmvtool: ") + file));
        }
    }
};

QTEST_GUILESS_MAIN(TestLmvtoolCheck)
#include "test_lmvtool_check.moc"
