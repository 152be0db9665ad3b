// lmvtool dwf and rdii on a copy of the sample store, and the settings per point they read:
// the sample survey's figures, options over stored settings, points without a gauge, refusals,
// and reading that never makes the database.

#include "../CopyTree.h"
#include "survey/DwfSettings.h"
#include "survey/ProjectDb.h"
#include "tests/data/ToolRun.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kSurveyPoint = QStringLiteral("人民路5号井"); // eight weeks with the gauge 雨量计_城东
const QString kBarePoint = QStringLiteral("建设路1号井");   // no gauge

// A value of the output: "key", "key#" for an array's length, "events.N.key" into arrays.
QJsonValue pick(const QJsonObject &root, const QString &path)
{
    QJsonValue v(root);
    for (QString part : path.split('.')) {
        const bool count = part.endsWith('#');
        if (count)
            part.chop(1);
        bool isIndex = false;
        const int index = part.toInt(&isIndex);
        v = isIndex ? v.toArray().at(index) : v.toObject().value(part);
        if (count)
            v = double(v.toArray().size());
    }
    return v;
}

qint64 dayNumber(int y, int m, int d)
{
    return QDate(1970, 1, 1).daysTo(QDate(y, m, d));
}

} // namespace

class TestLmvtoolDwf : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_index, m_db;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(copyTree(QStringLiteral(LMV_SOURCE_DIR "/samples/store/") + kProject, m_dir->path()));
        m_index = m_dir->filePath(kProject + ".lmvprj");
        m_db = m_dir->filePath(kProject + ".lmvdb");
        QVERIFY(QFile::exists(m_db));
    }

    // Expected values: a number within `tol` (null: "null"), or a text the output must contain.
    void commandsGiveTheSurveysFigures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QVariantMap>("expect");
        QTest::addColumn<QString>("errorPart");
        const double tol = 0.05;
        const QVariantMap none;
        // The sample survey was made with 25 L/s of infiltration and a runoff ratio of 0.12.
        QTest::newRow("dwf of the sample survey")
            << QStringList{"dwf", "--point", kSurveyPoint, "--json"} << 0
            << QVariantMap{{"dryDays#", 28},       {"intervalSeconds", 120},
                           {"weekday#", 720},      {"weekend#", 720},
                           {"adwf", 82.7},         {"mnf", 47.1},
                           {"peakFactor", 1.64},   {"gwi", 25.1},
                           {"baseSanitary", 57.6}, {"tol", tol}}
            << QString();
        QTest::newRow("rdii without an area has no ratio")
            << QStringList{"rdii", "--point", kSurveyPoint, "--json"} << 0
            << QVariantMap{{"events#", 7}, {"events.0.runoffRatio", QVariant()}, {"tol", 0.0}} << QString();
        QTest::newRow("dwf of a point without a gauge")
            << QStringList{"dwf", "--point", kBarePoint, "--json"} << 0
            << QVariantMap{{"dryDays#", 0},
                           {"weekday", QVariant()},
                           {"notes.0", "未指定雨量计"},
                           {"tol", 0.0}}
            << QString();
        QTest::newRow("rdii of a point without a gauge")
            << QStringList{"rdii", "--point", kBarePoint, "--json"} << 1 << none
            << QStringLiteral("no rain gauge");
        QTest::newRow("no such point")
            << QStringList{"dwf", "--point", "无此测点", "--json"} << 1 << none << QStringLiteral("无此测点");
        QTest::newRow("no point named")
            << QStringList{"dwf", "--json"} << 2 << none << QStringLiteral("--point");
        QTest::newRow("response time of zero")
            << QStringList{"rdii", "--point", kSurveyPoint, "--response", "0"} << 2 << none
            << QStringLiteral("响应时间");
        QTest::newRow("coverage above one")
            << QStringList{"dwf", "--point", kSurveyPoint, "--min-coverage", "1.5"} << 2 << none
            << QStringLiteral("最低覆盖率");
        QTest::newRow("area no number") << QStringList{"rdii", "--point", kSurveyPoint, "--area", "abc"} << 2
                                        << none << QStringLiteral("--area");
    }
    void commandsGiveTheSurveysFigures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QVariantMap, expect);
        QFETCH(QString, errorPart);
        args.insert(1, m_index);
        const ToolRun r = lmvtool(args);
        QVERIFY2(r.exitCode == exitCode, qPrintable(QString("exit %1: %2").arg(r.exitCode).arg(r.err)));
        if (!errorPart.isEmpty())
            QVERIFY2(r.err.contains(errorPart), qPrintable(r.err));
        const QJsonObject out = QJsonDocument::fromJson(r.outBytes()).object();
        const double tol = expect.take("tol").toDouble();
        for (auto it = expect.cbegin(); it != expect.cend(); ++it) {
            const QJsonValue v = pick(out, it.key());
            if (!it.value().isValid())
                QVERIFY2(v.isNull(), qPrintable(it.key()));
            else if (it.value().type() == QVariant::String)
                QVERIFY2(v.toString().contains(it.value().toString()),
                         qPrintable(it.key() + ": " + v.toString()));
            else
                QVERIFY2(v.isDouble() && std::abs(v.toDouble() - it.value().toDouble()) <= tol,
                         qPrintable(it.key() + ": " + QString::number(v.toDouble())));
        }
    }

    // A shorter period and stricter thresholds only ever take dry days away.
    void periodAndThresholdsNarrowTheDryDays()
    {
        const auto dryDays = [this](const QStringList &extra) {
            const ToolRun r = lmvtool(QStringList{"dwf", m_index, "--point", kSurveyPoint, "--json"} + extra);
            QStringList days;
            for (const QJsonValue &d : QJsonDocument::fromJson(r.outBytes()).object()["dryDays"].toArray())
                days << d.toString();
            return days;
        };
        const QStringList all = dryDays({});
        QCOMPARE(all.size(), 28);
        const QStringList twoWeeks = dryDays({"--from", "2024-04-01", "--to", "2024-04-14"});
        const QStringList strict = dryDays({"--max-rain", "0.1", "--antecedent", "72"});
        QVERIFY(!twoWeeks.isEmpty() && twoWeeks.size() < all.size());
        QVERIFY(!strict.isEmpty() && strict.size() < all.size());
        for (const QString &d : twoWeeks)
            QVERIFY2(d >= "2024-04-01" && d <= "2024-04-14", qPrintable(d));
        for (const QString &d : strict)
            QVERIFY2(all.contains(d), qPrintable(d));
    }

    // Every storm's runoff ratio near the 0.12 the survey was made with; the largest is 04-30's.
    void rdiiOfTheSampleStorms()
    {
        const ToolRun r = lmvtool({"rdii", m_index, "--point", kSurveyPoint, "--area", "120", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray events = QJsonDocument::fromJson(r.outBytes()).object()["events"].toArray();
        QCOMPARE(events.size(), 7);
        double sum = 0.0, largest = 0.0;
        QString largestStart;
        for (const QJsonValue &v : events) {
            const QJsonObject e = v.toObject();
            const double ratio = e["runoffRatio"].toDouble();
            QVERIFY2(ratio > 0.10 && ratio < 0.15, qPrintable(e["start"].toString()));
            QVERIFY(e["rdiiVolumeM3"].toDouble() > 0.0 && e["peakRdii"].toDouble() > 0.0);
            sum += ratio;
            if (e["rdiiVolumeM3"].toDouble() > largest) {
                largest = e["rdiiVolumeM3"].toDouble();
                largestStart = e["start"].toString();
            }
        }
        QVERIFY(std::abs(sum / 7.0 - 0.121) < 0.002);
        QVERIFY2(largestStart.startsWith("2024-04-30"), qPrintable(largestStart));
    }

    // The CSV holds the figures, the profile of every slot, every day and every storm, as the
    // JSON gives them; a file that cannot be written fails the command and leaves nothing.
    void csvHoldsWhatTheJsonSays()
    {
        const QString csv = m_dir->filePath("dwf.csv");
        const ToolRun r =
            lmvtool({"dwf", m_index, "--point", kSurveyPoint, "--area", "120", "--csv", csv, "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(r.outBytes()).object();
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.endsWith("\r\n") && !text.contains(QRegularExpression("[^\r]\n")));
        const QStringList lines = text.split("\r\n");
        QCOMPARE(lines[0], "测点," + kSurveyPoint);
        QVERIFY(lines.contains("平均旱季流量ADWF(L/s)," + QString::number(json["adwf"].toDouble(), 'f', 3)));
        const int header = lines.indexOf(QRegularExpression("时刻,.*"));
        QVERIFY(header > 0);
        const QJsonArray weekday = json["weekday"].toArray();
        for (int slot : {0, 239, 719}) {
            const QStringList cells = lines[header + 1 + slot].split(',');
            QCOMPARE(
                cells[0],
                QString("%1:%2").arg(slot / 30, 2, 10, QChar('0')).arg(slot % 30 * 2, 2, 10, QChar('0')));
            QCOMPARE(cells[1], QString::number(weekday[slot].toDouble(), 'f', 3));
        }
        QCOMPARE(lines[header + 721], QString()); // 720 slots of 2 minutes, then the days
        QCOMPARE(lines.filter(QRegularExpression(",旱天$")).size(), 28);
        const QStringList storms =
            lines.filter(QRegularExpression("^2024-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,"));
        QCOMPARE(storms.size(), 7);
        for (const QString &storm : storms) {
            const double ratio = storm.split(',').last().toDouble();
            QVERIFY2(ratio > 0.10 && ratio < 0.15, qPrintable(storm));
        }

        const QString nowhere = m_dir->filePath("no/such/folder/dwf.csv");
        QCOMPARE(lmvtool({"dwf", m_index, "--point", kSurveyPoint, "--csv", nowhere}).exitCode, 1);
        QVERIFY(!QFile::exists(nowhere));
    }

    // The text form names the figures and the dry days.
    void textOutputNamesTheFigures()
    {
        const ToolRun r = lmvtool({"dwf", m_index, "--point", kSurveyPoint});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("旱天 28 天"));
        QVERIFY(r.out.contains("ADWF 82.7"));
        const ToolRun e = lmvtool({"rdii", m_index, "--point", kSurveyPoint});
        QCOMPARE(e.exitCode, 0);
        QCOMPARE(e.out.count("径流系数 -"), 7);
    }

    // Stored settings are read; options override them; nothing is written by reading.
    void storedSettingsAreReadAndOptionsOverride()
    {
        PointDwfSettings s;
        s.rdii.areaHa = 120.0;
        s.chosenDays = {dayNumber(2024, 3, 12), dayNumber(2024, 3, 13)};
        {
            ProjectDb db(m_db);
            QString error;
            QVERIFY2(s.save(db, kSurveyPoint, &error), qPrintable(error));
            QVERIFY2(s.save(db, kBarePoint, &error), qPrintable(error));
        }
        ToolRun r = lmvtool({"rdii", m_index, "--point", kSurveyPoint, "--json"});
        QCOMPARE(r.exitCode, 0);
        QJsonObject out = QJsonDocument::fromJson(r.outBytes()).object();
        const double stored = pick(out, "events.0.runoffRatio").toDouble();
        QVERIFY(stored > 0.10 && stored < 0.15);
        r = lmvtool({"rdii", m_index, "--point", kSurveyPoint, "--area", "240", "--json"});
        out = QJsonDocument::fromJson(r.outBytes()).object();
        QVERIFY(std::abs(pick(out, "events.0.runoffRatio").toDouble() - stored / 2.0) < 1e-9);

        // Without a gauge the ticked days stand in for the rain test.
        r = lmvtool({"dwf", m_index, "--point", kBarePoint, "--json"});
        QCOMPARE(r.exitCode, 0);
        out = QJsonDocument::fromJson(r.outBytes()).object();
        QVERIFY2(pick(out, "dryDays#").toDouble() >= 1.0, r.out.toUtf8());
        for (const QJsonValue &day : out["dryDays"].toArray())
            QVERIFY(day == QJsonValue("2024-03-12") || day == QJsonValue("2024-03-13"));
    }

    void readingNeverMakesTheDatabase()
    {
        QVERIFY(QFile::remove(m_db));
        const ToolRun r = lmvtool({"dwf", m_index, "--point", kSurveyPoint, "--json"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QJsonDocument::fromJson(r.outBytes())
                    .object()["notes"]
                    .toArray()
                    .contains("未指定雨量计:旱天按所选日期"));
        QVERIFY(!QFile::exists(m_db));
        QCOMPARE(lmvtool({"rdii", m_index, "--point", kSurveyPoint}).exitCode, 1);
        QVERIFY(!QFile::exists(m_db));
    }

    void damagedDatabaseIsRefused()
    {
        QFile f(m_db);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        const ToolRun r = lmvtool({"dwf", m_index, "--point", kSurveyPoint});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(".lmvdb"));
    }

    // Settings round trip, and what is refused before anything is written.
    void settingsRoundTripAndRefusals_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("antecedent 72 h") << dwfkey::antecedentHours << 72.0 << true;
        QTest::newRow("antecedent negative") << dwfkey::antecedentHours << -1.0 << false;
        QTest::newRow("rain limit zero") << dwfkey::maxRainMm << 0.0 << false;
        QTest::newRow("coverage 1") << dwfkey::minCoverage << 1.0 << true;
        QTest::newRow("coverage above 1") << dwfkey::minCoverage << 1.01 << false;
        QTest::newRow("fence NaN") << dwfkey::fenceIqr << std::nan("") << false;
        QTest::newRow("area 120 ha") << dwfkey::areaHa << 120.0 << true;
        QTest::newRow("response 241 h") << dwfkey::responseHours << 241.0 << false;
    }
    void settingsRoundTripAndRefusals()
    {
        QFETCH(QString, key);
        QFETCH(double, value);
        QFETCH(bool, accepted);
        QVERIFY(QFile::remove(m_db));
        PointDwfSettings s;
        s.dry.holidays = {dayNumber(2024, 5, 1), dayNumber(2024, 5, 2)};
        s.chosenDays = {dayNumber(2024, 4, 3)};
        const auto field = [&key](PointDwfSettings &p) -> double & {
            return key == dwfkey::antecedentHours ? p.dry.antecedentHours
                   : key == dwfkey::maxRainMm     ? p.dry.maxRainMm
                   : key == dwfkey::minCoverage   ? p.dry.minCoverage
                   : key == dwfkey::fenceIqr      ? p.dry.fenceIqr
                   : key == dwfkey::areaHa        ? p.rdii.areaHa
                                                  : p.rdii.responseHours;
        };
        field(s) = value;
        ProjectDb db(m_db);
        QString error;
        QCOMPARE(s.save(db, kSurveyPoint, &error), accepted);
        if (!accepted) {
            QVERIFY(!error.isEmpty());
            QVERIFY(!QFile::exists(m_db)); // refused before the file is made
            return;
        }
        QStringList problems;
        PointDwfSettings back = PointDwfSettings::load(db, kSurveyPoint, &problems);
        QVERIFY(problems.isEmpty());
        QCOMPARE(db.textSetting(kSurveyPoint, dwfkey::holidays),
                 std::optional<QString>("2024-05-01,2024-05-02"));
        QCOMPARE(back.dry.holidays, s.dry.holidays);
        QCOMPARE(back.chosenDays, s.chosenDays);
        QCOMPARE(field(back), value);
        // A row damaged outside the program reads as the default, said so.
        QVERIFY(db.setTextSetting(kSurveyPoint, key, "many"));
        QVERIFY(db.setTextSetting(kSurveyPoint, dwfkey::holidays, "2024-13-01"));
        PointDwfSettings damaged = PointDwfSettings::load(db, kSurveyPoint, &problems);
        QCOMPARE(problems.size(), 2);
        QCOMPARE(damaged.dry.holidays, std::vector<qint64>{});
        PointDwfSettings defaults;
        QCOMPARE(field(damaged), field(defaults));
    }
};

QTEST_GUILESS_MAIN(TestLmvtoolDwf)
#include "test_lmvtool_dwf.moc"
