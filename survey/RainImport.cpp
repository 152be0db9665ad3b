#include "survey/RainImport.h"

#include "data/TimeSteps.h"
#include "survey/RainTimePattern.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace lmv::survey {

namespace {

constexpr int kMaxColumns = 256;
// Lines the guess looks at.
constexpr int kGuessLines = 200;
// Data rows the guess needs to call values a running total.
constexpr int kGuessTotalRows = 10;

struct Row
{
    qsizetype line;
    qint64 time;
    double value;
};

// Where a line's time and value lie, as the mapping and the separator say.
struct Layout
{
    RainTimePattern pattern;
    char separator = ' ';
    int timeFirst = 0; // field index
    int timeFields = 1;
    int value = -1; // field index; -1 for tips
    bool decimalComma = false;
    int fieldsNeeded() const { return std::max(timeFirst + timeFields, value + 1); }
};

bool valueInsideTime(const RainImportMapping &m, int timeFields)
{
    return m.kind != RainKind::Tips && m.valueColumn >= m.timeColumn &&
           m.valueColumn < m.timeColumn + timeFields;
}

QString overlapMessage()
{
    return QStringLiteral("数值列落在时间所占的列中");
}

// A number as gauges write it: optional sign, decimal point (or comma), exponent.
bool parseNumber(std::string_view s, bool decimalComma, double &value)
{
    constexpr std::size_t kMaxNumberChars = 64;
    if (s.empty() || s.size() > kMaxNumberChars)
        return false;
    char buf[kMaxNumberChars] = {};
    std::size_t n = 0;
    for (std::size_t i = s.front() == '+' ? 1 : 0; i < s.size(); ++i)
        buf[n++] = decimalComma && s[i] == ',' ? '.' : s[i];
    const auto [end, ec] = std::from_chars(buf, buf + n, value, std::chars_format::general);
    return ec == std::errc() && end == buf + n && n > 0 && std::isfinite(value);
}

// Reads one data line; `fields` has room for layout.fieldsNeeded() fields.
bool readRow(const Layout &layout, std::string_view line, RainField *fields, Row &row,
             RainRowProblem &problem)
{
    const int n = splitRainFields(line, layout.separator, fields, layout.fieldsNeeded());
    if (n < layout.timeFirst + layout.timeFields) {
        problem = RainRowProblem::NoTime;
        return false;
    }
    std::string_view time = fields[layout.timeFirst].text;
    if (layout.timeFields > 1) {
        const RainField &last = fields[layout.timeFirst + layout.timeFields - 1];
        time = line.substr(fields[layout.timeFirst].begin, last.end - fields[layout.timeFirst].begin);
    }
    if (!layout.pattern.parse(trimRain(time), row.time)) {
        problem = RainRowProblem::BadTime;
        return false;
    }
    row.value = 0.0;
    if (layout.value < 0)
        return true;
    if (n <= layout.value || fields[layout.value].text.empty()) {
        problem = RainRowProblem::NoValue;
        return false;
    }
    if (!parseNumber(fields[layout.value].text, layout.decimalComma, row.value)) {
        problem = RainRowProblem::BadValue;
        return false;
    }
    if (row.value < 0.0) {
        problem = RainRowProblem::Negative;
        return false;
    }
    return true;
}

// Depth (mm) no interval or step of that many seconds can hold.
double depthLimit(qint64 seconds)
{
    return std::min(kMaxDepthMm, kMaxRainRateMmPerHour * double(seconds) / 3600.0);
}

void addCover(QVector<TimeSpan> &covered, qint64 start, qint64 end)
{
    if (!covered.isEmpty() && start <= covered.back().end)
        covered.back().end = std::max(covered.back().end, end);
    else
        covered.push_back({start, end});
}

// Keeps rows whose time rises (tips: does not fall); lists the others.
void keepRising(std::vector<Row> &rows, bool sameTimeAllowed, std::vector<RainBadRow> &bad)
{
    std::size_t kept = 0;
    for (const Row &row : rows) {
        if (kept > 0) {
            const qint64 last = rows[kept - 1].time;
            if (row.time < last || (row.time == last && !sameTimeAllowed)) {
                bad.push_back({row.line, row.time == last ? RainRowProblem::RepeatedTime
                                                          : RainRowProblem::TimeBackwards});
                continue;
            }
        }
        rows[kept++] = row;
    }
    rows.resize(kept);
}

std::vector<qint64> timesOf(const std::vector<Row> &rows)
{
    std::vector<qint64> times(rows.size());
    std::transform(rows.begin(), rows.end(), times.begin(), [](const Row &r) { return r.time; });
    return times;
}

void readIntervals(std::vector<Row> &rows, RainImportResult &result)
{
    RainSeries &s = result.series;
    const std::vector<qint64> times = timesOf(rows);
    s.intervalSeconds = mostCommonStep(times);
    const double limit = depthLimit(s.intervalSeconds);
    s.times.reserve(rows.size());
    s.depthMm.reserve(rows.size());
    for (const Row &row : rows) {
        if (row.value > limit) {
            result.badRows.push_back({row.line, RainRowProblem::TooLarge});
            continue;
        }
        s.times.push_back(row.time);
        s.depthMm.push_back(row.value);
        addCover(s.covered, row.time - s.intervalSeconds, row.time);
    }
    result.rowsRead = qsizetype(s.times.size());
}

void readTotals(std::vector<Row> &rows, RainImportResult &result)
{
    RainSeries &s = result.series;
    const std::vector<qint64> times = timesOf(rows);
    s.intervalSeconds = mostCommonStep(times);
    s.times.reserve(rows.size());
    s.depthMm.reserve(rows.size());
    // The first reading only sets where the totals start.
    double total = rows.front().value;
    qint64 at = rows.front().time;
    result.rowsRead = 1;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const Row &row = rows[i];
        double depth = row.value - total;
        if (row.value < total) {
            if (row.value > total / 2) {
                result.badRows.push_back({row.line, RainRowProblem::TotalFellBack});
                continue;
            }
            depth = row.value; // the counter was reset and counted up again from zero
        }
        const qint64 step = row.time - at;
        if (isGapStep(step, s.intervalSeconds)) {
            ++result.holes;
            result.holeDepthMm += depth;
        } else {
            if (depth > depthLimit(step)) {
                result.badRows.push_back({row.line, RainRowProblem::TooLarge});
                continue;
            }
            s.times.push_back(row.time);
            s.depthMm.push_back(depth);
            addCover(s.covered, at, row.time);
        }
        total = row.value;
        at = row.time;
        ++result.rowsRead;
    }
}

