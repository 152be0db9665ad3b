// bench_survey_gui: the survey window over a point of eight weekly files at 2 min (40,320
// records) in a 1600 × 900 window: the hydrograph's first draw (series made from the joined layer,
// panes laid out and painted) and the whole window opening (read, join, daily table, files, first
// draw); and the project overview's matrix of 50 points × 12 weeks: filled and painted, then
// scrolled a page; and one edit stored from the open window with every view redrawn. Prints "name: value
// unit" lines, medians of several runs in new windows.

#include "bench/BenchMeasure.h"
#include "bench/BenchWindow.h"
#include "bench/SurveyStore.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/SurveyPlotData.h"
#include "survey/ProjectFiles.h"
#include "survey/SurveyJoin.h"
#include "views/ProjectOverviewView.h"
#include "views/SurveyEditPane.h"
#include "views/SurveyWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLayout>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

using namespace bench;
using namespace lmv::survey;

namespace {

constexpr int kOverviewPoints = 50;
constexpr int kOverviewDays = 12 * 7;

// Lays the window out and paints it now, as on screen.
void drawNow(QWidget &parent)
{
    parent.layout()->activate();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    parent.repaint();
}

// An overview of 50 points × 12 weeks as computeOverview fills it: full days of 720 records at
// 2 min, a few holes.
ProjectOverview bigOverview()
{
    ProjectOverview o;
    o.project = QStringLiteral("基准项目");
    o.firstDay = 19787; // 2024-03-04
    o.dayTotals.resize(kOverviewDays);
    for (int p = 0; p < kOverviewPoints; ++p) {
        OverviewRow row;
        row.point = QStringLiteral("测点%1").arg(p + 1, 2, 10, QLatin1Char('0'));
        row.family = lmv::Family::Rva;
        row.files = 12;
        for (int d = 0; d < kOverviewDays; ++d) {
            OverviewCell cell;
            const bool hole = (p * 7 + d) % 23 == 0;
            cell.records = hole ? 360 : 720;
            cell.countedSeconds = cell.records * 120;
            cell.volumeM3 = 8000.0 + 37.0 * p + 11.0 * d;
            row.days.push_back(cell);
            row.total.records += cell.records;
            row.total.countedSeconds += cell.countedSeconds;
            row.total.volumeM3 += cell.volumeM3;
            o.dayTotals[d].records += cell.records;
            o.dayTotals[d].countedSeconds += cell.countedSeconds;
            o.dayTotals[d].volumeM3 += cell.volumeM3;
        }
        o.total.records += row.total.records;
        o.total.countedSeconds += row.total.countedSeconds;
        o.total.volumeM3 += row.total.volumeM3;
        o.rows.push_back(row);
    }
    return o;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString index = writeStore(dir.path(), 1);
    if (index.isEmpty()) {
        std::fprintf(stderr, "bench_survey_gui: cannot write the store\n");
        return 1;
    }
    const ProjectFiles project = readProjectFiles(index);
    lmv::SurveyTarget target{project.name, index, project.points.front()};

    // The hydrograph of the joined layer, in a new window each run.
    const JoinedSurvey joined = readSurvey(project.name, project.points.front());
    std::vector<double> draws;
    std::size_t drawn = 0;
    for (int run = 0; run < 9; ++run) {
        QWidget parent;
        auto *hydrograph = new Hydrograph;
        showAt1600x900(parent, hydrograph);
        const double cpu = threadMs();
        hydrograph->setData(
            lmv::surveyLayerPlotData(joined.layer, lmv::refreshUnitFactors(), lmv::RvaUnitLabels));
        hydrograph->setTimeMarks(SurveyWindow::FileBoundaryMarks, Qt::darkMagenta,
                                 lmv::fileBoundaries(joined.layer));
        drawNow(parent);
        draws.push_back(threadMs() - cpu);
        drawn = hydrograph->lastDrawnPoints();
    }
    std::printf("# %lld records, %zu points drawn\n", static_cast<long long>(joined.layer.size()), drawn);
    print("survey_hydrograph_draw", median(draws), "ms");

    // The whole window: read, join, figures, files, visits (no database) and the first draw.
    std::vector<double> opens;
    for (int run = 0; run < 7; ++run) {
        QWidget parent;
        auto *window = new SurveyWindow;
        showAt1600x900(parent, window);
        const double cpu = threadMs();
        window->showSurvey(target);
        drawNow(parent);
        opens.push_back(threadMs() - cpu);
    }
    print("survey_window_open", median(opens), "ms");

    // One edit stored from the open window and everything it shows redrawn: a record removed at
    // noon of another day each time, through the edit tab as the dialog's OK does it.
    {
        QWidget parent;
        auto *window = new SurveyWindow;
        showAt1600x900(parent, window);
        window->showSurvey(target);
        drawNow(parent);
        std::vector<double> commits, walls;
        for (int run = 0; run < 9; ++run) {
            Edit edit;
            edit.op = EditOp::Remove;
            edit.from = edit.to = joined.layer.times[std::size_t(360 + 720 * (run + 1))];
            edit.reason = QStringLiteral("基准");
            QString error;
            QElapsedTimer wall;
            wall.start();
            const double cpu = threadMs();
            if (!window->editPane->storeEdit(edit, &error)) {
                std::fprintf(stderr, "bench_survey_gui: edit not stored: %s\n", qPrintable(error));
                return 1;
            }
            drawNow(parent);
            commits.push_back(threadMs() - cpu);
            walls.push_back(double(wall.nsecsElapsed()) / 1e6);
        }
        print("edit_commit_window", median(walls), "ms");
        print("edit_commit_window_cpu", median(commits), "ms");
    }

    // The overview matrix: filled and painted, then a page further down and right.
    const ProjectOverview big = bigOverview();
    std::vector<double> fills, scrolls;
    for (int run = 0; run < 7; ++run) {
        QWidget parent;
        auto *view = new ProjectOverviewView;
        showAt1600x900(parent, view);
        double cpu = threadMs();
        view->setOverview(big);
        drawNow(parent);
        fills.push_back(threadMs() - cpu);
        cpu = threadMs();
        QScrollBar *v = view->table->verticalScrollBar();
        QScrollBar *h = view->table->horizontalScrollBar();
        v->setValue(v->value() + v->pageStep());
        h->setValue(h->value() + h->pageStep());
        drawNow(parent);
        scrolls.push_back(threadMs() - cpu);
    }
    std::printf("# overview of %d points x %d days\n", kOverviewPoints, kOverviewDays);
    print("project_overview_view_fill", median(fills), "ms");
    print("project_overview_view_scroll", median(scrolls), "ms");
    return 0;
}
