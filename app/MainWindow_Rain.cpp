#include "app/MainWindow.h"

#include "app/RainImportAction.h"
#include "app/TreeItems.h"
#include "plots/Hydrograph.h"
#include "plots/Hyetograph.h"
#include "survey/GaugeStore.h"
#include "survey/ProjectDb.h"
#include "views/RainImportDialog.h"
#include "views/SurveyWindow.h"

#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <algorithm>
#include <optional>
#include <utility>

// "导入雨量计数据": a gauge file read into the project of the tree's current entry, through the
// import dialog; what is stored and why is decided in RainImportAction.

namespace {

// Where the index file a project entry came from lies (MainWindow_Survey.cpp sets it).
constexpr int kIndexPathRole = Qt::UserRole + 40;

const QTreeWidgetItem *projectOf(const QTreeWidgetItem *item)
{
    while (item && item->parent())
        item = item->parent();
    return item;
}

// First and last time of the records that name a moment; {0, 0} without one.
std::pair<qint64, qint64> possibleTimeRange(const lmv::PlotData &data)
{
    std::optional<std::pair<qint64, qint64>> range;
    for (std::size_t i = 0; i < data.times.size(); ++i) {
        if (!data.possible.empty() && !data.possible[i])
            continue;
        const qint64 t = data.times[i];
        range = range ? std::pair{std::min(range->first, t), std::max(range->second, t)} : std::pair{t, t};
    }
    return range.value_or(std::pair<qint64, qint64>{0, 0});
}

} // namespace

void MainWindow::setupRainImport()
{
    rain_import_action = new QAction(QStringLiteral("导入雨量计数据"), this);
    rain_import_action->setToolTip(QStringLiteral("把雨量计文件导入当前选中的项目"));
    file_menu->insertAction(quit_action, rain_import_action);
    connect(rain_import_action, &QAction::triggered, this, &MainWindow::on_rain_import_action_triggered);
    connect(PrjTree, &QTreeWidget::currentItemChanged, this, [this] { updateRainImportAction(); });
    updateRainImportAction();
    // A file's hydrograph shows the rain of its point's gauge where the gauge covers the file.
    file_rain = new Hyetograph(RVA_RecordWindow::hydrograph);
    file_rain->follow(RVA_RecordWindow::hydrograph);
}

void MainWindow::offerFileRain(const QTreeWidgetItem *file)
{
    const QTreeWidgetItem *project = projectOf(file);
    const QString index = project ? project->data(0, kIndexPathRole).toString() : QString();
    const QString dbPath = index.isEmpty() ? QString() : lmv::survey::ProjectDb::pathFor(index);
    if (!file || !isFileItem(file) || dbPath.isEmpty() || !QFileInfo::exists(dbPath)) {
        file_rain->offerRain({}, {});
        return;
    }
    const lmv::survey::ProjectDb db(dbPath);
    // Of the point's gauges, the one covering most of the file's records (the first assigned
    // when none does, or when the file has no record with a possible time).
    const std::shared_ptr<const lmv::PlotData> shown = RVA_RecordWindow::plotData();
    const auto [first, last] = shown ? possibleTimeRange(*shown) : std::pair<qint64, qint64>{0, 0};
    lmv::survey::PointRain rain = lmv::survey::pointRain(
        db, file->parent()->text(0), first < last ? first - 1 : 0, first < last ? last : 0);
    file_rain->offerRain(rain.gauge ? std::move(rain.series) : lmv::survey::RainSeries(),
                         rain.gauge ? rain.gauge->name : QString());
}

void MainWindow::updateRainImportAction()
{
    if (rain_import_action)
        rain_import_action->setEnabled(rain_pc_mode && projectOf(PrjTree->currentItem()) != nullptr);
}

lmv::RainImportTarget MainWindow::rainImportTarget() const
{
    lmv::RainImportTarget target;
    const QTreeWidgetItem *current = PrjTree->currentItem();
    const QTreeWidgetItem *project = projectOf(current);
    if (!project)
        return target;
    target.project = project->text(0);
    target.indexPath = project->data(0, kIndexPathRole).toString();
    for (int p = 0; p < project->childCount(); ++p)
        if (!target.points.contains(project->child(p)->text(0)))
            target.points << project->child(p)->text(0);
    const QTreeWidgetItem *point = isFileItem(current)    ? current->parent()
                                   : isPointItem(current) ? current
                                                          : nullptr;
    if (point)
        target.checked << point->text(0);
    return target;
}

void MainWindow::on_rain_import_action_triggered()
{
    const lmv::RainImportTarget target = rainImportTarget();
    const QString title = QStringLiteral("导入雨量计数据");
    if (target.project.isEmpty())
        return;
    if (const QString problem = target.problem(); !problem.isEmpty()) {
        QMessageBox::warning(this, title, problem);
        return;
    }
    const QString path = askPath(
        {PathQuestion::Kind::Open, title, QStringLiteral("雨量计文件 (*.csv *.txt *.dat);;所有文件 (*)")});
    if (path.isEmpty())
        return;
    QByteArray bytes;
    QString why;
    if (!lmv::readRainFile(path, bytes, &why)) {
        QMessageBox::warning(this, title, why);
        return;
    }
    RainImportDialog dialog(bytes, QFileInfo(path).fileName(), this);
    dialog.setPoints(target.points, target.checked);
    if (!runRainImportDialog(dialog))
        return;
    lmv::RainImportRequest request{target.indexPath,     QFileInfo(path).fileName(), bytes,
                                   dialog.result(),      dialog.mapping().bucketMm,  dialog.gaugeName(),
                                   dialog.chosenPoints()};
    const lmv::RainImportOutcome outcome = lmv::storeRainImport(request, target);
    if (!outcome.stored) {
        QMessageBox::warning(this, title, outcome.message);
        return;
    }
    statusBar()->showMessage(outcome.message, 10000);
    // The shown survey may be of a point the gauge now serves.
    if (survey_window->isVisible())
        survey_window->reload();
}
