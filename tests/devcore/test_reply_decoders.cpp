// Decoding of reply contents (page byte first) with whole, short and odd-sized contents.
#include "device/core/ReplyDecoders.h"

#include <QtTest>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray u32(quint32 v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
    return out;
}

// An 88-byte point record laid out by hand: project name at 0, point name at 33, shape at 68,
// then the four dimensions at 72, 76, 80, 84.
QByteArray pointRecord(const QByteArray &project, const QByteArray &point, quint32 shape, quint32 h,
                       quint32 w, quint32 t, quint32 y)
{
    QByteArray rec(88, '\0');
    rec.replace(0, project.size(), project);
    rec.replace(33, point.size(), point);
    rec.replace(66, 2, "\x11\x22");
    rec.replace(68, 4, u32(shape));
    rec.replace(72, 4, u32(h));
    rec.replace(76, 4, u32(w));
    rec.replace(80, 4, u32(t));
    rec.replace(84, 4, u32(y));
    return rec;
}
} // namespace

class TestReplyDecoders : public QObject
{
    Q_OBJECT

private slots:
    void pageByteMarksFirstAndLastPages_data();
    void pageByteMarksFirstAndLastPages();
    void nameListsSkipEmptyNames_data();
    void nameListsSkipEmptyNames();
    void positionListReadsOnlyWholeRecords_data();
    void positionListReadsOnlyWholeRecords();
    void positionFieldsComeFromTheirOffsets();
    void fileListPairsEachPartWithItsSize_data();
    void fileListPairsEachPartWithItsSize();
    void nodeTableNeedsTheLastPageMarker_data();
    void nodeTableNeedsTheLastPageMarker();
    void recordDataPageSeparatesPageByteFromFileBytes();
    void deviceInfoReplyIsZeroFilledWhenShort();
};

void TestReplyDecoders::pageByteMarksFirstAndLastPages_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("lastList");
    QTest::addColumn<bool>("firstData");
    QTest::addColumn<bool>("lastData");
    QTest::newRow("empty content") << QByteArray() << false << false << false << false;
    QTest::newRow("page 0") << hex("00") << true << false << false << false;
    QTest::newRow("page 1 opens a long file") << hex("01") << true << false << true << false;
    QTest::newRow("page 2") << hex("02ff") << true << false << false << false;
    QTest::newRow("0xEF highest page") << hex("ef") << true << false << false << false;
    QTest::newRow("0xF0 ends lists and files") << hex("f0") << true << true << false << true;
    QTest::newRow("0xF1 a one-page file") << hex("f1") << true << false << true << true;
    QTest::newRow("0xF2 is a page number") << hex("f2") << true << false << false << false;
}

void TestReplyDecoders::pageByteMarksFirstAndLastPages()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QFETCH(bool, lastList);
    QFETCH(bool, firstData);
    QFETCH(bool, lastData);
    const lmv::ReplyPage page = lmv::decodeReplyPage(content);
    QCOMPARE(page.valid, valid);
    QCOMPARE(page.lastListPage(), lastList);
    QCOMPARE(page.firstDataPage(), firstData);
    QCOMPARE(page.lastDataPage(), lastData);
    if (valid)
        QCOMPARE(page.page, quint8(content.at(0)));
}

