#include "views/SurveyEditPane.h"
#include "views/TableFill.h"

#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/SurveyPlotData.h"
#include "survey/EditExport.h"
#include "survey/EditStore.h"
#include "survey/ProjectDb.h"
#include "views/HydrographPlace.h"
#include "views/SurveyCheckView.h"
#include "views/SurveyEditDialog.h"
#include "views/SurveyRecordModel.h"
#include "views/SurveyWindow.h"
#include "views/VisitPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace lmv;
using namespace lmv::survey;

namespace {

const QColor kUndoneColour(160, 160, 160);

QTableWidgetItem *cellItem(const QString &text, bool undone)
{
    auto *item = new QTableWidgetItem(text);
    if (undone)
        item->setForeground(kUndoneColour);
    return item;
}

} // namespace

SurveyEditPane::SurveyEditPane(SurveyWindow *window) : QWidget(window->upperTabs), m_window(window)
{
    showDialog = [](SurveyEditDialog *d) { d->open(); };
    askExportPath = [this](const QString &suggested) {
        return askExportFile(this, QStringLiteral("导出调查数据"), suggested);
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    const EditButtons buttons =
        addEditButtons(bar, this, QStringLiteral("记录表中所选的记录, 或数据检查日表中所选的日期"));
    cursorEditButton = buttons.cursor;
    selectionEditButton = buttons.selection;
    undoButton = buttons.undo;
    redoButton = buttons.redo;
    exportButton = buttons.exportData;
    refreshButton = new QPushButton(QStringLiteral("刷新"), this);
    refreshButton->setToolTip(QStringLiteral("读取其他窗口或命令行保存的修正"));
    messageLabel = new QLabel(this);
    messageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(refreshButton);
    bar->addWidget(exportButton);
    bar->addWidget(messageLabel, 1);
    layout->addLayout(bar);
    historyTable = new QTableWidget(0, 9, this);
    historyTable->setHorizontalHeaderLabels(
        {QStringLiteral("序号"), QStringLiteral("操作"), QStringLiteral("时段"), QStringLiteral("数值"),
         QStringLiteral("水量变化(m3)"), QStringLiteral("原因"), QStringLiteral("用户"),
         QStringLiteral("时间"), QStringLiteral("状态")});
    historyTable->verticalHeader()->hide();
    historyTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    historyTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    historyTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    historyTable->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(historyTable, 1);
    window->upperTabs->addTab(this, QStringLiteral("修正记录"));

    recordTable = new QTableView;
    recordModel = new SurveyRecordModel(recordTable);
    recordTable->setModel(recordModel);
    recordTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    recordTable->verticalHeader()->setDefaultSectionSize(20);
    recordTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    recordPage = window->addPage(QStringLiteral("记录表"), recordTable);

    layerSwitch = new QComboBox(window->pageBar);
    layerSwitch->addItems({QStringLiteral("修正后"), QStringLiteral("原始数据")});
    layerSwitch->setToolTip(QStringLiteral("各视图显示修正后的数据或原始数据"));
    auto *pageBar = static_cast<QHBoxLayout *>(window->pageBar->layout());
    // Before the status line, the bar's last item.
    pageBar->insertWidget(pageBar->count() - 1, layerSwitch);

    connect(layerSwitch, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        m_window->setLayerChoice(index == 1 ? LayerChoice::Raw : LayerChoice::Edited);
    });
    connect(cursorEditButton, &QPushButton::clicked, this, [this] { editRange(cursorRange()); });
    connect(selectionEditButton, &QPushButton::clicked, this, [this] { editRange(selectedRange()); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { m_window->refreshLayer(); });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const SurveyContent &c = m_window->content();
        const QString path =
            askExportPath ? askExportPath(c.point().point() + QStringLiteral(".txt")) : QString();
        if (!path.isEmpty())
            exportLayer(path);
    });
    connect(undoButton, &QPushButton::clicked, this, &SurveyEditPane::undo);
    connect(redoButton, &QPushButton::clicked, this, &SurveyEditPane::redo);
    connect(window, &SurveyWindow::surveyChanged, this, &SurveyEditPane::surveyChanged);
    surveyChanged();
}

SurveyEditPane::~SurveyEditPane() = default;

SurveyEditDialog *SurveyEditPane::dialog() const
{
    return m_dialog;
}

EditRange SurveyEditPane::cursorRange() const
{
    const Hydrograph *h = m_window->hydrograph;
    return rangeFromRecords(m_window->content().layer().times, h->cursorRecord(Hydrograph::Cursor::A),
                            h->cursorRecord(Hydrograph::Cursor::B));
}

EditRange SurveyEditPane::selectedRange() const
{
    const QModelIndexList records = recordTable->selectionModel()->selectedRows();
    if (!records.isEmpty()) {
        std::vector<qint64> times;
        for (const QModelIndex &i : records)
            times.push_back(recordModel->rowTime(i.row()));
        return rangeOfTimes(times, QString());
    }
    const QTableWidget *table = m_window->checkView->daysTable;
    std::optional<qint64> first, last;
    for (const DayVolume &d : m_window->content().figures().days) {
        const QString text = dayText(d.day);
        for (int r = 0; r < table->rowCount(); ++r) {
            const QTableWidgetItem *item = table->item(r, 0);
            if (item && item->text() == text && table->selectionModel()->isRowSelected(r, {})) {
                first = first ? std::min(*first, d.day) : d.day;
                last = last ? std::max(*last, d.day) : d.day;
            }
        }
    }
    if (!first) {
        EditRange none;
        none.message = QStringLiteral("请先在记录表中选择记录, 或在数据检查的日表中选择日期");
        return none;
    }
    return rangeFromDays(*first, *last);
}

