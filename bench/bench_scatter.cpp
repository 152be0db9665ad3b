// Times the sediment sweep and the Lanfear-Coll fit over a million records of a DN1000 pipe
// (all 501 candidate depths). Levels are not rounded to the millimetre, so every surface bin is
// occupied and the sweep does its most work. Prints "name: value unit" lines.

#include "data/PipeCurves.h"
#include "data/SedimentFit.h"
#include "data/Tables.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace lmv;

int main()
{
    const PipeGeometry pipe = pipeGeometryFrom(PipeCircle, 1000, 0, 0, 0);
    PipeGeometry real = pipe;
    real.sediment = 80;
    const int count = 1000000;
    std::vector<float> levels(count), velocities(count);
    quint32 state = 7u;
    auto uniform = [&state] {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / 16777216.0;
    };
    for (int i = 0; i < count; ++i) {
        const double level = 0.1 + 0.85 * uniform();
        levels[std::size_t(i)] = float(level);
        velocities[std::size_t(i)] =
            float(manningVelocity(sectionAt(real, level - 0.08).radius(), 0.002, 0.013) *
                  (0.98 + 0.04 * uniform()));
    }
    QElapsedTimer timer;
    timer.start();
    const SedimentSweep sweep = sweepSediment(pipe, levels, velocities);
    const double sweepMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const LanfearCollFit fit = fitLanfearColl(pipe, levels, velocities);
    const double fitMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("sediment_sweep_1M: %.0f ms\n", sweepMs);
    std::printf("lanfear_coll_fit_1M: %.0f ms\n", fitMs);
    std::fprintf(stderr, "(best %d mm, rmse %.4f; fit C %.3f over %lld records)\n", sweep.bestMm,
                 sweep.best.rmse, fit.coefficient, static_cast<long long>(fit.records));
    return 0;
}
