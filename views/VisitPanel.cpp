#include "views/VisitPanel.h"
#include "views/TableFill.h"

#include "data/SurveyCheck.h"
#include "survey/ProjectDb.h"
#include "views/VisitDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace lmv::survey;

namespace {

const QStringList kColumns = {
    QStringLiteral("时间"),        QStringLiteral("人工液位(mm)"),  QStringLiteral("仪器液位(mm)"),
    QStringLiteral("液位差(mm)"),  QStringLiteral("人工流速(m/s)"), QStringLiteral("仪器流速(m/s)"),
    QStringLiteral("流速差(m/s)"), QStringLiteral("备注"),          QStringLiteral("记录人"),
    QStringLiteral("录入时间"),    QStringLiteral("状态")};

QTableWidgetItem *cell(const QString &text, bool withdrawn)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    if (withdrawn)
        item->setForeground(QColor(150, 150, 150));
    return item;
}

} // namespace

QString visitNumberText(const std::optional<double> &value, int decimals)
{
    return value ? QString::number(*value, 'f', decimals) : QStringLiteral("-");
}

VisitPanel::VisitPanel(QWidget *parent) : QWidget(parent)
{
    askVisit = [](QWidget *owner, const Visit &initial) { return VisitDialog::ask(owner, initial); };
    askWithdrawReason = [](QWidget *owner, const Visit &visit) {
        return QInputDialog::getText(owner, QStringLiteral("撤销现场记录"),
                                     QStringLiteral("撤销 %1 的记录的原因:").arg(lmv::clockText(visit.time)))
            .trimmed();
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    addButton = new QPushButton(QStringLiteral("添加现场记录"), this);
    withdrawButton = new QPushButton(QStringLiteral("撤销所选记录"), this);
    messageLabel = new QLabel(this);
    messageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(addButton);
    bar->addWidget(withdrawButton);
    bar->addWidget(messageLabel, 1);
    layout->addLayout(bar);
    table = new QTableWidget(0, int(kColumns.size()), this);
    table->setHorizontalHeaderLabels(kColumns);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    connect(addButton, &QPushButton::clicked, this, &VisitPanel::addVisit);
    connect(withdrawButton, &QPushButton::clicked, this, &VisitPanel::withdrawSelected);
    connect(table, &QTableWidget::itemSelectionChanged, this, &VisitPanel::updateButtons);
    connect(table, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row >= 0 && row < m_visits.size())
            emit visitSelected(m_visits[row].time);
    });
    updateButtons();
}

void VisitPanel::setPoint(ProjectDb *db, const QString &point, const SurveyLayer *layer,
                          const QString &noDatabase)
{
    m_db = db;
    m_point = point;
    m_layer = layer;
    if (db)
        setWritable(!db->readOnly(), db->message());
    else
        setWritable(false, noDatabase);
    refresh();
}

void VisitPanel::refresh()
{
    m_visits = m_db ? visitsOf(*m_db, m_point, true) : QVector<Visit>();
    m_comparisons.clear();
    for (const Visit &v : qAsConst(m_visits))
        m_comparisons.push_back(m_layer ? compareVisit(v, *m_layer) : VisitComparison{});
    fill();
}

void VisitPanel::setWritable(bool writable, const QString &why)
{
    m_writable = writable;
    m_why = why;
    messageLabel->setText(why);
    messageLabel->setToolTip(why);
    messageLabel->setStyleSheet(writable ? QString() : QStringLiteral("color: rgb(200, 0, 0);"));
    updateButtons();
}

void VisitPanel::updateButtons()
{
    addButton->setEnabled(m_writable);
    const int row = table->currentRow();
    const bool chosen = table->selectionModel()->hasSelection() && row >= 0 && row < m_visits.size();
    withdrawButton->setEnabled(m_writable && chosen && !m_visits[row].withdrawn);
}

void VisitPanel::fill()
{
    const ColumnsMeasuredOnce measure(table);
    table->setRowCount(int(m_visits.size()));
    for (int row = 0; row < m_visits.size(); ++row) {
        const Visit &v = m_visits[row];
        const VisitComparison &c = m_comparisons[row];
        const bool w = v.withdrawn;
        const QStringList texts = {
            lmv::clockText(v.time),
            visitNumberText(v.manualDepthMm, 1),
            visitNumberText(c.loggerDepthMm, 1),
            visitNumberText(c.depthDifferenceMm, 1),
            visitNumberText(v.manualVelocity, 3),
            visitNumberText(c.loggerVelocity, 3),
            visitNumberText(c.velocityDifference, 3),
            v.note,
            v.user,
            QString(v.created).replace(QLatin1Char('T'), QLatin1Char(' ')),
            w ? QStringLiteral("已撤销: %1").arg(v.withdrawReason)
              : (c.record < 0 ? QStringLiteral("附近无仪器记录") : QStringLiteral("有效")),
        };
        for (int column = 0; column < texts.size(); ++column)
            table->setItem(row, column, cell(texts[column], w));
        table->item(row, 7)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    updateButtons();
}

bool VisitPanel::addVisit()
{
    if (!m_writable || !m_db || !askVisit)
        return false;
    Visit initial;
    initial.time =
        suggestedTime ? suggestedTime() : (m_layer && !m_layer->empty() ? m_layer->times.back() : 0);
    std::optional<Visit> visit = askVisit(this, initial);
    if (!visit)
        return false;
    QString error;
    if (!lmv::survey::addVisit(*m_db, m_point, *visit, &error)) {
        messageLabel->setText(QStringLiteral("未保存: %1").arg(error));
        messageLabel->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
        emit writeFailed();
        return false;
    }
    refresh();
    messageLabel->setStyleSheet(QString());
    messageLabel->setText(QStringLiteral("已添加 %1 的现场记录").arg(lmv::clockText(visit->time)));
    for (int row = 0; row < m_visits.size(); ++row)
        if (m_visits[row].id == visit->id)
            table->selectRow(row);
    emit visitsChanged();
    return true;
}

bool VisitPanel::withdrawSelected()
{
    const int row = table->currentRow();
    if (!m_writable || !m_db || row < 0 || row >= m_visits.size() || m_visits[row].withdrawn ||
        !askWithdrawReason)
        return false;
    const Visit visit = m_visits[row];
    const QString reason = askWithdrawReason(this, visit);
    if (reason.isEmpty())
        return false;
    QString error;
    if (!withdrawVisit(*m_db, m_point, visit.id, reason, &error)) {
        messageLabel->setText(QStringLiteral("未撤销: %1").arg(error));
        messageLabel->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
        emit writeFailed();
        return false;
    }
    refresh();
    messageLabel->setStyleSheet(QString());
    messageLabel->setText(QStringLiteral("已撤销 %1 的现场记录").arg(lmv::clockText(visit.time)));
    emit visitsChanged();
    return true;
}
