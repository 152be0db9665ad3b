#include "views/SurveyCheckView.h"
#include "views/TableFill.h"

#include "data/CheckExport.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace lmv;

namespace {

// The end of a finding: its time alone when it falls on the day the finding starts (the start
// beside it names the day), else whole.
QString endText(const Finding &f)
{
    const QString end = clockText(f.end);
    return end.left(10) == clockText(f.start).left(10) ? end.mid(11) : end;
}

} // namespace

// The findings of the shown check, one row each; texts are made when a row is drawn, so a file
// with many thousand findings lists them at once.
class FindingsModel : public QAbstractTableModel
{
public:
    explicit FindingsModel(QObject *parent) : QAbstractTableModel(parent) {}
    void setCheck(const SurveyCheck &check)
    {
        beginResetModel();
        m_check = check;
        endResetModel();
    }
    const SurveyCheck &check() const { return m_check; }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_check.findings.size());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 5;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QStringList names{QStringLiteral("类型"), QStringLiteral("开始时间"),
                                       QStringLiteral("结束时间"), QStringLiteral("记录"),
                                       QStringLiteral("说明")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < names.size())
            return names[section];
        return QVariant();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_check.findings.size())
            return QVariant();
        if (role == Qt::TextAlignmentRole)
            return int(index.column() == 4 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        const Finding &f = m_check.findings[index.row()];
        if (role == Qt::ToolTipRole && index.column() == 4)
            return findingDetail(f, m_check.channelNames);
        if (role == Qt::ToolTipRole && index.column() == 2)
            return clockText(f.end);
        if (role != Qt::DisplayRole)
            return QVariant();
        switch (index.column()) {
        case 0:
            return findingKindText(f.kind);
        case 1:
            return clockText(f.start);
        case 2:
            return endText(f);
        case 3:
            return recordRangeText(f);
        default:
            return findingDetail(f, m_check.channelNames);
        }
    }

private:
    // The model keeps the check: the view's header still asks for rows while the view is
    // being destroyed, after the view's own members are gone.
    SurveyCheck m_check;
};

namespace {

void setUpTable(QTableView *table)
{
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setStretchLastSection(true);
}

QTableWidget *makeTable(const QStringList &headers, QWidget *parent)
{
    auto *table = new QTableWidget(0, headers.size(), parent);
    table->setHorizontalHeaderLabels(headers);
    setUpTable(table);
    return table;
}

QTableWidgetItem *item(const QString &text, Qt::Alignment align = Qt::AlignCenter)
{
    auto *it = new QTableWidgetItem(text);
    it->setTextAlignment(int(align));
    return it;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

void setDayRow(QTableWidget *table, int row, const QString &date, const DayVolume &d, qsizetype dayCount)
{
    const QStringList cells{date,
                            QString::number(d.records),
                            fixed(d.coverage(dayCount) * 100.0, 1) + QLatin1Char('%'),
                            fixed(d.volumeM3, 3),
                            fixed(d.meanFlow(), 3),
                            d.hasValues ? fixed(double(d.minFlow), 3) : QStringLiteral("-"),
                            d.hasValues ? fixed(double(d.maxFlow), 3) : QStringLiteral("-"),
                            fixed(double(d.maxLevel), 3),
                            fixed(double(d.surchargeSeconds) / 60.0, 1)};
    for (int c = 0; c < cells.size(); ++c)
        table->setItem(row, c, item(cells[c]));
}

// A day of a table without flows (RVB): records and coverage.
void setCoverageRow(QTableWidget *table, int row, const QString &date, const DayVolume &d, qsizetype dayCount)
{
    const QString none = QStringLiteral("-");
    const QStringList cells{date,
                            QString::number(d.records),
                            fixed(d.coverage(dayCount) * 100.0, 1) + QLatin1Char('%'),
                            none,
                            none,
                            none,
                            none,
                            none,
                            none};
    for (int c = 0; c < cells.size(); ++c)
        table->setItem(row, c, item(cells[c]));
}

void boldRow(QTableWidget *table, int row)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        QTableWidgetItem *cell = table->item(row, c);
        QFont bold = cell->font();
        bold.setBold(true);
        cell->setFont(bold);
        cell->setBackground(QColor(238, 243, 250));
    }
}

} // namespace

