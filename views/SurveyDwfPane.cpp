#include "views/SurveyDwfPane.h"
#include "views/TableFill.h"

#include "data/SurveyCheck.h"
#include "plots/Hydrograph.h"
#include "plots/LineItem.h"
#include "survey/DwfCsv.h"
#include "survey/ProjectDb.h"
#include "views/SurveyWindow.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_div.h>

#include <cmath>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QColor kWeekdayColour(33, 102, 172);
const QColor kWeekendColour(230, 120, 0);
const QColor kTraceColour(190, 190, 190);
// Seconds of the hydrograph shown before a storm when its row is activated.
constexpr qint64 kLeadSeconds = 6 * 3600;
const int kLineRtti = LineItem(QString()).rtti();

QString number(double v, int decimals)
{
    return std::isfinite(v) ? QString::number(v, 'f', decimals) : QStringLiteral("-");
}

QString weekdayName(qint64 day)
{
    static const char *const names[] = {"周一", "周二", "周三", "周四", "周五", "周六", "周日"};
    return QString::fromUtf8(names[weekdayOf(day) - 1]);
}

QDoubleSpinBox *spinIn(QWidget *parent, double low, double high, int decimals, const QString &suffix)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

// A line of the profile plot; untitled lines (the grey traces) stay out of the legend. The value
// axis follows the lines.
LineItem *curveOn(QwtPlot *plot, const QString &title, const QPen &pen, double z)
{
    auto *curve = new LineItem(title);
    curve->setItemAttribute(QwtPlotItem::Legend, !title.isEmpty());
    curve->setItemAttribute(QwtPlotItem::AutoScale, true);
    curve->setPen(pen);
    curve->setZ(z);
    curve->attach(plot);
    return curve;
}

// A profile's values against hours of the day; NaN slots are left out (the line joins across).
QVector<QPointF> hourPoints(const std::vector<double> &values, qint64 interval)
{
    QVector<QPointF> points;
    for (std::size_t s = 0; s < values.size(); ++s)
        if (std::isfinite(values[s]))
            points.push_back(QPointF(double(qint64(s) * interval) / 3600.0, values[s]));
    return points;
}

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

SurveyDwfPane::SurveyDwfPane(SurveyWindow *window) : QWidget(window), m_window(window)
{
    chooseExportPath = [](QWidget *owner) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("导出旱季流量"), QStringLiteral("./"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(buildLeft());
    // The figures, settings and days scroll together when the window is low.
    auto *scroll = new QScrollArea(split);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buildRight());
    scroll->setMinimumWidth(300);
    split->addWidget(scroll);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split);
    m_page = window->addPage(QStringLiteral("旱季流量"), this);
    connect(window, &SurveyWindow::surveyChanged, this, &SurveyDwfPane::surveyChanged);
}

SurveyDwfPane::~SurveyDwfPane() = default;

