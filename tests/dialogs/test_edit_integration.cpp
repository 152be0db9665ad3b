#include "../CopyTree.h"
#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstring>

#include "app/MainWindow.h"
#include "app/TreeCheck.h"
#include "tests/dialogs/ModalCloser.h"
#include "views/RvaRecordModel.h"

// The editing dialogs inside the main window, on a copy of the sample project store:
// what "仅修改" and "修改并保存" change in the view and on disk, and that a dialog only ever
// acts on the file or point it was opened for.

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 u32At(const QByteArray &b, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}

float f32At(const QByteArray &b, int at)
{
    const quint32 v = u32At(b, at);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

// Indices of the bytes in which two files differ (all bytes past the shorter end count).
QList<int> differingBytes(const QByteArray &a, const QByteArray &b)
{
    QList<int> at;
    for (int i = 0; i < qMax(a.size(), b.size()); ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i])
            at << i;
    return at;
}

} // namespace

class EditIntegrationTest : public QObject
{
    Q_OBJECT

    QString m_startDir;
    QTemporaryDir *m_work = nullptr;
    MainWindow *m_window = nullptr;
    QString m_store; // copy of the sample store, ending in "/"

    QTreeWidget *tree() { return m_window->PrjTree; }

    QTreeWidgetItem *pointItem(const QString &name)
    {
        for (int p = 0; p < tree()->topLevelItemCount(); ++p)
            for (int i = 0; i < tree()->topLevelItem(p)->childCount(); ++i)
                if (tree()->topLevelItem(p)->child(i)->text(0) == name)
                    return tree()->topLevelItem(p)->child(i);
        return nullptr;
    }

    QString pathOf(const QTreeWidgetItem *file)
    {
        return file->parent()->parent()->text(1) + file->parent()->text(1) + file->text(1);
    }

    // Makes an item current and shows it, as a click in the tree does.
    void click(QTreeWidgetItem *item)
    {
        tree()->setCurrentItem(item);
        m_window->on_file_item_clicked(item);
    }

    template <class T>
    T *dialogChild(QWidget &dialog, const char *name)
    {
        return dialog.findChild<T *>(name);
    }

