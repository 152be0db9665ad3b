#include "views/VisitDialog.h"

#include <QDateTime>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using lmv::survey::Visit;

namespace {

// A number typed in a field: nothing for an empty field, NaN for text that is not a number.
std::optional<double> fieldNumber(const QLineEdit *edit)
{
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    // Either decimal mark, as people type on either keyboard layout.
    const double value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok ? value : std::nan("");
}

QString numberText(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'g', 10) : QString();
}

} // namespace

VisitDialog::VisitDialog(const Visit &initial, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("添加现场记录"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    timeEdit = new QDateTimeEdit(this);
    timeEdit->setTimeSpec(Qt::UTC);
    timeEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    timeEdit->setCalendarPopup(true);
    timeEdit->setDateTime(QDateTime::fromSecsSinceEpoch(initial.time, Qt::UTC));
    depthEdit = new QLineEdit(numberText(initial.manualDepthMm), this);
    depthEdit->setPlaceholderText(QStringLiteral("未测量"));
    velocityEdit = new QLineEdit(numberText(initial.manualVelocity), this);
    velocityEdit->setPlaceholderText(QStringLiteral("未测量"));
    noteEdit = new QPlainTextEdit(initial.note, this);
    noteEdit->setFixedHeight(72);
    form->addRow(QStringLiteral("时间(仪器时钟)"), timeEdit);
    form->addRow(QStringLiteral("人工液位(mm)"), depthEdit);
    form->addRow(QStringLiteral("人工流速(m/s)"), velocityEdit);
    form->addRow(QStringLiteral("备注"), noteEdit);
    layout->addLayout(form);
    problemLabel = new QLabel(this);
    problemLabel->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    problemLabel->setWordWrap(true);
    layout->addWidget(problemLabel);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("保存"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &VisitDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &VisitDialog::reject);
}

std::optional<Visit> VisitDialog::visit(QString *problem) const
{
    Visit v;
    v.time = timeEdit->dateTime().toSecsSinceEpoch();
    v.manualDepthMm = fieldNumber(depthEdit);
    v.manualVelocity = fieldNumber(velocityEdit);
    v.note = noteEdit->toPlainText().trimmed();
    QString why;
    if (v.manualDepthMm && std::isnan(*v.manualDepthMm))
        why = QStringLiteral("人工液位不是数字");
    else if (v.manualVelocity && std::isnan(*v.manualVelocity))
        why = QStringLiteral("人工流速不是数字");
    else
        why = lmv::survey::visitProblem(v);
    if (problem)
        *problem = why;
    if (!why.isEmpty())
        return std::nullopt;
    return v;
}

void VisitDialog::accept()
{
    QString problem;
    if (!visit(&problem)) {
        problemLabel->setText(problem);
        return;
    }
    QDialog::accept();
}

std::optional<Visit> VisitDialog::ask(QWidget *parent, const Visit &initial)
{
    VisitDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.visit();
}
