#pragma once

#include <QString>

namespace lmv {

// Counters and shown values of the save progress window, without the window: the file count,
// the bytes of the current file and the two percentages. Percentages are single precision and
// kept within 1 to 99 so that neither bar looks finished or idle while a file is moving.
class CopyProgressCounter
{
public:
    // What the window shows after an operation.
    struct Shown
    {
        QString fileNumber;   // "正在复制第 N 个文件"
        QString transferred;  // bytes of the current file so far
        QString filePercent;  // no decimals
        QString totalPercent; // no decimals
        int fileBar = 0;      // integer part of the file percentage
        int totalBar = 0;     // integer part of the total percentage
    };

    // Starts a run of count files: every counter and both bars back to 0.
    void startCopy(quint32 count);
    // Starts the next file; fileBytes is what the file's transfer is measured against (0 for a
    // file already cached, which moves no bytes).
    void nextFile(quint32 fileBytes);
    // bytes of the page in progress arrived.
    void refresh(quint32 bytes);
    // The page in progress is complete; its bytes count for the file from now on.
    void pageDone();
    // All counters 0.
    void reset();

    const Shown &shown() const { return m_shown; }
    quint32 totalFiles() const { return m_totalFiles; }
    quint32 filesStarted() const { return m_filesStarted; }
    quint32 fileBytes() const { return m_fileBytes; }
    quint32 doneBytes() const { return m_doneBytes; }
    quint32 pageBytes() const { return m_pageBytes; }

private:
    quint32 m_totalFiles = 0;
    quint32 m_filesStarted = 0;
    quint32 m_fileBytes = 0;
    quint32 m_doneBytes = 0;
    quint32 m_pageBytes = 0;
    Shown m_shown;
};

// Percentage value clamped to 1 ... 99 (single precision).
float clampedPercent(float percent);

} // namespace lmv
