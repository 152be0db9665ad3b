// Times importing a year of one-minute rain (525 600 rows of "yyyy-MM-dd HH:mm,depth" under a
// header, the form gauges export): the file read, parsed into a rain series, hashed and stored in a
// new project database, as "导入雨量计数据" and `lmvtool rain import` do; then reading the stored
// gauge back and finding its storm events. The file is made first (a storm every few days, drizzle
// between) and read from the page cache. Prints "name: value unit" lines.

#include "bench/BenchMeasure.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "survey/RainImport.h"
#include "survey/StormEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace lmv::survey;
using namespace bench;

namespace {

constexpr int kRows = 525600;
constexpr int kRuns = 5;
constexpr int kEventRuns = 21;

// Depth (mm) of minute i: a two-hour storm every 61 hours, a drizzle minute every 7 hours.
double depthAt(int i)
{
    const int inStorm = i % (61 * 60);
    if (inStorm < 120)
        return inStorm < 30 ? 0.2 * (inStorm % 4) : inStorm < 60 ? 0.6 : 0.2;
    return i % (7 * 60) == 0 ? 0.2 : 0.0;
}

QByteArray yearFile()
{
    QByteArray file("时间,雨量(mm)\r\n");
    file.reserve(kRows * 24);
    static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0, day = 1, minuteOfDay = 0;
    char line[64];
    for (int i = 1; i <= kRows; ++i) {
        // Row i ends minute i of 2023.
        if (++minuteOfDay == 1440) {
            minuteOfDay = 0;
            if (++day > kMonthDays[month]) {
                day = 1;
                month = (month + 1) % 12;
            }
        }
        const int year = i == kRows ? 2024 : 2023;
        const int n = std::snprintf(line, sizeof line, "%d-%02d-%02d %02d:%02d,%.1f\r\n", year, month + 1,
                                    day, minuteOfDay / 60, minuteOfDay % 60, depthAt(i));
        file.append(line, n);
    }
    return file;
}

// One import as the user makes it; false after a message when it does not go through.
bool importYear(const QString &file, const QString &dbPath, RainImportResult &result, double &parsedMs,
                const QElapsedTimer &timer)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    RainImportMapping mapping;
    mapping.skipRows = 1;
    mapping.separator = ',';
    result = importRain(bytes, mapping);
    parsedMs = double(timer.nsecsElapsed()) / 1e6;
    if (result.refused())
        return false;
    GaugeImport gauge;
    gauge.name = QStringLiteral("一分钟雨量计");
    gauge.sourceName = QStringLiteral("year.csv");
    gauge.sourceSha256 = gaugeSourceSha256(bytes);
    ProjectDb db(dbPath);
    QString error;
    if (!importGauge(db, gauge, result.series, &error)) {
        std::fprintf(stderr, "bench_rain: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("year.csv"));
    {
        QFile out(file);
        const QByteArray bytes = yearFile();
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return 1;
    }

    std::vector<double> wall, cpu, parse;
    RainImportResult result;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        const double cpuStart = threadMs();
        timer.start();
        double parsed = 0.0;
        if (!importYear(file, dir.filePath(QStringLiteral("p%1.lmvdb").arg(run)), result, parsed, timer))
            return 1;
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadMs() - cpuStart);
        parse.push_back(parsed);
    }
    print("rain_import_year_1min", median(wall), "ms");
    print("rain_import_year_1min_cpu", median(cpu), "ms");
    print("rain_import_year_1min_read_parse", median(parse), "ms");

    RainSeries stored;
    std::vector<double> loads;
    for (int run = 0; run < kRuns; ++run) {
        const ProjectDb db(dir.filePath(QStringLiteral("p0.lmvdb")));
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!loadGaugeSeries(db, QStringLiteral("一分钟雨量计"), stored, &error)) {
            std::fprintf(stderr, "bench_rain: %s\n", qPrintable(error));
            return 1;
        }
        loads.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    if (stored.times.size() != std::size_t(kRows) || stored.times != result.series.times) {
        std::fprintf(stderr, "bench_rain: the year was not stored whole\n");
        return 1;
    }
    print("rain_load_year_1min", median(loads), "ms");

    std::vector<double> events;
    StormEventList list;
    for (int run = 0; run < kEventRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        list = findStormEvents(stored);
        events.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("storm_events_year_1min", median(events), "ms");
    std::printf("storm_events_year_1min_found: %zu events, %d minor\n", list.events.size(), list.minor);
    return 0;
}
