// lmvtool curve and lmvtool fit: the scattergraph's hydraulic curves and fits from the command line.

#include "tools/lmvtool/ScatterCommands.h"
#include "tools/lmvtool/ToolCommands.h"

#include "data/DataFile.h"
#include "data/PipeCurves.h"
#include "data/PipeLimits.h"
#include "data/SedimentFit.h"
#include "data/SedimentTrust.h"
#include "data/Tables.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <cmath>
#include <cstdio>

namespace lmvtool {

using namespace lmv;

namespace {

void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

// Options that take a value ("--level" may repeat), flags, and positional arguments.
struct CurveArgs
{
    QMap<QString, QString> values;
    QList<double> levels;
    QStringList positional;
    bool json = false;
};

bool parse(const QStringList &args, const QStringList &withValue, CurveArgs &out)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            out.positional << arg;
            continue;
        }
        const QString name = arg.mid(2);
        if (name == QLatin1String("json")) {
            out.json = true;
            continue;
        }
        if (!withValue.contains(name)) {
            printError(arg, QStringLiteral("unknown option"));
            return false;
        }
        if (i + 1 >= args.size()) {
            printError(arg, QStringLiteral("needs a value"));
            return false;
        }
        const QString value = args[++i];
        if (name == QLatin1String("level")) {
            bool ok = false;
            const double level = value.toDouble(&ok);
            if (!ok || !std::isfinite(level)) {
                printError(arg, QStringLiteral("needs a number of metres: %1").arg(value));
                return false;
            }
            out.levels << level;
        } else if (out.values.contains(name)) {
            printError(arg, QStringLiteral("given twice"));
            return false;
        } else {
            out.values.insert(name, value);
        }
    }
    return true;
}

bool takeWhole(const CurveArgs &a, const QString &name, quint32 &value)
{
    bool ok = false;
    const qulonglong v = a.values.value(name).toULongLong(&ok);
    if (!a.values.contains(name) || !ok || v > 0xffffffffull) {
        printError(QStringLiteral("--") + name, QStringLiteral("needs a whole number of millimetres"));
        return false;
    }
    value = static_cast<quint32>(v);
    return true;
}

bool takeGeometry(const CurveArgs &a, PipeGeometry &pipe)
{
    bool ok = false;
    const qulonglong shape = a.values.value(QStringLiteral("shape")).toULongLong(&ok);
    if (!a.values.contains(QStringLiteral("shape")) || !ok || shape > PipeTriangle) {
        printError(QStringLiteral("--shape"),
                   QStringLiteral("must be 0 (circle), 1 (rectangle), 2 (trapezoid) or 3 (triangle): %1")
                       .arg(a.values.value(QStringLiteral("shape"))));
        return false;
    }
    quint32 h = 0, w = 0, t = 0, y = 0;
    if (!takeWhole(a, QStringLiteral("h"), h) || !takeWhole(a, QStringLiteral("w"), w) ||
        !takeWhole(a, QStringLiteral("t"), t) || !takeWhole(a, QStringLiteral("y"), y))
        return false;
    pipe = pipeGeometryFrom(quint32(shape), h, w, t, y);
    if (const QString problem = pipeProblem(pipe); !problem.isEmpty()) {
        printError(QStringLiteral("pipe"), problem);
        return false;
    }
    return true;
}

bool takeNumber(const CurveArgs &a, const QString &name, double &value)
{
    bool ok = false;
    value = a.values.value(name).toDouble(&ok);
    if (!a.values.contains(name) || !ok || !std::isfinite(value)) {
        printError(QStringLiteral("--") + name, QStringLiteral("needs a number"));
        return false;
    }
    return true;
}

