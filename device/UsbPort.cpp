#include "device/UsbPort.h"

#include "data/CacheDir.h"
#include "data/Records.h"
#include "data/Tables.h"
#include "device/core/PortCandidates.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSpacerItem>
#include <QWidget>

const QString UsbPort::kNoNumber = QStringLiteral("--------");
const QString UsbPort::kNoType = QStringLiteral("--------");
const QString UsbPort::kNoVersion = QStringLiteral("-----------");
const QString UsbPort::kNoProtocol = QStringLiteral("----");

namespace {

QFont panelFont()
{
    QFont font(QStringLiteral("ADMUI3Lm"), 9);
    font.setWeight(87);
    return font;
}

QLabel *panelLabel(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setFont(panelFont());
    return label;
}

QSpacerItem *gap()
{
    return new QSpacerItem(20, 20, QSizePolicy::Expanding, QSizePolicy::Fixed);
}

} // namespace

void UsbPort::setupUsbPort(QWidget *parent)
{
    usb_port_panel = new QWidget(parent);
    usb_port_panel->setObjectName(QStringLiteral("usb_port_panel"));
    usb_port_panel->setFixedHeight(36);
    usb_port_layout = new QHBoxLayout(usb_port_panel);
    usb_port_layout->setContentsMargins(20, 2, 20, 2);
    usb_port_layout->setSpacing(2);

    usb_open_label = panelLabel(usb_port_panel, QStringLiteral("连接设备:"));
    usb_open_button = new QPushButton(usb_port_panel);
    usb_open_button->setObjectName(QStringLiteral("usb_open_button"));
    usb_open_button->setCheckable(true);
    usb_open_button->setChecked(false);
    usb_open_button->setFlat(true);
    usb_open_button->setIcon(QIcon(QStringLiteral(":/button/image/play-blue-button.png")));
    usb_open_button->setIconSize(QSize(34, 34));
    usb_open_button->setFixedSize(34, 34);

    usb_state_label = new QLabel(usb_port_panel);
    usb_state_label->setPixmap(QPixmap(QStringLiteral(":/icon/image/block.png")));
    dev_id_label = panelLabel(usb_port_panel, kNoNumber);
    dev_type_label = panelLabel(usb_port_panel, kNoType);
    dev_version_label = panelLabel(usb_port_panel, kNoVersion);
    protocol_version_label = panelLabel(usb_port_panel, kNoProtocol);

    baud_rate_box = new QComboBox(usb_port_panel);
    baud_rate_box->setObjectName(QStringLiteral("baud_rate_box"));
    for (const lmv::BaudRate &rate : lmv::BaudRateTable)
        baud_rate_box->addItem(rate.text);
    baud_rate_box->setCurrentIndex(0);
    // The port box is editable, so a port path (a pseudo-terminal, say) can be typed or pasted.
    port_box = new QComboBox(usb_port_panel);
    port_box->setObjectName(QStringLiteral("port_box"));
    port_box->setEditable(true);
    port_box->setInsertPolicy(QComboBox::NoInsert);
    for (QComboBox *box : {baud_rate_box, port_box}) {
        box->setFont(panelFont());
        box->setFixedSize(200, 34);
    }

    usb_port_layout->addWidget(usb_open_label);
    usb_port_layout->addWidget(usb_open_button);
    usb_port_layout->addItem(gap());
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("连接状态:")));
    usb_port_layout->addWidget(usb_state_label);
    usb_port_layout->addItem(gap());
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("设备编号:")));
    usb_port_layout->addWidget(dev_id_label);
    usb_port_layout->addItem(gap());
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("设备类型:")));
    usb_port_layout->addWidget(dev_type_label);
    usb_port_layout->addItem(gap());
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("设备版本:")));
    usb_port_layout->addWidget(dev_version_label);
    usb_port_layout->addItem(gap());
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("协议版本:")));
    usb_port_layout->addWidget(protocol_version_label);
    usb_port_layout->addItem(gap());
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("波特率:")));
    usb_port_layout->addWidget(baud_rate_box);
    usb_port_layout->addWidget(panelLabel(usb_port_panel, QStringLiteral("端口:")));
    usb_port_layout->addWidget(port_box);
}