    void fillPipe(const QString &h, const QString &w, const QString &t, const QString &y)
    {
        QWidget &d = m_window->pipe_dialog;
        dialogChild<QLineEdit>(d, "hEdit")->setText(h);
        dialogChild<QLineEdit>(d, "wEdit")->setText(w);
        dialogChild<QLineEdit>(d, "tEdit")->setText(t);
        dialogChild<QLineEdit>(d, "yEdit")->setText(y);
    }

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }

    void init()
    {
        m_work = new QTemporaryDir;
        QVERIFY(m_work->isValid());
        QDir::setCurrent(m_work->path());
        m_store = m_work->path() + QStringLiteral("/store/");
        QVERIFY(copyTree(QStringLiteral(LMV_SAMPLE_STORE), m_work->path() + QStringLiteral("/store")));
        m_window = new MainWindow;
        m_window->on_pc_button_released();
        m_window->openLocalPath(m_store + QStringLiteral("城东排水管网/城东排水管网.lmvprj"));
        QVERIFY(pointItem(QStringLiteral("建设路1号井")));
        QCOMPARE(pointItem(QStringLiteral("建设路1号井"))->childCount(), 3);
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        QDir::setCurrent(m_startDir);
        delete m_work;
        m_work = nullptr;
    }

    // ---- the menu actions of the small windows ----

    void deviceNumberActionStaysDisabledInEveryMode()
    {
        QVERIFY(!m_window->id_modify_action->isEnabled());
        m_window->on_dev_button_released();
        QVERIFY(!m_window->id_modify_action->isEnabled());
        m_window->on_pc_button_released();
        click(pointItem(QStringLiteral("建设路1号井"))->child(0));
        QVERIFY(!m_window->id_modify_action->isEnabled());
    }

    void aboutActionShowsOneWindowAndClosingTheMainWindowClosesTheDialogs()
    {
        m_window->show();
        m_window->about_action->trigger();
        m_window->about_action->trigger();
        QVERIFY(m_window->about_window.isVisible());
        click(pointItem(QStringLiteral("建设路1号井"))->child(0));
        m_window->on_parameter_modify_action_triggered();
        QVERIFY(m_window->parameter_dialog.isVisible());
        m_window->close();
        QVERIFY(!m_window->about_window.isVisible());
        QVERIFY(!m_window->parameter_dialog.isVisible());
        QVERIFY(!m_window->parameter_dialog.isOpen());
    }

    // ---- calculation parameters ----

    void parameterSaveChangesOnlyTheTwoFactorsOfTheFile()
    {
        QTreeWidgetItem *file = pointItem(QStringLiteral("建设路1号井"))->child(0);
        const QString path = pathOf(file);
        const QByteArray before = readAll(path);
        click(file);
        m_window->on_parameter_modify_action_triggered();
        ParameterModify &d = m_window->parameter_dialog;
        QVERIFY(d.isVisible());
        dialogChild<QLineEdit>(d, "velocityEdit")->setText(QStringLiteral("2.00"));
        dialogChild<QLineEdit>(d, "flowEdit")->setText(QStringLiteral("0.50"));
        QTest::mouseClick(dialogChild<QPushButton>(d, "Save_Btn"), Qt::LeftButton);

        const QByteArray after = readAll(path);
        const QList<int> changed = differingBytes(before, after);
        QVERIFY(!changed.isEmpty());
        for (int at : changed)
            QVERIFY2(at >= 88 && at <= 95, qPrintable(QString::number(at)));
        QCOMPARE(f32At(after, 88), 2.0f);
        QCOMPARE(f32At(after, 92), 0.5f);
    }

    void parameterSaveWritesTheFileTheDialogWasOpenedFor()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        const QString first = pathOf(point->child(0));
        const QString second = pathOf(point->child(1));
        const QByteArray secondBefore = readAll(second);
        click(point->child(0));
        m_window->on_parameter_modify_action_triggered();
        click(point->child(1)); // the dialog is not modal: the user shows another file
        m_window->on_parameter_modify_action_triggered(); // and asks again: the open dialog stays as it is
        ParameterModify &d = m_window->parameter_dialog;
        dialogChild<QLineEdit>(d, "velocityEdit")->setText(QStringLiteral("3.00"));
        QTest::mouseClick(dialogChild<QPushButton>(d, "Save_Btn"), Qt::LeftButton);
        QCOMPARE(f32At(readAll(first), 88), 3.0f);
        QCOMPARE(readAll(second), secondBefore);
    }

    void parameterViewOnlyChangeIsRefusedForAnotherShownFile()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        click(point->child(0));
        m_window->on_parameter_modify_action_triggered();
        click(point->child(1));
        const QString shownBefore = cellText(m_window->RVA_RecordWindow::SumTable, 0, 3);
        ParameterModify &d = m_window->parameter_dialog;
        dialogChild<QLineEdit>(d, "velocityEdit")->setText(QStringLiteral("4.00"));
        ModalCloser closer;
        QTest::mouseClick(dialogChild<QPushButton>(d, "Confirm_Btn"), Qt::LeftButton);
        QCOMPARE(closer.seen().size(), 1);
        QCOMPARE(cellText(m_window->RVA_RecordWindow::SumTable, 0, 3), shownBefore);
    }

    void parameterSaveToARemovedFileIsReported()
    {
        QTreeWidgetItem *file = pointItem(QStringLiteral("建设路1号井"))->child(2);
        click(file);
        m_window->on_parameter_modify_action_triggered();
        QVERIFY(QFile::remove(pathOf(file)));
        ModalCloser closer;
        QTest::mouseClick(dialogChild<QPushButton>(m_window->parameter_dialog, "Save_Btn"), Qt::LeftButton);
        QCOMPARE(closer.seen().size(), 1);
        QVERIFY(closer.seen().at(0).contains(file->text(1)));
    }

    // ---- the dialogs follow the shown file, not the tree's current item ----

    void arrowKeysMoveTheCurrentItemButTheDialogsEditTheShownFile()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        point->setExpanded(true);
        const QString shown = pathOf(point->child(0));
        const QByteArray nextBefore = readAll(pathOf(point->child(1)));
        click(point->child(0));
        QTest::keyClick(tree(), Qt::Key_Down);
        QCOMPARE(tree()->currentItem(), point->child(1));
        // The keyboard only moves the current item: the view and the actions stay with the click.
        QCOMPARE(m_window->shownEntry.parameterTarget(), shown);
        QVERIFY(m_window->parameter_modify_action->isEnabled());

        m_window->parameter_modify_action->trigger();
        ParameterModify &d = m_window->parameter_dialog;
        QCOMPARE(dialogChild<QLabel>(d, "fileName")->text(), point->child(0)->text(0));
        dialogChild<QLineEdit>(d, "velocityEdit")->setText(QStringLiteral("3.00"));
        QTest::mouseClick(dialogChild<QPushButton>(d, "Save_Btn"), Qt::LeftButton);
        QCOMPARE(f32At(readAll(shown), 88), 3.0f);
        QCOMPARE(readAll(pathOf(point->child(1))), nextBefore);

        // The pipe dialog: a point summary shown, the current item moved on to another point.
        click(point);
        point->setExpanded(false);
        auto pointOf = [](QTreeWidgetItem *i) {
            return i && i->parent() && i->parent()->parent() ? i->parent() : i;
        };
        for (int i = 0;
             i < 10 && (pointOf(tree()->currentItem()) == point || !tree()->currentItem()->parent()); ++i)
            QTest::keyClick(tree(), Qt::Key_Down);
        QTreeWidgetItem *moved = pointOf(tree()->currentItem());
        QVERIFY(moved && moved != point && moved->parent());
        const QString movedPipe = moved->text(3);
        m_window->pipe_modify_action->trigger();
        PipeModifyWindow &p = m_window->pipe_dialog;
        QCOMPARE(dialogChild<QLabel>(p, "pointName")->text(), point->text(0));
        fillPipe("900", "700", "0", "20");
        QTest::mouseClick(dialogChild<QPushButton>(p, "confirm_btn"), Qt::LeftButton);
        QCOMPARE(point->text(3), QStringLiteral("900"));
        QCOMPARE(moved->text(3), movedPipe);
    }

    void removingTheShownFileEmptiesTheViewAndDisablesTheDialogs()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        QTreeWidgetItem *kept = point->child(1);
        const QByteArray keptBefore = readAll(pathOf(kept));
        click(point->child(0));
        tree()->setCurrentItem(kept);
        point->child(0)->setCheckState(0, Qt::Checked);
        propagateCheck(point->child(0));
        m_window->removeCheckedLocalEntries();

        QCOMPARE(point->childCount(), 2);
        QCOMPARE(m_window->RVA_RecordWindow::UnitModel->rowCount(), 0);
        QVERIFY(!m_window->parameter_modify_action->isEnabled());
        QVERIFY(!m_window->pipe_modify_action->isEnabled());
        // Even called directly (the "更改" cell, a shortcut), neither dialog opens for the current item.
        m_window->on_parameter_modify_action_triggered();
        m_window->on_pipe_modify_action_triggered();
        QVERIFY(!m_window->parameter_dialog.isOpen());
        QVERIFY(!m_window->pipe_dialog.isOpen());
        QCOMPARE(readAll(pathOf(kept)), keptBefore);

        // Showing a file again brings the dialogs back, for that file.
        click(kept);
        QVERIFY(m_window->parameter_modify_action->isEnabled());
        QCOMPARE(m_window->shownEntry.parameterTarget(), pathOf(kept));
    }

    // ---- what the local RVA view shows ----

    void parameterDialogNamesTheShownFile()
    {
        QTreeWidgetItem *file = pointItem(QStringLiteral("建设路1号井"))->child(2);
        click(file);
        m_window->on_parameter_modify_action_triggered();
        ParameterModify &d = m_window->parameter_dialog;
        QCOMPARE(dialogChild<QLabel>(d, "projectName")->text(), QStringLiteral("城东排水管网"));
        QCOMPARE(dialogChild<QLabel>(d, "pointName")->text(), QStringLiteral("建设路1号井"));
        QCOMPARE(dialogChild<QLabel>(d, "fileName")->text(), file->text(0));
        QCOMPARE(dialogChild<QLineEdit>(d, "velocityEdit")->text(), QStringLiteral("1.05"));
        QCOMPARE(dialogChild<QLineEdit>(d, "flowEdit")->text(), QStringLiteral("0.98"));
    }

    void parameterViewOnlyDoublesShownVelocitiesAndFlows()
    {
        QTreeWidgetItem *file = pointItem(QStringLiteral("建设路1号井"))->child(0);
        const QByteArray before = readAll(pathOf(file));
        click(file);
        RvaRecordModel *model = m_window->RVA_RecordWindow::UnitModel;
        QTableWidget *sum = m_window->RVA_RecordWindow::SumTable;
        QCOMPARE(model->rowCount(), 288);
        QCOMPARE(cellText(sum, 0, 3), QStringLiteral("1.00"));
        QList<float> level, velocity, flow, stats;
        for (const lmv::RvaRecord &r : model->records()) {
            level << model->shownLevel(r);
            velocity << model->shownVelocity(r);
            flow << model->shownFlow(r);
        }
        for (int row = 3; row <= 5; ++row)
            stats << cellNumber(sum, row, 3) << cellNumber(sum, row, 8) << cellNumber(sum, row, 13);

        m_window->on_parameter_modify_action_triggered();
        ParameterModify &d = m_window->parameter_dialog;
        dialogChild<QLineEdit>(d, "velocityEdit")->setText(QStringLiteral("2.00"));
        QTest::mouseClick(dialogChild<QPushButton>(d, "Confirm_Btn"), Qt::LeftButton);

        QCOMPARE(cellText(sum, 0, 3), QStringLiteral("2.00"));
        QCOMPARE(m_window->RVA_RecordWindow::shownVelocityCorrection(), 2.0f);
        int i = 0;
        for (const lmv::RvaRecord &r : model->records()) {
            QCOMPARE(model->shownLevel(r), level[i]);
            QVERIFY(qAbs(model->shownVelocity(r) - 2 * velocity[i]) <= 0.0011f);
            QVERIFY(qAbs(model->shownFlow(r) - 2 * flow[i]) <= 0.0011f);
            ++i;
        }
        for (int row = 3, k = 0; row <= 5; ++row, k += 3) {
            QCOMPARE(cellNumber(sum, row, 3), stats[k]);
            QVERIFY(qAbs(cellNumber(sum, row, 8) - 2 * stats[k + 1]) <= 0.0011f);
            QVERIFY(qAbs(cellNumber(sum, row, 13) - 2 * stats[k + 2]) <= 0.0011f);
        }
        QCOMPARE(readAll(pathOf(file)), before);
    }

    void parameterSaveRefillsTheViewWithTheStoredFactors()
    {
        QTreeWidgetItem *file = pointItem(QStringLiteral("建设路1号井"))->child(1);
        click(file);
        m_window->on_parameter_modify_action_triggered();
        ParameterModify &d = m_window->parameter_dialog;
        dialogChild<QLineEdit>(d, "velocityEdit")->setText(QStringLiteral("1.50"));
        dialogChild<QLineEdit>(d, "flowEdit")->setText(QStringLiteral("0.80"));
        QTest::mouseClick(dialogChild<QPushButton>(d, "Save_Btn"), Qt::LeftButton);
        QTableWidget *sum = m_window->RVA_RecordWindow::SumTable;
        QCOMPARE(cellText(sum, 0, 3), QStringLiteral("1.50"));
        QCOMPARE(cellText(sum, 1, 3), QStringLiteral("0.80"));
        QCOMPARE(m_window->RVA_RecordWindow::UnitModel->rowCount(), 288);
        // Showing the file again reads the same factors back.
        click(pointItem(QStringLiteral("建设路1号井"))->child(0));
        click(file);
        QCOMPARE(cellText(sum, 0, 3), QStringLiteral("1.50"));
        QCOMPARE(m_window->RVA_RecordWindow::UnitModel->velocityCorrection(), 1.5f);
    }

    void pipeViewOnlyChangesTheShownFlowsAndNothingElse()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        click(point->child(0));
        RvaRecordModel *model = m_window->RVA_RecordWindow::UnitModel;
        const std::vector<lmv::RvaRecord> before = model->records();
        m_window->on_pipe_modify_action_triggered();
        PipeModifyWindow &d = m_window->pipe_dialog;
        while (dialogChild<QLabel>(d, "shapeName")->text() != QStringLiteral("方沟"))
            QTest::mouseClick(dialogChild<QPushButton>(d, "next_btn"), Qt::LeftButton);
        fillPipe("900", "700", "0", "20");
        QTest::mouseClick(dialogChild<QPushButton>(d, "confirm_btn"), Qt::LeftButton);
        const std::vector<lmv::RvaRecord> &after = model->records();
        QCOMPARE(after.size(), before.size());
        int changed = 0;
        for (std::size_t i = 0; i < after.size(); ++i) {
            QCOMPARE(after[i].level, before[i].level);
            QCOMPARE(after[i].velocity, before[i].velocity);
            changed += after[i].flow != before[i].flow;
        }
        QVERIFY(changed > 0);
        QCOMPARE(cellText(m_window->RVA_RecordWindow::InfoTable, 3, 1),
                 QStringLiteral("方沟 高度900mm 宽度700mm 淤积层20mm"));
        // Another file of the point, shown later, gets the same pipe.
        click(point->child(1));
        QCOMPARE(cellText(m_window->RVA_RecordWindow::InfoTable, 3, 1),
                 QStringLiteral("方沟 高度900mm 宽度700mm 淤积层20mm"));
    }

    void pipeSaveRefillsTheShownFileFromDisk()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        click(point->child(2));
        m_window->on_pipe_modify_action_triggered();
        PipeModifyWindow &d = m_window->pipe_dialog;
        fillPipe("1000", "0", "0", "100");
        QTest::mouseClick(dialogChild<QPushButton>(d, "save_btn"), Qt::LeftButton);
        const QByteArray file = readAll(pathOf(point->child(2)));
        const std::vector<lmv::RvaRecord> &shown = m_window->RVA_RecordWindow::UnitModel->records();
        QCOMPARE(int(shown.size()), 288);
        for (std::size_t i = 0; i < shown.size(); ++i)
            QCOMPARE(shown[i].flow, f32At(file, 512 + int(i) * 32 + 24));
        QCOMPARE(cellText(m_window->RVA_RecordWindow::InfoTable, 3, 1),
                 QStringLiteral("圆形 直径1000mm 淤积层100mm"));
    }

    // ---- pipe ----

    void pipeSaveOnAPointRewritesItsThreeFilesAndEmptiesItsColumns()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        QTreeWidgetItem *other = pointItem(QStringLiteral("滨河路方沟"));
        QList<QByteArray> before;
        for (int i = 0; i < 3; ++i)
            before << readAll(pathOf(point->child(i)));
        const QByteArray otherBefore = readAll(pathOf(other->child(0)));

        click(point);
        m_window->on_pipe_modify_action_triggered();
        PipeModifyWindow &d = m_window->pipe_dialog;
        QVERIFY(d.isVisible());
        while (dialogChild<QLabel>(d, "shapeName")->text() != QStringLiteral("梯形"))
            QTest::mouseClick(dialogChild<QPushButton>(d, "next_btn"), Qt::LeftButton);
        fillPipe("800", "600", "1200", "50");
        ModalCloser closer;
        QTest::mouseClick(dialogChild<QPushButton>(d, "save_btn"), Qt::LeftButton);
        QVERIFY(closer.seen().isEmpty());
        QVERIFY(!d.isVisible());

        for (int i = 0; i < 3; ++i) {
            const QByteArray after = readAll(pathOf(point->child(i)));
            QCOMPARE(after.size(), before[i].size());
            QCOMPARE(u32At(after, 68), 2u);
            QCOMPARE(u32At(after, 72), 800u);
            QCOMPARE(u32At(after, 76), 600u);
            QCOMPARE(u32At(after, 80), 1200u);
            QCOMPARE(u32At(after, 84), 50u);
            QCOMPARE(after.left(66), before[i].left(66));       // names kept
            QCOMPARE(after.mid(88, 20), before[i].mid(88, 20)); // factors kept
        }
        for (int c = 2; c <= 6; ++c)
            QCOMPARE(point->text(c), QString());
        QCOMPARE(readAll(pathOf(other->child(0))), otherBefore);
        QVERIFY(m_window->isEnabled());
    }

    void pipeSaveWritesThePointTheDialogWasOpenedFor()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        QTreeWidgetItem *other = pointItem(QStringLiteral("滨河路方沟"));
        QList<QByteArray> otherBefore;
        for (int i = 0; i < other->childCount(); ++i)
            otherBefore << readAll(pathOf(other->child(i)));
        click(point->child(1));
        m_window->on_pipe_modify_action_triggered();
        click(other->child(0)); // another point is shown while the dialog is open
        m_window->on_pipe_modify_action_triggered();
        PipeModifyWindow &d = m_window->pipe_dialog;
        while (dialogChild<QLabel>(d, "shapeName")->text() != QStringLiteral("圆形"))
            QTest::mouseClick(dialogChild<QPushButton>(d, "next_btn"), Qt::LeftButton);
        fillPipe("1500", "0", "0", "100");
        QTest::mouseClick(dialogChild<QPushButton>(d, "save_btn"), Qt::LeftButton);
        for (int i = 0; i < 3; ++i) {
            const QByteArray after = readAll(pathOf(point->child(i)));
            QCOMPARE(u32At(after, 68), 0u);
            QCOMPARE(u32At(after, 72), 1500u);
        }
        for (int i = 0; i < other->childCount(); ++i)
            QCOMPARE(readAll(pathOf(other->child(i))), otherBefore[i]);
    }

    void pipeViewOnlyChangeKeepsTheFilesAndMarksThePoint()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        const QByteArray before = readAll(pathOf(point->child(0)));
        click(point->child(0));
        m_window->on_pipe_modify_action_triggered();
        PipeModifyWindow &d = m_window->pipe_dialog;
        while (dialogChild<QLabel>(d, "shapeName")->text() != QStringLiteral("方沟"))
            QTest::mouseClick(dialogChild<QPushButton>(d, "next_btn"), Qt::LeftButton);
        fillPipe("900", "700", "0", "20");
        QTest::mouseClick(dialogChild<QPushButton>(d, "confirm_btn"), Qt::LeftButton);
        QCOMPARE(readAll(pathOf(point->child(0))), before);
        const QStringList expected{"1", "900", "700", "0", "20"};
        for (int c = 2; c <= 6; ++c)
            QCOMPARE(point->text(c), expected[c - 2]);
    }

    void pipeSaveTellsWhichFilesWereNotRewritten()
    {
        QTreeWidgetItem *point = pointItem(QStringLiteral("建设路1号井"));
        const QString gone = pathOf(point->child(1));
        click(point);
        m_window->on_pipe_modify_action_triggered();
        QVERIFY(QFile::remove(gone));
        PipeModifyWindow &d = m_window->pipe_dialog;
        fillPipe("1000", "500", "500", "0");
        ModalCloser closer;
        QTest::mouseClick(dialogChild<QPushButton>(d, "save_btn"), Qt::LeftButton);
        QCOMPARE(closer.seen().size(), 1);
        QVERIFY(closer.seen().at(0).contains(point->child(1)->text(0)));
        QVERIFY(!closer.seen().at(0).contains(point->child(0)->text(0)));
        QCOMPARE(u32At(readAll(pathOf(point->child(0))), 72), 1000u);
        QCOMPARE(u32At(readAll(pathOf(point->child(2))), 72), 1000u);
        // The unwritten file still shows the new pipe through the point's columns.
        QCOMPARE(point->text(3), QString("1000"));
    }
};

QTEST_MAIN(EditIntegrationTest)
#include "test_edit_integration.moc"
