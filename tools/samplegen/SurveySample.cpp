#include "tools/samplegen/SurveySample.h"

#include "data/DataFile.h"
#include "data/Records.h"
#include "data/TimeSteps.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "survey/RainImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace lmv::samplegen {

namespace {

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 86400;
constexpr quint32 kDiameter = 800;

const QString &pointName()
{
    static const QString name = QStringLiteral("人民路5号井");
    return name;
}

qint64 surveyStart()
{
    return clockSeconds(RecordTime{0, 0, 0, 0, 2024, 4, 1}); // a Monday
}

// A weekly download: the records of [from, until).
struct WeekFile
{
    QString name;
    qint64 from;
    qint64 until;
};

// Read on Mondays at 10:00. The third download also holds the last four hours of the second (the
// logger was not cleared); the battery of the fifth week ran flat at 04:00 on the day of the
// visit, so six hours are missing.
std::vector<WeekFile> weekFiles()
{
    const qint64 s = surveyStart();
    auto at = [s](int day, int hour) { return s + day * kDay + hour * kHour; };
    return {{QStringLiteral("20240401.lmv"), at(0, 0), at(7, 10)},
            {QStringLiteral("20240408.lmv"), at(7, 10), at(14, 10)},
            {QStringLiteral("20240415.lmv"), at(14, 6), at(21, 10)},
            {QStringLiteral("20240422.lmv"), at(21, 10), at(28, 10)},
            {QStringLiteral("20240429.lmv"), at(28, 10), at(35, 4)},
            {QStringLiteral("20240506.lmv"), at(35, 10), at(42, 10)},
            {QStringLiteral("20240513.lmv"), at(42, 10), at(49, 10)},
            {QStringLiteral("20240520.lmv"), at(49, 10), at(56, 0)}};
}

DeviceInfo rvaLogger()
{
    DeviceInfo d;
    d.deviceNumber = 2103057;
    d.typeCode = kTypeCodeRva;
    d.versionBytes = {3, 1, 0, 2, 0};
    d.protocolVersion = 1.25f;
    return d;
}

bool fail(const QString &what)
{
    std::fprintf(stderr, "lmv-samplegen: %s\n", qPrintable(what));
    return false;
}

// The bytes a single-page download of one week delivers: the 188 header bytes, then the records.
QByteArray weekPayload(const survey::SurveyLayer &layer, const WeekFile &week,
                       const PipeSaveIntoTfType &point)
{
    const auto begin = std::lower_bound(layer.times.begin(), layer.times.end(), week.from);
    const auto end = std::lower_bound(begin, layer.times.end(), week.until);
    const int count = int(end - begin);
    QByteArray head(int(kRvaDeviceHeaderSize), '\0');
    ByteWriter out(head);
    point.encode(out, 0);
    CalcParams calc;
    calc.recordInterval = quint32(layer.intervalSeconds);
    calc.velocitySmoothing = 3;
    calc.probeVersion = 1;
    calc.encode(out, kCalcParamsOffset);
    SummaryBlock summary;
    summary.durationSeconds = quint32(count * layer.intervalSeconds);
    summary.encode(out, kSummaryOffset);

    QByteArray records(count * int(kRvaRecordSize), '\0');
    ByteWriter rec(records);
    for (int k = 0; k < count; ++k) {
        RvaRecord r = layer.rva[std::size_t(begin - layer.times.begin() + k)];
        r.sequence = quint32(k + 1);
        r.flow = 0.0f; // the finish computes it from the pipe
        r.encode(rec, std::size_t(k) * kRvaRecordSize);
    }
    return head + records;
}

bool writeWeek(const QString &target, const QString &cacheRoot, const QString &project,
               const survey::SurveyLayer &layer, const WeekFile &week)
{
    const PipeSaveIntoTfType point = makePointRecord(project, pointName(), PipeCircle, kDiameter, 0, 0, 0);
    const CacheLocation where{cacheRoot, project, pointName(), week.name};
    QString cachePath;
    if (writeCachePacket(where, weekPayload(layer, week, point), kPageSingle, rvaLogger(), &cachePath) !=
        CacheOk)
        return fail(QStringLiteral("cannot write ") + where.filePath());
    if (finishRvaFile(cachePath, point) != CacheOk)
        return fail(QStringLiteral("cannot finish ") + cachePath);
    QFile::remove(target);
    if (!QFile::copy(cachePath, target))
        return fail(QStringLiteral("cannot write ") + target);
    return true;
}

// The gauge file read as a user would import it ("时间,雨量(mm)", 5-minute depths) into the project
// database beside the index, assigned to the survey's point. Made afresh each time, imported at a
// fixed time, so that the same samples give the same database.
bool writeSampleGauge(const QString &projectDir, const QString &project, const QString &csvName,
                      const QByteArray &csv)
{
    const QString path = projectDir + project + QStringLiteral(".lmvdb");
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    survey::RainImportMapping mapping;
    mapping.separator = ',';
    mapping.skipRows = 1;
    const survey::RainImportResult rain = survey::importRain(csv, mapping);
    if (rain.refused() || !rain.badRows.empty())
        return fail(QStringLiteral("the sample gauge does not read back: ") + rain.error);
    survey::GaugeImport gauge;
    gauge.name = QFileInfo(csvName).completeBaseName();
    gauge.sourceName = csvName;
    gauge.sourceSha256 = survey::gaugeSourceSha256(csv);
    gauge.points = QStringList{pointName()};
    gauge.imported = QStringLiteral("2024-05-27T10:30:00");
    survey::ProjectDb db(path);
    QString error;
    if (!survey::importGauge(db, gauge, rain.series, &error))
        return fail(QStringLiteral("cannot store the sample gauge in %1: %2").arg(path, error));
    return true;
}

} // namespace

