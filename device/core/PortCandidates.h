#pragma once

// Which serial port names the connect scan tries, in which order. QtCore only.

#include <QString>
#include <QStringList>

namespace lmv {

// Candidates for the connect scan: the previously chosen port first (whatever path it names, for
// example a pseudo-terminal), then every port the system lists, each name once and in the
// system's order. Blank names are left out.
QStringList portCandidates(const QString &previous, const QStringList &systemPorts);

} // namespace lmv
