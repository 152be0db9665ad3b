// The serial worker over a real pseudo-terminal, with the logger simulator at the far end.
#include "SimProcess.h"

#include "device/core/FrameCodec.h"
#include "device/serial/SerialThread.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>

namespace {

constexpr uint kBaud = 115200;

// The device record of SimRoot's logger as it travels: number 20190001, type 5, version
// bytes 2 1 18 12 3, two reserved bytes, protocol version 1.5f.
QByteArray expectedDeviceInfo()
{
    return QByteArray::fromHex("31133401"
                               "05"
                               "0201120c03"
                               "0000"
                               "0000c03f");
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

int realErrors(const QSignalSpy &spy)
{
    int n = 0;
    for (const QList<QVariant> &args : spy) {
        const auto error = args.at(0).value<QSerialPort::SerialPortError>();
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            ++n;
    }
    return n;
}

} // namespace

class TestSerialThread : public QObject
{
    Q_OBJECT

private:
    // Starts the worker and opens the simulator's port; waits for the device information.
    bool connectTo(SerialThread &serial, SimProcess &sim)
    {
        ReplyRelay relay(serial);
        QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
        serial.start(QThread::InheritPriority);
        serial.Once_UsbPortOpen(kBaud, sim.port());
        return info.wait(5000);
    }

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }

