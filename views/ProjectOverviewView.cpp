#include "views/ProjectOverviewView.h"
#include "views/OverviewRainCells.h"

#include "data/SurveyCheck.h"

#include <QDate>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

using namespace lmv;
using namespace lmv::survey;

namespace {

const char *const kTitleStyle = "background-color: rgb(220, 220, 220); border: 1px solid rgb(180, 180, 180);";
const QString kWeekdays[] = {QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"),
                             QStringLiteral("四"), QStringLiteral("五"), QStringLiteral("六"),
                             QStringLiteral("日")};
// The background of the totals: what they sum is told by the cells, not by a colour.
const QColor kTotalColour(232, 236, 244);

QDate dateOfDay(qint64 day)
{
    return QDate(1970, 1, 1).addDays(day);
}

} // namespace

QColor overviewCoverageColour(double coverage, bool records)
{
    if (!records)
        return QColor(230, 230, 230);
    if (coverage >= 0.99)
        return QColor(180, 226, 180);
    if (coverage >= 0.9)
        return QColor(218, 238, 200);
    if (coverage >= 0.5)
        return QColor(255, 232, 150);
    return QColor(250, 180, 160);
}

QString overviewCellText(const OverviewCell &cell, Family family, qsizetype days)
{
    if (cell.records == 0)
        return QString();
    if (family == Family::Rva)
        return QString::number(cell.volumeM3, 'f', 1);
    return QString::number(cell.coverage(days) * 100.0, 'f', 0) + QLatin1Char('%');
}

void ProjectOverviewModel::setOverview(ProjectOverview overview)
{
    beginResetModel();
    m_overview = std::move(overview);
    endResetModel();
}

int ProjectOverviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_overview.rows.isEmpty()
               ? 0
               : int(m_overview.rows.size()) + 1 + int(m_overview.rain.size());
}

int ProjectOverviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || m_overview.rows.isEmpty() ? 0 : int(m_overview.dayCount()) + 1;
}

Family ProjectOverviewModel::totalsFamily() const
{
    for (const OverviewRow &row : m_overview.rows)
        if (row.family == Family::Rva)
            return Family::Rva;
    return Family::Rvb;
}

QVariant ProjectOverviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int points = int(m_overview.rows.size());
    const int days = int(m_overview.dayCount());
    const bool totalRow = index.row() == points;
    const bool totalColumn = index.column() == days;
    if (index.row() > points)
        return overviewRainData(m_overview.rain.value(index.row() - points - 1), index.column(), role);
    // The cell, its family and how many days (and points) its coverage is of.
    OverviewCell cell;
    Family family = totalsFamily();
    qsizetype coverDays = 1;
    if (!totalRow) {
        const OverviewRow &row = m_overview.rows[index.row()];
        family = row.family;
        cell = totalColumn ? row.total : row.days.value(index.column());
        coverDays = totalColumn ? days : 1;
    } else {
        cell = totalColumn ? m_overview.total : m_overview.dayTotals.value(index.column());
        coverDays = (totalColumn ? days : 1) * std::max(1, points);
    }
    const double coverage = cell.coverage(coverDays);
    switch (role) {
    case Qt::DisplayRole:
        return overviewCellText(cell, family, coverDays);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        return totalRow || totalColumn ? kTotalColour : overviewCoverageColour(coverage, cell.records > 0);
    case Qt::FontRole:
        if (totalRow || totalColumn) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole: {
        const QString who = totalRow ? QStringLiteral("全部测点") : m_overview.rows[index.row()].point;
        const QString when =
            totalColumn ? QStringLiteral("全部日期") : dayText(m_overview.firstDay + index.column());
        QString tip = QStringLiteral("%1  %2\n记录 %3 条  覆盖率 %4%")
                          .arg(who, when)
                          .arg(cell.records)
                          .arg(coverage * 100.0, 0, 'f', 1);
        if (family == Family::Rva)
            tip += QStringLiteral("\n水量 %1 m3").arg(cell.volumeM3, 0, 'f', 1);
        return tip;
    }
    default:
        return {};
    }
}

QVariant ProjectOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const int points = int(m_overview.rows.size());
    const int days = int(m_overview.dayCount());
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        if (section == points)
            return QStringLiteral("合计");
        if (section > points && section <= points + m_overview.rain.size())
            return overviewRainHeader(m_overview.rain[section - points - 1], role);
        if (section < 0 || section >= points)
            return {};
        const OverviewRow &row = m_overview.rows[section];
        if (role == Qt::ToolTipRole)
            return QStringLiteral("%1: %2 个文件, 未采用 %3 个, 拼接说明 %4 条")
                .arg(row.point)
                .arg(row.files)
                .arg(row.leftOut)
                .arg(row.findings);
        return row.point;
    }
    if (section == days)
        return role == Qt::DisplayRole ? QVariant(QStringLiteral("合计")) : QVariant();
    if (section < 0 || section >= days)
        return {};
    const QDate date = dateOfDay(m_overview.firstDay + section);
    if (role == Qt::DisplayRole)
        return date.toString(QStringLiteral("MM-dd")) + QLatin1Char('\n') + kWeekdays[date.dayOfWeek() - 1];
    if (role == Qt::ForegroundRole && date.dayOfWeek() >= 6)
        return QColor(190, 40, 40);
    if (role == Qt::ToolTipRole)
        return date.toString(Qt::ISODate);
    return {};
}