void SurveyEditPane::editRange(const EditRange &range)
{
    const ProjectDb *db = m_window->database();
    EditDialogRequest request;
    request.refusal = m_window->content().editsProblem();
    if (request.refusal.isEmpty() && db && db->readOnly())
        request.refusal = db->message();
    request.visits = [this] {
        return visitDifferences(m_window->visitPanel->visits(), m_window->content().point().raw());
    };
    request.store = [this](Edit &edit, QString *error) { return storeEdit(edit, error); };
    request.show = showDialog;
    openEditDialog(m_dialog, this, range, messageLabel, request);
}

bool SurveyEditPane::storeEdit(Edit &edit, QString *error)
{
    if (!storeShownEdit(m_window->database(), m_window->content(), edit, error))
        return false;
    afterChange(QStringLiteral("已保存修正 %1 (%2)").arg(edit.id).arg(editOpText(edit.op)));
    return true;
}

bool SurveyEditPane::undo()
{
    return finishStep(undoShownEdit(m_window->database(), m_window->content().point()));
}

bool SurveyEditPane::redo()
{
    return finishStep(redoShownEdit(m_window->database(), m_window->content().point(), m_redoable));
}

bool SurveyEditPane::finishStep(const HistoryStep &step)
{
    if (!m_window->database())
        return false;
    if (!step.done) {
        m_window->refreshLayer();
        messageLabel->setText(step.message);
        return false;
    }
    afterChange(step.message);
    return true;
}

bool SurveyEditPane::exportLayer(const QString &path)
{
    const SurveyContent &c = m_window->content();
    if (!c.loaded() || c.layer().empty()) {
        messageLabel->setText(QStringLiteral("没有可导出的记录"));
        return false;
    }
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    // The flags belong to the edited layer; the raw layer is exported as the files hold it.
    const bool flags = c.shownChoice() == LayerChoice::Edited && c.point().hasActiveEdits();
    const int result = exportLayerRows(c.point().raw(), c.layer(), path,
                                       csv ? ExportFormat::Csv : ExportFormat::Text, flags);
    const bool ok = result == ExportOk;
    messageLabel->setText(ok ? QStringLiteral("已导出 %1").arg(path)
                             : QStringLiteral("无法写入 %1").arg(path));
    return ok;
}

void SurveyEditPane::afterChange(const QString &message)
{
    // The hydrograph is drawn anew: the user keeps looking where the edit was made, with the
    // cursors where they were.
    const HydrographPlace place =
        HydrographPlace::of(m_window->hydrograph, m_window->content().layer().times);
    m_window->refreshLayer();
    place.restore(m_window->hydrograph);
    messageLabel->setText(message);
    emit editsChanged();
}

void SurveyEditPane::surveyChanged()
{
    const SurveyContent &c = m_window->content();
    const QString problem = c.loaded() ? c.editsProblem() : QString();
    const ProjectDb *db = m_window->database();
    const bool writable = c.loaded() && problem.isEmpty() && db && !db->readOnly();
    layerSwitch->setCurrentIndex(c.shownChoice() == LayerChoice::Raw ? 1 : 0);
    layerSwitch->setEnabled(c.loaded() && problem.isEmpty());
    cursorEditButton->setEnabled(writable);
    selectionEditButton->setEnabled(writable);
    const QString point = c.point().point();
    undoButton->setEnabled(writable && undoableEdit(*db, point).has_value());
    m_redoable = writable ? redoableEdit(*db, point) : std::nullopt;
    redoButton->setEnabled(m_redoable.has_value());
    exportButton->setEnabled(c.loaded() && !c.layer().empty());
    refreshButton->setEnabled(c.loaded() && db);
    messageLabel->setText(!c.loaded()            ? QString()
                          : !problem.isEmpty()   ? problem
                          : db && db->readOnly() ? db->message()
                                                 : QString());
    fillHistory();
    // The raw values in the shown units, for the faint line and the removed rows of the table.
    std::shared_ptr<const PlotData> raw;
    const std::shared_ptr<const PlotData> shown = m_window->hydrograph->data();
    if (c.loaded() && shown && c.shownChoice() == LayerChoice::Edited && c.point().hasActiveEdits())
        raw = surveyLayerPlotData(c.point().raw(), refreshUnitFactors(), RvaUnitLabels);
    m_rawLines.draw(m_window->hydrograph, raw.get());
    if (shown && c.loaded())
        recordModel->setLayers(c.layer(), shown, raw ? &c.point().raw() : nullptr, raw);
    else
        recordModel->clear();
}

void SurveyEditPane::fillHistory()
{
    const SurveyContent &c = m_window->content();
    const QVector<EditHistoryRow> rows = c.loaded() ? editHistoryRows(c.point()) : QVector<EditHistoryRow>();
    const ColumnsMeasuredOnce measure(historyTable);
    historyTable->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const EditHistoryRow &h = rows[r];
        const QString state = h.undone ? QStringLiteral("已撤销") : QStringLiteral("生效");
        const QStringList texts = {
            QString::number(h.id),
            h.op,
            h.range,
            h.values,
            QString::number(h.volumeM3, 'f', 3),
            h.reason,
            h.user,
            h.created,
            h.file.isEmpty() ? state : state + QStringLiteral(" (") + h.file + QLatin1Char(')')};
        for (int col = 0; col < texts.size(); ++col)
            historyTable->setItem(r, col, cellItem(texts[col], h.undone));
        historyTable->item(r, 5)->setToolTip(h.reason);
    }
}
