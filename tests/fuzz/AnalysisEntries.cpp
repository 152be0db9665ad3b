// Fuzz entries of what the record windows compute from an opened data file: the hydrograph's
// series and their reduction to pixel columns, and the data check with its CSV export. The file
// is read from a scratch file with the reader the windows use; option bytes before it choose
// units, corrections, the shown point and the visible range.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"
#include "tests/fuzz/FuzzFiles.h"

#include "data/CheckExport.h"
#include "data/DataFile.h"
#include "data/FlowVolume.h"
#include "data/PipeCurves.h"
#include "data/PipeLimits.h"
#include "data/PlotReduce.h"
#include "data/PlotSeries.h"
#include "data/SedimentFit.h"
#include "data/SedimentTrust.h"
#include "data/Statistics.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace lmv::fuzz {

namespace {

constexpr qint64 kDay = 86400;

// Bytes that stand for a value in the determinism comparisons: equal bits, not equal values, so
// that NaN compares equal to itself and -0 differs from 0.
template <typename T>
void put(QByteArray &out, const T &value)
{
    out.append(reinterpret_cast<const char *>(&value), int(sizeof value));
}

float f32At(const std::uint8_t *at)
{
    float v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

bool ascending(std::span<const qint64> times)
{
    return std::is_sorted(times.begin(), times.end());
}

// ---------------------------------------------------------------------------------------------
// Series and reduction

// Option bytes of plot_series, then the data file.
struct PlotOptions
{
    std::uint8_t units = 0;  // level (bit 0), velocity (bit 1), flow (bits 2-3), unknown flow label (4)
    std::uint8_t update = 0; // the same for the unit change afterwards; bit 5: fuzzed corrections
    std::uint8_t pixels = 0; // width (bits 0-2), reversed axis (3), series selection (bits 4-5)
    std::uint8_t from = 0;   // visible range start and width in 1/128 of the time span
    std::uint8_t width = 0;
    float velocityCorrection = 1.0f;
    float flowCorrection = 1.0f;
    static constexpr std::size_t kSize = 13;

    static PlotOptions read(const std::uint8_t *data, std::size_t size)
    {
        PlotOptions o;
        if (size < kSize)
            return o;
        o.units = data[0];
        o.update = data[1];
        o.pixels = data[2];
        o.from = data[3];
        o.width = data[4];
        o.velocityCorrection = f32At(data + 5);
        o.flowCorrection = f32At(data + 9);
        return o;
    }
};

// The RVA unit row with the chosen units, as the detail table's header holds it.
QStringList unitLabels(std::uint8_t choice)
{
    QStringList labels = RvaUnitLabels;
    labels[kRvaLevelUnitColumn] = LevelUnits.at(choice & 1).label;
    labels[kRvaVelocityUnitColumn] = VelocityUnits.at(choice >> 1 & 1).label;
    labels[kRvaFlowUnitColumn] =
        choice & 0x10 ? QStringLiteral("(gal/s)") : FlowUnits.at(choice >> 2 & 3).label;
    return labels;
}

CalcParams corrections(const PlotOptions &o, const CalcParams &fromFile, bool fuzzed)
{
    CalcParams c = fromFile;
    if (fuzzed) {
        c.velocityCorrection = o.velocityCorrection;
        c.flowCorrection = o.flowCorrection;
    }
    return c;
}

PlotData rvaData(const DataFileContents &file, const CalcParams &calc, std::uint8_t units)
{
    const QStringList labels = unitLabels(units);
    return rvaPlotData(file.rva, file.header.calc.recordInterval, calc, refreshUnitFactors(labels), labels);
}

void putSeries(QByteArray &out, const PlotData &data)
{
    for (qint64 t : data.times)
        put(out, t);
    put(out, data.nominal);
    put(out, data.flowFactor);
    for (const TimeGap &g : data.gaps) {
        put(out, g.before);
        put(out, g.start);
        put(out, g.end);
    }
    for (const PlotSeries &s : data.series) {
        out += s.key.toUtf8() + '\0' + s.title.toUtf8() + '\0';
        out.append(reinterpret_cast<const char *>(s.values.data()), int(s.values.size() * sizeof(float)));
    }
}

void checkSeriesShape(const PlotData &data, std::size_t records, const QStringList &keys)
{
    require(data.times.size() == records, "series times vs records");
    require(data.series.size() == std::size_t(keys.size()), "series count");
    for (std::size_t k = 0; k < data.series.size(); ++k)
        require(data.series[k].key == keys.at(int(k)) && data.series[k].values.size() == records,
                "series key or length");
    require(data.nominal >= 0, "negative nominal step");
    for (const TimeGap &g : data.gaps)
        require(g.before >= 0 && std::size_t(g.before) + 1 < records && isGapStep(g.seconds(), data.nominal),
                "gap");
}

// The keys kept by selectSeries: all of them, a subset in reversed order, one of the other family
// (refused), or none.
QStringList chosenKeys(const QStringList &all, const QStringList &other, std::uint8_t pixels,
                       std::uint8_t mask)
{
    switch (pixels >> 4 & 3) {
    case 0:
        return all;
    case 1: {
        QStringList keys;
        for (int k = int(all.size()) - 1; k >= 0; --k)
            if (mask >> (k % 8) & 1)
                keys << all.at(k);
        return keys;
    }
    case 2:
        return {all.first(), other.at(mask % other.size())};
    }
    return {};
}

void checkSelection(PlotData &data, const QStringList &keys)
{
    const PlotData before = data;
    QString unknown;
    const bool ok = selectSeries(data, keys, &unknown);
    QString firstUnknown;
    for (const QString &key : keys)
        if (firstUnknown.isEmpty() && std::none_of(before.series.begin(), before.series.end(),
                                                   [&](const PlotSeries &s) { return s.key == key; }))
            firstUnknown = key;
    require(ok == firstUnknown.isEmpty(), "selection result vs keys");
    QByteArray a, b;
    putSeries(a, before);
    if (!ok) {
        require(unknown == firstUnknown, "unknown key not named");
        putSeries(b, data);
        require(a == b, "refused selection changed the data");
        return;
    }
    checkSeriesShape(data, before.times.size(), keys);
    for (const PlotSeries &s : data.series) {
        const auto from = std::find_if(before.series.begin(), before.series.end(),
                                       [&](const PlotSeries &p) { return p.key == s.key; });
        QByteArray picked, source;
        PlotData one, theirs;
        one.series = {s};
        theirs.series = {*from};
        putSeries(picked, one);
        putSeries(source, theirs);
        require(picked == source, "selected series differs from its source");
    }
}

// Every record of the range drawn one by one, with the breaks the curve makes: what the reduced
// points must draw the same pixels as.
struct FullPoint
{
    std::size_t index;
    bool breakBefore;
    qint64 column;
};

std::vector<FullPoint> allPoints(std::span<const qint64> times, std::span<const float> values,
                                 IndexRange range, const PixelMap &map, qint64 nominal)
{
    std::vector<FullPoint> points;
    bool newRun = true;
    for (std::size_t i = range.first; i < range.last; ++i) {
        if (!std::isfinite(values[i])) {
            newRun = true;
            continue;
        }
        if (i > range.first && isGapStep(times[i] - times[i - 1], nominal))
            newRun = true;
        points.push_back({i, newRun, map.column(double(times[i]))});
        newRun = false;
    }
    return points;
}

// The kept points draw what all points draw: in each stretch of one run on one pixel column they
// hold the first and the last point and the lowest and highest value, at most four points, and a
// run starts where it starts in the full line.
void checkKept(std::span<const qint64> times, std::span<const float> values, IndexRange range,
               const PixelMap &map, qint64 nominal, const std::vector<KeptPoint> &kept)
{
    const std::vector<FullPoint> full = allPoints(times, values, range, map, nominal);
    struct Stretch
    {
        std::size_t first, last;
        float low, high;
        int kept = 0;
        bool keptFirst = false, keptLast = false;
        float keptLow = std::numeric_limits<float>::infinity();
        float keptHigh = -std::numeric_limits<float>::infinity();
    };
    std::vector<Stretch> stretches;
    std::vector<int> stretchOf(range.size(), -1);
    std::vector<char> breakAt(range.size(), 0);
    for (std::size_t p = 0; p < full.size(); ++p) {
        const FullPoint &f = full[p];
        const float v = values[f.index];
        if (p == 0 || f.breakBefore || f.column != full[p - 1].column)
            stretches.push_back({f.index, f.index, v, v});
        Stretch &s = stretches.back();
        s.last = f.index;
        s.low = std::min(s.low, v);
        s.high = std::max(s.high, v);
        stretchOf[f.index - range.first] = int(stretches.size()) - 1;
        breakAt[f.index - range.first] = f.breakBefore;
    }
    std::size_t previous = 0;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const KeptPoint &p = kept[k];
        require(p.index >= range.first && p.index < range.last, "kept point outside the visible range");
        require(k == 0 || p.index > previous, "kept points not ascending");
        previous = p.index;
        const int at = stretchOf[p.index - range.first];
        require(at >= 0, "kept point that the full line leaves out");
        require(p.breakBefore == bool(breakAt[p.index - range.first]), "kept point breaks elsewhere");
        Stretch &s = stretches[std::size_t(at)];
        ++s.kept;
        s.keptFirst |= p.index == s.first;
        s.keptLast |= p.index == s.last;
        s.keptLow = std::min(s.keptLow, values[p.index]);
        s.keptHigh = std::max(s.keptHigh, values[p.index]);
    }
    for (const Stretch &s : stretches) {
        require(s.kept <= 4, "more than four kept points in a pixel column");
        require(s.keptFirst && s.keptLast, "first or last point of a pixel column left out");
        require(s.keptLow == s.low && s.keptHigh == s.high,
                "lowest or highest point of a pixel column left out");
    }
}

// Lowest and highest finite value with its time in [from, to], by looking at every record.
bool rangeOfAll(std::span<const qint64> times, std::span<const float> values, double from, double to,
                double &low, double &high)
{
    bool any = false;
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (!std::isfinite(values[i]) || double(times[i]) < from || double(times[i]) > to)
            continue;
        low = any ? std::min(low, double(values[i])) : double(values[i]);
        high = any ? std::max(high, double(values[i])) : double(values[i]);
        any = true;
    }
    return any;
}

