#include "data/StoreIndex.h"

#include <QFile>
#include <QTextCodec>

#include <memory>

#include "data/StoreFailures.h"

namespace lmv {

namespace {

// Longest index line, CR LF included, that the index reader accepts.
constexpr int kMaxReadableIndexLine = 127;

QByteArray encodedLine(const QString &line)
{
    static QTextCodec *const codec = QTextCodec::codecForName("GB2312");
    QByteArray bytes = codec ? codec->fromUnicode(line) : line.toLocal8Bit();
    bytes.append("\r\n", 2);
    return bytes;
}

// Creates an index file anew; null (and listed) when it cannot be opened.
std::unique_ptr<QFile> createIndexFile(const QString &path, StoreFailureList *failures)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (failures)
            failures->add(path, StoreReason::indexUnwritable());
        return nullptr;
    }
    return file;
}

void writeTo(QFile *file, const QByteArray &bytes)
{
    if (file)
        file->write(bytes);
}

} // namespace

void writeIndexFiles(const QString &saveRoot, const QStringList &indexLines, StoreFailureList *failures)
{
    QByteArray idLine;
    std::unique_ptr<QFile> projectFile;
    std::unique_ptr<QFile> pointFile;
    for (const QString &line : indexLines) {
        const QByteArray bytes = encodedLine(line);
        // The index reader skips lines longer than its 128-byte buffer allows; such a line is
        // still written, but the user is told that opening the store will not list it.
        if (failures && bytes.size() > kMaxReadableIndexLine)
            failures->add(saveRoot + line.mid(line.indexOf(QLatin1Char('$'), 1) + 1),
                          StoreReason::indexLineTooLong());
        if (line.startsWith(QLatin1String("$id$"))) {
            idLine = bytes;
        } else if (line.startsWith(QLatin1String("$prj$"))) {
            const QString project = line.mid(5);
            pointFile.reset();
            projectFile =
                createIndexFile(saveRoot + project + QLatin1Char('/') + project + ".lmvprj", failures);
            writeTo(projectFile.get(), idLine);
            writeTo(projectFile.get(), bytes);
        } else if (line.startsWith(QLatin1String("$pos$"))) {
            const QString rel = line.mid(5); // project/point
            const QString point = rel.mid(rel.indexOf(QLatin1Char('/')) + 1);
            writeTo(projectFile.get(), bytes);
            pointFile = createIndexFile(saveRoot + rel + QLatin1Char('/') + point + ".lmvpos", failures);
            writeTo(pointFile.get(), idLine);
            writeTo(pointFile.get(), bytes);
        } else if (line.startsWith(QLatin1String("$record$"))) {
            writeTo(projectFile.get(), bytes);
            writeTo(pointFile.get(), bytes);
        }
    }
}

} // namespace lmv
