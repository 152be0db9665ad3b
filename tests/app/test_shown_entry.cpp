// What the editing dialogs act on: the entry the local view shows, never the tree's current item.

#include "app/ShownEntry.h"

#include <QtTest>

using lmv::ShownEntry;
using lmv::TreeEntryKey;

namespace {

TreeEntryKey file(const QString &point, const QString &name)
{
    return {"城东", "/store/城东/", point, point + "/", name, name + ".lmv"};
}

} // namespace

class TestShownEntry : public QObject
{
    Q_OBJECT

private slots:
    void editActionsFollowWhatIsShown_data();
    void editActionsFollowWhatIsShown();
    void dialogsTargetTheShownFileAndItsPoint();
    void resultsReachTheViewOnlyWhileItShowsTheirTarget();
    void removalForgetsTheShownEntryWhenItsViewIsEmptied();
};

void TestShownEntry::editActionsFollowWhatIsShown_data()
{
    QTest::addColumn<int>("shown"); // -1 nothing, -2 RVA point, -3 RVB point, else a file's type code
    QTest::addColumn<bool>("pipe");
    QTest::addColumn<bool>("parameters");
    QTest::newRow("nothing") << -1 << false << false;
    QTest::newRow("RVA point") << -2 << true << false;
    QTest::newRow("RVB point") << -3 << false << false;
    QTest::newRow("RVA file") << 5 << true << true;
    QTest::newRow("RVB file") << 1 << false << false;
    QTest::newRow("unreadable file") << 0 << true << false;
    QTest::newRow("other type code") << 7 << true << false;
}

void TestShownEntry::editActionsFollowWhatIsShown()
{
    QFETCH(int, shown);
    QFETCH(bool, pipe);
    QFETCH(bool, parameters);
    ShownEntry e;
    e.showFile(file("1号井", "a"), 5); // whatever was shown before is replaced
    if (shown == -1)
        e.clear();
    else if (shown < 0)
        e.showPoint(file("1号井", "a").pointKey(), shown == -3);
    else
        e.showFile(file("1号井", "a"), std::uint8_t(shown));
    QCOMPARE(e.actions().pipe, pipe);
    QCOMPARE(e.actions().parameters, parameters);
    QCOMPARE(!e.parameterTarget().isEmpty(), parameters);
    TreeEntryKey point;
    QCOMPARE(e.pipeTarget(point), pipe);
}

void TestShownEntry::dialogsTargetTheShownFileAndItsPoint()
{
    ShownEntry e;
    e.showFile(file("1号井", "b"), 5);
    QCOMPARE(e.parameterTarget(), QString("/store/城东/1号井/b.lmv"));
    TreeEntryKey point;
    QVERIFY(e.pipeTarget(point));
    QCOMPARE(point, file("1号井", "x").pointKey());

    e.showPoint(file("2号井", "").pointKey(), false);
    QCOMPARE(e.parameterTarget(), QString());
    QVERIFY(e.pipeTarget(point));
    QCOMPARE(point.pointName, QString("2号井"));
}

void TestShownEntry::resultsReachTheViewOnlyWhileItShowsTheirTarget()
{
    ShownEntry e;
    e.showFile(file("1号井", "b"), 5);
    QVERIFY(e.showsFile("/store/城东/1号井/b.lmv"));
    QVERIFY(!e.showsFile("/store/城东/1号井/c.lmv"));
    QCOMPARE(e.shownRvaFileOf(file("1号井", "").pointKey()), QString("/store/城东/1号井/b.lmv"));
    QCOMPARE(e.shownRvaFileOf(file("2号井", "").pointKey()), QString());
    QVERIFY(!e.showsRvaPoint(file("1号井", "").pointKey())); // a file, not the point's summary

    // The same point name in a project opened from another folder is another point.
    TreeEntryKey elsewhere = file("1号井", "").pointKey();
    elsewhere.projectPart = "/copy/城东/";
    QCOMPARE(e.shownRvaFileOf(elsewhere), QString());

    e.showPoint(file("1号井", "").pointKey(), false);
    QVERIFY(e.showsRvaPoint(file("1号井", "").pointKey()));
    QVERIFY(!e.showsRvaPoint(elsewhere));
    e.showFile(file("1号井", "b"), 1); // an RVB file is shown but is no RVA file
    QCOMPARE(e.shownRvaFileOf(file("1号井", "").pointKey()), QString());
}

void TestShownEntry::removalForgetsTheShownEntryWhenItsViewIsEmptied()
{
    ShownEntry e;
    // The RVA view is emptied by every removal: nothing of it stays to be edited.
    e.showFile(file("1号井", "b"), 5);
    QVERIFY(!e.afterRemoval(false));
    QCOMPARE(e.kind(), ShownEntry::Kind::Nothing);
    QCOMPARE(e.parameterTarget(), QString());
    e.showPoint(file("1号井", "").pointKey(), false);
    QVERIFY(!e.afterRemoval(true));
    QCOMPARE(e.kind(), ShownEntry::Kind::Nothing);

    // The RVB view keeps an entry that is still listed and is emptied with one that went.
    e.showFile(file("1号井", "b"), 1);
    QVERIFY(!e.afterRemoval(false));
    QCOMPARE(e.kind(), ShownEntry::Kind::RvbFile);
    QVERIFY(e.afterRemoval(true));
    QCOMPARE(e.kind(), ShownEntry::Kind::Nothing);
}

QTEST_APPLESS_MAIN(TestShownEntry)
#include "test_shown_entry.moc"
