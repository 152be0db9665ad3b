#include "app/MainWindow.h"

#include "app/TreeCheck.h"
#include "data/CacheDir.h"
#include "plots/Scattergraph.h"

#include <QAction>
#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpacerItem>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kBarStyle = QStringLiteral("border-width:1px;            border-style:groove;    "
                                         "border-color:rgb(200,200,200);");

QAction *makeAction(const QString &text, const QString &icon, const QKeySequence &shortcut = {})
{
    // Created without a parent: the window's destructor deletes the twelve actions itself.
    auto *action = new QAction(QIcon(icon), text);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

// The panel titles ask for "ADMUI3Lm" and the dialogs for "微软雅黑", which a Linux desktop rarely
// has. Without a substitution fontconfig falls back to a wide Latin face for the digits and
// dashes, and the connection panel no longer fits the 1200-pixel window; the CJK sans face that
// the set-up installs is the closest match for both.
void installFontSubstitutions()
{
    const QStringList fallbacks = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                                   QStringLiteral("Droid Sans Fallback")};
    for (const QString &family : {QStringLiteral("ADMUI3Lm"), QStringLiteral("微软雅黑")}) {
        if (QFont::substitutes(family).isEmpty())
            QFont::insertSubstitutions(family, fallbacks);
    }
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    installFontSubstitutions();
    buildDecoration();

    setupDevSelection(central_widget);
    setupProjectWindow(central_widget);
    setupRVA_RecordWindow(central_widget);
    setupRVB_RecordWindow(central_widget);
    setupUsbPort(central_widget);
    setupUsbPrjWindow(dev_area);
    setupRVA_UsbRecordWindow(dev_area);
    setupRVB_UsbRecordWindow(dev_area);

    assembleLayout();
    setupSurveyViews();
    setupRainImport();
    prepareCacheAtStart();

    connectShell();
    connectRecordViews();
    connectDeviceLink();
    connectDialogs();
    connectSaving();
}

MainWindow::~MainWindow()
{
    // The receive loop must not outlive its thread object; a cooperative stop lets it finish
    // its current poll and close the port cleanly.
    if (serial_thread.isRunning())
        serial_thread.stopAndWait();
    removeCacheAtExit();

    // dev_spacer belongs to dev_layout only while it is placed there.
    if (dev_layout && dev_layout->indexOf(dev_spacer) < 0)
        delete dev_spacer;
    dev_spacer = nullptr;

    const QList<QAction *> actions = {open_file_action,   open_prj_action,         save_txt_action,
                                      save_lmv_action,    save_csv_action,         quit_action,
                                      pipe_modify_action, parameter_modify_action, id_modify_action,
                                      select_all_action,  remove_action,           about_action};
    for (QAction *action : actions)
        delete action;
}

