#include "SimProcess.h"

#include <QDir>
#include <QFile>
#include <QTest>

SimProcess::~SimProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(3000);
    }
}

bool SimProcess::start(const QStringList &arguments)
{
    process_.start(QStringLiteral(LMV_LOGGER_SIM), arguments);
    if (!process_.waitForStarted(5000))
        return false;
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(5000))
            return false;
    }
    port_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return !port_.isEmpty();
}

QStringList SimProcess::lines()
{
    stderr_.append(process_.readAllStandardError());
    QStringList out;
    for (const QByteArray &line : stderr_.split('\n')) {
        if (!line.isEmpty())
            out.append(QString::fromUtf8(line));
    }
    return out;
}

QStringList SimProcess::requests()
{
    QStringList out;
    for (const QString &line : lines()) {
        if (line.startsWith(QLatin1String("REQ ")))
            out.append(line.section(QLatin1Char(' '), 2));
    }
    return out;
}

bool SimProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    return QTest::qWaitFor(
        [&]() {
            for (const QString &line : lines()) {
                if (line.startsWith(prefix))
                    return true;
            }
            return false;
        },
        timeoutMs);
}

bool SimProcess::waitForExit(int timeoutMs)
{
    return QTest::qWaitFor([&]() { return process_.state() == QProcess::NotRunning; }, timeoutMs);
}

SimRoot::SimRoot(const QByteArray &config)
{
    addFile(QStringLiteral("logger.ini"), config);
}

QByteArray SimRoot::defaultConfig()
{
    return "[device]\ntype = 5\nnumber = 20190001\nversion = 2 1 18 12 3\nprotocol = 1.5\n";
}

void SimRoot::addFile(const QString &relativePath, const QByteArray &bytes)
{
    const QString full = QDir(dir_.path()).filePath(relativePath);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void SimRoot::addFolder(const QString &relativePath)
{
    QDir().mkpath(QDir(dir_.path()).filePath(relativePath));
}

ReplyRelay::ReplyRelay(SerialThread &serial)
{
    connect(&serial, &SerialThread::SendDevInfo, this, &ReplyRelay::SendDevInfo);
    connect(&serial, &SerialThread::UsbDisconnect, this, &ReplyRelay::UsbDisconnect);
    connect(&serial, &SerialThread::RVA_SendPrjName, this, &ReplyRelay::RVA_SendPrjName);
    connect(&serial, &SerialThread::RVA_SendPosName, this, &ReplyRelay::RVA_SendPosName);
    connect(&serial, &SerialThread::RVA_SendFileName, this, &ReplyRelay::RVA_SendFileName);
    connect(&serial, &SerialThread::RVA_SendDataRecord, this, &ReplyRelay::RVA_SendDataRecord);
    connect(&serial, &SerialThread::RVB_SendPrjName, this, &ReplyRelay::RVB_SendPrjName);
    connect(&serial, &SerialThread::RVB_SendPosName, this, &ReplyRelay::RVB_SendPosName);
    connect(&serial, &SerialThread::RVB_SendFileName, this, &ReplyRelay::RVB_SendFileName);
    connect(&serial, &SerialThread::RVB_SendNodeRecord, this, &ReplyRelay::RVB_SendNodeRecord);
    connect(&serial, &SerialThread::RVB_SendDataRecord, this, &ReplyRelay::RVB_SendDataRecord);
}
