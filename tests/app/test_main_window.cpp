#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <cstring>
#include <memory>

#include "app/MainWindow.h"
#include "data/CacheDir.h"
#include "views/ProjectOverviewView.h"
#include "views/SurveyWindow.h"

namespace {

// ---- data files written byte by byte, as the store holds them ----

QByteArray gb(const QString &s)
{
    return QTextCodec::codecForName("GB2312")->fromUnicode(s);
}

void putU32(QByteArray &b, int off, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[off + i] = char((v >> (8 * i)) & 0xFF);
}

void putF32(QByteArray &b, int off, float f)
{
    quint32 v;
    std::memcpy(&v, &f, 4);
    putU32(b, off, v);
}

QByteArray header(const QString &project, const QString &point, quint32 shape, quint32 h, quint32 w,
                  quint8 type, quint8 model, quint32 number)
{
    QByteArray b(512, '\0');
    const QByteArray p = gb(project), q = gb(point);
    b.replace(0, p.size(), p);
    b.replace(33, q.size(), q);
    putU32(b, 68, shape);
    putU32(b, 72, h);
    putU32(b, 76, w);
    putF32(b, 88, 1.0f); // velocity correction
    putF32(b, 92, 1.0f); // flow correction
    putU32(b, 496, number);
    b[500] = char(type);
    b[505] = char(model);
    return b;
}

QByteArray rvaRecord(int minute, quint32 serial, float level, float velocity, float flow, float temp)
{
    QByteArray r(32, '\0');
    r[0] = 10;
    r[1] = char(minute);
    r[2] = 0;
    r[4] = char(2024 & 0xFF);
    r[5] = char(2024 >> 8);
    r[6] = 3;
    r[7] = 15;
    putU32(r, 12, serial);
    putF32(r, 16, level);
    putF32(r, 20, velocity);
    putF32(r, 24, flow);
    putF32(r, 28, temp);
    return r;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeIndex(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &l : lines)
        bytes += gb(l) + "\r\n";
    writeFile(path, bytes);
}

int spacerCount(QVBoxLayout *layout, QSpacerItem *spacer)
{
    int n = 0;
    for (int i = 0; i < layout->count(); ++i)
        if (layout->itemAt(i) == spacer)
            ++n;
    return n;
}

// Answers the next message box from the event loop, so a modal box never hangs a test.
struct BoxAnswer
{
    QString title;
    QString text;
    bool seen = false;
};

void answerNextBox(BoxAnswer *out, QMessageBox::StandardButton button, int triesLeft = 500)
{
    QTimer::singleShot(10, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (triesLeft > 0)
                answerNextBox(out, button, triesLeft - 1);
            return;
        }
        out->title = box->windowTitle();
        out->text = box->text();
        out->seen = true;
        box->button(button)->click();
    });
}

// Answers the window's next path question with path and keeps the question's caption.
void chooseFile(MainWindow &w, const QString &path, QString *caption)
{
    w.askPath = [=](const PathQuestion &question) {
        *caption = question.caption;
        return path;
    };
}

