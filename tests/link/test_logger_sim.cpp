// The logger simulator as the host sees it: paging, the file list block, record data as the
// device sends it, the node table and the faults, all through the serial worker and a pty.
#include "SimProcess.h"

#include "device/serial/SerialThread.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray u32le(quint32 v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
}

quint32 readU32(const QByteArray &b, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}

// A data file: a 512-byte header whose bytes count up (so that any slice is recognisable),
// then the records.
QByteArray dataFile(const QByteArray &records)
{
    QByteArray header(512, '\0');
    for (int i = 0; i < header.size(); ++i)
        header[i] = static_cast<char>(i * 7 + 3);
    return header + records;
}

QByteArray rvaRecords(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        QByteArray r(32, '\0');
        for (int k = 0; k < 32; ++k)
            r[k] = static_cast<char>((i * 31 + k * 5) & 0xFF); // marker values included
        out += r;
    }
    return out;
}

// RVB records at the given times (seconds since 2014-01-01), 100 bytes each.
QByteArray rvbRecords(const QVector<QDateTime> &times)
{
    const QDateTime epoch(QDate(2014, 1, 1), QTime(0, 0), Qt::UTC);
    QByteArray out;
    for (const QDateTime &t : times) {
        QByteArray r(100, '\x11');
        r.replace(0, 4, u32le(static_cast<quint32>(epoch.secsTo(t))));
        out += r;
    }
    return out;
}

QDateTime jan(int day, int hour)
{
    return QDateTime(QDate(2019, 1, day), QTime(hour, 0), Qt::UTC);
}

QByteArray rvbConfig()
{
    return "[device]\ntype = 1\nnumber = 7\nversion = 1 0 0 0 16\nprotocol = 1.2\n";
}

} // namespace

class TestLoggerSim : public QObject
{
    Q_OBJECT

    // The host side: a running worker connected to the simulator.
    struct Host
    {
        SerialThread serial;
        ReplyRelay relay{serial};
        bool connect(SimProcess &sim)
        {
            QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
            serial.start(QThread::InheritPriority);
            serial.Once_UsbPortOpen(115200, sim.port());
            return info.wait(5000);
        }
    };

    template <typename Signal, typename Send>
    static QByteArray ask(ReplyRelay &relay, Signal signal, Send send)
    {
        QSignalSpy spy(&relay, signal);
        send();
        if (!spy.wait(5000))
            return QByteArray("no reply");
        return spy.at(0).at(0).toByteArray();
    }

