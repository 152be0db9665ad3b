// Editing in the survey window, driven through its widgets: the check sample (its 7.2 m/s spike,
// a two-hour gap) as the only file of a project's point in a temporary store. The data file's
// bytes are compared after every case: editing never writes to it.

#include "data/Hydraulics.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/LineItem.h"
#include "plots/SurveyPlotData.h"
#include "survey/EditStore.h"
#include "survey/ProjectDb.h"
#include "views/SurveyCheckView.h"
#include "views/SurveyEditDialog.h"
#include "views/SurveyEditPane.h"
#include "views/SurveyRecordModel.h"
#include "views/SurveyWindow.h"

#include "../TableCells.h"
#include "../data/FileBytes.h"
#include "../data/SampleSpike.h"

#include <qwt_plot.h>

#include <QComboBox>
#include <QCryptographicHash>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QString kProject = QStringLiteral("检查项目");
const QString kPoint = QStringLiteral("检查测点");

qint64 clockOf(const char *text)
{
    QDateTime t = QDateTime::fromString(QLatin1String(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    t.setTimeSpec(Qt::UTC);
    return t.toSecsSinceEpoch();
}

} // namespace

class TestSurveyEditWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_index;
    QString m_file;
    QByteArray m_hash;
    std::unique_ptr<SurveyWindow> w;
    QStringList m_rawDays; // the daily table before any edit

    SurveyEditPane *pane() { return w->editPane; }
    QByteArray hash() const
    {
        return QCryptographicHash::hash(testbytes::readFile(m_file), QCryptographicHash::Sha256);
    }
    double dayVolume(const QString &date) const
    {
        for (const DayVolume &d : w->content().figures().days)
            if (dayText(d.day) == date)
                return d.volumeM3;
        return qQNaN();
    }
    // The dialog over the range between two times, as the cursors give it.
    SurveyEditDialog *dialogBetween(qint64 from, qint64 to)
    {
        w->hydrograph->setCursor(Hydrograph::Cursor::A, double(from));
        w->hydrograph->setCursor(Hydrograph::Cursor::B, double(to));
        QTest::mouseClick(pane()->cursorEditButton, Qt::LeftButton);
        return pane()->dialog();
    }
    void choose(SurveyEditDialog *d, EditOp op)
    {
        d->opCombo->setCurrentIndex(d->opCombo->findData(int(op)));
    }

private slots:
    // The record table's rows and the faint raw line over a small layer: ten 5-min records of a
    // channel, level 0.5 m but 0.9 m at record 3.
    void flagRowsAndRawStretches_data()
    {
        QTest::addColumn<QString>("edits"); // op letter, from, to per edit: "r3-3 f2-4"
        QTest::addColumn<QString>(
            "flags"); // flag column, one letter a row: o raw, r removed, f filled, c corrected
        QTest::addColumn<QList<int>>("stretches"); // points of each faint stretch of the level
        QTest::newRow("none") << ""
                              << "oooooooooo" << QList<int>{};
        QTest::newRow("spike removed") << "r3-3"
                                       << "oooroooooo" << QList<int>{3};
        QTest::newRow("removed and filled") << "r3-3 f2-4"
                                            << "ooorfoooooo" << QList<int>{3};
        QTest::newRow("offset") << "o2-4"
                                << "oocccooooo" << QList<int>{5};
        QTest::newRow("end removed") << "r8-9"
                                     << "oooooooorr" << QList<int>{3};
    }
    void flagRowsAndRawStretches()
    {
        QFETCH(QString, edits);
        QFETCH(QString, flags);
        QFETCH(QList<int>, stretches);
        const PipeSaveIntoTfType pipe =
            makePointRecord(QStringLiteral("城东"), QStringLiteral("1号井"), PipeRectangle, 2000, 1000, 0, 0);
        CalcParams calc;
        calc.recordInterval = 300;
        std::vector<qint64> t;
        std::vector<float> level, velocity, flow;
        for (int i = 0; i < 10; ++i) {
            t.push_back(clockOf("2024-05-21 00:00:00") + i * 300);
            level.push_back(i == 3 ? 0.9f : 0.5f);
            velocity.push_back(0.4f);
            flow.push_back(recordFlow(pipeGeometryFrom(pipe), level.back(), velocity.back()));
        }
        const SurveyLayer raw = makeRvaLayer(t, level, velocity, flow, pipe, calc);
        std::vector<Edit> list;
        for (const QString &text : edits.split(' ', Qt::SkipEmptyParts)) {
            Edit e;
            e.id = qint64(list.size()) + 1;
            e.op = text[0] == 'r' ? EditOp::Remove : text[0] == 'f' ? EditOp::Fill : EditOp::Offset;
            const QStringList ends = text.mid(1).split('-');
            e.from = t[std::size_t(ends[0].toInt())];
            e.to = t[std::size_t(ends[1].toInt())];
            e.value = 100.0;
            e.reason = QStringLiteral("测试");
            list.push_back(e);
        }
        const SurveyLayer edited = applyEdits(raw, list);
        QString shown;
        for (const FlagRow &row : flagRows(raw, edited))
            shown += row.removed                   ? 'r'
                     : (row.flags & FlagFilled)    ? 'f'
                     : (row.flags & FlagCorrected) ? 'c'
                                                   : 'o';
        QCOMPARE(shown, flags);
        const UnitFactors factors = refreshUnitFactors();
        const QVector<QVector<QPointF>> faint =
            rawStretches(*surveyLayerPlotData(raw, factors, RvaUnitLabels),
                         *surveyLayerPlotData(edited, factors, RvaUnitLabels), 0);
        QList<int> sizes;
        for (const QVector<QPointF> &stretch : faint)
            sizes << int(stretch.size());
        QCOMPARE(sizes, stretches);
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString project = m_dir.filePath(kProject);
        QVERIFY(QDir().mkpath(project + '/' + kPoint));
        m_file = project + '/' + kPoint + "/20240520.lmv";
        QVERIFY(QFile::copy(QStringLiteral(LMV_SAMPLES "/files/数据检查示例_20240520.lmv"), m_file));
        const QByteArray pos =
            testbytes::gb(QStringLiteral("$pos$%1/%2").arg(kProject, kPoint)) + "\r\n" +
            testbytes::gb(QStringLiteral("$record$%1/%2/20240520.lmv").arg(kProject, kPoint)) + "\r\n";
        m_index = project + '/' + kProject + ".lmvprj";
        QVERIFY(
            testbytes::writeFile(m_index, testbytes::gb(QStringLiteral("$prj$") + kProject) + "\r\n" + pos));
        QVERIFY(testbytes::writeFile(project + '/' + kPoint + '/' + kPoint + ".lmvpos", pos));
        m_hash = hash();

        w = std::make_unique<SurveyWindow>();
        w->warn = [](const QString &, const QString &) {};
        w->resize(1200, 760);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // The dialog is driven as it stands: nothing waits for a user.
        pane()->showDialog = [](SurveyEditDialog *) {};
        const ProjectFiles files = readProjectFiles(m_index);
        QVERIFY(files.point(kPoint));
        w->showSurvey({kProject, m_index, *files.point(kPoint)});
        QVERIFY(!w->content().layer().empty());
        m_rawDays = tableCells(w->checkView->daysTable);
        QVERIFY(!m_rawDays.isEmpty());
    }

    void cleanup() { QCOMPARE(hash(), m_hash); }

    // The dialog says what cannot be stored and stays open; nothing reaches the database.
    void refusedEditsAreSaidInTheDialog_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("said");
        QTest::newRow("no reason") << int(EditOp::Remove) << "2024-05-21 20:00:00"
                                   << "2024-05-21 20:00:00"
                                   << ""
                                   << "原因";
        QTest::newRow("fill beyond its maximum") << int(EditOp::Fill) << "2024-05-20 02:00:00"
                                                 << "2024-05-20 06:00:00"
                                                 << "补缺"
                                                 << "超过插补上限";
        QTest::newRow("fill without a gap") << int(EditOp::Fill) << "2024-05-21 19:00:00"
                                            << "2024-05-21 20:00:00"
                                            << "补缺"
                                            << "没有可插补";
        QTest::newRow("factor 0") << int(EditOp::VelocityFactor) << "2024-05-21 19:00:00"
                                  << "2024-05-21 20:00:00"
                                  << "探头"
                                  << "流速系数必须大于0";
    }
    void refusedEditsAreSaidInTheDialog()
    {
        QFETCH(int, op);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, reason);
        QFETCH(QString, said);
        SurveyEditDialog *d = dialogBetween(clockOf(qPrintable(from)), clockOf(qPrintable(to)));
        QVERIFY(d);
        choose(d, EditOp(op));
        if (EditOp(op) == EditOp::VelocityFactor)
            d->valueSpin->setValue(0.0);
        d->reasonEdit->setText(reason);
        QTest::mouseClick(d->okButton, Qt::LeftButton);
        QVERIFY(!d->messageLabel->text().isEmpty());
        QVERIFY2(d->messageLabel->text().contains(said), qPrintable(d->messageLabel->text()));
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QVERIFY(pane()->dialog());
        QCOMPARE(pane()->historyTable->rowCount(), 0);
        QVERIFY(editsOf(*w->database(), kPoint).empty());
        d->reject();
    }

    // The spike removed in the window lowers its day by what the file's own bytes say; the raw
    // line shows faint behind the edit; undo gives back the daily table exactly, redo the edit.
    void removingTheSpikeLowersItsDayAndUndoRestoresIt()
    {
        const double expected = testbytes::spikeRemovalVolumeM3(testbytes::readFile(m_file));
        QVERIFY2(expected < -10.0, qPrintable(QString::number(expected)));
        const double before = dayVolume(QStringLiteral("2024-05-21"));
        const qsizetype records = w->content().layer().size();

        SurveyEditDialog *d = dialogBetween(clockOf("2024-05-21 20:00:00"), clockOf("2024-05-21 20:00:00"));
        QVERIFY(d);
        choose(d, EditOp::Remove);
        d->reasonEdit->setText(QStringLiteral("流速尖峰"));
        const double viewFrom = double(clockOf("2024-05-21 19:00:00")),
                     viewTo = double(clockOf("2024-05-21 21:00:00"));
        w->hydrograph->setTimeRange(viewFrom, viewTo);
        QSignalSpy changed(w.get(), &SurveyWindow::surveyChanged);
        QTest::mouseClick(d->okButton, Qt::LeftButton);
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(changed.count(), 1);
        // The hydrograph stays where the edit was made.
        QCOMPARE(w->hydrograph->viewFrom(), viewFrom);
        QCOMPARE(w->hydrograph->viewTo(), viewTo);
        QVERIFY(w->hydrograph->cursorRecord(Hydrograph::Cursor::A) >= 0);
        QVERIFY(std::abs(dayVolume(QStringLiteral("2024-05-21")) - before - expected) < 1e-6);
        QCOMPARE(w->content().layer().size(), records - 1);
        const QStringList edited = tableCells(w->checkView->daysTable);
        QVERIFY(edited != m_rawDays);
        // The history: one edit in force with its volume change.
        QCOMPARE(pane()->historyTable->rowCount(), 1);
        QCOMPARE(pane()->historyTable->item(0, 1)->text(), QStringLiteral("删除"));
        QCOMPARE(pane()->historyTable->item(0, 4)->text(), QString::number(expected, 'f', 3));
        QCOMPARE(pane()->historyTable->item(0, 5)->text(), QStringLiteral("流速尖峰"));
        // The raw velocity behind the edit: the spike and its neighbours, faint.
        QwtPlot *velocity = w->hydrograph->paneOf(QStringLiteral("velocity"));
        QVERIFY(velocity);
        QVector<QPointF> faint;
        for (const QwtPlotItem *item : velocity->itemList(QwtPlotItem::Rtti_PlotUserItem + 14))
            if (item->title().text() == QStringLiteral("原始数据"))
                faint += static_cast<const LineItem *>(item)->samples();
        QCOMPARE(faint.size(), 3);
        QCOMPARE(faint[1].x(), double(clockOf("2024-05-21 20:00:00")));
        // The record table keeps the removed record among the others, flagged and tinted.
        const SurveyRecordModel *model = pane()->recordModel;
        QCOMPARE(model->rowCount(), int(records));
        int removedRow = -1;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->rowTime(r) == clockOf("2024-05-21 20:00:00"))
                removedRow = r;
        QVERIFY(removedRow > 0);
        QCOMPARE(model->index(removedRow, model->flagColumn()).data().toString(), QStringLiteral("删除"));
        QVERIFY(model->index(removedRow, 1).data(Qt::BackgroundRole).isValid());
        QCOMPARE(model->index(removedRow - 1, model->flagColumn()).data().toString(), QStringLiteral("原始"));
        QVERIFY(!model->index(removedRow - 1, 1).data(Qt::BackgroundRole).isValid());

        QVERIFY(pane()->undoButton->isEnabled());
        QTest::mouseClick(pane()->undoButton, Qt::LeftButton);
        QCOMPARE(tableCells(w->checkView->daysTable), m_rawDays);
        QCOMPARE(pane()->historyTable->item(0, 8)->text(), QStringLiteral("已撤销"));
        QCOMPARE(pane()->historyTable->item(0, 1)->foreground().color(), QColor(160, 160, 160));
        QVERIFY(!pane()->undoButton->isEnabled());
        QTest::mouseClick(pane()->redoButton, Qt::LeftButton);
        QCOMPARE(tableCells(w->checkView->daysTable), edited);
    }

    // Rows selected in the record table give the dialog its range; an offset flags them corrected.
    void offsetOverTableSelectionFlagsItsRecords()
    {
        const SurveyRecordModel *model = pane()->recordModel;
        const qint64 from = clockOf("2024-05-21 10:00:00"), to = clockOf("2024-05-21 10:30:00");
        pane()->recordTable->clearSelection();
        QVector<int> rows;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->rowTime(r) >= from && model->rowTime(r) <= to) {
                pane()->recordTable->selectionModel()->select(
                    model->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
                rows << r;
            }
        QCOMPARE(rows.size(), 7);
        QTest::mouseClick(pane()->selectionEditButton, Qt::LeftButton);
        SurveyEditDialog *d = pane()->dialog();
        QVERIFY(d);
        QCOMPARE(d->fromEdit->dateTime().toSecsSinceEpoch(), from);
        QCOMPARE(d->toEdit->dateTime().toSecsSinceEpoch(), to);
        choose(d, EditOp::Offset);
        d->valueSpin->setValue(40.0);
        d->reasonEdit->setText(QStringLiteral("探头标定"));
        QTest::mouseClick(d->okButton, Qt::LeftButton);
        QCOMPARE(d->result(), int(QDialog::Accepted));
        const SurveyLayer &raw = w->content().point().raw();
        const SurveyLayer &edited = w->content().layer();
        int corrected = 0;
        for (qsizetype i = 0; i < edited.size(); ++i) {
            const auto r =
                std::lower_bound(raw.times.begin(), raw.times.end(), edited.times[std::size_t(i)]) -
                raw.times.begin();
            const bool inside = edited.times[std::size_t(i)] >= from && edited.times[std::size_t(i)] <= to;
            QCOMPARE(edited.flag(i) == FlagCorrected, inside);
            const float shift = edited.rva[std::size_t(i)].level - raw.rva[std::size_t(r)].level;
            QVERIFY(std::abs(shift - (inside ? 0.040f : 0.0f)) < 1e-5f);
            corrected += inside;
        }
        QCOMPARE(corrected, 7);
        for (const int r : std::as_const(rows)) {
            QCOMPARE(model->index(r, model->flagColumn()).data().toString(), QStringLiteral("修正"));
            QVERIFY(model->index(r, 1).data(Qt::BackgroundRole).isValid());
        }
        pane()->recordTable->clearSelection();
        // LMV_SHOT=path.png: a picture of the window as the README shows it.
        if (qEnvironmentVariableIsSet("LMV_SHOT")) {
            w->upperTabs->setCurrentWidget(pane());
            w->showPage(SurveyWindow::HydrographPage);
            w->hydrograph->setTimeRange(double(clockOf("2024-05-21 08:00:00")),
                                        double(clockOf("2024-05-21 22:00:00")));
            QVERIFY(w->grab().save(qEnvironmentVariable("LMV_SHOT")));
        }
    }

    // The switch shows the raw layer in every view and back; the edit stays in the database.
    void switchShowsTheRawLayer()
    {
        QVERIFY(!activeEdits(editsOf(*w->database(), kPoint)).empty());
        const QStringList edited = tableCells(w->checkView->daysTable);
        QVERIFY(edited != m_rawDays);
        // The export follows the switch: flags and the removed record only for the edited layer.
        const QString editedCsv = m_dir.filePath("edited.csv"), rawCsv = m_dir.filePath("raw.csv");
        QVERIFY(pane()->exportLayer(editedCsv));
        const QByteArray editedRows = testbytes::readFile(editedCsv);
        QVERIFY(editedRows.contains("数据标记"));
        QVERIFY(editedRows.contains("删除"));
        pane()->layerSwitch->setCurrentIndex(1);
        emit pane()->layerSwitch->activated(1);
        QCOMPARE(w->content().shownChoice(), LayerChoice::Raw);
        QCOMPARE(tableCells(w->checkView->daysTable), m_rawDays);
        QCOMPARE(w->hydrograph->data()->times.size(), std::size_t(w->content().point().raw().size()));
        QVERIFY(pane()->exportLayer(rawCsv));
        const QByteArray rawRows = testbytes::readFile(rawCsv);
        QVERIFY(!rawRows.contains("数据标记"));
        QCOMPARE(rawRows.count('\n'), editedRows.count('\n'));
        pane()->layerSwitch->setCurrentIndex(0);
        emit pane()->layerSwitch->activated(0);
        QCOMPARE(tableCells(w->checkView->daysTable), edited);
    }

    // Another connection's edit is seen on refresh and undo takes only what the window showed.
    void secondWindowsEditIsSeenOnRefresh()
    {
        ProjectDb other(ProjectDb::pathFor(m_index));
        const std::size_t inForce = activeEdits(editsOf(other, kPoint)).size();
        Edit e;
        e.op = EditOp::Offset;
        e.from = clockOf("2024-05-21 10:00:00");
        e.to = clockOf("2024-05-21 11:00:00");
        e.value = 25.0;
        e.reason = QStringLiteral("另一窗口");
        QString error;
        QVERIFY2(addEdit(other, kPoint, w->content().point().wholeRaw(), e, &error), qPrintable(error));
        const int shown = pane()->historyTable->rowCount();
        // The window still shows the spike as its latest: undo refuses and shows the new edit.
        QVERIFY(!pane()->undo());
        QCOMPARE(pane()->historyTable->rowCount(), shown + 1);
        // A refresh shows what was stored elsewhere since, in every view.
        const QStringList days = tableCells(w->checkView->daysTable);
        e.from = clockOf("2024-05-20 12:00:00");
        e.to = clockOf("2024-05-20 13:00:00");
        QVERIFY2(addEdit(other, kPoint, w->content().point().wholeRaw(), e, &error), qPrintable(error));
        QTest::mouseClick(pane()->refreshButton, Qt::LeftButton);
        QCOMPARE(pane()->historyTable->rowCount(), shown + 2);
        QVERIFY(tableCells(w->checkView->daysTable) != days);
        QCOMPARE(activeEdits(editsOf(other, kPoint)).size(), inForce + 2);
    }

    // Last: a damaged database leaves the window on the raw layer and says so.
    void damagedDatabaseShowsTheRawLayer()
    {
        w->clear();
        QFile db(ProjectDb::pathFor(m_index));
        QVERIFY(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
        db.write(QByteArray(4096, 'x'));
        db.close();
        const ProjectFiles files = readProjectFiles(m_index);
        w->showSurvey({kProject, m_index, *files.point(kPoint)});
        QCOMPARE(w->content().shownChoice(), LayerChoice::Raw);
        QCOMPARE(tableCells(w->checkView->daysTable), m_rawDays);
        QVERIFY(!pane()->layerSwitch->isEnabled());
        QVERIFY(!pane()->cursorEditButton->isEnabled());
        QVERIFY(pane()->messageLabel->text().contains(QStringLiteral("原始数据")));
    }
};

QTEST_MAIN(TestSurveyEditWindow)
#include "test_survey_edit_window.moc"
