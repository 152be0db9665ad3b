#pragma once

// A writer killed mid-series: this test program started again as a child that writes to a
// project database and prints the number of each change as it commits.

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <algorithm>

struct KilledWriter
{
    int lastCommitted = 0; // the last change the child printed as committed
    bool killed = false;   // it was still running and died by SIGKILL
    QByteArray errors;     // what it wrote to standard error
};

// Starts the child with `modeVariable` = mode and `pathVariable` = the database's path, waits
// until it has printed `atLeast` commits (10 s at most between two), then kills it.
inline KilledWriter killWriterAfter(const char *modeVariable, const QString &mode, const char *pathVariable,
                                    const QString &path, int atLeast)
{
    KilledWriter out;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(modeVariable), mode);
    env.insert(QString::fromLatin1(pathVariable), path);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    if (!child.waitForStarted())
        return out;
    QByteArray pending;
    while (out.lastCommitted < atLeast && child.waitForReadyRead(10000)) {
        pending += child.readAllStandardOutput();
        const QList<QByteArray> lines = pending.split('\n');
        for (int i = 0; i + 1 < lines.size(); ++i)
            out.lastCommitted = std::max(out.lastCommitted, lines[i].toInt());
        pending = lines.last();
    }
    out.errors = child.readAllStandardError();
    child.kill(); // SIGKILL, mid-series
    out.killed = child.waitForFinished(10000) && child.exitStatus() == QProcess::CrashExit;
    return out;
}
