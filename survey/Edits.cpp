#include "survey/Edits.h"

#include "data/Hydraulics.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace lmv::survey {

namespace {

constexpr qint64 kDaySeconds = 86400;
// A fill bridges at most a day and puts at most this many records into one gap.
constexpr qint64 kMaxFillGapSeconds = kDaySeconds;
constexpr qint64 kMaxSlotsPerGap = 1440;
// Filled records of one edited layer; fills beyond this are left out (only a damaged history
// could ask for more: every fill is bounded by its gaps).
constexpr std::size_t kMaxFilledRecords = 1000000;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return -floorDiv(-a, b);
}

qint64 saturatingSub(qint64 a, qint64 b)
{
    qint64 r;
    return __builtin_sub_overflow(a, b, &r)
               ? (b > 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max())
               : r;
}

qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 r;
    return __builtin_add_overflow(a, b, &r)
               ? (b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min())
               : r;
}

// The nominal slots a fill puts between two records at ta < tb: ta + k·interval for k from
// first to last, inside [from, to] and at least half an interval before tb. first > last: none.
struct SlotRange
{
    qint64 first = 1;
    qint64 last = 0;
    qint64 count() const { return last >= first ? last - first + 1 : 0; }
};

SlotRange gapSlots(qint64 ta, qint64 tb, qint64 from, qint64 to, qint64 interval)
{
    SlotRange s;
    const qint64 span = tb - ta; // both are record times: no overflow
    if (interval <= 0 || 2 * span < 3 * interval || to < ta || from > tb)
        return s;
    s.first = std::max<qint64>(1, ceilDiv(std::max(from, ta) - ta, interval));
    s.last = std::min(floorDiv(2 * span - interval, 2 * interval), floorDiv(std::min(to, tb) - ta, interval));
    return s;
}

// The level offset of an offset or drift edit at a time, mm.
double offsetAt(const Edit &e, qint64 t)
{
    if (e.op == EditOp::Offset || e.to <= e.from)
        return e.value;
    const double share = (double(t) - double(e.from)) / (double(e.to) - double(e.from));
    return e.value + (e.value2 - e.value) * share;
}

// Whether an edit's own values can be applied to a family, whatever the records.
QString valueProblem(const Edit &e, Family family)
{
    if (e.from > e.to)
        return QStringLiteral("开始时间晚于结束时间");
    if (family != Family::Rva && e.op != EditOp::Remove)
        return QStringLiteral("综合监测主机的数据只能删除,不能插补或修正");
    switch (e.op) {
    case EditOp::Remove:
        break;
    case EditOp::Fill:
        if (e.maxGapSeconds <= 0)
            return QStringLiteral("插补上限必须大于0");
        if (e.maxGapSeconds > kMaxFillGapSeconds)
            return QStringLiteral("插补上限不能超过1天");
        break;
    case EditOp::Drift:
        if (!std::isfinite(e.value2))
            return QStringLiteral("结束偏移量不是有效数字");
        if (std::abs(e.value2) > kMaxOffsetMm)
            return QStringLiteral("偏移量超出范围(±%1 mm)").arg(kMaxOffsetMm);
        [[fallthrough]];
    case EditOp::Offset:
        if (!std::isfinite(e.value))
            return QStringLiteral("偏移量不是有效数字");
        if (std::abs(e.value) > kMaxOffsetMm)
            return QStringLiteral("偏移量超出范围(±%1 mm)").arg(kMaxOffsetMm);
        break;
    case EditOp::VelocityFactor:
        if (!std::isfinite(e.value))
            return QStringLiteral("流速系数不是有效数字");
        if (e.value <= 0.0)
            return QStringLiteral("流速系数必须大于0");
        if (e.value > kMaxVelocityFactor)
            return QStringLiteral("流速系数不能大于%1").arg(kMaxVelocityFactor);
        break;
    }
    return QString();
}

