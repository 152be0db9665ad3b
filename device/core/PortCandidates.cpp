#include "device/core/PortCandidates.h"

namespace lmv {

QStringList portCandidates(const QString &previous, const QStringList &systemPorts)
{
    QStringList out;
    const QString first = previous.trimmed();
    if (!first.isEmpty())
        out.append(first);
    for (const QString &name : systemPorts) {
        const QString n = name.trimmed();
        if (!n.isEmpty() && !out.contains(n))
            out.append(n);
    }
    return out;
}

} // namespace lmv
