#include "data/StoreTree.h"

namespace lmv {

QString saveExtension(SaveFormat format)
{
    switch (format) {
    case SaveFormat::Text:
        return QStringLiteral(".txt");
    case SaveFormat::Csv:
        return QStringLiteral(".csv");
    case SaveFormat::DataFile:
        break;
    }
    return QStringLiteral(".lmv");
}

QString saveRootFor(const QString &chosenName, SaveFormat format)
{
    const QString extension = saveExtension(format);
    QString base = chosenName;
    if (base.endsWith(extension, Qt::CaseInsensitive))
        base.chop(extension.size());
    return base + QLatin1Char('/');
}

bool anyStoreEntryChecked(const StoreTree &tree)
{
    for (const StoreProjectNode &project : tree) {
        if (project.checkState != 0)
            return true;
        for (const StorePointNode &point : project.points) {
            if (point.checkState != 0)
                return true;
            for (const StoreFileNode &file : point.files)
                if (file.checkState != 0)
                    return true;
        }
    }
    return false;
}

} // namespace lmv
