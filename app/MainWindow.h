#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QMainWindow>

#include "app/DevSelection.h"
#include "app/PathQuestion.h"
#include "app/ProjectWindow.h"
#include "app/RainImportAction.h"
#include "app/SaveIndex.h"
#include "app/ShownEntry.h"
#include "data/ProjectIndex.h"
#include "device/UsbPort.h"
#include "device/UsbPrjWindow.h"
#include "report/ModelExportJob.h"
#include "report/SurveyReport.h"
#include "views/RVA_RecordWindow.h"
#include "views/RVA_UsbRecordWindow.h"
#include "views/RVB_RecordWindow.h"
#include "views/RVB_UsbRecordWindow.h"
#include "views/RainImportDialog.h"
#include "views/SurveyContent.h"

#include "app/AboutUsWindow.h"
#include "app/CalendarBox.h"
#include "data/StoreFailures.h"
#include "data/StoreSelection.h"
#include "device/CopyDevProgress.h"
#include "device/Modify_ID_Window.h"
#include "device/ReadDevProgress.h"
#include "device/core/DownloadJob.h"
#include "device/core/LinkSession.h"
#include "device/serial/SerialThread.h"
#include "views/ParameterModify.h"
#include "views/PipeModifyWindow.h"

class Hyetograph;
class ProjectOverviewView;
class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QProgressBar;
class QSpacerItem;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;
class SurveyWindow;

// The one window of the viewer. Its definition is split by subsystem:
//   MainWindow.cpp         construction, decoration, layout, mode switch, resize, close
//   MainWindow_Local.cpp   local project tree and file display dispatch
//   MainWindow_Tables.cpp  record table interactions and clipboard copy
//   MainWindow_Device.cpp  connection, directory walk, download, calendar
//   MainWindow_Edit.cpp    calculation and pipe parameter dialogs, device number
//   MainWindow_Save.cpp    text/CSV export and saving into the local store
//   MainWindow_Survey.cpp  a point's survey and a project's overview in PC mode
class MainWindow : public QMainWindow,
                   public DevSelection,
                   public ProjectWindow,
                   public RVA_RecordWindow,
                   public RVB_RecordWindow,
                   public UsbPrjWindow,
                   public RVA_UsbRecordWindow,
                   public RVB_UsbRecordWindow,
                   public UsbPort
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

signals:
    void UsbPortOpen(uint, QString);
    void RVA_UsbPortReadPrj(uchar);
    void RVA_UsbPortReadPos(QString, uchar);
    void RVA_UsbPortReadFile(QString, uchar);
    void RVA_ReadUsbPortRecordData(QString, uchar);
    void RVA_TerminateReading();
    void RVB_UsbPortReadPrj(uchar);
    void RVB_UsbPortReadPos(QString, uchar);
    void RVB_UsbPortReadFile(QString, uchar);
    void RVB_ReadUsbPortRecordNode(QString);
    void RVB_ReadUsbPortRecordData(QString, uchar, uint, uint);
    void RVB_TerminateReading();

