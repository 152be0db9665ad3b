// The scattergraph on the sample sewer survey: fits over the whole file and over a time range,
// the pipe curve once a slope is entered, units, the picture against every point drawn one by
// one, the cursor, double-click, the sediment button and picture export.

#include "data/DataFile.h"
#include "data/PlotSeries.h"
#include "data/Statistics.h"
#include "data/Tables.h"
#include "plots/LineItem.h"
#include "plots/PlotNavigator.h"
#include "plots/ScatterItem.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"

#include "data/SedimentTrust.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_map.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

const QString kSample = QStringLiteral(LMV_SOURCE_DIR "/samples/files/散点图_解放路3号井_20240501.lmv");
// The sample starts on 2024-05-01 00:00 (logger clock); its first nine days run free.
constexpr qint64 kStart = 1714521600;
constexpr qint64 kNineDays = 9 * 86400 - 1;

struct Survey
{
    lmv::DataFileContents file;
    std::shared_ptr<const lmv::PlotData> data;
};

Survey loadSample(const lmv::UnitFactors &factors, const QStringList &labels)
{
    Survey s;
    if (lmv::readDataFile(kSample, s.file) != lmv::ReadOk)
        return s;
    s.data = std::make_shared<lmv::PlotData>(
        lmv::rvaPlotData(s.file.rva, s.file.header.calc.recordInterval, s.file.header.calc, factors, labels));
    return s;
}

} // namespace

class TestScattergraph : public QObject
{
    Q_OBJECT

    QStringList labels = lmv::RvaUnitLabels;

private slots:
    void initTestCase() { qRegisterMetaType<qsizetype>("qsizetype"); }

    void fitsFollowTheShownRecords()
    {
        const Survey s = loadSample({}, labels);
        QVERIFY(s.data);
        Scattergraph g;
        g.resize(1000, 600);
        g.setSurvey(s.data, lmv::pipeGeometryFrom(s.file.header.point), 1.0, 1.0);
        QCOMPARE(g.sweep().fileMm, 0);
        // Storm, backwater and drift pull the whole file's least squares away from the sediment.
        const int wholeFile = g.sweep().bestMm;
        QSignalSpy edit(&g, &Scattergraph::sedimentEditRequested);
        g.setTimeRange(kStart, kStart + kNineDays);
        QVERIFY2(std::abs(g.sweep().bestMm - 100) <= 5, qPrintable(QString::number(g.sweep().bestMm)));
        QVERIFY(wholeFile != g.sweep().bestMm);
        QCOMPARE(g.fit().records, qsizetype(9 * 288));
        QVERIFY(g.panel()->sedimentLabel->text().contains(QStringLiteral("%1 mm").arg(g.sweep().bestMm)));
        QVERIFY(g.panel()->wholeFileButton->isEnabled());
        g.panel()->sedimentButton->click();
        QCOMPARE(edit.count(), 1);
        QCOMPARE(edit.first().first().toInt(), g.sweep().bestMm);
        g.panel()->wholeFileButton->click();
        QCOMPARE(g.sweep().bestMm, wholeFile);
        QVERIFY(!g.rangeLimited());
    }

    void pipeCurveAppearsWithASlopeInTheShownUnits()
    {
        const Survey m = loadSample({}, labels);
        QStringList mmLabels = labels;
        mmLabels[2] = QStringLiteral("(mm)");
        mmLabels[4] = QStringLiteral("(mm/s)");
        const Survey mm = loadSample({1000.0f, 1000.0f, 1.0f}, mmLabels);
        Scattergraph a, b;
        a.setSurvey(m.data, lmv::pipeGeometryFrom(m.file.header.point), 1.0, 1.0);
        b.setSurvey(mm.data, lmv::pipeGeometryFrom(mm.file.header.point), 1000.0, 1000.0);
        auto pipeCurve = [](const Scattergraph &g) {
            for (LineItem *line : g.curves())
                if (line->title().text() == QStringLiteral("管道曲线"))
                    return line;
            return static_cast<LineItem *>(nullptr);
        };
        QVERIFY(pipeCurve(a)->samples().isEmpty());
        for (Scattergraph *g : {&a, &b}) {
            g->panel()->slopeEdit->setText(QStringLiteral("1.5"));
            g->panel()->lawBox->setCurrentIndex(1);
            QCOMPARE(g->panel()->roughnessEdit->text(), QStringLiteral("1.5")); // ks default
            g->panel()->lawBox->setCurrentIndex(0);
            QCOMPARE(g->panel()->roughnessEdit->text(), QStringLiteral("0.013"));
        }
        const QPointF top = pipeCurve(a)->samples().constLast();
        // Full DN1000 at 1.5 ‰, n = 0.013: R = 0.25 m.
        QVERIFY(std::fabs(top.x() - std::cbrt(0.0625) * std::sqrt(0.0015) / 0.013) < 1e-9);
        QCOMPARE(top.y(), 1.0);
        QVERIFY(std::fabs(pipeCurve(b)->samples().constLast().x() - 1000.0 * top.x()) < 1e-6);
        QCOMPARE(pipeCurve(b)->samples().constLast().y(), 1000.0);
        QVERIFY(a.plot()->axisTitle(QwtPlot::yLeft).text().contains(QStringLiteral("(m)")));
        QVERIFY(b.plot()->axisTitle(QwtPlot::yLeft).text().contains(QStringLiteral("(mm)")));
        // The fits do not depend on the units shown.
        QCOMPARE(a.sweep().bestMm, b.sweep().bestMm);
    }

