#pragma once

#include "device/core/CommonProtocol.h"
#include "device/core/ReplyClassifier.h"
#include "device/core/RvaProtocol.h"
#include "device/core/RvbProtocol.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <QThread>
#include <QVector>

#include <atomic>

// The host's end of the serial link. The port and every slot live in the GUI thread: open,
// close, request encoding and writing, and appending received bytes to rxBuffer. run() is the
// only code of the worker thread: it sleeps on frameReady, extracts the completed replies from
// rxBuffer and emits them. frameReady hands both buffers from one thread to the other; no lock
// is taken. Bytes that arrive while the worker holds rxBuffer wait in a buffer of the GUI thread
// and join rxBuffer, in order, as soon as it is handed back: nothing received is lost.
class SerialThread : public QThread
{
    Q_OBJECT
public:
    // Received bytes beyond this many without a completed reply are dropped. The largest real
    // reply (a record-data page, every byte escaped) is a few kilobytes.
    static constexpr int kDefaultRxLimit = 1 << 20;

    explicit SerialThread(QObject *parent = nullptr);
    ~SerialThread() override;

    // Asks the receive loop to end, waits for it, then closes the port. Safe to call when the
    // thread is not running. The thread may be started again afterwards.
    void stopAndWait();

    // True while the port is open.
    bool isPortOpen() const { return port.isOpen(); }

    // Test hooks: a smaller receive bound, and the port object (to watch its errors).
    void setRxLimitForTest(int bytes) { rxLimit = bytes; }
    // Test hook: the worker keeps the buffers this much longer after taking each batch of replies.
    void setHoldBuffersForTest(int ms) { holdBuffersMs = ms; }
    const QSerialPort &portForTest() const { return port; }

signals:
    void SendDevInfo(QByteArray array);
    // The link is gone: the device's link-closed notice, or the port failing under us
    // (for example a USB logger unplugged); in the second case the port is already closed.
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
    // Bytes of the current reply received so far.
    void SendProgress(uint bytes);

public slots:
    void Once_UsbPortOpen(uint BaudRate, QString ComName);
    void Once_UsbPortClose();
    void Once_UsbRecieveData();
    // Asks the open port's logger for its device information (the link's barrier).
    void Once_UsbReadDevInfo();
    void Once_RVA_UserReadPrj(uchar page);
    void Once_RVA_UserReadPos(QString project, uchar page);
    void Once_RVA_UserReadFile(QString projectAndPoint, uchar page);
    void on_RVA_ReadUsbPortRecordData(QString str, uchar page);
    void on_RVA_TerminateReading();
    void on_RVA_SendNewId(uint id);
    void Once_RVB_UserReadPrj(uchar page);
    void Once_RVB_UserReadPos(QString str, uchar page);
    void Once_RVB_UserReadFile(QString str, uchar page);
    void on_RVB_ReadUsbPortRecordNode(QString str);
    void on_RVB_ReadUsbPortRecordData(QString str, uchar page, uint addr0, uint addr1);
    void on_RVB_TerminateReading();

protected:
    void run() override;

private:
    void writeFrame(const QByteArray &frame);
    void sendRequest(const QByteArray &payload);
    QVector<lmv::ClassifiedReply> takeReplies();
    void emitReply(const lmv::ClassifiedReply &reply);
    void onPortError(QSerialPort::SerialPortError error);
    void onThreadFinished();
    // Moves the bytes held back while the worker owned rxBuffer into it; true when they (with
    // what was there) complete a reply, which the worker is then woken for.
    bool takeHeldBytes();
    void appendReceived(const QByteArray &bytes);
    void requestLowLatency();

    QSerialPort port;
    QByteArray rxBuffer;
    QByteArray frameBuffer;
    // GUI thread only: bytes received while the worker owned rxBuffer.
    QByteArray heldBytes;
    // Set by the GUI thread (release) when rxBuffer ends a reply; from then on the worker owns
    // both buffers until it clears the flag again (release). Also set, together with stopFlag,
    // to wake the worker for a stop.
    std::atomic<bool> frameReady{false};
    std::atomic<bool> stopFlag{false};
    // True from a successful open until the port is closed; port errors count only then.
    bool linkUp = false;
    int rxLimit = kDefaultRxLimit;
    int holdBuffersMs = 0;

    lmv::CommonProtocol commonProtocol;
    lmv::RvaProtocol rvaProtocol;
    lmv::RvbProtocol rvbProtocol;
};