void reduceSeries(QByteArray &out, const PlotData &data, const PlotSeries &series, double from, double to,
                  const PixelMap &map)
{
    const std::span<const qint64> times = data.times;
    const std::span<const float> values = series.values;
    const IndexRange range = visibleRange(times, from, to);
    require(range.first <= range.last && range.last <= times.size(), "visible range outside the records");
    require(!times.empty() || range.size() == 0, "visible range without records");
    put(out, range.first);
    put(out, range.last);

    const ValueBlocks blocks = summarizeBlocks(times, values, data.nominal);
    std::vector<KeptPoint> plain, quick;
    reduceM4(times, values, range, map, data.nominal, plain);
    reduceM4(times, values, range, map, data.nominal, quick, &blocks);
    require(plain.size() == quick.size(), "block summaries change the kept points");
    for (std::size_t k = 0; k < plain.size(); ++k)
        require(plain[k].index == quick[k].index && plain[k].breakBefore == quick[k].breakBefore,
                "block summaries change the kept points");
    checkKept(times, values, range, map, data.nominal, plain);
    for (const KeptPoint &p : plain) {
        put(out, p.index);
        put(out, p.breakBefore);
    }

    double low = 0, high = 0, blockLow = 0, blockHigh = 0;
    const bool any = valueRange(times, values, from, to, low, high);
    require(valueRange(times, values, from, to, blockLow, blockHigh, &blocks) == any,
            "block summaries change the value range");
    if (any) {
        require(!std::isnan(low) && !std::isnan(high) && low <= high, "value range NaN or upside down");
        require(std::memcmp(&low, &blockLow, sizeof low) == 0 &&
                    std::memcmp(&high, &blockHigh, sizeof high) == 0,
                "block summaries change the value range");
        put(out, low);
        put(out, high);
    }
    double allLow = 0, allHigh = 0;
    if (ascending(times))
        require(rangeOfAll(times, values, from, to, allLow, allHigh) == any &&
                    (!any || (allLow == low && allHigh == high)),
                "value range is not the range of the records inside");
}