void UsbPort::showUsbPortConnecting()
{
    usb_open_label->setText(QStringLiteral("断开连接:"));
    usb_open_button->setIcon(QIcon(QStringLiteral(":/button/image/stop_2.png")));
}

void UsbPort::showUsbPortDisconnected()
{
    usb_open_label->setText(QStringLiteral("连接设备:"));
    usb_open_button->setIcon(QIcon(QStringLiteral(":/button/image/play-blue-button.png")));
    dev_id_label->setText(kNoNumber);
    dev_type_label->setText(kNoType);
    dev_version_label->setText(kNoVersion);
    protocol_version_label->setText(kNoProtocol);
    usb_state_label->setPixmap(QPixmap(QStringLiteral(":/icon/image/block.png")));
}

QString deviceVersionText(const lmv::DeviceInfo &info)
{
    const auto &v = info.versionBytes;
    if (info.typeCode == lmv::kTypeCodeRva)
        return QString::asprintf("V%u.%02u%02u%02u%02u", unsigned(v[0]), unsigned(v[1]), unsigned(v[2]),
                                 unsigned(v[3]), unsigned(v[4]));
    if (info.typeCode == lmv::kTypeCodeRvb)
        return lmv::modelName(info.modelCode());
    return QString();
}

void UsbPort::showDeviceInfo(const lmv::DeviceInfo &info)
{
    dev_id_label->setText(QString::number(info.deviceNumber));
    const int typeIndex = int(info.typeCode) - 1;
    dev_type_label->setText(typeIndex >= 0 && typeIndex < lmv::DeviceTypeNames.size()
                                ? lmv::DeviceTypeNames.at(typeIndex)
                                : QString());
    protocol_version_label->setText(QString::asprintf("V%.2f", double(info.protocolVersion)));
    usb_state_label->setPixmap(QPixmap(QStringLiteral(":/icon/image/check.png")));
    dev_version_label->setText(deviceVersionText(info));
}

uint UsbPort::chosenBaudRate() const
{
    const QString text = baud_rate_box->currentText();
    for (const lmv::BaudRate &rate : lmv::BaudRateTable)
        if (rate.text == text)
            return uint(rate.value);
    return lmv::BaudRateTable.isEmpty() ? 115200u : uint(lmv::BaudRateTable.first().value);
}

QString UsbPort::scanPorts()
{
    QStringList listed;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        listed.append(info.systemLocation());
    const QStringList candidates = lmv::portCandidates(port_box->currentText(), listed);

    const QString typed = port_box->currentText();
    port_box->clear();
    for (const QString &name : candidates) {
        // A separate port object per try: it is gone again before the worker opens the port.
        QSerialPort probe;
        probe.setPortName(name);
        if (probe.open(QIODevice::ReadWrite)) {
            probe.close();
            port_box->addItem(name);
        }
    }
    if (port_box->count() == 0) {
        // Nothing opened: keep what the user typed, so the next try needs no retyping.
        port_box->setEditText(typed);
        return QString();
    }
    port_box->setCurrentIndex(0);
    return port_box->itemText(0);
}

void UsbPort::offerPort(const QString &port)
{
    const QString name = port.trimmed();
    if (name.isEmpty())
        return;
    const int at = port_box->findText(name);
    if (at > 0)
        port_box->removeItem(at);
    if (at != 0)
        port_box->insertItem(0, name);
    port_box->setCurrentIndex(0);
}

namespace {

const char kSettingsOrganization[] = "Limnova";
const char kSettingsApplication[] = "limnova-viewer";
const char kLastPortKey[] = "device/lastPort";

} // namespace

QString UsbPort::lastConnectedPort()
{
    const QSettings settings{QLatin1String(kSettingsOrganization), QLatin1String(kSettingsApplication)};
    return settings.value(QLatin1String(kLastPortKey)).toString();
}

void UsbPort::rememberConnectedPort(const QString &port)
{
    if (port.trimmed().isEmpty())
        return;
    QSettings settings{QLatin1String(kSettingsOrganization), QLatin1String(kSettingsApplication)};
    settings.setValue(QLatin1String(kLastPortKey), port.trimmed());
}

void UsbPort::clearDeviceCache()
{
    ::clearDeviceCache();
}
