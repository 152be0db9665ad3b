// Replies that are lost, late or sent twice, in every stage of the link: the device tree, the
// cached files and the stored files are byte for byte those of a run without faults. Closing the
// window or losing the logger in the middle of an operation leaves nothing running.
#include "SimHarness.h"
#include "SimViewer.h"

#include "app/MainWindow.h"
#include "app/TreeCheck.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDirIterator>
#include <QPushButton>

using lmv::LinkStage;

namespace {

constexpr int kTimerMs = 150;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What one run leaves behind.
struct Snapshot
{
    QString tree;
    QMap<QString, QByteArray> viewed; // tree path (+ day) -> cache bytes
    QMap<QString, QByteArray> stored; // path below the save root -> bytes
};

QString treeText(const QTreeWidget *tree)
{
    QString out;
    std::function<void(const QTreeWidgetItem *, int)> add = [&](const QTreeWidgetItem *item, int depth) {
        out += QString(depth * 2, ' ');
        for (int c = 0; c < 7; ++c)
            out += item->text(c) + '|';
        out += '\n';
        for (int i = 0; i < item->childCount(); ++i)
            add(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        add(tree->topLevelItem(i), 0);
    return out;
}

QMap<QString, QByteArray> filesBelow(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.insert(path.mid(root.size()), readAll(path));
    }
    return out;
}

QList<QTreeWidgetItem *> fileItems(QTreeWidget *tree)
{
    QList<QTreeWidgetItem *> out;
    for (int p = 0; p < tree->topLevelItemCount(); ++p)
        for (int q = 0; q < tree->topLevelItem(p)->childCount(); ++q)
            for (int f = 0; f < tree->topLevelItem(p)->child(q)->childCount(); ++f)
                out << tree->topLevelItem(p)->child(q)->child(f);
    return out;
}

QString pathOf(const QTreeWidgetItem *file)
{
    return file->parent()->parent()->text(0) + '|' + file->parent()->text(0) + '|' + file->text(0);
}

// Two projects; points without files side by side (their file lists are alike); files of several
// pages with page numbers that come round again.
void rvaFolder(LoggerFolder &folder)
{
    folder.setDevice(5, 20190001, "2 1 18 12 3", "1.5");
    folder.addPoint("P1", "A", 0, 800, 0, 0, 30);
    folder.addFile("P1", "A", "a1.lmv", testfiles::rvaFile(40, 1));
    folder.addFile("P1", "A", "a2.lmv", testfiles::rvaFile(30, 2));
    folder.addPoint("P1", "B", 1, 1200, 1000);
    folder.addPoint("P1", "C", 2, 900, 600, 1400);
    folder.addPoint("P2", "D", 3, 700, 0, 0, 5);
    folder.addFile("P2", "D", "d1.lmv", testfiles::rvaFile(35, 4));
    folder.addFile("P2", "D", "d2.lmv", testfiles::rvaFile(5, 5));
    folder.write();
}

void rvbFolder(LoggerFolder &folder)
{
    folder.setDevice(1, 20200107, "1 3 20 6 4", "1.2");
    folder.addPoint("P1", "A");
    folder.addFile("P1", "A", "2019年01月.lmv", testfiles::rvbMonth({3, 17}, 8));
    folder.addPoint("P1", "B");
    folder.addPoint("P2", "C");
    folder.addFile("P2", "C", "2019年01月.lmv", testfiles::rvbMonth({5, 6}, 6));
    folder.write();
}

// What "保存为lmv格式" does once a name is chosen, for every file of the tree.
void saveEverything(MainWindow *w, const QString &root)
{
    setCheckAll(w->UsbPrjTree, 2);
    w->downloadJobs.clear();
    w->saveFailures.clear();
    const lmv::SaveSelection selection =
        w->collectSelection(w->UsbPrjTree, root, w->device_info.deviceNumber);
    for (const QString &dir : selection.directories)
        QDir().mkpath(dir);
    w->copy_progress.startCopy(quint32(selection.fileCount));
    w->saveFormat = 0;
    w->queueOrStore(w->UsbPrjTree, root, lmv::SaveFormat::DataFile);
    if (!w->downloadJobs.isEmpty())
        w->startSaveDownload();
}

// "保存为lmv格式" of every file, the name question answered so that the store goes to root.
void saveThroughMenu(MainWindow *w, const QString &root)
{
    setCheckAll(w->UsbPrjTree, 2);
    const QString chosen = root.chopped(1) + ".lmv";
    w->askPath = [chosen](const PathQuestion &) { return chosen; };
    w->on_save_lmv_action_triggered();
}

// The "$record$" lines of every index file below root, as "index file name:record".
QStringList indexedRecords(const QString &root)
{
    QStringList records;
    QDirIterator it(root, {"*.lmvprj", "*.lmvpos"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QList<QByteArray> lines = readAll(path).split('\n');
        for (const QByteArray &line : lines) {
            const QString text = QString::fromLatin1(line).trimmed();
            if (text.startsWith("$record$"))
                records << QFileInfo(path).fileName() + ':' + text.mid(8);
        }
    }
    records.sort();
    return records;
}

} // namespace

class LinkFaultTest : public QObject
{
    Q_OBJECT

private slots:
    void closingTheWindowMidOperationEndsEverything_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char *op : {"walk", "rva download", "rvb day", "save queue"})
            QTest::newRow(op) << QString(op);
    }
    void closingTheWindowMidOperationEndsEverything()
    {
        QFETCH(QString, operation);
        const bool rva = operation != "rvb day";
        LoggerFolder folder;
        rva ? rvaFolder(folder) : rvbFolder(folder);
        Simulator sim;
        // Slow pages, so the operation is still running when the window closes.
        QVERIFY(sim.start(folder.root(), {"--page-size", "64", "--list-page-size", "1", "--delay", "40"}));
        Viewer v(kTimerMs);
        v->port_box->setEditText(sim.port);
        QTest::mouseClick(v->usb_open_button, Qt::LeftButton);
        const QString kind = rva ? "rva-data" : "rvb-data";
        QTemporaryDir out;
        const QString saveRoot = out.path() + "/s/";
        if (operation == "walk") {
            QTRY_VERIFY_WITH_TIMEOUT(sim.requests("rva-points").size() >= 2, 10000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(v.idle(), 20000);
            QTreeWidgetItem *file = fileItems(v->UsbPrjTree).first();
            if (operation == "rva download") {
                v->once_UsbTreeItemClicked(file);
            } else if (operation == "rvb day") {
                v->once_UsbTreeItemClicked(file);
                QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
                emit v->calendar_box.calendar()->clicked(v->calendar_box.calendar()->minimumDate());
            } else {
                saveThroughMenu(v.operator->(), saveRoot);
                QVERIFY(v->copy_progress.isVisible());
            }
            QTRY_VERIFY_WITH_TIMEOUT(sim.requests(kind).size() >= 3, 10000);
        }
        v->close();
        // A download is stopped on the logger before the link closes.
        QTRY_COMPARE(sim.requests(rva ? "rva-stop" : "rvb-stop").size(), operation == "walk" ? 0 : 1);
        // The index files name no file that was not written.
        for (const QString &record : indexedRecords(saveRoot))
            QVERIFY2(QFile::exists(saveRoot + record.section(':', 1)), qPrintable(record));
        if (operation == "save queue")
            QVERIFY(QFile::exists(saveRoot + "P1/P1.lmvprj"));
        // No window is left open, so the application ends with the last one closed.
        QVERIFY(QApplication::quitOnLastWindowClosed());
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->metaObject()->className()));
        QVERIFY(!v->UsbTimer->isActive());
        QVERIFY(!v->serial_thread.isRunning());
        QVERIFY(v->downloadJobs.isEmpty());
        // And the logger is asked nothing more (a request already on the line may still be logged).
        QTest::qWait(kTimerMs);
        const int asked = sim.requestCount();
        QTest::qWait(4 * kTimerMs);
        QCOMPARE(sim.requestCount(), asked);
    }

    void lostLoggerDuringASaveListsEveryFileNotWritten_data()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::newRow("unplugged") << QStringList{"--hangup", "data:9"};
        QTest::newRow("link-closed notice") << QStringList{"--notice", "data:9"};
    }
    void lostLoggerDuringASaveListsEveryFileNotWritten()
    {
        QFETCH(QStringList, fault);
        LoggerFolder folder;
        rvaFolder(folder);
        Simulator sim;
        QVERIFY(sim.start(folder.root(), QStringList{"--page-size", "256"} + fault));
        Viewer v(kTimerMs);
        v->port_box->setEditText(sim.port);
        QTest::mouseClick(v->usb_open_button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(v.idle(), 20000);
        QTemporaryDir out;
        const QString root = out.path() + "/s/";
        BoxAnswerer boxes;
        saveThroughMenu(v.operator->(), root);
        QTRY_VERIFY_WITH_TIMEOUT(boxes.seen.size() == 2, 10000);
        QCOMPARE(boxes.seen.first(), QString("连接已断开|连接已断开！"));
        QVERIFY(boxes.seen.last().startsWith("部分文件未写入|"));
        QVERIFY(!v->copy_progress.isVisible());
        QVERIFY(v->isEnabled());
        QVERIFY(v->downloadJobs.isEmpty());
        // The ninth page is in the second file: the first is stored, the other three are listed.
        QStringList stored;
        for (const QString &path : filesBelow(root).keys())
            if (path.endsWith(".lmv"))
                stored << path;
        QCOMPARE(stored, QStringList{"P1/A/a1.lmv"});
        for (const char *file : {"P1/A/a2.lmv", "P2/D/d1.lmv", "P2/D/d2.lmv"})
            QVERIFY2(boxes.seen.last().contains(root + QString(file)), qPrintable(boxes.seen.last()));
        QVERIFY(!boxes.seen.last().contains("a1.lmv"));
        // The index files list the file written and no other.
        QCOMPARE(indexedRecords(root), (QStringList{"A.lmvpos:P1/A/a1.lmv", "P1.lmvprj:P1/A/a1.lmv"}));
        QVERIFY(QFile::exists(root + "P2/D/D.lmvpos"));
    }

    void treeCacheAndStoreMatchTheCleanRun_data()
    {
        QTest::addColumn<bool>("rva");
        QTest::addColumn<QStringList>("faults");
        // Late replies come after nearly two timer periods, their request sent again meanwhile;
        // late copies after one and a half.
        const QString late1 = QString::number(kTimerMs * 3 / 2);
        const QString late2 = QString::number(kTimerMs * 19 / 10);
        for (bool rva : {true, false}) {
            const QString f = rva ? "rva " : "rvb ";
            const QString some = rva ? "projects:1,points:2,files:2,files:4,data:2,data:5,data:9,data:14"
                                     : "projects:1,points:2,files:2,node:1,data:2,data:4";
            QTest::newRow(qPrintable(f + "clean")) << rva << QStringList();
            QTest::newRow(qPrintable(f + "dropped")) << rva << QStringList{"--drop", some};
            QTest::newRow(qPrintable(f + "late two periods"))
                << rva << QStringList{"--slow", some, "--slow-delay", late2};
            QTest::newRow(qPrintable(f + "every reply twice at once"))
                << rva << QStringList{"--duplicate", "all", "--duplicate-delay", "0"};
            QTest::newRow(qPrintable(f + "every reply twice, late"))
                << rva << QStringList{"--duplicate", "all", "--duplicate-delay", late1};
            QTest::newRow(qPrintable(f + "all of it"))
                << rva
                << QStringList{"--drop",
                               rva ? "data:7,files:3" : "data:3,files:3",
                               "--slow",
                               some,
                               "--slow-delay",
                               late2,
                               "--duplicate",
                               "points:all,files:all,data:1-6,node:all",
                               "--duplicate-delay",
                               late1};
        }
    }
    void treeCacheAndStoreMatchTheCleanRun()
    {
        QFETCH(bool, rva);
        QFETCH(QStringList, faults);
        static QMap<bool, Snapshot> clean;
        const bool reference = faults.isEmpty();
        if (!reference && !clean.contains(rva))
            QSKIP("the clean run failed");

        LoggerFolder folder;
        rva ? rvaFolder(folder) : rvbFolder(folder);
        Simulator sim;
        QVERIFY(sim.start(
            folder.root(),
            QStringList{"--page-size", "256", "--list-page-size", "100", "--data-pages", "2,3"} + faults));
        Viewer v(kTimerMs);
        v->port_box->setEditText(sim.port);
        QTest::mouseClick(v->usb_open_button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(v.idle() && v->linkSession.stage() == LinkStage::Idle, 20000);
        QVERIFY(v->usb_open_button->isChecked());

        Snapshot run;
        run.tree = treeText(v->UsbPrjTree);
        if (rva) {
            // The first file of each point is viewed, the rest come with the save.
            for (QTreeWidgetItem *file : fileItems(v->UsbPrjTree)) {
                if (file->parent()->indexOfChild(file) != 0)
                    continue;
                v->once_UsbTreeItemClicked(file);
                QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v.idle(), 20000);
                run.viewed.insert(pathOf(file), readAll(file->text(7)));
            }
            QTemporaryDir out;
            const QString root = out.path() + "/s/";
            BoxAnswerer boxes;
            saveEverything(v.operator->(), root);
            QTRY_VERIFY_WITH_TIMEOUT(v->downloadJobs.isEmpty() && v.idle(), 30000);
            QVERIFY(!v->copy_progress.isVisible());
            QCOMPARE(boxes.seen, QStringList());
            run.stored = filesBelow(root);
            QCOMPARE(run.stored.size(), 4);
        } else {
            for (QTreeWidgetItem *file : fileItems(v->UsbPrjTree)) {
                for (int day : {1, 2}) {
                    v->once_UsbTreeItemClicked(file);
                    QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
                    const QDate first = v->calendar_box.calendar()->minimumDate();
                    const QDate pick = day == 1 ? first : v->calendar_box.calendar()->maximumDate();
                    emit v->calendar_box.calendar()->clicked(pick);
                    const QString path = v->dayFilePath(pick.day());
                    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path) && v.idle(), 20000);
                    run.viewed.insert(pathOf(file) + '|' + QString::number(pick.day()), readAll(path));
                }
            }
        }
        QVERIFY(v->usb_open_button->isChecked());
        if (reference) {
            QVERIFY(!run.tree.isEmpty());
            QVERIFY(run.viewed.size() >= 2);
            clean.insert(rva, run);
            return;
        }
        const Snapshot &want = clean[rva];
        QCOMPARE(run.tree, want.tree);
        QCOMPARE(run.viewed.keys(), want.viewed.keys());
        for (const QString &key : want.viewed.keys())
            QVERIFY2(run.viewed[key] == want.viewed[key], qPrintable(key));
        QCOMPARE(run.stored.keys(), want.stored.keys());
        for (const QString &key : want.stored.keys())
            QVERIFY2(run.stored[key] == want.stored[key], qPrintable(key));
    }
};

QTEST_MAIN(LinkFaultTest)
#include "tst_link_faults.moc"
