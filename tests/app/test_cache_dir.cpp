#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "data/CacheDir.h"

// The marker file name is restated here on purpose: a cache written by an earlier version must
// still be recognised as ours.
static const char *const kMarker = ".limnova-viewer-cache";

static void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class TestCacheDir : public QObject
{
    Q_OBJECT
    QString startDir;

private slots:
    void initTestCase() { startDir = QDir::currentPath(); }
    void cleanup()
    {
        removeCacheAtExit();
        QDir::setCurrent(startDir);
    }

    void freshStartCreatesMarkedTmpWithEmptyDev()
    {
        QTemporaryDir base;
        QVERIFY(prepareCacheAtStart(base.path()));
        QCOMPARE(cacheRoot(), base.path() + "/tmp/");
        QCOMPARE(deviceCacheRoot(), base.path() + "/tmp/dev/");
        QVERIFY(!cacheIsFallback());
        QVERIFY(QFileInfo(base.path() + "/tmp/" + kMarker).isFile());
        QVERIFY(QDir(base.path() + "/tmp/dev").isEmpty());
    }

    void markedTmpFromEarlierRunIsEmptiedAtStart()
    {
        QTemporaryDir base;
        QVERIFY(QDir().mkpath(base.path() + "/tmp/dev/P/Q"));
        writeFile(base.path() + "/tmp/" + kMarker, "x");
        writeFile(base.path() + "/tmp/dev/P/Q/old.lmv", "old");
        writeFile(base.path() + "/tmp/stray.txt", "old");

        QVERIFY(prepareCacheAtStart(base.path()));
        QVERIFY(!cacheIsFallback());
        QVERIFY(!QFile::exists(base.path() + "/tmp/stray.txt"));
        QVERIFY(QDir(base.path() + "/tmp/dev").exists());
        QVERIFY(QDir(base.path() + "/tmp/dev").isEmpty());
        QVERIFY(isMarkedCache(base.path() + "/tmp"));
    }

    void unmarkedTmpIsLeftAloneAndFallbackIsUsed()
    {
        QTemporaryDir base;
        QVERIFY(QDir().mkpath(base.path() + "/tmp/dev"));
        writeFile(base.path() + "/tmp/notes.txt", "user data");
        writeFile(base.path() + "/tmp/dev/keep.bin", "user data too");

        QVERIFY(prepareCacheAtStart(base.path()));
        QVERIFY(cacheIsFallback());
        const QString root = cacheRoot();
        QVERIFY(root.startsWith(QDir::tempPath()));
        QVERIFY(root.endsWith('/'));
        QVERIFY(!root.startsWith(base.path()));
        QVERIFY(QDir(root + "dev").exists());
        QVERIFY(isMarkedCache(root));

        writeFile(deviceCacheRoot() + "a.lmv", "cached");
        QVERIFY(clearDeviceCache());
        QVERIFY(QDir(root + "dev").isEmpty());

        removeCacheAtExit();
        QVERIFY(!QDir(root).exists());
        QFile notes(base.path() + "/tmp/notes.txt");
        QVERIFY(notes.open(QIODevice::ReadOnly));
        QCOMPARE(notes.readAll(), QByteArray("user data"));
        QVERIFY(QFile::exists(base.path() + "/tmp/dev/keep.bin"));
    }

    void regularFileNamedTmpIsLeftAlone()
    {
        QTemporaryDir base;
        writeFile(base.path() + "/tmp", "a file, not a folder");
        QVERIFY(prepareCacheAtStart(base.path()));
        QVERIFY(cacheIsFallback());
        removeCacheAtExit();
        QVERIFY(QFileInfo(base.path() + "/tmp").isFile());
    }

    void symlinkToMarkedFolderIsNotFollowed()
    {
        QTemporaryDir base;
        QTemporaryDir elsewhere;
        writeFile(elsewhere.path() + "/" + kMarker, "x");
        writeFile(elsewhere.path() + "/precious.txt", "keep");
        QVERIFY(QFile::link(elsewhere.path(), base.path() + "/tmp"));

        QVERIFY(prepareCacheAtStart(base.path()));
        QVERIFY(cacheIsFallback());
        removeCacheAtExit();
        QVERIFY(QFile::exists(elsewhere.path() + "/precious.txt"));
    }

    void clearDeviceCacheEmptiesDevOnly()
    {
        QTemporaryDir base;
        QVERIFY(prepareCacheAtStart(base.path()));
        QVERIFY(QDir().mkpath(deviceCacheRoot() + "P/Q"));
        writeFile(deviceCacheRoot() + "P/Q/f.lmv", "cached");
        QVERIFY(clearDeviceCache());
        QVERIFY(QDir(deviceCacheRoot()).exists());
        QVERIFY(QDir(deviceCacheRoot()).isEmpty());
        QVERIFY(isMarkedCache(cacheRoot()));
    }

    void clearDeviceCacheRefusesUnmarkedFolder()
    {
        // Nothing prepared: the root is the default "./tmp/", which is not ours in the test's cwd.
        QTemporaryDir base;
        QVERIFY(QDir::setCurrent(base.path()));
        QVERIFY(QDir().mkpath("tmp/dev"));
        writeFile("tmp/dev/user.txt", "keep");
        QVERIFY(!clearDeviceCache());
        QVERIFY(QFile::exists("tmp/dev/user.txt"));
        removeCacheAtExit();
        QVERIFY(QFile::exists("tmp/dev/user.txt"));
    }

    void cachePlaceFollowsTheFolderFacts_data()
    {
        QTest::addColumn<bool>("isHome");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("tmpInTheWay");
        QTest::addColumn<bool>("inBase");
        QTest::newRow("plain working folder") << false << true << false << true;
        QTest::newRow("home folder") << true << true << false << false;
        QTest::newRow("read-only folder") << false << false << false << false;
        QTest::newRow("foreign tmp") << false << true << true << false;
        QTest::newRow("read-only home") << true << false << false << false;
    }
    void cachePlaceFollowsTheFolderFacts()
    {
        QFETCH(bool, isHome);
        QFETCH(bool, writable);
        QFETCH(bool, tmpInTheWay);
        QFETCH(bool, inBase);
        const CacheSite site{isHome, writable, tmpInTheWay};
        QCOMPARE(chooseCachePlace(site) == CachePlace::BaseTmp, inBase);
    }

    void startedInHomeLeavesNoTmpThere()
    {
        // Started from the desktop menu the working directory is home, often reached through a
        // link; an earlier version's marked "~/tmp/" is cleaned up and no new one appears.
        QTemporaryDir home;
        QTemporaryDir links;
        QVERIFY(QFile::link(home.path(), links.path() + "/home"));
        QVERIFY(QDir().mkpath(home.path() + "/tmp/dev"));
        writeFile(home.path() + "/tmp/" + kMarker, "x");
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());

        const bool prepared = prepareCacheAtStart(links.path() + "/home");
        qputenv("HOME", oldHome);
        QVERIFY(prepared);
        QVERIFY(cacheIsFallback());
        QVERIFY(cacheRoot().startsWith(QDir::tempPath()));
        QVERIFY(!QFileInfo::exists(home.path() + "/tmp"));
        QVERIFY(QDir(deviceCacheRoot()).exists());
    }

    void exitRemovesMarkedCache()
    {
        QTemporaryDir base;
        QVERIFY(prepareCacheAtStart(base.path()));
        writeFile(deviceCacheRoot() + "f.lmv", "cached");
        removeCacheAtExit();
        QVERIFY(!QFileInfo::exists(base.path() + "/tmp"));
        QCOMPARE(cacheRoot(), QStringLiteral("./tmp/"));
    }
};

QTEST_GUILESS_MAIN(TestCacheDir)
#include "test_cache_dir.moc"
