#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

// Turns cell numbers into the text a table view shows for them.
//
// A view renders a float cell as QLocale::toString(value) (six significant digits, 'g' form, the
// locale's group separator) and an integer cell as QLocale::toString(integer). Copying a table must
// give the same texts, and copying a million rows must be fast, so NumberText formats C-like
// locales directly into a character buffer and falls back to QLocale for any other locale.
class NumberText
{
public:
    explicit NumberText(const QLocale &locale = QLocale());

    // Appends the shown text of a float cell.
    void appendFloat(QString &out, float value) const;
    // Appends the shown text of an unsigned integer cell.
    void appendUnsigned(QString &out, std::uint32_t value) const;

    // Latin-1 forms for building long texts quickly; only when latin1Form() is true. Each writes
    // at most kMaxLatin1Number bytes to dst and returns the number written.
    static constexpr int kMaxLatin1Number = 48;
    bool latin1Form() const { return m_latin1; }
    int writeFloat(char *dst, float value) const;
    int writeUnsigned(char *dst, std::uint32_t value) const;

    QString floatText(float value) const;
    QString unsignedText(std::uint32_t value) const;

private:
    void appendDigits(QString &out, const char *begin, const char *end) const;
    int writeLatin1(char *dst, const char *begin, const char *end) const;

    QLocale m_locale;
    bool m_fast = false;     // the locale uses ASCII digits, so the quick path applies
    bool m_latin1 = false;   // every symbol is Latin-1, so texts can be built as bytes
    bool m_grouping = false; // thousands separators are inserted into integer parts
    QChar m_decimal = QLatin1Char('.');
    QChar m_group = QLatin1Char(',');
    QChar m_minus = QLatin1Char('-');
    QChar m_plus = QLatin1Char('+');
    QChar m_exponent = QLatin1Char('e');
};
