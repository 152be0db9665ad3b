#pragma once

// Text (.txt, tab-separated) and CSV export of data files: UTF-8, every line ending in CR LF.
// Targets are written under a temporary name and renamed when complete, so an export that fails
// leaves nothing half-written under the target name.

#include <QByteArray>
#include <QString>

#include <string>

namespace lmv {

enum class ExportFormat
{
    Text,
    Csv
};

// The separator of a format: a tab for text, a comma for CSV.
char exportSeparator(ExportFormat format);
// The file suffix of a format without the dot: "txt" or "csv".
QString exportSuffix(ExportFormat format);

// Results of exportFile.
enum ExportFileResult : int
{
    ExportOk = 0,
    ExportTooLarge = 250,     // the source is larger than 1 GiB; nothing written
    ExportWriteFailed = 251,  // the family export failed: unreadable header or target not written
    ExportNotDataFile = 252,  // the type code is neither 5 (RVA) nor 1 (RVB); nothing written
    ExportNoDeviceInfo = 253, // the device information at offset 496 could not be read
    ExportCannotSeek = 254,   // positioning the source at offset 496 failed
    ExportCannotOpen = 255,   // the source cannot be opened
};

// Exports sourcePath to targetPath in the family named by the source's type code.
int exportFile(const QString &sourcePath, const QString &targetPath, ExportFormat format);

// Family exports; 0 on success, -1 when the source cannot be read, holds no byte, or the target
// cannot be written.
int exportRva(const QString &sourcePath, const QString &targetPath, char separator);
int exportRvb(const QString &sourcePath, const QString &targetPath, char separator);

// The exported text of a whole file image, as the family exports write it (empty when it
// would not fit in memory).
QByteArray formatRvaExport(const QByteArray &file, char separator);
QByteArray formatRvbExport(const QByteArray &file, char separator);

// A short Chinese explanation of a non-zero exportFile result, for failure reports.
QString exportResultText(int result);

// Fixed-point text of a single-precision value as printf("%.<decimals>f") gives it for the value
// widened to double; the exports format every f3 and f2 field this way.
std::string formatFixed(float value, int decimals);

} // namespace lmv
