#include "device/serial/SerialThread.h"

SerialThread::SerialThread(QObject *parent) : QThread(parent) {}

SerialThread::~SerialThread()
{
    stopAndWait();
}

void SerialThread::stopAndWait()
{
    wait();
}

void SerialThread::run() {}
