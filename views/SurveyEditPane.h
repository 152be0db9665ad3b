#pragma once

// Editing in the survey window: the tab "修正记录" above (the point's edit history with undo and
// redo, and buttons to edit the range between the hydrograph's cursors or the rows selected in
// the record table or the daily table), the page "记录表" (the records with their flags, the
// removed ones among them), the switch "修正后 / 原始数据" in the bar of the views, and the raw
// line drawn faint behind the edited one where they differ. Edits go to the project database (EditStore);
// the window then reads them again and every view follows.

#include "survey/Edits.h"
#include "views/RawLineOverlay.h"
#include "views/SurveyEditing.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class SurveyRecordModel;
class SurveyEditDialog;
class SurveyWindow;

class SurveyEditPane : public QWidget
{
    Q_OBJECT

public:
    // Joins the window: a tab of its upper part, the switch in its bar of views.
    explicit SurveyEditPane(SurveyWindow *window);
    ~SurveyEditPane() override;

    // Opens the edit dialog over a range (after a warning in the pane when there is none).
    void editRange(const lmv::EditRange &range);
    // The range between the cursors; that of the records selected in the record table, or
    // without any, of the days selected in the daily table.
    lmv::EditRange cursorRange() const;
    lmv::EditRange selectedRange() const;
    // Stores an edit of the shown point and shows the result; false with *error when refused.
    bool storeEdit(lmv::survey::Edit &edit, QString *error = nullptr);
    // Undoes or redoes the point's latest edit (as the history shows it); false when nothing was.
    bool undo();
    bool redo();
    // Exports the shown layer to a text (.txt) or CSV (.csv) file, with a flag column and the
    // removed records when edits are in force; false with the reason shown when not written.
    bool exportLayer(const QString &path);
    // Where the export goes (a save dialog; tests replace it); empty: not exported.
    std::function<QString(const QString &suggestedName)> askExportPath;

    // The dialog open now, or null.
    SurveyEditDialog *dialog() const;

    // How a dialog is shown (open(): window-modal, not blocking); tests replace it.
    std::function<void(SurveyEditDialog *)> showDialog;

    QComboBox *layerSwitch = nullptr; // 0: 修正后, 1: 原始数据
    QPushButton *cursorEditButton = nullptr;
    QPushButton *selectionEditButton = nullptr;
    QPushButton *undoButton = nullptr;
    QPushButton *redoButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *refreshButton = nullptr; // reads what other windows or lmvtool stored since
    QTableWidget *historyTable = nullptr;
    QLabel *messageLabel = nullptr;
    QTableView *recordTable = nullptr; // the page "记录表"
    SurveyRecordModel *recordModel = nullptr;
    int recordPage = -1;

signals:
    // An edit was stored, undone or redone and the window shows the result.
    void editsChanged();

private:
    void surveyChanged();
    void fillHistory();
    void afterChange(const QString &message);
    // Shows what an undo or redo did (or why not).
    bool finishStep(const lmv::HistoryStep &step);

    SurveyWindow *m_window;
    QPointer<SurveyEditDialog> m_dialog;
    std::optional<qint64> m_redoable; // what redo brought back when the history was read
    RawLineOverlay m_rawLines;        // the faint raw line
};