SyntheticSpec surveySampleSpec()
{
    SyntheticSpec plan;
    plan.start = surveyStart();
    plan.days = 56;
    plan.intervalSeconds = 120;
    plan.diameterMm = kDiameter;
    plan.noise = 0.02;
    plan.seed = 524u;
    auto storm = [&plan](int day, double hour, double hours, double depth) {
        plan.storms.push_back({plan.start + day * kDay + qint64(hour * kHour), hours, depth});
    };
    storm(2, 15, 3, 16.4);  // Wednesday afternoon
    storm(6, 5, 2, 0.6);    // drizzle
    storm(10, 2, 5, 9.6);   // long and gentle: an event, but too weak to verify a model
    storm(20, 13, 2, 22.0); // a Sunday downpour
    storm(24, 7, 3, 1.4);   // minor
    storm(29, 18, 6, 31.0); // the largest, into the night
    storm(38, 9, 1.5, 7.2); // short and sharp
    storm(41, 16, 2, 1.6);  // minor, on a Sunday
    storm(45, 19, 2, 12.0); // two storms seven hours apart: their responses overlap
    storm(46, 4, 2, 8.0);
    storm(51, 11, 1, 0.8); // minor
    const WeekFile gapBefore = weekFiles()[4], gapAfter = weekFiles()[5];
    plan.flowGaps.push_back({gapBefore.until, gapAfter.from});
    return plan;
}

StorePointNode surveySamplePoint()
{
    StorePointNode node;
    node.name = pointName();
    node.checkState = 2;
    for (const WeekFile &week : weekFiles()) {
        StoreFileNode file;
        file.name = week.name;
        file.checkState = 2;
        node.files << file;
    }
    return node;
}

bool writeSurveySample(const QString &storeRoot, const QString &project, const QString &cacheRoot)
{
    const SyntheticSurvey survey = makeSyntheticSurvey(surveySampleSpec());
    const QString folder = storeRoot + project + QLatin1Char('/') + pointName() + QLatin1Char('/');
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot create ") + folder);
    for (const WeekFile &week : weekFiles())
        if (!writeWeek(folder + week.name, cacheRoot, project, survey.layer, week))
            return false;
    const QString projectDir = storeRoot + project + QLatin1Char('/');
    const QString csvName = QStringLiteral("雨量计_城东.csv");
    QFile csv(projectDir + csvName);
    const QByteArray bytes = rainCsv(survey.rain);
    if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate) || csv.write(bytes) != bytes.size())
        return fail(QStringLiteral("cannot write ") + csv.fileName());
    csv.close();
    return writeSampleGauge(projectDir, project, csvName, bytes);
}

} // namespace lmv::samplegen
