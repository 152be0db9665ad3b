#include "views/FileEditBar.h"

#include "data/Export.h"
#include "data/TimeSteps.h"
#include "survey/EditExport.h"
#include "survey/EditStore.h"
#include "survey/ProjectDb.h"
#include "survey/Visits.h"
#include "views/HydrographPlace.h"
#include "views/RvaWindowBase.h"
#include "views/SurveyEditDialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace lmv;
using namespace lmv::survey;

namespace {

// The edit with this id in a history, or null.
const Edit *editById(const std::vector<Edit> &edits, std::optional<qint64> id)
{
    for (const Edit &e : edits)
        if (id && e.id == *id)
            return &e;
    return nullptr;
}

} // namespace

FileEditBar::FileEditBar(RvaWindowBase *window, QWidget *parent) : QWidget(parent), m_window(window)
{
    showDialog = [](SurveyEditDialog *d) { d->open(); };
    askExportPath = [this](const QString &suggested) {
        return askExportFile(this, QStringLiteral("导出文件数据"), suggested);
    };
    auto *bar = new QHBoxLayout(this);
    bar->setContentsMargins(2, 0, 2, 0);
    bar->setSpacing(2);
    layerSwitch = new QComboBox(this);
    layerSwitch->addItems({QStringLiteral("修正后"), QStringLiteral("原始数据")});
    layerSwitch->setToolTip(QStringLiteral("显示监测点修正后的本文件记录, 或文件中的原始数据"));
    bar->addWidget(layerSwitch);
    buttons = addEditButtons(bar, this, QStringLiteral("明细表中所选的记录"));
    // Short texts: the bar shares the window's width with the line about the file.
    buttons.cursor->setText(QStringLiteral("修正 A-B…"));
    buttons.selection->setText(QStringLiteral("修正所选…"));
    summaryLabel = new QLabel(this);
    summaryLabel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred); // whole, before the message
    messageLabel = new QLabel(this);
    messageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    messageLabel->setContentsMargins(8, 0, 0, 0);
    bar->addWidget(buttons.exportData);
    bar->addWidget(summaryLabel);
    bar->addWidget(messageLabel, 1);

    connect(layerSwitch, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { setLayerChoice(index == 1 ? LayerChoice::Raw : LayerChoice::Edited); });
    connect(buttons.cursor, &QPushButton::clicked, this, [this] { editRange(cursorRange()); });
    connect(buttons.selection, &QPushButton::clicked, this, [this] { editRange(selectedRange()); });
    connect(buttons.undo, &QPushButton::clicked, this, &FileEditBar::undo);
    connect(buttons.redo, &QPushButton::clicked, this, &FileEditBar::redo);
    connect(buttons.exportData, &QPushButton::clicked, this, [this] {
        const QString path =
            askExportPath ? askExportPath(QFileInfo(m_path).completeBaseName() + QStringLiteral(".txt"))
                          : QString();
        if (!path.isEmpty())
            exportShown(path);
    });
    hide();
}

FileEditBar::~FileEditBar() = default;

SurveyEditDialog *FileEditBar::dialog() const
{
    return m_dialog;
}

void FileEditBar::say(const QString &text)
{
    messageLabel->setText(text);
    messageLabel->setToolTip(text); // the line may be cut short
}

void FileEditBar::showFile(const SurveyTarget &target, const QString &path)
{
    if (m_dialog) // it was opened for the file shown before
        m_dialog->close();
    if (target.indexPath.isEmpty()) {
        clear();
        return;
    }
    m_path = path;
    m_content.clear();
    m_db = std::make_unique<ProjectDb>(ProjectDb::pathFor(target.indexPath));
    m_content.load(target, {}, m_db.get());
    m_view = fileEditView(m_content.point(), m_path);
    say(QString());
    updateState();
    show();
}

void FileEditBar::reload()
{
    if (!active())
        return;
    // Copies: showing the file again starts by forgetting them.
    const SurveyTarget target = m_content.target();
    const QString path = m_path;
    showFile(target, path);
}

void FileEditBar::clear()
{
    if (m_dialog)
        m_dialog->close();
    m_content.clear();
    m_db.reset();
    m_path.clear();
    m_view = {};
    m_redoable.reset();
    hide();
}

bool FileEditBar::showsEdited() const
{
    return active() && m_choice == LayerChoice::Edited && m_content.editsProblem().isEmpty() &&
           m_view.touched();
}

void FileEditBar::readEdits()
{
    m_content.refreshEdits();
    m_view = fileEditView(m_content.point(), m_path);
    updateState();
}

