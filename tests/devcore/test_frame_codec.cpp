// Frame codec: checksum vectors, stuffing, and extraction from a receive buffer however the
// bytes arrive.
#include "device/core/FrameCodec.h"

#include <QtTest>

using lmv::ExtractStatus;

Q_DECLARE_METATYPE(ExtractStatus)

namespace {
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}
} // namespace

class TestFrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void checksumMatchesKnownVectors_data();
    void checksumMatchesKnownVectors();
    void framesAreBuiltByteForByte_data();
    void framesAreBuiltByteForByte();
    void oversizedRequestIsRefused_data();
    void oversizedRequestIsRefused();
    void replyFrameEndsWithThreeEndBytes();
    void extractionReportsEachStatus_data();
    void extractionReportsEachStatus();
    void everyBuiltFrameExtractsToItsPayload_data();
    void everyBuiltFrameExtractsToItsPayload();
    void frameInTwoPiecesIsExtractedOnceComplete();
    void byteByByteDeliveryEqualsBulkDelivery();
    void leftoverEndBytesAreSkippedBeforeTheNextReply();
    void failedExtractionLeavesThePreviousPayloadAlone();
};

void TestFrameCodec::checksumMatchesKnownVectors_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("empty yields initial value") << QByteArray() << 0xFFFF;
    QTest::newRow("worked example") << bytes({0x01, 0xFE, 0x02}) << 0xA1E1;
}

void TestFrameCodec::checksumMatchesKnownVectors()
{
    QFETCH(QByteArray, input);
    QFETCH(int, crc);
    QCOMPARE(int(lmv::crc16Modbus(input)), crc);
    QCOMPARE(int(lmv::crc16Modbus(input.constData(), input.size())), crc);
}

void TestFrameCodec::framesAreBuiltByteForByte_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("worked example") << bytes({0x01, 0xFE, 0x02})
                                    << bytes({0xFF, 0xFF, 0x01, 0xFD, 0xFE, 0x02, 0xE1, 0xA1, 0xFE});
    // "123456789" has the CRC 0x4B37, sent low byte first.
    QTest::newRow("check value low byte first") << QByteArray("123456789")
                                                << QByteArray("\xFF\xFF"
                                                              "123456789"
                                                              "\x37\x4B\xFE");
    // An empty payload has the CRC 0xFFFF: both checksum bytes are escaped.
    QTest::newRow("escaped checksum bytes")
        << QByteArray() << bytes({0xFF, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF, 0xFE});
    QTest::newRow("all three markers in the payload")
        << bytes({0xFD, 0xFE, 0xFF}) << (bytes({0xFF, 0xFF, 0xFD, 0xFD, 0xFD, 0xFE, 0xFD, 0xFF}) + [] {
               const quint16 crc = lmv::crc16Modbus(bytes({0xFD, 0xFE, 0xFF}));
               QByteArray tail;
               for (quint8 b : {quint8(crc & 0xFF), quint8(crc >> 8)}) {
                   if (b >= 0xFD)
                       tail.append('\xFD');
                   tail.append(char(b));
               }
               return tail + bytes({0xFE});
           }());
}

void TestFrameCodec::framesAreBuiltByteForByte()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    QCOMPARE(lmv::buildFrame(payload).toHex(' '), frame.toHex(' '));
    QCOMPARE(lmv::frameSizeFor(payload), frame.size());
}

void TestFrameCodec::oversizedRequestIsRefused_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("fits");
    QTest::newRow("100 bytes that all need escaping") << QByteArray(100, '\xFE') << true;
    // 203 x 'a' has the CRC 0xCEAC: no escapes, exactly 208 bytes.
    QTest::newRow("exactly 208 bytes") << QByteArray(203, 'a') << true;
    QTest::newRow("204 plain bytes") << QByteArray(204, 'a') << false;
    QTest::newRow("102 escaped bytes") << QByteArray(102, '\xFD') << false;
}

void TestFrameCodec::oversizedRequestIsRefused()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, fits);
    const QByteArray frame = lmv::buildFrame(payload);
    if (fits) {
        QVERIFY(!frame.isEmpty());
        QVERIFY(frame.size() <= 208);
        QCOMPARE(lmv::frameSizeFor(payload), frame.size());
    } else {
        QVERIFY(lmv::frameSizeFor(payload) > 208);
        QVERIFY(frame.isEmpty());
    }
}

