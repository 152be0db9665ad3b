// Fuzz entries of the rain gauge file reader: two option bytes choose the mapping (kind, separator,
// decimal comma, time form, header lines, columns, bucket size), the rest is the file. The storm
// events of whatever series comes out are found as well, and the series goes through the project
// database's column layout and back. A second entry reads that column as a damaged database could
// hand it over.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"

#include "survey/GaugeStore.h"
#include "survey/RainImport.h"
#include "survey/StormEvents.h"

#include <algorithm>
#include <cmath>

namespace lmv::fuzz {

namespace {

using namespace lmv::survey;

RainImportMapping mappingOf(std::uint8_t a, std::uint8_t b)
{
    static const RainKind kinds[] = {RainKind::Interval, RainKind::Cumulative, RainKind::Tips,
                                     RainKind::Interval};
    static const char separators[] = {0, ',', ';', '\t', ' ', '|', 0, 0};
    static const char *const formats[] = {kRainTimeIso, kRainTimeSlash, kRainTimeDayFirst,
                                          "yyyy年M月d日 H时m分[s秒]"};
    RainImportMapping m;
    m.kind = kinds[a & 3];
    m.separator = separators[(a >> 2) & 7];
    m.decimalComma = (a >> 5) & 1;
    m.timeFormat = QString::fromUtf8(formats[(a >> 6) & 3]);
    m.skipRows = b & 3;
    m.timeColumn = 1 + ((b >> 2) & 1);
    m.valueColumn = 1 + ((b >> 3) & 3);
    m.bucketMm = 0.1 * (1 + ((b >> 5) & 7));
    return m;
}

// Line ends in the raw bytes bound the lines of any decoding of them.
qsizetype lineBound(const QByteArray &bytes)
{
    return bytes.count('\n') + bytes.count('\r') + 1;
}

void checkSeries(const RainImportResult &r, const RainImportMapping &m)
{
    const RainSeries &s = r.series;
    require(s.times.size() == s.depthMm.size(), "a depth per time");
    require(std::adjacent_find(s.times.begin(), s.times.end(), std::greater_equal<qint64>()) == s.times.end(),
            "times strictly ascending");
    const double most = m.kind == RainKind::Tips ? kMaxTipsPerSecond * m.bucketMm + 1e-9 : kMaxDepthMm;
    for (std::size_t i = 0; i < s.times.size(); ++i) {
        const double d = s.depthMm[i];
        require(std::isfinite(d) && d >= 0.0 && d <= most, "depths finite, not negative, not huge");
        require(covers(s, s.times[i] - 1, s.times[i]), "every entry inside the covered spans");
    }
    for (qsizetype i = 0; i < s.covered.size(); ++i) {
        require(s.covered[i].start < s.covered[i].end, "covered spans not empty");
        require(i == 0 || s.covered[i - 1].end < s.covered[i].start, "covered spans ascending and apart");
    }
    require(r.holeDepthMm >= 0.0 && std::isfinite(r.holeDepthMm), "hole depth finite");
}

void checkEvents(const RainSeries &s)
{
    const StormEventOptions options;
    const StormEventList list = findStormEvents(s, options);
    double sum = 0.0;
    qint64 lastEnd = std::numeric_limits<qint64>::min();
    for (const StormEvent &e : list.events) {
        require(e.start <= e.end && e.start >= lastEnd, "events ordered and apart");
        require(e.depthMm >= options.minDepthMm - 1e-6, "events reach the minimum depth");
        for (const auto &peak : {e.peak5, e.peak15, e.peak60})
            require(!peak || (std::isfinite(*peak) && *peak >= 0.0), "peaks finite");
        require(e.dryHoursBefore >= 0.0, "dry time not negative");
        lastEnd = e.end;
        sum += e.depthMm;
    }
    require(sum <= list.totalDepthMm + 1e-6 * (1.0 + list.totalDepthMm), "events within the gauge's rain");
    stormEventsJson(QStringLiteral("g"), list);
}

} // namespace

int rainImport(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const RainImportMapping mapping = mappingOf(data[0], data[1]);
    const QByteArray file = raw(data + 2, size - 2);
    const RainImportResult r = importRain(file, mapping);

    const qsizetype bad = qsizetype(r.badRows.size());
    qsizetype previous = 0;
    for (const RainBadRow &row : r.badRows) {
        require(row.line > previous, "bad rows once each, by line");
        require(row.line > mapping.skipRows && row.line <= r.lines, "bad rows within the data lines");
        previous = row.line;
    }
    require(r.lines <= lineBound(file), "no more lines than line ends");
    if (r.refused()) {
        require(r.series.empty() && r.series.covered.isEmpty(), "a refused file leaves no series");
    } else {
        require(bad * 10 <= r.dataRows, "more than a tenth bad is refused");
        require(r.rowsRead + bad == r.dataRows, "every data row read or listed");
        require(!r.series.empty(), "an import has rain entries");
        checkSeries(r, mapping);
        checkEvents(r.series);
        RainSeries back;
        require(decodeRainSeries(encodeRainSeries(r.series), back), "an imported series can be stored");
        require(back.kind == r.series.kind && back.intervalSeconds == r.series.intervalSeconds &&
                    back.times == r.series.times && back.depthMm == r.series.depthMm &&
                    back.covered.size() == r.series.covered.size(),
                "a stored series reads back whole");
    }

    // The dialog's preview, and what the guessed mapping reads.
    const RainPreview preview = previewRain(file, mapping, 20);
    require(preview.rows.size() <= 20, "preview rows bounded");
    if (preview.error.isEmpty()) {
        require(rainMappingProblem(preview.guess).isEmpty(), "the guess is a usable mapping");
        const RainImportResult guessed = importRain(file, preview.guess);
        require(guessed.refused() || guessed.rowsRead + qsizetype(guessed.badRows.size()) == guessed.dataRows,
                "guessed mapping reads or lists every row");
    }
    return 0;
}

int gaugeSeries(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = raw(data, size);
    RainSeries s;
    QString error;
    if (!decodeRainSeries(bytes, s, &error)) {
        require(s.empty() && s.covered.isEmpty() && !error.isEmpty(),
                "a refused column leaves no series, says why");
        return 0;
    }
    require(rainSeriesProblem(s).isEmpty(), "a decoded series is sound");
    require(encodeRainSeries(s) == bytes, "one layout per series: written back byte for byte");
    const qint64 from = s.covered.front().start, to = s.covered.back().end;
    const qint64 covered = coveredSeconds(s, from, to);
    require(covered > 0 && covered <= to - from, "covered time within the record");
    double total = 0.0;
    for (const double d : s.depthMm)
        total += d;
    require(std::abs(depthBetween(s, from, to) - total) <= 1e-9 * (1.0 + total),
            "the record holds all its rain");
    checkEvents(s);
    return 0;
}

} // namespace lmv::fuzz
