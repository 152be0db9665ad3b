#pragma once

// The logger's directory as the walk reads it, and the list request that comes next. QtCore only.

#include "data/Records.h"
#include "device/core/DeviceRequest.h"
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

// The outcome of one directory reply.
struct WalkStep
{
    enum class Outcome
    {
        Dropped,  // the page does not belong to the walk's current list; nothing changed
        Request,  // ask for `request` next
        Complete, // the walk is over
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

// Reads the logger's directory page by page: all projects, then the points of every project, then
// the files of every point. Each reply page goes in, the entries it added and the next list request
// come out. Which reply answers which request is LinkSession's business; the walk only builds the
// directory.
class DirectoryWalk
{
public:
    // Page byte that ends a list.
    static constexpr quint8 kLastListPage = 0xF0;

    enum class Phase
    {
        Idle, // not started, or over
        Projects,
        Positions,
        Files,
    };

    // Back to the start: empty directory, nothing asked.
    void reset();
    // Sets the family from the device's type code and asks for project page 0.
    DeviceRequest start(Family family);

    WalkStep onProjectPage(quint8 page, const QStringList &names);
    WalkStep onPositionPage(quint8 page, const QVector<WalkPoint> &points);
    WalkStep onFilePage(quint8 page, const QVector<WalkFile> &files);

    Family family() const { return family_; }
    Phase phase() const { return phase_; }
    const QVector<WalkProject> &projects() const { return projects_; }
    int projectIndex() const { return projectIndex_; }
    int positionIndex() const { return positionIndex_; }

private:
    DeviceRequest positionsRequest(int project, quint8 page) const;
    DeviceRequest filesRequest(int project, int point, quint8 page) const;
    // Next project from `from` on that has points, or -1.
    int nextProjectWithPoints(int from) const;
    WalkStep startFileStage();
    WalkStep complete();

    Family family_ = Family::Unknown;
    Phase phase_ = Phase::Idle;
    QVector<WalkProject> projects_;
    int projectIndex_ = 0;
    int positionIndex_ = 0;
};

} // namespace lmv
