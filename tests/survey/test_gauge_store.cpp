// Rain gauges in the project database: stored, listed, assigned and read back whole; refusals that
// leave the file as it was (or not made at all); damaged series columns reported, never read on.

#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

using namespace lmv;
using namespace lmv::survey;

namespace {

constexpr qint64 kJune1 = 1717200000; // 2024-06-01 00:00:00 on the loggers' clock
const QString kSha(64, QLatin1Char('a'));

// Depths per 5-minute interval from `start`, covered whole.
RainSeries intervals(qint64 start, const std::vector<double> &depths)
{
    RainSeries s;
    s.intervalSeconds = 300;
    for (std::size_t i = 0; i < depths.size(); ++i) {
        s.times.push_back(start + qint64(i + 1) * 300);
        s.depthMm.push_back(depths[i]);
    }
    s.covered = {{start, s.times.back()}};
    return s;
}

GaugeImport request(const QString &name, const QStringList &points = {})
{
    GaugeImport g;
    g.name = name;
    g.sourceName = QStringLiteral("雨量.csv");
    g.sourceSha256 = kSha;
    g.points = points;
    g.imported = QStringLiteral("2024-06-10T09:00:00");
    return g;
}

bool sameSeries(const RainSeries &a, const RainSeries &b)
{
    const auto sameSpan = [](const TimeSpan &x, const TimeSpan &y) {
        return x.start == y.start && x.end == y.end;
    };
    return a.kind == b.kind && a.intervalSeconds == b.intervalSeconds && a.times == b.times &&
           a.depthMm == b.depthMm &&
           std::equal(a.covered.begin(), a.covered.end(), b.covered.begin(), b.covered.end(), sameSpan);
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void putLe(QByteArray &bytes, int at, quint64 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xff);
}

} // namespace

class TestGaugeStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    // The series column's layout, written out by hand: two tips of a 0.2 mm and a 0.4 mm bucket.
    void seriesColumnHasItsDocumentedLayout()
    {
        RainSeries tips;
        tips.kind = RainKind::Tips;
        tips.times = {1000, 1060};
        tips.depthMm = {0.2, 0.4};
        tips.covered = {{999, 1060}};
        const QByteArray expected = QByteArray::fromHex("4c4d5652"
                                                        "0100"
                                                        "02"
                                                        "00"
                                                        "0000000000000000"
                                                        "02000000"
                                                        "01000000"
                                                        "e803000000000000"
                                                        "2404000000000000"
                                                        "9a9999999999c93f"
                                                        "9a9999999999d93f"
                                                        "e703000000000000"
                                                        "2404000000000000");
        QCOMPARE(encodeRainSeries(tips).toHex(), expected.toHex());
        RainSeries back;
        QVERIFY(decodeRainSeries(expected, back));
        QVERIFY(sameSeries(back, tips));
    }

    void damagedSeriesColumnIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const RainSeries s = intervals(kJune1, {0.0, 1.2, 0.4});
        const QByteArray good = encodeRainSeries(s); // 24 + 3 × 16 + 16 bytes
        const auto patched = [&good](int at, quint64 value, int width) {
            QByteArray b = good;
            putLe(b, at, value, width);
            return b;
        };
        quint64 nanBits;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        std::memcpy(&nanBits, &nan, sizeof nanBits);
        QTest::newRow("empty") << QByteArray() << "不是雨量序列";
        QTest::newRow("a byte short") << good.chopped(1) << "长度不符";
        QTest::newRow("newer layout") << patched(4, 2, 2) << "较新版本";
        QTest::newRow("unknown kind") << patched(6, 3, 1) << "头部无效";
        QTest::newRow("reserved byte set") << patched(7, 1, 1) << "头部无效";
        QTest::newRow("count past the bytes") << patched(16, 0xffffffffu, 4) << "长度不符";
        QTest::newRow("tips with an interval") << patched(6, 2, 1) << "间隔";
        QTest::newRow("no interval") << patched(8, 0, 8) << "间隔";
        QTest::newRow("times falling") << patched(32, quint64(kJune1 + 900), 8) << "递增";
        QTest::newRow("depth no number") << patched(56, nanBits, 8) << "雨量不是";
        QTest::newRow("entry outside the span") << patched(72, quint64(kJune1 + 300), 8) << "覆盖时段内";
        QTest::newRow("span reversed") << patched(80, quint64(kJune1 - 60), 8) << "覆盖时段无效";
    }
    void damagedSeriesColumnIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        RainSeries out = intervals(kJune1, {1.0});
        QString error;
        QVERIFY(!decodeRainSeries(bytes, out, &error));
        QVERIFY2(error.contains(why), qPrintable(error));
        QVERIFY(out.empty() && out.covered.isEmpty());
    }

    // Imported with its points, listed, read back bit for bit; assignments in their order.
    void gaugeRoundTripsThroughTheDatabase()
    {
        ProjectDb db(path("trip.lmvdb"));
        RainSeries s = intervals(kJune1, {0.0, 0.2, 1.4, 0.0, 0.0, 0.6});
        s.covered = {{kJune1, kJune1 + 900}, {kJune1 + 1200, kJune1 + 1800}}; // one interval missing
        s.times.erase(s.times.begin() + 3);
        s.depthMm.erase(s.depthMm.begin() + 3);
        QString error;
        QVERIFY2(
            importGauge(db,
                        request(QStringLiteral(" 城东 "), {QStringLiteral("5号井"), QStringLiteral("2号井")}),
                        s, &error),
            qPrintable(error));
        QVERIFY(assignGauge(db, QStringLiteral("城东"), QStringLiteral("1号井")));
        QVERIFY(assignGauge(db, QStringLiteral("城东"), QStringLiteral("5号井"))); // again: nothing new

        ProjectDb reopened(path("trip.lmvdb"));
        const QVector<GaugeInfo> all = projectGauges(reopened);
        QCOMPARE(all.size(), 1);
        const GaugeInfo &g = all[0];
        QCOMPARE(g.name, QStringLiteral("城东"));
        QCOMPARE(g.kind, RainKind::Interval);
        QCOMPARE(g.intervalSeconds, qint64(300));
        QVERIFY(!g.bucketMm);
        QCOMPARE(g.sourceName, QStringLiteral("雨量.csv"));
        QCOMPARE(g.sourceSha256, kSha);
        QCOMPARE(g.imported, QStringLiteral("2024-06-10T09:00:00"));
        QCOMPARE(g.points, (QStringList{"5号井", "2号井", "1号井"}));
        RainSeries back;
        QVERIFY(loadGaugeSeries(reopened, QStringLiteral("城东"), back, &error));
        QVERIFY(sameSeries(back, s));
        QCOMPARE(pointGauges(reopened, QStringLiteral("2号井")).value(0).name, QStringLiteral("城东"));

        QVERIFY(unassignGauge(reopened, QStringLiteral("城东"), QStringLiteral("2号井"), &error));
        QVERIFY(pointGauges(reopened, QStringLiteral("2号井")).isEmpty());
        QVERIFY(!unassignGauge(reopened, QStringLiteral("城东"), QStringLiteral("2号井"), &error));
        QVERIFY(error.contains(QStringLiteral("未分配")));
    }

    void refusedImportChangesNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("why");
        QTest::newRow("blank name") << "name"
                                    << "名称为空";
        QTest::newRow("no entries") << "empty"
                                    << "没有雨量记录";
        QTest::newRow("times falling") << "order"
                                       << "递增";
        QTest::newRow("bucket of 20 mm") << "bucket"
                                         << "翻斗容量";
        QTest::newRow("hash not hex") << "sha"
                                      << "SHA-256";
        QTest::newRow("name taken") << "taken"
                                    << "已有名为";
        QTest::newRow("unknown gauge assigned") << "assign"
                                                << "没有名为";
    }
    // Neither a database made for nothing nor a byte of an existing one changed.
    void refusedImportChangesNothing()
    {
        QFETCH(QString, fault);
        QFETCH(QString, why);
        for (const bool existing : {false, true}) {
            const QString file =
                m_dir.filePath(QStringLiteral("refused-%1-%2.lmvdb").arg(fault).arg(existing));
            if (existing)
                QVERIFY(ProjectDb(file).setTextSetting(QStringLiteral("p"), QStringLiteral("k"),
                                                       QStringLiteral("v")));
            if (fault == QLatin1String("taken") && !existing)
                continue;
            if (fault == QLatin1String("taken")) {
                ProjectDb first(file);
                QVERIFY(importGauge(first, request(QStringLiteral("g")), intervals(kJune1, {1.0})));
            }
            const QByteArray before = fileHash(file);
            ProjectDb db(file);
            GaugeImport g =
                request(fault == QLatin1String("name") ? QStringLiteral("  ") : QStringLiteral("g"),
                        {QStringLiteral("p2")});
            RainSeries s = intervals(kJune1, {0.2, 0.4});
            if (fault == QLatin1String("empty"))
                s = RainSeries();
            if (fault == QLatin1String("order"))
                std::swap(s.times[0], s.times[1]);
            if (fault == QLatin1String("bucket")) {
                s.kind = RainKind::Tips;
                s.intervalSeconds = 0;
                g.bucketMm = 20.0;
            }
            if (fault == QLatin1String("sha"))
                g.sourceSha256 = QStringLiteral("不是哈希");
            QString error;
            const bool ok = fault == QLatin1String("assign")
                                ? assignGauge(db, QStringLiteral("无此雨量计"), QStringLiteral("p"), &error)
                                : importGauge(db, g, s, &error);
            QVERIFY(!ok);
            QVERIFY2(error.contains(why), qPrintable(error));
            QCOMPARE(QFileInfo::exists(file), existing);
            QCOMPARE(fileHash(file), before);
            QCOMPARE(projectGauges(db).size(), fault == QLatin1String("taken") ? 1 : 0);
        }
    }

    // A gauge read again replaces its series and source under the same id, keeping its points.
    void reimportUnderTheSameNameReplacesOnlyWhenAsked()
    {
        ProjectDb db(path("again.lmvdb"));
        QVERIFY(
            importGauge(db, request(QStringLiteral("g"), {QStringLiteral("a")}), intervals(kJune1, {1.0})));
        const qint64 id = gaugeNamed(db, QStringLiteral("g"))->id;
        GaugeImport again = request(QStringLiteral("g"), {QStringLiteral("b")});
        again.sourceSha256 = QString(64, QLatin1Char('b'));
        const RainSeries longer = intervals(kJune1, {1.0, 2.0, 0.5});
        QString error;
        QVERIFY(!importGauge(db, again, longer, &error));
        again.replace = true;
        QVERIFY2(importGauge(db, again, longer, &error), qPrintable(error));
        const GaugeInfo g = *gaugeNamed(db, QStringLiteral("g"));
        QCOMPARE(g.id, id);
        QCOMPARE(g.sourceSha256, again.sourceSha256);
        QCOMPARE(g.points, (QStringList{"a", "b"}));
        RainSeries back;
        QVERIFY(loadGaugeSeries(db, QStringLiteral("g"), back));
        QVERIFY(sameSeries(back, longer));
        QCOMPARE(projectGauges(db).size(), 1);
    }

    // A point's figures take the gauge covering most of their period (the first assigned on a tie
    // or without a period); a damaged one is passed over and named.
    void pointRainTakesTheBestCoveringReadableGauge()
    {
        ProjectDb db(path("choice.lmvdb"));
        const QString p = QStringLiteral("井");
        QVERIFY(importGauge(db, request(QStringLiteral("short"), {p}), intervals(kJune1, {1.0, 1.0})));
        QVERIFY(importGauge(db, request(QStringLiteral("long"), {p}), intervals(kJune1 + 300, {0, 0, 0, 0})));
        QVERIFY(importGauge(db, request(QStringLiteral("broken"), {p}),
                            intervals(kJune1, std::vector<double>(9))));
        // The row no longer agrees with its series.
        QSqlQuery(db.database())
            .exec(QStringLiteral("UPDATE gauge SET interval_seconds = 60 WHERE name = 'broken'"));
        QCOMPARE(pointRain(db, p, kJune1, kJune1 + 3000).gauge->name, QStringLiteral("long"));
        QCOMPARE(pointRain(db, p, kJune1, kJune1 + 300).gauge->name, QStringLiteral("short")); // a tie
        const PointRain none = pointRain(db, p, 0, 0);
        QCOMPARE(none.gauge->name, QStringLiteral("short"));
        QCOMPARE(none.series.times.size(), std::size_t(2));
        QCOMPARE(none.problems.size(), 1);
        QVERIFY(none.problems[0].contains(QStringLiteral("broken")) && none.problems[0].contains("损坏"));
        QString error;
        RainSeries s;
        QVERIFY(!loadGaugeSeries(db, QStringLiteral("broken"), s, &error));
        QVERIFY(!pointRain(db, QStringLiteral("别的井"), kJune1, kJune1 + 3000).gauge);
    }

    void readingNeverCreatesTheDatabase()
    {
        const QString file = path("absent.lmvdb");
        ProjectDb db(file);
        RainSeries s;
        QVERIFY(projectGauges(db).isEmpty());
        QVERIFY(!gaugeNamed(db, QStringLiteral("g")));
        QVERIFY(!loadGaugeSeries(db, QStringLiteral("g"), s));
        QVERIFY(pointGauges(db, QStringLiteral("p")).isEmpty());
        QVERIFY(!pointRain(db, QStringLiteral("p"), 0, 1).gauge);
        QVERIFY(!unassignGauge(db, QStringLiteral("g"), QStringLiteral("p")));
        QVERIFY(!QFileInfo::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestGaugeStore)
#include "test_gauge_store.moc"
