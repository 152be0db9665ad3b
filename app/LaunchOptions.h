#pragma once

// What the viewer's command line asks for: a port for the port box and files to open.

#include <QString>
#include <QStringList>

namespace lmv {

struct LaunchOptions
{
    QString port;      // --port PATH: offered first in the port box
    QStringList paths; // data files, project or point indexes to open in PC mode, in order
    QString error;     // not empty: the command line could not be read (the message says why)
};

// Reads the viewer's arguments (argv[0] first, as QCoreApplication::arguments() gives them).
LaunchOptions parseLaunchOptions(const QStringList &arguments);

} // namespace lmv