void TestReplyDecoders::nameListsSkipEmptyNames_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("last");
    QTest::newRow("two projects with an empty name between") << hex("f0"
                                                                    "61"
                                                                    "00"
                                                                    "00"
                                                                    "62"
                                                                    "00")
                                                             << QStringList{"a", "b"} << true;
    QTest::newRow("more pages follow") << hex("03"
                                              "616263"
                                              "00")
                                       << QStringList{"abc"} << false;
    QTest::newRow("name without its terminator") << hex("f0"
                                                        "6100"
                                                        "6263")
                                                 << QStringList{"a", "bc"} << true;
    QTest::newRow("GB2312 names") << hex("f0"
                                         "cfeec4bf"
                                         "00"
                                         "b2e2b5e3"
                                         "00")
                                  << QStringList{QString::fromUtf8("项目"), QString::fromUtf8("测点")}
                                  << true;
    QTest::newRow("name that decodes to nothing is skipped") << hex("f0"
                                                                    "a1"
                                                                    "00"
                                                                    "61")
                                                             << QStringList{"a"} << true;
    QTest::newRow("only a page byte") << hex("f0") << QStringList{} << true;
    QTest::newRow("only zeros") << hex("05000000") << QStringList{} << false;
    QTest::newRow("no page byte") << QByteArray() << QStringList{} << false;
}

void TestReplyDecoders::nameListsSkipEmptyNames()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(bool, last);
    const lmv::NameListPage list = lmv::decodeNameList(content);
    QCOMPARE(list.names, names);
    QCOMPARE(list.page.lastListPage(), last);
}

void TestReplyDecoders::positionListReadsOnlyWholeRecords_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("trailing");
    const QByteArray a = pointRecord("p", "A", 0, 1000, 0, 0, 20);
    const QByteArray b = pointRecord("p", hex("b2e2b5e3"), 2, 800, 600, 1200, 0);
    QTest::newRow("176 bytes are two points")
        << hex("f0") + a + b << QStringList{"A", QString::fromUtf8("测点")} << 0;
    QTest::newRow("one byte short of two") << hex("f0") + a + b.left(87) << QStringList{"A"} << 87;
    QTest::newRow("one byte over one") << hex("04") + a + hex("00") << QStringList{"A"} << 1;
    QTest::newRow("less than a record") << hex("f0") + a.left(40) << QStringList{} << 40;
    QTest::newRow("only a page byte") << hex("f0") << QStringList{} << 0;
    QTest::newRow("no page byte") << QByteArray() << QStringList{} << 0;
}

void TestReplyDecoders::positionListReadsOnlyWholeRecords()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(int, trailing);
    const lmv::PositionListPage list = lmv::decodeRvaPositionList(content);
    QStringList got;
    for (const lmv::DevicePoint &p : list.points)
        got.append(p.pointName);
    QCOMPARE(got, names);
    QCOMPARE(list.trailingBytes, trailing);
}

void TestReplyDecoders::positionFieldsComeFromTheirOffsets()
{
    // A point name filling its whole 33-byte field without a terminator stops at the field's end.
    const QByteArray longName(33, 'n');
    const QByteArray content = hex("f0") + pointRecord("proj", longName, 0xFFFFFFFE, 0x01020304, 5, 6, 7);
    const lmv::PositionListPage list = lmv::decodeRvaPositionList(content);
    QCOMPARE(list.points.size(), 1);
    const lmv::DevicePoint &p = list.points.first();
    QCOMPARE(p.pointName, QString(33, 'n'));
    QCOMPARE(p.pipeShape, -2);
    QCOMPARE(p.heightOrDiameter, 0x01020304u);
    QCOMPARE(p.widthOrLowerBase, 5u);
    QCOMPARE(p.upperBase, 6u);
    QCOMPARE(p.sediment, 7u);
    QCOMPARE(p.record.projectNameText(), QString("proj"));
    QCOMPARE(p.record.toBytes(), content.mid(1));
}

