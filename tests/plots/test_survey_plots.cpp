// A joined survey as the plots draw it: the series with each file's own corrections, the file
// boundaries, the records grouped by pipe, and the marks and pipe colours the widgets paint.

#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/MarkItem.h"
#include "plots/ScatterItem.h"
#include "plots/SurveyPlotData.h"

#include <qwt_scale_map.h>

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>

using namespace lmv;
using namespace lmv::survey;

Q_DECLARE_METATYPE(std::vector<quint32>)
Q_DECLARE_METATYPE(std::vector<quint8>)

namespace {

constexpr qint64 kStart = 1710115200; // 2024-03-11 00:00 on the logger's clock

PipeSaveIntoTfType circle(quint32 diameter)
{
    return makePointRecord(QStringLiteral("项目"), QStringLiteral("测点"), PipeCircle, diameter, 0, 0, 0);
}

// A layer of records at 2-minute steps taken from the files in `sourceOf` (one entry per record),
// the files with their own pipes and corrections; level 0.1·(i+1) m, velocity 1 m/s, flow 10 L/s.
SurveyLayer layerOf(const std::vector<quint32> &sourceOf, const std::vector<PipeSaveIntoTfType> &pipes,
                    const std::vector<float> &velocityCorrections)
{
    SurveyLayer layer;
    layer.family = Family::Rva;
    layer.intervalSeconds = 120;
    for (std::size_t s = 0; s < pipes.size(); ++s) {
        SurveySource src;
        src.name = QStringLiteral("%1.lmv").arg(s);
        src.header.point = pipes[s];
        src.header.calc.velocityCorrection = velocityCorrections[s];
        src.header.calc.flowCorrection = 2.0f;
        src.intervalSeconds = 120;
        layer.sources.push_back(src);
    }
    for (std::size_t i = 0; i < sourceOf.size(); ++i) {
        layer.times.push_back(kStart + qint64(i) * 120);
        RvaRecord r;
        r.level = 0.1f * float(i + 1);
        r.velocity = 1.0f;
        r.flow = 10.0f;
        r.temperature = 12.345f;
        layer.rva.push_back(r);
        layer.source.push_back(sourceOf[i]);
        layer.sourceRecord.push_back(qint64(i));
    }
    return layer;
}

} // namespace

class TestSurveyPlots : public QObject
{
    Q_OBJECT

private slots:
    void seriesCarryEachRecordsOwnFileCorrections()
    {
        SurveyLayer layer = layerOf({0, 0, 1, 1}, {circle(800), circle(800)}, {1.0f, 1.5f});
        layer.flags = {FlagRaw, FlagRemoved, FlagRaw, FlagCorrected};
        const UnitFactors factors{1000.0f, 1.0f, 1.0f}; // level in mm
        const auto data = surveyLayerPlotData(layer, factors, RvaUnitLabels);
        QCOMPARE(int(data->series.size()), 4);
        QCOMPARE(data->times.size(), layer.times.size());
        const ValueList &level = data->series[0].values;
        const ValueList &velocity = data->series[1].values;
        const ValueList &flow = data->series[2].values;
        QCOMPARE(level[0], 100.0f);
        QVERIFY(std::isnan(level[1]) && std::isnan(velocity[1]) && std::isnan(flow[1])); // removed: a break
        QCOMPARE(velocity[0], 1.0f); // first file: 1 × 1.0
        QCOMPARE(velocity[2], 1.5f); // second file: 1 × 1.5
        QCOMPARE(flow[0], 20.0f);    // 10 × 1.0 × 2
        QCOMPARE(flow[3], 30.0f);    // 10 × 1.5 × 2
        QCOMPARE(data->series[3].values[0], 12.35f);
        QCOMPARE(data->nominal, qint64(120));
        QVERIFY(data->flow());
    }

    void fileBoundariesAndPipeGroups_data()
    {
        QTest::addColumn<std::vector<quint32>>("sources");
        QTest::addColumn<std::vector<quint32>>("diameters"); // per source
        QTest::addColumn<QVector<int>>("boundaries");        // record indices
        QTest::addColumn<std::vector<quint8>>("groups");     // empty: nothing to tell apart
        QTest::newRow("one file") << std::vector<quint32>{0, 0, 0} << std::vector<quint32>{800}
                                  << QVector<int>{} << std::vector<quint8>{};
        QTest::newRow("two files, one pipe")
            << std::vector<quint32>{0, 0, 1, 1} << std::vector<quint32>{800, 800} << QVector<int>{2}
            << std::vector<quint8>{};
        QTest::newRow("pipe changes and comes back")
            << std::vector<quint32>{0, 1, 1, 2} << std::vector<quint32>{800, 1000, 800} << QVector<int>{1, 3}
            << std::vector<quint8>{0, 1, 1, 0};
        QTest::newRow("an older file takes over again")
            << std::vector<quint32>{1, 0, 1} << std::vector<quint32>{600, 800} << QVector<int>{1, 2}
            << std::vector<quint8>{0, 1, 0};
    }
    void fileBoundariesAndPipeGroups()
    {
        QFETCH(std::vector<quint32>, sources);
        QFETCH(std::vector<quint32>, diameters);
        QFETCH(QVector<int>, boundaries);
        QFETCH(std::vector<quint8>, groups);
        std::vector<PipeSaveIntoTfType> pipes;
        for (quint32 d : diameters)
            pipes.push_back(circle(d));
        const SurveyLayer layer = layerOf(sources, pipes, std::vector<float>(pipes.size(), 1.0f));
        QVector<qint64> expected;
        for (int i : boundaries)
            expected.push_back(kStart + i * 120);
        QCOMPARE(fileBoundaries(layer), expected);
        const PipeGroups g = pipeGroups(layer);
        QCOMPARE(g.group, groups);
        if (!groups.empty()) {
            QCOMPARE(g.pipes.size(), 2);
            QCOMPARE(g.pipes[0].heightOrDiameter, pipes[sources[0]].heightOrDiameter);
        }
    }

