// Times the edited layer of a 1 000 000-record RVA survey (2-min records in a DN800 sewer with
// sediment, about 3.8 years) under 10 000 edits of every kind, many over one another: spikes
// removed, removed stretches filled, offsets over hours, velocity factors, and a drift between
// every two weekly visits, so that every record ends up corrected. Prints "name: value unit" lines:
// the wall time of the build (median of seven), the CPU time of the calling thread and of both
// threads, the build without the drifts, and the time of the history's volume changes. First, one
// edit committed to the project database of an 8-week survey with its figures refreshed
// (bench_edits_commit.cpp).

#include "bench/BenchMeasure.h"
#include "bench/bench_edits_commit.h"
#include "data/Hydraulics.h"
#include "data/Tables.h"
#include "survey/Edits.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

using namespace lmv;
using namespace lmv::survey;
using namespace bench;

namespace {

constexpr int kRecords = 1000000;
constexpr int kEdits = 10000;
constexpr qint64 kStep = 120;
constexpr qint64 kStart = 1704067200; // 2024-01-01 00:00 on the logger's clock
constexpr int kWeek = 7 * 24 * 30;    // records
constexpr int kRuns = 7;

SurveyLayer sewerSurvey()
{
    const PipeSaveIntoTfType pipe =
        makePointRecord(QStringLiteral("基准项目"), QStringLiteral("基准测点"), PipeCircle, 800, 0, 0, 40);
    const PipeGeometry geometry = pipeGeometryFrom(pipe);
    CalcParams calc;
    calc.recordInterval = kStep;
    calc.velocityCorrection = 1.05f;
    std::vector<qint64> t(kRecords);
    std::vector<float> level(kRecords), velocity(kRecords), flow(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        t[std::size_t(i)] = kStart + i * kStep;
        const double hour = double(i % 720) / 30.0;
        level[std::size_t(i)] = float(0.18 + 0.08 * std::sin(hour / 24.0 * 2.0 * M_PI));
        velocity[std::size_t(i)] = float(0.3 + 0.9 * std::sqrt(level[std::size_t(i)]));
        flow[std::size_t(i)] = recordFlow(geometry, level[std::size_t(i)], velocity[std::size_t(i)]);
    }
    return makeRvaLayer(t, level, velocity, flow, pipe, calc);
}

// CPU time of the whole process (both threads of the flow recomputation), ms.
double processMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

Edit make(qint64 id, EditOp op, qint64 first, qint64 last, double value = 0.0, double value2 = 0.0)
{
    Edit e;
    e.id = id;
    e.op = op;
    e.from = kStart + first * kStep;
    e.to = kStart + last * kStep;
    e.value = value;
    e.value2 = value2;
    e.reason = QStringLiteral("基准");
    return e;
}

std::vector<Edit> edits()
{
    std::vector<Edit> out;
    std::mt19937 random(20240311);
    auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    // A drift between every two weekly visits.
    for (int w = 0; w + kWeek <= kRecords; w += kWeek)
        out.push_back(
            make(qint64(out.size()), EditOp::Drift, w, w + kWeek - 1, pick(-20, 20), pick(-40, 40)));
    while (out.size() < std::size_t(kEdits)) {
        const int at = pick(0, kRecords - 400);
        const int kind = pick(0, 9);
        const auto id = qint64(out.size());
        if (kind < 4) {
            out.push_back(make(id, EditOp::Remove, at, at + pick(0, 2)));
        } else if (kind < 6) { // a blocked probe: removed, then filled
            const int last = at + pick(1, 10);
            out.push_back(make(id, EditOp::Remove, at, last));
            out.push_back(make(id + 1, EditOp::Fill, at - 1, last + 1));
        } else if (kind < 8) {
            out.push_back(make(id, EditOp::Offset, at, at + pick(30, 300), pick(-30, 30)));
        } else {
            out.push_back(make(id, EditOp::VelocityFactor, at, at + pick(30, 360), 0.9 + 0.02 * pick(0, 10)));
        }
    }
    out.resize(std::size_t(kEdits));
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!benchEditCommit())
        return 1;
    const SurveyLayer raw = sewerSurvey();
    const std::vector<Edit> list = edits();

    std::vector<double> wall, cpu, processCpu;
    qsizetype size = 0, filled = 0, corrected = 0;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        const double cpuStart = threadMs(), processStart = processMs();
        timer.start();
        const SurveyLayer edited = applyEdits(raw, list);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadMs() - cpuStart);
        processCpu.push_back(processMs() - processStart);
        size = edited.size();
        filled =
            std::count_if(edited.flags.begin(), edited.flags.end(), [](quint8 f) { return f & FlagFilled; });
        corrected = std::count_if(edited.flags.begin(), edited.flags.end(),
                                  [](quint8 f) { return f & FlagCorrected; });
    }
    print("edits_apply_1M_10k", median(wall), "ms");
    print("edits_apply_1M_10k_first_cpu", cpu.front(), "ms"); // into memory not yet mapped
    print("edits_apply_1M_10k_cpu", median(cpu), "ms");
    print("edits_apply_1M_10k_cpu_both_threads", median(processCpu), "ms");
    std::printf("edits_apply_1M_10k_layer: %lld records (%lld filled, %lld corrected)\n", (long long)size,
                (long long)filled, (long long)corrected);

    // Built again into the memory of the layer before, as a refresh after an edit does.
    wall.clear();
    cpu.clear();
    SurveyLayer previous = applyEdits(raw, list);
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        const double cpuStart = threadMs();
        timer.start();
        previous = applyEdits(raw, list, std::move(previous));
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadMs() - cpuStart);
    }
    print("edits_apply_1M_10k_reused", median(wall), "ms");
    print("edits_apply_1M_10k_reused_cpu", median(cpu), "ms");
    if (previous.size() != size)
        return 1;

    // The same edits without the weekly drifts: most records then keep their raw values.
    std::vector<Edit> noDrift;
    std::copy_if(list.begin(), list.end(), std::back_inserter(noDrift),
                 [](const Edit &e) { return e.op != EditOp::Drift; });
    wall.clear();
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const SurveyLayer edited = applyEdits(raw, noDrift);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("edits_apply_1M_10k_without_drifts", median(wall), "ms");

    QElapsedTimer timer;
    timer.start();
    const std::vector<EditVolume> volumes = editVolumes(raw, list);
    print("edit_volumes_1M_10k", double(timer.nsecsElapsed()) / 1e6, "ms");
    return volumes.size() == list.size() ? 0 : 1;
}
