#pragma once

// The commands of lmvtool. Each takes the arguments after the command name, prints its output
// to stdout and its errors (one line each, naming the file) to stderr, and returns the exit code.

#include <QStringList>

namespace lmvtool {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

int runInfo(const QStringList &args);
int runFlow(const QStringList &args);
int runRepipe(const QStringList &args);
int runExport(const QStringList &args);

// Prints a one-line error ("lmvtool: <subject>: <message>") to stderr.
void printError(const QString &subject, const QString &message);

} // namespace lmvtool
