// Numbers behind the hydrograph: per-column reduction, breaks, nearest record, volume.

#include "data/FlowVolume.h"
#include "data/PlotReduce.h"
#include "data/PlotSeries.h"

#include <QtTest>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace lmv;

class TestPlotData : public QObject
{
    Q_OBJECT

private slots:
    void visibleRangeTakesOneNeighbourEachSide()
    {
        const std::vector<qint64> t = {0, 10, 20, 30, 40};
        IndexRange r = visibleRange(t, 15, 25);
        QCOMPARE(r.first, std::size_t(1));
        QCOMPARE(r.last, std::size_t(4));
        r = visibleRange(t, 10, 30); // records on the edges are inside
        QCOMPARE(r.first, std::size_t(0));
        QCOMPARE(r.last, std::size_t(5));
        r = visibleRange(t, 100, 200); // after the end: the last record leads in
        QCOMPARE(r.first, std::size_t(4));
        QCOMPARE(r.last, std::size_t(5));
        QCOMPARE(visibleRange({}, 0, 10).size(), std::size_t(0));
    }

    void reductionKeepsFirstLowHighLastPerColumnInTimeOrder()
    {
        // One record a second, ten seconds per pixel column: records 0-9, 10-19, 20-29.
        std::vector<qint64> t(30);
        std::vector<float> v(30, 0.0f);
        for (int i = 0; i < 30; ++i)
            t[std::size_t(i)] = i;
        v[3] = 9.0f;  // high of column 0, before its low
        v[7] = -4.0f; // low of column 0
        v[15] = 5.0f; // a single spike in column 1
        std::vector<KeptPoint> kept;
        reduceM4(t, v, {0, 30}, PixelMap::fromRange(0, 300, -0.45, 29.55), 1, kept);
        std::vector<std::size_t> idx;
        for (const KeptPoint &k : kept)
            idx.push_back(k.index);
        const std::vector<std::size_t> expected = {0, 3, 7, 9, 10, 15, 19, 20, 29};
        QCOMPARE(idx, expected);
        QVERIFY(kept.front().breakBefore);
        QVERIFY(std::none_of(kept.begin() + 1, kept.end(), [](const KeptPoint &k) { return k.breakBefore; }));
    }

    void reductionBreaksAtGapsAndNotANumber()
    {
        const std::vector<qint64> t = {0, 60, 120, 600, 660, 720, 780};
        const std::vector<float> v = {1, 2, 3, 4, NAN, 6, 7};
        std::vector<KeptPoint> kept;
        // One pixel per second: every record has its own column.
        reduceM4(t, v, {0, t.size()}, PixelMap::fromRange(0, 780, 0, 780), 60, kept);
        QCOMPARE(int(kept.size()), 6); // the NaN is left out
        QVERIFY(kept[0].breakBefore);
        QVERIFY(!kept[2].breakBefore);
        QVERIFY(kept[3].breakBefore); // 120 -> 600 is a gap
        QCOMPARE(kept[4].index, std::size_t(5));
        QVERIFY(kept[4].breakBefore); // after the NaN
        QVERIFY(!kept[5].breakBefore);
    }

    void reductionOfOneRecordAndOfNone()
    {
        std::vector<KeptPoint> kept;
        const std::vector<qint64> one = {100};
        const std::vector<float> v = {2.5f};
        reduceM4(one, v, visibleRange(one, 0, 200), PixelMap::fromRange(0, 200, 0, 100), 0, kept);
        QCOMPARE(int(kept.size()), 1);
        reduceM4({}, {}, visibleRange({}, 0, 200), PixelMap::fromRange(0, 200, 0, 100), 0, kept);
        QVERIFY(kept.empty());
    }

    void nearestRecordPrefersTheEarlierOnATie()
    {
        const std::vector<qint64> t = {10, 20, 40};
        QCOMPARE(nearestRecord(t, 15), qsizetype(0));
        QCOMPARE(nearestRecord(t, 16), qsizetype(1));
        QCOMPARE(nearestRecord(t, -100), qsizetype(0));
        QCOMPARE(nearestRecord(t, 1000), qsizetype(2));
        QCOMPARE(nearestRecord({}, 5), qsizetype(-1));
    }

