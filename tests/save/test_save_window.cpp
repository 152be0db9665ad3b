// The save and conversion commands of the main window, driven through its actions with the real
// message boxes; the window's path questions are answered with file names instead of a dialog.
// Device files here are already in the device cache (column 7 of the device tree), so no logger
// is involved; downloads are covered by test_save_device.

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTreeWidget>

#include "app/MainWindow.h"
#include "app/TreeCheck.h"
#include "data/DataFile.h"
#include "tests/save/ModalAnswer.h"
#include "tests/save/StoreTestFiles.h"

using namespace storetest;

namespace {

QStringList indexLines(const QString &path)
{
    const QByteArray bytes = readFile(path);
    if (bytes.isEmpty())
        return {QStringLiteral("<missing %1>").arg(path)};
    QStringList lines = QTextCodec::codecForName("GB2312")->toUnicode(bytes).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList filesBelow(const QString &dir, const QString &pattern)
{
    QStringList out;
    QDirIterator it(dir, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next().mid(dir.size());
    out.sort();
    return out;
}

// Names of a tree as "project/point/file" lines, in tree order.
QStringList treeShape(const QTreeWidget *tree)
{
    QStringList out;
    for (int p = 0; p < tree->topLevelItemCount(); ++p) {
        const QTreeWidgetItem *project = tree->topLevelItem(p);
        for (int q = 0; q < project->childCount(); ++q) {
            const QTreeWidgetItem *point = project->child(q);
            out << project->text(0) + "/" + point->text(0);
            for (int f = 0; f < point->childCount(); ++f)
                out << project->text(0) + "/" + point->text(0) + "/" + point->child(f)->text(0);
        }
    }
    return out;
}

} // namespace

class SaveWindowTest : public QObject
{
    Q_OBJECT

    // Builds device tree entries P/Q with the given files, every one cached in cacheDir and checked.
    void fillDeviceTree(MainWindow &w, const QString &cacheDir, const QStringList &files, int records = 4)
    {
        QTreeWidgetItem *project = UsbPrjWindow::newDeviceItem(QStringLiteral("P"));
        QTreeWidgetItem *point = UsbPrjWindow::newDeviceItem(QStringLiteral("Q"));
        project->addChild(point);
        for (const QString &name : files) {
            const QString cached = cacheDir + name;
            QVERIFY(writeFile(cached, rvaFile("P", "Q", records++, 7)));
            QTreeWidgetItem *file = UsbPrjWindow::newDeviceItem(name);
            file->setText(UsbPrjWindow::SizeColumn, QString::number(QFileInfo(cached).size()));
            file->setText(UsbPrjWindow::CacheColumn, cached);
            point->addChild(file);
        }
        w.UsbPrjTree->addTopLevelItem(project);
        setCheckAll(w.UsbPrjTree, 2);
        w.device_info.deviceNumber = 7;
        w.device_info.typeCode = 5;
        // The tree as a connected logger shows it.
        w.usb_splitter->show();
        w.UsbPrjTree->show();
    }

private slots:
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void savingCachedFilesWritesTheStoreAndItsIndexFiles()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv", "F2.lmv"});
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/a.lmv");
        w.save_lmv_action->trigger();
        QCOMPARE(answer.seen(), QStringList{"file|保存为lmv格式|LM(*.lmv)"});
        const QString root = out.path() + "/a/";
        QCOMPARE(indexLines(root + "P/P.lmvprj"),
                 QStringList({"$id$7", "$prj$P", "$pos$P/Q", "$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"}));
        QCOMPARE(indexLines(root + "P/Q/Q.lmvpos"),
                 QStringList({"$id$7", "$pos$P/Q", "$record$P/Q/F1.lmv", "$record$P/Q/F2.lmv"}));
        QCOMPARE(readFile(root + "P/Q/F1.lmv"), readFile(cache.path() + "/F1.lmv"));
        QCOMPARE(readFile(root + "P/Q/F2.lmv"), readFile(cache.path() + "/F2.lmv"));
        QVERIFY(w.isEnabled());
        QVERIFY(!w.copy_progress.isVisible());
        QVERIFY(w.downloadJobs.isEmpty());
    }

    void nameChosenWithoutExtensionKeepsAllItsCharacters()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv"});
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/store2024");
        w.save_lmv_action->trigger();
        QVERIFY(QFile::exists(out.path() + "/store2024/P/Q/F1.lmv"));
        QVERIFY(!QFile::exists(out.path() + "/store/P/Q/F1.lmv"));
    }

    void savedStoreOpensAgainInPcModeWithTheSameTreeAndRecords()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv", "F2.lmv", "F3.lmv"});
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/s.lmv");
        w.save_lmv_action->trigger();
        const QStringList deviceShape = treeShape(w.UsbPrjTree);