QString surveyCheckSummary(const SurveyCheck &c)
{
    QString text =
        QStringLiteral(
            "记录 %1 条  记录间隔 %2s  数据缺失 %3 处  重复时间 %4 处(数值不同 %5)  时间倒退 %6 处")
            .arg(c.records)
            .arg(c.intervalSeconds)
            .arg(c.gaps)
            .arg(c.duplicatesSame + c.duplicatesDifferent)
            .arg(c.duplicatesDifferent)
            .arg(c.backwardSteps);
    if (c.family == Family::Rva)
        text += QStringLiteral("  超过管顶共 %1  合计水量 %2 m3")
                    .arg(durationText(c.surchargeSeconds), fixed(c.total.volumeM3, 3));
    else if (c.family == Family::Rvb)
        text += QStringLiteral("  供电电压低共 %1  信号弱共 %2")
                    .arg(durationText(c.weakPowerSeconds), durationText(c.weakSignalSeconds));
    return text;
}

SurveyCheckView::SurveyCheckView(QWidget *parent) : QWidget(parent)
{
    chooseExportPath = [](QWidget *owner) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("导出数据检查"), QStringLiteral("./"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    // The summary has a line of its own, wrapped rather than cut; what a click or an export did
    // goes on the line below, beside the button, so that it never takes the summary's place.
    summaryLabel = new QLabel(this);
    summaryLabel->setWordWrap(true);
    summaryLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summaryLabel);
    auto *bar = new QHBoxLayout;
    statusLabel = new QLabel(this);
    statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    exportButton = new QPushButton(QStringLiteral("导出"), this);
    exportButton->setFixedWidth(96);
    bar->addWidget(statusLabel, 1);
    bar->addWidget(exportButton);
    layout->addLayout(bar);

    // Findings above the daily table: each gets the whole width, so the 说明 column and the nine
    // columns of the days fit a record window on a 1366-pixel screen.
    auto *split = new QSplitter(Qt::Vertical, this);
    findingsTable = new QTableView(split);
    m_findings = new FindingsModel(findingsTable);
    findingsTable->setModel(m_findings);
    setUpTable(findingsTable);
    // Units under the names: the headers are no wider than the numbers below them.
    daysTable = makeTable({QStringLiteral("日期"), QStringLiteral("记录数"), QStringLiteral("覆盖率"),
                           QStringLiteral("水量\n(m3)"), QStringLiteral("平均流量\n(L/s)"),
                           QStringLiteral("最小流量\n(L/s)"), QStringLiteral("最大流量\n(L/s)"),
                           QStringLiteral("最高液位\n(m)"), QStringLiteral("超过管顶\n(分钟)")},
                          split);
    fitFindingColumns();
    daysTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    daysTable->horizontalHeader()->setStretchLastSection(false);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    connect(findingsTable, &QTableView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < check().findings.size())
            emit findingSelected(check().findings[index.row()].start, check().findings[index.row()].end);
    });
    connect(findingsTable, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < check().findings.size())
            emit recordRequested(int(check().findings[index.row()].firstRecord));
    });
    connect(exportButton, &QPushButton::clicked, this, &SurveyCheckView::exportCsv);
    showCheck(SurveyCheck{});
}

const SurveyCheck &SurveyCheckView::check() const
{
    return m_findings->check();
}

void SurveyCheckView::setSource(std::function<SurveyCheck()> source)
{
    m_source = std::move(source);
    markStale();
}

void SurveyCheckView::markStale()
{
    m_stale = true;
    if (isVisible())
        refresh();
}

void SurveyCheckView::refresh()
{
    m_stale = false;
    showCheck(m_source ? m_source() : SurveyCheck{});
}

