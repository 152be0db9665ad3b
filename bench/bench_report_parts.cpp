// Times the parts of the survey report on one point of eight weeks at 2 min (40,320 records)
// with a 2 min rain gauge: eight weekly hydrograph pages with a daily table written as PDF, and
// the model files. Prints "name: value unit" lines (thread CPU time, median of the runs).

#include "bench/BenchMeasure.h"
#include "report/ModelExport.h"
#include "report/ReportDocument.h"
#include "report/ReportFont.h"
#include "report/ReportFormat.h"
#include "report/SurveyHydrograph.h"

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <cmath>

using namespace lmv;
using namespace lmv::report;

namespace {

constexpr int kRecords = 8 * 7 * 720;
constexpr int kRuns = 5;
const qint64 kStart = QDateTime(QDate(2019, 3, 11), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();

survey::SurveyLayer eightWeeks()
{
    std::vector<qint64> t(kRecords);
    std::vector<float> level(kRecords), velocity(kRecords), flow(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        const double day = std::sin(i * 2 * M_PI / 720.0);
        const double storm = i % 5000 < 300 ? std::sin((i % 5000) * M_PI / 300.0) : 0.0;
        t[std::size_t(i)] = kStart + qint64(i) * 120;
        level[std::size_t(i)] = float(0.3 + 0.08 * day + 0.3 * storm);
        velocity[std::size_t(i)] = float(0.6 + 0.15 * day + 0.4 * storm);
        flow[std::size_t(i)] = float(50.0 + 18.0 * day + 120.0 * storm + (i % 13) * 0.4);
    }
    CalcParams calc;
    calc.recordInterval = 120;
    return survey::makeRvaLayer(t, level, velocity, flow, {}, calc);
}

survey::RainSeries gauge()
{
    survey::RainSeries rain;
    rain.intervalSeconds = 120;
    for (int i = 0; i < kRecords; ++i) {
        rain.times.push_back(kStart + qint64(i + 1) * 120);
        rain.depthMm.push_back(i % 5000 < 150 ? 0.2 * (1 + i % 4) : 0.0);
    }
    return rain;
}

template <typename F>
double medianMs(F &&run)
{
    std::vector<double> ms;
    for (int r = 0; r < kRuns; ++r) {
        const double t0 = bench::threadMs();
        run();
        ms.push_back(bench::threadMs() - t0);
    }
    return bench::median(ms);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const survey::SurveyLayer layer = eightWeeks();
    const survey::RainSeries rain = gauge();
    QTemporaryDir dir;
    reportFontFamily(); // the font is loaded once per program, not per report

    bench::print(
        "report_week_pages_8", medianMs([&] {
            ReportDocument doc;
            doc.setRunningHeader(QStringLiteral("基准项目"), QStringLiteral("基准测点"));
            ReportTable daily;
            daily.header = QStringList{"日期", "平均流量(L/s)", "体积(m³)"};
            for (int d = 0; d < 56; ++d)
                daily.rows.push_back({QString::number(d), flowText(50.0 + d), volumeText(4320.0 + d)});
            doc.addHeading(QStringLiteral("逐日流量表"));
            doc.addTable(daily);
            for (int w = 0; w < 8; ++w) {
                doc.addPageBreak();
                doc.addHeading(QStringLiteral("过程线 第%1周").arg(w + 1), 2);
                doc.addPicture([&, w](QPainter *p, const QRectF &r) {
                    SurveyHydrographOptions o;
                    o.from = kStart + w * 7 * 86400;
                    o.to = o.from + 7 * 86400;
                    o.rain = &rain;
                    o.profile.slotSeconds = 120;
                    o.profile.weekday.assign(720, 50.0);
                    o.profile.weekend.assign(720, 40.0);
                    paintSurveyHydrograph(p, r, layer, o, reportFont(8));
                });
            }
            doc.write(dir.filePath(QStringLiteral("weeks.pdf")));
        }),
        "ms");
    bench::print("swmm_series_8_weeks", medianMs([&] { swmmTimeSeries(layer, {}); }), "ms");
    bench::print("fixed_step_csv_8_weeks_5min", medianMs([&] {
                     QString error;
                     fixedStepCsv(layer, {}, &error);
                 }),
                 "ms");
    bench::print("swmm_rain_8_weeks", medianMs([&] {
                     QString error;
                     SwmmRainOptions options;
                     options.stationId = QStringLiteral("G1");
                     swmmRainFile(rain, options, &error);
                 }),
                 "ms");
    return 0;
}
