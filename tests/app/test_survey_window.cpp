// The survey window, the project overview and the site visits in the main window, driven
// through the project tree as a user clicks it. One window over a copy of the sample store is
// shared by the cases: nothing is written into samples/.

#include "SampleStoreWindow.h"
#include "data/SurveyCheck.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterItem.h"
#include "plots/Scattergraph.h"
#include "survey/ProjectDb.h"
#include "survey/ProjectFiles.h"
#include "survey/ProjectOverview.h"
#include "survey/Visits.h"
#include "views/ProjectOverviewView.h"
#include "views/SurveyCheckView.h"
#include "views/SurveyWindow.h"
#include "views/VisitDialog.h"
#include "views/VisitPanel.h"

#include "../data/ToolRun.h"

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kPoint = QStringLiteral("建设路1号井");

// A time on the logger's clock as the window's time fields hold it (clock seconds are UTC).
QDateTime clockDateTime(const QString &text, const QString &form = QStringLiteral("yyyy-MM-dd HH:mm:ss"))
{
    QDateTime t = QDateTime::fromString(text, form);
    t.setTimeSpec(Qt::UTC);
    return t;
}

qint64 clockOf(const QString &text)
{
    return clockDateTime(text).toSecsSinceEpoch();
}

// The row of the daily table with this first cell, -1 when none.
int dayRow(const QTableWidget *table, const QString &label)
{
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0) && table->item(r, 0)->text() == label)
            return r;
    return -1;
}

} // namespace

class TestSurveyWindow : public QObject
{
    Q_OBJECT

    QString startDir;
    QTemporaryDir work;
    QString index;
    std::unique_ptr<MainWindow> w;
    QStringList warnings;

