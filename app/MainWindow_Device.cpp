#include "app/MainWindow.h"

#include "app/TreeCheck.h"
#include "data/CacheDir.h"
#include "data/DataFile.h"
#include "data/Statistics.h"
#include "device/core/DownloadDays.h"
#include "device/core/ReplyDecoders.h"
#include "device/core/SafeName.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

using lmv::DeviceRequest;
using lmv::LinkStage;
using lmv::LinkStep;
using lmv::ReplyKind;
using lmv::WalkStep;

namespace {

bool isRva(const lmv::DeviceInfo &info)
{
    return info.typeCode == lmv::kTypeCodeRva;
}

// The tree shows the stored shape as a signed number; -1 goes back as 0xFFFFFFFF, an unknown shape,
// not as 0 (a circle).
quint32 shapeOfText(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? quint32(value) : text.toUInt();
}

lmv::PipeSaveIntoTfType pointRecordOf(const QTreeWidgetItem *point)
{
    const QTreeWidgetItem *project = point ? point->parent() : nullptr;
    if (!project)
        return {};
    return lmv::makePointRecord(
        project->text(UsbPrjWindow::NameColumn), point->text(UsbPrjWindow::NameColumn),
        shapeOfText(point->text(UsbPrjWindow::ShapeColumn)), point->text(UsbPrjWindow::HColumn).toUInt(),
        point->text(UsbPrjWindow::WColumn).toUInt(), point->text(UsbPrjWindow::TColumn).toUInt(),
        point->text(UsbPrjWindow::YColumn).toUInt());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Connections

void MainWindow::connectDeviceLink()
{
    UsbTimer = new QTimer(this);
    linkClock.start();
    offerPort(lastConnectedPort());
    connect(UsbTimer, &QTimer::timeout, this, &MainWindow::on_UsbTimer_Timeout);
    connect(usb_open_button, &QPushButton::toggled, this, &MainWindow::on_usb_open_toggled);
    connect(UsbPrjTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item, int) { once_UsbTreeItemClicked(item); });

    SerialThread *worker = &serial_thread;
    connect(this, &MainWindow::UsbPortOpen, worker, &SerialThread::Once_UsbPortOpen);
    connect(this, &MainWindow::UsbReadDevInfo, worker, &SerialThread::Once_UsbReadDevInfo);
    connect(this, &MainWindow::RVA_UsbPortReadPrj, worker, &SerialThread::Once_RVA_UserReadPrj);
    connect(this, &MainWindow::RVA_UsbPortReadPos, worker, &SerialThread::Once_RVA_UserReadPos);
    connect(this, &MainWindow::RVA_UsbPortReadFile, worker, &SerialThread::Once_RVA_UserReadFile);
    connect(this, &MainWindow::RVA_ReadUsbPortRecordData, worker,
            &SerialThread::on_RVA_ReadUsbPortRecordData);
    connect(this, &MainWindow::RVA_TerminateReading, worker, &SerialThread::on_RVA_TerminateReading);
    connect(this, &MainWindow::RVB_UsbPortReadPrj, worker, &SerialThread::Once_RVB_UserReadPrj);
    connect(this, &MainWindow::RVB_UsbPortReadPos, worker, &SerialThread::Once_RVB_UserReadPos);
    connect(this, &MainWindow::RVB_UsbPortReadFile, worker, &SerialThread::Once_RVB_UserReadFile);
    connect(this, &MainWindow::RVB_ReadUsbPortRecordNode, worker,
            &SerialThread::on_RVB_ReadUsbPortRecordNode);
    connect(this, &MainWindow::RVB_ReadUsbPortRecordData, worker,
            &SerialThread::on_RVB_ReadUsbPortRecordData);
    connect(this, &MainWindow::RVB_TerminateReading, worker, &SerialThread::on_RVB_TerminateReading);

    connect(worker, &SerialThread::SendDevInfo, this, &MainWindow::Once_DevInfoRecieved);
    connect(worker, &SerialThread::UsbDisconnect, this, &MainWindow::Once_UsbDisconnect);
    connect(worker, &SerialThread::RVA_SendPrjName, this, &MainWindow::Once_RVA_PrjNameRecieved);
    connect(worker, &SerialThread::RVA_SendPosName, this, &MainWindow::Once_RVA_PosNameRecieved);
    connect(worker, &SerialThread::RVA_SendFileName, this, &MainWindow::Once_RVA_FileNameRecieved);
    connect(worker, &SerialThread::RVA_SendDataRecord, this, &MainWindow::Once_RVA_DataRecordRecieved);
    connect(worker, &SerialThread::RVB_SendPrjName, this, &MainWindow::Once_RVB_PrjNameRecieved);
    connect(worker, &SerialThread::RVB_SendPosName, this, &MainWindow::Once_RVB_PosNameRecieved);
    connect(worker, &SerialThread::RVB_SendFileName, this, &MainWindow::Once_RVB_FileNameRecieved);
    connect(worker, &SerialThread::RVB_SendNodeRecord, this, &MainWindow::Once_RVB_DataNodeRecieved);
    connect(worker, &SerialThread::RVB_SendDataRecord, this, &MainWindow::Once_RVB_DataRecordRecieved);

    // Bytes arriving come before the replies they complete: a reply read before a request went
    // out cannot answer it.
    connect(worker, &SerialThread::SendProgress, this, [this] { linkSession.onBytes(linkClock.elapsed()); });
    // Every progress report keeps an arriving answer from timing out.
    connect(worker, &SerialThread::SendProgress, &read_progress, &ReadDevProgress::RefreshProgressBar);
    read_progress.setProgressHook([this] { restartTimerKeepCount(); });
    connect(&read_progress, &ReadDevProgress::ProgressTerminate, this, &MainWindow::on_ProgressTerminate);
    connect(&calendar_box, &CalendarBox::CalendarBoxIsClicked, this, &MainWindow::OnceCalendarBoxIsClicked);
}

// ---------------------------------------------------------------------------------------------
// Reply timer, requests and what the link session says

void MainWindow::restartTimer()
{
    UsbTimer->start(usbTimerInterval);
}

void MainWindow::restartTimerKeepCount()
{
    // Bytes arriving extend a wait that is running; they never start one (a late reply after the
    // walk or a download would otherwise wake the window every period for nothing).
    if (UsbTimer->isActive())
        UsbTimer->start(usbTimerInterval);
}

void MainWindow::stopTimer()
{
    UsbTimer->stop();
}

void MainWindow::sendDeviceRequest(const DeviceRequest &r)
{
    const bool rva = isRva(device_info);
    switch (r.kind) {
    case DeviceRequest::Kind::None:
        return;
    case DeviceRequest::Kind::DeviceInfo:
        emit UsbReadDevInfo();
        return;
    case DeviceRequest::Kind::Projects:
        rva ? emit RVA_UsbPortReadPrj(r.page) : emit RVB_UsbPortReadPrj(r.page);
        return;
    case DeviceRequest::Kind::Positions:
        rva ? emit RVA_UsbPortReadPos(r.path, r.page) : emit RVB_UsbPortReadPos(r.path, r.page);
        return;
    case DeviceRequest::Kind::Files:
        rva ? emit RVA_UsbPortReadFile(r.path, r.page) : emit RVB_UsbPortReadFile(r.path, r.page);
        return;
    case DeviceRequest::Kind::RvaRecordData:
        emit RVA_ReadUsbPortRecordData(r.path, r.page);
        return;
    case DeviceRequest::Kind::RvbRecordNode:
        emit RVB_ReadUsbPortRecordNode(r.path);
        return;
    case DeviceRequest::Kind::RvbRecordData:
        emit RVB_ReadUsbPortRecordData(r.path, r.page, r.rangeStart, r.rangeEnd);
        return;
    case DeviceRequest::Kind::StopReading:
        rva ? emit RVA_TerminateReading() : emit RVB_TerminateReading();
        return;
    }
}

void MainWindow::applyLinkStep(const LinkStep &step)
{
    switch (step.event) {
    case LinkStep::Event::None:
        break;
    case LinkStep::Event::DeviceInfo:
        onDeviceInfoTaken(step.info);
        break;
    case LinkStep::Event::Entries:
        addWalkEntries(step.walk);
        break;
    case LinkStep::Event::WalkComplete:
        addWalkEntries(step.walk);
        resetDirectoryProgress();
        setEnabled(true);
        break;
    case LinkStep::Event::DataPage:
        // Storing the page answers the session, which then asks for the next one.
        if (linkSession.family() == lmv::Family::Rva)
            storeRvaPage(step);
        else
            storeRvbPage(step);
        break;
    case LinkStep::Event::NodeTable:
        showNodeTable(step.nodes);
        break;
    case LinkStep::Event::StopSettled:
        setEnabled(true);
        break;
    case LinkStep::Event::GiveUp:
        stopTimer();
        setEnabled(true);
        if (usb_open_button->isChecked())
            usb_open_button->setChecked(false); // runs the disconnect, without a message
        else
            on_usb_open_toggled(false);
        return;
    }
    for (const DeviceRequest &r : step.send)
        sendDeviceRequest(r);
    if (step.timer == LinkStep::Timer::Restart)
        restartTimer();
    else if (step.timer == LinkStep::Timer::Stop)
        stopTimer();
}

void MainWindow::feedReply(ReplyKind kind, const QByteArray &content)
{
    if (!usb_open_button->isChecked())
        return;
    applyLinkStep(linkSession.onReply(kind, content, linkClock.elapsed()));
}

void MainWindow::on_UsbTimer_Timeout()
{
    applyLinkStep(linkSession.onTimer(linkClock.elapsed()));
}

void MainWindow::stepDirectoryProgress()
{
    int value = status_progress->value() + 10;
    if (value > status_progress->maximum())
        value = 0;
    status_progress->setValue(value);
    status_label->setText(QStringLiteral("正在读取目录..."));
}

void MainWindow::resetDirectoryProgress()
{
    status_progress->setValue(0);
    status_label->setText(QString());
}

// ---------------------------------------------------------------------------------------------
// Connect, device information, disconnect

void MainWindow::on_usb_open_toggled(bool check)
{
    if (!check) {
        stopDownloadOnLogger();
        showUsbPortDisconnected();
        UsbPrjTree->clear();
        placeDevSpacerOnce();
        if (serial_thread.isRunning() || serial_thread.isPortOpen())
            serial_thread.stopAndWait();
        save_lmv_action->setEnabled(true);
        save_txt_action->setEnabled(true);
        save_csv_action->setEnabled(true);
        select_all_action->setEnabled(true);
        id_modify_action->setEnabled(false);
        clearDeviceCache();
        resetDirectoryProgress();
        abandonSaveQueue();
        // Whatever was running ends with the link: no dialog stays open, no window disabled.
        endDeviceLink();
        setEnabled(true);
        if (!linkLostNotice)
            reportSaveFailures();
        return;
    }

    showUsbPortConnecting();
    selectedBaudRate = chosenBaudRate();
    selectedPortName = scanPorts();
    if (serial_thread.isRunning())
        serial_thread.stopAndWait();
    serial_thread.start(QThread::InheritPriority);
    device_info = lmv::DeviceInfo();
    linkSession.setPeriod(usbTimerInterval);
    const LinkStep step = linkSession.open(linkClock.elapsed());
    emit UsbPortOpen(selectedBaudRate, selectedPortName);
    applyLinkStep(step);
    setEnabled(false);
}

void MainWindow::Once_DevInfoRecieved(QByteArray array)
{
    feedReply(ReplyKind::DeviceInfo, array);
}

void MainWindow::onDeviceInfoTaken(const lmv::DeviceInfo &info)
{
    device_info = info;
    // A logger answered on this port: the next start offers it first.
    rememberConnectedPort(selectedPortName);
    showDeviceInfo(device_info);
    const bool rva = isRva(device_info);
    save_lmv_action->setEnabled(rva);
    save_txt_action->setEnabled(rva);
    save_csv_action->setEnabled(rva);
    select_all_action->setEnabled(rva);
    id_modify_action->setEnabled(false);

    UsbPrjTree->clear();
    clearDeviceCache();
    prepareDeviceViews();
}

void MainWindow::prepareDeviceViews()
{
    const bool rva = isRva(device_info);
    QWidget *rvaView = RVA_UsbRecordWindow::root;
    QWidget *rvbView = RVB_UsbRecordWindow::root;
    if (rva)
        RVA_UsbRecordWindow::clearRvaWindow();
    else {
        RVB_UsbRecordWindow::clearRvbWindow();
        fillRvbHeaders(device_info.modelCode(), RVB_UsbRecordWindow::UnitModel,
                       RVB_UsbRecordWindow::RecordTable, RVB_UsbRecordWindow::SumTable);
    }
    if (rvaView)
        rvaView->setVisible(rva);
    if (rvbView)
        rvbView->setVisible(!rva);

    // The device side shows the tree and the record view instead of the spacer.
    while (dev_layout->indexOf(dev_spacer) >= 0)
        dev_layout->removeItem(dev_spacer);
    if (dev_layout->indexOf(usb_splitter) < 0)
        dev_layout->addWidget(usb_splitter);
    usb_splitter->show();
    const int shown = qMax(0, width() - 385);
    usb_splitter->setSizes(rva ? QList<int>{300, shown, 0} : QList<int>{300, 0, shown});
    UsbPrjTree->setColumnWidth(UsbPrjWindow::NameColumn, usb_prj_panel->width());
}

void MainWindow::Once_UsbDisconnect()
{
    const bool wasConnected = usb_open_button->isChecked();
    linkLostNotice = true;
    if (wasConnected)
        usb_open_button->setChecked(false);
    linkLostNotice = false;
    setEnabled(true);
    if (wasConnected)
        QMessageBox::warning(this, QStringLiteral("连接已断开"), QStringLiteral("连接已断开！"));
    reportSaveFailures();
}

void MainWindow::stopDownloadOnLogger()
{
    const DeviceRequest stop = linkSession.stopRequest();
    if (stop.kind != DeviceRequest::Kind::None && serial_thread.isPortOpen())
        sendDeviceRequest(stop);
}

void MainWindow::endDeviceLink()
{
    stopDownloadOnLogger();
    stopTimer();
    linkSession.close();
    downloadJobs.clear();
    if (serial_thread.isRunning() || serial_thread.isPortOpen())
        serial_thread.stopAndWait();
    read_progress.finish();
    copy_progress.finishCopy();
    calendar_box.close();
}

void MainWindow::abandonSaveQueue()
{
    if (downloadMode != 0 || downloadJobs.isEmpty())
        return;
    for (const lmv::DownloadJob &job : std::as_const(downloadJobs))
        if (!job.destination.isEmpty())
            saveFailures.add(job.destination, QStringLiteral("连接已断开,未下载"));
    downloadJobs.clear();
    copy_progress.finishCopy();
}

// ---------------------------------------------------------------------------------------------
// Directory walk

void MainWindow::addWalkEntries(const WalkStep &step)
{
    const QVector<lmv::WalkProject> &projects = linkSession.walk().projects();
    for (int i = step.firstAdded; i < step.firstAdded + step.added; ++i) {
        if (step.project < 0) {
            UsbPrjTree->addTopLevelItem(newDeviceItem(projects.at(i).name));
        } else if (step.point < 0) {
            const lmv::WalkPoint &p = projects.at(step.project).points.at(i);
            QTreeWidgetItem *item = newDeviceItem(p.name);
            if (p.hasPipe) {
                item->setText(ShapeColumn, QString::number(p.pipeShape));
                item->setText(HColumn, QString::number(p.heightOrDiameter));
                item->setText(WColumn, QString::number(p.widthOrLowerBase));
                item->setText(TColumn, QString::number(p.upperBase));
                item->setText(YColumn, QString::number(p.sediment));
            }
            if (QTreeWidgetItem *parent = UsbPrjTree->topLevelItem(step.project))
                parent->addChild(item);
            else
                delete item;
        } else {
            const lmv::WalkFile &f = projects.at(step.project).points.at(step.point).files.at(i);
            QTreeWidgetItem *item = newDeviceItem(f.name);
            item->setText(SizeColumn, QString::number(f.size));
            QTreeWidgetItem *project = UsbPrjTree->topLevelItem(step.project);
            QTreeWidgetItem *point = project ? project->child(step.point) : nullptr;
            if (point)
                point->addChild(item);
            else
                delete item;
        }
    }
    stepDirectoryProgress();
}

void MainWindow::Once_RVA_PrjNameRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvaProjectNames, array);
}

