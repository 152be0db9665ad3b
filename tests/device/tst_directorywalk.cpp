// The directory walk: pages in, entries and the next list request out.
#include "device/core/DirectoryWalk.h"

#include <QtTest>

using namespace lmv;
using Kind = DeviceRequest::Kind;
using Outcome = WalkStep::Outcome;

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
        QCOMPARE(walk.phase(), DirectoryWalk::Phase::Positions);
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
        QCOMPARE(walk.phase(), DirectoryWalk::Phase::Files);
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
        QCOMPARE(noPoints.phase(), DirectoryWalk::Phase::Idle);
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

    void pagesOutsideTheCurrentListAreDropped()
    {
        DirectoryWalk walk;
        QCOMPARE(walk.onProjectPage(0xF0, {"A"}).outcome, Outcome::Dropped); // not started
        walk.start(Family::Rva);
        walk.onProjectPage(0xF0, {"A"});
        QCOMPARE(walk.phase(), DirectoryWalk::Phase::Positions);
        QCOMPARE(walk.onProjectPage(0xF0, {"B"}).outcome, Outcome::Dropped);
        QCOMPARE(walk.onFilePage(0xF0, {{"f", 1}}).outcome, Outcome::Dropped);
        QCOMPARE(walk.projects().size(), 1);
    }
};

QTEST_GUILESS_MAIN(DirectoryWalkTest)
#include "tst_directorywalk.moc"
