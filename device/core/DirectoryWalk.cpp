#include "device/core/DirectoryWalk.h"

namespace lmv {

QVector<WalkPoint> walkPoints(const QVector<DevicePoint> &points)
{
    QVector<WalkPoint> out;
    out.reserve(points.size());
    for (const DevicePoint &p : points) {
        WalkPoint w;
        w.name = p.pointName;
        w.hasPipe = true;
        w.pipeShape = p.pipeShape;
        w.heightOrDiameter = p.heightOrDiameter;
        w.widthOrLowerBase = p.widthOrLowerBase;
        w.upperBase = p.upperBase;
        w.sediment = p.sediment;
        out.append(w);
    }
    return out;
}

QVector<WalkPoint> walkPoints(const QStringList &names)
{
    QVector<WalkPoint> out;
    out.reserve(names.size());
    for (const QString &name : names) {
        WalkPoint w;
        w.name = name;
        out.append(w);
    }
    return out;
}

void DirectoryWalk::reset()
{
    *this = DirectoryWalk();
}

DeviceRequest DirectoryWalk::start(Family family)
{
    reset();
    family_ = family;
    phase_ = Phase::Projects;
    return {DeviceRequest::Kind::Projects, QString(), 0};
}

DeviceRequest DirectoryWalk::positionsRequest(int project, quint8 page) const
{
    return {DeviceRequest::Kind::Positions, projects_.at(project).name, page};
}

DeviceRequest DirectoryWalk::filesRequest(int project, int point, quint8 page) const
{
    const WalkProject &p = projects_.at(project);
    return {DeviceRequest::Kind::Files, p.name + QLatin1Char('/') + p.points.at(point).name, page};
}

int DirectoryWalk::nextProjectWithPoints(int from) const
{
    for (int i = from; i < projects_.size(); ++i)
        if (!projects_.at(i).points.isEmpty())
            return i;
    return -1;
}

WalkStep DirectoryWalk::complete()
{
    phase_ = Phase::Idle;
    WalkStep step;
    step.outcome = WalkStep::Outcome::Complete;
    return step;
}

WalkStep DirectoryWalk::startFileStage()
{
    const int first = nextProjectWithPoints(0);
    if (first < 0)
        return complete();
    phase_ = Phase::Files;
    projectIndex_ = first;
    positionIndex_ = 0;
    WalkStep step;
    step.outcome = WalkStep::Outcome::Request;
    step.request = filesRequest(projectIndex_, 0, 0);
    return step;
}

WalkStep DirectoryWalk::onProjectPage(quint8 page, const QStringList &names)
{
    if (phase_ != Phase::Projects)
        return {};

    WalkStep step;
    step.project = -1;
    step.firstAdded = projects_.size();
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        projects_.append({name, {}});
        ++step.added;
    }

    if (page != kLastListPage) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = {DeviceRequest::Kind::Projects, QString(), page};
        return step;
    }
    if (projects_.isEmpty()) {
        WalkStep done = complete();
        done.firstAdded = step.firstAdded;
        return done;
    }
    phase_ = Phase::Positions;
    projectIndex_ = 0;
    step.outcome = WalkStep::Outcome::Request;
    step.request = positionsRequest(0, 0);
    return step;
}

WalkStep DirectoryWalk::onPositionPage(quint8 page, const QVector<WalkPoint> &points)
{
    if (phase_ != Phase::Positions)
        return {};

    WalkStep step;
    step.project = projectIndex_;
    QVector<WalkPoint> &target = projects_[projectIndex_].points;
    step.firstAdded = target.size();
    for (const WalkPoint &point : points) {
        if (point.name.isEmpty() && !point.hasPipe)
            continue; // name lists skip empty names; a whole pipe record is always a point
        target.append(point);
        target.last().files.clear();
        ++step.added;
    }

    if (page != kLastListPage) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = positionsRequest(projectIndex_, page);
        return step;
    }
    ++projectIndex_;
    if (projectIndex_ < projects_.size()) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = positionsRequest(projectIndex_, 0);
        return step;
    }
    WalkStep next = startFileStage();
    next.project = step.project;
    next.firstAdded = step.firstAdded;
    next.added = step.added;
    return next;
}

WalkStep DirectoryWalk::onFilePage(quint8 page, const QVector<WalkFile> &files)
{
    if (phase_ != Phase::Files)
        return {};

    WalkStep step;
    step.project = projectIndex_;
    step.point = positionIndex_;
    QVector<WalkFile> &target = projects_[projectIndex_].points[positionIndex_].files;
    step.firstAdded = target.size();
    for (const WalkFile &file : files) {
        if (file.name.isEmpty())
            continue;
        // Monthly files of group RVB carry the data-file extension; anything else the device
        // lists beside them is not a record file.
        if (family_ == Family::Rvb && !file.name.endsWith(QLatin1String(".lmv")))
            continue;
        target.append(file);
        ++step.added;
    }

    if (page != kLastListPage) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = filesRequest(projectIndex_, positionIndex_, page);
        return step;
    }
    ++positionIndex_;
    if (positionIndex_ < projects_.at(projectIndex_).points.size()) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = filesRequest(projectIndex_, positionIndex_, 0);
        return step;
    }
    const int next = nextProjectWithPoints(projectIndex_ + 1);
    if (next < 0) {
        WalkStep done = complete();
        done.project = step.project;
        done.point = step.point;
        done.firstAdded = step.firstAdded;
        done.added = step.added;
        return done;
    }
    projectIndex_ = next;
    positionIndex_ = 0;
    step.outcome = WalkStep::Outcome::Request;
    step.request = filesRequest(projectIndex_, 0, 0);
    return step;
}

} // namespace lmv
