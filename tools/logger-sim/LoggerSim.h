#pragma once

#include "tools/logger-sim/LoggerStore.h"
#include "tools/logger-sim/SimOptions.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

class PtyLink;

// The logger's behaviour: takes request frames from the line, answers them from the store
// as the command set says, applies the configured faults and logs each request to stderr.
class LoggerSim : public QObject
{
    Q_OBJECT
public:
    LoggerSim(const SimOptions &options, LoggerStore &store, PtyLink &link, QObject *parent = nullptr);

    // Feeds bytes received from the host.
    void receive(const QByteArray &bytes);

signals:
    // The pseudo-terminal was closed by the hang-up fault.
    void hungUp();

private:
    struct Request
    {
        int seq = 0;
        int kindSeq = 0;
        QString kind;     // log name, e.g. "rva-data"
        QString category; // fault kind, e.g. "data"
        quint8 group = 0;
        quint8 command = 0;
        quint8 page = 0;
        quint32 start = 0;
        quint32 end = 0;
        quint32 id = 0;
        QByteArray path;
        bool hasPage = false;
        bool hasRange = false;
        bool hasId = false;
        bool hasPath = false;
    };

    Request parse(const QByteArray &payload) const;
    void handle(Request &request, int frameBytes);
    // One request at a time: answers the next waiting request once its time has passed.
    void workOnNext();
    void respond(const Request &request);
    // The reply payload, or empty when the logger does not answer.
    QByteArray answer(const Request &request, QString *note);
    QByteArray listReply(const Request &request, const QVector<QByteArray> &pages, int pageCount);
    QByteArray dataReply(const Request &request, const QByteArray &stream);
    void deliver(const Request &request, const QByteArray &payload);
    void sendLater(int delayMs, const QByteArray &bytes);
    QByteArray cachedStream(const Request &request, const LoggerStore::File &file);
    int listPageNumber(int index) const;

    const SimOptions &options_;
    LoggerStore &store_;
    PtyLink &link_;
    QByteArray rx_;
    int seq_ = 0;
    QList<Request> waiting_; // requests not yet worked on (one-at-a-time mode)
    bool busy_ = false;
    QHash<QString, int> kindCounts_;
    // The download in progress, to tell page numbers apart once they wrap past 0xEF.
    QByteArray downloadKey_;
    int downloadChunk_ = -1;
    QByteArray streamKey_;
    QByteArray stream_;
};
