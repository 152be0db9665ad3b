// Cache writing page by page, finishing, in-place updates and bounded reading of data files.

#include "data/DataFile.h"
#include "data/Hydraulics.h"
#include "data/Tables.h"
#include "tests/data/FileBytes.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace lmv;
using namespace testbytes;

namespace {

DeviceInfo connectedDevice()
{
    DeviceInfo d;
    d.deviceNumber = 0x01020304;
    d.typeCode = 5;
    d.versionBytes = {1, 2, 3, 4, 0};
    d.protocolVersion = 2.5f;
    return d;
}

// What the device sends as the first 188 bytes of an RVA file.
QByteArray deviceHeader()
{
    QByteArray b = header(5).left(188);
    putU32(b, 128, 3600); // duration
    for (int i = 108; i < 128; ++i)
        putU8(b, i, 0xa0 + (i - 108)); // reserved bytes to be preserved
    return b;
}

QByteArray rvaRecords(int count, float levelBase = 0.3f)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += rvaRecord({static_cast<quint32>(i + 1), levelBase + 0.1f * i, 0.5f + 0.25f * i, 99.0f,
                          10.0f + i, 2024, 3, 1, 8, 0, static_cast<quint8>(i)});
    return out;
}

// A complete stored RVA file: header, records with level, velocity and temperature.
QByteArray storedRvaFile(int records, quint32 shape = 0, quint32 h = 1000, quint32 w = 0, quint32 t = 0,
                         quint32 y = 0)
{
    QByteArray b = header(5, QStringLiteral("项目A"), QStringLiteral("测点1"), shape, h, w, t, y);
    putU32(b, 132, static_cast<quint32>(records));
    putF32(b, 136, 9.0f); // level max, kept by a pipe update
    putF32(b, 148, 8.0f); // velocity max, kept
    putF32(b, 160, 7.0f); // flow max, replaced
    return b + rvaRecords(records);
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    CacheLocation location(const QString &file = QStringLiteral("A2401.lmv")) const
    {
        return CacheLocation{dir.path() + QStringLiteral("/dev/"), QStringLiteral("项目A"),
                             QStringLiteral("测点1"), file};
    }
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void singlePageCompletesTheHeaderAndReportsThePath()
    {
        const QByteArray payload = deviceHeader() + rvaRecords(2);
        QString cachePath;
        QCOMPARE(writeCachePacket(location(), payload, 0xF1, connectedDevice(), &cachePath), 0);
        QCOMPARE(cachePath, dir.path() + QStringLiteral("/dev/项目A/测点1/A2401.lmv"));
        const QByteArray file = readFile(cachePath);
        QCOMPARE(file.size(), 512 + 64);
        QCOMPARE(file.left(188), payload.left(188));
        QCOMPARE(file.mid(188, 308), QByteArray(308, '\0'));
        QCOMPARE(file.mid(496, 16), connectedDevice().toBytes());
        QCOMPARE(static_cast<quint8>(file[500]), quint8(5));
        QCOMPARE(file.mid(512), payload.mid(188));
    }

    void shortFirstPageStillGetsAWholeHeader()
    {
        QString cachePath;
        QCOMPARE(writeCachePacket(location(QStringLiteral("tiny.lmv")), QByteArray(100, '\x42'), 0xF1,
                                  connectedDevice(), &cachePath),
                 0);
        const QByteArray file = readFile(cachePath);
        QCOMPARE(file.size(), 512);
        QCOMPARE(file.left(100), QByteArray(100, '\x42'));
        QCOMPARE(file.mid(100, 396), QByteArray(396, '\0'));
        QCOMPARE(file.mid(496), connectedDevice().toBytes());
    }

    void pagesAreAppendedAndOnlyTheLastReportsThePath()
    {
        const QByteArray records = rvaRecords(5);
        QString cachePath;
        QCOMPARE(writeCachePacket(location(), deviceHeader() + records.left(40), 0x01, connectedDevice(),
                                  &cachePath),
                 0);
        QVERIFY(cachePath.isEmpty());
        QCOMPARE(writeCachePacket(location(), records.mid(40, 60), 0x02, connectedDevice(), &cachePath), 0);
        QVERIFY(cachePath.isEmpty());
        QCOMPARE(writeCachePacket(location(), records.mid(100), 0xF0, connectedDevice(), &cachePath), 0);
        QVERIFY(!cachePath.isEmpty());
        QCOMPARE(readFile(cachePath).mid(512), records);
    }

    void firstPageReplacesAnEarlierPartialFile()
    {
        QString cachePath;
        QCOMPARE(writeCachePacket(location(), deviceHeader() + rvaRecords(9), 0x01, connectedDevice()), 0);
        QCOMPARE(
            writeCachePacket(location(), deviceHeader() + rvaRecords(1), 0xF1, connectedDevice(), &cachePath),
            0);
        QCOMPARE(readFile(cachePath).size(), 512 + 32);
    }

    void laterPageWithoutItsFileIsAFailure()
    {
        // A lost first page must not yield a file that looks complete.
        QCOMPARE(
            writeCachePacket(location(QStringLiteral("lost.lmv")), rvaRecords(1), 0xF0, connectedDevice()),
            -1);
        QVERIFY(!QFile::exists(location(QStringLiteral("lost.lmv")).filePath()));
        QCOMPARE(writeCachePacketRvb(location(QStringLiteral("lostb.lmv")), QByteArray(100, 'x'), 0x05, 3),
                 -1);
    }

    void directoryThatCannotBeCreatedIsAFailure()
    {
        QVERIFY(writeFile(path(QStringLiteral("blocker")), "x"));
        CacheLocation where{path(QStringLiteral("blocker")), QStringLiteral("p"), QStringLiteral("q"),
                            QStringLiteral("f.lmv")};
        QCOMPARE(writeCachePacket(where, deviceHeader(), 0xF1, connectedDevice()), -1);
    }

    void namesFromTheDeviceStayInsideTheCache()
    {
        CacheLocation where{dir.path() + QStringLiteral("/dev/"), QStringLiteral(".."),
                            QStringLiteral("a/../.."), QStringLiteral("../x.lmv")};
        QVERIFY(where.filePath().startsWith(dir.path() + QStringLiteral("/dev/")));
        QVERIFY(!where.filePath().mid(dir.path().size()).contains(QStringLiteral("/../")));
        QCOMPARE(writeCachePacket(where, deviceHeader(), 0xF1, connectedDevice()), 0);
        QVERIFY(QFile::exists(where.filePath()));
    }

    void dayFileNamesCarryTwoDigitDays_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("expected");
        QTest::newRow("day 7") << "A2401.lmv" << 7 << "A240107日.lmv";
        QTest::newRow("day 12") << "A2401.lmv" << 12 << "A240112日.lmv";
        QTest::newRow("short name") << "ab" << 1 << "01日.lmv";
    }
    void dayFileNamesCarryTwoDigitDays()
    {
        QFETCH(QString, device);
        QFETCH(int, day);
        QFETCH(QString, expected);
        QCOMPARE(dayFileName(device, day), expected);
    }

    void rvbLastPageCopiesToTheDayFileAndKeepsAnExistingOne()
    {
        const QByteArray first = header(1) + QByteArray(100, '\x11');
        QString dayPath;
        QCOMPARE(writeCachePacketRvb(location(QStringLiteral("B2402.lmv")), first, 0x01, 7, &dayPath), 0);
        QVERIFY(dayPath.isEmpty());
        QCOMPARE(writeCachePacketRvb(location(QStringLiteral("B2402.lmv")), QByteArray(100, '\x22'), 0xF0, 7,
                                     &dayPath),
                 0);
        QCOMPARE(QFileInfo(dayPath).fileName(), QStringLiteral("B240207日.lmv"));
        QCOMPARE(readFile(dayPath), first + QByteArray(100, '\x22'));

        // A second download of the same day does not replace the day file.
        QCOMPARE(writeCachePacketRvb(location(QStringLiteral("B2402.lmv")), header(1), 0xF1, 7, &dayPath), 0);
        QCOMPARE(readFile(dayPath).size(), 712);
    }

    void finishingWritesPointFlowsAndStatistics()
    {
        QString cachePath;
        QCOMPARE(
            writeCachePacket(location(), deviceHeader() + rvaRecords(3), 0xF1, connectedDevice(), &cachePath),
            0);
        const QByteArray before = readFile(cachePath);
        const PipeSaveIntoTfType point =
            makePointRecord(QStringLiteral("城东"), QStringLiteral("井3"), 1, 1000, 2000, 0, 100);
        QCOMPARE(finishRvaFile(cachePath, point), 0);
        const QByteArray after = readFile(cachePath);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.left(88), point.toBytes());
        QCOMPARE(after.mid(108, 24), before.mid(108, 24)); // reserved bytes and duration kept
        QCOMPARE(after.mid(184, 328), before.mid(184, 328));
        QCOMPARE(getU32(after, 132), 3u);

        // Levels 0.3, 0.4, 0.5 m in a 2 m wide channel with 0.1 m sediment; velocities 0.5, 0.75, 1.
        const float flows[3] = {2000 * 300 * 0.5f / 1000, 2000 * 400 * 0.75f / 1000,
                                2000 * 500 * 1.0f / 1000};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(std::fabs(getF32(after, 512 + 32 * i + 24) - flows[i]) < 1e-3f);
            QCOMPARE(after.mid(512 + 32 * i, 24), before.mid(512 + 32 * i, 24));
            QCOMPARE(after.mid(512 + 32 * i + 28, 4), before.mid(512 + 32 * i + 28, 4));
        }
        QVERIFY(std::fabs(getF32(after, 136) - 0.5f) < 1e-6f); // level max
        QVERIFY(std::fabs(getF32(after, 140) - 0.3f) < 1e-6f); // level min
        QVERIFY(std::fabs(getF32(after, 144) - 0.4f) < 1e-6f); // level avg
        QCOMPARE(getF32(after, 148), 1.0f);                    // velocity max
        QVERIFY(std::fabs(getF32(after, 160) - 1000.0f) < 1e-3f);
        QVERIFY(std::fabs(getF32(after, 164) - 300.0f) < 1e-3f);
        QVERIFY(std::fabs(getF32(after, 168) - (300 + 600 + 1000) / 3.0f) < 1e-2f);
        QCOMPARE(getF32(after, 176), 10.0f); // temperature min
    }

    // A NaN level used to get the full-pipe flow, which then became the file's maximum.
    void recordWithALevelThatIsNotANumberGetsFlowZeroAndStaysOutOfTheStatistics()
    {
        QByteArray records = rvaRecords(3);
        putF32(records, 0 * 32 + 16, std::numeric_limits<float>::quiet_NaN()); // first record: level
        QString cachePath;
        QCOMPARE(writeCachePacket(location(QStringLiteral("nan.lmv")), deviceHeader() + records, 0xF1,
                                  connectedDevice(), &cachePath),
                 0);
        QCOMPARE(finishRvaFile(cachePath, makePointRecord("p", "q", 0, 1000, 0, 0, 0)), 0);
        const QByteArray after = readFile(cachePath);
        QCOMPARE(getF32(after, 512 + 24), 0.0f);
        const float secondFlow = getF32(after, 512 + 32 + 24), thirdFlow = getF32(after, 512 + 64 + 24);
        QVERIFY(thirdFlow > secondFlow && secondFlow > 0.0f);
        QCOMPARE(getF32(after, 160), thirdFlow);               // flow max
        QCOMPARE(getF32(after, 164), 0.0f);                    // flow min: the NaN record's 0
        QVERIFY(std::fabs(getF32(after, 136) - 0.5f) < 1e-6f); // level max of the readable levels
        QVERIFY(std::fabs(getF32(after, 140) - 0.4f) < 1e-6f); // level min
    }

    void finishingAFileWithoutRecordsZeroesTheStatistics()
    {
        QString cachePath;
        QByteArray head = deviceHeader();
        for (int at = 132; at < 184; at += 4)
            putU32(head, at, 0x41414141); // garbage where the statistics go
        QCOMPARE(writeCachePacket(location(QStringLiteral("empty.lmv")), head, 0xF1, connectedDevice(),
                                  &cachePath),
                 0);
        QCOMPARE(finishRvaFile(cachePath, makePointRecord("p", "q", 0, 1000, 0, 0, 0)), 0);
        const QByteArray after = readFile(cachePath);
        QCOMPARE(after.size(), 512);
        QCOMPARE(after.mid(132, 52), QByteArray(52, '\0'));
    }

    void finishingRefusesMissingAndShortFiles()
    {
        const PipeSaveIntoTfType point = makePointRecord("p", "q", 0, 1000, 0, 0, 0);
        QCOMPARE(finishRvaFile(QString(), point), -1);
        QCOMPARE(finishRvaFile(path(QStringLiteral("missing/none.lmv")), point), -2);
        QVERIFY(writeFile(path(QStringLiteral("short.lmv")), QByteArray(511, '\x7f')));
        QCOMPARE(finishRvaFile(path(QStringLiteral("short.lmv")), point), -3);
        QCOMPARE(readFile(path(QStringLiteral("short.lmv"))), QByteArray(511, '\x7f'));
    }

    void pipeUpdateChangesOnlyPipeFlowsAndFlowStatistics()
    {
        const QString file = path(QStringLiteral("stored.lmv"));
        const QByteArray before = storedRvaFile(4) + QByteArray(5, '\x33'); // with a trailing fragment
        QVERIFY(writeFile(file, before));
        const PipeSaveIntoTfType point =
            makePointRecord(QStringLiteral("别的"), QStringLiteral("名字"), 3, 1000, 800, 0, 0);
        QCOMPARE(updatePipe(file, point), 0);
        const QByteArray after = readFile(file);
        QCOMPARE(after.size(), before.size());

        QSet<int> allowed;
        for (int at = 68; at < 88; ++at)
            allowed.insert(at); // the five pipe values
        for (int at = 160; at < 172; ++at)
            allowed.insert(at); // flow max, min, avg
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                allowed.insert(512 + 32 * r + 24 + k);
        const QList<int> changed = differingOffsets(before, after);
        for (int at : changed)
            QVERIFY2(allowed.contains(at), qPrintable(QStringLiteral("byte %1 changed").arg(at)));
        QCOMPARE(after.left(68), before.left(68)); // names kept
        QCOMPARE(getU32(after, 68), 3u);
        const PipeGeometry g = pipeGeometryFrom(point);
        float maxFlow = 0;
        for (int r = 0; r < 4; ++r) {
            const float q =
                recordFlow(g, getF32(before, 512 + 32 * r + 16), getF32(before, 512 + 32 * r + 20));
            QCOMPARE(getF32(after, 512 + 32 * r + 24), q);
            maxFlow = std::max(maxFlow, q);
        }
        QCOMPARE(getF32(after, 160), maxFlow);
        QCOMPARE(getU32(after, 132), 4u);
    }

    void pipeUpdateLeavesNonRvaFilesUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("rvb file") << (header(1) + QByteArray(300, '\x55'));
        QTest::newRow("unknown type") << (header(3) + QByteArray(64, '\x55'));
        QTest::newRow("short header") << storedRvaFile(1).left(400);
        QTest::newRow("empty") << QByteArray();
    }
    void pipeUpdateLeavesNonRvaFilesUntouched()
    {
        QFETCH(QByteArray, content);
        const QString file = path(QStringLiteral("other.lmv"));
        QVERIFY(writeFile(file, content));
        QVERIFY(updatePipe(file, makePointRecord("p", "q", 1, 1000, 1000, 0, 0)) < 0);
        QCOMPARE(readFile(file), content);
    }

    void pipeUpdateWithoutRecordsZeroesTheFlowStatistics()
    {
        const QString file = path(QStringLiteral("norec.lmv"));
        QVERIFY(writeFile(file, storedRvaFile(0)));
        QCOMPARE(updatePipe(file, makePointRecord("p", "q", 1, 1000, 1000, 0, 0)), 0);
        const QByteArray after = readFile(file);
        QCOMPARE(after.mid(160, 12), QByteArray(12, '\0'));
        QCOMPARE(getF32(after, 136), 9.0f);
    }

    void correctionUpdateChangesOnlyBytes88To95()
    {
        const QString file = path(QStringLiteral("corr.lmv"));
        const QByteArray before = storedRvaFile(2);
        QVERIFY(writeFile(file, before));
        QCOMPARE(updateCorrections(file, 1.2f, 0.9f), 0);
        const QByteArray after = readFile(file);
        QCOMPARE(after.size(), before.size());
        for (int at : differingOffsets(before, after))
            QVERIFY2(at >= 88 && at < 96, qPrintable(QString::number(at)));
        QCOMPARE(getF32(after, 88), 1.2f);
        QCOMPARE(getF32(after, 92), 0.9f);
        QVERIFY(writeFile(path(QStringLiteral("tiny.lmv")), "abc"));
        QVERIFY(updateCorrections(path(QStringLiteral("tiny.lmv")), 1.0f, 1.0f) < 0);
        QCOMPARE(readFile(path(QStringLiteral("tiny.lmv"))), QByteArray("abc"));
    }

    void readersCountWholeRecordsAndReportTheFragment()
    {
        const QString file = path(QStringLiteral("frag.lmv"));
        QVERIFY(writeFile(file, storedRvaFile(3) + QByteArray(10, '\x01')));
        DataFileHeader h;
        QCOMPARE(readHeader(file, h), 0);
        QCOMPARE(h.family, Family::Rva);
        QCOMPARE(h.recordCount, 3);
        QCOMPARE(h.trailingBytes, 10);
        QCOMPARE(h.point.projectNameText(), QStringLiteral("项目A"));
        QCOMPARE(h.device.deviceNumber, 20240101u);
        std::vector<RvaRecord> rva;
        QCOMPARE(readRecords(file, rva), 0);
        QCOMPARE(rva.size(), std::size_t(3));
        QCOMPARE(rva[2].sequence, 3u);
        DataFileContents contents;
        QCOMPARE(readDataFile(file, contents), 0);
        QCOMPARE(contents.rva.size(), std::size_t(3));
        QVERIFY(contents.rvb.empty());
    }

    void badFilesAreReadWithinTheirBounds_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("records");
        QByteArray noZero = header(5);
        noZero.replace(0, 66, QByteArray(66, 'N'));
        QByteArray probe = header(5);
        putU8(probe, 106, 200);
        QTest::newRow("empty") << QByteArray() << int(ReadEmpty) << 0;
        QTest::newRow("truncated header") << header(5).left(300) << int(ReadShortHeader) << 0;
        QTest::newRow("header cut before the type code") << header(5).left(499) << int(ReadShortHeader) << 0;
        QTest::newRow("fragment only") << (header(5) + QByteArray(31, 'x')) << int(ReadOk) << 0;
        QTest::newRow("unknown type code")
            << (header(9) + QByteArray(200, 'x')) << int(ReadUnknownFamily) << 0;
        QTest::newRow("names without zero byte") << noZero << int(ReadOk) << 0;
        QTest::newRow("probe version 200") << probe << int(ReadOk) << 0;
        QTest::newRow("rvb with fragment") << (header(1) + QByteArray(250, 'x')) << int(ReadOk) << 2;
    }
    void badFilesAreReadWithinTheirBounds()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        QFETCH(int, records);
        const QString file = path(QStringLiteral("bad.lmv"));
        QVERIFY(writeFile(file, content));
        DataFileContents contents;
        QCOMPARE(readDataFile(file, contents), result);
        QCOMPARE(static_cast<int>(contents.rva.size() + contents.rvb.size()), records);
        QVERIFY(contents.header.point.projectNameText().size() <= 33);
        QVERIFY(contents.header.point.pointNameText().size() <= 33);
        QCOMPARE(contents.header.fileSize, content.size());
    }

    void missingFileIsReportedByEveryReader()
    {
        DataFileHeader h;
        std::vector<RvbRecord> rvb;
        DataFileContents c;
        const QString none = path(QStringLiteral("none.lmv"));
        QCOMPARE(readHeader(none, h), int(ReadCannotOpen));
        QCOMPARE(readRecords(none, rvb), int(ReadCannotOpen));
        QCOMPARE(readDataFile(none, c), int(ReadCannotOpen));
    }

    void millionRecordFileIsReadQuickly()
    {
        QByteArray big = header(5);
        big.reserve(512 + 32 * 1000000);
        const QByteArray rec = rvaRecord({1, 0.5f, 0.5f, 1.0f, 10.0f, 2024, 1, 1, 0, 0, 0});
        for (int i = 0; i < 1000000; ++i)
            big += rec;
        const QString file = path(QStringLiteral("big.lmv"));
        QVERIFY(writeFile(file, big));
        QElapsedTimer timer;
        timer.start();
        DataFileContents contents;
        QCOMPARE(readDataFile(file, contents), 0);
        const qint64 ms = timer.elapsed();
        QCOMPARE(contents.rva.size(), std::size_t(1000000));
        QCOMPARE(contents.rva.back().level, 0.5f);
#ifdef __OPTIMIZE__ // the time limit holds for optimised builds, not for sanitizer builds
        QVERIFY2(ms < 500, qPrintable(QStringLiteral("%1 ms").arg(ms)));
#else
        Q_UNUSED(ms);
#endif
        QFile::remove(file);
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
