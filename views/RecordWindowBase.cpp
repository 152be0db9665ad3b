#include "views/RecordWindowBase.h"

#include "views/ClipboardText.h"
#include "views/RecordModel.h"
#include "views/RvaRecordModel.h"

#include "plots/Hydrograph.h"

#include "data/Statistics.h"
#include "data/Tables.h"

#include <QButtonGroup>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char *const kLabelStyle = "background-color: rgb(220, 220, 220); border: 1px solid rgb(180, 180, 180);";

// The name row sits on top of the unit row: its lower border takes the header colour so the
// two headers read as one two-line header.
const char *const kRecordHeaderStyle =
    "QHeaderView::section {"
    " background-color: rgb(200,230,255);"
    " border-top: 0.5px solid rgb(200,200,200);"
    " border-left: 0.5px solid rgb(200,200,200);"
    " border-right: 0.5px solid rgb(200,200,200);"
    " border-bottom: 0.5px solid rgb(200,230,255);"
    " height: 25px; }"
    "QHeaderView::down-arrow { image: url(:/button/image/ascending.png); width: 10px; height: 10px;"
    " margin-right: 6px; }"
    "QHeaderView::up-arrow { image: url(:/button/image/descending.png); width: 10px; height: 10px;"
    " margin-right: 6px; }";

const char *const kUnitHeaderStyle = "QHeaderView::section {"
                                     " background-color: rgb(200,230,255);"
                                     " border-top: 0.5px solid rgb(200,230,255);"
                                     " border-bottom: 0.5px solid rgb(200,200,200);"
                                     " border-left: 0.5px solid rgb(200,200,200);"
                                     " border-right: 0.5px solid rgb(200,200,200); }";

QFont titleFont()
{
    return QFont(QStringLiteral("ADMUI3Lm"), 9, 87);
}

QLabel *makeTitleLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFixedHeight(24);
    label->setFont(titleFont());
    label->setStyleSheet(QLatin1String(kLabelStyle));
    return label;
}

QTableWidget *makeInfoTable(QWidget *parent, RecordWindowKind kind)
{
    auto *table = new QTableWidget(5, 2, parent);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fillWithCentredItems(table);
    const bool local = kind == RecordWindowKind::RvaLocal || kind == RecordWindowKind::RvbLocal;
    const QStringList titles = {
        QStringLiteral("设备号"), QStringLiteral("监测点"), QStringLiteral("监测内容"),
        local ? QStringLiteral("管道规格") : QStringLiteral("管道类型"), QStringLiteral("采样次数")};
    for (int r = 0; r < titles.size(); ++r)
        setCellText(table, r, 0, titles.at(r));
    int height = 0;
    for (int r = 0; r < table->rowCount(); ++r)
        height += table->rowHeight(r);
    table->setFixedHeight(height);
    return table;
}

QTableWidget *makeRecordTable(QWidget *parent, const QStringList &names)
{
    auto *table = new QTableWidget(0, names.size(), parent);
    table->setHorizontalHeaderLabels(names);
    table->verticalHeader()->hide();
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setFrameShape(QFrame::NoFrame);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView *header = table->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    header->setSortIndicator(0, Qt::AscendingOrder);
    header->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    header->setStyleSheet(QLatin1String(kRecordHeaderStyle));
    table->setFixedHeight(25);
    return table;
}

QTableView *makeUnitTable(QWidget *parent, RecordModel *model)
{
    auto *table = new QTableView(parent);
    table->setModel(model);
    table->verticalHeader()->hide();
    // Rows all have the same height; a fixed mode keeps the header from measuring a million rows.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->setFrameShape(QFrame::NoFrame);
    table->setSortingEnabled(false);
    QHeaderView *header = table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignTop);
    header->setStyleSheet(QLatin1String(kUnitHeaderStyle));
    return table;
}

} // namespace

