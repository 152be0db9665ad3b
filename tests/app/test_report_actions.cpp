// "生成报告" and "导出模型数据" in the main window over a copy of the sample store: the shown
// point's report and a project's report reach the chosen file, a model file carries the shown
// period, and a file that cannot be written is told and leaves nothing.

#include "../CopyTree.h"
#include "app/MainWindow.h"
#include "survey/EditStore.h"
#include "survey/ProjectDb.h"
#include "views/SurveyWindow.h"

#include "../data/ToolRun.h"

#include <QAction>
#include <QDirIterator>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace lmv;

namespace {

const QString kProject = QStringLiteral("城东排水管网");
const QString kPoint = QStringLiteral("建设路1号井");

QString pdfText(const QString &path)
{
    return runProgram(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).out;
}

} // namespace

class TestReportActions : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    std::unique_ptr<MainWindow> w;
    QString answer; // what askPath answers
    QStringList told;

    QTreeWidgetItem *project()
    {
        for (int i = 0; i < w->PrjTree->topLevelItemCount(); ++i)
            if (w->PrjTree->topLevelItem(i)->text(0) == kProject)
                return w->PrjTree->topLevelItem(i);
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(copyTree(QStringLiteral(LMV_SAMPLES "/store"), work.path() + "/store"));
        w = std::make_unique<MainWindow>();
        w->resize(1366, 768);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::mouseClick(w->pc_button, Qt::LeftButton);
        w->openLocalPath(work.path() + "/store/" + kProject + "/" + kProject + ".lmvprj");
        QVERIFY(project());
        w->askPath = [this](const PathQuestion &) { return answer; };
        w->tellReport = [this](const QString &, const QString &text) { told << text; };
        QTreeWidgetItem *point = nullptr;
        for (int i = 0; i < project()->childCount(); ++i)
            if (project()->child(i)->text(0) == kPoint)
                point = project()->child(i);
        QVERIFY(point);
        w->on_file_item_clicked(point);
        QVERIFY(w->survey_window->isVisible());
        QVERIFY(w->survey_report_button->isVisible());
        if (!qEnvironmentVariableIsEmpty("LMV_SHOT"))
            w->grab().save(qEnvironmentVariable("LMV_SHOT"));
    }

    void cleanupTestCase() { w.reset(); }

    // The shown point's report over the window's period; a name without suffix gets ".pdf".
    void pointReportReachesTheChosenFile()
    {
        answer = work.filePath(QStringLiteral("point"));
        told.clear();
        QTest::mouseClick(w->survey_report_button, Qt::LeftButton);
        QVERIFY2(told.isEmpty(), qPrintable(told.join(QLatin1Char('\n'))));
        const QString pdf = answer + QStringLiteral(".pdf");
        QVERIFY(QFile::exists(pdf));
        QVERIFY(w->status_label->text().contains(pdf));
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("测点 ") + kPoint));
        QVERIFY(text.contains(QStringLiteral("逐日流量表")));
        QVERIFY(text.contains(QStringLiteral("2024-03-12")));
    }

    // "取消" pressed in the progress dialog while pages are drawn: the run stops, nothing is left
    // in the folder (no half-written report, no temporary file) and the status says so.
    void cancelledReportLeavesNothing()
    {
        QTemporaryDir folder;
        answer = folder.filePath(QStringLiteral("cancelled.pdf"));
        told.clear();
        bool pressed = false;
        QTimer presser;
        connect(&presser, &QTimer::timeout, this, [this, &pressed] {
            auto *progress = w->findChild<QProgressDialog *>();
            if (pressed || !progress || !progress->isVisible())
                return;
            auto *cancel = progress->findChild<QPushButton *>();
            QVERIFY(cancel);
            QCOMPARE(cancel->text(), QStringLiteral("取消"));
            pressed = true;
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        presser.start(0);
        QTest::mouseClick(w->survey_report_button, Qt::LeftButton);
        presser.stop();
        QVERIFY(pressed);
        QVERIFY2(told.isEmpty(), qPrintable(told.join(QLatin1Char('\n'))));
        QCOMPARE(w->status_label->text(), QStringLiteral("报告已取消, 未写入文件"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The project's report covers every point of the tree over the asked period; a period
    // question answered with nothing writes nothing.
    void projectReportCoversItsPoints()
    {
        w->PrjTree->setCurrentItem(project());
        w->askReportPeriod = [](const QString &, qint64, qint64) { return std::nullopt; };
        answer = work.filePath(QStringLiteral("none.pdf"));
        w->project_report_action->trigger();
        QVERIFY(!QFile::exists(answer));

        w->askReportPeriod = [](const QString &project, qint64,
                                qint64) -> std::optional<survey::SurveyPeriod> {
            if (project != kProject)
                return std::nullopt;
            survey::SurveyPeriod p;
            p.from = QDateTime(QDate(2024, 3, 11), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
            p.to = *p.from + 2 * 86400 - 1;
            return p;
        };
        answer = work.filePath(QStringLiteral("project.pdf"));
        w->project_report_action->trigger();
        QVERIFY(QFile::exists(answer));
        const QString text = pdfText(answer);
        for (int i = 0; i < project()->childCount(); ++i)
            QVERIFY2(text.contains(QStringLiteral("测点 ") + project()->child(i)->text(0)),
                     qPrintable(project()->child(i)->text(0)));
        QVERIFY(text.contains(QStringLiteral("2024-03-11 00:00:00 至")));
    }

    // A fixed-step CSV of the shown point at the chosen step; an unwritable path is told.
    void modelExportWritesTheChosenFormat()
    {
        report::ModelExportChoice choice;
        choice.format = report::ModelFormat::Csv;
        choice.stepSeconds = 600;
        w->askModelExport = [&choice](const QString &point, const QStringList &) {
            return point == kPoint ? std::optional(choice) : std::nullopt;
        };
        answer = work.filePath(QStringLiteral("steps.csv"));
        told.clear();
        QTest::mouseClick(w->model_export_button, Qt::LeftButton);
        QVERIFY2(told.isEmpty(), qPrintable(told.join(QLatin1Char('\n'))));
        QFile f(answer);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 2);
        QVERIFY(lines.first().startsWith(QStringLiteral("time,")));
        const QDateTime t1 = QDateTime::fromString(lines[1].section(QLatin1Char(','), 0, 0),
                                                   QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QDateTime t2 = QDateTime::fromString(lines[2].section(QLatin1Char(','), 0, 0),
                                                   QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(t1.secsTo(t2), 600);

        answer = work.filePath(QStringLiteral("no/such/folder/steps.csv"));
        QTest::mouseClick(w->model_export_button, Qt::LeftButton);
        QCOMPARE(told.size(), 1);
        QVERIFY(!QFile::exists(answer));
    }

    // The point's files follow the layer the window shows: edited values flagged, the raw switch
    // without them.
    void modelExportFollowsTheShownLayer()
    {
        const survey::SurveyLayer &layer = w->survey_window->content().layer();
        QVERIFY(layer.size() > 100);
        const std::size_t mid = std::size_t(layer.size() / 2);
        survey::Edit e;
        e.op = survey::EditOp::Offset;
        e.from = layer.times[mid];
        e.to = layer.times[mid + 20];
        e.value = 30.0;
        e.reason = QStringLiteral("探头偏移");
        {
            survey::ProjectDb db(survey::ProjectDb::pathFor(w->survey_window->content().target().indexPath));
            QString error;
            QVERIFY2(survey::addEdit(db, kPoint, w->survey_window->content().point().wholeRaw(), e, &error),
                     qPrintable(error));
        }
        w->survey_window->refreshLayer();
        report::ModelExportChoice choice;
        choice.format = report::ModelFormat::Csv;
        choice.stepSeconds = 600;
        w->askModelExport = [&choice](const QString &, const QStringList &) { return std::optional(choice); };
        auto flagsOf = [this](const QString &name) {
            answer = work.filePath(name);
            QTest::mouseClick(w->model_export_button, Qt::LeftButton);
            QFile f(answer);
            return f.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(f.readAll()).count(QStringLiteral(",edited"))
                       : -1;
        };
        QVERIFY(flagsOf(QStringLiteral("edited.csv")) > 0);
        w->survey_window->setLayerChoice(survey::LayerChoice::Raw);
        QCOMPARE(flagsOf(QStringLiteral("raw.csv")), 0);
        w->survey_window->setLayerChoice(survey::LayerChoice::Edited);
    }
};

QTEST_MAIN(TestReportActions)
#include "test_report_actions.moc"
