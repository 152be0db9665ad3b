// The assembled survey report and the model files of the sample eight-week survey: the daily
// table's numbers come back out of the PDF as `lmvtool survey --json` gives them, every section is
// there, a SWMM time series reads back to the records, and a cancelled or refused report leaves
// no file.

#include "../data/ToolRun.h"
#include "report/SurveyReport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace lmv::report;

namespace {

const QString kPoint = QStringLiteral("人民路5号井");
const QString kFrom = QStringLiteral("2024-04-01");
const QString kTo = QStringLiteral("2024-04-21");

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

// A SWMM time series file read as its documentation describes it: ';' starts a comment, a data
// line is "[name] date time value" with the date as MM/DD/YYYY and the time as HH:MM[:SS].
struct SwmmSeries
{
    QVector<qint64> times;
    QVector<double> values;
    QStringList comments;
    int badLines = 0;
};

SwmmSeries readSwmmSeries(const QByteArray &bytes)
{
    SwmmSeries s;
    for (const QString &raw : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char(';'))) {
            s.comments << line;
            continue;
        }
        const QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")));
        const QDate date = QDate::fromString(f.value(f.size() - 3), QStringLiteral("MM/dd/yyyy"));
        const QString clock = f.value(f.size() - 2);
        const QTime time = QTime::fromString(
            clock, clock.count(QLatin1Char(':')) == 2 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        bool ok = false;
        const double v = f.value(f.size() - 1).toDouble(&ok);
        if (f.size() < 3 || !date.isValid() || !time.isValid() || !ok) {
            ++s.badLines;
            continue;
        }
        s.times << QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
        s.values << v;
    }
    return s;
}

} // namespace

class TestReportAssembly : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reportCarriesTheDailyTable();
    void swmmSeriesReadsBack();
    void cancelledOrRefusedLeavesNoFile();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

void TestReportAssembly::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString from = QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网");
    QDir src(from);
    QVERIFY(src.exists());
    // A copy of the project: nothing of the sample store is touched.
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = m_dir.filePath(src.relativeFilePath(path));
        QDir().mkpath(QFileInfo(target).path());
        QVERIFY(QFile::copy(path, target));
    }
    m_index = m_dir.filePath(QStringLiteral("城东排水管网.lmvprj"));
}

// Every day of three weeks as the PDF prints it, against the survey's own JSON at the printed
// precision; every section heading; the weekly and whole-period volumes.
void TestReportAssembly::reportCarriesTheDailyTable()
{
    const QString pdf = m_dir.filePath(QStringLiteral("point.pdf"));
    const ToolRun made =
        lmvtool({QStringLiteral("report"), m_index, QStringLiteral("--point"), kPoint,
                 QStringLiteral("--from"), kFrom, QStringLiteral("--to"), kTo, QStringLiteral("--slope"),
                 QStringLiteral("2"), QStringLiteral("--out"), pdf});
    QCOMPARE(made.exitCode, 0);
    const ToolRun survey =
        lmvtool({QStringLiteral("survey"), m_index, QStringLiteral("--point"), kPoint,
                 QStringLiteral("--from"), kFrom, QStringLiteral("--to"), kTo, QStringLiteral("--json")});
    QCOMPARE(survey.exitCode, 0);
    const ToolRun text =
        runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QCOMPARE(text.exitCode, 0);

    for (const char *heading :
         {"测点概况", "逐日流量表", "过程线", "散点图", "降雨与暴雨事件", "旱季流量", "数据质量"})
        QVERIFY2(text.out.contains(QString::fromUtf8(heading)), heading);
    QVERIFY(text.out.contains(QStringLiteral("城东排水管网")));
    QVERIFY(text.out.contains(QStringLiteral("Limnova Viewer " LMV_VERSION_TEXT)));

    QHash<QString, QStringList> printed; // first cell → the row's cells
    for (const QString &line : text.out.split(QLatin1Char('\n'))) {
        const QStringList cells = line.trimmed().split(QRegularExpression(QStringLiteral("\\s+")));
        // Table rows only: a label, then a number (the time axes' dates are passed over).
        if (cells.size() > 1 &&
            QRegularExpression(QStringLiteral("^-?\\d+\\.\\d+$")).match(cells[1]).hasMatch())
            printed.insert(cells.first(), cells);
    }
    const QJsonObject point = QJsonDocument::fromJson(survey.outBytes())["points"][0].toObject();
    const QJsonArray days = point["days"].toArray();
    QCOMPARE(days.size(), 21);
    for (const QJsonValue &v : days) {
        const QJsonObject d = v.toObject();
        const QString date = d["date"].toString();
        const QStringList row = printed.value(date);
        // date, mean, min, time, peak, time, volume, coverage %, rain
        QVERIFY2(row.size() == 9, qPrintable(date + QLatin1Char(' ') + row.join(QLatin1Char(' '))));
        QCOMPARE(row[1], number(d["meanFlow"].toDouble(), 2));
        QCOMPARE(row[2], number(d["minFlow"].toDouble(), 2));
        QCOMPARE(row[4], number(d["maxFlow"].toDouble(), 2));
        QCOMPARE(row[6], number(d["volumeM3"].toDouble(), 1));
        QCOMPARE(row[7], number(d["coverage"].toDouble() * 100.0, 1));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d$")).match(row[3]).hasMatch());
    }
    const QJsonArray weeks = point["weeks"].toArray();
    QCOMPARE(weeks.size(), 3);
    for (int w = 0; w < weeks.size(); ++w)
        QCOMPARE(printed.value(QStringLiteral("第%1周合计").arg(w + 1)).value(4),
                 number(weeks[w]["volumeM3"].toDouble(), 1));
    QCOMPARE(printed.value(QStringLiteral("全时段")).value(4), number(point["totalVolumeM3"].toDouble(), 1));
}

