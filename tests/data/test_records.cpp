// Record layouts, name fields, constant table look-ups and the RVB time conversion.

#include "data/Records.h"
#include "data/Tables.h"
#include "tests/data/FileBytes.h"

#include <QtTest>

using namespace lmv;
using namespace testbytes;

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void rvbFieldsAtOddOffsetsDecodeLittleEndian()
    {
        QByteArray b(100, '\0');
        putU32(b, 0, 123456789);
        putF32(b, 4, 1.5f);
        putF32(b, 24, -2.25f);
        putU8(b, 28, 10);
        putU8(b, 29, 0xfe);
        putF32(b, 30, 12.5f);
        putU32(b, 34, 5400);
        putU32(b, 42, 7);
        putU16(b, 46, 0xbeef);
        putU16(b, 52, 4);
        putU8(b, 54, 31);
        putU32(b, 55, 6699);
        putF32(b, 59, 5.01f);
        putF32(b, 71, 41.5f);
        putU16(b, 75, 1);  // MAIN_MX
        putU16(b, 79, 3);  // MAIN_MZ
        putU16(b, 81, 11); // MAIN_GX
        putU16(b, 85, 13); // MAIN_GZ
        putU16(b, 87, 21);
        putU16(b, 97, 26);
        putU8(b, 99, 0x5a);

        const RvbRecord r = RvbRecord::fromBytes(b);
        QCOMPARE(r.timeSeconds, 123456789u);
        QCOMPARE(r.channel[0], 1.5f);
        QCOMPARE(r.channel[5], -2.25f);
        QCOMPARE(r.alarm, quint8(10));
        QCOMPARE(r.faultCode, quint8(0xfe));
        QCOMPARE(r.supplyVoltage, 12.5f);
        QCOMPARE(r.gprsSeconds, 5400u);
        QCOMPARE(r.sensorSeconds, 7u);
        QCOMPARE(r.vga, quint16(0xbeef));
        QCOMPARE(r.dcValue, quint16(4));
        QCOMPARE(r.csq, quint8(31));
        QCOMPARE(r.baseStation, 6699u);
        QCOMPARE(r.monitor5V, 5.01f);
        QCOMPARE(r.cpuTemperature, 41.5f);
        QCOMPARE(r.mainM[0], quint16(1));
        QCOMPARE(r.mainM[2], quint16(3));
        QCOMPARE(r.mainG[0], quint16(11));
        QCOMPARE(r.mainG[2], quint16(13));
        QCOMPARE(r.spare[0], quint16(21));
        QCOMPARE(r.spare[5], quint16(26));
        // Encoding gives back the same 100 bytes.
        QCOMPARE(r.toBytes(), b);
    }

    void rvaRecordAndHeaderBlocksRoundTripByteForByte()
    {
        const QByteArray rec = rvaRecord({42, 1.25f, 0.5f, 10.0f, 12.5f, 2024, 2, 29, 23, 59, 58});
        const RvaRecord r = RvaRecord::fromBytes(rec);
        QCOMPARE(r.sequence, 42u);
        QCOMPARE(r.level, 1.25f);
        QCOMPARE(r.temperature, 12.5f);
        QCOMPARE(r.time.year, quint16(2024));
        QCOMPARE(r.time.day, quint8(29));
        QCOMPARE(r.time.hour, quint8(23));
        QCOMPARE(r.toBytes(), rec);

        QByteArray h = header(5, QStringLiteral("项目"), QStringLiteral("点"), 2, 800, 600, 1200, 50);
        for (int i = 108; i < 128; ++i)
            putU8(h, i, static_cast<quint8>(i)); // reserved summary bytes are kept
        putU8(h, 66, 0x77);
        const PipeSaveIntoTfType p = PipeSaveIntoTfType::fromBytes(h.left(88));
        QCOMPARE(p.pipeShape, 2u);
        QCOMPARE(p.upperBase, 1200u);
        QCOMPARE(p.toBytes(), h.left(88));
        QCOMPARE(SummaryBlock::fromBytes(h.mid(108, 80)).toBytes(), h.mid(108, 80));
        QCOMPARE(CalcParams::fromBytes(h.mid(88, 20)).toBytes(), h.mid(88, 20));
        const DeviceInfo d = DeviceInfo::fromBytes(h.mid(496, 16));
        QCOMPARE(d.deviceNumber, 20240101u);
        QCOMPARE(d.typeCode, quint8(5));
    }

    void shortInputDecodesMissingFieldsAsZero()
    {
        const QByteArray partial = rvaRecord({7, 1.0f, 2.0f, 3.0f, 4.0f, 2020, 1, 1, 0, 0, 0}).left(22);
        const RvaRecord r = RvaRecord::fromBytes(partial);
        QCOMPARE(r.sequence, 7u);
        QCOMPARE(r.level, 1.0f);
        QCOMPARE(r.velocity, 0.0f); // its four bytes are not all there
        QCOMPARE(r.flow, 0.0f);
        const ByteReader in(partial);
        QCOMPARE(in.u32le(static_cast<std::size_t>(-2)), 0u); // offset overflow stays in bounds
    }

    void nameWithoutZeroByteStopsAtItsField()
    {
        QByteArray b(88, 'A'); // 33 + 33 bytes of text, no terminator anywhere
        b.replace(33, 33, QByteArray(33, 'B'));
        const PipeSaveIntoTfType p = PipeSaveIntoTfType::fromBytes(b);
        QCOMPARE(p.projectNameText(), QString(33, QLatin1Char('A')));
        QCOMPARE(p.pointNameText(), QString(33, QLatin1Char('B')));
    }

    void longNamesAreShortenedAtCharacterBoundaries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bytes");
        QTest::newRow("fits") << QStringLiteral("城东污水管网") << 12;
        QTest::newRow("17 hanzi -> 16") << QString(17, QChar(0x6c34)) << 32;
        QTest::newRow("ascii then hanzi at the edge")
            << (QString(31, QLatin1Char('x')) + QChar(0x6c34)) << 31;
        QTest::newRow("40 ascii -> 32") << QString(40, QLatin1Char('y')) << 32;
        // The codec is GBK: the euro sign is the single byte 0x80, not the lead of a pair.
        QTest::newRow("one-byte 0x80 then 16 hanzi -> 15")
            << (QChar(0x20ac) + QString(16, QChar(0x6c34))) << 31;
        QTest::newRow("hanzi after a one-byte 0x80 at the edge")
            << (QString(30, QLatin1Char('x')) + QChar(0x20ac) + QChar(0x6c34)) << 31;
    }
    void longNamesAreShortenedAtCharacterBoundaries()
    {
        QFETCH(QString, name);
        QFETCH(int, bytes);
        PipeSaveIntoTfType p;
        p.setProjectName(name);
        const QByteArray stored = p.toBytes().left(33);
        QCOMPARE(stored.indexOf('\0'), bytes);
        QVERIFY(name.startsWith(p.projectNameText()));
        QVERIFY(!p.projectNameText().contains(QChar::ReplacementCharacter));
    }

    void modelLookupsFollowTheTable()
    {
        QCOMPARE(modelName(16), QStringLiteral("RVB"));
        QCOMPARE(modelName(1), QStringLiteral("RVC"));
        QCOMPARE(modelName(2), QStringLiteral("RVA"));
        QCOMPARE(modelChannelNames(2), QString());
        QCOMPARE(modelChannelNameList(2), QStringList(QVector<QString>(6).toList()));
        QCOMPARE(modelChannelNames(272), modelChannelNames(16)); // compared as a byte
        QCOMPARE(modelChannelNameList(16).at(5), QStringLiteral("俯仰角"));
        QCOMPARE(modelChannelUnitList(4).at(2), QStringLiteral("(m/s)"));
        QCOMPARE(modelContent(QStringLiteral("4")), QStringLiteral("(压力)液位、(超声)流速"));
        QCOMPARE(modelContent(QStringLiteral("04")), QString());
        QCOMPARE(modelContent(QStringLiteral("7")), QString());
    }

    void lookupsOutsideTheirTablesGiveDefinedTexts()
    {
        QCOMPARE(deviceTypeName(1), QStringLiteral("综合监测主机"));
        QCOMPARE(deviceTypeName(5), QStringLiteral("便携式流量仪"));
        QCOMPARE(deviceTypeName(0), QString());
        QCOMPARE(deviceTypeName(6), QString());
        QCOMPARE(probeVersionName(2), QStringLiteral("V4.0"));
        QCOMPARE(probeVersionName(3), QStringLiteral("未知(3)"));
        QCOMPARE(probeVersionName(255), QStringLiteral("未知(255)"));
        QCOMPARE(pipeShapeName(7), QString());
        QCOMPARE(nextUnit(FlowUnits, QStringLiteral("(m3/d)")), QStringLiteral("(L/s)"));
        QCOMPARE(nextUnit(LevelUnits, QStringLiteral("(m)")), QStringLiteral("(mm)"));
    }

    void secondsSince2014BecomeCalendarTime_data()
    {
        QTest::addColumn<quint32>("seconds");
        QTest::addColumn<QString>("expected");
        const quint32 day = 86400;
        const quint32 y2016 = (365 + 365) * day; // 2014 and 2015
        QTest::newRow("epoch") << 0u << "2014-01-01 00:00:00";
        QTest::newRow("last second of 2014") << 365 * day - 1 << "2014-12-31 23:59:59";
        QTest::newRow("2015 begins") << 31536000u << "2015-01-01 00:00:00";
        QTest::newRow("59 days in 2014") << 5097600u << "2014-03-01 00:00:00";
        QTest::newRow("59 days in 2016") << y2016 + 59 * day << "2016-02-29 00:00:00";
        QTest::newRow("60 days in 2016") << y2016 + 60 * day << "2016-03-01 00:00:00";
        QTest::newRow("end of leap 2016") << y2016 + 366 * day - 1 << "2016-12-31 23:59:59";
        QTest::newRow("2017 begins") << y2016 + 366 * day << "2017-01-01 00:00:00";
        QTest::newRow("april 30") << 119 * day + 3661 << "2014-04-30 01:01:01";
        QTest::newRow("largest count") << 0xffffffffu
                                       << QDateTime(QDate(2014, 1, 1), QTime(0, 0), Qt::UTC)
                                              .addSecs(0xffffffffLL)
                                              .toString("yyyy-MM-dd HH:mm:ss");
    }
    void secondsSince2014BecomeCalendarTime()
    {
        QFETCH(quint32, seconds);
        QFETCH(QString, expected);
        const RecordTime t = secondsToRecordTime(seconds);
        const QString text = QString::asprintf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day,
                                               t.hour, t.minute, t.second);
        QCOMPARE(text, expected);
    }

    void pipeGeometryCarriesEachValueInBothFields()
    {
        const PipeSaveIntoTfType p = makePointRecord(QString(), QString(), 2, 800, 600, 1200, 50);
        const PipeGeometry g = pipeGeometryFrom(p);
        QCOMPARE(g.shape, quint8(2));
        QCOMPARE(g.diameter, 800u);
        QCOMPARE(g.height, 800u);
        QCOMPARE(g.width, 600u);
        QCOMPARE(g.lowerBase, 600u);
        QCOMPARE(g.upperBase, 1200u);
        QCOMPARE(g.sediment, 50u);
        QCOMPARE(pipeGeometryFrom(0x107, 1, 2, 3, 4).shape, quint8(7)); // low 8 bits
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
