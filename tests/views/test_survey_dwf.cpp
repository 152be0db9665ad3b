// The survey window's "旱季流量" page over a copy of the sample store: the sample survey's
// profiles, figures, days and storms; the profile and inflow on the hydrograph and its switch;
// days ticked by hand without a gauge and settings stored per point; RVB surveys without the page.
// The lines the hydrograph gets are checked with numbers worked out by hand.
// LMV_SHOT_DIR=DIR saves a picture of the page of 人民路5号井 as DIR/dwf.png.

#include "../CopyTree.h"
#include "plots/DwfOverlay.h"
#include "plots/Hydrograph.h"
#include "plots/LineItem.h"
#include "survey/ProjectDb.h"
#include "survey/ProjectFiles.h"
#include "views/SurveyDwfPane.h"
#include "views/SurveyWindow.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDirIterator>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <qwt_plot.h>

#include <cmath>
#include <memory>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kSurveyPoint = QStringLiteral("人民路5号井");
const QString kBarePoint = QStringLiteral("建设路1号井");

// 2024-04-01 is a Monday.
const qint64 kMonday = QDateTime(QDate(2024, 4, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

// Hourly slots: weekday profile = the hour (NaN at 05:00), no weekend profile.
DryWeatherResult hourlyWeekdayProfile()
{
    DryWeatherResult d;
    d.intervalSeconds = 3600;
    d.weekday.group = DayGroup::Weekday;
    d.weekday.days = {dayOf(kMonday)};
    for (int h = 0; h < 24; ++h)
        d.weekday.flow.push_back(h == 5 ? std::nan("") : double(h));
    d.weekend.group = DayGroup::Weekend;
    return d;
}

} // namespace

class TestSurveyDwf : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_index;
    std::unique_ptr<SurveyWindow> m_window;
    SurveyDwfPane *m_pane = nullptr;

    void show(const QString &point, const QString &index = {})
    {
        const ProjectFiles project = readProjectFiles(index.isEmpty() ? m_index : index);
        QVERIFY(project.opened);
        const PointFiles *files = project.point(point);
        QVERIFY(files);
        m_window->showSurvey(SurveyTarget{project.name, project.indexPath, *files});
    }
    int dryItems() const
    {
        int n = 0;
        for (int i = 0; i < m_pane->daysList->count(); ++i)
            n += m_pane->daysList->item(i)->text().endsWith(QStringLiteral("旱天"));
        return n;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyTree(QStringLiteral(LMV_SAMPLES "/store"), m_dir.path()));
        m_index = m_dir.filePath(kProject + "/" + kProject + ".lmvprj");
    }
    void init()
    {
        m_window = std::make_unique<SurveyWindow>();
        m_window->warn = [](const QString &, const QString &text) { QFAIL(qPrintable(text)); };
        m_pane = new SurveyDwfPane(m_window.get());
        m_window->resize(1280, 860);
        m_window->show();
    }
    void cleanup() { m_window.reset(); }

    // The page of the sample survey: 28 dry days, seven storms, the figures and the hydrograph's
    // profile with one band per storm, switched off and on.
    void showsTheSampleSurvey()
    {
        show(kSurveyPoint);
        QVERIFY(m_window->pageAvailable(m_pane->page()));
        m_window->showPage(m_pane->page());
        QCOMPARE(dryItems(), 28);
        QCOMPARE(m_pane->daysList->count(), 56);
        QVERIFY(!(m_pane->daysList->item(0)->flags() & Qt::ItemIsUserCheckable)); // a gauge decides
        QVERIFY2(m_pane->figuresLabel->text().contains("ADWF:</b> 82.7"),
                 qPrintable(m_pane->figuresLabel->text()));
        QVERIFY(m_pane->figuresLabel->text().contains("雨量计_城东"));
        QCOMPARE(m_pane->eventsTable->rowCount(), 7);
        QCOMPARE(m_pane->eventsTable->item(0, 6)->text(), QStringLiteral("-")); // no area yet
        QVERIFY(m_pane->eventsSummary->text().contains("汇水面积"));
        // 28 grey traces and the two profiles.
        QCOMPARE(m_pane->profilePlot->itemList(LineItem(QString()).rtti()).size(), 30);
        m_pane->quantityTabs->setCurrentIndex(1);
        QCOMPARE(m_pane->profilePlot->itemList(LineItem(QString()).rtti()).size(), 2);

        QCOMPARE(m_pane->overlay().bandCount(), 7);
        QVERIFY(m_pane->overlay().lineCount() >= 1);
        QwtPlot *flow = m_window->hydrograph->paneOf("flow");
        QVERIFY(flow);
        QCOMPARE(flow->itemList(BandItem::Rtti).size(), 7);
        m_pane->showOnHydrograph->setChecked(false);
        QCOMPARE(flow->itemList(BandItem::Rtti).size(), 0);
        m_pane->showOnHydrograph->setChecked(true);
        QCOMPARE(flow->itemList(BandItem::Rtti).size(), 7);

        // A storm's row moves the hydrograph to its window.
        m_pane->eventsTable->cellDoubleClicked(0, 0);
        QCOMPARE(m_window->pageIndex(), int(SurveyWindow::HydrographPage));
        const RdiiEvent first = m_pane->result().rdii.events.front(); // a copy: the result is remade below
        QCOMPARE(qint64(m_window->hydrograph->viewTo()), first.windowEnd);

        if (const QString shots = qEnvironmentVariable("LMV_SHOT_DIR"); !shots.isEmpty()) {
            m_pane->quantityTabs->setCurrentIndex(0);
            m_pane->areaEdit->setValue(120.0);
            m_pane->applyButton->click();
            m_window->showPage(m_pane->page());
            QVERIFY(m_window->grab().save(shots + "/dwf.png"));
            m_window->showPage(SurveyWindow::HydrographPage);
            m_window->hydrograph->setTimeRange(double(first.start - 86400), double(first.windowEnd + 86400));
            QCoreApplication::processEvents(); // the panes lay out and scale once shown
            QVERIFY(m_window->grab().save(shots + "/dwf-hydrograph.png"));
        }
    }

    // Settings are applied and stored in the project database; bad ones are refused and said.
    void settingsAreAppliedAndStored()
    {
        show(kSurveyPoint);
        m_pane->holidaysEdit->setText("2024-05-01 2024-13-02");
        m_pane->applyButton->click();
        QVERIFY(m_pane->statusLabel->text().contains("节假日"));
        QVERIFY(m_pane->settings().dry.holidays.empty());

        m_pane->holidaysEdit->setText("2024-05-01, 2024-05-02");
        m_pane->areaEdit->setValue(120.0);
        m_pane->applyButton->click();
        QVERIFY2(m_pane->statusLabel->text().contains("已保存"), qPrintable(m_pane->statusLabel->text()));
        const double ratio = m_pane->eventsTable->item(0, 6)->text().toDouble();
        QVERIFY(ratio > 0.10 && ratio < 0.15);
        QVERIFY(m_pane->eventsSummary->text().contains("最大一场 2024-04-30"));
        {
            const ProjectDb db(ProjectDb::pathFor(m_index));
            QCOMPARE(db.realSetting(kSurveyPoint, "rdii.area_ha"), std::optional<double>(120.0));
            QCOMPARE(db.textSetting(kSurveyPoint, "dwf.holidays"),
                     std::optional<QString>("2024-05-01,2024-05-02"));
        }
        // Shown again, the point's stored settings come back.
        show(kBarePoint);
        show(kSurveyPoint);
        QCOMPARE(m_pane->areaEdit->value(), 120.0);
        QCOMPARE(m_pane->settings().dry.holidays.size(), std::size_t(2));

        // "导出 CSV" writes where it is told.
        const QString csv = m_dir.filePath("dwf-page.csv");
        m_pane->chooseExportPath = [&csv](QWidget *) { return csv; };
        m_pane->exportButton->click();
        QVERIFY(m_pane->statusLabel->text().startsWith("已导出"));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readLine().startsWith(("测点," + kSurveyPoint).toUtf8()));
    }

    // Without a gauge the user ticks the dry days; each tick is stored and counts at once.
    void daysAreTickedWithoutAGauge()
    {
        show(kBarePoint);
        QVERIFY(m_window->pageAvailable(m_pane->page()));
        QCOMPARE(m_pane->eventsTable->rowCount(), 0);
        QVERIFY(m_pane->eventsSummary->text().contains("未分配雨量计"));
        QCOMPARE(dryItems(), 0);
        QListWidgetItem *day = nullptr;
        for (int i = 0; i < m_pane->daysList->count() && !day; ++i)
            if (m_pane->daysList->item(i)->text().contains("未勾选") &&
                !m_pane->daysList->item(i)->text().contains("覆盖率"))
                day = m_pane->daysList->item(i);
        QVERIFY(day);
        QVERIFY(day->flags() & Qt::ItemIsUserCheckable);
        const QString date = day->text().left(10);
        day->setCheckState(Qt::Checked);
        QCOMPARE(dryItems(), 1);
        QVERIFY(m_pane->figuresLabel->text().contains("工作日 1 天") ||
                m_pane->figuresLabel->text().contains("周末 1 天"));
        const ProjectDb db(ProjectDb::pathFor(m_index));
        QCOMPARE(db.textSetting(kBarePoint, "dwf.chosen_days"), std::optional<QString>(date));
        if (const QString shots = qEnvironmentVariable("LMV_SHOT_DIR"); !shots.isEmpty()) {
            m_window->showPage(m_pane->page());
            QVERIFY(m_window->grab().save(shots + "/dwf-no-gauge.png"));
        }
    }

    void rvbSurveyHasNoPage()
    {
        m_window->showPage(SurveyWindow::HydrographPage);
        const QString rvb = m_dir.filePath("水库入库监测/水库入库监测.lmvprj");
        const ProjectFiles project = readProjectFiles(rvb);
        QVERIFY(project.opened && !project.points.isEmpty());
        show(project.points.front().name, rvb);
        QVERIFY(!m_window->pageAvailable(m_pane->page()));
        QCOMPARE(m_pane->overlay().bandCount(), 0);
    }

    // The profile line: a point at each slot, each day its group's profile (the weekend borrows
    // the weekday's), broken where a slot has no value.
    void profileLinesFollowTheDaysGroup_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<QVector<int>>("pieceSizes");
        QTest::addColumn<double>("firstValue");
        // Monday 06:30 to 09:00: slots 05 (NaN) 06 07 08 09 10 -> one piece from 06:00.
        QTest::newRow("inside a day")
            << kMonday + 6 * 3600 + 1800 << kMonday + 9 * 3600 << QVector<int>{5} << 6.0;
        // Monday 03:00 to 07:00: 02 03 04 | 05 NaN | 06 07 08.
        QTest::newRow("across the hole")
            << kMonday + 3 * 3600 << kMonday + 7 * 3600 << QVector<int>{3, 3} << 2.0;
        // Saturday 22:00 to Sunday 01:00 on the weekday's profile: 21 22 23 00 01 02.
        QTest::newRow("weekend borrows")
            << kMonday + 5 * 86400 + 22 * 3600 << kMonday + 6 * 86400 + 3600 << QVector<int>{6} << 21.0;
    }
    void profileLinesFollowTheDaysGroup()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(QVector<int>, pieceSizes);
        QFETCH(double, firstValue);
        const auto lines = dwfProfileLines(hourlyWeekdayProfile(), from, to);
        QVector<int> sizes;
        for (const auto &l : lines)
            sizes << l.size();
        QCOMPARE(sizes, pieceSizes);
        QCOMPARE(lines.front().front().y(), firstValue);
        for (const auto &l : lines)
            for (const QPointF &p : l)
                QCOMPARE(std::fmod(p.x() - double(kMonday), 3600.0), 0.0);
    }

    // The band of a storm: the profile below, the flow above where it exceeds the profile, only
    // records inside the window.
    void rdiiBandLiesBetweenProfileAndFlow()
    {
        const std::vector<qint64> times{kMonday + 3600, kMonday + 7200, kMonday + 10800, kMonday + 14400};
        const std::vector<float> level(4, 0.3f), velocity(4, 0.5f), flow{10.0f, 1.0f, 9.0f, 50.0f};
        const SurveyLayer layer = makeRvaLayer(times, level, velocity, flow);
        RdiiEvent e;
        e.start = kMonday + 3600;
        e.end = kMonday + 7200;
        e.windowEnd = kMonday + 10800; // the last record lies outside
        const QVector<BandPoint> band = rdiiBand(layer, hourlyWeekdayProfile(), e);
        QCOMPARE(band.size(), 3);
        QCOMPARE(band[0], (BandPoint{double(kMonday + 3600), 1.0, 10.0}));
        QCOMPARE(band[1], (BandPoint{double(kMonday + 7200), 2.0, 2.0})); // flow under the profile
        QCOMPARE(band[2], (BandPoint{double(kMonday + 10800), 3.0, 9.0}));
    }
};

QTEST_MAIN(TestSurveyDwf)
#include "test_survey_dwf.moc"
