// Fuzz entries of the readers of files a user opens: data files, index files and the rewrites of
// a stored file. Each input is written to a file in a scratch folder and read through the same
// functions the viewer calls. The first input byte chooses options; the rest is the file.
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"
#include "tests/fuzz/FuzzFiles.h"

#include "data/DataFile.h"
#include "data/ProjectIndex.h"
#include "data/Statistics.h"
#include "data/TimeSteps.h"

#include <cstring>

namespace lmv::fuzz {

namespace {

// Restated file layout: a change to the readers' constants must show up as a broken invariant.
constexpr int kHeader = 512;
constexpr int kRvaRecord = 32;
constexpr int kRvbRecord = 100;
constexpr int kTypeAt = 500;
constexpr qint64 kLargestReadable = qint64(1) << 30;

int typeCodeOf(const QByteArray &file)
{
    return file.size() > kTypeAt ? quint8(file.at(kTypeAt)) : 0;
}

// ---------------------------------------------------------------------------------------------
// Data files

bool sameHeader(const DataFileHeader &a, const DataFileHeader &b)
{
    return a.point.toBytes() == b.point.toBytes() && a.calc.toBytes() == b.calc.toBytes() &&
           a.summary.toBytes() == b.summary.toBytes() && a.deviceArea == b.deviceArea &&
           a.device.toBytes() == b.device.toBytes() && a.typeCode == b.typeCode && a.family == b.family &&
           a.fileSize == b.fileSize && a.recordCount == b.recordCount && a.trailingBytes == b.trailingBytes;
}

template <typename Record>
bool sameRecords(const std::vector<Record> &a, const std::vector<Record> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].toBytes() != b[i].toBytes())
            return false;
    return true;
}

// Every record decoded from the file encodes back to its own bytes.
template <typename Record>
void checkRecordBytes(const std::vector<Record> &records, const QByteArray &file, int recordSize)
{
    for (std::size_t i = 0; i < records.size(); ++i)
        require(records[i].toBytes() == file.mid(kHeader + int(i) * recordSize, recordSize),
                "record does not round-trip");
}

// The header fields of a complete file encode back to the 512 bytes they came from. (In a short
// file a field cut by the end reads as 0.)
void checkHeaderBytes(const DataFileHeader &h, const QByteArray &file)
{
    if (file.size() < kHeader)
        return;
    const QByteArray again =
        h.point.toBytes() + h.calc.toBytes() + h.summary.toBytes() + h.deviceArea + h.device.toBytes();
    require(again == file.left(kHeader), "header does not round-trip");
}

// What the record window derives from the times: gaps lie between neighbours and exceed twice the
// nominal interval.
void checkTimeSteps(const std::vector<qint64> &times, quint32 recordInterval)
{
    const qint64 nominal = nominalInterval(recordInterval, times);
    require(nominal >= 0, "negative nominal interval");
    const QVector<TimeGap> gaps = findGaps(times, nominal);
    require(std::size_t(gaps.size()) <= (times.empty() ? 0 : times.size() - 1), "more gaps than steps");
    qsizetype previous = -1;
    for (const TimeGap &gap : gaps) {
        require(gap.before > previous && std::size_t(gap.before) + 1 < times.size(), "gap index");
        require(gap.start == times[std::size_t(gap.before)] && gap.end == times[std::size_t(gap.before) + 1],
                "gap ends are not the record times");
        require(isGapStep(gap.seconds(), nominal), "gap not longer than twice the interval");
        previous = gap.before;
    }
}

void checkContents(int result, const DataFileContents &c, const QByteArray &file)
{
    const qint64 n = file.size();
    const DataFileHeader &h = c.header;
    require(h.fileSize == n, "file size");
    if (n == 0) {
        require(result == ReadEmpty, "empty file not reported");
    } else if (n < kHeader) {
        require(result == ReadShortHeader, "short header not reported");
        require(h.recordCount == 0 && h.trailingBytes == 0, "short file has records");
    } else {
        const int type = typeCodeOf(file);
        const int size = type == 5 ? kRvaRecord : type == 1 ? kRvbRecord : 0;
        require(h.typeCode == type, "type code");
        require(result == (size ? ReadOk : ReadUnknownFamily), "read result vs type code");
        require(h.recordCount == (size ? (n - kHeader) / size : 0), "record count");
        require(h.trailingBytes == (size ? (n - kHeader) % size : n - kHeader), "trailing bytes");
    }
    checkHeaderBytes(h, file);
    const auto count = std::size_t(h.recordCount);
    require(c.rva.size() == (h.family == Family::Rva ? count : 0), "RVA records vs count");
    require(c.rvb.size() == (h.family == Family::Rvb ? count : 0), "RVB records vs count");
    checkRecordBytes(c.rva, file, kRvaRecord);
    checkRecordBytes(c.rvb, file, kRvbRecord);
    checkTimeSteps(h.family == Family::Rvb ? clockSeconds(c.rvb) : clockSeconds(c.rva),
                   h.calc.recordInterval);
}

