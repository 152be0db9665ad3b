#pragma once
// Runs the built lmvtool (LMVTOOL_PATH) and keeps what it printed.

#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolRun
{
    int exitCode = -1; // -1: did not finish in time, -2: crashed
    QString out;
    QString err;
    QByteArray outBytes() const { return out.toUtf8(); }
};

// Runs a program; one that has not finished within the limit is killed and reported as -1.
inline ToolRun runProgram(const QString &program, const QStringList &args, int limitMs = 30000)
{
    QProcess p;
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(limitMs)) {
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

#ifdef LMVTOOL_PATH
inline ToolRun lmvtool(const QStringList &args, int limitMs = 30000)
{
    return runProgram(QStringLiteral(LMVTOOL_PATH), args, limitMs);
}
#endif
