#include "views/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

// Formats like printf("%.6g"), except that a value exactly halfway between two six-digit
// results rounds away from zero, as QLocale does (std::to_chars would round to even).
static int formatSixDigits(char *out, double value)
{
    // 17 significant digits show a float's exact value far enough to tell a true halfway case:
    // any other float lies at least one float step (about 6e-8 relative) away from it.
    char sci[40];
    const auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 16);
    const char *p = sci;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    char digits[18];
    int n = 0;
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p != '.')
            digits[n++] = *p;
    int exponent = std::atoi(p + 1);
    char kept[7];
    std::memcpy(kept, digits, 6);
    if (digits[6] >= '5') {
        int i = 5;
        while (i >= 0 && kept[i] == '9')
            kept[i--] = '0';
        if (i >= 0) {
            ++kept[i];
        } else {
            kept[0] = '1'; // 999999.5 becomes 1e+06
            ++exponent;
        }
    }
    int last = 5; // drop trailing zeros
    while (last > 0 && kept[last] == '0')
        --last;
    int len = 0;
    if (negative)
        out[len++] = '-';
    if (exponent < -4 || exponent >= 6) {
        out[len++] = kept[0];
        if (last > 0) {
            out[len++] = '.';
            for (int i = 1; i <= last; ++i)
                out[len++] = kept[i];
        }
        len += std::snprintf(out + len, 8, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i)
            out[len++] = i < 6 ? kept[i] : '0';
        if (last > exponent) {
            out[len++] = '.';
            for (int i = exponent + 1; i <= last; ++i)
                out[len++] = kept[i];
        }
    } else {
        out[len++] = '0';
        out[len++] = '.';
        for (int i = 0; i < -exponent - 1; ++i)
            out[len++] = '0';
        for (int i = 0; i <= last; ++i)
            out[len++] = kept[i];
    }
    return len;
}

void NumberText::appendFloat(QString &out, float value) const
{
    if (!m_fast || !std::isfinite(value)) {
        out.append(m_locale.toString(value));
        return;
    }
    if (value == 0.0f) {
        out.append(QLatin1Char('0')); // QLocale shows -0 as "0" too
        return;
    }
    char buf[32];
    const int len = formatSixDigits(buf, double(value));
    appendDigits(out, buf, buf + len);
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
