#pragma once

// Which serial port names the connect scan tries, in which order. QtCore only.

#include <QString>
#include <QStringList>

namespace lmv {

// The name a port is opened and compared by: trimmed, without the Windows device prefix "\\.\",
// COM ports in upper case ("com7" and "\\.\COM7" are both "COM7"). Other paths stay as given.
QString normalPortName(const QString &name);

// Candidates for the connect scan: the previously chosen port first (whatever path it names, for
// example a pseudo-terminal), then every port the system lists, each name once and in the
// system's order, compared by normalPortName. Blank names are left out.
QStringList portCandidates(const QString &previous, const QStringList &systemPorts);

} // namespace lmv