void readTips(std::vector<Row> &rows, double bucketMm, RainImportResult &result)
{
    RainSeries &s = result.series;
    s.intervalSeconds = 0;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j < rows.size() && rows[j].time == rows[i].time)
            ++j;
        const std::size_t tips = std::min<std::size_t>(j - i, kMaxTipsPerSecond);
        for (std::size_t k = i + tips; k < j; ++k)
            result.badRows.push_back({rows[k].line, RainRowProblem::TooManyTips});
        s.times.push_back(rows[i].time);
        s.depthMm.push_back(double(tips) * bucketMm);
        result.rowsRead += qsizetype(tips);
        i = j;
    }
    // A tip closes the second it is logged in; the record runs from the first tip's second.
    s.covered = {{s.times.front() - 1, s.times.back()}};
}

Layout layoutOf(const RainImportMapping &m, char separator)
{
    Layout layout;
    layout.pattern = RainTimePattern::compile(m.timeFormat);
    layout.separator = separator;
    layout.timeFirst = m.timeColumn - 1;
    layout.timeFields = layout.pattern.fieldsSpanned(separator);
    layout.value = m.kind == RainKind::Tips ? -1 : m.valueColumn - 1;
    layout.decimalComma = m.decimalComma;
    return layout;
}

// The first non-blank lines after `skip` lines, for telling the separator.
std::vector<std::string_view> sampleLines(const QByteArray &utf8, int skip, int count)
{
    std::vector<std::string_view> lines;
    RainLines reader(utf8);
    std::string_view line;
    while (int(lines.size()) < count && reader.next(line))
        if (reader.lineNumber() > skip && !trimRain(line).empty())
            lines.push_back(line);
    return lines;
}

void refuse(RainImportResult &result, const QString &why)
{
    result.error = why;
    result.series = RainSeries();
    result.rowsRead = 0;
}

} // namespace