    void openingThePortAsksForTheDeviceInformationAndDeliversIt()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
        serial.start(QThread::InheritPriority);
        serial.Once_UsbPortOpen(kBaud, sim.port());
        QVERIFY(serial.isPortOpen());
        QVERIFY(info.wait(5000));
        QCOMPARE(info.count(), 1);
        QCOMPARE(info.at(0).at(0).toByteArray(), expectedDeviceInfo());
        // "LM" 0x00 0x00 framed: 2 start bytes, 4 payload bytes, 2 checksum bytes, the end byte.
        QCOMPARE(sim.requests(), QStringList{QStringLiteral("devinfo frame=9")});
    }

    void openingAnOpenPortAgainStartsAfreshWithOneMoreRequest()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
        serial.Once_UsbPortOpen(kBaud, sim.port());
        QVERIFY(info.wait(5000));
        QCOMPARE(info.at(0).at(0).toByteArray(), expectedDeviceInfo());
        QCOMPARE(sim.requests().size(), 2);
    }

    void aPortProbedByAnotherPortObjectStillOpens()
    {
        // The connection panel tries each candidate with a temporary port object first.
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        {
            QSerialPort probe(sim.port());
            QVERIFY(probe.open(QIODevice::ReadWrite));
            probe.close();
        }
        SerialThread serial;
        QVERIFY(connectTo(serial, sim));
        QCOMPARE(sim.requests().size(), 1);
    }

    void bytesLeftOnTheLineFromAnEarlierConnectionAreDiscarded()
    {
        // The first device information reply comes twice, the copy 300 ms later, when the
        // port has already been closed: it waits in the line until the next open.
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--duplicate"), QStringLiteral("devinfo:1"),
                           QStringLiteral("--duplicate-delay"), QStringLiteral("300"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        serial.stopAndWait();
        QTest::qWait(600);
        QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
        QVERIFY(connectTo(serial, sim));
        QTest::qWait(200);
        QCOMPARE(info.count(), 1);
    }

    void aPortThatDoesNotOpenSendsAndReportsNothing()
    {
        SerialThread serial;
        ReplyRelay relay(serial);
        QSignalSpy gone(&relay, &ReplyRelay::UsbDisconnect);
        QSignalSpy progress(&serial, &SerialThread::SendProgress);
        serial.start(QThread::InheritPriority);
        serial.Once_UsbPortOpen(kBaud, QStringLiteral("/nonexistent/ttyLMV0"));
        QVERIFY(!serial.isPortOpen());
        // The main window's reply timer ends such an attempt silently; no link-gone signal.
        QTest::qWait(200);
        QCOMPARE(gone.count(), 0);
        QCOMPARE(progress.count(), 0);
        serial.stopAndWait();
    }

    void replyInThreeChunksGivesThreeGrowingProgressReportsAndOneReply()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--split"), QStringLiteral("devinfo:1"),
                           QStringLiteral("--split-chunks"), QStringLiteral("3"),
                           QStringLiteral("--split-pause"), QStringLiteral("200"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QSignalSpy progress(&serial, &SerialThread::SendProgress);
        QSignalSpy info(&relay, &ReplyRelay::SendDevInfo);
        serial.start(QThread::InheritPriority);
        serial.Once_UsbPortOpen(kBaud, sim.port());
        QVERIFY(info.wait(5000));
        QTest::qWait(100); // nothing further may follow the reply
        QCOMPARE(info.count(), 1);
        QCOMPARE(info.at(0).at(0).toByteArray(), expectedDeviceInfo());
        QCOMPARE(progress.count(), 3);
        const uint a = progress.at(0).at(0).toUInt();
        const uint b = progress.at(1).at(0).toUInt();
        const uint c = progress.at(2).at(0).toUInt();
        QVERIFY(a > 0 && a < b && b < c);
        // The last report counts the whole reply as the simulator sent it.
        QVERIFY(sim.waitForLine(QStringLiteral("REPLY 1 ")));
        QString replyLine;
        for (const QString &line : sim.lines()) {
            if (line.startsWith(QLatin1String("REPLY 1 ")))
                replyLine = line;
        }
        QCOMPARE(QStringLiteral("bytes=%1").arg(c), replyLine.section(QLatin1Char(' '), 2, 2));
    }

    void frameLengthsAroundSixtyFour_data()
    {
        QTest::addColumn<int>("frameSize");
        QTest::addColumn<bool>("emptyFrameFollows");
        QTest::newRow("63 bytes") << 63 << false;
        QTest::newRow("64 bytes") << 64 << true;
        QTest::newRow("65 bytes") << 65 << false;
        QTest::newRow("128 bytes") << 128 << true;
    }

    void frameLengthsAroundSixtyFour()
    {
        QFETCH(int, frameSize);
        QFETCH(bool, emptyFrameFollows);
        // A record-data request whose path is chosen so that its frame has the wanted length.
        QString path;
        for (int n = 1; n < 200 && path.isEmpty(); ++n) {
            const QString candidate = QStringLiteral("0:/p/q/") + QString(n, QLatin1Char('a'));
            QByteArray payload("LM\x20\x03\x00", 5);
            payload += candidate.toLatin1() + '\0';
            if (lmv::frameSizeFor(payload) == frameSize)
                path = candidate;
        }
        QVERIFY(!path.isEmpty());

        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        serial.on_RVA_ReadUsbPortRecordData(path, 0);
        // A second request afterwards marks the end of what the first one put on the line.
        QVERIFY(sim.waitForLine(QStringLiteral("REQ 2 ")));
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(sim.waitForLine(QStringLiteral("REQ 3 ")));

        QStringList afterData;
        bool seen = false;
        for (const QString &line : sim.lines()) {
            if (line.startsWith(QLatin1String("REQ 2 "))) {
                QVERIFY(line.contains(QStringLiteral(" frame=%1 ").arg(frameSize)));
                seen = true;
            } else if (line.startsWith(QLatin1String("REQ 3 "))) {
                break;
            } else if (seen && line.startsWith(QLatin1String("FRAME"))) {
                afterData.append(line);
            }
        }
        if (emptyFrameFollows)
            QCOMPARE(afterData, QStringList{QStringLiteral("FRAME short bytes=3")});
        else
            QCOMPARE(afterData, QStringList());
    }

    void stoppingEndsTheLoopClosesThePortAndTheThreadStartsAgain()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        serial.stopAndWait(); // before any start: harmless
        QVERIFY(connectTo(serial, sim));
        QVERIFY(serial.isRunning());

        QSignalSpy finished(&serial, &QThread::finished);
        serial.stopAndWait();
        QVERIFY(!serial.isRunning());
        QVERIFY(!serial.isPortOpen());
        serial.stopAndWait(); // twice: harmless

        // The queued finished() of the first run must not close the port of the second.
        QVERIFY(connectTo(serial, sim));
        QVERIFY(finished.count() >= 1 || finished.wait(2000));
        QTest::qWait(50);
        QVERIFY(serial.isPortOpen());
        QSignalSpy names(&relay, &ReplyRelay::RVA_SendPrjName);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(names.wait(5000));
        QCOMPARE(sim.requests().size(), 3);
        serial.stopAndWait();
        QVERIFY(!serial.isPortOpen());
    }

    void manyRequestsInARowAreEachAnsweredOnce()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("A/p1"));
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy names(&relay, &ReplyRelay::RVA_SendPrjName);
        for (int i = 1; i <= 50; ++i) {
            serial.Once_RVA_UserReadPrj(0);
            QVERIFY(QTest::qWaitFor([&]() { return names.count() >= i; }, 5000));
        }
        QTest::qWait(50);
        QCOMPARE(names.count(), 50);
        // Page byte 0xF0, then "A" and its terminating zero.
        QCOMPARE(names.last().at(0).toByteArray(), QByteArray("\xF0"
                                                              "A\0",
                                                              3));
    }

    void aRequestSentFromTheReplySlotNeverLosesItsReply()
    {
        // The main window sends the next request straight from the slot of the last reply;
        // a fast peer answers before the worker has finished with the previous one.
        SimRoot root;
        root.addFolder(QStringLiteral("A/p1"));
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        int answered = 0;
        const int wanted = 400;
        // A plain event loop: qWaitFor would pause 10 ms between rounds and hide the race.
        QEventLoop loop;
        connect(&serial, &SerialThread::RVA_SendPrjName, this, [&](const QByteArray &) {
            if (++answered < wanted)
                serial.Once_RVA_UserReadPrj(0);
            else
                loop.quit();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        serial.Once_RVA_UserReadPrj(0);
        loop.exec();
        QVERIFY2(answered >= wanted, qPrintable(QStringLiteral("stalled after %1 replies").arg(answered)));
    }

    void twoRepliesReadTogetherAreBothDispatched()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("A/p1"));
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--duplicate"), QStringLiteral("projects:1"),
                           QStringLiteral("--duplicate-delay"), QStringLiteral("0"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy names(&relay, &ReplyRelay::RVA_SendPrjName);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(names.wait(5000));
        QTest::qWait(100);
        QCOMPARE(names.count(), 2);
        // The next request gets its own answer, not a leftover of the pair.
        QSignalSpy points(&relay, &ReplyRelay::RVA_SendPosName);
        serial.Once_RVA_UserReadPos(QStringLiteral("A"), 0);
        QVERIFY(points.wait(5000));
        QCOMPARE(names.count(), 2);
    }

    void aReplyArrivingWhileAnotherIsDispatchedIsKept()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("A/p1"));
        SimProcess sim;
        // The same reply again 30 ms later, while the worker is still busy with the first.
        QVERIFY(sim.start({QStringLiteral("--duplicate"), QStringLiteral("projects:1"),
                           QStringLiteral("--duplicate-delay"), QStringLiteral("30"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        serial.setHoldBuffersForTest(150);
        QSignalSpy names(&relay, &ReplyRelay::RVA_SendPrjName);
        serial.Once_RVA_UserReadPrj(0);
        QTRY_COMPARE_WITH_TIMEOUT(names.count(), 2, 3000);
        QCOMPARE(names.at(1).at(0).toByteArray(), names.at(0).at(0).toByteArray());
    }

    void aCorruptReplyGivesNoSignalAndTheRepeatIsAnswered()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("A/p1"));
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--corrupt"), QStringLiteral("projects:1"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy names(&relay, &ReplyRelay::RVA_SendPrjName);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(sim.waitForLine(QStringLiteral("FAULT 2 corrupt")));
        QVERIFY(!names.wait(300));
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(names.wait(5000));
        QCOMPARE(names.count(), 1);
    }

    void linkClosedNoticeEmitsUsbDisconnect()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--notice"), QStringLiteral("projects:1"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy gone(&relay, &ReplyRelay::UsbDisconnect);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(gone.wait(5000));
        QTest::qWait(100);
        QCOMPARE(gone.count(), 1);
    }

    void receiveBufferIsBoundedAndTheNextReplyStillArrives()
    {
        SimRoot root;
        root.addFolder(QStringLiteral("A/p1"));
        SimProcess sim;
        // 20000 bytes without an end byte answer the first project request.
        QVERIFY(sim.start({QStringLiteral("--garbage"), QStringLiteral("projects:1"),
                           QStringLiteral("--garbage-bytes"), QStringLiteral("20000"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        serial.setRxLimitForTest(4096);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy progress(&serial, &SerialThread::SendProgress);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(QTest::qWaitFor(
            [&]() {
                uint sum = 0;
                for (const auto &args : progress)
                    sum = qMax(sum, args.at(0).toUInt());
                return progress.count() >= 5;
            },
            5000));
        QTest::qWait(200);
        uint largest = 0;
        for (const auto &args : progress)
            largest = qMax(largest, args.at(0).toUInt());
        QVERIFY2(largest <= 4096, qPrintable(QStringLiteral("buffer reached %1 bytes").arg(largest)));

        QSignalSpy names(&relay, &ReplyRelay::RVA_SendPrjName);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(names.wait(5000));
        QCOMPARE(names.last().at(0).toByteArray(), QByteArray("\xF0"
                                                              "A\0",
                                                              3));
    }

    void vanishedPortIsClosedAtOnceReportedOnceAndLeavesNoSpin()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--hangup"), QStringLiteral("projects:1"), root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        QSignalSpy errors(&serial.portForTest(), &QSerialPort::errorOccurred);
        QSignalSpy gone(&relay, &ReplyRelay::UsbDisconnect);
        serial.Once_RVA_UserReadPrj(0);
        QVERIFY(gone.wait(5000));
        QVERIFY(!serial.isPortOpen());
        QCOMPARE(realErrors(errors), 1);

        // Silence afterwards: no further errors, no second signal, and no busy loop.
        const double cpuBefore = processCpuSeconds();
        QTest::qWait(1000);
        const double cpuUsed = processCpuSeconds() - cpuBefore;
        QCOMPARE(realErrors(errors), 1);
        QCOMPARE(gone.count(), 1);
        QVERIFY2(cpuUsed < 0.1, qPrintable(QStringLiteral("%1 s of CPU in 1 s").arg(cpuUsed)));
        serial.stopAndWait();
    }

    void anIdleOpenLinkCostsNoCpu()
    {
        SimRoot root;
        SimProcess sim;
        QVERIFY(sim.start({root.path()}));
        SerialThread serial;
        ReplyRelay relay(serial);
        QVERIFY(connectTo(serial, sim));
        const double cpuBefore = processCpuSeconds();
        QTest::qWait(1000);
        const double cpuUsed = processCpuSeconds() - cpuBefore;
        QVERIFY2(cpuUsed < 0.05, qPrintable(QStringLiteral("%1 s of CPU in 1 s").arg(cpuUsed)));
        serial.stopAndWait();
    }
};

QTEST_GUILESS_MAIN(TestSerialThread)
#include "test_serial_thread.moc"
