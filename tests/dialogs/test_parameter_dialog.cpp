#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValidator>

#include "views/ParameterModify.h"

// The calculation parameter dialog on its own: entries, payloads and its open/closed life.
class ParameterDialogTest : public QObject
{
    Q_OBJECT

    QLineEdit *edit(ParameterModify &d, const char *name) { return d.findChild<QLineEdit *>(name); }
    QPushButton *button(ParameterModify &d, const char *name) { return d.findChild<QPushButton *>(name); }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void factorEntriesAcceptOnlyZeroToFiveWithTwoDecimals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::newRow("5.00") << "5.00" << int(QValidator::Acceptable);
        QTest::newRow("0.00") << "0.00" << int(QValidator::Acceptable);
        QTest::newRow("4.99") << "4.99" << int(QValidator::Acceptable);
        QTest::newRow("5.01") << "5.01" << int(QValidator::Invalid);
        QTest::newRow("6") << "6" << int(QValidator::Invalid);
        QTest::newRow("one decimal") << "4.5" << int(QValidator::Intermediate);
        QTest::newRow("three decimals") << "1.234" << int(QValidator::Invalid);
        QTest::newRow("comma") << "1,00" << int(QValidator::Invalid);
    }
    void factorEntriesAcceptOnlyZeroToFiveWithTwoDecimals()
    {
        QFETCH(QString, text);
        QFETCH(int, state);
        ParameterModify d;
        d.showForFile("P", "A", "f.lmv", 1.0f, 1.0f);
        for (const char *name : {"velocityEdit", "flowEdit"}) {
            QLineEdit *e = edit(d, name);
            QVERIFY(e);
            int pos = 0;
            QString t = text;
            QCOMPARE(int(e->validator()->validate(t, pos)), state);
        }
    }

    void typingPastTheLimitIsRefused()
    {
        ParameterModify d;
        d.showForFile("P", "A", "f.lmv", 1.0f, 1.0f);
        QLineEdit *e = edit(d, "velocityEdit");
        e->clear();
        QTest::keyClicks(e, "5.01");
        QCOMPARE(e->text(), QString("5.0"));
        e->clear();
        QTest::keyClicks(e, "6");
        QCOMPARE(e->text(), QString());
        e->clear();
        QTest::keyClicks(e, "0.00");
        QCOMPARE(e->text(), QString("0.00"));
        QVERIFY(e->hasAcceptableInput());
    }

    void openingShowsNamesAndFactorsWithTwoDecimals()
    {
        ParameterModify d;
        d.showForFile("项目", "监测点", "2023.lmv", 1.0f, 1.256f);
        QVERIFY(d.isVisible());
        QCOMPARE(d.findChild<QLabel *>("projectName")->text(), QString("项目"));
        QCOMPARE(d.findChild<QLabel *>("pointName")->text(), QString("监测点"));
        QCOMPARE(d.findChild<QLabel *>("fileName")->text(), QString("2023.lmv"));
        QCOMPARE(edit(d, "velocityEdit")->text(), QString("1.00"));
        QCOMPARE(edit(d, "flowEdit")->text(), QString("1.26"));
    }

    void buttonsEmitTheEnteredFactorsAndClose()
    {
        ParameterModify d;
        QSignalSpy view(&d, &ParameterModify::SendGainCoef);
        QSignalSpy save(&d, &ParameterModify::SendGainCoefForSaving);

        d.showForFile("P", "A", "f.lmv", 1.0f, 1.0f);
        edit(d, "velocityEdit")->setText("2.00");
        edit(d, "flowEdit")->setText("0.50");
        QTest::mouseClick(button(d, "Confirm_Btn"), Qt::LeftButton);
        QCOMPARE(view.count(), 1);
        QCOMPARE(save.count(), 0);
        QCOMPARE(view.at(0).at(0).toFloat(), 2.0f);
        QCOMPARE(view.at(0).at(1).toFloat(), 0.5f);
        QVERIFY(!d.isVisible());
        QVERIFY(!d.isOpen());

        flushDeletes();
        d.showForFile("P", "A", "f.lmv", 1.0f, 1.0f);
        edit(d, "velocityEdit")->setText("5.00");
        edit(d, "flowEdit")->setText(""); // an empty field reads as 0
        QTest::mouseClick(button(d, "Save_Btn"), Qt::LeftButton);
        QCOMPARE(view.count(), 1);
        QCOMPARE(save.count(), 1);
        QCOMPARE(save.at(0).at(0).toFloat(), 5.0f);
        QCOMPARE(save.at(0).at(1).toFloat(), 0.0f);
        QVERIFY(!d.isVisible());
    }

    void cancelAndTheCloseControlEmitNothingAndDropTheWidgets()
    {
        ParameterModify d;
        QSignalSpy view(&d, &ParameterModify::SendGainCoef);
        QSignalSpy save(&d, &ParameterModify::SendGainCoefForSaving);
        d.showForFile("P", "A", "f.lmv", 1.0f, 1.0f);
        QTest::mouseClick(button(d, "Cancel_Btn"), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        flushDeletes();
        QVERIFY(!edit(d, "velocityEdit"));

        d.showForFile("P", "A", "f.lmv", 1.0f, 1.0f);
        QVERIFY(edit(d, "velocityEdit"));
        d.close();
        flushDeletes();
        QVERIFY(!edit(d, "velocityEdit"));
        QCOMPARE(view.count() + save.count(), 0);
    }

    void openingTwiceKeepsTheFirstContents()
    {
        ParameterModify d;
        d.showForFile("P1", "A1", "first.lmv", 1.0f, 1.0f);
        edit(d, "velocityEdit")->setText("3.00");
        d.showForFile("P2", "A2", "second.lmv", 2.0f, 2.0f);
        QCOMPARE(d.findChildren<QLineEdit *>("velocityEdit").size(), 1);
        QCOMPARE(edit(d, "velocityEdit")->text(), QString("3.00"));
        QCOMPARE(d.findChild<QLabel *>("fileName")->text(), QString("first.lmv"));
    }

    void reopeningAfterClosingShowsTheNewFile()
    {
        ParameterModify d;
        d.showForFile("P1", "A1", "first.lmv", 1.0f, 1.0f);
        d.close();
        d.showForFile("P2", "A2", "second.lmv", 2.5f, 0.75f);
        QCOMPARE(d.findChildren<QLineEdit *>("velocityEdit").size(), 1);
        QCOMPARE(edit(d, "velocityEdit")->text(), QString("2.50"));
        QCOMPARE(edit(d, "flowEdit")->text(), QString("0.75"));
        QCOMPARE(d.findChild<QLabel *>("fileName")->text(), QString("second.lmv"));
    }
};

QTEST_MAIN(ParameterDialogTest)
#include "test_parameter_dialog.moc"
