#include "views/SurveyWindow.h"
#include "views/SurveyRain.h"
#include "views/TableFill.h"

#include "data/Hydraulics.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"
#include "plots/SurveyPlotData.h"
#include "survey/ProjectDb.h"
#include "views/SurveyCheckLink.h"
#include "views/SurveyCheckView.h"
#include "views/SurveyEditPane.h"
#include "views/VisitPanel.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace lmv;
using namespace lmv::survey;

namespace {

const char *const kTitleStyle = "background-color: rgb(220, 220, 220); border: 1px solid rgb(180, 180, 180);";
const QColor kBoundaryColour(120, 60, 160);
const QColor kVisitColour(230, 30, 30);
// Records of different pipes on the scattergraph: the first pipe blue, then orange, green...
const QColor kPipeColours[] = {QColor(33, 102, 172), QColor(230, 120, 0), QColor(0, 150, 60),
                               QColor(200, 30, 120), QColor(120, 80, 40), QColor(90, 90, 90)};
// Where a file row keeps its file's path, and a join note the time range it is about.
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kStartRole = Qt::UserRole + 2;
constexpr int kEndRole = Qt::UserRole + 3;
// The minute typed as the end of a period counts whole.
constexpr qint64 kEndOfMinute = 59;

QFont titleFont()
{
    return QFont(QStringLiteral("ADMUI3Lm"), 9, 87);
}

QLabel *titleLabelIn(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFixedHeight(24);
    label->setFont(titleFont());
    label->setStyleSheet(QLatin1String(kTitleStyle));
    return label;
}

QDateTimeEdit *timeEditIn(QWidget *parent)
{
    auto *edit = new QDateTimeEdit(parent);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    edit->setCalendarPopup(true);
    return edit;
}

QDateTime clockDateTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QTableWidgetItem *cellItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

} // namespace

SurveyWindow::SurveyWindow(QWidget *parent) : QWidget(parent)
{
    warn = [this](const QString &title, const QString &text) {
        QMessageBox::warning(this, title, text, QMessageBox::Ok);
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);
    splitter = new QSplitter(Qt::Vertical, this);
    layout->addWidget(splitter);
    buildUpper();
    buildLower();
    splitter->setSizes({250, 474});
    rain = new SurveyRain(this);
    editPane = new SurveyEditPane(this);
    clear();
}

SurveyWindow::~SurveyWindow() = default;

