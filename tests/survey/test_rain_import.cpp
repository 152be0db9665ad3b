#include "data/SurveyCheck.h"
#include "survey/RainImport.h"
#include "survey/RainTimePattern.h"

#include <QTextCodec>
#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

Q_DECLARE_METATYPE(lmv::survey::RainImportMapping)

namespace {

QByteArray gbk(const QString &text)
{
    return QTextCodec::codecForName("GBK")->fromUnicode(text);
}

// "05-01 00:05:00 0.2, ..." : every entry of a series, year left out.
QString entries(const RainSeries &s)
{
    QStringList out;
    for (std::size_t i = 0; i < s.times.size(); ++i)
        out << clockText(s.times[i]).mid(5) + QLatin1Char(' ') + QString::number(s.depthMm[i]);
    return out.join(QStringLiteral(", "));
}

QString spans(const RainSeries &s)
{
    QStringList out;
    for (const TimeSpan &span : s.covered)
        out << clockText(span.start).mid(5) + QStringLiteral("..") + clockText(span.end).mid(5);
    return out.join(QStringLiteral(", "));
}

QString badRows(const RainImportResult &r)
{
    QStringList out;
    for (const RainBadRow &row : r.badRows)
        out << QStringLiteral("%1:%2").arg(row.line).arg(rainRowProblemText(row.problem));
    return out.join(QStringLiteral(", "));
}

// n one-minute rows from 2024-05-01 00:01, each 0.1 mm, as "yyyy-MM-dd HH:mm,value" lines.
QByteArray minuteRows(int n)
{
    QByteArray out;
    for (int i = 1; i <= n; ++i)
        out += QStringLiteral("2024-05-01 %1:%2,0.1\n")
                   .arg(i / 60, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .toLatin1();
    return out;
}

// The rows with line `line` (from 1) replaced.
QByteArray withLine(const QByteArray &rows, int line, const QByteArray &text)
{
    QList<QByteArray> lines = rows.split('\n');
    lines[line - 1] = text;
    return lines.join('\n');
}

} // namespace

class TestRainImport : public QObject
{
    Q_OBJECT

private slots:
    void timePatternsReadRealTimesOnly_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // empty: not read
        QTest::newRow("seconds optional, left out")
            << kRainTimeIso << QByteArray("2024-05-01 07:05") << "2024-05-01 07:05:00";
        QTest::newRow("seconds optional, given")
            << kRainTimeIso << QByteArray("2024-05-01 07:05:09") << "2024-05-01 07:05:09";
        QTest::newRow("T between date and time")
            << kRainTimeIso << QByteArray("2024-05-01T07:05") << "2024-05-01 07:05:00";
        QTest::newRow("half an optional part") << kRainTimeIso << QByteArray("2024-05-01 07:05:") << "";
        QTest::newRow("one-digit fields")
            << kRainTimeSlash << QByteArray("2024/5/1 7:05") << "2024-05-01 07:05:00";
        QTest::newRow("day first") << kRainTimeDayFirst << QByteArray("13/05/2024 23:59")
                                   << "2024-05-13 23:59:00";
        QTest::newRow("leap day") << kRainTimeDayFirst << QByteArray("29/02/2024 00:00")
                                  << "2024-02-29 00:00:00";
        QTest::newRow("no leap day 2100") << kRainTimeDayFirst << QByteArray("29/02/2100 00:00") << "";
        QTest::newRow("31 April") << kRainTimeIso << QByteArray("2024-04-31 00:00") << "";
        QTest::newRow("month 13") << kRainTimeIso << QByteArray("2024-13-01 00:00") << "";
        QTest::newRow("24:00 closes the day")
            << kRainTimeIso << QByteArray("2024-12-31 24:00") << "2025-01-01 00:00:00";
        QTest::newRow("24:01") << kRainTimeIso << QByteArray("2024-12-31 24:01") << "";
        QTest::newRow("year out of range") << kRainTimeIso << QByteArray("1899-12-31 23:00") << "";
        QTest::newRow("trailing text") << kRainTimeIso << QByteArray("2024-05-01 07:05 x") << "";
        QTest::newRow("Chinese literals")
            << "yyyy年M月d日 H时m分" << QByteArray("2024年5月1日 7时5分") << "2024-05-01 07:05:00";
        QTest::newRow("quoted text, fraction")
            << "dd.MM.yy 'um' HH:mm:ss.zzz" << QByteArray("01.05.24 um 07:05:09.250")
            << "2024-05-01 07:05:09";
        QTest::newRow("compact") << "yyyyMMddHHmm" << QByteArray("202405010705") << "2024-05-01 07:05:00";
    }
    void timePatternsReadRealTimesOnly()
    {
        QFETCH(QString, pattern);
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QString error;
        const RainTimePattern p = RainTimePattern::compile(pattern, &error);
        QVERIFY2(p.isValid(), qPrintable(error));
        qint64 seconds = 0;
        const bool read = p.parse(std::string_view(text.constData(), std::size_t(text.size())), seconds);
        QCOMPARE(read, !expected.isEmpty());
        if (read)
            QCOMPARE(clockText(seconds), expected);
    }