    void nearestRecordOfRepeatedTimesIsTheEarliestNotTheLast()
    {
        // Records 1-3 share a time: whichever side the pointer is on, the first of them.
        const std::vector<qint64> t = {10, 20, 20, 20, 40};
        QCOMPARE(nearestRecord(t, 22), qsizetype(1));
        QCOMPARE(nearestRecord(t, 18), qsizetype(1));
        QCOMPARE(nearestRecord(t, 30), qsizetype(1));
        QCOMPARE(nearestRecord(std::vector<qint64>{10, 40, 40}, 1000), qsizetype(1));
    }

    void volumeOfConstantFlowSkipsGaps()
    {
        // 10 L/s every minute for an hour, a two-hour gap, then another hour. Each record counts
        // for the minute after it, the record before the gap for one interval (as in the daily
        // table).
        std::vector<qint64> t;
        for (int i = 0; i <= 60; ++i)
            t.push_back(i * 60);
        for (int i = 0; i <= 60; ++i)
            t.push_back(3 * 3600 + i * 60);
        const std::vector<float> q(t.size(), 10.0f);
        const auto volume = [&](qint64 from, qint64 to) {
            return flowVolume(t, q, 60, TimeSpan{from, to}).m3;
        };
        QCOMPARE(volume(0, 3600), 36.0);
        QCOMPARE(volume(0, 4 * 3600), 72.6);                            // the gap adds nothing
        QCOMPARE(flowVolume(t, q, 60, TimeSpan{4 * 3600, 0}).m3, 72.6); // cursors in either order
        QCOMPARE(volume(90, 150), 0.6);                                 // ends between records
        QCOMPARE(flowVolume(t, q, 60).m3, 73.2);                        // the whole survey: 122 minutes
    }

    void volumeLeavesOutAnInfiniteFlow()
    {
        // A flow beyond float in the shown unit comes back as infinity; like NaN it counts no
        // time instead of making the volume infinite (or NaN next to -infinity).
        const std::vector<qint64> t = {0, 60, 120, 180, 240};
        const float inf = std::numeric_limits<float>::infinity();
        const FlowVolume one = flowVolume(t, std::vector<float>{10, 10, inf, 10, 10}, 60, TimeSpan{0, 240});
        QCOMPARE(one.m3, 1.8);
        QCOMPARE(one.seconds, qint64(180));
        QCOMPARE(flowVolume(t, std::vector<float>{10, -inf, inf, 10, 10}, 60, TimeSpan{0, 240}).m3, 1.2);
    }

    void seriesFollowTheTableRules()
    {
        RvaRecord r;
        r.time = {1, 2, 3, 0, 2024, 5, 6};
        r.level = 1.23456f;
        r.velocity = 0.5f;
        r.flow = 100.0f;
        r.temperature = 12.345f;
        CalcParams c;
        c.velocityCorrection = 1.1f;
        c.flowCorrection = 0.9f;
        const UnitFactors f{100.0f, 1.0f, 3.6f};
        QStringList units = {QString(),
                             QString(),
                             QStringLiteral("cm"),
                             QString(),
                             QStringLiteral("m/s"),
                             QString(),
                             QStringLiteral("m³/h")};
        const PlotData d = rvaPlotData({r, r}, 0, c, f, units);
        QCOMPARE(d.series.size(), std::size_t(4));
        QCOMPARE(d.series[0].title, QStringLiteral("液位(cm)"));
        QCOMPARE(d.series[0].values[0], displayLevel(r.level, f));
        QCOMPARE(d.series[1].values[0], displayVelocity(r.velocity, c, f));
        QCOMPARE(d.series[2].values[0], displayFlow(r.flow, c, f));
        QCOMPARE(d.flowFactor, 3.6f);

        PlotData chosen = d;
        QString unknown;
        QVERIFY(!selectSeries(chosen, {QStringLiteral("flow"), QStringLiteral("depth")}, &unknown));
        QCOMPARE(unknown, QStringLiteral("depth"));
        QVERIFY(selectSeries(chosen, {QStringLiteral("flow")}));
        QCOMPARE(chosen.series.size(), std::size_t(1));
    }

