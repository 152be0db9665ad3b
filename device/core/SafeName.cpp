#include "device/core/SafeName.h"

namespace lmv {

QString cacheFolderFor(const QString &root, const QString &project, const QString &point)
{
    return root + safeLocalName(project) + QLatin1Char('/') + safeLocalName(point) + QLatin1Char('/');
}

QString cacheFileFor(const QString &root, const QString &project, const QString &point, const QString &file)
{
    return cacheFolderFor(root, project, point) + safeLocalName(file);
}

} // namespace lmv
