#include "survey/SurveyJoin.h"

#include "data/Statistics.h"
#include "data/SurveyCheck.h"
#include "data/TimeSteps.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>

namespace lmv::survey {

namespace {

constexpr int kFirstRecordYear = 1980;
constexpr int kLastRecordYear = 2100;
constexpr qint64 kDaySeconds = 86400;

bool isCalendarTime(const RecordTime &t)
{
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < kFirstRecordYear || t.year > kLastRecordYear || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.hour > 23 || t.minute > 59 || t.second > 59)
        return false;
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    return t.day <= kMonthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameMeasurement(const RvaRecord &a, const RvaRecord &b, bool samePipe)
{
    return sameBits(a.level, b.level) && sameBits(a.velocity, b.velocity) &&
           sameBits(a.temperature, b.temperature) && (!samePipe || sameBits(a.flow, b.flow));
}

bool sameMeasurement(const RvbRecord &a, const RvbRecord &b)
{
    for (std::size_t ch = 0; ch < a.channel.size(); ++ch)
        if (!sameBits(a.channel[ch], b.channel[ch]))
            return false;
    return sameBits(a.supplyVoltage, b.supplyVoltage) && a.csq == b.csq;
}

// A file's usable records: their times and their index in the file.
struct FileWork
{
    std::size_t input = 0;
    std::vector<qint64> t;
    std::vector<qint64> record;
    qsizetype impossible = 0; // records without a calendar time
    qint64 nominal = 0;
    qint64 minTime = 0, maxTime = 0;
    int rank = 0; // writing order among the files
};

// Consecutive records of a file with rising times: [begin, end) into FileWork::t.
struct Run
{
    std::size_t file = 0;
    std::size_t begin = 0, end = 0;
};

// A span of time [start, end] covered by the newest run reaching it.
struct Cover
{
    qint64 end = 0;
    std::size_t run = 0;
};
using CoverMap = std::map<qint64, Cover>; // by start; disjoint

// Records replaced in one older run by one newer run.
struct Replaced
{
    qint64 first = 0, last = 0;
    qsizetype records = 0, duplicates = 0, conflicts = 0;
};

// A piece of a run kept in the layer.
struct KeptPiece
{
    std::size_t file = 0;
    std::size_t begin = 0, end = 0; // into FileWork::t
};

// The interval a file keeps: its header's where that is a plausible interval, else its most
// common step.
qint64 fileInterval(const DataFileHeader &h, const std::vector<qint64> &t)
{
    const quint32 stated = h.calc.recordInterval;
    return nominalInterval(stated > 0 && stated <= kDaySeconds ? stated : 0, t);
}

class Joiner
{
public:
    Joiner(std::vector<SurveyFileInput> &inputs, Family family) : m_inputs(inputs), m_family(family) {}

    JoinedSurvey run(const SurveyPeriod &period);
    // After run(): whether an input had no record with a calendar time.
    bool withoutTimes(std::size_t input) const { return m_files[input].t.empty(); }

private:
    void prepareFiles();
    void makeRuns();
    void paint(std::size_t runIndex);
    void coverStretches(std::size_t runIndex);
    bool sameAt(std::size_t olderFile, std::size_t olderPos, std::size_t newerFile,
                std::size_t newerPos) const;
    void buildLayer(JoinedSurvey &out, const SurveyPeriod &period);
    void addFindings(JoinedSurvey &out, const std::vector<int> &sourceOfFile, const SurveyPeriod &period);