QWidget *SurveyDwfPane::buildLeft()
{
    auto *left = new QSplitter(Qt::Vertical);
    auto *top = new QWidget(left);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    quantityTabs = new QTabBar(top);
    quantityTabs->addTab(QStringLiteral("流量 (L/s)"));
    quantityTabs->addTab(QStringLiteral("液位 (m)"));
    quantityTabs->addTab(QStringLiteral("流速 (m/s)"));
    connect(quantityTabs, &QTabBar::currentChanged, this, [this] { drawProfiles(); });
    profilePlot = new QwtPlot(top);
    profilePlot->setCanvasBackground(Qt::white);
    profilePlot->setMinimumSize(200, 150); // below its own hint, so that the storms get room
    profilePlot->setAxisScale(QwtPlot::xBottom, 0.0, 24.0, 3.0);
    profilePlot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("时刻 (h)"));
    profilePlot->insertLegend(new QwtLegend, QwtPlot::TopLegend);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(225, 225, 225), 0.0, Qt::DotLine);
    grid->attach(profilePlot);
    topLayout->addWidget(quantityTabs);
    topLayout->addWidget(profilePlot, 1);

    auto *bottom = new QWidget(left);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto *title = new QHBoxLayout;
    title->addWidget(new QLabel(QStringLiteral("降雨入流入渗 (RDII)"), bottom));
    showOnHydrograph = new QCheckBox(QStringLiteral("过程线显示旱季流量和入流入渗"), bottom);
    showOnHydrograph->setChecked(true);
    connect(showOnHydrograph, &QCheckBox::toggled, this, [this] { drawOverlay(); });
    title->addStretch(1);
    title->addWidget(showOnHydrograph);
    bottomLayout->addLayout(title);
    eventsTable = new QTableWidget(0, 7, bottom);
    eventsTable->setHorizontalHeaderLabels({QStringLiteral("开始"), QStringLiteral("结束"),
                                            QStringLiteral("雨量(mm)"), QStringLiteral("入流入渗量(m³)"),
                                            QStringLiteral("峰值(L/s)"), QStringLiteral("历时(h)"),
                                            QStringLiteral("径流系数R")});
    eventsTable->verticalHeader()->hide();
    eventsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    eventsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    eventsTable->setToolTip(QStringLiteral("双击一场降雨, 在过程线上查看"));
    connect(eventsTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { eventActivated(row); });
    eventsSummary = new QLabel(bottom);
    eventsSummary->setWordWrap(true);
    bottomLayout->addWidget(eventsTable, 1);
    bottomLayout->addWidget(eventsSummary);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 2);
    left->setSizes({300, 200}); // the plot's own size hint would leave the storms a row or two
    return left;
}

QWidget *SurveyDwfPane::buildRight()
{
    auto *right = new QWidget;
    auto *layout = new QVBoxLayout(right);
    layout->setContentsMargins(0, 0, 0, 0);
    figuresLabel = new QLabel(right);
    figuresLabel->setWordWrap(true);
    figuresLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(figuresLabel);

    auto *form = new QFormLayout;
    antecedentEdit = spinIn(right, 0.0, 240.0, 0, QStringLiteral(" h"));
    maxRainEdit = spinIn(right, 0.1, 100.0, 1, QStringLiteral(" mm"));
    coverageEdit = spinIn(right, 0.0, 1.0, 2, QString());
    coverageEdit->setSingleStep(0.01);
    fenceEdit = spinIn(right, 0.1, 10.0, 1, QStringLiteral(" × IQR"));
    areaEdit = spinIn(right, 0.0, 1.0e6, 1, QStringLiteral(" ha"));
    areaEdit->setSpecialValueText(QStringLiteral("未设定"));
    responseEdit = spinIn(right, 1.0, 240.0, 0, QStringLiteral(" h"));
    holidaysEdit = new QLineEdit(right);
    holidaysEdit->setPlaceholderText(QStringLiteral("2024-05-01, 2024-05-02"));
    form->addRow(QStringLiteral("前期无雨时间"), antecedentEdit);
    form->addRow(QStringLiteral("雨量上限"), maxRainEdit);
    form->addRow(QStringLiteral("最低覆盖率"), coverageEdit);
    form->addRow(QStringLiteral("异常值判别"), fenceEdit);
    form->addRow(QStringLiteral("节假日(按周末)"), holidaysEdit);
    form->addRow(QStringLiteral("汇水面积"), areaEdit);
    form->addRow(QStringLiteral("响应时间"), responseEdit);
    layout->addLayout(form);
    applyButton = new QPushButton(QStringLiteral("应用并保存设置"), right);
    connect(applyButton, &QPushButton::clicked, this, &SurveyDwfPane::applySettings);
    layout->addWidget(applyButton);
    exportButton = new QPushButton(QStringLiteral("导出 CSV"), right);
    connect(exportButton, &QPushButton::clicked, this, &SurveyDwfPane::exportCsv);
    layout->addWidget(exportButton);
    statusLabel = new QLabel(right);
    statusLabel->setWordWrap(true);
    layout->addWidget(statusLabel);

    layout->addWidget(new QLabel(QStringLiteral("日期 (旱天判定)"), right));
    daysList = new QListWidget(right);
    connect(daysList, &QListWidget::itemChanged, this, &SurveyDwfPane::dayChanged);
    daysList->setMinimumHeight(160);
    layout->addWidget(daysList, 1);
    return right;
}

