#include "views/ScatterCurveStore.h"

#include <QSettings>
#include <QUrl>

namespace {

// A settings group of its own per point; the names are escaped so that a "/" in them cannot
// reach into another point's group.
QString groupOf(const QString &project, const QString &point)
{
    return QStringLiteral("scatterCurve/%1/%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(project)),
             QString::fromLatin1(QUrl::toPercentEncoding(point)));
}

// The viewer's own settings file, whatever the program that links the views calls itself.
const char kOrganization[] = "Limnova";
const char kApplication[] = "limnova-viewer";

} // namespace

CurveInput loadCurveInput(const QString &project, const QString &point)
{
    CurveInput input = defaultCurveInput();
    if (project.isEmpty() && point.isEmpty())
        return input;
    QSettings settings(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
    settings.beginGroup(groupOf(project, point));
    input.slopePermille = settings.value(QStringLiteral("slopePermille"), input.slopePermille).toString();
    input.law = settings.value(QStringLiteral("law"), input.law).toInt() == 1 ? 1 : 0;
    input.manningN = settings.value(QStringLiteral("manningN"), input.manningN).toString();
    input.roughnessMm = settings.value(QStringLiteral("roughnessMm"), input.roughnessMm).toString();
    return input;
}

void saveCurveInput(const QString &project, const QString &point, const CurveInput &input)
{
    if (project.isEmpty() && point.isEmpty())
        return;
    QSettings settings(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
    settings.beginGroup(groupOf(project, point));
    settings.setValue(QStringLiteral("slopePermille"), input.slopePermille);
    settings.setValue(QStringLiteral("law"), input.law);
    settings.setValue(QStringLiteral("manningN"), input.manningN);
    settings.setValue(QStringLiteral("roughnessMm"), input.roughnessMm);
}
