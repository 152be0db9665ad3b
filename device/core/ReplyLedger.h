#pragma once

// Tells a fresh reply from a copy of one already used. The protocol carries no request number: a
// reply that came late, after the reply timer had asked again, and a reply the logger sent twice
// both reach the host once more after their request was answered, and would be taken as the
// answer to the next request. A logger answers the same request with the same bytes, so such an
// extra reply is byte for byte a reply the host already took. Every taken reply is remembered
// until a copy of it can no longer arrive: the copy window, counted from the last send of the
// request it answered. A reply equal to the answer to the very request now outstanding (the same
// node table asked for again, page 0 of a file downloaded again) is an answer, not a copy. QtCore
// only; the caller supplies the clock and names each request by a key.

#include <QByteArray>
#include <QVector>

namespace lmv {

class ReplyLedger
{
public:
    // How long after its request's last send a copy of a reply may still arrive.
    void setCopyWindow(qint64 ms) { window_ = ms; }
    qint64 copyWindow() const { return window_; }
    // Forgets everything (link opened or closed).
    void reset();

    // The outstanding request went out: `again` false for a new request, true for a repeat.
    void requestSent(qint64 now, bool again);
    // How often the outstanding request has been sent.
    int sends() const { return sends_; }

    // Whether the reply of this kind (the caller's numbering of reply kinds, since an empty list
    // looks alike in every list kind) equals one taken within its copy window as the answer to
    // another request than `request`.
    bool isCopy(int kind, const QByteArray &reply, const QByteArray &request, qint64 now) const;
    // The reply was taken as the answer to the outstanding request `request`.
    void taken(int kind, const QByteArray &reply, const QByteArray &request, qint64 now);

private:
    struct Entry
    {
        int kind = 0;
        QByteArray reply;
        QByteArray request;
        uint hash = 0;
        qint64 until = 0;
    };
    void forgetExpired(qint64 now);

    qint64 window_ = 5000;
    qint64 lastSend_ = 0;
    int sends_ = 0;
    QVector<Entry> entries_;
};

} // namespace lmv
