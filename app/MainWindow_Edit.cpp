#include "app/MainWindow.h"

#include "views/FileEditBar.h"

#include "app/TreeItems.h"

#include "data/DataFile.h"
#include "data/ProjectIndex.h"
#include "data/Statistics.h"

#include <QAction>
#include <QMessageBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItem>

// The editing dialogs open for what the local view shows (shownEntry), not for the tree's
// current item, which the keyboard moves without showing anything. They are not modal, so the
// view may show something else by the time a button is pressed: each dialog remembers what it
// was opened for (the file of the parameter dialog, the point of the pipe dialog) and its
// result is applied to that alone; the view is touched only while it still shows it.

namespace {

// Full path of a file item: column 1 of its project, its point and itself, concatenated.
QString filePathOf(const QTreeWidgetItem *file)
{
    return file->parent()->parent()->text(1) + file->parent()->text(1) + file->text(1);
}

// What identifies a point item: its texts and those of its project.
QString pointKey(const QTreeWidgetItem *point)
{
    const QTreeWidgetItem *project = point->parent();
    return project->text(0) + QLatin1Char('\n') + project->text(1) + QLatin1Char('\n') + point->text(0) +
           QLatin1Char('\n') + point->text(1);
}

// The point item the pipe dialog was opened for, when it is still in the tree.
QTreeWidgetItem *findPoint(QTreeWidget *tree, const QTreeWidgetItem *remembered, const QString &key)
{
    if (!tree || !remembered)
        return nullptr;
    for (int p = 0; p < tree->topLevelItemCount(); ++p) {
        QTreeWidgetItem *project = tree->topLevelItem(p);
        for (int i = 0; i < project->childCount(); ++i) {
            QTreeWidgetItem *point = project->child(i);
            if (point == remembered && pointKey(point) == key)
                return point;
        }
    }
    return nullptr;
}

std::array<std::uint32_t, 5> pipeFields(const lmv::PipeSaveIntoTfType &pipe)
{
    return {pipe.pipeShape, pipe.heightOrDiameter, pipe.widthOrLowerBase, pipe.upperBase, pipe.sediment};
}

void setPipeColumns(QTreeWidgetItem *point, const std::array<std::uint32_t, 5> &fields)
{
    for (int i = 0; i < 5; ++i)
        point->setText(2 + i, QString::number(fields[static_cast<std::size_t>(i)]));
}

void clearPipeColumns(QTreeWidgetItem *point)
{
    for (int c = 2; c <= 6; ++c)
        point->setText(c, QString());
}

lmv::PipeSaveIntoTfType pointRecordFrom(const QTreeWidgetItem *point, const QTreeWidgetItem *file)
{
    lmv::PipeSaveIntoTfType record;
    record.setProjectName(point->parent()->text(0));
    record.setPointName(point->text(0));
    std::array<std::uint32_t, 5> fields{};
    if (!point->text(2).isEmpty()) {
        QStringList columns;
        for (int c = 0; c < kPrjTreeColumns; ++c)
            columns << point->text(c);
        fields = pipeFieldsFromColumns(columns);
    } else if (file) {
        fields = readPipeFields(filePathOf(file));
    }
    record.pipeShape = fields[0];
    record.heightOrDiameter = fields[1];
    record.widthOrLowerBase = fields[2];
    record.upperBase = fields[3];
    record.sediment = fields[4];
    return record;
}

QString updateFailureText(int result)
{
    switch (result) {
    case lmv::UpdateNotRva:
        return QStringLiteral("不是便携式流量仪文件");
    case lmv::UpdateCannotOpen:
        return QStringLiteral("无法打开");
    case lmv::UpdateShortHeader:
        return QStringLiteral("文件头不完整");
    default:
        return QStringLiteral("无法写入");
    }
}

struct PipeRewrite
{
    QStringList notRewritten; // "name(reason)" of every file of the point left as it was
    bool rvaFailed = false;   // an RVA file among them could not be rewritten
};

// Writes the pipe into every file of the point; files that are not RVA files stay unchanged.
PipeRewrite rewritePointFiles(const QTreeWidgetItem *point, const lmv::PipeSaveIntoTfType &pipe)
{
    PipeRewrite outcome;
    for (int i = 0; i < point->childCount(); ++i) {
        const QTreeWidgetItem *file = point->child(i);
        const int result = lmv::updatePipe(filePathOf(file), pipe);
        if (result == lmv::UpdateOk)
            continue;
        if (result != lmv::UpdateNotRva)
            outcome.rvaFailed = true;
        outcome.notRewritten << QStringLiteral("%1(%2)").arg(file->text(0), updateFailureText(result));
    }
    return outcome;
}

} // namespace

