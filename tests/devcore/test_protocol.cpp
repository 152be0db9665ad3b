// Request encodings of the three command groups, byte for byte, and the sorting of replies into
// the signals that carry them.
#include "device/core/CommonProtocol.h"
#include "device/core/FrameCodec.h"
#include "device/core/ReplyClassifier.h"
#include "device/core/RvaProtocol.h"
#include "device/core/RvbProtocol.h"

#include <QtTest>

using lmv::ReplyKind;

Q_DECLARE_METATYPE(ReplyKind)

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}
} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void requestsAreEncodedByteForByte_data();
    void requestsAreEncodedByteForByte();
    void pageArgumentKeepsItsLowEightBits();
    void everyDirectoryRequestWithDeviceSizedNamesFitsOneFrame();
    void repliesAreClassifiedByGroupAndCommand_data();
    void repliesAreClassifiedByGroupAndCommand();
    void replyContentStartsAfterTheCommandByte();
};

void TestProtocol::requestsAreEncodedByteForByte_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");
    const QString project = QString::fromUtf8("项目"); // GB2312 cf ee c4 bf
    const QString point = QString::fromUtf8("测点");   // GB2312 b2 e2 b5 e3

    QTest::newRow("device information") << lmv::CommonProtocol::deviceInfoRequest() << hex("4c4d0000");

    QTest::newRow("rva project list page 0") << lmv::RvaProtocol::projectListRequest(0)
                                             << hex("4c4d2000"
                                                    "00"
                                                    "303a2f"
                                                    "00");
    QTest::newRow("rva project list page 7") << lmv::RvaProtocol::projectListRequest(7)
                                             << hex("4c4d2000"
                                                    "07"
                                                    "303a2f"
                                                    "00");
    QTest::newRow("rva position list") << lmv::RvaProtocol::positionListRequest(project, 2)
                                       << hex("4c4d2001"
                                              "02"
                                              "303a2f"
                                              "cfeec4bf"
                                              "00");
    QTest::newRow("rva file list") << lmv::RvaProtocol::fileListRequest(project + "/" + point, 0)
                                   << hex("4c4d2002"
                                          "00"
                                          "303a2f"
                                          "cfeec4bf"
                                          "2f"
                                          "b2e2b5e3"
                                          "00");
    QTest::newRow("rva record data") << lmv::RvaProtocol::recordDataRequest("0:/a/b/c.lmv", 3)
                                     << hex("4c4d2003"
                                            "03"
                                            "303a2f612f622f632e6c6d76"
                                            "00");
    QTest::newRow("rva stop reading") << lmv::RvaProtocol::stopReadingRequest()
                                      << hex("4c4d2004"
                                             "00");
    QTest::newRow("rva set device number 12345678") << lmv::RvaProtocol::setDeviceNumberRequest(12345678)
                                                    << hex("4c4d2005"
                                                           "00"
                                                           "4e61bc00");
    QTest::newRow("rva set device number all ones") << lmv::RvaProtocol::setDeviceNumberRequest(0xFFFFFFFFu)
                                                    << hex("4c4d2005"
                                                           "00"
                                                           "ffffffff");

    QTest::newRow("rvb project list page 0") << lmv::RvbProtocol::projectListRequest(0)
                                             << hex("4c4d1000"
                                                    "00"
                                                    "303a2f"
                                                    "00");
    QTest::newRow("rvb position list") << lmv::RvbProtocol::positionListRequest(project, 0)
                                       << hex("4c4d1001"
                                              "00"
                                              "303a2f"
                                              "cfeec4bf"
                                              "00");
    QTest::newRow("rvb file list") << lmv::RvbProtocol::fileListRequest(project + "/" + point, 9)
                                   << hex("4c4d1002"
                                          "09"
                                          "303a2f"
                                          "cfeec4bf"
                                          "2f"
                                          "b2e2b5e3"
                                          "00");
    QTest::newRow("rvb node table") << lmv::RvbProtocol::nodeTableRequest("0:/a/b/c.lmv")
                                    << hex("4c4d1003"
                                           "00"
                                           "303a2f612f622f632e6c6d76"
                                           "00");
    QTest::newRow("rvb record data page 0")
        << lmv::RvbProtocol::recordDataRequest("0:/a/b/c.lmv", 0, 0x100, 0x200)
        << hex("4c4d1004"
               "00"
               "00010000"
               "00020000"
               "303a2f612f622f632e6c6d76"
               "00");
    QTest::newRow("rvb record data with a monthly file name")
        << lmv::RvbProtocol::recordDataRequest(QString::fromUtf8("0:/a/b/2019年01月.lmv"), 4, 0x01020304,
                                               0xA0B0C0D0)
        << hex("4c4d1004"
               "04"
               "04030201"
               "d0c0b0a0"
               "303a2f612f622f"
               "32303139c4ea3031d4c22e6c6d76"
               "00");
    QTest::newRow("rvb stop reading") << lmv::RvbProtocol::stopReadingRequest()
                                      << hex("4c4d1005"
                                             "00");
}

void TestProtocol::requestsAreEncodedByteForByte()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, expected);
    QCOMPARE(payload.toHex(' '), expected.toHex(' '));
}

