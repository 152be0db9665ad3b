#include "views/StormEventsPage.h"
#include "views/TableFill.h"

#include "survey/ProjectDb.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace lmv::survey;

namespace {

// Keys of the thresholds among a point's settings.
const QString kInterEventKey = QStringLiteral("rain.interEventHours");
const QString kMinDepthKey = QStringLiteral("rain.minDepthMm");
const QString kVerifyDepthKey = QStringLiteral("rain.verifyDepthMm");
const QString kVerifyPeakKey = QStringLiteral("rain.verifyPeak5MmPerHour");

QString timeText(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString numberText(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

QString peakText(const std::optional<double> &peak)
{
    return peak ? numberText(*peak) : QStringLiteral("-");
}

} // namespace

QPair<qint64, qint64> stormEventViewRange(const StormEvent &event)
{
    const qint64 margin = std::max<qint64>(3600, (event.end - event.start) / 2);
    return {event.start - margin, event.end + margin};
}

StormEventOptions storedStormEventOptions(const ProjectDb *db, const QString &point)
{
    StormEventOptions options;
    if (!db)
        return options;
    StormEventOptions stored = options;
    stored.interEventHours = db->realSetting(point, kInterEventKey).value_or(options.interEventHours);
    stored.minDepthMm = db->realSetting(point, kMinDepthKey).value_or(options.minDepthMm);
    stored.verifyDepthMm = db->realSetting(point, kVerifyDepthKey).value_or(options.verifyDepthMm);
    stored.verifyPeak5MmPerHour =
        db->realSetting(point, kVerifyPeakKey).value_or(options.verifyPeak5MmPerHour);
    // Settings another program wrote out of range are not used.
    return stormEventOptionsProblem(stored).isEmpty() ? stored : options;
}

bool storeStormEventOptions(ProjectDb *db, const QString &point, const StormEventOptions &options,
                            QString *error)
{
    if (!db)
        return false;
    return db->setRealSetting(point, kInterEventKey, options.interEventHours, error) &&
           db->setRealSetting(point, kMinDepthKey, options.minDepthMm, error) &&
           db->setRealSetting(point, kVerifyDepthKey, options.verifyDepthMm, error) &&
           db->setRealSetting(point, kVerifyPeakKey, options.verifyPeak5MmPerHour, error);
}

StormEventsPage::StormEventsPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    summaryLabel = new QLabel(this);
    layout->addWidget(summaryLabel);

    auto *bar = new QHBoxLayout;
    auto box = [this, bar](const QString &label, double low, double high, int decimals,
                           const QString &suffix) {
        auto *spin = new QDoubleSpinBox(this);
        spin->setRange(low, high);
        spin->setDecimals(decimals);
        spin->setSuffix(suffix);
        spin->setKeyboardTracking(false);
        bar->addWidget(new QLabel(label, this));
        bar->addWidget(spin);
        connect(spin, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
                &StormEventsPage::thresholdsChanged);
        return spin;
    };
    interEventBox = box(QStringLiteral("事件间隔:"), 0.1, 240.0, 1, QStringLiteral(" h"));
    minDepthBox = box(QStringLiteral("最小雨量:"), 0.0, 1000.0, 1, QStringLiteral(" mm"));
    verifyDepthBox = box(QStringLiteral("验证雨量 >"), 0.0, 1000.0, 1, QStringLiteral(" mm"));
    verifyPeakBox = box(QStringLiteral("5分钟雨强 >"), 0.0, 2000.0, 1, QStringLiteral(" mm/h"));
    bar->addStretch(1);
    layout->addLayout(bar);
    problemLabel = new QLabel(this);
    problemLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    problemLabel->hide();
    layout->addWidget(problemLabel);

    table = new QTableWidget(this);
    table->setColumnCount(9);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("开始"), QStringLiteral("结束"), QStringLiteral("历时(h)"),
         QStringLiteral("雨量(mm)"), QStringLiteral("5分钟雨强(mm/h)"), QStringLiteral("15分钟雨强(mm/h)"),
         QStringLiteral("60分钟雨强(mm/h)"), QStringLiteral("前期无雨(h)"), QStringLiteral("可用于验证")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setDefaultSectionSize(22);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setToolTip(QStringLiteral("单击事件, 过程线显示该事件"));
    layout->addWidget(table, 1);
    connect(table, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row >= 0 && std::size_t(row) < m_events.events.size()) {
            const auto range = stormEventViewRange(m_events.events[std::size_t(row)]);
            emit rangeRequested(range.first, range.second);
        }
    });
    clear();
}

