#include "device/UsbPrjWindow.h"

#include <QWidget>

void UsbPrjWindow::setupUsbPrjWindow(QWidget *parent)
{
    (void)parent;
}
