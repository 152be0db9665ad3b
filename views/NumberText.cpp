#include "views/NumberText.h"

#include <charconv>
#include <cmath>

NumberText::NumberText(const QLocale &locale) : m_locale(locale)
{
    m_decimal = locale.decimalPoint();
    m_group = locale.groupSeparator();
    m_minus = locale.negativeSign();
    m_plus = locale.positiveSign();
    m_exponent = locale.exponential();
    m_grouping = !(locale.numberOptions() & QLocale::OmitGroupSeparator);
    m_fast = locale.zeroDigit() == QLatin1Char('0');
}

// Copies "-1234.5e+06"-like ASCII text, translating signs, decimal point and exponent to the
// locale and grouping the integer digits in threes as QLocale does.
void NumberText::appendDigits(QString &out, const char *begin, const char *end) const
{
    const char *p = begin;
    if (p < end && *p == '-') {
        out.append(m_minus);
        ++p;
    }
    const char *intEnd = p;
    while (intEnd < end && *intEnd >= '0' && *intEnd <= '9')
        ++intEnd;
    const bool exponentForm = std::find(p, end, 'e') != end;
    const long intDigits = intEnd - p;
    for (const char *q = p; q < intEnd; ++q) {
        out.append(QLatin1Char(*q));
        const long left = intEnd - q - 1;
        if (m_grouping && !exponentForm && left > 0 && left % 3 == 0 && intDigits > 3)
            out.append(m_group);
    }
    for (const char *q = intEnd; q < end; ++q) {
        switch (*q) {
        case '.':
            out.append(m_decimal);
            break;
        case 'e':
            out.append(m_exponent);
            break;
        case '-':
            out.append(m_minus);
            break;
        case '+':
            out.append(m_plus);
            break;
        default:
            out.append(QLatin1Char(*q));
        }
    }
}

void NumberText::appendFloat(QString &out, float value) const
{
    if (!m_fast || !std::isfinite(value)) {
        out.append(m_locale.toString(value));
        return;
    }
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::general, 6);
    appendDigits(out, buf, res.ptr);
}

void NumberText::appendUnsigned(QString &out, std::uint32_t value) const
{
    if (!m_fast) {
        out.append(m_locale.toString(value));
        return;
    }
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    appendDigits(out, buf, res.ptr);
}

QString NumberText::floatText(float value) const
{
    QString s;
    appendFloat(s, value);
    return s;
}

QString NumberText::unsignedText(std::uint32_t value) const
{
    QString s;
    appendUnsigned(s, value);
    return s;
}
