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
    auto latin1 = [](QChar c) { return c.unicode() < 0x100; };
    m_latin1 = m_fast && latin1(m_decimal) && latin1(m_group) && latin1(m_minus) && latin1(m_plus) &&
               latin1(m_exponent);
}

// The same translation as appendDigits into Latin-1 bytes; dst must hold 2 × (end - begin).
int NumberText::writeLatin1(char *dst, const char *begin, const char *end) const
{
    char *d = dst;
    const char *p = begin;
    if (p < end && *p == '-') {
        *d++ = char(m_minus.unicode());
        ++p;
    }
    const char *intEnd = p;
    while (intEnd < end && *intEnd >= '0' && *intEnd <= '9')
        ++intEnd;
    const bool group = m_grouping && intEnd - p > 3 && std::find(p, end, 'e') == end;
    for (const char *q = p; q < intEnd; ++q) {
        *d++ = *q;
        const long left = intEnd - q - 1;
        if (group && left > 0 && left % 3 == 0)
            *d++ = char(m_group.unicode());
    }
    for (const char *q = intEnd; q < end; ++q) {
        switch (*q) {
        case '.':
            *d++ = char(m_decimal.unicode());
            break;
        case 'e':
            *d++ = char(m_exponent.unicode());
            break;
        case '-':
            *d++ = char(m_minus.unicode());
            break;
        case '+':
            *d++ = char(m_plus.unicode());
            break;
        default:
            *d++ = *q;
        }
    }
    return int(d - dst);
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

// Splits scientific text "-d.ddde+XX" into its sign, digits and exponent.
static int splitScientific(const char *begin, const char *end, bool &negative, char *digits, int &exponent)
{
    const char *p = begin;
    negative = *p == '-';
    if (negative)
        ++p;
    int n = 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.')
            digits[n++] = *p;
    // to_chars does not terminate its text: read the exponent up to the end only.
    exponent = 0;
    bool negativeExponent = false;
    for (++p; p < end; ++p) {
        if (*p == '-')
            negativeExponent = true;
        else if (*p >= '0' && *p <= '9')
            exponent = exponent * 10 + (*p - '0');
    }
    if (negativeExponent)
        exponent = -exponent;
    return n;
}

// Formats like printf("%.6g"), except that a value exactly halfway between two six-digit
// results rounds away from zero, as QLocale does (std::to_chars would round to even).
static int formatSixDigits(char *out, float value)
{
    char sci[40];
    char digits[24];
    bool negative = false;
    int exponent = 0;
    char kept[7];
    // Most shown values are short: when the shortest text that reads back as this float has at
    // most six digits, rounding the exact value to six digits gives those digits (for normal
    // floats, whose neighbours are much closer than a unit of the sixth digit).
    auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
    int n = splitScientific(sci, res.ptr, negative, digits, exponent);
    if (n <= 6 && std::fpclassify(value) == FP_NORMAL) {
        std::memcpy(kept, digits, std::size_t(n));
        std::memset(kept + n, '0', std::size_t(6 - n));
    } else {
        // 17 significant digits show a float's exact value far enough to tell a true halfway
        // case: any other float lies at least one float step (about 6e-8 relative) away from it.
        res = std::to_chars(sci, sci + sizeof sci, double(value), std::chars_format::scientific, 16);
        n = splitScientific(sci, res.ptr, negative, digits, exponent);
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
    char buf[32];
    const int len = value == 0.0f ? 0 : formatSixDigits(buf, value);
    if (len == 0) {
        out.append(QLatin1Char('0')); // QLocale shows -0 as "0" too
    } else if (m_latin1) {
        char local[64];
        out.append(QLatin1String(local, writeLatin1(local, buf, buf + len)));
    } else {
        appendDigits(out, buf, buf + len);
    }
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

int NumberText::writeFloat(char *dst, float value) const
{
    if (!m_latin1 || !std::isfinite(value)) {
        const QByteArray text = m_locale.toString(value).toLatin1().left(kMaxLatin1Number);
        std::memcpy(dst, text.constData(), std::size_t(text.size()));
        return text.size();
    }
    if (value == 0.0f) {
        *dst = '0';
        return 1;
    }
    char buf[32];
    const int len = formatSixDigits(buf, value);
    return writeLatin1(dst, buf, buf + len);
}

int NumberText::writeUnsigned(char *dst, std::uint32_t value) const
{
    if (!m_latin1) {
        const QByteArray text = m_locale.toString(value).toLatin1().left(kMaxLatin1Number);
        std::memcpy(dst, text.constData(), std::size_t(text.size()));
        return text.size();
    }
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return writeLatin1(dst, buf, res.ptr);
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
