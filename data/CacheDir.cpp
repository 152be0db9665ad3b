#include "data/CacheDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString kLocalDefault = QStringLiteral("./tmp/");

// The root chosen by prepareCacheAtStart(); empty while none is prepared.
QString g_root;
bool g_fallback = false;

QString withSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

bool writeMarker(const QString &root)
{
    QFile marker(root + QLatin1String(kCacheMarkerName));
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    marker.write("Download cache of Limnova Viewer; removed when the viewer exits.\r\n");
    return true;
}

// Creates root (must not exist yet or be empty), marks it and creates "dev/" in it.
bool makeMarkedCache(const QString &root)
{
    if (!QDir().mkpath(root))
        return false;
    if (!writeMarker(root))
        return false;
    return QDir().mkpath(root + QStringLiteral("dev"));
}

QString makeFallbackCache()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/limnova-viewer-XXXXXX"));
    if (!dir.isValid())
        return QString();
    dir.setAutoRemove(false);
    const QString root = withSlash(dir.path());
    if (!makeMarkedCache(root)) {
        QDir(root).removeRecursively();
        return QString();
    }
    return root;
}

} // namespace

CachePlace chooseCachePlace(const CacheSite &site)
{
    if (site.isHome || !site.writable || site.tmpInTheWay)
        return CachePlace::OwnTempFolder;
    return CachePlace::BaseTmp;
}

bool isSameFolder(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

bool isMarkedCache(const QString &dir)
{
    return QFileInfo(withSlash(dir) + QLatin1String(kCacheMarkerName)).isFile();
}

bool prepareCacheAtStart(const QString &baseDir)
{
    g_root.clear();
    g_fallback = false;

    const QString local = withSlash(baseDir) + QStringLiteral("tmp/");
    const QFileInfo info(local.chopped(1));
    CacheSite site;
    site.isHome = isSameFolder(baseDir, QDir::homePath());
    site.writable = QFileInfo(baseDir).isWritable();
    if (info.exists() || info.isSymLink()) {
        // Only a real folder carrying our marker is ours to delete; a symbolic link is never
        // followed into, since removing through it would delete somebody else's files. A marked
        // "tmp" is removed even where the cache no longer goes (an earlier version's "~/tmp/").
        if (info.isDir() && !info.isSymLink() && isMarkedCache(local))
            QDir(local).removeRecursively();
        site.tmpInTheWay = QFileInfo::exists(local.chopped(1)) || QFileInfo(local.chopped(1)).isSymLink();
    }
    if (chooseCachePlace(site) == CachePlace::BaseTmp && makeMarkedCache(local)) {
        g_root = local;
        return true;
    }

    const QString fallback = makeFallbackCache();
    if (fallback.isEmpty())
        return false;
    g_root = fallback;
    g_fallback = true;
    return true;
}

QString cacheRoot()
{
    return g_root.isEmpty() ? kLocalDefault : g_root;
}

QString deviceCacheRoot()
{
    return cacheRoot() + QStringLiteral("dev/");
}

bool cacheIsFallback()
{
    return g_fallback;
}

bool clearDeviceCache()
{
    const QString root = cacheRoot();
    if (!isMarkedCache(root))
        return false;
    const QString dev = root + QStringLiteral("dev");
    QDir(dev).removeRecursively();
    return QDir().mkpath(dev);
}

void removeCacheAtExit()
{
    const QString root = cacheRoot();
    const QFileInfo info(root.chopped(1));
    if (info.isDir() && !info.isSymLink() && isMarkedCache(root))
        QDir(root).removeRecursively();
    g_root.clear();
    g_fallback = false;
}
