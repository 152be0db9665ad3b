// Saving from a connected logger end to end: the real main window talks through a pseudo-terminal
// to the logger simulator, downloads the ticked files that are not cached yet one after the other
// and stores them, while the progress window counts files and bytes.

#include "tests/device/SimHarness.h"
#include "tests/device/SimViewer.h"

#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>

#include "app/MainWindow.h"
#include "app/TreeCheck.h"
#include "data/DataFile.h"
#include "tests/save/ModalAnswer.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the progress window shows, sampled every millisecond; one entry per change.
class ProgressRecorder : public QObject
{
public:
    explicit ProgressRecorder(const CopyDevProgress &dialog) : d(dialog)
    {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { sample(); });
        timer.start();
    }
    // "file N total T% bar B" whenever the file number or the total changes.
    QStringList totals;
    // File bar and total bar values seen together while the window was shown.
    QList<QPair<int, int>> bars;

private:
    void sample()
    {
        if (!d.isVisible())
            return;
        const QString t = QStringLiteral("file %1 total %2% bar %3")
                              .arg(d.fileNumberLabel->text(), d.totalPercentLabel->text())
                              .arg(d.totalBar->value());
        if (totals.isEmpty() || totals.last() != t)
            totals << t;
        const QPair<int, int> b(d.fileBar->value(), d.totalBar->value());
        if (bars.isEmpty() || bars.last() != b)
            bars << b;
    }
    const CopyDevProgress &d;
    QTimer timer;
};

void rvaFolder(LoggerFolder &folder, const QStringList &names, int records)
{
    folder.setDevice(5, 20190007, "2 1 18 12 3", "1.5");
    folder.addPoint("P", "A", 0, 800, 0, 0, 30);
    quint32 seed = 1;
    for (const QString &name : names)
        folder.addFile("P", "A", name, testfiles::rvaFile(records, seed++));
    folder.write();
}

QStringList filesBelow(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

} // namespace

class SaveDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void threeFilesOfWhichOneIsCachedCountAsFilesOneTwoThree()
    {
        LoggerFolder folder;
        rvaFolder(folder, {"f1.lmv", "f2.lmv", "f3.lmv"}, 200);
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", "512", "--delay", "5"}));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(v->UsbPrjTree->topLevelItem(0)->child(0)->childCount(), 3);

        // f2 is viewed first and so is in the cache.
        v->once_UsbTreeItemClicked(v.file(1));
        QTRY_VERIFY_WITH_TIMEOUT(!v.file(1)->text(7).isEmpty() && v->isEnabled(), 30000);
        const QByteArray cachedF2 = readAll(v.file(1)->text(7));

        setCheckAll(v->UsbPrjTree, 2);
        QTemporaryDir out;
        ModalAnswer answer;
        answer.answerPathsOf(*v);
        answer.queueFileName(out.path() + "/s.lmv");
        ProgressRecorder progress(v->copy_progress);
        v->save_lmv_action->trigger();
        QVERIFY(v->copy_progress.isVisible());
        QVERIFY(!v->isEnabled());
        const QString point = out.path() + "/s/P/A/";
        QCOMPARE(readAll(point + "f2.lmv"), cachedF2); // stored at once, as file 1
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 60000);

        QStringList starts;
        for (const QString &t : std::as_const(progress.totals))
            if (starts.isEmpty() || starts.last().section(' ', 0, 1) != t.section(' ', 0, 1))
                starts << t;
        QCOMPARE(starts, QStringList({"file 2 total 33% bar 33", "file 3 total 67% bar 66"}));
        for (int i : {0, 2}) {
            QVERIFY(!v.file(i)->text(7).isEmpty());
            QCOMPARE(readAll(point + v.file(i)->text(0)), readAll(v.file(i)->text(7)));
        }
        QVERIFY(readAll(point + "A.lmvpos").contains("$record$P/A/f3.lmv\r\n"));
        QVERIFY(answer.boxes().isEmpty());
        QVERIFY(v->downloadJobs.isEmpty());
    }

    void singleFileMovesBothBarsTogether()
    {
        LoggerFolder folder;
        rvaFolder(folder, {"only.lmv"}, 400);
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", "512", "--delay", "5"}));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        setCheckAll(v->UsbPrjTree, 2);
        QTemporaryDir out;
        ModalAnswer answer;
        answer.answerPathsOf(*v);
        answer.queueFileName(out.path() + "/one.lmv");
        ProgressRecorder progress(v->copy_progress);
        v->save_lmv_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 60000);
        QVERIFY(QFile::exists(out.path() + "/one/P/A/only.lmv"));
        QVERIFY(progress.bars.size() > 3);
        int highest = 0;
        for (const auto &b : std::as_const(progress.bars)) {
            QCOMPARE(b.first, b.second);
            highest = qMax(highest, b.first);
        }
        QVERIFY(highest > 50);
        QVERIFY(highest <= 99);
    }

    void answeringNoToTheCloseQuestionKeepsTheSaveRunning()
    {
        LoggerFolder folder;
        rvaFolder(folder, {"a.lmv", "b.lmv"}, 300);
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", "256", "--delay", "10"}));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        setCheckAll(v->UsbPrjTree, 2);
        QTemporaryDir out;
        ModalAnswer answer(QMessageBox::No);
        answer.answerPathsOf(*v);
        answer.queueFileName(out.path() + "/n.lmv");
        v->save_lmv_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.transferredLabel->text().isEmpty(), 20000);
        v->copy_progress.close();
        QCOMPARE(answer.boxes(), QStringList{"停止传输|本文件未完整传输,是否停止传输?"});
        QVERIFY(v->copy_progress.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 60000);
        QVERIFY(QFile::exists(out.path() + "/n/P/A/a.lmv"));
        QVERIFY(QFile::exists(out.path() + "/n/P/A/b.lmv"));
        QCOMPARE(answer.boxes().size(), 1);
    }

    void answeringYesStopsAndListsTheFilesNotSaved()
    {
        LoggerFolder folder;
        rvaFolder(folder, {"a.lmv", "b.lmv"}, 300);
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", "256", "--delay", "10"}));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        setCheckAll(v->UsbPrjTree, 2);
        QTemporaryDir out;
        ModalAnswer answer(QMessageBox::Yes);
        answer.answerPathsOf(*v);
        answer.queueFileName(out.path() + "/y.lmv");
        v->save_lmv_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.transferredLabel->text().isEmpty(), 20000);
        v->copy_progress.close();
        QVERIFY(!v->copy_progress.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(answer.boxes().size() == 2, 10000);
        const QString report = answer.boxes()[1];
        QVERIFY(report.startsWith(QStringLiteral("部分文件未写入|以下2个文件未写入:")));
        QVERIFY(report.contains(out.path() + "/y/P/A/a.lmv: 传输已停止,未保存"));
        QVERIFY(report.contains(out.path() + "/y/P/A/b.lmv: 传输已停止,未保存"));
        QTRY_VERIFY_WITH_TIMEOUT(v->isEnabled(), 10000);
        QVERIFY(!QFile::exists(out.path() + "/y/P/A/a.lmv"));
        // The index files name the point but no file: none was written.
        const QByteArray index = readAll(out.path() + "/y/P/P.lmvprj");
        QVERIFY(index.contains("$pos$P/A"));
        QVERIFY(!index.contains("$record$"));
        QVERIFY(!readAll(out.path() + "/y/P/A/A.lmvpos").contains("$record$"));
    }

    void indexListsOnlyTheFilesStored_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("none") << QStringList() << QStringList();
        QTest::newRow("one of two") << QStringList{"/s/P/Q/F2.lmv"} << QStringList{"$record$P/Q/F2.lmv"};
        QTest::newRow("both, and one of another store")
            << QStringList{"/s/P/Q/F1.lmv", "/s/P/Q/F2.lmv", "/t/P/Q/F1.lmv"}
            << QStringList{"$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"};
    }
    void indexListsOnlyTheFilesStored()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, records);
        const QStringList lines{"$id$7", "$prj$P", "$pos$P/Q", "$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"};
        const QSet<QString> files(stored.begin(), stored.end());
        QCOMPARE(lmv::indexLinesOfStoredFiles(lines, "/s/", files),
                 QStringList({"$id$7", "$prj$P", "$pos$P/Q"}) + records);
    }

    void wholeSampleLoggerSavedOpensAgainInPcModeAsTheSameTree()
    {
        QTemporaryDir logger;
        QProcess make;
        make.start(QStringLiteral(LMV_SIM_PATH), {"--make-sample", "rva", logger.path()});
        QVERIFY(make.waitForFinished(30000));
        QCOMPARE(make.exitCode(), 0);
        Simulator sim;
        QVERIFY(sim.start(logger.path()));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QVERIFY(v->UsbPrjTree->topLevelItemCount() >= 2);
        setCheckAll(v->UsbPrjTree, 2);
        QTemporaryDir out;
        ModalAnswer answer;
        answer.answerPathsOf(*v);
        answer.queueFileName(out.path() + "/store.lmv");
        v->save_lmv_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 120000);
        QVERIFY(answer.boxes().isEmpty());

        QStringList deviceShape, localShape;
        for (int p = 0; p < v->UsbPrjTree->topLevelItemCount(); ++p) {
            const QTreeWidgetItem *project = v->UsbPrjTree->topLevelItem(p);
            for (int q = 0; q < project->childCount(); ++q)
                for (int f = 0; f < project->child(q)->childCount(); ++f) {
                    const QTreeWidgetItem *file = project->child(q)->child(f);
                    deviceShape << project->text(0) + "/" + project->child(q)->text(0) + "/" + file->text(0);
                    QCOMPARE(readAll(out.path() + "/store/" + deviceShape.last()), readAll(file->text(7)));
                }
        }
        QStringList projects;
        for (int p = 0; p < v->UsbPrjTree->topLevelItemCount(); ++p)
            projects << v->UsbPrjTree->topLevelItem(p)->text(0);
        v->pc_button->click(); // leaving device mode closes the link and empties the cache
        for (const QString &name : std::as_const(projects))
            v->openLocalPath(out.path() + "/store/" + name + "/" + name + ".lmvprj");
        for (int p = 0; p < v->PrjTree->topLevelItemCount(); ++p) {
            const QTreeWidgetItem *project = v->PrjTree->topLevelItem(p);
            for (int q = 0; q < project->childCount(); ++q)
                for (int f = 0; f < project->child(q)->childCount(); ++f) {
                    const QTreeWidgetItem *point = project->child(q);
                    const QTreeWidgetItem *file = point->child(f);
                    localShape << project->text(0) + "/" + point->text(0) + "/" + file->text(0);
                    lmv::DataFileContents contents;
                    QCOMPARE(lmv::readDataFile(project->text(1) + point->text(1) + file->text(1), contents),
                             int(lmv::ReadOk));
                    QVERIFY(!contents.rva.empty());
                }
        }
        QCOMPARE(localShape, deviceShape);
    }

    // A logger whose names look like paths: text and data saves write below the chosen folder
    // only, and the saved store opens again in PC mode.
    void hostileNamesFromTheLoggerStayInsideTheChosenFolder()
    {
        LoggerFolder folder;
        folder.setDevice(5, 20190007, "2 1 18 12 3", "1.5");
        folder.addPoint("p", "q", 0, 800, 0, 0, 30);
        folder.addFile("p", "q", "f.lmv", testfiles::rvaFile(20));
        folder.rename("p", "..%2F..%2Fx");
        folder.rename("p/q", "a%2Fb");
        folder.rename("p/q/f.lmv", "..%2F..%2F..%2Fy.lmv");
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root()));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(v.file(0)->text(0), QStringLiteral("../../../y.lmv"));
        setCheckAll(v->UsbPrjTree, 2);

        QTemporaryDir sandbox;
        const QString chosen = sandbox.path() + "/1/2/3/";
        QVERIFY(QDir().mkpath(chosen));
        ModalAnswer answer;
        answer.answerPathsOf(*v);
        answer.queueFileName(chosen + "t.txt");
        answer.queueFileName(chosen + "s.lmv");
        v->save_txt_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 30000);
        v->save_lmv_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 30000);
        QVERIFY(answer.boxes().isEmpty());

        const QString project = "%2E%2E%2F%2E%2E%2Fx", point = "a%2Fb", file = "%2E%2E%2F%2E%2E%2F%2E%2E%2Fy";
        const QString store = chosen + "s/" + project + "/";
        QStringList expected = {store + project + ".lmvprj", store + point + "/" + point + ".lmvpos",
                                store + point + "/" + file + ".lmv",
                                chosen + "t/" + project + "/" + point + "/" + file + ".txt"};
        expected.sort();
        QCOMPARE(filesBelow(sandbox.path()), expected);

        v->pc_button->click();
        v->openLocalPath(store + project + ".lmvprj");
        QCOMPARE(v->PrjTree->topLevelItemCount(), 1);
        const QTreeWidgetItem *p = v->PrjTree->topLevelItem(0);
        QCOMPARE(p->childCount(), 1);
        QCOMPARE(p->child(0)->childCount(), 1);
        const QTreeWidgetItem *f = p->child(0)->child(0);
        lmv::DataFileContents contents;
        QCOMPARE(lmv::readDataFile(p->text(1) + p->child(0)->text(1) + f->text(1), contents),
                 int(lmv::ReadOk));
        QCOMPARE(int(contents.rva.size()), 20);
    }

    void savingAsTextDownloadsAndExportsWithoutIndexFiles()
    {
        LoggerFolder folder;
        rvaFolder(folder, {"F1.lmv"}, 50);
        Simulator sim;
        QVERIFY(sim.start(folder.root()));
        Viewer v;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        setCheckAll(v->UsbPrjTree, 2);
        QTemporaryDir out;
        ModalAnswer answer;
        answer.answerPathsOf(*v);
        answer.queueFileName(out.path() + "/t.txt");
        v->save_txt_action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!v->copy_progress.isVisible() && v->isEnabled(), 30000);
        const QByteArray text = readAll(out.path() + "/t/P/A/F1.txt");
        QVERIFY(text.startsWith(QStringLiteral("项目名称:P\r\n监测地点:A\r\n").toUtf8()));
        QCOMPARE(text.count("\r\n"), 23 + 50);
        QVERIFY(!QFile::exists(out.path() + "/t/P/P.lmvprj"));
        QVERIFY(!QFile::exists(out.path() + "/t/P/A/A.lmvpos"));
        QVERIFY(sim.requests("rva-data").size() >= 1);
    }
};

QTEST_MAIN(SaveDeviceTest)
#include "test_save_device.moc"
