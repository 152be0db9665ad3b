#include "tools/lmvtool/ProjectArgs.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>

namespace lmvtool {

using namespace lmv::survey;

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

void printJson(const QJsonObject &o)
{
    printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
}

QJsonValue orNull(const std::optional<double> &v)
{
    return v && std::isfinite(*v) ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

// A clock time "YYYY-MM-DD hh:mm:ss", or a date alone (its first second, or with endOfDay its
// last). The logger's clock has no time zone: read as UTC so no local rule shifts it.
bool takeClock(const Options &o, const QString &name, bool endOfDay, std::optional<qint64> &out)
{
    if (!o.values.contains(name))
        return true;
    const QString text = o.values.value(name).trimmed();
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QDate date =
        parts.isEmpty() ? QDate() : QDate::fromString(parts.at(0), QStringLiteral("yyyy-MM-dd"));
    QTime time = endOfDay ? QTime(23, 59, 59) : QTime(0, 0);
    if (parts.size() == 2)
        time = QTime::fromString(parts.at(1), QStringLiteral("hh:mm:ss"));
    if (!date.isValid() || !time.isValid() || parts.size() > 2) {
        printError(QStringLiteral("--") + name,
                   QStringLiteral("not a time \"YYYY-MM-DD hh:mm:ss\": %1").arg(o.values.value(name)));
        return false;
    }
    out = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    return true;
}

bool takeNumber(const Options &o, const QString &name, double &out)
{
    if (!o.values.contains(name)) {
        printError(QStringLiteral("--") + name, QStringLiteral("missing"));
        return false;
    }
    bool ok = false;
    out = o.values.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(out)) {
        printError(QStringLiteral("--") + name,
                   QStringLiteral("needs a number: %1").arg(o.values.value(name)));
        return false;
    }
    return true;
}

bool takeOptionalNumber(const Options &o, const QString &name, double &out)
{
    return !o.values.contains(name) || takeNumber(o, name, out);
}

// The project index named first, read; false after an error line.
bool openProject(const Options &o, const QString &command, ProjectFiles &project)
{
    if (o.positional.size() != 1) {
        printError(command, QStringLiteral("needs exactly one PROJECT_INDEX"));
        return false;
    }
    const QString path = o.positional.first();
    if (!QFileInfo(path).isFile()) {
        printError(path, QStringLiteral("no such file"));
        return false;
    }
    project = readProjectFiles(path);
    if (!project.opened) {
        printError(path, QStringLiteral("not a project or point index (.lmvprj, .lmvpos) that can be read"));
        return false;
    }
    return true;
}

const PointFiles *namedPoint(const ProjectFiles &project, const Options &o)
{
    const QString name = o.values.value(QStringLiteral("point"));
    const PointFiles *point = project.point(name);
    if (!point)
        printError(project.indexPath, QStringLiteral("no point named \"%1\"").arg(name));
    return point;
}

} // namespace lmvtool
