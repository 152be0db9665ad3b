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

inline ToolRun lmvtool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(LMVTOOL_PATH), args);
    ToolRun r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