void TestFrameCodec::replyFrameEndsWithThreeEndBytes()
{
    const QByteArray payload(3000, '\xFE');
    const QByteArray reply = lmv::buildReplyFrame(payload);
    QVERIFY(reply.endsWith(bytes({0xFE, 0xFE, 0xFE})));
    QVERIFY(lmv::endsWithReplyTerminator(reply));
    QVERIFY(!lmv::endsWithReplyTerminator(lmv::buildFrame(QByteArray("LM\0\0", 4))));
    QVERIFY(!lmv::endsWithReplyTerminator(bytes({0xFE, 0xFE})));
    QByteArray rx = reply;
    QByteArray out;
    QCOMPARE(lmv::extractFrame(rx, out), ExtractStatus::FrameOk);
    QCOMPARE(out, payload);
    QCOMPARE(rx, bytes({0xFE, 0xFE}));
}

void TestFrameCodec::extractionReportsEachStatus_data()
{
    QTest::addColumn<QByteArray>("rx");
    QTest::addColumn<ExtractStatus>("status");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("rest");

    const QByteArray example = bytes({0xFF, 0xFF, 0x01, 0xFD, 0xFE, 0x02, 0xE1, 0xA1, 0xFE});
    QTest::newRow("worked example") << example << ExtractStatus::FrameOk << bytes({0x01, 0xFE, 0x02})
                                    << QByteArray();
    QTest::newRow("bytes after the end stay")
        << example + "xyz" << ExtractStatus::FrameOk << bytes({0x01, 0xFE, 0x02}) << QByteArray("xyz");
    QTest::newRow("garbage before the start is dropped")
        << QByteArray("ab") + example << ExtractStatus::FrameOk << bytes({0x01, 0xFE, 0x02}) << QByteArray();
    QTest::newRow("empty frame is too short")
        << bytes({0xFF, 0xFF, 0xFE}) << ExtractStatus::FrameTooShort << QByteArray() << QByteArray();
    QTest::newRow("two data bytes are too short")
        << bytes({0xFF, 0xFF, 0x01, 0x02, 0xFE, 0x07}) << ExtractStatus::FrameTooShort << QByteArray()
        << bytes({0x07});
    QTest::newRow("wrong checksum removes the frame")
        << bytes({0xFF, 0xFF, 0x01, 0xFD, 0xFE, 0x02, 0xE1, 0xA2, 0xFE, 0x09})
        << ExtractStatus::ChecksumMismatch << QByteArray() << bytes({0x09});
    QTest::newRow("no end byte yet") << example.left(6) << ExtractStatus::FrameIncomplete << QByteArray()
                                     << example.left(6);
    QTest::newRow("lone escape at the end")
        << bytes({0xFF, 0xFF, 0x01, 0xFD}) << ExtractStatus::FrameIncomplete << QByteArray()
        << bytes({0xFF, 0xFF, 0x01, 0xFD});
    QTest::newRow("garbage dropped even when incomplete")
        << bytes({0x10, 0x20, 0xFF, 0x01}) << ExtractStatus::FrameIncomplete << QByteArray()
        << bytes({0xFF, 0x01});
    QTest::newRow("no start byte empties the buffer")
        << bytes({0x01, 0xFE, 0xFD, 0xFE}) << ExtractStatus::NoStartByte << QByteArray() << QByteArray();
    QTest::newRow("empty buffer has no start byte")
        << QByteArray() << ExtractStatus::NoStartByte << QByteArray() << QByteArray();
    QTest::newRow("start byte inside a frame is ignored")
        << bytes({0xFF, 0xFF, 0x01, 0xFF, 0xFD, 0xFE, 0x02, 0xE1, 0xA1, 0xFE}) << ExtractStatus::FrameOk
        << bytes({0x01, 0xFE, 0x02}) << QByteArray();
}

void TestFrameCodec::extractionReportsEachStatus()
{
    QFETCH(QByteArray, rx);
    QFETCH(ExtractStatus, status);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, rest);
    QByteArray out("untouched");
    QCOMPARE(lmv::extractFrame(rx, out), status);
    QCOMPARE(rx.toHex(' '), rest.toHex(' '));
    if (status == ExtractStatus::FrameOk)
        QCOMPARE(out.toHex(' '), payload.toHex(' '));
    else
        QCOMPARE(out, QByteArray("untouched"));
}

