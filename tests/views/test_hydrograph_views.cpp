// The hydrograph inside the record windows: the lower-panel switch, values under the cursor
// against the table's cells, the volume between cursors, double-click to the table row, pictures.

#include "data/DataFile.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/PlotExport.h"
#include "views/RVA_RecordWindow.h"
#include "views/RVA_UsbRecordWindow.h"
#include "views/RVB_RecordWindow.h"
#include "views/RVB_UsbRecordWindow.h"

#include <QHeaderView>
#include <QImage>
#include <QPrinter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_draw.h>

namespace {

// Records a minute apart from 2024-05-06 07:00:00 with the given flow; levels rise and fall.
std::vector<lmv::RvaRecord> minuteRecords(int n, float flow)
{
    std::vector<lmv::RvaRecord> records(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        lmv::RvaRecord &r = records[std::size_t(i)];
        r.time = {quint8(7 + i / 60), quint8(i % 60), 0, 0, 2024, 5, 6};
        r.sequence = quint32(i + 1);
        r.level = 0.2f + 0.01f * float((i * 7) % 13);
        r.velocity = 0.3f + 0.001f * float(i);
        r.flow = flow;
        r.temperature = 15.0f + 0.1f * float(i % 5);
    }
    return records;
}

lmv::DataFileHeader rvaHeader(float vc, float fc)
{
    lmv::DataFileHeader h;
    h.calc.velocityCorrection = vc;
    h.calc.flowCorrection = fc;
    h.calc.recordInterval = 60;
    h.typeCode = lmv::kTypeCodeRva;
    h.family = lmv::Family::Rva;
    return h;
}

// The text the table view renders for a cell of a record.
QString tableText(const RvaWindowBase &w, int record, int column)
{
    const QModelIndex index = w.UnitModel->index(w.UnitModel->rowOfRecord(record), column);
    return QStyledItemDelegate().displayText(index.data(), w.UnitTable->locale());
}

void showHydrograph(RecordWindowBase &w, QWidget &parent)
{
    parent.resize(1200, 900);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    w.HydroViewBtn->click();
    QCOMPARE(w.lowerViewIndex(), 1);
    QVERIFY(!w.hydrograph->panes().isEmpty());
    QTRY_VERIFY(w.hydrograph->panes().first()->canvas()->width() > 200);
}

} // namespace