QString rainRowProblemText(RainRowProblem problem)
{
    switch (problem) {
    case RainRowProblem::NoTime:
        return QStringLiteral("没有时间列");
    case RainRowProblem::BadTime:
        return QStringLiteral("时间无法识别");
    case RainRowProblem::NoValue:
        return QStringLiteral("没有数值");
    case RainRowProblem::BadValue:
        return QStringLiteral("数值无法识别");
    case RainRowProblem::Negative:
        return QStringLiteral("数值为负");
    case RainRowProblem::TooLarge:
        return QStringLiteral("数值过大，超出可能的降雨");
    case RainRowProblem::RepeatedTime:
        return QStringLiteral("时间与上一行相同");
    case RainRowProblem::TimeBackwards:
        return QStringLiteral("时间早于上一行");
    case RainRowProblem::TotalFellBack:
        return QStringLiteral("累计雨量倒退");
    case RainRowProblem::TooManyTips:
        return QStringLiteral("同一秒内翻斗次数过多");
    }
    return QString();
}

QString rainMappingProblem(const RainImportMapping &m)
{
    if (m.timeColumn < 1 || m.timeColumn > kMaxColumns)
        return QStringLiteral("时间列须在 1 到 %1 之间").arg(kMaxColumns);
    if (m.kind != RainKind::Tips && (m.valueColumn < 1 || m.valueColumn > kMaxColumns))
        return QStringLiteral("数值列须在 1 到 %1 之间").arg(kMaxColumns);
    if (m.skipRows < 0)
        return QStringLiteral("跳过的表头行数不能为负");
    const auto sep = static_cast<unsigned char>(m.separator);
    if (m.separator != 0 &&
        (sep >= 0x80 || sep < 0x20 ? m.separator != '\t' : std::isalnum(sep) || m.separator == '"'))
        return QStringLiteral("分隔符不能是字母、数字、引号或控制字符");
    QString error;
    const RainTimePattern pattern = RainTimePattern::compile(m.timeFormat, &error);
    if (!pattern.isValid())
        return error;
    if (m.separator != 0 && valueInsideTime(m, pattern.fieldsSpanned(m.separator)))
        return overlapMessage();
    if (m.kind == RainKind::Tips && !(m.bucketMm >= kMinBucketMm && m.bucketMm <= kMaxBucketMm))
        return QStringLiteral("翻斗容量须在 %1 到 %2 mm 之间").arg(kMinBucketMm).arg(kMaxBucketMm);
    return QString();
}

RainImportResult importRain(const QByteArray &bytes, const RainImportMapping &mapping)
{
    RainImportResult result;
    result.error = rainMappingProblem(mapping);
    if (result.refused())
        return result;
    const RainText text = decodeRainText(bytes);
    result.encoding = text.encoding;
    if (!text.error.isEmpty()) {
        result.error = text.error;
        return result;
    }
    const std::vector<std::string_view> sample = sampleLines(text.utf8, mapping.skipRows, 50);
    if (sample.empty()) {
        result.error = QStringLiteral("跳过表头后没有数据行");
        return result;
    }
    result.separator = mapping.separator != 0 ? mapping.separator : detectRainSeparator(sample);
    const Layout layout = layoutOf(mapping, result.separator);
    if (valueInsideTime(mapping, layout.timeFields)) {
        result.error = overlapMessage();
        return result;
    }

    std::vector<Row> rows;
    rows.reserve(std::size_t(text.utf8.size() / 24));
    std::vector<RainField> fields(std::size_t(layout.fieldsNeeded()));
    RainLines lines(text.utf8);
    std::string_view line;
    while (lines.next(line)) {
        if (lines.lineNumber() <= mapping.skipRows || trimRain(line).empty())
            continue;
        ++result.dataRows;
        Row row{lines.lineNumber(), 0, 0.0};
        RainRowProblem problem;
        if (readRow(layout, line, fields.data(), row, problem))
            rows.push_back(row);
        else
            result.badRows.push_back({row.line, problem});
    }
    result.lines = lines.lineNumber();
    if (result.dataRows == 0) {
        refuse(result, QStringLiteral("跳过表头后没有数据行"));
        return result;
    }

    keepRising(rows, mapping.kind == RainKind::Tips, result.badRows);
    result.series.kind = mapping.kind;
    const std::size_t fewest = mapping.kind == RainKind::Tips ? 1 : 2;
    if (rows.size() >= fewest) {
        if (mapping.kind == RainKind::Interval)
            readIntervals(rows, result);
        else if (mapping.kind == RainKind::Cumulative)
            readTotals(rows, result);
        else
            readTips(rows, mapping.bucketMm, result);
    }
    std::stable_sort(result.badRows.begin(), result.badRows.end(),
                     [](const RainBadRow &a, const RainBadRow &b) { return a.line < b.line; });

    const qsizetype bad = qsizetype(result.badRows.size());
    if (bad * 10 > result.dataRows)
        refuse(result, QStringLiteral("%1 行无法读取（共 %2 行数据），超过十分之一，未导入")
                           .arg(bad)
                           .arg(result.dataRows));
    else if (rows.size() < fewest)
        refuse(result, mapping.kind == RainKind::Tips
                           ? QStringLiteral("没有可读的翻斗记录")
                           : QStringLiteral("可读的数据行少于两行，无法确定记录间隔"));
    else if (result.series.empty())
        refuse(result, QStringLiteral("文件中没有可用的雨量数据"));
    return result;
}

