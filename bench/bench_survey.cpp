// Times the survey of a point (8 weekly files at 2 min: read, join and daily table) and the
// overview of a project of 50 such points (400 files, 2 million records, in the page cache).
// Prints "name: value unit" lines.

#include "bench/BenchMeasure.h"
#include "bench/SurveyStore.h"
#include "data/DataFile.h"
#include "data/StoreIndex.h"
#include "data/TimeSteps.h"
#include "survey/ProjectFiles.h"
#include "survey/ProjectOverview.h"
#include "survey/SurveyFigures.h"
#include "survey/SurveyJoin.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace lmv;
using namespace lmv::survey;
using namespace bench;

namespace {

double wallMs(const std::function<void()> &fn)
{
    QElapsedTimer timer;
    timer.start();
    fn();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString index = writeStore(dir.path(), kPoints);
    if (index.isEmpty()) {
        std::fprintf(stderr, "bench_survey: cannot write the store\n");
        return 1;
    }
    const ProjectFiles project = readProjectFiles(index);

    // One point: read, join and the daily table.
    std::vector<double> join, joinCpu, readCpu, joinOnlyCpu, checkCpu;
    qsizetype records = 0;
    double volume = 0.0;
    for (int run = 0; run < 9; ++run) {
        const double cpu = threadMs();
        join.push_back(wallMs([&]() {
            const JoinedSurvey s = readSurvey(project.name, project.points.front());
            const SurveyFigures fig = checkSurvey(s.layer);
            records = s.layer.size();
            volume = fig.total.volumeM3;
        }));
        joinCpu.push_back(threadMs() - cpu);
        // The three steps apart.
        double t0 = threadMs();
        std::vector<SurveyFileInput> inputs;
        for (const PointFile &f : project.points.front().files)
            inputs.push_back(readSurveyFile(f));
        double t1 = threadMs();
        const JoinedSurvey s = joinSurveyFiles(std::move(inputs));
        double t2 = threadMs();
        const SurveyFigures fig = checkSurvey(s.layer);
        double t3 = threadMs();
        readCpu.push_back(t1 - t0);
        joinOnlyCpu.push_back(t2 - t1);
        checkCpu.push_back(t3 - t2);
    }
    std::printf("# point of %lld records, %.1f m3\n", static_cast<long long>(records), volume);
    print("survey_join_8_files", median(join), "ms");
    print("survey_join_8_files_cpu", median(joinCpu), "ms");
    print("survey_join_8_files_read_cpu", median(readCpu), "ms");
    print("survey_join_8_files_join_cpu", median(joinOnlyCpu), "ms");
    print("survey_join_8_files_table_cpu", median(checkCpu), "ms");

    // The project overview, the files in the page cache after a first run.
    computeOverview(project);
    std::vector<double> overview, single;
    qsizetype total = 0;
    for (int run = 0; run < 5; ++run) {
        overview.push_back(wallMs([&]() { total = computeOverview(readProjectFiles(index)).total.records; }));
        single.push_back(wallMs([&]() { computeOverview(readProjectFiles(index), {}, 1); }));
    }
    std::printf("# %d points, %lld records\n", kPoints, static_cast<long long>(total));
    print("project_overview_50_points", median(overview), "ms");
    print("project_overview_50_points_one_thread", median(single), "ms");
    return 0;
}
