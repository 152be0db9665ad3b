#pragma once

// The device link's state types come with this header, since the main window that derives from
// the panel keeps that state as members.
#include "data/DataFile.h"
#include "data/Records.h"
#include "device/core/DirectoryWalk.h"
#include "device/core/DownloadDays.h"
#include "device/core/DownloadJob.h"

#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;
class QTimer;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

// Panel holder of the connection row: connect toggle, link state, the device's number, type and
// versions, baud rate and port. MainWindow derives from it and reacts to the toggle.
class UsbPort
{
public:
    // Creates the panel's widgets under the given parent (the panel itself is usb_port_panel).
    void setupUsbPort(QWidget *parent);

    // Connect toggle and caption in the "connected" / "disconnected" look.
    void showUsbPortConnecting();
    void showUsbPortDisconnected();
    // Fills number, type, versions and the check icon from a device of family RVA or RVB.
    void showDeviceInfo(const lmv::DeviceInfo &info);

    // Value of the chosen baud rate (the first table entry when the text matches none).
    uint chosenBaudRate() const;
    // Scans the ports: the previously chosen one first, then the ports the system lists; each
    // candidate is opened once with a temporary port object and listed when it opens. Returns the
    // first port that opened, or an empty text.
    QString scanPorts();

    // Puts the port first in the port box (nothing when the name is blank).
    void offerPort(const QString &port);
    // The port of the last connect a logger answered on, as the settings keep it; and keeping it.
    static QString lastConnectedPort();
    static void rememberConnectedPort(const QString &port);

    // Empties the device cache folder (the device's files of this run) and creates it again.
    static void clearDeviceCache();

    // Panel texts shown while no device is connected.
    static const QString kNoNumber;
    static const QString kNoType;
    static const QString kNoVersion;
    static const QString kNoProtocol;

    QWidget *usb_port_panel = nullptr;
    QHBoxLayout *usb_port_layout = nullptr;
    QLabel *usb_open_label = nullptr;
    QPushButton *usb_open_button = nullptr;
    QLabel *usb_state_label = nullptr;
    QLabel *dev_id_label = nullptr;
    QLabel *dev_type_label = nullptr;
    QLabel *dev_version_label = nullptr;
    QLabel *protocol_version_label = nullptr;
    QComboBox *baud_rate_box = nullptr;
    QComboBox *port_box = nullptr;
};

// The device version text: "V%u.%02u%02u%02u%02u" of the version bytes for group RVA, the model
// name of the fifth version byte for group RVB, empty for other type codes.
QString deviceVersionText(const lmv::DeviceInfo &info);
