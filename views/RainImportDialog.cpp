#include "views/RainImportDialog.h"

#include "survey/RainTimePattern.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace lmv::survey;

namespace {

constexpr int kPreviewRows = 50;
constexpr int kListedBadRows = 200;
// A large file is read again only once the user pauses.
constexpr int kQuietMs = 150;

const QColor kSkippedColor(150, 150, 150);
const QColor kBadRowColor(255, 215, 215);
const QColor kTimeColumnColor(225, 238, 255);
const QColor kValueColumnColor(226, 245, 226);

} // namespace

RainImportDialog::RainImportDialog(const QByteArray &bytes, const QString &fileName, QWidget *parent)
    : QDialog(parent), m_bytes(bytes)
{
    setWindowTitle(QStringLiteral("导入雨量计数据"));
    buildWidgets();
    m_preview = previewRain(m_bytes, RainImportMapping{}, kPreviewRows);
    m_fileLabel->setText(
        m_preview.error.isEmpty()
            ? QStringLiteral("文件：%1（%2）").arg(fileName, rainEncodingName(m_preview.encoding))
            : QStringLiteral("文件：%1").arg(fileName));
    nameEdit->setText(QFileInfo(fileName).completeBaseName());
    m_timer.setSingleShot(true);
    m_timer.setInterval(kQuietMs);
    connect(&m_timer, &QTimer::timeout, this, &RainImportDialog::readAgain);
    setMapping(m_preview.guess);
}