void RecordWindowBase::buildRecordWindow(QWidget *parent, RecordWindowKind kind, RecordModel *model,
                                         const QStringList &columnNames, const QStringList &unitLabels,
                                         int sumRows, int sumColumns)
{
    windowKind = kind;
    recordModel = model;
    const bool local = kind == RecordWindowKind::RvaLocal || kind == RecordWindowKind::RvbLocal;

    if (local) {
        root = new QWidget(parent);
        auto *rootLayout = new QVBoxLayout(root);
        rootLayout->setContentsMargins(0, 2, 0, 0);
        rootLayout->setSpacing(2);
        splitter = new QSplitter(Qt::Vertical, root);
        rootLayout->addWidget(splitter);
    } else {
        splitter = new QSplitter(Qt::Vertical, parent);
        root = splitter;
    }

    topPanel = new QWidget(splitter);
    auto *topLayout = new QVBoxLayout(topPanel);
    if (local)
        topLayout->setContentsMargins(0, 0, 0, 0);
    else
        topLayout->setContentsMargins(2, 2, 0, 0);
    topLayout->setSpacing(local ? 0 : 2);
    overviewLabel = makeTitleLabel(QStringLiteral("测试概述"), topPanel);
    InfoTable = makeInfoTable(topPanel, kind);
    SumTable = new QTableWidget(topPanel);
    // Statistics are shown in the number form of the record rows below them, without group
    // separators: the C locale's, as RecordModel::cellNumbers() writes them.
    SumTable->setLocale(QLocale::c());
    SumTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SumTable->setMinimumHeight(0);
    // The stored-value columns of the RVA grid are 0 pixels wide: no minimum section size.
    SumTable->horizontalHeader()->setMinimumSectionSize(0);
    SumTable->setRowCount(sumRows);
    SumTable->setColumnCount(sumColumns);
    topLayout->addWidget(overviewLabel);
    topLayout->addWidget(InfoTable);
    topLayout->addWidget(SumTable);

    bottomPanel = new QWidget(splitter);
    auto *bottomLayout = new QVBoxLayout(bottomPanel);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(0);
    detailBar = new QWidget(bottomPanel);
    auto *barLayout = new QHBoxLayout(detailBar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->setSpacing(2);
    detailLabel = makeTitleLabel(QStringLiteral("测试明细"), detailBar);
    CopyRecordBtn = new QPushButton(QIcon(QStringLiteral(":/button/image/copy.png")),
                                    QStringLiteral("复制剪贴板"), detailBar);
    CopyRecordBtn->setFixedWidth(136);
    CopyRecordBtn->setFixedHeight(24);
    CopyRecordBtn->setFont(titleFont());
    barLayout->addWidget(detailLabel);
    barLayout->addWidget(CopyRecordBtn);

    lowerStack = new QStackedWidget(bottomPanel);
    lowerButtons = new QButtonGroup(detailBar);
    lowerButtons->setExclusive(true);
    auto *tablePage = new QWidget;
    auto *tableLayout = new QVBoxLayout(tablePage);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(0);
    RecordTable = makeRecordTable(tablePage, columnNames);
    model->setHeaderLabels(unitLabels);
    UnitTable = makeUnitTable(tablePage, model);
    model->setParent(UnitTable);
    tableLayout->addWidget(RecordTable);
    tableLayout->addWidget(UnitTable);
    addLowerView(QStringLiteral("明细表"), tablePage);
    hydrograph = new Hydrograph;
    addLowerView(QStringLiteral("过程线"), hydrograph);
    TableViewBtn = qobject_cast<QPushButton *>(lowerButtons->button(0));
    HydroViewBtn = qobject_cast<QPushButton *>(lowerButtons->button(1));
    TableViewBtn->setChecked(true);
    QObject::connect(lowerButtons, &QButtonGroup::idClicked, lowerStack,
                     [this](int id) { showLowerView(id); });

    // The hydrograph follows the model: new rows redraw it, changed shown values re-read them.
    QObject::connect(model, &QAbstractItemModel::rowsInserted, hydrograph,
                     [this] { markPlotStale(PlotState::RecordsChanged); });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, hydrograph,
                     [this] { markPlotStale(PlotState::RecordsChanged); });
    QObject::connect(model, &QAbstractItemModel::dataChanged, hydrograph,
                     [this] { markPlotStale(PlotState::ValuesChanged); });
    QObject::connect(model, &QAbstractItemModel::headerDataChanged, hydrograph,
                     [this] { markPlotStale(PlotState::ValuesChanged); });
    QObject::connect(hydrograph, &Hydrograph::recordDoubleClicked, hydrograph,
                     [this](qint64 record) { showRecordRow(int(record)); });

    bottomLayout->addWidget(detailBar);
    bottomLayout->addWidget(lowerStack);

    splitter->addWidget(topPanel);
    splitter->addWidget(bottomPanel);
    splitter->setSizes({230, local ? 474 : 438});
}