// Whether the layer's arrays agree with each other, so that edits may index them.
bool wellFormed(const SurveyLayer &l)
{
    const std::size_t n = l.times.size();
    const std::size_t records = l.family == Family::Rva   ? l.rva.size()
                                : l.family == Family::Rvb ? l.rvb.size()
                                                          : 0;
    if (records != n || l.source.size() != n || l.sourceRecord.size() != n ||
        (!l.flags.empty() && l.flags.size() != n))
        return false;
    return std::all_of(l.source.begin(), l.source.end(), [&l](quint32 s) { return s < l.sources.size(); });
}

// Per source: whether an edit touches its records.
std::vector<char> sourceMask(const SurveyLayer &layer, const Edit &e)
{
    std::vector<char> mask(layer.sources.size(), 1);
    if (!e.file.isEmpty())
        for (std::size_t s = 0; s < layer.sources.size(); ++s)
            mask[s] = layer.sources[s].name == e.file;
    return mask;
}

// A filled record while the edits are applied.
struct Filled
{
    float level = 0.0f;
    float velocity = 0.0f;
    float temperature = 0.0f;
    quint32 source = 0;
    quint8 flags = FlagFilled;
};

// The edits applied one by one to a working copy of the raw layer. Removed records stay in the
// copy (flagged) and filled ones wait in a map by time until take() builds the edited layer, so
// an edit costs only the records of its range.
class EditEngine
{
public:
    explicit EditEngine(const SurveyLayer &raw)
        : m_layer(raw), m_keepFlags(!raw.flags.empty()), m_usable(wellFormed(raw))
    {
        if (m_layer.flags.empty())
            m_layer.flags.assign(m_layer.times.size(), FlagRaw);
        for (const SurveySource &s : m_layer.sources)
            m_geometry.push_back(pipeGeometryFrom(s.header.point));
    }

    // Whether the edit can do anything on this layer.
    bool applicable(const Edit &e) const
    {
        return m_usable && !e.undone && !m_layer.empty() && valueProblem(e, m_layer.family).isEmpty();
    }

    void apply(const Edit &e)
    {
        m_mask = sourceMask(m_layer, e);
        switch (e.op) {
        case EditOp::Remove:
            remove(e);
            break;
        case EditOp::Fill:
            fill(e);
            break;
        case EditOp::Offset:
        case EditOp::Drift:
        case EditOp::VelocityFactor:
            correct(e);
            break;
        }
    }

    // Volume (m³) of the present records from the last one before `from` (within reach of its
    // counted seconds) to the last one at or before `to`. An edit changes nothing outside this
    // window, so the difference of this figure before and after it is the layer's difference.
    double windowVolume(const Edit &e) const
    {
        const qint64 interval = m_layer.intervalSeconds;
        const qint64 reach = interval > 0 ? 2 * interval : std::numeric_limits<qint64>::max();
        const std::vector<Ref> refs = presentAround(e.from, e.to, reach);
        std::vector<qint64> times(refs.size());
        for (std::size_t k = 0; k < refs.size(); ++k)
            times[k] = refs[k].time;
        const std::vector<qint64> counted = countedSeconds(times, interval);
        double volume = 0.0;
        for (std::size_t k = 0; k < refs.size() && refs[k].time <= e.to; ++k) {
            const float flow = correctedFlow(refs[k]);
            if (std::isfinite(flow))
                volume += double(flow) * double(counted[k]) / 1000.0;
        }
        return volume;
    }

    SurveyLayer take()
    {
        if (!m_changed) {
            if (!m_keepFlags)
                m_layer.flags.clear();
            return std::move(m_layer);
        }
        compact();
        mergeFilled();
        return std::move(m_layer);
    }

private:
    // A present record: raw (index into the working copy) or filled.
    struct Ref
    {
        qint64 time = 0;
        qsizetype raw = -1;
        const Filled *filled = nullptr;
    };

    bool present(qsizetype i) const { return !(m_layer.flags[std::size_t(i)] & FlagRemoved); }
    bool touches(quint32 source) const { return m_mask[source] != 0; }
    qsizetype lowerIndex(qint64 t) const
    {
        return std::lower_bound(m_layer.times.begin(), m_layer.times.end(), t) - m_layer.times.begin();
    }
    qsizetype upperIndex(qint64 t) const
    {
        return std::upper_bound(m_layer.times.begin(), m_layer.times.end(), t) - m_layer.times.begin();
    }

