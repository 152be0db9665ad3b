// Times the whole survey report from a store of weekly files at 2 min with a 5 min rain gauge
// in the project database: one point of eight weeks, and a project of twelve such points, every
// section, written as PDF. Prints "name: value unit" lines (wall time; the point's the median of
// three runs).

#include "bench/BenchMeasure.h"
#include "bench/SurveyStore.h"
#include "report/SurveyReport.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace lmv;

namespace {

constexpr int kProjectPoints = 12;

// Eight weeks of 5 min rain with a storm every five days, assigned to every point.
bool addGauge(const QString &index, int points)
{
    const qint64 start = QDateTime(QDate(2024, 3, 4), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    survey::RainSeries rain;
    rain.intervalSeconds = 300;
    const qint64 steps = bench::kWeeks * 7 * 86400 / 300;
    for (qint64 i = 1; i <= steps; ++i) {
        const qint64 inStorm = i % (5 * 288);
        rain.times.push_back(start + i * 300);
        rain.depthMm.push_back(inStorm >= 100 && inStorm < 130 ? 0.4 + 0.1 * double(i % 5) : 0.0);
    }
    rain.covered.push_back({start, rain.times.back()});
    survey::ProjectDb db(survey::ProjectDb::pathFor(index));
    survey::GaugeImport g;
    g.name = QStringLiteral("基准雨量计");
    g.sourceName = QStringLiteral("bench.csv");
    g.sourceSha256 = survey::gaugeSourceSha256("bench");
    for (int p = 0; p < points; ++p)
        g.points << QStringLiteral("测点%1").arg(p + 1, 2, 10, QLatin1Char('0'));
    QString error;
    if (!survey::importGauge(db, g, rain, &error)) {
        std::fprintf(stderr, "gauge: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

double reportMs(const QString &index, const QStringList &points, const QString &out)
{
    report::SurveyReportRequest request;
    request.indexPath = index;
    request.points = points;
    request.version = QStringLiteral("bench");
    QElapsedTimer timer;
    timer.start();
    const report::SurveyReportResult r = report::writeSurveyReport(request, out);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (r.outcome != report::WriteOutcome::Written) {
        std::fprintf(stderr, "report: %s\n", qPrintable(r.error));
        return -1.0;
    }
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString index = bench::writeStore(dir.path(), kProjectPoints);
    if (index.isEmpty() || !addGauge(index, kProjectPoints))
        return 1;
    std::vector<double> point;
    for (int r = 0; r < 3; ++r)
        point.push_back(
            reportMs(index, {QStringLiteral("测点01")}, dir.filePath(QStringLiteral("point.pdf"))));
    bench::print("report_point_8_weeks", bench::median(point) / 1000.0, "s");
    bench::print("report_project_12_points",
                 reportMs(index, {}, dir.filePath(QStringLiteral("project.pdf"))) / 1000.0, "s");
    return 0;
}
