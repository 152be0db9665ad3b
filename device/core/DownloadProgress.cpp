#include "device/core/DownloadProgress.h"

namespace lmv {

namespace {
constexpr quint32 kSentHeadBytes = 188; // header bytes the device sends of a group RVA file
constexpr quint32 kInsertedBytes = 324; // 308 zero bytes + 16-byte device record, added locally
constexpr quint32 kWholeHeader = kSentHeadBytes + kInsertedBytes;
} // namespace

quint32 expectedDeviceBytes(Family family, quint32 size)
{
    if (family == Family::Rva && size >= kWholeHeader)
        return size - kInsertedBytes;
    return size;
}

int progressPercent(quint32 shown, quint32 expected)
{
    if (expected == 0)
        return 1;
    const float ratio = static_cast<float>(shown) / static_cast<float>(expected) * 100.0f;
    int percent = static_cast<int>(ratio);
    if (percent <= 0)
        percent = 1;
    if (percent >= 100)
        percent = 99;
    return percent;
}

void DownloadProgress::start(Family family, quint32 size)
{
    expected_ = expectedDeviceBytes(family, size);
    done_ = 0;
    page_ = 0;
}

void DownloadProgress::refresh(quint32 bytesOfPage)
{
    page_ = bytesOfPage;
}

void DownloadProgress::pageDone()
{
    done_ += page_;
    page_ = 0;
}

void DownloadProgress::finish()
{
    expected_ = done_ = page_ = 0;
}

} // namespace lmv