void SurveyDwfPane::surveyChanged()
{
    const SurveyLayer &layer = m_window->content().layer();
    const bool flow = m_window->content().loaded() && layer.family == Family::Rva;
    m_window->setPageAvailable(m_page, flow);
    if (!flow) {
        m_result = {};
        m_overlay.clear();
        return;
    }
    QStringList problems;
    const ProjectDb none{QString()};
    const ProjectDb &db = m_window->database() ? *m_window->database() : none;
    m_settings = PointDwfSettings::load(db, m_window->content().target().point.name, &problems);
    fillSettings();
    compute();
    if (!problems.isEmpty())
        statusLabel->setText(problems.join(QLatin1Char('\n')));
}

void SurveyDwfPane::refresh()
{
    surveyChanged();
}

void SurveyDwfPane::compute()
{
    const ProjectDb none{QString()};
    const ProjectDb &db = m_window->database() ? *m_window->database() : none;
    m_result = pointDwf(m_window->content().layer(), db, m_window->content().target().point.name, m_settings);
    statusLabel->setText(m_result.problems.join(QLatin1Char('\n')));
    drawProfiles();
    fillFigures();
    fillDays();
    fillEvents();
    drawOverlay();
    emit refreshed();
}

void SurveyDwfPane::fillSettings()
{
    antecedentEdit->setValue(m_settings.dry.antecedentHours);
    maxRainEdit->setValue(m_settings.dry.maxRainMm);
    coverageEdit->setValue(m_settings.dry.minCoverage);
    fenceEdit->setValue(m_settings.dry.fenceIqr);
    areaEdit->setValue(std::isfinite(m_settings.rdii.areaHa) ? m_settings.rdii.areaHa : 0.0);
    responseEdit->setValue(m_settings.rdii.responseHours);
    holidaysEdit->setText(
        dayListText(m_settings.dry.holidays).replace(QLatin1Char(','), QStringLiteral(", ")));
}

void SurveyDwfPane::drawProfiles()
{
    profilePlot->detachItems(kLineRtti, true);
    const DryWeatherResult &d = m_result.dwf;
    const int quantity = quantityTabs->currentIndex();
    const auto valuesOf = [quantity](const DiurnalProfile &p) -> const std::vector<double> & {
        return quantity == 1 ? p.level : quantity == 2 ? p.velocity : p.flow;
    };
    // The dry days' own flows in grey under the profiles (flow only: the traces keep flow).
    if (quantity == 0)
        for (const DayTrace &t : d.traces) {
            const std::vector<double> values(t.flow.begin(), t.flow.end());
            LineItem *c = curveOn(profilePlot, QString(), QPen(kTraceColour, 1.0), 1.0);
            c->setSamples(hourPoints(values, d.intervalSeconds));
        }
    for (const DiurnalProfile *p : {&d.weekday, &d.weekend}) {
        if (!p->present())
            continue;
        const bool weekend = p->group == DayGroup::Weekend;
        LineItem *c = curveOn(profilePlot,
                              QStringLiteral("%1 (%2 天)")
                                  .arg(weekend ? QStringLiteral("周末") : QStringLiteral("工作日"))
                                  .arg(p->days.size()),
                              QPen(weekend ? kWeekendColour : kWeekdayColour, 2.0), 10.0);
        c->setSamples(hourPoints(valuesOf(*p), d.intervalSeconds));
    }
    profilePlot->setAxisTitle(QwtPlot::yLeft, quantityTabs->tabText(quantity));
    profilePlot->replot();
}