// The text the table shows for a cell (the delegate's number form).
QString cell(const QTableView *view, int row, int column)
{
    const QVariant v = view->model()->index(row, column).data();
    auto *delegate = qobject_cast<QStyledItemDelegate *>(view->itemDelegate());
    return delegate ? delegate->displayText(v, QLocale()) : v.toString();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QString startDir;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<MainWindow> w;

    void startWindow()
    {
        w = std::make_unique<MainWindow>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void toPcMode()
    {
        QTest::mouseClick(w->pc_button, Qt::LeftButton);
        QVERIFY(w->pc_button->isChecked());
    }
    QTreeWidgetItem *top(int i) { return w->PrjTree->topLevelItem(i); }
    QString root() const { return work->path() + "/"; }

    // A store with an RVA project (two points, the first with a pipe of its own) and an RVB file.
    QString makeRvaStore()
    {
        const QString dir = root() + "store/河道/";
        QByteArray a = header("河道", "一号点", 0, 1000, 0, 5, 0, 321);
        a += rvaRecord(0, 1, 0.5f, 1.0f, 1.0f, 12.345f);
        a += rvaRecord(1, 2, 0.25f, 2.0f, 2.0f, 13.0f);
        writeFile(dir + "一号点/a.lmv", a);
        writeFile(dir + "一号点/b.lmv", header("河道", "一号点", 0, 1000, 0, 5, 0, 321));
        writeFile(dir + "二号点/c.lmv", header("河道", "二号点", 0, 800, 0, 5, 0, 321));
        writeIndex(dir + "河道.lmvprj",
                   {"$id$321", "$prj$河道", "$pos$河道/一号点/1/2000/1000/0/0/5/0/321",
                    "$record$河道/一号点/a.lmv", "$record$河道/一号点/b.lmv", "$pos$河道/二号点",
                    "$record$河道/二号点/c.lmv", "$record$河道/二号点/missing.lmv"});
        return dir + "河道.lmvprj";
    }

private slots:
    void initTestCase() { startDir = QDir::currentPath(); }

    void init()
    {
        work = std::make_unique<QTemporaryDir>();
        QVERIFY(work->isValid());
        QVERIFY(QDir::setCurrent(work->path()));
    }

    void cleanup()
    {
        w.reset();
        QDir::setCurrent(startDir);
        work.reset();
    }

    // ---- shell ----

    void startsInDeviceModeWithItsActionStates()
    {
        w = std::make_unique<MainWindow>();
        QCOMPARE(w->geometry().size(), QSize(1200, 800));
        QCOMPARE(w->pos(), QPoint(500, 100));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // The connection panel fits the window: the named panel font is substituted by the CJK
        // sans face, not by a wide Latin fallback that would push the window wider.
        QCOMPARE(w->width(), 1200);
        QCOMPARE(w->windowTitle(), QStringLiteral("Limnova Viewer"));
        QVERIFY(w->dev_button->isChecked());
        QVERIFY(!w->pc_button->isChecked());
        QVERIFY(w->dev_area->isVisible());
        QVERIFY(!w->splitter->isVisible());
        QVERIFY(!w->usb_splitter->isVisible());
        QVERIFY(w->usb_port_panel->isVisible());
        QCOMPARE(spacerCount(w->dev_layout, w->dev_spacer), 1);
        QCOMPARE(w->version_label->text(), QStringLiteral("Corvala Version:2.0"));

        QVERIFY(!w->open_file_action->isEnabled());
        QVERIFY(!w->open_prj_action->isEnabled());
        QVERIFY(w->select_all_action->isEnabled());
        QVERIFY(!w->remove_action->isEnabled());
        QVERIFY(w->save_lmv_action->isEnabled());
        QVERIFY(w->save_txt_action->isEnabled());
        QVERIFY(w->save_csv_action->isEnabled());
        QVERIFY(!w->pipe_modify_action->isEnabled());
        QVERIFY(!w->parameter_modify_action->isEnabled());
        QVERIFY(!w->id_modify_action->isEnabled());
        QVERIFY(w->about_action->isEnabled());
        QVERIFY(w->quit_action->isEnabled());
        QCOMPARE(w->open_file_action->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(w->pipe_modify_action->shortcut(), QKeySequence("Ctrl+Alt+P"));

        QStringList menus;
        const QList<QAction *> bar = w->menuBar()->actions();
        for (QAction *a : bar)
            menus << a->text();
        QCOMPARE(menus, (QStringList{"文件(F)", "编辑(E)", "关于(A)"}));

        QVERIFY(QDir("tmp/dev").exists());
        QVERIFY(QDir("tmp/dev").isEmpty());
    }

    void markedCacheFromAnEarlierRunIsRecreatedEmpty()
    {
        writeFile("tmp/.limnova-viewer-cache", "x");
        writeFile("tmp/dev/P/Q/old.lmv", "old download");
        startWindow();
        QVERIFY(QDir("tmp/dev").exists());
        QVERIFY(QDir("tmp/dev").isEmpty());
        w.reset();
        QVERIFY(!QFileInfo::exists("tmp"));
    }

    void unmarkedTmpFolderOfTheUserSurvives()
    {
        writeFile("tmp/notes.txt", "my own notes");
        writeFile("tmp/dev/keep.txt", "mine too");
        startWindow();
        QVERIFY(!cacheRoot().startsWith("./tmp"));
        QVERIFY(QDir(deviceCacheRoot()).exists());
        toPcMode(); // empties the device cache, which must not be the user's folder
        w.reset();
        QFile notes("tmp/notes.txt");
        QVERIFY(notes.open(QIODevice::ReadOnly));
        QCOMPARE(notes.readAll(), QByteArray("my own notes"));
        QVERIFY(QFile::exists("tmp/dev/keep.txt"));
    }

    void modeSwitchBothWaysTwice()
    {
        startWindow();
        for (int round = 0; round < 2; ++round) {
            writeFile(deviceCacheRoot() + "P/Q/f.lmv", "cached");
            toPcMode();
            QVERIFY(!w->dev_button->isChecked());
            QVERIFY(w->splitter->isVisible());
            QVERIFY(!w->dev_area->isVisible());
            QVERIFY(w->prj_panel->isVisible());
            QVERIFY(!w->RVA_RecordWindow::root->isVisible());
            QVERIFY(!w->RVB_RecordWindow::root->isVisible());
            QVERIFY(QDir("tmp/dev").exists());
            QVERIFY(QDir("tmp/dev").isEmpty());
            QVERIFY(w->open_file_action->isEnabled());
            QVERIFY(w->open_prj_action->isEnabled());
            QVERIFY(w->remove_action->isEnabled());
            QVERIFY(!w->save_lmv_action->isEnabled());
            QVERIFY(w->save_txt_action->isEnabled());
            QVERIFY(!w->pipe_modify_action->isEnabled());
            QVERIFY(!w->id_modify_action->isEnabled());
            QVERIFY(!w->select_all_action->isCheckable());

            QTest::mouseClick(w->dev_button, Qt::LeftButton);
            QVERIFY(w->dev_button->isChecked());
            QVERIFY(!w->pc_button->isChecked());
            QVERIFY(w->dev_area->isVisible());
            QVERIFY(!w->splitter->isVisible());
            QVERIFY(!w->open_file_action->isEnabled());
            QVERIFY(!w->remove_action->isEnabled());
            QVERIFY(w->save_lmv_action->isEnabled());
            QCOMPARE(spacerCount(w->dev_layout, w->dev_spacer), 1);
            QCOMPARE(w->dev_layout->indexOf(w->usb_splitter), -1);
            QCOMPARE(w->dev_layout->indexOf(w->dev_spacer), w->dev_layout->count() - 1);
        }
    }

    void pressingTheButtonOfTheShownModeChangesNothing()
    {
        startWindow();
        QTest::mouseClick(w->dev_button, Qt::LeftButton);
        QVERIFY(w->dev_button->isChecked());
        QVERIFY(!w->pc_button->isChecked());
        QVERIFY(w->dev_area->isVisible());
        toPcMode();
        w->open_file_action->setEnabled(false); // a state the repeated press must not reset
        QTest::mouseClick(w->pc_button, Qt::LeftButton);
        QVERIFY(w->pc_button->isChecked());
        QVERIFY(!w->dev_button->isChecked());
        QVERIFY(!w->open_file_action->isEnabled());
    }

    void closingClosesOtherWindowsAndDestructionRemovesTmp()
    {
        startWindow();
        toPcMode();
        w->openLocalPath(makeRvaStore());
        QVERIFY(w->PrjTree->topLevelItemCount() > 0);
        w->about_window.show();
        QVERIFY(w->about_window.isVisible());
        w->close();
        QVERIFY(!w->about_window.isVisible());
        QCOMPARE(w->PrjTree->topLevelItemCount(), 0);
        w.reset();
        QVERIFY(!QFileInfo::exists("tmp"));
    }

    // ---- local tree ----

    void openingAProjectIndexBuildsTheTree()
    {
        startWindow();
        toPcMode();
        const QString path = makeRvaStore();
        // Through the menu command, answering its file dialog.
        QString caption;
        chooseFile(*w, path, &caption);
        w->open_prj_action->trigger();
        QCOMPARE(caption, QStringLiteral("打开项目"));

        QCOMPARE(w->PrjTree->topLevelItemCount(), 1);
        QTreeWidgetItem *p = top(0);
        QCOMPARE(p->text(0), QStringLiteral("河道"));
        QCOMPARE(p->text(1), root() + "store/河道/");
        QCOMPARE(p->childCount(), 2);
        QTreeWidgetItem *q1 = p->child(0), *q2 = p->child(1);
        QCOMPARE(q1->text(1), QStringLiteral("一号点/"));
        QCOMPARE(q1->text(2), QStringLiteral("1"));
        QCOMPARE(q1->text(9), QStringLiteral("RVA:321"));
        QCOMPARE(q2->text(9), QStringLiteral("设备号:321"));
        QCOMPARE(q2->text(7), QString());
        QCOMPARE(q1->childCount(), 2);
        QCOMPARE(q2->child(1)->text(0), QStringLiteral("missing.lmv"));
        QCOMPARE(p->text(1) + q1->text(1) + q1->child(0)->text(1), root() + "store/河道/一号点/a.lmv");
        for (int c = 1; c <= 8; ++c)
            QVERIFY(w->PrjTree->isColumnHidden(c));
        QVERIFY(!w->PrjTree->isColumnHidden(9));
        QCOMPARE(q1->checkState(0), Qt::Unchecked);

        // Opening the same project again gives a second, identical entry.
        w->openLocalPath(path);
        QCOMPARE(w->PrjTree->topLevelItemCount(), 2);
        QCOMPARE(top(1)->childCount(), 2);
    }

    void openingAPointIndexAndADataFile()
    {
        startWindow();
        toPcMode();
        makeRvaStore();
        const QString pos = root() + "store/河道/一号点/一号点.lmvpos";
        writeIndex(pos, {"$id$321", "$pos$河道/一号点", "$record$河道/一号点/a.lmv"});
        w->openLocalPath(pos);
        QTreeWidgetItem *p = top(0);
        QCOMPARE(p->text(0), QStringLiteral("河道"));
        QCOMPARE(p->text(1), QString());
        QCOMPARE(p->child(0)->text(1), root() + "store/河道/一号点/");
        QCOMPARE(p->text(1) + p->child(0)->text(1) + p->child(0)->child(0)->text(1),
                 root() + "store/河道/一号点/a.lmv");

        const QString file = root() + "store/河道/二号点/c.lmv";
        QString caption;
        chooseFile(*w, file, &caption);
        w->open_file_action->trigger();
        QCOMPARE(caption, QStringLiteral("打开文件"));
        QCOMPARE(w->PrjTree->topLevelItemCount(), 2);
        QTreeWidgetItem *d = top(1);
        QCOMPARE(d->text(0), QStringLiteral("河道"));
        QTreeWidgetItem *q = d->child(0);
        QCOMPARE(q->text(0), QStringLiteral("二号点"));
        QCOMPARE(q->text(3), QStringLiteral("800"));
        QCOMPARE(q->text(7), QStringLiteral("5"));
        QCOMPARE(q->text(9), QStringLiteral("RVA:321"));
        QCOMPARE(q->child(0)->text(0), QStringLiteral("c.lmv"));
        QCOMPARE(d->text(1) + q->text(1) + q->child(0)->text(1), file);

        // Files of another kind and cancelled dialogs add nothing.
        writeFile(root() + "x.txt", "text");
        w->openLocalPath(root() + "x.txt");
        w->openLocalPath(QString());
        QCOMPARE(w->PrjTree->topLevelItemCount(), 2);
    }

    void ticksPropagateThroughTheThreeLevels()
    {
        startWindow();
        toPcMode();
        w->openLocalPath(makeRvaStore());
        QTreeWidgetItem *p = top(0), *q1 = p->child(0), *q2 = p->child(1);
        QTreeWidgetItem *f1 = q1->child(0), *f2 = q1->child(1);

        f1->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(f1);
        QCOMPARE(q1->checkState(0), Qt::PartiallyChecked);
        QCOMPARE(p->checkState(0), Qt::PartiallyChecked);
        f2->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(f2);
        QCOMPARE(q1->checkState(0), Qt::Checked);
        QCOMPARE(p->checkState(0), Qt::PartiallyChecked); // the second point is not ticked

        q2->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(q2);
        QCOMPARE(q2->child(0)->checkState(0), Qt::Checked);
        QCOMPARE(p->checkState(0), Qt::Checked);

        f1->setCheckState(0, Qt::Unchecked);
        w->on_file_item_clicked(f1);
        QCOMPARE(q1->checkState(0), Qt::PartiallyChecked);
        QCOMPARE(p->checkState(0), Qt::PartiallyChecked);

        p->setCheckState(0, Qt::Unchecked);
        w->on_file_item_clicked(p);
        QCOMPARE(q1->checkState(0), Qt::Unchecked);
        QCOMPARE(f2->checkState(0), Qt::Unchecked);
        QCOMPARE(q2->child(1)->checkState(0), Qt::Unchecked);
    }

    void removeTakesCheckedEntriesOnlyAndAsksFirst()
    {
        startWindow();
        toPcMode();
        const QString path = makeRvaStore();
        w->openLocalPath(path);
        w->openLocalPath(path);

        BoxAnswer warning;
        answerNextBox(&warning, QMessageBox::Ok);
        w->remove_action->trigger();
        QVERIFY(warning.seen);
        QCOMPARE(warning.title, QStringLiteral("无法移除"));
        QCOMPARE(warning.text, QStringLiteral("在本地项目列表中,至少勾选一个条目"));
        QCOMPARE(w->PrjTree->topLevelItemCount(), 2);

        // Mixed: first project has one ticked file under point 1 and the whole point 2;
        // the second project is ticked as a whole.
        QTreeWidgetItem *p = top(0);
        p->child(0)->child(1)->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(p->child(0)->child(1));
        p->child(1)->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(p->child(1));
        top(1)->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(top(1));

        BoxAnswer no;
        answerNextBox(&no, QMessageBox::No);
        w->remove_action->trigger();
        QVERIFY(no.seen);
        QCOMPARE(no.title, QStringLiteral("移除项目"));
        QCOMPARE(no.text, QStringLiteral("是否移除所选条目?本地文件不会被删除"));
        QCOMPARE(w->PrjTree->topLevelItemCount(), 2);

        BoxAnswer yes;
        answerNextBox(&yes, QMessageBox::Yes);
        w->remove_action->trigger();
        QVERIFY(yes.seen);
        QCOMPARE(w->PrjTree->topLevelItemCount(), 1);
        p = top(0);
        QCOMPARE(p->childCount(), 1);
        QCOMPARE(p->child(0)->text(0), QStringLiteral("一号点"));
        QCOMPARE(p->child(0)->childCount(), 1);
        QCOMPARE(p->child(0)->child(0)->text(0), QStringLiteral("a.lmv"));
        QCOMPARE(p->checkState(0), Qt::Unchecked);
        QCOMPARE(p->child(0)->checkState(0), Qt::Unchecked);
        // Nothing on disk changed.
        QVERIFY(QFile::exists(path));
        QVERIFY(QFile::exists(root() + "store/河道/二号点/c.lmv"));
        QVERIFY(QFile::exists(root() + "store/河道/一号点/b.lmv"));

        // Everything ticked: the tree empties and both local views hide.
        w->on_file_item_clicked(p->child(0)->child(0));
        QVERIFY(w->RVA_RecordWindow::root->isVisible());
        p->setCheckState(0, Qt::Checked);
        w->on_file_item_clicked(p);
        answerNextBox(&yes, QMessageBox::Yes);
        w->remove_action->trigger();
        QCOMPARE(w->PrjTree->topLevelItemCount(), 0);
        QVERIFY(!w->RVA_RecordWindow::root->isVisible());
        QVERIFY(!w->RVB_RecordWindow::root->isVisible());
    }

    void selectAllTwiceLeavesEverythingUnchecked()
    {
        startWindow();
        // Device mode with the device tree hidden: nothing happens.
        w->UsbPrjTree->addTopLevelItem(new QTreeWidgetItem(QStringList{"dev"}));
        w->UsbPrjTree->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        w->select_all_action->trigger();
        QCOMPARE(w->UsbPrjTree->topLevelItem(0)->checkState(0), Qt::Unchecked);
        QVERIFY(!w->select_all_action->isCheckable());

        toPcMode();
        w->openLocalPath(makeRvaStore());
        w->select_all_action->trigger();
        QVERIFY(w->select_all_action->isChecked());
        QCOMPARE(top(0)->checkState(0), Qt::Checked);
        QCOMPARE(top(0)->child(1)->child(1)->checkState(0), Qt::Checked);
        w->select_all_action->trigger();
        QVERIFY(!w->select_all_action->isCheckable());
        QCOMPARE(top(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(top(0)->child(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(top(0)->child(0)->child(0)->checkState(0), Qt::Unchecked);
    }

    void prjTreeColumnsFillThePanel()
    {
        startWindow();
        toPcMode();
        const int panel = w->prj_panel->width();
        // Column 9 gets a third; column 0 follows the coupling and fills the rest.
        QCOMPARE(w->PrjTree->columnWidth(9), panel / 3);
        QCOMPARE(w->PrjTree->columnWidth(0) + w->PrjTree->columnWidth(9), panel);
        w->PrjTree->setColumnWidth(0, 120);
        QCOMPARE(w->PrjTree->columnWidth(9), panel - 120);
    }

    void firstResizeKeepsPanelWidthsLaterOnesRecompute()
    {
        startWindow();
        QVERIFY(w->firstResizeSeen);
        QCOMPARE(w->PrjTree->columnWidth(0), 300);
        QCOMPARE(w->PrjTree->columnWidth(9), 100);
        toPcMode();
        w->PrjTree->setColumnWidth(9, 50);
        w->resize(1400, 800);
        QTRY_COMPARE(w->PrjTree->columnWidth(9), w->prj_panel->width() / 3);
        QCOMPARE(w->PrjTree->columnWidth(0) + w->PrjTree->columnWidth(9), w->prj_panel->width());
        QCOMPARE(w->UsbPrjTree->columnWidth(0), w->usb_prj_panel->width());
    }

    // ---- display dispatch ----

    void clickedRvaFileShowsRecordsWithThePointsOwnPipe()
    {
        startWindow();
        toPcMode();
        w->openLocalPath(makeRvaStore());
        QTreeWidgetItem *file = top(0)->child(0)->child(0);
        w->on_file_item_clicked(file);
        QVERIFY(w->isEnabled());
        QVERIFY(w->RVA_RecordWindow::root->isVisible());
        QVERIFY(!w->RVB_RecordWindow::root->isVisible());
        QVERIFY(w->pipe_modify_action->isEnabled());
        QVERIFY(w->parameter_modify_action->isEnabled());

        QTableWidget *info = w->RVA_RecordWindow::InfoTable;
        QCOMPARE(info->item(0, 1)->text(), QStringLiteral("321"));
        QCOMPARE(info->item(1, 1)->text(), QStringLiteral("河道/一号点"));
        // The point carries a rectangular channel 2000 x 1000 mm; the file header a circle.
        QCOMPARE(info->item(3, 1)->text(), QStringLiteral("方沟 高度2000mm 宽度1000mm 淤积层0mm"));

        const QTableView *table = w->RVA_RecordWindow::UnitTable;
        QCOMPARE(table->model()->rowCount(), 2);
        QCOMPARE(cell(table, 0, 0), QStringLiteral("[2024-03-15 10:00:00]"));
        QCOMPARE(cell(table, 1, 0), QStringLiteral("[2024-03-15 10:01:00]"));
        QCOMPARE(cell(table, 0, 2), QStringLiteral("0.5"));
        // 500 mm x 1000 mm x 1000 mm/s = 500 L/s; 250 mm x 1000 mm x 2000 mm/s = 500 L/s.
        QCOMPARE(cell(table, 0, 6), QStringLiteral("500"));
        QCOMPARE(cell(table, 1, 6), QStringLiteral("500"));
        QCOMPARE(cell(table, 0, 7), QStringLiteral("12.35"));
        QTableWidget *sum = w->RVA_RecordWindow::SumTable;
        QCOMPARE(sum->item(3, 13)->text(), QStringLiteral("500"));
        QCOMPARE(sum->item(5, 13)->text(), QStringLiteral("500"));

        // The file on disk keeps its stored flow.
        QFile f(root() + "store/河道/一号点/a.lmv");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        float stored;
        std::memcpy(&stored, bytes.constData() + 512 + 24, 4);
        QCOMPARE(stored, 1.0f);

        // A point without a pipe of its own shows the file's header pipe and stored flows.
        w->on_file_item_clicked(top(0)->child(1)->child(0));
        QCOMPARE(info->item(3, 1)->text(), QStringLiteral("圆形 直径800mm 淤积层0mm"));
    }

    void clickedRvbFileShowsTheRvbView()
    {
        startWindow();
        toPcMode();
        QByteArray b = header("站", "点", 0, 0, 0, 1, 4, 77);
        b += QByteArray(100, '\0');
        writeFile(root() + "rvb/day.lmv", b);
        w->openLocalPath(root() + "rvb/day.lmv");
        QTreeWidgetItem *point = top(0)->child(0);
        QCOMPARE(point->text(9), QStringLiteral("RVB:77"));
        w->on_file_item_clicked(point->child(0));
        QVERIFY(w->RVB_RecordWindow::root->isVisible());
        QVERIFY(!w->RVA_RecordWindow::root->isVisible());
        QVERIFY(!w->pipe_modify_action->isEnabled());
        QVERIFY(!w->parameter_modify_action->isEnabled());
        QCOMPARE(w->RVB_RecordWindow::InfoTable->item(0, 1)->text(), QStringLiteral("77"));
        QCOMPARE(w->RVB_RecordWindow::UnitTable->model()->rowCount(), 1);

        // Its point: its survey is shown; the RVB form of the summary, the model's content
        // text, pipe editing off.
        w->on_file_item_clicked(point);
        QVERIFY(w->survey_window->isVisible());
        QVERIFY(!w->RVB_RecordWindow::root->isVisible());
        QVERIFY(!w->pipe_modify_action->isEnabled());
        QCOMPARE(w->RVB_RecordWindow::InfoTable->item(0, 1)->text(), QStringLiteral("RVB:77"));
        QCOMPARE(w->RVB_RecordWindow::InfoTable->item(1, 1)->text(), QStringLiteral("站/点"));
        QCOMPARE(w->RVB_RecordWindow::InfoTable->item(2, 1)->text(),
                 QStringLiteral("(压力)液位、(超声)流速"));
    }

    void missingOrUnknownFilesShowNothingAndReenableTheWindow()
    {
        startWindow();
        toPcMode();
        w->openLocalPath(makeRvaStore());
        w->on_file_item_clicked(top(0)->child(0)->child(0));
        QVERIFY(w->parameter_modify_action->isEnabled());

        w->on_file_item_clicked(top(0)->child(1)->child(1)); // missing.lmv
        QVERIFY(w->isEnabled());
        QVERIFY(w->pipe_modify_action->isEnabled());
        QCOMPARE(w->RVA_RecordWindow::UnitTable->model()->rowCount(), 0);
        QCOMPARE(w->RVA_RecordWindow::InfoTable->item(1, 1)->text(), QString());

        QByteArray odd = header("河道", "二号点", 0, 0, 0, 3, 0, 1);
        writeFile(root() + "store/河道/二号点/c.lmv", odd);
        w->on_file_item_clicked(top(0)->child(1)->child(0));
        QVERIFY(w->isEnabled());
        QVERIFY(w->pipe_modify_action->isEnabled());
        QCOMPARE(w->RVA_RecordWindow::InfoTable->item(1, 1)->text(), QString());
    }

    void pointAndProjectClicksSetSummaryAndActions()
    {
        startWindow();
        toPcMode();
        w->openLocalPath(makeRvaStore());
        QTreeWidgetItem *q2 = top(0)->child(1);
        w->on_file_item_clicked(q2);            // short "$pos$" line: RVA form whatever the logger
        QVERIFY(w->survey_window->isVisible()); // the point's survey where the record window was
        QVERIFY(!w->RVA_RecordWindow::root->isVisible());
        QVERIFY(w->pipe_modify_action->isEnabled());
        QVERIFY(!w->parameter_modify_action->isEnabled());
        QTableWidget *info = w->RVA_RecordWindow::InfoTable;
        QCOMPARE(info->item(0, 1)->text(), QStringLiteral("321"));
        QCOMPARE(info->item(1, 1)->text(), QStringLiteral("河道/二号点"));
        QCOMPARE(info->item(2, 1)->text(), QStringLiteral("(压力)液位、(超声)流速"));
        QCOMPARE(info->item(3, 1)->text(), QStringLiteral("圆形 直径800mm 淤积层0mm")); // from its first file

        w->on_file_item_clicked(top(0));
        QVERIFY(!w->pipe_modify_action->isEnabled());
        QVERIFY(!w->parameter_modify_action->isEnabled());
        QVERIFY(w->overview_view->isVisible()); // the project's overview instead
        QVERIFY(!w->survey_window->isVisible());
        QCOMPARE(info->item(1, 1)->text(), QString());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
