#include "app/MainWindow.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/TreeCheck.h"
#include "data/StoreFiles.h"

namespace {

// Copies the check states and texts of a three-level tree into plain values. Column 1 is the
// size (device tree) or the path part (local tree); column 7 of a file is the device cache path.
lmv::StoreTree storeTreeOf(const QTreeWidget *tree)
{
    lmv::StoreTree result;
    for (int p = 0; p < tree->topLevelItemCount(); ++p) {
        const QTreeWidgetItem *projectItem = tree->topLevelItem(p);
        lmv::StoreProjectNode project;
        project.name = projectItem->text(0);
        project.checkState = checkStateOf(projectItem);
        project.column1 = projectItem->text(1);
        for (int q = 0; q < projectItem->childCount(); ++q) {
            const QTreeWidgetItem *pointItem = projectItem->child(q);
            lmv::StorePointNode point;
            point.name = pointItem->text(0);
            point.checkState = checkStateOf(pointItem);
            point.column1 = pointItem->text(1);
            for (int f = 0; f < pointItem->childCount(); ++f) {
                const QTreeWidgetItem *fileItem = pointItem->child(f);
                lmv::StoreFileNode file;
                file.name = fileItem->text(0);
                file.checkState = checkStateOf(fileItem);
                file.column1 = fileItem->text(1);
                file.cachePath = fileItem->text(UsbPrjWindow::CacheColumn);
                point.files << file;
            }
            project.points << point;
        }
        result << project;
    }
    return result;
}

QTreeWidgetItem *treeItemOf(QTreeWidget *tree, const lmv::PlannedSave &save)
{
    QTreeWidgetItem *project = tree->topLevelItem(save.project);
    QTreeWidgetItem *point = project ? project->child(save.point) : nullptr;
    return point ? point->child(save.file) : nullptr;
}

// Size column of a device tree file item as a number (0 when it is not a number).
quint32 listedSize(const QTreeWidgetItem *item)
{
    return item ? item->text(UsbPrjWindow::SizeColumn).toUInt() : 0u;
}

} // namespace

void MainWindow::connectSaving()
{
    // The record download announces each queued file once it is complete in the cache.
    connect(this, &MainWindow::deviceFileArrived, this, [this](const QString &cachePath) {
        if (downloadMode == 0 && !downloadJobs.isEmpty())
            storeArrivedFile(downloadJobs.first(), cachePath);
    });
    connect(&serial_thread, &SerialThread::SendProgress, &copy_progress,
            &CopyDevProgress::RefreshProgressBar);
    connect(&copy_progress, &CopyDevProgress::ProgressTerminate, &copy_progress,
            &CopyDevProgress::on_ProgressTerminate);
    connect(&copy_progress, &CopyDevProgress::ProgressTerminate, this, &MainWindow::on_ProgressTerminate);
    // Progress of a page keeps its reply from timing out.
    connect(&copy_progress, &CopyDevProgress::TransferAlive, this, [this] { restartTimerKeepCount(); });
    // After a stop the jobs still queued are not stored; say which ones once the question is gone.
    connect(&copy_progress, &CopyDevProgress::ProgressTerminate, this,
            [this] { QTimer::singleShot(0, this, [this] { reportStoppedSave(); }); });
}

void MainWindow::on_save_lmv_action_triggered()
{
    saveCheckedDeviceFiles(lmv::SaveFormat::DataFile);
}

void MainWindow::on_save_txt_action_triggered()
{
    if (pc_button && pc_button->isChecked()) {
        convertCheckedLocalFiles(lmv::SaveFormat::Text);
        return;
    }
    saveCheckedDeviceFiles(lmv::SaveFormat::Text);
}

void MainWindow::on_save_csv_action_triggered()
{
    if (pc_button && pc_button->isChecked()) {
        convertCheckedLocalFiles(lmv::SaveFormat::Csv);
        return;
    }
    saveCheckedDeviceFiles(lmv::SaveFormat::Csv);
}

void MainWindow::saveCheckedDeviceFiles(lmv::SaveFormat format)
{
    const bool deviceTreeShown =
        UsbPrjTree && UsbPrjTree->isVisibleTo(this) && !(pc_button && pc_button->isChecked());
    if (!deviceTreeShown || !anyChecked(UsbPrjTree)) {
        QMessageBox::warning(this, QStringLiteral("无法保存"),
                             QStringLiteral("在设备项目列表中,至少勾选一个条目"));
        setEnabled(true);
        return;
    }
    QString caption = QStringLiteral("保存为lmv格式");
    QString filter = QStringLiteral("LM(*.lmv)");
    if (format == lmv::SaveFormat::Text) {
        caption = QStringLiteral("保存为txt格式");
        filter = QStringLiteral("文本(*.txt)");
    } else if (format == lmv::SaveFormat::Csv) {
        caption = QStringLiteral("保存为csv格式");
        filter = QStringLiteral("表格(*.csv)");
    }
    const QString chosen = askPath({PathQuestion::Kind::Save, caption, filter});
    if (chosen.isEmpty())
        return;
    const QString saveRoot = lmv::saveRootFor(chosen, format);

    downloadJobs.clear();
    saveFailures.clear();
    setEnabled(false);
    const lmv::SaveSelection selection = collectSelection(UsbPrjTree, saveRoot, device_info.deviceNumber);
    for (const QString &dir : selection.directories)
        QDir().mkpath(dir); // a missing directory shows up as the files below it not written
    saveIndex.end();
    if (format == lmv::SaveFormat::DataFile && !selection.indexLines.isEmpty())
        saveIndex.begin(saveRoot, selection.indexLines, &saveFailures);

    if (selection.fileCount < 1) {
        setEnabled(true);
        reportSaveFailures();
        return;
    }
    copy_progress.startCopy(static_cast<quint32>(selection.fileCount));
    queueOrStore(UsbPrjTree, saveRoot, format);
    setEnabled(true);
    saveFormat = static_cast<quint8>(format);
    if (downloadJobs.isEmpty()) {
        copy_progress.finishCopy();
        reportSaveFailures();
        return;
    }
    startSaveDownload();
}

