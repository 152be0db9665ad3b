#include "plots/ScatterPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// A positive number from an edit; nullopt for empty or unreadable text.
std::optional<double> positive(const QLineEdit *edit)
{
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok || !(value > 0.0) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

ScatterPanel::ScatterPanel(QWidget *parent)
    : QWidget(parent), m_manningText(QString::number(lmv::kDefaultManningN)),
      m_roughnessText(QString::number(lmv::kDefaultRoughnessMm))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 2, 0);
    layout->setSpacing(2);

    auto *curveBox = new QGroupBox(QStringLiteral("管道曲线"), this);
    auto *form = new QFormLayout(curveBox);
    slopeEdit = new QLineEdit(curveBox);
    slopeEdit->setPlaceholderText(QStringLiteral("输入后显示曲线"));
    slopeEdit->setValidator(new QDoubleValidator(0.0, 1000.0, 6, slopeEdit));
    form->addRow(QStringLiteral("坡度(‰)"), slopeEdit);
    lawBox = new QComboBox(curveBox);
    lawBox->addItem(QStringLiteral("曼宁公式"));
    lawBox->addItem(QStringLiteral("柯尔布鲁克-怀特公式"));
    form->addRow(QStringLiteral("公式"), lawBox);
    roughnessEdit = new QLineEdit(m_manningText, curveBox);
    roughnessEdit->setValidator(new QDoubleValidator(0.0, 1000.0, 6, roughnessEdit));
    m_roughnessLabel = new QLabel(QStringLiteral("糙率 n"), curveBox);
    form->addRow(m_roughnessLabel, roughnessEdit);
    layout->addWidget(curveBox);

    auto *linesBox = new QGroupBox(QStringLiteral("参考线"), this);
    auto *lines = new QVBoxLayout(linesBox);
    isoFlowBox = new QCheckBox(QStringLiteral("等流量线"), linesBox);
    criticalBox = new QCheckBox(QStringLiteral("临界流线 (Fr = 1)"), linesBox);
    fittedBox = new QCheckBox(QStringLiteral("拟合曲线"), linesBox);
    for (QCheckBox *box : {isoFlowBox, criticalBox, fittedBox}) {
        box->setChecked(true);
        lines->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &ScatterPanel::settingsChanged);
    }
    layout->addWidget(linesBox);

    auto *fitBox = new QGroupBox(QStringLiteral("拟合 v = C·R^(2/3)"), this);
    auto *fits = new QVBoxLayout(fitBox);
    fitLabel = new QLabel(fitBox);
    fitLabel->setWordWrap(true);
    sedimentLabel = new QLabel(fitBox);
    sedimentLabel->setWordWrap(true);
    sedimentButton = new QPushButton(QStringLiteral("按估算修改管道参数..."), fitBox);
    sedimentButton->setEnabled(false);
    fits->addWidget(fitLabel);
    fits->addWidget(sedimentLabel);
    fits->addWidget(sedimentButton);
    layout->addWidget(fitBox);

    rangeLabel = new QLabel(this);
    rangeLabel->setMinimumWidth(200);
    rangeLabel->setWordWrap(true);
    wholeFileButton = new QPushButton(QStringLiteral("全部时间"), this);
    wholeFileButton->setEnabled(false);
    layout->addWidget(rangeLabel);
    layout->addWidget(wholeFileButton);
    layout->addStretch(1);
    showRange(QString());

    connect(slopeEdit, &QLineEdit::textChanged, this, &ScatterPanel::settingsChanged);
    connect(roughnessEdit, &QLineEdit::textChanged, this, &ScatterPanel::settingsChanged);
    connect(lawBox, qOverload<int>(&QComboBox::currentIndexChanged), this, &ScatterPanel::lawChanged);
    connect(sedimentButton, &QPushButton::clicked, this, [this] {
        if (m_estimateMm >= 0)
            emit sedimentEditRequested(m_estimateMm);
    });
    connect(wholeFileButton, &QPushButton::clicked, this, &ScatterPanel::wholeFileRequested);
}

void ScatterPanel::lawChanged()
{
    // Each law keeps its own roughness text, so switching back and forth loses nothing.
    const bool manning = lawBox->currentIndex() == 0;
    const QSignalBlocker block(roughnessEdit);
    if (manning) {
        m_roughnessText = roughnessEdit->text();
        roughnessEdit->setText(m_manningText);
    } else {
        m_manningText = roughnessEdit->text();
        roughnessEdit->setText(m_roughnessText);
    }
    m_roughnessLabel->setText(manning ? QStringLiteral("糙率 n") : QStringLiteral("粗糙度 ks(mm)"));
    emit settingsChanged();
}

ScatterSettings ScatterPanel::settings() const
{
    ScatterSettings s;
    s.isoFlow = isoFlowBox->isChecked();
    s.critical = criticalBox->isChecked();
    s.fitted = fittedBox->isChecked();
    const std::optional<double> slope = positive(slopeEdit);
    const std::optional<double> roughness = positive(roughnessEdit);
    const bool manning = lawBox->currentIndex() == 0;
    // ks = 0 is a smooth pipe; Manning's n must be positive.
    bool ok = false;
    const double ks = roughnessEdit->text().trimmed().toDouble(&ok);
    if (slope && (manning ? roughness.has_value() : ok && ks >= 0.0)) {
        lmv::Friction f;
        f.law = manning ? lmv::FrictionLaw::Manning : lmv::FrictionLaw::ColebrookWhite;
        f.slope = *slope / 1000.0;
        if (manning)
            f.manningN = *roughness;
        else
            f.roughnessMm = ks;
        s.friction = f;
    }
    return s;
}

void ScatterPanel::showFits(const lmv::LanfearCollFit &fit, const lmv::SedimentSweep &sweep)
{
    // Records off the free-running curve (backwater, a drifting sensor) are left out of both fits.
    fitLabel->setText(fit.valid() ? QStringLiteral("C = %1, RMSE %2 m/s\n%3 条记录, 剔除 %4 条偏离曲线")
                                        .arg(fit.coefficient, 0, 'f', 3)
                                        .arg(fit.rmse, 0, 'f', 4)
                                        .arg(fit.records)
                                        .arg(fit.leftOut)
                                  : QStringLiteral("没有可拟合的记录"));
    m_estimateMm = sweep.bestMm;
    if (sweep.bestMm >= 0)
        sedimentLabel->setText(QStringLiteral("淤积估算 %1 mm (文件 %2 mm)\nRMSE %3 m/s, %4 条记录")
                                   .arg(sweep.bestMm)
                                   .arg(sweep.fileMm)
                                   .arg(sweep.best.rmse, 0, 'f', 4)
                                   .arg(sweep.best.records));
    else
        sedimentLabel->setText(QStringLiteral("淤积估算: 记录不足 (文件 %1 mm)").arg(sweep.fileMm));
    sedimentButton->setEnabled(m_editAllowed && sweep.bestMm >= 0);
}

void ScatterPanel::showRange(const QString &text)
{
    rangeLabel->setText(text.isEmpty() ? QStringLiteral("时间范围: 全部记录")
                                       : QStringLiteral("时间范围: %1").arg(text));
    wholeFileButton->setEnabled(!text.isEmpty());
}

void ScatterPanel::setSedimentEditEnabled(bool enabled)
{
    m_editAllowed = enabled;
    sedimentButton->setEnabled(enabled && m_estimateMm >= 0);
    sedimentButton->setToolTip(enabled ? QString() : QStringLiteral("设备上的文件不能修改管道参数"));
}
