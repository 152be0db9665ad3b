#pragma once

// The commands of lmvtool. Each takes the arguments after the command name, prints its output
// to stdout and its errors (one line each, naming the file) to stderr, and returns the exit code.

#include <QMap>
#include <QSet>
#include <QStringList>

namespace lmvtool {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

int runInfo(const QStringList &args);
int runFlow(const QStringList &args);
int runRepipe(const QStringList &args);
int runExport(const QStringList &args);
// Draws a file's hydrograph into a picture (PlotCommand.cpp); needs a QApplication.
int runPlot(const QStringList &args);

// "--name VALUE" options and positional arguments.
struct Options
{
    QMap<QString, QString> values;
    QStringList positional;
    QSet<QString> flags;
};

// Splits args; options named in withValue take the next argument, those in flags none.
// Any other "--..." argument is a usage error (reported on stderr).
bool parseOptions(const QStringList &args, const QStringList &withValue, const QStringList &flagNames,
                  Options &out);

// Prints a one-line error ("lmvtool: <subject>: <message>") to stderr.
void printError(const QString &subject, const QString &message);

// Why a read of a file failed (a ReadResult of data/DataFile.h), as the error line says it; the
// path tells a missing file from a folder and a FIFO.
QString readErrorText(const QString &path, int result, qint64 fileSize = 0);
// Whether FILE can be read at all (a regular file within the size limit); prints the error line
// and returns false when not. Every command checks its files so before it opens one.
bool checkInputFile(const QString &path);

} // namespace lmvtool
