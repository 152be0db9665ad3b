#include "data/SafeName.h"

namespace lmv {

namespace {

bool refusedCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F)
        return true;
    switch (u) {
    case u'%':
    case u'/':
    case u'\\':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
        return true;
    default:
        return false;
    }
}

void appendEscaped(QString &out, QChar c)
{
    // Characters escaped here are all below 0x80, so two hex digits are enough.
    out += QLatin1Char('%');
    out += QStringLiteral("%1").arg(static_cast<unsigned>(c.unicode()), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString safeLocalName(const QString &deviceName)
{
    if (deviceName.isEmpty())
        return QStringLiteral("%");

    bool onlyDots = true;
    for (const QChar c : deviceName)
        onlyDots = onlyDots && c == QLatin1Char('.');

    QString out;
    out.reserve(deviceName.size() + 8);
    const int n = deviceName.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = deviceName.at(i);
        if (refusedCharacter(c)) {
            appendEscaped(out, c);
            continue;
        }
        if (c == QLatin1Char('.')) {
            const bool dotRun = (i > 0 && deviceName.at(i - 1) == QLatin1Char('.')) ||
                                (i + 1 < n && deviceName.at(i + 1) == QLatin1Char('.'));
            if (onlyDots || dotRun || i == n - 1) {
                appendEscaped(out, c);
                continue;
            }
        }
        if (c == QLatin1Char(' ') && i == n - 1) {
            appendEscaped(out, c);
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace lmv
