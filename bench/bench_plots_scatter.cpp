// The scattergraph part of bench_plots: a DN1000 sewer survey of 1 000 000 records, drawn in the
// RVA record window (1600 × 900), and the sediment sweep over all its 501 candidate depths.
// Levels are not rounded to the millimetre, so every surface bin of the sweep is occupied and
// the sweep does its most work.

#include "bench/bench_plots_scatter.h"
#include "bench/BenchMeasure.h"
#include "bench/BenchWindow.h"

#include "data/PipeCurves.h"
#include "data/SedimentFit.h"
#include "data/SedimentTrust.h"
#include "data/Statistics.h"
#include "data/Tables.h"
#include "plots/ScatterItem.h"
#include "plots/Scattergraph.h"
#include "views/RVA_RecordWindow.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>

#include <QElapsedTimer>
#include <QImage>
#include <QLayout>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace bench;

namespace {

// Records a few seconds apart over a month; velocities on Manning's curve above 80 mm of
// sediment, with noise, levels from the bottom as if the header said no sediment.
std::vector<lmv::RvaRecord> sewer(int n)
{
    lmv::PipeGeometry real = lmv::pipeGeometryFrom(lmv::PipeCircle, 1000, 0, 0, 80);
    std::vector<lmv::RvaRecord> records(static_cast<std::size_t>(n));
    quint32 state = 7u;
    auto uniform = [&state] {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / 16777216.0;
    };
    for (int i = 0; i < n; ++i) {
        const qint64 s = qint64(i) * 2 + 12 * 3600;
        lmv::RvaRecord &r = records[std::size_t(i)];
        r.time = {quint8(s / 3600 % 24),           quint8(s / 60 % 60),       quint8(s % 60), 0, 2024,
                  quint8(1 + s / 86400 / 28 % 12), quint8(1 + s / 86400 % 28)};
        r.sequence = quint32(i + 1);
        const double level = 0.1 + 0.85 * uniform();
        r.level = float(level);
        r.velocity = float(lmv::manningVelocity(lmv::sectionAt(real, level - 0.08).radius(), 0.002, 0.013) *
                           (0.98 + 0.04 * uniform()));
        r.flow = r.level * r.velocity * 800.0f;
        r.temperature = 15.0f;
    }
    return records;
}

} // namespace

void benchScattergraph()
{
    const std::vector<lmv::RvaRecord> records = sewer(1000000);
    {
        std::vector<float> levels, velocities;
        for (const lmv::RvaRecord &r : records) {
            levels.push_back(r.level);
            velocities.push_back(r.velocity);
        }
        const lmv::PipeGeometry pipe = lmv::pipeGeometryFrom(lmv::PipeCircle, 1000, 0, 0, 0);
        std::vector<double> sweeps;
        lmv::SedimentSweep sweep;
        for (int k = 0; k < 3; ++k) {
            QElapsedTimer timer;
            timer.start();
            sweep = lmv::sweepSediment(pipe, levels, velocities);
            sweeps.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        print("sediment_sweep_1M", median(sweeps), "ms");
        print("sediment_sweep_1M_estimate", sweep.bestMm, "mm (80 mm built in)");
        // How far the estimate can be trusted: four more sweeps over parts of the records used.
        std::vector<double> trusts;
        lmv::SedimentTrust trust;
        for (int k = 0; k < 3; ++k) {
            QElapsedTimer timer;
            timer.start();
            trust = lmv::assessSediment(pipe, levels, velocities, sweep);
            trusts.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        print("sediment_trust_1M", median(trusts), "ms");
        print("sediment_trust_1M_largest_part_difference", trust.largestDifferenceMm, "mm");
    }

    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    showAt1600x900(parent, w.root);
    lmv::DataFileHeader header;
    header.point = lmv::makePointRecord(QStringLiteral("基准"), QStringLiteral("基准"), 0, 1000, 0, 0, 0);
    w.showRvaFile(header, records, lmv::refreshUnitFactors());
    parent.repaint();
    w.splitter->setSizes({0, 900});

    // Showing the view reads the records and runs both fits, then draws.
    double cpu = threadMs();
    w.showLowerView(2);
    print("scattergraph_1M_show_with_fits", threadMs() - cpu, "ms");
    parent.layout()->activate();
    w.scattergraph->grab();

    // A redraw of the plot: a million records binned into cells and painted once per cell, with
    // the reference lines, grid and colour bar. The canvas keeps no picture between runs.
    std::vector<double> draws;
    QImage target(w.scattergraph->plot()->size(), QImage::Format_ARGB32_Premultiplied);
    if (auto *canvas = qobject_cast<QwtPlotCanvas *>(w.scattergraph->plot()->canvas()))
        canvas->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
    for (int k = 0; k < 7; ++k) {
        cpu = threadMs();
        w.scattergraph->plot()->render(&target);
        draws.push_back(threadMs() - cpu);
    }
    print("scattergraph_1M_draw", median(draws), "ms");
    print("scattergraph_1M_cells_drawn", double(w.scattergraph->points()->lastGrid().occupied), "cells");
}