        w.pc_button->click();
        w.openLocalPath(out.path() + "/s/P/P.lmvprj");
        QCOMPARE(treeShape(w.PrjTree), deviceShape);
        const QTreeWidgetItem *project = w.PrjTree->topLevelItem(0);
        const QTreeWidgetItem *point = project->child(0);
        for (int f = 0; f < point->childCount(); ++f) {
            const QString path = project->text(1) + point->text(1) + point->child(f)->text(1);
            lmv::DataFileContents saved, cached;
            QCOMPARE(lmv::readDataFile(path, saved), int(lmv::ReadOk));
            QCOMPARE(lmv::readDataFile(cache.path() + "/" + point->child(f)->text(0), cached),
                     int(lmv::ReadOk));
            QCOMPARE(saved.rva.size(), cached.rva.size());
            QVERIFY(!saved.rva.empty());
            QCOMPARE(saved.rva.back().sequence, cached.rva.back().sequence);
            QCOMPARE(saved.rva.back().level, cached.rva.back().level);
        }
        QCOMPARE(point->text(9), QStringLiteral("设备号:7"));
    }

    void savingAsTextWritesNoIndexFiles()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv", "F2.lmv"});
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/t.txt");
        w.save_txt_action->trigger();
        QCOMPARE(answer.seen(), QStringList{"file|保存为txt格式|文本(*.txt)"});
        QCOMPARE(filesBelow(out.path() + "/", "*"), QStringList({"t/P/Q/F1.txt", "t/P/Q/F2.txt"}));
        QVERIFY(readFile(out.path() + "/t/P/Q/F1.txt").startsWith(QStringLiteral("项目名称:P\r\n").toUtf8()));
    }

    void savingAsCsvNamesTheFilesCsv()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv"});
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/c.csv");
        w.save_csv_action->trigger();
        QCOMPARE(answer.seen(), QStringList{"file|保存为csv格式|表格(*.csv)"});
        QCOMPARE(filesBelow(out.path() + "/", "*"), QStringList({"c/P/Q/F1.csv"}));
    }

    void existingFilesAreNotReplacedAndAreListedAfterTheSave()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv", "F2.lmv"});
        QVERIFY(QDir().mkpath(out.path() + "/a/P/Q"));
        QVERIFY(writeFile(out.path() + "/a/P/Q/F1.lmv", "kept"));
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/a.lmv");
        w.save_lmv_action->trigger();
        QCOMPARE(readFile(out.path() + "/a/P/Q/F1.lmv"), QByteArray("kept"));
        QCOMPARE(readFile(out.path() + "/a/P/Q/F2.lmv"), readFile(cache.path() + "/F2.lmv"));
        QCOMPARE(answer.boxes(), QStringList{"部分文件未写入|以下1个文件未写入:\n" + out.path() +
                                             "/a/P/Q/F1.lmv: 目标文件已存在,未覆盖"});
        QVERIFY(w.isEnabled());
    }

    void checkedPointWithoutFilesGetsItsFolderAndIndexFile()
    {
        QTemporaryDir cache, out;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv"});
        QTreeWidgetItem *empty = UsbPrjWindow::newDeviceItem(QStringLiteral("E"));
        w.UsbPrjTree->topLevelItem(0)->addChild(empty);
        setCheckStateOf(empty, 2);
        QTreeWidgetItem *unticked = UsbPrjWindow::newDeviceItem(QStringLiteral("U"));
        w.UsbPrjTree->topLevelItem(0)->addChild(unticked);
        setCheckStateOf(w.UsbPrjTree->topLevelItem(0), 1);
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/a.lmv");
        w.save_lmv_action->trigger();
        QCOMPARE(indexLines(out.path() + "/a/P/E/E.lmvpos"), QStringList({"$id$7", "$pos$P/E"}));
        QVERIFY(indexLines(out.path() + "/a/P/P.lmvprj").contains("$pos$P/E"));
        QVERIFY(!QFileInfo::exists(out.path() + "/a/P/U"));
        QVERIFY(answer.boxes().isEmpty());
    }

    void savingWithNothingTickedOrInPcModeWarns()
    {
        QTemporaryDir cache;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv"});
        setCheckAll(w.UsbPrjTree, 0);
        ModalAnswer answer;
        answer.answerPathsOf(w);
        w.save_lmv_action->trigger();
        setCheckAll(w.UsbPrjTree, 2);
        w.pc_button->click();
        w.on_save_lmv_action_triggered(); // the action is disabled in PC mode; the slot still refuses
        QCOMPARE(answer.seen(), QStringList({"无法保存|在设备项目列表中,至少勾选一个条目",
                                             "无法保存|在设备项目列表中,至少勾选一个条目"}));
        QVERIFY(w.isEnabled());
    }

    void cancelledSaveDialogWritesNothing()
    {
        QTemporaryDir cache;
        MainWindow w;
        w.show();
        fillDeviceTree(w, cache.path() + "/", {"F1.lmv"});
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(QString());
        w.save_lmv_action->trigger();
        QCOMPARE(answer.seen(), QStringList{"file|保存为lmv格式|LM(*.lmv)"});
        QVERIFY(w.isEnabled());
        QVERIFY(!w.copy_progress.isVisible());
    }

    void conversionWithNothingTickedWarnsWithoutAskingForAName()
    {
        MainWindow w;
        w.show();
        w.pc_button->click();
        w.openLocalPath(QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网/城东排水管网.lmvprj"));
        QVERIFY(w.PrjTree->topLevelItemCount() > 0);
        ModalAnswer answer;
        answer.answerPathsOf(w);
        w.save_csv_action->trigger();
        QCOMPARE(answer.seen(), QStringList{"无法转换|在本地项目列表中,至少勾选一个条目"});
    }

    void conversionMakesTheChosenNameAFolderOfProjectsAndPoints()
    {
        QTemporaryDir out;
        MainWindow w;
        w.show();
        w.pc_button->click();
        w.openLocalPath(QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网/城东排水管网.lmvprj"));
        // Every point of the store carries the logger's number from the "$id$" line.
        QCOMPARE(w.PrjTree->topLevelItem(0)->child(0)->text(9), QStringLiteral("设备号:2103057"));
        QCOMPARE(w.PrjTree->topLevelItem(0)->child(1)->text(9), QStringLiteral("设备号:2103057"));
        setCheckAll(w.PrjTree, 2);
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/out.txt");
        w.save_csv_action->trigger();
        QCOMPARE(answer.seen(), QStringList({"file|转换为csv格式并另存为|", "提示框|转换完毕,已保存。"}));
        QVERIFY(QFileInfo(out.path() + "/out.txt").isDir());
        QCOMPARE(
            filesBelow(out.path() + "/out.txt/", "*"),
            QStringList({"城东排水管网/人民路5号井/20240401.csv", "城东排水管网/人民路5号井/20240408.csv",
                         "城东排水管网/人民路5号井/20240415.csv", "城东排水管网/人民路5号井/20240422.csv",
                         "城东排水管网/人民路5号井/20240429.csv", "城东排水管网/人民路5号井/20240506.csv",
                         "城东排水管网/人民路5号井/20240513.csv", "城东排水管网/人民路5号井/20240520.csv",
                         "城东排水管网/建设路1号井/20240311.csv", "城东排水管网/建设路1号井/20240312.csv",
                         "城东排水管网/建设路1号井/20240313.csv", "城东排水管网/滨河路方沟/20240311.csv",
                         "城东排水管网/滨河路方沟/20240312.csv"}));
        const QByteArray csv = readFile(out.path() + "/out.txt/城东排水管网/滨河路方沟/20240312.csv");
        QVERIFY(csv.startsWith(QStringLiteral("项目名称:城东排水管网\r\n监测地点:滨河路方沟\r\n").toUtf8()));
        QCOMPARE(csv.count("\r\n"), 23 + 1440);
        QVERIFY(w.isEnabled());
    }

    void conversionSaysDoneThenListsTheFilesItDidNotWrite()
    {
        QTemporaryDir src, out;
        QVERIFY(QDir().mkpath(src.path() + "/Q"));
        QVERIFY(writeFile(src.path() + "/Q/good.lmv", rvaFile("P", "Q", 3)));
        QVERIFY(writeFile(src.path() + "/Q/data.LMV", rvaFile("P", "Q", 3)));
        QVERIFY(writeFile(src.path() + "/Q/Q.lmvpos",
                          "$id$7\r\n$pos$P/Q\r\n$record$P/Q/good.lmv\r\n$record$P/Q/data.LMV\r\n"
                          "$record$P/Q/gone.lmv\r\n"));
        MainWindow w;
        w.show();
        w.pc_button->click();
        w.openLocalPath(src.path() + "/Q/Q.lmvpos");
        setCheckAll(w.PrjTree, 2);
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(out.path() + "/x");
        w.save_txt_action->trigger();
        QCOMPARE(filesBelow(out.path() + "/", "*"), QStringList({"x/P/Q/good.txt"}));
        const QStringList boxes = answer.boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0], QStringLiteral("提示框|转换完毕,已保存。"));
        QVERIFY(boxes[1].startsWith(QStringLiteral("部分文件未写入|以下2个文件未写入:")));
        QVERIFY(boxes[1].contains(src.path() + "/Q/data.LMV: 文件名不以lmv结尾,未转换"));
        QVERIFY(boxes[1].contains(out.path() + "/x/P/Q/gone.txt: "));
    }

    void cancelledConversionDialogWritesNothingAndSaysNothing()
    {
        MainWindow w;
        w.show();
        w.pc_button->click();
        w.openLocalPath(QStringLiteral(LMV_SOURCE_DIR "/samples/files/三角堰_20240401.lmv"));
        setCheckAll(w.PrjTree, 2);
        ModalAnswer answer;
        answer.answerPathsOf(w);
        answer.queueFileName(QString());
        w.save_txt_action->trigger();
        QCOMPARE(answer.seen(), QStringList{"file|转换为txt格式并另存为|"});
        QVERIFY(w.isEnabled());
    }
};

QTEST_MAIN(SaveWindowTest)
#include "test_save_window.moc"
