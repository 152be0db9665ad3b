// lmvtool plot: a file's hydrograph as a PNG, SVG or PDF picture.

#include "tools/lmvtool/ToolCommands.h"

#include "data/DataFile.h"
#include "data/PlotSeries.h"
#include "data/Tables.h"
#include "plots/HydrographPicture.h"
#include "plots/PlotExport.h"

#include <QDateTime>
#include <QFileInfo>

#include <cmath>

namespace lmvtool {

namespace {

// A clock time "YYYY-MM-DD hh:mm:ss" as clock seconds.
bool takeTime(const Options &o, const QString &name, std::optional<double> &out)
{
    if (!o.values.contains(name))
        return true;
    // Date and time read apart: the logger's clock has no time zone, so no local rule may refuse
    // or shift a time.
    const QStringList parts = o.values.value(name).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QDate date =
        parts.size() == 2 ? QDate::fromString(parts.at(0), QStringLiteral("yyyy-MM-dd")) : QDate();
    const QTime time =
        parts.size() == 2 ? QTime::fromString(parts.at(1), QStringLiteral("hh:mm:ss")) : QTime();
    if (!date.isValid() || !time.isValid()) {
        printError(QStringLiteral("--") + name,
                   QStringLiteral("not a time \"YYYY-MM-DD hh:mm:ss\": %1").arg(o.values.value(name)));
        return false;
    }
    out = double(QDateTime(date, time, Qt::UTC).toSecsSinceEpoch());
    return true;
}

bool takeNumber(const Options &o, const QString &name, double &out)
{
    bool ok = false;
    out = o.values.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(out)) {
        printError(QStringLiteral("--") + name, QStringLiteral("needs a number"));
        return false;
    }
    return true;
}

// The picture's settings from the options; false after an error line.
bool pictureOptions(const Options &o, int seriesCount, HydrographPicture &picture)
{
    if (o.values.contains(QStringLiteral("size"))) {
        picture.size = plotexport::parseSize(o.values.value(QStringLiteral("size")));
        if (!picture.size.isValid()) {
            printError(QStringLiteral("--size"), QStringLiteral("not WxH between 16 and 20000: %1")
                                                     .arg(o.values.value(QStringLiteral("size"))));
            return false;
        }
    }
    if (!takeTime(o, QStringLiteral("from"), picture.from) || !takeTime(o, QStringLiteral("to"), picture.to))
        return false;
    if (picture.from && picture.to && *picture.from >= *picture.to) {
        printError(QStringLiteral("--from"), QStringLiteral("must lie before --to"));
        return false;
    }
    const bool hasMin = o.values.contains(QStringLiteral("ymin"));
    const bool hasMax = o.values.contains(QStringLiteral("ymax"));
    if (hasMin != hasMax) {
        printError(hasMin ? QStringLiteral("--ymin") : QStringLiteral("--ymax"),
                   QStringLiteral("needs --ymin and --ymax together"));
        return false;
    }
    if (hasMin) {
        double low = 0, high = 0;
        if (!takeNumber(o, QStringLiteral("ymin"), low) || !takeNumber(o, QStringLiteral("ymax"), high))
            return false;
        if (seriesCount != 1) {
            printError(QStringLiteral("--ymin"),
                       QStringLiteral("fixes the value axis of a single --series only"));
            return false;
        }
        if (low >= high) {
            printError(QStringLiteral("--ymin"), QStringLiteral("must be below --ymax"));
            return false;
        }
        picture.valueAxis = std::make_pair(low, high);
    }
    return true;
}

} // namespace

int runPlot(const QStringList &args)
{
    Options o;
    if (!parseOptions(args,
                      {QStringLiteral("out"), QStringLiteral("size"), QStringLiteral("series"),
                       QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("ymin"),
                       QStringLiteral("ymax")},
                      {}, o))
        return kExitUsage;
    if (o.positional.size() != 1) {
        printError(QStringLiteral("plot"), QStringLiteral("needs exactly one FILE"));
        return kExitUsage;
    }
    const QString out = o.values.value(QStringLiteral("out"));
    if (out.isEmpty()) {
        printError(QStringLiteral("--out"), QStringLiteral("missing"));
        return kExitUsage;
    }
    if (plotexport::formatOfPath(out) == plotexport::Format::Unknown) {
        printError(out, QStringLiteral("not a .png, .svg or .pdf file name"));
        return kExitUsage;
    }

    const QString path = o.positional.first();
    if (!checkInputFile(path))
        return kExitFileError;
    lmv::DataFileContents contents;
    const int read = lmv::readDataFile(path, contents);
    if (read == lmv::ReadUnknownFamily ||
        (read == lmv::ReadOk && contents.header.family == lmv::Family::Unknown)) {
        printError(
            path,
            QStringLiteral("not a data file (type code %1 at offset 500)").arg(contents.header.typeCode));
        return kExitFileError;
    }
    if (read != lmv::ReadOk) {
        printError(path, readErrorText(path, read, contents.header.fileSize));
        return kExitFileError;
    }
    const lmv::DataFileHeader &h = contents.header;
    auto data = std::make_shared<lmv::PlotData>(
        h.family == lmv::Family::Rva ? lmv::rvaPlotData(contents.rva, h.calc.recordInterval, h.calc,
                                                        lmv::UnitFactors{}, lmv::RvaUnitLabels)
                                     : lmv::rvbPlotData(contents.rvb, h.device.modelCode()));
    if (data->empty()) {
        printError(path, QStringLiteral("holds no records"));
        return kExitFileError;
    }
    if (o.values.contains(QStringLiteral("series"))) {
        QString unknown;
        const QStringList keys =
            o.values.value(QStringLiteral("series")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (keys.isEmpty() || !lmv::selectSeries(*data, keys, &unknown)) {
            const QStringList known =
                h.family == lmv::Family::Rva ? lmv::rvaSeriesKeys() : lmv::rvbSeriesKeys();
            printError(QStringLiteral("--series"), QStringLiteral("unknown series \"%1\" for this file (%2)")
                                                       .arg(unknown, known.join(QLatin1Char(','))));
            return kExitUsage;
        }
    }
    HydrographPicture picture;
    if (!pictureOptions(o, int(data->series.size()), picture))
        return kExitUsage;
    // The title block names the survey as the window's pictures do.
    const bool rva = h.family == lmv::Family::Rva;
    picture.subject = {h.point.projectNameText(), h.point.pointNameText(), QFileInfo(path).fileName(),
                       rva ? lmv::pipeDescription(h.point) : QString()};
    if (rva)
        picture.levelLines = pipeLevelLines(lmv::pipeGeometryFrom(h.point));
    QString error;
    if (!writeHydrographPicture(data, out, picture, &error)) {
        printError(out, error);
        return kExitFileError;
    }
    return kExitOk;
}

} // namespace lmvtool