void SurveyDwfPane::fillFigures()
{
    const DryWeatherResult &d = m_result.dwf;
    const DwfFigures &f = d.figures;
    QString html = QStringLiteral("<b>雨量计:</b> %1<br>")
                       .arg(m_result.gauge ? m_result.gauge->name.toHtmlEscaped()
                                           : QStringLiteral("无 (旱天在下方列表中勾选)"));
    html += QStringLiteral("<b>旱天:</b> 工作日 %1 天, 周末 %2 天<br>")
                .arg(d.weekday.days.size())
                .arg(d.weekend.days.size());
    html += QStringLiteral("<b>平均旱季流量 ADWF:</b> %1 L/s<br>").arg(number(f.adwf, 2));
    html += QStringLiteral("<b>最小夜间流量 MNF:</b> %1 L/s<br>").arg(number(f.mnf, 2));
    html += QStringLiteral("<b>峰值系数:</b> %1<br>").arg(number(f.peakFactor, 2));
    html += QStringLiteral("<b>地下水入渗 GWI:</b> %1 L/s (%2% ADWF)<br>")
                .arg(number(f.gwi, 2), number(f.gwiShare() * 100.0, 1));
    html += QStringLiteral("<b>基础污水量:</b> %1 L/s (%2% ADWF)")
                .arg(number(f.baseSanitary, 2), number(f.baseShare() * 100.0, 1));
    for (const QString &note : d.notes)
        html += QStringLiteral("<br><font color=#b05000>注: %1</font>").arg(note.toHtmlEscaped());
    figuresLabel->setText(html);
}

void SurveyDwfPane::fillDays()
{
    m_filling = true;
    daysList->clear();
    const bool choose = !m_result.gauge;
    for (const DayStatus &d : m_result.dwf.days) {
        auto *item = new QListWidgetItem(
            QStringLiteral("%1 %2  %3").arg(dayText(d.day), weekdayName(d.day), dayReasonText(d)), daysList);
        item->setData(Qt::UserRole, d.day);
        if (d.dry())
            item->setForeground(QColor(0, 120, 40));
        // List items are checkable by default: only days the user decides get a box.
        item->setFlags(choose ? item->flags() | Qt::ItemIsUserCheckable
                              : item->flags() & ~Qt::ItemIsUserCheckable);
        if (choose) {
            const bool chosen =
                std::binary_search(m_settings.chosenDays.begin(), m_settings.chosenDays.end(), d.day);
            item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
        }
    }
    m_filling = false;
}

void SurveyDwfPane::fillEvents()
{
    const RdiiResult &r = m_result.rdii;
    const ColumnsMeasuredOnce measure(eventsTable);
    eventsTable->setRowCount(int(r.events.size()));
    for (int row = 0; row < int(r.events.size()); ++row) {
        const RdiiEvent &e = r.events[std::size_t(row)];
        const QStringList texts{clockText(e.start),      clockText(e.end),
                                number(e.depthMm, 1),    number(e.volumeM3, 1),
                                number(e.peakRdii, 2),   number(double(e.durationSeconds()) / 3600.0, 1),
                                number(e.runoffRatio, 3)};
        for (int c = 0; c < texts.size(); ++c)
            eventsTable->setItem(row, c, cell(texts[c]));
    }
    QString text;
    if (!m_result.gauge)
        text = QStringLiteral("测点未分配雨量计, 无法计算降雨入流入渗。");
    else if (r.events.empty())
        text = QStringLiteral("监测期间没有降雨事件。");
    else {
        const RdiiSummary &s = r.summary;
        text = s.withRatio > 0
                   ? QStringLiteral("径流系数 R 平均 %1 (%2 ~ %3)")
                         .arg(number(s.meanRatio, 3), number(s.minRatio, 3), number(s.maxRatio, 3))
                   : QStringLiteral("径流系数 R: 请设定汇水面积");
        if (s.largest >= 0) {
            const RdiiEvent &big = r.events[std::size_t(s.largest)];
            text += QStringLiteral("; 最大一场 %1, %2 m³").arg(clockText(big.start), number(big.volumeM3, 1));
        }
    }
    for (const QString &note : r.notes)
        text += QStringLiteral("\n注: %1").arg(note);
    eventsSummary->setText(text);
}

