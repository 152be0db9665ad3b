#include "device/Modify_ID_Window.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>

Modify_ID_Window::Modify_ID_Window(QWidget *parent) : QWidget(parent)
{
    setFixedSize(400, 240);
    setWindowTitle(QStringLiteral("修改设备编号"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/id_card.png")));
    const QFont font(QStringLiteral("微软雅黑"), 12, 50);

    m_caption = new QLabel(QStringLiteral("设备编号:"), this);
    m_caption->setFont(font);
    m_caption->adjustSize();
    m_caption->move(30, 30);

    m_validator = new QRegExpValidator(QRegExp(QStringLiteral("\\d{8}")), this);
    m_numberEdit = new QLineEdit(this);
    m_numberEdit->setObjectName(QStringLiteral("numberEdit"));
    m_numberEdit->setFont(font);
    m_numberEdit->setAlignment(Qt::AlignCenter);
    m_numberEdit->setValidator(m_validator);
    m_numberEdit->setGeometry(50, 77, 300, 36);

    m_modifyButton = new QPushButton(QStringLiteral("修 改"), this);
    m_modifyButton->setObjectName(QStringLiteral("modify_btn"));
    m_modifyButton->setFont(font);
    m_modifyButton->move(150, 140);

    m_cancelButton = new QPushButton(QStringLiteral("取 消"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancel_btn"));
    m_cancelButton->setFont(font);
    m_cancelButton->move(280, 140);

    m_note = new QLabel(QStringLiteral("注意:此编号应与标签上的编号保持一致"), this);
    m_note->setFont(font);
    m_note->setStyleSheet(QStringLiteral("QLabel{color:red;}"));
    m_note->adjustSize();
    m_note->move(30, 200);

    connect(m_modifyButton, &QPushButton::clicked, this, &Modify_ID_Window::on_modify_btn_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void Modify_ID_Window::showForNumber(quint32 deviceNumber)
{
    if (isVisible())
        return;
    m_numberEdit->setText(QString::number(deviceNumber));
    show();
}

void Modify_ID_Window::on_modify_btn_clicked()
{
    const uint id = m_numberEdit->text().toUInt(); // the validator lets through digits only
    emit SendNewId(id);
    close();
}