void SurveyCheckView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void SurveyCheckView::fitFindingColumns()
{
    // Start times shown whole: they are what a finding is looked up by. The end takes the room
    // of a time alone unless some finding ends on another day; the record numbers take what they
    // need; 说明 gets the rest.
    const QFontMetrics metrics(findingsTable->font());
    const int pad = 24;
    bool endsOnAnotherDay = false;
    qsizetype widestRecords = 0;
    QString records = QStringLiteral("记录");
    for (const Finding &f : check().findings) {
        endsOnAnotherDay = endsOnAnotherDay || endText(f).size() > 8;
        if (f.lastRecord > widestRecords) {
            widestRecords = f.lastRecord;
            records = recordRangeText(f);
        }
    }
    const QString end = endsOnAnotherDay ? QStringLiteral("2024-05-20 14:20:00") : QStringLiteral("14:20:00");
    const std::pair<int, int> widths[] = {
        {0, metrics.horizontalAdvance(QStringLiteral("重复时间(数值不同)")) + pad},
        {1, metrics.horizontalAdvance(QStringLiteral("2024-05-20 14:20:00")) + pad},
        {2, std::max(metrics.horizontalAdvance(end), metrics.horizontalAdvance(QStringLiteral("结束时间"))) +
                pad},
        {3, metrics.horizontalAdvance(records) + pad}};
    for (const auto &[column, width] : widths)
        findingsTable->setColumnWidth(column, width);
}

void SurveyCheckView::showCheck(const SurveyCheck &check)
{
    m_findings->setCheck(check);
    fitFindingColumns();
    summaryLabel->setText(check.family == Family::Unknown ? QString() : surveyCheckSummary(check));
    summaryLabel->setToolTip(summaryLabel->text());
    statusLabel->clear();
    exportButton->setEnabled(check.family != Family::Unknown);
    fillDays();
}

void SurveyCheckView::fillDays()
{
    const bool rva = check().family == Family::Rva;
    daysTable->setVisible(rva);
    daysTable->setRowCount(0);
    if (!rva)
        return;
    const int days = int(check().days.size());
    const ColumnsMeasuredOnce measure(daysTable);
    daysTable->setRowCount(days + 1);
    for (int row = 0; row < days; ++row)
        setDayRow(daysTable, row, dayText(check().days[row].day), check().days[row], 1);
    setDayRow(daysTable, days, QStringLiteral("合计"), check().total, days);
    for (int c = 0; c < daysTable->columnCount(); ++c) {
        QFont bold = daysTable->item(days, c)->font();
        bold.setBold(true);
        daysTable->item(days, c)->setFont(bold);
    }
}

void SurveyCheckView::showSurveyCheck(SurveyCheck check, const QVector<DayVolume> &days,
                                      const QVector<CheckTotalRow> &totals)
{
    const bool flows = check.family == Family::Rva;
    check.days = days;
    m_stale = false;
    showCheck(check);
    daysTable->setVisible(check.family != Family::Unknown);
    daysTable->setRowCount(0);
    if (check.family == Family::Unknown)
        return;
    const ColumnsMeasuredOnce measure(daysTable);
    daysTable->setRowCount(int(days.size() + totals.size()));
    auto setRow = [&](int row, const QString &label, const DayVolume &d, qsizetype count) {
        if (flows)
            setDayRow(daysTable, row, label, d, count);
        else
            setCoverageRow(daysTable, row, label, d, count);
    };
    int row = 0;
    auto addTotalsAfter = [&](int day) {
        for (const CheckTotalRow &t : totals)
            if (t.afterDay == day) {
                setRow(row, t.label, t.total, t.days);
                boldRow(daysTable, row++);
            }
    };
    for (int d = 0; d < days.size(); ++d) {
        setRow(row++, dayText(days[d].day), days[d], 1);
        addTotalsAfter(d);
    }
    addTotalsAfter(-1);
}

void SurveyCheckView::exportCsv()
{
    const QString path = chooseExportPath ? chooseExportPath(this) : QString();
    if (path.isEmpty())
        return;
    statusLabel->setText(exportCheckCsv(check(), path) ? QStringLiteral("已导出: %1").arg(path)
                                                       : QStringLiteral("导出失败: %1").arg(path));
}
