#include "device/serial/SerialThread.h"

#include "device/core/FrameCodec.h"
#include "device/core/ReplyClassifier.h"

#include <QMetaObject>
#include <QVector>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {

// The host follows every frame whose length is a multiple of this with the empty frame, so
// that a USB transfer of exactly that size is always followed by a short one.
constexpr int kUsbPacketSize = 64;

} // namespace

SerialThread::SerialThread(QObject *parent) : QThread(parent)
{
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    connect(&port, &QSerialPort::readyRead, this, &SerialThread::Once_UsbRecieveData);
    connect(&port, &QSerialPort::errorOccurred, this, &SerialThread::onPortError);
    connect(this, &QThread::finished, this, &SerialThread::onThreadFinished);
}

SerialThread::~SerialThread()
{
    stopAndWait();
}

void SerialThread::stopAndWait()
{
    if (isRunning()) {
        // The stop flag first, then the wake-up through frameReady: the loop tests the stop
        // flag whenever frameReady lets it run, and again after each reply it dispatched.
        stopFlag.store(true);
        frameReady.store(true);
        frameReady.notify_one();
        wait();
    }
    // The worker is gone: the GUI thread owns everything again.
    stopFlag.store(false);
    frameReady.store(false);
    Once_UsbPortClose();
}

void SerialThread::onThreadFinished()
{
    // finished() arrives queued; a port opened again by a restart in between stays open.
    if (!isRunning())
        Once_UsbPortClose();
}

void SerialThread::Once_UsbPortOpen(uint BaudRate, QString ComName)
{
    // A reply being dispatched right now owns the buffers; let the worker finish it.
    if (isRunning())
        frameReady.wait(true);
    rxBuffer.clear();
    frameBuffer.clear();
    heldBytes.clear();
    frameReady.store(false);

    linkUp = false;
    if (port.isOpen())
        port.close();
    port.clearError();
    port.setBaudRate(static_cast<qint32>(BaudRate), QSerialPort::AllDirections);
    port.setPortName(ComName);
    if (!port.open(QIODevice::ReadWrite))
        return; // the main window's reply timer ends the attempt
    linkUp = true;
    // Bytes the line held before this open (a late reply to an earlier connection) are stale.
    port.clear(QSerialPort::AllDirections);
    requestLowLatency();
    sendRequest(commonProtocol.deviceInfoRequest());
}

void SerialThread::Once_UsbPortClose()
{
    linkUp = false;
    if (!port.isOpen())
        return;
    // A last request (stop reading, when the window closes during a download) still goes out.
    if (port.bytesToWrite() > 0)
        port.waitForBytesWritten(100);
    port.close();
}

void SerialThread::Once_UsbReadDevInfo()
{
    sendRequest(commonProtocol.deviceInfoRequest());
}

void SerialThread::requestLowLatency()
{
#ifdef Q_OS_LINUX
    // USB serial adapters hold received bytes up to 16 ms by default. Ask the driver to pass
    // them on at once; drivers that cannot (a pseudo-terminal, for one) refuse and that is fine.
    const int fd = static_cast<int>(port.handle());
    serial_struct serial{};
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#endif
}

void SerialThread::onPortError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !linkUp)
        return;
    // A port whose far end vanished keeps reporting read errors as fast as it can: close it
    // now, then tell the main window from the event loop, outside the port's own call chain.
    linkUp = false;
    port.close();
    QMetaObject::invokeMethod(
        this, [this]() { emit UsbDisconnect(); }, Qt::QueuedConnection);
}

void SerialThread::Once_UsbRecieveData()
{
    const QByteArray bytes = port.readAll();
    if (bytes.isEmpty())
        return;
    if (frameReady.load()) {
        // The worker owns rxBuffer while it dispatches: keep the bytes until it hands it back.
        heldBytes.append(bytes);
        if (heldBytes.size() > rxLimit)
            heldBytes.clear(); // see appendReceived
        emit SendProgress(static_cast<uint>(heldBytes.size()));
        return;
    }
    takeHeldBytes();
    appendReceived(bytes);
}

void SerialThread::appendReceived(const QByteArray &bytes)
{
    const qsizetype before = rxBuffer.size();
    // Copied, not shared: rxBuffer must hold no data that this thread still references once
    // the worker owns it.
    rxBuffer.append(bytes.constData(), bytes.size());
    if (rxBuffer.size() > rxLimit) {
        // A peer that never ends its reply cannot grow the buffer without limit. The request
        // it should have answered is repeated by the main window's reply timer.
        rxBuffer.clear();
    }
    emit SendProgress(static_cast<uint>(rxBuffer.size()));
    if (lmv::holdsReplyTerminator(rxBuffer, before)) {
        frameReady.store(true);
        frameReady.notify_one();
    }
}

bool SerialThread::takeHeldBytes()
{
    if (heldBytes.isEmpty() || frameReady.load())
        return false;
    const QByteArray bytes = heldBytes;
    heldBytes.clear();
    const qsizetype before = rxBuffer.size();
    rxBuffer.append(bytes.constData(), bytes.size());
    if (rxBuffer.size() > rxLimit)
        rxBuffer.clear();
    if (!lmv::holdsReplyTerminator(rxBuffer, before))
        return false;
    frameReady.store(true);
    frameReady.notify_one();
    return true;
}

