#include "device/core/ReplyLedger.h"

#include <QHash>

#include <algorithm>

namespace lmv {

void ReplyLedger::reset()
{
    entries_.clear();
    sends_ = 0;
    lastSend_ = 0;
}

void ReplyLedger::requestSent(qint64 now, bool again)
{
    sends_ = again ? sends_ + 1 : 1;
    lastSend_ = now;
}

bool ReplyLedger::isCopy(int kind, const QByteArray &reply, const QByteArray &request, qint64 now) const
{
    const uint h = qHash(reply);
    for (const Entry &e : entries_)
        if (e.until >= now && e.kind == kind && e.hash == h && e.reply == reply && e.request != request)
            return true;
    return false;
}

void ReplyLedger::taken(int kind, const QByteArray &reply, const QByteArray &request, qint64 now)
{
    forgetExpired(now);
    const uint h = qHash(reply);
    // The window runs from now, which is after the request's last send: copies answering any of
    // its sends are covered.
    const qint64 until = qMax(lastSend_, now) + window_;
    for (Entry &e : entries_) {
        if (e.kind == kind && e.hash == h && e.reply == reply) {
            e.until = qMax(e.until, until);
            e.request = request;
            return;
        }
    }
    entries_.append({kind, reply, request, h, until});
}

void ReplyLedger::forgetExpired(qint64 now)
{
    entries_.erase(
        std::remove_if(entries_.begin(), entries_.end(), [now](const Entry &e) { return e.until < now; }),
        entries_.end());
}

} // namespace lmv
