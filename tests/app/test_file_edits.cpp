// Editing from a single file's record window, driven through the main window as a user clicks
// the project tree: edits made there are stored for the point with the file's name, the table
// shows the point's edited records with their flags, the survey window of the point sees them,
// undo brings the file's own figures back exactly, and the data files are never written. One
// window over a copy of the sample store is shared by the cases, which run in order.

#include "../TableCells.h"
#include "SampleStoreWindow.h"
#include "data/Hydraulics.h"
#include "data/TimeSteps.h"
#include "plots/Hydrograph.h"
#include "plots/LineItem.h"
#include "survey/EditStore.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "views/FileEditBar.h"
#include "views/SurveyEditDialog.h"
#include "views/SurveyWindow.h"

#include <qwt_plot.h>

#include <QComboBox>
#include <QCryptographicHash>
#include <QDoubleSpinBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

} // namespace

class TestFileEdits : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    QString index;
    QString startDir;
    std::unique_ptr<MainWindow> w;
    QPointer<SurveyEditDialog> shownDialog;
    QString fileName; // the edited file's entry, its path and its bytes' hash before any edit
    QString filePath;
    QByteArray fileHash;
    // What the window shows of the file before any edit.
    QStringList rawSums;
    QStringList rawLevels;
    int rawRows = 0;

    FileEditBar *bar() { return w->RVA_RecordWindow::fileEdits; }
    RvaRecordModel *model() { return w->RVA_RecordWindow::UnitModel; }
    QTreeWidgetItem *pointItem()
    {
        for (int i = 0; i < w->PrjTree->topLevelItemCount(); ++i)
            if (w->PrjTree->topLevelItem(i)->text(0) == kProject)
                return treeChild(w->PrjTree->topLevelItem(i), kPoint);
        return nullptr;
    }
    void showEditedFile()
    {
        QTreeWidgetItem *file = treeChild(pointItem(), fileName);
        QVERIFY(file);
        w->on_file_item_clicked(file);
        QVERIFY(bar()->isVisibleTo(w.get()));
    }
    QStringList column(int c)
    {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->cellText(r, c);
        return out;
    }
    qint64 timeOfRow(int row) { return clockSeconds(model()->recordAtRow(row).time); }
    std::vector<Edit> stored()
    {
        const ProjectDb db(ProjectDb::pathFor(index));
        return editsOf(db, kPoint);
    }
    // Fills the dialog the bar opened and confirms it; true when it closed (the edit stored).
    bool confirm(EditOp op, double value, const QString &reason)
    {
        if (!shownDialog)
            return false;
        shownDialog->opCombo->setCurrentIndex(shownDialog->opCombo->findData(int(op)));
        shownDialog->valueSpin->setValue(value);
        shownDialog->reasonEdit->setText(reason);
        QTest::mouseClick(shownDialog->okButton, Qt::LeftButton);
        return !shownDialog || shownDialog->result() == QDialog::Accepted;
    }
    // With LMV_SHOT set to a folder, the window as it is now goes there as a picture.
    void shot(const QString &name)
    {
        const QString folder = qEnvironmentVariable("LMV_SHOT");
        if (!folder.isEmpty()) {
            QCoreApplication::processEvents(); // the layouts follow the new texts
            w->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        }
    }
    QByteArray hash() const
    {
        QFile f(filePath);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(work.isValid());
        QVERIFY(openSampleStore(w, work.path(), &index));
        QVERIFY(pointItem());
        bar()->showDialog = [this](SurveyEditDialog *d) { shownDialog = d; };
        QTreeWidgetItem *file = pointItem()->child(1);
        fileName = file->text(0);
        filePath = file->parent()->parent()->text(1) + file->parent()->text(1) + file->text(1);
        fileHash = hash();
        QVERIFY(!fileHash.isEmpty());
    }

    void cleanupTestCase()
    {
        w.reset();
        QDir::setCurrent(startDir);
    }

    void onlyAFileOfAKnownProjectGetsTheEditBar()
    {
        w->openLocalPath(QStringLiteral(LMV_SAMPLES "/files/梯形渠_20240402.lmv"));
        QTreeWidgetItem *loose = w->PrjTree->topLevelItem(w->PrjTree->topLevelItemCount() - 1);
        QTreeWidgetItem *looseFile = loose->child(0)->child(0);
        w->on_file_item_clicked(looseFile);
        QVERIFY(model()->rowCount() > 0);
        QVERIFY(!bar()->isVisibleTo(w.get()));
        QCOMPARE(model()->columnCount(), 9);

        showEditedFile();
        QCOMPARE(bar()->summaryLabel->text(), QStringLiteral("没有涉及本文件的修正"));
        QCOMPARE(model()->columnCount(), 9);
        QCOMPARE(w->RVA_RecordWindow::RecordTable->columnCount(), 9);
        QVERIFY(!bar()->buttons.undo->isEnabled());
        rawSums = tableCells(w->RVA_RecordWindow::SumTable) + tableCells(w->RVA_RecordWindow::InfoTable);
        rawLevels = column(RvaRecordModel::LevelColumn);
        rawRows = model()->rowCount();
        QVERIFY(rawRows > 40);

        // A point shown empties the bar with the window.
        w->on_file_item_clicked(pointItem());
        QVERIFY(!bar()->active());
    }

    void offsetBetweenTheCursorsIsStoredForTheFileAndFlagged()
    {
        showEditedFile();
        w->RVA_RecordWindow::showLowerView(1);
        Hydrograph *h = w->RVA_RecordWindow::hydrograph;
        const qint64 from = timeOfRow(10), to = timeOfRow(20);
        h->setCursor(Hydrograph::Cursor::A, double(from));
        h->setCursor(Hydrograph::Cursor::B, double(to));
        QTest::mouseClick(bar()->buttons.cursor, Qt::LeftButton);
        QVERIFY(shownDialog);
        QVERIFY(confirm(EditOp::Offset, 50.0, QStringLiteral("探头偏低")));

        const std::vector<Edit> edits = stored();
        QCOMPARE(edits.size(), std::size_t(1));
        QCOMPARE(edits[0].file, fileName);
        QCOMPARE(edits[0].from, from);
        QCOMPARE(edits[0].to, to);
        QVERIFY(bar()->summaryLabel->text().startsWith(QStringLiteral("1 条修正涉及本文件")));
        QVERIFY(bar()->buttons.undo->isEnabled());

        // The flag column, the corrected rows' levels 50 mm up, the statistics of what is shown.
        QCOMPARE(model()->columnCount(), 10);
        QCOMPARE(w->RVA_RecordWindow::RecordTable->horizontalHeaderItem(RvaRecordModel::FlagColumn)->text(),
                 QStringLiteral("标记"));
        QCOMPARE(model()->rowCount(), rawRows);
        const QStringList flags = column(RvaRecordModel::FlagColumn);
        for (int r = 0; r < model()->rowCount(); ++r) {
            const bool inside = timeOfRow(r) >= from && timeOfRow(r) <= to;
            QCOMPARE(flags[r], inside ? QStringLiteral("修正") : QStringLiteral("原始"));
            const double raw = rawLevels[r].toDouble();
            QCOMPARE(model()->cellText(r, RvaRecordModel::LevelColumn).toDouble(), inside ? raw + 0.05 : raw);
            const QVariant tint =
                model()->data(model()->index(r, RvaRecordModel::LevelColumn), Qt::BackgroundRole);
            QCOMPARE(tint.isValid(), inside);
        }
        const QStringList sums = tableCells(w->RVA_RecordWindow::SumTable);
        QVERIFY(sums != rawSums.mid(0, sums.size()));

        // The raw line shows faintly behind the level where the values differ.
        QTRY_VERIFY(h->data());
        QwtPlot *levelPane = h->paneOf(h->data()->series[0].key);
        QVERIFY(levelPane);
        int rawLines = 0;
        for (const QwtPlotItem *item : levelPane->itemList())
            rawLines += item->title().text() == QStringLiteral("原始数据") ? 1 : 0;
        QCOMPARE(rawLines, 1);
        QCOMPARE(hash(), fileHash);
        shot(QStringLiteral("file-edit-hydrograph"));
    }

    void theSurveyWindowOfThePointSeesTheFileEdit()
    {
        w->on_file_item_clicked(pointItem());
        const PointSurvey &p = w->survey_window->content().point();
        QVERIFY(p.hasActiveEdits());
        QCOMPARE(p.edits().back().file, fileName);
        // The edited layer holds the offset record the file window showed.
        const SurveyLayer &edited = p.edited();
        qsizetype corrected = 0;
        for (qsizetype i = 0; i < edited.size(); ++i)
            corrected += (edited.flag(i) & FlagCorrected) ? 1 : 0;
        QCOMPARE(corrected, qsizetype(11));
    }

    void removedRowsLeaveTheTableAndTheExportListsThemFlagged()
    {
        showEditedFile();
        w->RVA_RecordWindow::showLowerView(0);
        QItemSelectionModel *selection = w->RVA_RecordWindow::UnitTable->selectionModel();
        for (int r = 30; r <= 32; ++r)
            selection->select(model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::mouseClick(bar()->buttons.selection, Qt::LeftButton);
        QVERIFY(confirm(EditOp::Remove, 0.0, QStringLiteral("探头堵塞")));
        QCOMPARE(model()->rowCount(), rawRows - 3);
        QCOMPARE(cellText(w->RVA_RecordWindow::InfoTable, 4, 1), QString::number(rawRows - 3));
        QVERIFY(bar()->summaryLabel->text().contains(QStringLiteral("删除 3 条")));
        w->RVA_RecordWindow::showRecordRow(15);
        shot(QStringLiteral("file-edit-table"));

        const QString csv = work.path() + "/shown.csv";
        QVERIFY(bar()->exportShown(csv));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY(lines.first().contains(QStringLiteral("数据标记")));
        QCOMPARE(lines.filter(QStringLiteral("删除")).size(), 3);
        QCOMPARE(lines.filter(QStringLiteral("修正")).size(), 11);

        // The raw layer is the file as it is, every edit set aside.
        emit bar()->layerSwitch->activated(1);
        QCOMPARE(model()->rowCount(), rawRows);
        QCOMPARE(model()->columnCount(), 9);
        QCOMPARE(column(RvaRecordModel::LevelColumn), rawLevels);
        emit bar()->layerSwitch->activated(0);
        QCOMPARE(model()->rowCount(), rawRows - 3);
        QCOMPARE(hash(), fileHash);
    }

    void undoBringsTheFilesFiguresBackExactly()
    {
        showEditedFile();
        QVERIFY(bar()->undo());
        QVERIFY(bar()->undo());
        QCOMPARE(model()->columnCount(), 9);
        QCOMPARE(w->RVA_RecordWindow::RecordTable->columnCount(), 9);
        QCOMPARE(tableCells(w->RVA_RecordWindow::SumTable) + tableCells(w->RVA_RecordWindow::InfoTable),
                 rawSums);
        QCOMPARE(column(RvaRecordModel::LevelColumn), rawLevels);
        QCOMPARE(bar()->summaryLabel->text(), QStringLiteral("没有涉及本文件的修正"));
        QVERIFY(bar()->buttons.redo->isEnabled());
        QVERIFY(bar()->redo());
        QCOMPARE(model()->columnCount(), 10);
        QCOMPARE(hash(), fileHash);
    }

    void aSurveyEditOfAnotherFileIsNotUndoneFromHere()
    {
        // An edit made in the survey window over another file's records only.
        QTreeWidgetItem *other = pointItem()->child(0);
        w->on_file_item_clicked(other);
        const qint64 t = clockSeconds(model()->records().front().time);
        {
            ProjectDb db(ProjectDb::pathFor(index));
            Edit e;
            e.op = EditOp::Remove;
            e.from = e.to = t;
            e.reason = QStringLiteral("他处");
            QVERIFY(addEdit(db, kPoint, PointSurvey::read(index, kPoint).wholeRaw(), e));
        }
        showEditedFile();
        QVERIFY(!bar()->buttons.undo->isEnabled());
        QVERIFY(!bar()->undo());
        QCOMPARE(stored().back().undone, false);
    }

    void aPipeTriedOnTheViewKeepsTheRawLineToTheEditedRecords()
    {
        // The offset of the first case is in force: 11 records, their raw line 13 points long
        // with a neighbour on either side. A pipe tried on the view changes every flow, raw ones
        // too, so the flow's raw line stays where the edit is.
        showEditedFile();
        PipeSaveIntoTfType pipe = w->RVA_RecordWindow::shownPoint();
        pipe.heightOrDiameter += 400;
        w->RVA_RecordWindow::setShownPipe(pipe);
        std::vector<float> flows;
        for (const RvaRecord &r : model()->records())
            flows.push_back(recordFlow(pipeGeometryFrom(pipe), r.level, r.velocity));
        model()->setStoredFlows(flows);
        w->RVA_RecordWindow::showLowerView(1);
        w->RVA_RecordWindow::refreshHydrograph();
        Hydrograph *h = w->RVA_RecordWindow::hydrograph;
        for (const std::size_t s : {std::size_t(0), std::size_t(2)}) { // level, flow
            qsizetype points = 0;
            for (const QwtPlotItem *item : h->paneOf(h->data()->series[s].key)->itemList())
                if (item->title().text() == QStringLiteral("原始数据"))
                    points += static_cast<const LineItem *>(item)->samples().size();
            QVERIFY2(points == 13, qPrintable(QStringLiteral("series %1: %2 points").arg(s).arg(points)));
        }
    }

    void aCorrectionSavedToTheFileRebuildsTheEditedView()
    {
        // The correction dialog rewrites the file's header by design; the edits stay in view.
        showEditedFile();
        w->on_parameter_modify_action_triggered();
        w->on_RecievedGainCoefForSaving(2.0f, 1.0f);
        w->parameter_dialog.close();
        QVERIFY(hash() != fileHash);
        QCOMPARE(model()->columnCount(), 10);
        QCOMPARE(model()->velocityCorrection(), 2.0f);
        QVERIFY(bar()->summaryLabel->text().startsWith(QStringLiteral("1 条修正涉及本文件")));
    }
};

QTEST_MAIN(TestFileEdits)
#include "test_file_edits.moc"
