#pragma once

#include <QString>

// The download cache of one run: "./tmp/" with "dev/" below it.
//
// "./tmp/" counts as ours only while it carries the marker file that prepareCacheAtStart() writes
// into it on creation. Only a marked folder is ever removed. When an unmarked "./tmp/" exists
// (somebody else's folder), it is left untouched and the run uses a fresh folder of its own under
// the system's temporary directory instead, with the same layout ("dev/<project>/<point>/...").
// The same fallback serves a working directory that is the user's home (the viewer started from
// the desktop menu must not leave "~/tmp/" behind) or that the user cannot write to.
// All paths returned end with "/".

// Name of the marker file inside the cache root.
inline constexpr const char *kCacheMarkerName = ".limnova-viewer-cache";

// What prepareCacheAtStart() found about the folder it would put "tmp/" in.
struct CacheSite
{
    bool isHome = false;      // the folder is the user's home folder
    bool writable = true;     // the user may create entries in it
    bool tmpInTheWay = false; // "tmp" exists there and is not ours (file, link or foreign folder)
};

enum class CachePlace
{
    BaseTmp,       // "<baseDir>/tmp/"
    OwnTempFolder, // a new folder of its own under the system's temporary directory
};

// Where this run's cache goes, from the facts about baseDir alone.
CachePlace chooseCachePlace(const CacheSite &site);

// True when a and b name the same existing folder (links and "." resolved).
bool isSameFolder(const QString &a, const QString &b);

// Chooses and prepares this run's cache below baseDir (normally the working directory "."):
// removes a marked "<baseDir>/tmp/" left by an earlier run, then creates it again, marked, with an
// empty "dev/". Falls back to a new folder under the system temporary directory when
// chooseCachePlace() says so (baseDir is the home folder, is not writable, or an unmarked "tmp"
// is in the way) or "<baseDir>/tmp/" cannot be created. Returns false when no cache folder
// could be made at all (downloads then fail to cache; nothing else is affected).
bool prepareCacheAtStart(const QString &baseDir = QStringLiteral("."));

// The folder playing "./tmp/" in this run ("./tmp/" itself or the fallback folder).
// Before prepareCacheAtStart() and after removeCacheAtExit() it is "./tmp/".
QString cacheRoot();

// cacheRoot() + "dev/": where downloaded device files are cached.
QString deviceCacheRoot();

// True when cacheRoot() is the fallback folder under the system temporary directory.
bool cacheIsFallback();

// Empties the device cache: removes "dev/" recursively and creates it again. Does nothing unless
// the cache root carries our marker. Returns true when an empty "dev/" exists afterwards.
bool clearDeviceCache();

// Removes the cache root recursively when it carries our marker; an unmarked folder stays.
void removeCacheAtExit();

// True when dir (with or without trailing "/") holds our marker file.
bool isMarkedCache(const QString &dir);