ProjectOverviewView::ProjectOverviewView(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    titleLabel = new QLabel(QStringLiteral("项目概览"), this);
    titleLabel->setFixedHeight(24);
    titleLabel->setFont(QFont(QStringLiteral("ADMUI3Lm"), 9, 87));
    titleLabel->setStyleSheet(QLatin1String(kTitleStyle));
    summaryLabel = new QLabel(this);
    summaryLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(titleLabel);
    bar->addWidget(summaryLabel, 1);
    layout->addLayout(bar);

    m_model = new ProjectOverviewModel(this);
    table = new QTableView(this);
    table->setModel(m_model);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Fixed sizes: 50 points × 12 weeks are laid out without measuring a cell. A day's column
    // holds a five-digit volume in bold.
    QFont bold = table->font();
    bold.setBold(true);
    m_dayWidth = QFontMetrics(bold).horizontalAdvance(QStringLiteral("88888.8")) + 14;
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setDefaultSectionSize(m_dayWidth);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(24);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setToolTip(QString());
    layout->addWidget(table, 1);

    legendLabel = new QLabel(this);
    QString legend = QStringLiteral("格内: 日水量(m3) 或 记录覆盖率(RVB)   颜色按覆盖率:");
    const std::pair<double, const char *> steps[] = {
        {1.0, "≥99%"}, {0.95, "≥90%"}, {0.6, "≥50%"}, {0.2, "&lt;50%"}};
    for (const auto &[coverage, text] : steps)
        legend += QStringLiteral(" <span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span> %2")
                      .arg(overviewCoverageColour(coverage, true).name(), QString::fromUtf8(text));
    legend += QStringLiteral(" <span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span> 无记录   "
                             "单击某日查看该测点当天的过程线, 单击测点名或合计查看整个调查")
                  .arg(overviewCoverageColour(0.0, false).name());
    legendLabel->setText(legend);
    legendLabel->setWordWrap(true);
    layout->addWidget(legendLabel);

    connect(table, &QTableView::clicked, this, &ProjectOverviewView::cellClicked);
    connect(table->verticalHeader(), &QHeaderView::sectionClicked, this, [this](int row) {
        if (row >= 0 && row < overview().rows.size())
            emit pointRequested(overview().rows[row].point);
    });
}

ProjectOverviewView::~ProjectOverviewView()
{
    // A computation still running reads only its own copy of the file list; it is waited for.
    for (QThread *thread : qAsConst(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void ProjectOverviewView::showProject(const ProjectFiles &project)
{
    const quint64 generation = ++m_generation;
    m_project = project.name;
    summaryLabel->setText(
        QStringLiteral("%1   正在读取 %2 个测点...").arg(project.name).arg(project.points.size()));
    auto result = std::make_shared<ProjectOverview>();
    QThread *thread = QThread::create([project, result] {
        *result = computeOverview(project);
        result->rain = overviewRain(project.indexPath, result->firstDay, result->dayCount());
    });
    m_threads << thread;
    ++m_pending;
    connect(thread, &QThread::finished, this, [this, thread, result, generation] {
        m_threads.removeOne(thread);
        thread->deleteLater();
        --m_pending;
        if (generation == m_generation)
            setOverview(std::move(*result));
    });
    thread->start();
}

void ProjectOverviewView::setOverview(ProjectOverview overview)
{
    m_project = overview.project;
    m_model->setOverview(std::move(overview));
    const ProjectOverview &o = m_model->overview();
    QString text = o.project;
    if (o.dayCount() > 0)
        text += QStringLiteral("   %1 个测点  %2 至 %3 (%4 天)  记录 %5 条")
                    .arg(o.rows.size())
                    .arg(dayText(o.firstDay), dayText(o.firstDay + o.dayCount() - 1))
                    .arg(o.dayCount())
                    .arg(o.total.records);
    else
        text += QStringLiteral("   没有可读的记录");
    if (m_model->totalsFamily() == Family::Rva)
        text += QStringLiteral("  合计水量 %1 m3").arg(o.total.volumeM3, 0, 'f', 1);
    summaryLabel->setText(text);
    table->horizontalHeader()->resizeSection(int(o.dayCount()), m_dayWidth * 3 / 2);
    emit overviewShown();
}

void ProjectOverviewView::clear()
{
    ++m_generation;
    m_project.clear();
    m_model->setOverview({});
    summaryLabel->clear();
}

void ProjectOverviewView::cellClicked(const QModelIndex &index)
{
    const ProjectOverview &o = overview();
    if (!index.isValid() || index.row() >= o.rows.size())
        return;
    const QString &point = o.rows[index.row()].point;
    if (index.column() < o.dayCount())
        emit dayRequested(point, o.firstDay + index.column());
    else
        emit pointRequested(point);
}