void SurveyWindow::buildUpper()
{
    auto *upper = new QWidget(splitter);
    auto *layout = new QVBoxLayout(upper);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto *titleBar = new QHBoxLayout;
    titleBar->setSpacing(2);
    titleLabel = titleLabelIn(QStringLiteral("监测点调查"), upper);
    summaryLabel = new QLabel(upper);
    summaryLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    titleBar->addWidget(titleLabel);
    titleBar->addWidget(summaryLabel, 1);
    layout->addLayout(titleBar);

    upperTabs = new QTabWidget(upper);
    // The period sits beside the tabs: it governs them and every view below.
    auto *periodBox = new QWidget(upperTabs);
    auto *periodBar = new QHBoxLayout(periodBox);
    periodBar->setContentsMargins(2, 0, 2, 2);
    fromEdit = timeEditIn(periodBox);
    toEdit = timeEditIn(periodBox);
    applyPeriodButton = new QPushButton(QStringLiteral("应用时段"), periodBox);
    wholePeriodButton = new QPushButton(QStringLiteral("全部时间"), periodBox);
    periodBar->addWidget(new QLabel(QStringLiteral("时段:"), periodBox));
    periodBar->addWidget(fromEdit);
    periodBar->addWidget(new QLabel(QStringLiteral("至"), periodBox));
    periodBar->addWidget(toEdit);
    periodBar->addWidget(applyPeriodButton);
    periodBar->addWidget(wholePeriodButton);
    upperTabs->setCornerWidget(periodBox, Qt::TopRightCorner);
    connect(applyPeriodButton, &QPushButton::clicked, this, &SurveyWindow::applyPeriodEdits);
    connect(wholePeriodButton, &QPushButton::clicked, this, [this] { setPeriod({}); });

    auto *filesPage = new QSplitter(Qt::Horizontal, upperTabs);
    filesTable = new QTableWidget(0, 8, filesPage);
    filesTable->setHorizontalHeaderLabels({QStringLiteral("文件"), QStringLiteral("开始时间"),
                                           QStringLiteral("结束时间"), QStringLiteral("记录数"),
                                           QStringLiteral("采用"), QStringLiteral("间隔(s)"),
                                           QStringLiteral("管道"), QStringLiteral("说明")});
    filesTable->verticalHeader()->hide();
    filesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    filesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    filesTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    filesTable->horizontalHeader()->setStretchLastSection(true);
    filesTable->setToolTip(QStringLiteral("双击打开该文件"));
    notesList = new QListWidget(filesPage);
    notesList->setWordWrap(true);
    notesList->setToolTip(QStringLiteral("单击在过程线上定位"));
    filesPage->setStretchFactor(0, 3);
    filesPage->setStretchFactor(1, 2);
    filesPage->setSizes({600, 300});
    upperTabs->addTab(filesPage, QStringLiteral("文件"));
    visitPanel = new VisitPanel(upperTabs);
    upperTabs->addTab(visitPanel, QStringLiteral("现场记录"));
    layout->addWidget(upperTabs, 1);

    connect(filesTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const QTableWidgetItem *item = filesTable->item(row, 0);
        const QString path = item ? item->data(kPathRole).toString() : QString();
        if (!path.isEmpty())
            emit recordRequested(path, 0);
    });
    connect(notesList, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (!item || !item->data(kStartRole).isValid())
            return;
        const qint64 start = item->data(kStartRole).toLongLong();
        const qint64 end = item->data(kEndRole).toLongLong();
        const auto [from, to] = findingViewRange(start, end, m_content.layer().intervalSeconds);
        showPage(HydrographPage);
        hydrograph->setTimeRange(double(from), double(to));
        hydrograph->showTime(start);
    });
    connect(visitPanel, &VisitPanel::visitsChanged, this, &SurveyWindow::drawVisitMarks);
    connect(visitPanel, &VisitPanel::writeFailed, this, &SurveyWindow::databaseBecameReadOnly);
    connect(visitPanel, &VisitPanel::visitSelected, this, [this](qint64 time) {
        if (pageIndex() != HydrographPage || hydrograph->viewTo() - hydrograph->viewFrom() <= 0)
            return;
        hydrograph->showTime(time);
    });
    visitPanel->suggestedTime = [this]() -> qint64 {
        const qsizetype a = hydrograph->cursorRecord(Hydrograph::Cursor::A);
        if (a >= 0 && a < m_content.layer().size())
            return m_content.layer().times[std::size_t(a)];
        return m_content.lastTime() > 0 ? m_content.lastTime() : QDateTime::currentSecsSinceEpoch();
    };
}

void SurveyWindow::buildLower()
{
    auto *lower = new QWidget(splitter);
    auto *layout = new QVBoxLayout(lower);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pageBar = new QWidget(lower);
    auto *bar = new QHBoxLayout(pageBar);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(2);
    bar->addWidget(titleLabelIn(QStringLiteral("调查明细"), pageBar));
    statusLabel = new QLabel(pageBar);
    statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // Page buttons go between the title and the status line.
    bar->addWidget(statusLabel, 1);
    pages = new QStackedWidget(lower);
    pageButtons = new QButtonGroup(pageBar);
    pageButtons->setExclusive(true);
    layout->addWidget(pageBar);
    layout->addWidget(pages, 1);

    hydrographPage = new QWidget;
    hydrographLayout = new QVBoxLayout(hydrographPage);
    hydrographLayout->setContentsMargins(0, 0, 0, 0);
    hydrographLayout->setSpacing(0);
    hydrograph = new Hydrograph(hydrographPage);
    hydrographLayout->addWidget(hydrograph, 1);
    addPage(QStringLiteral("过程线"), hydrographPage);
    scattergraph = new Scattergraph;
    scattergraph->panel()->setSedimentEditEnabled(false);
    addPage(QStringLiteral("散点图"), scattergraph);
    checkView = new SurveyCheckView;
    // Weeks of days want more room beside the findings than one file's few days do.
    if (auto *split = checkView->findChild<QSplitter *>()) {
        split->setStretchFactor(0, 2);
        split->setStretchFactor(1, 3);
    }
    addPage(QStringLiteral("数据检查"), checkView);
    pageButtons->button(HydrographPage)->setChecked(true);
    connect(pageButtons, &QButtonGroup::idClicked, this, &SurveyWindow::showPage);

    connect(hydrograph, &Hydrograph::recordDoubleClicked, this,
            [this](qint64 record) { layerRecordRequested(qsizetype(record)); });
    connect(scattergraph, &Scattergraph::recordDoubleClicked, this,
            [this](qsizetype record) { layerRecordRequested(record); });
    connect(checkView, &SurveyCheckView::recordRequested, this,
            [this](int record) { layerRecordRequested(record); });
    connect(hydrograph, &Hydrograph::timeRangeSelected, this, [this](qint64 from, qint64 to) {
        if (!m_content.layer().empty())
            scattergraph->setTimeRange(from, to);
    });
    connect(checkView, &SurveyCheckView::findingSelected, this, [this](qint64 start, qint64 end) {
        const auto [from, to] = findingViewRange(start, end, m_content.layer().intervalSeconds);
        hydrograph->setTimeRange(double(from), double(to));
        hydrograph->showTime(start);
        checkView->statusLabel->setText(QStringLiteral("过程线已定位到 %1").arg(clockText(start)));
    });
}

