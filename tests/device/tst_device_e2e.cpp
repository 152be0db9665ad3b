// Device mode end to end: the real main window, connected through a pseudo-terminal to the logger
// simulator, walks the directory, downloads files into the cache and shows them.
#include "SimHarness.h"
#include "SimViewer.h"

#include "app/MainWindow.h"
#include "data/CacheDir.h"
#include "data/DataFile.h"
#include "views/RvaRecordModel.h"
#include "views/RvbRecordModel.h"

#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableWidget>
#include <QTreeWidgetItem>

using lmv::LinkStage;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the cache must hold for a downloaded RVA device file: the 188 bytes the device sends of the
// header, 308 zero bytes, the connected device's record, the records; then completed with the
// point's record from the device tree (flows and statistics recomputed by the data file code).
QByteArray expectedRvaCache(const QByteArray &deviceFile, const QByteArray &deviceInfo16,
                            const lmv::PipeSaveIntoTfType &point)
{
    QByteArray raw = deviceFile.left(188) + QByteArray(308, '\0') + deviceInfo16 + deviceFile.mid(512);
    QTemporaryDir dir;
    const QString path = dir.filePath("expected.lmv");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(raw);
    f.close();
    if (lmv::finishRvaFile(path, point) != 0)
        return {};
    return readAll(path);
}

QByteArray deviceInfoBytes(quint32 number, quint8 type, std::array<quint8, 5> version, float protocol)
{
    QByteArray b(16, '\0');
    lmv::ByteWriter w(b);
    w.u32le(0, number);
    w.u8(4, type);
    for (int i = 0; i < 5; ++i)
        w.u8(5 + i, version[std::size_t(i)]);
    w.f32le(12, protocol);
    return b;
}

// With LMV_SHOT_DIR set, saves a picture of the widget there (for looking at the screens).
void shot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("LMV_SHOT_DIR");
    if (!dir.isEmpty())
        widget->grab().save(dir + "/" + name + ".png");
}

// Leaves the connected logger for PC mode; the actions must be the PC column of the mode
// table whatever the logger's family had set (the disconnect runs in between).
void leaveForPcModeWithItsActions(Viewer &v)
{
    QTest::mouseClick(v->pc_button, Qt::LeftButton);
    QVERIFY(!v->usb_open_button->isChecked());
    const QList<QAction *> on = {v->open_file_action, v->open_prj_action, v->select_all_action,
                                 v->remove_action,    v->save_txt_action, v->save_csv_action};
    const QList<QAction *> off = {v->save_lmv_action, v->pipe_modify_action, v->parameter_modify_action,
                                  v->id_modify_action};
    for (QAction *a : on)
        QVERIFY2(a->isEnabled(), qPrintable(a->text()));
    for (QAction *a : off)
        QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
}

const std::array<quint8, 5> kRvaVersion{2, 1, 18, 12, 3};

// A small RVA logger: project P, point A (circle 800, sediment 30) with files.
void rvaFolder(LoggerFolder &folder, const QMap<QString, QByteArray> &files)
{
    folder.setDevice(5, 20190001, "2 1 18 12 3", "1.5");
    folder.addPoint("P", "A", 0, 800, 0, 0, 30);
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        folder.addFile("P", "A", it.key(), it.value());
    folder.write();
}

lmv::PipeSaveIntoTfType pointA()
{
    return lmv::makePointRecord("P", "A", 0, 800, 0, 0, 30);
}

} // namespace

class DeviceEndToEndTest : public QObject
{
    Q_OBJECT