    quint32 sourceOf(const Ref &r) const
    {
        return r.filled ? r.filled->source : m_layer.source[std::size_t(r.raw)];
    }
    float levelOf(const Ref &r) const
    {
        return r.filled ? r.filled->level : m_layer.rva[std::size_t(r.raw)].level;
    }
    float velocityOf(const Ref &r) const
    {
        return r.filled ? r.filled->velocity : m_layer.rva[std::size_t(r.raw)].velocity;
    }
    float temperatureOf(const Ref &r) const
    {
        return r.filled ? r.filled->temperature : m_layer.rva[std::size_t(r.raw)].temperature;
    }

    // Corrected flow (L/s) of a present record as the edited layer will hold it.
    float correctedFlow(const Ref &r) const
    {
        if (m_layer.family != Family::Rva)
            return 0.0f;
        const quint32 s = sourceOf(r);
        const CalcParams &calc = m_layer.sources[s].header.calc;
        float flow;
        if (r.filled)
            flow = recordFlow(m_geometry[s], r.filled->level, r.filled->velocity);
        else if (m_layer.flags[std::size_t(r.raw)] & FlagCorrected)
            flow = recordFlow(m_geometry[s], levelOf(r), velocityOf(r));
        else
            flow = m_layer.rva[std::size_t(r.raw)].flow;
        return flow * calc.velocityCorrection * calc.flowCorrection;
    }

    // Present records in time order: the last one before `from` no farther than reach, every
    // one in [from, to], and the first one after `to` no farther than reach from the last taken.
    std::vector<Ref> presentAround(qint64 from, qint64 to, qint64 reach) const
    {
        std::vector<Ref> refs;
        const qsizetype lo = lowerIndex(from), hi = upperIndex(to);
        const qint64 earliest = saturatingSub(from, reach);
        // Before.
        Ref before;
        for (qsizetype i = lo - 1; i >= 0 && m_layer.times[std::size_t(i)] >= earliest; --i)
            if (present(i)) {
                before = Ref{m_layer.times[std::size_t(i)], i, nullptr};
                break;
            }
        auto f = m_filled.lower_bound(from);
        if (f != m_filled.begin()) {
            auto p = std::prev(f);
            if (p->first >= earliest && (before.raw < 0 || p->first > before.time))
                before = Ref{p->first, -1, &p->second};
        }
        if (before.raw >= 0 || before.filled)
            refs.push_back(before);
        // Inside, raw and filled merged by time.
        qsizetype i = lo;
        while (i < hi || (f != m_filled.end() && f->first <= to)) {
            const bool takeFilled = f != m_filled.end() && f->first <= to &&
                                    (i >= hi || f->first < m_layer.times[std::size_t(i)]);
            if (takeFilled) {
                refs.push_back(Ref{f->first, -1, &f->second});
                ++f;
            } else {
                if (present(i))
                    refs.push_back(Ref{m_layer.times[std::size_t(i)], i, nullptr});
                ++i;
            }
        }
        // After.
        const qint64 latest = saturatingAdd(refs.empty() ? to : refs.back().time, reach);
        Ref after;
        for (qsizetype k = hi; k < m_layer.size() && m_layer.times[std::size_t(k)] <= latest; ++k)
            if (present(k)) {
                after = Ref{m_layer.times[std::size_t(k)], k, nullptr};
                break;
            }
        if (f != m_filled.end() && f->first <= latest && (after.raw < 0 || f->first < after.time))
            after = Ref{f->first, -1, &f->second};
        if (after.raw >= 0 || after.filled)
            refs.push_back(after);
        return refs;
    }

    void remove(const Edit &e)
    {
        for (qsizetype i = lowerIndex(e.from), hi = upperIndex(e.to); i < hi; ++i)
            if (touches(m_layer.source[std::size_t(i)]) && present(i)) {
                m_layer.flags[std::size_t(i)] |= FlagRemoved;
                m_changed = true;
            }
        for (auto f = m_filled.lower_bound(e.from); f != m_filled.end() && f->first <= e.to;)
            f = touches(f->second.source) ? m_filled.erase(f) : std::next(f);
    }

