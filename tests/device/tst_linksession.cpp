// The link's request/reply rules on a fake clock in milliseconds: which reply answers which
// request, what is asked again and when, re-synchronising after a stop or a superseded request,
// and a one-request-at-a-time logger that is slow on every reply.
#include "device/core/LinkSession.h"

#include <QtTest>

#include <algorithm>
#include <functional>

using namespace lmv;
using Kind = DeviceRequest::Kind;
using Event = LinkStep::Event;
using Timer = LinkStep::Timer;

namespace {

constexpr int kPeriod = 2000;

QByteArray deviceInfo(quint8 type)
{
    QByteArray b(16, '\0');
    b[0] = 1;
    b[4] = char(type);
    return b;
}

// A list reply: the page byte, then the entries as they are on the wire.
QByteArray listPage(quint8 next, const QByteArray &entries = {})
{
    return QByteArray(1, char(next)) + entries;
}

QByteArray names(const QList<QByteArray> &list)
{
    QByteArray out;
    for (const QByteArray &n : list)
        out += n + '\0';
    return out;
}

// A file list block: names joined by CR LF, 0x00, one size each.
QByteArray fileBlock(const QList<QByteArray> &files)
{
    QByteArray joined;
    QByteArray sizes;
    for (const QByteArray &f : files) {
        joined += (joined.isEmpty() ? "" : "\r\n") + f;
        sizes += QByteArray("\x10\x00\x00\x00", 4);
    }
    return joined + '\0' + sizes;
}

// An 88-byte point record: project name at 0, point name at 33.
QByteArray pointRecord(const QByteArray &project, const QByteArray &point)
{
    QByteArray r(88, '\0');
    r.replace(0, project.size(), project);
    r.replace(33, point.size(), point);
    return r;
}

// A record-data reply: page byte, then file bytes (a first page starts with the two names).
QByteArray dataPage(quint8 next, const QByteArray &bytes)
{
    return QByteArray(1, char(next)) + bytes;
}

QByteArray firstPage(quint8 next, const QByteArray &project, const QByteArray &point, char fill)
{
    return dataPage(next, pointRecord(project, point) + QByteArray(100, fill));
}

// The session with a fake clock and a record of everything it sent.
struct Link
{
    LinkSession s;
    qint64 now = 0;
    QVector<DeviceRequest> sent;
    LinkStep last;

    Link() { s.setPeriod(kPeriod); }
    const LinkStep &apply(const LinkStep &step)
    {
        sent += step.send;
        last = step;
        return last;
    }
    // A reply read after the last send.
    const LinkStep &reply(ReplyKind kind, const QByteArray &content)
    {
        s.onBytes(now);
        return apply(s.onReply(kind, content, now));
    }
    const LinkStep &expire()
    {
        now += kPeriod;
        return apply(s.onTimer(now));
    }
    // Connects to a logger of the type and answers the walk with one project P, point A and the
    // given files.
    void walkTo(quint8 type, const QList<QByteArray> &files)
    {
        apply(s.open(now));
        const bool rva = type == 5;
        reply(ReplyKind::DeviceInfo, deviceInfo(type));
        reply(rva ? ReplyKind::RvaProjectNames : ReplyKind::RvbProjectNames, listPage(0xF0, names({"P"})));
        reply(rva ? ReplyKind::RvaPositionRecords : ReplyKind::RvbPositionNames,
              listPage(0xF0, rva ? pointRecord("P", "A") : names({"A"})));
        reply(rva ? ReplyKind::RvaFileNames : ReplyKind::RvbFileNames, listPage(0xF0, fileBlock(files)));
    }
    int count(Kind kind) const
    {
        return int(std::count_if(sent.begin(), sent.end(),
                                 [kind](const DeviceRequest &r) { return r.kind == kind; }));
    }
};

const DeviceFileRef kX{"0:/P/A/x.lmv", "P", "A"};
const DeviceFileRef kY{"0:/P/A/y.lmv", "P", "A"};

// Answers of a small RVA logger: project P, points A and B with the same file list, file pages.
QPair<ReplyKind, QByteArray> rvaAnswer(const DeviceRequest &r)
{
    switch (r.kind) {
    case Kind::DeviceInfo:
        return {ReplyKind::DeviceInfo, deviceInfo(5)};
    case Kind::Projects:
        return {ReplyKind::RvaProjectNames, listPage(0xF0, names({"P"}))};
    case Kind::Positions:
        return {ReplyKind::RvaPositionRecords, listPage(0xF0, pointRecord("P", "A") + pointRecord("P", "B"))};
    case Kind::Files:
        return {ReplyKind::RvaFileNames, listPage(0xF0, fileBlock({"x.lmv", "y.lmv"}))};
    case Kind::RvaRecordData:
        return {ReplyKind::RvaRecordData,
                r.page == 0 ? firstPage(1, "P", "A", 'x') : dataPage(0xF0, QByteArray(50, 'x'))};
    default:
        return {ReplyKind::Dropped, {}};
    }
}

// The session against a logger that answers one request at a time, in order, each reply `delay`
// ms after the logger could start on it; replies and expiries of the (periodic) timer in time
// order on the fake clock.
struct SerialLogger
{
    Link &link;
    int delay;
    qint64 busyUntil = 0;
    qint64 timerDue = -1;
    bool gaveUp = false;
    QList<QPair<qint64, QPair<ReplyKind, QByteArray>>> out;