void MainWindow::Once_RVB_PrjNameRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvbProjectNames, array);
}

void MainWindow::Once_RVA_PosNameRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvaPositionRecords, array);
}

void MainWindow::Once_RVB_PosNameRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvbPositionNames, array);
}

void MainWindow::Once_RVA_FileNameRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvaFileNames, array);
}

void MainWindow::Once_RVB_FileNameRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvbFileNames, array);
}

// ---------------------------------------------------------------------------------------------
// Tree clicks

void MainWindow::once_UsbTreeItemClicked(QTreeWidgetItem *item)
{
    if (!item || item->treeWidget() != UsbPrjTree)
        return;
    if (isRva(device_info))
        propagateCheck(item);

    const int level = deviceItemLevel(item);
    if (level < 2) {
        showDeviceEntrySummary(item);
        return;
    }
    // A file click starts nothing while the walk or a download is still running.
    if (!linkSession.startsFile())
        return;
    if (isRva(device_info))
        startRvaView(item);
    else if (device_info.typeCode == lmv::kTypeCodeRvb)
        startRvbNodeRequest(item);
}

void MainWindow::showDeviceEntrySummary(QTreeWidgetItem *item)
{
    const bool rva = isRva(device_info);
    QTableWidget *info = rva ? RVA_UsbRecordWindow::InfoTable : RVB_UsbRecordWindow::InfoTable;
    if (!info)
        return;
    if (deviceItemLevel(item) == 0) {
        // A project has no pipe: only its name is shown.
        for (int row = 0; row < info->rowCount(); ++row)
            setCellText(info, row, 1, QString());
        setCellText(info, 0, 1, item->text(NameColumn));
        return;
    }
    fillInfo(info, pointRecordOf(item), device_info, QString());
}

