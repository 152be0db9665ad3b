// The report's PDF: text that comes back out of the file (pdftotext, pdffonts from poppler-utils)
// with every heading, digit and letter, tables continued under their header row, no file left
// by a cancelled or failed run, and the hydrograph page drawn where it belongs.

#include "report/ReportDocument.h"
#include "report/ReportFont.h"
#include "report/ReportFormat.h"
#include "report/SurveyHydrograph.h"

#include <QApplication>
#include <QDateTime>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>

using namespace lmv;
using namespace lmv::report;
using namespace lmv::survey;

namespace {

const QStringList kSections = {"测点概况",       "逐日流量表", "过程线",  "散点图",
                               "降雨与暴雨事件", "旱季流量",   "数据质量"};
const QString kProject = QStringLiteral("城东排水管网");
const QString kPoint = QStringLiteral("建设路1号井 DN800");
const qint64 kStart = QDateTime(QDate(2019, 3, 11), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

// Runs a poppler tool and returns its standard output; fails the test when it cannot run.
QString poppler(const QString &tool, const QStringList &arguments)
{
    if (QStandardPaths::findExecutable(tool).isEmpty()) {
        qWarning("%s is missing (Debian package poppler-utils)", qPrintable(tool));
        return QString();
    }
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of pages [first, last] (all pages: 0, 0), runs of blanks made one space.
QString pdfText(const QString &path, int first = 0, int last = 0)
{
    QStringList args = {QStringLiteral("-layout")};
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l")
             << QString::number(last);
    args << path << QStringLiteral("-");
    QString text = poppler(QStringLiteral("pdftotext"), args);
    text.replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
    return text;
}

// A daily table of 60 days: date, code, mean and peak flow, volume.
ReportTable dailyTable()
{
    ReportTable table;
    table.header = QStringList{"日期", "代号", "平均流量(L/s)", "峰值流量(L/s)", "体积(m³)"};
    for (int d = 0; d < 60; ++d) {
        const double mean = 40.0 + 13.37 * std::sin(d * 0.7) + d * 0.011;
        table.rows.push_back({QDate(2019, 3, 11).addDays(d).toString(QStringLiteral("yyyy-MM-dd")),
                              QStringLiteral("Qx-%1%2").arg(QChar('a' + d % 26)).arg(d), flowText(mean),
                              flowText(mean * 2.3456), volumeText(mean * 86.4)});
    }
    table.rows.push_back({"合计", "ALL", "-", "-", volumeText(123456.789)});
    table.emphasised = {60};
    return table;
}

// Two days at 2 min: level, velocity and flow with a daily rhythm, and a storm on day two.
SurveyLayer twoDays()
{
    std::vector<qint64> t;
    std::vector<float> level, velocity, flow;
    for (int i = 0; i < 2 * 720; ++i) {
        const double phase = std::sin(i * 2 * M_PI / 720.0);
        t.push_back(kStart + i * 120);
        level.push_back(float(0.3 + 0.1 * phase));
        velocity.push_back(float(0.6 + 0.2 * phase));
        flow.push_back(float(50.0 + 20.0 * phase));
    }
    CalcParams calc;
    calc.recordInterval = 120;
    return makeRvaLayer(t, level, velocity, flow, {}, calc);
}

RainSeries storm()
{
    RainSeries rain;
    rain.intervalSeconds = 300;
    // A peaked storm of an hour at 12:00 on day two (5 min depths 0.5 .. 3 .. 0.5 mm).
    for (int k = 0; k < 12; ++k) {
        rain.times.push_back(kStart + 86400 + 12 * 3600 + (k + 1) * 300);
        rain.depthMm.push_back(0.5 + 2.5 * (1.0 - std::abs(k - 5.5) / 5.5));
    }
    return rain;
}

struct ColourSpread
{
    int count = 0;
    double meanX = 0.0;
    double meanY = 0.0;
    int top = 1 << 30;
    int bottom = -1;
};

ColourSpread spreadOf(const QImage &image, QRgb colour)
{
    ColourSpread s;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) {
                ++s.count;
                s.meanX += x;
                s.meanY += y;
                s.top = std::min(s.top, y);
                s.bottom = std::max(s.bottom, y);
            }
    if (s.count > 0) {
        s.meanX /= s.count;
        s.meanY /= s.count;
    }
    return s;
}

} // namespace

class TestReportPdf : public QObject
{
    Q_OBJECT

private slots:
    void reportFontIsTheChosenFace()
    {
        QString error;
        QCOMPARE(reportFontFamily(&error), QString::fromLatin1(kReportFontFamily));
        QVERIFY(error.isEmpty());
        QCOMPARE(QFontInfo(reportFont(10)).family(), QString::fromLatin1(kReportFontFamily));
    }

