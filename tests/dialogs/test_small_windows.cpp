#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCharFormat>

#include "app/AboutUsWindow.h"
#include "app/CalendarBox.h"
#include "device/Modify_ID_Window.h"

// The device number window, the about window, the calendar box and the compiled-in pictures.
class SmallWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void everyNamedPictureIsCompiledInAtItsSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const QSize s16(16, 16), s32(32, 32), s64(64, 64), pipe(300, 200);
        const QList<QPair<QString, QSize>> all = {
            {":/button/image/ascending.png", s16},
            {":/button/image/descending.png", s16},
            {":/button/image/copy.png", s32},
            {":/button/image/laptop2.png", s64},
            {":/button/image/play-blue-button.png", s64},
            {":/button/image/stop_2.png", s64},
            {":/button/image/usb3.png", s64},
            {":/icon/image/block.png", s32},
            {":/icon/image/check.png", s32},
            {":/icon/image/clipboard.png", s64},
            {":/icon/image/delete_2.png", s64},
            {":/icon/image/disk.png", s64},
            {":/icon/image/edit.png", s64},
            {":/icon/image/exit.png", s64},
            {":/icon/image/folder-yellow-32.png", s32},
            {":/icon/image/id.png", s64},
            {":/icon/image/id_card.png", s64},
            {":/icon/image/logo_for_title.png", s64},
            {":/icon/image/order_159.png", s64},
            {":/icon/image/ruler.png", s64},
            {":/icon/image/save_as.png", s64},
            {":/icon/image/settings.png", s64},
            {":/icon/image/xls.png", s64},
            {":/pipe/image/circle.png", pipe},
            {":/pipe/image/rectangle.png", pipe},
            {":/pipe/image/trapezoid.png", pipe},
            {":/pipe/image/triangle.png", pipe},
        };
        for (const auto &entry : all)
            QTest::newRow(qPrintable(entry.first)) << entry.first << entry.second;
    }
    void everyNamedPictureIsCompiledInAtItsSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QPixmap pixmap(path);
        QVERIFY2(!pixmap.isNull(), qPrintable(path));
        QCOMPARE(pixmap.size(), size);
    }

    void deviceNumberIsSentAsItsDecimalValue()
    {
        Modify_ID_Window w;
        QSignalSpy sent(&w, &Modify_ID_Window::SendNewId);
        w.showForNumber(20190001);
        auto *edit = w.findChild<QLineEdit *>("numberEdit");
        QCOMPARE(edit->text(), QString("20190001"));
        edit->clear();
        QTest::keyClicks(edit, "000123456"); // the ninth digit is refused
        QCOMPARE(edit->text(), QString("00012345"));
        QTest::mouseClick(w.findChild<QPushButton *>("modify_btn"), Qt::LeftButton);
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(0).toUInt(), 12345u);
        QVERIFY(!w.isVisible());

        w.showForNumber(1);
        edit->clear();
        QTest::mouseClick(w.findChild<QPushButton *>("modify_btn"), Qt::LeftButton);
        QCOMPARE(sent.at(1).at(0).toUInt(), 0u);
    }

    void deviceNumberWindowKeepsAnEditAndCancelSendsNothing()
    {
        Modify_ID_Window w;
        QSignalSpy sent(&w, &Modify_ID_Window::SendNewId);
        w.showForNumber(20190001);
        auto *edit = w.findChild<QLineEdit *>("numberEdit");
        edit->setText("123");
        w.showForNumber(20190001);
        QCOMPARE(edit->text(), QString("123"));
        QTest::keyClicks(edit, "ab");
        QCOMPARE(edit->text(), QString("123"));
        QTest::mouseClick(w.findChild<QPushButton *>("cancel_btn"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(sent.count(), 0);
    }

    void aboutWindowIsOneWindowHiddenByOk()
    {
        AboutUsWindow about;
        QVERIFY(!about.isVisible());
        about.AboutUsWindowInit();
        about.AboutUsWindowInit();
        QVERIFY(about.isVisible());
        int shown = 0;
        const QWidgetList tops = QApplication::topLevelWidgets();
        for (QWidget *w : tops)
            if (w->isVisible() && w->windowTitle() == QStringLiteral("关于我们"))
                ++shown;
        QCOMPARE(shown, 1);
        QStringList texts;
        const QList<QLabel *> labels = about.findChildren<QLabel *>();
        for (QLabel *l : labels)
            texts << l->text();
        QVERIFY(texts.contains("公司名称:Corvala"));
        bool web = false;
        for (const QString &t : texts)
            web = web || (t.startsWith("官网:") && t.size() > 3);
        QVERIFY(web);
        auto *ok = about.findChild<QPushButton *>("ok_btn");
        QVERIFY(qAbs(ok->x() + ok->width() / 2 - 200) <= 1); // centred on x = 200
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        about.AboutUsWindowInit();
        QVERIFY(about.isVisible());
    }

    void calendarAllowsOnlyTheDaysWithRecords()
    {
        CalendarBox box;
        QVERIFY(box.showMonthRange(2023, 5, 3, 27));
        QVERIFY(box.isVisible());
        QCalendarWidget *cal = box.calendar();
        QCOMPARE(cal->minimumDate(), QDate(2023, 5, 3));
        QCOMPARE(cal->maximumDate(), QDate(2023, 5, 27));
        QCOMPARE(cal->selectedDate(), QDate(2023, 5, 3));
        QCOMPARE(cal->firstDayOfWeek(), Qt::Sunday);

        QSignalSpy picked(&box, &CalendarBox::CalendarBoxIsClicked);
        box.OnceCalendarIsClicked(QDate(2023, 5, 2));
        box.OnceCalendarIsClicked(QDate(2023, 5, 28));
        QCOMPARE(picked.count(), 0);
        box.OnceCalendarIsClicked(QDate(2023, 5, 27));
        box.OnceCalendarIsClicked(QDate(2023, 5, 3));
        QCOMPARE(picked.count(), 2);
        QCOMPARE(picked.at(0).at(0).toDate(), QDate(2023, 5, 27));
        // A click on the calendar itself reaches the box too.
        emit cal->clicked(QDate(2023, 5, 10));
        QCOMPARE(picked.count(), 3);
    }

    void reopeningTheCalendarReplacesTheOldOne()
    {
        CalendarBox box;
        QSignalSpy picked(&box, &CalendarBox::CalendarBoxIsClicked);
        QVERIFY(box.showMonthRange(2023, 5, 3, 27));
        QPointer<QCalendarWidget> first = box.calendar();
        QVERIFY(box.showMonthRange(2024, 2, 1, 29));
        QVERIFY(first.isNull());
        QCOMPARE(box.findChildren<QCalendarWidget *>().size(), 1);
        QCOMPARE(box.calendar()->maximumDate(), QDate(2024, 2, 29));
        emit box.calendar()->clicked(QDate(2024, 2, 29));
        QCOMPARE(picked.count(), 1);
    }

    void aMonthWithoutRecordsOpensNoCalendar_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("no days") << 0 << 0;
        QTest::newRow("reversed") << 20 << 3;
        QTest::newRow("beyond the month") << 1 << 31; // April has 30 days
    }
    void aMonthWithoutRecordsOpensNoCalendar()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        CalendarBox box;
        QVERIFY(!box.showMonthRange(2023, 4, first, last));
        QVERIFY(!box.isVisible());
    }

    void markedDaysAreBold()
    {
        CalendarBox box;
        QVERIFY(box.showMonthRange(2023, 5, 3, 17));
        box.markRecordDays({3, 17, 0, 40});
        QCOMPARE(box.calendar()->dateTextFormat(QDate(2023, 5, 3)).fontWeight(), int(QFont::Bold));
        QCOMPARE(box.calendar()->dateTextFormat(QDate(2023, 5, 17)).fontWeight(), int(QFont::Bold));
        QVERIFY(box.calendar()->dateTextFormat(QDate(2023, 5, 10)).fontWeight() != int(QFont::Bold));
    }
};

QTEST_MAIN(SmallWindowsTest)
#include "test_small_windows.moc"