int RecordWindowBase::addLowerView(const QString &buttonText, QWidget *page)
{
    if (!lowerStack || !page)
        return -1;
    const int index = lowerStack->addWidget(page);
    auto *button = new QPushButton(buttonText, detailBar);
    button->setCheckable(true);
    button->setFixedHeight(24);
    button->setFont(titleFont());
    button->setFixedWidth(100);
    lowerButtons->addButton(button, index);
    detailBar->layout()->addWidget(button);
    return index;
}

void RecordWindowBase::showLowerView(int index)
{
    if (!lowerStack || index < 0 || index >= lowerStack->count())
        return;
    lowerStack->setCurrentIndex(index);
    if (QAbstractButton *button = lowerButtons->button(index))
        button->setChecked(true);
    if (lowerStack->currentWidget() == hydrograph)
        refreshHydrograph();
}

int RecordWindowBase::lowerViewIndex() const
{
    return lowerStack ? lowerStack->currentIndex() : -1;
}

void RecordWindowBase::showRecordRow(int recordIndex)
{
    if (!recordModel || !UnitTable)
        return;
    const int row = recordModel->rowOfRecord(recordIndex);
    if (row < 0)
        return;
    showLowerView(0);
    const QModelIndex index = recordModel->index(row, 0);
    UnitTable->setCurrentIndex(index);
    UnitTable->selectRow(row);
    UnitTable->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void RecordWindowBase::markPlotStale(PlotState state)
{
    if (state > plotState)
        plotState = state;
    // A unit switch changes several columns one after another: redraw once, after the last.
    if (lowerStack && lowerStack->currentWidget() == hydrograph && !plotRefreshQueued) {
        plotRefreshQueued = true;
        QMetaObject::invokeMethod(
            hydrograph,
            [this] {
                plotRefreshQueued = false;
                refreshHydrograph();
            },
            Qt::QueuedConnection);
    }
}

void RecordWindowBase::refreshHydrograph()
{
    if (!hydrograph || plotState == PlotState::Current)
        return;
    const PlotState state = plotState;
    plotState = PlotState::Current;
    if (state == PlotState::ValuesChanged)
        hydrograph->replaceValues(plotData());
    else
        hydrograph->setData(plotData());
    hydrographRedrawn();
}

void RecordWindowBase::applyWidths(const ColumnWidths &widths)
{
    auto apply = [](auto *table, const QVector<int> &w) {
        if (!table)
            return;
        for (int c = 0; c < w.size(); ++c)
            if (w[c] >= 0)
                table->setColumnWidth(c, w[c]);
    };
    apply(InfoTable, widths.info);
    apply(SumTable, widths.sum);
    apply(RecordTable, widths.records);
    apply(UnitTable, widths.records);
}

void RecordWindowBase::applyFixedColumnWidths()
{
    applyWidths(fixedColumnWidths(windowKind));
}

void RecordWindowBase::applyColumnWidths(int width)
{
    applyWidths(columnWidthsFor(windowKind, width));
}

void RecordWindowBase::relayoutColumns()
{
    if (!root)
        return;
    const int width = root->width();
    if (width - 1 < kFixedWidthLimit)
        applyFixedColumnWidths();
    else
        applyColumnWidths(width);
}

void RecordWindowBase::setShownFileName(const QString &name)
{
    m_subject.file = name;
    applyPictureSubject();
}

void RecordWindowBase::setPictureSubject(const lmv::PipeSaveIntoTfType &point, bool withPipe)
{
    m_subject.project = point.projectNameText();
    m_subject.point = point.pointNameText();
    m_subject.pipe = withPipe ? lmv::pipeDescription(point) : QString();
    applyPictureSubject();
}

void RecordWindowBase::applyPictureSubject()
{
    if (hydrograph)
        hydrograph->setPictureSubject(m_subject);
}

void RecordWindowBase::clearInfoAndRecords(const QStringList &unitLabels)
{
    m_subject = {};
    applyPictureSubject();
    if (InfoTable)
        for (int r = 0; r < InfoTable->rowCount(); ++r)
            setCellText(InfoTable, r, 1, QString());
    if (recordModel) {
        recordModel->clearRecords();
        recordModel->setHeaderLabels(unitLabels);
    }
}

void RecordWindowBase::clearUnitTable()
{
    if (recordModel)
        recordModel->clearRecords();
}

void RecordWindowBase::sortFromNameClick(int column)
{
    if (!RecordTable || !recordModel)
        return;
    QHeaderView *header = RecordTable->horizontalHeader();
    const Qt::SortOrder order = header->sortIndicatorOrder();
    const bool rva = windowKind == RecordWindowKind::RvaLocal || windowKind == RecordWindowKind::RvaDevice;
    // The serial number column sorts by time; the flag column, when shown, after it sorts itself.
    const int sortColumn = rva && column == RvaRecordModel::SequenceColumn ? 0 : column;
    recordModel->sort(sortColumn, order);
    header->setSortIndicator(column, order);
}

QStringList RecordWindowBase::columnNames() const
{
    QStringList names;
    if (!RecordTable)
        return names;
    for (int c = 0; c < RecordTable->columnCount(); ++c) {
        const QTableWidgetItem *item = RecordTable->horizontalHeaderItem(c);
        names << (item ? item->text() : QString());
    }
    return names;
}

QString RecordWindowBase::clipboardText() const
{
    if (!recordModel)
        return QString();
    const bool rva = windowKind == RecordWindowKind::RvaLocal || windowKind == RecordWindowKind::RvaDevice;
    // The model's display texts and the copy come from one number form.
    return rva ? rvaClipboardText(columnNames(), *recordModel)
               : rvbClipboardText(columnNames(), *recordModel);
}

void fillWithCentredItems(QTableWidget *table)
{
    for (int r = 0; r < table->rowCount(); ++r)
        for (int c = 0; c < table->columnCount(); ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(r, c, item);
        }
}

void setCellText(QTableWidget *table, int row, int column, const QString &text)
{
    setCellNumber(table, row, column, text);
}

void setCellNumber(QTableWidget *table, int row, int column, const QVariant &value)
{
    if (!table || row < 0 || column < 0 || row >= table->rowCount() || column >= table->columnCount())
        return;
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    }
    item->setData(Qt::DisplayRole, value);
}

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    return item ? item->text() : QString();
}

float cellNumber(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    if (!item)
        return 0.0f;
    bool ok = false;
    const float value = item->data(Qt::DisplayRole).toFloat(&ok);
    return ok ? value : 0.0f;
}

void fillInfo(QTableWidget *infoTable, const lmv::PipeSaveIntoTfType &point, const lmv::DeviceInfo &device,
              const QString &content)
{
    if (!infoTable)
        return;
    setCellText(infoTable, 0, 1, QString::number(device.deviceNumber));
    setCellText(infoTable, 1, 1, point.projectNameText() + QLatin1Char('/') + point.pointNameText());
    setCellText(infoTable, 2, 1, content);
    setCellText(infoTable, 3, 1, lmv::pipeDescription(point));
}
