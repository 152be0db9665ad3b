// Times the survey of a point (8 weekly files at 2 min: read, join and daily table) and the
// overview of a project of 50 such points (400 files, 2 million records, in the page cache).
// Prints "name: value unit" lines.

#include "bench/BenchMeasure.h"
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

constexpr int kInterval = 120;
constexpr int kWeeks = 8;
constexpr int kPoints = 50;
constexpr qint64 kWeekRecords = 7 * 86400 / kInterval; // 5040

// One week of a DN800 sewer at 2 min with a daily rhythm, as a complete data file.
QByteArray weekFile(const QString &project, const QString &point, qint64 start, int seed)
{
    QByteArray file(int(kHeaderSize + kRvaRecordSize * std::size_t(kWeekRecords)), '\0');
    ByteWriter out(file);
    makePointRecord(project, point, PipeCircle, 800, 0, 0, 40).encode(out, 0);
    CalcParams calc;
    calc.recordInterval = kInterval;
    calc.encode(out, kCalcParamsOffset);
    out.u8(kTypeCodeOffset, kTypeCodeRva);
    for (qint64 i = 0; i < kWeekRecords; ++i) {
        const qint64 t = start + i * kInterval;
        const double hour = double(t % 86400) / 3600.0;
        RvaRecord r;
        r.time = recordTimeOf(t);
        r.sequence = quint32(i + 1);
        r.level = float(0.2 + 0.08 * std::sin((hour - 8.0) / 24.0 * 2.0 * M_PI) + 0.001 * (seed % 17));
        r.velocity = float(0.5 + 0.6 * r.level);
        r.flow = r.level * r.velocity * 480.0f;
        r.temperature = 14.0f;
        r.encode(out, kHeaderSize + kRvaRecordSize * std::size_t(i));
    }
    return file;
}

// A store of `points` points with eight weekly files each; returns the project index.
QString writeStore(const QString &root, int points)
{
    const QString project = QStringLiteral("基准项目");
    const qint64 start = QDateTime(QDate(2024, 3, 4), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    QStringList lines{QStringLiteral("$prj$") + project};
    for (int p = 0; p < points; ++p) {
        const QString point = QStringLiteral("测点%1").arg(p + 1, 2, 10, QLatin1Char('0'));
        lines << QStringLiteral("$pos$%1/%2").arg(project, point);
        QDir().mkpath(QStringLiteral("%1/%2/%3").arg(root, project, point));
        for (int w = 0; w < kWeeks; ++w) {
            const qint64 weekStart = start + qint64(w) * 7 * 86400;
            const QString name =
                QDateTime::fromSecsSinceEpoch(weekStart, Qt::UTC).toString(QStringLiteral("yyyyMMdd")) +
                QStringLiteral(".lmv");
            QFile f(QStringLiteral("%1/%2/%3/%4").arg(root, project, point, name));
            if (!f.open(QIODevice::WriteOnly) || f.write(weekFile(project, point, weekStart, p)) < 0)
                return {};
            lines << QStringLiteral("$record$%1/%2/%3").arg(project, point, name);
        }
    }
    writeIndexFiles(root + QLatin1Char('/'), lines);
    return QStringLiteral("%1/%2/%2.lmvprj").arg(root, project);
}

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
