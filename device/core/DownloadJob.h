#pragma once

// The download queue's element: one device file to fetch, for viewing or for saving.

#include <QString>

class QTreeWidgetItem;

namespace lmv {

struct DownloadJob
{
    // "0:/" + project + "/" + point + "/" + file, the device's own names.
    QString devicePath;
    // Local target of a save; empty when the file is downloaded for viewing.
    QString destination;
    // The file's entry in the device tree (owned by the tree; only compared and handed back).
    QTreeWidgetItem *treeItem = nullptr;
    // The device's names of the three levels; the cache path is built from these, never by
    // splitting devicePath (a name may itself hold a "/").
    QString project;
    QString point;
    QString fileName;

    // A job for the file `file` of point `point` in project `project`.
    static DownloadJob forFile(const QString &project, const QString &point, const QString &file,
                               QTreeWidgetItem *item, const QString &destination = QString())
    {
        DownloadJob job;
        job.devicePath = QStringLiteral("0:/") + project + QLatin1Char('/') + point + QLatin1Char('/') + file;
        job.destination = destination;
        job.treeItem = item;
        job.project = project;
        job.point = point;
        job.fileName = file;
        return job;
    }
};

} // namespace lmv