bool takeFriction(const CurveArgs &a, Friction &friction)
{
    if (a.values.contains(QStringLiteral("slope"))) {
        // The window asks for ‰; a bare "--slope" left the unit to be guessed.
        printError(QStringLiteral("--slope"),
                   QStringLiteral("give the slope in per mille as --slope-permille "
                                  "(as 散点图 asks for it)"));
        return false;
    }
    const bool manning = a.values.contains(QStringLiteral("manning"));
    if (manning == a.values.contains(QStringLiteral("ks"))) {
        printError(QStringLiteral("curve"), QStringLiteral("needs exactly one of --manning N and --ks MM"));
        return false;
    }
    friction.law = manning ? FrictionLaw::Manning : FrictionLaw::ColebrookWhite;
    double permille = 0.0;
    if (!takeNumber(a, QStringLiteral("slope-permille"), permille) ||
        !takeNumber(a, manning ? QStringLiteral("manning") : QStringLiteral("ks"),
                    manning ? friction.manningN : friction.roughnessMm))
        return false;
    friction.slope = permille / 1000.0;
    if (const QString problem = frictionProblem(friction); !problem.isEmpty()) {
        printError(QStringLiteral("curve"), problem);
        return false;
    }
    return true;
}

// A number for JSON; NaN and infinities (which JSON cannot hold) become null.
QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

} // namespace

int runCurve(const QStringList &args)
{
    CurveArgs a;
    if (!parse(args, {"shape", "h", "w", "t", "y", "slope", "slope-permille", "manning", "ks", "level"}, a))
        return kExitUsage;
    if (!a.positional.isEmpty()) {
        printError(a.positional.first(), QStringLiteral("unexpected argument"));
        return kExitUsage;
    }
    PipeGeometry pipe;
    Friction friction;
    if (!takeGeometry(a, pipe) || !takeFriction(a, friction))
        return kExitUsage;
    if (a.levels.isEmpty()) {
        printError(QStringLiteral("--level"), QStringLiteral("needs at least one level"));
        return kExitUsage;
    }
    QJsonArray rows;
    QByteArray text = "level_m area_m2 perimeter_m top_width_m velocity_m_s flow_l_s\n";
    for (const double level : std::as_const(a.levels)) {
        const Section s = sectionAt(pipe, level);
        const double v = frictionVelocity(s.radius(), friction);
        const double flow = v * s.area * 1000.0;
        rows.append(QJsonObject{{"level", level},
                                {"area", number(s.area)},
                                {"perimeter", number(s.perimeter)},
                                {"topWidth", number(s.topWidth)},
                                {"velocity", number(v)},
                                {"flow", number(flow)}});
        text += QByteArray::number(level, 'g', 6) + ' ' + QByteArray::number(s.area, 'g', 6) + ' ' +
                QByteArray::number(s.perimeter, 'g', 6) + ' ' + QByteArray::number(s.topWidth, 'g', 6) + ' ' +
                QByteArray::number(v, 'g', 6) + ' ' + QByteArray::number(flow, 'g', 6) + '\n';
    }
    printOut(a.json ? QJsonDocument(rows).toJson(QJsonDocument::Compact) + '\n' : text);
    return kExitOk;
}

namespace {

QString trustKey(SedimentTrustLevel level)
{
    switch (level) {
    case SedimentTrustLevel::Good:
        return QStringLiteral("good");
    case SedimentTrustLevel::Fair:
        return QStringLiteral("fair");
    case SedimentTrustLevel::Low:
        break;
    }
    return QStringLiteral("low");
}

QJsonObject trustJson(const SedimentTrust &t)
{
    const auto mm = [](int v) { return v >= 0 ? QJsonValue(v) : QJsonValue(); };
    return QJsonObject{{"level", trustKey(t.level)},
                       {"text", sedimentTrustText(t.level)},
                       {"reasons", QJsonArray::fromStringList(t.reasons)},
                       {"recordsUsed", t.used},
                       {"recordsLeftOut", t.leftOut},
                       {"lowestLevel", number(t.lowestLevel)},
                       {"highestLevel", number(t.highestLevel)},
                       {"coveredShare", number(t.coveredShare)},
                       {"relativeRmse", number(t.relativeRmse)},
                       {"flatFromMm", mm(t.flatFromMm)},
                       {"flatToMm", mm(t.flatToMm)},
                       {"firstHalfMm", mm(t.earlyMm)},
                       {"secondHalfMm", mm(t.lateMm)},
                       {"lowerLevelsMm", mm(t.lowMm)},
                       {"upperLevelsMm", mm(t.highMm)}};
}

} // namespace

