#pragma once

// Cache paths of device files, built with the safe-name rule of data/SafeName.h.

#include "data/SafeName.h"

#include <QString>

namespace lmv {

// The cache folder of a monitoring point: root + safe(project) + "/" + safe(point) + "/".
// root is the device cache root and must end with "/".
QString cacheFolderFor(const QString &root, const QString &project, const QString &point);

// The cache file of a device file: cacheFolderFor(...) + safe(file).
QString cacheFileFor(const QString &root, const QString &project, const QString &point, const QString &file);

} // namespace lmv
