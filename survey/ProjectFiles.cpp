#include "survey/ProjectFiles.h"

#include "data/ProjectIndex.h"

#include <QFile>
#include <QSet>

#include <map>

namespace lmv::survey {

const PointFiles *ProjectFiles::point(const QString &pointName) const
{
    for (const PointFiles &p : points)
        if (p.name == pointName)
            return &p;
    return nullptr;
}

ProjectFiles readProjectFiles(const QString &indexPath)
{
    ProjectFiles out;
    out.indexPath = indexPath;
    const OpenKind kind = openKindFor(indexPath);
    QFile probe(indexPath);
    if ((kind != OpenKind::ProjectIndex && kind != OpenKind::PointIndex) || !probe.open(QIODevice::ReadOnly))
        return out;
    probe.close();
    out.opened = true;
    const QList<IndexEntry> projects = readIndexFile(indexPath, kind);
    std::map<QString, qsizetype> pointSlot;
    std::map<qsizetype, QSet<QString>> seen; // paths already listed, per point
    for (const IndexEntry &project : projects) {
        if (out.name.isEmpty())
            out.name = project.column(0);
        for (const IndexEntry &point : project.children) {
            auto [slot, added] = pointSlot.try_emplace(point.column(0), out.points.size());
            if (added)
                out.points.push_back(PointFiles{point.column(0), {}});
            PointFiles &target = out.points[slot->second];
            for (const IndexEntry &file : point.children) {
                // The three path parts of the index, as the project tree joins them.
                const QString path = project.column(1) + point.column(1) + file.column(1);
                if (!seen[slot->second].contains(path)) {
                    seen[slot->second].insert(path);
                    target.files.push_back(PointFile{file.column(0), path});
                }
            }
        }
    }
    return out;
}

} // namespace lmv::survey
