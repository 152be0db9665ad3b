#include "app/MainWindow.h"

#include "app/TreeCheck.h"
#include "app/TreeItems.h"
#include "data/DataFile.h"
#include "data/ProjectIndex.h"
#include "views/FileEditBar.h"

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace {

QTreeWidgetItem *makeItem(const IndexEntry &entry, bool centreRemark)
{
    auto *item = new QTreeWidgetItem(entry.columns);
    item->setCheckState(0, Qt::Unchecked);
    if (centreRemark)
        item->setTextAlignment(9, Qt::AlignCenter);
    return item;
}

// Full path of a file entry: column 1 of its project, its point and itself, concatenated.
QString filePathOf(const QTreeWidgetItem *file)
{
    const QTreeWidgetItem *point = file->parent();
    const QTreeWidgetItem *project = point->parent();
    return project->text(1) + point->text(1) + file->text(1);
}

QStringList columnsOf(const QTreeWidgetItem *item)
{
    QStringList columns;
    for (int c = 0; c < kPrjTreeColumns; ++c)
        columns << item->text(c);
    return columns;
}

// A project node made of loose data files: no folder of its own, nor any of its points.
bool isLooseProject(const QTreeWidgetItem *project)
{
    if (!project->text(1).isEmpty())
        return false;
    for (int p = 0; p < project->childCount(); ++p)
        if (!project->child(p)->text(1).isEmpty())
            return false;
    return true;
}

// The child of `parent` whose columns equal `columns` from `first` on (all of them when `last`
// is -1, else up to `last`), or nullptr.
QTreeWidgetItem *childLike(QTreeWidgetItem *parent, const QStringList &columns, int last = -1)
{
    const int end = last < 0 ? kPrjTreeColumns - 1 : last;
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem *child = parent->child(i);
        bool same = true;
        for (int c = 0; c <= end && same; ++c)
            same = child->text(c) == columns.value(c);
        if (same)
            return child;
    }
    return nullptr;
}

} // namespace

void MainWindow::addLooseFileEntries(const QList<IndexEntry> &projects)
{
    // A loose file joins the node of an earlier loose file of its project, under the point of the
    // same name and pipe (the point's pipe is applied to all its files), once.
    for (const IndexEntry &project : projects) {
        QTreeWidgetItem *projectItem = nullptr;
        for (int i = 0; i < PrjTree->topLevelItemCount() && !projectItem; ++i) {
            QTreeWidgetItem *top = PrjTree->topLevelItem(i);
            if (top->text(0) == project.column(0) && isLooseProject(top))
                projectItem = top;
        }
        if (!projectItem) {
            addIndexEntries({project});
            continue;
        }
        for (const IndexEntry &point : project.children) {
            QTreeWidgetItem *pointItem = childLike(projectItem, point.columns);
            if (!pointItem) {
                pointItem = makeItem(point, true);
                projectItem->addChild(pointItem);
            }
            for (const IndexEntry &file : point.children) {
                if (childLike(pointItem, file.columns, 1))
                    continue;
                QTreeWidgetItem *fileItem = makeItem(file, false);
                pointItem->addChild(fileItem);
                propagateCheck(fileItem);
            }
        }
    }
}

bool MainWindow::canOpenOrSay(const QString &path, const QString &title)
{
    const int result = lmv::checkReadable(path);
    if (result == lmv::ReadOk)
        return true;
    QMessageBox::warning(
        this, title,
        QStringLiteral("无法打开 %1\n%2").arg(QDir::toNativeSeparators(path), lmv::readResultText(result)),
        QMessageBox::Ok);
    return false;
}

void MainWindow::addIndexEntries(const QList<IndexEntry> &projects)
{
    for (const IndexEntry &project : projects) {
        QTreeWidgetItem *projectItem = makeItem(project, true);
        for (const IndexEntry &point : project.children) {
            QTreeWidgetItem *pointItem = makeItem(point, true);
            for (const IndexEntry &file : point.children)
                pointItem->addChild(makeItem(file, false));
            projectItem->addChild(pointItem);
        }
        PrjTree->addTopLevelItem(projectItem);
    }
}

