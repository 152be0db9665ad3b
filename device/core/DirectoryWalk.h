#pragma once

// What the host asks the logger next, and what a reply-timer expiry does, from the device
// information up to the end of a record download. No widgets and no port: the main window feeds
// decoded replies and timer expiries in, carries out the requests that come out and mirrors the
// entries each step added into its device tree.

#include "data/Records.h"
#include "device/core/ReplyDecoders.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace lmv {

// A file as the decoded file list gives it: name and size.
using WalkFile = DeviceFileEntry;

struct WalkPoint
{
    QString name;
    // Pipe of the point; group RVA lists carry it, group RVB lists only names.
    bool hasPipe = false;
    qint32 pipeShape = 0;
    quint32 heightOrDiameter = 0;
    quint32 widthOrLowerBase = 0;
    quint32 upperBase = 0;
    quint32 sediment = 0;
    QVector<WalkFile> files;
};

// The points of one position list page: group RVA pages carry each point's pipe, group RVB pages
// only names.
QVector<WalkPoint> walkPoints(const QVector<DevicePoint> &points);
QVector<WalkPoint> walkPoints(const QStringList &names);

struct WalkProject
{
    QString name;
    QVector<WalkPoint> points;
};

// One request toward the logger, in the terms of the main window's request signals.
struct DeviceRequest
{
    enum class Kind
    {
        None,
        Projects,
        Positions,
        Files,
        RvaRecordData,
        RvbRecordNode,
        RvbRecordData
    };
    Kind kind = Kind::None;
    // Positions: the project name. Files: project + "/" + point. Record data and node table: the
    // device file path ("0:/" + project + "/" + point + "/" + file).
    QString path;
    quint8 page = 0;
    quint32 rangeStart = 0; // group RVB record data only
    quint32 rangeEnd = 0;

    bool operator==(const DeviceRequest &o) const
    {
        return kind == o.kind && path == o.path && page == o.page && rangeStart == o.rangeStart &&
               rangeEnd == o.rangeEnd;
    }
};

// Where the link stands. The numbered request stages of the host map onto it as
// 0 DeviceInfo, 1 Projects, 2 Positions, 3 Files (and Idle once the walk is over), then for group
// RVA 4 Data and 5 Stopping, for group RVB 4 Node (and Calendar once the table is in), 5 Data and
// 6 Stopping.
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

// The outcome of one directory reply.
struct WalkStep
{
    enum class Outcome
    {
        Dropped,  // the reply does not answer the outstanding request; nothing changed
        Request,  // send `request` (a first-time send: restart the timer and its count)
        Complete, // the walk is over: stop the timer, clear the progress, enable the window
    };
    Outcome outcome = Outcome::Dropped;
    DeviceRequest request;
    // The entries this reply added: `added` entries from index `firstAdded` on, below point
    // `point` of project `project` (files), below project `project` (points, point == -1) or at the
    // top level (projects, project == -1).
    int project = -1;
    int point = -1;
    int firstAdded = 0;
    int added = 0;
};

// What one expiry of the reply timer asks for.
struct TimerStep
{
    enum class Action
    {
        None,          // nothing to do
        Repeat,        // send `request` again, keeping the retry count
        GiveUp,        // enable the window and switch the link off, without a message
        StopAndEnable, // a stopped download has settled: stop the timer, enable the window
    };
    Action action = Action::None;
    DeviceRequest request;
    bool counted = false; // the repeat counted toward the limit of three sends
};

class DirectoryWalk
{
public:
    // A directory or node-table request is sent at most this often before the link is given up.
    static constexpr int kMaxSends = 3;
    // Expiries without device information before the connect attempt ends.
    static constexpr int kDeviceInfoExpiries = 2;
    // Page byte that ends a list, and the two that end a record download.
    static constexpr quint8 kLastListPage = 0xF0;
    static constexpr quint8 kLastDataPage = 0xF0;
    static constexpr quint8 kOnlyDataPage = 0xF1;

    // Back to the start: waiting for the device information, empty directory.
    void reset();
    // Sets the family from the device's type code and asks for project page 0.
    DeviceRequest start(Family family);

    WalkStep onProjectPage(quint8 page, const QStringList &names);
    WalkStep onPositionPage(quint8 page, const QVector<WalkPoint> &points);
    WalkStep onFilePage(quint8 page, const QVector<WalkFile> &files);

    TimerStep onTimerExpiry();

    // ---- downloads ----
    // Group RVA: asks for page 0 of a file.
    DeviceRequest beginRvaDownload(const QString &devicePath);
    // Group RVB: asks for the node table of a monthly file.
    DeviceRequest beginNodeRequest(const QString &devicePath);
    // A node-table reply: accepted only while the table is awaited and when its page byte is 0xF0.
    // On acceptance the stage becomes Calendar (the timer is to be stopped).
    bool acceptNodeTable(quint8 page);
    // Group RVB: asks for page 0 of one day's byte range.
    DeviceRequest beginRvbDay(const QString &devicePath, quint32 rangeStart, quint32 rangeEnd);

    enum class DataVerdict
    {
        Drop,
        NextPage,
        LastPage
    };
    // Classifies a record-data reply by its page byte, without changing anything. A reply is
    // dropped when no download is running, when it is a first page (1 or 0xF1) but page 0 was not
    // the page asked for, and when page 0 was asked for and it is not a first page. Any other page
    // byte is the page to ask for next, whatever its value: loggers may use the same numbers more
    // than once in a file. Copies of replies already taken are told apart by ReplyLedger.
    DataVerdict classifyDataPage(quint8 page) const;
    // After a middle page has been stored: asks for the page it names.
    DeviceRequest nextDataRequest(quint8 page);
    // The stored file could not be completed: the next timer repeat asks for page 0 again, so the
    // file is written anew instead of getting its last page twice.
    void restartDataFromFirstPage();
    // The download has completed: nothing is outstanding any more.
    void finishDownload();
    // The user stopped the download: the next expiry settles it.
    void stopDownload();

    // ---- timer bookkeeping ----
    void clearRetryCount() { retryCount_ = 0; }
    int retryCount() const { return retryCount_; }

    // ---- state ----
    Family family() const { return family_; }
    LinkStage stage() const { return stage_; }
    // The numbered request stage of the host (see LinkStage).
    int requestStage() const;
    bool downloading() const { return stage_ == LinkStage::Data; }
    const QVector<WalkProject> &projects() const { return projects_; }
    int projectIndex() const { return projectIndex_; }
    int positionIndex() const { return positionIndex_; }
    quint8 dataPage() const { return dataPage_; }
    // Pages asked for since page 0 of the running download: names a request within the file
    // even when the logger uses a page number more than once.
    int dataStep() const { return dataStep_; }
    // The request the timer repeats.
    const DeviceRequest &outstanding() const { return outstanding_; }

private:
    DeviceRequest send(DeviceRequest request);
    DeviceRequest positionsRequest(int project, quint8 page) const;
    DeviceRequest filesRequest(int project, int point, quint8 page) const;
    // Next project from `from` on that has points, or -1.
    int nextProjectWithPoints(int from) const;
    WalkStep startFileStage();
    WalkStep complete();

    Family family_ = Family::Unknown;
    LinkStage stage_ = LinkStage::DeviceInfo;
    QVector<WalkProject> projects_;
    int projectIndex_ = 0;
    int positionIndex_ = 0;
    quint8 projectPage_ = 0;
    quint8 positionPage_ = 0;
    quint8 filePage_ = 0;
    quint8 dataPage_ = 0;
    int dataStep_ = 0;
    int retryCount_ = 0;
    DeviceRequest outstanding_;
};

} // namespace lmv