void MainWindow::connectDialogs()
{
    connect(&parameter_dialog, &ParameterModify::SendGainCoef, this, &MainWindow::on_RecievedGainCoef);
    connect(&parameter_dialog, &ParameterModify::SendGainCoefForSaving, this,
            &MainWindow::on_RecievedGainCoefForSaving);
    connect(&pipe_dialog, &PipeModifyWindow::SendPipeInfo, this, &MainWindow::on_RecievedPipeInfo);
    connect(&pipe_dialog, &PipeModifyWindow::SendPipeInfoForSaving, this,
            &MainWindow::on_RecievedPipeInfoForSaving);
    connect(&id_dialog, &Modify_ID_Window::SendNewId, &serial_thread, &SerialThread::on_RVA_SendNewId);
}

// ---- calculation parameters ----

void MainWindow::on_parameter_modify_action_triggered()
{
    const QString path = shownEntry.parameterTarget();
    if (path.isEmpty() || parameter_dialog.isOpen())
        return;
    const QStringList names = cellText(RVA_RecordWindow::InfoTable, 1, 1).split(QLatin1Char('/'));
    const bool both = names.size() >= 2;
    parameterTargetPath = path;
    parameter_dialog.showForFile(both ? names.at(0) : QString(), both ? names.at(1) : QString(),
                                 shownEntry.key().fileName, RVA_RecordWindow::shownVelocityCorrection(),
                                 RVA_RecordWindow::shownFlowCorrection());
}

bool MainWindow::showsParameterTarget() const
{
    return !parameterTargetPath.isEmpty() && shownEntry.parameterTarget() == parameterTargetPath;
}

void MainWindow::applyCorrectionsToView(float vc, float fc)
{
    QTableWidget *sum = RVA_RecordWindow::SumTable;
    setCellNumber(sum, 0, 2, vc);
    setCellNumber(sum, 1, 2, fc);
    setCellText(sum, 0, 3, QString::number(vc, 'f', 2));
    setCellText(sum, 1, 3, QString::number(fc, 'f', 2));
    recomputeSumTable(vc, fc, sum);
    recomputeVelocityColumn(vc, RVA_RecordWindow::UnitTable);
    recomputeFlowColumn(vc, fc, RVA_RecordWindow::UnitTable);
}

void MainWindow::on_RecievedGainCoef(float gain, float coefficient)
{
    // The factors belong to the file the dialog named; another file shown meanwhile keeps its own.
    if (!showsParameterTarget()) {
        QMessageBox::warning(this, QStringLiteral("修改参数"), QStringLiteral("显示的文件已更换,参数未应用"),
                             QMessageBox::Ok);
        return;
    }
    applyCorrectionsToView(gain, coefficient);
}

void MainWindow::on_RecievedGainCoefForSaving(float gain, float coefficient)
{
    const QString path = parameterTargetPath;
    if (path.isEmpty())
        return;
    const int result = lmv::updateCorrections(path, gain, coefficient);
    if (showsParameterTarget()) {
        // Whatever happened, the view shows what the file now holds, with the point's edits.
        RVA_RecordWindow::fileEdits->reload();
        clearLocalRvaView();
        loadLocalRvaFile(path);
        const QTreeWidgetItem *point = shownPointItem();
        if (point && !point->text(2).isEmpty()) {
            QStringList columns;
            for (int c = 0; c < kPrjTreeColumns; ++c)
                columns << point->text(c);
            applyPipeToLocalRva(pipeFieldsFromColumns(columns));
        }
    }
    if (result != lmv::UpdateOk)
        QMessageBox::warning(this, QStringLiteral("修改参数"),
                             QStringLiteral("参数未保存:%1(%2)").arg(path, updateFailureText(result)),
                             QMessageBox::Ok);
}

