#pragma once

// The .lmv data file: 512-byte header, then 32-byte RVA or 100-byte RVB records.
// Writing the download cache page by page, finishing a downloaded RVA file, the in-place updates
// of pipe and correction factors, and bounded readers.

#include "data/Records.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace lmv {

// Page bytes of a data reply.
constexpr quint8 kPageFirst = 0x01;
constexpr quint8 kPageLast = 0xF0;
constexpr quint8 kPageSingle = 0xF1;
inline bool isFirstPage(quint8 pageByte)
{
    return pageByte == kPageFirst || pageByte == kPageSingle;
}
inline bool isLastPage(quint8 pageByte)
{
    return pageByte == kPageLast || pageByte == kPageSingle;
}

// Bytes of the header that the device sends at the start of an RVA file's first page.
constexpr std::size_t kRvaDeviceHeaderSize = 188;

// Result codes of the cache writers and of finishRvaFile.
enum CacheResult : int
{
    CacheOk = 0,
    CacheFailed = -1,       // directory not created, file not opened or not completely written
    FinishNoItems = -1,     // (finishRvaFile) no cache path given
    FinishCannotOpen = -2,  // the cache file cannot be opened
    FinishShortHeader = -3, // the file is shorter than the 512-byte header
    FinishCannotWrite = -4, // the completed file could not be written back
};

// Result codes of the in-place updates.
enum UpdateResult : int
{
    UpdateOk = 0,
    UpdateCannotOpen = -1,
    UpdateShortHeader = -2, // shorter than the 512-byte header: not a data file
    UpdateNotRva = -3,      // updatePipe only: type code at offset 500 is not 5
    UpdateCannotWrite = -4,
};

// Result codes of the readers.
enum ReadResult : int
{
    ReadOk = 0,
    ReadCannotOpen = -1,
    ReadEmpty = -2,         // the file holds no byte at all
    ReadShortHeader = -3,   // shorter than 512 bytes; fields beyond the data read as 0, no records
    ReadUnknownFamily = -4, // (readDataFile) type code neither 5 nor 1; header filled, no records
    ReadTooLarge = -5,      // larger than kMaxReadBytes; not read
    ReadNotAFile = -6,      // a folder, FIFO, device or socket: nothing is read from it
};

// The one size limit of every reader of outside files (data files, index files): 1 GiB holds 33
// million RVA records, far more than a logger stores, and a larger file would exhaust memory
// rather than be shown. Every reader refuses such a file the same way, whatever part it needs.
constexpr qint64 kMaxReadBytes = qint64(1) << 30;

// Whether a path names a file the readers take: ReadOk; ReadCannotOpen (nothing there, or not
// readable); ReadNotAFile (a folder, a FIFO, a device: opening a FIFO would wait for a writer);
// ReadTooLarge. *size receives the size of a regular file.
int checkReadable(const QString &path, qint64 *size = nullptr);
// Why a file could not be read, for the window ("不是文件 (文件夹、管道或设备)", ...); empty for
// ReadOk.
QString readResultText(int result);

// Where a downloaded device file is cached: <devRoot>/<project>/<point>/<fileName>.
// devRoot is the device cache root of the run (normally "./tmp/dev/").
struct CacheLocation
{
    QString devRoot;
    QString project;
    QString point;
    QString fileName;

    // Directory of the file, ending in "/". The device names pass through safeLocalName().
    QString directory() const;
    QString filePath() const;
    // The day file cut from this file for a day: directory() + safe(dayFileName(fileName, day)).
    QString dayFilePath(int day) const;
};

// Name of the day file cut from a device file: the name without its last four characters, the
// two-digit day, "日" and ".lmv" (A2401.lmv, day 7 → A240107日.lmv).
QString dayFileName(const QString &deviceFileName, int day);

// Stores one received page of an RVA file. The first page (1 or 0xF1) creates the directory and
// the file anew, completing the header with 308 zero bytes and the connected device's
// information; other pages are appended to an existing file. On the last page (0xF0 or 0xF1)
// *cachePath receives the file's path. Result CacheOk or CacheFailed.
int writeCachePacket(const CacheLocation &where, const QByteArray &payload, quint8 pageByte,
                     const DeviceInfo &device, QString *cachePath = nullptr);

// Stores one received page of an RVB day. Pages are written as received; on the last page the
// file is copied to the day file beside it (an existing day file is kept) and *dayFilePath
// receives the day file's path. Result CacheOk or CacheFailed.
int writeCachePacketRvb(const CacheLocation &where, const QByteArray &payload, quint8 pageByte, int day,
                        QString *dayFilePath = nullptr);

// Completes a downloaded RVA cache file: writes the point record, recomputes every record's flow
// with the point's pipe and fills the summary statistics. Result CacheOk or Finish*.
int finishRvaFile(const QString &cachePath, const PipeSaveIntoTfType &point);

// Writes a new pipe into a stored RVA file (names kept), recomputes every flow and the three
// flow statistics. Files whose type code is not 5 are left unchanged. Result Update*.
int updatePipe(const QString &path, const PipeSaveIntoTfType &point);

// Writes new correction factors into a stored file's calculation parameters (bytes 88-95).
int updateCorrections(const QString &path, float velocityCorrection, float flowCorrection);

// Everything of a file's header, plus what its size says about the records.
struct DataFileHeader
{
    PipeSaveIntoTfType point;
    CalcParams calc;
    SummaryBlock summary;
    QByteArray deviceArea; // the 308 bytes at 188 (zero-filled where the file is shorter)
    DeviceInfo device;
    int typeCode = 0;
    Family family = Family::Unknown;
    qint64 fileSize = 0;
    qint64 recordCount = 0;   // whole records after the header (0 for an unknown family)
    qint64 trailingBytes = 0; // bytes after the last whole record (everything after the header
                              // for an unknown family)

    bool complete() const { return fileSize >= static_cast<qint64>(kHeaderSize); }
};

// Decodes a header from the first bytes of a file (at most 512 are looked at).
DataFileHeader decodeHeader(const QByteArray &bytes, qint64 fileSize);

// Reads a file's header. Result ReadOk, ReadCannotOpen, ReadNotAFile, ReadTooLarge, ReadEmpty or
// ReadShortHeader.
int readHeader(const QString &path, DataFileHeader &header);

// Reads every whole record after the header in file order (a trailing fragment is ignored).
// Result ReadOk, ReadCannotOpen, ReadNotAFile, ReadTooLarge, ReadEmpty or ReadShortHeader (no
// records then).
int readRecords(const QString &path, std::vector<RvaRecord> &records);
int readRecords(const QString &path, std::vector<RvbRecord> &records);

// Header and the records of the family its type code names, from one read of the file.
struct DataFileContents
{
    DataFileHeader header;
    std::vector<RvaRecord> rva;
    std::vector<RvbRecord> rvb;
};
int readDataFile(const QString &path, DataFileContents &contents);

// Decodes the whole records that follow the header in a complete file image.
void decodeRecords(const QByteArray &file, std::vector<RvaRecord> &records);
void decodeRecords(const QByteArray &file, std::vector<RvbRecord> &records);

} // namespace lmv