lmv::DownloadJob MainWindow::jobForFileItem(QTreeWidgetItem *file, const QString &destination) const
{
    QTreeWidgetItem *point = file ? file->parent() : nullptr;
    QTreeWidgetItem *project = point ? point->parent() : nullptr;
    if (!project)
        return {};
    return lmv::DownloadJob::forFile(project->text(NameColumn), point->text(NameColumn),
                                     file->text(NameColumn), file, destination);
}

lmv::DeviceFileRef MainWindow::fileRefOf(const lmv::DownloadJob &job) const
{
    return {job.devicePath, job.project, job.point};
}

lmv::CacheLocation MainWindow::cacheLocationOf(const lmv::DownloadJob &job) const
{
    // The cache location makes the device names safe as path components; requests keep them as is.
    return {deviceCacheRoot(), job.project, job.point, job.fileName};
}

bool MainWindow::headJobIsFile() const
{
    return !downloadJobs.isEmpty() && downloadJobs.first().treeItem &&
           downloadJobs.first().treeItem->treeWidget() == UsbPrjTree &&
           deviceItemLevel(downloadJobs.first().treeItem) == 2;
}

// ---------------------------------------------------------------------------------------------
// Group RVA download

void MainWindow::startRvaView(QTreeWidgetItem *file)
{
    const QString cached = file->text(CacheColumn);
    if (!cached.isEmpty()) {
        setEnabled(false);
        showCachedRvaFile(cached);
        setEnabled(true);
        return;
    }
    showDeviceEntrySummary(file->parent());
    downloadJobs.clear();
    downloadJobs.append(jobForFileItem(file));
    startHeadDownload(1);
}

