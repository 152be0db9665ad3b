#pragma once
// Scratch files of the fuzz entries: each input is written to a file in a scratch folder and read
// through the same functions the viewer calls.
#include "tests/fuzz/FuzzCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace lmv::fuzz {

// In memory where the system offers it: every input is written and read back several times, and
// a disk makes that ten times slower.
inline QString scratchParent()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

// One scratch folder per process, removed at exit; the path ends in "/".
inline const QString &scratch()
{
    static QTemporaryDir dir(scratchParent() + QStringLiteral("/lmv-fuzz-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    require(dir.isValid(), "no scratch folder");
    return path;
}

// Writes bytes as the whole file; with growTo > 0 the file is then extended with zeros (sparse)
// to that size.
inline void writeFile(const QString &path, const QByteArray &bytes, qint64 growTo = 0)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file not created");
    require(file.write(bytes) == bytes.size(), "scratch file not written");
    if (growTo > 0)
        require(file.resize(growTo), "scratch file not grown");
}

// The file's size and its first `limit` bytes, or all of it with no limit.
inline QByteArray readFile(const QString &path, qint64 *size, qint64 limit = -1)
{
    QFile file(path);
    require(file.open(QIODevice::ReadOnly), "scratch file not readable");
    *size = file.size();
    return limit < 0 ? file.readAll() : file.read(limit);
}

// The input after its first `skip` bytes (the options), as an exactly sized copy.
inline QByteArray body(const std::uint8_t *data, std::size_t size, std::size_t skip = 1)
{
    return size > skip ? QByteArray(reinterpret_cast<const char *>(data + skip), int(size - skip))
                       : QByteArray();
}

} // namespace lmv::fuzz