QStringList rainBadRowLines(const std::vector<RainBadRow> &rows, int limit)
{
    QStringList lines;
    const int shown = int(std::min<std::size_t>(rows.size(), std::size_t(std::max(limit, 0))));
    for (int i = 0; i < shown; ++i)
        lines << QStringLiteral("第 %1 行：%2")
                     .arg(rows[std::size_t(i)].line)
                     .arg(rainRowProblemText(rows[std::size_t(i)].problem));
    if (std::size_t(shown) < rows.size())
        lines << QStringLiteral("另有 %1 行无法读取").arg(rows.size() - std::size_t(shown));
    return lines;
}

namespace {

// Time forms the guess tries, the ones offered by name first.
const char *const kGuessFormats[] = {
    kRainTimeIso,          kRainTimeSlash,           "yyyy/M/d H:mm:ss",         kRainTimeDayFirst,
    "dd/MM/yyyy HH:mm:ss", "MM/dd/yyyy HH:mm[:ss]",  "dd.MM.yyyy HH:mm[:ss]",    "yyyy-MM-dd HH:mm:ss.zzz",
    "yyyyMMddHHmm[ss]",    "yyyy年M月d日 H:mm[:ss]", "yyyy年M月d日 H时m分[s秒]",
};
constexpr int kGuessColumns = 8;

constexpr int kGuessFields = kGuessColumns * 2;

// A line the guess looks at, split once at the separator.
struct SampleLine
{
    qsizetype number;
    std::string_view text;
    std::vector<RainField> fields;

    void split(char separator)
    {
        fields.resize(kGuessFields);
        fields.resize(std::size_t(splitRainFields(text, separator, fields.data(), kGuessFields)));
    }
    // The text of `span` fields from `first` on, as readRow takes a time; false when they are missing.
    bool timeText(int first, int span, std::string_view &time) const
    {
        if (first + span > int(fields.size()))
            return false;
        const RainField &a = fields[std::size_t(first)];
        const RainField &b = fields[std::size_t(first + span - 1)];
        time = span == 1 ? a.text : trimRain(text.substr(a.begin, b.end - a.begin));
        return true;
    }
};

bool looksLikeTotals(const QString &header)
{
    const QString h = header.toLower();
    return h.contains(QStringLiteral("累计")) || h.contains(QStringLiteral("累積")) ||
           h.contains(QLatin1String("cum")) || h.contains(QLatin1String("total")) ||
           h.contains(QLatin1String("accum"));
}

// The value column of the data lines: the first column besides the time's that holds numbers on
// four in five lines; -1 when none does.
int guessValueColumn(const std::vector<SampleLine> &data, char sep, int timeFirst, int timeFields,
                     bool &decimalComma)
{
    for (int v = 0; v < kGuessFields; ++v) {
        if (v >= timeFirst && v < timeFirst + timeFields)
            continue;
        int numbers = 0;
        bool comma = false;
        for (const SampleLine &line : data) {
            if (int(line.fields.size()) <= v)
                continue;
            const std::string_view t = line.fields[std::size_t(v)].text;
            comma = comma || (sep != ',' && t.find(',') != std::string_view::npos);
            double value;
            numbers += parseNumber(t, sep != ',', value) ? 1 : 0;
        }
        if (numbers > 0 && numbers * 5 >= int(data.size()) * 4) {
            decimalComma = comma;
            return v;
        }
    }
    return -1;
}

} // namespace

