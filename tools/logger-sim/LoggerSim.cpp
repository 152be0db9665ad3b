#include "tools/logger-sim/LoggerSim.h"

#include "device/core/FrameCodec.h"
#include "tools/logger-sim/PtyLink.h"

#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

constexpr quint8 kGroupCommon = 0x00;
constexpr quint8 kGroupRva = 0x20;
constexpr quint8 kGroupRvb = 0x10;
constexpr quint8 kListEnd = 0xF0;
constexpr quint8 kDataLast = 0xF0;
constexpr quint8 kDataSingle = 0xF1;
constexpr quint8 kLastPageNumber = 0xEF;

void logLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// Device text for the log: GB2312 decoded, control bytes and backslashes escaped so that
// every request stays on one line.
QString printable(const QByteArray &gb)
{
    const QString text = lmv::fromGb2312(gb);
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QByteArray header(quint8 group, quint8 command)
{
    QByteArray out("LM");
    out.append(static_cast<char>(group));
    out.append(static_cast<char>(command));
    return out;
}

void appendU32(QByteArray &out, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

quint32 readU32(const QByteArray &in, int at)
{
    return lmv::ByteReader(in).u32le(static_cast<std::size_t>(at));
}

// A zero-terminated text starting at offset at (the rest of the payload when unterminated).
QByteArray readText(const QByteArray &in, int at)
{
    if (at >= in.size())
        return {};
    const int end = in.indexOf('\0', at);
    return in.mid(at, end < 0 ? -1 : end - at);
}

// Request number of data chunk k: 0, 1, then 2 ... 0xEF (or the numbers given) over and over,
// so that a long file never again shows the host the first-page markers 0 and 1.
quint8 chunkRequestNumber(int k, const QVector<int> &numbers)
{
    if (k <= 1)
        return static_cast<quint8>(k);
    if (!numbers.isEmpty())
        return static_cast<quint8>(numbers[(k - 2) % numbers.size()]);
    return static_cast<quint8>(2 + (k - 2) % (kLastPageNumber - 1));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

LoggerSim::LoggerSim(const SimOptions &options, LoggerStore &store, PtyLink &link, QObject *parent)
    : QObject(parent), options_(options), store_(store), link_(link)
{}

void LoggerSim::receive(const QByteArray &bytes)
{
    rx_.append(bytes);
    for (;;) {
        const int before = rx_.size();
        QByteArray payload;
        const lmv::ExtractStatus status = lmv::extractFrame(rx_, payload);
        const int consumed = before - rx_.size();
        if (status == lmv::ExtractStatus::FrameOk) {
            Request request = parse(payload);
            handle(request, consumed);
        } else if (status == lmv::ExtractStatus::FrameTooShort) {
            logLine(QStringLiteral("FRAME short bytes=%1").arg(consumed));
        } else if (status == lmv::ExtractStatus::ChecksumMismatch) {
            logLine(QStringLiteral("FRAME bad-checksum bytes=%1").arg(consumed));
        } else {
            return; // incomplete, or nothing but garbage
        }
    }
}

LoggerSim::Request LoggerSim::parse(const QByteArray &payload) const
{
    Request r;
    r.kind = QStringLiteral("unknown");
    if (payload.size() < 4 || !payload.startsWith("LM"))
        return r;
    r.group = static_cast<quint8>(payload[2]);
    r.command = static_cast<quint8>(payload[3]);
    auto pageAndPath = [&](int pathAt) {
        r.hasPage = payload.size() > 4;
        r.page = r.hasPage ? static_cast<quint8>(payload[4]) : 0;
        r.hasPath = true;
        r.path = readText(payload, pathAt);
    };
    const QString family = r.group == kGroupRva ? QStringLiteral("rva-") : QStringLiteral("rvb-");
    if (r.group == kGroupCommon && r.command == 0x00) {
        r.kind = QStringLiteral("devinfo");
    } else if (r.group == kGroupRva || r.group == kGroupRvb) {
        switch (r.command) {
        case 0x00:
            r.category = QStringLiteral("projects");
            pageAndPath(5);
            break;
        case 0x01:
            r.category = QStringLiteral("points");
            pageAndPath(5);
            break;
        case 0x02:
            r.category = QStringLiteral("files");
            pageAndPath(5);
            break;
        case 0x03:
            if (r.group == kGroupRva) {
                r.category = QStringLiteral("data");
                pageAndPath(5);
            } else {
                r.category = QStringLiteral("node");
                r.hasPath = true;
                r.path = readText(payload, 5);
            }
            break;
        case 0x04:
            if (r.group == kGroupRva) {
                r.category = QStringLiteral("stop");
            } else {
                r.category = QStringLiteral("data");
                pageAndPath(13);
                r.hasRange = true;
                r.start = readU32(payload, 5);
                r.end = readU32(payload, 9);
            }
            break;
        case 0x05:
            if (r.group == kGroupRva) {
                r.category = QStringLiteral("setid");
                r.hasId = true;
                r.id = readU32(payload, 5);
            } else {
                r.category = QStringLiteral("stop");
            }
            break;
        default:
            break;
        }
        if (!r.category.isEmpty())
            r.kind = family + r.category;
    }
    if (r.kind == QLatin1String("devinfo"))
        r.category = r.kind;
    return r;
}

void LoggerSim::handle(Request &request, int frameBytes)
{
    request.seq = ++seq_;
    request.kindSeq = request.category.isEmpty() ? 0 : ++kindCounts_[request.category];

    QString line = QStringLiteral("REQ %1 %2 frame=%3").arg(request.seq).arg(request.kind).arg(frameBytes);
    if (request.kind == QLatin1String("unknown"))
        line += QStringLiteral(" group=0x%1 cmd=0x%2")
                    .arg(request.group, 2, 16, QLatin1Char('0'))
                    .arg(request.command, 2, 16, QLatin1Char('0'));
    if (request.hasPage)
        line += QStringLiteral(" page=%1").arg(request.page);
    if (request.hasRange)
        line += QStringLiteral(" start=%1 end=%2").arg(request.start).arg(request.end);
    if (request.hasId)
        line += QStringLiteral(" id=%1").arg(request.id);
    if (request.hasPath)
        line += QStringLiteral(" path=") + printable(request.path);
    logLine(line);

    if (options_.serial()) {
        waiting_.append(request);
        if (!busy_)
            workOnNext();
        return;
    }
    respond(request);
}

void LoggerSim::workOnNext()
{
    if (waiting_.isEmpty()) {
        busy_ = false;
        return;
    }
    busy_ = true;
    const Request request = waiting_.takeFirst();
    int delay = options_.replyDelayMs;
    if (options_.slowReq.matches(request.category, request.seq, request.kindSeq)) {
        delay += options_.slowDelayMs;
        logLine(QStringLiteral("FAULT %1 slow delay=%2").arg(request.seq).arg(delay));
    }
    QTimer::singleShot(delay, Qt::PreciseTimer, this, [this, request]() {
        if (options_.dropReq.matches(request.category, request.seq, request.kindSeq)) {
            logLine(QStringLiteral("FAULT %1 drop").arg(request.seq));
        } else {
            respond(request);
            if (options_.dupReq.matches(request.category, request.seq, request.kindSeq)) {
                logLine(QStringLiteral("FAULT %1 duplicate delay=0").arg(request.seq));
                respond(request);
            }
        }
        workOnNext();
    });
}

void LoggerSim::respond(const Request &request)
{
    auto fault = [&](const FaultSet &set) {
        return set.matches(request.category, request.seq, request.kindSeq);
    };
    if (fault(options_.hangup)) {
        logLine(QStringLiteral("HANGUP %1").arg(request.seq));
        link_.hangup();
        emit hungUp();
        return;
    }
    if (fault(options_.notice)) {
        logLine(QStringLiteral("FAULT %1 notice").arg(request.seq));
        deliver(request, header(kGroupCommon, 0x7E));
        return;
    }
    if (fault(options_.drop)) {
        logLine(QStringLiteral("FAULT %1 drop").arg(request.seq));
        return;
    }
    if (fault(options_.garbage)) {
        logLine(QStringLiteral("FAULT %1 garbage bytes=%2").arg(request.seq).arg(options_.garbageBytes));
        sendLater(options_.delayMs, QByteArray(options_.garbageBytes, '\x55'));
        return;
    }
    QString note;
    const QByteArray reply = answer(request, &note);
    if (reply.isEmpty()) {
        logLine(QStringLiteral("NOREPLY %1 %2").arg(request.seq).arg(note));
        return;
    }
    deliver(request, reply);
}

QByteArray LoggerSim::answer(const Request &request, QString *note)
{
    const quint8 ownGroup = store_.isRva() ? kGroupRva : kGroupRvb;
    if (request.kind == QLatin1String("devinfo"))
        return header(kGroupCommon, 0x00) + store_.deviceInfo().toBytes();
    if (request.kind == QLatin1String("unknown")) {
        *note = QStringLiteral("unknown-request");
        return {};
    }
    if (request.group != ownGroup) {
        *note = QStringLiteral("other-group");
        return {};
    }
    const QByteArray head = header(request.group, request.command);
    const QString &cat = request.category;

    if (cat == QLatin1String("stop")) {
        downloadKey_.clear();
        downloadChunk_ = -1;
        return head + QByteArray(1, '\0');
    }
    if (cat == QLatin1String("setid")) {
        store_.setDeviceNumber(request.id);
        return head + QByteArray(1, '\0');
    }

    QVector<QByteArray> items; // one list entry each, already in wire form
    if (cat == QLatin1String("projects")) {
        for (const auto &project : store_.projects())
            items.append(project.name + '\0');
    } else if (cat == QLatin1String("points")) {
        const auto *project = store_.findProject(request.path);
        if (project) {
            for (const auto &point : project->points)
                items.append(store_.isRva() ? LoggerStore::pointRecord(*project, point) : point.name + '\0');
        }
    } else if (cat == QLatin1String("files")) {
        const auto *point = store_.findPoint(request.path);
        // File list block per page: names joined by CR LF, a zero byte, one size per name.
        QVector<QByteArray> pages;
        QByteArray names;
        QByteArray sizes;
        int count = 0;
        auto flush = [&]() {
            if (count > 0)
                pages.append(names + '\0' + sizes);
            names.clear();
            sizes.clear();
            count = 0;
        };
        for (int i = 0; point && i < point->files.size(); ++i) {
            const auto &file = point->files[i];
            const int grown = names.size() + (count ? 2 : 0) + file.name.size() + 1 + sizes.size() + 4;
            if (count > 0 && grown > options_.listPageSize)
                flush();
            if (count > 0)
                names.append("\r\n");
            names.append(file.name);
            appendU32(sizes, file.size);
            ++count;
        }
        flush();
        return listReply(request, pages, pages.size());
    } else if (cat == QLatin1String("data") && request.group == kGroupRva) {
        const auto *file = store_.findFile(request.path);
        if (!file) {
            *note = QStringLiteral("no-such-file");
            return {};
        }
        return dataReply(request, cachedStream(request, *file));
    } else if (cat == QLatin1String("data")) {
        const auto *file = store_.findFile(request.path);
        if (!file) {
            *note = QStringLiteral("no-such-file");
            return {};
        }
        return dataReply(request, cachedStream(request, *file));
    } else if (cat == QLatin1String("node")) {
        const auto *file = store_.findFile(request.path);
        if (!file) {
            *note = QStringLiteral("no-such-file");
            return {};
        }
        QByteArray out = head + QByteArray(1, static_cast<char>(kListEnd));
        for (quint32 node : LoggerStore::nodeTable(readFile(file->diskPath)))
            appendU32(out, node);
        return out;
    }

    // Name lists and RVA point records: whole entries per page, at least one per page.
    QVector<QByteArray> pages;
    QByteArray page;
    for (const QByteArray &item : items) {
        if (!page.isEmpty() && page.size() + item.size() > options_.listPageSize) {
            pages.append(page);
            page.clear();
        }
        page.append(item);
    }
    if (!page.isEmpty())
        pages.append(page);
    return listReply(request, pages, pages.size());
}

int LoggerSim::listPageNumber(int index) const
{
    const auto &numbers = options_.listPages;
    if (index < numbers.size())
        return numbers[index];
    const int last = numbers.isEmpty() ? -1 : numbers.last();
    return last + (index - numbers.size()) + 1;
}

QByteArray LoggerSim::listReply(const Request &request, const QVector<QByteArray> &pages, int pageCount)
{
    int index = -1;
    for (int i = 0; i < qMax(pageCount, 1); ++i) {
        if (listPageNumber(i) == request.page) {
            index = i;
            break;
        }
    }
    QByteArray out = header(request.group, request.command);
    if (index < 0 || index >= pageCount) {
        // Past the end (or an empty list): an empty last page.
        out.append(static_cast<char>(kListEnd));
        return out;
    }
    const bool last = index + 1 >= pageCount;
    out.append(static_cast<char>(last ? kListEnd : listPageNumber(index + 1)));
    out.append(pages[index]);
    return out;
}

QByteArray LoggerSim::dataReply(const Request &request, const QByteArray &stream)
{
    const int pageSize = qMax(1, options_.pageSize);
    const int count = qMax(1, static_cast<int>((stream.size() + pageSize - 1) / pageSize));
    QByteArray key = request.path;
    if (request.hasRange)
        key += '@' + QByteArray::number(request.start) + '-' + QByteArray::number(request.end);
    if (key != downloadKey_) {
        downloadKey_ = key;
        downloadChunk_ = -1;
    }
    // Page 0 always starts the file; otherwise the next chunk, a repeat of the last one,
    // or the first chunk that carries this number.
    int chunk = -1;
    if (request.page == 0)
        chunk = 0;
    else if (downloadChunk_ + 1 < count &&
             chunkRequestNumber(downloadChunk_ + 1, options_.dataPages) == request.page)
        chunk = downloadChunk_ + 1;
    else if (downloadChunk_ >= 0 && chunkRequestNumber(downloadChunk_, options_.dataPages) == request.page)
        chunk = downloadChunk_;
    else {
        for (int k = 0; k < count; ++k) {
            if (chunkRequestNumber(k, options_.dataPages) == request.page) {
                chunk = k;
                break;
            }
        }
    }
    if (chunk < 0)
        chunk = count - 1; // past the end: the last page again
    downloadChunk_ = chunk;

    quint8 pageByte;
    if (count == 1)
        pageByte = kDataSingle;
    else if (chunk == count - 1)
        pageByte = kDataLast;
    else
        pageByte = chunkRequestNumber(chunk + 1, options_.dataPages);
    QByteArray out = header(request.group, request.command);
    out.append(static_cast<char>(pageByte));
    out.append(stream.mid(chunk * pageSize, pageSize));
    return out;
}

void LoggerSim::deliver(const Request &request, const QByteArray &payload)
{
    auto fault = [&](const FaultSet &set) {
        return set.matches(request.category, request.seq, request.kindSeq);
    };
    QByteArray frame = lmv::buildReplyFrame(payload);
    if (fault(options_.corrupt)) {
        // Alter one payload byte after the checksum was taken: the host sees a mismatch.
        frame[2] = static_cast<char>(frame[2] ^ 0x01);
        logLine(QStringLiteral("FAULT %1 corrupt").arg(request.seq));
    }
    const QByteArray bytes = frame;
    // Lists, node tables and data pages start with a page byte; show it as "next".
    const bool paged = request.category == QLatin1String("projects") ||
                       request.category == QLatin1String("points") ||
                       request.category == QLatin1String("files") ||
                       request.category == QLatin1String("data") || request.category == QLatin1String("node");
    QString line = QStringLiteral("REPLY %1 bytes=%2").arg(request.seq).arg(bytes.size());
    if (paged && payload.size() > 4 && payload[3] == static_cast<char>(request.command))
        line += QStringLiteral(" next=0x%1").arg(static_cast<quint8>(payload[4]), 2, 16, QLatin1Char('0'));
    logLine(line);

    int lastAt = options_.delayMs;
    if (fault(options_.slow)) {
        lastAt += options_.slowDelayMs;
        logLine(QStringLiteral("FAULT %1 slow delay=%2").arg(request.seq).arg(options_.slowDelayMs));
    }
    const bool split = fault(options_.split) && options_.splitChunks > 1;
    const bool duplicate = fault(options_.duplicate);
    if (duplicate)
        logLine(
            QStringLiteral("FAULT %1 duplicate delay=%2").arg(request.seq).arg(options_.duplicateDelayMs));
    if (split) {
        const int n = qMin(options_.splitChunks, bytes.size());
        logLine(QStringLiteral("FAULT %1 split chunks=%2 pause=%3")
                    .arg(request.seq)
                    .arg(n)
                    .arg(options_.splitPauseMs));
        const int step = bytes.size() / n;
        const int firstAt = lastAt;
        for (int i = 0; i < n; ++i) {
            const int from = i * step;
            const int len = i + 1 == n ? bytes.size() - from : step;
            lastAt = firstAt + i * options_.splitPauseMs;
            sendLater(lastAt, bytes.mid(from, len));
        }
    } else if (duplicate && options_.duplicateDelayMs == 0) {
        // Without a delay both copies leave in one write, so the host reads them together.
        sendLater(lastAt, bytes + bytes);
        return;
    } else {
        sendLater(lastAt, bytes);
    }
    if (duplicate)
        sendLater(lastAt + options_.duplicateDelayMs, bytes);
}

QByteArray LoggerSim::cachedStream(const Request &request, const LoggerStore::File &file)
{
    // The stream of the file being downloaded is kept, so that a long file is not read again
    // for every page.
    QByteArray key = file.diskPath.toUtf8();
    if (request.hasRange)
        key += '@' + QByteArray::number(request.start) + '-' + QByteArray::number(request.end);
    if (key != streamKey_) {
        const QByteArray bytes = readFile(file.diskPath);
        streamKey_ = key;
        stream_ = request.hasRange ? LoggerStore::rvbRangeStream(bytes, request.start, request.end)
                                   : LoggerStore::rvaDeviceStream(bytes);
    }
    return stream_;
}

void LoggerSim::sendLater(int delayMs, const QByteArray &bytes)
{
    if (delayMs <= 0) {
        link_.send(bytes);
        return;
    }
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, bytes]() { link_.send(bytes); });
}