StormEventOptions StormEventsPage::options() const
{
    StormEventOptions options;
    options.interEventHours = interEventBox->value();
    options.minDepthMm = minDepthBox->value();
    options.verifyDepthMm = verifyDepthBox->value();
    options.verifyPeak5MmPerHour = verifyPeakBox->value();
    return options;
}

void StormEventsPage::showGauge(ProjectDb *db, const QString &point, const QString &gauge, RainSeries rain)
{
    m_db = db;
    m_point = point;
    m_gauge = gauge;
    m_rain = std::move(rain);
    const StormEventOptions stored = storedStormEventOptions(db, point);
    m_setting = true;
    interEventBox->setValue(stored.interEventHours);
    minDepthBox->setValue(stored.minDepthMm);
    verifyDepthBox->setValue(stored.verifyDepthMm);
    verifyPeakBox->setValue(stored.verifyPeak5MmPerHour);
    m_setting = false;
    findEvents();
}

void StormEventsPage::clear()
{
    m_db = nullptr;
    m_point.clear();
    m_gauge.clear();
    m_rain = RainSeries();
    m_events = StormEventList();
    summaryLabel->clear();
    problemLabel->hide();
    table->setRowCount(0);
}

void StormEventsPage::thresholdsChanged()
{
    if (m_setting || m_rain.empty())
        return;
    findEvents();
    if (problemLabel->isHidden() && m_db && !m_db->readOnly()) {
        QString error;
        if (!storeStormEventOptions(m_db, m_point, options(), &error)) {
            problemLabel->setText(QStringLiteral("阈值未能保存: %1").arg(error));
            problemLabel->show();
        }
    }
}

void StormEventsPage::findEvents()
{
    const StormEventOptions chosen = options();
    const QString problem = stormEventOptionsProblem(chosen);
    problemLabel->setText(problem);
    problemLabel->setVisible(!problem.isEmpty());
    if (!problem.isEmpty())
        return;
    m_events = findStormEvents(m_rain, chosen);
    fillTable();
}

void StormEventsPage::fillTable()
{
    const auto &events = m_events.events;
    const auto verified =
        std::count_if(events.begin(), events.end(), [](const StormEvent &e) { return e.verification; });
    QString summary = QStringLiteral("雨量计 %1: 合计 %2 mm, 降雨事件 %3 场 (可用于验证 %4 场), 小雨 %5 次")
                          .arg(m_gauge, numberText(m_events.totalDepthMm))
                          .arg(events.size())
                          .arg(verified)
                          .arg(m_events.minor);
    if (m_rain.intervalSeconds > kVerifyCoarsestInterval)
        summary += QStringLiteral("; 间隔长于5分钟, 无法判断验证条件");
    summaryLabel->setText(summary);
    const ColumnsMeasuredOnce measure(table);
    table->setRowCount(int(events.size()));
    for (int row = 0; row < int(events.size()); ++row) {
        const StormEvent &e = events[std::size_t(row)];
        const QStringList cells = {timeText(e.start),
                                   timeText(e.end),
                                   numberText(e.durationHours(), 2),
                                   numberText(e.depthMm),
                                   peakText(e.peak5),
                                   peakText(e.peak15),
                                   peakText(e.peak60),
                                   numberText(e.dryHoursBefore),
                                   e.verification ? QStringLiteral("是") : QStringLiteral("否")};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            item->setTextAlignment(column < 2 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                              : int(Qt::AlignRight | Qt::AlignVCenter));
            table->setItem(row, column, item);
        }
    }
}