void TestProtocol::pageArgumentKeepsItsLowEightBits()
{
    QCOMPARE(lmv::RvaProtocol::projectListRequest(0x1F3).toHex(), hex("4c4d2000"
                                                                      "f3"
                                                                      "303a2f00")
                                                                      .toHex());
    QCOMPARE(lmv::RvbProtocol::recordDataRequest("p", 0x100, 0, 0).at(4), '\0');
}

void TestProtocol::everyDirectoryRequestWithDeviceSizedNamesFitsOneFrame()
{
    // Names as long as a device list entry can be (32 GB2312 bytes), made of characters whose trail
    // byte needs escaping on the wire.
    const QString longName = QString(16, QChar(0x9F44)); // GB2312 f7 fe: every trail byte is escaped
    const QString path = "0:/" + longName + "/" + longName + "/" + QString::fromUtf8("2019年01月.lmv");
    const QList<QByteArray> requests = {
        lmv::RvaProtocol::positionListRequest(longName, 0xEF),
        lmv::RvaProtocol::fileListRequest(longName + "/" + longName, 0xEF),
        lmv::RvaProtocol::recordDataRequest(path, 0xEF),
        lmv::RvbProtocol::nodeTableRequest(path),
        lmv::RvbProtocol::recordDataRequest(path, 0xEF, 0xFFFFFFFF, 0xFEFEFEFE),
    };
    for (const QByteArray &payload : requests) {
        const QByteArray frame = lmv::buildFrame(payload);
        QVERIFY2(!frame.isEmpty(), payload.toHex().constData());
        QVERIFY(frame.size() <= 208);
    }
}

void TestProtocol::repliesAreClassifiedByGroupAndCommand_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<ReplyKind>("kind");

    QTest::newRow("device information") << hex("4c4d0000") + QByteArray(16, 'x') << ReplyKind::DeviceInfo;
    QTest::newRow("link closed") << hex("4c4d007e") << ReplyKind::LinkClosed;
    QTest::newRow("other common command") << hex("4c4d0001") << ReplyKind::Dropped;
    QTest::newRow("rva project names") << hex("4c4d2000f0") << ReplyKind::RvaProjectNames;
    QTest::newRow("rva positions") << hex("4c4d2001f0") << ReplyKind::RvaPositionRecords;
    QTest::newRow("rva file names") << hex("4c4d2002f0") << ReplyKind::RvaFileNames;
    QTest::newRow("rva record data") << hex("4c4d2003f1") << ReplyKind::RvaRecordData;
    QTest::newRow("rva stop acknowledged") << hex("4c4d2004") << ReplyKind::Dropped;
    QTest::newRow("rva set number acknowledged") << hex("4c4d2005") << ReplyKind::Dropped;
    QTest::newRow("rva link closed command") << hex("4c4d207e") << ReplyKind::Dropped;
    QTest::newRow("rvb project names") << hex("4c4d1000f0") << ReplyKind::RvbProjectNames;
    QTest::newRow("rvb position names") << hex("4c4d1001f0") << ReplyKind::RvbPositionNames;
    QTest::newRow("rvb file names") << hex("4c4d1002f0") << ReplyKind::RvbFileNames;
    QTest::newRow("rvb node table") << hex("4c4d1003f0") << ReplyKind::RvbNodeTable;
    QTest::newRow("rvb record data") << hex("4c4d1004f0") << ReplyKind::RvbRecordData;
    QTest::newRow("rvb stop acknowledged") << hex("4c4d1005") << ReplyKind::Dropped;
    QTest::newRow("unknown group") << hex("4c4d3000f0") << ReplyKind::Dropped;
    QTest::newRow("group of the other byte order") << hex("4c4d0200f0") << ReplyKind::Dropped;
    QTest::newRow("three bytes") << hex("4c4d00") << ReplyKind::Dropped;
    QTest::newRow("empty") << QByteArray() << ReplyKind::Dropped;
    QTest::newRow("lower-case header") << hex("6c6d0000") << ReplyKind::Dropped;
    QTest::newRow("header bytes swapped") << hex("4d4c0000") << ReplyKind::Dropped;
}

void TestProtocol::repliesAreClassifiedByGroupAndCommand()
{
    QFETCH(QByteArray, payload);
    QFETCH(ReplyKind, kind);
    const lmv::ClassifiedReply reply = lmv::classifyReply(payload);
    QCOMPARE(reply.kind, kind);
    QCOMPARE(lmv::classifyReplyKind(payload.constData(), payload.size()), kind);
    if (kind == ReplyKind::Dropped)
        QVERIFY(reply.content.isEmpty());
}

void TestProtocol::replyContentStartsAfterTheCommandByte()
{
    const QByteArray payload = hex("4c4d2000"
                                   "f0"
                                   "6100"
                                   "00"
                                   "6200");
    const lmv::ClassifiedReply reply = lmv::classifyReply(payload);
    QCOMPARE(reply.kind, ReplyKind::RvaProjectNames);
    QCOMPARE(reply.content.toHex(' '), hex("f0"
                                           "6100"
                                           "00"
                                           "6200")
                                           .toHex(' '));
    QVERIFY(lmv::classifyReply(hex("4c4d007e")).content.isEmpty());
}

QTEST_APPLESS_MAIN(TestProtocol)
#include "test_protocol.moc"
