#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "data/DataFile.h"
#include "data/ProjectIndex.h"
#include "data/StoreFailures.h"
#include "data/StoreFiles.h"
#include "data/StoreIndex.h"
#include "data/StoreSelection.h"
#include "tests/save/StoreTestFiles.h"

using namespace lmv;
using namespace storetest;

namespace {

// Full path of a file entry: column 1 of project, point and file put together.
QString fullPath(const IndexEntry &project, const IndexEntry &point, const IndexEntry &file)
{
    return project.column(1) + point.column(1) + file.column(1);
}

StoreTree deviceTree(const QString &cacheDir)
{
    StoreTree tree;
    for (const char *projectName : {"P", "P2"}) {
        StoreProjectNode p;
        p.name = QString::fromLatin1(projectName);
        p.checkState = 2;
        for (const char *pointName : {"Q", "R"}) {
            StorePointNode q;
            q.name = QString::fromLatin1(pointName);
            q.checkState = 2;
            for (const char *fileName : {"F1.lmv", "F2.lmv"}) {
                StoreFileNode f;
                f.name = QString::fromLatin1(fileName);
                f.checkState = 2;
                f.cachePath = cacheDir + p.name + q.name + f.name;
                q.files << f;
            }
            p.points << q;
        }
        tree << p;
    }
    return tree;
}

} // namespace

class StoreRoundTripTest : public QObject
{
    Q_OBJECT

private slots:
    void savedStoreReadsBackAsTheTreeItWasSavedFrom()
    {
        QTemporaryDir cache;
        QTemporaryDir out;
        const StoreTree tree = deviceTree(cache.path() + "/");
        int records = 2;
        for (const StoreProjectNode &p : tree)
            for (const StorePointNode &q : p.points)
                for (const StoreFileNode &f : q.files)
                    QVERIFY(writeFile(f.cachePath, rvaFile(p.name.toLatin1(), q.name.toLatin1(), records++)));

        const QString root = saveRootFor(out.path() + "/store.lmv", SaveFormat::DataFile);
        const SaveSelection selection = collectSelection(tree, root, 42);
        for (const QString &dir : selection.directories)
            QVERIFY(QDir().mkpath(dir));
        StoreFailureList failures;
        writeIndexFiles(root, selection.indexLines, &failures);
        for (const PlannedSave &save : planSaves(tree, root, SaveFormat::DataFile))
            QVERIFY(storeFile(save.cachePath, save.destination, SaveFormat::DataFile, failures));
        QVERIFY(failures.isEmpty());

        for (const StoreProjectNode &p : tree) {
            QString remark;
            const QList<IndexEntry> read =
                readIndexFile(root + p.name + "/" + p.name + ".lmvprj", OpenKind::ProjectIndex, &remark);
            QCOMPARE(read.size(), 1);
            QCOMPARE(read[0].column(0), p.name);
            QCOMPARE(remark, QStringLiteral("设备号:42"));
            QCOMPARE(read[0].children.size(), p.points.size());
            for (int q = 0; q < p.points.size(); ++q) {
                const IndexEntry &point = read[0].children[q];
                QCOMPARE(point.column(0), p.points[q].name);
                QCOMPARE(point.column(9), QStringLiteral("设备号:42"));
                QCOMPARE(point.children.size(), p.points[q].files.size());
                for (int f = 0; f < point.children.size(); ++f) {
                    const IndexEntry &file = point.children[f];
                    QCOMPARE(file.column(0), p.points[q].files[f].name);
                    const QString path = fullPath(read[0], point, file);
                    QCOMPARE(readFile(path), readFile(p.points[q].files[f].cachePath));
                }
            }
            // The point index alone yields the same point and files.
            const QList<IndexEntry> pointRead =
                readIndexFile(root + p.name + "/Q/Q.lmvpos", OpenKind::PointIndex);
            QCOMPARE(pointRead.size(), 1);
            QCOMPARE(pointRead[0].children.size(), 1);
            const IndexEntry &q = pointRead[0].children[0];
            QCOMPARE(q.children.size(), 2);
            QCOMPARE(readFile(fullPath(pointRead[0], q, q.children[1])),
                     readFile(p.points[0].files[1].cachePath));
        }
    }

    void committedSampleStoreOpensWithEveryFileReadable()
    {
        const QString store = QStringLiteral(LMV_SOURCE_DIR "/samples/store/");
        const QStringList projects = QDir(store).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(projects.size(), 2);
        int files = 0;
        for (const QString &name : projects) {
            const QList<IndexEntry> read =
                readIndexFile(store + name + "/" + name + ".lmvprj", OpenKind::ProjectIndex);
            QCOMPARE(read.size(), 1);
            // The RVA project also holds the eight-week survey point.
            QCOMPARE(read[0].children.size(), name == QStringLiteral("城东排水管网") ? 3 : 2);
            for (const IndexEntry &point : read[0].children) {
                QVERIFY(!point.children.isEmpty());
                for (const IndexEntry &file : point.children) {
                    DataFileContents contents;
                    QCOMPARE(readDataFile(fullPath(read[0], point, file), contents), int(ReadOk));
                    QCOMPARE(contents.header.point.projectNameText(), name);
                    QCOMPARE(contents.header.point.pointNameText(), point.column(0));
                    QVERIFY(contents.rva.size() + contents.rvb.size() > 100);
                    QCOMPARE(contents.header.trailingBytes, qint64(0));
                    ++files;
                }
            }
        }
        QCOMPARE(files, 17);
    }
};

QTEST_GUILESS_MAIN(StoreRoundTripTest)
#include "test_store_roundtrip.moc"
