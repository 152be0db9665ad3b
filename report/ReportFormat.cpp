#include "report/ReportFormat.h"

#include <cmath>

namespace lmv::report {

QString numberText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    QString text = QString::number(value, 'f', decimals);
    // A value that rounds to zero from below is written without its sign.
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0)
        text.remove(0, 1);
    return text;
}

QString shortNumberText(double value, int decimals)
{
    QString text = numberText(value, decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

} // namespace lmv::report