// ---------------------------------------------------------------------------------------------
// Index files and opening

int count(const QStringList &lines, const QString &marker)
{
    int n = 0;
    for (const QString &line : lines)
        n += line.startsWith(marker) ? 1 : 0;
    return n;
}

bool sameEntries(const QList<IndexEntry> &a, const QList<IndexEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].columns != b[i].columns || !sameEntries(a[i].children, b[i].children))
            return false;
    return true;
}

// Summaries a point shows when clicked; the place always names the project and the point.
void checkSummaries(const IndexEntry &project, const IndexEntry &point, const QString &firstFile)
{
    const PointSummary rva = pointSummaryRva(project.column(0), point.columns, firstFile);
    const PointSummary rvb = pointSummaryRvb(project.column(0), point.columns);
    const QString place = project.column(0) + QLatin1Char('/') + point.column(0);
    require(rva.place == place && rvb.place == place, "summary place");
}

void checkIndexOpening(const LocalOpening &opening, const QByteArray &file, OpenKind kind, const QString &dir)
{
    const QStringList lines = splitIndexLines(file);
    const int projects = count(lines, QStringLiteral("$prj$"));
    const int points = count(lines, QStringLiteral("$pos$"));
    const int records = count(lines, QStringLiteral("$record$"));
    require(opening.projects.size() <= projects + (kind == OpenKind::PointIndex ? points : 0),
            "more projects than lines");
    QString remark;
    for (const QString &line : lines)
        if (line.startsWith(QLatin1String("$id$")))
            remark = QStringLiteral("设备号:") + line.mid(4);
    require(opening.remark == remark, "remark is not the last $id$ line");
    int pointCount = 0;
    for (const IndexEntry &project : opening.projects) {
        if (kind == OpenKind::ProjectIndex)
            require(project.columns.size() == 2 && project.column(1) == dir, "project entry columns");
        else
            require(project.columns.size() == 1, "point index project columns");
        pointCount += int(project.children.size());
        for (const IndexEntry &point : project.children) {
            require(point.columns.size() == kPrjTreeColumns, "point entry columns");
            require(point.children.size() <= records, "more files than record lines");
            for (const IndexEntry &f : point.children)
                require(f.columns.size() == 2 && !f.column(0).isEmpty() && f.column(0) == f.column(1),
                        "file entry columns");
            checkSummaries(project, point, QString());
        }
    }
    require(pointCount <= points, "more points than lines");
}

// A data file opens to one project, one point and the file itself, named as its header says.
void checkDataFileOpening(const LocalOpening &opening, const QByteArray &file, const QString &path)
{
    require(opening.remark.isEmpty(), "data file with a remark");
    if (file.isEmpty()) {
        require(opening.projects.isEmpty(), "empty data file opened to entries");
        return;
    }
    require(opening.projects.size() == 1, "data file is not one project");
    const IndexEntry &project = opening.projects.first();
    require(project.children.size() == 1, "data file is not one point");
    const IndexEntry &point = project.children.first();
    require(point.children.size() == 1, "data file is not one file");
    require(point.children.first().columns == (QStringList{path.mid(path.lastIndexOf('/') + 1), path}),
            "file entry is not the opened file");
    // The pipe is compared where the file holds all of it: a value cut by the end of the file is
    // read byte by byte for the tree but as 0 by the record readers. A shape from 2^31 up is
    // written signed and reads back as 0.
    const PipeSaveIntoTfType stored = PipeSaveIntoTfType::fromBytes(file.left(88));
    require(project.columns == QStringList{stored.projectNameText()}, "project entry is not the stored name");
    require(point.column(0) == stored.pointNameText(), "point entry is not the stored name");
    require(
        pipeFieldsFromColumns(point.columns) ==
                (std::array<std::uint32_t, 5>{stored.pipeShape, stored.heightOrDiameter,
                                              stored.widthOrLowerBase, stored.upperBase, stored.sediment}) ||
            stored.pipeShape > 0x7FFFFFFF || file.size() < 88,
        "point pipe is not the stored pipe");
    require(point.column(7) == QString::number(typeCodeOf(file)), "point type code");
    checkSummaries(project, point, path);
}

