#include "data/StoreFiles.h"

#include <QDir>
#include <QFile>

#include "data/Export.h"
#include "data/SafeName.h"
#include "data/StoreFailures.h"

namespace lmv {

static bool copyIntoStore(const QString &source, const QString &destination, StoreFailureList &failures)
{
    if (QFile::exists(destination)) {
        failures.add(destination, StoreReason::targetExists());
        return false;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        failures.add(destination, StoreReason::sourceUnreadable());
        return false;
    }
    in.close();
    if (!QFile::copy(source, destination)) {
        failures.add(destination, StoreReason::targetUnwritable());
        return false;
    }
    return true;
}

bool storeFile(const QString &source, const QString &destination, SaveFormat format,
               StoreFailureList &failures)
{
    if (format == SaveFormat::DataFile)
        return copyIntoStore(source, destination, failures);
    const int result =
        exportFile(source, destination, format == SaveFormat::Csv ? ExportFormat::Csv : ExportFormat::Text);
    if (result != ExportOk) {
        failures.add(destination, exportResultText(result));
        return false;
    }
    return true;
}

int convertCheckedFiles(const StoreTree &tree, const QString &targetRoot, SaveFormat format,
                        StoreFailureList &failures)
{
    const QString suffix = format == SaveFormat::Csv ? QStringLiteral("csv") : QStringLiteral("txt");
    int written = 0;
    for (const StoreProjectNode &project : tree) {
        if (project.checkState == 0)
            continue;
        const QString projectDir = targetRoot + safeLocalName(project.name) + QLatin1Char('/');
        if (!QDir().mkpath(projectDir)) {
            failures.add(projectDir, StoreReason::directoryUnavailable());
            continue;
        }
        for (const StorePointNode &point : project.points) {
            if (point.checkState == 0)
                continue;
            const QString pointDir = projectDir + safeLocalName(point.name) + QLatin1Char('/');
            if (!QDir().mkpath(pointDir)) {
                failures.add(pointDir, StoreReason::directoryUnavailable());
                continue;
            }
            for (const StoreFileNode &file : point.files) {
                if (file.checkState == 0)
                    continue;
                const QString source = project.column1 + point.column1 + file.column1;
                if (!file.name.endsWith(QLatin1String("lmv"))) {
                    failures.add(source, StoreReason::notLmvName());
                    continue;
                }
                const QString target = pointDir + safeLocalName(file.name.chopped(3) + suffix);
                if (storeFile(source, target, format, failures))
                    ++written;
            }
        }
    }
    return written;
}

} // namespace lmv