void SurveyDwfPane::drawOverlay()
{
    if (!showOnHydrograph->isChecked() || m_window->content().layer().empty()) {
        m_overlay.clear();
        return;
    }
    const SurveyLayer &layer = m_window->content().layer();
    QVector<QVector<BandPoint>> bands;
    for (const RdiiEvent &e : m_result.rdii.events)
        bands.push_back(rdiiBand(layer, m_result.dwf, e));
    m_overlay.show(m_window->hydrograph,
                   dwfProfileLines(m_result.dwf, layer.times.front(), layer.times.back()), bands,
                   double(refreshUnitFactors().flow));
}

bool SurveyDwfPane::store(const QString &what)
{
    ProjectDb *db = m_window->database();
    QString error;
    if (!db) {
        statusLabel->setText(
            QStringLiteral("%1已应用; 单独打开的数据文件没有项目数据库, 设置不会保存").arg(what));
        return false;
    }
    if (!m_settings.save(*db, m_window->content().target().point.name, &error)) {
        statusLabel->setText(QStringLiteral("%1已应用, 但未能保存: %2").arg(what, error));
        return false;
    }
    statusLabel->setText(QStringLiteral("%1已保存").arg(what));
    return true;
}

void SurveyDwfPane::applySettings()
{
    PointDwfSettings next = m_settings;
    next.dry.antecedentHours = antecedentEdit->value();
    next.dry.maxRainMm = maxRainEdit->value();
    next.dry.minCoverage = coverageEdit->value();
    next.dry.fenceIqr = fenceEdit->value();
    next.rdii.areaHa = areaEdit->value();
    next.rdii.responseHours = responseEdit->value();
    if (!parseDayList(holidaysEdit->text(), next.dry.holidays)) {
        statusLabel->setText(QStringLiteral("节假日应写作 yyyy-MM-dd, 以逗号分隔"));
        return;
    }
    if (const QString why = next.problem(); !why.isEmpty()) {
        statusLabel->setText(why);
        return;
    }
    m_settings = next;
    compute();
    store(QStringLiteral("设置"));
}

void SurveyDwfPane::dayChanged(QListWidgetItem *item)
{
    if (m_filling || !item || !(item->flags() & Qt::ItemIsUserCheckable))
        return;
    const qint64 day = item->data(Qt::UserRole).toLongLong();
    std::vector<qint64> &chosen = m_settings.chosenDays;
    const auto at = std::lower_bound(chosen.begin(), chosen.end(), day);
    const bool listed = at != chosen.end() && *at == day;
    if (item->checkState() == Qt::Checked && !listed)
        chosen.insert(at, day);
    else if (item->checkState() != Qt::Checked && listed)
        chosen.erase(at);
    else
        return;
    compute();
    store(QStringLiteral("旱天选择"));
}

void SurveyDwfPane::eventActivated(int row)
{
    const std::vector<RdiiEvent> &events = m_result.rdii.events;
    if (row < 0 || row >= int(events.size()))
        return;
    const RdiiEvent &e = events[std::size_t(row)];
    m_window->showPage(SurveyWindow::HydrographPage);
    m_window->hydrograph->setTimeRange(double(e.start - kLeadSeconds), double(e.windowEnd));
}

void SurveyDwfPane::exportCsv()
{
    const QString path = chooseExportPath ? chooseExportPath(this) : QString();
    if (path.isEmpty())
        return;
    statusLabel->setText(writeDwfCsv(m_window->content().target().point.name, m_result, path)
                             ? QStringLiteral("已导出: %1").arg(path)
                             : QStringLiteral("导出失败: %1").arg(path));
}