void MainWindow::startSaveDownload()
{
    const lmv::DownloadJob &head = downloadJobs.first();
    copy_progress.nextFile(listedSize(head.treeItem));
    setEnabled(false);
    if (startHeadDownload(0))
        return;
    // The link cannot take the request (disconnected or busy): nothing more will arrive.
    for (const lmv::DownloadJob &job : std::as_const(downloadJobs))
        saveFailures.add(job.destination, QStringLiteral("设备未就绪,未下载"));
    downloadJobs.clear();
    copy_progress.finishCopy();
    setEnabled(true);
    reportSaveFailures();
}

lmv::SaveSelection MainWindow::collectSelection(QTreeWidget *deviceTree, const QString &saveRoot,
                                                quint32 deviceNumber)
{
    return lmv::collectSelection(storeTreeOf(deviceTree), saveRoot, deviceNumber);
}

int MainWindow::queueOrStore(QTreeWidget *deviceTree, const QString &saveRoot, lmv::SaveFormat format)
{
    const lmv::StoreTree tree = storeTreeOf(deviceTree);
    int stored = 0;
    for (const lmv::PlannedSave &save : lmv::planSaves(tree, saveRoot, format)) {
        QTreeWidgetItem *item = treeItemOf(deviceTree, save);
        if (save.cachePath.isEmpty()) {
            const lmv::StoreProjectNode &project = tree[save.project];
            const lmv::StorePointNode &point = project.points[save.point];
            downloadJobs.append(lmv::DownloadJob::forFile(
                project.name, point.name, point.files[save.file].name, item, save.destination));
            continue;
        }
        copy_progress.nextFile(0);
        if (lmv::storeFile(save.cachePath, save.destination, format, saveFailures)) {
            saveIndex.fileStored(save.destination);
            ++stored;
        }
    }
    return stored;
}

void MainWindow::storeArrivedFile(const lmv::DownloadJob &job, const QString &cachePath)
{
    QString source = job.treeItem ? job.treeItem->text(UsbPrjWindow::CacheColumn) : QString();
    if (source.isEmpty())
        source = cachePath;
    if (!source.isEmpty()) {
        if (lmv::storeFile(source, job.destination, static_cast<lmv::SaveFormat>(saveFormat), saveFailures))
            saveIndex.fileStored(job.destination);
    } else
        saveFailures.add(job.destination, lmv::StoreReason::sourceUnreadable());

    if (!downloadJobs.isEmpty())
        downloadJobs.removeFirst();
    if (!downloadJobs.isEmpty()) {
        startSaveDownload();
        return;
    }
    if (copy_progress.isVisible())
        copy_progress.finishCopy();
    setEnabled(true);
    reportSaveFailures();
}

void MainWindow::reportSaveFailures()
{
    if (saveFailures.isEmpty())
        return;
    QMessageBox::warning(this, lmv::StoreFailureList::reportTitle(), saveFailures.reportText());
    saveFailures.clear();
}

void MainWindow::reportStoppedSave()
{
    for (const lmv::DownloadJob &job : std::as_const(downloadJobs))
        if (!job.destination.isEmpty())
            saveFailures.add(job.destination, QStringLiteral("传输已停止,未保存"));
    reportSaveFailures();
}

void MainWindow::convertCheckedLocalFiles(lmv::SaveFormat format)
{
    if (!anyChecked(PrjTree)) {
        QMessageBox::warning(this, QStringLiteral("无法转换"),
                             QStringLiteral("在本地项目列表中,至少勾选一个条目"));
        return;
    }
    const QString caption = format == lmv::SaveFormat::Csv ? QStringLiteral("转换为csv格式并另存为")
                                                           : QStringLiteral("转换为txt格式并另存为");
    const QString chosen = askPath({PathQuestion::Kind::Save, caption, QString()});
    if (chosen.isEmpty())
        return;
    // The chosen name becomes a folder holding one folder per project and point.
    const QString root = chosen + QLatin1Char('/');
    setEnabled(false);
    lmv::StoreFailureList failures;
    lmv::convertCheckedFiles(storeTreeOf(PrjTree), root, format, failures);
    setEnabled(true);
    QMessageBox::information(this, QStringLiteral("提示框"), QStringLiteral("转换完毕,已保存。"));
    if (!failures.isEmpty())
        QMessageBox::warning(this, lmv::StoreFailureList::reportTitle(), failures.reportText());
}