public slots:
    // ---- shell (MainWindow.cpp) ----
    void on_quit_action_triggered();
    void on_splitter_edge_changed(int pos, int index);
    void on_usb_splitter_edge_changed(int pos, int index);
    void on_pc_button_released();
    void on_dev_button_released();

    // ---- local project tree and dispatch (MainWindow_Local.cpp) ----
    void on_open_prj_action_triggered();
    void on_open_file_action_triggered();
    void on_select_all_triggered();
    void on_remove_action_triggered();
    void on_PrjTreeColumnResized(int logicalIndex, int oldSize, int newSize);
    void on_file_item_clicked(QTreeWidgetItem *item);

    // ---- saving and export (MainWindow_Save.cpp) ----
    void on_save_lmv_action_triggered();
    void on_save_txt_action_triggered();
    void on_save_csv_action_triggered();

    // ---- editing dialogs (MainWindow_Edit.cpp) ----
    void on_parameter_modify_action_triggered();
    void on_pipe_modify_action_triggered();
    // The scattergraph's sediment estimate: the pipe dialog for the shown file's point, its
    // sediment field holding the estimate; nothing is written unless the user saves there.
    void on_scatter_sediment_requested(int sedimentMm);
    void on_id_modify_action_triggered();
    void on_RecievedGainCoef(float gain, float coefficient);
    void on_RecievedGainCoefForSaving(float gain, float coefficient);
    // EDIT-SLOTS (on_RecievedPipeInfo / on_RecievedPipeInfoForSaving go here)
    void on_RecievedPipeInfo(lmv::PipeSaveIntoTfType pipe);
    void on_RecievedPipeInfoForSaving(lmv::PipeSaveIntoTfType pipe);

    // ---- device link (MainWindow_Device.cpp) ----
    void on_usb_open_toggled(bool check);
    void Once_DevInfoRecieved(QByteArray array);
    void Once_UsbDisconnect();
    void Once_RVA_PrjNameRecieved(QByteArray array);
    void Once_RVA_PosNameRecieved(QByteArray array);
    void Once_RVA_FileNameRecieved(QByteArray array);
    void Once_RVB_PrjNameRecieved(QByteArray array);
    void Once_RVB_PosNameRecieved(QByteArray array);
    void Once_RVB_FileNameRecieved(QByteArray array);
    void on_UsbTimer_Timeout();
    void Once_RVA_DataRecordRecieved(QByteArray array);
    void Once_RVB_DataNodeRecieved(QByteArray array);
    void Once_RVB_DataRecordRecieved(QByteArray array);
    void once_UsbTreeItemClicked(QTreeWidgetItem *item);
    void on_ProgressTerminate();
    void OnceCalendarBoxIsClicked(QDate date);

    // ---- record tables (MainWindow_Tables.cpp) ----
    void on_RVA_RecordTable_Header_clicked(int column);
    void on_RVB_RecordTable_Header_clicked(int column);
    void on_UnitTable_Header_clicked(int column);
    void on_SumTable_cellClicked(int row, int column);
    void Once_RVA_RecordTableSizeChanged(int logicalIndex, int oldSize, int newSize);
    void Once_RVB_RecordTableSizeChanged(int logicalIndex, int oldSize, int newSize);
    void on_RVA_RecordTable_H_Scroll_Value_Changed(int value);
    void on_RVB_RecordTable_H_Scroll_Value_Changed(int value);
    void on_SumTable_H_Scroll_Value_Changed(int value);
    void on_UsbRecordTable_Header_clicked(int column);
    void on_UsbUnitTable_Header_clicked(int column);
    void on_UsbSumTable_cellClicked(int row, int column);
    void Once_RVA_UsbRecordTableSizeChanged(int logicalIndex, int oldSize, int newSize);
    void Once_RVB_UsbRecordTableSizeChanged(int logicalIndex, int oldSize, int newSize);
    void on_RVA_UsbRecordTable_H_Scroll_Value_Changed(int value);
    void on_RVB_UsbRecordTable_H_Scroll_Value_Changed(int value);
    void on_UsbSumTable_H_Scroll_Value_Changed(int value);
    void on_RVA_CopyLocRecordBtn_Clicked();
    void on_RVA_UsbCopyRecordBtn_Clicked();
    void on_RVB_CopyLocRecordBtn_Clicked();
    void on_RVB_UsbCopyRecordBtn_Clicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Each subsystem file makes its own connections; the constructor calls them in this order.
    void connectRecordViews(); // MainWindow_Tables.cpp
    void connectDeviceLink();  // MainWindow_Device.cpp
    void connectDialogs();     // MainWindow_Edit.cpp
    void connectSaving();      // MainWindow_Save.cpp

    // ---- shell helpers (MainWindow.cpp) ----
    enum class ShellMode
    {
        DeviceMode,
        PcMode,
    };
    void buildDecoration();
    void assembleLayout();
    void connectShell();
    void applyModeActions(ShellMode mode);
    void resetSelectAllToggle();
    void setPrjTreeColumnsToPanel();
    void setDeviceTreeColumnToPanel();
    void placeDevSpacerOnce();
    void clearUnitTables();
    QWidget *localRvaView();
    QWidget *localRvbView();
    QWidget *deviceRvaView();
    QWidget *deviceRvbView();
    void relayoutRvaLocal();
    void relayoutRvbLocal();
    void relayoutRvaDevice();
    void relayoutRvbDevice();

    // ---- local tree and dispatch helpers (MainWindow_Local.cpp) ----
    void addIndexEntries(const QList<IndexEntry> &projects);
    // Entries of loose data files, joined to the nodes of earlier loose files of their project.
    void addLooseFileEntries(const QList<IndexEntry> &projects);
    // Whether a chosen path can be read; says why not in a warning box titled as the command.
    bool canOpenOrSay(const QString &path, const QString &title);
    void openDataFile(const QString &path);
    // Returns true when the shown entry was among the removed ones.
    bool removeCheckedEntries(QTreeWidget *tree);
    void showLocalView(bool rva);
    void showFile(QTreeWidgetItem *file);
    // Shows an RVA file entry in the local window (its point's edited records when the edit bar
    // says so), with the point's pipe applied when it has one.
    void showLocalRvaFile(const QTreeWidgetItem *file);
    void showPointSummaryRva(QTreeWidgetItem *point);
    void showPointSummaryRvb(QTreeWidgetItem *point);

    // ---- record views as the shell and the dispatch use them (MainWindow_ViewGlue.cpp) ----
    void resetLocalViews();
    void clearLocalRvaView();
    void clearLocalRvbView();
    void loadLocalRvaFile(const QString &path);
    void loadLocalRvbFile(const QString &path);
    void applyPipeToLocalRva(const std::array<std::uint32_t, 5> &pipe);
    void setLocalInfo(bool rva, const PointSummary &summary);

    // Enables the two editing actions for what shownEntry says is shown.
    void syncEditActions();
    // Forgets what was shown (the views no longer show it) and disables the editing actions.
    void forgetShownEntry();
    QTreeWidgetItem *shownPointItem() const;

