#pragma once

// Editing from the local RVA record window: a bar above the window while the shown file belongs
// to a point of a project whose index is known. The switch "修正后 / 原始数据", buttons to edit
// the range between the hydrograph's cursors or the selected table rows (the survey window's
// dialog), undo and redo, an export of what is shown, and a line saying how many edits in force
// touch the file. Edits made here are stored for the point with the file's name (they touch its
// records only), through the project database; the data file itself is never written.
//
// The bar reads the point's survey and edits; the window's owner shows the file (reshow) and asks
// the bar whether to show its edited records (showsEdited, view).

#include "survey/Edits.h"
#include "views/FileEditing.h"
#include "views/SurveyContent.h"
#include "views/SurveyEditDialog.h"
#include "views/SurveyEditing.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class RvaWindowBase;

namespace lmv::survey {
class ProjectDb;
}

class FileEditBar : public QWidget
{
    Q_OBJECT

public:
    // A hidden bar for the window's records, hydrograph and table.
    FileEditBar(RvaWindowBase *window, QWidget *parent);
    ~FileEditBar() override;

    // A file of a point: reads the point's survey (its files joined) and edits from the project
    // database beside the index and shows the bar. A target without an index path hides it.
    void showFile(const lmv::SurveyTarget &target, const QString &path);
    // Reads the point's files again (a dialog rewrote the shown file's header).
    void reload();
    // Hides the bar and forgets the file.
    void clear();

    // A file of a known point is shown.
    bool active() const { return !m_path.isEmpty(); }
    const QString &filePath() const { return m_path; }
    // The window shows the file's edited records: 修正后 chosen, the edits readable and some edit
    // in force touches the file. Otherwise it shows the file as it is.
    bool showsEdited() const;
    // The file raw and edited, and what touches it.
    const lmv::FileEditView &view() const { return m_view; }
    const lmv::SurveyContent &content() const { return m_content; }

    // The range between the hydrograph's cursors; that of the table rows selected.
    lmv::EditRange cursorRange() const;
    lmv::EditRange selectedRange() const;
    // Opens the edit dialog over a range (after a word in the bar when there is none).
    void editRange(const lmv::EditRange &range);
    // Stores an edit of this file (its name set here) and shows the result; false with *error.
    bool storeEdit(lmv::survey::Edit &edit, QString *error = nullptr);
    bool undo();
    bool redo();
    // Shows the edited records (the default) or the file as it is.
    void setLayerChoice(lmv::survey::LayerChoice choice);
    // Writes what the window shows to a text (.txt) or CSV (.csv) file: the edited records with a
    // flag column and the removed ones while edits touch the file, else the file's own export.
    bool exportShown(const QString &path);

    SurveyEditDialog *dialog() const;
    // How a dialog is shown (open(): window-modal, not blocking); tests replace it.
    std::function<void(SurveyEditDialog *)> showDialog;
    // Where the export goes (a save dialog; tests replace it); empty: not exported.
    std::function<QString(const QString &suggestedName)> askExportPath;
    // Shows the file again as showsEdited() says; set by the window's owner.
    std::function<void()> reshow;

    QComboBox *layerSwitch = nullptr; // 0: 修正后, 1: 原始数据
    EditButtons buttons;              // edit between the cursors, the selection; undo, redo; export
    QLabel *summaryLabel = nullptr;   // how many edits touch the file
    QLabel *messageLabel = nullptr;   // what the last action did

signals:
    // The file's view changed after an edit of it was stored, undone or redone.
    void editsChanged();

private:
    // The point's history again, and what it makes of the file.
    void readEdits();
    void updateState();
    std::vector<qint64> shownTimes() const; // of the records shown, in file order
    void afterChange(const QString &message);
    void say(const QString &text);
    bool finishStep(const lmv::HistoryStep &step);

    RvaWindowBase *m_window;
    std::unique_ptr<lmv::survey::ProjectDb> m_db;
    lmv::SurveyContent m_content;
    lmv::FileEditView m_view;
    QString m_path;
    lmv::survey::LayerChoice m_choice = lmv::survey::LayerChoice::Edited;
    std::optional<qint64> m_redoable;
    QPointer<SurveyEditDialog> m_dialog;
};