    void longListsStartOnLargePageBoundaries()
    {
        // A million values sit on 2 MB boundaries (large pages); short lists are ordinary, and
        // both copy and grow like any list.
        ValueList big(1000000, 1.5f);
        QCOMPARE(reinterpret_cast<std::uintptr_t>(big.data()) % (std::uintptr_t(2) << 20), std::uintptr_t(0));
        TimeList small{1, 2, 3};
        small.push_back(4);
        const ValueList copy = big;
        QCOMPARE(copy.size(), std::size_t(1000000));
        QCOMPARE(copy.back(), 1.5f);
        QCOMPARE(small.back(), qint64(4));
        big.resize(10);
        big.shrink_to_fit();
        QCOMPARE(big.size(), std::size_t(10));
    }

    void builtSeriesCarryTheSummariesOfTheirValues()
    {
        // 200 records at 60 s: a level that is not a number in block 0, an hour's gap in
        // block 1, the clock set back in block 2, and a partial last block.
        std::vector<RvaRecord> records(200);
        qint64 t = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            t += i == 100 ? 3600 : (i == 150 ? -120 : 60);
            RvaRecord &r = records[i];
            r.time = {quint8(t / 3600 % 24), quint8(t / 60 % 60), quint8(t % 60), 0, 2024, 5,
                      quint8(1 + t / 86400)};
            r.level = float(std::sin(double(i) / 9.0));
            r.velocity = float(std::cos(double(i) / 7.0));
            r.flow = r.velocity * 50.0f;
            r.temperature = 10.0f + float(i % 11);
        }
        records[20].level = NAN;
        records[128].velocity = NAN; // first of its block
        PlotData d = rvaPlotData(records, 0, CalcParams{}, UnitFactors{}, {});
        auto check = [&](const PlotData &data) {
            for (const PlotSeries &s : data.series) {
                QCOMPARE(s.blocks.clean, summarizeBlocks(data.times, s.values, data.nominal).clean);
                // Each block points at its first lowest and first highest number.
                for (std::size_t k = 0; k < s.blocks.low.size(); ++k) {
                    std::size_t lo = k * 64, hi = k * 64;
                    for (std::size_t i = k * 64; i < std::min(s.values.size(), k * 64 + 64); ++i) {
                        if (std::isnan(s.values[i]))
                            continue;
                        if (std::isnan(s.values[lo]) || s.values[i] < s.values[lo])
                            lo = i;
                        if (std::isnan(s.values[hi]) || s.values[i] > s.values[hi])
                            hi = i;
                    }
                    QCOMPARE(s.blocks.low[k], std::uint32_t(lo));
                    QCOMPARE(s.blocks.high[k], std::uint32_t(hi));
                }
            }
        };
        check(d);
        QCOMPARE(d.series[0].blocks.clean, (std::vector<std::uint8_t>{0, 0, 0, 1}));
        QCOMPARE(d.series[1].blocks.clean, (std::vector<std::uint8_t>{1, 0, 0, 1}));
        // The gaps found with the summaries are the ones the time steps give.
        const QVector<TimeGap> gaps = findGaps(d.times, d.nominal);
        QCOMPARE(d.gaps.size(), 1);
        QCOMPARE(d.gaps.size(), gaps.size());
        QCOMPARE(d.gaps[0].before, gaps[0].before);
        QCOMPARE(d.gaps[0].seconds(), qint64(3600));
        // A unit and correction change summarises the new values.
        CalcParams c;
        c.velocityCorrection = -2.0f;
        updateRvaSeries(d, records, c, UnitFactors{100.0f, 1.0f, 60.0f}, {});
        check(d);
        PlotData chosen = d;
        QVERIFY(selectSeries(chosen, {QStringLiteral("flow")}));
        check(chosen);
    }
};

QTEST_APPLESS_MAIN(TestPlotData)
#include "test_plot_data.moc"
