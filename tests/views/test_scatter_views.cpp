// The scattergraph inside both RVA record windows: the third lower view, the hydrograph's time
// range, double-click to the table row after sorting, unit switches and a pipe tried on the view.

#include "data/DataFile.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterItem.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"
#include "views/RVA_RecordWindow.h"
#include "views/RVA_UsbRecordWindow.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString kSample = QStringLiteral(LMV_SAMPLES "/files/散点图_解放路3号井_20240501.lmv");
constexpr qint64 kStart = 1714521600; // 2024-05-01 00:00 on the logger's clock
constexpr qint64 kNineDays = 9 * 86400 - 1;

// Builds the window of the given kind under parent and shows the sample in it.
RvaWindowBase *showSample(bool device, QWidget &parent, RVA_RecordWindow &local, RVA_UsbRecordWindow &usb)
{
    RvaWindowBase *w = &local;
    if (device) {
        usb.setupRVA_UsbRecordWindow(&parent);
        w = &usb;
    } else {
        local.setupRVA_RecordWindow(&parent);
    }
    lmv::DataFileContents file;
    if (lmv::readDataFile(kSample, file) != lmv::ReadOk)
        return nullptr;
    w->showRvaFile(file.header, std::move(file.rva), {});
    parent.resize(1300, 900);
    w->root->resize(1300, 900);
    parent.show();
    return w;
}

} // namespace

class TestScatterViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<qsizetype>("qsizetype"); }

    void thirdViewFollowsTheHydrographsTimeRange_data()
    {
        QTest::addColumn<bool>("device");
        QTest::newRow("local window") << false;
        QTest::newRow("device window") << true;
    }
    void thirdViewFollowsTheHydrographsTimeRange()
    {
        QFETCH(bool, device);
        QWidget parent;
        RVA_RecordWindow local;
        RVA_UsbRecordWindow usb;
        RvaWindowBase *w = showSample(device, parent, local, usb);
        QVERIFY(w);
        QCOMPARE(w->ScatterViewBtn->text(), QStringLiteral("散点图"));
        // The range is picked while another view is shown; the scattergraph applies it when shown.
        w->HydroViewBtn->click();
        emit w->hydrograph->timeRangeSelected(kStart, kStart + kNineDays);
        w->ScatterViewBtn->click();
        QCOMPARE(w->lowerViewIndex(), 2);
        Scattergraph *g = w->scattergraph;
        QVERIFY(g->rangeLimited());
        QCOMPARE(g->fit().records, qsizetype(9 * 288));
        QVERIFY(std::abs(g->sweep().bestMm - 100) <= 5);
        // Only the local window may take the estimate to the pipe dialog.
        QCOMPARE(g->panel()->sedimentButton->isEnabled(), !device);
        // The whole file again from the hydrograph.
        const lmv::TimeList &times = w->hydrograph->data()->times;
        emit w->hydrograph->timeRangeSelected(times.front(), times.back());
        QTRY_VERIFY(!g->rangeLimited());
        // 35 surcharged records are not the fit's; the backwater and the drifting sensor are left out.
        QCOMPARE(g->fit().records + g->fit().leftOut, qsizetype(3997));
        QVERIFY(g->fit().leftOut > 144);
        QVERIFY(std::abs(g->sweep().bestMm - 100) <= 5);
        // LMV_SHOT_DIR=dir saves the README's picture: the whole file with the sample's slope.
        const QString shots = qEnvironmentVariable("LMV_SHOT_DIR");
        if (!device && !shots.isEmpty()) {
            g->panel()->slopeEdit->setText(QStringLiteral("1.5"));
            w->splitter->setSizes({0, 900});
            parent.grab().save(shots + QStringLiteral("/scattergraph.png"));
        }
    }

    void curveInputBelongsToThePoint()
    {
        // Two files of two points: what is typed for one point's curve comes back with its
        // files and is not carried to the other's.
        QSettings(QStringLiteral("Limnova"), QStringLiteral("limnova-viewer"))
            .remove(QStringLiteral("scatterCurve"));
        lmv::DataFileContents a;
        QCOMPARE(lmv::readDataFile(kSample, a), int(lmv::ReadOk));
        lmv::DataFileContents b = a;
        b.header.point.setPointName(QStringLiteral("解放路4号井"));
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        parent.show();
        ScatterPanel *panel = w.scattergraph->panel();
        const auto show = [&](const lmv::DataFileContents &file) {
            w.showRvaFile(file.header, file.rva, {});
        };
        show(a);
        QCOMPARE(panel->slopeEdit->text(), QString());
        QTest::keyClicks(panel->slopeEdit, QStringLiteral("1.5"));
        show(b);
        QCOMPARE(panel->slopeEdit->text(), QString());
        QCOMPARE(panel->lawBox->currentIndex(), 0);
        QTest::keyClicks(panel->slopeEdit, QStringLiteral("3"));
        panel->lawBox->setCurrentIndex(1);
        emit panel->lawBox->activated(1);
        QTest::keyClicks(panel->roughnessEdit, QStringLiteral("0"));
        show(a);
        QCOMPARE(panel->slopeEdit->text(), QStringLiteral("1.5"));
        QCOMPARE(panel->lawBox->currentIndex(), 0);
        QCOMPARE(panel->roughnessEdit->text(), QStringLiteral("0.013"));
        QVERIFY(panel->settings().friction.has_value()); // the curve is drawn with a's input
        show(b);
        QCOMPARE(panel->slopeEdit->text(), QStringLiteral("3"));
        QCOMPARE(panel->lawBox->currentIndex(), 1);
        QCOMPARE(panel->roughnessEdit->text(), QStringLiteral("1.50"));
        // A pipe tried on the view is still the same point's.
        w.setShownPipe(lmv::makePointRecord(QString(), QString(), lmv::PipeCircle, 1000, 0, 0, 100));
        QCOMPARE(panel->slopeEdit->text(), QStringLiteral("3"));
    }

    void doubleClickOnAPointSelectsItsRowAfterSorting()
    {
        QWidget parent;
        RVA_RecordWindow local;
        RVA_UsbRecordWindow usb;
        RvaWindowBase *w = showSample(false, parent, local, usb);
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        w->RecordTable->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
        w->sortFromNameClick(2);
        w->ScatterViewBtn->click();
        Scattergraph *g = w->scattergraph;
        QTRY_VERIFY(g->plot()->canvas()->width() > 300);
        g->plot()->replot();
        // The storm's highest record stands alone above the crown.
        const std::vector<lmv::RvaRecord> &records = w->UnitModel->records();
        const auto top = std::max_element(records.begin(), records.end(),
                                          [](const auto &a, const auto &b) { return a.level < b.level; });
        const int record = int(top - records.begin());
        auto at = [&] {
            return QPoint(int(g->plot()->transform(QwtPlot::xBottom, top->velocity)),
                          int(g->plot()->transform(QwtPlot::yLeft, top->level)));
        };
        QTRY_COMPARE(g->recordAt(at()), qsizetype(record));
        QTest::mouseDClick(g->plot()->canvas(), Qt::LeftButton, {}, at());
        QCOMPARE(w->lowerViewIndex(), 0);
        QCOMPARE(w->UnitTable->currentIndex().row(), w->UnitModel->rowOfRecord(record));
        QCOMPARE(w->UnitTable->currentIndex().row(), 0); // sorted by level, highest first
    }

    void unitsAndATriedPipeRedrawTheShownView()
    {
        QWidget parent;
        RVA_RecordWindow local;
        RVA_UsbRecordWindow usb;
        RvaWindowBase *w = showSample(false, parent, local, usb);
        w->ScatterViewBtn->click();
        Scattergraph *g = w->scattergraph;
        emit w->hydrograph->timeRangeSelected(kStart, kStart + kNineDays);
        QTRY_VERIFY(g->rangeLimited());
        const int estimate = g->sweep().bestMm;
        // Level and velocity switch together to mm and mm/s; the range and the fits stay.
        w->switchUnitFromHeader(2, {});
        QTRY_VERIFY(g->plot()->axisTitle(QwtPlot::yLeft).text().contains(QStringLiteral("mm")));
        QVERIFY(g->rangeLimited());
        QCOMPARE(g->sweep().bestMm, estimate);
        QVERIFY(g->points()->boundingRect().bottom() > 1000.0);
        // A pipe tried on the view with the sediment found: the estimate now agrees with it.
        lmv::PipeSaveIntoTfType point = w->shownPoint();
        point.sediment = quint32(estimate);
        w->setShownPipe(point);
        QTRY_COMPARE(g->sweep().fileMm, estimate);
        QVERIFY(g->panel()->sedimentLabel->text().contains(QStringLiteral("文件 %1 mm").arg(estimate)));
    }
};

QTEST_MAIN(TestScatterViews)
#include "test_scatter_views.moc"
