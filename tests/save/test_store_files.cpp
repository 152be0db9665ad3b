#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "data/StoreFailures.h"
#include "data/StoreFiles.h"
#include "data/StoreTree.h"
#include "tests/save/StoreTestFiles.h"

using namespace lmv;
using namespace storetest;

namespace {

// A local tree as the local project list holds a project index: the project's path part is the
// directory of the index file, the point's its name + "/", the file's its name.
StoreTree localTree(const QString &dir, const QStringList &files)
{
    StoreProjectNode p;
    p.name = QStringLiteral("P");
    p.checkState = 2;
    p.column1 = dir;
    StorePointNode q;
    q.name = QStringLiteral("Q");
    q.checkState = 2;
    q.column1 = QStringLiteral("Q/");
    for (const QString &name : files) {
        StoreFileNode f;
        f.name = name;
        f.checkState = 2;
        f.column1 = name;
        q.files << f;
    }
    p.points << q;
    return StoreTree{p};
}

} // namespace

class StoreFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void copyStoresTheCachedFileByteForByte()
    {
        QTemporaryDir dir;
        const QString src = dir.path() + "/cache.lmv";
        const QByteArray bytes = rvaFile("P", "Q", 3);
        QVERIFY(writeFile(src, bytes));
        StoreFailureList failures;
        QVERIFY(storeFile(src, dir.path() + "/F.lmv", SaveFormat::DataFile, failures));
        QVERIFY(failures.isEmpty());
        QCOMPARE(readFile(dir.path() + "/F.lmv"), bytes);
    }

    void copyNeverReplacesAnExistingFileAndSaysSo()
    {
        QTemporaryDir dir;
        const QString src = dir.path() + "/cache.lmv";
        const QString dst = dir.path() + "/F.lmv";
        QVERIFY(writeFile(src, rvaFile("P", "Q", 3)));
        QVERIFY(writeFile(dst, "the user's own file"));
        StoreFailureList failures;
        QVERIFY(!storeFile(src, dst, SaveFormat::DataFile, failures));
        QCOMPARE(readFile(dst), QByteArray("the user's own file"));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.items()[0].path, dst);
        QCOMPARE(failures.items()[0].reason, StoreReason::targetExists());
    }

    void missingSourceAndUnwritableTargetAreListed()
    {
        QTemporaryDir dir;
        StoreFailureList failures;
        QVERIFY(!storeFile(dir.path() + "/none.lmv", dir.path() + "/F.lmv", SaveFormat::DataFile, failures));
        QVERIFY(!QFile::exists(dir.path() + "/F.lmv"));
        const QString src = dir.path() + "/cache.lmv";
        QVERIFY(writeFile(src, rvaFile("P", "Q", 1)));
        QVERIFY(!storeFile(src, dir.path() + "/no/such/dir/F.lmv", SaveFormat::DataFile, failures));
        QVERIFY(!storeFile(src, dir.path() + "/no/such/dir/F.txt", SaveFormat::Text, failures));
        QCOMPARE(failures.size(), 3);
        QCOMPARE(failures.items()[0].reason, StoreReason::sourceUnreadable());
        QCOMPARE(failures.items()[1].reason, StoreReason::targetUnwritable());
        QVERIFY(!failures.items()[2].reason.isEmpty());
    }

    void textStoreExportsTheFile()
    {
        QTemporaryDir dir;
        const QString src = dir.path() + "/cache.lmv";
        QVERIFY(writeFile(src, rvaFile("Proj", "Pt", 2)));
        StoreFailureList failures;
        QVERIFY(storeFile(src, dir.path() + "/F1.txt", SaveFormat::Text, failures));
        QVERIFY(storeFile(src, dir.path() + "/F1.csv", SaveFormat::Csv, failures));
        QVERIFY(failures.isEmpty());
        const QByteArray text = readFile(dir.path() + "/F1.txt");
        QVERIFY(text.startsWith(QStringLiteral("项目名称:Proj\r\n").toUtf8()));
        QVERIFY(text.contains("\t"));
        QVERIFY(readFile(dir.path() + "/F1.csv").contains(QStringLiteral("序号,液位(m)").toUtf8()));
    }

    void exportOfAFileOfAnotherDeviceTypeIsListedNotWritten()
    {
        QTemporaryDir dir;
        QByteArray bytes = rvaFile("P", "Q", 2);
        bytes[500] = 3; // a sampler's file
        QVERIFY(writeFile(dir.path() + "/s.lmv", bytes));
        StoreFailureList failures;
        QVERIFY(!storeFile(dir.path() + "/s.lmv", dir.path() + "/s.txt", SaveFormat::Text, failures));
        QVERIFY(!QFile::exists(dir.path() + "/s.txt"));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.items()[0].path, dir.path() + "/s.txt");
    }

    void conversionTurnsTheChosenNameIntoAFolder()
    {
        QTemporaryDir src;
        QVERIFY(QDir().mkpath(src.path() + "/Q"));
        QVERIFY(writeFile(src.path() + "/Q/a.lmv", rvaFile("P", "Q", 2)));
        QTemporaryDir out;
        const QString root = out.path() + "/out.txt/";
        StoreFailureList failures;
        const int written =
            convertCheckedFiles(localTree(src.path() + "/", {"a.lmv"}), root, SaveFormat::Text, failures);
        QCOMPARE(written, 1);
        QVERIFY(failures.isEmpty());
        QVERIFY(QFileInfo(out.path() + "/out.txt").isDir());
        QVERIFY(QFileInfo(out.path() + "/out.txt/P/Q/a.txt").isFile());
    }

    void conversionSkipsNamesNotEndingInLowerCaseLmvAndListsThem()
    {
        QTemporaryDir src;
        QVERIFY(QDir().mkpath(src.path() + "/Q"));
        QVERIFY(writeFile(src.path() + "/Q/data.LMV", rvaFile("P", "Q", 2)));
        QVERIFY(writeFile(src.path() + "/Q/b.lmv", rvaFile("P", "Q", 2)));
        QTemporaryDir out;
        StoreFailureList failures;
        const int written = convertCheckedFiles(localTree(src.path() + "/", {"data.LMV", "b.lmv"}),
                                                out.path() + "/x/", SaveFormat::Csv, failures);
        QCOMPARE(written, 1);
        QVERIFY(QFile::exists(out.path() + "/x/P/Q/b.csv"));
        QCOMPARE(QDir(out.path() + "/x/P/Q").entryList(QDir::Files), QStringList{"b.csv"});
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.items()[0].path, src.path() + "/Q/data.LMV");
        QCOMPARE(failures.items()[0].reason, StoreReason::notLmvName());
    }

    void conversionOnlyTakesCheckedEntriesAndListsUnreadableSources()
    {
        QTemporaryDir src;
        QVERIFY(QDir().mkpath(src.path() + "/Q"));
        QVERIFY(writeFile(src.path() + "/Q/a.lmv", rvaFile("P", "Q", 2)));
        StoreTree tree = localTree(src.path() + "/", {"a.lmv", "gone.lmv", "skip.lmv"});
        tree[0].points[0].files[2].checkState = 0;
        StoreProjectNode other = tree[0];
        other.name = QStringLiteral("Unticked");
        other.checkState = 0;
        tree << other;
        QTemporaryDir out;
        StoreFailureList failures;
        QCOMPARE(convertCheckedFiles(tree, out.path() + "/r/", SaveFormat::Text, failures), 1);
        QVERIFY(!QFile::exists(out.path() + "/r/P/Q/skip.txt"));
        QVERIFY(!QFile::exists(out.path() + "/r/Unticked"));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.items()[0].path, out.path() + "/r/P/Q/gone.txt");
    }

    // A data file opened on its own shows the names of its header, which a logger wrote.
    void conversionOfHeaderNamesLikePathsStaysInsideTheChosenFolder()
    {
        QTemporaryDir src;
        QVERIFY(writeFile(src.path() + "/a.lmv", rvaFile("P", "Q", 2)));
        StoreTree tree = localTree(QString(), {src.path() + "/a.lmv"});
        tree[0].name = QStringLiteral("../../x");
        tree[0].points[0].name = QStringLiteral("a/b");
        tree[0].points[0].column1.clear();
        tree[0].points[0].files[0].name = QStringLiteral("../../../y.lmv");
        QTemporaryDir out;
        const QString root = out.path() + "/1/2/r/";
        StoreFailureList failures;
        QCOMPARE(convertCheckedFiles(tree, root, SaveFormat::Csv, failures), 1);
        QDirIterator it(out.path(), QDir::Files, QDirIterator::Subdirectories);
        QStringList written;
        while (it.hasNext())
            written << it.next();
        QCOMPARE(written, QStringList{root + "%2E%2E%2F%2E%2E%2Fx/a%2Fb/%2E%2E%2F%2E%2E%2F%2E%2E%2Fy.csv"});
    }

    void conversionIntoAFolderThatCannotBeMadeIsListedOnce()
    {
        QTemporaryDir src;
        QVERIFY(QDir().mkpath(src.path() + "/Q"));
        QVERIFY(writeFile(src.path() + "/Q/a.lmv", rvaFile("P", "Q", 2)));
        QTemporaryDir out;
        QVERIFY(writeFile(out.path() + "/blocked", "a file where the folder should go"));
        StoreFailureList failures;
        QCOMPARE(convertCheckedFiles(localTree(src.path() + "/", {"a.lmv"}), out.path() + "/blocked/",
                                     SaveFormat::Text, failures),
                 0);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.items()[0].reason, StoreReason::directoryUnavailable());
    }
};

QTEST_GUILESS_MAIN(StoreFilesTest)
#include "test_store_files.moc"
