// "导入雨量计数据" and a file's hyetograph in the main window, over a copy of the sample store.

#include "../CopyTree.h"
#include "SampleStoreWindow.h"
#include "app/MainWindow.h"
#include "plots/Hydrograph.h"
#include "plots/Hyetograph.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "views/RainImportDialog.h"
#include "views/SurveyRain.h"
#include "views/SurveyWindow.h"

#include <QAction>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("城东排水管网");

} // namespace

class TestRainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_index;
    std::unique_ptr<MainWindow> m_w;

    QTreeWidgetItem *project() const
    {
        return m_w->PrjTree->topLevelItemCount() ? m_w->PrjTree->topLevelItem(0) : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(copyTree(QStringLiteral(LMV_SAMPLES "/store/") + kProject, m_work.filePath(kProject)));
        m_index = m_work.filePath(kProject + "/" + kProject + ".lmvprj");
        m_w = std::make_unique<MainWindow>();
        m_w->show();
        QVERIFY(!m_w->rain_import_action->isEnabled()); // device mode
        QTest::mouseClick(m_w->pc_button, Qt::LeftButton);
        m_w->openLocalPath(m_index);
        QVERIFY(project());
    }

    void importsThroughTheAction()
    {
        QTreeWidgetItem *point = treeChild(project(), QStringLiteral("建设路1号井"));
        QVERIFY(point);
        m_w->PrjTree->setCurrentItem(point);
        QVERIFY(m_w->rain_import_action->isEnabled());
        const QString file = m_work.filePath("east.csv");
        QVERIFY(QFile::copy(m_work.filePath(kProject + "/雨量计_城东.csv"), file));
        m_w->askPath = [&](const PathQuestion &) { return file; };
        QStringList offered, checked;
        m_w->runRainImportDialog = [&](RainImportDialog &dialog) {
            for (int i = 0; i < dialog.pointsList->count(); ++i)
                offered << dialog.pointsList->item(i)->text();
            checked = dialog.chosenPoints();
            dialog.nameEdit->setText(QStringLiteral("东站"));
            return true;
        };
        m_w->rain_import_action->trigger();
        QCOMPARE(offered, (QStringList{"建设路1号井", "滨河路方沟", "人民路5号井"}));
        QCOMPARE(checked, QStringList{"建设路1号井"});
        const auto gauge = gaugeNamed(ProjectDb(ProjectDb::pathFor(m_index)), QStringLiteral("东站"));
        QVERIFY(gauge);
        QCOMPARE(gauge->points, QStringList{"建设路1号井"});
        QCOMPARE(gauge->sourceName, QStringLiteral("east.csv"));
    }

    void fileHydrographShowsCoveredRain()
    {
        QTreeWidgetItem *point = treeChild(project(), QStringLiteral("人民路5号井"));
        QVERIFY(point && point->childCount() > 0);
        m_w->on_file_item_clicked(point->child(0)); // 04-01 to 04-08, in the gauge's record
        m_w->RVA_RecordWindow::showLowerView(1);
        QVERIFY(m_w->RVA_RecordWindow::hydrograph->data());
        QVERIFY(m_w->file_rain->hasRain());
        QCOMPARE(m_w->file_rain->gauge(), QStringLiteral("雨量计_城东"));
        if (qEnvironmentVariableIsSet("LMV_RAIN_SHOT")) {
            m_w->resize(1200, 800);
            QTest::qWait(50);
            m_w->grab().save(qEnvironmentVariable("LMV_RAIN_SHOT") + "-file.png");
        }
        // 建设路1号井's gauge has no record in March.
        m_w->on_file_item_clicked(treeChild(project(), QStringLiteral("建设路1号井"))->child(0));
        m_w->RVA_RecordWindow::showLowerView(1);
        QVERIFY(m_w->RVA_RecordWindow::hydrograph->data());
        QVERIFY(!m_w->file_rain->hasRain());
    }

    // A point with two gauges: the file's pane shows the one covering the file, though another
    // was assigned first.
    void fileHydrographTakesTheGaugeCoveringTheFile()
    {
        const QString point = QStringLiteral("建设路1号井");
        RainSeries march;
        march.intervalSeconds = 300;
        const qint64 start = QDateTime(QDate(2024, 3, 10), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
        for (qint64 t = start + 300; t <= start + 5 * 86400; t += 300) {
            march.times.push_back(t);
            march.depthMm.push_back(t % 3600 == 0 ? 0.4 : 0.0);
        }
        march.covered = {lmv::TimeSpan{start, march.times.back()}};
        ProjectDb db(ProjectDb::pathFor(m_index));
        GaugeImport gauge;
        gauge.name = QStringLiteral("三月站");
        gauge.sourceName = QStringLiteral("march.csv");
        gauge.sourceSha256 = QString(64, QLatin1Char('0'));
        gauge.points = QStringList{point};
        QString error;
        QVERIFY2(importGauge(db, gauge, march, &error), qPrintable(error));
        QVERIFY(pointGauges(db, point).size() >= 2);
        QVERIFY(pointGauges(db, point).front().name != gauge.name);

        m_w->on_file_item_clicked(treeChild(project(), point)->child(0));
        m_w->RVA_RecordWindow::showLowerView(1);
        QVERIFY(m_w->file_rain->hasRain());
        QCOMPARE(m_w->file_rain->gauge(), gauge.name);
    }
};

QTEST_MAIN(TestRainWindow)
#include "test_rain_window.moc"