    void carryOut(const LinkStep &step)
    {
        for (const DeviceRequest &r : step.send) {
            busyUntil = qMax(link.now, busyUntil) + delay;
            if (r.kind != Kind::StopReading)
                out.append({busyUntil, rvaAnswer(r)});
        }
        if (step.timer != Timer::Keep)
            timerDue = step.timer == Timer::Restart ? link.now + kPeriod : -1;
        gaveUp = gaveUp || step.event == Event::GiveUp;
        if (step.event == Event::DataPage)
            carryOut(link.apply(link.s.pageStored(true, link.now)));
    }
    bool runUntil(const std::function<bool()> &done)
    {
        while (!done() && !gaveUp && (!out.isEmpty() || timerDue >= 0)) {
            if (!out.isEmpty() && (timerDue < 0 || out.first().first <= timerDue)) {
                const auto o = out.takeFirst();
                link.now = o.first;
                carryOut(link.reply(o.second.first, o.second.second));
            } else {
                link.now = timerDue;
                timerDue += kPeriod;
                carryOut(link.apply(link.s.onTimer(link.now)));
            }
        }
        return done();
    }
};

} // namespace

class LinkSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void deviceInformationIsAwaitedForTwoExpiriesAndOnlyAKnownTypeStartsTheWalk()
    {
        Link link;
        QCOMPARE(link.apply(link.s.open(0)).timer, Timer::Restart);
        QCOMPARE(link.reply(ReplyKind::DeviceInfo, deviceInfo(3)).event, Event::None);
        QCOMPARE(link.expire().event, Event::None);
        QCOMPARE(link.expire().event, Event::GiveUp);
        QVERIFY(link.sent.isEmpty()); // the worker asked once, as the port opened

        Link rvb;
        rvb.apply(rvb.s.open(0));
        const LinkStep &step = rvb.reply(ReplyKind::DeviceInfo, deviceInfo(1));
        QCOMPARE(step.event, Event::DeviceInfo);
        QCOMPARE(step.send, (QVector<DeviceRequest>{{Kind::Projects, QString(), 0}}));
        QCOMPARE(rvb.s.requestStage(), 1);
    }

    void directoryRequestIsSentThreeTimesThenTheLinkIsGivenUp()
    {
        Link link;
        link.apply(link.s.open(0));
        link.reply(ReplyKind::DeviceInfo, deviceInfo(5));
        QCOMPARE(link.expire().send.size(), 1);
        QCOMPARE(link.expire().send.size(), 1);
        QCOMPARE(link.count(Kind::Projects), 3);
        QCOMPARE(link.expire().event, Event::GiveUp);
        QCOMPARE(link.count(Kind::Projects), 3);
    }

    void answerToTheThirdSendContinuesAndItsTwoCopiesAreUsedByNothing()
    {
        Link link;
        link.apply(link.s.open(0));
        link.reply(ReplyKind::DeviceInfo, deviceInfo(5));
        link.expire();
        link.expire();
        const QByteArray projects = listPage(0xF0, names({"P"}));
        QCOMPARE(link.reply(ReplyKind::RvaProjectNames, projects).event, Event::Entries);
        QCOMPARE(link.s.owedReplies(), 3); // two copies and the new request
        // The copies pay what the project request is owed; they are not another project page.
        QCOMPARE(link.reply(ReplyKind::RvaProjectNames, projects).event, Event::None);
        QCOMPARE(link.reply(ReplyKind::RvaProjectNames, projects).event, Event::None);
        QCOMPARE(link.s.walk().projects().size(), 1);
        QCOMPARE(link.reply(ReplyKind::RvaPositionRecords, listPage(0xF0, pointRecord("P", "A"))).event,
                 Event::Entries);
        QCOMPARE(link.sent.last(), (DeviceRequest{Kind::Files, "P/A", 0}));
        QCOMPARE(link.count(Kind::DeviceInfo), 0); // nothing needed a barrier
    }

    void replyReadBeforeTheRequestWentOutDoesNotAnswerIt()
    {
        Link link;
        link.walkTo(5, {});
        link.apply(link.s.requestFile(kX, link.now));
        // The same first page twice in one read: the second was read before page 1 was asked for.
        const QByteArray page0 = firstPage(1, "P", "A", 'x');
        link.reply(ReplyKind::RvaRecordData, page0);
        link.apply(link.s.pageStored(true, link.now));
        QCOMPARE(link.s.onReply(ReplyKind::RvaRecordData, dataPage(3, "stale"), link.now).event, Event::None);
        QCOMPARE(link.reply(ReplyKind::RvaRecordData, dataPage(3, "page 2")).data, QByteArray("page 2"));
    }

    void dataRepliesMustAnswerTheOutstandingPage_data()
    {
        QTest::addColumn<bool>("firstAsked");
        QTest::addColumn<int>("pageByte");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<bool>("last");
        QTest::newRow("page 0 answered by a first page") << true << 1 << true << false;
        QTest::newRow("page 0 answered by a single page") << true << 0xF1 << true << true;
        QTest::newRow("page 0 answered by a middle page") << true << 5 << false << false;
        QTest::newRow("page 0 answered by a last page") << true << 0xF0 << false << false;
        QTest::newRow("later page answered by a first page") << false << 1 << false << false;
        QTest::newRow("later page naming itself again") << false << 7 << false << false;
        QTest::newRow("later page naming the next") << false << 8 << true << false;
        QTest::newRow("later page, last") << false << 0xF0 << true << true;
        QTest::newRow("later page answered by a single page") << false << 0xF1 << false << false;
    }
    void dataRepliesMustAnswerTheOutstandingPage()
    {
        QFETCH(bool, firstAsked);
        QFETCH(int, pageByte);
        QFETCH(bool, taken);
        QFETCH(bool, last);
        Link link;
        link.walkTo(5, {});
        link.apply(link.s.requestFile(kX, link.now));
        if (!firstAsked) {
            link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'x'));
            link.apply(link.s.pageStored(true, link.now));
            link.reply(ReplyKind::RvaRecordData, dataPage(7, "middle"));
            link.apply(link.s.pageStored(true, link.now));
            QCOMPARE(link.sent.last().page, quint8(7));
        }
        const LinkStep &step =
            link.reply(ReplyKind::RvaRecordData, dataPage(quint8(pageByte), pointRecord("P", "A")));
        QCOMPARE(step.event == Event::DataPage, taken);
        QCOMPARE(step.lastPage, last);
    }

    void recordDataIsAskedAgainWithoutLimitAndAFailedFileFromPageZero()
    {
        Link link;
        link.walkTo(5, {});
        link.apply(link.s.requestFile(kX, link.now));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(link.expire().send, (QVector<DeviceRequest>{{Kind::RvaRecordData, kX.devicePath, 0}}));
        QCOMPARE(link.s.requestStage(), 4);
        link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'x'));
        link.apply(link.s.pageStored(true, link.now));
        link.reply(ReplyKind::RvaRecordData, dataPage(0xF0, "end"));
        // The file could not be completed: the next expiry asks for page 0 again.
        QCOMPARE(link.apply(link.s.pageStored(false, link.now)).timer, Timer::Keep);
        QCOMPARE(link.expire().send.last().page, quint8(0));
        QCOMPARE(link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'x')).event, Event::DataPage);
    }

    void pageNumbersThatComeRoundAgainAreThePagesAskedNextWithoutAnyWait()
    {
        Link link;
        link.walkTo(5, {});
        link.apply(link.s.requestFile(kX, link.now));
        link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'x'));
        link.apply(link.s.pageStored(true, link.now));
        // Identical records: every reply equals the one two pages before.
        for (int i = 0; i < 40; ++i) {
            const quint8 next = quint8(i % 2 ? 2 : 3);
            QCOMPARE(link.reply(ReplyKind::RvaRecordData, dataPage(next, QByteArray(64, 'r'))).event,
                     Event::DataPage);
            QCOMPARE(link.apply(link.s.pageStored(true, link.now)).send.last().page, next);
        }
        QCOMPARE(link.count(Kind::DeviceInfo), 0);
    }

    void identicalNeighboursAreTakenAtOnceUnlessCopiesAreAbout_data()
    {
        QTest::addColumn<bool>("unsettled");
        QTest::addColumn<bool>("otherAnswerFollows");
        QTest::newRow("settled link") << false << false;
        QTest::newRow("after an extra reply, the answer differs") << true << true;
        QTest::newRow("after an extra reply, the answer is the same") << true << false;
    }
    void identicalNeighboursAreTakenAtOnceUnlessCopiesAreAbout()
    {
        QFETCH(bool, unsettled);
        QFETCH(bool, otherAnswerFollows);
        Link link;
        link.apply(link.s.open(0));
        link.reply(ReplyKind::DeviceInfo, deviceInfo(5));
        link.reply(ReplyKind::RvaProjectNames, listPage(0xF0, names({"P"})));
        link.reply(ReplyKind::RvaPositionRecords,
                   listPage(0xF0, pointRecord("P", "A") + pointRecord("P", "B")));
        const QByteArray empty = listPage(0xF0, fileBlock({}));
        link.reply(ReplyKind::RvaFileNames, empty);
        if (unsettled) // a reply nobody asked for: copies may be about
            QCOMPARE(link.reply(ReplyKind::RvaProjectNames, listPage(0xF0, names({"Q"}))).event, Event::None);
        const LinkStep &second = link.reply(ReplyKind::RvaFileNames, empty);
        QCOMPARE(second.event, unsettled ? Event::None : Event::WalkComplete);
        if (!unsettled)
            return;
        if (otherAnswerFollows) {
            // The empty list was a copy of A's: B's own list comes after it and is taken at once.
            QCOMPARE(link.reply(ReplyKind::RvaFileNames, listPage(0xF0, fileBlock({"z.lmv"}))).event,
                     Event::WalkComplete);
            QCOMPARE(link.s.walk().projects().at(0).points.at(1).files.size(), 1);
            return;
        }
        // B is asked again only once no copy of A's list can come, and neither waiting period counts
        // toward giving up.
        QVERIFY(link.expire().send.isEmpty());
        QVERIFY(link.expire().send.isEmpty());
        QCOMPARE(link.expire().send, (QVector<DeviceRequest>{{Kind::Files, "P/B", 0}}));
        QCOMPARE(link.reply(ReplyKind::RvaFileNames, empty).event, Event::WalkComplete);
        QCOMPARE(link.count(Kind::DeviceInfo), 0);
    }

    void pointRecordsOfAnotherProjectAreNotTaken()
    {
        Link link;
        link.apply(link.s.open(0));
        link.reply(ReplyKind::DeviceInfo, deviceInfo(5));
        link.reply(ReplyKind::RvaProjectNames, listPage(0xF0, names({"P", "Q"})));
        link.reply(ReplyKind::RvaPositionRecords, listPage(0xF0, pointRecord("P", "A")));
        // P's points once more while Q's are asked: a copy, Q's follow.
        QCOMPARE(link.reply(ReplyKind::RvaPositionRecords, listPage(0xF0, pointRecord("P", "A"))).event,
                 Event::None);
        QCOMPARE(link.reply(ReplyKind::RvaPositionRecords, listPage(0xF0, pointRecord("Q", "C"))).event,
                 Event::Entries);
        QCOMPARE(link.s.walk().projects().at(1).points.at(0).name, QString("C"));
    }

    void stoppedDownloadIsFollowedByABarrierAndTheNextFileGetsOnlyItsOwnPages()
    {
        Link link;
        link.walkTo(5, {"x.lmv", "y.lmv"});
        link.apply(link.s.requestFile(kX, link.now));
        link.expire(); // page 0 of X asked twice
        const LinkStep &stop = link.apply(link.s.stop(link.now));
        QCOMPARE(stop.send, (QVector<DeviceRequest>{{Kind::StopReading, QString(), 0},
                                                    {Kind::DeviceInfo, QString(), 0}}));
        QCOMPARE(link.s.requestStage(), 5);
        QCOMPARE(link.expire().event, Event::StopSettled);
        QVERIFY(link.s.startsFile());
        link.apply(link.s.requestFile(kY, link.now));
        QCOMPARE(link.sent.last().kind, Kind::DeviceInfo); // Y waits for the barrier
        // X's first page arrives twice; both belong to X. Same point, so its names fit Y as well.
        QCOMPARE(link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'x')).event, Event::None);
        QCOMPARE(link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'x')).event, Event::None);
        QCOMPARE(link.reply(ReplyKind::DeviceInfo, deviceInfo(5)).send,
                 (QVector<DeviceRequest>{{Kind::RvaRecordData, kY.devicePath, 0}}));
        const LinkStep &page = link.reply(ReplyKind::RvaRecordData, firstPage(1, "P", "A", 'y'));
        QCOMPARE(page.event, Event::DataPage);
        QVERIFY(page.data.endsWith('y'));
        QCOMPARE(link.s.stopRequest().kind, Kind::StopReading);
    }

    void nodeTableStillAwaitedIsSupersededByTheNextClick()
    {
        Link link;
        link.walkTo(1, {"2019年01月.lmv"});
        const DeviceFileRef a{"0:/P/A/2019年01月.lmv", "P", "A"};
        const DeviceFileRef b{"0:/P/B/2019年01月.lmv", "P", "B"};
        link.apply(link.s.requestNodeTable(a, link.now));
        QCOMPARE(link.apply(link.s.requestNodeTable(b, link.now)).send,
                 (QVector<DeviceRequest>{{Kind::DeviceInfo, QString(), 0}}));
        QByteArray tableA(1 + 31 * 4, '\0');
        tableA[0] = char(0xF0);
        tableA[1 + 2 * 4] = 1; // day 3
        QByteArray tableB = tableA;
        tableB[1 + 2 * 4] = 0;
        tableB[1 + 19 * 4] = 1; // day 20
        QCOMPARE(link.reply(ReplyKind::RvbNodeTable, tableA).event, Event::None);
        QCOMPARE(link.reply(ReplyKind::DeviceInfo, deviceInfo(1)).send.last(),
                 (DeviceRequest{Kind::RvbRecordNode, b.devicePath, 0}));
        const LinkStep &table = link.reply(ReplyKind::RvbNodeTable, tableB);
        QCOMPARE(table.event, Event::NodeTable);
        QCOMPARE(table.nodes.firstDay(), 20);
        QCOMPARE(link.s.stage(), LinkStage::Calendar);
    }

    void firstPageNamingAnotherPointIsTakenOnlyWhenAskedAgainGivesTheSame()
    {
        Link link;
        link.walkTo(5, {});
        link.apply(link.s.requestFile(kX, link.now));
        const QByteArray other = firstPage(1, "P", "Other", 'x');
        QCOMPARE(link.reply(ReplyKind::RvaRecordData, other).event, Event::None);
        // Asked again once no copy of it can come: the same bytes are the file's.
        QVERIFY(link.expire().send.isEmpty());
        QVERIFY(link.expire().send.isEmpty());
        QCOMPARE(link.expire().send, (QVector<DeviceRequest>{{Kind::RvaRecordData, kX.devicePath, 0}}));
        QCOMPARE(link.reply(ReplyKind::RvaRecordData, other).event, Event::DataPage);
    }

    void slowLoggerOnEveryReplyIsWalkedAndDownloadedAtTwiceItsReplyTime_data()
    {
        QTest::addColumn<int>("delay");
        QTest::newRow("1.5 s, within the period") << 1500;
        QTest::newRow("2.3 s, beyond the period") << 2300;
    }
    void slowLoggerOnEveryReplyIsWalkedAndDownloadedAtTwiceItsReplyTime()
    {
        QFETCH(int, delay);
        Link link;
        SerialLogger logger{link, delay, 0, -1, false, {}};
        logger.carryOut(link.apply(link.s.open(0)));
        logger.out.append({delay, rvaAnswer({Kind::DeviceInfo, QString(), 0})});
        logger.busyUntil = delay;
        QVERIFY(logger.runUntil([&] { return link.last.event == Event::WalkComplete; }));
        // Device information, projects, positions and two file lists.
        QVERIFY2(link.now <= 5 * 2 * delay + 500, qPrintable(QString::number(link.now)));
        QCOMPARE(link.s.walk().projects().at(0).points.at(1).files.size(), 2);

        const qint64 start = link.now;
        logger.carryOut(link.apply(link.s.requestFile(kX, link.now)));
        QVERIFY(logger.runUntil([&] { return link.s.stage() == LinkStage::Idle; }));
        QVERIFY2(link.now - start <= 2 * 2 * delay + 500, qPrintable(QString::number(link.now - start)));
    }
};

QTEST_GUILESS_MAIN(LinkSessionTest)
#include "tst_linksession.moc"
