#include "bench/bench_edits_commit.h"

#include "bench/BenchMeasure.h"
#include "bench/SurveyStore.h"
#include "data/DataFile.h"
#include "data/StoreIndex.h"
#include "data/TimeSteps.h"
#include "survey/EditStore.h"
#include "survey/PointSurvey.h"
#include "survey/SurveyFigures.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace lmv;
using namespace lmv::survey;

namespace bench {

namespace {

constexpr int kCommits = 21;
const QString kPoint = QStringLiteral("测点01");

// The k-th edit of the series: removals, offsets and fills taking turns over the weeks.
Edit nthEdit(int k, qint64 start)
{
    Edit e;
    e.reason = QStringLiteral("基准");
    const qint64 at = start + (200 + qint64(k) * 1931 % (kWeeks * kWeekRecords - 600)) * kInterval;
    e.from = at;
    switch (k % 3) {
    case 0:
        e.op = EditOp::Remove;
        e.to = at + 4 * kInterval;
        break;
    case 1:
        e.op = EditOp::Offset;
        e.value = 12.0;
        e.to = at + 180 * kInterval;
        break;
    default: // the removal two edits before, filled
        e = nthEdit(k - 2, start);
        e.op = EditOp::Fill;
        e.from -= kInterval;
        e.to += kInterval;
        break;
    }
    return e;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

bool benchEditCommit()
{
    QTemporaryDir dir;
    const qint64 start = QDateTime(QDate(2024, 3, 4), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    const QString index = writeStore(dir.path(), 1); // one point, 测点01, from that Monday on
    if (index.isEmpty())
        return false;
    ProjectDb db(ProjectDb::pathFor(index));
    PointSurvey ps = PointSurvey::read(index, kPoint, {}, LayerChoice::Edited, &db);
    std::vector<double> total, cpu, store, refresh, figures;
    double volume = 0.0;
    for (int k = 0; k < kCommits; ++k) {
        Edit e = nthEdit(k, start);
        const double cpuStart = threadMs();
        QElapsedTimer all, step;
        all.start();
        step.start();
        QString error;
        if (!addEdit(db, kPoint, ps.wholeRaw(), e, &error)) {
            std::fprintf(stderr, "edit_commit: %s\n", qPrintable(error));
            return false;
        }
        store.push_back(msSince(step));
        step.restart();
        ps.refreshEdits(db);
        refresh.push_back(msSince(step));
        step.restart();
        const SurveyFigures fig = checkSurvey(ps.layer());
        figures.push_back(msSince(step));
        total.push_back(msSince(all));
        cpu.push_back(threadMs() - cpuStart);
        volume = fig.total.volumeM3;
    }
    print("edit_commit", median(total), "ms");
    print("edit_commit_slowest", *std::max_element(total.begin(), total.end()), "ms");
    print("edit_commit_cpu", median(cpu), "ms");
    print("edit_commit_store", median(store), "ms");
    print("edit_commit_layer", median(refresh), "ms");
    print("edit_commit_figures", median(figures), "ms");
    std::printf("edit_commit_survey: %lld records, %zu edits, %.0f m3\n", (long long)ps.layer().size(),
                ps.edits().size(), volume);
    return true;
}

} // namespace bench
