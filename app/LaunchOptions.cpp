#include "app/LaunchOptions.h"

#include <QCommandLineParser>

namespace lmv {

LaunchOptions parseLaunchOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port offered first."),
                                  QStringLiteral("PATH"));
    parser.addOption(port);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Files to open."),
                                 QStringLiteral("[FILE...]"));
    LaunchOptions out;
    if (!parser.parse(arguments)) {
        out.error = parser.errorText();
        return out;
    }
    out.port = parser.value(port);
    out.paths = parser.positionalArguments();
    return out;
}

} // namespace lmv
