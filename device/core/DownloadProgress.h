#pragma once

// Byte counting of a running download, as the progress dialogs show it. QtCore only.

#include "data/Records.h"

namespace lmv {

// Bytes the device really sends for a file, from the size the caller knows:
// - group RVA: the size of the device listing. The device keeps the whole 512-byte header but sends
//   only its first 188 bytes, followed by the records; the 324 bytes after them (308 zero bytes and
//   the 16-byte device record) are inserted by the cache. So a listing of at least 512 bytes sends
//   size - 324; a smaller listing (no whole header) sends what it lists.
// - group RVB: the caller hands over the day's byte range plus the 512-byte header that the device
//   sends in front of it, which is exactly what arrives.
quint32 expectedDeviceBytes(Family family, quint32 size);

// Percentage shown for `shown` bytes of `expected`: the integer part, kept within 1 to 99 (the
// finished download hides the dialog instead of showing 100); 1 when nothing is expected.
int progressPercent(quint32 shown, quint32 expected);

// The counters of one download: the pages already completed and the page now arriving.
class DownloadProgress
{
public:
    void start(Family family, quint32 size);
    // The worker reports the bytes received so far of the reply now arriving.
    void refresh(quint32 bytesOfPage);
    // The page has been stored; its bytes count as done.
    void pageDone();
    void finish();

    quint32 expectedBytes() const { return expected_; }
    quint32 doneBytes() const { return done_; }
    quint32 pageBytes() const { return page_; }
    quint32 shownBytes() const { return done_ + page_; }
    int percent() const { return progressPercent(shownBytes(), expected_); }

private:
    quint32 expected_ = 0;
    quint32 done_ = 0;
    quint32 page_ = 0;
};

} // namespace lmv