    void correct(const Edit &e)
    {
        auto change = [&e](qint64 t, float &level, float &velocity) {
            if (e.op == EditOp::VelocityFactor)
                velocity = float(double(velocity) * e.value);
            else
                level = float(double(level) + offsetAt(e, t) / 1000.0);
        };
        for (qsizetype i = lowerIndex(e.from), hi = upperIndex(e.to); i < hi; ++i) {
            const auto k = std::size_t(i);
            if (!touches(m_layer.source[k]) || !present(i))
                continue;
            change(m_layer.times[k], m_layer.rva[k].level, m_layer.rva[k].velocity);
            m_layer.flags[k] |= FlagCorrected;
            m_changed = true;
        }
        for (auto f = m_filled.lower_bound(e.from); f != m_filled.end() && f->first <= e.to; ++f)
            if (touches(f->second.source)) {
                change(f->first, f->second.level, f->second.velocity);
                f->second.flags |= FlagCorrected;
            }
    }

    void fill(const Edit &e)
    {
        const qint64 interval = m_layer.intervalSeconds;
        if (interval <= 0)
            return;
        const std::vector<Ref> refs = presentAround(e.from, e.to, e.maxGapSeconds);
        for (std::size_t k = 0; k + 1 < refs.size(); ++k) {
            const Ref &a = refs[k], &b = refs[k + 1];
            const SlotRange fillSlots = gapSlots(a.time, b.time, e.from, e.to, interval);
            if (fillSlots.count() == 0 || b.time - a.time > e.maxGapSeconds ||
                fillSlots.count() > kMaxSlotsPerGap || !touches(sourceOf(a)) || !touches(sourceOf(b)))
                continue;
            fillGap(a, b, fillSlots, interval);
        }
    }

    // Records in the slots of one gap, on the line between its two records. The velocity of the
    // record after is taken into the scale of the file before (the filled records are that
    // file's) when the two files' velocity corrections differ.
    void fillGap(const Ref &a, const Ref &b, const SlotRange &fillSlots, qint64 interval)
    {
        const quint32 sa = sourceOf(a), sb = sourceOf(b);
        const float cva = m_layer.sources[sa].header.calc.velocityCorrection;
        const float cvb = m_layer.sources[sb].header.calc.velocityCorrection;
        const double la = levelOf(a), lb = levelOf(b);
        const double va = velocityOf(a);
        double vb = velocityOf(b);
        if (sa != sb && cva != cvb && cva != 0.0f && std::isfinite(cva) && std::isfinite(cvb))
            vb = vb * double(cvb) / double(cva);
        const double ta = temperatureOf(a), tb = temperatureOf(b);
        const double span = double(b.time - a.time);
        for (qint64 k = fillSlots.first; k <= fillSlots.last && m_filled.size() < kMaxFilledRecords; ++k) {
            const qint64 t = a.time + k * interval;
            const double share = double(t - a.time) / span;
            Filled r;
            r.level = float(la + (lb - la) * share);
            r.velocity = float(va + (vb - va) * share);
            r.temperature = float(ta + (tb - ta) * share);
            r.source = sa;
            m_filled.insert_or_assign(t, r);
            m_changed = true;
        }
    }

    // Leaves the removed records out and recomputes the corrected records' flows, in place.
    void compact()
    {
        SurveyLayer &l = m_layer;
        const bool rva = l.family == Family::Rva;
        std::size_t j = 0;
        for (std::size_t i = 0; i < l.times.size(); ++i) {
            const quint8 flag = l.flags[i];
            if (flag & FlagRemoved)
                continue;
            if (j != i) {
                l.times[j] = l.times[i];
                l.source[j] = l.source[i];
                l.sourceRecord[j] = l.sourceRecord[i];
                l.flags[j] = flag;
                if (rva)
                    l.rva[j] = l.rva[i];
                else
                    l.rvb[j] = l.rvb[i];
            }
            if (rva && (flag & FlagCorrected)) {
                RvaRecord &r = l.rva[j];
                r.flow = recordFlow(m_geometry[l.source[j]], r.level, r.velocity);
            }
            ++j;
        }
        l.times.resize(j);
        l.source.resize(j);
        l.sourceRecord.resize(j);
        l.flags.resize(j);
        if (rva)
            l.rva.resize(j);
        else
            l.rvb.resize(j);
    }