void MainWindow::openDataFile(const QString &path)
{
    if (canOpenOrSay(path, QStringLiteral("打开文件")))
        addLooseFileEntries(dataFileEntries(path));
}

void MainWindow::openLocalPath(const QString &path)
{
    // A cancelled question opens nothing and says nothing; a path that cannot be read says why.
    if (path.isEmpty() || !canOpenOrSay(path, QStringLiteral("打开项目")))
        return;
    const LocalOpening opening = openLocalFile(path);
    if (!opening.opened)
        return;
    currentDeviceRemark = opening.remark;
    const int firstNew = PrjTree->topLevelItemCount();
    if (openKindFor(path) == OpenKind::DataFile)
        addLooseFileEntries(opening.projects);
    else
        addIndexEntries(opening.projects);
    rememberIndexPath(firstNew, path);
}

void MainWindow::on_open_prj_action_triggered()
{
    const QString path = askPath({PathQuestion::Kind::Open, QStringLiteral("打开项目"),
                                  QStringLiteral("All(*.lmv*);;项目文件(*.lmvprj);;监测点文件(*.lmvpos)")});
    openLocalPath(path);
}

void MainWindow::on_open_file_action_triggered()
{
    const QString path =
        askPath({PathQuestion::Kind::Open, QStringLiteral("打开文件"), QStringLiteral("数据格式(*.lmv)")});
    currentDeviceRemark.clear();
    if (!path.isEmpty())
        openDataFile(path);
}

void MainWindow::on_select_all_triggered()
{
    QTreeWidget *tree = pc_button->isChecked() ? PrjTree : UsbPrjTree;
    if (!tree || !tree->isVisible() || tree->topLevelItemCount() == 0)
        return;
    if (select_all_action->isCheckable()) {
        setCheckAll(tree, 0);
        select_all_action->setChecked(false);
        select_all_action->setCheckable(false);
    } else {
        setCheckAll(tree, 2);
        select_all_action->setCheckable(true);
        select_all_action->setChecked(true);
    }
}

