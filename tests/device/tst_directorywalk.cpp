// Decisions of the directory walk and of the reply timer, driven without port or window.
#include "device/core/DirectoryWalk.h"

#include <QtTest>

using namespace lmv;
using Kind = DeviceRequest::Kind;
using Outcome = WalkStep::Outcome;
using Action = TimerStep::Action;

namespace {

WalkPoint point(const QString &name)
{
    WalkPoint p;
    p.name = name;
    p.hasPipe = true;
    return p;
}

QVector<WalkPoint> points(const QStringList &names)
{
    QVector<WalkPoint> out;
    for (const QString &n : names)
        out.append(point(n));
    return out;
}

} // namespace

class DirectoryWalkTest : public QObject
{
    Q_OBJECT

private slots:
    void projectPageBytesAreTheNextPagesToAskFor()
    {
        DirectoryWalk walk;
        QCOMPARE(walk.start(Family::Rva), (DeviceRequest{Kind::Projects, QString(), 0}));
        WalkStep s = walk.onProjectPage(3, {"A"});
        QCOMPARE(s.outcome, Outcome::Request);
        QCOMPARE(s.request.page, quint8(3));
        s = walk.onProjectPage(5, {"B", "", "C"});
        QCOMPARE(s.request.page, quint8(5));
        QCOMPARE(s.firstAdded, 1);
        QCOMPARE(s.added, 2);
        s = walk.onProjectPage(0xF0, {});
        QCOMPARE(s.request, (DeviceRequest{Kind::Positions, "A", 0}));
        QCOMPARE(walk.requestStage(), 2);
        QCOMPARE(walk.projects().size(), 3);
    }