bool MainWindow::startHeadDownload(quint8 mode)
{
    if (!isRva(device_info) || !headJobIsFile() || !linkSession.startsFile())
        return false;
    const lmv::DownloadJob &job = downloadJobs.first();
    setEnabled(false);
    downloadMode = mode;
    applyLinkStep(linkSession.requestFile(fileRefOf(job), linkClock.elapsed()));
    if (mode == 1)
        read_progress.start(lmv::Family::Rva, job.treeItem->text(SizeColumn).toUInt());
    return true;
}

void MainWindow::reportPageDone()
{
    if (downloadMode == 1)
        read_progress.pageDone();
    else
        copy_progress.pageDone();
}

void MainWindow::Once_RVA_DataRecordRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvaRecordData, array);
}

void MainWindow::storeRvaPage(const LinkStep &step)
{
    const qint64 now = linkClock.elapsed();
    if (!headJobIsFile()) {
        applyLinkStep(linkSession.pageStored(false, now));
        return;
    }
    const lmv::DownloadJob job = downloadJobs.first();
    QString cachePath;
    bool ok = lmv::writeCachePacket(cacheLocationOf(job), step.data, step.pageByte, device_info,
                                    &cachePath) == lmv::CacheOk;
    if (ok && !step.lastPage) {
        reportPageDone();
        applyLinkStep(linkSession.pageStored(true, now));
        return;
    }
    ok = ok && lmv::finishRvaFile(cachePath, pointRecordOf(job.treeItem->parent())) == lmv::CacheOk;
    applyLinkStep(linkSession.pageStored(ok, now));
    if (!ok)
        return; // the timer asks again
    // Only a complete, finished file is marked as cached.
    job.treeItem->setText(CacheColumn, cachePath);
    if (downloadMode == 1) {
        showCachedRvaFile(cachePath);
        read_progress.finish();
        setEnabled(true);
    } else {
        emit deviceFileArrived(cachePath);
    }
}