    // Puts the filled records among the present ones, from the back, in place.
    void mergeFilled()
    {
        if (m_filled.empty())
            return;
        SurveyLayer &l = m_layer;
        const std::size_t present = l.times.size(), total = present + m_filled.size();
        l.times.resize(total);
        l.source.resize(total);
        l.sourceRecord.resize(total);
        l.flags.resize(total);
        l.rva.resize(total);
        std::size_t p = present;
        auto f = m_filled.rbegin();
        for (std::size_t k = total; k-- > 0;) {
            if (f != m_filled.rend() && (p == 0 || f->first > l.times[p - 1])) {
                const Filled &v = f->second;
                RvaRecord r;
                r.time = recordTimeOf(f->first);
                r.level = v.level;
                r.velocity = v.velocity;
                r.temperature = v.temperature;
                r.flow = recordFlow(m_geometry[v.source], v.level, v.velocity);
                l.times[k] = f->first;
                l.rva[k] = r;
                l.source[k] = v.source;
                l.sourceRecord[k] = -1;
                l.flags[k] = v.flags;
                ++f;
            } else {
                --p;
                l.times[k] = l.times[p];
                l.rva[k] = l.rva[p];
                l.source[k] = l.source[p];
                l.sourceRecord[k] = l.sourceRecord[p];
                l.flags[k] = l.flags[p];
            }
        }
    }

    SurveyLayer m_layer;
    bool m_keepFlags;
    bool m_usable; // a malformed layer is handed back as it came
    bool m_changed = false;
    std::vector<PipeGeometry> m_geometry; // of every source
    std::vector<char> m_mask;             // sources the current edit touches
    std::map<qint64, Filled> m_filled;
};

// The edits in creation order.
std::vector<const Edit *> inOrder(std::span<const Edit> edits)
{
    std::vector<const Edit *> order;
    order.reserve(edits.size());
    for (const Edit &e : edits)
        order.push_back(&e);
    std::stable_sort(order.begin(), order.end(), [](const Edit *a, const Edit *b) { return a->id < b->id; });
    return order;
}

} // namespace

QString editOpName(EditOp op)
{
    switch (op) {
    case EditOp::Remove:
        return QStringLiteral("remove");
    case EditOp::Fill:
        return QStringLiteral("fill");
    case EditOp::Offset:
        return QStringLiteral("offset");
    case EditOp::Drift:
        return QStringLiteral("drift");
    case EditOp::VelocityFactor:
        return QStringLiteral("vfactor");
    }
    return QString();
}

std::optional<EditOp> editOpFromName(const QString &name)
{
    for (EditOp op : {EditOp::Remove, EditOp::Fill, EditOp::Offset, EditOp::Drift, EditOp::VelocityFactor})
        if (editOpName(op) == name)
            return op;
    return std::nullopt;
}

QString editOpText(EditOp op)
{
    switch (op) {
    case EditOp::Remove:
        return QStringLiteral("删除");
    case EditOp::Fill:
        return QStringLiteral("插补");
    case EditOp::Offset:
        return QStringLiteral("液位偏移");
    case EditOp::Drift:
        return QStringLiteral("液位漂移修正");
    case EditOp::VelocityFactor:
        return QStringLiteral("流速系数");
    }
    return QString();
}

