#include "app/ReportDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QTimeZone>

using namespace lmv::report;

namespace {

QDateTimeEdit *clockEdit(qint64 seconds, QWidget *parent)
{
    auto *edit = new QDateTimeEdit(QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC), parent);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    edit->setCalendarPopup(true);
    return edit;
}

QDialogButtonBox *okCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

ReportPeriodDialog::ReportPeriodDialog(const QString &project, qint64 first, qint64 last, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("生成报告 - %1").arg(project));
    auto *form = new QFormLayout(this);
    wholeBox = new QCheckBox(QStringLiteral("全部时间"), this);
    wholeBox->setChecked(true);
    fromEdit = clockEdit(first, this);
    toEdit = clockEdit(last, this);
    form->addRow(wholeBox);
    form->addRow(QStringLiteral("开始:"), fromEdit);
    form->addRow(QStringLiteral("结束:"), toEdit);
    buttons = okCancel(this);
    form->addRow(buttons);
    const auto follow = [this] {
        fromEdit->setEnabled(!wholeBox->isChecked());
        toEdit->setEnabled(!wholeBox->isChecked());
    };
    connect(wholeBox, &QCheckBox::toggled, this, follow);
    follow();
}

lmv::survey::SurveyPeriod ReportPeriodDialog::period() const
{
    if (wholeBox->isChecked())
        return {};
    lmv::survey::SurveyPeriod p;
    p.from = fromEdit->dateTime().toSecsSinceEpoch();
    p.to = std::max(*p.from, toEdit->dateTime().toSecsSinceEpoch());
    return p;
}

ModelExportDialog::ModelExportDialog(const QString &point, const QStringList &gauges, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("导出模型数据 - %1").arg(point));
    auto *form = new QFormLayout(this);
    formatBox = new QComboBox(this);
    formatBox->addItem(QStringLiteral("SWMM 时间序列"), int(ModelFormat::SwmmSeries));
    formatBox->addItem(QStringLiteral("SWMM 雨量文件"), int(ModelFormat::SwmmRain));
    formatBox->addItem(QStringLiteral("SWMM 旱季流量 [DWF] [PATTERNS]"), int(ModelFormat::SwmmDwf));
    formatBox->addItem(QStringLiteral("定步长 CSV"), int(ModelFormat::Csv));
    seriesBox = new QComboBox(this);
    seriesBox->addItem(QStringLiteral("流量"), int(ModelSeries::Flow));
    seriesBox->addItem(QStringLiteral("液位"), int(ModelSeries::Level));
    seriesBox->addItem(QStringLiteral("流速"), int(ModelSeries::Velocity));
    unitBox = new QComboBox(this);
    for (FlowUnit u :
         {FlowUnit::Lps, FlowUnit::Cms, FlowUnit::Mld, FlowUnit::Cfs, FlowUnit::Gpm, FlowUnit::Mgd})
        unitBox->addItem(flowUnitName(u), int(u));
    stepBox = new QSpinBox(this);
    stepBox->setRange(0, 1440);
    stepBox->setValue(5);
    stepBox->setSuffix(QStringLiteral(" 分钟"));
    stepBox->setSpecialValueText(QStringLiteral("雨量计间隔"));
    gaugeBox = new QComboBox(this);
    gaugeBox->addItem(QStringLiteral("测点所用雨量计"), QString());
    for (const QString &g : gauges)
        gaugeBox->addItem(g, g);
    form->addRow(QStringLiteral("格式:"), formatBox);
    form->addRow(QStringLiteral("数据:"), seriesBox);
    form->addRow(QStringLiteral("流量单位:"), unitBox);
    form->addRow(QStringLiteral("步长:"), stepBox);
    form->addRow(QStringLiteral("雨量计:"), gaugeBox);
    buttons = okCancel(this);
    form->addRow(buttons);
    connect(formatBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ModelExportDialog::formatChanged);
    formatChanged();
}

void ModelExportDialog::formatChanged()
{
    const auto format = ModelFormat(formatBox->currentData().toInt());
    seriesBox->setEnabled(format == ModelFormat::SwmmSeries);
    unitBox->setEnabled(format != ModelFormat::SwmmRain);
    stepBox->setEnabled(format == ModelFormat::SwmmRain || format == ModelFormat::Csv);
    stepBox->setMinimum(format == ModelFormat::Csv ? 1 : 0);
    gaugeBox->setEnabled(format == ModelFormat::SwmmRain || format == ModelFormat::SwmmDwf);
}

ModelExportChoice ModelExportDialog::choice() const
{
    ModelExportChoice c;
    c.format = ModelFormat(formatBox->currentData().toInt());
    c.series = ModelSeries(seriesBox->currentData().toInt());
    c.flowUnit = FlowUnit(unitBox->currentData().toInt());
    c.stepSeconds = qint64(stepBox->value()) * 60;
    c.gauge = gaugeBox->currentData().toString();
    return c;
}
