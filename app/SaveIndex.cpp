#include "app/SaveIndex.h"

#include "data/StoreIndex.h"

#include <QFile>

namespace lmv {

namespace {

const QString kRecordTag = QStringLiteral("$record$");

} // namespace

QStringList indexLinesOfStoredFiles(const QStringList &indexLines, const QString &saveRoot,
                                    const QSet<QString> &storedFiles)
{
    QStringList out;
    for (const QString &line : indexLines)
        if (!line.startsWith(kRecordTag) || storedFiles.contains(saveRoot + line.mid(kRecordTag.size())))
            out.append(line);
    return out;
}

void SaveIndex::begin(const QString &saveRoot, const QStringList &indexLines, StoreFailureList *failures)
{
    root_ = saveRoot;
    lines_ = indexLines;
    stored_.clear();
    active_ = true;
    for (const QString &line : indexLines) {
        const QString path = saveRoot + line.mid(kRecordTag.size());
        if (line.startsWith(kRecordTag) && QFile::exists(path))
            stored_.insert(path);
    }
    writeIndexFiles(root_, indexLinesOfStoredFiles(lines_, root_, stored_), failures);
}

void SaveIndex::fileStored(const QString &destination)
{
    if (!active_ || stored_.contains(destination))
        return;
    stored_.insert(destination);
    writeIndexFiles(root_, indexLinesOfStoredFiles(lines_, root_, stored_));
}

void SaveIndex::end()
{
    active_ = false;
    lines_.clear();
    stored_.clear();
}

} // namespace lmv