// The record nearest to a time: inside, and with ascending times no neighbour nearer (the earlier
// one on a tie).
void checkNearest(QByteArray &out, std::span<const qint64> times, double seconds)
{
    const qsizetype at = nearestRecord(times, seconds);
    put(out, at);
    if (times.empty()) {
        require(at == -1, "nearest record without records");
        return;
    }
    require(at >= 0 && std::size_t(at) < times.size(), "nearest record outside the records");
    if (!ascending(times))
        return;
    const auto i = std::size_t(at);
    const double d = std::abs(seconds - double(times[i]));
    require(i == 0 || std::abs(seconds - double(times[i - 1])) > d, "an earlier record is as near");
    require(i + 1 == times.size() || std::abs(double(times[i + 1]) - seconds) >= d,
            "a later record is nearer");
}

// The volume between two times from the flow series, converted to L/s as the cursor readout does:
// the same whichever end comes first, no more than the whole survey's, and the whole survey's
// is the sum of its days (the daily table's rule).
void checkVolume(QByteArray &out, const PlotData &data, double from, double to)
{
    const PlotSeries *flow = data.flow();
    if (!flow)
        return;
    std::vector<float> litres(flow->values.size());
    bool nonNegative = true;
    for (std::size_t i = 0; i < litres.size(); ++i) {
        litres[i] = flow->values[i] / data.flowFactor;
        nonNegative &= !(litres[i] < 0.0f);
    }
    const auto clamp = [](double s) { return qint64(std::clamp(s, -9.0e15, 9.0e15)); };
    const TimeSpan range{clamp(from), clamp(to)};
    const FlowVolume volume = flowVolume(data.times, litres, data.nominal, range, 1.0f, data.possible);
    const FlowVolume reversed =
        flowVolume(data.times, litres, data.nominal, TimeSpan{range.end, range.start}, 1.0f, data.possible);
    require(std::memcmp(&volume.m3, &reversed.m3, sizeof volume.m3) == 0 &&
                volume.seconds == reversed.seconds,
            "volume depends on the order of its ends");
    require(volume.seconds >= 0 && volume.seconds <= std::abs(range.end - range.start),
            "counted seconds beyond the range");
    const FlowVolume whole = flowVolume(data.times, litres, data.nominal, std::nullopt, 1.0f, data.possible);
    require(volume.seconds <= whole.seconds, "a range counts more than the whole survey");
    qint64 daySeconds = 0;
    double dayVolume = 0.0;
    for (const DailyFlowVolume &d : dailyFlowVolumes(data.times, litres, data.nominal, 1.0f, data.possible)) {
        require(d.volume.seconds > 0 && d.volume.seconds <= kDay, "a day counted beyond its length");
        daySeconds += d.volume.seconds;
        dayVolume += d.volume.m3;
    }
    require(daySeconds == whole.seconds, "days do not add up to the whole survey");
    if (std::isfinite(whole.m3))
        require(std::abs(dayVolume - whole.m3) <= 1e-9 * std::max(1.0, std::abs(whole.m3)),
                "day volumes do not add up to the whole survey");
    if (nonNegative)
        require(std::isfinite(volume.m3) && volume.m3 >= 0.0,
                "volume of non-negative flows negative or not finite");
    put(out, volume.m3);
}

