// Times the dry-weather flow (dry days, both profiles with the traces, the figures) and the
// storms' inflow of a made-up 12-week survey at 2 min (60,480 records) under a gauge that holds a
// year of 5-minute rain. Prints "name: value unit" lines: the median CPU time (and wall time, as
// "_wall") of 15 runs.

#include "bench/BenchMeasure.h"
#include "data/TimeSteps.h"
#include "survey/DryWeather.h"
#include "survey/Rdii.h"
#include "tools/samplegen/SyntheticSurvey.h"

#include <QElapsedTimer>

#include <cstdio>
#include <vector>

using namespace lmv;
using namespace lmv::survey;
using namespace lmv::samplegen;

namespace {

constexpr int kRuns = 15;
constexpr int kSurveyDays = 84;
constexpr int kGaugeDays = 365;

// A storm every four to six days over the gauge's year, of 2 to 30 mm.
SyntheticSpec yearSpec()
{
    SyntheticSpec plan;
    plan.start = clockSeconds(RecordTime{0, 0, 0, 0, 2024, 4, 1});
    plan.days = kSurveyDays;
    plan.gaugeDaysBefore = kGaugeDays - kSurveyDays;
    quint32 state = 7u;
    auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % quint32(range));
    };
    for (qint64 t = plan.start - qint64(plan.gaugeDaysBefore) * 86400;
         t < plan.start + kSurveyDays * 86400LL;) {
        t += (96 + next(48)) * 3600LL;
        plan.storms.push_back({t - t % 300, 1.0 + next(6), 0.2 * (10 + next(140))});
    }
    return plan;
}

// Median CPU time of this thread (what a step costs, whatever else the shared machine runs) and
// median wall time, in ms.
struct Times
{
    double cpu = 0.0;
    double wall = 0.0;
};

template <typename F>
Times medianMs(F &&step)
{
    std::vector<double> cpu, wall;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double before = bench::threadMs();
        step();
        cpu.push_back(bench::threadMs() - before);
        wall.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return {bench::median(cpu), bench::median(wall)};
}

void print(const QByteArray &name, const Times &t)
{
    bench::print(name.constData(), t.cpu, "ms");
    bench::print((name + "_wall").constData(), t.wall, "ms");
}

} // namespace

int main()
{
    const SyntheticSurvey survey = makeSyntheticSurvey(yearSpec());
    std::printf("records: %zu, rain intervals: %zu, storms: %zu\n", survey.layer.times.size(),
                survey.rain.times.size(), survey.events.size());
    const DryWeatherSettings settings;
    DryWeatherResult dwf;
    print("dwf_profile_12_weeks",
          medianMs([&] { dwf = dryWeatherFlow(survey.layer, &survey.rain, settings); }));
    RdiiResult rdii;
    print("rdii_events_12_weeks", medianMs([&] {
              rdii = rdiiEvents(survey.layer, dwf, survey.events, {24.0, 120.0});
          }));
    std::printf("dry days: %zu, events in the survey: %zu, mean R: %.3f (made with %.3f)\n",
                dwf.dryDays().size(), rdii.events.size(), rdii.summary.meanRatio, survey.runoffRatio);
    return 0;
}
