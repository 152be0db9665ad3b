#pragma once

#include <QString>
#include <QVector>

namespace lmv {

// Files that a save or a conversion did not write, with the reason, so that the window can tell
// the user instead of reporting the whole run as done.
struct StoreFailure
{
    QString path;   // the target that was not written (or the source when no target was formed)
    QString reason; // short user-facing reason
};

class StoreFailureList
{
public:
    void add(const QString &path, const QString &reason) { m_items.append({path, reason}); }
    void clear() { m_items.clear(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    int size() const { return m_items.size(); }
    const QVector<StoreFailure> &items() const { return m_items; }

    // Title of the box that lists the failures.
    static QString reportTitle();
    // Text of that box: a count line, then one line per file "path: reason", at most maxLines of
    // them followed by a line with the number of the others.
    QString reportText(int maxLines = 15) const;

private:
    QVector<StoreFailure> m_items;
};

// The reasons, one text each, shared by saving and conversion.
namespace StoreReason {
QString sourceUnreadable();
QString targetExists();
QString targetUnwritable();
QString directoryUnavailable();
QString notDataFile(int typeCode);
QString notLmvName();
QString indexUnwritable();
QString indexLineTooLong();
} // namespace StoreReason

} // namespace lmv