// ---------------------------------------------------------------------------------------------
// Rewrites

enum class Rewrite
{
    Corrections,
    Pipe,
    Finish,
};

// Whether a rewrite may change the byte at that offset: the two corrections; the pipe, the flow
// statistics and the record flows; or the point record, the count, all statistics and the flows.
bool mayChange(Rewrite kind, qint64 at)
{
    constexpr qint64 summary = 108;
    if (at >= kHeader) {
        const qint64 inRecord = (at - kHeader) % kRvaRecord;
        return kind != Rewrite::Corrections && inRecord >= 24 && inRecord < 28;
    }
    switch (kind) {
    case Rewrite::Corrections:
        return at >= 88 && at < 96;
    case Rewrite::Pipe:
        return (at >= 68 && at < 88) || (at >= summary + 52 && at < summary + 64);
    case Rewrite::Finish:
        return at < 88 || (at >= summary + 24 && at < summary + 76);
    }
    return false;
}

int runRewrite(Rewrite kind, const QString &path, const PipeSaveIntoTfType &point)
{
    switch (kind) {
    case Rewrite::Corrections: {
        const QByteArray given = point.toBytes();
        return updateCorrections(path, ByteReader(given).f32le(68), ByteReader(given).f32le(72));
    }
    case Rewrite::Pipe:
        return updatePipe(path, point);
    case Rewrite::Finish:
        return finishRvaFile(path, point);
    }
    return -100;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void checkRewritten(Rewrite kind, const QByteArray &before, const QByteArray &after,
                    const PipeSaveIntoTfType &point)
{
    for (qint64 at = 0; at < before.size(); ++at)
        if (before.at(int(at)) != after.at(int(at)))
            require(mayChange(kind, at), "rewrite changed a byte outside its fields");
    const ByteReader in(after);
    const PipeSaveIntoTfType stored = PipeSaveIntoTfType::decode(in);
    switch (kind) {
    case Rewrite::Corrections: {
        const CalcParams calc = CalcParams::decode(in, 88);
        const QByteArray givenBytes = point.toBytes();
        const ByteReader given(givenBytes);
        require(sameBits(calc.velocityCorrection, given.f32le(68)) &&
                    sameBits(calc.flowCorrection, given.f32le(72)),
                "corrections not written");
        break;
    }
    case Rewrite::Pipe:
        require(stored.toBytes().mid(68) == point.toBytes().mid(68), "pipe not written");
        break;
    case Rewrite::Finish:
        require(stored.toBytes() == point.toBytes(), "point record not written");
        require(SummaryBlock::decode(in, 108).sampleCount == quint32((after.size() - kHeader) / kRvaRecord),
                "sample count is not the record count");
        break;
    }
}

} // namespace

int readDataFile(const std::uint8_t *data, std::size_t size)
{
    const std::uint8_t options = size ? data[0] : 0;
    const QByteArray file = body(data, size);
    const QString path = scratch() + QStringLiteral("file.lmv");
    // One input in sixteen grows past the largest file that is read whole.
    const bool tooLarge = options % 16 == 15;
    writeFile(path, file, tooLarge ? kLargestReadable + 1 + options / 16 : 0);

    DataFileContents contents;
    const int result = lmv::readDataFile(path, contents);
    if (tooLarge) {
        require(result == ReadTooLarge, "oversized file not refused");
        require(contents.rva.empty() && contents.rvb.empty() && contents.header.fileSize == 0,
                "oversized file has contents");
        return 0;
    }
    checkContents(result, contents, file);

    DataFileContents again;
    require(lmv::readDataFile(path, again) == result && sameHeader(again.header, contents.header) &&
                sameRecords(again.rva, contents.rva) && sameRecords(again.rvb, contents.rvb),
            "second read differs");
    DataFileHeader header;
    const int headerResult = readHeader(path, header);
    require(sameHeader(header, contents.header), "header reader differs from the file reader");
    require(headerResult == (result == ReadUnknownFamily ? ReadOk : result), "header reader result");
    std::vector<RvaRecord> rva;
    readRecords(path, rva);
    require(rva.size() == (file.size() >= kHeader ? std::size_t(file.size() - kHeader) / kRvaRecord : 0),
            "RVA record reader count");
    return 0;
}