// Everything plot_series computes, as bytes for the determinism comparison.
QByteArray seriesDigest(const PlotOptions &o, const DataFileContents &file)
{
    QByteArray out;
    const DataFileHeader &h = file.header;
    const bool rva = h.family == Family::Rva;
    PlotData data;
    if (rva) {
        const CalcParams first = corrections(o, h.calc, o.units & 0x20);
        const CalcParams second = corrections(o, h.calc, o.update & 0x20);
        data = rvaData(file, first, o.units);
        checkSeriesShape(data, file.rva.size(), rvaSeriesKeys());
        require(data.flow() != nullptr || data.flowFactor == 0.0f, "RVA data without its flow series");
        // A unit or correction change refills the values as a fresh build with them would.
        const QStringList labels = unitLabels(o.update);
        updateRvaSeries(data, file.rva, second, refreshUnitFactors(labels), labels);
        QByteArray updated, fresh;
        putSeries(updated, data);
        putSeries(fresh, rvaData(file, second, o.update));
        require(updated == fresh, "unit change differs from a fresh build");
    } else {
        data = rvbPlotData(file.rvb, h.device.modelCode());
        checkSeriesShape(data, file.rvb.size(), rvbSeriesKeys());
        require(data.flow() == nullptr, "RVB data with a flow series");
    }
    putSeries(out, data);

    const std::span<const qint64> times = data.times;
    const qint64 t0 = times.empty() ? 0 : *std::min_element(times.begin(), times.end());
    const qint64 t1 = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
    const double span = double(t1 - t0);
    const double from = double(t0) + span * (double(o.from) - 32.0) / 128.0;
    const double to = from + span * double(o.width) / 128.0;
    static const double widths[] = {0.0, 1.0, 2.0, 7.0, 100.0, 640.0, 1600.0, 3000.0};
    const double p1 = 37.0;
    const double p2 = o.pixels & 8 ? p1 - widths[o.pixels & 7] : p1 + widths[o.pixels & 7];
    const PixelMap map = PixelMap::fromRange(from, to, p1, p2);

    checkVolume(out, data, double(t0), double(t1));
    checkVolume(out, data, from, to);
    for (const double s : {from, to, (from + to) / 2.0, double(t0) - 1.0, double(t1) + 0.5})
        checkNearest(out, times, s);

    const QStringList all = rva ? rvaSeriesKeys() : rvbSeriesKeys();
    checkSelection(data, chosenKeys(all, rva ? rvbSeriesKeys() : rvaSeriesKeys(), o.pixels, o.width));
    for (const PlotSeries &s : data.series)
        reduceSeries(out, data, s, from, to, map);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Data check

// Option byte of survey_check: bit 0 checks with the corrections and point record given after it
// instead of the file's own (a window shows the point it was opened from and lets the user edit
// the corrections); bit 1 exports over an existing file. Then two floats, 88 bytes of point
// record and the data file.
constexpr std::size_t kCheckOptions = 1 + 8 + 88;

void putFinding(QByteArray &out, const Finding &f)
{
    put(out, f.kind);
    put(out, f.value);
    put(out, f.aboutAnHour);
    put(out, f.firstRecord);
    put(out, f.lastRecord);
    put(out, f.start);
    put(out, f.end);
    put(out, f.seconds);
    put(out, f.extreme);
}

void putDay(QByteArray &out, const DayVolume &d)
{
    put(out, d.day);
    put(out, d.records);
    put(out, d.countedSeconds);
    put(out, d.volumeM3);
    put(out, d.minFlow);
    put(out, d.maxFlow);
    put(out, d.maxLevel);
    put(out, d.surchargeSeconds);
    put(out, d.hasValues);
}

QByteArray checkBytes(const SurveyCheck &c)
{
    QByteArray out;
    put(out, c.family);
    put(out, c.records);
    put(out, c.intervalSeconds);
    for (const Finding &f : c.findings)
        putFinding(out, f);
    out += c.channelNames.join(QLatin1Char('$')).toUtf8();
    for (qsizetype n :
         {c.gaps, c.duplicatesSame, c.duplicatesDifferent, c.backwardSteps, c.hourSteps, c.irregularSteps})
        put(out, n);
    put(out, c.surchargeSeconds);
    put(out, c.weakPowerSeconds);
    put(out, c.weakSignalSeconds);
    for (const DayVolume &d : c.days)
        putDay(out, d);
    putDay(out, c.total);
    return out;
}

bool isStep(FindingKind kind)
{
    return kind <= FindingKind::IrregularStep;
}

qint64 secondsOf(const SurveyCheck &c, FindingKind kind)
{
    qint64 sum = 0;
    for (const Finding &f : c.findings)
        sum += f.kind == kind ? f.seconds : 0;
    return sum;
}

void checkFindings(const SurveyCheck &c, qsizetype records)
{
    require(c.records == records, "checked record count");
    qsizetype hour = 0;
    for (qsizetype k = 0; k < c.findings.size(); ++k) {
        const Finding &f = c.findings[k];
        require(f.wholeFile() ||
                    (f.firstRecord >= 0 && f.firstRecord <= f.lastRecord && f.lastRecord < records),
                "finding records outside the file");
        if (k > 0) {
            const Finding &p = c.findings[k - 1];
            require(p.firstRecord < f.firstRecord || (p.firstRecord == f.firstRecord && p.kind <= f.kind),
                    "findings not by record, then kind");
        }
        if (f.wholeFile()) {
            require(f.lastRecord == kWholeFile, "whole-file finding with a record");
            continue;
        }
        // A step runs from a record to the next with a possible time (impossible ones between).
        if (isStep(f.kind))
            require(f.lastRecord > f.firstRecord && f.seconds == f.end - f.start, "step finding");
        else
            require(f.seconds >= 0, "negative duration");
        hour += f.aboutAnHour ? 1 : 0;
    }
    require(c.gaps == c.count(FindingKind::Gap) && c.duplicatesSame == c.count(FindingKind::DuplicateSame) &&
                c.duplicatesDifferent == c.count(FindingKind::DuplicateDifferent) &&
                c.backwardSteps == c.count(FindingKind::BackwardStep) &&
                c.irregularSteps == c.count(FindingKind::IrregularStep) && c.hourSteps == hour,
            "step counts vs findings");
    require(c.surchargeSeconds == secondsOf(c, FindingKind::Surcharge) &&
                c.weakPowerSeconds == secondsOf(c, FindingKind::WeakPower) &&
                c.weakSignalSeconds == secondsOf(c, FindingKind::WeakSignal),
            "period totals vs findings");
    require(c.intervalSeconds >= 0, "negative interval");
}

// The daily table of an RVA check: finite volumes, coverage within [0, 1], every record on one
// day, the total the sum of the days, and every counted interval spread over its days exactly.
void checkDays(const SurveyCheck &c, const std::vector<RvaRecord> &records, const CalcParams &calc)
{
    qsizetype dayRecords = 0;
    qint64 counted = 0, surcharged = 0;
    double volume = 0.0;
    for (qsizetype k = 0; k < c.days.size(); ++k) {
        const DayVolume &d = c.days[k];
        require(k == 0 || c.days[k - 1].day < d.day, "days not ascending");
        require(std::isfinite(d.volumeM3), "day volume not finite");
        const double coverage = d.coverage();
        require(coverage >= 0.0 && coverage <= 1.0, "day coverage outside [0, 1]");
        require(!d.hasValues || d.minFlow <= d.maxFlow, "day flow range upside down");
        // No second of a day is counted twice, a clock set back or not, and no day without a
        // record of its own is credited.
        require(d.countedSeconds <= kDay && d.surchargeSeconds <= kDay, "day counted beyond its length");
        require(d.records > 0, "a day without records in the table");
        dayRecords += d.records;
        counted += d.countedSeconds;
        surcharged += d.surchargeSeconds;
        volume += d.volumeM3;
    }
    const DayVolume &t = c.total;
    // Records whose times name no moment are on no day.
    const std::vector<std::uint8_t> possible = possibleTimes(records);
    const auto possibleCount =
        qsizetype(possible.empty() ? records.size() : std::count(possible.begin(), possible.end(), 1));
    require(dayRecords == possibleCount && t.records == dayRecords, "records vs days");
    require(t.countedSeconds == counted && t.surchargeSeconds == surcharged, "total seconds vs days");
    require(std::isfinite(t.volumeM3) &&
                std::abs(t.volumeM3 - volume) <= 1e-9 * std::max(1.0, std::abs(volume)),
            "total volume is not the sum of the days");
    const double coverage = t.coverage(c.days.size());
    require(coverage >= 0.0 && coverage <= 1.0, "total coverage outside [0, 1]");

    // The counted seconds of the records whose flow counts, split over days, add up to the same.
    const std::vector<qint64> steps = countedSeconds(clockSeconds(records), c.intervalSeconds, possible);
    qint64 expected = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        require(steps[i] >= 0 && steps[i] <= kDay, "counted seconds of a record");
        require(possible.empty() || possible[i] || steps[i] == 0, "an impossible time counted");
        const float flow = records[i].flow * calc.velocityCorrection * calc.flowCorrection;
        expected += std::isfinite(flow) ? steps[i] : 0;
    }
    require(counted == expected, "counted seconds lost or counted twice across days");
    // No second is counted for two records, however the clock went back and forth.
    const std::vector<qint64> times = clockSeconds(records);
    std::vector<std::pair<qint64, qint64>> pieces;
    for (std::size_t i = 0; i < records.size(); ++i)
        if (steps[i] > 0)
            pieces.push_back({times[i], times[i] + steps[i]});
    std::sort(pieces.begin(), pieces.end());
    for (std::size_t k = 1; k < pieces.size(); ++k)
        require(pieces[k].first >= pieces[k - 1].second, "two records count the same second");
}