void MainWindow::showCachedRvaFile(const QString &path)
{
    lmv::DataFileContents contents;
    RVA_UsbRecordWindow::clearRvaWindow();
    if (lmv::readDataFile(path, contents) != lmv::ReadOk)
        return;
    RVA_UsbRecordWindow::showRvaFile(contents.header, std::move(contents.rva), lmv::refreshUnitFactors());
}

void MainWindow::showCachedRvbFile(const QString &path)
{
    lmv::DataFileContents contents;
    RVB_UsbRecordWindow::clearRvbWindow();
    if (lmv::readDataFile(path, contents) != lmv::ReadOk)
        return;
    RVB_UsbRecordWindow::showRvbFile(contents.header, std::move(contents.rvb));
}

// ---------------------------------------------------------------------------------------------
// Group RVB: node table, calendar, day download

void MainWindow::startRvbNodeRequest(QTreeWidgetItem *file)
{
    downloadJobs.clear();
    downloadJobs.append(jobForFileItem(file));
    downloadMode = 1;
    applyLinkStep(linkSession.requestNodeTable(fileRefOf(downloadJobs.first()), linkClock.elapsed()));
}

void MainWindow::Once_RVB_DataNodeRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvbNodeTable, array);
}

void MainWindow::showNodeTable(const lmv::NodeTable &table)
{
    if (!headJobIsFile())
        return;
    dayNodes = table.dayNodes;
    const QString name = downloadJobs.first().fileName;
    openCalendar(lmv::yearOfMonthlyFile(name), lmv::monthOfMonthlyFile(name), table.firstDay(),
                 table.lastDay());
}