    void patternsWithoutAWholeTimeAreRefused()
    {
        for (const char *bad :
             {"yyyy-MM-dd", "yyy-MM-dd HH:mm", "yyyy-MM-dd hh:mm", "yyyy-MM-dd [HH:mm", "'yyyy"}) {
            QString error;
            QVERIFY2(!RainTimePattern::compile(QString::fromUtf8(bad), &error).isValid(), bad);
            QVERIFY(!error.isEmpty());
            RainImportMapping m;
            m.timeFormat = QString::fromUtf8(bad);
            QVERIFY(importRain(minuteRows(3), m).refused());
        }
    }

    void formatsAndKindsGiveTheirSeries_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<RainImportMapping>("mapping");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<QString>("covered");
        QTest::addColumn<QString>("bad");

        QTest::newRow("interval, header, hole")
            << QByteArray("时间,雨量(mm)\r\n2024-05-01 00:05,0.2\r\n2024-05-01 00:10:00,0\r\n\r\n2024-05-01 "
                          "00:20,1.4\r\n")
            << RainImportMapping{.skipRows = 1} << "05-01 00:05:00 0.2, 05-01 00:10:00 0, 05-01 00:20:00 1.4"
            << qint64(300) << "05-01 00:00:00..05-01 00:10:00, 05-01 00:15:00..05-01 00:20:00"
            << "";
        QTest::newRow("GBK header, semicolons, decimal comma")
            << gbk(QStringLiteral("日期;雨量\n2024/5/1 0:05;0,2\n2024/5/1 0:10;0,4\n"))
            << RainImportMapping{.timeFormat = kRainTimeSlash, .decimalComma = true, .skipRows = 1}
            << "05-01 00:05:00 0.2, 05-01 00:10:00 0.4" << qint64(300) << "05-01 00:00:00..05-01 00:10:00"
            << "";
        QTest::newRow("tabs, day first, across midnight")
            << QByteArray("31/05/2024 23:55\t0.5\n01/06/2024 00:00\t1.0\n01/06/2024 00:05\t\"0.25\"\n")
            << RainImportMapping{.timeFormat = kRainTimeDayFirst}
            << "05-31 23:55:00 0.5, 06-01 00:00:00 1, 06-01 00:05:00 0.25" << qint64(300)
            << "05-31 23:50:00..06-01 00:05:00"
            << "";
        QTest::newRow("BOM, blanks, time over two fields after the value")
            << QByteArray("\xef\xbb\xbf"
                          "0.2  2024年5月1日 0时15分\n1.5  2024年5月1日 0时30分\n")
            << RainImportMapping{.timeColumn = 2,
                                 .valueColumn = 1,
                                 .timeFormat = "yyyy年M月d日 H时m分",
                                 .separator = ' '}
            << "05-01 00:15:00 0.2, 05-01 00:30:00 1.5" << qint64(900) << "05-01 00:00:00..05-01 00:30:00"
            << "";
        QTest::newRow("UTF-16 with carriage returns only")
            << QByteArray("\xff\xfe") +
                   QTextCodec::codecForName("UTF-16LE")
                       ->fromUnicode(QStringLiteral("2024-05-01 00:05;0.2\r2024-05-01 00:10;0.4\r"))
            << RainImportMapping{} << "05-01 00:05:00 0.2, 05-01 00:10:00 0.4" << qint64(300)
            << "05-01 00:00:00..05-01 00:10:00"
            << "";
        QTest::newRow("24:00 ends the day")
            << QByteArray("2024-05-01 23:00,1\n2024-05-01 24:00,2\n2024-05-02 01:00,3\n")
            << RainImportMapping{} << "05-01 23:00:00 1, 05-02 00:00:00 2, 05-02 01:00:00 3" << qint64(3600)
            << "05-01 22:00:00..05-02 01:00:00"
            << "";
        QTest::newRow("running total, reset, fall back")
            << QByteArray(
                   "2024-05-01 00:01,10.0\n2024-05-01 00:02,10.2\n2024-05-01 00:03,10.6\n2024-05-01 "
                   "00:04,10.1\n"
                   "2024-05-01 00:05,10.8\n2024-05-01 00:06,0.2\n2024-05-01 00:07,0.2\n2024-05-01 00:08,0.3\n"
                   "2024-05-01 00:09,0.3\n2024-05-01 00:10,0.3\n2024-05-01 00:11,0.3\n")
            << RainImportMapping{.kind = RainKind::Cumulative}
            << "05-01 00:02:00 0.2, 05-01 00:03:00 0.4, 05-01 00:05:00 0.2, 05-01 00:06:00 0.2, 05-01 "
               "00:07:00 0, "
               "05-01 00:08:00 0.1, 05-01 00:09:00 0, 05-01 00:10:00 0, 05-01 00:11:00 0"
            << qint64(60) << "05-01 00:01:00..05-01 00:11:00"
            << "4:累计雨量倒退";
        QTest::newRow("running total over a hole")
            << QByteArray(
                   "2024-05-01 00:01,1.0\n2024-05-01 00:02,1.5\n2024-05-01 00:03,1.5\n2024-05-01 02:00,9.5\n"
                   "2024-05-01 02:01,9.7\n2024-05-01 02:02,9.7\n")
            << RainImportMapping{.kind = RainKind::Cumulative}
            << "05-01 00:02:00 0.5, 05-01 00:03:00 0, 05-01 02:01:00 0.2, 05-01 02:02:00 0" << qint64(60)
            << "05-01 00:01:00..05-01 00:03:00, 05-01 02:00:00..05-01 02:02:00"
            << "";
        QTest::newRow("tips, same second summed, too many")
            << QByteArray("2024-05-01 10:00:10\n2024-05-01 10:00:10\n2024-05-01 10:00:40\n" +
                          QByteArray("2024-05-01 10:01:00\n").repeated(5) + "2024-05-01 10:02:00\n" +
                          QByteArray("2024-05-01 10:03:00\n").repeated(4) + "2024-05-01 10:04:00\n")
            << RainImportMapping{.kind = RainKind::Tips, .bucketMm = 0.5}
            << "05-01 10:00:10 1, 05-01 10:00:40 0.5, 05-01 10:01:00 2, 05-01 10:02:00 0.5, 05-01 10:03:00 "
               "2, "
               "05-01 10:04:00 0.5"
            << qint64(0) << "05-01 10:00:09..05-01 10:04:00"
            << "8:同一秒内翻斗次数过多";
    }
    void formatsAndKindsGiveTheirSeries()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(RainImportMapping, mapping);
        QFETCH(QString, entries);
        QFETCH(qint64, interval);
        QFETCH(QString, covered);
        QFETCH(QString, bad);
        const RainImportResult r = importRain(bytes, mapping);
        QVERIFY2(!r.refused(), qPrintable(r.error));
        QCOMPARE(::entries(r.series), entries);
        QCOMPARE(r.series.intervalSeconds, interval);
        QCOMPARE(spans(r.series), covered);
        QCOMPARE(badRows(r), bad);
        QCOMPARE(r.rowsRead + qsizetype(r.badRows.size()), r.dataRows);
    }

    void holesInRunningTotalsAreReportedApart()
    {
        const QByteArray bytes(
            "2024-05-01 00:01,1.0\n2024-05-01 00:02,1.5\n2024-05-01 02:00,9.5\n2024-05-01 02:01,9.7\n");
        const RainImportResult r = importRain(bytes, RainImportMapping{.kind = RainKind::Cumulative});
        QCOMPARE(r.holes, qsizetype(1));
        QCOMPARE(r.holeDepthMm, 8.0);
    }

    // Bad rows are listed by line and left out; more than a tenth of them refuses the file.
    void badRowsAreListedAndTooManyRefuse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<bool>("refused");
        const QByteArray rows = minuteRows(20);
        QTest::newRow("repeated and earlier time")
            << withLine(withLine(rows, 5, "2024-05-01 00:04,0.1"), 9, "2024-05-01 00:02,0.1")
            << "5:时间与上一行相同, 9:时间早于上一行" << false;
        QTest::newRow("negative and huge for one minute")
            << withLine(withLine(rows, 3, "2024-05-01 00:03,-0.2"), 7, "2024-05-01 00:07,40")
            << "3:数值为负, 7:数值过大，超出可能的降雨" << false;
        QTest::newRow("no value and no number")
            << withLine(withLine(rows, 2, "2024-05-01 00:02,"), 4, "2024-05-01 00:04,1.2.3")
            << "2:没有数值, 4:数值无法识别" << false;
        QTest::newRow("bad time and no value column")
            << withLine(withLine(rows, 11, "2024-02-30 00:11,0.1"), 12, "2024-05-01 00:12")
            << "11:时间无法识别, 12:没有数值" << false;
        QTest::newRow("not a number at all")
            << withLine(withLine(rows, 1, "2024-05-01 00:01,nan"), 2, "2024-05-01 00:02,inf")
            << "1:数值无法识别, 2:数值无法识别" << false;
        QTest::newRow("three in twenty") << withLine(withLine(withLine(rows, 1, "x"), 2, "y"), 3, "z")
                                         << "1:时间无法识别, 2:时间无法识别, 3:时间无法识别" << true;
    }
    void badRowsAreListedAndTooManyRefuse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, bad);
        QFETCH(bool, refused);
        const RainImportResult r = importRain(bytes, RainImportMapping{});
        QCOMPARE(badRows(r), bad);
        QCOMPARE(r.refused(), refused);
        QCOMPARE(r.series.empty(), refused);
        QCOMPARE(r.dataRows, qsizetype(20));
        if (!refused) {
            QCOMPARE(r.series.times.size() + r.badRows.size(), std::size_t(20));
            QVERIFY(std::is_sorted(r.series.times.begin(), r.series.times.end()));
        }
    }

    void filesThatAreNoTextAreRefusedWithAMessage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("skip");
        QTest::addColumn<QString>("error");
        QTest::newRow("empty") << QByteArray() << 0 << "文件是空的";
        QTest::newRow("blank lines") << QByteArray("\r\n  \n\t\n") << 0 << "文件是空的";
        QTest::newRow("BOM only") << QByteArray("\xef\xbb\xbf") << 0 << "文件是空的";
        QTest::newRow("binary") << QByteArray("2024-05-01 00:01,0.1\n\x00\x01\x02\x03", 25) << 0
                                << "不是文本文件（含二进制内容），无法读取";
        QTest::newRow("header only") << QByteArray("时间,雨量\n") << 1 << "跳过表头后没有数据行";
        QTest::newRow("one row") << QByteArray("2024-05-01 00:01,0.1\n") << 0
                                 << "可读的数据行少于两行，无法确定记录间隔";
    }
    void filesThatAreNoTextAreRefusedWithAMessage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, skip);
        QFETCH(QString, error);
        const RainImportResult r = importRain(bytes, RainImportMapping{.skipRows = skip});
        QCOMPARE(r.error, error);
        QVERIFY(r.series.empty());
    }

    void guessReadsTheFileAsWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<RainImportMapping>("guess");
        QByteArray totals = gbk(QStringLiteral("站名：城东雨量站\n时间,累计雨量(mm)\n"));
        for (int i = 1; i <= 12; ++i)
            totals += QStringLiteral("2024-05-01 00:%1:00,%2\n")
                          .arg(i, 2, 10, QLatin1Char('0'))
                          .arg(3.0 + i * 0.2)
                          .toLatin1();
        QTest::newRow("GBK running total with two header lines")
            << totals << RainImportMapping{.separator = ',', .skipRows = 2, .kind = RainKind::Cumulative};
        QTest::newRow("semicolons and decimal comma, value first")
            << QByteArray(
                   "Niederschlag;Zeit\n0,2;01/05/2024 00:05\n0,0;01/05/2024 00:10\n0,4;13/05/2024 00:15\n")
            << RainImportMapping{.timeColumn = 2,
                                 .valueColumn = 1,
                                 .timeFormat = kRainTimeDayFirst,
                                 .separator = ';',
                                 .decimalComma = true,
                                 .skipRows = 1};
        QTest::newRow("tips, seconds") << QByteArray("2024/5/1 0:05:10\n2024/5/1 0:05:40\n2024/5/1 0:07:02\n")
                                       << RainImportMapping{.valueColumn = 3,
                                                            .timeFormat = "yyyy/M/d H:mm:ss",
                                                            .separator = ' ',
                                                            .kind = RainKind::Tips};
    }
    void guessReadsTheFileAsWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(RainImportMapping, guess);
        const RainPreview preview = previewRain(bytes, RainImportMapping{}, 3);
        QCOMPARE(preview.guess.timeColumn, guess.timeColumn);
        QCOMPARE(preview.guess.valueColumn, guess.valueColumn);
        QCOMPARE(preview.guess.timeFormat, guess.timeFormat);
        QCOMPARE(preview.guess.separator, guess.separator);
        QCOMPARE(preview.guess.decimalComma, guess.decimalComma);
        QCOMPARE(preview.guess.skipRows, guess.skipRows);
        QCOMPARE(preview.guess.kind, guess.kind);
        QCOMPARE(preview.rows.size(), 3);
        QVERIFY(!importRain(bytes, preview.guess).refused());
    }

    void previewShowsNamesWithoutMojibake()
    {
        const RainPreview preview = previewRain(
            gbk(QStringLiteral("时间,雨量(毫米)\n2024-05-01 00:05,0.2\n")), RainImportMapping{}, 10);
        QCOMPARE(preview.encoding, RainEncoding::Gbk);
        QCOMPARE(preview.rows.size(), 2);
        QCOMPARE(preview.rows[0], QStringList({QStringLiteral("时间"), QStringLiteral("雨量(毫米)")}));
        const RainPreview asBlanks =
            previewRain(QByteArray("a,b c\n"), RainImportMapping{.separator = ' '}, 10);
        QCOMPARE(asBlanks.rows[0], QStringList({QStringLiteral("a,b"), QStringLiteral("c")}));
    }

    void mappingsThatCannotWorkAreNamed()
    {
        QVERIFY(rainMappingProblem(RainImportMapping{}).isEmpty());
        QVERIFY(!rainMappingProblem(RainImportMapping{.timeColumn = 0}).isEmpty());
        QVERIFY(!rainMappingProblem(RainImportMapping{.valueColumn = 257}).isEmpty());
        QVERIFY(rainMappingProblem(RainImportMapping{.valueColumn = 0, .kind = RainKind::Tips}).isEmpty());
        QVERIFY(!rainMappingProblem(RainImportMapping{.valueColumn = 2, .separator = ' '})
                     .isEmpty()); // inside the time
        QVERIFY(!rainMappingProblem(RainImportMapping{.separator = '7'}).isEmpty());
        QVERIFY(!rainMappingProblem(RainImportMapping{.kind = RainKind::Tips, .bucketMm = 0.0}).isEmpty());
        QVERIFY(
            !rainMappingProblem(RainImportMapping{.kind = RainKind::Tips, .bucketMm = qQNaN()}).isEmpty());
        QVERIFY(!rainMappingProblem(RainImportMapping{.skipRows = -1}).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestRainImport)
#include "test_rain_import.moc"
