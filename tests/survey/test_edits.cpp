#include "data/DataFile.h"
#include "data/Export.h"
#include "data/Hydraulics.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"
#include "survey/EditExport.h"
#include "survey/Edits.h"

#include <QtTest>

#include <cstring>
#include <functional>

using namespace lmv;
using namespace lmv::survey;

Q_DECLARE_METATYPE(EditOp)
Q_DECLARE_METATYPE(Edit)

namespace {

constexpr qint64 kStep = 120;
const qint64 kT0 = QDateTime(QDate(2024, 3, 11), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

qint64 at(int record)
{
    return kT0 + record * kStep;
}

// 2-min records in a rectangular channel 2 m high: flow (L/s) = level (m) × velocity (m/s) × width (mm).
SurveyLayer channelLayer(int n, const std::function<float(int)> &level, float velocity = 0.4f,
                         quint32 widthMm = 1000, const QList<int> &missing = {})
{
    const PipeSaveIntoTfType pipe =
        makePointRecord(QStringLiteral("城东"), QStringLiteral("1号井"), PipeRectangle, 2000, widthMm, 0, 0);
    CalcParams calc;
    calc.recordInterval = kStep;
    std::vector<qint64> t;
    std::vector<float> l, v, q;
    for (int i = 0; i < n; ++i) {
        if (missing.contains(i))
            continue;
        t.push_back(at(i));
        l.push_back(level(i));
        v.push_back(velocity);
        q.push_back(recordFlow(pipeGeometryFrom(pipe), l.back(), velocity));
    }
    return makeRvaLayer(t, l, v, q, pipe, calc);
}

SurveyLayer steady(int n = 60)
{
    return channelLayer(n, [](int) { return 0.5f; });
}

Edit edit(qint64 id, EditOp op, int from, int to, double value = 0.0, double value2 = 0.0)
{
    Edit e;
    e.id = id;
    e.op = op;
    e.from = at(from);
    e.to = at(to);
    e.value = value;
    e.value2 = value2;
    e.reason = QStringLiteral("探头被杂物挡住");
    return e;
}

// The daily table's total of a one-file layer, worked out by the data check itself.
double checkedVolume(const SurveyLayer &layer)
{
    CalcParams calc = layer.sources[0].header.calc;
    calc.recordInterval = quint32(layer.intervalSeconds);
    return checkRva(layer.rva, calc, layer.sources[0].header.point).total.volumeM3;
}

qsizetype indexAt(const SurveyLayer &layer, qint64 t)
{
    const auto it = std::lower_bound(layer.times.begin(), layer.times.end(), t);
    return it != layer.times.end() && *it == t ? it - layer.times.begin() : -1;
}

bool sameBytes(const SurveyLayer &a, const SurveyLayer &b)
{
    return a.times == b.times && a.source == b.source && a.sourceRecord == b.sourceRecord &&
           a.flags == b.flags && a.intervalSeconds == b.intervalSeconds && a.rva.size() == b.rva.size() &&
           std::memcmp(a.rva.data(), b.rva.data(), a.rva.size() * sizeof(RvaRecord)) == 0;
}

// A layer of a data file image: its strictly ascending records (a later copy of a time is left
// out), as the survey join keeps a single file.
SurveyLayer fileLayer(const QByteArray &file)
{
    SurveyLayer layer;
    SurveySource src;
    src.header = decodeHeader(file, file.size());
    src.name = QStringLiteral("file.lmv");
    layer.family = src.header.family;
    layer.sources.push_back(src);
    std::vector<RvaRecord> rva;
    std::vector<RvbRecord> rvb;
    decodeRecords(file, rva);
    decodeRecords(file, rvb);
    const std::vector<qint64> t = layer.family == Family::Rva ? clockSeconds(rva) : clockSeconds(rvb);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!layer.times.empty() && t[i] <= layer.times.back())
            continue;
        layer.times.push_back(t[i]);
        layer.source.push_back(0);
        layer.sourceRecord.push_back(qint64(i));
        if (layer.family == Family::Rva)
            layer.rva.push_back(rva[i]);
        else
            layer.rvb.push_back(rvb[i]);
    }
    layer.intervalSeconds = nominalInterval(src.header.calc.recordInterval, layer.times);
    return layer;
}

} // namespace

