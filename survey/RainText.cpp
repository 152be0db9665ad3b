#include "survey/RainText.h"

#include <QTextCodec>

#include <algorithm>
#include <cstring>

namespace lmv::survey {

namespace {

constexpr int kBinaryProbeBytes = 64 * 1024;

bool isControl(unsigned char c)
{
    // Tab, line ends, form feed and the DOS end-of-file mark occur in text files.
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1a) || c == 0x7f;
}

bool looksBinary(const QByteArray &bytes)
{
    const int n = std::min(bytes.size(), kBinaryProbeBytes);
    int controls = 0;
    for (int i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0)
            return true;
        controls += isControl(c) ? 1 : 0;
    }
    return controls * 100 > n;
}

bool onlyBlanks(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; });
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::size_t n = std::size_t(bytes.size());
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time.
        if (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned lo = 0x80, hi = 0xbf;
        if (c >= 0xc2 && c <= 0xdf) {
            more = 1;
        } else if (c >= 0xe0 && c <= 0xef) {
            more = 2;
            lo = c == 0xe0 ? 0xa0 : 0x80;
            hi = c == 0xed ? 0x9f : 0xbf;
        } else if (c >= 0xf0 && c <= 0xf4) {
            more = 3;
            lo = c == 0xf0 ? 0x90 : 0x80;
            hi = c == 0xf4 ? 0x8f : 0xbf;
        } else {
            return false;
        }
        if (i + std::size_t(more) >= n)
            return false;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return false;
        for (int k = 2; k <= more; ++k)
            if (p[i + std::size_t(k)] < 0x80 || p[i + std::size_t(k)] > 0xbf)
                return false;
        i += std::size_t(more) + 1;
    }
    return true;
}

} // namespace

QString rainEncodingName(RainEncoding encoding)
{
    switch (encoding) {
    case RainEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case RainEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 (BOM)");
    case RainEncoding::Utf16:
        return QStringLiteral("UTF-16");
    case RainEncoding::Gbk:
        return QStringLiteral("GBK");
    case RainEncoding::Latin1:
        return QStringLiteral("Latin-1");
    }
    return QString();
}

RainText decodeRainText(const QByteArray &bytes)
{
    RainText text;
    if (bytes.startsWith("\xef\xbb\xbf")) {
        text.encoding = RainEncoding::Utf8Bom;
        text.utf8 = bytes.mid(3);
    } else if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        text.encoding = RainEncoding::Utf16;
        const char *name = bytes.startsWith("\xff\xfe") ? "UTF-16LE" : "UTF-16BE";
        text.utf8 = QTextCodec::codecForName(name)->toUnicode(bytes.mid(2)).toUtf8();
    } else {
        text.utf8 = bytes;
    }
    if (onlyBlanks(text.utf8)) {
        text.utf8.clear();
        text.error = QStringLiteral("文件是空的");
        return text;
    }
    if (looksBinary(text.utf8)) {
        text.utf8.clear();
        text.error = QStringLiteral("不是文本文件（含二进制内容），无法读取");
        return text;
    }
    if (text.encoding != RainEncoding::Utf8 || isUtf8(text.utf8))
        return text;
    // Not UTF-8: Chinese Windows programs write GBK; anything else is read byte by byte.
    QTextCodec::ConverterState state;
    const QString gbk =
        QTextCodec::codecForName("GB18030")->toUnicode(bytes.constData(), int(bytes.size()), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0) {
        text.encoding = RainEncoding::Gbk;
        text.utf8 = gbk.toUtf8();
    } else {
        text.encoding = RainEncoding::Latin1;
        text.utf8 = QString::fromLatin1(bytes).toUtf8();
    }
    return text;
}

RainLines::RainLines(const QByteArray &utf8) : m_text(utf8.constData(), std::size_t(utf8.size()))
{
    if (m_text.find('\n') == std::string_view::npos)
        m_end = '\r';
}

bool RainLines::next(std::string_view &line)
{
    if (m_pos >= m_text.size())
        return false;
    std::size_t end = m_text.find(m_end, m_pos);
    if (end == std::string_view::npos)
        end = m_text.size();
    line = m_text.substr(m_pos, end - m_pos);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    m_pos = end + 1;
    ++m_number;
    return true;
}

std::string_view trimRain(std::string_view s)
{
    while (!s.empty() && isRainBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isRainBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int splitRainFields(std::string_view line, char separator, RainField *fields, int maxFields)
{
    const bool blanks = separator == ' ';
    std::size_t pos = 0;
    int n = 0;
    while (n < maxFields) {
        while (pos < line.size() && isRainBlank(line[pos]))
            ++pos;
        if (blanks && pos >= line.size())
            break;
        RainField &f = fields[n++];
        f.begin = pos;
        if (pos < line.size() && line[pos] == '"') {
            // A quoted field runs to the quote that is not doubled.
            std::size_t close = pos + 1;
            while (close < line.size() &&
                   !(line[close] == '"' && (close + 1 >= line.size() || line[close + 1] != '"')))
                close += line[close] == '"' ? 2 : 1;
            f.text = line.substr(pos + 1, std::min(close, line.size()) - pos - 1);
            pos = std::min(close + 1, line.size());
            f.end = pos;
            while (pos < line.size() && !(blanks ? isRainBlank(line[pos]) : line[pos] == separator))
                ++pos;
        } else {
            std::size_t stop = pos;
            while (stop < line.size() && !(blanks ? isRainBlank(line[stop]) : line[stop] == separator))
                ++stop;
            f.text = trimRain(line.substr(pos, stop - pos));
            f.end = pos + f.text.size();
            pos = stop;
        }
        if (pos >= line.size())
            break;
        ++pos; // past the separator
        if (!blanks && pos == line.size() && n < maxFields) {
            // A separator at the end of the line leaves an empty last field.
            fields[n++] = RainField{std::string_view(), pos, pos};
            break;
        }
    }
    return n;
}

QStringList rainFieldTexts(std::string_view line, char separator)
{
    constexpr int kMaxShown = 256;
    std::vector<RainField> fields(kMaxShown);
    const int n = splitRainFields(line, separator, fields.data(), kMaxShown);
    QStringList texts;
    for (int i = 0; i < n; ++i)
        texts << QString::fromUtf8(fields[std::size_t(i)].text.data(),
                                   int(fields[std::size_t(i)].text.size()));
    return texts;
}

char detectRainSeparator(const std::vector<std::string_view> &lines)
{
    if (lines.empty())
        return ' ';
    for (const char candidate : {'\t', ';', ',', '|'}) {
        // Separators outside quotes on each line; then the count most lines share.
        std::vector<int> counts;
        counts.reserve(lines.size());
        for (const std::string_view line : lines) {
            int found = 0;
            bool quoted = false;
            for (const char c : line) {
                quoted = c == '"' ? !quoted : quoted;
                found += !quoted && c == candidate ? 1 : 0;
            }
            counts.push_back(found);
        }
        std::vector<int> &sorted = counts;
        std::sort(sorted.begin(), sorted.end());
        int best = 0, bestRun = 0;
        for (std::size_t i = 0; i < sorted.size();) {
            std::size_t j = i;
            while (j < sorted.size() && sorted[j] == sorted[i])
                ++j;
            if (sorted[i] > 0 && int(j - i) > bestRun) {
                best = sorted[i];
                bestRun = int(j - i);
            }
            i = j;
        }
        if (best > 0 && bestRun * 5 >= int(lines.size()) * 4)
            return candidate;
    }
    return ' ';
}

} // namespace lmv::survey