int indexLines(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = raw(data, size);
    const QStringList lines = splitIndexLines(bytes);
    require(lines.size() <= bytes.count("\r\n"), "more lines than line ends");
    for (const QString &line : lines)
        require(line.size() <= kMaxIndexLineBytes - 2 && !line.contains(QChar(0)),
                "line too long or with a zero");
    // After a CR LF or a zero byte the reader starts afresh: cutting the input there must give the
    // same lines. The cut is the first such place in the second half.
    qsizetype cut = -1;
    for (qsizetype i = qsizetype(size / 2); i < qsizetype(size) && cut < 0; ++i)
        if (data[i] == 0 || (i > 0 && data[i] == '\n' && data[i - 1] == '\r'))
            cut = i + 1;
    if (cut > 0)
        require(splitIndexLines(bytes.left(int(cut))) + splitIndexLines(bytes.mid(int(cut))) == lines,
                "lines depend on what came before a line end");
    return 0;
}

int openLocal(const std::uint8_t *data, std::size_t size)
{
    const std::uint8_t options = size ? data[0] : 0;
    const QByteArray file = body(data, size);
    static const OpenKind kinds[] = {OpenKind::ProjectIndex, OpenKind::PointIndex, OpenKind::DataFile};
    static const char *const names[] = {"store/P/P.lmvprj", "store/P/Q/Q.lmvpos", "store/P/Q/f.lmv"};
    const OpenKind kind = kinds[options % 3];
    const QString path = scratch() + QLatin1String(names[options % 3]);
    writeFile(path, file);

    const LocalOpening opening = openLocalFile(path);
    require(opening.opened, "existing file not opened");
    if (kind == OpenKind::DataFile)
        checkDataFileOpening(opening, file, path);
    else
        checkIndexOpening(opening, file, kind, path.left(path.lastIndexOf('/') + 1));
    const LocalOpening again = openLocalFile(path);
    require(again.remark == opening.remark && sameEntries(again.projects, opening.projects),
            "second opening differs");
    return 0;
}

int rewriteFile(const std::uint8_t *data, std::size_t size)
{
    // Option byte: the rewrite; then the 88-byte point record given to it (the corrections are
    // the two floats at 68 and 72); then the file.
    const std::uint8_t options = size ? data[0] : 0;
    const Rewrite kind = Rewrite(options % 3);
    const bool tooLarge = options / 3 % 16 == 15;
    const QByteArray rest = body(data, size);
    const PipeSaveIntoTfType point = PipeSaveIntoTfType::fromBytes(rest.left(88));
    const QByteArray file = rest.mid(88);
    const QString path = scratch() + QStringLiteral("stored.lmv");
    const qint64 grown = tooLarge ? kLargestReadable + 1 : 0;

    writeFile(path, file, grown);
    // What is compared afterwards: the whole file, or the header and the input bytes of a grown one.
    QByteArray before = file;
    if (tooLarge && before.size() < kHeader)
        before.append(QByteArray(kHeader - before.size(), '\0'));
    DataFileHeader header;
    readHeader(path, header);
    const int result = runRewrite(kind, path, point);
    qint64 afterSize = 0;
    const QByteArray after = readFile(path, &afterSize, tooLarge ? before.size() : -1);
    const qint64 fileSize = tooLarge ? grown : file.size();
    require(afterSize == fileSize, "rewrite changed the file size");

    // Which files each rewrite must refuse: shorter than the header; not RVA for the pipe; past
    // the size limit every reader keeps.
    const bool refuse = fileSize < kHeader || (kind == Rewrite::Pipe && typeCodeOf(before) != 5) || tooLarge;
    require((result == 0) == !refuse, "rewrite result vs file");
    if (result != 0) {
        require(after == before, "refused rewrite changed the file");
        return 0;
    }
    checkRewritten(kind, before, after, point);
    if (!tooLarge) {
        DataFileHeader reread;
        readHeader(path, reread);
        require(reread.recordCount == header.recordCount && reread.family == header.family,
                "rewritten file has another record count");
        // The same rewrite of the same file writes the same bytes.
        writeFile(path, file);
        require(runRewrite(kind, path, point) == result, "second rewrite result differs");
        qint64 againSize = 0;
        require(readFile(path, &againSize) == after, "second rewrite differs");
    }
    return 0;
}

} // namespace lmv::fuzz