void TestFrameCodec::everyBuiltFrameExtractsToItsPayload_data()
{
    QTest::addColumn<QByteArray>("payload");
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QTest::newRow("every byte value") << all;
    QTest::newRow("one byte") << bytes({0xFD});
    QTest::newRow("only markers") << QByteArray(50, '\xFF');
    QTest::newRow("device info request") << QByteArray("LM\0\0", 4);
}

void TestFrameCodec::everyBuiltFrameExtractsToItsPayload()
{
    QFETCH(QByteArray, payload);
    QByteArray rx = lmv::buildReplyFrame(payload);
    QByteArray out;
    QCOMPARE(lmv::extractFrame(rx, out), ExtractStatus::FrameOk);
    QCOMPARE(out, payload);
}

void TestFrameCodec::frameInTwoPiecesIsExtractedOnceComplete()
{
    const QByteArray frame = bytes({0xFF, 0xFF, 0x01, 0xFD, 0xFE, 0x02, 0xE1, 0xA1, 0xFE});
    for (int cut = 1; cut < frame.size(); ++cut) {
        QByteArray rx = frame.left(cut);
        QByteArray out;
        QCOMPARE(lmv::extractFrame(rx, out), ExtractStatus::FrameIncomplete);
        QCOMPARE(rx, frame.left(cut));
        rx.append(frame.mid(cut));
        QCOMPARE(lmv::extractFrame(rx, out), ExtractStatus::FrameOk);
        QCOMPARE(out, bytes({0x01, 0xFE, 0x02}));
        QVERIFY(rx.isEmpty());
    }
}

void TestFrameCodec::byteByByteDeliveryEqualsBulkDelivery()
{
    // Three replies, a corrupt one and some line noise in between.
    QByteArray corrupt = lmv::buildReplyFrame("LM\x20\x03"
                                              "abc");
    corrupt[5] = 'X';
    const QByteArray stream = QByteArray("\x00\x13", 2) + lmv::buildReplyFrame(QByteArray("LM\0\0", 4)) +
                              corrupt + lmv::emptyFrame() + lmv::buildReplyFrame(QByteArray(300, '\xFD'));

    auto drain = [](QByteArray &rx, QList<int> &statuses, QList<QByteArray> &payloads) {
        for (;;) {
            QByteArray out;
            const ExtractStatus s = lmv::extractFrame(rx, out);
            if (s == ExtractStatus::FrameIncomplete || s == ExtractStatus::NoStartByte)
                return;
            statuses.append(int(s));
            if (s == ExtractStatus::FrameOk)
                payloads.append(out);
        }
    };

    QByteArray bulkRx = stream;
    QList<int> bulkStatuses;
    QList<QByteArray> bulkPayloads;
    drain(bulkRx, bulkStatuses, bulkPayloads);

    QByteArray rx;
    QList<int> statuses;
    QList<QByteArray> payloads;
    for (char c : stream) {
        rx.append(c);
        drain(rx, statuses, payloads);
    }
    QCOMPARE(statuses, bulkStatuses);
    QCOMPARE(payloads, bulkPayloads);
    QCOMPARE(bulkStatuses, (QList<int>{0, -2, -3, 0}));
    QCOMPARE(bulkPayloads.size(), 2);
    QCOMPARE(bulkPayloads.at(1), QByteArray(300, '\xFD'));
}

void TestFrameCodec::leftoverEndBytesAreSkippedBeforeTheNextReply()
{
    QByteArray rx = bytes({0xFE, 0xFE}) + bytes({0xFF, 0xFF, 0x01, 0xFD, 0xFE, 0x02, 0xE1, 0xA1, 0xFE});
    QByteArray out;
    QCOMPARE(lmv::extractFrame(rx, out), ExtractStatus::FrameOk);
    QCOMPARE(out, bytes({0x01, 0xFE, 0x02}));
    QVERIFY(rx.isEmpty());
}

void TestFrameCodec::failedExtractionLeavesThePreviousPayloadAlone()
{
    QByteArray rx = bytes({0xFF, 0xFF, 0x01, 0x02, 0x03, 0xFE});
    QByteArray out("previous");
    QCOMPARE(lmv::extractFrame(rx, out), ExtractStatus::ChecksumMismatch);
    QCOMPARE(out, QByteArray("previous"));
}

QTEST_APPLESS_MAIN(TestFrameCodec)
#include "test_frame_codec.moc"
