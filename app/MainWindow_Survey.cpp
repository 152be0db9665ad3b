#include "app/MainWindow.h"

#include "app/TreeItems.h"
#include "plots/Hydrograph.h"
#include "views/FileEditBar.h"
#include "views/ProjectOverviewView.h"
#include "views/SurveyDwfPane.h"
#include "views/SurveyWindow.h"

#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItem>

// A click on a point entry shows the point's survey, a click on a project entry the project's
// overview; both sit in the splitter beside the record windows. What they ask for (a record in
// its own file, a point at a day) is carried out here through the tree, as a click would.

namespace {

// Where the index file a project entry came from lies (set when it was opened).
constexpr int kIndexPathRole = Qt::UserRole + 40;

QString filePathOf(const QTreeWidgetItem *file)
{
    return file->parent()->parent()->text(1) + file->parent()->text(1) + file->text(1);
}

lmv::survey::PointFiles pointFilesOf(const QTreeWidgetItem *point)
{
    lmv::survey::PointFiles files;
    files.name = point->text(0);
    for (int f = 0; f < point->childCount(); ++f) {
        const QString path = filePathOf(point->child(f));
        const bool listed = std::any_of(files.files.cbegin(), files.files.cend(),
                                        [&](const lmv::survey::PointFile &pf) { return pf.path == path; });
        if (!listed)
            files.files.push_back({point->child(f)->text(0), path});
    }
    return files;
}

QString projectKeyOf(const QTreeWidgetItem *project)
{
    return project->text(0) + QLatin1Char('\n') + project->text(1);
}

} // namespace

void MainWindow::setupSurveyViews()
{
    // The local RVA window's edit bar shows its file again after an edit or a switch of layer.
    RVA_RecordWindow::fileEdits->reshow = [this] {
        if (isFileItem(shownItem) && shownEntry.kind() == lmv::ShownEntry::Kind::RvaFile)
            showLocalRvaFile(shownItem);
    };
    survey_window = new SurveyWindow(splitter);
    new SurveyDwfPane(survey_window); // a page of the window, owned by it
    overview_view = new ProjectOverviewView(splitter);
    splitter->addWidget(survey_window);
    splitter->addWidget(overview_view);
    survey_window->hide();
    overview_view->hide();
    connect(survey_window, &SurveyWindow::recordRequested, this, &MainWindow::openSurveyRecord);
    connect(overview_view, &ProjectOverviewView::dayRequested, this, &MainWindow::openSurveyDay);
    connect(overview_view, &ProjectOverviewView::pointRequested, this,
            [this](const QString &point) { openSurveyDay(point, -1); });
    setupReportActions();
}

void MainWindow::rememberIndexPath(int firstNewProject, const QString &indexPath)
{
    const OpenKind kind = openKindFor(indexPath);
    if (kind != OpenKind::ProjectIndex && kind != OpenKind::PointIndex)
        return;
    for (int i = firstNewProject; i < PrjTree->topLevelItemCount(); ++i)
        PrjTree->topLevelItem(i)->setData(0, kIndexPathRole, indexPath);
}

void MainWindow::hideSurveyViews()
{
    survey_window->hide();
    overview_view->hide();
}

void MainWindow::showPointSurvey(QTreeWidgetItem *point)
{
    if (!isPointItem(point))
        return;
    const lmv::SurveyTarget target = surveyTargetOf(point);
    localRvaView()->hide();
    localRvbView()->hide();
    overview_view->hide();
    survey_window->show();
    splitter->setSizes({400, 0, 0, width() - 485, 0});
    // Joining a few weeks of files takes some tens of milliseconds; the window stays enabled, so
    // that a message box about the project database (modal, it keeps other input out) can be
    // answered.
    survey_window->showSurvey(target);
}

lmv::SurveyTarget MainWindow::surveyTargetOf(const QTreeWidgetItem *point) const
{
    const QTreeWidgetItem *project = point->parent();
    lmv::SurveyTarget target;
    target.project = project->text(0);
    target.indexPath = project->data(0, kIndexPathRole).toString();
    target.point = pointFilesOf(point);
    return target;
}

void MainWindow::showProjectOverview(QTreeWidgetItem *project)
{
    if (!project || project->parent())
        return;
    const lmv::survey::ProjectFiles files = projectFilesOf(project);
    overviewProjectKey = projectKeyOf(project);
    localRvaView()->hide();
    localRvbView()->hide();
    survey_window->hide();
    overview_view->show();
    splitter->setSizes({400, 0, 0, 0, width() - 485});
    overview_view->showProject(files);
}

lmv::survey::ProjectFiles MainWindow::projectFilesOf(QTreeWidgetItem *project) const
{
    lmv::survey::ProjectFiles files;
    files.name = project->text(0);
    files.indexPath = project->data(0, kIndexPathRole).toString();
    files.opened = true;
    for (int p = 0; p < project->childCount(); ++p)
        files.points.push_back(pointFilesOf(project->child(p)));
    return files;
}

QTreeWidgetItem *MainWindow::overviewProjectItem() const
{
    for (int i = 0; i < PrjTree->topLevelItemCount(); ++i)
        if (projectKeyOf(PrjTree->topLevelItem(i)) == overviewProjectKey)
            return PrjTree->topLevelItem(i);
    return nullptr;
}

void MainWindow::openSurveyRecord(const QString &path, qint64 record)
{
    QTreeWidgetItem *point = shownPointItem();
    if (!point)
        return;
    QTreeWidgetItem *file = nullptr;
    for (int f = 0; f < point->childCount() && !file; ++f)
        if (filePathOf(point->child(f)) == path)
            file = point->child(f);
    if (!file)
        return;
    PrjTree->setCurrentItem(file);
    PrjTree->scrollToItem(file);
    on_file_item_clicked(file);
    if (record < 0)
        return;
    if (shownEntry.kind() == lmv::ShownEntry::Kind::RvaFile)
        RVA_RecordWindow::showRecordRow(int(record));
    else if (shownEntry.kind() == lmv::ShownEntry::Kind::RvbFile)
        RVB_RecordWindow::showRecordRow(int(record));
}

void MainWindow::openSurveyDay(const QString &pointName, qint64 day)
{
    QTreeWidgetItem *project = overviewProjectItem();
    if (!project)
        return;
    QTreeWidgetItem *point = nullptr;
    for (int p = 0; p < project->childCount() && !point; ++p)
        if (project->child(p)->text(0) == pointName)
            point = project->child(p);
    if (!point)
        return;
    project->setExpanded(true);
    PrjTree->setCurrentItem(point);
    PrjTree->scrollToItem(point);
    on_file_item_clicked(point);
    if (day >= 0)
        survey_window->showDay(day);
}

void MainWindow::refreshSurveyOf(QTreeWidgetItem *point)
{
    if (point && point == shownItem && survey_window->isVisible())
        survey_window->reload();
}

void MainWindow::afterSurveyRemoval()
{
    if (overview_view->isVisible() && !overviewProjectItem()) {
        overview_view->clear();
        overview_view->hide();
    }
    if (!survey_window->isVisible())
        return;
    // The point may have lost files; a point no longer shown takes its survey with it.
    if (isPointItem(shownItem)) {
        showPointSurvey(shownItem);
    } else {
        survey_window->clear();
        survey_window->hide();
    }
}
