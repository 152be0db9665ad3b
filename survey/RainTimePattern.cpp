#include "survey/RainTimePattern.h"

#include <QByteArray>

namespace lmv::survey {

namespace {

using Piece = RainTimePattern::Piece;

constexpr int kMinYear = 1900;
constexpr int kMaxYear = 2200;

bool isLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads between minDigits and maxDigits digits at pos.
bool readNumber(std::string_view text, std::size_t &pos, int minDigits, int maxDigits, int &value)
{
    int n = 0;
    value = 0;
    while (n < maxDigits && pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++n;
    }
    return n >= minDigits;
}

// The field a run of one pattern letter stands for; false for a run no field is written with.
bool partOfRun(char letter, int run, Piece &part)
{
    switch (letter) {
    case 'y':
        part = run == 4 ? Piece::Year4 : Piece::Year2;
        return run == 4 || run == 2;
    case 'M':
        part = Piece::Month;
        return run <= 2;
    case 'd':
        part = Piece::Day;
        return run <= 2;
    case 'H':
        part = Piece::Hour;
        return run <= 2;
    case 'm':
        part = Piece::Minute;
        return run <= 2;
    case 's':
        part = Piece::Second;
        return run <= 2;
    case 'z':
        part = Piece::Fraction;
        return run == 1 || run == 3;
    default:
        return false;
    }
}

struct Fields
{
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = 0;
};

} // namespace

qint64 daysFromCivil(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil: years counted from March so that leap days come last.
    const qint64 y = qint64(year) - (month <= 2 ? 1 : 0);
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

RainTimePattern RainTimePattern::compile(const QString &pattern, QString *error)
{
    RainTimePattern result;
    auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return RainTimePattern();
    };
    const QByteArray utf8 = pattern.trimmed().toUtf8();
    std::vector<Element> parts;
    bool inOptional = false;
    bool seen[7] = {};
    for (int i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (c == '\'') {
            // Quoted literal text; '' inside or outside quotes is one quote.
            int j = i + 1;
            if (j < utf8.size() && utf8[j] == '\'') {
                parts.push_back({Piece::Literal, '\''});
                i = j + 1;
                continue;
            }
            while (j < utf8.size() && utf8[j] != '\'')
                parts.push_back({Piece::Literal, utf8[j++]});
            if (j >= utf8.size())
                return fail(QStringLiteral("时间格式中的引号没有结束"));
            i = j + 1;
            continue;
        }
        if (c == '[' || c == ']') {
            if ((c == '[') == inOptional)
                return fail(QStringLiteral("时间格式中的方括号不成对或有嵌套"));
            inOptional = c == '[';
            parts.push_back({inOptional ? Piece::OptionalBegin : Piece::OptionalEnd, 0});
            ++i;
            continue;
        }
        if (c == ' ') {
            while (i < utf8.size() && utf8[i] == ' ')
                ++i;
            parts.push_back({Piece::Blank, 0});
            continue;
        }
        int run = 1;
        while (i + run < utf8.size() && utf8[i + run] == c)
            ++run;
        Piece part = Piece::Literal;
        if (partOfRun(c, run, part)) {
            parts.push_back({part, 0});
            if (part <= Piece::Second && !inOptional)
                seen[int(part) == 0 ? 0 : int(part) - 1] = true;
            i += run;
            continue;
        }
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            // A run of a field letter of the wrong length (yyy, MMM) is a mistake, not text.
            Piece ignored;
            if (partOfRun(c, 1, ignored) || c == 'y' || c == 'h')
                return fail(QStringLiteral("时间格式中的“%1”无法识别").arg(QString(QByteArray(run, c))));
        }
        parts.push_back({Piece::Literal, c});
        ++i;
    }
    if (inOptional)
        return fail(QStringLiteral("时间格式中的方括号不成对或有嵌套"));
    // seen[]: year (4 or 2 digits), month, day, hour, minute; seconds are optional.
    if (!seen[0] || !seen[1] || !seen[2] || !seen[3] || !seen[4])
        return fail(QStringLiteral("时间格式须含年(yyyy)、月(M)、日(d)、时(H)、分(m)"));
    result.m_parts = std::move(parts);
    if (error)
        error->clear();
    return result;
}

bool RainTimePattern::parse(std::string_view text, qint64 &seconds) const
{
    if (m_parts.empty())
        return false;
    Fields f;
    Fields saved;
    std::size_t pos = 0;
    std::size_t optionalStart = 0;
    bool inOptional = false;
    bool failedOptional = false;
    for (const Element &e : m_parts) {
        if (failedOptional && e.part != Piece::OptionalEnd)
            continue;
        bool ok = true;
        int value = 0;
        switch (e.part) {
        case Piece::OptionalBegin:
            saved = f;
            optionalStart = pos;
            inOptional = true;
            continue;
        case Piece::OptionalEnd:
            failedOptional = false;
            inOptional = false;
            continue;
        case Piece::Year4:
            ok = readNumber(text, pos, 4, 4, f.year);
            break;
        case Piece::Year2:
            ok = readNumber(text, pos, 2, 2, value);
            f.year = 2000 + value;
            break;
        case Piece::Month:
            ok = readNumber(text, pos, 1, 2, f.month);
            break;
        case Piece::Day:
            ok = readNumber(text, pos, 1, 2, f.day);
            break;
        case Piece::Hour:
            ok = readNumber(text, pos, 1, 2, f.hour);
            break;
        case Piece::Minute:
            ok = readNumber(text, pos, 1, 2, f.minute);
            break;
        case Piece::Second:
            ok = readNumber(text, pos, 1, 2, f.second);
            break;
        case Piece::Fraction:
            ok = readNumber(text, pos, 1, 9, value);
            break;
        case Piece::Blank:
            if (pos < text.size() && text[pos] == 'T') {
                ++pos;
                break;
            }
            ok = pos < text.size() && (text[pos] == ' ' || text[pos] == '\t');
            while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
                ++pos;
            break;
        case Piece::Literal:
            ok = pos < text.size() && text[pos] == e.literal;
            pos += ok ? 1 : 0;
            break;
        }
        if (!ok) {
            // Inside an optional part the whole part is dropped; elsewhere the text does not match.
            if (!inOptional)
                return false;
            f = saved;
            pos = optionalStart;
            failedOptional = true;
        }
    }
    if (pos != text.size())
        return false;
    if (f.year < kMinYear || f.year > kMaxYear || f.month < 1 || f.month > 12 || f.day < 1 ||
        f.day > daysInMonth(f.year, f.month) || f.minute > 59 || f.second > 59)
        return false;
    // 24:00 closes a day: some gauges write the last interval of a day so.
    if (f.hour > 24 || (f.hour == 24 && (f.minute != 0 || f.second != 0)))
        return false;
    seconds = daysFromCivil(f.year, f.month, f.day) * 86400 + qint64(f.hour) * 3600 + qint64(f.minute) * 60 +
              f.second;
    return true;
}

int RainTimePattern::fieldsSpanned(char separator) const
{
    int fields = 1;
    bool inOptional = false;
    for (const Element &e : m_parts) {
        if (e.part == Piece::OptionalBegin || e.part == Piece::OptionalEnd)
            inOptional = e.part == Piece::OptionalBegin;
        else if (!inOptional && ((separator == ' ' && e.part == Piece::Blank) ||
                                 (e.part == Piece::Literal && e.literal == separator)))
            ++fields;
    }
    return fields;
}

} // namespace lmv::survey
