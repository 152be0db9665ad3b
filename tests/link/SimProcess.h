#pragma once

#include "device/serial/SerialThread.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The logger simulator as a child process: its port, and the lines it logs to stderr.
class SimProcess
{
public:
    ~SimProcess();

    // Starts the simulator and waits for the port path on its first output line.
    bool start(const QStringList &arguments);
    QString port() const { return port_; }

    // Every stderr line so far.
    QStringList lines();
    // The "REQ" lines so far, without their sequence number: "devinfo frame=9", ...
    QStringList requests();
    // Waits (running the event loop) until a line starting with prefix has been logged.
    bool waitForLine(const QString &prefix, int timeoutMs = 5000);
    // Waits until the process has ended by itself.
    bool waitForExit(int timeoutMs = 5000);
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    QString port_;
    QByteArray stderr_;
};

// A logger folder in a temporary directory, written by the test itself.
class SimRoot
{
public:
    // A portable flowmeter (type 5) with the device record the tests check.
    explicit SimRoot(const QByteArray &config = defaultConfig());
    QString path() const { return dir_.path(); }
    // Writes a file below the root (folders are created).
    void addFile(const QString &relativePath, const QByteArray &bytes);
    void addFolder(const QString &relativePath);

    static QByteArray defaultConfig();

private:
    QTemporaryDir dir_;
};

// The worker's reply signals, re-emitted in the thread of the relay. The worker emits from its
// own thread and QSignalSpy records in the emitting thread, so tests spy on the relay, which
// receives them queued, as the main window does.
class ReplyRelay : public QObject
{
    Q_OBJECT
public:
    explicit ReplyRelay(SerialThread &serial);

signals:
    void SendDevInfo(QByteArray array);
    void UsbDisconnect();
    void RVA_SendPrjName(QByteArray array);
    void RVA_SendPosName(QByteArray array);
    void RVA_SendFileName(QByteArray array);
    void RVA_SendDataRecord(QByteArray array);
    void RVB_SendPrjName(QByteArray array);
    void RVB_SendPosName(QByteArray array);
    void RVB_SendFileName(QByteArray array);
    void RVB_SendNodeRecord(QByteArray array);
    void RVB_SendDataRecord(QByteArray array);
};