    std::vector<SurveyFileInput> &m_inputs;
    Family m_family;
    std::vector<FileWork> m_files;
    std::vector<Run> m_runs; // in writing order
    CoverMap m_cover;
    std::vector<KeptPiece> m_kept;
    std::map<std::pair<std::size_t, std::size_t>, Replaced> m_replaced; // (older run, newer run)
    struct PendingConflict
    {
        qint64 time;
        std::size_t droppedFile, keptFile;
    };
    std::vector<PendingConflict> m_conflicts;
    qsizetype m_duplicates = 0;
    qsizetype m_superseded = 0;
};

void Joiner::prepareFiles()
{
    for (std::size_t i = 0; i < m_inputs.size(); ++i) {
        const SurveyFileInput &in = m_inputs[i];
        FileWork w;
        w.input = i;
        if (m_family == Family::Rva) {
            RvaClock clock;
            w.t.reserve(in.rva.size());
            w.record.reserve(in.rva.size());
            for (std::size_t k = 0; k < in.rva.size(); ++k) {
                if (!isCalendarTime(in.rva[k].time)) {
                    ++w.impossible;
                    continue;
                }
                w.t.push_back(clock.seconds(in.rva[k].time));
                w.record.push_back(qint64(k));
            }
        } else {
            w.t = clockSeconds(in.rvb);
            w.record.resize(w.t.size());
            std::iota(w.record.begin(), w.record.end(), qint64(0));
        }
        w.nominal = fileInterval(in.header, w.t);
        if (!w.t.empty()) {
            const auto [lo, hi] = std::minmax_element(w.t.begin(), w.t.end());
            w.minTime = *lo;
            w.maxTime = *hi;
        }
        m_files.push_back(std::move(w));
    }
    // Writing order: by last record, then first record, then the index's order.
    std::vector<std::size_t> order(m_files.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        const FileWork &x = m_files[a], &y = m_files[b];
        const qint64 xl = x.t.empty() ? 0 : x.t.back(), yl = y.t.empty() ? 0 : y.t.back();
        if (xl != yl)
            return xl < yl;
        const qint64 xf = x.t.empty() ? 0 : x.t.front(), yf = y.t.empty() ? 0 : y.t.front();
        return xf < yf;
    });
    for (std::size_t r = 0; r < order.size(); ++r)
        m_files[order[r]].rank = int(r);
}

void Joiner::makeRuns()
{
    std::vector<std::size_t> order(m_files.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(),
              [this](std::size_t a, std::size_t b) { return m_files[a].rank < m_files[b].rank; });
    for (const std::size_t f : order) {
        const std::vector<qint64> &t = m_files[f].t;
        std::size_t begin = 0;
        for (std::size_t k = 1; k <= t.size(); ++k) {
            if (k == t.size() || t[k] <= t[k - 1]) {
                if (k > begin)
                    m_runs.push_back(Run{f, begin, k});
                begin = k;
            }
        }
    }
}

bool Joiner::sameAt(std::size_t olderFile, std::size_t olderPos, std::size_t newerFile,
                    std::size_t newerPos) const
{
    const SurveyFileInput &a = m_inputs[m_files[olderFile].input];
    const SurveyFileInput &b = m_inputs[m_files[newerFile].input];
    const auto ra = std::size_t(m_files[olderFile].record[olderPos]);
    const auto rb = std::size_t(m_files[newerFile].record[newerPos]);
    if (m_family == Family::Rva)
        return sameMeasurement(a.rva[ra], b.rva[rb], a.header.point.samePipeAs(b.header.point));
    return sameMeasurement(a.rvb[ra], b.rvb[rb]);
}

// Walks an older run against what newer runs cover: records under a newer stretch are replaced,
// the rest kept in pieces that never straddle a covered span.
void Joiner::paint(std::size_t runIndex)
{
    const Run &run = m_runs[runIndex];
    const FileWork &file = m_files[run.file];
    // The first span that ends at or after the run's first record.
    auto it = m_cover.upper_bound(file.t[run.begin]);
    if (it != m_cover.begin() && std::prev(it)->second.end >= file.t[run.begin])
        --it;
    if (it == m_cover.end() || it->first > file.t[run.end - 1]) {
        // Nothing newer reaches this run: kept whole, in pieces cut at its gaps.
        std::size_t begin = run.begin;
        for (std::size_t k = run.begin + 1; k <= run.end; ++k)
            if (k == run.end || isGapStep(file.t[k] - file.t[k - 1], file.nominal)) {
                m_kept.push_back(KeptPiece{run.file, begin, k});
                begin = k;
            }
        return;
    }
    bool open = false;
    KeptPiece piece{run.file, 0, 0};
    qint64 previousKept = 0;
    for (std::size_t k = run.begin; k < run.end; ++k) {
        const qint64 t = file.t[k];
        bool spanBetween = false; // a newer span lies between the last kept record and this one
        while (it != m_cover.end() && it->second.end < t) {
            spanBetween = spanBetween || (open && it->first > previousKept);
            ++it;
        }
        const bool covered = it != m_cover.end() && it->first <= t;
        if (!covered) {
            if (open && (spanBetween || (k > run.begin && isGapStep(t - file.t[k - 1], file.nominal)))) {
                m_kept.push_back(piece);
                open = false;
            }
            if (!open) {
                piece.begin = k;
                open = true;
            }
            piece.end = k + 1;
            previousKept = t;
            continue;
        }
        if (open) {
            m_kept.push_back(piece);
            open = false;
        }
        // Replaced: a copy, a conflict, or a record at a time the newer run does not hold.
        const std::size_t newerRun = it->second.run;
        const Run &newer = m_runs[newerRun];
        const std::vector<qint64> &nt = m_files[newer.file].t;
        const auto at = std::lower_bound(nt.begin() + std::ptrdiff_t(newer.begin),
                                         nt.begin() + std::ptrdiff_t(newer.end), t);
        Replaced &r = m_replaced[{runIndex, newerRun}];
        if (r.records == 0)
            r.first = t;
        r.last = t;
        ++r.records;
        if (at != nt.begin() + std::ptrdiff_t(newer.end) && *at == t) {
            if (sameAt(run.file, k, newer.file, std::size_t(at - nt.begin()))) {
                ++r.duplicates;
                ++m_duplicates;
            } else {
                ++r.conflicts;
                m_conflicts.push_back(PendingConflict{t, run.file, newer.file});
            }
        } else {
            ++m_superseded;
        }
    }
    if (open)
        m_kept.push_back(piece);
}

// Adds the stretches of a run to what is covered, where nothing newer covers them already.
void Joiner::coverStretches(std::size_t runIndex)
{
    const Run &run = m_runs[runIndex];
    const FileWork &file = m_files[run.file];
    std::size_t begin = run.begin;
    for (std::size_t k = run.begin + 1; k <= run.end; ++k) {
        if (k < run.end && !isGapStep(file.t[k] - file.t[k - 1], file.nominal))
            continue;
        qint64 from = file.t[begin];
        const qint64 to = file.t[k - 1];
        auto it = m_cover.upper_bound(from);
        if (it != m_cover.begin() && std::prev(it)->second.end >= from)
            from = std::prev(it)->second.end + 1;
        while (from <= to) {
            if (it != m_cover.end() && it->first <= to) {
                if (it->first > from)
                    m_cover.emplace(from, Cover{it->first - 1, runIndex});
                from = it->second.end + 1;
                ++it;
            } else {
                m_cover.emplace(from, Cover{to, runIndex});
                break;
            }
        }
        begin = k;
    }
}

void Joiner::buildLayer(JoinedSurvey &out, const SurveyPeriod &period)
{
    // Sources in time order; a file is a source when its time reaches into the period.
    std::vector<std::size_t> byStart;
    for (std::size_t f = 0; f < m_files.size(); ++f)
        if (!m_files[f].t.empty() && period.overlaps(m_files[f].minTime, m_files[f].maxTime))
            byStart.push_back(f);
    std::stable_sort(byStart.begin(), byStart.end(), [this](std::size_t a, std::size_t b) {
        const FileWork &x = m_files[a], &y = m_files[b];
        return x.minTime != y.minTime ? x.minTime < y.minTime : x.maxTime < y.maxTime;
    });
    std::vector<int> sourceOfFile(m_files.size(), -1);
    SurveyLayer &layer = out.layer;
    layer.family = m_family;
    for (const std::size_t f : byStart) {
        sourceOfFile[f] = int(layer.sources.size());
        SurveyFileInput &in = m_inputs[m_files[f].input];
        SurveySource s;
        s.path = in.path;
        s.name = in.name;
        s.header = in.header;
        s.start = m_files[f].minTime;
        s.end = m_files[f].maxTime;
        s.records = qsizetype(m_family == Family::Rva ? in.rva.size() : in.rvb.size());
        s.intervalSeconds = m_files[f].nominal;
        layer.sources.push_back(std::move(s));
    }

    std::sort(m_kept.begin(), m_kept.end(), [this](const KeptPiece &a, const KeptPiece &b) {
        return m_files[a.file].t[a.begin] < m_files[b.file].t[b.begin];
    });
    std::size_t total = 0;
    for (KeptPiece &p : m_kept) {
        // Cut to the period: the records of a piece rise, so the period is one sub-range.
        const std::vector<qint64> &t = m_files[p.file].t;
        const auto first = t.begin() + std::ptrdiff_t(p.begin), last = t.begin() + std::ptrdiff_t(p.end);
        p.begin =
            std::size_t((period.from ? std::lower_bound(first, last, *period.from) : first) - t.begin());
        p.end = std::size_t((period.to ? std::upper_bound(first, last, *period.to) : last) - t.begin());
        if (p.end > p.begin)
            total += p.end - p.begin;
    }
    layer.times.resize(total);
    layer.source.resize(total);
    layer.sourceRecord.resize(total);
    if (m_family == Family::Rva)
        layer.rva.resize(total);
    else
        layer.rvb.resize(total);
    std::size_t i = 0;
    for (const KeptPiece &p : m_kept) {
        if (p.end <= p.begin)
            continue;
        const FileWork &w = m_files[p.file];
        const SurveyFileInput &in = m_inputs[w.input];
        const auto source = quint32(sourceOfFile[p.file]);
        out.pieces.push_back(
            SurveyPiece{source, w.record[p.begin], qsizetype(p.end - p.begin), qsizetype(i)});
        std::copy(w.t.begin() + std::ptrdiff_t(p.begin), w.t.begin() + std::ptrdiff_t(p.end),
                  layer.times.begin() + std::ptrdiff_t(i));
        std::fill_n(layer.source.begin() + std::ptrdiff_t(i), p.end - p.begin, source);
        for (std::size_t k = p.begin; k < p.end; ++k, ++i) {
            const auto r = std::size_t(w.record[k]);
            layer.sourceRecord[i] = qint64(r);
            if (m_family == Family::Rva)
                layer.rva[i] = in.rva[r];
            else
                layer.rvb[i] = in.rvb[r];
        }
    }
    // The survey's interval: the one most of its records were kept at.
    std::map<qint64, qsizetype> weight;
    for (const SurveyPiece &p : std::as_const(out.pieces))
        weight[m_files[byStart[p.source]].nominal] += p.count;
    qsizetype best = 0;
    for (const auto &[interval, count] : weight)
        if (count > best) {
            best = count;
            layer.intervalSeconds = interval;
        }
    addFindings(out, sourceOfFile, period);
}

void Joiner::addFindings(JoinedSurvey &out, const std::vector<int> &sourceOfFile, const SurveyPeriod &period)
{
    const auto inPeriod = [&](std::size_t file) { return sourceOfFile[file] >= 0; };
    for (const PendingConflict &c : m_conflicts)
        if (period.contains(c.time) && inPeriod(c.droppedFile) && inPeriod(c.keptFile))
            out.conflicts.push_back(JoinConflict{c.time, quint32(sourceOfFile[c.droppedFile]),
                                                 quint32(sourceOfFile[c.keptFile])});
    std::stable_sort(out.conflicts.begin(), out.conflicts.end(),
                     [](const JoinConflict &a, const JoinConflict &b) { return a.time < b.time; });

    QVector<JoinFinding> &findings = out.findings;
    // What newer runs replaced: of the same file by the run after a step back, of older files
    // by newer ones.
    const auto merge = [](Replaced &into, const Replaced &rep) {
        into.first = into.records == 0 ? rep.first : std::min(into.first, rep.first);
        into.last = into.records == 0 ? rep.last : std::max(into.last, rep.last);
        into.records += rep.records;
        into.duplicates += rep.duplicates;
        into.conflicts += rep.conflicts;
    };
    std::map<std::size_t, Replaced> byStepBack; // by the run after the step
    std::map<std::pair<std::size_t, std::size_t>, Replaced> byFiles;
    for (const auto &[key, rep] : m_replaced) {
        const std::size_t older = m_runs[key.first].file, newer = m_runs[key.second].file;
        merge(older == newer ? byStepBack[key.second] : byFiles[{older, newer}], rep);
    }
    // Steps back inside a file.
    for (std::size_t r = 1; r < m_runs.size(); ++r) {
        const Run &run = m_runs[r];
        if (m_runs[r - 1].file != run.file)
            continue;
        const FileWork &w = m_files[run.file];
        const qint64 stepFrom = w.t[run.begin - 1], stepTo = w.t[run.begin];
        if (stepTo == stepFrom || !inPeriod(run.file) || !period.overlaps(stepTo, stepFrom))
            continue;
        const auto source = quint32(sourceOfFile[run.file]);
        JoinFinding f{
            JoinFindingKind::ClockSetBack, source, source, stepTo, stepFrom, stepFrom, stepTo, 0, 0, 0};
        if (const auto it = byStepBack.find(r); it != byStepBack.end()) {
            f.start = it->second.first;
            f.end = it->second.last;
            f.records = it->second.records;
            f.duplicates = it->second.duplicates;
            f.conflicts = it->second.conflicts;
        }
        findings.push_back(f);
    }
    // Older files given up to newer ones: a download of the same memory shares copies; none
    // shared means the clock was set back.
    for (const auto &[files, rep] : byFiles) {
        if (!inPeriod(files.first) || !inPeriod(files.second) || !period.overlaps(rep.first, rep.last))
            continue;
        const FileWork &older = m_files[files.first], &newer = m_files[files.second];
        JoinFinding f{rep.duplicates > 0 ? JoinFindingKind::Overlap : JoinFindingKind::ClockSetBack,
                      quint32(sourceOfFile[files.first]),
                      quint32(sourceOfFile[files.second]),
                      rep.first,
                      rep.last,
                      older.t.back(),
                      newer.t.front(),
                      rep.records,
                      rep.duplicates,
                      rep.conflicts};
        findings.push_back(f);
    }
    // Pipe and corrections from one file to the next in time.
    const std::vector<SurveySource> &sources = out.layer.sources;
    for (std::size_t s = 1; s < sources.size(); ++s) {
        const DataFileHeader &a = sources[s - 1].header, &b = sources[s].header;
        const auto change = [&](JoinFindingKind kind) {
            findings.push_back(JoinFinding{kind, quint32(s - 1), quint32(s), sources[s - 1].end,
                                           sources[s].start, 0, 0, 0, 0, 0});
        };
        if (m_family == Family::Rva && !a.point.samePipeAs(b.point))
            change(JoinFindingKind::PipeChanged);
        if (m_family == Family::Rva && (!sameBits(a.calc.velocityCorrection, b.calc.velocityCorrection) ||
                                        !sameBits(a.calc.flowCorrection, b.calc.flowCorrection)))
            change(JoinFindingKind::CorrectionsChanged);
    }
    for (std::size_t f = 0; f < m_files.size(); ++f)
        if (m_files[f].impossible > 0 && inPeriod(f)) {
            const auto source = quint32(sourceOfFile[f]);
            findings.push_back(JoinFinding{JoinFindingKind::ImpossibleTime, source, source,
                                           m_files[f].minTime, m_files[f].maxTime, 0, 0,
                                           m_files[f].impossible, 0, 0});
        }
    std::stable_sort(findings.begin(), findings.end(), [](const JoinFinding &a, const JoinFinding &b) {
        return a.start != b.start ? a.start < b.start : a.kind < b.kind;
    });
}

JoinedSurvey Joiner::run(const SurveyPeriod &period)
{
    JoinedSurvey out;
    out.period = period;
    prepareFiles();
    makeRuns();
    // Newest first: each run keeps what nothing newer covers, then covers its own stretches.
    for (std::size_t r = m_runs.size(); r-- > 0;) {
        paint(r);
        coverStretches(r);
    }
    out.duplicates = m_duplicates;
    out.superseded = m_superseded;
    buildLayer(out, period);
    return out;
}

QString familyText(Family f)
{
    return f == Family::Rva ? QStringLiteral("便携式流量仪(RVA)") : QStringLiteral("综合监测主机(RVB)");
}

qsizetype recordCount(const SurveyFileInput &in)
{
    return qsizetype(in.header.family == Family::Rva ? in.rva.size() : in.rvb.size());
}

} // namespace