void RainImportDialog::buildWidgets()
{
    auto *layout = new QVBoxLayout(this);
    m_fileLabel = new QLabel(this);
    layout->addWidget(m_fileLabel);

    previewTable = new QTableWidget(this);
    previewTable->setObjectName(QStringLiteral("previewTable"));
    previewTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    previewTable->verticalHeader()->setDefaultSectionSize(22);
    layout->addWidget(previewTable, 1);

    auto *grid = new QGridLayout;
    auto addRow = [&](int row, int column, const QString &label, QWidget *widget) {
        grid->addWidget(new QLabel(label, this), row, column * 2);
        grid->addWidget(widget, row, column * 2 + 1);
    };
    timeColumnBox = new QSpinBox(this);
    timeColumnBox->setRange(1, 256);
    valueColumnBox = new QSpinBox(this);
    valueColumnBox->setRange(1, 256);
    timeFormatBox = new QComboBox(this);
    for (const char *format : {kRainTimeIso, kRainTimeSlash, kRainTimeDayFirst})
        timeFormatBox->addItem(QString::fromLatin1(format), QString::fromLatin1(format));
    timeFormatBox->addItem(QStringLiteral("自定义"), QString());
    customFormatEdit = new QLineEdit(this);
    customFormatEdit->setPlaceholderText(QStringLiteral("如 yyyy年M月d日 H:mm:ss"));
    separatorBox = new QComboBox(this);
    separatorBox->addItem(QStringLiteral("自动检测"), 0);
    separatorBox->addItem(QStringLiteral("逗号 ,"), int(','));
    separatorBox->addItem(QStringLiteral("分号 ;"), int(';'));
    separatorBox->addItem(QStringLiteral("制表符"), int('\t'));
    separatorBox->addItem(QStringLiteral("空格"), int(' '));
    separatorBox->addItem(QStringLiteral("竖线 |"), int('|'));
    decimalCommaBox = new QCheckBox(QStringLiteral("小数逗号（0,2）"), this);
    skipRowsBox = new QSpinBox(this);
    skipRowsBox->setRange(0, 10000);
    kindBox = new QComboBox(this);
    kindBox->addItem(QStringLiteral("时段雨量（时间为时段末）"), int(RainKind::Interval));
    kindBox->addItem(QStringLiteral("累计雨量"), int(RainKind::Cumulative));
    kindBox->addItem(QStringLiteral("翻斗时刻（每行一次）"), int(RainKind::Tips));
    bucketBox = new QDoubleSpinBox(this);
    bucketBox->setRange(kMinBucketMm, kMaxBucketMm);
    bucketBox->setDecimals(2);
    bucketBox->setSingleStep(0.1);
    bucketBox->setSuffix(QStringLiteral(" mm"));
    bucketBox->setValue(0.2);
    nameEdit = new QLineEdit(this);

    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(timeFormatBox);
    formatRow->addWidget(customFormatEdit, 1);
    auto *formatWidget = new QWidget(this);
    formatWidget->setLayout(formatRow);
    formatRow->setContentsMargins(0, 0, 0, 0);

    addRow(0, 0, QStringLiteral("时间列:"), timeColumnBox);
    addRow(0, 1, QStringLiteral("时间格式:"), formatWidget);
    addRow(1, 0, QStringLiteral("数值列:"), valueColumnBox);
    addRow(1, 1, QStringLiteral("数据类型:"), kindBox);
    addRow(2, 0, QStringLiteral("跳过表头行数:"), skipRowsBox);
    addRow(2, 1, QStringLiteral("翻斗容量:"), bucketBox);
    addRow(3, 0, QStringLiteral("分隔符:"), separatorBox);
    grid->addWidget(decimalCommaBox, 3, 3);
    addRow(4, 0, QStringLiteral("雨量计名称:"), nameEdit);
    pointsList = new QListWidget(this);
    pointsList->setMaximumHeight(80);
    pointsList->setToolTip(QStringLiteral("勾选本雨量计服务的监测点"));
    addRow(4, 1, QStringLiteral("指定给监测点:"), pointsList);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    countsLabel = new QLabel(this);
    problemLabel = new QLabel(this);
    problemLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    problemLabel->setWordWrap(true);
    badRowsList = new QListWidget(this);
    badRowsList->setMaximumHeight(90);
    layout->addWidget(countsLabel);
    layout->addWidget(problemLabel);
    layout->addWidget(badRowsList);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("导入"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    const auto changed = [this] { controlsChanged(); };
    connect(timeColumnBox, qOverload<int>(&QSpinBox::valueChanged), this, changed);
    connect(valueColumnBox, qOverload<int>(&QSpinBox::valueChanged), this, changed);
    connect(skipRowsBox, qOverload<int>(&QSpinBox::valueChanged), this, changed);
    connect(timeFormatBox, qOverload<int>(&QComboBox::currentIndexChanged), this, changed);
    connect(separatorBox, qOverload<int>(&QComboBox::currentIndexChanged), this, changed);
    connect(kindBox, qOverload<int>(&QComboBox::currentIndexChanged), this, changed);
    connect(customFormatEdit, &QLineEdit::textChanged, this, changed);
    connect(decimalCommaBox, &QCheckBox::toggled, this, changed);
    connect(bucketBox, qOverload<double>(&QDoubleSpinBox::valueChanged), this, changed);
    connect(nameEdit, &QLineEdit::textChanged, this, [this] { updateState(); });
    resize(920, 660);
}

RainImportMapping RainImportDialog::mapping() const
{
    RainImportMapping m;
    m.timeColumn = timeColumnBox->value();
    m.valueColumn = valueColumnBox->value();
    const QString named = timeFormatBox->currentData().toString();
    m.timeFormat = named.isEmpty() ? customFormatEdit->text().trimmed() : named;
    m.separator = char(separatorBox->currentData().toInt());
    m.decimalComma = decimalCommaBox->isChecked();
    m.skipRows = skipRowsBox->value();
    m.kind = RainKind(kindBox->currentData().toInt());
    m.bucketMm = bucketBox->value();
    return m;
}

QString RainImportDialog::gaugeName() const
{
    return nameEdit->text().trimmed();
}

void RainImportDialog::setPoints(const QStringList &points, const QStringList &checked)
{
    pointsList->clear();
    for (const QString &point : points) {
        auto *item = new QListWidgetItem(point, pointsList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(point) ? Qt::Checked : Qt::Unchecked);
    }
}

QStringList RainImportDialog::chosenPoints() const
{
    QStringList points;
    for (int i = 0; i < pointsList->count(); ++i)
        if (pointsList->item(i)->checkState() == Qt::Checked)
            points << pointsList->item(i)->text();
    return points;
}

QString RainImportDialog::blocker() const
{
    if (m_result.refused())
        return m_result.error;
    if (gaugeName().isEmpty())
        return QStringLiteral("请填写雨量计名称");
    return QString();
}

void RainImportDialog::setMapping(const RainImportMapping &mapping)
{
    showMapping(mapping);
    readAgain();
}

void RainImportDialog::showMapping(const RainImportMapping &m)
{
    m_showing = true;
    timeColumnBox->setValue(m.timeColumn);
    valueColumnBox->setValue(m.valueColumn);
    const int named = timeFormatBox->findData(m.timeFormat);
    timeFormatBox->setCurrentIndex(named >= 0 ? named : timeFormatBox->count() - 1);
    if (named < 0)
        customFormatEdit->setText(m.timeFormat);
    const int separator = separatorBox->findData(int(m.separator));
    separatorBox->setCurrentIndex(std::max(separator, 0));
    decimalCommaBox->setChecked(m.decimalComma);
    skipRowsBox->setValue(m.skipRows);
    kindBox->setCurrentIndex(kindBox->findData(int(m.kind)));
    bucketBox->setValue(m.bucketMm);
    m_showing = false;
}

void RainImportDialog::controlsChanged()
{
    if (!m_showing)
        m_timer.start();
}

void RainImportDialog::readAgain()
{
    m_timer.stop();
    const RainImportMapping m = mapping();
    const char separator = m.separator != 0 ? m.separator : m_preview.guess.separator;
    if (m_preview.error.isEmpty() && separator != m_preview.separator)
        m_preview = previewRain(m_bytes, m, kPreviewRows);
    m_result = importRain(m_bytes, m);
    fillPreview();
    updateState();
    emit importUpdated();
}

void RainImportDialog::fillPreview()
{
    const RainImportMapping m = mapping();
    const int timeFields = RainTimePattern::compile(m.timeFormat).fieldsSpanned(m_preview.separator);
    int columns = 0;
    for (const QStringList &row : m_preview.rows)
        columns = std::max(columns, int(row.size()));
    previewTable->clear();
    previewTable->setRowCount(int(m_preview.rows.size()));
    previewTable->setColumnCount(columns);
    QStringList headers;
    for (int c = 1; c <= columns; ++c) {
        const bool time = c >= m.timeColumn && c < m.timeColumn + std::max(timeFields, 1);
        const bool value = m.kind != RainKind::Tips && c == m.valueColumn;
        headers << (time    ? QStringLiteral("%1 时间").arg(c)
                    : value ? QStringLiteral("%1 数值").arg(c)
                            : QString::number(c));
    }
    previewTable->setHorizontalHeaderLabels(headers);
    QStringList lineNumbers;
    auto bad = m_result.badRows.begin();
    for (int r = 0; r < int(m_preview.rows.size()); ++r) {
        lineNumbers << QString::number(r + 1);
        while (bad != m_result.badRows.end() && bad->line < r + 1)
            ++bad;
        const bool skipped = r < m.skipRows;
        const bool badRow = bad != m_result.badRows.end() && bad->line == r + 1;
        const QStringList &fields = m_preview.rows[r];
        for (int c = 0; c < int(fields.size()); ++c) {
            auto *item = new QTableWidgetItem(fields[c]);
            if (skipped)
                item->setForeground(kSkippedColor);
            else if (badRow)
                item->setBackground(kBadRowColor);
            else if (c + 1 >= m.timeColumn && c + 1 < m.timeColumn + timeFields)
                item->setBackground(kTimeColumnColor);
            else if (m.kind != RainKind::Tips && c + 1 == m.valueColumn)
                item->setBackground(kValueColumnColor);
            previewTable->setItem(r, c, item);
        }
    }
    previewTable->setVerticalHeaderLabels(lineNumbers);
    previewTable->resizeColumnsToContents();
}

void RainImportDialog::updateState()
{
    const RainImportMapping m = mapping();
    customFormatEdit->setEnabled(timeFormatBox->currentData().toString().isEmpty());
    bucketBox->setEnabled(m.kind == RainKind::Tips);
    valueColumnBox->setEnabled(m.kind != RainKind::Tips);
    decimalCommaBox->setEnabled(m.kind != RainKind::Tips);

    const qsizetype bad = qsizetype(m_result.badRows.size());
    QString counts;
    if (m_result.dataRows > 0)
        counts = QStringLiteral("数据 %1 行：读取 %2 行，无法读取 %3 行")
                     .arg(m_result.dataRows)
                     .arg(m_result.dataRows - bad)
                     .arg(bad);
    if (!m_result.refused()) {
        const RainSeries &s = m_result.series;
        const double total = std::accumulate(s.depthMm.begin(), s.depthMm.end(), 0.0);
        counts += s.kind == RainKind::Tips
                      ? QStringLiteral("；翻斗 %1 次").arg(qsizetype(std::llround(total / m.bucketMm)))
                      : QStringLiteral("；记录间隔 %1 秒").arg(s.intervalSeconds);
        counts += QStringLiteral("，共 %1 mm").arg(total, 0, 'f', 1);
    }
    countsLabel->setText(counts);
    QString note;
    if (!m_result.refused() && m_result.holes > 0)
        note = QStringLiteral("%1 段缺测期间累计增加 %2 mm，时间不明，未计入")
                   .arg(m_result.holes)
                   .arg(m_result.holeDepthMm, 0, 'f', 1);
    problemLabel->setText(m_result.refused() ? m_result.error : note);
    badRowsList->clear();
    badRowsList->addItems(rainBadRowLines(m_result.badRows, kListedBadRows));
    badRowsList->setVisible(bad > 0);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(blocker().isEmpty());
}