class TestHydrographViews : public QObject
{
    Q_OBJECT

private slots:
    void lowerPanelSwitchesBetweenTableAndHydrograph()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        QCOMPARE(w.TableViewBtn->text(), QStringLiteral("明细表"));
        QCOMPARE(w.HydroViewBtn->text(), QStringLiteral("过程线"));
        QCOMPARE(w.lowerViewIndex(), 0);
        QVERIFY(w.TableViewBtn->isChecked());
        // A later view adds its own button and page.
        auto *page = new QWidget;
        const int before = w.lowerStack->count();
        const int index = w.addLowerView(QStringLiteral("另一视图"), page);
        QCOMPARE(index, before);
        w.showLowerView(index);
        QCOMPARE(w.lowerStack->currentWidget(), page);
        QVERIFY(!w.TableViewBtn->isChecked());
        w.showLowerView(7); // no such view: nothing changes
        QCOMPARE(w.lowerViewIndex(), index);
    }

    void panesMadeWithTheWindowAreFilledByEveryFile()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        Hydrograph *h = w.hydrograph;
        QVERIFY(h->panes().isEmpty()); // made, but none shown without data
        w.showRvaFile(rvaHeader(1.0f, 1.0f), minuteRecords(30, 5.0f), lmv::refreshUnitFactors());
        showHydrograph(w, parent);
        const QList<QwtPlot *> panes = h->panes();
        QCOMPARE(int(panes.size()), 4);
        QCOMPARE(panes.at(2)->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("流量(L/s)"));
        h->clear();
        QVERIFY(h->panes().isEmpty());
        QVERIFY(panes.first()->isHidden());
        w.showRvaFile(rvaHeader(1.0f, 1.0f), minuteRecords(90, 7.0f), lmv::refreshUnitFactors());
        h->setData(w.plotData());
        QCOMPARE(h->panes(), panes);
        QVERIFY(panes.first()->isVisible());
        QCOMPARE(h->valueAt(2, 89), 7.0);
    }

    void cursorValuesEqualTableCellsAfterUnitSwitchAndFactorChange()
    {
        const QStringList savedLabels = lmv::RvaUnitLabels;
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        w.showRvaFile(rvaHeader(1.1f, 0.9f), minuteRecords(30, 12.3456f), lmv::refreshUnitFactors());
        showHydrograph(w, parent);
        Hydrograph *h = w.hydrograph;
        QCOMPARE(int(h->panes().size()), 4);
        QCOMPARE(h->panes().first()->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("液位(m)"));

        auto check = [&](const char *step) {
            const int columns[] = {RvaRecordModel::LevelColumn, RvaRecordModel::VelocityColumn,
                                   RvaRecordModel::FlowColumn, RvaRecordModel::TemperatureColumn};
            for (int record : {0, 7, 29}) {
                const QString readout = h->readoutText(record);
                for (int s = 0; s < 4; ++s) {
                    const QString cell = tableText(w, record, columns[s]);
                    if (!readout.contains(QLatin1Char(' ') + cell))
                        QFAIL(qPrintable(QStringLiteral("%1: record %2 series %3: table %4, readout %5")
                                             .arg(QLatin1String(step))
                                             .arg(record)
                                             .arg(s)
                                             .arg(cell, readout)));
                    QCOMPARE(float(h->valueAt(s, record)),
                             w.UnitModel->cellValue(w.UnitModel->rowOfRecord(record), columns[s]).toFloat());
                }
            }
        };
        check("opened");
        w.switchUnitFromHeader(RvaRecordModel::LevelColumn, lmv::refreshUnitFactors());
        w.switchUnitFromHeader(RvaRecordModel::FlowColumn, lmv::refreshUnitFactors());
        QTRY_COMPARE(h->panes().first()->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("液位(mm)"));
        check("units switched");
        w.UnitModel->setCorrections(1.5f, 0.7f); // what a factor change applies to the view
        QTRY_COMPARE(float(h->valueAt(2, 0)),
                     w.UnitModel->cellValue(0, RvaRecordModel::FlowColumn).toFloat());
        check("factors changed");
        lmv::RvaUnitLabels = savedLabels;
    }

    void volumeBetweenCursorsOfConstantFlow()
    {
        const QStringList savedLabels = lmv::RvaUnitLabels;
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        // 10 L/s shown with corrections 2 × 0.5: one hour of records holds 36 m³.
        w.showRvaFile(rvaHeader(2.0f, 0.5f), minuteRecords(61, 10.0f), lmv::refreshUnitFactors());
        showHydrograph(w, parent);
        Hydrograph *h = w.hydrograph;
        QSignalSpy moved(h, &Hydrograph::cursorsChanged);
        QwtPlot *pane = h->panes().at(2);
        const QwtScaleMap xm = pane->canvasMap(QwtPlot::xBottom);
        // Click for A near the start, Shift+click for B at the end.
        QTest::mouseClick(pane->canvas(), Qt::LeftButton, {},
                          QPoint(qRound(xm.transform(h->data()->times[0])), 20));
        QTest::mouseClick(pane->canvas(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(qRound(xm.transform(h->data()->times[60])), 20));
        QCOMPARE(moved.count(), 2);
        QCOMPARE(h->cursorRecord(Hydrograph::Cursor::A), qsizetype(0));
        QCOMPARE(h->cursorRecord(Hydrograph::Cursor::B), qsizetype(60));
        QCOMPARE(h->cursorSeconds(), 3600.0);
        QCOMPARE(h->cursorVolume(), 36.0);
        QVERIFY(h->cursorText().contains(QStringLiteral("36.000 m³")));
        // Another flow unit changes the numbers shown, not the volume.
        w.switchUnitFromHeader(RvaRecordModel::FlowColumn, lmv::refreshUnitFactors());
        QTRY_VERIFY(h->data()->flowFactor != 1.0f);
        QVERIFY(qAbs(h->cursorVolume() - 36.0) < 1e-3);
        lmv::RvaUnitLabels = savedLabels;
    }

    void cursorVolumeIsTheDailyTablesVolume()
    {
        // A day of five-minute records with a changing flow and an hour missing, and the first
        // record of the next day: the cursors at the two midnights give the day's volume of
        // the data check, by the same rule (a trapezoid over the steps does not).
        std::vector<lmv::RvaRecord> records;
        for (int i = 0; i <= 288; ++i) {
            if (i >= 120 && i < 132)
                continue;
            lmv::RvaRecord r;
            r.time = {quint8(i / 12 % 24), quint8(i % 12 * 5), 0, 0, 2024, 5, quint8(6 + i / 288)};
            r.level = 0.3f;
            r.velocity = 0.8f;
            r.flow = 100.0f + 40.0f * float(std::sin(i / 30.0));
            records.push_back(r);
        }
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        lmv::DataFileHeader header = rvaHeader(1.1f, 0.9f);
        header.calc.recordInterval = 300;
        w.showRvaFile(header, records, lmv::refreshUnitFactors());
        showHydrograph(w, parent);
        Hydrograph *h = w.hydrograph;
        const double midnight = double(h->data()->times.front());
        h->setCursor(Hydrograph::Cursor::A, midnight);
        h->setCursor(Hydrograph::Cursor::B, midnight + 86400);
        const lmv::SurveyCheck check = w.surveyCheck();
        QCOMPARE(check.days.size(), 2);
        const double day = check.days[0].volumeM3;
        QVERIFY2(std::abs(h->cursorVolume() - day) < 1e-5 * day,
                 qPrintable(
                     QStringLiteral("%1 against %2").arg(h->cursorVolume(), 0, 'f', 4).arg(day, 0, 'f', 4)));
    }

    void levelPaneShowsTheCrownAndTheSedimentTop()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        lmv::DataFileHeader header = rvaHeader(1.0f, 1.0f);
        header.point = lmv::makePointRecord(QStringLiteral("项目"), QStringLiteral("测点"), lmv::PipeCircle,
                                            1000, 0, 0, 100);
        w.showRvaFile(header, minuteRecords(120, 5.0f), lmv::refreshUnitFactors());
        showHydrograph(w, parent);
        QwtPlot *level = w.hydrograph->panes().first();
        QMap<QString, double> lines;
        for (QwtPlotItem *item : level->itemList(QwtPlotItem::Rtti_PlotMarker))
            lines.insert(item->title().text(), static_cast<QwtPlotMarker *>(item)->yValue());
        QCOMPARE(lines.value(QStringLiteral("淤积层顶 (100 mm)"), -1.0), 0.0);
        QVERIFY(std::abs(lines.value(QStringLiteral("管顶")) - 0.9) < 1e-9);
        // The records lie between 0.2 and 0.32 m; the axis shows both lines all the same.
        const QwtInterval axis = level->axisInterval(QwtPlot::yLeft);
        QVERIFY(axis.minValue() < 0.0 && axis.maxValue() > 0.9);
        // A pipe that cannot be draws no line.
        w.setShownPipe(lmv::makePointRecord(QString(), QString(), lmv::PipeCircle, 0xFFFFFFFFu, 0, 0, 0));
        QVERIFY(level->itemList(QwtPlotItem::Rtti_PlotMarker).isEmpty());
        // Other years than this one are written on the time axis.
        QwtPlot *lowest = w.hydrograph->panes().last();
        const QList<double> ticks = lowest->axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
        QVERIFY(!ticks.isEmpty());
        QVERIFY(lowest->axisScaleDraw(QwtPlot::xBottom)
                    ->label(ticks.first())
                    .text()
                    .contains(QStringLiteral("2024-05-06")));
    }

    void picturesCarryATitleBlock()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        lmv::DataFileHeader header = rvaHeader(1.0f, 1.0f);
        header.point = lmv::makePointRecord(QStringLiteral("城东排水管网"), QStringLiteral("建设路1号井"),
                                            lmv::PipeCircle, 800, 0, 0, 40);
        w.showRvaFile(header, minuteRecords(120, 5.0f), lmv::refreshUnitFactors());
        w.setShownFileName(QStringLiteral("20240506.lmv"));
        showHydrograph(w, parent);
        Hydrograph *h = w.hydrograph;
        QStringList title = h->pictureTitle();
        QCOMPARE(title.value(0),
                 QStringLiteral("项目: 城东排水管网    监测点: 建设路1号井    文件: 20240506.lmv"));
        QCOMPARE(title.value(1),
                 QStringLiteral("时段: 2024-05-06 07:00:00 至 2024-05-06 08:59:00    管道: %1")
                     .arg(lmv::pipeDescription(header.point)));
        QCOMPARE(title.size(), 2);
        h->setCursor(Hydrograph::Cursor::A, double(h->data()->times[10]));
        title = h->pictureTitle();
        QCOMPARE(title.value(2), h->cursorText());
        // The block stands above the panes in the picture: dark text on the first rows.
        QTemporaryDir dir;
        QVERIFY(h->exportImage(dir.filePath("t.png"), QSize(900, 600)));
        const QImage image(dir.filePath("t.png"));
        int dark = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
        QVERIFY(dark > 200);
        if (const QString shots = qEnvironmentVariable("LMV_SHOT_DIR"); !shots.isEmpty())
            QFile::copy(dir.filePath("t.png"), shots + QStringLiteral("/hydrograph_title.png"));
    }

    void doubleClickSelectsTheRecordsRowAfterSorting()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        w.showRvaFile(rvaHeader(1.0f, 1.0f), minuteRecords(40, 5.0f), lmv::refreshUnitFactors());
        // Sorted by level, descending: the rows no longer follow the records.
        w.RecordTable->horizontalHeader()->setSortIndicator(RvaRecordModel::LevelColumn, Qt::DescendingOrder);
        w.sortFromNameClick(RvaRecordModel::LevelColumn);
        showHydrograph(w, parent);
        const int record = 17;
        QVERIFY(w.UnitModel->rowOfRecord(record) != record);
        QwtPlot *pane = w.hydrograph->panes().first();
        const QPoint at(
            qRound(pane->canvasMap(QwtPlot::xBottom).transform(w.hydrograph->data()->times[record])),
            qRound(pane->canvasMap(QwtPlot::yLeft).transform(w.hydrograph->valueAt(0, record))));
        QSignalSpy hit(w.hydrograph, &Hydrograph::recordDoubleClicked);
        // As the mouse sends it: a click, then the double-click.
        QTest::mouseClick(pane->canvas(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(pane->canvas(), Qt::LeftButton, {}, at);
        QCOMPARE(hit.count(), 1);
        QCOMPARE(w.hydrograph->cursorRecord(Hydrograph::Cursor::A), qsizetype(-1)); // not a click
        QCOMPARE(w.lowerViewIndex(), 0);
        const int row = w.UnitTable->currentIndex().row();
        QCOMPARE(row, w.UnitModel->rowOfRecord(record));
        QCOMPARE(w.UnitModel->recordAtRow(row).sequence, quint32(record + 1));
        QVERIFY(w.UnitTable->selectionModel()->isRowSelected(row, QModelIndex()));
        QVERIFY(
            w.UnitTable->viewport()->rect().contains(w.UnitTable->visualRect(w.UnitTable->currentIndex())));
    }

    void picturesAndPrintOfTheShownPanes()
    {
        QWidget parent;
        RVA_RecordWindow w;
        w.setupRVA_RecordWindow(&parent);
        w.showRvaFile(rvaHeader(1.0f, 1.0f), minuteRecords(120, 5.0f), lmv::refreshUnitFactors());
        showHydrograph(w, parent);
        QTemporaryDir dir;
        QString error;
        QVERIFY2(w.hydrograph->exportImage(dir.filePath("h.png"), QSize(800, 600), &error),
                 qPrintable(error));
        QCOMPARE(QImage(dir.filePath("h.png")).size(), QSize(800, 600));
        QVERIFY(w.hydrograph->exportImage(dir.filePath("h.png"), QSize(), &error));
        QCOMPARE(QImage(dir.filePath("h.png")).size(), plotexport::shownSize(w.hydrograph->panes()));
        QVERIFY(w.hydrograph->exportImage(dir.filePath("h.svg"), QSize(800, 600), &error));
        QVERIFY(QFile(dir.filePath("h.svg")).size() > 1000);
        QVERIFY(w.hydrograph->exportImage(dir.filePath("h.pdf"), QSize(800, 600), &error));
        QVERIFY(QFile(dir.filePath("h.pdf")).size() > 1000);
        QVERIFY(!w.hydrograph->exportImage(dir.filePath("h.bmp"), QSize(800, 600), &error));
        QVERIFY(error.contains(QStringLiteral(".png")));

        // The print preview's runner gets the printer and paints into it.
        int pages = 0;
        plotexport::setPreviewRunner(
            [&](QPrinter *printer, const std::function<void(QPrinter *)> &paint, QWidget *) {
                printer->setOutputFormat(QPrinter::PdfFormat);
                printer->setOutputFileName(dir.filePath("print.pdf"));
                paint(printer);
                ++pages;
            });
        w.hydrograph->printPreview();
        plotexport::setPreviewRunner({});
        QCOMPARE(pages, 1);
        QVERIFY(QFile(dir.filePath("print.pdf")).size() > 1000);
    }

    // Each window with a sample file on its hydrograph; LMV_SHOT_DIR keeps the pictures.
    void everyWindowDrawsItsSeries_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("panes");
        const QString files = QStringLiteral(LMV_SAMPLES "/files/");
        QTest::newRow("rva local") << 0 << files + QStringLiteral("三角堰_20240401.lmv") << 4;
        QTest::newRow("rva device") << 1 << files + QStringLiteral("梯形渠_20240402.lmv") << 4;
        QTest::newRow("rvb local") << 2 << files + QStringLiteral("RVB雷达站_2024年04月03日.lmv") << 8;
        QTest::newRow("rvb device") << 3 << files + QStringLiteral("RVB雷达站_2024年04月03日.lmv") << 8;
    }
    void everyWindowDrawsItsSeries()
    {
        QFETCH(int, kind);
        QFETCH(QString, file);
        QFETCH(int, panes);
        lmv::DataFileContents contents;
        QCOMPARE(lmv::readDataFile(file, contents), int(lmv::ReadOk));
        QWidget parent;
        auto *layout = new QVBoxLayout(&parent);
        RVA_RecordWindow rva;
        RVA_UsbRecordWindow rvaDev;
        RVB_RecordWindow rvb;
        RVB_UsbRecordWindow rvbDev;
        RecordWindowBase *w = nullptr;
        switch (kind) {
        case 0:
            rva.setupRVA_RecordWindow(&parent);
            rva.showRvaFile(contents.header, contents.rva, lmv::refreshUnitFactors());
            w = &rva;
            break;
        case 1:
            rvaDev.setupRVA_UsbRecordWindow(&parent);
            rvaDev.showRvaFile(contents.header, contents.rva, lmv::refreshUnitFactors());
            w = &rvaDev;
            break;
        case 2:
            rvb.setupRVB_RecordWindow(&parent);
            rvb.showRvbFile(contents.header, contents.rvb);
            w = &rvb;
            break;
        default:
            rvbDev.setupRVB_UsbRecordWindow(&parent);
            rvbDev.showRvbFile(contents.header, contents.rvb);
            w = &rvbDev;
        }
        layout->addWidget(w->root);
        showHydrograph(*w, parent);
        QCOMPARE(int(w->hydrograph->panes().size()), panes);
        // Every pane has a line in it: its canvas is not all background.
        for (QwtPlot *pane : w->hydrograph->panes()) {
            const QImage canvas = pane->canvas()->grab().toImage();
            int coloured = 0;
            for (int y = 0; y < canvas.height(); ++y)
                for (int x = 0; x < canvas.width(); ++x) {
                    const QColor c = canvas.pixelColor(x, y);
                    coloured += c.saturation() > 100;
                }
            QVERIFY2(coloured > 20, qPrintable(pane->axisTitle(QwtPlot::yLeft).text()));
        }
        const lmv::TimeList &times = w->hydrograph->data()->times;
        w->hydrograph->setCursor(Hydrograph::Cursor::A, double(times[times.size() / 4]));
        w->hydrograph->setCursor(Hydrograph::Cursor::B, double(times[times.size() / 2]));
        QVERIFY(w->hydrograph->cursorText().contains(QStringLiteral("Δt")));
        QCOMPARE(w->hydrograph->cursorText().contains(QStringLiteral("体积")), panes == 4);
        const QString shots = qEnvironmentVariable("LMV_SHOT_DIR");
        if (!shots.isEmpty())
            parent.grab().save(shots + QStringLiteral("/hydrograph_%1.png").arg(kind));
    }
};

QTEST_MAIN(TestHydrographViews)
#include "test_hydrograph_views.moc"
