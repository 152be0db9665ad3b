#pragma once

#include <QDate>
#include <QList>
#include <QWidget>

class QCalendarWidget;

// Window with one calendar for picking a day of an RVB monthly file. Only the days of the
// allowed range can be picked; a pick inside the range is reported by CalendarBoxIsClicked.
//
// Use from the main window:
//   if (!calendar_box.showMonthRange(year, month, firstDay, lastDay)) { ...no day to pick... }
//   calendar_box.markRecordDays(daysWithRecords);   // optional: 1..31, shown bold
//   connect(&calendar_box, &CalendarBox::CalendarBoxIsClicked, this, &MainWindow::OnceCalendarBoxIsClicked);
class CalendarBox : public QWidget
{
    Q_OBJECT
public:
    explicit CalendarBox(QWidget *parent = nullptr);

    // Closes a shown box, sets up a fresh calendar (500 x 400, weeks from Sunday, days
    // firstDay..lastDay of the month allowed, firstDay selected) and shows the box.
    // Returns false and shows nothing when the range is not a valid pair of days of that
    // month (a month without records passes 0 and 0), so no day can be picked.
    bool showMonthRange(int year, int month, int firstDay, int lastDay);

    // Shows the given days of the calendar's month in bold blue; the other allowed days stay
    // plain, so days without records inside the range stand out. Days outside 1..31 are ignored.
    void markRecordDays(const QList<int> &days);

    // The calendar of the latest showMonthRange; nullptr before the first.
    QCalendarWidget *calendar() const { return m_calendar; }

signals:
    // A day inside the allowed range was clicked.
    void CalendarBoxIsClicked(QDate date);

public slots:
    // Handles a click on the calendar: days outside the allowed range are ignored.
    void OnceCalendarIsClicked(QDate date);

private:
    QCalendarWidget *m_calendar = nullptr;
};
