#include "tools/samplegen/SyntheticSurvey.h"

#include "data/Hydraulics.h"
#include "data/PipeCurves.h"
#include "data/Tables.h"
#include "data/TimeSteps.h"
#include "survey/DryWeather.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lmv::samplegen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr qint64 kRainInterval = 300;
constexpr qint64 kDay = 86400;

// Uniform in [-1, 1), the same on every platform.
class Noise
{
public:
    explicit Noise(quint32 seed) : m_state(seed) {}
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<double>(m_state >> 8) / 8388608.0 - 1.0;
    }

private:
    quint32 m_state;
};

// A bump of the day centred at an hour, wrapping at midnight.
double bump(double hour, double centre, double width)
{
    const double d = std::fmod(hour - centre + 36.0, 24.0) - 12.0;
    return std::exp(-d * d / (2.0 * width * width));
}

// The shape of a day's sanitary flow: low at night, a morning peak, a midday shoulder and an
// evening peak; the weekend's morning comes later and lower.
double rawShape(bool weekend, double hour)
{
    if (weekend)
        return 0.40 + 0.95 * bump(hour, 10.0, 2.2) + 0.55 * bump(hour, 14.0, 2.5) +
               0.80 * bump(hour, 19.5, 2.2);
    return 0.35 + 1.10 * bump(hour, 7.75, 1.4) + 0.55 * bump(hour, 12.5, 2.2) + 0.85 * bump(hour, 19.5, 2.0);
}

// Mean of a shape over the day, so that the sanitary flow's mean is the one asked for.
double shapeMean(bool weekend)
{
    constexpr int steps = 8640;
    double sum = 0.0;
    for (int i = 0; i < steps; ++i)
        sum += rawShape(weekend, 24.0 * i / steps);
    return sum / steps;
}

// Share of a triangular hyetograph (peak at a third) fallen after tau of its duration.
double fallenShare(double tau, double duration)
{
    if (tau <= 0.0)
        return 0.0;
    if (tau >= duration)
        return 1.0;
    const double peak = duration / 3.0;
    if (tau <= peak)
        return tau * tau / (peak * duration);
    return 1.0 - (duration - tau) * (duration - tau) / ((duration - peak) * duration);
}

// Rain fallen by clock seconds t, mm.
double fallenBy(const SyntheticSpec &plan, qint64 t)
{
    double sum = 0.0;
    for (const SyntheticStorm &s : plan.storms)
        sum += s.depthMm * fallenShare(double(t - s.start), s.hours * 3600.0);
    return sum;
}

bool inside(const std::vector<TimeSpan> &spans, qint64 t, bool endInclusive)
{
    for (const TimeSpan &s : spans)
        if (endInclusive ? (t > s.start && t <= s.end) : (t >= s.start && t < s.end))
            return true;
    return false;
}

// The gauge: whole bucket tips of the rain fallen, per 5-minute interval.
survey::RainSeries makeRain(const SyntheticSpec &plan)
{
    survey::RainSeries rain;
    rain.intervalSeconds = kRainInterval;
    const qint64 from = plan.start - qint64(plan.gaugeDaysBefore) * kDay;
    const qint64 to = plan.start + qint64(plan.days) * kDay;
    qint64 tipsBefore = std::llround(fallenBy(plan, from) / plan.bucketMm);
    for (qint64 t = from + kRainInterval; t <= to; t += kRainInterval) {
        const qint64 tips = std::llround(fallenBy(plan, t) / plan.bucketMm);
        const double depth = double(tips - tipsBefore) * plan.bucketMm;
        tipsBefore = tips;
        if (inside(plan.gaugeHoles, t, true))
            continue;
        if (!rain.covered.isEmpty() && rain.covered.back().end == t - kRainInterval)
            rain.covered.back().end = t;
        else
            rain.covered.append(TimeSpan{t - kRainInterval, t});
        rain.times.push_back(t);
        rain.depthMm.push_back(depth);
    }
    return rain;
}

// Adds every wet interval's response through the three triangles to the inflow of the records
// at start + j·interval.
std::vector<double> inflow(const SyntheticSpec &plan, const survey::RainSeries &rain, std::size_t records)
{
    std::vector<double> q(records, 0.0);
    const double areaM2 = plan.areaHa * 10000.0;
    for (std::size_t k = 0; k < rain.times.size(); ++k) {
        if (rain.depthMm[k] <= 0.0)
            continue;
        const double onset = double(rain.times[k]) - kRainInterval / 2.0; // the middle of the interval
        const double volume = rain.depthMm[k] / 1000.0 * areaM2;          // m³
        for (const UnitTriangle &tri : plan.triangles) {
            const double peak = tri.peakHours * 3600.0, base = peak * (1.0 + tri.k);
            const double top = 2.0 * tri.r * volume / base * 1000.0; // L/s
            const qint64 firstRecord =
                std::max<qint64>(0, qint64(std::ceil((onset - double(plan.start)) / plan.intervalSeconds)));
            for (qint64 j = firstRecord; j < qint64(records); ++j) {
                const double tau = double(plan.start + j * plan.intervalSeconds) - onset;
                if (tau >= base)
                    break;
                q[std::size_t(j)] += tau < peak ? top * tau / peak : top * (base - tau) / (base - peak);
            }
        }
    }
    return q;
}

