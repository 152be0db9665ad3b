#include "device/core/LinkSession.h"

#include <algorithm>

namespace lmv {

namespace {

using Kind = DeviceRequest::Kind;

constexpr int kNameField = 33; // a name field of the point record: 32 text bytes and a 0x00
constexpr int kPointRecordSize = 88;

bool isDataKind(Kind kind)
{
    return kind == Kind::RvaRecordData || kind == Kind::RvbRecordData;
}

bool isFirstDataPage(quint8 page)
{
    return page == proto::kFirstDataPage || page == proto::kOnlyDataPage;
}

// A name field as stored: the bytes before its 0x00 (at most 32).
QByteArray nameField(const QByteArray &bytes, int at)
{
    const QByteArray field = bytes.mid(at, kNameField);
    const int end = field.indexOf('\0');
    return end < 0 ? field.left(kNameField - 1) : field.left(end);
}

// A stored name contradicts a listed one when it is not empty and not the start of the listed
// name in GB2312 (a stored name is the listed one shortened to 32 bytes).
bool contradicts(const QByteArray &stored, const QString &listed)
{
    return !stored.isEmpty() && !toGb2312(listed).startsWith(stored);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Connect and close

LinkStep LinkSession::open(qint64 now)
{
    const int period = period_;
    *this = LinkSession();
    period_ = period;
    stage_ = LinkStage::DeviceInfo;
    current_ = fresh({Kind::DeviceInfo, QString(), 0});
    current_.owed = 1;
    current_.sends = 1;
    current_.lastSend = now;
    LinkStep step;
    step.timer = LinkStep::Timer::Restart;
    return step;
}

void LinkSession::close()
{
    const int period = period_;
    *this = LinkSession();
    period_ = period;
}

LinkStep LinkSession::onDeviceInfo(const QByteArray &content, qint64 now)
{
    const DeviceInfo info = decodeDeviceInfoReply(content);
    const Family family = familyOfTypeCode(info.typeCode);
    if (family == Family::Unknown)
        return {}; // the wait for the device information ends the attempt
    family_ = family;
    current_ = Asked();
    stage_ = LinkStage::Projects;
    LinkStep step = ask(walk_.start(family), now);
    step.event = LinkStep::Event::DeviceInfo;
    step.info = info;
    return step;
}

// ---------------------------------------------------------------------------------------------
// Asking

LinkSession::Asked LinkSession::fresh(const DeviceRequest &request) const
{
    Asked a;
    a.request = request;
    a.key = keyOf(request);
    return a;
}

QByteArray LinkSession::keyOf(const DeviceRequest &r) const
{
    QByteArray key =
        QByteArray::number(int(r.kind)) + '|' + r.path.toUtf8() + '|' + QByteArray::number(r.page);
    if (isDataKind(r.kind))
        key += '|' + QByteArray::number(r.rangeStart) + '-' + QByteArray::number(r.rangeEnd) + '#' +
               QByteArray::number(dataStep_);
    return key;
}

void LinkSession::sendCurrent(LinkStep &step, qint64 now)
{
    ++current_.owed;
    ++current_.sends;
    current_.lastSend = now;
    heardSinceSend_ = false;
    step.send.append(current_.request);
    step.timer = LinkStep::Timer::Restart;
}

void LinkSession::retireCurrent()
{
    // What is still owed to it comes before anything asked later.
    if (current_.request.kind != Kind::None && current_.owed > 0)
        debts_.append(current_);
    current_ = Asked();
}

LinkStep LinkSession::ask(const DeviceRequest &request, qint64 now)
{
    Asked next = fresh(request);
    quietExpiries_ = 0;
    if (barrier_) {
        // Goes out once the barrier is back.
        resume_ = next;
        return {};
    }
    if (current_.request.kind != Kind::None && !current_.answered && current_.owed > 0) {
        // Its answer may still come and would look like the answer to the new request.
        current_.superseded = true;
        debts_.append(current_);
        current_ = Asked();
        return startBarrier(next, now);
    }
    retireCurrent();
    current_ = next;
    LinkStep step;
    sendCurrent(step, now);
    return step;
}

LinkStep LinkSession::startBarrier(const Asked &resume, qint64 now)
{
    resume_ = resume;
    resume_.owed = 0;
    resume_.answered = false;
    resume_.superseded = false;
    current_ = fresh({Kind::DeviceInfo, QString(), 0});
    barrier_ = true;
    LinkStep step;
    sendCurrent(step, now);
    return step;
}

LinkStep LinkSession::barrierReturned(const QByteArray &content, qint64 now)
{
    // Everything asked before the barrier has been answered by now, or is lost.
    debts_.clear();
    barrier_ = false;
    --current_.owed;
    current_.answered = true;
    current_.answer = content;
    retireCurrent(); // repeats of the barrier are still owed
    LinkStep step;
    if (resume_.request.kind != Kind::None) {
        current_ = resume_;
        resume_ = Asked();
        sendCurrent(step, now);
        return step;
    }
    step.timer = LinkStep::Timer::Stop;
    if (stage_ == LinkStage::Stopping) {
        stage_ = LinkStage::Idle;
        step.event = LinkStep::Event::StopSettled;
    }
    return step;
}

void LinkSession::unsettle(qint64 now, bool extraReply)
{
    // Replies owed but lost may still come late, within the copy window. A logger that sent a
    // reply nobody asked for may do so again long after the copies of any one reply are through:
    // the first copy after a quiet spell must not find the link trusting.
    const qint64 until = now + (extraReply ? qint64(period_) * kWaryPeriods : qint64(period_) * 5 / 2);
    unsettledUntil_ = std::max(unsettledUntil_, until);
}

// ---------------------------------------------------------------------------------------------
// Replies

void LinkSession::onBytes(qint64)
{
    heardSinceSend_ = true;
    quietExpiries_ = 0;
}

int LinkSession::owedReplies() const
{
    int owed = current_.owed;
    for (const Asked &d : debts_)
        owed += d.owed;
    return owed;
}

bool LinkSession::paysDebt(const Asked &debt, ReplyKind kind, const QByteArray &content) const
{
    if (kind != replyKindOf(debt.request.kind, family_))
        return false;
    return debt.superseded || (debt.answered && debt.answer == content);
}

bool LinkSession::fitsCurrent(const QByteArray &content) const
{
    const DeviceRequest &r = current_.request;
    const ReplyPage page = decodeReplyPage(content);
    switch (r.kind) {
    case Kind::Projects:
    case Kind::Positions:
    case Kind::Files:
        // A list page naming the page just asked for as the next one would never end.
        return page.valid && page.page != r.page;
    case Kind::RvaRecordData:
    case Kind::RvbRecordData:
        // Page 0 is answered by a first page, every later page by anything else but itself (a
        // logger could not tell the request for that page from a repeat of this one).
        return page.valid && isFirstDataPage(page.page) == (dataStep_ == 0) &&
               (dataStep_ == 0 || page.page != r.page);
    case Kind::RvbRecordNode:
        return decodeNodeTable(content).status == NodeTable::Status::Ok;
    case Kind::DeviceInfo:
        return true;
    case Kind::None:
    case Kind::StopReading:
        break;
    }
    return false;
}

bool LinkSession::contradictsRequest(const QByteArray &content) const
{
    const DeviceRequest &r = current_.request;
    if (r.kind == Kind::Positions && family_ == Family::Rva) {
        // Every point record carries the name of its project.
        for (int at = 1; at + kPointRecordSize <= content.size(); at += kPointRecordSize)
            if (contradicts(nameField(content, at), r.path))
                return true;
        return false;
    }
    if (isDataKind(r.kind) && dataStep_ == 0 && content.size() > 1 + 2 * kNameField) {
        // The first page of a data file begins with its project and point names.
        const QByteArray data = content.mid(1);
        return contradicts(nameField(data, 0), file_.project) ||
               contradicts(nameField(data, kNameField), file_.point);
    }
    return false;
}

LinkSession::Doubt LinkSession::doubtOf(ReplyKind kind, const QByteArray &content, qint64 now,
                                        qint64 *copyUntil) const
{
    *copyUntil = 0;
    if (now <= unsettledUntil_) {
        // Something unexpected happened lately: a reply equal to one received for something else
        // may be a copy of it.
        for (const Seen &seen : seen_)
            if (seen.until >= now && seen.kind == kind && seen.key != current_.key && seen.bytes == content)
                *copyUntil = std::max(*copyUntil, seen.until);
        if (*copyUntil > 0)
            return Doubt::Copy;
    }
    const bool again =
        current_.contradictions.contains(content) || current_.contradictions.size() >= kMaxContradictions;
    return !again && contradictsRequest(content) ? Doubt::Contradiction : Doubt::None;
}

void LinkSession::remember(ReplyKind kind, const QByteArray &key, const QByteArray &content, qint64 until,
                           qint64 now)
{
    if (kind == ReplyKind::DeviceInfo)
        return;
    seen_.erase(std::remove_if(seen_.begin(), seen_.end(), [now](const Seen &s) { return s.until < now; }),
                seen_.end());
    seen_.append({kind, key, content, until});
}

LinkStep LinkSession::onReply(ReplyKind kind, const QByteArray &content, qint64 now)
{
    quietExpiries_ = 0;
    if (stage_ == LinkStage::DeviceInfo)
        return kind == ReplyKind::DeviceInfo ? onDeviceInfo(content, now) : LinkStep();
    if (awaitingStore_)
        return {};
    const qint64 copyWindow = qint64(period_) * 5 / 2;

    // Earlier requests are answered first.
    for (int i = 0; i < debts_.size(); ++i) {
        if (!paysDebt(debts_.at(i), kind, content))
            continue;
        if (i > 0) {
            debts_.remove(0, i); // those replies were lost
            unsettle(now);
        }
        remember(kind, debts_.first().key, content, now + copyWindow, now);
        if (--debts_.first().owed <= 0)
            debts_.removeFirst();
        return {};
    }

    const bool forCurrent = current_.request.kind != Kind::None && current_.owed > 0 && heardSinceSend_ &&
                            kind == replyKindOf(current_.request.kind, family_);
    if (forCurrent && barrier_)
        return barrierReturned(content, now);
    if (!forCurrent || !fitsCurrent(content)) {
        unsettle(now, true); // a reply nobody asked for
        remember(kind, QByteArray(), content, now + copyWindow, now);
        return {};
    }
    qint64 copyUntil = 0;
    const Doubt doubt = doubtOf(kind, content, now, &copyUntil);
    if (doubt != Doubt::None) {
        // Not used, and not asked again while copies of it may still come; the answer may yet
        // arrive meanwhile. Should it have been the answer, the same bytes asked again are.
        unsettle(now);
        remember(kind, current_.key, content, now + copyWindow, now);
        if (doubt == Doubt::Contradiction)
            current_.contradictions.append(content);
        current_.notBefore =
            std::max(current_.notBefore, doubt == Doubt::Copy ? copyUntil : now + copyWindow);
        return {};
    }
    if (!debts_.isEmpty()) {
        debts_.clear(); // the replies still owed to earlier requests were lost
        unsettle(now);
    }
    --current_.owed;
    return take(kind, content, now);
}

LinkStep LinkSession::take(ReplyKind kind, const QByteArray &content, qint64 now)
{
    current_.answered = true;
    current_.answer = content;
    remember(kind, current_.key, content, std::max(current_.lastSend, now) + qint64(period_) * 5 / 2, now);

    switch (current_.request.kind) {
    case Kind::Projects:
    case Kind::Positions:
    case Kind::Files:
        return takeDirectoryPage(kind, content, now);
    case Kind::RvbRecordNode: {
        LinkStep step;
        step.event = LinkStep::Event::NodeTable;
        step.nodes = decodeNodeTable(content);
        step.timer = LinkStep::Timer::Stop;
        stage_ = LinkStage::Calendar;
        retireCurrent();
        return step;
    }
    case Kind::RvaRecordData:
    case Kind::RvbRecordData: {
        const RecordDataPage page = decodeRecordDataPage(content);
        LinkStep step;
        step.event = LinkStep::Event::DataPage;
        step.pageByte = page.page.page;
        step.data = page.data;
        step.lastPage = page.page.lastDataPage();
        awaitingStore_ = true;
        storingLast_ = step.lastPage;
        return step;
    }
    case Kind::None:
    case Kind::DeviceInfo:
    case Kind::StopReading:
        break;
    }
    return {};
}

LinkStep LinkSession::takeDirectoryPage(ReplyKind kind, const QByteArray &content, qint64 now)
{
    WalkStep walked;
    switch (kind) {
    case ReplyKind::RvaProjectNames:
    case ReplyKind::RvbProjectNames: {
        const NameListPage page = decodeNameList(content);
        walked = walk_.onProjectPage(page.page.page, page.names);
        break;
    }
    case ReplyKind::RvaPositionRecords: {
        const PositionListPage page = decodeRvaPositionList(content);
        walked = walk_.onPositionPage(page.page.page, walkPoints(page.points));
        break;
    }
    case ReplyKind::RvbPositionNames: {
        const NameListPage page = decodeNameList(content);
        walked = walk_.onPositionPage(page.page.page, walkPoints(page.names));
        break;
    }
    case ReplyKind::RvaFileNames:
    case ReplyKind::RvbFileNames: {
        const FileListPage page = decodeFileList(content, family_);
        walked = walk_.onFilePage(page.page.page, page.files);
        break;
    }
    default:
        break;
    }
    if (walked.outcome == WalkStep::Outcome::Dropped) {
        current_.answered = false;
        return {};
    }
    if (walked.outcome == WalkStep::Outcome::Complete) {
        stage_ = LinkStage::Idle;
        retireCurrent();
        LinkStep step;
        step.event = LinkStep::Event::WalkComplete;
        step.walk = walked;
        step.timer = LinkStep::Timer::Stop;
        return step;
    }
    switch (walked.request.kind) {
    case Kind::Positions:
        stage_ = LinkStage::Positions;
        break;
    case Kind::Files:
        stage_ = LinkStage::Files;
        break;
    default:
        break;
    }
    LinkStep step = ask(walked.request, now);
    step.event = LinkStep::Event::Entries;
    step.walk = walked;
    return step;
}

// ---------------------------------------------------------------------------------------------
// Timer

LinkStep LinkSession::onTimer(qint64 now)
{
    ++quietExpiries_;
    LinkStep step;
    if (stage_ == LinkStage::DeviceInfo) {
        // The device information request is not repeated; the attempt ends at the second expiry.
        if (++connectExpiries_ >= kDeviceInfoExpiries) {
            step.event = LinkStep::Event::GiveUp;
            step.timer = LinkStep::Timer::Stop;
        }
        return step;
    }
    if (stage_ == LinkStage::Stopping) {
        stage_ = LinkStage::Idle;
        step.event = LinkStep::Event::StopSettled;
    }
    if (current_.request.kind == Kind::None) {
        step.timer = LinkStep::Timer::Stop;
        return step;
    }
    if (barrier_) {
        // What was owed before it is dropped when its reply comes, however long the logger takes
        // to work through it. Only a walk or a node table gives up.
        if (countedStage() && current_.sends >= kMaxSends) {
            step.event = LinkStep::Event::GiveUp;
            step.timer = LinkStep::Timer::Stop;
            return step;
        }
        sendCurrent(step, now);
        return step;
    }
    if (!debts_.isEmpty()) {
        // A logger busy with repeats of earlier requests answers the outstanding one after them:
        // asking it again now would only lengthen its queue. A second silent period means they
        // are lost.
        if (quietExpiries_ < 2) {
            step.timer = LinkStep::Timer::Restart;
            return step;
        }
        debts_.clear();
        unsettle(now);
    }
    if (now < current_.notBefore) {
        // Copies of a doubtful reply may still come: asking again now could be answered by one.
        step.timer = LinkStep::Timer::Restart;
        return step;
    }
    if (dataRequest() || current_.sends < kMaxSends) {
        // Record data is asked for without limit; the user can stop the download.
        sendCurrent(step, now);
        return step;
    }
    step.event = LinkStep::Event::GiveUp;
    step.timer = LinkStep::Timer::Stop;
    return step;
}

// ---------------------------------------------------------------------------------------------
// Downloads

bool LinkSession::countedStage() const
{
    return stage_ == LinkStage::Projects || stage_ == LinkStage::Positions || stage_ == LinkStage::Files ||
           stage_ == LinkStage::Node;
}

bool LinkSession::dataRequest() const
{
    return isDataKind(current_.request.kind);
}

DeviceRequest LinkSession::dataRequestFor(quint8 page) const
{
    return {dataKind_, file_.devicePath, page, rangeStart_, rangeEnd_};
}

bool LinkSession::startsFile() const
{
    return stage_ == LinkStage::Idle || stage_ == LinkStage::Calendar ||
           (stage_ == LinkStage::Node && family_ == Family::Rvb);
}

LinkStep LinkSession::requestFile(const DeviceFileRef &file, qint64 now)
{
    if (family_ != Family::Rva || !startsFile())
        return {};
    file_ = file;
    dataKind_ = Kind::RvaRecordData;
    rangeStart_ = rangeEnd_ = 0;
    dataPage_ = 0;
    dataStep_ = 0;
    stage_ = LinkStage::Data;
    return ask(dataRequestFor(0), now);
}

LinkStep LinkSession::requestNodeTable(const DeviceFileRef &file, qint64 now)
{
    if (family_ != Family::Rvb || !startsFile())
        return {};
    file_ = file;
    stage_ = LinkStage::Node;
    return ask({Kind::RvbRecordNode, file.devicePath, 0}, now);
}

LinkStep LinkSession::requestDay(const DeviceFileRef &file, quint32 rangeStart, quint32 rangeEnd, qint64 now)
{
    if (family_ != Family::Rvb || (stage_ != LinkStage::Idle && stage_ != LinkStage::Calendar))
        return {};
    file_ = file;
    dataKind_ = Kind::RvbRecordData;
    rangeStart_ = rangeStart;
    rangeEnd_ = rangeEnd;
    dataPage_ = 0;
    dataStep_ = 0;
    stage_ = LinkStage::Data;
    return ask(dataRequestFor(0), now);
}

LinkStep LinkSession::pageStored(bool ok, qint64 now)
{
    if (!awaitingStore_)
        return {};
    awaitingStore_ = false;
    LinkStep step;
    if (!ok && storingLast_) {
        // The file could not be completed: the next expiry asks for it anew from page 0.
        retireCurrent();
        dataPage_ = 0;
        dataStep_ = 0;
        current_ = fresh(dataRequestFor(0));
        return step;
    }
    if (!ok) {
        // Not used after all: the next expiry asks for the page again.
        current_.answered = false;
        return step;
    }
    if (storingLast_) {
        stage_ = LinkStage::Idle;
        retireCurrent();
        step.timer = LinkStep::Timer::Stop;
        return step;
    }
    const quint8 next = decodeReplyPage(current_.answer).page;
    dataPage_ = next;
    ++dataStep_;
    return ask(dataRequestFor(next), now);
}

LinkStep LinkSession::stop(qint64 now)
{
    if (stage_ != LinkStage::Data)
        return {};
    LinkStep step;
    step.send.append({Kind::StopReading, QString(), 0});
    stage_ = LinkStage::Stopping;
    awaitingStore_ = false;
    if (barrier_) {
        resume_ = Asked(); // the barrier on its way settles the link; nothing follows it
    } else if (current_.owed > 0) {
        // The pages still owed to the stopped download would look like those of the next file.
        current_.superseded = true;
        retireCurrent();
        step.send += startBarrier(Asked(), now).send;
    } else {
        current_ = Asked();
    }
    return step; // the timer runs on: its next expiry settles the stop
}

DeviceRequest LinkSession::stopRequest() const
{
    if (stage_ != LinkStage::Data)
        return {};
    return {Kind::StopReading, QString(), 0};
}

int LinkSession::requestStage() const
{
    const bool rvb = family_ == Family::Rvb;
    switch (stage_) {
    case LinkStage::DeviceInfo:
        return 0;
    case LinkStage::Projects:
        return 1;
    case LinkStage::Positions:
        return 2;
    case LinkStage::Files:
    case LinkStage::Idle:
        return 3;
    case LinkStage::Node:
    case LinkStage::Calendar:
        return 4;
    case LinkStage::Data:
        return rvb ? 5 : 4;
    case LinkStage::Stopping:
        return rvb ? 6 : 5;
    }
    return 0;
}

} // namespace lmv
