#include "plots/ScatterPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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

CurveInput defaultCurveInput()
{
    return {QString(), 0, QString::number(lmv::kDefaultManningN), QString::number(lmv::kDefaultRoughnessMm)};
}

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

    confirmUncertain = [](QWidget *owner, const QString &text) {
        return QMessageBox::warning(owner, QStringLiteral("淤积估算"), text,
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    connect(slopeEdit, &QLineEdit::textChanged, this, &ScatterPanel::settingsChanged);
    connect(roughnessEdit, &QLineEdit::textChanged, this, &ScatterPanel::settingsChanged);
    connect(lawBox, qOverload<int>(&QComboBox::currentIndexChanged), this, &ScatterPanel::lawChanged);
    for (QLineEdit *edit : {slopeEdit, roughnessEdit})
        connect(edit, &QLineEdit::textEdited, this, &ScatterPanel::curveInputEdited);
    connect(lawBox, qOverload<int>(&QComboBox::activated), this, &ScatterPanel::curveInputEdited);
    connect(sedimentButton, &QPushButton::clicked, this, &ScatterPanel::requestSedimentEdit);
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
        // Beyond the limits no curve: a roughness of 1000 mm draws nothing a pipe could do.
        if (lmv::frictionProblem(f).isEmpty())
            s.friction = f;
    }
    return s;
}

void ScatterPanel::showFits(const lmv::LanfearCollFit &fit, const lmv::SedimentSweep &sweep,
                            const lmv::SedimentTrust &trust)
{
    // Records off the free-running curve (backwater, a drifting sensor) are left out of both fits.
    fitLabel->setText(fit.valid() ? QStringLiteral("C = %1, RMSE %2 m/s\n%3 条记录, 剔除 %4 条偏离曲线")
                                        .arg(fit.coefficient, 0, 'f', 3)
                                        .arg(fit.rmse, 0, 'f', 4)
                                        .arg(fit.records)
                                        .arg(fit.leftOut)
                                  : QStringLiteral("没有可拟合的记录"));
    m_estimateMm = sweep.bestMm;
    m_trust = trust;
    if (sweep.bestMm >= 0) {
        // The trust stands next to the number, and why it is not trusted under it.
        QString text = QStringLiteral("淤积估算 %1 mm (%2) 文件 %3 mm\nRMSE %4 m/s, 采用 %5 条, 剔除 %6 条\n"
                                      "液位 %7-%8 m\n分段: 前半 %9 后半 %10 低液位 %11 高液位 %12 mm")
                           .arg(sweep.bestMm)
                           .arg(lmv::sedimentTrustText(trust.level))
                           .arg(sweep.fileMm)
                           .arg(sweep.best.rmse, 0, 'f', 4)
                           .arg(trust.used)
                           .arg(trust.leftOut)
                           .arg(trust.lowestLevel, 0, 'f', 3)
                           .arg(trust.highestLevel, 0, 'f', 3)
                           .arg(trust.earlyMm)
                           .arg(trust.lateMm)
                           .arg(trust.lowMm)
                           .arg(trust.highMm);
        if (!trust.reasons.isEmpty())
            text += QLatin1Char('\n') + trust.reasons.join(QLatin1Char('\n'));
        sedimentLabel->setText(text);
        sedimentLabel->setStyleSheet(trust.good() ? QString()
                                     : trust.level == lmv::SedimentTrustLevel::Fair
                                         ? QStringLiteral("color: rgb(170, 100, 0);")
                                         : QStringLiteral("color: rgb(190, 0, 0);"));
    } else {
        sedimentLabel->setText(QStringLiteral("淤积估算: 记录不足 (文件 %1 mm)").arg(sweep.fileMm));
        sedimentLabel->setStyleSheet(QString());
    }
    sedimentButton->setEnabled(m_editAllowed && sweep.bestMm >= 0);
    sedimentButton->setText(
        sweep.bestMm >= 0 && !trust.good()
            ? QStringLiteral("按估算修改管道参数(%1)...").arg(lmv::sedimentTrustText(trust.level))
            : QStringLiteral("按估算修改管道参数..."));
}

void ScatterPanel::showPipeProblem(const QString &problem)
{
    fitLabel->setText(problem);
    sedimentLabel->setText(QStringLiteral("不拟合, 不估算淤积"));
    sedimentLabel->setStyleSheet(QStringLiteral("color: rgb(190, 0, 0);"));
    m_estimateMm = -1;
    m_trust = {};
    sedimentButton->setEnabled(false);
    sedimentButton->setText(QStringLiteral("按估算修改管道参数..."));
}

void ScatterPanel::requestSedimentEdit()
{
    if (m_estimateMm < 0)
        return;
    if (!m_trust.good()) {
        const QString text =
            QStringLiteral("淤积估算 %1 mm %2:\n%3\n\n仍要按估算修改管道参数吗?")
                .arg(m_estimateMm)
                .arg(lmv::sedimentTrustText(m_trust.level), m_trust.reasons.join(QLatin1Char('\n')));
        if (!confirmUncertain || !confirmUncertain(this, text))
            return;
    }
    emit sedimentEditRequested(m_estimateMm);
}

CurveInput ScatterPanel::curveInput() const
{
    CurveInput in;
    in.slopePermille = slopeEdit->text();
    in.law = lawBox->currentIndex();
    // The edit holds the roughness of the law shown; the other law's is kept aside.
    in.manningN = in.law == 0 ? roughnessEdit->text() : m_manningText;
    in.roughnessMm = in.law == 0 ? m_roughnessText : roughnessEdit->text();
    return in;
}

void ScatterPanel::setCurveInput(const CurveInput &input)
{
    if (input == curveInput())
        return;
    {
        const QSignalBlocker blockSlope(slopeEdit), blockLaw(lawBox), blockRoughness(roughnessEdit);
        slopeEdit->setText(input.slopePermille);
        lawBox->setCurrentIndex(input.law == 1 ? 1 : 0);
        m_manningText = input.manningN;
        m_roughnessText = input.roughnessMm;
        roughnessEdit->setText(lawBox->currentIndex() == 0 ? m_manningText : m_roughnessText);
        m_roughnessLabel->setText(lawBox->currentIndex() == 0 ? QStringLiteral("糙率 n")
                                                              : QStringLiteral("粗糙度 ks(mm)"));
    }
    emit settingsChanged();
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
