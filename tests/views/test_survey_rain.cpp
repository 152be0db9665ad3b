// Rain in the survey window over a copy of the sample store: the hyetograph only where an
// assigned gauge covers the survey, its bars and cursor depth against the gauge's own sums, the
// storm events table zooming the hydrograph, and the thresholds kept per point.

#include "../CopyTree.h"
#include "plots/Hydrograph.h"
#include "plots/Hyetograph.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "survey/ProjectFiles.h"
#include "survey/ProjectOverview.h"
#include "views/ProjectOverviewView.h"
#include "views/StormEventsPage.h"
#include "views/SurveyRain.h"
#include "views/SurveyWindow.h"

#include <QDateTime>
#include <QDirIterator>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kRainPoint = QStringLiteral("人民路5号井");
const QString kDryPoint = QStringLiteral("建设路1号井"); // March 2024, before the gauge's record
const QString kGauge = QStringLiteral("雨量计_城东");

qint64 clockOf(const char *text)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm"));
    t.setTimeSpec(Qt::UTC);
    return t.toSecsSinceEpoch();
}

} // namespace

class TestSurveyRain : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_index;
    ProjectFiles m_project;
    RainSeries m_rain;
    std::unique_ptr<SurveyWindow> m_window;

    void show(const QString &point, const SurveyPeriod &period = {})
    {
        SurveyTarget target;
        target.project = kProject;
        target.indexPath = m_index;
        target.point = *m_project.point(point);
        m_window->showSurvey(target, period);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyTree(QStringLiteral(LMV_SAMPLES "/store/") + kProject, m_dir.filePath(kProject)));
        m_index = m_dir.filePath(kProject + "/" + kProject + ".lmvprj");
        m_project = readProjectFiles(m_index);
        QVERIFY(m_project.point(kRainPoint) && m_project.point(kDryPoint));
        QVERIFY(loadGaugeSeries(ProjectDb(ProjectDb::pathFor(m_index)), kGauge, m_rain));
        m_window = std::make_unique<SurveyWindow>();
        m_window->warn = [](const QString &, const QString &text) { QFAIL(qPrintable(text)); };
        m_window->resize(1100, 800);
        m_window->show();
    }

    // The sums of the bars are the gauge's depth whatever their length.
    void barsKeepTheDepth_data()
    {
        QTest::addColumn<qint64>("bin");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        const qint64 first = m_rain.times.front();
        const qint64 last = m_rain.times.back();
        QTest::newRow("gauge interval, week") << qint64(300) << first << first + 7 * 86400;
        QTest::newRow("hour, whole record") << qint64(3600) << first - 300 << last;
        QTest::newRow("day, odd start") << qint64(86400) << first + 12345 << last - 999;
    }
    void barsKeepTheDepth()
    {
        QFETCH(qint64, bin);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        const RainBars bars = hyetographBars(m_rain, bin, from, to);
        double sum = 0.0;
        for (std::size_t i = 0; i < bars.starts.size(); ++i) {
            QCOMPARE(bars.starts[i] % bin, qint64(0));
            QVERIFY(bars.depthMm[i] > 0.0);
            sum += bars.depthMm[i];
        }
        QVERIFY(sum > 0.0);
        QVERIFY(qAbs(sum - depthBetween(m_rain, from, to)) < 1e-9);
        // The bar at a bar's middle is that bar, with its rate.
        const std::size_t mid = bars.starts.size() / 2;
        const auto at = rainBarAt(bars, double(bars.starts[mid]) + double(bin) / 2);
        QVERIFY(at);
        QCOMPARE(at->depthMm, bars.depthMm[mid]);
        QCOMPARE(at->mmPerHour(), bars.depthMm[mid] * 3600.0 / double(bin));
    }

    void paneOnlyWhereTheGaugeCovers()
    {
        show(kRainPoint);
        SurveyRain *rain = m_window->rain;
        QVERIFY(rain->choice().shown());
        QCOMPARE(rain->choice().gauge, kGauge);
        QVERIFY(rain->hyetograph->isVisibleTo(m_window.get()));
        QVERIFY(m_window->pageAvailable(rain->eventsPageIndex));
        QVERIFY(!rain->hyetograph->bars().empty());
        // Pictures and prints carry the hyetograph above the hydrograph's panes.
        QCOMPARE(m_window->hydrograph->picturePanes().size(), m_window->hydrograph->panes().size() + 1);
        QCOMPARE(m_window->hydrograph->picturePanes().front(), rain->hyetograph->pane);
        if (!qEnvironmentVariableIsEmpty("LMV_SHOT_DIR"))
            QVERIFY(m_window->hydrograph->exportImage(
                qEnvironmentVariable("LMV_SHOT_DIR") + "/survey-picture.png", QSize(1600, 900)));

        // Assigned, but its record starts after this point's survey ends.
        ProjectDb db(ProjectDb::pathFor(m_index));
        QVERIFY(assignGauge(db, kGauge, kDryPoint));
        show(kDryPoint);
        QVERIFY(!rain->choice().shown());
        QVERIFY(!rain->hyetograph->isVisibleTo(m_window.get()));
        QVERIFY(!m_window->pageAvailable(rain->eventsPageIndex));
        QCOMPARE(m_window->hydrograph->picturePanes(), m_window->hydrograph->panes());
        QVERIFY(unassignGauge(db, kGauge, kDryPoint));

        // A short period: the bars are the gauge's intervals over it.
        show(kRainPoint, SurveyPeriod{clockOf("2024-04-03 12:00"), clockOf("2024-04-03 20:00")});
        QVERIFY(rain->choice().shown());
        QCOMPARE(rain->hyetograph->bars().intervalSeconds, m_rain.intervalSeconds);
        m_window->clear();
        QVERIFY(!rain->hyetograph->isVisibleTo(m_window.get()));
    }

    void cursorsAddTheRainBetweenThem()
    {
        show(kRainPoint);
        Hydrograph *h = m_window->hydrograph;
        const StormEvent storm = m_window->rain->eventsPage->events().events.front();
        // B before A: the depth is of the span between them all the same.
        h->setCursor(Hydrograph::Cursor::B, double(storm.start - 1800));
        h->setCursor(Hydrograph::Cursor::A, double(storm.end + 1800));
        const auto &times = h->data()->times;
        const qint64 a = times[std::size_t(h->cursorRecord(Hydrograph::Cursor::A))];
        const qint64 b = times[std::size_t(h->cursorRecord(Hydrograph::Cursor::B))];
        const double depth = depthBetween(m_rain, std::min(a, b), std::max(a, b));
        QVERIFY(depth >= storm.depthMm - 0.05);
        QVERIFY2(h->cursorText().endsWith(rainDepthText(depth)), qPrintable(h->cursorText()));
        // The readout names the bar at the storm's start with its rate.
        const QString readout = m_window->rain->hyetograph->readoutText(double(storm.start) + 1);
        QVERIFY2(readout.contains(" mm/h") && readout.contains("mm  "), qPrintable(readout));
    }

    void eventClickZoomsToTheEvent()
    {
        show(kRainPoint);
        StormEventsPage *page = m_window->rain->eventsPage;
        QVERIFY(page->table->rowCount() >= 2);
        QCOMPARE(page->table->rowCount(), int(page->events().events.size()));
        const int row = page->table->rowCount() - 1;
        const StormEvent e = page->events().events.back();
        m_window->showPage(m_window->rain->eventsPageIndex);
        const QRect cell = page->table->visualRect(page->table->model()->index(row, 3));
        QTest::mouseClick(page->table->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_window->pageIndex(), int(SurveyWindow::HydrographPage));
        const qint64 margin = std::max<qint64>(3600, (e.end - e.start) / 2);
        QCOMPARE(m_window->hydrograph->viewFrom(), double(e.start - margin));
        QCOMPARE(m_window->hydrograph->viewTo(), double(e.end + margin));
        // The hyetograph follows with bars of the gauge's own interval over so short a time.
        QCOMPARE(m_window->rain->hyetograph->bars().intervalSeconds, m_rain.intervalSeconds);
    }

    void thresholdsAreKeptPerPoint()
    {
        show(kRainPoint);
        StormEventsPage *page = m_window->rain->eventsPage;
        const std::size_t before = page->events().events.size();
        page->interEventBox->setValue(48.0);
        QVERIFY(page->events().events.size() < before);
        StormEventOptions wide;
        wide.interEventHours = 48.0;
        QCOMPARE(page->events().events.size(), findStormEvents(m_rain, wide).events.size());
        QCOMPARE(storedStormEventOptions(m_window->database(), kRainPoint).interEventHours, 48.0);
        show(kDryPoint);
        show(kRainPoint);
        QCOMPARE(page->interEventBox->value(), 48.0);
        QCOMPARE(page->events().events.size(), findStormEvents(m_rain, wide).events.size());
        page->interEventBox->setValue(6.0);
        QCOMPARE(page->events().events.size(), before);

        if (qEnvironmentVariableIsSet("LMV_RAIN_SHOT")) {
            const auto range = stormEventViewRange(page->events().events.front());
            m_window->hydrograph->setTimeRange(double(range.first), double(range.second));
            m_window->hydrograph->setCursor(Hydrograph::Cursor::A, double(range.first + 3600));
            m_window->hydrograph->setCursor(Hydrograph::Cursor::B, double(range.second - 3600));
            m_window->showPage(SurveyWindow::HydrographPage);
            m_window->resize(1200, 900);
            QTest::qWait(50);
            m_window->grab().save(qEnvironmentVariable("LMV_RAIN_SHOT") + "-hydrograph.png");
            m_window->showPage(m_window->rain->eventsPageIndex);
            QTest::qWait(50);
            m_window->grab().save(qEnvironmentVariable("LMV_RAIN_SHOT") + "-events.png");
        }
    }

    // A record window's hydrograph takes the offered rain only for records the gauge covers.
    void offeredRainFollowsTheRecords()
    {
        Hydrograph flow;
        auto *pane = new Hyetograph(&flow);
        pane->follow(&flow);
        pane->offerRain(m_rain, kGauge);
        QVERIFY(!pane->hasRain());
        show(kRainPoint, SurveyPeriod{clockOf("2024-04-03 00:00"), clockOf("2024-04-04 00:00")});
        flow.setData(m_window->hydrograph->data());
        QVERIFY(pane->hasRain());
        QCOMPARE(pane->gauge(), kGauge);
        flow.setCursor(Hydrograph::Cursor::A, double(clockOf("2024-04-03 00:00")));
        flow.setCursor(Hydrograph::Cursor::B, double(clockOf("2024-04-04 00:00")));
        QVERIFY(flow.cursorText().endsWith(
            rainDepthText(depthBetween(m_rain, clockOf("2024-04-03 00:00"), clockOf("2024-04-04 00:00")))));
        show(kDryPoint);
        flow.setData(m_window->hydrograph->data());
        QVERIFY(!pane->hasRain());
        QVERIFY(!flow.cursorText().contains("降雨"));
        pane->offerRain({}, {});
        show(kRainPoint);
        flow.setData(m_window->hydrograph->data());
        QVERIFY(!pane->hasRain());
    }

    // The overview's rain row: the gauge file's own rows summed per day (a row at 00:00 closes
    // the day before), one decimal.
    void overviewRainRowIsTheDailySum()
    {
        QFile csv(m_dir.filePath(kProject + "/" + kGauge + ".csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<qint64, double> daily;
        csv.readLine(); // header
        while (!csv.atEnd()) {
            const QList<QByteArray> fields = csv.readLine().trimmed().split(',');
            QCOMPARE(fields.size(), 2);
            const qint64 t = clockOf(fields[0].constData());
            daily[(t - 1) / 86400] += fields[1].toDouble();
        }
        ProjectOverview overview = computeOverview(m_project);
        overview.rain = overviewRain(m_index, overview.firstDay, overview.dayCount());
        QCOMPARE(overview.rain.size(), 1);
        ProjectOverviewModel model;
        model.setOverview(overview);
        const int row = int(overview.rows.size()) + 1;
        QCOMPARE(model.rowCount(), row + 1);
        QCOMPARE(model.headerData(row, Qt::Vertical, Qt::DisplayRole).toString(), kGauge + " (mm)");
        int covered = 0;
        double total = 0.0;
        for (int d = 0; d < overview.dayCount(); ++d) {
            const qint64 day = overview.firstDay + d;
            const QString text = model.data(model.index(row, d), Qt::DisplayRole).toString();
            if (!daily.contains(day)) {
                QVERIFY2(text.isEmpty(), qPrintable(text));
                continue;
            }
            ++covered;
            total += daily[day];
            QCOMPARE(text, QString::number(daily[day], 'f', 1));
        }
        QVERIFY(covered >= 50);
        QCOMPARE(model.data(model.index(row, int(overview.dayCount())), Qt::DisplayRole).toString(),
                 QString::number(total, 'f', 1));
    }
};

QTEST_MAIN(TestSurveyRain)
#include "test_survey_rain.moc"
