#include "survey/Rdii.h"

#include "data/SurveyCheck.h"

#include <algorithm>

namespace lmv::survey {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The profile each group's days are measured against: its own, else the other group's.
struct ProfilePair
{
    const DiurnalProfile *weekday = nullptr;
    const DiurnalProfile *weekend = nullptr;

    explicit ProfilePair(const DryWeatherResult &dwf)
    {
        const DiurnalProfile *own[2] = {dwf.weekday.present() ? &dwf.weekday : nullptr,
                                        dwf.weekend.present() ? &dwf.weekend : nullptr};
        weekday = own[0] ? own[0] : own[1];
        weekend = own[1] ? own[1] : own[0];
    }
    bool any() const { return weekday != nullptr; }
    const DiurnalProfile &of(DayGroup group) const
    {
        return group == DayGroup::Weekend ? *weekend : *weekday;
    }
};

// Walks the records whose counted interval meets one event's window.
class WindowIntegral
{
public:
    WindowIntegral(const SurveyLayer &layer, const DryWeatherResult &dwf)
        : m_layer(layer), m_dwf(dwf), m_profiles(dwf),
          m_counted(countedSeconds(layer.times, layer.intervalSeconds))
    {}

    bool possible() const { return m_profiles.any() && m_dwf.intervalSeconds > 0; }

    void measure(RdiiEvent &e) const
    {
        const std::vector<qint64> &t = m_layer.times;
        // A record's counted interval never reaches past the next record, so only the record
        // just before the window can reach into it.
        auto it = std::lower_bound(t.begin(), t.end(), e.start);
        if (it != t.begin())
            --it;
        qint64 counted = 0;
        for (; it != t.end() && *it < e.windowEnd; ++it) {
            const std::size_t i = std::size_t(it - t.begin());
            const qint64 from = std::max(*it, e.start), until = std::min(*it + m_counted[i], e.windowEnd);
            const double profile = profileAt(*it);
            const double flow = m_layer.correctedFlow(qsizetype(i));
            if (until <= from || !std::isfinite(flow) || !std::isfinite(profile))
                continue;
            const double rdii = rdiiFlow(flow, profile);
            e.volumeM3 += rdii * double(until - from) / 1000.0;
            counted += until - from;
            if (*it >= e.start && rdii > e.peakRdii) {
                e.peakRdii = rdii;
                e.peakTime = *it;
            }
        }
        e.coverage = e.windowEnd > e.start ? double(counted) / double(e.windowEnd - e.start) : 0.0;
    }

private:
    double profileAt(qint64 t) const
    {
        const std::vector<double> &flow = m_profiles.of(m_dwf.groupOf(dayOf(t))).flow;
        const std::size_t slot = std::size_t(slotOf(t, m_dwf.intervalSeconds));
        return slot < flow.size() ? flow[slot] : kNaN;
    }

    const SurveyLayer &m_layer;
    const DryWeatherResult &m_dwf;
    ProfilePair m_profiles;
    std::vector<qint64> m_counted;
};

RdiiSummary summarize(const std::vector<RdiiEvent> &events)
{
    RdiiSummary s;
    double sum = 0.0;
    for (std::size_t k = 0; k < events.size(); ++k) {
        const RdiiEvent &e = events[k];
        if (s.largest < 0 || e.volumeM3 > events[std::size_t(s.largest)].volumeM3)
            s.largest = int(k);
        if (!std::isfinite(e.runoffRatio))
            continue;
        s.minRatio = s.withRatio == 0 ? e.runoffRatio : std::min(s.minRatio, e.runoffRatio);
        s.maxRatio = s.withRatio == 0 ? e.runoffRatio : std::max(s.maxRatio, e.runoffRatio);
        sum += e.runoffRatio;
        ++s.withRatio;
    }
    if (s.withRatio > 0)
        s.meanRatio = sum / s.withRatio;
    return s;
}

} // namespace

double runoffRatio(double volumeM3, double depthMm, double areaHa)
{
    if (!(depthMm > 0.0) || !(areaHa > 0.0) || !std::isfinite(depthMm) || !std::isfinite(areaHa))
        return kNaN;
    // depth (m) × area (m²)
    return volumeM3 / (depthMm / 1000.0 * areaHa * 10000.0);
}

RdiiResult rdiiEvents(const SurveyLayer &layer, const DryWeatherResult &dwf,
                      std::span<const RainEventSpan> events, const RdiiSettings &settings)
{
    RdiiResult r;
    const WindowIntegral integral(layer, dwf);
    if (layer.empty() || layer.rva.size() != layer.times.size() || !integral.possible()) {
        r.notes << QStringLiteral("没有旱季曲线,无法计算降雨入流");
        return r;
    }
    if (dwf.weekday.present() != dwf.weekend.present())
        r.notes << (dwf.weekday.present() ? QStringLiteral("周末没有旱季曲线,周末时段按工作日曲线扣除")
                                          : QStringLiteral("工作日没有旱季曲线,工作日时段按周末曲线扣除"));
    const bool hasArea = settings.areaHa > 0.0 && std::isfinite(settings.areaHa);
    if (!hasArea)
        r.notes << QStringLiteral("未输入集水面积,径流系数为空");

    std::vector<RainEventSpan> sorted(events.begin(), events.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const RainEventSpan &a, const RainEventSpan &b) { return a.start < b.start; });
    const double hours = std::isfinite(settings.responseHours) ? std::max(0.0, settings.responseHours) : 0.0;
    const qint64 response = qint64(std::llround(hours * 3600.0));
    const qint64 first = layer.times.front(), last = layer.times.back();
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        const RainEventSpan &span = sorted[k];
        if (span.start < first || span.start > last)
            continue;
        RdiiEvent e;
        e.start = span.start;
        e.end = span.end;
        e.depthMm = span.depthMm;
        e.windowEnd = std::max(span.start, span.end) + response;
        if (k + 1 < sorted.size())
            e.windowEnd = std::max(span.start, std::min(e.windowEnd, sorted[k + 1].start));
        integral.measure(e);
        if (hasArea)
            e.runoffRatio = runoffRatio(e.volumeM3, e.depthMm, settings.areaHa);
        r.events.push_back(e);
    }
    r.summary = summarize(r.events);
    return r;
}

} // namespace lmv::survey
