#include "data/StoreProgress.h"

namespace lmv {

float clampedPercent(float percent)
{
    if (percent > 99.0f)
        return 99.0f;
    if (percent < 1.0f)
        return 1.0f;
    return percent;
}

static QString percentText(float percent)
{
    return QString::number(static_cast<double>(percent), 'f', 0);
}

void CopyProgressCounter::startCopy(quint32 count)
{
    reset();
    m_totalFiles = count;
    m_shown = Shown();
    m_shown.filePercent = QStringLiteral("0");
    m_shown.totalPercent = QStringLiteral("0");
}

void CopyProgressCounter::nextFile(quint32 fileBytes)
{
    m_fileBytes = fileBytes;
    const quint32 k = m_filesStarted;
    m_filesStarted = k + 1;
    const float p = m_totalFiles == 0
                        ? 1.0f
                        : clampedPercent(static_cast<float>(k) / static_cast<float>(m_totalFiles) * 100.0f);
    m_shown.fileNumber = QString::number(k + 1);
    m_shown.totalPercent = percentText(p);
    m_shown.totalBar = static_cast<int>(p);
    if (m_totalFiles == 1) {
        m_shown.filePercent = m_shown.totalPercent;
        m_shown.fileBar = m_shown.totalBar;
    }
    m_doneBytes = 0;
    m_pageBytes = 0;
}

void CopyProgressCounter::refresh(quint32 bytes)
{
    m_pageBytes = bytes;
    const quint32 shownBytes = m_doneBytes + bytes;
    const float q =
        m_fileBytes == 0
            ? 1.0f
            : clampedPercent(static_cast<float>(shownBytes) / static_cast<float>(m_fileBytes) * 100.0f);
    m_shown.transferred = QString::number(shownBytes);
    m_shown.filePercent = percentText(q);
    m_shown.fileBar = static_cast<int>(q);
    if (m_totalFiles == 1) {
        m_shown.totalPercent = m_shown.filePercent;
        m_shown.totalBar = m_shown.fileBar;
    }
}

void CopyProgressCounter::pageDone()
{
    m_doneBytes += m_pageBytes;
    m_pageBytes = 0;
}

void CopyProgressCounter::reset()
{
    m_totalFiles = 0;
    m_filesStarted = 0;
    m_fileBytes = 0;
    m_doneBytes = 0;
    m_pageBytes = 0;
}

} // namespace lmv