QString validateEdit(const SurveyLayer &layer, const Edit &edit)
{
    if (edit.reason.trimmed().isEmpty())
        return QStringLiteral("请填写修改原因");
    const QString problem = valueProblem(edit, layer.family);
    if (!problem.isEmpty())
        return problem;
    if (!wellFormed(layer))
        return QStringLiteral("测点数据不完整,不能修改");
    const std::vector<char> mask = sourceMask(layer, edit);
    const auto begin = layer.times.begin();
    const qsizetype lo = std::lower_bound(begin, layer.times.end(), edit.from) - begin;
    const qsizetype hi = std::upper_bound(begin, layer.times.end(), edit.to) - begin;
    const QString noRecord = edit.file.isEmpty()
                                 ? QStringLiteral("所选时间范围内没有记录")
                                 : QStringLiteral("所选时间范围内没有文件%1的记录").arg(edit.file);
    if (edit.op != EditOp::Fill) {
        for (qsizetype i = lo; i < hi; ++i)
            if (mask[layer.source[std::size_t(i)]])
                return QString();
        return noRecord;
    }
    if (layer.intervalSeconds <= 0)
        return QStringLiteral("无法确定记录间隔,不能插补");
    // Every gap with a slot in the range, from the record before `from` to the one after `to`.
    bool found = false;
    for (qsizetype i = std::max<qsizetype>(lo - 1, 0); i + 1 < layer.size() && i < hi; ++i) {
        const qint64 ta = layer.times[std::size_t(i)], tb = layer.times[std::size_t(i + 1)];
        const SlotRange fillSlots = gapSlots(ta, tb, edit.from, edit.to, layer.intervalSeconds);
        if (fillSlots.count() == 0 || !mask[layer.source[std::size_t(i)]] ||
            !mask[layer.source[std::size_t(i + 1)]])
            continue;
        if (tb - ta > edit.maxGapSeconds || fillSlots.count() > kMaxSlotsPerGap)
            return QStringLiteral("%1起缺失%2,超过插补上限%3")
                .arg(clockText(ta), durationText(tb - ta), durationText(edit.maxGapSeconds));
        found = true;
    }
    return found ? QString() : QStringLiteral("所选时间范围内没有可插补的缺失记录");
}

SurveyLayer applyEdits(const SurveyLayer &raw, std::span<const Edit> edits)
{
    EditEngine engine(raw);
    for (const Edit *e : inOrder(edits))
        if (engine.applicable(*e))
            engine.apply(*e);
    return engine.take();
}

std::vector<EditVolume> editVolumes(const SurveyLayer &raw, std::span<const Edit> edits)
{
    EditEngine engine(raw);
    std::vector<EditVolume> out;
    for (const Edit *e : inOrder(edits)) {
        EditVolume v;
        v.id = e->id;
        if (engine.applicable(*e)) {
            const bool counts = raw.family == Family::Rva;
            const double before = counts ? engine.windowVolume(*e) : 0.0;
            engine.apply(*e);
            v.volumeM3 = counts ? engine.windowVolume(*e) - before : 0.0;
        }
        out.push_back(v);
    }
    return out;
}

DriftEnds driftFromVisits(std::span<const VisitDifference> visits, qint64 from, qint64 to)
{
    DriftEnds ends;
    if (from > to) {
        ends.message = QStringLiteral("开始时间晚于结束时间");
        return ends;
    }
    const VisitDifference *before = nullptr, *after = nullptr;
    for (const VisitDifference &v : visits) {
        if (!std::isfinite(v.differenceMm))
            continue;
        if (v.time <= from && (!before || v.time >= before->time))
            before = &v;
        if (v.time >= to && (!after || v.time <= after->time))
            after = &v;
    }
    if (!after) {
        ends.message = QStringLiteral("结束时间之后没有现场核查记录,请输入结束偏移量");
        return ends;
    }
    ends.valid = true;
    ends.fromVisitFound = before != nullptr;
    ends.atFrom = before ? before->differenceMm : 0.0;
    ends.fromVisit = before ? before->time : from;
    ends.atTo = after->differenceMm;
    ends.toVisit = after->time;
    return ends;
}

QString recordFlagText(quint8 flags)
{
    QStringList parts;
    if (flags & FlagRemoved)
        parts << QStringLiteral("删除");
    if (flags & FlagFilled)
        parts << QStringLiteral("插补");
    if (flags & FlagCorrected)
        parts << QStringLiteral("修正");
    return parts.isEmpty() ? QStringLiteral("原始") : parts.join(QStringLiteral("、"));
}

} // namespace lmv::survey