void MainWindow::openCalendar(int year, int month, int firstDay, int lastDay)
{
    if (!calendar_box.showMonthRange(year, month, firstDay, lastDay)) {
        // No day of this month holds records (or the name gives no month): nothing to pick.
        QMessageBox::warning(this, QStringLiteral("读取记录"), QStringLiteral("本月没有任何一天的记录"));
        return;
    }
    QList<int> days;
    for (int d = 1; d <= int(dayNodes.size()); ++d)
        if (dayNodes[std::size_t(d - 1)] != 0)
            days.append(d);
    calendar_box.markRecordDays(days);
}

QString MainWindow::dayFilePath(int day) const
{
    if (downloadJobs.isEmpty())
        return QString();
    return cacheLocationOf(downloadJobs.first()).dayFilePath(day);
}

void MainWindow::warnNoRecords()
{
    QMessageBox::warning(this, QStringLiteral("读取记录"), QStringLiteral("无记录"));
}

void MainWindow::OnceCalendarBoxIsClicked(QDate date)
{
    if (device_info.typeCode != lmv::kTypeCodeRvb || !headJobIsFile())
        return;
    const LinkStage stage = linkSession.stage();
    if (stage != LinkStage::Calendar && stage != LinkStage::Idle)
        return;
    const int d = date.day();
    const QString path = dayFilePath(d);
    calendar_box.close();
    RVB_UsbRecordWindow::clearRvbWindow();

    if (QFile file(path); file.open(QIODevice::ReadOnly)) {
        file.close();
        setEnabled(false);
        showCachedRvbFile(path);
        setEnabled(true);
        return;
    }
    rangeStart = rangeEnd = 0;
    const lmv::DayRange range =
        lmv::dayRange(dayNodes, d, downloadJobs.first().treeItem->text(SizeColumn).toUInt());
    if (!range.valid()) {
        warnNoRecords();
        return;
    }
    dayNumber = quint8(d);
    rangeStart = range.start;
    rangeEnd = range.end;
    setEnabled(false);
    downloadMode = 1;
    applyLinkStep(
        linkSession.requestDay(fileRefOf(downloadJobs.first()), rangeStart, rangeEnd, linkClock.elapsed()));
    read_progress.start(lmv::Family::Rvb, rangeEnd - rangeStart + quint32(lmv::kHeaderSize));
}

void MainWindow::Once_RVB_DataRecordRecieved(QByteArray array)
{
    feedReply(ReplyKind::RvbRecordData, array);
}

void MainWindow::storeRvbPage(const LinkStep &step)
{
    const qint64 now = linkClock.elapsed();
    QString dayPath;
    const bool ok =
        headJobIsFile() && lmv::writeCachePacketRvb(cacheLocationOf(downloadJobs.first()), step.data,
                                                    step.pageByte, dayNumber, &dayPath) == lmv::CacheOk;
    if (ok && !step.lastPage)
        reportPageDone();
    applyLinkStep(linkSession.pageStored(ok, now));
    if (!ok || !step.lastPage)
        return;
    if (downloadMode == 1) {
        showCachedRvbFile(dayPath);
        read_progress.finish();
        setEnabled(true);
    }
}

// ---------------------------------------------------------------------------------------------
// Stopping a download

void MainWindow::on_ProgressTerminate()
{
    read_progress.on_ProgressTerminate();
    if (!linkSession.downloading())
        return;
    // "Stop reading", then a barrier; the next timer expiry settles the stop and enables the window.
    applyLinkStep(linkSession.stop(linkClock.elapsed()));
}
