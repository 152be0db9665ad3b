// The damaged folder in the viewer: paths no reader takes are said so where they are opened,
// and every damaged data file goes through the hydrograph, the scattergraph and the data check
// in the main window without a crash, a hang or a silent success. Also the shell's part of the
// finished views: loose files of one project under one node, and the data check at 1366 × 768.

#include "app/MainWindow.h"
#include "data/DataFile.h"
#include "data/SedimentTrust.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"
#include "tests/data/DamagedFiles.h"
#include "views/SurveyCheckView.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int kLimitMs = 2000;

struct BoxSeen
{
    QString title;
    QString text;
    bool seen = false;
};

// Closes the next message box with OK and keeps what it said.
void closeNextBox(BoxSeen *out, int triesLeft = 500)
{
    QTimer::singleShot(10, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (triesLeft > 0)
                closeNextBox(out, triesLeft - 1);
            return;
        }
        out->title = box->windowTitle();
        out->text = box->text();
        out->seen = true;
        box->button(QMessageBox::Ok)->click();
    });
}

int lowerViewOf(const RecordWindowBase &w, const QString &text)
{
    for (QAbstractButton *b : w.lowerButtons->buttons())
        if (b->text() == text)
            return w.lowerButtons->id(b);
    return -1;
}

// The file item of that name, wherever it joined the tree.
QTreeWidgetItem *fileItem(QTreeWidget *tree, const QString &name)
{
    for (int p = 0; p < tree->topLevelItemCount(); ++p)
        for (int q = 0; q < tree->topLevelItem(p)->childCount(); ++q)
            for (int f = 0; f < tree->topLevelItem(p)->child(q)->childCount(); ++f)
                if (tree->topLevelItem(p)->child(q)->child(f)->text(0) == name)
                    return tree->topLevelItem(p)->child(q)->child(f);
    return nullptr;
}

} // namespace

