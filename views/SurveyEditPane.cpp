#include "views/SurveyEditPane.h"
#include "views/TableFill.h"

#include "data/SurveyCheck.h"
#include "data/Tables.h"
#include "plots/Hydrograph.h"
#include "plots/LineItem.h"
#include "plots/SurveyPlotData.h"
#include "survey/EditExport.h"
#include "survey/EditStore.h"
#include "survey/ProjectDb.h"
#include "views/SurveyCheckView.h"
#include "views/SurveyEditDialog.h"
#include "views/SurveyRecordModel.h"
#include "views/SurveyWindow.h"
#include "views/VisitPanel.h"

#include <qwt_plot.h>

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <limits>

using namespace lmv;
using namespace lmv::survey;

namespace {

// The raw line behind the edited one: the edited line's own colour would hide which is which.
const QColor kRawLineColour(150, 150, 150, 150);
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
        return QFileDialog::getSaveFileName(this, QStringLiteral("导出调查数据"), suggested,
                                            QStringLiteral("文本文件 (*.txt);;CSV 文件 (*.csv)"));
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    cursorEditButton = new QPushButton(QStringLiteral("修正光标 A-B 之间…"), this);
    cursorEditButton->setToolTip(QStringLiteral("过程线上单击设光标 A, Shift+单击设光标 B"));
    selectionEditButton = new QPushButton(QStringLiteral("修正表中所选…"), this);
    selectionEditButton->setToolTip(QStringLiteral("记录表中所选的记录, 或数据检查日表中所选的日期"));
    undoButton = new QPushButton(QStringLiteral("撤销"), this);
    redoButton = new QPushButton(QStringLiteral("重做"), this);
    refreshButton = new QPushButton(QStringLiteral("刷新"), this);
    refreshButton->setToolTip(QStringLiteral("读取其他窗口或命令行保存的修正"));
    exportButton = new QPushButton(QStringLiteral("导出数据…"), this);
    exportButton->setToolTip(QStringLiteral("导出所示数据; 有修正时加一列数据标记"));
    messageLabel = new QLabel(this);
    messageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(cursorEditButton);
    bar->addWidget(selectionEditButton);
    bar->addWidget(undoButton);
    bar->addWidget(redoButton);
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

SurveyEditPane::~SurveyEditPane()
{
    clearRawLines();
}

SurveyEditDialog *SurveyEditPane::dialog() const
{
    return m_dialog;
}

EditRange SurveyEditPane::cursorRange() const
{
    const Hydrograph *h = m_window->hydrograph;
    return rangeFromRecords(m_window->content().layer(), h->cursorRecord(Hydrograph::Cursor::A),
                            h->cursorRecord(Hydrograph::Cursor::B));
}

EditRange SurveyEditPane::selectedRange() const
{
    const QModelIndexList records = recordTable->selectionModel()->selectedRows();
    if (!records.isEmpty()) {
        qint64 from = std::numeric_limits<qint64>::max(), to = std::numeric_limits<qint64>::min();
        for (const QModelIndex &i : records) {
            from = std::min(from, recordModel->rowTime(i.row()));
            to = std::max(to, recordModel->rowTime(i.row()));
        }
        EditRange range;
        range.valid = true;
        range.from = from;
        range.to = to;
        return range;
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
    const QString problem = m_window->content().editsProblem();
    if (!problem.isEmpty() || (m_window->database() && m_window->database()->readOnly())) {
        messageLabel->setText(problem.isEmpty() ? m_window->database()->message() : problem);
        return;
    }
    if (!range.valid) {
        messageLabel->setText(range.message);
        return;
    }
    if (m_dialog)
        m_dialog->deleteLater();
    m_dialog = new SurveyEditDialog(this);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setRange(range.from, range.to);
    m_dialog->setVisitDifferences(
        visitDifferences(m_window->visitPanel->visits(), m_window->content().point().raw()));
    connect(m_dialog, &SurveyEditDialog::editRequested, this, [this](const Edit &requested) {
        Edit edit = requested;
        QString error;
        if (storeEdit(edit, &error))
            m_dialog->accept();
        else
            m_dialog->showProblem(error);
    });
    showDialog(m_dialog);
}

bool SurveyEditPane::storeEdit(Edit &edit, QString *error)
{
    ProjectDb *db = m_window->database();
    QString why = m_window->content().editsProblem();
    const PointSurvey &point = m_window->content().point();
    const bool stored = why.isEmpty() && db && addEdit(*db, point.point(), point.wholeRaw(), edit, &why);
    if (error)
        *error = why;
    if (!stored)
        return false;
    afterChange(QStringLiteral("已保存修正 %1 (%2)").arg(edit.id).arg(editOpText(edit.op)));
    return true;
}

bool SurveyEditPane::undo()
{
    ProjectDb *db = m_window->database();
    if (!db)
        return false;
    // The edit the history shows as the latest in force: another window's newer edit is not
    // undone from here unseen.
    std::optional<qint64> expected;
    for (const Edit &e : m_window->content().point().edits())
        if (!e.undone)
            expected = e.id;
    qint64 id = 0;
    QString error;
    if (!expected || !undoEdit(*db, m_window->content().point().point(), &id, &error, expected)) {
        m_window->refreshLayer();
        messageLabel->setText(error.isEmpty() ? QStringLiteral("没有可撤销的修正") : error);
        return false;
    }
    afterChange(QStringLiteral("已撤销修正 %1").arg(id));
    return true;
}

bool SurveyEditPane::redo()
{
    ProjectDb *db = m_window->database();
    if (!db)
        return false;
    qint64 id = 0;
    QString error;
    if (!m_redoable || !redoEdit(*db, m_window->content().point().point(), &id, &error, m_redoable)) {
        m_window->refreshLayer();
        messageLabel->setText(error.isEmpty() ? QStringLiteral("没有可重做的修正") : error);
        return false;
    }
    afterChange(QStringLiteral("已重做修正 %1").arg(id));
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
    Hydrograph *h = m_window->hydrograph;
    const double from = h->viewFrom(), to = h->viewTo();
    const SurveyLayer &before = m_window->content().layer();
    std::optional<qint64> a, b;
    if (const qsizetype i = h->cursorRecord(Hydrograph::Cursor::A); i >= 0 && i < before.size())
        a = before.times[std::size_t(i)];
    if (const qsizetype i = h->cursorRecord(Hydrograph::Cursor::B); i >= 0 && i < before.size())
        b = before.times[std::size_t(i)];
    m_window->refreshLayer();
    if (to > from)
        h->setTimeRange(from, to);
    if (a)
        h->setCursor(Hydrograph::Cursor::A, double(*a));
    if (b)
        h->setCursor(Hydrograph::Cursor::B, double(*b));
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
    drawRawLines(raw.get());
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

void SurveyEditPane::clearRawLines()
{
    for (auto &[pane, item] : m_rawLines)
        if (pane) { // a pane deleted took its items with it
            item->detach();
            delete item;
            pane->replot();
        }
    m_rawLines.clear();
}

void SurveyEditPane::drawRawLines(const PlotData *raw)
{
    clearRawLines();
    const std::shared_ptr<const PlotData> edited = m_window->hydrograph->data();
    if (!raw || !edited)
        return;
    QPen pen(kRawLineColour);
    pen.setWidthF(1.0);
    for (std::size_t s = 0; s < edited->series.size(); ++s) {
        QwtPlot *pane = m_window->hydrograph->paneOf(edited->series[s].key);
        if (!pane)
            continue;
        const QVector<QVector<QPointF>> stretches = rawStretches(*raw, *edited, int(s));
        for (const QVector<QPointF> &stretch : stretches) {
            auto *item = new LineItem(QStringLiteral("原始数据"));
            item->setItemAttribute(QwtPlotItem::Legend, false);
            item->setPen(pen);
            item->setSamples(stretch);
            item->setZ(-1); // behind the records
            item->attach(pane);
            m_rawLines.emplace_back(pane, item);
        }
        if (!stretches.isEmpty())
            pane->replot();
    }
}
