// Pictures of the plot layer: the reduced line against the line of all points, pixel for pixel.

#include "plots/ReducedCurve.h"
#include "plots/TimeAxis.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>

namespace {

// A rough survey: a random walk with storm peaks and single-sample spikes, steps of 7 to 9 s.
std::shared_ptr<lmv::PlotData> survey(int n)
{
    auto d = std::make_shared<lmv::PlotData>();
    QRandomGenerator rng(42);
    qint64 t = 1700000000;
    float v = 0.5f;
    lmv::PlotSeries s;
    for (int i = 0; i < n; ++i) {
        t += 7 + qint64(rng.bounded(3));
        v += float(rng.generateDouble() - 0.5) * 0.02f;
        float x = v;
        if (rng.bounded(500) == 0)
            x += float(rng.generateDouble() * 4.0 - 2.0); // a spike
        d->times.push_back(t);
        s.values.push_back(x);
    }
    d->series.push_back(std::move(s));
    d->nominal = 8;
    return d;
}

// Renders one item into an image with the given x range, antialiasing off.
QImage render(QwtPlotItem *item, double from, double to, double ylow, double yhigh)
{
    QwtPlot plot;
    plot.setCanvasBackground(Qt::white);
    useClockAxis(&plot);
    plot.setAxisScale(QwtPlot::xBottom, from, to);
    plot.setAxisScale(QwtPlot::yLeft, ylow, yhigh);
    item->attach(&plot);
    plot.updateAxes();
    QImage image(640, 360, QImage::Format_RGB32);
    // The plot's own resolution, so that the renderer does not scale.
    image.setDotsPerMeterX(qRound(plot.logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(plot.logicalDpiY() / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QwtPlotRenderer().render(&plot, &painter, image.rect());
    painter.end();
    item->detach();
    return image;
}

int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

class TestPlotRender : public QObject
{
    Q_OBJECT

private slots:
    void reducedLineIsThePixelsOfAllPoints_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<double>("fromShare"); // view as shares of the file's span
        QTest::addColumn<double>("toShare");
        QTest::newRow("whole file") << 40000 << 0.0 << 1.0;
        QTest::newRow("a tenth, edges between records") << 40000 << 0.4137 << 0.5139;
        QTest::newRow("fewer records than columns") << 40000 << 0.5 << 0.5007;
        QTest::newRow("beyond both ends") << 3000 << -0.2 << 1.3;
        QTest::newRow("one record") << 1 << -1.0 << 1.0;
    }
    void reducedLineIsThePixelsOfAllPoints()
    {
        QFETCH(int, records);
        QFETCH(double, fromShare);
        QFETCH(double, toShare);
        const std::shared_ptr<lmv::PlotData> d = survey(records);
        const double t0 = double(d->times.front());
        const double span = std::max(1.0, double(d->times.back()) - t0);
        const double from = t0 + fromShare * span;
        const double to = t0 + toShare * span;

        // Every record through the same painting path: only the reduction differs.
        ReducedCurve all;
        all.setSeries(d, 0);
        all.setPen(QPen(Qt::blue, 1));
        all.setReduction(false);
        ReducedCurve reduced;
        reduced.setSeries(d, 0);
        reduced.setPen(QPen(Qt::blue, 1));

        const QImage expected = render(&all, from, to, -2.0, 3.0);
        const QImage actual = render(&reduced, from, to, -2.0, 3.0);
        QCOMPARE(differingPixels(expected, actual), 0);
        QCOMPARE(all.lastDrawnPoints() > 0, true);
        if (records > 640)
            QVERIFY(reduced.lastDrawnPoints() <= 4 * 640 + 8);
    }

    void nothingIsDrawnForAnEmptyFile()
    {
        auto d = std::make_shared<lmv::PlotData>();
        d->series.emplace_back();
        ReducedCurve reduced;
        reduced.setSeries(d, 0);
        ReducedCurve none; // no series at all
        QCOMPARE(differingPixels(render(&none, 0, 100, 0, 1), render(&reduced, 0, 100, 0, 1)), 0);
        QCOMPARE(reduced.lastDrawnPoints(), std::size_t(0));
    }

    void timeAxisWritesTheYearWhenItIsNotPlain_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("reference");
        QTest::addColumn<bool>("year");
        QTest::newRow("this year") << "2024-05-01"
                                   << "2024-05-14" << 2024 << false;
        QTest::newRow("another year") << "2023-05-01"
                                      << "2023-05-14" << 2024 << true;
        QTest::newRow("across new year") << "2024-12-28"
                                         << "2025-01-03" << 2025 << true;
    }
    void timeAxisWritesTheYearWhenItIsNotPlain()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, reference);
        QFETCH(bool, year);
        const auto seconds = [](const QString &day) {
            return double(
                QDateTime(QDate::fromString(day, Qt::ISODate), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
        };
        QCOMPARE(clockAxisNeedsYear(seconds(from), seconds(to), reference), year);
        // The labels a pane writes, by the tick step.
        QwtPlot pane;
        useClockAxis(&pane);
        auto *draw = static_cast<ClockScaleDraw *>(pane.axisScaleDraw(QwtPlot::xBottom));
        draw->setReferenceYear(reference);
        pane.setAxisScale(QwtPlot::xBottom, seconds(from), seconds(to));
        pane.updateAxes();
        const QList<double> ticks = pane.axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
        QVERIFY(ticks.size() >= 2);
        const QString label = draw->label(ticks.first()).text();
        const QString date = QDateTime::fromSecsSinceEpoch(qint64(ticks.first()), Qt::UTC)
                                 .toString(QStringLiteral("yyyy-MM-dd"));
        QVERIFY2(label.startsWith(year ? date : date.mid(5)) && (year || !label.contains(date.left(4))),
                 qPrintable(label));
        // Below an hour the labels are times; the first carries the day, with the year if needed.
        pane.setAxisScale(QwtPlot::xBottom, seconds(from), seconds(from) + 1800);
        pane.updateAxes();
        const QList<double> fine = pane.axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
        QCOMPARE(draw->label(fine.first()).text(),
                 year ? from + QStringLiteral(" 00:00") : QStringLiteral("00:00"));
        QCOMPARE(draw->label(fine.at(1)).text().contains(QLatin1Char('-')), false);
    }

    // However narrow or wide a pane, the clock axis's labels do not run into each other: a day
    // of another year (labels "yyyy-MM-dd hh:mm") and a week of this one.
    void timeAxisLabelsStayApart_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("year");
        for (int width : {360, 560, 770, 1300})
            for (int year : {2024, QDate::currentDate().year()}) {
                QTest::addRow("%d px, a day of %d", width, year) << width << 1 << year;
                QTest::addRow("%d px, a week of %d", width, year) << width << 7 << year;
            }
    }
    void timeAxisLabelsStayApart()
    {
        QFETCH(int, width);
        QFETCH(int, days);
        QFETCH(int, year);
        QwtPlot pane;
        useClockAxis(&pane);
        const double from = double(QDateTime(QDate(year, 3, 12), QTime(0, 0), Qt::UTC).toSecsSinceEpoch());
        pane.setAxisScale(QwtPlot::xBottom, from, from + days * 86400.0);
        pane.resize(width, 200);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QCoreApplication::processEvents();
        pane.replot();
        const QList<double> ticks = pane.axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
        QVERIFY(ticks.size() >= 2);
        const QFontMetrics metrics(pane.axisWidget(QwtPlot::xBottom)->font());
        const QwtScaleDraw *draw = pane.axisScaleDraw(QwtPlot::xBottom);
        for (int i = 1; i < ticks.size(); ++i) {
            const double apart =
                pane.transform(QwtPlot::xBottom, ticks[i]) - pane.transform(QwtPlot::xBottom, ticks[i - 1]);
            const int halves = (metrics.horizontalAdvance(draw->label(ticks[i]).text()) +
                                metrics.horizontalAdvance(draw->label(ticks[i - 1]).text())) /
                               2;
            QVERIFY2(apart > halves,
                     qPrintable(QStringLiteral("%1 and %2: %3 px apart, labels %4 px")
                                    .arg(draw->label(ticks[i - 1]).text(), draw->label(ticks[i]).text())
                                    .arg(apart)
                                    .arg(halves)));
        }
    }
};

QTEST_MAIN(TestPlotRender)
#include "test_plot_render.moc"