int SurveyWindow::addPage(const QString &buttonText, QWidget *page)
{
    if (!page)
        return -1;
    const int index = pages->addWidget(page);
    auto *button = new QPushButton(buttonText, pageBar);
    button->setCheckable(true);
    button->setFixedHeight(24);
    button->setFont(titleFont());
    button->setMinimumWidth(100);
    pageButtons->addButton(button, index);
    // Before the status line, the bar's last item.
    auto *bar = static_cast<QHBoxLayout *>(pageBar->layout());
    bar->insertWidget(bar->count() - 1, button);
    return index;
}

void SurveyWindow::showPage(int index)
{
    if (index < 0 || index >= pages->count())
        return;
    if (!pageAvailable(index))
        index = HydrographPage;
    pages->setCurrentIndex(index);
    if (QAbstractButton *button = pageButtons->button(index))
        button->setChecked(true);
    pageShown(index);
}

int SurveyWindow::pageIndex() const
{
    return pages->currentIndex();
}

void SurveyWindow::setPageAvailable(int index, bool available)
{
    if (QAbstractButton *button = pageButtons->button(index))
        button->setVisible(available);
    if (!available && pageIndex() == index)
        showPage(HydrographPage);
}

bool SurveyWindow::pageAvailable(int index) const
{
    const QAbstractButton *button = pageButtons->button(index);
    return button && !button->isHidden();
}

void SurveyWindow::pageShown(int index)
{
    if (index == ScatterPage && m_scatterStale)
        drawScatter();
}

void SurveyWindow::showSurvey(const SurveyTarget &target, const SurveyPeriod &period)
{
    openDatabase(target.indexPath);
    m_content.load(target, period, m_db.get());
    showContent();
}

void SurveyWindow::setPeriod(const SurveyPeriod &period)
{
    if (!m_content.loaded())
        return;
    m_content.load(m_content.target(), period, m_db.get());
    showContent();
}

void SurveyWindow::reload()
{
    if (m_content.loaded())
        setPeriod(m_content.period());
}

void SurveyWindow::clear()
{
    m_content.clear();
    m_db.reset();
    visitPanel->setPoint(nullptr, {}, nullptr);
    hydrograph->clear();
    scattergraph->clear();
    checkView->showSurveyCheck({}, {}, {});
    filesTable->setRowCount(0);
    notesList->clear();
    summaryLabel->clear();
    statusLabel->clear();
    m_scatterStale = false;
    if (rain)
        rain->clear();
}

void SurveyWindow::setLayerProvider(SurveyContent::LayerProvider provider)
{
    m_content.setLayerProvider(std::move(provider));
    refreshLayer();
}

void SurveyWindow::refreshLayer()
{
    if (!m_content.loaded())
        return;
    m_content.refreshEdits();
    showContent();
}

void SurveyWindow::setLayerChoice(LayerChoice choice)
{
    m_content.setLayerChoice(choice);
    if (m_content.loaded())
        showContent();
}

