// Times the survey check of a generated 1 000 000-record RVA file of one-minute records with a
// fault every few thousand records. Prints "name: value unit" lines.

#include "bench/BenchMeasure.h"
#include "data/DataFile.h"
#include "data/SurveyCheck.h"
#include "data/TimeSteps.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace lmv;

using namespace bench;

namespace {

constexpr int kRecords = 1000000;
constexpr int kRuns = 7;

QByteArray surveyFile()
{
    QByteArray file(static_cast<int>(kHeaderSize + kRvaRecordSize * std::size_t(kRecords)), '\0');
    ByteWriter out(file);
    makePointRecord(QStringLiteral("基准项目"), QStringLiteral("基准测点"), PipeCircle, 800, 0, 0, 40)
        .encode(out, 0);
    CalcParams calc;
    calc.velocityCorrection = 1.05f;
    calc.flowCorrection = 0.97f;
    calc.recordInterval = 60;
    calc.encode(out, kCalcParamsOffset);
    out.u8(kTypeCodeOffset, kTypeCodeRva);
    qint64 t = QDateTime(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
    for (int i = 0; i < kRecords; ++i) {
        // A hole, a repeated time and a clock set back now and then.
        t += i % 5000 == 0 ? 3600 : i % 7001 == 0 ? 0 : i % 9001 == 0 ? -120 : 60;
        const QDateTime at = QDateTime::fromSecsSinceEpoch(t, Qt::UTC);
        RvaRecord r;
        r.time =
            RecordTime{quint8(at.time().hour()),  quint8(at.time().minute()), quint8(at.time().second()), 0,
                       quint16(at.date().year()), quint8(at.date().month()),  quint8(at.date().day())};
        r.sequence = quint32(i + 1);
        r.level = i % 20000 < 90 ? 0.3f : 0.1f + float(i % 997) * 0.0008f; // flat now and then, surcharge
        r.velocity = 0.05f + float(i % 777) * 0.0013f;
        r.flow = r.level * r.velocity * 321.0f;
        r.temperature = 12.0f;
        r.encode(out, kHeaderSize + kRvaRecordSize * std::size_t(i));
    }
    return file;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("survey.lmv"));
    QFile f(path);
    const QByteArray bytes = surveyFile();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 1;
    f.close();

    std::vector<double> whole, checkOnly, wholeCpu;
    SurveyCheck check;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        const double cpuStart = threadMs();
        timer.start();
        DataFileContents contents;
        if (readDataFile(path, contents) != ReadOk)
            return 1;
        const qint64 readNs = timer.nsecsElapsed();
        check = checkContents(contents);
        const qint64 allNs = timer.nsecsElapsed();
        wholeCpu.push_back(threadMs() - cpuStart);
        whole.push_back(double(allNs) / 1e6);
        checkOnly.push_back(double(allNs - readNs) / 1e6);
    }
    std::printf("check_1M: %.1f ms\n", median(whole));
    std::printf("check_1M_cpu: %.1f ms\n", median(wholeCpu));
    std::printf("check_1M_in_memory: %.1f ms\n", median(checkOnly));
    std::printf("check_1M_findings: %lld (%lld gaps, %lld days)\n",
                static_cast<long long>(check.findings.size()), static_cast<long long>(check.gaps),
                static_cast<long long>(check.days.size()));
    return 0;
}
