#include "data/StoreSelection.h"

#include "data/SafeName.h"

namespace lmv {

SaveSelection collectSelection(const StoreTree &tree, const QString &saveRoot, quint32 deviceNumber)
{
    SaveSelection selection;
    const QString idLine = QStringLiteral("$id$") + QString::number(deviceNumber);
    for (const StoreProjectNode &project : tree) {
        if (project.checkState == 0)
            continue;
        // The index lines name the folders and files as they are on disk, so the store opens again.
        const QString projectDir = safeLocalName(project.name);
        selection.indexLines << idLine << QStringLiteral("$prj$") + projectDir;
        selection.directories << saveRoot + projectDir + QLatin1Char('/');
        for (const StorePointNode &point : project.points) {
            if (point.checkState == 0)
                continue;
            const QString pointRel = projectDir + QLatin1Char('/') + safeLocalName(point.name);
            selection.indexLines << QStringLiteral("$pos$") + pointRel;
            selection.directories << saveRoot + pointRel + QLatin1Char('/');
            for (const StoreFileNode &file : point.files) {
                if (file.checkState != 2)
                    continue;
                selection.indexLines << QStringLiteral("$record$") + pointRel + QLatin1Char('/') +
                                            safeLocalName(file.name);
                ++selection.fileCount;
            }
        }
    }
    return selection;
}

// File name without its ".lmv" (everything from the last ".lmv" on); unchanged without one.
static QString withoutLmv(const QString &name)
{
    const int at = name.lastIndexOf(QLatin1String(".lmv"));
    return at < 0 ? name : name.left(at);
}

QVector<PlannedSave> planSaves(const StoreTree &tree, const QString &saveRoot, SaveFormat format)
{
    QVector<PlannedSave> plan;
    for (int p = 0; p < tree.size(); ++p) {
        const StoreProjectNode &project = tree[p];
        if (project.checkState == 0)
            continue;
        for (int q = 0; q < project.points.size(); ++q) {
            const StorePointNode &point = project.points[q];
            if (point.checkState == 0)
                continue;
            const QString devicePoint = project.name + QLatin1Char('/') + point.name + QLatin1Char('/');
            const QString storePoint =
                safeLocalName(project.name) + QLatin1Char('/') + safeLocalName(point.name) + QLatin1Char('/');
            for (int f = 0; f < point.files.size(); ++f) {
                const StoreFileNode &file = point.files[f];
                if (file.checkState != 2)
                    continue;
                PlannedSave save;
                save.project = p;
                save.point = q;
                save.file = f;
                // The logger knows the file by its listed name, whatever the target is called.
                save.devicePath = QStringLiteral("0:/") + devicePoint + file.name;
                if (format == SaveFormat::DataFile)
                    save.destination = saveRoot + storePoint + safeLocalName(file.name);
                else
                    save.destination =
                        saveRoot + storePoint + safeLocalName(withoutLmv(file.name) + saveExtension(format));
                save.cachePath = file.cachePath;
                save.sizeText = file.column1;
                plan << save;
            }
        }
    }
    return plan;
}

} // namespace lmv