    void firstProjectWithoutPointsIsSkippedInTheFileStage()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {"P1", "P2"});
        WalkStep s = walk.onPositionPage(0xF0, {});
        QCOMPARE(s.request, (DeviceRequest{Kind::Positions, "P2", 0}));
        s = walk.onPositionPage(0xF0, points({"Q1", "Q2"}));
        QCOMPARE(s.project, 1);
        QCOMPARE(s.added, 2);
        QCOMPARE(s.request, (DeviceRequest{Kind::Files, "P2/Q1", 0}));
        QCOMPARE(walk.requestStage(), 3);
        s = walk.onFilePage(4, {{"a.lmv", 600}});
        QCOMPARE(s.request, (DeviceRequest{Kind::Files, "P2/Q1", 4}));
        QCOMPARE(s.point, 0);
        s = walk.onFilePage(0xF0, {{"b.lmv", 700}});
        QCOMPARE(s.request, (DeviceRequest{Kind::Files, "P2/Q2", 0}));
        s = walk.onFilePage(0xF0, {});
        QCOMPARE(s.outcome, Outcome::Complete);
        QCOMPARE(walk.projects().at(1).points.at(0).files.size(), 2);
        QCOMPARE(walk.projects().at(1).points.at(0).files.at(1).size, quint32(700));
    }

    void walkEndsAtOnceWithoutProjectsOrWithoutPoints()
    {
        DirectoryWalk none;
        none.start(Family::Rvb);
        QCOMPARE(none.onProjectPage(0xF0, {}).outcome, Outcome::Complete);

        DirectoryWalk noPoints;
        noPoints.start(Family::Rvb);
        noPoints.onProjectPage(0xF0, {"P"});
        QCOMPARE(noPoints.onPositionPage(0xF0, {}).outcome, Outcome::Complete);
        QCOMPARE(noPoints.onTimerExpiry().action, Action::None);
    }

    void filesMoveOnToTheNextProjectWithPoints()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {"P1", "P2", "P3"});
        walk.onPositionPage(0xF0, points({"A"}));
        walk.onPositionPage(0xF0, {});
        walk.onPositionPage(0xF0, points({"C"}));
        WalkStep s = walk.onFilePage(0xF0, {});
        QCOMPARE(s.request, (DeviceRequest{Kind::Files, "P3/C", 0}));
        QCOMPARE(walk.projectIndex(), 2);
    }

    void groupRvbKeepsOnlyDataFileNames()
    {
        DirectoryWalk walk;
        walk.start(Family::Rvb);
        walk.onProjectPage(0xF0, {"P"});
        walk.onPositionPage(0xF0, points({"A"}));
        const WalkStep s = walk.onFilePage(
            0xF0, {{"2019年01月.lmv", 1000}, {"log.txt", 5}, {"x.LMV", 9}, {"2019年02月.lmv", 2000}});
        QCOMPARE(s.added, 2);
        const auto &files = walk.projects().at(0).points.at(0).files;
        QCOMPARE(files.at(0).name, QString("2019年01月.lmv"));
        QCOMPARE(files.at(1).size, quint32(2000));
    }

    void secondAnswersToAnEarlierRequestAreDropped()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(3, {"A"});
        // The same reply again: its page byte is the page just asked for.
        QCOMPARE(walk.onProjectPage(3, {"A"}).outcome, Outcome::Dropped);
        QCOMPARE(walk.projects().size(), 1);
        walk.onProjectPage(0xF0, {});
        // A project list reply in the position stage.
        QCOMPARE(walk.onProjectPage(0xF0, {"A"}).outcome, Outcome::Dropped);
        QCOMPARE(walk.onFilePage(0xF0, {{"f", 1}}).outcome, Outcome::Dropped);
        QCOMPARE(walk.projects().size(), 1);
    }

    void directoryRequestIsSentThreeTimesThenTheLinkIsGivenUp()
    {
        DirectoryWalk walk;
        const DeviceRequest first = walk.start(Family::Rva);
        TimerStep t = walk.onTimerExpiry();
        QCOMPARE(t.action, Action::Repeat);
        QVERIFY(t.counted);
        QCOMPARE(t.request, first);
        QCOMPARE(walk.onTimerExpiry().action, Action::Repeat);
        QCOMPARE(walk.retryCount(), 2);
        QCOMPARE(walk.onTimerExpiry().action, Action::GiveUp);
    }

    void answerToTheThirdSendContinuesWithAFreshCount()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onTimerExpiry();
        walk.onTimerExpiry();
        const WalkStep s = walk.onProjectPage(0xF0, {"P"});
        QCOMPARE(s.outcome, Outcome::Request);
        QCOMPARE(walk.retryCount(), 0);
        QCOMPARE(walk.onTimerExpiry().request, (DeviceRequest{Kind::Positions, "P", 0}));
    }

    void deviceInformationIsAwaitedForTwoExpiries()
    {
        DirectoryWalk walk;
        walk.reset();
        QCOMPARE(walk.onTimerExpiry().action, Action::None);
        QCOMPARE(walk.onTimerExpiry().action, Action::GiveUp);
    }

    void recordDataIsRepeatedWithoutLimit()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {});
        const DeviceRequest r = walk.beginRvaDownload("0:/P/A/f.lmv");
        for (int i = 0; i < 10; ++i) {
            const TimerStep t = walk.onTimerExpiry();
            QCOMPARE(t.action, Action::Repeat);
            QVERIFY(!t.counted);
            QCOMPARE(t.request, r);
        }
        QCOMPARE(walk.requestStage(), 4);
    }

    void nodeTableRequestIsCountedForGroupRvb()
    {
        DirectoryWalk walk;
        walk.start(Family::Rvb);
        walk.onProjectPage(0xF0, {});
        walk.beginNodeRequest("0:/P/A/2019年01月.lmv");
        QCOMPARE(walk.onTimerExpiry().action, Action::Repeat);
        QVERIFY(!walk.acceptNodeTable(3));
        QVERIFY(walk.acceptNodeTable(0xF0));
        QVERIFY(!walk.acceptNodeTable(0xF0));
        QCOMPARE(walk.onTimerExpiry().action, Action::None);
    }

    void dataRepliesMustAnswerTheOutstandingPage_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("pageByte");
        QTest::addColumn<int>("verdict");
        const int drop = int(DirectoryWalk::DataVerdict::Drop);
        const int next = int(DirectoryWalk::DataVerdict::NextPage);
        const int last = int(DirectoryWalk::DataVerdict::LastPage);
        QTest::newRow("page 0 answered by a first page") << 0 << 1 << next;
        QTest::newRow("page 0 answered by a single page") << 0 << 0xF1 << last;
        QTest::newRow("page 0 answered by a middle page") << 0 << 5 << drop;
        QTest::newRow("page 0 answered by a last page") << 0 << 0xF0 << drop;
        QTest::newRow("repeat of the first page") << 1 << 1 << drop;
        QTest::newRow("middle page naming itself again") << 7 << 7 << next;
        QTest::newRow("middle page") << 7 << 8 << next;
        QTest::newRow("last page") << 7 << 0xF0 << last;
        QTest::newRow("single page while page 7 is asked") << 7 << 0xF1 << drop;
    }
    void dataRepliesMustAnswerTheOutstandingPage()
    {
        QFETCH(int, asked);
        QFETCH(int, pageByte);
        QFETCH(int, verdict);
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {});
        walk.beginRvaDownload("0:/P/A/f.lmv");
        if (asked != 0)
            walk.nextDataRequest(quint8(asked));
        QCOMPARE(int(walk.classifyDataPage(quint8(pageByte))), verdict);
    }

    void pageNumbersThatRepeatWithinAFileAreThePagesAskedNext()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {});
        walk.beginRvaDownload("0:/P/A/f.lmv");
        walk.nextDataRequest(1);
        for (int i = 0; i < 40; ++i) {
            const quint8 page = quint8(2 + i % 2); // 2, 3, 2, 3, ...
            QCOMPARE(walk.classifyDataPage(page), DirectoryWalk::DataVerdict::NextPage);
            QCOMPARE(walk.nextDataRequest(page).page, page);
        }
        QCOMPARE(walk.classifyDataPage(0xF0), DirectoryWalk::DataVerdict::LastPage);
    }

    void dataRepliesWithoutARunningDownloadAreDropped()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {});
        QCOMPARE(walk.classifyDataPage(1), DirectoryWalk::DataVerdict::Drop);
        walk.beginRvaDownload("0:/P/A/f.lmv");
        walk.finishDownload();
        QCOMPARE(walk.classifyDataPage(0xF0), DirectoryWalk::DataVerdict::Drop);
    }

    void stoppedDownloadSettlesAtTheNextExpiry_data()
    {
        QTest::addColumn<bool>("rvb");
        QTest::addColumn<int>("stoppingStage");
        QTest::newRow("RVA") << false << 5;
        QTest::newRow("RVB") << true << 6;
    }
    void stoppedDownloadSettlesAtTheNextExpiry()
    {
        QFETCH(bool, rvb);
        QFETCH(int, stoppingStage);
        DirectoryWalk walk;
        walk.start(rvb ? Family::Rvb : Family::Rva);
        walk.onProjectPage(0xF0, {});
        if (rvb)
            walk.beginRvbDay("0:/P/A/2019年01月.lmv", 1000, 2000);
        else
            walk.beginRvaDownload("0:/P/A/f.lmv");
        walk.stopDownload();
        QCOMPARE(walk.requestStage(), stoppingStage);
        QCOMPARE(walk.classifyDataPage(1), DirectoryWalk::DataVerdict::Drop);
        QCOMPARE(walk.onTimerExpiry().action, Action::StopAndEnable);
        QCOMPARE(walk.onTimerExpiry().action, Action::None);
    }

    void failedCompletionAsksForTheWholeFileAgain()
    {
        DirectoryWalk walk;
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {});
        walk.beginRvaDownload("0:/P/A/f.lmv");
        walk.nextDataRequest(1);
        walk.restartDataFromFirstPage();
        QCOMPARE(walk.onTimerExpiry().request.page, quint8(0));
        QCOMPARE(walk.classifyDataPage(1), DirectoryWalk::DataVerdict::NextPage);
    }
};

QTEST_GUILESS_MAIN(DirectoryWalkTest)
#include "tst_directorywalk.moc"