public:
    // "移除" after its question was answered Yes: removes the checked entries and empties the
    // views that showed them.
    void removeCheckedLocalEntries();
    // What the local record view shows and the tree entry it came from (point or file item);
    // the editing dialogs act on it.
    lmv::ShownEntry shownEntry;
    QTreeWidgetItem *shownItem = nullptr;

    // Reads a chosen file into the local tree as "打开项目(P)" does after its dialog
    // (index file or data file by its suffix; anything else adds nothing).
    void openLocalPath(const QString &path);

    // Asks the user for the path of an open or save command; the file dialog unless replaced
    // (tests answer here instead of driving a dialog).
    PathAsker askPath = [this](const PathQuestion &question) {
        return askPathWithFileDialog(this, question);
    };

private:
public:
    // ---- shell widgets (MainWindow.cpp) ----
    QWidget *central_widget = nullptr;
    QSplitter *splitter = nullptr;
    QSplitter *usb_splitter = nullptr;
    QWidget *dev_area = nullptr;
    QVBoxLayout *dev_layout = nullptr;
    QSpacerItem *dev_spacer = nullptr;
    QHBoxLayout *central_layout = nullptr;

    QMenu *file_menu = nullptr;
    QMenu *edit_menu = nullptr;
    QMenu *save_menu = nullptr;
    QMenu *about_menu = nullptr;

    QAction *open_file_action = nullptr;
    QAction *open_prj_action = nullptr;
    QAction *save_txt_action = nullptr;
    QAction *save_lmv_action = nullptr;
    QAction *save_csv_action = nullptr;
    QAction *quit_action = nullptr;
    QAction *pipe_modify_action = nullptr;
    QAction *parameter_modify_action = nullptr;
    QAction *id_modify_action = nullptr;
    QAction *select_all_action = nullptr;
    QAction *remove_action = nullptr;
    QAction *about_action = nullptr;

    QLabel *status_label = nullptr;
    QProgressBar *status_progress = nullptr;
    QLabel *version_label = nullptr;
    QToolBar *main_toolbar = nullptr;

    // ---- value members, constructed in this order ----
    SerialThread serial_thread;
    // DEVICE-INFO (the DeviceInfo member of the connected logger goes here)
    lmv::DeviceInfo device_info; // the connected logger, as its device information reply said
    ReadDevProgress read_progress;
    CopyDevProgress copy_progress;
    ParameterModify parameter_dialog;
    PipeModifyWindow pipe_dialog;
    Modify_ID_Window id_dialog;
    AboutUsWindow about_window;
    CalendarBox calendar_box;

    bool firstResizeSeen = false;

    // ---- local project tree and dispatch state (MainWindow_Local.cpp) ----
    // LOCAL-STATE
    // "设备号:" + number of the last "$id$" line read; emptied by every open command.
    QString currentDeviceRemark;

    // ---- record tables state: unit factors (MainWindow_Tables.cpp) ----
    // TABLES-STATE
    // Display factors of the selected level, velocity and flow units (RvaUnitLabels 2, 4, 6);
    // shared by the local and the device RVA window for the whole run.
    float levelFactor = 1.0f;
    float velocityFactor = 1.0f;
    float flowFactor = 1.0f;
    lmv::UnitFactors unitFactors() const { return {levelFactor, velocityFactor, flowFactor}; }
    void setUnitFactors(const lmv::UnitFactors &factors);
    // Derives the three factors from RvaUnitLabels; called before each RVA fill.
    void refreshUnitFactors();
    // Recompute operations of the RVA windows after new corrections (and units); each takes the
    // target table and does nothing without one. Shown values follow the stored ones.
    void recomputeSumTable(float vc, float fc, QTableWidget *sumTable);
    void recomputeLevelColumn(QTableView *unitTable);
    void recomputeVelocityColumn(float vc, QTableView *unitTable);
    void recomputeFlowColumn(float vc, float fc, QTableView *unitTable);

    // ---- device link state (MainWindow_Device.cpp) ----
    // DEVICE-STATE
    // What is asked, what is owed, the directory read so far and the running download: every
    // reply, arriving byte and timer expiry goes through it (see LinkSession).
    lmv::LinkSession linkSession;
    QElapsedTimer linkClock;
    // The application-wide reply timer: single period of usbTimerInterval ms (2000; tests shorten
    // it), restarted as the link session says.
    QTimer *UsbTimer = nullptr;
    int usbTimerInterval = 2000;
    uint selectedBaudRate = 115200;
    QString selectedPortName;
    // Download queue. The head is the file being downloaded. Saving (MainWindow_Save.cpp) fills it
    // and calls startHeadDownload(0); each file that has arrived complete in the cache is announced
    // by deviceFileArrived(cachePath) while its job is still the head. See startHeadDownload().
    QList<lmv::DownloadJob> downloadJobs;
    quint8 downloadMode = 1; // 1 viewing (read_progress), 0 saving (copy_progress)
    lmv::DayNodeArray dayNodes{};
    quint8 dayNumber = 0;
    quint32 rangeStart = 0;
    quint32 rangeEnd = 0;

    // Starts downloading the head of downloadJobs (group RVA): page 0 of its device path, timer
    // restarted. mode 0 (saving): progress goes to copy_progress and, once the file is complete and
    // finished in the cache, deviceFileArrived(cachePath) is emitted with the job still at the head
    // and the reply timer already stopped; the receiver removes the head and calls this again for
    // the next job. mode 1 (viewing): read_progress is shown and the file is shown when complete.
    // Returns false (nothing sent) when the queue is empty, no RVA logger is connected or the link
    // is busy walking or downloading.
    bool startHeadDownload(quint8 mode);
    Q_SIGNAL void deviceFileArrived(QString cachePath);
    // Asks the connected logger for its device information again (the barrier of LinkSession).
    Q_SIGNAL void UsbReadDevInfo();
    // Reply timer operations: restart with the count zeroed, restart keeping it, stop and zero it.
    void restartTimer();
    void restartTimerKeepCount();
    void stopTimer();
    // Test hook: a shorter reply timer period.
    void setUsbTimerIntervalForTest(int ms) { usbTimerInterval = ms; }
    // Cache path of one day of the head job's monthly file.
    QString dayFilePath(int day) const;
    void openCalendar(int year, int month, int firstDay, int lastDay);

