#include "views/ParameterModify.h"

#include "views/DialogParts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>

namespace {

QLabel *nameLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(dialogFont());
    label->setMinimumWidth(300);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setStyleSheet(QStringLiteral("background-color:rgb(220, 220, 220);"
                                        "border-top:2px solid black;border-left:2px solid black;"));
    return label;
}

} // namespace

ParameterModify::ParameterModify(QWidget *parent) : QWidget(parent)
{
    m_validator =
        new QRegExpValidator(QRegExp(QStringLiteral("[0-4]\\.\\d{2}|5\\.00"), Qt::CaseSensitive), this);
    setWindowTitle(QStringLiteral("计算参数修改"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/settings.png")));
    setFixedSize(600, 400);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(230, 230, 230));
    setPalette(pal);
}

void ParameterModify::showForFile(const QString &projectName, const QString &pointName,
                                  const QString &fileName, float velocityCorrection, float flowCorrection)
{
    if (isVisible() || isOpen())
        return;
    buildWidgets(projectName, pointName, fileName, velocityCorrection, flowCorrection);
    show();
    connect(m_saveButton, &QPushButton::clicked, this, &ParameterModify::on_Save_Btn_clicked);
    connect(m_confirmButton, &QPushButton::clicked, this, &ParameterModify::on_Confirm_Btn_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &ParameterModify::on_Cancel_Btn_clicked);
}

void ParameterModify::buildWidgets(const QString &projectName, const QString &pointName,
                                   const QString &fileName, float velocityCorrection, float flowCorrection)
{
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("content"));
    m_content->setGeometry(0, 0, width(), height());

    auto *heading = new QLabel(QStringLiteral("参数修改"), m_content);
    heading->setFont(dialogFont());
    heading->adjustSize();
    heading->move(30, 30);

    auto *form = new QWidget(m_content);
    form->move(60, 60);
    form->setFixedWidth(480);
    auto *grid = new QGridLayout(form);
    grid->setVerticalSpacing(22);
    grid->setColumnMinimumWidth(0, 90);

    const QString titles[] = {QStringLiteral("项目名称:"), QStringLiteral("监测点名称:"),
                              QStringLiteral("文件名称:"), QStringLiteral("流速修正:"),
                              QStringLiteral("流量修正:")};
    for (int row = 0; row < 5; ++row) {
        auto *title = new QLabel(titles[row], form);
        title->setFont(dialogFont());
        grid->addWidget(title, row, 0);
    }
    const QString names[] = {projectName, pointName, fileName};
    const char *nameObjects[] = {"projectName", "pointName", "fileName"};
    for (int row = 0; row < 3; ++row) {
        QLabel *label = nameLabel(names[row], form);
        label->setObjectName(QLatin1String(nameObjects[row]));
        grid->addWidget(label, row, 1, 1, 2);
    }

    auto makeEdit = [&](float value, const char *objectName, int row) {
        auto *edit = new QLineEdit(QString::number(value, 'f', 2), form);
        edit->setObjectName(QLatin1String(objectName));
        edit->setFont(dialogFont());
        edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        edit->setStyleSheet(QStringLiteral("background-color:white;border:2px solid black;"));
        edit->setValidator(m_validator);
        grid->addWidget(edit, row, 1);
        auto *range = new QLabel(QStringLiteral("[0, 5.00]"), form);
        range->setFont(dialogFont());
        range->setStyleSheet(QStringLiteral("color:red;"));
        grid->addWidget(range, row, 2);
        return edit;
    };
    m_velocityEdit = makeEdit(velocityCorrection, "velocityEdit", 3);
    m_flowEdit = makeEdit(flowCorrection, "flowEdit", 4);

    m_saveButton = makeDialogButton(QStringLiteral("修改并保存"), "Save_Btn", 180, 320, m_content);
    m_confirmButton = makeDialogButton(QStringLiteral("仅修改"), "Confirm_Btn", 320, 320, m_content);
    m_cancelButton = makeDialogButton(QStringLiteral("取 消"), "Cancel_Btn", 460, 320, m_content);
    m_content->show();
}

void ParameterModify::destroyWidgets()
{
    if (!m_content)
        return;
    // A button's clicked() may still be on the stack, so the widgets go later; detaching
    // them now keeps a reopened dialog from ever seeing the old ones.
    m_content->hide();
    m_content->setParent(nullptr);
    m_content->deleteLater();
    m_content = nullptr;
    m_velocityEdit = m_flowEdit = nullptr;
    m_saveButton = m_confirmButton = m_cancelButton = nullptr;
}

void ParameterModify::readFactors(float &vc, float &fc) const
{
    vc = m_velocityEdit ? m_velocityEdit->text().toFloat() : 0.0f;
    fc = m_flowEdit ? m_flowEdit->text().toFloat() : 0.0f;
}

void ParameterModify::on_Confirm_Btn_clicked()
{
    float vc = 0, fc = 0;
    readFactors(vc, fc);
    close();
    emit SendGainCoef(vc, fc);
}

void ParameterModify::on_Save_Btn_clicked()
{
    float vc = 0, fc = 0;
    readFactors(vc, fc);
    close();
    emit SendGainCoefForSaving(vc, fc);
}

void ParameterModify::on_Cancel_Btn_clicked()
{
    close();
}

void ParameterModify::closeEvent(QCloseEvent *event)
{
    destroyWidgets();
    event->accept();
}
