#include "survey/Edits.h"

#include "data/Hydraulics.h"
#include "data/LargeAllocator.h"
#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace lmv::survey {

namespace {

constexpr qint64 kDaySeconds = 86400;
// A fill bridges at most a day and puts at most this many records into one gap.
constexpr qint64 kMaxFillGapSeconds = kDaySeconds;
constexpr qint64 kMaxSlotsPerGap = 1440;
// Working bits of the raw records beside the RecordFlag ones: the record has a level offset
// (a velocity factor) of its own.
constexpr quint8 kLevelSet = 0x40;
constexpr quint8 kVelocitySet = 0x80;
constexpr quint8 kPublicFlags = FlagRemoved | FlagFilled | FlagCorrected;
// Below this many records with values edits changed, a second thread for the flows costs more
// than it saves.
constexpr std::size_t kHelperRecords = 200000;

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

// Whether the layer's arrays agree with each other and its times ascend, so that edits may
// index and search them.
bool wellFormed(const SurveyLayer &l)
{
    const std::size_t n = l.times.size();
    const std::size_t records = l.family == Family::Rva   ? l.rva.size()
                                : l.family == Family::Rvb ? l.rvb.size()
                                                          : 0;
    if (records != n || l.source.size() != n || l.sourceRecord.size() != n ||
        (!l.flags.empty() && l.flags.size() != n))
        return false;
    return std::all_of(l.source.begin(), l.source.end(), [&l](quint32 s) { return s < l.sources.size(); }) &&
           std::adjacent_find(l.times.begin(), l.times.end(), std::greater_equal<qint64>()) == l.times.end();
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

// A level with the offsets of its edits (m, added up first), a velocity with their factors
// (multiplied first): one rounding however many edits lie over a record.
float offsetLevel(float level, double offset)
{
    return float(double(level) + offset);
}

float scaledVelocity(float velocity, double factor)
{
    return float(double(velocity) * factor);
}

// A filled record while the edits are applied: its values as filled, and the offset and factor
// of the edits made after.
struct Filled
{
    float level = 0.0f;
    float velocity = 0.0f;
    float temperature = 0.0f;
    double offset = 0.0; // m
    double factor = 1.0;
    quint32 source = 0;
    quint8 flags = FlagFilled;

    float levelNow() const { return offsetLevel(level, offset); }
    float velocityNow() const { return scaledVelocity(velocity, factor); }
};

// Room for n elements in an empty list, mapped in by the system in one call: a layer of a million
// records otherwise takes a page fault every few thousand. (Large pages are not asked for: where
// memory is fragmented, the system may stall to assemble them.) A hint; without it the list is
// filled as well.
template <typename T>
void reserveMapped(std::vector<T> &list, std::size_t n)
{
    if (list.capacity() >= n) // room kept from an earlier layer, mapped in already
        return;
    list.reserve(n);
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::size_t kWorthIt = std::size_t(2) << 20;
    const std::size_t bytes = list.capacity() * sizeof(T);
    if (bytes < kWorthIt)
        return;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = (std::uintptr_t(list.data()) + page - 1) / page * page;
    const auto end = (std::uintptr_t(list.data()) + bytes) / page * page;
    if (begin < end) {
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#endif
}

// Room for n records in every list of a layer (those of its family).
void reserveLayer(SurveyLayer &layer, Family family, std::size_t n)
{
    reserveMapped(layer.times, n);
    reserveMapped(layer.source, n);
    reserveMapped(layer.sourceRecord, n);
    reserveMapped(layer.flags, n);
    if (family == Family::Rva)
        reserveMapped(layer.rva, n);
    else
        reserveMapped(layer.rvb, n);
}

// Recomputes the flows of the filled and corrected records of an RVA layer from their levels and
// velocities with their files' pipes, while the layer is being built: the pipe's area is the
// costly part of a layer. With a helper, a second thread follows the records as they are appended
// and the building thread joins in once the last one is there; both take chunks of records in
// turn. The layer's lists are reserved for all its records before, so they never move.
class FlowPass
{
public:
    FlowPass(SurveyLayer &layer, const std::vector<PipeFlow> &flow, std::size_t total, bool helper)
        : m_records(layer.rva.data()), m_flags(layer.flags.data()), m_sources(layer.source.data()),
          m_flow(flow), m_total(total)
    {
        if (!helper)
            return;
        try {
            m_helper = std::thread([this] { work(); });
        } catch (const std::system_error &) {
            // No thread to be had: the building thread does all.
        }
    }

    ~FlowPass()
    {
        if (m_helper.joinable()) { // the build stopped short: let the helper go
            m_stop.store(true);
            publish(m_total);
            m_helper.join();
        }
    }

    // Records [0, built) hold their final values.
    void built(std::size_t built)
    {
        if (built - m_published >= kChunk)
            publish(built);
    }

    // Once every record is built: recomputes what is left, with the helper.
    void finish()
    {
        publish(m_total);
        work();
        if (m_helper.joinable())
            m_helper.join();
    }

private:
    static constexpr std::size_t kChunk = 16384;

    void publish(std::size_t built)
    {
        m_published = built;
        m_built.store(built, std::memory_order_release);
        m_built.notify_all();
    }

    void work()
    {
        for (;;) {
            const std::size_t begin = m_next.fetch_add(kChunk, std::memory_order_relaxed);
            if (begin >= m_total)
                return;
            const std::size_t end = std::min(begin + kChunk, m_total);
            for (std::size_t built = m_built.load(std::memory_order_acquire); built < end;
                 built = m_built.load(std::memory_order_acquire))
                m_built.wait(built, std::memory_order_acquire);
            if (m_stop.load())
                return;
            for (std::size_t j = begin; j < end; ++j)
                if (m_flags[j] & (FlagFilled | FlagCorrected)) {
                    RvaRecord &r = m_records[j];
                    r.flow = m_flow[m_sources[j]](r.level, r.velocity);
                }
        }
    }

    RvaRecord *m_records;
    const quint8 *m_flags;
    const quint32 *m_sources;
    const std::vector<PipeFlow> &m_flow;
    const std::size_t m_total;
    std::size_t m_published = 0; // building thread only
    std::atomic<std::size_t> m_built{0};
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_stop{false};
    std::thread m_helper;
};

// The edits applied one by one beside the raw layer, which is only read: its records' flags, and
// the level offsets and velocity factors of the records edits change, are kept aside; filled
// records wait in a map by time; take() builds the edited layer in one pass. An edit costs only
// the records of its range.
class EditEngine
{
public:
    explicit EditEngine(const SurveyLayer &raw) : m_raw(raw), m_usable(wellFormed(raw))
    {
        for (const SurveySource &s : raw.sources)
            m_flow.emplace_back(pipeGeometryFrom(s.header.point));
        if (raw.times.size() > 1)
            m_step = (double(raw.times.back()) - double(raw.times.front())) / double(raw.times.size() - 1);
        if (m_usable) {
            // A raw layer has nothing removed; what else its flags say is kept.
            m_flags.resize(raw.times.size(), FlagRaw);
            for (std::size_t i = 0; i < raw.flags.size(); ++i)
                m_flags[i] = raw.flags[i] & (FlagFilled | FlagCorrected);
        }
    }

    // Whether the edit can do anything on this layer.
    bool applicable(const Edit &e) const
    {
        return m_usable && !e.undone && !m_raw.empty() && valueProblem(e, m_raw.family).isEmpty();
    }

    void apply(const Edit &e)
    {
        m_mask = sourceMask(m_raw, e);
        m_allSources = e.file.isEmpty();
        switch (e.op) {
        case EditOp::Remove:
            remove(e);
            break;
        case EditOp::Fill:
            fill(e);
            break;
        case EditOp::Offset:
        case EditOp::Drift:
            offset(e);
            break;
        case EditOp::VelocityFactor:
            scaleVelocity(e);
            break;
        }
    }

    // Volume (m³) of the present records from the last one before `from` (within reach of its
    // counted seconds) to the last one at or before `to`. An edit changes nothing outside this
    // window, so the difference of this figure before and after it is the layer's difference.
    double windowVolume(const Edit &e) const
    {
        const qint64 interval = m_raw.intervalSeconds;
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

    // The edited layer, built into the lists of `room` (their contents dropped, their memory kept).
    SurveyLayer take(SurveyLayer room = {}) const
    {
        SurveyLayer out = std::move(room);
        if (!m_changed) {
            out = m_raw; // element-wise copies into the room there is
            return out;
        }
        out.times.clear();
        out.sourceRecord.clear();
        out.rva.clear();
        out.rvb.clear();
        out.source.clear();
        out.flags.clear();
        out.family = m_raw.family;
        out.sources = m_raw.sources;
        out.intervalSeconds = m_raw.intervalSeconds;
        const bool rva = m_raw.family == Family::Rva;
        const std::size_t total = m_raw.times.size() - m_removed + m_filled.size();
        reserveLayer(out, m_raw.family, total);
        std::optional<FlowPass> flows;
        if (rva)
            flows.emplace(out, m_flow, total, total >= kHelperRecords && m_valuesChanged);
        // Runs of present raw records between removed ones and filled ones, copied whole.
        const std::size_t n = m_raw.times.size();
        auto f = m_filled.begin();
        for (std::size_t i = 0; i < n;) {
            if (m_flags[i] & FlagRemoved) {
                ++i;
                continue;
            }
            for (; f != m_filled.end() && f->first < m_raw.times[i]; ++f)
                appendFilled(out, f->first, f->second);
            const qint64 limit = f != m_filled.end() ? f->first : std::numeric_limits<qint64>::max();
            std::size_t end = i + 1;
            while (end < n && !(m_flags[end] & FlagRemoved) && m_raw.times[end] < limit)
                ++end;
            appendRun(out, i, end);
            i = end;
            if (flows)
                flows->built(out.times.size());
        }
        for (; f != m_filled.end(); ++f)
            appendFilled(out, f->first, f->second);
        Q_ASSERT(out.times.size() == total && out.times.capacity() >= total);
        if (flows)
            flows->finish();
        return out;
    }

private:
    // A present record: raw (index into the raw layer) or filled.
    struct Ref
    {
        qint64 time = 0;
        qsizetype raw = -1;
        const Filled *filled = nullptr;
    };

    bool present(std::size_t i) const { return !(m_flags[i] & FlagRemoved); }
    bool touches(quint32 source) const { return m_allSources || m_mask[source] != 0; }
    std::size_t lowerIndex(qint64 t) const { return boundIndex(t, false); }
    std::size_t upperIndex(qint64 t) const { return boundIndex(t, true); }
    // lower_bound (upper_bound) of a time among the raw times. They run close to a regular step,
    // so the search starts where the time would fall and widens from there: an edit then reads a
    // few neighbouring times instead of halving a million.
    std::size_t boundIndex(qint64 t, bool upper) const
    {
        const std::vector<qint64> &ts = m_raw.times;
        const std::size_t n = ts.size();
        auto before = [t, upper](qint64 x) { return upper ? x <= t : x < t; };
        const double guess = m_step > 0.0 ? (double(t) - double(ts.front())) / m_step : 0.0;
        std::size_t a = guess <= 0.0 ? 0 : guess >= double(n) ? n : std::size_t(guess), b = a;
        for (std::size_t w = 1; a > 0 && !before(ts[a - 1]); w *= 2)
            a = a > w ? a - w : 0;
        for (std::size_t w = 1; b < n && before(ts[b]); w *= 2)
            b = std::min(n, b + w);
        return std::size_t(
            std::partition_point(ts.begin() + std::ptrdiff_t(a), ts.begin() + std::ptrdiff_t(b), before) -
            ts.begin());
    }

    float rawLevel(std::size_t i) const
    {
        const float level = m_raw.rva[i].level;
        return (m_flags[i] & kLevelSet) ? offsetLevel(level, m_offset[i]) : level;
    }
    float rawVelocity(std::size_t i) const
    {
        const float velocity = m_raw.rva[i].velocity;
        return (m_flags[i] & kVelocitySet) ? scaledVelocity(velocity, m_factor[i]) : velocity;
    }
    quint32 sourceOf(const Ref &r) const
    {
        return r.filled ? r.filled->source : m_raw.source[std::size_t(r.raw)];
    }
    float levelOf(const Ref &r) const
    {
        return r.filled ? r.filled->levelNow() : rawLevel(std::size_t(r.raw));
    }
    float velocityOf(const Ref &r) const
    {
        return r.filled ? r.filled->velocityNow() : rawVelocity(std::size_t(r.raw));
    }
    float temperatureOf(const Ref &r) const
    {
        return r.filled ? r.filled->temperature : m_raw.rva[std::size_t(r.raw)].temperature;
    }

    // Corrected flow (L/s) of a present record as the edited layer will hold it.
    float correctedFlow(const Ref &r) const
    {
        if (m_raw.family != Family::Rva)
            return 0.0f;
        const quint32 s = sourceOf(r);
        const CalcParams &calc = m_raw.sources[s].header.calc;
        float flow;
        if (r.filled || (m_flags[std::size_t(r.raw)] & FlagCorrected))
            flow = m_flow[s](levelOf(r), velocityOf(r));
        else
            flow = m_raw.rva[std::size_t(r.raw)].flow;
        return flow * calc.velocityCorrection * calc.flowCorrection;
    }

    // Present records in time order: the last one before `from` no farther than reach, every
    // one in [from, to], and the first one after `to` no farther than reach from the last taken.
    std::vector<Ref> presentAround(qint64 from, qint64 to, qint64 reach) const
    {
        std::vector<Ref> refs;
        const std::size_t lo = lowerIndex(from), hi = upperIndex(to);
        const qint64 earliest = saturatingSub(from, reach);
        // Before.
        Ref before;
        for (std::size_t i = lo; i-- > 0 && m_raw.times[i] >= earliest;)
            if (present(i)) {
                before = Ref{m_raw.times[i], qsizetype(i), nullptr};
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
        std::size_t i = lo;
        while (i < hi || (f != m_filled.end() && f->first <= to)) {
            if (f != m_filled.end() && f->first <= to && (i >= hi || f->first < m_raw.times[i])) {
                refs.push_back(Ref{f->first, -1, &f->second});
                ++f;
            } else {
                if (present(i))
                    refs.push_back(Ref{m_raw.times[i], qsizetype(i), nullptr});
                ++i;
            }
        }
        // After.
        const qint64 latest = saturatingAdd(refs.empty() ? to : refs.back().time, reach);
        Ref after;
        for (std::size_t k = hi; k < m_raw.times.size() && m_raw.times[k] <= latest; ++k)
            if (present(k)) {
                after = Ref{m_raw.times[k], qsizetype(k), nullptr};
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
        for (std::size_t i = lowerIndex(e.from), hi = upperIndex(e.to); i < hi; ++i)
            if (present(i) && touches(m_raw.source[i])) {
                m_flags[i] |= FlagRemoved;
                ++m_removed;
                m_changed = true;
            }
        for (auto f = m_filled.lower_bound(e.from); f != m_filled.end() && f->first <= e.to;)
            f = touches(f->second.source) ? m_filled.erase(f) : std::next(f);
    }

    // Adds amount(t) to the level offset (multiplies the velocity factor by it) of every present
    // record the edit touches, raw and filled, and flags them corrected. The raw records are not
    // read: their values are taken with the offsets and factors when the layer is built.
    template <typename Amount>
    void correct(const Edit &e, bool level, Amount amount)
    {
        // Made with the first edit that needs them; only the values of edited records are read.
        std::vector<double, LargeAllocator<double>> &list = level ? m_offset : m_factor;
        if (list.empty())
            list.resize(m_raw.times.size());
        // Plain pointers: the flag bytes written in the loop could alias any member otherwise.
        double *values = list.data();
        quint8 *flags = m_flags.data();
        const qint64 *times = m_raw.times.data();
        const quint32 *sources = m_raw.source.data();
        const char *mask = m_allSources ? nullptr : m_mask.data();
        const quint8 own = level ? kLevelSet : kVelocitySet;
        const double none = level ? 0.0 : 1.0;
        bool any = false;
        for (std::size_t i = lowerIndex(e.from), hi = upperIndex(e.to); i < hi; ++i) {
            const quint8 flag = flags[i];
            if ((flag & FlagRemoved) || (mask && !mask[sources[i]]))
                continue;
            const double before = (flag & own) ? values[i] : none;
            values[i] = level ? before + amount(times[i]) : before * amount(times[i]);
            flags[i] = flag | own | FlagCorrected;
            any = true;
        }
        m_changed = m_changed || any;
        m_valuesChanged = m_valuesChanged || any;
        for (auto f = m_filled.lower_bound(e.from); f != m_filled.end() && f->first <= e.to; ++f)
            if (touches(f->second.source)) {
                Filled &r = f->second;
                if (level)
                    r.offset += amount(f->first);
                else
                    r.factor *= amount(f->first);
                r.flags |= FlagCorrected;
            }
    }

    // The level offset (m) of an offset, or of a drift at a time: linear from value (mm) at
    // `from` to value2 at `to`.
    void offset(const Edit &e)
    {
        const double from = double(e.from), base = e.value / 1000.0;
        const double slope = e.op == EditOp::Drift && e.to > e.from
                                 ? (e.value2 - e.value) / 1000.0 / (double(e.to) - from)
                                 : 0.0;
        correct(e, true, [from, base, slope](qint64 t) { return base + slope * (double(t) - from); });
    }

    void scaleVelocity(const Edit &e)
    {
        const double factor = e.value;
        correct(e, false, [factor](qint64) { return factor; });
    }

    void fill(const Edit &e)
    {
        const qint64 interval = m_raw.intervalSeconds;
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
        const float cva = m_raw.sources[sa].header.calc.velocityCorrection;
        const float cvb = m_raw.sources[sb].header.calc.velocityCorrection;
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
            m_changed = m_valuesChanged = true;
        }
    }

    // Raw records [begin, end) at the end of the layer with their edited values.
    void appendRun(SurveyLayer &out, std::size_t begin, std::size_t end) const
    {
        const std::size_t at = out.times.size();
        const auto b = std::ptrdiff_t(begin), e = std::ptrdiff_t(end);
        out.times.insert(out.times.end(), m_raw.times.begin() + b, m_raw.times.begin() + e);
        out.source.insert(out.source.end(), m_raw.source.begin() + b, m_raw.source.begin() + e);
        out.sourceRecord.insert(out.sourceRecord.end(), m_raw.sourceRecord.begin() + b,
                                m_raw.sourceRecord.begin() + e);
        out.flags.insert(out.flags.end(), m_flags.begin() + b, m_flags.begin() + e);
        if (m_raw.family != Family::Rva) {
            out.rvb.insert(out.rvb.end(), m_raw.rvb.begin() + b, m_raw.rvb.begin() + e);
            return;
        }
        out.rva.insert(out.rva.end(), m_raw.rva.begin() + b, m_raw.rva.begin() + e);
        const quint8 *flags = m_flags.data();
        const double *offset = m_offset.data(), *factor = m_factor.data();
        RvaRecord *records = out.rva.data() + at;
        quint8 *outFlags = out.flags.data() + at;
        for (std::size_t i = begin; i < end; ++i) {
            const quint8 flag = flags[i];
            if (!(flag & (kLevelSet | kVelocitySet)))
                continue;
            RvaRecord &r = records[i - begin];
            if (flag & kLevelSet)
                r.level = offsetLevel(r.level, offset[i]);
            if (flag & kVelocitySet)
                r.velocity = scaledVelocity(r.velocity, factor[i]);
            outFlags[i - begin] = flag & kPublicFlags;
        }
    }

    void appendFilled(SurveyLayer &out, qint64 t, const Filled &v) const
    {
        RvaRecord r;
        r.time = recordTimeOf(t);
        r.level = v.levelNow();
        r.velocity = v.velocityNow();
        r.temperature = v.temperature;
        out.times.push_back(t);
        out.rva.push_back(r);
        out.source.push_back(v.source);
        out.sourceRecord.push_back(-1);
        out.flags.push_back(v.flags);
    }

    const SurveyLayer &m_raw;
    bool m_usable; // a malformed layer is handed back as it came
    bool m_changed = false;
    bool m_valuesChanged = false; // some flow to recompute
    std::size_t m_removed = 0;
    std::vector<PipeFlow> m_flow; // the pipe of every source
    std::vector<char> m_mask;     // sources the current edit touches
    bool m_allSources = true;
    double m_step = 0.0;         // mean step of the raw times
    std::vector<quint8> m_flags; // of the raw records: RecordFlag and working bits
    // Level offsets (m) of the raw records where kLevelSet says so, velocity factors where
    // kVelocitySet does.
    std::vector<double, LargeAllocator<double>> m_offset;
    std::vector<double, LargeAllocator<double>> m_factor;
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
    return applyEdits(raw, edits, SurveyLayer());
}

SurveyLayer applyEdits(const SurveyLayer &raw, std::span<const Edit> edits, SurveyLayer &&room)
{
    EditEngine engine(raw);
    for (const Edit *e : inOrder(edits))
        if (engine.applicable(*e))
            engine.apply(*e);
    return engine.take(std::move(room));
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