RainImportMapping guessRainMapping(const QByteArray &utf8)
{
    RainImportMapping m;
    std::vector<SampleLine> lines;
    RainLines reader(utf8);
    std::string_view text;
    while (int(lines.size()) < kGuessLines && reader.next(text))
        if (!trimRain(text).empty())
            lines.push_back({reader.lineNumber(), text, {}});
    if (lines.empty())
        return m;
    // Header lines are at the top: the separator is told from the later lines.
    std::vector<std::string_view> later;
    for (std::size_t i = std::max(lines.size() / 2, lines.size() > 20 ? lines.size() - 20 : 0);
         i < lines.size(); ++i)
        later.push_back(lines[i].text);
    m.separator = detectRainSeparator(later);
    // Until a time is found, the value column follows the fields the default time form takes.
    m.valueColumn = m.timeColumn + RainTimePattern::compile(m.timeFormat).fieldsSpanned(m.separator);

    for (SampleLine &line : lines)
        line.split(m.separator);
    int bestCount = 0;
    for (const char *format : kGuessFormats) {
        const RainTimePattern pattern = RainTimePattern::compile(QString::fromUtf8(format));
        const int span = pattern.fieldsSpanned(m.separator);
        for (int c = 0; c < kGuessColumns; ++c) {
            int count = 0;
            qsizetype first = 0;
            for (const SampleLine &line : lines) {
                std::string_view time;
                qint64 seconds;
                if (line.timeText(c, span, time) && pattern.parse(time, seconds) && count++ == 0)
                    first = line.number;
            }
            if (count > bestCount) {
                bestCount = count;
                m.timeFormat = QString::fromUtf8(format);
                m.timeColumn = c + 1;
                m.skipRows = int(first - 1);
            }
        }
    }
    if (bestCount == 0)
        return m;

    const RainTimePattern pattern = RainTimePattern::compile(m.timeFormat);
    const int span = pattern.fieldsSpanned(m.separator);
    std::vector<SampleLine> data;
    for (const SampleLine &line : lines)
        if (line.number > m.skipRows)
            data.push_back(line);
    const int value = guessValueColumn(data, m.separator, m.timeColumn - 1, span, m.decimalComma);
    if (value < 0) {
        m.kind = RainKind::Tips;
        m.valueColumn = m.timeColumn + span;
        return m;
    }
    m.valueColumn = value + 1;
    m.kind = RainKind::Interval;
    // A header naming a total, or values that only rise from a start above zero, are running totals.
    for (const SampleLine &line : lines) {
        if (line.number > m.skipRows)
            break;
        const QStringList header = rainFieldTexts(line.text, m.separator);
        if (value < header.size() && looksLikeTotals(header[value]))
            m.kind = RainKind::Cumulative;
    }
    std::vector<double> values;
    for (const SampleLine &line : data) {
        double v;
        if (int(line.fields.size()) > value &&
            parseNumber(line.fields[std::size_t(value)].text, m.decimalComma, v))
            values.push_back(v);
    }
    if (int(values.size()) >= kGuessTotalRows && values.front() > 0 && values.back() > values.front() &&
        std::is_sorted(values.begin(), values.end()))
        m.kind = RainKind::Cumulative;
    return m;
}

RainPreview previewRain(const QByteArray &bytes, const RainImportMapping &mapping, int maxRows)
{
    RainPreview preview;
    const RainText text = decodeRainText(bytes);
    preview.encoding = text.encoding;
    preview.error = text.error;
    if (!text.error.isEmpty())
        return preview;
    preview.guess = guessRainMapping(text.utf8);
    preview.separator = mapping.separator != 0 ? mapping.separator : preview.guess.separator;
    RainLines lines(text.utf8);
    std::string_view line;
    while (preview.rows.size() < maxRows && lines.next(line))
        preview.rows.push_back(trimRain(line).empty() ? QStringList()
                                                      : rainFieldTexts(line, preview.separator));
    return preview;
}

} // namespace lmv::survey