// The CSV export: written as formatted, one line per day and finding, each with its field count.
void checkExport(const SurveyCheck &c, bool overwrite)
{
    const QString path = scratch() + QStringLiteral("check.csv");
    if (overwrite)
        writeFile(path, QByteArrayLiteral("old"));
    else
        QFile::remove(path);
    require(exportCheckCsv(c, path), "check export failed");
    qint64 size = 0;
    const QByteArray written = readFile(path, &size);
    const QByteArray text = formatCheckCsv(c);
    require(written == text, "exported file differs from the formatted text");
    require(text.endsWith("\r\n"), "export does not end its last line");
    const QList<QByteArray> lines = text.left(text.size() - 2).split('\n');
    const qsizetype head = c.family == Family::Rva ? 4 + c.days.size() + 1 : 2;
    require(lines.size() == head + 1 + c.findings.size(), "export line count");
    for (qsizetype k = 0; k < lines.size(); ++k) {
        require(k + 1 == lines.size() || lines[k].endsWith('\r'), "export line without CR LF");
        const qsizetype commas = lines[k].count(',');
        if (k >= 4 && k < head)
            require(commas == 8, "day line field count");
        else if (k > head)
            require(commas == 6, "finding line field count");
    }
}

// ---------------------------------------------------------------------------------------------
// Sediment fit

