#pragma once

// Which reply answers which request, what to ask next and what a reply-timer expiry does, from the
// device information of the connect to the last page of a download. No widgets, no port, no clock
// of its own: the main window feeds replies, arriving bytes and timer expiries in (with the time in
// milliseconds), carries out the requests and timer actions that come out and draws the results.
//
// The logger answers one request at a time, in the order asked, with the same bytes for the same
// request, and may lose a reply. So every send of a request is owed one reply, and replies pay what
// is owed oldest first: once the host has moved on, the replies still owed to earlier requests
// come first and are used by nothing (where an answer was taken they must equal it). A reply read
// before the outstanding request went out cannot answer it. When what is owed is no longer known
// (a download stopped, a node table superseded by another click) the link is re-synchronised with a
// barrier: a device-information request, whose reply is of another kind; everything before its
// reply is dropped, then the next request goes out. For a while after something unexpected
// (a reply that answers nothing, replies owed but lost) a reply equal to one received for something
// else may be a copy: it is not used, and the request is not asked again until no copy can come any
// more. A point record or first page naming another project or point than asked is held back the
// same way. On a link where nothing unexpected happened two neighbours may well have the same list,
// and the equal reply is the answer.

#include "data/Records.h"
#include "device/core/DeviceRequest.h"
#include "device/core/DirectoryWalk.h"
#include "device/core/ReplyDecoders.h"

#include <QByteArray>
#include <QVector>

namespace lmv {

// Where the link stands. The numbered request stages of the host map onto it as 0 DeviceInfo,
// 1 Projects, 2 Positions, 3 Files (and Idle once the walk is over), then for group RVA 4 Data and
// 5 Stopping, for group RVB 4 Node (and Calendar once the table is in), 5 Data and 6 Stopping.
enum class LinkStage
{
    DeviceInfo,
    Projects,
    Positions,
    Files,
    Idle,
    Node,
    Calendar,
    Data,
    Stopping
};

// What the session asks of the window after one input: send these requests, do this with the reply
// timer, and show what the event says.
struct LinkStep
{
    enum class Event
    {
        None,
        DeviceInfo,   // the logger of the connect answered: `info`; the walk begins
        Entries,      // the walk added entries (`walk`) and goes on
        WalkComplete, // the walk is over (its last page may have added entries)
        DataPage,    // a record-data page to store (`pageByte`, `data`, `lastPage`): answer with pageStored()
        NodeTable,   // the day table of the monthly file asked for: `nodes`
        StopSettled, // a stopped download has settled: the window takes input again
        GiveUp,      // the logger does not answer: close the link without a message
    };
    enum class Timer
    {
        Keep,    // leave the reply timer as it is
        Restart, // start a full period now
        Stop,    // nothing is awaited
    };

    Event event = Event::None;
    QVector<DeviceRequest> send; // in this order
    Timer timer = Timer::Keep;
    WalkStep walk;
    DeviceInfo info;
    quint8 pageByte = 0;
    QByteArray data; // the file bytes after the page byte
    bool lastPage = false;
    NodeTable nodes;
};

// A device file as a download names it.
struct DeviceFileRef
{
    QString devicePath; // "0:/" + project + "/" + point + "/" + file
    QString project;
    QString point;
};

class LinkSession
{
public:
    // A directory, node-table or barrier request is sent at most this often; a directory or node
    // request that stays unanswered then gives the link up.
    static constexpr int kMaxSends = 3;
    // Expiries without device information before the connect attempt ends.
    static constexpr int kDeviceInfoExpiries = 2;
    // Periods after a reply nobody asked for during which a reply equal to another request's may
    // be a copy.
    static constexpr int kWaryPeriods = 30;
    // Different replies naming another project or point than asked after which the next one is
    // taken all the same.
    static constexpr int kMaxContradictions = 2;

    // The reply timer's period; a late reply is expected up to two and a half periods after a send.
    void setPeriod(int ms) { period_ = ms; }
    int period() const { return period_; }

    // The port has opened and the worker has asked for the device information.
    LinkStep open(qint64 now);
    // The link is closed: everything is forgotten.
    void close();

    // A reply of the kind, content after the command byte.
    LinkStep onReply(ReplyKind kind, const QByteArray &content, qint64 now);
    // Bytes have arrived from the port (they come before the replies they complete).
    void onBytes(qint64 now);
    LinkStep onTimer(qint64 now);