void TestReplyDecoders::fileListPairsEachPartWithItsSize_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("rvb");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<quint32>>("sizes");

    const QByteArray three =
        hex("f0") + "x.lmv\r\ny.txt\r\nz.lmv" + hex("00") + u32(100) + u32(200) + u32(300);
    QTest::newRow("group rva keeps every name")
        << three << false << QStringList{"x.lmv", "y.txt", "z.lmv"} << QList<quint32>{100, 200, 300};
    QTest::newRow("group rvb keeps .lmv with their own sizes")
        << three << true << QStringList{"x.lmv", "z.lmv"} << QList<quint32>{100, 300};
    QTest::newRow("empty part consumes a size")
        << hex("02") + "a\r\n\r\nb" + hex("00") + u32(1) + u32(2) + u32(3) << false << QStringList{"a", "b"}
        << QList<quint32>{1, 3};
    QTest::newRow("trailing separator leaves an empty last part")
        << hex("f0") + "a\r\n" + hex("00") + u32(9) << false << QStringList{"a"} << QList<quint32>{9};
    QTest::newRow("missing sizes read as 0") << hex("f0") + "a\r\nb\r\nc" + hex("00") + u32(7) << false
                                             << QStringList{"a", "b", "c"} << QList<quint32>{7, 0, 0};
    QTest::newRow("a partial size reads as 0") << hex("f0") + "a\r\nb" + hex("00") + u32(7) + hex("0102")
                                               << false << QStringList{"a", "b"} << QList<quint32>{7, 0};
    QTest::newRow("no terminating zero")
        << hex("f0") + "a\r\nb" << false << QStringList{"a", "b"} << QList<quint32>{0, 0};
    QTest::newRow("extension is case-sensitive in group rvb")
        << hex("f0") + "A.LMV\r\nb.lmv\r\nc.lmvx" + hex("00") + u32(1) + u32(2) + u32(3) << true
        << QStringList{"b.lmv"} << QList<quint32>{2};
    QTest::newRow("GB2312 monthly file")
        << hex("f0"
               "32303139c4ea3031d4c22e6c6d76"
               "00") +
               u32(0x00123456)
        << true << QStringList{QString::fromUtf8("2019年01月.lmv")} << QList<quint32>{0x00123456};
    QTest::newRow("lone CR and LF stay in names")
        << hex("f0") + "a\rb\nc" + hex("00") + u32(5) << false << QStringList{"a\rb\nc"} << QList<quint32>{5};
    QTest::newRow("name that decodes to nothing keeps its size slot")
        << hex("f0"
               "fe"
               "0d0a"
               "62") +
               hex("00") + u32(1) + u32(2)
        << false << QStringList{"b"} << QList<quint32>{2};
    QTest::newRow("empty block") << hex("f000") << false << QStringList{} << QList<quint32>{};
    QTest::newRow("no page byte") << QByteArray() << false << QStringList{} << QList<quint32>{};
}

void TestReplyDecoders::fileListPairsEachPartWithItsSize()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, rvb);
    QFETCH(QStringList, names);
    QFETCH(QList<quint32>, sizes);
    const lmv::FileListPage list = lmv::decodeFileList(content, rvb ? lmv::Family::Rvb : lmv::Family::Rva);
    QStringList gotNames;
    QList<quint32> gotSizes;
    for (const lmv::DeviceFileEntry &f : list.files) {
        gotNames.append(f.name);
        gotSizes.append(f.size);
    }
    QCOMPARE(gotNames, names);
    QCOMPARE(gotSizes, sizes);
}

void TestReplyDecoders::nodeTableNeedsTheLastPageMarker_data()
{
    using Status = lmv::NodeTable::Status;
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("firstDay");
    QTest::addColumn<int>("lastDay");
    QTest::addColumn<quint32>("day17");

    QByteArray nodes(124, '\0');
    nodes.replace(2 * 4, 4, u32(512));   // day 3
    nodes.replace(16 * 4, 4, u32(9000)); // day 17
    QTest::newRow("days 3 and 17") << hex("f0") + nodes << int(Status::Ok) << 3 << 17 << 9000u;
    QTest::newRow("extra bytes ignored") << hex("f0") + nodes + "zz" << int(Status::Ok) << 3 << 17 << 9000u;
    QByteArray last(124, '\0');
    last.replace(30 * 4, 4, u32(1));
    QTest::newRow("only day 31") << hex("f0") + last << int(Status::Ok) << 31 << 31 << 0u;
    QTest::newRow("no day has records")
        << hex("f0") + QByteArray(124, '\0') << int(Status::Ok) << 0 << 0 << 0u;
    QTest::newRow("wrong page byte") << hex("00") + nodes << int(Status::NotLastPage) << 0 << 0 << 0u;
    QTest::newRow("no page byte") << QByteArray() << int(Status::NotLastPage) << 0 << 0 << 0u;
    QTest::newRow("cut inside day 17")
        << hex("f0") + nodes.left(16 * 4 + 3) << int(Status::Truncated) << 3 << 3 << 0u;
    QTest::newRow("one byte short") << hex("f0") + nodes.left(123) << int(Status::Truncated) << 3 << 17
                                    << 9000u;
}