// Option byte of sediment_fit: bit 0 takes the pipe from the 20 bytes after it (shape, height,
// width, upper base, sediment) instead of the file's, bit 1 the velocity correction as well
// (4 more bytes). Then the data file.
constexpr std::size_t kFitOptions = 1 + 20 + 4;

QByteArray sweepBytes(const SedimentSweep &w, const SedimentTrust &t)
{
    QByteArray out;
    put(out, w.bestMm);
    put(out, w.fileMm);
    for (const LanfearCollFit &f : {w.best, w.fileFit}) {
        put(out, f.coefficient);
        put(out, f.rmse);
        put(out, f.records);
        put(out, f.leftOut);
    }
    for (double r : w.rmseByMm)
        put(out, r);
    out.append(w.kept.data(), int(w.kept.size()));
    put(out, t.level);
    put(out, t.used);
    put(out, t.leftOut);
    for (int mm : {t.earlyMm, t.lateMm, t.lowMm, t.highMm, t.flatFromMm, t.flatToMm, t.largestDifferenceMm})
        put(out, mm);
    out += t.reasons.join(QLatin1Char('\n')).toUtf8();
    return out;
}

// The sweep of an impossible pipe works out nothing; that of a possible one is bounded by the
// records (no depth above the highest surface, none above half the pipe), uses each record at
// most once, and its trust rests on the figures it names.
void checkSweep(const PipeGeometry &pipe, std::span<const float> levels, std::span<const float> velocities,
                const SedimentSweep &w, const SedimentTrust &t)
{
    const std::size_t n = levels.size();
    if (!pipePossible(pipe)) {
        require(w.bestMm == -1 && w.rmseByMm.empty() && w.kept.empty() && !w.fileFit.valid(),
                "impossible pipe swept");
        require(t.level == SedimentTrustLevel::Low, "trust without an estimate");
        return;
    }
    const double top = pipeTopMetres(pipe) * 1000.0;
    double highest = 0.0;
    qsizetype usable = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double surface = double(levels[i]) * 1000.0 + double(pipe.sediment);
        if (std::isfinite(levels[i]) && std::isfinite(velocities[i]) && velocities[i] > 0.0f &&
            surface > 0.0 && surface < top) {
            highest = std::max(highest, surface);
            ++usable;
        }
    }
    require(w.rmseByMm.size() <= std::size_t(std::min(top / 2.0, highest + 1.0)) + 1,
            "sweep larger than the records reach");
    require(w.bestMm < int(w.rmseByMm.size()), "estimate outside the depths swept");
    require(w.best.records + w.best.leftOut <= usable && w.fileFit.records + w.fileFit.leftOut <= usable,
            "a fit uses more records than can be");
    if (w.bestMm < 0) {
        require(t.level == SedimentTrustLevel::Low, "trust without an estimate");
        return;
    }
    require(w.kept.size() == n, "kept flags per record");
    require(qsizetype(std::count(w.kept.begin(), w.kept.end(), 1)) == w.best.records,
            "kept flags vs records used");
    require(t.used == w.best.records && t.leftOut == w.best.leftOut, "trust names other records");
    require(t.reasons.isEmpty() == (t.level == SedimentTrustLevel::Good), "trust level without its reasons");
    for (int part : {t.earlyMm, t.lateMm, t.lowMm, t.highMm})
        require(part >= -1 && part < int(w.rmseByMm.size()), "part estimate outside the depths");
    require(t.lowestLevel <= t.highestLevel, "level range upside down");
}

} // namespace

