// What "导入雨量计数据" stores: a confirmed import goes into the project database with its points
// in one piece; every refused import says why and leaves the database as it was (or unmade).

#include "app/RainImportAction.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("城东排水管网");

QByteArray gaugeRows(int rows)
{
    QByteArray bytes = "time,mm\n";
    for (int i = 1; i <= rows; ++i)
        bytes += QStringLiteral("2024-06-01 %1:%2,%3\n")
                     .arg(i * 5 / 60, 2, 10, QLatin1Char('0'))
                     .arg(i * 5 % 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 3 == 0 ? "0.4" : "0.0")
                     .toUtf8();
    return bytes;
}

} // namespace

class TestRainImportAction : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    RainImportTarget m_target;
    QString m_dbPath;

    RainImportRequest request(const QByteArray &bytes, const QString &gauge, const QStringList &points) const
    {
        RainImportMapping mapping;
        mapping.skipRows = 1;
        return {m_target.indexPath,
                QStringLiteral("g.csv"),
                bytes,
                importRain(bytes, mapping),
                0.2,
                gauge,
                points};
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_target = {kProject, m_dir->filePath(kProject + ".lmvprj"), {"建设路1号井", "人民路5号井"}, {}};
        m_dbPath = m_dir->filePath(kProject + ".lmvdb");
        QVERIFY(QFile::copy(QStringLiteral(LMV_SAMPLES "/store/") + kProject + "/" + kProject + ".lmvprj",
                            m_target.indexPath));
    }

    void storesGaugeWithPoints()
    {
        const QByteArray bytes = gaugeRows(24) + "2024-06-01 02:05,abc\n";
        const RainImportOutcome outcome =
            storeRainImport(request(bytes, " 西站 ", {"人民路5号井"}), m_target);
        QVERIFY2(outcome.stored, qPrintable(outcome.message));
        QVERIFY(outcome.message.contains("无法读取 1 行"));
        const ProjectDb db(m_dbPath);
        const auto gauge = gaugeNamed(db, "西站");
        QVERIFY(gauge);
        QCOMPARE(gauge->points, QStringList{"人民路5号井"});
        QCOMPARE(gauge->sourceName, QStringLiteral("g.csv"));
        QCOMPARE(gauge->sourceSha256, gaugeSourceSha256(bytes));
        RainSeries series;
        QVERIFY(loadGaugeSeries(db, "西站", series));
        QCOMPARE(depthBetween(series, 0, std::numeric_limits<qint64>::max()), 8 * 0.4);

        // The same name again is refused and changes nothing.
        const RainImportOutcome again =
            storeRainImport(request(gaugeRows(12), "西站", {"建设路1号井"}), m_target);
        QVERIFY(!again.stored);
        QVERIFY(again.message.contains("已有"));
        QCOMPARE(gaugeNamed(ProjectDb(m_dbPath), "西站")->points, QStringList{"人民路5号井"});
    }

    void refusesWithReason_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("gauge");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<bool>("noIndex");
        QTest::addColumn<QString>("reason");
        QByteArray manyBad = gaugeRows(20);
        for (int i = 0; i < 4; ++i)
            manyBad += "2024-06-02 xx:00,1\n";
        QTest::newRow("loose files") << gaugeRows(12) << "西站" << QStringList() << true << "项目索引";
        QTest::newRow("too many bad rows") << manyBad << "西站" << QStringList() << false << "";
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff", 4) << "西站" << QStringList() << false
                                << "";
        QTest::newRow("empty name") << gaugeRows(12) << "  " << QStringList() << false << "";
        QTest::newRow("unknown point")
            << gaugeRows(12) << "西站" << QStringList{"无此井"} << false << "无此井";
    }
    void refusesWithReason()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, gauge);
        QFETCH(QStringList, points);
        QFETCH(bool, noIndex);
        QFETCH(QString, reason);
        if (noIndex)
            m_target.indexPath.clear();
        const RainImportOutcome outcome = storeRainImport(request(bytes, gauge, points), m_target);
        QVERIFY(!outcome.stored);
        QVERIFY2(outcome.message.startsWith("未导入雨量计数据：") && outcome.message.size() > 10,
                 qPrintable(outcome.message));
        QVERIFY2(outcome.message.contains(reason), qPrintable(outcome.message));
        QVERIFY(!QFile::exists(m_dbPath));
    }

    void readsOnlyPlainFiles()
    {
        QByteArray bytes = "stale";
        QString why;
        QVERIFY(!readRainFile(m_dir->filePath("missing.csv"), bytes, &why));
        QVERIFY(why.contains("不存在") && bytes.isEmpty());
        QVERIFY(!readRainFile(m_dir->path(), bytes, &why));
        QVERIFY(why.contains("不是普通文件"));
        QVERIFY(readRainFile(m_target.indexPath, bytes, &why));
        QCOMPARE(bytes.size(), QFileInfo(m_target.indexPath).size());
    }
};

QTEST_GUILESS_MAIN(TestRainImportAction)
#include "test_rain_import_action.moc"
