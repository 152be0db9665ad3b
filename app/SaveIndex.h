#pragma once

// The index files of a save into the local store, kept true while the save runs: the checked
// projects and points are listed from the start, a file only once it has been written completely
// (or when it was there before the save began, since a copy never replaces a file). A save cut off
// by closing the window, by the logger going or by a failed write leaves an index that names
// only files that are there.

#include <QSet>
#include <QString>
#include <QStringList>

namespace lmv {

class StoreFailureList;

// The index lines of collectSelection with only the "$record$" lines of stored files: a record
// line "$record$" + rel stands for the file saveRoot + rel.
QStringList indexLinesOfStoredFiles(const QStringList &indexLines, const QString &saveRoot,
                                    const QSet<QString> &storedFiles);

class SaveIndex
{
public:
    // Starts a save of data files: writes the index files with the files already at their place.
    // Index files that cannot be written are listed in failures (this once).
    void begin(const QString &saveRoot, const QStringList &indexLines, StoreFailureList *failures);
    // The file at destination has been written completely: the index files list it from now on.
    void fileStored(const QString &destination);
    // No save of data files runs.
    void end();
    bool active() const { return active_; }

private:
    QString root_;
    QStringList lines_;
    QSet<QString> stored_;
    bool active_ = false;
};

} // namespace lmv