void SurveyWindow::openDatabase(const QString &index)
{
    // A new connection for every point shown: what another window or lmvtool stored since is read.
    m_db = index.isEmpty() ? nullptr : std::make_unique<ProjectDb>(ProjectDb::pathFor(index));
}

void SurveyWindow::databaseBecameReadOnly()
{
    if (!m_db || !m_db->readOnly())
        return;
    visitPanel->setWritable(false, m_db->message());
    // Told once per run and database, however often its points are shown.
    if (m_warnedDatabases.contains(m_db->path()))
        return;
    m_warnedDatabases.insert(m_db->path());
    if (warn)
        warn(QStringLiteral("项目数据库"), m_db->message());
}

void SurveyWindow::showContent()
{
    m_factors = refreshUnitFactors();
    fillSummary();
    fillPeriodEdits();
    fillFiles();
    const bool rva = m_content.layer().family == Family::Rva;
    setPageAvailable(ScatterPage, rva);
    checkView->showSurveyCheck(m_content.shownCheck(), m_content.figures().days, m_content.totalRows());
    visitPanel->setPoint(
        m_db.get(), m_content.target().point.name, &m_content.layer(),
        QStringLiteral("单独打开的数据文件没有项目数据库, 不能记录现场记录; 请打开项目索引文件"));
    databaseBecameReadOnly();
    drawHydrograph();
    m_scatterStale = true;
    if (pageIndex() == ScatterPage)
        drawScatter();
    statusLabel->clear();
    emit surveyChanged();
}

void SurveyWindow::fillSummary()
{
    const SurveyLayer &layer = m_content.layer();
    const SurveyTarget &t = m_content.target();
    QString text = QStringLiteral("%1 / %2").arg(t.project, t.point.name);
    if (layer.empty()) {
        text += QStringLiteral("   没有可读的记录");
    } else {
        text += QStringLiteral("   %1 个文件  记录 %2 条  %3 至 %4")
                    .arg(qsizetype(layer.sources.size()))
                    .arg(layer.size())
                    .arg(clockText(layer.times.front()), clockText(layer.times.back()));
        if (layer.family == Family::Rva)
            text += QStringLiteral("  合计水量 %1 m3").arg(m_content.figures().total.volumeM3, 0, 'f', 1);
    }
    if (!m_content.joined().leftOut.isEmpty())
        text += QStringLiteral("  未采用 %1 个文件").arg(m_content.joined().leftOut.size());
    summaryLabel->setText(text);
    summaryLabel->setToolTip(text);
}

void SurveyWindow::fillPeriodEdits()
{
    const SurveyPeriod &p = m_content.period();
    const qint64 from = p.from ? *p.from : m_content.firstTime();
    const qint64 to = p.to ? *p.to : m_content.lastTime();
    fromEdit->setDateTime(clockDateTime(from));
    toEdit->setDateTime(clockDateTime(to));
    wholePeriodButton->setEnabled(p.from || p.to);
}

void SurveyWindow::applyPeriodEdits()
{
    SurveyPeriod period;
    period.from = fromEdit->dateTime().toSecsSinceEpoch();
    period.to = toEdit->dateTime().toSecsSinceEpoch() + kEndOfMinute;
    if (*period.to < *period.from) {
        statusLabel->setText(QStringLiteral("时段的结束早于开始"));
        return;
    }
    setPeriod(period);
}

void SurveyWindow::fillFiles()
{
    const QVector<SurveyFileRow> rows = m_content.fileRows();
    const ColumnsMeasuredOnce measure(filesTable);
    filesTable->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const SurveyFileRow &f = rows[r];
        const QString none = QStringLiteral("-");
        const QStringList texts = {f.name,
                                   f.leftOut ? none : clockText(f.start),
                                   f.leftOut ? none : clockText(f.end),
                                   f.leftOut ? none : QString::number(f.records),
                                   f.leftOut ? QStringLiteral("未采用") : QString::number(f.used),
                                   f.leftOut ? none : QString::number(f.interval),
                                   f.pipe,
                                   f.note};
        for (int c = 0; c < texts.size(); ++c) {
            QTableWidgetItem *item = cellItem(texts[c]);
            if (f.leftOut)
                item->setForeground(QColor(200, 0, 0));
            filesTable->setItem(r, c, item);
        }
        filesTable->item(r, 7)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        filesTable->item(r, 7)->setToolTip(f.note);
        if (!f.leftOut)
            filesTable->item(r, 0)->setData(kPathRole, f.path);
    }
    notesList->clear();
    const QStringList notes = m_content.joinNotes();
    const QVector<JoinFinding> &findings = m_content.joined().findings;
    // The first note sums duplicates and conflicts when there are any; the rest are the findings.
    const int offset = int(notes.size() - findings.size());
    for (int i = 0; i < notes.size(); ++i) {
        auto *item = new QListWidgetItem(notes[i], notesList);
        item->setToolTip(notes[i]);
        if (i >= offset) {
            item->setData(kStartRole, findings[i - offset].start);
            item->setData(kEndRole, findings[i - offset].end);
        }
    }
    if (notes.isEmpty())
        new QListWidgetItem(QStringLiteral("各文件首尾相接, 无重叠、冲突或管道变化"), notesList);
}

