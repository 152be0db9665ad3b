#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzEntries.h"

#include "device/core/LinkSession.h"

#include <QByteArray>

namespace lmv::fuzz {

namespace {

// Reads the event script of the link_session target.
struct Script
{
    const std::uint8_t *data;
    std::size_t size;
    std::size_t at = 0;

    bool more() const { return at < size; }
    quint8 byte() { return at < size ? data[at++] : 0; }
    QByteArray bytes(std::size_t n)
    {
        n = std::min(n, size - at);
        const QByteArray out(reinterpret_cast<const char *>(data + at), static_cast<int>(n));
        at += n;
        return out;
    }
};

constexpr ReplyKind kKinds[] = {
    ReplyKind::DeviceInfo,       ReplyKind::RvaProjectNames, ReplyKind::RvaPositionRecords,
    ReplyKind::RvaFileNames,     ReplyKind::RvaRecordData,   ReplyKind::RvbProjectNames,
    ReplyKind::RvbPositionNames, ReplyKind::RvbFileNames,    ReplyKind::RvbNodeTable,
    ReplyKind::RvbRecordData,
};

// What every step of the session must keep, whatever the logger sends.
void checkStep(const LinkSession &s, const LinkStep &step, int *sent)
{
    *sent += step.send.size();
    require(s.owedReplies() >= 0 && s.owedReplies() <= *sent + 1, "more replies owed than requests sent");
    require(!s.synchronising() || s.outstanding().kind == DeviceRequest::Kind::DeviceInfo,
            "a barrier that is not a device-information request");
    for (const DeviceRequest &r : step.send)
        require(r.kind != DeviceRequest::Kind::None, "an empty request sent");
    if (step.event == LinkStep::Event::DataPage)
        require(s.downloading(), "a page handed out with no download running");
    if (step.event == LinkStep::Event::Entries || step.event == LinkStep::Event::WalkComplete) {
        const WalkStep &w = step.walk;
        const auto &projects = s.walk().projects();
        int size = projects.size();
        if (w.project >= 0) {
            require(w.project < projects.size(), "entries of a project that is not there");
            const auto &points = projects.at(w.project).points;
            size = points.size();
            if (w.point >= 0) {
                require(w.point < points.size(), "entries of a point that is not there");
                size = points.at(w.point).files.size();
            }
        }
        require(w.firstAdded >= 0 && w.added >= 0 && w.firstAdded + w.added <= size, "entries out of range");
    }
    if (step.event == LinkStep::Event::WalkComplete)
        require(s.stage() == LinkStage::Idle, "walk complete but not idle");
}

} // namespace

// Input: a script of events for a connected session. Each event byte picks what happens: a reply
// (kind byte, length byte, content), a timer expiry, arriving bytes, a file asked for, or a stop.
int linkSession(const std::uint8_t *data, std::size_t size)
{
    Script in{data, size};
    LinkSession s;
    s.setPeriod(2000);
    qint64 now = 0;
    int sent = 1; // the device information asked as the port opened
    checkStep(s, s.open(now), &sent);
    const DeviceFileRef file{QStringLiteral("0:/P/A/f.lmv"), QStringLiteral("P"), QStringLiteral("A")};
    while (in.more()) {
        const quint8 op = in.byte();
        now += op >> 3;
        LinkStep step;
        switch (op & 7) {
        case 0:
        case 1:
        case 2: {
            const ReplyKind kind = kKinds[in.byte() % std::size(kKinds)];
            const QByteArray content = in.bytes(in.byte());
            step = s.onReply(kind, content, now);
            break;
        }
        case 3:
            now += 2000;
            step = s.onTimer(now);
            break;
        case 4:
            s.onBytes(now);
            break;
        case 5:
            step = s.family() == Family::Rvb ? s.requestNodeTable(file, now) : s.requestFile(file, now);
            break;
        case 6:
            step = s.requestDay(file, 512, 512u + in.byte() * 100u, now);
            break;
        case 7:
            step = s.stop(now);
            break;
        }
        checkStep(s, step, &sent);
        if (step.event == LinkStep::Event::DataPage) {
            // The window stores the page, or fails to, and says so at once.
            const LinkStep stored = s.pageStored((op & 8) == 0, now);
            checkStep(s, stored, &sent);
        }
    }
    return 0;
}

} // namespace lmv::fuzz