void MainWindow::buildDecoration()
{
    setWindowTitle(QStringLiteral("Limnova Viewer"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/logo_for_title.png")));
    resize(1200, 800);
    move(500, 100);

    menuBar()->setFixedHeight(30);
    menuBar()->setStyleSheet(kBarStyle);
    statusBar()->setStyleSheet(kBarStyle);
    statusBar()->setFixedHeight(30);
    main_toolbar = addToolBar(QStringLiteral("toolbar"));
    main_toolbar->setFixedHeight(36);
    main_toolbar->setMovable(false);

    open_file_action = makeAction(QStringLiteral("打开文件(O)"), QStringLiteral(":/icon/image/clipboard.png"),
                                  QKeySequence(QStringLiteral("Ctrl+O")));
    open_prj_action =
        makeAction(QStringLiteral("打开项目(P)"), QStringLiteral(":/icon/image/folder-yellow-32.png"));
    quit_action = makeAction(QStringLiteral("退出(Q)"), QStringLiteral(":/icon/image/exit.png"),
                             QKeySequence(QStringLiteral("Ctrl+Q")));
    save_lmv_action = makeAction(QStringLiteral("LMV格式"), QStringLiteral(":/icon/image/save_as.png"));
    save_txt_action = makeAction(QStringLiteral("TXT格式"), QStringLiteral(":/icon/image/edit.png"));
    save_csv_action = makeAction(QStringLiteral("CSV格式"), QStringLiteral(":/icon/image/xls.png"));
    pipe_modify_action =
        makeAction(QStringLiteral("重新配置管道(P)"), QStringLiteral(":/icon/image/ruler.png"),
                   QKeySequence(QStringLiteral("Ctrl+Alt+P")));
    parameter_modify_action =
        makeAction(QStringLiteral("修改参数(M)"), QStringLiteral(":/icon/image/settings.png"),
                   QKeySequence(QStringLiteral("Ctrl+M")));
    id_modify_action =
        makeAction(QStringLiteral("初始化设备编号"), QStringLiteral(":/icon/image/id_card.png"));
    select_all_action = makeAction(QStringLiteral("全选"), QStringLiteral(":/icon/image/order_159.png"),
                                   QKeySequence(QStringLiteral("Ctrl+A")));
    remove_action = makeAction(QStringLiteral("移除"), QStringLiteral(":/icon/image/delete_2.png"));
    about_action = makeAction(QStringLiteral("关于我们"), QStringLiteral(":/icon/image/id.png"));

    file_menu = new QMenu(QStringLiteral("文件(F)"), this);
    edit_menu = new QMenu(QStringLiteral("编辑(E)"), this);
    save_menu = new QMenu(QStringLiteral("存储为(S)"), this);
    about_menu = new QMenu(QStringLiteral("关于(A)"), this);
    save_menu->setIcon(QIcon(QStringLiteral(":/icon/image/disk.png")));

    file_menu->addAction(open_file_action);
    file_menu->addAction(open_prj_action);
    file_menu->addMenu(save_menu);
    save_menu->addAction(save_lmv_action);
    save_menu->addAction(save_txt_action);
    save_menu->addAction(save_csv_action);
    file_menu->addAction(quit_action);

    edit_menu->addAction(select_all_action);
    edit_menu->addAction(remove_action);
    edit_menu->addAction(pipe_modify_action);
    edit_menu->addAction(parameter_modify_action);
    edit_menu->addAction(id_modify_action);

    about_menu->addAction(about_action);

    menuBar()->addMenu(file_menu);
    menuBar()->addMenu(edit_menu);
    menuBar()->addMenu(about_menu);

    const QList<QAction *> toolActions = {
        open_file_action, open_prj_action, select_all_action,  remove_action,           save_lmv_action,
        save_txt_action,  save_csv_action, pipe_modify_action, parameter_modify_action, id_modify_action};
    for (QAction *action : toolActions) {
        main_toolbar->addAction(action);
        main_toolbar->addSeparator();
    }

    status_progress = new QProgressBar(this);
    status_progress->setStyleSheet(QStringLiteral(
        "QProgressBar{background:rgb(245, 245, 245);} QProgressBar::chunk{background:rgb(0, 75, 150)}"));
    status_progress->setRange(0, 100);
    status_progress->setTextVisible(false);
    status_progress->setMaximumWidth(300);
    status_progress->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    status_label = new QLabel(this);
    status_label->setFixedWidth(150);
    status_label->setStyleSheet(QStringLiteral("border-style:hidden;"));
    version_label = new QLabel(QStringLiteral("Corvala Version:2.0"), this);
    version_label->setStyleSheet(QStringLiteral("border-style:hidden;"));
    statusBar()->addWidget(status_progress);
    statusBar()->addWidget(status_label);
    statusBar()->addPermanentWidget(version_label);

    applyModeActions(ShellMode::DeviceMode);

    central_widget = new QWidget(this);
    setCentralWidget(central_widget);
    central_layout = new QHBoxLayout(central_widget);
    splitter = new QSplitter(Qt::Horizontal, central_widget);
    dev_area = new QWidget(central_widget);
    dev_layout = new QVBoxLayout(dev_area);
    usb_splitter = new QSplitter(dev_area);
    dev_spacer = new QSpacerItem(20, 20, QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void MainWindow::assembleLayout()
{
    splitter->addWidget(prj_panel);
    splitter->addWidget(localRvaView());
    splitter->addWidget(localRvbView());

    usb_splitter->addWidget(usb_prj_panel);
    usb_splitter->addWidget(deviceRvaView());
    usb_splitter->addWidget(deviceRvbView());

    dev_layout->addWidget(usb_port_panel);
    dev_layout->addItem(dev_spacer);
    dev_layout->setContentsMargins(0, 2, 0, 0);
    dev_layout->setSpacing(2);

    central_layout->addWidget(selection_panel);
    central_layout->addWidget(dev_area);
    central_layout->setContentsMargins(0, 0, 0, 0);
    central_layout->setSpacing(0);

    splitter->hide();
    usb_splitter->hide();
    dev_area->show();
}

void MainWindow::connectShell()
{
    connect(quit_action, &QAction::triggered, this, &MainWindow::on_quit_action_triggered);
    connect(open_prj_action, &QAction::triggered, this, &MainWindow::on_open_prj_action_triggered);
    connect(open_file_action, &QAction::triggered, this, &MainWindow::on_open_file_action_triggered);
    connect(save_lmv_action, &QAction::triggered, this, &MainWindow::on_save_lmv_action_triggered);
    connect(save_txt_action, &QAction::triggered, this, &MainWindow::on_save_txt_action_triggered);
    connect(save_csv_action, &QAction::triggered, this, &MainWindow::on_save_csv_action_triggered);
    connect(parameter_modify_action, &QAction::triggered, this,
            &MainWindow::on_parameter_modify_action_triggered);
    connect(pipe_modify_action, &QAction::triggered, this, &MainWindow::on_pipe_modify_action_triggered);
    connect(RVA_RecordWindow::scattergraph, &Scattergraph::sedimentEditRequested, this,
            &MainWindow::on_scatter_sediment_requested);
    connect(id_modify_action, &QAction::triggered, this, &MainWindow::on_id_modify_action_triggered);
    connect(select_all_action, &QAction::triggered, this, &MainWindow::on_select_all_triggered);
    connect(remove_action, &QAction::triggered, this, &MainWindow::on_remove_action_triggered);
    connect(about_action, &QAction::triggered, &about_window, &AboutUsWindow::AboutUsWindowInit);
    connect(splitter, &QSplitter::splitterMoved, this, &MainWindow::on_splitter_edge_changed);
    connect(usb_splitter, &QSplitter::splitterMoved, this, &MainWindow::on_usb_splitter_edge_changed);
    connect(pc_button, &QPushButton::released, this, &MainWindow::on_pc_button_released);
    connect(dev_button, &QPushButton::released, this, &MainWindow::on_dev_button_released);
    // The connect button and the device tree are wired in connectDeviceLink().
    connect(PrjTree->header(), &QHeaderView::sectionResized, this, &MainWindow::on_PrjTreeColumnResized);
    connect(PrjTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item, int) { on_file_item_clicked(item); });
}

void MainWindow::applyModeActions(ShellMode mode)
{
    const bool pc = mode == ShellMode::PcMode;
    rain_pc_mode = pc;
    updateRainImportAction();
    open_file_action->setEnabled(pc);
    open_prj_action->setEnabled(pc);
    select_all_action->setEnabled(true);
    remove_action->setEnabled(pc);
    save_lmv_action->setEnabled(!pc);
    save_txt_action->setEnabled(true);
    save_csv_action->setEnabled(true);
    // Entering a mode hides the local views: nothing is shown to edit.
    forgetShownEntry();
    // Writing a new device number is not offered in any state.
    id_modify_action->setEnabled(false);
    about_action->setEnabled(true);
    quit_action->setEnabled(true);
}

void MainWindow::resetSelectAllToggle()
{
    select_all_action->setCheckable(true);
    select_all_action->setChecked(false);
    select_all_action->setCheckable(false);
}

void MainWindow::setPrjTreeColumnsToPanel()
{
    const int w = prj_panel->width();
    PrjTree->setColumnWidth(0, (w / 3) * 2);
    PrjTree->setColumnWidth(9, w / 3);
}

void MainWindow::setDeviceTreeColumnToPanel()
{
    UsbPrjTree->setColumnWidth(0, usb_prj_panel->width());
}

void MainWindow::placeDevSpacerOnce()
{
    // Whatever the device link did with the column, it ends up as: connection panel, spacer.
    if (dev_layout->indexOf(usb_splitter) >= 0)
        dev_layout->removeWidget(usb_splitter);
    usb_splitter->hide();
    while (dev_layout->indexOf(dev_spacer) >= 0)
        dev_layout->removeItem(dev_spacer);
    dev_layout->addItem(dev_spacer);
}

void MainWindow::on_quit_action_triggered()
{
    close();
}

void MainWindow::on_splitter_edge_changed(int, int)
{
    setPrjTreeColumnsToPanel();
    const int family = device_info.typeCode;
    if (family == 5)
        relayoutRvaLocal();
    else if (family == 1)
        relayoutRvbLocal();
}

void MainWindow::on_usb_splitter_edge_changed(int, int)
{
    setDeviceTreeColumnToPanel();
    const int family = device_info.typeCode;
    if (family == 5)
        relayoutRvaDevice();
    else if (family == 1)
        relayoutRvbDevice();
}

void MainWindow::on_dev_button_released()
{
    // Qt has already toggled the button on release; restore the pair first.
    const bool wasPcMode = pc_button->isChecked();
    dev_button->setChecked(true);
    pc_button->setChecked(false);
    if (!wasPcMode)
        return;

    applyModeActions(ShellMode::DeviceMode);
    resetSelectAllToggle();
    central_layout->removeWidget(splitter);
    central_layout->addWidget(dev_area);
    splitter->hide();
    localRvaView()->hide();
    localRvbView()->hide();
    hideSurveyViews();
    placeDevSpacerOnce();
    dev_area->show();
}

void MainWindow::on_pc_button_released()
{
    const bool wasDeviceMode = dev_button->isChecked();
    pc_button->setChecked(true);
    dev_button->setChecked(false);
    if (!wasDeviceMode)
        return;

    if (serial_thread.isRunning())
        serial_thread.stopAndWait();
    // Its toggled(false) runs the disconnect of the device link, which sets the actions of a
    // logger-less device panel; the PC column of the mode table is applied after it.
    usb_open_button->setChecked(false);
    applyModeActions(ShellMode::PcMode);
    ::clearDeviceCache();

    central_layout->removeWidget(dev_area);
    central_layout->addWidget(splitter);
    dev_area->hide();
    splitter->show();
    localRvaView()->hide();
    localRvbView()->hide();
    hideSurveyViews();
    // Lay the splitter out before the panel is measured, or the record views just hidden would
    // still hold their (minimum) widths and the tree columns would fit a sliver of the panel.
    central_layout->activate();
    splitter->refresh();
    setPrjTreeColumnsToPanel();
    setCheckAll(PrjTree, 0);
    resetSelectAllToggle();
    relayoutRvaLocal();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The link ends first: queued downloads point into the device tree cleared below.
    endDeviceLink();
    PrjTree->clear();
    forgetShownEntry();
    afterSurveyRemoval();
    UsbPrjTree->clear();
    clearUnitTables();
    about_window.close();
    id_dialog.close();
    calendar_box.close();
    parameter_dialog.close();
    pipe_dialog.close();
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The first resize comes with showing the window: the panels keep the widths they set.
    if (!firstResizeSeen) {
        firstResizeSeen = true;
        return;
    }
    setPrjTreeColumnsToPanel();
    setDeviceTreeColumnToPanel();
    relayoutRvaLocal();
    relayoutRvaDevice();
}
