// Measures the record windows with generated files: open (read and fill until the table has
// painted), peak memory above the empty window, sort by "液位" descending, a level and a flow unit
// switch, and the clipboard copy. Prints "name: value unit" lines.

#include "bench/BenchMeasure.h"
#include "data/DataFile.h"
#include "data/Records.h"
#include "data/Statistics.h"
#include "data/Tables.h"
#include "views/RVA_RecordWindow.h"
#include "views/RVB_RecordWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <ctime>

using bench::resetPeak;
using bench::statusKb;

namespace {

void print(const QString &name, double value, const char *unit)
{
    std::printf("%s: %.1f %s\n", qPrintable(name), value, unit);
    std::fflush(stdout);
}

QByteArray rvaFile(int records)
{
    QByteArray bytes(int(lmv::kHeaderSize + std::size_t(records) * lmv::kRvaRecordSize), '\0');
    lmv::ByteWriter out(bytes);
    lmv::PipeSaveIntoTfType point;
    point.setProjectName(QStringLiteral("性能测试"));
    point.setPointName(QStringLiteral("1号井"));
    point.heightOrDiameter = 1000;
    point.encode(out, 0);
    lmv::CalcParams calc;
    calc.velocityCorrection = 1.05f;
    calc.recordInterval = 60;
    calc.encode(out, lmv::kCalcParamsOffset);
    lmv::SummaryBlock summary;
    summary.sampleCount = quint32(records);
    lmv::DeviceInfo device;
    device.deviceNumber = 20240001;
    device.typeCode = lmv::kTypeCodeRva;
    device.encode(out, lmv::kDeviceInfoOffset);
    std::vector<lmv::RvaRecord> all;
    for (int i = 0; i < records; ++i) {
        lmv::RvaRecord r;
        const int minute = i;
        r.time.year = quint16(2020 + minute / 525600);
        r.time.month = quint8(1 + (minute / 43200) % 12);
        r.time.day = quint8(1 + (minute / 1440) % 28);
        r.time.hour = quint8((minute / 60) % 24);
        r.time.minute = quint8(minute % 60);
        r.sequence = quint32(i);
        r.level = 0.3f + 0.25f * std::sin(float(i) * 0.001f) + 0.0001f * float(i % 97);
        r.velocity = 0.8f + 0.3f * std::cos(float(i) * 0.0007f);
        r.flow = 200.0f * r.level * r.velocity;
        r.temperature = 15.0f + 3.0f * std::sin(float(i) * 0.0001f);
        r.encode(out, lmv::kHeaderSize + std::size_t(i) * lmv::kRvaRecordSize);
        all.push_back(r);
    }
    lmv::computeRvaSummary(all, summary);
    summary.encode(out, lmv::kSummaryOffset);
    return bytes;
}

QByteArray rvbDay(int records)
{
    QByteArray bytes(int(lmv::kHeaderSize + std::size_t(records) * lmv::kRvbRecordSize), '\0');
    lmv::ByteWriter out(bytes);
    lmv::PipeSaveIntoTfType point;
    point.setProjectName(QStringLiteral("综合监测"));
    point.setPointName(QStringLiteral("2号井"));
    point.encode(out, 0);
    lmv::DeviceInfo device;
    device.deviceNumber = 20240002;
    device.typeCode = lmv::kTypeCodeRvb;
    device.versionBytes[4] = 16;
    device.encode(out, lmv::kDeviceInfoOffset);
    for (int i = 0; i < records; ++i) {
        lmv::RvbRecord r;
        r.timeSeconds = 315360000u + 60u * quint32(i);
        for (int c = 0; c < 6; ++c)
            r.channel[std::size_t(c)] = float(c) + std::sin(float(i + c) * 0.01f);
        r.supplyVoltage = 12.1f;
        r.gprsSeconds = quint32(i) * 60;
        r.csq = quint8(20 + i % 10);
        r.baseStation = 0x1a2b3c;
        r.encode(out, lmv::kHeaderSize + std::size_t(i) * lmv::kRvbRecordSize);
    }
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Paints the detail table now, so that a measured step includes drawing the shown rows.
void paint(RecordWindowBase &w)
{
    QApplication::processEvents();
    w.UnitTable->viewport()->repaint();
    w.RecordTable->viewport()->repaint();
    w.SumTable->viewport()->repaint();
}

// Wall time and CPU time of a step. The machine is shared, so both are printed: the wall time
// is what a user waits, the CPU time what the step costs without other load.
class Step
{
public:
    Step() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = cpuNs();
    }
    void report(const QString &name)
    {
        print(name, double(m_wall.nsecsElapsed()) / 1e6, "ms");
        print(name + QStringLiteral("_cpu"), double(cpuNs() - m_cpu) / 1e6, "ms");
    }

private:
    static qint64 cpuNs()
    {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_cpu = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    QWidget host;
    auto *layout = new QHBoxLayout(&host);
    RVA_RecordWindow rva;
    rva.setupRVA_RecordWindow(&host);
    RVB_RecordWindow rvb;
    rvb.setupRVB_RecordWindow(&host);
    layout->addWidget(rva.root);
    layout->addWidget(rvb.root);
    host.resize(1600, 800);
    host.show();
    paint(rva);
    rva.relayoutColumns();

    lmv::UnitFactors factors;
    for (int count : {10000, 100000, 1000000}) {
        const QString path = dir.filePath(QStringLiteral("rva%1.lmv").arg(count));
        if (!writeFile(path, rvaFile(count)))
            return 1;
        const QString tag = count >= 1000000 ? QStringLiteral("rva_%1M").arg(count / 1000000)
                                             : QStringLiteral("rva_%1k").arg(count / 1000);
        rva.clearRvaWindow();
        paint(rva);
        const long baseKb = statusKb("VmRSS");
        resetPeak();

        Step t;
        {
            lmv::DataFileContents contents;
            lmv::readDataFile(path, contents);
            rva.showRvaFile(contents.header, std::move(contents.rva), factors);
        }
        paint(rva);
        t.report(tag + QStringLiteral("_open"));
        print(tag + QStringLiteral("_peak_memory"), double(statusKb("VmHWM") - baseKb) / 1024.0, "MB");

        rva.RecordTable->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
        t.restart();
        rva.sortFromNameClick(2);
        paint(rva);
        t.report(tag + QStringLiteral("_sort_level_desc"));

        t.restart();
        factors = rva.switchUnitFromHeader(2, factors);
        paint(rva);
        t.report(tag + QStringLiteral("_level_unit_switch"));

        t.restart();
        factors = rva.switchUnitFromHeader(6, factors);
        paint(rva);
        t.report(tag + QStringLiteral("_flow_unit_switch"));

        t.restart();
        {
            const QString text = rva.clipboardText();
            t.report(tag + QStringLiteral("_copy_text"));
            QApplication::clipboard()->setText(text);
        }
        t.report(tag + QStringLiteral("_copy"));
        QApplication::clipboard()->clear();

        // Back to m and L/s for the next size.
        factors = rva.switchUnitFromHeader(2, factors);
        for (int i = 0; i < 3; ++i)
            factors = rva.switchUnitFromHeader(6, factors);
    }

    const QString dayPath = dir.filePath(QStringLiteral("day.lmv"));
    if (!writeFile(dayPath, rvbDay(1440)))
        return 1;
    rvb.clearRvbWindow();
    paint(rvb);
    const long baseKb = statusKb("VmRSS");
    resetPeak();
    Step t;
    {
        lmv::DataFileContents contents;
        lmv::readDataFile(dayPath, contents);
        rvb.showRvbFile(contents.header, std::move(contents.rvb));
    }
    paint(rvb);
    t.report(QStringLiteral("rvb_day_1440_open"));
    print(QStringLiteral("rvb_day_1440_peak_memory"), double(statusKb("VmHWM") - baseKb) / 1024.0, "MB");
    rvb.RecordTable->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    t.restart();
    rvb.sortFromNameClick(1);
    paint(rvb);
    t.report(QStringLiteral("rvb_day_1440_sort_channel1_desc"));
    t.restart();
    QApplication::clipboard()->setText(rvb.clipboardText());
    t.report(QStringLiteral("rvb_day_1440_copy"));
    return 0;
}
