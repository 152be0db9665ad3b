// The "数据检查" view: findings list, daily table, export through the path seam, computing the
// check only when the view is seen, and the view in the four record windows.

#include "data/CheckExport.h"
#include "data/SurveyCheck.h"
#include "plots/Hydrograph.h"
#include "plots/ShadeItem.h"
#include "views/RVA_RecordWindow.h"
#include "views/RVA_UsbRecordWindow.h"
#include "views/RVB_RecordWindow.h"
#include "views/RVB_UsbRecordWindow.h"
#include "views/SurveyCheckView.h"
#include "views/TableFill.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHeaderView>
#include <qwt_plot.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace lmv;

namespace {

const QString kSample = QStringLiteral(LMV_SOURCE_DIR "/samples/files/数据检查示例_20240520.lmv");

SurveyCheck sampleCheck()
{
    SurveyCheck c;
    checkFile(kSample, c);
    return c;
}

DataFileContents read(const QString &path)
{
    DataFileContents c;
    readDataFile(path, c);
    return c;
}

// The lower view whose button reads text, -1 when there is none.
int lowerViewOf(const RecordWindowBase &w, const QString &text)
{
    for (QAbstractButton *b : w.lowerButtons->buttons())
        if (b->text() == text)
            return w.lowerButtons->id(b);
    return -1;
}

QPoint cellCentre(QTableView *table, int row, int column)
{
    return table->visualRect(table->model()->index(row, column)).center();
}

} // namespace

class TestSurveyCheckView : public QObject
{
    Q_OBJECT

private slots:
    // A table filled under ColumnsMeasuredOnce ends with every column fitting its widest cell
    // and with the header's own modes back, a stretched last column included.
    void columnsFilledOnceFitTheirWidestCell()
    {
        QTableWidget table(0, 3);
        table.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        table.horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
        table.resize(900, 300);
        table.show();
        const QString wide = QStringLiteral("2024-05-20 23:58:00 管道与上一文件不同");
        {
            const ColumnsMeasuredOnce measure(&table);
            table.setRowCount(40);
            for (int r = 0; r < 40; ++r)
                for (int c = 0; c < 3; ++c)
                    table.setItem(r, c, new QTableWidgetItem(r == 37 ? wide : QString::number(r)));
        }
        QCoreApplication::processEvents(); // a delayed measure of single columns
        const int text = table.fontMetrics().horizontalAdvance(wide);
        QVERIFY2(table.columnWidth(0) >= text, qPrintable(QString::number(table.columnWidth(0))));
        QVERIFY(table.columnWidth(1) >= text);
        QCOMPARE(table.horizontalHeader()->sectionResizeMode(0), QHeaderView::ResizeToContents);
        QCOMPARE(table.horizontalHeader()->sectionResizeMode(2), QHeaderView::Stretch);
    }