    // Every heading, name, number and letter of a multi-page document comes back out of it,
    // the table's header row stands on every page it runs over, every page carries the running
    // header and its number, and the only font in the file is the embedded report font.
    void documentTextSurvivesExtraction()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("报告.pdf"));
        ReportDocument doc;
        doc.setTitle(QStringLiteral("测试报告"));
        doc.setRunningHeader(kProject, kPoint);
        const ReportTable table = dailyTable();
        const QVector<QPair<QString, QString>> site = {{"管道", "圆管 DN800, 坡度 0.0025"},
                                                       {"淤积", "35 mm (估计 41 mm, 可信度 B)"},
                                                       {"流域面积", "12.50 ha"}};
        const SurveyLayer layer = twoDays();
        const RainSeries rain = storm();
        for (int s = 0; s < kSections.size(); ++s) {
            doc.addHeading(kSections[s]);
            if (s == 0)
                doc.addKeyValues(site);
            if (s == 1)
                doc.addTable(table);
            if (s == 2)
                doc.addPicture(
                    [&](QPainter *p, const QRectF &r) {
                        SurveyHydrographOptions o;
                        o.from = kStart;
                        o.to = kStart + 2 * 86400;
                        o.rain = &rain;
                        o.profile.slotSeconds = 3600;
                        o.profile.weekday.assign(24, 45.0);
                        o.profile.weekend.assign(24, 35.0);
                        paintSurveyHydrograph(p, r, layer, o, reportFont(8));
                    },
                    120.0);
            doc.addParagraph(QStringLiteral("第%1节: 平均流量 12.34 L/s, 体积 5076.1 m³, 记录 40320 条, "
                                            "时段 2019-03-11 00:00:00 至 2019-05-05 23:58:00 (ABCxyz).")
                                 .arg(s + 1));
        }
        QString error;
        QCOMPARE(doc.write(path, &error), WriteOutcome::Written);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const int pages = doc.pageCount();
        // A copy to look at: LMV_REPORT_PDF_OUT=/some/file.pdf
        if (const QString keep = qEnvironmentVariable("LMV_REPORT_PDF_OUT"); !keep.isEmpty()) {
            QFile::remove(keep);
            QFile::copy(path, keep);
        }
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));

        const QString all = pdfText(path);
        QVERIFY2(!all.isEmpty(), "pdftotext gave nothing (poppler-utils missing?)");
        for (const QString &heading : kSections)
            QVERIFY2(all.contains(heading), qPrintable(heading));
        for (const auto &[key, value] : site)
            QVERIFY2(all.contains(key + QLatin1Char(' ') + value), qPrintable(key));
        for (const QStringList &row : table.rows)
            QVERIFY2(all.contains(row.join(QLatin1Char(' '))), qPrintable(row.join(QLatin1Char(' '))));
        for (int s = 1; s <= kSections.size(); ++s)
            QVERIFY(
                all.contains(QStringLiteral("第%1节: 平均流量 12.34 L/s, 体积 5076.1 m³, 记录 40320 条, 时段 "
                                            "2019-03-11 00:00:00 至 2019-05-05 23:58:00 (ABCxyz).")
                                 .arg(s)));
        // The hydrograph's axis titles are text of the page too.
        QVERIFY(all.contains(QStringLiteral("流量(L/s)")));
        QVERIFY(all.contains(QStringLiteral("虚线: 旱季流量曲线")));

        int pagesWithRows = 0;
        for (int page = 1; page <= pages; ++page) {
            const QString text = pdfText(path, page, page);
            QVERIFY2(text.contains(kProject) && text.contains(kPoint), qPrintable(QString::number(page)));
            // The layout mode drops the blanks between Chinese and digits.
            QVERIFY(QString(text)
                        .remove(QLatin1Char(' '))
                        .contains(QStringLiteral("第%1页/共%2页").arg(page).arg(pages)));
            const bool rows = text.contains(QStringLiteral("Qx-"));
            pagesWithRows += rows;
            if (rows)
                QVERIFY2(text.contains(table.header.join(QLatin1Char(' '))),
                         qPrintable(QString::number(page)));
        }
        QVERIFY(pagesWithRows >= 2);

        const QStringList fonts =
            poppler(QStringLiteral("pdffonts"), {path}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &font : fonts) {
            QVERIFY2(font.startsWith(QStringLiteral("WenQuanYiMicroHei")), qPrintable(font));
            QVERIFY2(font.contains(QRegularExpression(QStringLiteral("Identity-H +yes +(yes|no) +yes"))),
                     qPrintable(font)); // embedded, with a text map
        }
    }

    void interruptedRunLeavesNoFile_data()
    {
        QTest::addColumn<int>("cancelAtPage"); // 0: never
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<int>("outcome");
        QTest::newRow("cancelled before the first page") << 1 << false << int(WriteOutcome::Cancelled);
        QTest::newRow("cancelled on the third page") << 3 << false << int(WriteOutcome::Cancelled);
        QTest::newRow("folder not there") << 0 << true << int(WriteOutcome::Failed);
    }
    // An older report of the same name stays as it was; the new one never appears under its
    // name while pages are being written, and nothing else is left in the folder.
    void interruptedRunLeavesNoFile()
    {
        QFETCH(int, cancelAtPage);
        QFETCH(bool, unwritable);
        QFETCH(int, outcome);
        QTemporaryDir dir;
        const QString path =
            unwritable ? dir.filePath(QStringLiteral("missing/r.pdf")) : dir.filePath("r.pdf");
        if (!unwritable) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("older report");
        }
        ReportDocument doc;
        for (int i = 0; i < 4; ++i) {
            doc.addHeading(kSections[i]);
            doc.addParagraph(QStringLiteral("第%1页").arg(i + 1));
            doc.addPageBreak();
        }
        int asked = 0;
        bool visibleMeanwhile = false;
        doc.setCancelCheck([&] {
            ++asked;
            QFile f(path);
            visibleMeanwhile |= f.open(QIODevice::ReadOnly) && f.readAll() != "older report";
            return asked == cancelAtPage;
        });
        QString error;
        QCOMPARE(int(doc.write(path, &error)), outcome);
        QVERIFY(!visibleMeanwhile);
        QCOMPARE(error.isEmpty(), outcome == int(WriteOutcome::Cancelled));
        if (unwritable) {
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
            return;
        }
        QCOMPARE(asked, cancelAtPage);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"r.pdf"}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("older report"));
    }

    // Whatever room a page has left, a heading never stands alone at its foot: it goes with the
    // table's header row and first row.
    void headingStaysWithWhatFollows()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("k.pdf"));
        ReportTable table;
        table.header = QStringList{"日期", "体积(m³)"};
        table.rows = {{"Qx-first", "1.0"}, {"Qx-second", "2.0"}};
        int headingAlone = 0;
        for (qreal filler = 215.0; filler <= 250.0; filler += 2.5) {
            ReportDocument doc;
            doc.addPicture([](QPainter *, const QRectF &) {}, filler);
            doc.addHeading(kSections[1]);
            doc.addTable(table);
            QCOMPARE(doc.write(path), WriteOutcome::Written);
            for (int page = 1; page <= doc.pageCount(); ++page) {
                const QString text = pdfText(path, page, page);
                if (text.contains(kSections[1]) != text.contains(QStringLiteral("Qx-first")))
                    ++headingAlone;
            }
        }
        QCOMPARE(headingAlone, 0);
    }

    // A picture without a height takes the rest of the page, or a whole new page when less than
    // a third is left; a taller one than the page is cut to the page.
    void pictureTakesTheRestOfThePage_data()
    {
        QTest::addColumn<qreal>("before"); // mm of picture before it
        QTest::addColumn<qreal>("height"); // asked for; 0: the rest
        QTest::addColumn<int>("page");
        QTest::addColumn<qreal>("top"); // mm from the page's top edge
        QTest::addColumn<qreal>("expectedHeight");
        // A4 is 297 mm high; the content runs from 22 mm to 277 mm (255 mm); pictures are
        // followed by 2.5 mm.
        QTest::newRow("rest of the first page") << 100.0 << 0.0 << 1 << 124.5 << 152.5;
        QTest::newRow("less than a third left") << 180.0 << 0.0 << 2 << 22.0 << 255.0;
        QTest::newRow("fits") << 100.0 << 150.0 << 1 << 124.5 << 150.0;
        QTest::newRow("does not fit") << 100.0 << 160.0 << 2 << 22.0 << 160.0;
        QTest::newRow("taller than a page") << 0.0 << 400.0 << 1 << 22.0 << 255.0;
    }
    void pictureTakesTheRestOfThePage()
    {
        QFETCH(qreal, before);
        QFETCH(qreal, height);
        QFETCH(int, page);
        QFETCH(qreal, top);
        QFETCH(qreal, expectedHeight);
        QTemporaryDir dir;
        ReportDocument doc;
        if (before > 0)
            doc.addPicture([](QPainter *, const QRectF &) {}, before);
        int pagesDone = 0;
        int paintedOn = 0;
        QRectF painted;
        doc.setProgress([&](int done, int) { pagesDone = done; });
        doc.addPicture(
            [&](QPainter *, const QRectF &r) {
                painted = r;
                paintedOn = pagesDone + 1;
            },
            height);
        QCOMPARE(doc.write(dir.filePath(QStringLiteral("p.pdf"))), WriteOutcome::Written);
        const qreal mm = ReportStyle().resolution / 25.4;
        QCOMPARE(paintedOn, page);
        QVERIFY2(std::abs(painted.top() / mm - top) < 0.1, qPrintable(QString::number(painted.top() / mm)));
        QVERIFY2(std::abs(painted.height() / mm - expectedHeight) < 0.1,
                 qPrintable(QString::number(painted.height() / mm)));
        QVERIFY2(std::abs(painted.width() / mm - (210.0 - 18.0 - 16.0)) < 0.3,
                 qPrintable(QString::number(painted.width() / mm)));
    }

    // The hyetograph stands above level, velocity and flow, its bars hanging from one top line
    // over the storm's time in the middle of the range; without rain there are no bars.
    void hydrographPageStacksRainAboveTheSeries()
    {
        const SurveyLayer layer = twoDays();
        const RainSeries rain = storm();
        auto render = [&](const RainSeries *r) {
            QImage image(900, 1200, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            SurveyHydrographOptions o;
            o.from = kStart;
            o.to = kStart + 2 * 86400;
            o.rain = r;
            paintSurveyHydrograph(&painter, QRectF(0, 0, 900, 1200), layer, o, reportFont(9));
            return image;
        };
        const QImage image = render(&rain);
        const ColourSpread bars = spreadOf(image, qRgb(40, 110, 200));
        const ColourSpread level = spreadOf(image, qRgb(0, 90, 200));
        const ColourSpread velocity = spreadOf(image, qRgb(200, 60, 0));
        const ColourSpread flow = spreadOf(image, qRgb(0, 140, 60));
        QVERIFY(bars.count > 0 && level.count > 0 && velocity.count > 0 && flow.count > 0);
        QVERIFY(bars.bottom < level.top);
        QVERIFY(level.meanY < velocity.meanY && velocity.meanY < flow.meanY);
        // 12:30 on day two is 3/4 of the range; the canvas spans most of the width.
        QVERIFY2(std::abs(bars.meanX - 0.75 * 900) < 0.1 * 900, qPrintable(QString::number(bars.meanX)));
        // Every bar starts on the same top line; the deepest bar reaches further down than the first.
        QList<int> tops;
        QList<int> bottoms;
        for (int x = 0; x < image.width(); ++x) {
            int top = -1, bottom = -1;
            for (int y = 0; y <= bars.bottom; ++y)
                if ((image.pixel(x, y) & 0xffffff) == 0x286ec8) {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
            if (top >= 0) {
                tops << top;
                bottoms << bottom;
            }
        }
        QVERIFY(!tops.isEmpty());
        QCOMPARE(*std::min_element(tops.begin(), tops.end()), *std::max_element(tops.begin(), tops.end()));
        QVERIFY(*std::max_element(bottoms.begin(), bottoms.end()) > bottoms.first() + 20);

        QCOMPARE(spreadOf(render(nullptr), qRgb(40, 110, 200)).count, 0);
    }

    // The plotted records: those in the range and one beyond each end, removed ones left out.
    void plotDataTakesTheRangeAndOneRecordBeyond()
    {
        SurveyLayer layer = twoDays();
        layer.flags.assign(layer.times.size(), FlagRaw);
        layer.flags[11] = FlagRemoved;
        const auto data = surveyPlotData(layer, kStart + 10 * 120, kStart + 20 * 120);
        QCOMPARE(int(data->times.size()), 12); // records 9 .. 21 without 11
        QCOMPARE(data->times.front(), kStart + 9 * 120);
        QCOMPARE(data->times.back(), kStart + 21 * 120);
        QVERIFY(std::find(data->times.begin(), data->times.end(), kStart + 11 * 120) == data->times.end());
        QCOMPARE(data->series.size(), std::size_t(3));
        QCOMPARE(data->series[2].values[0], layer.correctedFlow(9));
        QCOMPARE(data->gaps.size(), 0); // a single removed record is no gap
    }
};

QTEST_MAIN(TestReportPdf)
#include "test_report_pdf.moc"
