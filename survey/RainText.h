#pragma once

// The text of a rain gauge file: its encoding told from its bytes, its lines and the fields of a
// line. Everything is handed on as UTF-8, so times and numbers are read from bytes alike whatever
// the file was written in.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <string_view>
#include <vector>

namespace lmv::survey {

enum class RainEncoding : quint8
{
    Utf8,
    Utf8Bom,
    Utf16,  // with a byte order mark
    Gbk,    // GB18030 and its subsets GBK and GB2312, as Chinese Windows writes text
    Latin1, // neither of the above: every byte one character
};

// "UTF-8", "GBK", ... as the import dialog names an encoding.
QString rainEncodingName(RainEncoding encoding);

struct RainText
{
    QByteArray utf8; // the text without a byte order mark
    RainEncoding encoding = RainEncoding::Utf8;
    QString error; // why the bytes are no text to read (empty, binary); empty when they are
};

// The file's bytes as UTF-8 text. Refused: an empty file (nothing but blanks), a binary one (a NUL
// byte or more than 1 % control characters in its first 64 KiB).
RainText decodeRainText(const QByteArray &bytes);

// Walks the lines of a text: "\n", "\r\n" and, in a file without "\n", "\r" end a line.
class RainLines
{
public:
    explicit RainLines(const QByteArray &utf8);
    // The next line without its end; false after the last one.
    bool next(std::string_view &line);
    // Number (from 1) of the line last returned.
    qsizetype lineNumber() const { return m_number; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    char m_end = '\n';
    qsizetype m_number = 0;
};

// One field of a split line: its text trimmed and unquoted, and where it lay in the line.
struct RainField
{
    std::string_view text;
    std::size_t begin = 0; // first and one past the last character of the field in the line
    std::size_t end = 0;
};

// Splits a line at `separator` (' ' for runs of blanks and tabs) into its first fields, at most
// maxFields of them. A field in double quotes may hold the separator. Returns the number found.
int splitRainFields(std::string_view line, char separator, RainField *fields, int maxFields);
// Every field of a line, as the preview shows it.
QStringList rainFieldTexts(std::string_view line, char separator);

// The separator sample lines agree on: the first of tab, ";", "," and "|" that four in five of the
// lines hold equally often (header lines may differ), else ' ' (runs of blanks).
char detectRainSeparator(const std::vector<std::string_view> &lines);

inline bool isRainBlank(char c)
{
    return c == ' ' || c == '\t';
}
std::string_view trimRain(std::string_view s);

} // namespace lmv::survey