std::vector<qsizetype> JoinedSurvey::recordsPerSource() const
{
    std::vector<qsizetype> out(layer.sources.size(), 0);
    for (const SurveyPiece &p : pieces)
        out[p.source] += p.count;
    return out;
}

JoinedSurvey joinSurveyFiles(std::vector<SurveyFileInput> files, const SurveyPeriod &period)
{
    // The point's family: that of most files with records, then of more records, then RVA.
    std::map<Family, std::pair<int, qsizetype>> votes;
    for (const SurveyFileInput &in : files)
        if (in.problem.isEmpty() && recordCount(in) > 0) {
            ++votes[in.header.family].first;
            votes[in.header.family].second += recordCount(in);
        }
    const auto &rva = votes[Family::Rva], &rvb = votes[Family::Rvb];
    const Family family = rvb > rva ? Family::Rvb : Family::Rva;

    // Why each file is left out (empty: used), in the order the files were given.
    QStringList reasons;
    std::vector<SurveyFileInput> used;
    std::vector<qsizetype> usedFrom;
    QStringList names, paths;
    for (SurveyFileInput &in : files) {
        QString reason = in.problem;
        if (reason.isEmpty() && in.header.family != family)
            reason = QStringLiteral("属于另一类记录仪(%1)").arg(familyText(in.header.family));
        else if (reason.isEmpty() && recordCount(in) == 0)
            reason = QStringLiteral("没有记录");
        reasons << reason;
        names << in.name;
        paths << in.path;
        if (reason.isEmpty()) {
            usedFrom.push_back(reasons.size() - 1);
            used.push_back(std::move(in));
        }
    }
    JoinedSurvey out;
    out.period = period;
    out.layer.family = family;
    if (!used.empty()) {
        Joiner joiner(used, family);
        out = joiner.run(period);
        for (std::size_t u = 0; u < usedFrom.size(); ++u)
            if (joiner.withoutTimes(u))
                reasons[usedFrom[u]] = QStringLiteral("没有时间有效的记录");
    }
    for (qsizetype i = 0; i < reasons.size(); ++i)
        if (!reasons[i].isEmpty())
            out.leftOut.push_back(LeftOutFile{names[i], paths[i], reasons[i]});
    return out;
}