private:
    // Stops the reply timer and the worker and closes what a running operation opened.
    void endDeviceLink();
    // A save cut off by the link going: its progress closes, the files left are listed as unwritten.
    void abandonSaveQueue();
    bool linkLostNotice = false; // the disconnect warning comes first, the list of files after it
    void sendDeviceRequest(const lmv::DeviceRequest &request);
    // Carries out what the link session says: the event first, then the requests, then the timer.
    void applyLinkStep(const lmv::LinkStep &step);
    void feedReply(lmv::ReplyKind kind, const QByteArray &content);
    void addWalkEntries(const lmv::WalkStep &step);
    void onDeviceInfoTaken(const lmv::DeviceInfo &info);
    void storeRvaPage(const lmv::LinkStep &step);
    void storeRvbPage(const lmv::LinkStep &step);
    void showNodeTable(const lmv::NodeTable &table);
    // A download running when the link ends is stopped on the logger first.
    void stopDownloadOnLogger();
    lmv::DeviceFileRef fileRefOf(const lmv::DownloadJob &job) const;
    void stepDirectoryProgress();
    void resetDirectoryProgress();
    void prepareDeviceViews();
    void showDeviceEntrySummary(QTreeWidgetItem *item);
    void startRvaView(QTreeWidgetItem *file);
    void startRvbNodeRequest(QTreeWidgetItem *file);
    lmv::DownloadJob jobForFileItem(QTreeWidgetItem *file, const QString &destination = QString()) const;
    lmv::CacheLocation cacheLocationOf(const lmv::DownloadJob &job) const;
    bool headJobIsFile() const;
    void reportPageDone();
    void showCachedRvaFile(const QString &path);
    void showCachedRvbFile(const QString &path);
    void warnNoRecords();

