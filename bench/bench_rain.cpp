// Times reading a year of one-minute rain (525 600 rows of "yyyy-MM-dd HH:mm,depth" under a header,
// the form gauges export) into a rain series, and finding its storm events. The file is made in
// memory: a storm every few days, drizzle between. Prints "name: value unit" lines.

#include "bench/BenchMeasure.h"
#include "survey/RainImport.h"
#include "survey/StormEvents.h"

#include <QCoreApplication>
#include <QElapsedTimer>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray file = yearFile();
    RainImportMapping mapping;
    mapping.skipRows = 1;
    mapping.separator = ',';

    std::vector<double> wall, cpu;
    RainImportResult result;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        const double cpuStart = threadMs();
        timer.start();
        result = importRain(file, mapping);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadMs() - cpuStart);
    }
    if (result.refused() || result.series.times.size() != std::size_t(kRows)) {
        std::fprintf(stderr, "bench_rain: the year was not read whole: %s\n", qPrintable(result.error));
        return 1;
    }
    print("rain_import_year_1min", median(wall), "ms");
    print("rain_import_year_1min_cpu", median(cpu), "ms");

    std::vector<double> events;
    StormEventList list;
    for (int run = 0; run < kEventRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        list = findStormEvents(result.series);
        events.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("storm_events_year_1min", median(events), "ms");
    std::printf("storm_events_year_1min_found: %zu events, %d minor\n", list.events.size(), list.minor);
    return 0;
}