// Level of a circular pipe at normal depth for a flow, from a table of Manning flows.
class NormalDepth
{
public:
    NormalDepth(const PipeGeometry &pipe, double slope, double n)
    {
        const double top = fullLevelMetres(pipe) * 0.938; // Manning's flow peaks just below the crown
        for (int i = 0; i <= kSteps; ++i) {
            const double level = top * i / kSteps;
            const Section s = sectionAt(pipe, level);
            m_level.push_back(level);
            m_flow.push_back(manningVelocity(s.radius(), slope, n) * s.area * 1000.0);
        }
    }
    double levelFor(double flow) const
    {
        const auto it = std::lower_bound(m_flow.begin(), m_flow.end(), flow);
        if (it == m_flow.begin())
            return m_level.front();
        if (it == m_flow.end())
            return m_level.back();
        const std::size_t i = std::size_t(it - m_flow.begin());
        const double share = (flow - m_flow[i - 1]) / (m_flow[i] - m_flow[i - 1]);
        return m_level[i - 1] + share * (m_level[i] - m_level[i - 1]);
    }

private:
    static constexpr int kSteps = 4000;
    std::vector<double> m_level, m_flow;
};

} // namespace

double syntheticDryFlow(const SyntheticSpec &plan, bool weekend, double hourOfDay)
{
    static const double means[2] = {shapeMean(false), shapeMean(true)};
    const double sanitary = weekend ? plan.weekendSanitary : plan.weekdaySanitary;
    return plan.infiltration + sanitary * rawShape(weekend, hourOfDay) / means[weekend ? 1 : 0];
}

SyntheticSurvey makeSyntheticSurvey(const SyntheticSpec &plan)
{
    SyntheticSurvey out;
    out.rain = makeRain(plan);
    for (const SyntheticStorm &s : plan.storms) {
        const qint64 end = s.start + std::llround(s.hours * 3600.0);
        out.events.push_back({s.start, end, survey::depthBetween(out.rain, s.start, end)});
    }
    const int perDay = survey::slotCount(plan.intervalSeconds);
    double weekdaySum = 0.0, weekendSum = 0.0;
    for (int s = 0; s < perDay; ++s) {
        const double hour = double(s) * plan.intervalSeconds / 3600.0;
        out.weekday.push_back(syntheticDryFlow(plan, false, hour));
        out.weekend.push_back(syntheticDryFlow(plan, true, hour));
        weekdaySum += out.weekday.back();
        weekendSum += out.weekend.back();
    }
    out.adwf = (5.0 * weekdaySum + 2.0 * weekendSum) / (7.0 * perDay);
    for (const UnitTriangle &t : plan.triangles)
        out.runoffRatio += t.r;

    const std::size_t grid = std::size_t(plan.days) * std::size_t(kDay / plan.intervalSeconds);
    const std::vector<double> storm = inflow(plan, out.rain, grid);
    const PipeSaveIntoTfType point = makePointRecord(QStringLiteral("合成"), QStringLiteral("合成井"),
                                                     PipeCircle, plan.diameterMm, 0, 0, 0);
    const PipeGeometry pipe = pipeGeometryFrom(point);
    const NormalDepth depth(pipe, plan.slope, plan.manningN);
    Noise noise(plan.seed);
    std::vector<qint64> times;
    std::vector<float> level, velocity, flow;
    for (std::size_t j = 0; j < grid; ++j) {
        const qint64 t = plan.start + qint64(j) * plan.intervalSeconds;
        const qint64 day = survey::dayOf(t);
        const bool weekend = survey::weekdayOf(day) >= 6;
        const double dry = syntheticDryFlow(plan, weekend, double(t - day * kDay) / 3600.0);
        const double q = dry * (1.0 + plan.noise * noise.next()) + storm[j];
        if (inside(plan.flowGaps, t, false))
            continue;
        const float h = float(depth.levelFor(q));
        const float area = wettedArea(pipe, h * 1000.0f) / 1.0e6f; // m²
        const float v = area > 0.0f ? float(q / 1000.0 / area) : 0.0f;
        times.push_back(t);
        level.push_back(h);
        velocity.push_back(v);
        flow.push_back(recordFlow(pipe, h, v));
        out.rdii.push_back(storm[j]);
    }
    CalcParams calc;
    calc.recordInterval = quint32(plan.intervalSeconds);
    out.layer = survey::makeRvaLayer(times, level, velocity, flow, point, calc);
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double hour = double(times[i] % kDay) / 3600.0;
        out.layer.rva[i].temperature =
            float(std::round((16.0 + 1.2 * std::sin((hour - 9.0) / 12.0 * kPi)) * 100.0) / 100.0);
    }
    return out;
}

QByteArray rainCsv(const survey::RainSeries &rain)
{
    QByteArray out = QStringLiteral("时间,雨量(mm)\n").toUtf8();
    for (std::size_t k = 0; k < rain.times.size(); ++k) {
        const RecordTime at = recordTimeOf(rain.times[k]);
        char line[40];
        const int n = std::snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d,%.1f\n", at.year, at.month,
                                    at.day, at.hour, at.minute, rain.depthMm[k]);
        out.append(line, n);
    }
    return out;
}

} // namespace lmv::samplegen