class TestDamagedViews : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QList<damaged::Entry> folder;
    QString oldDir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        folder = damaged::write(dir.path());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the viewer's ./tmp cache goes here
    }
    void cleanupTestCase() { QDir::setCurrent(oldDir); }

    void pathsNoReaderTakesAreSaidWhereOpened_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << "no_such.lmvprj" << lmv::readResultText(lmv::ReadCannotOpen);
        QTest::newRow("folder") << "folder.lmv" << lmv::readResultText(lmv::ReadNotAFile);
        QTest::newRow("FIFO, opened without waiting for a writer")
            << "fifo.lmv" << lmv::readResultText(lmv::ReadNotAFile);
        QTest::newRow("sparse 2 GiB") << "sparse_2GiB.lmv" << lmv::readResultText(lmv::ReadTooLarge);
    }
    void pathsNoReaderTakesAreSaidWhereOpened()
    {
        QFETCH(QString, name);
        QFETCH(QString, why);
        MainWindow w;
        w.show();
        w.on_pc_button_released();
        // The command line opens its paths as 打开项目 does: through openLocalPath.
        BoxSeen box;
        closeNextBox(&box);
        QElapsedTimer clock;
        clock.start();
        w.openLocalPath(dir.filePath(name));
        QVERIFY(clock.elapsed() < kLimitMs);
        QVERIFY(box.seen);
        QCOMPARE(box.title, QStringLiteral("打开项目"));
        QCOMPARE(box.text,
                 QStringLiteral("无法打开 %1\n%2").arg(QDir::toNativeSeparators(dir.filePath(name)), why));
        QCOMPARE(w.PrjTree->topLevelItemCount(), 0);
        // "打开文件(O)" says the same.
        BoxSeen file;
        closeNextBox(&file);
        w.askPath = [&](const PathQuestion &) { return dir.filePath(name); };
        w.open_file_action->trigger();
        QVERIFY(file.seen);
        QCOMPARE(file.text, box.text);
    }

    void damagedFilesGoThroughTheThreeViews()
    {
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        w.on_pc_button_released();
        const QString shots = qEnvironmentVariable("LMV_SHOT_DIR");
        int shown = 0;
        for (const damaged::Entry &e : std::as_const(folder)) {
            if (e.kind != damaged::Kind::Rva)
                continue;
            w.openLocalPath(dir.filePath(e.name));
            QTreeWidgetItem *file = fileItem(w.PrjTree, e.name);
            QVERIFY2(file, qPrintable(e.name));
            QElapsedTimer clock;
            clock.start();
            w.on_file_item_clicked(file);
            RVA_RecordWindow &rva = w;
            for (const QString &view :
                 {QStringLiteral("过程线"), QStringLiteral("散点图"), QStringLiteral("数据检查")}) {
                rva.showLowerView(lowerViewOf(rva, view));
                QCoreApplication::processEvents();
                QVERIFY2(clock.elapsed() < kLimitMs, qPrintable(e.name + QLatin1Char(' ') + view));
                clock.restart();
                if (!shots.isEmpty())
                    w.grab().save(shots + QStringLiteral("/damaged_%1_%2.png")
                                              .arg(e.name.chopped(4))
                                              .arg(rva.lowerViewIndex()));
            }
            const QString what = e.name;
            // 数据检查: the damage is a finding, the summary is there.
            const lmv::SurveyCheck &c = rva.checkView->check();
            QCOMPARE(c.records, qsizetype(rva.UnitModel->records().size()));
            QVERIFY2(!rva.checkView->summaryLabel->text().isEmpty(), qPrintable(what));
            if (!e.mark.isEmpty()) {
                QStringList kinds;
                for (const lmv::Finding &f : c.findings)
                    kinds << lmv::findingKindText(f.kind);
                QVERIFY2(kinds.join(' ').contains(e.mark.left(2)), qPrintable(what + ": " + kinds.join(' ')));
            }
            // 散点图: an impossible pipe is named instead of a fit; an estimate carries its trust.
            Scattergraph *g = rva.scattergraph;
            const bool pipe = e.mark == QStringLiteral("管道参数");
            QVERIFY2(!g->pipeProblem().isEmpty() == pipe, qPrintable(what + ": " + g->pipeProblem()));
            if (pipe)
                QVERIFY2(g->panel()->fitLabel->text().startsWith(QStringLiteral("管道参数不可能")),
                         qPrintable(what));
            else if (g->sweep().bestMm >= 0)
                QVERIFY2(g->panel()->sedimentLabel->text().contains(lmv::sedimentTrustText(g->trust().level)),
                         qPrintable(what));
            // 过程线: the crown and the sediment top where the pipe can be, no lines where it cannot.
            QCOMPARE(rva.hydrograph->levelLines().size(), pipe ? 0 : 2);
            QVERIFY(!rva.hydrograph->pictureTitle().isEmpty());
            ++shown;
        }
        QVERIFY(shown >= 15);
    }

    void looseFilesOfOneProjectJoinOneNode()
    {
        MainWindow w;
        w.show();
        w.on_pc_button_released();
        // Two files of one point, one of the same project with another pipe, the first again.
        for (const char *name : {"pipe_sediment_5000.lmv", "correction_nan.lmv", "times_impossible.lmv",
                                 "interval_ffffffff.lmv", "correction_nan.lmv"})
            w.openLocalPath(dir.filePath(QString::fromLatin1(name)));
        QCOMPARE(w.PrjTree->topLevelItemCount(), 1);
        QTreeWidgetItem *project = w.PrjTree->topLevelItem(0);
        QCOMPARE(project->text(0), QStringLiteral("损坏示例"));
        QCOMPARE(project->childCount(), 2); // sediment 5000 mm and 40 mm: two pipes, two points
        QCOMPARE(project->child(0)->childCount(), 1);
        QCOMPARE(project->child(1)->childCount(), 3); // the file opened twice is listed once
        // Each file still shows its own records.
        w.on_file_item_clicked(project->child(1)->child(2));
        QCOMPARE(w.RVA_RecordWindow::UnitModel->records().size(), std::size_t(200));
        // A project index of the same name keeps its own node.
        QCOMPARE(project->text(1), QString());
    }

    void dataCheckFitsTheWindowOn1366By768()
    {
        MainWindow w;
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.on_pc_button_released();
        w.openLocalPath(QStringLiteral(LMV_SAMPLES "/files/数据检查示例_20240520.lmv"));
        w.on_file_item_clicked(fileItem(w.PrjTree, QStringLiteral("数据检查示例_20240520.lmv")));
        RVA_RecordWindow &rva = w;
        rva.showLowerView(lowerViewOf(rva, QStringLiteral("数据检查")));
        QCoreApplication::processEvents();
        SurveyCheckView *view = rva.checkView;
        if (const QString shots = qEnvironmentVariable("LMV_SHOT_DIR"); !shots.isEmpty())
            w.grab().save(shots + QStringLiteral("/check_1366x768.png"));
        // The nine columns of the days, and the five of the findings with 说明 wide enough for
        // its longest text, fit without scrolling sideways.
        QCOMPARE(view->daysTable->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(view->findingsTable->horizontalScrollBar()->maximum(), 0);
        int widest = 0;
        const QFontMetrics metrics(view->findingsTable->font());
        for (const lmv::Finding &f : view->check().findings)
            widest = std::max(widest, metrics.horizontalAdvance(lmv::findingDetail(f)));
        QVERIFY2(view->findingsTable->columnWidth(4) >= widest,
                 qPrintable(QStringLiteral("%1 < %2").arg(view->findingsTable->columnWidth(4)).arg(widest)));
        // A click on a finding says where the hydrograph went, and the summary stays.
        const QString summary = view->summaryLabel->text();
        QVERIFY(summary.startsWith(QStringLiteral("记录 556 条")));
        emit view->findingsTable->clicked(view->findingsTable->model()->index(0, 0));
        QVERIFY(view->statusLabel->text().startsWith(QStringLiteral("过程线已定位到")));
        QCOMPARE(view->summaryLabel->text(), summary);
        QVERIFY(view->summaryLabel->isVisible() && view->statusLabel->isVisible());
        QVERIFY(!view->summaryLabel->geometry().intersects(view->statusLabel->geometry()));
    }
};

QTEST_MAIN(TestDamagedViews)
#include "test_damaged_views.moc"
