#include "report/ReportFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMutex>
#include <QMutexLocker>

namespace lmv::report {

QString reportFontFamily(QString *error)
{
    static QMutex mutex;
    static QString family;
    QMutexLocker lock(&mutex);
    if (!family.isEmpty())
        return family;
    // Fonts are known only to a program with the graphical toolkit (offscreen will do).
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (error)
            *error = QStringLiteral("写报告需要图形程序环境 (QGuiApplication)");
        return QString();
    }
    const QString wanted = QString::fromLatin1(kReportFontFamily);
    if (QFontDatabase().families().contains(wanted)) {
        family = wanted;
        return family;
    }
    // Not known to the system's font configuration (a private install): load the file itself.
    const QString file = QString::fromLatin1(kReportFontFile);
    const int id = QFile::exists(file) ? QFontDatabase::addApplicationFont(file) : -1;
    const QStringList loaded = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    if (loaded.contains(wanted)) {
        family = wanted;
    } else if (error) {
        *error = QStringLiteral("缺少报告字体 %1 (%2, Debian 软件包 fonts-wqy-microhei)").arg(wanted, file);
    }
    return family;
}

QFont reportFont(qreal pointSize)
{
    QFont font(reportFontFamily());
    font.setPointSizeF(pointSize);
    // Pick this exact face rather than a lookalike the font configuration might prefer.
    font.setStyleHint(QFont::SansSerif, QFont::PreferMatch);
    return font;
}

} // namespace lmv::report
