#include "device/core/PortCandidates.h"

#include <QRegularExpression>

namespace lmv {

QString normalPortName(const QString &name)
{
    QString n = name.trimmed();
    // Windows lists its ports as device paths ("\\.\COM7"); the port is opened by its plain name.
    static const QLatin1String devicePrefix("\\\\.\\");
    if (n.startsWith(devicePrefix))
        n.remove(0, devicePrefix.size());
    static const QRegularExpression comPort(QStringLiteral("^com[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (comPort.match(n).hasMatch())
        n = n.toUpper();
    return n;
}

QStringList portCandidates(const QString &previous, const QStringList &systemPorts)
{
    QStringList out;
    const QString first = normalPortName(previous);
    if (!first.isEmpty())
        out.append(first);
    for (const QString &name : systemPorts) {
        const QString n = normalPortName(name);
        if (!n.isEmpty() && !out.contains(n))
            out.append(n);
    }
    return out;
}

} // namespace lmv
