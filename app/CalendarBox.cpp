#include "app/CalendarBox.h"

#include <QCalendarWidget>
#include <QIcon>
#include <QLocale>
#include <QTextCharFormat>

CalendarBox::CalendarBox(QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("选择日期"));
    setWindowIcon(QIcon(QStringLiteral(":/icon/image/logo_for_title.png")));
    hide();
}

bool CalendarBox::showMonthRange(int year, int month, int firstDay, int lastDay)
{
    if (isVisible())
        close();
    const QDate first(year, month, firstDay);
    const QDate last(year, month, lastDay);
    if (!first.isValid() || !last.isValid() || first > last)
        return false;

    // A fresh calendar each time: the previous one (and its connection) goes with it.
    delete m_calendar;
    m_calendar = new QCalendarWidget(this);
    resize(500, 400);
    m_calendar->resize(500, 400);
    m_calendar->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setDateRange(first, last);
    m_calendar->setSelectedDate(first);
    m_calendar->setStyleSheet(
        QStringLiteral("QTableView{selection-background-color:white; selection-color:black};"));
    m_calendar->setGridVisible(true);
    m_calendar->setDateEditEnabled(false);
    m_calendar->show();
    show();
    connect(m_calendar, &QCalendarWidget::clicked, this, &CalendarBox::OnceCalendarIsClicked);
    return true;
}

void CalendarBox::markRecordDays(const QList<int> &days)
{
    if (!m_calendar)
        return;
    QTextCharFormat marked;
    marked.setFontWeight(QFont::Bold);
    marked.setForeground(QColor(20, 90, 200));
    const int year = m_calendar->minimumDate().year();
    const int month = m_calendar->minimumDate().month();
    for (int day : days) {
        const QDate date(year, month, day);
        if (date.isValid())
            m_calendar->setDateTextFormat(date, marked);
    }
}

void CalendarBox::OnceCalendarIsClicked(QDate date)
{
    if (!m_calendar)
        return;
    if (m_calendar->minimumDate() <= date && date <= m_calendar->maximumDate())
        emit CalendarBoxIsClicked(date);
}
