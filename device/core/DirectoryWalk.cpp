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
    stage_ = LinkStage::Projects;
    projectPage_ = 0;
    return send({DeviceRequest::Kind::Projects, QString(), 0});
}

DeviceRequest DirectoryWalk::send(DeviceRequest request)
{
    outstanding_ = request;
    retryCount_ = 0;
    return request;
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
    stage_ = LinkStage::Idle;
    outstanding_ = DeviceRequest();
    retryCount_ = 0;
    WalkStep step;
    step.outcome = WalkStep::Outcome::Complete;
    return step;
}

WalkStep DirectoryWalk::startFileStage()
{
    const int first = nextProjectWithPoints(0);
    if (first < 0)
        return complete();
    stage_ = LinkStage::Files;
    projectIndex_ = first;
    positionIndex_ = 0;
    filePage_ = 0;
    WalkStep step;
    step.outcome = WalkStep::Outcome::Request;
    step.request = send(filesRequest(projectIndex_, 0, 0));
    return step;
}

WalkStep DirectoryWalk::onProjectPage(quint8 page, const QStringList &names)
{
    // A reply outside the project stage, or one whose next page is the page just asked for, is a
    // second answer to an earlier request.
    if (stage_ != LinkStage::Projects || page == projectPage_)
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
        projectPage_ = page;
        step.outcome = WalkStep::Outcome::Request;
        step.request = send({DeviceRequest::Kind::Projects, QString(), page});
        return step;
    }
    if (projects_.isEmpty()) {
        WalkStep done = complete();
        done.firstAdded = step.firstAdded;
        return done;
    }
    stage_ = LinkStage::Positions;
    positionPage_ = 0;
    projectIndex_ = 0;
    step.outcome = WalkStep::Outcome::Request;
    step.request = send(positionsRequest(0, 0));
    return step;
}

WalkStep DirectoryWalk::onPositionPage(quint8 page, const QVector<WalkPoint> &points)
{
    if (stage_ != LinkStage::Positions || page == positionPage_)
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
        positionPage_ = page;
        step.outcome = WalkStep::Outcome::Request;
        step.request = send(positionsRequest(projectIndex_, page));
        return step;
    }
    positionPage_ = 0;
    ++projectIndex_;
    if (projectIndex_ < projects_.size()) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = send(positionsRequest(projectIndex_, 0));
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
    if (stage_ != LinkStage::Files || page == filePage_)
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
        filePage_ = page;
        step.outcome = WalkStep::Outcome::Request;
        step.request = send(filesRequest(projectIndex_, positionIndex_, page));
        return step;
    }
    filePage_ = 0;
    ++positionIndex_;
    if (positionIndex_ < projects_.at(projectIndex_).points.size()) {
        step.outcome = WalkStep::Outcome::Request;
        step.request = send(filesRequest(projectIndex_, positionIndex_, 0));
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
    step.request = send(filesRequest(projectIndex_, 0, 0));
    return step;
}

TimerStep DirectoryWalk::onTimerExpiry()
{
    TimerStep step;
    switch (stage_) {
    case LinkStage::DeviceInfo:
        // The device information request is not repeated; the attempt ends at the second expiry.
        ++retryCount_;
        if (retryCount_ >= kDeviceInfoExpiries)
            step.action = TimerStep::Action::GiveUp;
        return step;
    case LinkStage::Projects:
    case LinkStage::Positions:
    case LinkStage::Files:
    case LinkStage::Node:
        ++retryCount_;
        if (retryCount_ < kMaxSends) {
            step.action = TimerStep::Action::Repeat;
            step.request = outstanding_;
            step.counted = true;
        } else {
            step.action = TimerStep::Action::GiveUp;
        }
        return step;
    case LinkStage::Data:
        // Record data is repeated without limit; the user can stop the download.
        step.action = TimerStep::Action::Repeat;
        step.request = outstanding_;
        return step;
    case LinkStage::Stopping:
        stage_ = LinkStage::Idle;
        outstanding_ = DeviceRequest();
        retryCount_ = 0;
        step.action = TimerStep::Action::StopAndEnable;
        return step;
    case LinkStage::Idle:
    case LinkStage::Calendar:
        return step;
    }
    return step;
}

DeviceRequest DirectoryWalk::beginRvaDownload(const QString &devicePath)
{
    stage_ = LinkStage::Data;
    dataPage_ = 0;
    dataStep_ = 0;
    return send({DeviceRequest::Kind::RvaRecordData, devicePath, 0});
}

DeviceRequest DirectoryWalk::beginNodeRequest(const QString &devicePath)
{
    stage_ = LinkStage::Node;
    return send({DeviceRequest::Kind::RvbRecordNode, devicePath, 0});
}

bool DirectoryWalk::acceptNodeTable(quint8 page)
{
    if (stage_ != LinkStage::Node || page != kLastListPage)
        return false;
    stage_ = LinkStage::Calendar;
    outstanding_ = DeviceRequest();
    retryCount_ = 0;
    return true;
}

DeviceRequest DirectoryWalk::beginRvbDay(const QString &devicePath, quint32 rangeStart, quint32 rangeEnd)
{
    stage_ = LinkStage::Data;
    dataPage_ = 0;
    dataStep_ = 0;
    return send({DeviceRequest::Kind::RvbRecordData, devicePath, 0, rangeStart, rangeEnd});
}

DirectoryWalk::DataVerdict DirectoryWalk::classifyDataPage(quint8 page) const
{
    if (stage_ != LinkStage::Data)
        return DataVerdict::Drop;
    const bool firstPage = page == 1 || page == kOnlyDataPage;
    if (dataPage_ == 0 && !firstPage)
        return DataVerdict::Drop;
    if (dataPage_ != 0 && firstPage)
        return DataVerdict::Drop;
    if (page == kLastDataPage || page == kOnlyDataPage)
        return DataVerdict::LastPage;
    return DataVerdict::NextPage;
}

DeviceRequest DirectoryWalk::nextDataRequest(quint8 page)
{
    dataPage_ = page;
    ++dataStep_;
    DeviceRequest request = outstanding_;
    request.page = page;
    return send(request);
}

void DirectoryWalk::restartDataFromFirstPage()
{
    dataPage_ = 0;
    dataStep_ = 0;
    outstanding_.page = 0;
}

void DirectoryWalk::finishDownload()
{
    stage_ = LinkStage::Idle;
    outstanding_ = DeviceRequest();
    retryCount_ = 0;
}

void DirectoryWalk::stopDownload()
{
    stage_ = LinkStage::Stopping;
    retryCount_ = 0;
}

int DirectoryWalk::requestStage() const
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