int sedimentFit(const std::uint8_t *data, std::size_t size)
{
    const std::uint8_t options = size ? data[0] : 0;
    const QByteArray file = body(data, size, kFitOptions);
    const QString path = scratch() + QStringLiteral("fitted.lmv");
    writeFile(path, file);
    DataFileContents contents;
    if (lmv::readDataFile(path, contents) != ReadOk || contents.header.family != Family::Rva)
        return 0;
    PipeGeometry pipe = pipeGeometryFrom(contents.header.point);
    float correction = contents.header.calc.velocityCorrection;
    if (size >= kFitOptions) {
        std::uint32_t v[5];
        std::memcpy(v, data + 1, sizeof v);
        if (options & 1)
            pipe = pipeGeometryFrom(v[0], v[1], v[2], v[3], v[4]);
        if (options & 2)
            correction = f32At(data + 21);
    }
    std::vector<float> levels, velocities;
    for (const RvaRecord &r : contents.rva) {
        levels.push_back(r.level);
        velocities.push_back(r.velocity * correction);
    }
    const SedimentSweep sweep = sweepSediment(pipe, levels, velocities);
    const SedimentTrust trust = assessSediment(pipe, levels, velocities, sweep);
    checkSweep(pipe, levels, velocities, sweep, trust);
    const SedimentSweep again = sweepSediment(pipe, levels, velocities);
    require(sweepBytes(again, assessSediment(pipe, levels, velocities, again)) == sweepBytes(sweep, trust),
            "second sweep differs");
    return 0;
}