void FileEditBar::updateState()
{
    const QString problem = m_content.editsProblem();
    const bool writable = problem.isEmpty() && m_db && !m_db->readOnly() && !m_view.fileName.isEmpty();
    const std::vector<Edit> &edits = m_content.point().edits();
    // Undo and redo act on the point's latest edit; from here only when it touches this file.
    const Edit *undoable = editById(edits, latestEditInForce(edits));
    m_redoable = writable ? redoableEdit(*m_db, m_content.point().point()) : std::nullopt;
    const Edit *redoable = editById(edits, m_redoable);
    layerSwitch->setCurrentIndex(m_choice == LayerChoice::Raw ? 1 : 0);
    layerSwitch->setEnabled(problem.isEmpty());
    buttons.cursor->setEnabled(writable);
    buttons.selection->setEnabled(writable);
    buttons.undo->setEnabled(writable && undoable && editTouchesFile(*undoable, m_view));
    buttons.redo->setEnabled(writable && redoable && editTouchesFile(*redoable, m_view));
    QString summary = fileEditSummary(m_view);
    if (!problem.isEmpty())
        summary = problem;
    else if (m_db && m_db->readOnly())
        summary += QStringLiteral("; ") + m_db->message();
    summaryLabel->setText(summary);
}

std::vector<qint64> FileEditBar::shownTimes() const
{
    return m_window->UnitModel ? clockSeconds(m_window->UnitModel->records()) : std::vector<qint64>();
}

EditRange FileEditBar::cursorRange() const
{
    const Hydrograph *h = m_window->hydrograph;
    return rangeFromRecords(shownTimes(), h->cursorRecord(Hydrograph::Cursor::A),
                            h->cursorRecord(Hydrograph::Cursor::B));
}

EditRange FileEditBar::selectedRange() const
{
    std::vector<qint64> times;
    const RvaRecordModel *model = m_window->UnitModel;
    for (const QModelIndex &i : m_window->UnitTable->selectionModel()->selectedRows())
        times.push_back(clockSeconds(model->recordAtRow(i.row()).time));
    return rangeOfTimes(times, QStringLiteral("请先在明细表中选择记录"));
}

void FileEditBar::editRange(const EditRange &range)
{
    EditDialogRequest request;
    request.refusal = !active() ? QStringLiteral("没有显示文件") : m_content.editsProblem();
    if (request.refusal.isEmpty() && m_db->readOnly())
        request.refusal = m_db->message();
    request.visits = [this] {
        const PointSurvey &point = m_content.point();
        return visitDifferences(visitsOf(*m_db, point.point()), point.raw());
    };
    request.store = [this](Edit &edit, QString *error) { return storeEdit(edit, error); };
    request.show = [this](SurveyEditDialog *d) {
        d->setWindowTitle(QStringLiteral("修正数据 - %1").arg(m_view.fileName));
        showDialog(d);
    };
    openEditDialog(m_dialog, this, range, messageLabel, request);
}

bool FileEditBar::storeEdit(Edit &edit, QString *error)
{
    if (m_view.fileName.isEmpty()) {
        if (error)
            *error = fileEditSummary(m_view);
        return false;
    }
    // An edit made here touches this file's records only.
    edit.file = m_view.fileName;
    if (!storeShownEdit(m_db.get(), m_content, edit, error))
        return false;
    afterChange(QStringLiteral("已保存修正 %1 (%2)").arg(edit.id).arg(editOpText(edit.op)));
    return true;
}

bool FileEditBar::undo()
{
    const std::vector<Edit> &edits = m_content.point().edits();
    const Edit *latest = editById(edits, latestEditInForce(edits));
    if (latest && !editTouchesFile(*latest, m_view)) {
        say(QStringLiteral("最近的修正 %1 不涉及本文件, 请在监测点的调查窗口中撤销").arg(latest->id));
        return false;
    }
    return finishStep(undoShownEdit(m_db.get(), m_content.point()));
}

bool FileEditBar::redo()
{
    return finishStep(redoShownEdit(m_db.get(), m_content.point(), m_redoable));
}

bool FileEditBar::finishStep(const HistoryStep &step)
{
    if (!m_db)
        return false;
    if (!step.done) {
        readEdits();
        say(step.message);
        return false;
    }
    afterChange(step.message);
    return true;
}

void FileEditBar::afterChange(const QString &message)
{
    // The window shows the file anew; the user keeps looking where the edit was made.
    const HydrographPlace place = HydrographPlace::of(m_window->hydrograph, shownTimes());
    readEdits();
    if (reshow)
        reshow();
    m_window->refreshHydrograph();
    place.restore(m_window->hydrograph);
    say(message);
    emit editsChanged();
}

void FileEditBar::setLayerChoice(LayerChoice choice)
{
    m_choice = choice;
    updateState();
    if (reshow)
        reshow();
}

bool FileEditBar::exportShown(const QString &path)
{
    const ExportFormat format =
        path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? ExportFormat::Csv : ExportFormat::Text;
    const int result = showsEdited() ? exportLayerRows(m_view.raw, m_view.edited, path, format, true)
                                     : exportFile(m_path, path, format);
    const bool ok = result == ExportOk;
    say(ok ? QStringLiteral("已导出 %1").arg(path) : QStringLiteral("无法写入 %1").arg(path));
    return ok;
}
