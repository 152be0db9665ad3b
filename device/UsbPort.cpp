#include "device/UsbPort.h"

#include <QWidget>

void UsbPort::setupUsbPort(QWidget *parent)
{
    (void)parent;
}