int plotSeries(const std::uint8_t *data, std::size_t size)
{
    const PlotOptions options = PlotOptions::read(data, size);
    const QByteArray file = body(data, size, PlotOptions::kSize);
    const QString path = scratch() + QStringLiteral("plot.lmv");
    writeFile(path, file);
    DataFileContents contents;
    if (lmv::readDataFile(path, contents) != ReadOk)
        return 0;
    const QByteArray first = seriesDigest(options, contents);
    require(seriesDigest(options, contents) == first, "second run differs");
    return 0;
}

int surveyCheck(const std::uint8_t *data, std::size_t size)
{
    const std::uint8_t options = size ? data[0] : 0;
    CalcParams given;
    PipeSaveIntoTfType point;
    if (size >= kCheckOptions) {
        given.velocityCorrection = f32At(data + 1);
        given.flowCorrection = f32At(data + 5);
        point = PipeSaveIntoTfType::fromBytes(body(data, kCheckOptions, 9));
    }
    const QByteArray file = body(data, size, kCheckOptions);
    const QString path = scratch() + QStringLiteral("checked.lmv");
    writeFile(path, file);

    // checkFile reads the file as the check of a stored file does; the window checks the records
    // it holds, with the corrections and point it shows.
    SurveyCheck ofFile;
    const int result = checkFile(path, ofFile);
    DataFileContents contents;
    require(lmv::readDataFile(path, contents) == result, "check read result differs from the reader's");
    if (result != ReadOk)
        return 0;
    require(checkBytes(ofFile) == checkBytes(checkContents(contents)),
            "file check differs from the records' check");

    const DataFileHeader &h = contents.header;
    SurveyCheck check;
    CalcParams calc = h.calc;
    if (h.family == Family::Rva) {
        if (options & 1) {
            calc.velocityCorrection = given.velocityCorrection;
            calc.flowCorrection = given.flowCorrection;
        } else {
            point = h.point;
        }
        check = checkRva(contents.rva, calc, point);
        require(check.family == Family::Rva, "RVA check family");
        checkFindings(check, qsizetype(contents.rva.size()));
        checkDays(check, contents.rva, calc);
        require(checkBytes(checkRva(contents.rva, calc, point)) == checkBytes(check), "second check differs");
    } else {
        check = checkRvb(contents.rvb, h.device.modelCode());
        require(check.family == Family::Rvb, "RVB check family");
        checkFindings(check, qsizetype(contents.rvb.size()));
        require(check.days.isEmpty() && check.total.records == 0 && check.total.volumeM3 == 0.0,
                "RVB check with a daily table");
        require(check.channelNames.isEmpty() || check.channelNames.size() == 6, "channel names");
        require(checkBytes(checkRvb(contents.rvb, h.device.modelCode())) == checkBytes(check),
                "second check differs");
    }
    for (const Finding &f : check.findings)
        require(!findingDetail(f, check.channelNames).contains(QLatin1Char(',')),
                "comma in a finding detail");
    checkExport(check, options & 2);

    qint64 after = 0;
    require(readFile(path, &after) == file && after == file.size(), "the check changed the data file");
    return 0;
}

} // namespace lmv::fuzz