    // Settings of this program alone: other test programs running beside it connect too.
    QTemporaryDir settingsDir;

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    }

    void connectShowsTheDeviceAndFillsTheTree()
    {
        Simulator sim;
        QVERIFY(sim.start(QStringLiteral(LMV_SAMPLES_DIR "/logger-rva")));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(v->dev_id_label->text(), QString("20190001"));
        QCOMPARE(v->dev_type_label->text(), QString("便携式流量仪"));
        QCOMPARE(v->dev_version_label->text(), QString("V2.01181203"));
        QCOMPARE(v->protocol_version_label->text(), QString("V1.50"));
        QCOMPARE(v->UsbPrjTree->topLevelItemCount(), 2);
        v->UsbPrjTree->expandAll();
        shot(v.get(), "device-rva-tree");
        QTreeWidgetItem *point = v.item("城东排水管网|1号检查井");
        QVERIFY(point);
        QCOMPARE(point->childCount(), 3);
        QCOMPARE(point->text(3), QString("800"));
        QCOMPARE(point->text(6), QString("30"));
        QTreeWidgetItem *file = v.item("南河监测|桥下断面|20190315_01.lmv");
        QVERIFY(file);
        const QFileInfo disk(QStringLiteral(LMV_SAMPLES_DIR "/logger-rva/南河监测/桥下断面/20190315_01.lmv"));
        QCOMPARE(file->text(1), QString::number(disk.size()));
        QVERIFY(v->save_lmv_action->isEnabled());
        QCOMPARE(v->status_label->text(), QString());
        leaveForPcModeWithItsActions(v);
    }

    void tickingFilesOfAnRvaDeviceTicksTheirPointAndProject()
    {
        Simulator sim;
        QVERIFY(sim.start(QStringLiteral(LMV_SAMPLES_DIR "/logger-rva")));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *point = v.item("南河监测|桥下断面");
        QVERIFY(point && point->childCount() == 2);
        QTreeWidget *tree = v->UsbPrjTree;
        tree->expandAll();
        auto tick = [&](QTreeWidgetItem *entry) {
            tree->scrollToItem(entry);
            const QRect r = tree->visualItemRect(entry);
            // Where the style draws the entry's check box.
            QStyleOptionViewItem opt;
            opt.initFrom(tree);
            opt.rect = r;
            opt.features |= QStyleOptionViewItem::HasCheckIndicator;
            const QRect box =
                tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, tree);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box.center());
        };
        tick(point->child(0));
        QTRY_COMPARE(point->child(0)->checkState(0), Qt::Checked);
        QCOMPARE(point->checkState(0), Qt::PartiallyChecked);
        QCOMPARE(point->parent()->checkState(0), Qt::PartiallyChecked);
        // A click on a file also downloads it, with the window disabled meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone() && !point->child(0)->text(7).isEmpty(), 20000);
        tick(point->child(1));
        QTRY_COMPARE(point->checkState(0), Qt::Checked);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone() && !point->child(1)->text(7).isEmpty(), 20000);
    }

    void rvbDeviceShowsItsModelAndListsOnlyDataFiles()
    {
        Simulator sim;
        QVERIFY(sim.start(QStringLiteral(LMV_SAMPLES_DIR "/logger-rvb")));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(v->dev_type_label->text(), QString("综合监测主机"));
        QCOMPARE(v->dev_version_label->text(), QString("RVB")); // model code 4
        QVERIFY(!v->save_lmv_action->isEnabled());
        v->UsbPrjTree->expandAll();
        shot(v.get(), "device-rvb-tree");
        QTreeWidgetItem *withReadme = v.item("西区管网|西一路1号井");
        QVERIFY(withReadme);
        for (int i = 0; i < withReadme->childCount(); ++i)
            QVERIFY(withReadme->child(i)->text(0).endsWith(".lmv"));
        QTreeWidgetItem *month = v.item("西区管网|西二路3号井|2019年01月.lmv");
        QVERIFY(month);
        const QFileInfo disk(
            QStringLiteral(LMV_SAMPLES_DIR "/logger-rvb/西区管网/西二路3号井/2019年01月.lmv"));
        QCOMPARE(month->text(1), QString::number(disk.size()));
        leaveForPcModeWithItsActions(v);
    }

    void typedPathOfALinkToThePortConnects()
    {
        QTemporaryDir linkDir;
        const QString link = linkDir.filePath("logger");
        Simulator sim;
        QVERIFY(sim.start(QStringLiteral(LMV_SAMPLES_DIR "/logger-rva"), {"--link", link}));
        Viewer v(400);
        v.connectTo(link);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(v->dev_id_label->text(), QString("20190001"));
        // The port that opened stays first for the next connect.
        QCOMPARE(v->port_box->itemText(0), link);
    }

    void portOfTheLastConnectIsOfferedAtTheNextStartAndAGivenPortBeforeIt()
    {
        QTemporaryDir linkDir;
        const QString link = linkDir.filePath("last-logger");
        Simulator sim;
        QVERIFY(sim.start(QStringLiteral(LMV_SAMPLES_DIR "/logger-rvb"), {"--link", link}));
        {
            Viewer first(400);
            first.connectTo(link);
            QTRY_VERIFY_WITH_TIMEOUT(first.walkDone(), 20000);
        }
        Viewer next(400);
        QCOMPARE(next->port_box->currentText(), link);
        // A port given on the command line comes first, the remembered one after it.
        next->offerPort(" /dev/ttyUSB7 ");
        QCOMPARE(next->port_box->currentText(), QString("/dev/ttyUSB7"));
        QCOMPARE(next->port_box->itemText(1), link);
        next->offerPort(QString());
        QCOMPARE(next->port_box->currentText(), QString("/dev/ttyUSB7"));
        // Connecting with the remembered port as it is offered needs no typing.
        next->offerPort(link);
        QTest::mouseClick(next->usb_open_button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(next.walkDone(), 20000);
        QCOMPARE(next->dev_id_label->text(), QString("20200107"));
    }

    void unknownModelCodeShowsRva()
    {
        LoggerFolder folder;
        folder.setDevice(1, 7, "1 0 0 0 99", "1.0");
        folder.addProject("P");
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root()));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(v->dev_version_label->text(), QString("RVA"));
    }

    void noDeviceInformationSwitchesOffSilentlyAtTheSecondExpiry()
    {
        LoggerFolder folder;
        rvaFolder(folder, {});
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--drop", "all"}));
        Viewer v(300);
        BoxAnswerer boxes;
        QElapsedTimer clock;
        clock.start();
        v.connectTo(sim.port);
        QVERIFY(!v->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!v->usb_open_button->isChecked(), 10000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 550 && elapsed < 3000, qPrintable(QString::number(elapsed)));
        QVERIFY(v->isEnabled());
        QVERIFY(boxes.seen.isEmpty());
        QCOMPARE(sim.requests("devinfo").size(), 1);
        QCOMPARE(v->dev_id_label->text(), QString("--------"));
    }

    void pageBytesOfProjectRepliesAreThePagesAskedNext()
    {
        LoggerFolder folder;
        folder.setDevice(5, 1, "1 0 0 0 0", "1.0");
        folder.addPoint("P1", "A");
        folder.addPoint("P2", "B");
        folder.addPoint("P3", "C");
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--list-pages", "0,3,5", "--list-page-size", "1"}));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(sim.pagesAsked("rva-projects"), (QList<int>{0, 3, 5}));
        QCOMPARE(v->UsbPrjTree->topLevelItemCount(), 3);
        QVERIFY(!sim.requests("rva-points").isEmpty());
    }

    void fileStageStartsWithTheFirstProjectThatHasPoints()
    {
        LoggerFolder folder;
        folder.setDevice(5, 1, "1 0 0 0 0", "1.0");
        folder.addProject("P1");
        folder.addPoint("P2", "A", 1, 1200, 1000);
        folder.addPoint("P2", "B");
        folder.addFile("P2", "B", "f.lmv", testfiles::rvaFile(2));
        folder.write();
        Simulator sim;
        // 176 bytes of list content per page: both point records come in one reply.
        QVERIFY(sim.start(folder.root(), {"--list-page-size", "176"}));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QCOMPARE(sim.requests("rva-points").size(), 2);
        QCOMPARE(v.item("P2")->childCount(), 2);
        QCOMPARE(v.item("P2|A")->text(2), QString("1"));
        QCOMPARE(v.item("P2|A")->text(4), QString("1000"));
        const QStringList files = sim.requests("rva-files");
        QVERIFY(!files.isEmpty());
        QVERIFY2(files.first().endsWith("path=0:/P2/A"), qPrintable(files.first()));
        QCOMPARE(v.item("P2|B")->childCount(), 1);
    }

    void deviceAnsweringTheThirdSendCompletesTheWalk()
    {
        LoggerFolder folder;
        rvaFolder(folder, {{"f.lmv", testfiles::rvaFile(3)}});
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--drop", "projects:1-2"}));
        Viewer v(300);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QVERIFY(v->usb_open_button->isChecked());
        QCOMPARE(sim.pagesAsked("rva-projects"), (QList<int>{0, 0, 0}));
        QVERIFY(v.item("P|A|f.lmv"));
    }

    void deviceThatNeverAnswersIsDisconnectedAtTheThirdExpiry()
    {
        LoggerFolder folder;
        rvaFolder(folder, {});
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--drop", "projects:1-"}));
        Viewer v(300);
        BoxAnswerer boxes;
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v->usb_open_button->isChecked() && v->dev_id_label->text() == "20190001",
                                 10000);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!v->usb_open_button->isChecked(), 10000);
        QVERIFY2(clock.elapsed() >= 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(sim.requests("rva-projects").size(), 3);
        QVERIFY(v->isEnabled());
        QVERIFY(boxes.seen.isEmpty());
        QCOMPARE(v->UsbPrjTree->topLevelItemCount(), 0);
    }

    void rvaDownloadGivesTheExactCacheBytes_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("pageSize");
        QTest::newRow("single page") << 20 << 65536;
        QTest::newRow("many pages") << 300 << 256;
    }
    void rvaDownloadGivesTheExactCacheBytes()
    {
        QFETCH(int, records);
        QFETCH(int, pageSize);
        const QByteArray device = testfiles::rvaFile(records, 3);
        LoggerFolder folder;
        rvaFolder(folder, {{"f.lmv", device}});
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", QString::number(pageSize)}));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        QVERIFY(file);
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 30000);
        QVERIFY(file->text(7).startsWith(deviceCacheRoot()));
        const QByteArray expected =
            expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA());
        QVERIFY(!expected.isEmpty());
        QCOMPARE(readAll(file->text(7)), expected);
        QCOMPARE(v->RVA_UsbRecordWindow::UnitModel->rowCount(), records);
        QVERIFY(!v->read_progress.isVisible());
        shot(v.get(), QString("device-rva-file-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
        if (pageSize < 1000)
            QVERIFY(sim.requests("rva-data").size() > 3);
        else
            QCOMPARE(sim.requests("rva-data").size(), 1);

        // A click on the cached file shows it without asking the device.
        const int asked = sim.requestCount();
        v.click(v.item("P|A"));
        v.click(file);
        QTRY_COMPARE(v->RVA_UsbRecordWindow::UnitModel->rowCount(), records);
        QTest::qWait(200);
        QCOMPARE(sim.requestCount(), asked);
    }

    void negativeShapeIsCachedAsUnknownAndAProjectShowsOnlyItsName()
    {
        const QByteArray device = testfiles::rvaFile(30, 2);
        LoggerFolder folder;
        folder.setDevice(5, 20190001, "2 1 18 12 3", "1.5");
        folder.addPoint("P", "A", -1, 800, 0, 0, 30);
        folder.addFile("P", "A", "f.lmv", device);
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root()));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTableWidget *info = v->RVA_UsbRecordWindow::InfoTable;
        v.click(v.item("P|A"));
        QCOMPARE(info->item(1, 1)->text(), QString("P/A"));
        v.click(v.item("P"));
        QCOMPARE(info->item(0, 1)->text(), QString("P"));
        for (int row = 1; row < info->rowCount(); ++row)
            QVERIFY(!info->item(row, 1) || info->item(row, 1)->text().isEmpty());

        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 20000);
        // Shape 0xFFFFFFFF: an unknown shape, flows 0; not a circle of 800 mm.
        QCOMPARE(readAll(file->text(7)),
                 expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f),
                                  lmv::makePointRecord("P", "A", 0xFFFFFFFFu, 800, 0, 0, 30)));
    }

    void stoppedDownloadStartedAgainGivesTheSameFile()
    {
        const QByteArray device = testfiles::rvaFile(200, 5);
        LoggerFolder folder;
        rvaFolder(folder, {{"f.lmv", device}});
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", "256", "--delay", "100"}));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests("rva-data").size() >= 4, 20000);
        QVERIFY(v->read_progress.isVisible());
        QVERIFY(v->read_progress.percent_label->text().toInt() >= 1);
        shot(&v->read_progress, "device-read-progress");
        {
            // "No" keeps the download running.
            BoxAnswerer no(QMessageBox::No);
            v->read_progress.close();
            QTRY_COMPARE(no.seen.size(), 1);
            QCOMPARE(no.seen.first(), QString("停止读取|本文件未完整读取,是否停止读取?"));
            QVERIFY(v->read_progress.isVisible());
        }
        {
            BoxAnswerer yes(QMessageBox::Yes);
            v->read_progress.close();
            QTRY_COMPARE(yes.seen.size(), 1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(v->isEnabled(), 3000);
        QTRY_COMPARE(sim.requests("rva-stop").size(), 1);
        QVERIFY(file->text(7).isEmpty());

        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 30000);
        QCOMPARE(readAll(file->text(7)),
                 expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA()));
    }

    void duplicateDataRepliesLeaveTheFileIdentical()
    {
        const QByteArray device = testfiles::rvaFile(120, 7);
        LoggerFolder folder;
        rvaFolder(folder, {{"f.lmv", device}});
        Simulator sim;
        QVERIFY(sim.start(folder.root(),
                          {"--page-size", "256", "--duplicate", "data:1-", "--duplicate-delay", "20"}));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 30000);
        QCOMPARE(readAll(file->text(7)),
                 expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA()));
    }

    void lostDataRepliesAreAskedForAgainUntilTheFileIsComplete()
    {
        const QByteArray device = testfiles::rvaFile(120, 11);
        LoggerFolder folder;
        rvaFolder(folder, {{"f.lmv", device}});
        Simulator sim;
        // A corrupted and a dropped page: record data is repeated beyond the directory limit of 3.
        QVERIFY(
            sim.start(folder.root(), {"--page-size", "256", "--corrupt", "data:3", "--drop", "data:5-7"}));
        Viewer v(300);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 30000);
        QVERIFY(v->usb_open_button->isChecked());
        // The page of the fifth request was sent four times in a row.
        const QList<int> pages = sim.pagesAsked("rva-data");
        QVERIFY(pages.size() >= 8);
        QCOMPARE(pages.mid(4, 4), (QList<int>{pages.at(4), pages.at(4), pages.at(4), pages.at(4)}));
        QCOMPARE(readAll(file->text(7)),
                 expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA()));
    }

    void linkClosedNoticeWarnsAndSwitchesOff()
    {
        LoggerFolder folder;
        rvaFolder(folder, {});
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--notice", "projects:1"}));
        Viewer v(400);
        BoxAnswerer boxes;
        v.connectTo(sim.port);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen, QStringList{"连接已断开|连接已断开！"}, 10000);
        QVERIFY(!v->usb_open_button->isChecked());
        QVERIFY(v->isEnabled());
        QCOMPARE(v->dev_id_label->text(), QString("--------"));
    }

    void unpluggedLoggerClosesTheLinkAndAReconnectWorks()
    {
        const QByteArray device = testfiles::rvaFile(200, 9);
        LoggerFolder folder;
        rvaFolder(folder, {{"f.lmv", device}});
        auto sim = std::make_unique<Simulator>();
        QVERIFY(sim->start(folder.root(), {"--page-size", "256", "--hangup", "data:3"}));
        Viewer v(400);
        v.connectTo(sim->port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        BoxAnswerer boxes;
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(boxes.seen.contains("连接已断开|连接已断开！"), 10000);
        QTRY_VERIFY(v->isEnabled());
        QVERIFY(!v->usb_open_button->isChecked());
        QVERIFY(!v->read_progress.isVisible());
        QCOMPARE(v->UsbPrjTree->topLevelItemCount(), 0);
        QVERIFY(!v->serial_thread.isRunning());
        QVERIFY(!v->UsbTimer->isActive()); // nothing keeps waking the window
        // Nothing partial stays in the cache under the file's name.
        QVERIFY(!QFile::exists(deviceCacheRoot() + "P/A/f.lmv"));

        sim = std::make_unique<Simulator>();
        QVERIFY(sim->start(folder.root(), {"--page-size", "256"}));
        v.connectTo(sim->port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        file = v.item("P|A|f.lmv");
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 30000);
        QCOMPARE(readAll(file->text(7)),
                 expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA()));
    }

    void deviceNamesNeverLeaveTheCache()
    {
        const QByteArray device = testfiles::rvaFile(10);
        LoggerFolder folder;
        folder.setDevice(5, 20190001, "2 1 18 12 3", "1.5");
        folder.addPoint("p1", "q1", 0, 800, 0, 0, 30);
        folder.addFile("p1", "q1", "f1.lmv", device);
        folder.addPoint("p2", "q2");
        folder.addFile("p2", "q2", "f2.lmv", device);
        folder.rename("p1", "..");
        folder.rename("p1/q1", "../..");
        folder.rename("p1/q1/f1.lmv", "..%5C..%5Cf.lmv");
        folder.rename("p2", "a%2Fb");
        folder.rename("p2/q2", "");
        folder.rename("p2/q2/f2.lmv", "%01x.lmv");
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root()));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *f1 = v.item("..|../..|..\\..\\f.lmv");
        QVERIFY(f1);
        v.click(f1);
        QTRY_VERIFY_WITH_TIMEOUT(!f1->text(7).isEmpty() && v->isEnabled(), 30000);
        // The request used the device's own names.
        QVERIFY(sim.requests("rva-data").first().endsWith("path=0:/../../../..\\\\..\\\\f.lmv"));

        QTreeWidgetItem *projectAB = v.item("a/b");
        QVERIFY(projectAB && projectAB->childCount() == 1);
        QTreeWidgetItem *f2 = projectAB->child(0)->child(0);
        QVERIFY(f2);
        v.click(f2);
        QTRY_VERIFY_WITH_TIMEOUT(!f2->text(7).isEmpty() && v->isEnabled(), 30000);
        QVERIFY(f1->text(7) != f2->text(7));

        // Every file the run wrote lies below the device cache.
        const QString cache = QDir(deviceCacheRoot()).canonicalPath() + "/";
        int files = 0;
        for (const QString &root : {v.workPath(), QDir(cacheRoot()).canonicalPath()}) {
            QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = QFileInfo(it.next()).canonicalFilePath();
                if (QFileInfo(path).fileName() == kCacheMarkerName)
                    continue;
                QVERIFY2(path.startsWith(cache), qPrintable(path));
                ++files;
            }
        }
        QVERIFY(files >= 2);
        QVERIFY(QFile::exists(f1->text(7)));
        QVERIFY(QFile::exists(f2->text(7)));
    }

    void rvbDayIsPickedDownloadedAndCached()
    {
        const QByteArray month = testfiles::rvbMonth({3, 17}, 5);
        LoggerFolder folder;
        folder.setDevice(1, 20200107, "1 3 20 6 4", "1.2");
        folder.addPoint("P", "A");
        folder.addFile("P", "A", "2019年01月.lmv", month);
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root(), {"--page-size", "200"}));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        QTreeWidgetItem *file = v.item("P|A|2019年01月.lmv");
        QVERIFY(file);
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
        QCalendarWidget *cal = v->calendar_box.calendar();
        QVERIFY(cal);
        QCOMPARE(cal->minimumDate(), QDate(2019, 1, 3));
        QCOMPARE(cal->maximumDate(), QDate(2019, 1, 17));
        shot(&v->calendar_box, "device-calendar");

        emit cal->clicked(QDate(2019, 1, 3));
        const QString day3 = v->dayFilePath(3);
        QCOMPARE(day3, deviceCacheRoot() + "P/A/2019年01月03日.lmv");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(day3) && v->isEnabled(), 20000);
        QVERIFY(!v->calendar_box.isVisible());
        // The day's range: from day 3's first record to day 17's.
        const QStringList data = sim.requests("rvb-data");
        QVERIFY(!data.isEmpty());
        QVERIFY2(data.first().contains(QString("start=%1 end=%2").arg(512).arg(512 + 5 * 100)),
                 qPrintable(data.first()));
        QCOMPARE(readAll(day3), month.left(512) + month.mid(512, 500));
        QCOMPARE(v->RVB_UsbRecordWindow::UnitModel->rowCount(), 5);
        shot(v.get(), "device-rvb-day");

        // The same day again comes from the cache.
        const int asked = sim.requestCount();
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
        emit v->calendar_box.calendar()->clicked(QDate(2019, 1, 3));
        QTRY_COMPARE(v->RVB_UsbRecordWindow::UnitModel->rowCount(), 5);
        QCOMPARE(sim.requests("rvb-data").size(), data.size());
        QCOMPARE(sim.requestCount(), asked + 1); // only the node table

        // A gap day inside the range has no records.
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
        {
            BoxAnswerer boxes;
            emit v->calendar_box.calendar()->clicked(QDate(2019, 1, 10));
            QTRY_COMPARE(boxes.seen, QStringList{"读取记录|无记录"});
        }
        QCOMPARE(sim.requests("rvb-data").size(), data.size());

        // The last day runs to the end of the file.
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
        emit v->calendar_box.calendar()->clicked(QDate(2019, 1, 17));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(v->dayFilePath(17)) && v->isEnabled(), 20000);
        QVERIFY(
            sim.requests("rvb-data").last().contains(QString("start=%1 end=%2").arg(1012).arg(month.size())));
        QCOMPARE(readAll(v->dayFilePath(17)), month.left(512) + month.mid(1012));
    }

    // A logger answers one request at a time: replies owed to a stopped download come before
    // anything asked after the stop.
    void stoppedDownloadThenAnotherFileOfThePointGetsOnlyItsOwnPages()
    {
        const QByteArray x = testfiles::rvaFile(60, 3);
        const QByteArray y = testfiles::rvaFile(50, 8);
        LoggerFolder folder;
        rvaFolder(folder, {{"X.lmv", x}, {"Y.lmv", y}});
        Simulator sim;
        // The first two record-data requests keep the logger busy for more than two timer periods.
        QVERIFY(sim.start(folder.root(),
                          {"--page-size", "256", "--slow-req", "data:1-2", "--slow-delay", "400"}));
        Viewer v(150);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        v.click(v.item("P|A|X.lmv"));
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests("rva-data").size() == 2, 5000); // asked again
        {
            BoxAnswerer yes(QMessageBox::Yes);
            v->read_progress.close();
            QTRY_COMPARE(yes.seen.size(), 1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(v->isEnabled(), 3000);
        QTreeWidgetItem *fileY = v.item("P|A|Y.lmv");
        v.click(fileY);
        QTRY_VERIFY_WITH_TIMEOUT(!fileY->text(7).isEmpty() && v->isEnabled(), 20000);
        QCOMPARE(readAll(fileY->text(7)),
                 expectedRvaCache(y, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA()));
        QVERIFY(v.item("P|A|X.lmv")->text(7).isEmpty());
        QCOMPARE(sim.requests("rva-stop").size(), 1);
    }

    void rvbFileClickedBeforeTheFirstNodeTableArrivesGetsItsOwnDays()
    {
        const QByteArray monthA = testfiles::rvbMonth({3, 4, 5}, 4);
        const QByteArray monthB = testfiles::rvbMonth({20, 21, 22}, 4);
        LoggerFolder folder;
        folder.setDevice(1, 20200107, "1 3 20 6 4", "1.2");
        folder.addPoint("P", "A");
        folder.addFile("P", "A", "2019年01月.lmv", monthA);
        folder.addPoint("P", "B");
        folder.addFile("P", "B", "2019年01月.lmv", monthB);
        folder.write();
        Simulator sim;
        // The logger scans the month for the first node table for longer than two timer periods.
        QVERIFY(sim.start(folder.root(), {"--slow-req", "node:1", "--slow-delay", "400"}));
        Viewer v(150);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        v.click(v.item("P|A|2019年01月.lmv"));
        QTRY_VERIFY_WITH_TIMEOUT(sim.requests("rvb-node").size() == 1, 5000);
        v.click(v.item("P|B|2019年01月.lmv"));
        QTRY_VERIFY_WITH_TIMEOUT(v->calendar_box.isVisible(), 10000);
        QCOMPARE(v->calendar_box.calendar()->minimumDate(), QDate(2019, 1, 20));
        QCOMPARE(v->calendar_box.calendar()->maximumDate(), QDate(2019, 1, 22));
        emit v->calendar_box.calendar()->clicked(QDate(2019, 1, 20));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(v->dayFilePath(20)) && v->isEnabled(), 10000);
        QVERIFY(v->dayFilePath(20).contains("/P/B/"));
        QCOMPARE(readAll(v->dayFilePath(20)), monthB.left(512) + monthB.mid(512, 400));
    }

    void loggerSlowOnEveryReplyIsWalkedAndDownloadedAtAboutTwiceItsReplyTime()
    {
        // Two points with the same file list, as neighbours often have.
        const QByteArray device = testfiles::rvaFile(12, 4);
        LoggerFolder folder;
        folder.setDevice(5, 20190001, "2 1 18 12 3", "1.5");
        folder.addPoint("P", "A", 0, 800, 0, 0, 30);
        folder.addFile("P", "A", "f.lmv", device);
        folder.addPoint("P", "B");
        folder.addFile("P", "B", "f.lmv", device);
        folder.write();
        Simulator sim;
        // Every reply 1.15 timer periods late, one request at a time.
        const int reply = 173;
        QVERIFY(sim.start(folder.root(), {"--page-size", "256", "--reply-delay", QString::number(reply)}));
        Viewer v(150);
        QElapsedTimer clock;
        clock.start();
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        // Device information, projects, points, two file lists.
        QVERIFY2(clock.elapsed() <= 5 * 2 * reply + 600, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(v->usb_open_button->isChecked());
        QCOMPARE(v.item("P|A")->childCount(), 1);
        QCOMPARE(v.item("P|B")->childCount(), 1);
        QCOMPARE(v.item("P|B|f.lmv")->text(1), QString::number(device.size()));

        QTreeWidgetItem *file = v.item("P|A|f.lmv");
        clock.restart();
        v.click(file);
        QTRY_VERIFY_WITH_TIMEOUT(!file->text(7).isEmpty() && v->isEnabled(), 20000);
        // Three pages of 256 bytes.
        QVERIFY2(clock.elapsed() <= 3 * 2 * reply + 600, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(readAll(file->text(7)),
                 expectedRvaCache(device, deviceInfoBytes(20190001, 5, kRvaVersion, 1.5f), pointA()));
    }

    void monthWithoutRecordsStartsNoDownload()
    {
        LoggerFolder folder;
        folder.setDevice(1, 20200107, "1 3 20 6 4", "1.2");
        folder.addPoint("P", "A");
        folder.addFile("P", "A", "2019年01月.lmv", testfiles::rvbMonth({}, 0));
        folder.write();
        Simulator sim;
        QVERIFY(sim.start(folder.root()));
        Viewer v(400);
        v.connectTo(sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(v.walkDone(), 20000);
        BoxAnswerer boxes;
        v.click(v.item("P|A|2019年01月.lmv"));
        QTRY_COMPARE(boxes.seen.size(), 1);
        QVERIFY(boxes.seen.first().startsWith("读取记录|"));
        QVERIFY(!v->calendar_box.isVisible());
        QVERIFY(v->isEnabled());
        QCOMPARE(sim.requests("rvb-node").size(), 1);
        QCOMPARE(sim.requests("rvb-data").size(), 0);
    }
};

QTEST_MAIN(DeviceEndToEndTest)
#include "tst_device_e2e.moc"