    void marksArePaintedWhereTheyBelong()
    {
        MarkItem item;
        item.setTimes(1, Qt::blue, {kStart + 50});
        item.setPoints(2, Qt::red, {QPointF(double(kStart + 80), 0.5)});
        QwtScaleMap x, y;
        x.setPaintInterval(0, 100);
        x.setScaleInterval(double(kStart), double(kStart + 100));
        y.setPaintInterval(100, 0);
        y.setScaleInterval(0.0, 1.0);
        QImage image(100, 100, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            item.draw(&p, x, y, QRectF(0, 0, 100, 100));
        }
        QCOMPARE(QColor(image.pixel(50, 2)), QColor(Qt::blue));  // the line, from top
        QCOMPARE(QColor(image.pixel(50, 97)), QColor(Qt::blue)); // to bottom
        QCOMPARE(QColor(image.pixel(80, 50)), QColor(Qt::red));  // the symbol's middle
        QCOMPARE(QColor(image.pixel(20, 50)), QColor(Qt::white));
        item.setTimes(1, Qt::blue, {});
        image.fill(Qt::white);
        {
            QPainter p(&image);
            item.draw(&p, x, y, QRectF(0, 0, 100, 100));
        }
        QCOMPARE(QColor(image.pixel(50, 2)), QColor(Qt::white));
    }

    void hydrographKeepsPointMarksInTheirSeriesPane()
    {
        const SurveyLayer layer = layerOf({0, 0, 0, 0}, {circle(800)}, {1.0f});
        Hydrograph h;
        h.setPointMarks(7, QStringLiteral("velocity"), Qt::red, {QPointF(double(kStart), 1.0)});
        h.setData(surveyLayerPlotData(layer, {}, RvaUnitLabels)); // marks set before the data stay
        QVERIFY(h.pointMarks(7, 0).isEmpty());
        QCOMPARE(h.pointMarks(7, 1).size(), 1);
        QCOMPARE(h.paneOf(QStringLiteral("velocity")), h.panes().at(1));
        h.setTimeMarks(8, Qt::blue, {kStart + 240});
        QCOMPARE(h.timeMarks(8), QVector<qint64>{kStart + 240});
        h.setPointMarks(7, QStringLiteral("velocity"), Qt::red, {});
        QVERIFY(h.pointMarks(7, 1).isEmpty());
    }

    void scatterPointsTakeTheirPipesColour()
    {
        const SurveyLayer layer = layerOf({0, 0, 1, 1}, {circle(800), circle(1000)}, {1.0f, 1.0f});
        const auto data = surveyLayerPlotData(layer, {}, RvaUnitLabels);
        const PipeGroups g = pipeGroups(layer);
        ScatterItem item;
        item.setSeries(data, 1, 0); // velocity against level: all at velocity 1
        item.setCellSize(1);
        item.setColourRange(data->times.front(), data->times.back());
        item.setGroups(std::make_shared<const std::vector<quint8>>(g.group), {Qt::red, Qt::green});
        QVERIFY(item.grouped());
        QwtScaleMap x, y;
        x.setPaintInterval(0, 100);
        x.setScaleInterval(0.0, 2.0);
        y.setPaintInterval(100, 0);
        y.setScaleInterval(0.0, 0.5);
        QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            item.draw(&p, x, y, QRectF(0, 0, 100, 100));
        }
        // The cell of a point, rows counted from the bottom.
        auto at = [&](double level) {
            int column = -1, row = -1;
            if (!item.lastGrid().cellOf(1.0, level, column, row))
                return QColor();
            return QColor(image.pixel(column, item.lastGrid().frame.rows - 1 - row));
        };
        QCOMPARE(at(0.1), QColor(Qt::red));
        QCOMPARE(at(0.2), QColor(Qt::red));
        QCOMPARE(at(0.3), QColor(Qt::green));
        QCOMPARE(at(0.4), QColor(Qt::green));
        // A list of another length than the records colours by time again.
        item.setGroups(std::make_shared<const std::vector<quint8>>(3, 0), {Qt::red});
        QVERIFY(!item.grouped());
    }
};

QTEST_MAIN(TestSurveyPlots)
#include "test_survey_plots.moc"
