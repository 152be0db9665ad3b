// Fuzz entry of the survey join: a point's data files (damaged, overlapping, clocks set back,
// families mixed) joined into one layer, then the check and tables over it. Input: an option
// byte (bits 0-1: files - 1; bit 2: a period), four bytes of period (start offset in minutes,
// length in ten-minute steps, from the earliest record), then per file a 16-bit length and its
// bytes (the last file takes what is left).
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"
#include "tests/fuzz/FuzzFiles.h"

#include "data/DataFile.h"
#include "survey/SurveyFigures.h"
#include "survey/SurveyJoin.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lmv::fuzz {

using namespace lmv::survey;

namespace {

constexpr std::size_t kJoinOptions = 5;

bool sameRecord(const SurveyLayer &layer, qsizetype i, const DataFileContents &file)
{
    const auto k = std::size_t(layer.sourceRecord[std::size_t(i)]);
    if (layer.family == Family::Rva)
        return k < file.rva.size() &&
               std::memcmp(&layer.rva[std::size_t(i)].level, &file.rva[k].level, 4) == 0 &&
               layer.rva[std::size_t(i)].time == file.rva[k].time;
    return k < file.rvb.size() && layer.rvb[std::size_t(i)].timeSeconds == file.rvb[k].timeSeconds;
}

void checkLayer(const JoinedSurvey &s, const std::vector<DataFileContents> &files, const QStringList &paths)
{
    const SurveyLayer &l = s.layer;
    require(l.times.size() == l.source.size() && l.times.size() == l.sourceRecord.size(),
            "layer arrays differ");
    require((l.family == Family::Rva ? l.rva.size() : l.rvb.size()) == l.times.size(), "layer records");
    for (qsizetype i = 0; i < l.size(); ++i) {
        const auto k = std::size_t(i);
        require(i == 0 || l.times[k] > l.times[k - 1], "layer times do not rise");
        require(s.period.contains(l.times[k]), "record outside the period");
        require(l.source[k] < l.sources.size(), "source out of range");
        const qsizetype file = paths.indexOf(l.sources[l.source[k]].path);
        require(file >= 0 && sameRecord(l, i, files[std::size_t(file)]), "record differs from its file's");
    }
    qsizetype counted = 0;
    for (const SurveyPiece &p : s.pieces) {
        require(p.layerFirst == counted && p.count > 0, "pieces not contiguous");
        counted += p.count;
    }
    require(counted == l.size(), "pieces do not cover the layer");
    for (std::size_t c = 1; c < s.conflicts.size(); ++c)
        require(s.conflicts[c].time >= s.conflicts[c - 1].time, "conflicts out of order");
    for (const JoinFinding &f : s.findings)
        require(f.before < l.sources.size() && f.after < l.sources.size() && !joinFindingText(f, l).isEmpty(),
                "finding names no file");
}

void checkTables(const SurveyLayer &layer, const SurveyPeriod &period)
{
    const SurveyFigures fig = checkSurvey(layer, period);
    qsizetype records = 0, weekDays = 0;
    double volume = 0.0;
    for (qsizetype d = 0; d < fig.days.size(); ++d) {
        require(d == 0 || fig.days[d].day == fig.days[d - 1].day + 1, "days not consecutive");
        require(fig.days[d].coverage() >= 0.0 && fig.days[d].coverage() <= 1.0, "coverage out of range");
        require(fig.days[d].countedSeconds <= 86400, "a day counted for more than a day");
        records += fig.days[d].records;
        volume += fig.days[d].volumeM3;
    }
    for (const WeekTotal &w : fig.weeks)
        weekDays += w.days;
    require(records == layer.size(), "days do not hold every record");
    require(weekDays == fig.days.size(), "weeks do not hold every day");
    require(fig.total.records == records, "total records");
    require(std::isnan(volume) || std::isinf(volume) ||
                std::abs(fig.total.volumeM3 - volume) <= 1e-6 * std::abs(volume) + 1e-9,
            "total volume is not the sum of the days");
}

} // namespace

int surveyJoin(const std::uint8_t *data, std::size_t size)
{
    if (size < kJoinOptions)
        return 0;
    const std::uint8_t options = data[0];
    const std::size_t fileCount = std::size_t(options & 3) + 1;
    QStringList paths;
    PointFiles point{QStringLiteral("测点"), {}};
    std::size_t at = kJoinOptions;
    for (std::size_t f = 0; f < fileCount; ++f) {
        std::size_t length = size - std::min(size, at);
        if (f + 1 < fileCount && at + 2 <= size) {
            length =
                std::min<std::size_t>(std::size_t(data[at]) | std::size_t(data[at + 1]) << 8, size - at - 2);
            at += 2;
        }
        const QString path = scratch() + QStringLiteral("join%1.lmv").arg(f);
        writeFile(path, at < size ? QByteArray(reinterpret_cast<const char *>(data + at), int(length))
                                  : QByteArray());
        at += length;
        paths << path;
        point.files.push_back(PointFile{QStringLiteral("%1.lmv").arg(f), path});
    }
    point.files.push_back(
        PointFile{QStringLiteral("missing.lmv"), scratch() + QStringLiteral("missing.lmv")});

    std::vector<DataFileContents> files(fileCount);
    for (std::size_t f = 0; f < fileCount; ++f)
        readDataFile(paths[qsizetype(f)], files[f]);

    const JoinedSurvey whole = readSurvey(QStringLiteral("项目"), point);
    checkLayer(whole, files, paths);
    require(!whole.leftOut.isEmpty() && whole.leftOut.back().name == QStringLiteral("missing.lmv"),
            "missing file not left out");
    // Every usable record is in the layer or counted as dropped.
    qsizetype usable = 0;
    for (std::size_t f = 0; f < fileCount; ++f) {
        bool left = false;
        for (const LeftOutFile &l : whole.leftOut)
            left = left || l.path == paths[qsizetype(f)];
        if (!left)
            usable +=
                qsizetype(whole.layer.family == Family::Rva ? files[f].rva.size() : files[f].rvb.size());
    }
    for (const JoinFinding &f : whole.findings)
        if (f.kind == JoinFindingKind::ImpossibleTime)
            usable -= f.records;
    require(whole.layer.size() + whole.duplicates + qsizetype(whole.conflicts.size()) + whole.superseded ==
                usable,
            "records lost or counted twice");
    checkTables(whole.layer, {});

    // Again: the same layer.
    const JoinedSurvey again = readSurvey(QStringLiteral("项目"), point);
    require(again.layer.times == whole.layer.times && again.layer.sourceRecord == whole.layer.sourceRecord,
            "a second join differs");

    if ((options & 4) && !whole.layer.empty()) {
        SurveyPeriod period;
        period.from = whole.layer.times.front() + 60 * qint64(data[1] | data[2] << 8);
        period.to = *period.from + 600 * qint64(data[3] | data[4] << 8);
        const JoinedSurvey cut = readSurvey(QStringLiteral("项目"), point, period);
        checkLayer(cut, files, paths);
        const auto first = std::lower_bound(whole.layer.times.begin(), whole.layer.times.end(), *period.from);
        const auto last = std::upper_bound(whole.layer.times.begin(), whole.layer.times.end(), *period.to);
        require(std::equal(first, last, cut.layer.times.begin(), cut.layer.times.end()),
                "the period is not the whole survey cut");
        checkTables(cut.layer, period);
    }
    return 0;
}

} // namespace lmv::fuzz