void SurveyWindow::drawHydrograph()
{
    const SurveyLayer &layer = m_content.layer();
    hydrograph->setData(surveyLayerPlotData(layer, m_factors, RvaUnitLabels));
    hydrograph->setTimeMarks(FileBoundaryMarks, kBoundaryColour, fileBoundaries(layer));
    drawVisitMarks();
}

void SurveyWindow::drawVisitMarks()
{
    QVector<QPointF> levels, velocities;
    for (const Visit &v : visitPanel->visits()) {
        if (v.withdrawn)
            continue;
        if (v.manualDepthMm)
            levels.push_back(QPointF(double(v.time), *v.manualDepthMm / 1000.0 * m_factors.level));
        if (v.manualVelocity)
            velocities.push_back(QPointF(double(v.time), *v.manualVelocity * m_factors.velocity));
    }
    hydrograph->setPointMarks(VisitLevelMarks, QStringLiteral("level"), kVisitColour, levels);
    hydrograph->setPointMarks(VisitVelocityMarks, QStringLiteral("velocity"), kVisitColour, velocities);
}

void SurveyWindow::drawScatter()
{
    m_scatterStale = false;
    const SurveyLayer &layer = m_content.layer();
    if (layer.family != Family::Rva || layer.empty()) {
        scattergraph->clear();
        return;
    }
    // The curves are drawn for the pipe of the latest file; the records of others are marked.
    const PipeSaveIntoTfType &pipe = layer.sources.back().header.point;
    std::shared_ptr<const PlotData> series = hydrograph->data();
    if (!series)
        series = surveyLayerPlotData(layer, m_factors, RvaUnitLabels);
    scattergraph->setSurvey(series, pipeGeometryFrom(pipe), m_factors.level, m_factors.velocity);
    PipeGroups groups = pipeGroups(layer);
    if (groups.pipes.isEmpty())
        return;
    QVector<QColor> colours;
    QStringList names;
    for (int g = 0; g < groups.pipes.size(); ++g) {
        colours.push_back(kPipeColours[g % int(std::size(kPipeColours))]);
        names << pipeDescription(groups.pipes[g]);
    }
    names.last() += QStringLiteral(" (曲线按此管道)");
    scattergraph->setRecordGroups(std::make_shared<const std::vector<quint8>>(std::move(groups.group)),
                                  colours, names);
}

void SurveyWindow::layerRecordRequested(qsizetype index)
{
    const RecordSource source = m_content.recordSource(index);
    if (source.path.isEmpty())
        return;
    statusLabel->setText(QStringLiteral("打开 %1 第 %2 条记录").arg(source.name).arg(source.record + 1));
    emit recordRequested(source.path, source.record);
}

void SurveyWindow::showDay(qint64 day)
{
    if (!m_content.loaded())
        return;
    showPage(HydrographPage);
    hydrograph->setTimeRange(double(day * 86400), double((day + 1) * 86400));
    const QString text = dayText(day);
    for (int row = 0; row < checkView->daysTable->rowCount(); ++row) {
        const QTableWidgetItem *item = checkView->daysTable->item(row, 0);
        if (item && item->text() == text) {
            checkView->daysTable->selectRow(row);
            checkView->daysTable->scrollToItem(item);
            break;
        }
    }
    statusLabel->setText(QStringLiteral("显示 %1").arg(text));
}