void TestReplyDecoders::nodeTableNeedsTheLastPageMarker()
{
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(int, firstDay);
    QFETCH(int, lastDay);
    QFETCH(quint32, day17);
    const lmv::NodeTable table = lmv::decodeNodeTable(content);
    QCOMPARE(int(table.status), status);
    QCOMPARE(table.firstDay(), firstDay);
    QCOMPARE(table.lastDay(), lastDay);
    QCOMPARE(table.dayNodes[16], day17);
}

void TestReplyDecoders::recordDataPageSeparatesPageByteFromFileBytes()
{
    const lmv::RecordDataPage page = lmv::decodeRecordDataPage(hex("f1"
                                                                   "00fe01"));
    QVERIFY(page.page.firstDataPage());
    QVERIFY(page.page.lastDataPage());
    QCOMPARE(page.data, hex("00fe01"));
    const lmv::RecordDataPage empty = lmv::decodeRecordDataPage(QByteArray());
    QVERIFY(!empty.page.valid);
    QVERIFY(empty.data.isEmpty());
}

void TestReplyDecoders::deviceInfoReplyIsZeroFilledWhenShort()
{
    // number 0x12345678, type 5, version bytes 1..5, 2 reserved, protocol version 1.5f (0x3FC00000)
    const QByteArray whole = hex("78563412"
                                 "05"
                                 "0102030405"
                                 "0000"
                                 "0000c03f");
    const lmv::DeviceInfo full = lmv::decodeDeviceInfoReply(whole + "trailing");
    QCOMPARE(full.deviceNumber, 0x12345678u);
    QCOMPARE(int(full.typeCode), 5);
    QCOMPARE(int(full.modelCode()), 5);
    QCOMPARE(full.protocolVersion, 1.5f);

    const lmv::DeviceInfo shortInfo = lmv::decodeDeviceInfoReply(whole.left(6));
    QCOMPARE(shortInfo.deviceNumber, 0x12345678u);
    QCOMPARE(int(shortInfo.typeCode), 5);
    QCOMPARE(int(shortInfo.versionBytes[0]), 1);
    QCOMPARE(int(shortInfo.versionBytes[1]), 0);
    QCOMPARE(shortInfo.protocolVersion, 0.0f);
    QCOMPARE(lmv::decodeDeviceInfoReply(QByteArray()).deviceNumber, 0u);

    // Regression: a reply cut inside the device number kept none of its bytes.
    const lmv::DeviceInfo cut = lmv::decodeDeviceInfoReply(hex("61bc04"));
    QCOMPARE(cut.deviceNumber, 0x0004BC61u);
    QCOMPARE(int(cut.typeCode), 0);
    const lmv::DeviceInfo cutVersion = lmv::decodeDeviceInfoReply(whole.left(14));
    QCOMPARE(cutVersion.protocolVersion, 0.0f);
    QCOMPARE(lmv::decodeDeviceInfoReply(whole.left(15)).toBytes(), whole.left(15) + hex("00"));
}

QTEST_APPLESS_MAIN(TestReplyDecoders)
#include "test_reply_decoders.moc"
