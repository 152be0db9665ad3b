// Text and CSV export: header lines, column lines, record lines, number formats and failures.

#include "data/Export.h"
#include "tests/data/FileBytes.h"

#include <QtTest>

#include <cmath>
#include <cstdio>
#include <random>

using namespace lmv;
using namespace testbytes;

namespace {

QByteArray rvaFile()
{
    QByteArray b = header(5, QStringLiteral("项目A"), QStringLiteral("测点1"), 0, 1000, 0, 0, 0);
    putF32(b, 88, 1.2f);
    putF32(b, 92, 0.9f);
    putU32(b, 100, 15); // level offset
    putU16(b, 104, 3);  // smoothing
    putU8(b, 106, 1);   // probe version
    putU32(b, 128, 3600);
    putU32(b, 132, 2);
    const float stats[12] = {0.5f,  0.25f, 0.375f, 0.5f,  0.25f, 0.375f,
                             10.0f, 5.0f,  7.5f,   12.5f, 11.0f, 11.75f};
    for (int i = 0; i < 12; ++i)
        putF32(b, 136 + 4 * i, stats[i]);
    b += rvaRecord({1, 0.5f, 0.5f, 10.0f, 12.5f, 2024, 3, 1, 8, 5, 9});
    b += rvaRecord({2, 0.25f, 0.25f, 5.0f, 11.0f, 2024, 12, 31, 23, 59, 59});
    return b;
}

QByteArray rvbRecord(quint32 seconds)
{
    QByteArray b(100, '\0');
    putU32(b, 0, seconds);
    for (int c = 0; c < 6; ++c)
        putF32(b, 4 + 4 * c, 0.5f * (c + 1));
    putU8(b, 28, 10);
    putU8(b, 29, 0);
    putF32(b, 30, 12.25f);
    putU32(b, 34, 5400);
    putU32(b, 38, 3600);
    putU32(b, 42, 0);
    putU16(b, 46, 1);
    putU16(b, 48, 2);
    putU16(b, 50, 3);
    putU16(b, 52, 4);
    putU8(b, 54, 31);
    putU32(b, 55, 6699);
    putF32(b, 59, 5.0f);
    putF32(b, 63, 12.0f);
    putF32(b, 67, 3.9f);
    putF32(b, 71, 40.0f);
    for (int i = 0; i < 3; ++i) {
        putU16(b, 75 + 2 * i, 100 + i); // MAIN_M
        putU16(b, 81 + 2 * i, 200 + i); // MAIN_G
    }
    for (int i = 0; i < 6; ++i)
        putU16(b, 87 + 2 * i, 300 + i);
    return b;
}

QByteArray rvbFile(quint8 model = 16)
{
    QByteArray b = header(1, QStringLiteral("项目B"), QStringLiteral("测点2"), 1, 1000, 800, 0, 20);
    putU8(b, 505, model);
    return b + rvbRecord(0) + rvbRecord(86400 + 3661) + QByteArray(50, '\x01');
}

QStringList lines(const QByteArray &utf8)
{
    QStringList out = QString::fromUtf8(utf8).split(QStringLiteral("\r\n"));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void rvaTextExportIsExactlyTheDocumentedLines()
    {
        QVERIFY(writeFile(path("a.lmv"), rvaFile()));
        QCOMPARE(exportFile(path("a.lmv"), path("a.txt"), ExportFormat::Text), 0);
        const QByteArray expected = "项目名称:项目A\r\n"
                                    "监测地点:测点1\r\n"
                                    "管道类型:圆形 直径1000mm 淤积层0mm\r\n"
                                    "流速修正:1.20\r\n"
                                    "流量修正:0.90\r\n"
                                    "液位偏移量:15mm\r\n"
                                    "流速平滑度:3\r\n"
                                    "探头版本:V3.0\r\n"
                                    "采样次数:2次\r\n"
                                    "监测时长:3600s\r\n"
                                    "最高液位:0.500\r\n"
                                    "最低液位:0.250\r\n"
                                    "平均液位:0.375\r\n"
                                    "最大流速:0.600\r\n"
                                    "最小流速:0.300\r\n"
                                    "平均流速:0.450\r\n"
                                    "最大流量:10.800\r\n"
                                    "最小流量:5.400\r\n"
                                    "平均流量:8.100\r\n"
                                    "最高温度:12.50\r\n"
                                    "最低温度:11.00\r\n"
                                    "平均温度:11.75\r\n"
                                    "序号\t液位(m)\t流速(m/s)\t流量(L/s)\t记录时间\r\n"
                                    "1\t0.500\t0.600\t10.800\t[2024-03-01 08:05:09]\r\n"
                                    "2\t0.250\t0.300\t5.400\t[2024-12-31 23:59:59]\r\n";
        QCOMPARE(readFile(path("a.txt")), expected);
    }

    void csvExportSharesTheKeyValueLinesAndUsesCommas()
    {
        QVERIFY(writeFile(path("a.lmv"), rvaFile()));
        QCOMPARE(exportFile(path("a.lmv"), path("a.txt"), ExportFormat::Text), 0);
        QCOMPARE(exportFile(path("a.lmv"), path("a.csv"), ExportFormat::Csv), 0);
        const QStringList text = lines(readFile(path("a.txt")));
        const QStringList csv = lines(readFile(path("a.csv")));
        QCOMPARE(csv.mid(0, 22), text.mid(0, 22));
        QCOMPARE(csv[22], QStringLiteral("序号,液位(m),流速(m/s),流量(L/s),记录时间"));
        QCOMPARE(csv[23], QStringLiteral("1,0.500,0.600,10.800,[2024-03-01 08:05:09]"));
    }

    void probeVersionAboveTheListExportsADefinedText()
    {
        QByteArray b = rvaFile();
        putU8(b, 106, 3);
        QVERIFY(writeFile(path("p.lmv"), b));
        QCOMPARE(exportFile(path("p.lmv"), path("p.txt"), ExportFormat::Text), 0);
        QCOMPARE(lines(readFile(path("p.txt")))[7], QStringLiteral("探头版本:未知(3)"));
    }

    void rvbExportHasHeaderColumnsAndRecordLines()
    {
        QVERIFY(writeFile(path("b.lmv"), rvbFile()));
        QCOMPARE(exportFile(path("b.lmv"), path("b.csv"), ExportFormat::Csv), 0);
        const QStringList out = lines(readFile(path("b.csv")));
        QCOMPARE(out.size(), 10);
        QCOMPARE(out[0], QStringLiteral("设备ID:20240101"));
        QCOMPARE(out[1], QStringLiteral("检测内容:(超声)液位、(雷达)流速、(压力)液位、(超声)流速"));
        QCOMPARE(out[2], QStringLiteral("项目名称:项目B"));
        QCOMPARE(out[3], QStringLiteral("监测地点:测点2"));
        QCOMPARE(out[4], QStringLiteral("管道类型:方沟 高度1000mm 宽度800mm 淤积层20mm"));
        QCOMPARE(out[5], QStringLiteral("采样次数:2次"));
        QCOMPARE(out[6].count(QLatin1Char(',')), 35);
        QCOMPARE(out[7].count(QLatin1Char(',')), 35);
        QVERIFY(out[6].startsWith(
            QStringLiteral("测量时间,超声液位,雷达流速,绝对压力,超声流速,水温,俯仰角,报警,")));
        QVERIFY(out[6].contains(
            QStringLiteral(",CPU温度,MAIN_GX,MAIN_GY,MAIN_GZ,MAIN_MX,MAIN_MY,MAIN_MZ,备用1,")));
        QVERIFY(out[7].startsWith(QStringLiteral("(年-月-日 时:分:秒),(m),(m/s),(Pa),(m/s),(℃),(°),-,")));
        QCOMPARE(out[8],
                 QStringLiteral("[2014-01-01 00:00:00],0.500,1.000,1.500,2.000,2.500,3.000,0xa,0x0,12.250,"
                                "1.500,1.000,0.000,1,2,3,4,31,0x1a2b,5.000,12.000,3.900,40.000,"
                                "200,201,202,100,101,102,300,301,302,303,304,305"));
        QCOMPARE(out[9].split(QLatin1Char(',')).size(), 35);
        QVERIFY(out[9].startsWith(QStringLiteral("[2014-01-02 01:01:01],")));
    }

    void rvbTextExportSeparatesWithTabs()
    {
        QVERIFY(writeFile(path("b.lmv"), rvbFile()));
        QCOMPARE(exportFile(path("b.lmv"), path("b.txt"), ExportFormat::Text), 0);
        const QStringList out = lines(readFile(path("b.txt")));
        QCOMPARE(out[6].count(QLatin1Char('\t')), 35);
        QCOMPARE(out[8].count(QLatin1Char('\t')), 34);
        QVERIFY(!out[8].contains(QLatin1Char(',')));
    }

    void rvbOfUnknownModelHasEmptyChannelColumns()
    {
        QVERIFY(writeFile(path("m.lmv"), rvbFile(2)));
        QCOMPARE(exportFile(path("m.lmv"), path("m.txt"), ExportFormat::Text), 0);
        const QStringList out = lines(readFile(path("m.txt")));
        QCOMPARE(out[1], QStringLiteral("检测内容:"));
        QVERIFY(out[6].startsWith(QStringLiteral("测量时间\t\t\t\t\t\t\t报警\t")));
    }

    void rvbShorterThanItsHeaderCountsNoSamples()
    {
        QVERIFY(writeFile(path("s.lmv"), header(1).left(505)));
        QCOMPARE(exportFile(path("s.lmv"), path("s.txt"), ExportFormat::Text), 0);
        const QStringList out = lines(readFile(path("s.txt")));
        QCOMPARE(out[5], QStringLiteral("采样次数:0次"));
        QCOMPARE(out.size(), 8);
    }

    void failuresAreReportedAndLeaveNoTarget_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("result");
        QTest::newRow("missing source") << QByteArray() << "t1.txt" << 255;
        QTest::newRow("no device information") << QByteArray(496, '\0') << "t2.txt" << 253;
        QTest::newRow("unknown type code") << (header(3) + QByteArray(64, 'x')) << "t3.txt" << 252;
        QTest::newRow("target folder missing") << rvaFile() << "nofolder/t4.txt" << 251;
    }
    void failuresAreReportedAndLeaveNoTarget()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, target);
        QFETCH(int, result);
        const QString source = path("f.lmv");
        QFile::remove(source);
        if (!content.isEmpty())
            QVERIFY(writeFile(source, content));
        QCOMPARE(exportFile(source, path(target), ExportFormat::Csv), result);
        QVERIFY(!QFile::exists(path(target)));
        QVERIFY(!exportResultText(result).isEmpty());
    }

    void earlierTargetIsReplacedWhole()
    {
        QVERIFY(writeFile(path("a.lmv"), rvaFile()));
        QVERIFY(writeFile(path("r.txt"), QByteArray(100000, 'z')));
        QCOMPARE(exportFile(path("a.lmv"), path("r.txt"), ExportFormat::Text), 0);
        QVERIFY(!readFile(path("r.txt")).contains('z'));
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("r.txt*")}, QDir::Files | QDir::Hidden).size(),
                 1);
    }

    void largeExportWrittenInChunksEqualsTheWholeText()
    {
        // 300 000 records give about 15 MB of text, more than one output chunk.
        QByteArray b = rvaFile();
        b.reserve(512 + 32 * 300000);
        for (int i = 0; i < 300000; ++i)
            b += rvaRecord({static_cast<quint32>(i), 0.001f * static_cast<float>(i % 5000), -0.5f, 1234.5678f,
                            9.0f, 2025, 7, 15, 12, 30, static_cast<quint8>(i % 60)});
        QVERIFY(writeFile(path("big.lmv"), b));
        QCOMPARE(exportFile(path("big.lmv"), path("big.csv"), ExportFormat::Csv), 0);
        const QByteArray written = readFile(path("big.csv"));
        QVERIFY(written.size() > 12 * 1024 * 1024);
        QCOMPARE(written, formatRvaExport(b, ','));
        QVERIFY(written.endsWith("299999,4.999,-0.600,1333.333,[2025-07-15 12:30:59]\r\n"));
        QFile::remove(path("big.lmv"));
        QFile::remove(path("big.csv"));
    }

    void fixedNotationMatchesPrintfForSinglePrecisionValues()
    {
        std::mt19937 random(12345);
        std::uniform_int_distribution<quint32> bits;
        QList<float> values = {0.0625f, 0.1875f,  1.0625f,   -0.0625f, 0.0005f,   2.5f,
                               -0.0f,   0.0f,     1e-7f,     -1e-7f,   0.125f,    1.005f,
                               2.675f,  3.4e38f,  -3.4e38f,  1e10f,    123.4565f, 0.0045f,
                               9.9995f, 99.9995f, 0.015625f, 1.5e-3f,  4.5e-3f,   7.8125e-3f};
        for (int i = 0; i < 200000; ++i) {
            const quint32 b = bits(random);
            float f;
            std::memcpy(&f, &b, 4);
            if (std::isfinite(f) && std::fabs(f) < 1e12f)
                values.append(f);
            const float k = static_cast<float>(static_cast<int>(b % 2000000) - 1000000);
            values.append(k / 16.0f);   // exact halves at the third and second decimal
            values.append(k / 8000.0f); // near halves
        }
        for (float f : std::as_const(values)) {
            for (int decimals : {2, 3}) {
                char expected[128];
                std::snprintf(expected, sizeof expected, decimals == 3 ? "%.3f" : "%.2f",
                              static_cast<double>(f));
                const std::string got = formatFixed(f, decimals);
                if (got != expected)
                    QFAIL(qPrintable(QStringLiteral("%1: %2 != %3")
                                         .arg(double(f), 0, 'g', 17)
                                         .arg(got.c_str(), expected)));
            }
        }
    }

    void nanAndInfinityAreWrittenAsPrintfWritesThem()
    {
        for (float v : {std::nanf(""), -std::nanf(""), HUGE_VALF, -HUGE_VALF}) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%.3f", static_cast<double>(v));
            QCOMPARE(QString::fromStdString(formatFixed(v, 3)), QString::fromLatin1(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
