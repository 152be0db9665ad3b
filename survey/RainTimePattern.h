#pragma once

// Times of rain gauge files read by a pattern such as "yyyy-MM-dd HH:mm[:ss]", into clock seconds
// (data/TimeSteps.h: the gauge's own clock as if it were UTC).
//
// Pattern letters: yyyy (four digits), yy (two digits, 20yy), M or MM (month), d or dd (day),
// H or HH (hour, 0-24; 24:00:00 is the next day's midnight), m or mm (minute), s or ss (second),
// z or zzz (fraction of a second, read and dropped). One- and two-letter fields take one or two
// digits. [ ] encloses an optional part, 'text' is literal text, a space matches any run of spaces
// or tabs or a single "T"; every other character stands for itself. Year, month, day, hour and
// minute are required.

#include <QString>
#include <QtGlobal>

#include <string_view>
#include <vector>

namespace lmv::survey {

class RainTimePattern
{
public:
    // The pattern compiled; on failure an invalid pattern and a message in *error.
    static RainTimePattern compile(const QString &pattern, QString *error = nullptr);

    bool isValid() const { return !m_parts.empty(); }
    // Clock seconds of a time text that the pattern matches whole; false when it does not match
    // or names no real time (month 13, 31 April, 25:00, a year outside 1900-2200).
    bool parse(std::string_view text, qint64 &seconds) const;
    // How many fields a time spans when a line is split at `separator` (' ' for runs of blanks):
    // one more than the separators the pattern itself holds outside its optional part.
    int fieldsSpanned(char separator) const;

    enum class Piece : quint8
    {
        Year4,
        Year2,
        Month,
        Day,
        Hour,
        Minute,
        Second,
        Fraction,
        Blank,
        Literal,
        OptionalBegin,
        OptionalEnd,
    };

private:
    struct Element
    {
        Piece part;
        char literal = 0;
    };
    std::vector<Element> m_parts;
};

// Days from 1970-01-01 of a calendar date (proleptic Gregorian).
qint64 daysFromCivil(int year, int month, int day);

} // namespace lmv::survey