// ---- pipe ----

void MainWindow::on_pipe_modify_action_triggered()
{
    lmv::TreeEntryKey target;
    QTreeWidgetItem *point = shownPointItem();
    if (!shownEntry.pipeTarget(target) || !point || pipe_dialog.isOpen())
        return;
    QTreeWidgetItem *file = isFileItem(shownItem)     ? shownItem
                            : point->childCount() > 0 ? point->child(0)
                                                      : nullptr;
    pipeTargetPoint = point;
    pipeTargetKey = pointKey(point);
    pipe_dialog.showForPoint(pointRecordFrom(point, file));
}

void MainWindow::on_scatter_sediment_requested(int sedimentMm)
{
    // Only for the file the local window shows: the current item of the project tree.
    QTreeWidgetItem *item = PrjTree ? PrjTree->currentItem() : nullptr;
    if (!item || !item->parent() || isPointItem(item) || pipe_dialog.isOpen() || sedimentMm < 0)
        return;
    QTreeWidgetItem *point = item->parent();
    pipeTargetPoint = point;
    pipeTargetKey = pointKey(point);
    lmv::PipeSaveIntoTfType record = pointRecordFrom(point, item);
    record.sediment = static_cast<quint32>(sedimentMm);
    pipe_dialog.showForPoint(record);
}

void MainWindow::on_RecievedPipeInfo(lmv::PipeSaveIntoTfType pipe)
{
    QTreeWidgetItem *point = findPoint(PrjTree, pipeTargetPoint, pipeTargetKey);
    if (!point) {
        QMessageBox::warning(this, QStringLiteral("重新配置管道"), QStringLiteral("监测点已移除,管道未修改"),
                             QMessageBox::Ok);
        return;
    }
    // The point's columns carry the pipe to every file of the point shown from now on.
    setPipeColumns(point, pipeFields(pipe));
    const lmv::TreeEntryKey key = treeEntryKey(point);
    if (shownEntry.showsRvaPoint(key))
        setCellText(RVA_RecordWindow::InfoTable, 3, 1, lmv::pipeDescription(pipe));
    else if (!shownEntry.shownRvaFileOf(key).isEmpty())
        applyPipeToLocalRva(pipeFields(pipe));
}

void MainWindow::on_RecievedPipeInfoForSaving(lmv::PipeSaveIntoTfType pipe)
{
    QTreeWidgetItem *point = findPoint(PrjTree, pipeTargetPoint, pipeTargetKey);
    if (!point) {
        QMessageBox::warning(this, QStringLiteral("重新配置管道"), QStringLiteral("监测点已移除,管道未保存"),
                             QMessageBox::Ok);
        return;
    }
    const lmv::TreeEntryKey key = treeEntryKey(point);
    const bool pointShown = shownEntry.showsRvaPoint(key);
    const QString shownFile = shownEntry.shownRvaFileOf(key);
    if (pointShown)
        setCellText(RVA_RecordWindow::InfoTable, 3, 1, lmv::pipeDescription(pipe));
    if (point->childCount() == 0)
        return;

    setEnabled(false);
    const PipeRewrite outcome = rewritePointFiles(point, pipe);
    // Every RVA file of the point now carries the pipe, so the point's columns are emptied;
    // when one could not be written they keep the pipe so that showing it still applies it.
    if (outcome.rvaFailed)
        setPipeColumns(point, pipeFields(pipe));
    else
        clearPipeColumns(point);
    setEnabled(true);

    if (pointShown)
        refreshSurveyOf(point);
    if (!shownFile.isEmpty()) {
        RVA_RecordWindow::fileEdits->reload();
        clearLocalRvaView();
        loadLocalRvaFile(shownFile);
        if (outcome.rvaFailed)
            applyPipeToLocalRva(pipeFields(pipe));
    }
    if (!outcome.notRewritten.isEmpty())
        QMessageBox::warning(this, QStringLiteral("重新配置管道"),
                             QStringLiteral("以下文件未改写:\n") +
                                 outcome.notRewritten.join(QLatin1Char('\n')),
                             QMessageBox::Ok);
}

// ---- device number ----

void MainWindow::on_id_modify_action_triggered()
{
    id_dialog.showForNumber(device_info.deviceNumber);
}
