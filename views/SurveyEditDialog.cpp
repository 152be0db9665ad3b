#include "views/SurveyEditDialog.h"

#include "data/SurveyCheck.h"

#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace lmv::survey;

namespace {

QDateTimeEdit *timeEditIn(QWidget *parent)
{
    auto *edit = new QDateTimeEdit(parent);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setCalendarPopup(true);
    return edit;
}

QDoubleSpinBox *spinIn(QWidget *parent, double low, double high, int decimals)
{
    auto *spin = new QDoubleSpinBox(parent);
    spin->setRange(low, high);
    spin->setDecimals(decimals);
    return spin;
}

} // namespace

SurveyEditDialog *SurveyEditDialog::create(QWidget *parent, qint64 from, qint64 to,
                                           std::vector<VisitDifference> visits, StoreEdit store)
{
    auto *dialog = new SurveyEditDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setRange(from, to);
    dialog->setVisitDifferences(std::move(visits));
    connect(dialog, &SurveyEditDialog::editRequested, dialog, [dialog, store](const Edit &requested) {
        Edit edit = requested;
        QString error;
        if (store(edit, &error))
            dialog->accept();
        else
            dialog->showProblem(error);
    });
    return dialog;
}

SurveyEditDialog::SurveyEditDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("修正数据"));
    setMinimumWidth(440);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    opCombo = new QComboBox(this);
    for (const EditOp op :
         {EditOp::Remove, EditOp::Fill, EditOp::Offset, EditOp::Drift, EditOp::VelocityFactor})
        opCombo->addItem(editOpText(op), int(op));
    fromEdit = timeEditIn(this);
    toEdit = timeEditIn(this);
    // Typed values are checked when stored; the spin limits only keep the fields sane.
    valueSpin = spinIn(this, -kMaxOffsetMm, kMaxOffsetMm, 3);
    value2Spin = spinIn(this, -kMaxOffsetMm, kMaxOffsetMm, 3);
    maxGapSpin = spinIn(this, 1, 24 * 60, 0);
    maxGapSpin->setValue(double(kDefaultMaxGapSeconds) / 60.0);
    maxGapSpin->setSuffix(QStringLiteral(" min"));
    visitDriftButton = new QPushButton(QStringLiteral("取自两端现场记录"), this);
    reasonEdit = new QLineEdit(this);
    reasonEdit->setPlaceholderText(QStringLiteral("必填: 为什么修正"));
    valueLabel = new QLabel(this);
    value2Label = new QLabel(this);
    maxGapLabel = new QLabel(QStringLiteral("最大插补间隔:"), this);
    form->addRow(QStringLiteral("操作:"), opCombo);
    form->addRow(QStringLiteral("开始:"), fromEdit);
    form->addRow(QStringLiteral("结束:"), toEdit);
    form->addRow(valueLabel, valueSpin);
    form->addRow(value2Label, value2Spin);
    form->addRow(QString(), visitDriftButton);
    form->addRow(maxGapLabel, maxGapSpin);
    form->addRow(QStringLiteral("原因:"), reasonEdit);
    layout->addLayout(form);
    messageLabel = new QLabel(this);
    messageLabel->setWordWrap(true);
    messageLabel->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    layout->addWidget(messageLabel);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    okButton->setText(QStringLiteral("保存修正"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(okButton, &QPushButton::clicked, this, [this] {
        messageLabel->clear();
        emit editRequested(edit());
    });
    connect(opCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, &SurveyEditDialog::opChanged);
    connect(visitDriftButton, &QPushButton::clicked, this, &SurveyEditDialog::takeDriftFromVisits);
    opChanged();
}

void SurveyEditDialog::setRange(qint64 from, qint64 to)
{
    fromEdit->setDateTime(QDateTime::fromSecsSinceEpoch(from, Qt::UTC));
    toEdit->setDateTime(QDateTime::fromSecsSinceEpoch(to, Qt::UTC));
}

void SurveyEditDialog::setVisitDifferences(std::vector<VisitDifference> visits)
{
    m_visits = std::move(visits);
}

Edit SurveyEditDialog::edit() const
{
    Edit e;
    e.op = EditOp(opCombo->currentData().toInt());
    e.from = fromEdit->dateTime().toSecsSinceEpoch();
    e.to = toEdit->dateTime().toSecsSinceEpoch();
    if (e.op == EditOp::Offset || e.op == EditOp::Drift || e.op == EditOp::VelocityFactor)
        e.value = valueSpin->value();
    if (e.op == EditOp::Drift)
        e.value2 = value2Spin->value();
    if (e.op == EditOp::Fill)
        e.maxGapSeconds = qint64(maxGapSpin->value() * 60.0);
    e.reason = reasonEdit->text().trimmed();
    return e;
}

void SurveyEditDialog::showProblem(const QString &text)
{
    messageLabel->setText(text);
    adjustSize();
}

bool SurveyEditDialog::takeDriftFromVisits()
{
    const Edit e = edit();
    const DriftEnds ends = driftFromVisits(m_visits, e.from, e.to);
    if (!ends.valid) {
        showProblem(ends.message);
        return false;
    }
    valueSpin->setValue(ends.atFrom);
    value2Spin->setValue(ends.atTo);
    QString text = QStringLiteral("结束偏移取自 %1 的现场记录").arg(lmv::clockText(ends.toVisit));
    text += ends.fromVisitFound
                ? QStringLiteral(", 开始偏移取自 %1 的现场记录").arg(lmv::clockText(ends.fromVisit))
                : QStringLiteral(", 开始之前没有现场记录, 开始偏移取 0");
    messageLabel->setText(text);
    return true;
}

void SurveyEditDialog::opChanged()
{
    const auto op = EditOp(opCombo->currentData().toInt());
    const bool offset = op == EditOp::Offset || op == EditOp::Drift;
    valueLabel->setText(op == EditOp::VelocityFactor ? QStringLiteral("流速系数:")
                        : op == EditOp::Drift        ? QStringLiteral("开始偏移(mm):")
                                                     : QStringLiteral("偏移(mm):"));
    valueSpin->setDecimals(offset ? 1 : 3);
    value2Spin->setDecimals(1);
    if (op == EditOp::VelocityFactor && valueSpin->value() <= 0)
        valueSpin->setValue(1.0);
    valueLabel->setVisible(offset || op == EditOp::VelocityFactor);
    valueSpin->setVisible(offset || op == EditOp::VelocityFactor);
    value2Label->setText(QStringLiteral("结束偏移(mm):"));
    value2Label->setVisible(op == EditOp::Drift);
    value2Spin->setVisible(op == EditOp::Drift);
    visitDriftButton->setVisible(op == EditOp::Drift);
    maxGapLabel->setVisible(op == EditOp::Fill);
    maxGapSpin->setVisible(op == EditOp::Fill);
    messageLabel->clear();
}

EditButtons addEditButtons(QHBoxLayout *bar, QWidget *parent, const QString &selectionTip)
{
    EditButtons b;
    b.cursor = new QPushButton(QStringLiteral("修正光标 A-B 之间…"), parent);
    b.cursor->setToolTip(QStringLiteral("过程线上单击设光标 A, Shift+单击设光标 B"));
    b.selection = new QPushButton(QStringLiteral("修正表中所选…"), parent);
    b.selection->setToolTip(selectionTip);
    b.undo = new QPushButton(QStringLiteral("撤销"), parent);
    b.redo = new QPushButton(QStringLiteral("重做"), parent);
    b.exportData = new QPushButton(QStringLiteral("导出数据…"), parent);
    b.exportData->setToolTip(QStringLiteral("导出所示数据; 有修正时加一列数据标记"));
    for (QPushButton *button : {b.cursor, b.selection, b.undo, b.redo})
        bar->addWidget(button);
    return b;
}

QString askExportFile(QWidget *parent, const QString &title, const QString &suggested)
{
    return QFileDialog::getSaveFileName(parent, title, suggested,
                                        QStringLiteral("文本文件 (*.txt);;CSV 文件 (*.csv)"));
}

void openEditDialog(QPointer<SurveyEditDialog> &slot, QWidget *parent, const lmv::EditRange &range,
                    QLabel *message, const EditDialogRequest &request)
{
    if (!request.refusal.isEmpty() || !range.valid) {
        message->setText(request.refusal.isEmpty() ? range.message : request.refusal);
        return;
    }
    if (slot)
        slot->deleteLater();
    slot = SurveyEditDialog::create(parent, range.from, range.to, request.visits(), request.store);
    request.show(slot);
}