int runFit(const QStringList &args)
{
    CurveArgs a;
    if (!parse(args, {}, a))
        return kExitUsage;
    if (a.positional.size() != 1) {
        printError(QStringLiteral("fit"), QStringLiteral("needs exactly one FILE"));
        return kExitUsage;
    }
    const QString path = a.positional.first();
    if (!checkInputFile(path))
        return kExitFileError;
    DataFileContents contents;
    const int read = readDataFile(path, contents);
    const DataFileHeader &header = contents.header;
    if (read != ReadOk && read != ReadUnknownFamily) {
        printError(path, readErrorText(path, read, header.fileSize));
        return kExitFileError;
    }
    if (header.family != Family::Rva) {
        printError(path,
                   QStringLiteral("not an RVA file (type code %1); only RVA files hold level and velocity")
                       .arg(header.typeCode));
        return kExitFileError;
    }
    // The fits need the pipe's section: a pipe that cannot be is named, not fitted.
    if (const QString problem = pipeProblem(header.point); !problem.isEmpty()) {
        printError(path, problem);
        return kExitFileError;
    }
    // Velocities as the record window shows them: with the file's velocity correction.
    std::vector<float> levels, velocities;
    levels.reserve(contents.rva.size());
    velocities.reserve(contents.rva.size());
    for (const RvaRecord &r : contents.rva) {
        levels.push_back(r.level);
        velocities.push_back(r.velocity * header.calc.velocityCorrection);
    }
    const PipeGeometry pipe = pipeGeometryFrom(header.point);
    const SedimentSweep sweep = sweepSediment(pipe, levels, velocities);
    const SedimentTrust trust = assessSediment(pipe, levels, velocities, sweep);
    const LanfearCollFit &fit = sweep.fileFit;
    const bool estimate = sweep.bestMm >= 0;
    // An estimate that is not trusted is said so on the error stream too: a script reading only
    // the number must not take it silently.
    if (estimate && !trust.good())
        printError(path, QStringLiteral("sediment estimate %1 mm is %2: %3")
                             .arg(sweep.bestMm)
                             .arg(sedimentTrustText(trust.level), trust.reasons.join(QStringLiteral("; "))));
    else if (!estimate)
        printError(path, QStringLiteral("too few records to estimate the sediment (%1 usable)")
                             .arg(fit.records + fit.leftOut));
    const QJsonValue none;
    QJsonObject out{{"coefficient", fit.valid() ? number(fit.coefficient) : none},
                    {"rmse", fit.valid() ? number(fit.rmse) : none},
                    {"records", fit.records},
                    {"recordsLeftOut", fit.leftOut},
                    {"sedimentMm", estimate ? QJsonValue(sweep.bestMm) : none},
                    {"sedimentRmse", estimate ? number(sweep.best.rmse) : none},
                    {"sedimentCoefficient", estimate ? number(sweep.best.coefficient) : none},
                    {"sedimentRecords", sweep.best.records},
                    {"sedimentRecordsLeftOut", sweep.best.leftOut},
                    {"fileSedimentMm", sweep.fileMm}};
    if (estimate)
        out.insert(QStringLiteral("sedimentTrust"), trustJson(trust));
    if (a.json) {
        printOut(QJsonDocument(out).toJson(QJsonDocument::Compact) + '\n');
        return kExitOk;
    }
    QString text = QStringLiteral("%1: %2 records fitted, %3 left out as off the free-running curve\n")
                       .arg(path)
                       .arg(fit.records)
                       .arg(fit.leftOut);
    if (fit.valid())
        text += QStringLiteral("v = %1 * R^(2/3), RMSE %2 m/s\n")
                    .arg(fit.coefficient, 0, 'f', 3)
                    .arg(fit.rmse, 0, 'f', 4);
    if (estimate) {
        text += QStringLiteral("sediment: best fit %1 mm (RMSE %2 m/s), file says %3 mm; %4\n")
                    .arg(sweep.bestMm)
                    .arg(sweep.best.rmse, 0, 'f', 4)
                    .arg(sweep.fileMm)
                    .arg(sedimentTrustText(trust.level));
        text += QStringLiteral("  %1\n").arg(sedimentTrustFigures(trust));
        for (const QString &reason : trust.reasons)
            text += QStringLiteral("  %1\n").arg(reason);
    } else {
        text += QStringLiteral("sediment: too few records to estimate, file says %1 mm\n").arg(sweep.fileMm);
    }
    printOut(text.toUtf8());
    return kExitOk;
}

} // namespace lmvtool