public:
    // ---- editing state (MainWindow_Edit.cpp) ----
    // EDIT-STATE
    // What the editing dialogs were opened for; their results apply to these alone, and the
    // view only while it still shows them.
    QString parameterTargetPath;                // file of the parameter dialog
    QTreeWidgetItem *pipeTargetPoint = nullptr; // point of the pipe dialog, looked up in the tree before use
    QString pipeTargetKey;                      // texts of that point and its project
    bool showsParameterTarget() const;
    void applyCorrectionsToView(float vc, float fc);

    // ---- saving state (MainWindow_Save.cpp) ----
    // SAVE-STATE
    // What a queued file becomes once it has arrived: 0 data file, 1 text, 2 CSV.
    quint8 saveFormat = 0;
    // Files of the running save that were not written; listed to the user when the save ends.
    lmv::StoreFailureList saveFailures;
    // The index files of the running save of data files, listing only what has been written.
    lmv::SaveIndex saveIndex;
    lmv::SaveSelection collectSelection(QTreeWidget *deviceTree, const QString &saveRoot,
                                        quint32 deviceNumber);
    // Stores the ticked files that are cached at once and queues the others in downloadJobs.
    int queueOrStore(QTreeWidget *deviceTree, const QString &saveRoot, lmv::SaveFormat format);
    // Called by the record download in save mode once the head job's file is complete.
    void storeArrivedFile(const lmv::DownloadJob &job, const QString &cachePath);
    void convertCheckedLocalFiles(lmv::SaveFormat format);
    void saveCheckedDeviceFiles(lmv::SaveFormat format);
    void startSaveDownload();
    void reportSaveFailures();
    void reportStoppedSave();

    // ---- surveys and the project overview (MainWindow_Survey.cpp) ----
    // SURVEY-STATE
    // A point's survey and a project's overview, shown in the splitter where the record windows
    // show a file (one of them, or a record window, at a time).
    SurveyWindow *survey_window = nullptr;
    ProjectOverviewView *overview_view = nullptr;
    // Shows the survey of a point entry: its files as the tree lists them, joined.
    void showPointSurvey(QTreeWidgetItem *point);
    // The point of a point entry as a survey reads it (no index path for loose data files).
    lmv::SurveyTarget surveyTargetOf(const QTreeWidgetItem *point) const;
    // Shows the overview of a project entry's points, computed on a thread of its own.
    void showProjectOverview(QTreeWidgetItem *project);
    // Hides the survey and the overview (a file is shown, the mode changes).
    void hideSurveyViews();
    // A survey record in its own file: the file's entry selected and shown as a click shows it,
    // the table at the record (file order index; -1: the file alone).
    void openSurveyRecord(const QString &path, qint64 record);
    // The survey of a point of the project the overview shows, at a day (days since 1970-01-01).
    void openSurveyDay(const QString &point, qint64 day);
    // The survey reads the point's files again when it shows that point (its files were rewritten).
    void refreshSurveyOf(QTreeWidgetItem *point);

