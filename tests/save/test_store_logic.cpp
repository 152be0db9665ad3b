#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

#include "data/ProjectIndex.h"
#include "data/StoreFailures.h"
#include "data/StoreIndex.h"
#include "data/StoreProgress.h"
#include "data/StoreSelection.h"
#include "data/StoreTree.h"

using namespace lmv;

namespace {

StoreFileNode fileNode(const QString &name, int state, const QString &size = QStringLiteral("1000"),
                       const QString &cache = QString())
{
    StoreFileNode f;
    f.name = name;
    f.checkState = state;
    f.column1 = size;
    f.cachePath = cache;
    return f;
}

// Device number 7, project P, point Q, files F1.lmv and F2.lmv all checked.
StoreTree exampleTree()
{
    StorePointNode q;
    q.name = QStringLiteral("Q");
    q.checkState = 2;
    q.files << fileNode(QStringLiteral("F1.lmv"), 2) << fileNode(QStringLiteral("F2.lmv"), 2);
    StoreProjectNode p;
    p.name = QStringLiteral("P");
    p.checkState = 2;
    p.points << q;
    return StoreTree{p};
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing %1>").arg(path)};
    const QByteArray bytes = file.readAll();
    QStringList lines;
    int start = 0;
    while (start < bytes.size()) {
        const int end = bytes.indexOf("\r\n", start);
        if (end < 0) {
            lines << QStringLiteral("<no CR LF after %1>").arg(QString::fromLatin1(bytes.mid(start)));
            break;
        }
        lines << QTextCodec::codecForName("GB2312")->toUnicode(bytes.mid(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

class StoreLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void saveRootDropsTheExtensionOnlyWhenTheNameEndsWithIt_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("root");
        QTest::newRow("lmv") << "D:/store/a.lmv" << 0 << "D:/store/a/";
        QTest::newRow("upper-case lmv") << "/s/a.LMV" << 0 << "/s/a/";
        QTest::newRow("no extension keeps every character") << "/s/store" << 0 << "/s/store/";
        QTest::newRow("short name without extension") << "abc" << 0 << "abc/";
        QTest::newRow("txt") << "/s/out.txt" << 1 << "/s/out/";
        QTest::newRow("txt dialog name without extension") << "/s/export" << 1 << "/s/export/";
        QTest::newRow("lmv name for a csv save is kept") << "/s/x.lmv" << 2 << "/s/x.lmv/";
        QTest::newRow("csv") << "/s/x.csv" << 2 << "/s/x/";
    }
    void saveRootDropsTheExtensionOnlyWhenTheNameEndsWithIt()
    {
        QFETCH(QString, chosen);
        QFETCH(int, format);
        QFETCH(QString, root);
        QCOMPARE(saveRootFor(chosen, static_cast<SaveFormat>(format)), root);
    }

    void selectionOfTheExampleGivesIndexLinesDirectoriesAndCount()
    {
        const SaveSelection s = collectSelection(exampleTree(), QStringLiteral("D:/store/a/"), 7);
        QCOMPARE(s.indexLines,
                 QStringList({"$id$7", "$prj$P", "$pos$P/Q", "$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"}));
        QCOMPARE(s.directories, QStringList({"D:/store/a/P/", "D:/store/a/P/Q/"}));
        QCOMPARE(s.fileCount, 2);
    }

    void uncheckedPointGetsNothingEvenInAPartlyCheckedProject()
    {
        StoreTree tree = exampleTree();
        tree[0].checkState = 1;
        StorePointNode r;
        r.name = QStringLiteral("R");
        r.checkState = 0;
        r.files << fileNode(QStringLiteral("G.lmv"), 0);
        tree[0].points << r;
        StorePointNode empty;
        empty.name = QStringLiteral("E");
        empty.checkState = 2; // checked point without any file
        tree[0].points << empty;
        const SaveSelection s = collectSelection(tree, QStringLiteral("/r/"), 7);
        QVERIFY(!s.indexLines.join('|').contains(QStringLiteral("P/R")));
        QVERIFY(!s.directories.contains(QStringLiteral("/r/P/R/")));
        QVERIFY(s.indexLines.contains(QStringLiteral("$pos$P/E")));
        QVERIFY(s.directories.contains(QStringLiteral("/r/P/E/")));
        QCOMPARE(s.fileCount, 2);
    }

    void partlyCheckedFilesAreNotSaved()
    {
        StoreTree tree = exampleTree();
        tree[0].points[0].files[1].checkState = 1;
        const SaveSelection s = collectSelection(tree, QStringLiteral("/r/"), 7);
        QCOMPARE(s.fileCount, 1);
        QCOMPARE(planSaves(tree, QStringLiteral("/r/"), SaveFormat::DataFile).size(), 1);
    }

    void indexFilesOfTheExampleReadLineByLine()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/a/");
        const SaveSelection s = collectSelection(exampleTree(), root, 7);
        for (const QString &d : s.directories)
            QVERIFY(QDir().mkpath(d));
        StoreFailureList failures;
        writeIndexFiles(root, s.indexLines, &failures);
        QVERIFY(failures.isEmpty());
        QCOMPARE(readLines(root + "P/P.lmvprj"),
                 QStringList({"$id$7", "$prj$P", "$pos$P/Q", "$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"}));
        QCOMPARE(readLines(root + "P/Q/Q.lmvpos"),
                 QStringList({"$id$7", "$pos$P/Q", "$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"}));
    }

    void indexFilesAreGb2312AndReplaceEarlierOnes()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/s/");
        QVERIFY(QDir().mkpath(root + QStringLiteral("北区/一号井/")));
        QFile old(root + QStringLiteral("北区/北区.lmvprj"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("stale stale stale stale stale stale stale stale\r\n");
        old.close();
        writeIndexFiles(root, {"$id$12", QStringLiteral("$prj$北区"), QStringLiteral("$pos$北区/一号井")});
        QFile prj(root + QStringLiteral("北区/北区.lmvprj"));
        QVERIFY(prj.open(QIODevice::ReadOnly));
        // 北区 in GB2312 is B1 B1 C7 F8.
        QCOMPARE(prj.readAll(), QByteArray("$id$12\r\n$prj$\xB1\xB1\xC7\xF8\r\n$pos$\xB1\xB1\xC7\xF8/"
                                           "\xD2\xBB\xBA\xC5\xBE\xAE\r\n"));
        QVERIFY(QFile::exists(root + QStringLiteral("北区/一号井/一号井.lmvpos")));
    }

    void twoProjectsGetTheirOwnIndexFiles()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/s/");
        StoreTree tree = exampleTree();
        StoreProjectNode second = tree[0];
        second.name = QStringLiteral("P2");
        tree << second;
        const SaveSelection s = collectSelection(tree, root, 9);
        for (const QString &d : s.directories)
            QVERIFY(QDir().mkpath(d));
        writeIndexFiles(root, s.indexLines);
        QCOMPARE(readLines(root + "P/P.lmvprj").size(), 5);
        QCOMPARE(
            readLines(root + "P2/P2.lmvprj"),
            QStringList({"$id$9", "$prj$P2", "$pos$P2/Q", "$record$P2/Q/F1.lmv", "$record$P2/Q/F2.lmv"}));
    }

    void indexFileThatCannotBeCreatedIsListed()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/missing/"); // directories never made
        StoreFailureList failures;
        writeIndexFiles(root, collectSelection(exampleTree(), root, 7).indexLines, &failures);
        QCOMPARE(failures.size(), 2);
        QVERIFY(failures.items()[0].path.endsWith(QStringLiteral("P/P.lmvprj")));
        QVERIFY(failures.items()[1].path.endsWith(QStringLiteral("P/Q/Q.lmvpos")));
    }

    void indexLineTooLongForTheReaderIsWrittenAndListed()
    {
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/s/");
        StoreTree tree = exampleTree();
        // "$record$P/Q/" + name + CR LF: 127 bytes with a 113-character name, 128 with 114.
        const QString fits = QString(109, QLatin1Char('a')) + QStringLiteral(".lmv");
        const QString tooLong = QString(110, QLatin1Char('b')) + QStringLiteral(".lmv");
        tree[0].points[0].files = {fileNode(fits, 2), fileNode(tooLong, 2)};
        const SaveSelection s = collectSelection(tree, root, 7);
        for (const QString &d : s.directories)
            QVERIFY(QDir().mkpath(d));
        StoreFailureList failures;
        writeIndexFiles(root, s.indexLines, &failures);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.items()[0].path, root + QStringLiteral("P/Q/") + tooLong);
        QCOMPARE(failures.items()[0].reason, StoreReason::indexLineTooLong());
        QCOMPARE(readLines(root + "P/Q/Q.lmvpos").last(), QStringLiteral("$record$P/Q/") + tooLong);
    }

    void plannedTargetsFollowTheFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("devicePath");
        QTest::newRow("data file") << 0 << "F1.lmv"
                                   << "/r/P/Q/F1.lmv"
                                   << "0:/P/Q/F1.lmv";
        QTest::newRow("text") << 1 << "F1.lmv"
                              << "/r/P/Q/F1.txt"
                              << "0:/P/Q/F1.lmv";
        QTest::newRow("csv") << 2 << "F1.lmv"
                             << "/r/P/Q/F1.csv"
                             << "0:/P/Q/F1.lmv";
        QTest::newRow("text from the last .lmv") << 1 << "a.lmv.lmv"
                                                 << "/r/P/Q/a.lmv.txt"
                                                 << "0:/P/Q/a.lmv.lmv";
        QTest::newRow("device path keeps the listed name") << 1 << "x.lmv.bak"
                                                           << "/r/P/Q/x.txt"
                                                           << "0:/P/Q/x.lmv.bak";
    }
    void plannedTargetsFollowTheFormat()
    {
        QFETCH(int, format);
        QFETCH(QString, name);
        QFETCH(QString, destination);
        QFETCH(QString, devicePath);
        StoreTree tree = exampleTree();
        tree[0].points[0].files = {fileNode(name, 2, QStringLiteral("4242"))};
        const QVector<PlannedSave> plan =
            planSaves(tree, QStringLiteral("/r/"), static_cast<SaveFormat>(format));
        QCOMPARE(plan.size(), 1);
        QCOMPARE(plan[0].destination, destination);
        QCOMPARE(plan[0].devicePath, devicePath);
        QCOMPARE(plan[0].sizeText, QStringLiteral("4242"));
    }

    // A logger naming things like paths must not make a save leave the chosen folder, and the
    // index files must name what is on disk so that the store opens again.
    void hostileDeviceNamesStayInsideTheStoreAndTheIndexNamesTheFilesOnDisk()
    {
        StoreTree tree = exampleTree();
        tree[0].name = QStringLiteral("../../x");
        tree[0].points[0].name = QStringLiteral("a/b");
        tree[0].points[0].files = {fileNode(QStringLiteral("../../../y.lmv"), 2),
                                   fileNode(QStringLiteral(".."), 2)};
        QTemporaryDir dir;
        const QString root = dir.path() + QStringLiteral("/s/");
        auto inside = [&root](const QString &path) {
            return QDir::cleanPath(path).startsWith(root) && !path.contains(QStringLiteral("/../"));
        };
        const SaveSelection selection = collectSelection(tree, root, 7);
        for (const QString &d : selection.directories)
            QVERIFY2(inside(d), qPrintable(d));
        for (int format = 0; format <= 2; ++format)
            for (const PlannedSave &save : planSaves(tree, root, static_cast<SaveFormat>(format)))
                QVERIFY2(inside(save.destination), qPrintable(save.destination));
        const QVector<PlannedSave> plan = planSaves(tree, root, SaveFormat::DataFile);
        QCOMPARE(plan[0].devicePath, QStringLiteral("0:/../../x/a/b/../../../y.lmv"));

        for (const QString &d : selection.directories)
            QVERIFY(QDir().mkpath(d));
        StoreFailureList failures;
        writeIndexFiles(root, selection.indexLines, &failures);
        QVERIFY(failures.isEmpty());
        QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories);
        QStringList indexFiles;
        while (it.hasNext())
            indexFiles << it.next();
        QCOMPARE(indexFiles.size(), 2); // the project and the point index, both below root
        const QString prj = root + QStringLiteral("%2E%2E%2F%2E%2E%2Fx/%2E%2E%2F%2E%2E%2Fx.lmvprj");
        const QList<IndexEntry> projects = readIndexFile(prj, OpenKind::ProjectIndex);
        QCOMPARE(projects.size(), 1);
        QCOMPARE(projects[0].children.size(), 1);
        const IndexEntry &point = projects[0].children[0];
        QCOMPARE(point.children.size(), 2);
        for (int f = 0; f < 2; ++f)
            QCOMPARE(projects[0].column(1) + point.column(1) + point.children[f].column(1),
                     plan[f].destination);
    }

    void planKeepsCachePathsAndTreeOrder()
    {
        StoreTree tree = exampleTree();
        tree[0].points[0].files[1].cachePath = QStringLiteral("./tmp/dev/P/Q/F2.lmv");
        const QVector<PlannedSave> plan = planSaves(tree, QStringLiteral("/r/"), SaveFormat::DataFile);
        QCOMPARE(plan.size(), 2);
        QVERIFY(plan[0].cachePath.isEmpty());
        QCOMPARE(plan[1].cachePath, QStringLiteral("./tmp/dev/P/Q/F2.lmv"));
        QCOMPARE(plan[1].file, 1);
    }

    void anyCheckedLooksAtEveryLevel()
    {
        StoreTree tree = exampleTree();
        tree[0].checkState = 0;
        tree[0].points[0].checkState = 0;
        tree[0].points[0].files[0].checkState = 0;
        tree[0].points[0].files[1].checkState = 0;
        QVERIFY(!anyStoreEntryChecked(tree));
        tree[0].points[0].files[1].checkState = 2;
        QVERIFY(anyStoreEntryChecked(tree));
        QVERIFY(!anyStoreEntryChecked(StoreTree()));
    }

    void totalPercentOfThreeFilesShows33Then67WithBar66()
    {
        CopyProgressCounter c;
        c.startCopy(3);
        c.nextFile(0); // the cached file, stored first
        QCOMPARE(c.shown().fileNumber, QStringLiteral("1"));
        QCOMPARE(c.shown().totalPercent, QStringLiteral("1"));
        c.nextFile(5000);
        QCOMPARE(c.shown().fileNumber, QStringLiteral("2"));
        QCOMPARE(c.shown().totalPercent, QStringLiteral("33"));
        QCOMPARE(c.shown().totalBar, 33);
        c.nextFile(5000);
        QCOMPARE(c.shown().totalPercent, QStringLiteral("67"));
        QCOMPARE(c.shown().totalBar, 66);
        QCOMPARE(c.filesStarted(), 3u);
    }

    void fileBarOfSeveralFilesLeavesTheTotalAlone()
    {
        CopyProgressCounter c;
        c.startCopy(2);
        c.nextFile(0);
        c.nextFile(10000);
        const int totalBefore = c.shown().totalBar;
        c.refresh(c.fileBytes() / 2);
        QCOMPARE(c.shown().fileBar, 50);
        QCOMPARE(c.shown().totalBar, totalBefore);
    }

    void singleFileMovesBothBarsTogether()
    {
        CopyProgressCounter c;
        c.startCopy(1);
        c.nextFile(20000);
        const quint32 bytes = c.fileBytes();
        QVERIFY(bytes > 0);
        c.refresh(bytes / 4);
        QCOMPARE(c.shown().fileBar, 25);
        QCOMPARE(c.shown().totalBar, 25);
        QCOMPARE(c.shown().totalPercent, c.shown().filePercent);
        c.pageDone();
        c.refresh(bytes / 4);
        QCOMPARE(c.shown().transferred, QString::number(bytes / 4 * 2));
        QCOMPARE(c.shown().fileBar, 50);
        QCOMPARE(c.shown().totalBar, 50);
    }

    void filePercentStaysWithinOneAndNinetyNine()
    {
        CopyProgressCounter c;
        c.startCopy(2);
        c.nextFile(0); // nothing to measure against
        c.refresh(123);
        QCOMPARE(c.shown().filePercent, QStringLiteral("1"));
        c.nextFile(20000);
        c.refresh(0);
        QCOMPARE(c.shown().fileBar, 1);
        c.refresh(c.fileBytes() * 2);
        QCOMPARE(c.shown().fileBar, 99);
        QCOMPARE(c.shown().filePercent, QStringLiteral("99"));
    }

    void pageBytesCountOnlyOnceAPageIsDone()
    {
        CopyProgressCounter c;
        c.startCopy(1);
        c.nextFile(100000);
        c.refresh(300);
        c.refresh(600); // progress of the same page replaces, it does not add
        QCOMPARE(c.shown().transferred, QStringLiteral("600"));
        c.pageDone();
        QCOMPARE(c.doneBytes(), 600u);
        QCOMPARE(c.pageBytes(), 0u);
        c.refresh(100);
        QCOMPARE(c.shown().transferred, QStringLiteral("700"));
        c.nextFile(100000);
        QCOMPARE(c.doneBytes(), 0u);
    }

    void failureReportListsEveryFileWithItsReasonUpToTheLimit()
    {
        StoreFailureList list;
        QVERIFY(list.isEmpty());
        list.add(QStringLiteral("/s/a.lmv"), StoreReason::targetExists());
        list.add(QStringLiteral("/s/b.txt"), StoreReason::notDataFile(3));
        list.add(QStringLiteral("/s/c.txt"), StoreReason::sourceUnreadable());
        const QString full = list.reportText();
        QVERIFY(full.startsWith(QStringLiteral("以下3个文件未写入")));
        QVERIFY(full.contains(QStringLiteral("/s/a.lmv: 目标文件已存在,未覆盖")));
        QVERIFY(full.contains(QStringLiteral("/s/b.txt: ")));
        QVERIFY(full.contains(QStringLiteral("3")));
        const QString cut = list.reportText(1);
        QVERIFY(cut.contains(QStringLiteral("/s/a.lmv")));
        QVERIFY(!cut.contains(QStringLiteral("/s/c.txt")));
        QVERIFY(cut.contains(QStringLiteral("另有2个文件未写入")));
    }
};

QTEST_GUILESS_MAIN(StoreLogicTest)
#include "test_store_logic.moc"
