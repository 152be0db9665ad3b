#pragma once

// The monitoring points of a project and the data files each holds, as the store's index files
// list them.

#include <QString>
#include <QVector>

namespace lmv::survey {

struct PointFile
{
    QString name; // as the index lists it
    QString path; // where it lies
};

struct PointFiles
{
    QString name;
    QVector<PointFile> files; // in the index's order, each path once
};

struct ProjectFiles
{
    QString indexPath;
    QString name; // the project's name (of the first project the index lists)
    QVector<PointFiles> points;
    bool opened = false; // false: the index file cannot be read

    const PointFiles *point(const QString &pointName) const;
};

// Reads a project index (.lmvprj: every point) or a point index (.lmvpos: its point). Points of
// the same name are one point.
ProjectFiles readProjectFiles(const QString &indexPath);

} // namespace lmv::survey