void MainWindow::on_remove_action_triggered()
{
    if (!anyChecked(PrjTree)) {
        QMessageBox::warning(this, QStringLiteral("无法移除"),
                             QStringLiteral("在本地项目列表中,至少勾选一个条目"), QMessageBox::Ok);
        return;
    }
    if (QMessageBox::question(this, QStringLiteral("移除项目"),
                              QStringLiteral("是否移除所选条目?本地文件不会被删除"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    removeCheckedLocalEntries();
}

void MainWindow::removeCheckedLocalEntries()
{
    const bool shownRemoved = removeCheckedEntries(PrjTree);
    resetSelectAllToggle();
    clearLocalRvaView();
    // A view left showing a removed file would let the dialogs edit a file no longer listed.
    if (shownEntry.afterRemoval(shownRemoved))
        clearLocalRvbView();
    if (shownEntry.kind() == lmv::ShownEntry::Kind::Nothing)
        shownItem = nullptr;
    syncEditActions();
    if (PrjTree->topLevelItemCount() == 0) {
        localRvaView()->hide();
        localRvbView()->hide();
    }
    afterSurveyRemoval();
}

bool MainWindow::removeCheckedEntries(QTreeWidget *tree)
{
    bool shownRemoved = false;
    // The shown item goes with every entry above it.
    auto goes = [&](const QTreeWidgetItem *removed) {
        for (const QTreeWidgetItem *i = shownItem; i; i = i->parent())
            shownRemoved = shownRemoved || i == removed;
    };
    // After a removal the next entry takes the same index, so the index only moves on a keep.
    for (int i = 0; i < tree->topLevelItemCount();) {
        QTreeWidgetItem *project = tree->topLevelItem(i);
        const int projectState = checkStateOf(project);
        if (projectState == 2) {
            goes(project);
            delete tree->takeTopLevelItem(i);
            continue;
        }
        if (projectState == 1) {
            for (int p = 0; p < project->childCount();) {
                QTreeWidgetItem *point = project->child(p);
                const int pointState = checkStateOf(point);
                if (pointState == 2) {
                    setCheckStateOf(point, 0);
                    propagateCheck(point);
                    goes(point);
                    delete project->takeChild(p);
                    continue;
                }
                if (pointState == 1) {
                    for (int f = 0; f < point->childCount();) {
                        QTreeWidgetItem *file = point->child(f);
                        if (checkStateOf(file) == 0) {
                            ++f;
                            continue;
                        }
                        setCheckStateOf(file, 0);
                        propagateCheck(file);
                        goes(file);
                        delete point->takeChild(f);
                    }
                }
                ++p;
            }
        }
        ++i;
    }
    return shownRemoved;
}

void MainWindow::on_PrjTreeColumnResized(int logicalIndex, int, int)
{
    if (logicalIndex != 0 && logicalIndex != 9)
        return;
    const int other = logicalIndex == 0 ? 9 : 0;
    PrjTree->setColumnWidth(other, prj_panel->width() - PrjTree->columnWidth(logicalIndex));
}

void MainWindow::showLocalView(bool rva)
{
    (rva ? localRvaView() : localRvbView())->show();
    const int rest = width() - 485;
    splitter->setSizes(rva ? QList<int>{400, rest, 0} : QList<int>{400, 0, rest});
    (rva ? localRvbView() : localRvaView())->hide();
}

void MainWindow::on_file_item_clicked(QTreeWidgetItem *item)
{
    resetLocalViews();
    forgetShownEntry();
    hideSurveyViews();
    if (!item)
        return;
    propagateCheck(item);
    if (!item->parent()) {
        showProjectOverview(item);
        return;
    }
    if (isFileItem(item)) {
        showFile(item);
        return;
    }
    const bool rvbForm = item->text(7) == QLatin1String("1");
    showLocalView(!rvbForm);
    if (rvbForm)
        showPointSummaryRvb(item);
    else
        showPointSummaryRva(item);
    shownEntry.showPoint(treeEntryKey(item), rvbForm);
    shownItem = item;
    syncEditActions();
    showPointSurvey(item);
}

void MainWindow::showFile(QTreeWidgetItem *file)
{
    // Loading runs synchronously; the disabled window keeps every other command out meanwhile.
    setEnabled(false);
    const QString path = filePathOf(file);
    const std::uint8_t type = readFileTypeCode(path);
    if (type == 5) {
        showLocalView(true);
        RVA_RecordWindow::fileEdits->showFile(surveyTargetOf(file->parent()), path);
        showLocalRvaFile(file);
    } else if (type == 1) {
        showLocalView(false);
        loadLocalRvbFile(path);
        RVB_RecordWindow::setShownFileName(file->text(0));
    }
    shownEntry.showFile(treeEntryKey(file), type);
    shownItem = file;
    syncEditActions();
    offerFileRain(type == 5 ? file : nullptr);
    setEnabled(true);
}

void MainWindow::showLocalRvaFile(const QTreeWidgetItem *file)
{
    loadLocalRvaFile(filePathOf(file));
    RVA_RecordWindow::setShownFileName(file->text(0));
    const QTreeWidgetItem *point = file->parent();
    if (!point->text(2).isEmpty())
        applyPipeToLocalRva(pipeFieldsFromColumns(columnsOf(point)));
}

void MainWindow::syncEditActions()
{
    const lmv::EditActions allowed = shownEntry.actions();
    pipe_modify_action->setEnabled(allowed.pipe);
    parameter_modify_action->setEnabled(allowed.parameters);
}

void MainWindow::forgetShownEntry()
{
    shownEntry.clear();
    shownItem = nullptr;
    syncEditActions();
}

QTreeWidgetItem *MainWindow::shownPointItem() const
{
    if (isFileItem(shownItem))
        return shownItem->parent();
    return isPointItem(shownItem) ? shownItem : nullptr;
}

void MainWindow::showPointSummaryRva(QTreeWidgetItem *point)
{
    QString firstFile;
    if (point->childCount() > 0)
        firstFile = filePathOf(point->child(0));
    const PointSummary s = pointSummaryRva(point->parent()->text(0), columnsOf(point), firstFile);
    setLocalInfo(true, s);
}

void MainWindow::showPointSummaryRvb(QTreeWidgetItem *point)
{
    setLocalInfo(false, pointSummaryRvb(point->parent()->text(0), columnsOf(point)));
}