SurveyFileInput readSurveyFile(const PointFile &file)
{
    SurveyFileInput in;
    in.name = file.name;
    in.path = file.path;
    const QFileInfo info(file.path);
    if (!info.exists()) {
        in.problem = QStringLiteral("文件不存在");
        return in;
    }
    if (!info.isFile()) {
        in.problem = QStringLiteral("不是文件");
        return in;
    }
    DataFileContents contents;
    const int result = readDataFile(file.path, contents);
    in.header = contents.header;
    in.rva = std::move(contents.rva);
    in.rvb = std::move(contents.rvb);
    switch (result) {
    case ReadOk:
        break;
    case ReadCannotOpen:
        in.problem = QStringLiteral("无法打开");
        break;
    case ReadEmpty:
        in.problem = QStringLiteral("空文件");
        break;
    case ReadShortHeader:
        in.problem = QStringLiteral("文件头不完整(%1 字节)").arg(contents.header.fileSize);
        break;
    case ReadUnknownFamily:
        in.problem = QStringLiteral("不是数据文件(类型码 %1)").arg(contents.header.typeCode);
        break;
    case ReadTooLarge:
        in.problem = QStringLiteral("文件超过 1 GiB");
        break;
    default:
        in.problem = QStringLiteral("无法读取(错误 %1)").arg(result);
        break;
    }
    return in;
}