    void findingsClickAndDoubleClickNameTimeAndRecord()
    {
        const SurveyCheck c = sampleCheck();
        QVERIFY(c.findings.size() >= 2);
        SurveyCheckView view;
        view.resize(1400, 400);
        view.show();
        view.showCheck(c);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        if (const QString shots = qEnvironmentVariable("LMV_SHOT_DIR"); !shots.isEmpty())
            view.grab().save(shots + QStringLiteral("/survey_check.png"));
        QCOMPARE(view.findingsTable->model()->rowCount(), int(c.findings.size()));
        QCOMPARE(view.findingsTable->model()->index(1, 0).data().toString(),
                 findingKindText(c.findings[1].kind));

        QSignalSpy moved(&view, &SurveyCheckView::findingSelected);
        QSignalSpy toRow(&view, &SurveyCheckView::recordRequested);
        QTest::mouseClick(view.findingsTable->viewport(), Qt::LeftButton, {},
                          cellCentre(view.findingsTable, 1, 1));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved[0][0].toLongLong(), c.findings[1].start);
        QCOMPARE(moved[0][1].toLongLong(), c.findings[1].end);
        QTest::mouseDClick(view.findingsTable->viewport(), Qt::LeftButton, {},
                           cellCentre(view.findingsTable, 1, 1));
        QCOMPARE(toRow.count(), 1);
        QCOMPARE(toRow[0][0].toInt(), int(c.findings[1].firstRecord));
    }

    void rvaShowsTheDaysWithTheTotalRvbHidesThem()
    {
        const SurveyCheck c = sampleCheck();
        SurveyCheckView view;
        view.show();
        view.showCheck(c);
        QVERIFY(view.daysTable->isVisible());
        QCOMPARE(view.daysTable->rowCount(), int(c.days.size()) + 1);
        QCOMPARE(view.daysTable->item(0, 0)->text(), dayText(c.days[0].day));
        QCOMPARE(view.daysTable->item(int(c.days.size()), 0)->text(), QStringLiteral("合计"));
        QCOMPARE(view.daysTable->item(int(c.days.size()), 3)->text(),
                 QString::number(c.total.volumeM3, 'f', 3));

        view.showCheck(checkRvb({}, 16));
        QVERIFY(!view.daysTable->isVisible());
        QCOMPARE(view.findingsTable->model()->rowCount(), 0);
    }

    void exportWritesTheCsvWhereTheSeamSays()
    {
        QTemporaryDir dir;
        SurveyCheckView view;
        view.showCheck(sampleCheck());
        QString answer;
        int asked = 0;
        view.chooseExportPath = [&](QWidget *) {
            ++asked;
            return answer;
        };
        view.exportButton->click(); // cancelled
        QCOMPARE(asked, 1);
        QVERIFY(QDir(dir.path()).isEmpty());
        answer = dir.filePath("check.csv");
        view.exportButton->click();
        QFile f(answer);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), formatCheckCsv(view.check()));
        QVERIFY(view.statusLabel->text().contains(QStringLiteral("已导出")));
        answer = dir.filePath("missing/check.csv");
        view.exportButton->click();
        QVERIFY(view.statusLabel->text().contains(QStringLiteral("导出失败")));
    }

    void checkIsComputedOnlyWhenSeen()
    {
        int computed = 0;
        SurveyCheckView view;
        view.setSource([&] {
            ++computed;
            return sampleCheck();
        });
        view.markStale();
        QCOMPARE(computed, 0);
        view.show();
        QCOMPARE(computed, 1);
        QVERIFY(view.summaryLabel->text().contains(QStringLiteral("数据缺失 1 处")));
        view.hide();
        view.show();
        QCOMPARE(computed, 1);
        view.markStale(); // visible: at once
        QCOMPARE(computed, 2);
    }

    void rvaWindowFindingsMoveTheHydrographAndReachTheTableRow()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        parent.resize(1500, 800);
        w.root->resize(1500, 800);
        parent.show();
        const DataFileContents file = read(kSample);
        w.showRvaFile(file.header, file.rva, {});
        const int page = lowerViewOf(w, QStringLiteral("数据检查"));
        QVERIFY(page > 1);
        w.showLowerView(page);
        const SurveyCheck &c = w.checkView->check();
        QCOMPARE(c.records, qsizetype(file.rva.size()));
        QCOMPARE(c.findings.size(), sampleCheck().findings.size());

        int surcharge = 0;
        while (c.findings[surcharge].kind != FindingKind::Surcharge)
            ++surcharge;
        const Finding f = c.findings[surcharge];
        QTest::mouseClick(w.checkView->findingsTable->viewport(), Qt::LeftButton, {},
                          cellCentre(w.checkView->findingsTable, surcharge, 0));
        QCOMPARE(w.hydrograph->markedTime(), f.start);
        QVERIFY(w.hydrograph->viewFrom() < double(f.start) && w.hydrograph->viewTo() > double(f.end));
        QCOMPARE(w.lowerViewIndex(), page); // the list stays for the next finding

        w.showLowerView(1);
        QCOMPARE(w.hydrograph->markedTime(), f.start); // showing it does not redraw the mark away
        const QList<QwtPlotItem *> shades = w.hydrograph->panes().value(0)->itemList(ShadeItem::Rtti);
        QCOMPARE(shades.size(), 1);
        const QVector<TimeSpan> spans =
            static_cast<ShadeItem *>(shades[0])->ranges(Hydrograph::SurchargeShade);
        QCOMPARE(spans.size(), 1);
        QCOMPARE(spans[0].start, f.start);
        QCOMPARE(spans[0].end, f.end);

        w.showLowerView(page);
        QTest::mouseDClick(w.checkView->findingsTable->viewport(), Qt::LeftButton, {},
                           cellCentre(w.checkView->findingsTable, surcharge, 0));
        QCOMPARE(w.lowerViewIndex(), 0);
        QCOMPARE(w.UnitTable->currentIndex().row(), w.UnitModel->rowOfRecord(int(f.firstRecord)));
    }

    void everyRecordWindowHasTheViewOverItsOwnRecords()
    {
        QWidget parent;
        RVA_RecordWindow rvaLocal;
        RVA_UsbRecordWindow rvaDevice;
        RVB_RecordWindow rvbLocal;
        RVB_UsbRecordWindow rvbDevice;
        rvaLocal.setupRVA_RecordWindow(&parent);
        rvaDevice.setupRVA_UsbRecordWindow(&parent);
        rvbLocal.setupRVB_RecordWindow(&parent);
        rvbDevice.setupRVB_UsbRecordWindow(&parent);
        parent.show();
        const DataFileContents rva = read(kSample);
        const DataFileContents rvb =
            read(QStringLiteral(LMV_SOURCE_DIR "/samples/files/RVB雷达站_2024年04月03日.lmv"));
        rvaLocal.showRvaFile(rva.header, rva.rva, {});
        rvaDevice.showRvaFile(rva.header, rva.rva, {});
        rvbLocal.showRvbFile(rvb.header, rvb.rvb);
        rvbDevice.showRvbFile(rvb.header, rvb.rvb);
        const QList<QPair<RecordWindowBase *, SurveyCheckView *>> windows = {
            {&rvaLocal, rvaLocal.checkView},
            {&rvaDevice, rvaDevice.checkView},
            {&rvbLocal, rvbLocal.checkView},
            {&rvbDevice, rvbDevice.checkView}};
        for (const auto &[window, view] : windows) {
            window->showLowerView(lowerViewOf(*window, QStringLiteral("数据检查")));
            QVERIFY(view->isVisible());
        }
        QCOMPARE(rvaDevice.checkView->check().total.volumeM3, sampleCheck().total.volumeM3);
        QCOMPARE(rvbDevice.checkView->check().records, qsizetype(rvb.rvb.size()));
        QVERIFY(!rvbLocal.checkView->daysTable->isVisible());
        rvbLocal.clearRvbWindow(); // an empty window checks nothing
        QCOMPARE(rvbLocal.checkView->check().family, Family::Unknown);
    }
};

QTEST_MAIN(TestSurveyCheckView)
#include "test_survey_check_view.moc"