    QTreeWidgetItem *project(const QString &name = kProject)
    {
        for (int i = 0; i < w->PrjTree->topLevelItemCount(); ++i)
            if (w->PrjTree->topLevelItem(i)->text(0) == name)
                return w->PrjTree->topLevelItem(i);
        return nullptr;
    }
    QTreeWidgetItem *point(const QString &name = kPoint) { return treeChild(project(), name); }
    SurveyWindow *survey() { return w->survey_window; }
    void showPoint(const QString &name = kPoint)
    {
        QTreeWidgetItem *item = point(name);
        QVERIFY(item);
        w->on_file_item_clicked(item);
        QVERIFY(survey()->isVisible());
        QCOMPARE(survey()->content().target().point.name, name);
    }
    QString dbPath() const { return ProjectDb::pathFor(index); }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(work.isValid());
        // The sample's database holds its rain gauge only; these tests start without one.
        QVERIFY(openSampleStore(w, work.path(), &index));
        w->openLocalPath(work.path() + "/store/水库入库监测/水库入库监测.lmvprj");
        QVERIFY(project());
        survey()->warn = [this](const QString &, const QString &text) { warnings << text; };
    }

    void cleanupTestCase()
    {
        w.reset();
        QDir::setCurrent(startDir);
    }

    void clickingAPointShowsOneJoinedSurveyWithTheToolsTotal()
    {
        showPoint();
        QVERIFY(!w->RVA_RecordWindow::root->isVisible());
        // One hydrograph over the three daily files, their boundaries marked.
        const auto data = survey()->hydrograph->data();
        QVERIFY(data);
        QCOMPARE(clockText(data->times.front()).left(10), QStringLiteral("2024-03-11"));
        QCOMPARE(clockText(data->times.back()).left(10), QStringLiteral("2024-03-13"));
        const QVector<qint64> boundaries = survey()->hydrograph->timeMarks(SurveyWindow::FileBoundaryMarks);
        QCOMPARE(boundaries.size(), 2);
        QCOMPARE(clockText(boundaries[0]).left(10), QStringLiteral("2024-03-12"));
        QCOMPARE(survey()->filesTable->rowCount(), 3);

        // One daily table, its total the one lmvtool prints.
        const ToolRun run = lmvtool(
            {QStringLiteral("survey"), index, QStringLiteral("--point"), kPoint, QStringLiteral("--json")});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject tool = QJsonDocument::fromJson(run.outBytes())
                                     .object()[QStringLiteral("points")]
                                     .toArray()[0]
                                     .toObject();
        QTableWidget *days = survey()->checkView->daysTable;
        const int total = dayRow(days, QStringLiteral("合计"));
        QCOMPARE(total, days->rowCount() - 1);
        QCOMPARE(days->item(total, 3)->text(),
                 QString::number(tool[QStringLiteral("totalVolumeM3")].toDouble(), 'f', 3));
        const QJsonArray toolDays = tool[QStringLiteral("days")].toArray();
        QCOMPARE(total, toolDays.size()); // three days, no week rows for a survey inside one week
        for (int d = 0; d < toolDays.size(); ++d) {
            QCOMPARE(days->item(d, 0)->text(), toolDays[d].toObject()[QStringLiteral("date")].toString());
            QCOMPARE(days->item(d, 3)->text(),
                     QString::number(toolDays[d].toObject()[QStringLiteral("volumeM3")].toDouble(), 'f', 3));
        }
    }

    void weekRowsSumTheirDaysAndThePeriodTotalSumsTheWeeks()
    {
        showPoint(QStringLiteral("人民路5号井"));
        QTableWidget *days = survey()->checkView->daysTable;
        double weekSum = 0.0, daySum = 0.0, weeksTotal = 0.0;
        int weeks = 0;
        for (int r = 0; r + 1 < days->rowCount(); ++r) {
            const double volume = days->item(r, 3)->text().toDouble();
            if (days->item(r, 0)->text().endsWith(QStringLiteral("周计"))) {
                QVERIFY2(std::abs(volume - daySum) < 0.0015 * 8, qPrintable(days->item(r, 0)->text()));
                weeksTotal += volume;
                daySum = 0.0;
                ++weeks;
            } else {
                daySum += volume;
                weekSum += volume;
            }
        }
        QCOMPARE(weeks, 8); // 2024-04-01 (a Monday) to 05-26 (a Sunday)
        const double total = days->item(days->rowCount() - 1, 3)->text().toDouble();
        QVERIFY(std::abs(total - weeksTotal) < 0.01);
        QVERIFY(std::abs(total - weekSum) < 0.1);
    }

    void periodLimitsEveryView_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("files");
        QTest::addColumn<QStringList>("days");
        QTest::newRow("one day") << "2024-03-12 00:00"
                                 << "2024-03-12 23:59" << 1 << QStringList{"2024-03-12"};
        QTest::newRow("across midnight")
            << "2024-03-11 12:00"
            << "2024-03-12 11:59" << 2 << QStringList{"2024-03-11", "2024-03-12"};
    }
    void periodLimitsEveryView()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, files);
        QFETCH(QStringList, days);
        showPoint();
        const QString form = QStringLiteral("yyyy-MM-dd HH:mm");
        survey()->fromEdit->setDateTime(clockDateTime(from, form));
        survey()->toEdit->setDateTime(clockDateTime(to, form));
        QTest::mouseClick(survey()->applyPeriodButton, Qt::LeftButton);

        const qint64 first = clockOf(from + QStringLiteral(":00"));
        const qint64 last = clockOf(to + QStringLiteral(":59"));
        const auto data = survey()->hydrograph->data();
        QVERIFY(data && !data->empty());
        QVERIFY(data->times.front() >= first && data->times.back() <= last);
        QCOMPARE(survey()->filesTable->rowCount(), files);
        QTableWidget *table = survey()->checkView->daysTable;
        QCOMPARE(table->rowCount(), days.size() + 1);
        for (int d = 0; d < days.size(); ++d)
            QCOMPARE(table->item(d, 0)->text(), days[d]);
        // The scattergraph draws the same records.
        survey()->showPage(SurveyWindow::ScatterPage);
        QCOMPARE(survey()->scattergraph->points()->boundingRect().isValid(), true);
        QCOMPARE(survey()->content().layer().times.back(), data->times.back());
        QTest::mouseClick(survey()->wholePeriodButton, Qt::LeftButton);
        QCOMPARE(survey()->checkView->daysTable->rowCount(), 4);
        survey()->showPage(SurveyWindow::HydrographPage);
    }

    void doubleClickReachesTheRecordInItsOwnFile_data()
    {
        QTest::addColumn<QString>("point");
        QTest::addColumn<int>("view");
        QTest::addColumn<double>("share"); // where in the survey the record lies
        QTest::newRow("hydrograph, first file") << kPoint << 0 << 0.1;
        QTest::newRow("hydrograph, last file") << kPoint << 0 << 0.9;
        QTest::newRow("scattergraph, middle file") << kPoint << 1 << 0.5;
        QTest::newRow("finding (the flat battery)") << QStringLiteral("人民路5号井") << 2 << 0.0;
    }
    void doubleClickReachesTheRecordInItsOwnFile()
    {
        QFETCH(QString, point);
        QFETCH(int, view);
        QFETCH(double, share);
        showPoint(point);
        const SurveyLayer &layer = survey()->content().layer();
        qsizetype k = qsizetype(share * double(layer.size() - 1));
        if (view == 0) {
            emit survey()->hydrograph->recordDoubleClicked(k);
        } else if (view == 1) {
            emit survey()->scattergraph->recordDoubleClicked(k);
        } else {
            survey()->showPage(SurveyWindow::CheckPage);
            QCoreApplication::processEvents(); // the page's layout, posted when it was shown
            QTableView *findings = survey()->checkView->findingsTable;
            QVERIFY(findings->model()->rowCount() > 0);
            k = survey()->checkView->check().findings.front().firstRecord;
            const QModelIndex first = findings->model()->index(0, 0);
            // A click first, as a user's double-click begins with one.
            QTest::mouseClick(findings->viewport(), Qt::LeftButton, {}, findings->visualRect(first).center());
            QTest::mouseDClick(findings->viewport(), Qt::LeftButton, {},
                               findings->visualRect(first).center());
        }
        const QString time = clockText(layer.times[std::size_t(k)]);
        const QString file = layer.sourceOf(k).name;
        // The file's entry chosen and shown, the table at the record of that time.
        QTreeWidgetItem *current = w->PrjTree->currentItem();
        QVERIFY(current);
        QCOMPARE(current->text(0), file);
        QCOMPARE(current->parent()->text(0), point);
        QVERIFY(w->RVA_RecordWindow::root->isVisible());
        QVERIFY(!survey()->isVisible());
        QTableView *table = w->RVA_RecordWindow::UnitTable;
        QVERIFY(table->isVisible());
        const QModelIndex row = table->currentIndex();
        QVERIFY(row.isValid());
        QCOMPARE(table->model()->index(row.row(), 0).data().toString(), QStringLiteral("[%1]").arg(time));
    }

    void overviewCellsEqualTheOverviewAndACellOpensThePointAtThatDay()
    {
        QSignalSpy shown(w->overview_view, &ProjectOverviewView::overviewShown);
        w->on_file_item_clicked(project());
        QVERIFY(w->overview_view->isVisible());
        QVERIFY(!survey()->isVisible());
        QVERIFY(shown.wait(20000));
        const ProjectOverview expected = computeOverview(readProjectFiles(index));
        QAbstractItemModel *model = w->overview_view->table->model();
        QCOMPARE(model->rowCount(), expected.rows.size() + 1);
        QCOMPARE(model->columnCount(), expected.dayCount() + 1);
        for (int r = 0; r < expected.rows.size(); ++r) {
            QCOMPARE(model->headerData(r, Qt::Vertical).toString(), expected.rows[r].point);
            for (int d = 0; d < expected.dayCount(); ++d) {
                const OverviewCell &cell = expected.rows[r].days[d];
                QCOMPARE(model->index(r, d).data().toString(),
                         cell.records ? QString::number(cell.volumeM3, 'f', 1) : QString());
            }
            QCOMPARE(model->index(r, int(expected.dayCount())).data().toString(),
                     QString::number(expected.rows[r].total.volumeM3, 'f', 1));
        }
        for (int d = 0; d < expected.dayCount(); ++d)
            QCOMPARE(model->index(int(expected.rows.size()), d).data().toString(),
                     expected.dayTotals[d].records ? QString::number(expected.dayTotals[d].volumeM3, 'f', 1)
                                                   : QString());

        // 建设路1号井 on 2024-03-12.
        int row = -1;
        for (int r = 0; r < expected.rows.size(); ++r)
            if (expected.rows[r].point == kPoint)
                row = r;
        const qint64 day = clockOf(QStringLiteral("2024-03-12 00:00:00")) / 86400;
        const int column = int(day - expected.firstDay);
        QVERIFY(row >= 0 && column >= 0);
        QTableView *table = w->overview_view->table;
        table->scrollTo(model->index(row, column));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(model->index(row, column)).center());
        QVERIFY(survey()->isVisible());
        QVERIFY(!w->overview_view->isVisible());
        QCOMPARE(survey()->content().target().point.name, kPoint);
        QCOMPARE(w->PrjTree->currentItem(), point());
        QCOMPARE(qint64(survey()->hydrograph->viewFrom()), day * 86400);
        QCOMPARE(qint64(survey()->hydrograph->viewTo()), (day + 1) * 86400);
    }

    void visitAddedIsListedMarkedAndStoredThenWithdrawn()
    {
        QVERIFY(!QFile::exists(dbPath())); // reading never made the database
        showPoint();
        const SurveyLayer &layer = survey()->content().layer();
        const qsizetype k = layer.size() / 2;
        Visit asked;
        asked.time = layer.times[std::size_t(k)];
        asked.manualDepthMm = 250.0;
        asked.manualVelocity = 0.5;
        asked.note = QStringLiteral("清淤后复测");
        survey()->visitPanel->askVisit = [&](QWidget *, const Visit &) {
            return std::optional<Visit>(asked);
        };
        QVERIFY(survey()->visitPanel->addButton->isEnabled());
        QTest::mouseClick(survey()->visitPanel->addButton, Qt::LeftButton);

        QTableWidget *table = survey()->visitPanel->table;
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), clockText(asked.time));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("250.0"));
        // The logger's reading beside it: the level of the record at that time, in mm.
        const double loggerMm = double(layer.rva[std::size_t(k)].level) * 1000.0;
        QCOMPARE(table->item(0, 2)->text(), QString::number(loggerMm, 'f', 1));
        QCOMPARE(table->item(0, 3)->text(), QString::number(250.0 - loggerMm, 'f', 1));
        QCOMPARE(table->item(0, 7)->text(), asked.note);
        const int levelPane = 0, velocityPane = 1;
        QCOMPARE(survey()->hydrograph->pointMarks(SurveyWindow::VisitLevelMarks, levelPane),
                 QVector<QPointF>{QPointF(double(asked.time), 0.25)});
        QCOMPARE(survey()->hydrograph->pointMarks(SurveyWindow::VisitVelocityMarks, velocityPane),
                 QVector<QPointF>{QPointF(double(asked.time), 0.5)});

        // In the database, read by a connection of its own.
        {
            ProjectDb db(dbPath());
            const QVector<Visit> stored = visitsOf(db, kPoint);
            QCOMPARE(stored.size(), 1);
            QCOMPARE(stored[0].time, asked.time);
            QCOMPARE(*stored[0].manualDepthMm, 250.0);
            QCOMPARE(stored[0].note, asked.note);
        }
        // Shown again after another point: still there.
        showPoint(QStringLiteral("滨河路方沟"));
        QCOMPARE(survey()->visitPanel->table->rowCount(), 0);
        showPoint();
        QCOMPARE(survey()->visitPanel->table->rowCount(), 1);

        // Withdrawn with a reason: kept in the list, greyed, no longer marked.
        survey()->visitPanel->askWithdrawReason = [](QWidget *, const Visit &) {
            return QStringLiteral("时间记错");
        };
        survey()->visitPanel->table->selectRow(0);
        QTest::mouseClick(survey()->visitPanel->withdrawButton, Qt::LeftButton);
        QCOMPARE(survey()->visitPanel->table->rowCount(), 1);
        QCOMPARE(survey()->visitPanel->table->item(0, 10)->text(), QStringLiteral("已撤销: 时间记错"));
        QVERIFY(survey()->hydrograph->pointMarks(SurveyWindow::VisitLevelMarks, levelPane).isEmpty());
        ProjectDb db(dbPath());
        QVERIFY(visitsOf(db, kPoint).isEmpty());
        QCOMPARE(visitsOf(db, kPoint, true).size(), 1);
    }

    void visitDialogReturnsOnlyWhatCanBeStored_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("depth");
        QTest::addColumn<QString>("velocity");
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::newRow("both measured") << "2024-03-12 10:00:00"
                                       << "312.5"
                                       << "0,48"
                                       << "";
        QTest::newRow("depth only") << "2024-03-12 10:00:00"
                                    << "312"
                                    << ""
                                    << "";
        QTest::newRow("depth not a number") << "2024-03-12 10:00:00"
                                            << "3l2"
                                            << ""
                                            << "人工液位不是数字";
        QTest::newRow("velocity not a number") << "2024-03-12 10:00:00"
                                               << ""
                                               << "fast"
                                               << "人工流速不是数字";
        QTest::newRow("negative depth") << "2024-03-12 10:00:00"
                                        << "-1"
                                        << ""
                                        << "人工测量液位不能为负";
        QTest::newRow("velocity beyond 10 m/s") << "2024-03-12 10:00:00"
                                                << ""
                                                << "10.5"
                                                << "人工测量流速超出";
        QTest::newRow("year before 1990") << "1989-12-31 23:59:59"
                                          << "100"
                                          << ""
                                          << "现场记录时间须在";
    }
    void visitDialogReturnsOnlyWhatCanBeStored()
    {
        QFETCH(QString, time);
        QFETCH(QString, depth);
        QFETCH(QString, velocity);
        QFETCH(QString, problem);
        VisitDialog dialog(Visit{});
        dialog.timeEdit->setDateTime(clockDateTime(time));
        dialog.depthEdit->setText(depth);
        dialog.velocityEdit->setText(velocity);
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, problem.isEmpty());
        if (problem.isEmpty())
            QVERIFY(dialog.problemLabel->text().isEmpty());
        else
            QVERIFY2(dialog.problemLabel->text().startsWith(problem),
                     qPrintable(dialog.problemLabel->text()));
        const std::optional<Visit> v = dialog.visit();
        QCOMPARE(bool(v), problem.isEmpty());
        if (!v)
            return;
        QCOMPARE(clockText(v->time), time);
        QCOMPARE(v->manualDepthMm.has_value(), !depth.isEmpty());
        QCOMPARE(v->manualVelocity.has_value(), !velocity.isEmpty());
        if (v->manualVelocity)
            QCOMPARE(*v->manualVelocity, 0.48);
    }

    void rvbPointShowsCoverageWithoutVolumesOrScattergraph()
    {
        QTreeWidgetItem *rvbPoint =
            treeChild(project(QStringLiteral("水库入库监测")), QStringLiteral("1号站压力式"));
        QVERIFY(rvbPoint);
        w->on_file_item_clicked(rvbPoint);
        QVERIFY(survey()->isVisible());
        QVERIFY(!survey()->pageAvailable(SurveyWindow::ScatterPage));
        const auto data = survey()->hydrograph->data();
        QVERIFY(data);
        QCOMPARE(int(data->series.size()), 8);
        QTableWidget *days = survey()->checkView->daysTable;
        QCOMPARE(days->rowCount(), 3); // 03-05, 03-06 and the total
        QVERIFY(days->item(0, 2)->text().endsWith(QLatin1Char('%')));
        QCOMPARE(days->item(0, 3)->text(), QStringLiteral("-"));
    }

    void damagedDatabaseTurnsVisitsReadOnlyAndIsToldOnce()
    {
        // Last: it leaves the project's database damaged.
        QFile file(dbPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(4096, 'x'));
        file.close();
        warnings.clear();
        showPoint();
        QVERIFY(!survey()->content().layer().empty()); // the survey still opens
        QVERIFY(!survey()->visitPanel->addButton->isEnabled());
        QVERIFY(!survey()->visitPanel->withdrawButton->isEnabled());
        QCOMPARE(warnings.size(), 1);
        QVERIFY(survey()->visitPanel->messageLabel->text().contains(QStringLiteral("损坏")));
        showPoint(QStringLiteral("滨河路方沟"));
        QVERIFY(!survey()->visitPanel->addButton->isEnabled());
        QCOMPARE(warnings.size(), 1);
    }
};

QTEST_MAIN(TestSurveyWindow)
#include "test_survey_window.moc"
