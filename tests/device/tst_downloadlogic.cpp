// Local names, progress counting and RVB day selection of the download.
#include "device/core/DownloadDays.h"
#include "device/core/DownloadProgress.h"
#include "device/core/PortCandidates.h"
#include "device/core/SafeName.h"

#include <QtTest>

using namespace lmv;

class DownloadLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void ordinaryNamesStayAsTheDeviceListsThem()
    {
        QCOMPARE(safeLocalName(QStringLiteral("2019年01月.lmv")), QStringLiteral("2019年01月.lmv"));
        QCOMPARE(safeLocalName(QStringLiteral("南门 泵站")), QStringLiteral("南门 泵站"));
        QCOMPARE(safeLocalName(QStringLiteral(".hidden")), QStringLiteral(".hidden"));
    }

    void dangerousNamesBecomeOnePlainComponent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("empty") << QString() << "%";
        QTest::newRow("dot") << "."
                             << "%2E";
        QTest::newRow("dot dot") << ".."
                                 << "%2E%2E";
        QTest::newRow("climbing") << "../../etc"
                                  << "%2E%2E%2F%2E%2E%2Fetc";
        QTest::newRow("slash") << "a/b"
                               << "a%2Fb";
        QTest::newRow("backslash") << "a\\b"
                                   << "a%5Cb";
        QTest::newRow("zero byte") << QString::fromLatin1("a\0b", 3) << "a%00b";
        QTest::newRow("control") << "a\tb\x7f"
                                 << "a%09b%7F";
        QTest::newRow("percent") << "100%"
                                 << "100%25";
        QTest::newRow("drive letter") << "C:"
                                      << "C%3A";
        QTest::newRow("trailing dot and space") << "a. "
                                                << "a.%20";
        QTest::newRow("trailing dot") << "a."
                                      << "a%2E";
    }
    void dangerousNamesBecomeOnePlainComponent()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(safeLocalName(name), safe);
        QVERIFY(!safeLocalName(name).contains(QLatin1Char('/')));
    }

    void differentNamesStayDifferent()
    {
        const QStringList names = {"",    "%",    "_",  ".",    "..", "%2E", "a/b", "a%2Fb",
                                   "a_b", "a\\b", "a.", "a%2E", "a ", "a",   "A",   "..."};
        QSet<QString> seen;
        for (const QString &n : names)
            seen.insert(safeLocalName(n));
        QCOMPARE(seen.size(), names.size());
    }

    void cachePathsStayBelowTheRoot()
    {
        const QString path = cacheFileFor("/c/dev/", "..", "../x", "../../f.lmv");
        QVERIFY(path.startsWith("/c/dev/"));
        QCOMPARE(QDir::cleanPath(path).count(QLatin1Char('/')), 5);
        QVERIFY(QDir::cleanPath(path).startsWith("/c/dev/"));
    }

    void rvaProgressCountsWhatTheDeviceSends()
    {
        // The cache inserts 324 bytes after the first 188; the device sends size - 324.
        QCOMPARE(expectedDeviceBytes(Family::Rva, 512 + 3200), quint32(188 + 3200));
        QCOMPARE(expectedDeviceBytes(Family::Rva, 512), quint32(188));
        QCOMPARE(expectedDeviceBytes(Family::Rva, 100), quint32(100));
        QCOMPARE(expectedDeviceBytes(Family::Rvb, 512 + 1000), quint32(1512));
    }

    void percentStaysWithinOneAndNinetyNine_data()
    {
        QTest::addColumn<uint>("shown");
        QTest::addColumn<uint>("expected");
        QTest::addColumn<int>("percent");
        QTest::newRow("nothing yet") << 0u << 1000u << 1;
        QTest::newRow("half") << 500u << 1000u << 50;
        QTest::newRow("almost") << 999u << 1000u << 99;
        QTest::newRow("all") << 1000u << 1000u << 99;
        QTest::newRow("more than expected") << 5000u << 1000u << 99;
        QTest::newRow("nothing expected") << 10u << 0u << 1;
    }
    void percentStaysWithinOneAndNinetyNine()
    {
        QFETCH(uint, shown);
        QFETCH(uint, expected);
        QFETCH(int, percent);
        QCOMPARE(progressPercent(shown, expected), percent);
    }

    void completedPagesAddUp()
    {
        DownloadProgress p;
        p.start(Family::Rva, 512 + 2000); // 2188 sent
        p.refresh(400);
        p.refresh(1000); // the worker reports the growing size of the same page
        QCOMPARE(p.shownBytes(), quint32(1000));
        p.pageDone();
        p.refresh(600);
        QCOMPARE(p.shownBytes(), quint32(1600));
        QCOMPARE(p.percent(), 73);
        p.finish();
        QCOMPARE(p.expectedBytes(), quint32(0));
    }

    void dayRangeEndsAtTheNextDayWithRecordsOrAtTheFileEnd()
    {
        DayNodeArray nodes{};
        nodes[2] = 512;   // day 3
        nodes[26] = 5000; // day 27
        nodes[27] = 6000; // day 28
        QCOMPARE(dayRange(nodes, 3, 9000).end, quint32(5000));
        QCOMPARE(dayRange(nodes, 27, 9000).end, quint32(6000));
        QCOMPARE(dayRange(nodes, 28, 9000).start, quint32(6000));
        QCOMPARE(dayRange(nodes, 28, 9000).end, quint32(9000));
        QVERIFY(!dayRange(nodes, 10, 9000).valid());
        QVERIFY(!dayRange(nodes, 28, 6000).valid()); // a listing that ends at the node: nothing to read
    }

    void previouslyChosenPortIsTriedFirstAndEveryNameOnce()
    {
        QCOMPARE(portCandidates("/dev/pts/7", {"/dev/ttyUSB0", "/dev/pts/7", "/dev/ttyS0"}),
                 (QStringList{"/dev/pts/7", "/dev/ttyUSB0", "/dev/ttyS0"}));
        QCOMPARE(portCandidates("  ", {"/dev/ttyUSB0", ""}), QStringList{"/dev/ttyUSB0"});
        // A typed COM name and the same port as Windows lists it are one candidate.
        QCOMPARE(portCandidates("com7", {"\\\\.\\COM3", "\\\\.\\COM7", "COM3"}),
                 (QStringList{"COM7", "COM3"}));
        QCOMPARE(normalPortName(" \\\\.\\COM12 "), QString("COM12"));
        QCOMPARE(normalPortName("/dev/pts/3"), QString("/dev/pts/3"));
        QCOMPARE(normalPortName("\\\\.\\COMx"), QString("COMx"));
    }

    void monthlyFileNamesGiveYearAndMonth()
    {
        QCOMPARE(yearOfMonthlyFile(QStringLiteral("2019年01月.lmv")), 2019);
        QCOMPARE(monthOfMonthlyFile(QStringLiteral("2019年01月.lmv")), 1);
        QCOMPARE(monthOfMonthlyFile(QStringLiteral("2023年12月.lmv")), 12);
        QCOMPARE(yearOfMonthlyFile(QStringLiteral("x.lmv")), 0);
    }
};

QTEST_GUILESS_MAIN(DownloadLogicTest)
#include "tst_downloadlogic.moc"