    // One mark per cell coloured by its latest record must look exactly like drawing every
    // record in time order, each painting over the earlier ones.
    void cellPictureEqualsEveryPointDrawnInTurn()
    {
        const Survey s = loadSample({}, labels);
        const lmv::ValueList &v = s.data->series[1].values;
        const lmv::ValueList &l = s.data->series[0].values;
        QCOMPARE(s.data->series[1].key, QStringLiteral("velocity"));
        ScatterItem item;
        item.setSeries(s.data, 1, 0);
        item.setCellSize(1);
        item.setColourRange(s.data->times.front(), s.data->times.back());
        const QSize size(400, 300);
        QwtScaleMap xMap, yMap;
        xMap.setPaintInterval(0, size.width());
        xMap.setScaleInterval(-0.0513, 1.9487);
        yMap.setPaintInterval(size.height(), 0);
        yMap.setScaleInterval(-0.1037, 1.4113);
        QImage cells(size, QImage::Format_ARGB32_Premultiplied);
        cells.fill(Qt::white);
        {
            QPainter p(&cells);
            item.draw(&p, xMap, yMap, QRectF(QPointF(0, 0), size));
        }
        QImage each(size, QImage::Format_ARGB32_Premultiplied);
        each.fill(Qt::white);
        int drawn = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int x = int(std::floor(xMap.transform(v[i])));
            const int y = int(std::floor(yMap.transform(l[i])));
            if (x < 0 || y < 0 || x >= size.width() || y >= size.height())
                continue;
            each.setPixel(x, y, item.colourAt(s.data->times[i]).rgb());
            ++drawn;
        }
        QVERIFY(drawn > 3000);
        QCOMPARE(cells, each);
        QVERIFY(item.lastGrid().occupied > 500);
    }

    void cursorAndDoubleClickFindTheRecordUnderTheMouse()
    {
        const Survey s = loadSample({}, labels);
        Scattergraph g;
        g.resize(1000, 600);
        g.setSurvey(s.data, lmv::pipeGeometryFrom(s.file.header.point), 1.0, 1.0);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        g.plot()->replot();
        // The storm's highest record stands alone above the crown.
        const lmv::ValueList &l = s.data->series[0].values;
        const auto top = qsizetype(std::max_element(l.begin(), l.end()) - l.begin());
        QVERIFY(l[std::size_t(top)] > 1.0f);
        const QPoint at(
            int(g.plot()->transform(QwtPlot::xBottom, s.data->series[1].values[std::size_t(top)])),
            int(g.plot()->transform(QwtPlot::yLeft, l[std::size_t(top)])));
        QCOMPARE(g.recordAt(at + QPoint(2, -2)), top);
        QTest::mouseMove(g.plot()->canvas(), at);
        QTRY_VERIFY(g.readout().contains(QStringLiteral("2024-05-10")));
        QVERIFY(g.readout().contains(QString::number(l[std::size_t(top)])));
        QSignalSpy spy(&g, &Scattergraph::recordDoubleClicked);
        QTest::mouseDClick(g.plot()->canvas(), Qt::LeftButton, {}, at);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().value<qsizetype>(), top);
        // Far from every point a double-click shows everything instead.
        QTest::mouseDClick(g.plot()->canvas(), Qt::LeftButton, {},
                           QPoint(g.plot()->canvas()->width() - 5, 5));
        QCOMPARE(spy.count(), 1);
    }

    void exportWritesThePictureAtTheAskedSize()
    {
        const Survey s = loadSample({}, labels);
        Scattergraph g;
        g.resize(900, 500);
        g.setSurvey(s.data, lmv::pipeGeometryFrom(s.file.header.point), 1.0, 1.0);
        QTemporaryDir dir;
        QString error;
        QVERIFY2(g.exportImage(dir.filePath("s.png"), QSize(800, 500), &error), qPrintable(error));
        const QImage image(dir.filePath("s.png"));
        QCOMPARE(image.size(), QSize(800, 500));
        QVERIFY(!g.exportImage(dir.filePath("s.bmp"), QSize(800, 500), &error));
    }

    void estimateNotTrustedAsksBeforeThePipeDialog_data()
    {
        QTest::addColumn<int>("records"); // of the sample, from its start
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("trust");
        QTest::newRow("the free days: trusted") << 9 * 288 << false << "可信";
        QTest::newRow("ten records: not trusted") << 10 << true << "不可信";
    }
    void estimateNotTrustedAsksBeforeThePipeDialog()
    {
        QFETCH(int, records);
        QFETCH(bool, asked);
        QFETCH(QString, trust);
        const Survey s = loadSample({}, labels);
        Scattergraph g;
        g.setSurvey(s.data, lmv::pipeGeometryFrom(s.file.header.point), 1.0, 1.0);
        g.setTimeRange(kStart, kStart + 300 * (records - 1));
        QCOMPARE(lmv::sedimentTrustText(g.trust().level), trust);
        ScatterPanel *panel = g.panel();
        // The trust stands next to the number.
        QVERIFY(panel->sedimentLabel->text().startsWith(
            QStringLiteral("淤积估算 %1 mm (%2)").arg(g.sweep().bestMm).arg(trust)));
        QStringList questions;
        bool answer = false;
        panel->confirmUncertain = [&](QWidget *, const QString &text) {
            questions << text;
            return answer;
        };
        QSignalSpy requested(&g, &Scattergraph::sedimentEditRequested);
        panel->sedimentButton->click();
        QCOMPARE(questions.size(), asked ? 1 : 0);
        QCOMPARE(requested.count(), asked ? 0 : 1);
        if (!asked)
            return;
        QVERIFY(questions[0].contains(QStringLiteral("记录太少 (10 条)")));
        QVERIFY(panel->sedimentButton->text().contains(trust));
        answer = true;
        panel->sedimentButton->click();
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.at(0).at(0).toInt(), g.sweep().bestMm);
    }

    void impossiblePipeIsNamedNotFitted()
    {
        const Survey s = loadSample({}, labels);
        Scattergraph g;
        g.panel()->slopeEdit->setText(QStringLiteral("1.5"));
        // The header's diameter as a damaged logger wrote it: no sweep, no curve, no allocation
        // that follows the height.
        g.setSurvey(s.data, lmv::pipeGeometryFrom(0, 0xFFFFFFFFu, 0, 0, 0), 1.0, 1.0);
        QCOMPARE(g.pipeProblem(), QStringLiteral("管道参数不可能: 管径 4294967295 mm (应为 2-20000 mm)"));
        QCOMPARE(g.panel()->fitLabel->text(), g.pipeProblem());
        QCOMPARE(g.sweep().bestMm, -1);
        QVERIFY(!g.panel()->sedimentButton->isEnabled());
        for (LineItem *curve : g.curves())
            QVERIFY2(!curve->isVisible(), qPrintable(curve->title().text()));
        QVERIFY(g.pictureTitle().contains(g.pipeProblem()));
        QVERIFY(g.points()->boundingRect().isValid()); // the points are still shown
    }

    void emptyOrRvbDataDrawsNothing()
    {
        Scattergraph g;
        g.setSurvey(std::make_shared<lmv::PlotData>(), lmv::PipeGeometry{}, 1.0, 1.0);
        QVERIFY(!g.fit().valid());
        QCOMPARE(g.sweep().bestMm, -1);
        QVERIFY(!g.panel()->sedimentButton->isEnabled());
        g.clear();
        QCOMPARE(g.recordAt(QPoint(10, 10)), qsizetype(-1));
    }
};

QTEST_MAIN(TestScattergraph)
#include "test_scattergraph.moc"