private:
    void setupSurveyViews();
    // Remembers on the project entries added from an index file where that file lies (the
    // survey's project database sits beside it).
    void rememberIndexPath(int firstNewProject, const QString &indexPath);
    // After "移除": the survey follows what is still shown, the overview goes with its project.
    void afterSurveyRemoval();
    QTreeWidgetItem *overviewProjectItem() const;
    QString overviewProjectKey; // column 0 and 1 of the project the overview shows

public:
    // ---- rain gauges (MainWindow_Rain.cpp) ----
    // "导入雨量计数据" in the file menu: enabled in PC mode while the tree's current entry belongs
    // to a project.
    QAction *rain_import_action = nullptr;
    // Shows the import dialog; true when the user confirmed (tests answer here instead).
    std::function<bool(RainImportDialog &)> runRainImportDialog = [](RainImportDialog &dialog) {
        return dialog.exec() == QDialog::Accepted;
    };
    void on_rain_import_action_triggered();
    // The hyetograph over the local RVA record window's hydrograph.
    Hyetograph *file_rain = nullptr;
    // The project of the tree's current entry, as the import needs it.
    lmv::RainImportTarget rainImportTarget() const;

private:
    void setupRainImport();
    void updateRainImportAction();
    // The shown file's hydrograph (RVA) gets the rain of its point's gauge, if any; null withdraws it.
    void offerFileRain(const QTreeWidgetItem *file);
    bool rain_pc_mode = false;

public:
    // The points and files of a project entry as the tree lists them, with its index path.
    lmv::survey::ProjectFiles projectFilesOf(QTreeWidgetItem *project) const;

    // ---- reports and model files (MainWindow_Report.cpp) ----
    QPushButton *survey_report_button = nullptr; // "生成报告" of the shown point
    QPushButton *model_export_button = nullptr;  // "导出模型数据" of the shown point
    QAction *project_report_action = nullptr;    // the file menu's report of the current project
    // Asked for a project report's period (first, last: clock seconds to start from); a dialog
    // unless replaced (tests). Nothing: cancelled.
    std::function<std::optional<lmv::survey::SurveyPeriod>(const QString &project, qint64 first, qint64 last)>
        askReportPeriod;
    // Asked for a model file's format, series, unit, step and gauge; a dialog unless replaced.
    std::function<std::optional<lmv::report::ModelExportChoice>(const QString &point,
                                                                const QStringList &gauges)>
        askModelExport;
    // Tells why a report or an export failed; a message box unless replaced.
    std::function<void(const QString &title, const QString &text)> tellReport;
    void makePointReport();
    void makeProjectReport();
    void exportModelData();

private:
    void setupReportActions();
    // Asks for the file, then writes the report under a progress dialog with a cancel button.
    bool writeReport(lmv::report::SurveyReportRequest request, const QString &title);
};
