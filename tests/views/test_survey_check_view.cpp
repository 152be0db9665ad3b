// The "数据检查" view on its own: findings list, daily table, export through the path seam, and
// computing the check only when the view is seen.

#include "data/CheckExport.h"
#include "data/SurveyCheck.h"
#include "views/SurveyCheckView.h"

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

QPoint cellCentre(QTableView *table, int row, int column)
{
    return table->visualRect(table->model()->index(row, column)).center();
}

} // namespace

class TestSurveyCheckView : public QObject
{
    Q_OBJECT

private slots:
    void findingsClickAndDoubleClickNameTimeAndRecord()
    {
        const SurveyCheck c = sampleCheck();
        QVERIFY(c.findings.size() >= 2);
        SurveyCheckView view;
        view.resize(1400, 400);
        view.show();
        view.showCheck(c);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
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
        QVERIFY(view.exportStatus->text().contains(QStringLiteral("已导出")));
        answer = dir.filePath("missing/check.csv");
        view.exportButton->click();
        QVERIFY(view.exportStatus->text().contains(QStringLiteral("导出失败")));
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
};

QTEST_MAIN(TestSurveyCheckView)
#include "test_survey_check_view.moc"