    // Downloads an RVA file page by page as the host does: each reply names the next page.
    static QByteArray downloadRva(Host &host, const QString &path, QVector<quint8> *pageBytes)
    {
        SerialThread &serial = host.serial;
        QByteArray all;
        uchar page = 0;
        for (int guard = 0; guard < 2000; ++guard) {
            const QByteArray reply = ask(host.relay, &ReplyRelay::RVA_SendDataRecord,
                                         [&]() { serial.on_RVA_ReadUsbPortRecordData(path, page); });
            if (reply == "no reply" || reply.isEmpty())
                return "no reply";
            const auto b = static_cast<quint8>(reply[0]);
            pageBytes->append(b);
            all += reply.mid(1);
            if (b == 0xF0 || b == 0xF1)
                return all;
            page = b;
        }
        return "endless";
    }

private slots:
    void listPagesAreNumberedAsConfiguredAndTheLastCarriesF0()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("P1/a"));
        root.addFolder(QStringLiteral("P2/a"));
        root.addFolder(QStringLiteral("P3/a"));
        SimProcess sim;
        // Three bytes per page: one name and its zero.
        QVERIFY(sim.start({QStringLiteral("--list-page-size"), QStringLiteral("3"),
                           QStringLiteral("--list-pages"), QStringLiteral("0,3,5"), root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        QCOMPARE(ask(host.relay, &ReplyRelay::RVA_SendPrjName, [&]() { s.Once_RVA_UserReadPrj(0); }),
                 QByteArray("\x03P1\0", 4));
        QCOMPARE(ask(host.relay, &ReplyRelay::RVA_SendPrjName, [&]() { s.Once_RVA_UserReadPrj(3); }),
                 QByteArray("\x05P2\0", 4));
        QCOMPARE(ask(host.relay, &ReplyRelay::RVA_SendPrjName, [&]() { s.Once_RVA_UserReadPrj(5); }),
                 QByteArray("\xF0P3\0", 4));
        QStringList asked;
        for (const QString &request : sim.requests().mid(1))
            asked.append(request.section(QLatin1Char(' '), 2)); // without the frame length
        QCOMPARE(asked, (QStringList{QStringLiteral("page=0 path=0:/"), QStringLiteral("page=3 path=0:/"),
                                     QStringLiteral("page=5 path=0:/")}));
    }

    void pointRecordsCarryTheDescribedPipeAndFillWholePages()
    {
        SimRoot root(SimRoot::defaultConfig() +
                     "[point A/p1]\nshape = 2\nheight = 1500\nwidth = 2000\nupper = 3500\nsediment = 50\n");
        root.addFolder(QStringLiteral("A/p1"));
        root.addFolder(QStringLiteral("A/p2"));
        root.addFolder(QStringLiteral("A/p3"));
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--list-page-size"), QStringLiteral("176"), root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        const QByteArray first = ask(host.relay, &ReplyRelay::RVA_SendPosName,
                                     [&]() { s.Once_RVA_UserReadPos(QStringLiteral("A"), 0); });
        QCOMPARE(first.size(), 1 + 176);
        QCOMPARE(static_cast<quint8>(first[0]), quint8(1));
        const QByteArray p1 = first.mid(1, 88);
        QCOMPARE(p1.left(2), QByteArray("A\0", 2));     // project name field
        QCOMPARE(p1.mid(33, 3), QByteArray("p1\0", 3)); // point name field
        QCOMPARE(p1.mid(68, 20), u32le(2) + u32le(1500) + u32le(2000) + u32le(3500) + u32le(50));
        QCOMPARE(first.mid(89 + 68, 20), QByteArray(20, '\0')); // p2 has no pipe described
        const QByteArray second = ask(host.relay, &ReplyRelay::RVA_SendPosName,
                                      [&]() { s.Once_RVA_UserReadPos(QStringLiteral("A"), 1); });
        QCOMPARE(second.size(), 1 + 88);
        QCOMPARE(static_cast<quint8>(second[0]), quint8(0xF0));
        QCOMPARE(second.mid(1 + 33, 3), QByteArray("p3\0", 3));
    }

    void fileListBlockHasNamesThenOneSizePerName()
    {
        SimRoot root;
        root.addFile(QStringLiteral("A/p/x.lmv"), QByteArray(600, 'x'));
        root.addFile(QStringLiteral("A/p/y.txt"), QByteArray(5, 'y'));
        root.addFile(QStringLiteral("A/p/z.lmv"), QByteArray(700, 'z'));
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        const QByteArray reply = ask(host.relay, &ReplyRelay::RVA_SendFileName,
                                     [&]() { s.Once_RVA_UserReadFile(QStringLiteral("A/p"), 0); });
        QCOMPARE(reply, QByteArray("\xF0x.lmv\r\ny.txt\r\nz.lmv\0", 21) + u32le(600) + u32le(5) + u32le(700));
    }

    void rvaFileIsSentWithoutTheBytesTheCacheInserts_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("pageSize");
        QTest::newRow("single page") << 10 << 2048;
        QTest::newRow("several pages") << 200 << 2048;
        QTest::newRow("page numbers wrap past 0xEF") << 20 << 3;
    }

    void rvaFileIsSentWithoutTheBytesTheCacheInserts()
    {
        QFETCH(int, records);
        QFETCH(int, pageSize);
        const QByteArray file = dataFile(rvaRecords(records));
        SimRoot root;
        root.addFile(QStringLiteral("A/p/f.lmv"), file);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--page-size"), QString::number(pageSize), root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        QVector<quint8> pages;
        const QByteArray got = downloadRva(host, QStringLiteral("0:/A/p/f.lmv"), &pages);
        QCOMPARE(got, file.left(188) + file.mid(512));
        const int expectedPages = (188 + records * 32 + pageSize - 1) / pageSize;
        QCOMPARE(pages.size(), expectedPages);
        if (expectedPages == 1) {
            QCOMPARE(pages.first(), quint8(0xF1));
        } else {
            QCOMPARE(pages.first(), quint8(1));
            QCOMPARE(pages.last(), quint8(0xF0));
            // After the first page the host never again sees a first-page or end marker early.
            for (int i = 1; i + 1 < pages.size(); ++i)
                QVERIFY2(pages[i] >= 2 && pages[i] <= 0xEF, qPrintable(QString::number(pages[i])));
        }
    }

    void pageNumbersComeRoundAsGivenAndASlowReplyIsLateOnlyForItsRequest()
    {
        const QByteArray file = dataFile(rvaRecords(40));
        SimRoot root;
        root.addFile(QStringLiteral("A/p/f.lmv"), file);
        SimProcess sim;
        QVERIFY(sim.start({"--page-size", "200", "--data-pages", "2,3", "--slow", "data:3", "--slow-delay",
                           "300", "--drop", "setid:all", root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        QVector<quint8> pages;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(downloadRva(host, QStringLiteral("0:/A/p/f.lmv"), &pages), file.left(188) + file.mid(512));
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(sim.waitForLine(QStringLiteral("FAULT 4 slow delay=300")));
        QCOMPARE(pages.mid(0, 6), (QVector<quint8>{1, 2, 3, 2, 3, 2}));
        QCOMPARE(pages.last(), quint8(0xF0));
        // Two numbers in a row alike could not tell a repeat from the next page.
        SimProcess bad;
        QVERIFY(!bad.start({"--data-pages", "2,2", root.path()}));
    }

    void oneRequestAtATimeHoldsLaterRequestsBack_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("replies");
        QTest::addColumn<int>("firstAfterMs"); // the first reply comes this late at least
        QTest::addColumn<int>("lastAfterMs");  // and the last
        QTest::newRow("every reply late") << QStringList{"--reply-delay", "150"} << 3 << 150 << 450;
        QTest::newRow("the first slow holds the others")
            << QStringList{"--slow-req", "projects:1", "--slow-delay", "300"} << 3 << 300 << 300;
        QTest::newRow("the second twice") << QStringList{"--dup-req", "projects:2"} << 4 << 0 << 0;
        QTest::newRow("the first dropped after its time")
            << QStringList{"--drop-req", "projects:1", "--reply-delay", "100"} << 2 << 200 << 300;
    }
    void oneRequestAtATimeHoldsLaterRequestsBack()
    {
        QFETCH(QStringList, options);
        QFETCH(int, replies);
        QFETCH(int, firstAfterMs);
        QFETCH(int, lastAfterMs);
        SimRoot root;
        root.addFolder(QStringLiteral("A/p"));
        SimProcess sim;
        QVERIFY(sim.start(options + QStringList{root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        QList<qint64> at;
        QElapsedTimer clock;
        QObject::connect(&host.relay, &ReplyRelay::RVA_SendPrjName, &host.relay,
                         [&](const QByteArray &) { at << clock.elapsed(); });
        clock.start();
        for (int i = 0; i < 3; ++i) // sent together: the logger takes them in turn
            host.serial.Once_RVA_UserReadPrj(0);
        QTRY_COMPARE_WITH_TIMEOUT(at.size(), replies, 3000);
        QTest::qWait(200);
        QCOMPARE(at.size(), replies);
        QVERIFY2(at.first() >= firstAfterMs && at.last() >= lastAfterMs,
                 qPrintable(QString("%1 .. %2").arg(at.first()).arg(at.last())));
    }

    void aRepeatedPageRequestGetsTheSamePageAgain()
    {
        const QByteArray file = dataFile(rvaRecords(100));
        SimRoot root;
        root.addFile(QStringLiteral("A/p/f.lmv"), file);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--page-size"), QStringLiteral("1000"), root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        const QString path = QStringLiteral("0:/A/p/f.lmv");
        auto page = [&](uchar p) {
            return ask(host.relay, &ReplyRelay::RVA_SendDataRecord,
                       [&]() { s.on_RVA_ReadUsbPortRecordData(path, p); });
        };
        const QByteArray p0 = page(0);
        const QByteArray p1 = page(1);
        QCOMPARE(page(1), p1);
        QCOMPARE(page(0), p0);
        QCOMPARE(p1.mid(1), (file.left(188) + file.mid(512)).mid(1000, 1000));
    }

    void rvbNodeTableGivesEachDaysFirstRecordAddress()
    {
        const QByteArray file =
            dataFile(rvbRecords({jan(3, 0), jan(3, 1), jan(3, 23), jan(17, 5), jan(17, 6), jan(31, 12)}));
        SimRoot root(rvbConfig());
        root.addFile(QStringLiteral("S/w/2019年01月.lmv"), file);
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        const QByteArray reply = ask(host.relay, &ReplyRelay::RVB_SendNodeRecord, [&]() {
            s.on_RVB_ReadUsbPortRecordNode(QStringLiteral("0:/S/w/2019年01月.lmv"));
        });
        QCOMPARE(reply.size(), 1 + 31 * 4);
        QCOMPARE(static_cast<quint8>(reply[0]), quint8(0xF0));
        for (int day = 1; day <= 31; ++day) {
            const quint32 node = readU32(reply, 1 + (day - 1) * 4);
            const quint32 expected = day == 3 ? 512 : day == 17 ? 512 + 300 : day == 31 ? 512 + 500 : 0;
            QCOMPARE(node, expected);
        }
    }

    void rvbDayRangeComesAfterTheWholeHeader()
    {
        const QByteArray file = dataFile(rvbRecords({jan(3, 0), jan(3, 1), jan(17, 5), jan(17, 6)}));
        SimRoot root(rvbConfig());
        root.addFile(QStringLiteral("S/w/2019年01月.lmv"), file);
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--page-size"), QStringLiteral("300"), root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        const QString path = QStringLiteral("0:/S/w/2019年01月.lmv");
        QByteArray all;
        uchar page = 0;
        QVector<quint8> bytes;
        for (int guard = 0; guard < 10; ++guard) {
            const QByteArray reply = ask(host.relay, &ReplyRelay::RVB_SendDataRecord,
                                         [&]() { s.on_RVB_ReadUsbPortRecordData(path, page, 512, 712); });
            QVERIFY(!reply.isEmpty() && reply != "no reply");
            bytes.append(static_cast<quint8>(reply[0]));
            all += reply.mid(1);
            if (bytes.last() == 0xF0 || bytes.last() == 0xF1)
                break;
            page = bytes.last();
        }
        QCOMPARE(all, file.left(512) + file.mid(512, 200));
        QCOMPARE(bytes, (QVector<quint8>{1, 2, 0xF0})); // 712 bytes in pages of 300
        QVERIFY(sim.requests().at(1).endsWith(
            QStringLiteral(" page=0 start=512 end=712 path=0:/S/w/2019年01月.lmv")));
    }

    void namesOnTheDeviceMayDifferFromTheFolderNames()
    {
        // %2F is "/", %5C a backslash, %0A a line feed: names no folder can have.
        SimRoot root(SimRoot::defaultConfig() + "[names]\nA = ..%2Fup\nA/p = a%5Cb\nA/p/f.lmv = x%0Ay.lmv\n");
        root.addFile(QStringLiteral("A/p/f.lmv"), dataFile(rvaRecords(2)));
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        QCOMPARE(ask(host.relay, &ReplyRelay::RVA_SendPrjName, [&]() { s.Once_RVA_UserReadPrj(0); }),
                 QByteArray("\xF0../up\0", 7));
        const QByteArray points = ask(host.relay, &ReplyRelay::RVA_SendPosName,
                                      [&]() { s.Once_RVA_UserReadPos(QStringLiteral("../up"), 0); });
        QCOMPARE(points.mid(1 + 33, 4), QByteArray("a\\b\0", 4));
        const QByteArray files = ask(host.relay, &ReplyRelay::RVA_SendFileName,
                                     [&]() { s.Once_RVA_UserReadFile(QStringLiteral("../up/a\\b"), 0); });
        QVERIFY(files.startsWith(QByteArray("\xF0x\ny.lmv\0", 9)));
        QVector<quint8> pages;
        QCOMPARE(downloadRva(host, QStringLiteral("0:/../up/a\\b/x\ny.lmv"), &pages).size(), 188 + 64);
        // The log keeps each request on one line.
        QVERIFY(sim.requests().at(4).startsWith(QStringLiteral("rva-data frame=")));
        QVERIFY(sim.requests().at(4).endsWith(QStringLiteral(" page=0 path=0:/../up/a\\\\b/x\\x0ay.lmv")));
    }

    void aDroppedReplyIsAnsweredOnTheRepeat()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("A/p"));
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--drop"), QStringLiteral("projects:1-2"), root.path()}));
        Host host;
        QVERIFY(host.connect(sim));
        auto &s = host.serial;
        QSignalSpy names(&host.relay, &ReplyRelay::RVA_SendPrjName);
        for (int dropped = 2; dropped <= 3; ++dropped) {
            s.Once_RVA_UserReadPrj(0);
            QVERIFY(sim.waitForLine(QStringLiteral("FAULT %1 drop").arg(dropped)));
            QVERIFY(!names.wait(200));
        }
        s.Once_RVA_UserReadPrj(0);
        QVERIFY(names.wait(5000));
        QCOMPARE(names.count(), 1);
        QCOMPARE(names.at(0).at(0).toByteArray(), QByteArray("\xF0"
                                                             "A\0",
                                                             3));
    }

    void symbolicLinkIsMadeAndTheHangupEndsTheSimulator()
    {
        SimRoot root;
        const QString link = root.path() + QStringLiteral("/port");
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--link"), link, QStringLiteral("--hangup"),
                           QStringLiteral("devinfo:2"), root.path()}));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.port());
        SerialThread serial;
        ReplyRelay relay(serial);
        QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
        QSignalSpy gone(&relay, &ReplyRelay::UsbDisconnect);
        serial.start(QThread::InheritPriority);
        serial.Once_UsbPortOpen(115200, link); // the link works as a port name
        QVERIFY(info.wait(5000));
        serial.Once_UsbPortOpen(115200, link);
        QVERIFY(gone.wait(5000));
        QVERIFY(sim.waitForExit());
        QVERIFY(!QFileInfo(link).isSymLink());
        serial.stopAndWait();
    }
};

QTEST_GUILESS_MAIN(TestLoggerSim)
#include "test_logger_sim.moc"