class TestEdits : public QObject
{
    Q_OBJECT

private slots:
    void correctionsChangeTheirRangeOnlyAndRecomputeFlow_data()
    {
        QTest::addColumn<EditOp>("op");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("value2");
        QTest::addColumn<QList<float>>("levels"); // records 10, 15, 20
        QTest::addColumn<float>("velocity");
        QTest::newRow("offset") << EditOp::Offset << 20.0 << 0.0 << QList<float>{0.52f, 0.52f, 0.52f} << 0.4f;
        QTest::newRow("drift up") << EditOp::Drift << 0.0 << 40.0 << QList<float>{0.5f, 0.52f, 0.54f} << 0.4f;
        QTest::newRow("drift across 0")
            << EditOp::Drift << -10.0 << 10.0 << QList<float>{0.49f, 0.5f, 0.51f} << 0.4f;
        QTest::newRow("velocity factor")
            << EditOp::VelocityFactor << 1.1 << 0.0 << QList<float>{0.5f, 0.5f, 0.5f} << 0.44f;
    }
    void correctionsChangeTheirRangeOnlyAndRecomputeFlow()
    {
        QFETCH(EditOp, op);
        QFETCH(double, value);
        QFETCH(double, value2);
        QFETCH(QList<float>, levels);
        QFETCH(float, velocity);
        SurveyLayer raw = steady();
        raw.sources[0].header.calc.velocityCorrection = 1.5f; // stays the file's: applied on top
        const Edit e = edit(1, op, 10, 20, value, value2);
        QVERIFY2(validateEdit(raw, e).isEmpty(), qPrintable(validateEdit(raw, e)));
        const SurveyLayer edited = applyEdits(raw, std::span(&e, 1));
        QCOMPARE(edited.size(), raw.size());
        for (int k = 0; k < 3; ++k) {
            const int i = 10 + 5 * k;
            QCOMPARE(edited.rva[i].level, levels[k]);
            QCOMPARE(edited.rva[i].velocity, velocity);
            QCOMPARE(edited.rva[i].flow, levels[k] * velocity * 1000.0f);
            QCOMPARE(edited.correctedVelocity(i), velocity * 1.5f);
        }
        for (int i : {0, 9, 21, 59}) {
            QCOMPARE(edited.flag(i), quint8(FlagRaw));
            QVERIFY(std::memcmp(&edited.rva[i], &raw.rva[i], sizeof(RvaRecord)) == 0);
        }
        for (int i = 10; i <= 20; ++i)
            QCOMPARE(edited.flag(i), quint8(FlagCorrected));
    }

    // Each record counts for the step to the next one; a removed record's step goes to the record
    // before it when the new step is at most two intervals, else the stretch is a gap.
    void removalChangesTheVolumeByTheCountedSeconds_data()
    {
        QTest::addColumn<int>("spikeFlow"); // of record 30 (L/s), 200 like the others when 200
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<double>("change"); // m³
        QTest::newRow("one record of a steady series") << 200 << 30 << 30 << 0.0;
        QTest::newRow("spike") << 1000 << 30 << 30 << -(1000.0 - 200.0) * 120.0 / 1000.0;
        QTest::newRow("two records: a gap") << 200 << 30 << 31 << -2 * 200.0 * 120.0 / 1000.0;
        QTest::newRow("last record") << 200 << 59 << 59 << -200.0 * 120.0 / 1000.0;
    }
    void removalChangesTheVolumeByTheCountedSeconds()
    {
        QFETCH(int, spikeFlow);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(double, change);
        SurveyLayer raw = steady();
        raw.rva[30].flow = float(spikeFlow);
        const Edit e = edit(1, EditOp::Remove, from, to);
        const SurveyLayer edited = applyEdits(raw, std::span(&e, 1));
        QCOMPARE(edited.size(), raw.size() - (to - from + 1));
        QCOMPARE(edited.intervalSeconds, kStep);
        QCOMPARE(indexAt(edited, at(from)), qsizetype(-1));
        QVERIFY(std::is_sorted(edited.times.begin(), edited.times.end()));
        QVERIFY(qAbs(checkedVolume(edited) - checkedVolume(raw) - change) < 1e-9);
        QVERIFY(qAbs(editVolumes(raw, std::span(&e, 1)).at(0).volumeM3 - change) < 1e-9);
    }