// The SWMM flow series has a record per line with the records' times and the values the
// fixed-step CSV gives at those times; the rain file has the gauge's form.
void TestReportAssembly::swmmSeriesReadsBack()
{
    const QString swmm = m_dir.filePath(QStringLiteral("flow.dat"));
    const QString csv = m_dir.filePath(QStringLiteral("flow.csv"));
    const QString rain = m_dir.filePath(QStringLiteral("rain.dat"));
    const QStringList common = {m_index,
                                QStringLiteral("--point"),
                                kPoint,
                                QStringLiteral("--from"),
                                QStringLiteral("2024-04-02"),
                                QStringLiteral("--to"),
                                QStringLiteral("2024-04-03")};
    QCOMPARE(lmvtool(QStringList{QStringLiteral("export-model")} + common +
                     QStringList{QStringLiteral("--format"), QStringLiteral("swmm-series"),
                                 QStringLiteral("--out"), swmm})
                 .exitCode,
             0);
    QCOMPARE(lmvtool(QStringList{QStringLiteral("export-model")} + common +
                     QStringList{QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--step"),
                                 QStringLiteral("2"), QStringLiteral("--out"), csv})
                 .exitCode,
             0);
    QCOMPARE(lmvtool(QStringList{QStringLiteral("export-model")} + common +
                     QStringList{QStringLiteral("--format"), QStringLiteral("swmm-rain"),
                                 QStringLiteral("--out"), rain})
                 .exitCode,
             0);
    QFile f(swmm);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const SwmmSeries series = readSwmmSeries(f.readAll());
    QCOMPARE(series.badLines, 0);
    QVERIFY(series.comments.join(QLatin1Char(' ')).contains(kPoint));
    // Two days at 2 min.
    QCOMPARE(series.times.size(), 2 * 720);
    const qint64 start = QDateTime(QDate(2024, 4, 2), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    QCOMPARE(series.times.first(), start);
    QCOMPARE(series.times.last(), start + 2 * 86400 - 120);

    QFile c(csv);
    QVERIFY(c.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(c.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), series.times.size() + 1);
    const int flowColumn = rows.first().split(QLatin1Char(',')).indexOf(QStringLiteral("flow_lps"));
    QVERIFY(flowColumn > 0);
    for (int i = 0; i < series.times.size(); ++i) {
        const QStringList cells = rows[i + 1].split(QLatin1Char(','));
        QCOMPARE(cells.last(), QStringLiteral("raw"));
        QVERIFY(std::abs(cells[flowColumn].toDouble() - series.values[i]) < 0.006);
    }

    QFile r(rain);
    QVERIFY(r.open(QIODevice::ReadOnly));
    int wet = 0;
    double depth = 0.0;
    for (const QString &line : QString::fromUtf8(r.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char(';')))
            continue;
        const QStringList f6 = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(f6.size(), 7);
        QCOMPARE(f6[1], QStringLiteral("2024"));
        ++wet;
        depth += f6[6].toDouble();
    }
    // The day-3 storm of the daily table (16.4 mm); the report rounds to 0.1 mm.
    QVERIFY(wet > 0);
    QCOMPARE(number(depth, 1), QStringLiteral("16.4"));
}

// A cancel at any point leaves no file and keeps an older one; a point the project does not
// have is refused before anything is written.
void TestReportAssembly::cancelledOrRefusedLeavesNoFile()
{
    const QString path = m_dir.filePath(QStringLiteral("cancel.pdf"));
    for (int cancelAt : {0, 45, 80}) {
        SurveyReportRequest request;
        request.indexPath = m_index;
        request.points = QStringList{kPoint};
        request.period.from = QDateTime(QDate(2024, 4, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
        request.period.to = request.period.from.value() + 7 * 86400;
        int last = -1;
        SurveyReportCallbacks callbacks;
        callbacks.progress = [&](int percent, const QString &) {
            QVERIFY(percent >= last);
            last = percent;
        };
        callbacks.cancelled = [&] { return last >= cancelAt; };
        const SurveyReportResult result = writeSurveyReport(request, path, callbacks);
        QCOMPARE(result.outcome, WriteOutcome::Cancelled);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("cancel*")}, QDir::Files).size(), 0);
    }
    QFile older(path);
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();
    SurveyReportRequest request;
    request.indexPath = m_index;
    request.points = QStringList{QStringLiteral("没有这个测点")};
    const SurveyReportResult refused = writeSurveyReport(request, path);
    QCOMPARE(refused.outcome, WriteOutcome::Failed);
    QVERIFY(refused.error.contains(QStringLiteral("没有这个测点")));
    QVERIFY(older.open(QIODevice::ReadOnly));
    QCOMPARE(older.readAll(), QByteArray("older"));
}

QTEST_MAIN(TestReportAssembly)
#include "test_report_assembly.moc"