    // ---- downloads (refused, with nothing to send, unless startsFile()) ----
    // Group RVA: page 0 of a whole file.
    LinkStep requestFile(const DeviceFileRef &file, qint64 now);
    // Group RVB: the node table of a monthly file; a node table still awaited is superseded.
    LinkStep requestNodeTable(const DeviceFileRef &file, qint64 now);
    // Group RVB: page 0 of one day's byte range.
    LinkStep requestDay(const DeviceFileRef &file, quint32 rangeStart, quint32 rangeEnd, qint64 now);
    // The page of the last DataPage event was stored (and, for a last page, the file completed), or
    // not: a middle page is then asked for again, a file that could not be completed from page 0.
    LinkStep pageStored(bool ok, qint64 now);
    // The user stops the download: "stop reading", then a barrier; the next expiry settles it.
    LinkStep stop(qint64 now);
    // The stop request a closing window sends first, or a None request when no download runs.
    DeviceRequest stopRequest() const;

    // ---- state ----
    LinkStage stage() const { return stage_; }
    Family family() const { return family_; }
    const DirectoryWalk &walk() const { return walk_; }
    bool downloading() const { return stage_ == LinkStage::Data; }
    // Whether a file click may start a download now (the walk is over, no download runs).
    bool startsFile() const;
    // The numbered request stage of the host (see LinkStage).
    int requestStage() const;
    // The request awaiting its answer (a barrier while re-synchronising; kind None when nothing is
    // asked).
    const DeviceRequest &outstanding() const { return current_.request; }
    // Replies still owed, to the outstanding request and to earlier ones.
    int owedReplies() const;
    bool synchronising() const { return barrier_; }
    // Sends of the outstanding request since it was first asked.
    int sends() const { return current_.sends; }
    quint8 dataPage() const { return dataPage_; }

private:
    struct Asked
    {
        DeviceRequest request;
        QByteArray key;          // names the request among all asked; a data page by its step
        int owed = 0;            // sends whose reply has not come
        int sends = 0;           // sends since it was first asked
        bool answered = false;   // an answer was taken; later replies to it must equal it
        bool superseded = false; // given up unanswered: any reply of its kind is its
        QByteArray answer;
        qint64 lastSend = 0;
        // Replies that named another project or point; the same bytes again, once no copy of
        // them can arrive any more, are the answer.
        QVector<QByteArray> contradictions;
        qint64 notBefore = 0; // not asked again before then: copies of a doubtful reply may come
    };
    // A reply received lately, and the request it was used for (empty: none).
    struct Seen
    {
        ReplyKind kind = ReplyKind::Dropped;
        QByteArray key;
        QByteArray bytes;
        qint64 until = 0; // a copy of it may arrive until then
    };
    enum class Doubt
    {
        None,
        Copy,          // equal to a reply received for something else while copies are about
        Contradiction, // names another project or point than the request
    };

    Asked fresh(const DeviceRequest &request) const;
    QByteArray keyOf(const DeviceRequest &request) const;
    LinkStep ask(const DeviceRequest &request, qint64 now);
    void sendCurrent(LinkStep &step, qint64 now);
    LinkStep startBarrier(const Asked &resume, qint64 now);
    LinkStep barrierReturned(const QByteArray &content, qint64 now);
    void retireCurrent();
    // Something unexpected happened: for a while a reply equal to another request's may be a copy.
    void unsettle(qint64 now, bool extraReply = false);
    bool paysDebt(const Asked &debt, ReplyKind kind, const QByteArray &content) const;
    bool fitsCurrent(const QByteArray &content) const;
    Doubt doubtOf(ReplyKind kind, const QByteArray &content, qint64 now, qint64 *copyUntil) const;
    void remember(ReplyKind kind, const QByteArray &key, const QByteArray &content, qint64 until, qint64 now);
    bool contradictsRequest(const QByteArray &content) const;
    LinkStep take(ReplyKind kind, const QByteArray &content, qint64 now);
    LinkStep takeDirectoryPage(ReplyKind kind, const QByteArray &content, qint64 now);
    LinkStep onDeviceInfo(const QByteArray &content, qint64 now);
    bool countedStage() const;
    bool dataRequest() const;
    DeviceRequest dataRequestFor(quint8 page) const;

    int period_ = 2000;
    LinkStage stage_ = LinkStage::DeviceInfo;
    Family family_ = Family::Unknown;
    DirectoryWalk walk_;

    QVector<Asked> debts_; // earlier requests still owed replies, oldest first
    Asked current_;        // the request awaiting its answer
    Asked resume_;         // goes out once the barrier has come back (kind None: nothing)
    bool barrier_ = false; // current_ is a barrier
    QVector<Seen> seen_;
    qint64 unsettledUntil_ = -1;
    bool heardSinceSend_ = false;
    int quietExpiries_ = 0;
    int connectExpiries_ = 0;

    // The download.
    DeviceFileRef file_;
    DeviceRequest::Kind dataKind_ = DeviceRequest::Kind::None;
    quint32 rangeStart_ = 0;
    quint32 rangeEnd_ = 0;
    quint8 dataPage_ = 0;
    int dataStep_ = 0;
    bool awaitingStore_ = false;
    bool storingLast_ = false;
};

} // namespace lmv