    // The sample's 7.2 m/s record at 2024-05-21 20:00 counts for its 5 minutes; removed, the record
    // before it counts for them instead.
    void removingTheSampleSpikeLowersItsDay()
    {
        QFile f(QStringLiteral(LMV_SAMPLES "/files/数据检查示例_20240520.lmv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const SurveyLayer raw = fileLayer(bytes);
        const qint64 spike = QDateTime(QDate(2024, 5, 21), QTime(20, 0), Qt::UTC).toSecsSinceEpoch();
        const qsizetype i = indexAt(raw, spike);
        QVERIFY(i > 0);
        QCOMPARE(raw.rva[i].velocity, 7.2f);
        QCOMPARE(raw.times[i] - raw.times[i - 1], qint64(300));
        Edit e = edit(1, EditOp::Remove, 0, 0);
        e.from = e.to = spike;
        const SurveyLayer edited = applyEdits(raw, std::span(&e, 1));
        const double expected =
            (double(raw.correctedFlow(i - 1)) - double(raw.correctedFlow(i))) * 300.0 / 1000.0;
        QVERIFY(expected < -10.0);
        const auto day = [](const SurveyLayer &l) {
            const SurveyCheck c = checkRva(l.rva, l.sources[0].header.calc, l.sources[0].header.point);
            for (const DayVolume &d : c.days)
                if (dayText(d.day) == QLatin1String("2024-05-21"))
                    return d.volumeM3;
            return 0.0;
        };
        QVERIFY(qAbs(day(edited) - day(raw) - expected) < 1e-6);
    }

    void fillBridgesGapsUpToItsMaximum_data()
    {
        QTest::addColumn<bool>("removed"); // the gap made by a removal, else records never there
        QTest::addColumn<int>("missing");  // records missing after record 20
        QTest::addColumn<qint64>("maxGap");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("removed, 30 min at 30 min") << true << 14 << qint64(1800) << true;
        QTest::newRow("missing, 30 min at 30 min") << false << 14 << qint64(1800) << true;
        QTest::newRow("missing, 32 min at 30 min") << false << 15 << qint64(1800) << false;
        QTest::newRow("removed, 32 min at 40 min") << true << 15 << qint64(2400) << true;
        QTest::newRow("one record") << false << 1 << qint64(1800) << true;
    }
    void fillBridgesGapsUpToItsMaximum()
    {
        QFETCH(bool, removed);
        QFETCH(int, missing);
        QFETCH(qint64, maxGap);
        QFETCH(bool, accepted);
        QList<int> gone;
        for (int i = 21; i <= 20 + missing; ++i)
            gone << i;
        const auto ramp = [](int i) { return 0.3f + 0.01f * float(i); };
        const SurveyLayer raw = channelLayer(60, ramp, 0.4f, 1000, removed ? QList<int>{} : gone);
        std::vector<Edit> edits;
        if (removed)
            edits.push_back(edit(1, EditOp::Remove, 21, 20 + missing));
        edits.push_back(edit(2, EditOp::Fill, 18, 40));
        edits.back().maxGapSeconds = maxGap;
        const SurveyLayer before = applyEdits(raw, std::span(edits).first(edits.size() - 1));
        const QString why = validateEdit(before, edits.back());
        QCOMPARE(why.isEmpty(), accepted);
        if (!accepted)
            QVERIFY2(why.contains(QStringLiteral("超过插补上限")), qPrintable(why));
        const SurveyLayer edited = applyEdits(raw, edits);
        QCOMPARE(edited.size(), accepted ? 60 : 60 - missing);
        if (!accepted)
            return;
        for (int i = 21; i <= 20 + missing; ++i) {
            const qsizetype k = indexAt(edited, at(i));
            QVERIFY(k > 0);
            QCOMPARE(edited.flag(k), quint8(FlagFilled));
            QCOMPARE(edited.sourceRecord[k], qint64(-1));
            QVERIFY(qAbs(edited.rva[k].level - ramp(i)) < 1e-6f);
            QCOMPARE(edited.rva[k].flow, edited.rva[k].level * 0.4f * 1000.0f);
            QCOMPARE(clockSeconds(edited.rva[k].time), at(i));
        }
        const double complete = checkedVolume(channelLayer(60, ramp)); // the records never lost
        QVERIFY(qAbs(checkedVolume(edited) - complete) < 1e-6 * complete);
    }

    void overlappingEditsApplyInCreationOrder_data()
    {
        QTest::addColumn<QList<Edit>>("edits");
        QTest::addColumn<int>("record");
        QTest::addColumn<float>("level"); // of the record, -1 when left out
        QTest::addColumn<quint8>("flags");
        const Edit rm = edit(1, EditOp::Remove, 10, 12), fill = edit(2, EditOp::Fill, 5, 15);
        Edit rmLater = rm, fillFirst = fill;
        rmLater.id = 3;
        fillFirst.id = 0;
        QTest::newRow("remove, fill, listed the other way")
            << QList<Edit>{fill, rm} << 11 << 0.5f << quint8(FlagFilled);
        QTest::newRow("fill, remove") << QList<Edit>{fillFirst, rm} << 11 << -1.0f << quint8(0);
        QTest::newRow("remove, fill, remove") << QList<Edit>{rmLater, fill, rm} << 11 << -1.0f << quint8(0);
        const Edit up = edit(4, EditOp::Offset, 0, 20, 100.0), upMore = edit(5, EditOp::Offset, 8, 30, 50.0);
        QTest::newRow("two offsets over it")
            << QList<Edit>{upMore, up} << 15 << 0.65f << quint8(FlagCorrected);
        QTest::newRow("remove, fill, offset")
            << QList<Edit>{rm, fill, up} << 11 << 0.6f << quint8(FlagFilled | FlagCorrected);
        // The fill interpolates the records either side as the earlier offset left them.
        QTest::newRow("remove, offset, fill") << QList<Edit>{rm, fill, edit(0, EditOp::Offset, 0, 20, 100.0)}
                                              << 11 << 0.6f << quint8(FlagFilled);
        QTest::newRow("undone removal") << QList<Edit>{[&] {
            Edit e = rm;
            e.undone = true;
            return e;
        }()} << 11 << 0.5f << quint8(0);
    }
    void overlappingEditsApplyInCreationOrder()
    {
        QFETCH(QList<Edit>, edits);
        QFETCH(int, record);
        QFETCH(float, level);
        QFETCH(quint8, flags);
        const std::vector<Edit> list(edits.begin(), edits.end());
        const SurveyLayer edited = applyEdits(steady(), list);
        const qsizetype k = indexAt(edited, at(record));
        if (level < 0) {
            QCOMPARE(k, qsizetype(-1));
            return;
        }
        QVERIFY(k >= 0);
        QVERIFY(qAbs(edited.rva[k].level - level) < 1e-6f);
        QCOMPARE(edited.flag(k), flags);
    }

    // Every op at once, over one another, then undone one by one: the raw layer object is never
    // touched, and with nothing left the figures are the raw ones bit for bit.
    void undoRestoresTheRawLayerBitForBit()
    {
        SurveyLayer raw =
            channelLayer(200, [](int i) { return 0.2f + 0.001f * float(i % 37); }, 0.7f, 800, {50, 51});
        const SurveyLayer copy = raw;
        std::vector<Edit> edits = {edit(1, EditOp::Remove, 20, 25),
                                   edit(2, EditOp::Fill, 18, 60),
                                   edit(3, EditOp::Offset, 15, 70, 12.5),
                                   edit(4, EditOp::Drift, 40, 120, -5.0, 30.0),
                                   edit(5, EditOp::VelocityFactor, 0, 199, 0.93),
                                   edit(6, EditOp::Remove, 100, 100)};
        const SurveyLayer edited = applyEdits(raw, edits);
        QVERIFY(!sameBytes(edited, raw));
        QVERIFY(sameBytes(raw, copy));
        QVERIFY(raw.flags.empty());
        for (Edit &e : edits) {
            e.undone = true;
            const SurveyLayer now = applyEdits(raw, edits);
            std::vector<Edit> rest;
            std::copy_if(edits.begin(), edits.end(), std::back_inserter(rest),
                         [](const Edit &x) { return !x.undone; });
            QVERIFY(sameBytes(now, applyEdits(raw, rest)));
        }
        const SurveyLayer undone = applyEdits(raw, edits);
        QVERIFY(sameBytes(undone, raw));
        QCOMPARE(checkedVolume(undone), checkedVolume(raw));
    }

    // Each edit's change worked out over its own stretch equals the change of the whole layer.
    void editVolumesAddUpToTheLayerDifferences()
    {
        const SurveyLayer raw = channelLayer(400, [](int i) { return 0.1f + 0.002f * float(i % 91); }, 0.55f,
                                             1200, {80, 81, 82, 300});
        std::vector<Edit> edits = {edit(1, EditOp::Remove, 30, 31),
                                   edit(2, EditOp::Fill, 25, 90),
                                   edit(3, EditOp::Offset, 60, 200, -20.0),
                                   edit(4, EditOp::Remove, 150, 150),
                                   edit(5, EditOp::Drift, 100, 350, 0.0, 45.0),
                                   edit(6, EditOp::VelocityFactor, 0, 120, 1.2),
                                   edit(7, EditOp::Fill, 290, 310),
                                   edit(8, EditOp::Remove, 0, 5)};
        edits[4].undone = true;
        const std::vector<EditVolume> changes = editVolumes(raw, edits);
        QCOMPARE(changes.size(), edits.size());
        double before = checkedVolume(raw);
        for (std::size_t k = 0; k < edits.size(); ++k) {
            const double after = checkedVolume(applyEdits(raw, std::span(edits).first(k + 1)));
            QCOMPARE(changes[k].id, edits[k].id);
            QVERIFY(qAbs(changes[k].volumeM3 - (after - before)) < 1e-7);
            if (edits[k].undone)
                QCOMPARE(changes[k].volumeM3, 0.0);
            else
                QVERIFY(changes[k].volumeM3 != 0.0);
            before = after;
        }
    }

    // An edit made in a file's window touches that file's records; a fill's record belongs to the
    // file before the gap and takes that file's pipe.
    void editsOfOneFileAndFillsAcrossFiles()
    {
        SurveyLayer layer = channelLayer(20, [](int) { return 0.5f; }, 0.4f, 1000, {10, 11});
        const SurveyLayer second = channelLayer(
            20, [](int) { return 0.5f; }, 0.4f, 2000);
        SurveySource b = second.sources[0];
        b.name = QStringLiteral("20240312.lmv");
        b.header.calc.velocityCorrection = 2.0f; // its 0.4 m/s are 0.8 m/s in the first file's scale
        layer.sources.push_back(b);
        for (qsizetype i = indexAt(layer, at(12)); i < layer.size(); ++i)
            layer.source[i] = 1;
        Edit mine = edit(1, EditOp::Offset, 0, 19, 10.0);
        mine.file = b.name;
        Edit fill = edit(2, EditOp::Fill, 9, 12);
        const SurveyLayer edited = applyEdits(layer, std::vector<Edit>{mine, fill});
        QCOMPARE(edited.rva[indexAt(edited, at(5))].level, 0.5f);
        QCOMPARE(edited.rva[indexAt(edited, at(15))].level, 0.51f);
        const qsizetype k = indexAt(edited, at(10));
        QCOMPARE(edited.source[k], quint32(0));
        QVERIFY(qAbs(edited.rva[k].level - 0.50333333f) < 1e-6f); // a third of the way to 0.51
        QVERIFY(qAbs(edited.rva[k].velocity - 0.53333333f) < 1e-6f);
        QCOMPARE(edited.rva[k].flow, recordFlow(pipeGeometryFrom(layer.sources[0].header.point),
                                                edited.rva[k].level, edited.rva[k].velocity));
        fill.file = b.name; // the gap does not lie between two records of that file
        QVERIFY(validateEdit(layer, fill).contains(QStringLiteral("没有可插补")));
        QCOMPARE(applyEdits(layer, std::vector<Edit>{fill}).size(), layer.size());
    }

    // A layer large enough for the flows to be recomputed in two threads while it is built: every
    // filled or corrected flow is that of its level and velocity, every other one the raw flow.
    void largeLayersGetEveryFlowRecomputed()
    {
        const int n = 300000;
        const SurveyLayer raw = channelLayer(n, [](int i) { return 0.2f + 0.0001f * float(i % 5000); });
        const std::vector<Edit> edits{edit(1, EditOp::Remove, 1000, 1010), edit(2, EditOp::Fill, 900, 1100),
                                      edit(3, EditOp::Drift, 0, 200000, -10.0, 25.0),
                                      edit(4, EditOp::VelocityFactor, 150000, 260000, 1.07)};
        const SurveyLayer edited = applyEdits(raw, edits);
        QCOMPARE(edited.size(), n);
        const PipeGeometry pipe = pipeGeometryFrom(raw.sources[0].header.point);
        qsizetype recomputed = 0;
        for (qsizetype j = 0; j < edited.size(); ++j) {
            const RvaRecord &r = edited.rva[j];
            const bool edited_ = edited.flag(j) != FlagRaw;
            recomputed += edited_;
            if (r.flow != (edited_ ? recordFlow(pipe, r.level, r.velocity) : raw.rva[j].flow))
                QFAIL(qPrintable(QStringLiteral("flow of record %1").arg(j)));
        }
        QCOMPARE(recomputed, qsizetype(260001));
    }

    void validationRefusesWithAMessage_data()
    {
        QTest::addColumn<Edit>("e");
        QTest::addColumn<QString>("message"); // part of it; empty: accepted
        auto with = [](Edit e, const std::function<void(Edit &)> &change) {
            change(e);
            return e;
        };
        const Edit offset = edit(1, EditOp::Offset, 10, 20, 5.0);
        QTest::newRow("offset") << offset << QString();
        QTest::newRow("empty reason")
            << with(offset, [](Edit &e) { e.reason = QStringLiteral("  "); }) << "原因";
        QTest::newRow("from after to") << edit(1, EditOp::Remove, 20, 10) << "晚于";
        QTest::newRow("not a number") << edit(1, EditOp::Offset, 10, 20, qQNaN()) << "有效数字";
        QTest::newRow("drift end infinite") << edit(1, EditOp::Drift, 10, 20, 1.0, qInf()) << "有效数字";
        QTest::newRow("offset beyond 10 m") << edit(1, EditOp::Offset, 10, 20, 10001.0) << "超出范围";
        QTest::newRow("factor 0") << edit(1, EditOp::VelocityFactor, 10, 20, 0.0) << "大于0";
        QTest::newRow("no record") << with(offset, [](Edit &e) { e.from = e.to = at(10) + 1; }) << "没有记录";
        QTest::newRow("nothing to fill") << edit(1, EditOp::Fill, 10, 20) << "没有可插补";
        QTest::newRow("other file") << with(offset, [](Edit &e) { e.file = QStringLiteral("x.lmv"); })
                                    << "x.lmv";
    }
    void validationRefusesWithAMessage()
    {
        QFETCH(Edit, e);
        QFETCH(QString, message);
        const SurveyLayer raw = steady();
        const QString why = validateEdit(raw, e);
        QVERIFY2(message.isEmpty() ? why.isEmpty() : why.contains(message), qPrintable(why));
        // An edit that does not fit changes nothing when it is applied all the same.
        if (!message.isEmpty() && message != QStringLiteral("原因"))
            QVERIFY(sameBytes(applyEdits(raw, std::span(&e, 1)), raw));
    }

    void rvbLayersTakeRemovalOnly()
    {
        QByteArray file(int(kHeaderSize + 30 * kRvbRecordSize), '\0');
        ByteWriter out(file);
        out.u8(kTypeCodeOffset, kTypeCodeRvb);
        out.u8(kModelCodeOffset, 4);
        for (int i = 0; i < 30; ++i) {
            RvbRecord r;
            r.timeSeconds = quint32(86400 * 3650 + i * 300);
            r.channel[0] = 0.25f + 0.01f * float(i);
            r.encode(out, kHeaderSize + std::size_t(i) * kRvbRecordSize);
        }
        const SurveyLayer raw = fileLayer(file);
        QCOMPARE(raw.family, Family::Rvb);
        Edit e = edit(1, EditOp::Offset, 0, 0, 10.0);
        e.from = raw.times[5];
        e.to = raw.times[10];
        for (EditOp op : {EditOp::Fill, EditOp::Offset, EditOp::Drift, EditOp::VelocityFactor}) {
            e.op = op;
            QVERIFY(validateEdit(raw, e).contains(QStringLiteral("只能删除")));
            const SurveyLayer edited = applyEdits(raw, std::span(&e, 1));
            QVERIFY(edited.times == raw.times && edited.flags.empty());
        }
        e.op = EditOp::Remove;
        QVERIFY(validateEdit(raw, e).isEmpty());
        const SurveyLayer edited = applyEdits(raw, std::span(&e, 1));
        QCOMPARE(edited.size(), 24);
        QCOMPARE(edited.rvb[5].channel[0], raw.rvb[11].channel[0]);
        QCOMPARE(editVolumes(raw, std::span(&e, 1)).at(0).volumeM3, 0.0);
        // Rows of the file export without edits, a flag column and the removed rows with them.
        QVERIFY(formatRvbExport(file, ',').endsWith(formatLayerRows(raw, raw, ',', false)));
        const QList<QByteArray> rows = formatLayerRows(raw, edited, '\t', true).split('\n');
        QCOMPARE(rows.size(), 2 + 30 + 1);
        QVERIFY(rows.value(0).endsWith("\t数据标记\r"));
        QCOMPARE(rows.value(7), QByteArray("[2023-12-30 00:25:00]") + QByteArray(35, '\t') + "删除\r");
    }

    void driftOffsetsComeFromTheVisitsAround_data()
    {
        QTest::addColumn<QList<qint64>>("times"); // visits, with differences 1, 2, 3, ... mm
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("atFrom");
        QTest::addColumn<double>("atTo");
        // The range is [1000, 2000].
        QTest::newRow("visits around") << QList<qint64>{500, 900, 1500, 2100, 2500} << true << 2.0 << 4.0;
        QTest::newRow("visits on the ends") << QList<qint64>{1000, 2000} << true << 1.0 << 2.0;
        QTest::newRow("none before: from 0") << QList<qint64>{1500, 2200} << true << 0.0 << 2.0;
        QTest::newRow("none after") << QList<qint64>{500, 1999} << false << 0.0 << 0.0;
        QTest::newRow("two at one time: the later listed")
            << QList<qint64>{900, 900, 2000} << true << 2.0 << 3.0;
    }
    void driftOffsetsComeFromTheVisitsAround()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(bool, valid);
        QFETCH(double, atFrom);
        QFETCH(double, atTo);
        std::vector<VisitDifference> visits{{1200, qQNaN()}}; // passed over
        for (int i = 0; i < times.size(); ++i)
            visits.push_back({times[i], double(i + 1)});
        const DriftEnds ends = driftFromVisits(visits, 1000, 2000);
        QCOMPARE(ends.valid, valid);
        QCOMPARE(ends.message.isEmpty(), valid);
        if (valid) {
            QCOMPARE(ends.atFrom, atFrom);
            QCOMPARE(ends.atTo, atTo);
            QCOMPARE(ends.fromVisitFound, atFrom != 0.0);
        }
    }

    // Without edits the rows are the file export's own; with them a flag column follows and the
    // removed records stay listed without values.
    void exportRowsCarryTheFlags()
    {
        SurveyLayer raw = steady(6);
        raw.sources[0].header.calc.velocityCorrection = 1.1f;
        raw.sources[0].header.calc.flowCorrection = 0.9f;
        raw.sources[0].header.typeCode = kTypeCodeRva;
        QByteArray file(int(kHeaderSize + 6 * kRvaRecordSize), '\0');
        ByteWriter out(file);
        raw.sources[0].header.point.encode(out, 0);
        raw.sources[0].header.calc.encode(out, kCalcParamsOffset);
        out.u8(kTypeCodeOffset, kTypeCodeRva);
        for (int i = 0; i < 6; ++i)
            raw.rva[i].encode(out, kHeaderSize + std::size_t(i) * kRvaRecordSize);
        for (char sep : {',', '\t'})
            QVERIFY(formatRvaExport(file, sep).endsWith(formatLayerRows(raw, raw, sep, false)));

        const std::vector<Edit> edits{edit(1, EditOp::Remove, 2, 3), edit(2, EditOp::Fill, 3, 3),
                                      edit(3, EditOp::Offset, 3, 4, 100.0)};
        const SurveyLayer edited = applyEdits(raw, edits);
        const QList<QByteArray> rows = formatLayerRows(raw, edited, ',', true).split('\n');
        QCOMPARE(rows.value(0), QByteArray("序号,液位(m),流速(m/s),流量(L/s),记录时间,数据标记\r"));
        QCOMPARE(rows.value(2), QByteArray("1,0.500,0.440,198.000,[2024-03-11 00:02:00],原始\r"));
        QCOMPARE(rows.value(3), QByteArray("2,,,,[2024-03-11 00:04:00],删除\r"));
        QCOMPARE(rows.value(4), QByteArray("3,,,,[2024-03-11 00:06:00],删除\r"));
        QCOMPARE(rows.value(5), QByteArray(",0.600,0.440,237.600,[2024-03-11 00:06:00],插补、修正\r"));
        QCOMPARE(rows.value(6), QByteArray("4,0.600,0.440,237.600,[2024-03-11 00:08:00],修正\r"));
        QCOMPARE(rows.size(), 9); // six raw records, one filled, the column line and the last CR LF

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("survey.csv"));
        QCOMPARE(exportLayerRows(raw, edited, path, ExportFormat::Csv, true), int(ExportOk));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), formatLayerRows(raw, edited, ',', true));
        QCOMPARE(
            exportLayerRows(raw, edited, dir.filePath(QStringLiteral("none/x.csv")), ExportFormat::Csv, true),
            int(ExportWriteFailed));
    }
};

QTEST_APPLESS_MAIN(TestEdits)
#include "test_edits.moc"