void SerialThread::run()
{
    for (;;) {
        // Sleeps until the GUI thread completes a reply or asks the loop to stop.
        frameReady.wait(false);
        if (stopFlag.load())
            return;
        const QVector<lmv::ClassifiedReply> replies = takeReplies();
        if (holdBuffersMs > 0)
            QThread::msleep(static_cast<unsigned long>(holdBuffersMs));
        // The buffers go back to the GUI thread before any reply is emitted: the slot of a
        // reply sends the next request at once, and its answer must find the flag clear.
        frameReady.store(false);
        frameReady.notify_all(); // a waiting Once_UsbPortOpen may now take the buffers
        // Bytes that came in meanwhile wait in the GUI thread, which takes them as soon as it can.
        QMetaObject::invokeMethod(
            this, [this] { takeHeldBytes(); }, Qt::QueuedConnection);
        for (const lmv::ClassifiedReply &reply : replies)
            emitReply(reply);
        if (stopFlag.load())
            return;
    }
}

QVector<lmv::ClassifiedReply> SerialThread::takeReplies()
{
    // Every frame the buffer holds is taken, in order: a repeated request can bring two
    // replies in one read, and leaving the second behind would hand it out in place of the
    // answer to the next request. What remains is the fill bytes or a reply still arriving.
    QVector<lmv::ClassifiedReply> replies;
    for (;;) {
        const lmv::ExtractStatus status = lmv::extractFrame(rxBuffer, frameBuffer);
        if (status == lmv::ExtractStatus::FrameIncomplete || status == lmv::ExtractStatus::NoStartByte)
            break;
        if (status == lmv::ExtractStatus::FrameOk) {
            lmv::ClassifiedReply reply = lmv::classifyReply(frameBuffer);
            if (reply.kind != lmv::ReplyKind::Dropped)
                replies.append(std::move(reply));
        }
        frameBuffer.clear();
    }
    frameBuffer.clear();
    return replies;
}

void SerialThread::emitReply(const lmv::ClassifiedReply &reply)
{
    switch (reply.kind) {
    case lmv::ReplyKind::DeviceInfo:
        emit SendDevInfo(reply.content);
        break;
    case lmv::ReplyKind::LinkClosed:
        emit UsbDisconnect();
        break;
    case lmv::ReplyKind::RvaProjectNames:
        emit RVA_SendPrjName(reply.content);
        break;
    case lmv::ReplyKind::RvaPositionRecords:
        emit RVA_SendPosName(reply.content);
        break;
    case lmv::ReplyKind::RvaFileNames:
        emit RVA_SendFileName(reply.content);
        break;
    case lmv::ReplyKind::RvaRecordData:
        emit RVA_SendDataRecord(reply.content);
        break;
    case lmv::ReplyKind::RvbProjectNames:
        emit RVB_SendPrjName(reply.content);
        break;
    case lmv::ReplyKind::RvbPositionNames:
        emit RVB_SendPosName(reply.content);
        break;
    case lmv::ReplyKind::RvbFileNames:
        emit RVB_SendFileName(reply.content);
        break;
    case lmv::ReplyKind::RvbNodeTable:
        emit RVB_SendNodeRecord(reply.content);
        break;
    case lmv::ReplyKind::RvbRecordData:
        emit RVB_SendDataRecord(reply.content);
        break;
    case lmv::ReplyKind::Dropped:
        break;
    }
}

void SerialThread::writeFrame(const QByteArray &frame)
{
    if (frame.isEmpty() || !port.isOpen())
        return;
    port.write(frame);
    if (frame.size() % kUsbPacketSize == 0)
        port.write(lmv::emptyFrame());
}

void SerialThread::sendRequest(const QByteArray &payload)
{
    // buildFrame refuses a request too long for the logger's buffer; nothing is sent then.
    writeFrame(lmv::buildFrame(payload));
}

void SerialThread::Once_RVA_UserReadPrj(uchar page)
{
    sendRequest(rvaProtocol.projectListRequest(page));
}

void SerialThread::Once_RVA_UserReadPos(QString project, uchar page)
{
    sendRequest(rvaProtocol.positionListRequest(project, page));
}

void SerialThread::Once_RVA_UserReadFile(QString projectAndPoint, uchar page)
{
    sendRequest(rvaProtocol.fileListRequest(projectAndPoint, page));
}

void SerialThread::on_RVA_ReadUsbPortRecordData(QString str, uchar page)
{
    sendRequest(rvaProtocol.recordDataRequest(str, page));
}

void SerialThread::on_RVA_TerminateReading()
{
    sendRequest(rvaProtocol.stopReadingRequest());
}

void SerialThread::on_RVA_SendNewId(uint id)
{
    sendRequest(rvaProtocol.setDeviceNumberRequest(id));
}

void SerialThread::Once_RVB_UserReadPrj(uchar page)
{
    sendRequest(rvbProtocol.projectListRequest(page));
}

void SerialThread::Once_RVB_UserReadPos(QString str, uchar page)
{
    sendRequest(rvbProtocol.positionListRequest(str, page));
}

void SerialThread::Once_RVB_UserReadFile(QString str, uchar page)
{
    sendRequest(rvbProtocol.fileListRequest(str, page));
}

void SerialThread::on_RVB_ReadUsbPortRecordNode(QString str)
{
    sendRequest(rvbProtocol.nodeTableRequest(str));
}

void SerialThread::on_RVB_ReadUsbPortRecordData(QString str, uchar page, uint addr0, uint addr1)
{
    sendRequest(rvbProtocol.recordDataRequest(str, page, addr0, addr1));
}

void SerialThread::on_RVB_TerminateReading()
{
    sendRequest(rvbProtocol.stopReadingRequest());
}
