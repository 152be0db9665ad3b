#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// Reading the local store's index files (".lmvprj", ".lmvpos") and turning a data file header
// into the same descriptor. Produces the entries of the local project tree as plain column
// texts; the window turns them into tree items.

// How a chosen file is read. The numbers are the ones the entry table uses.
enum class OpenKind
{
    ProjectIndex = 0,
    PointIndex = 1,
    DataFile = 2,
    None = 3,
};

// The kind of a file from its name (case-sensitive suffix ".lmvprj", ".lmvpos" or ".lmv").
OpenKind openKindFor(const QString &fileName);

// Number of columns of the local project tree.
inline constexpr int kPrjTreeColumns = 10;

// Longest index line accepted, CR LF included; the reader's line buffer holds 128 bytes.
inline constexpr int kMaxIndexLineBytes = 127;

// Most file entries one opened file yields. A "$record$" line goes to every point of its name, so
// a damaged index repeating one point name thousands of times would otherwise multiply a few
// hundred kilobytes into millions of tree items; a saved store never comes near this.
inline constexpr int kMaxIndexFileEntries = 100000;

// Splits the bytes of an index file into decoded lines (GB2312, CR LF cut off). A zero byte
// discards the line collected so far; bytes after the last CR LF are ignored. A line longer
// than kMaxIndexLineBytes is skipped whole (a cut line could carry a wrong name or path).
QStringList splitIndexLines(const QByteArray &bytes);

// One entry of the local project tree: its column texts (up to kPrjTreeColumns) and children.
struct IndexEntry
{
    QStringList columns;
    QList<IndexEntry> children;

    QString column(int i) const { return columns.value(i); }
};

// Reads the lines of one index file or the descriptor of one data file and collects the
// project entries it yields. Keeps the current project between the lines of one file.
class ProjectIndexReader
{
public:
    // path: the opened file; kind: how it is read.
    ProjectIndexReader(OpenKind kind, const QString &path);

    // Handles one decoded line ("$id$", "$prj$", "$pos$", "$record$"; others are ignored).
    void processIndexLine(const QString &line);

    // For a data file: adds its project, point and file entry from its DescriptorString.
    void addDataFile(const QString &descriptor);
    // The same from the ten descriptor fields themselves, so that a "/" inside a stored name
    // stays part of that name.
    void addDataFile(const QStringList &fields);

    // The project entries made so far, in the order the tree shows them.
    const QList<IndexEntry> &projects() const { return m_projects; }

    // "设备号:" + number of the last "$id$" line; empty when there was none.
    const QString &currentDeviceRemark() const { return m_remark; }

private:
    void addProjectItem(const QStringList &fields);
    void addPointItem(const QStringList &fields);
    void addFileItem(const QStringList &fields);

    OpenKind m_kind;
    QString m_path;
    QString m_dir;
    QString m_remark;
    QList<IndexEntry> m_projects;
    int m_current = -1; // index into m_projects, -1 while there is no current project
    int m_fileEntries = 0;
};

// The remark (column 9) of a point entry from a long "$pos$" payload split into fields.
QString pointRemarkFromFields(const QStringList &fields);

// Reads an index file from disk and returns its project entries (nothing when unreadable).
// remark receives the reader's currentDeviceRemark.
QList<IndexEntry> readIndexFile(const QString &path, OpenKind kind, QString *remark = nullptr);

// The project entry of one data file, from its descriptor; nothing when the descriptor is empty.
QList<IndexEntry> dataFileEntries(const QString &path);

// What opening a file of the local store yields for the project tree.
struct LocalOpening
{
    bool opened = false;        // false: no path, or the file cannot be read; the tree stays as it is
    int result = 0;             // why not (ReadResult of DataFile.h); 0 (ReadOk) when opened or no path
    QList<IndexEntry> projects; // entries of an index file or of one data file
    QString remark;             // device remark of an index file (empty for a data file)
};

// Opens a project index, point index or data file by its name's kind; another kind opens to
// nothing.
LocalOpening openLocalFile(const QString &path);

// The ten-field DescriptorString of a data file from its first 88 header bytes and the 16 bytes
// at offset 496. Missing bytes count as zero; names stop at their first zero byte or the end of
// their 33-byte field.
QString descriptorString(const QByteArray &first88, const QByteArray &deviceInfo16);
// The ten fields of that descriptor.
QStringList descriptorFields(const QByteArray &first88, const QByteArray &deviceInfo16);

// Reads a data file's descriptor from disk. Empty when the file cannot be opened or its first
// read returns no bytes.
QString readDataFileDescriptor(const QString &path);

// The logger type code of a data file: the byte at offset 500; 0 when unreadable.
std::uint8_t readFileTypeCode(const QString &path);

// The five pipe fields (shape, H, W, T, Y) at header offsets 68 to 87; bytes missing from the
// file count as zero.
std::array<std::uint32_t, 5> readPipeFields(const QString &path);

// The five pipe fields from a point entry's columns 2 to 6 (decimal, unsigned; bad text is 0).
std::array<std::uint32_t, 5> pipeFieldsFromColumns(const QStringList &columns);

// The four summary texts that a monitoring point shows in a record window's information table.
struct PointSummary
{
    QString deviceNumber; // row 0
    QString place;        // row 1: project + "/" + point
    QString content;      // row 2: measured quantities
    QString pipe;         // row 3: pipe description
};

// RVA form: the remark without its "设备号:" prefix; the pipe from the point's columns 2 to 6,
// else from the header of firstFilePath (empty: the point has no file), else all zero.
PointSummary pointSummaryRva(const QString &projectName, const QStringList &pointColumns,
                             const QString &firstFilePath);

// RVB form: the remark unchanged; the pipe from columns 2 to 6 or all zero; the content of the
// model whose decimal code equals column 8.
PointSummary pointSummaryRvb(const QString &projectName, const QStringList &pointColumns);

// Description text of five pipe fields (shape, H, W, T, Y).
QString pipeDescriptionOf(const std::array<std::uint32_t, 5> &pipe);