JoinedSurvey readSurvey(const QString &project, const PointFiles &point, const SurveyPeriod &period)
{
    std::vector<SurveyFileInput> inputs;
    inputs.reserve(std::size_t(point.files.size()));
    for (const PointFile &f : point.files)
        inputs.push_back(readSurveyFile(f));
    JoinedSurvey out = joinSurveyFiles(std::move(inputs), period);
    out.project = project;
    out.point = point.name;
    return out;
}

QString joinFindingKindText(JoinFindingKind kind)
{
    switch (kind) {
    case JoinFindingKind::Overlap:
        return QStringLiteral("文件重叠");
    case JoinFindingKind::ClockSetBack:
        return QStringLiteral("时间倒退");
    case JoinFindingKind::PipeChanged:
        return QStringLiteral("管道参数改变");
    case JoinFindingKind::CorrectionsChanged:
        return QStringLiteral("修正系数改变");
    case JoinFindingKind::ImpossibleTime:
        return QStringLiteral("时间无效");
    }
    return {};
}

QString joinFindingText(const JoinFinding &f, const SurveyLayer &layer)
{
    const QString before = layer.sources[f.before].name, after = layer.sources[f.after].name;
    const auto replaced = [&f]() {
        if (f.records == 0)
            return QStringLiteral("没有记录被替换");
        return QStringLiteral("%1 至 %2 共 %3 条记录被替换(相同 %4 条,数值不同 %5 条)")
            .arg(clockText(f.start), clockText(f.end))
            .arg(f.records)
            .arg(f.duplicates)
            .arg(f.conflicts);
    };
    switch (f.kind) {
    case JoinFindingKind::Overlap:
        return QStringLiteral("%1 与较新的 %2 重叠:%3").arg(before, after, replaced());
    case JoinFindingKind::ClockSetBack:
        if (f.before == f.after)
            return QStringLiteral("%1 内时间从 %2 退回 %3:%4")
                .arg(before, clockText(f.stepFrom), clockText(f.stepTo), replaced());
        return QStringLiteral("%1 结束于 %2,之后的 %3 从 %4 开始(时钟回调?):%5")
            .arg(before, clockText(f.stepFrom), after, clockText(f.stepTo), replaced());
    case JoinFindingKind::PipeChanged: {
        const auto pipe = [&layer](quint32 s) { return pipeDescription(layer.sources[s].header.point); };
        return QStringLiteral("%1 的管道(%2)与 %3 的管道(%4)不同")
            .arg(before, pipe(f.before), after, pipe(f.after));
    }
    case JoinFindingKind::CorrectionsChanged: {
        const auto calc = [&layer](quint32 s) {
            const CalcParams &c = layer.sources[s].header.calc;
            return QStringLiteral("流速修正 %1,流量修正 %2")
                .arg(double(c.velocityCorrection), 0, 'g', 6)
                .arg(double(c.flowCorrection), 0, 'g', 6);
        };
        return QStringLiteral("%1(%2)与 %3(%4)的修正系数不同")
            .arg(before, calc(f.before), after, calc(f.after));
    }
    case JoinFindingKind::ImpossibleTime:
        return QStringLiteral("%1 有 %2 条记录的时间不是有效日期时间,未计入").arg(before).arg(f.records);
    }
    return {};
}

} // namespace lmv::survey
