#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValidator>

#include "data/Records.h"
#include "tests/dialogs/ModalCloser.h"
#include "views/PipeModifyWindow.h"

using lmv::PipeSaveIntoTfType;

namespace {

PipeSaveIntoTfType point(quint32 shape, quint32 h, quint32 w, quint32 t, quint32 y)
{
    PipeSaveIntoTfType p;
    p.setProjectName(QStringLiteral("城东项目"));
    p.setPointName(QStringLiteral("1号井"));
    p.pipeShape = shape;
    p.heightOrDiameter = h;
    p.widthOrLowerBase = w;
    p.upperBase = t;
    p.sediment = y;
    return p;
}

} // namespace

// The pipe dialog on its own: the rules and their warnings, shape stepping, rows and payloads.
class PipeDialogTest : public QObject
{
    Q_OBJECT

    static QLineEdit *edit(PipeModifyWindow &d, const char *name) { return d.findChild<QLineEdit *>(name); }
    static QPushButton *button(PipeModifyWindow &d, const char *name)
    {
        return d.findChild<QPushButton *>(name);
    }
    static QString shapeName(PipeModifyWindow &d) { return d.findChild<QLabel *>("shapeName")->text(); }
    static QImage picture(PipeModifyWindow &d)
    {
        return d.findChild<QLabel *>("picture")->pixmap(Qt::ReturnByValue).toImage();
    }
    static void setEntries(PipeModifyWindow &d, const QString &h, const QString &w, const QString &t,
                           const QString &y)
    {
        edit(d, "hEdit")->setText(h);
        edit(d, "wEdit")->setText(w);
        edit(d, "tEdit")->setText(t);
        edit(d, "yEdit")->setText(y);
    }

private slots:
    void rulesReportEveryFailureInOrder_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<uint>("h");
        QTest::addColumn<uint>("w");
        QTest::addColumn<uint>("t");
        QTest::addColumn<uint>("y");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("circle, sediment as high as the pipe")
            << 0 << 500u << 0u << 0u << 500u << QStringList();
        QTest::newRow("circle, sediment above the pipe")
            << 0 << 500u << 0u << 0u << 501u << QStringList{"淤积层溢出"};
        QTest::newRow("trapezoid without bases")
            << 2 << 800u << 0u << 0u << 0u << QStringList{"管道下底边不应为0", "管道上底边不应为0"};
        QTest::newRow("rectangle without height and width")
            << 1 << 0u << 0u << 0u << 0u << QStringList{"管道高度不应为0", "管道宽度不应为0"};
        QTest::newRow("zero height hides the overflow rule")
            << 0 << 0u << 0u << 0u << 10u << QStringList{"管道高度不应为0"};
        QTest::newRow("triangle without width")
            << 3 << 300u << 0u << 0u << 0u << QStringList{"管道底边不应为0"};
        QTest::newRow("circle ignores width and top") << 0 << 300u << 0u << 0u << 0u << QStringList();
        QTest::newRow("rectangle ignores top") << 1 << 300u << 200u << 0u << 0u << QStringList();
        QTest::newRow("trapezoid, everything wrong")
            << 2 << 100u << 0u << 0u << 200u
            << QStringList{"淤积层溢出", "管道下底边不应为0", "管道上底边不应为0"};
    }
    void rulesReportEveryFailureInOrder()
    {
        QFETCH(int, shape);
        QFETCH(uint, h);
        QFETCH(uint, w);
        QFETCH(uint, t);
        QFETCH(uint, y);
        QFETCH(QStringList, messages);
        QCOMPARE(PipeModifyWindow::validationMessages(shape, h, w, t, y), messages);
    }

    void dimensionEntriesAcceptThreeDigitsUpTo5000_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::newRow("5000") << "5000" << int(QValidator::Acceptable);
        QTest::newRow("5001") << "5001" << int(QValidator::Invalid);
        QTest::newRow("4999") << "4999" << int(QValidator::Acceptable);
        QTest::newRow("000") << "000" << int(QValidator::Acceptable);
        QTest::newRow("80") << "80" << int(QValidator::Intermediate);
        QTest::newRow("6000") << "6000" << int(QValidator::Invalid);
        QTest::newRow("letters") << "12a" << int(QValidator::Invalid);
    }
    void dimensionEntriesAcceptThreeDigitsUpTo5000()
    {
        QFETCH(QString, text);
        QFETCH(int, state);
        PipeModifyWindow d;
        d.showForPoint(point(0, 500, 0, 0, 0));
        for (const char *name : {"hEdit", "wEdit", "tEdit", "yEdit"}) {
            int pos = 0;
            QString s = text;
            QCOMPARE(int(edit(d, name)->validator()->validate(s, pos)), state);
        }
    }

    void openingShowsTheRecord()
    {
        PipeModifyWindow d;
        d.showForPoint(point(2, 800, 600, 1200, 50));
        QVERIFY(d.isVisible());
        QCOMPARE(d.findChild<QLabel *>("projectName")->text(), QString("城东项目"));
        QCOMPARE(d.findChild<QLabel *>("pointName")->text(), QString("1号井"));
        QCOMPARE(shapeName(d), QString("梯形"));
        QCOMPARE(picture(d), QPixmap(":/pipe/image/trapezoid.png").toImage());
        QCOMPARE(edit(d, "hEdit")->text(), QString("800"));
        QCOMPARE(edit(d, "wEdit")->text(), QString("600"));
        QCOMPARE(edit(d, "tEdit")->text(), QString("1200"));
        QCOMPARE(edit(d, "yEdit")->text(), QString("50"));
    }

    void eachShapeShowsItsRows_data()
    {
        QTest::addColumn<uint>("shape");
        QTest::addColumn<QString>("row0");
        QTest::addColumn<bool>("w");
        QTest::addColumn<bool>("t");
        QTest::newRow("circle") << 0u << "D(mm)" << false << false;
        QTest::newRow("rectangle") << 1u << "H(mm)" << true << false;
        QTest::newRow("trapezoid") << 2u << "H(mm)" << true << true;
        QTest::newRow("triangle") << 3u << "H(mm)" << true << false;
    }
    void eachShapeShowsItsRows()
    {
        QFETCH(uint, shape);
        QFETCH(QString, row0);
        QFETCH(bool, w);
        QFETCH(bool, t);
        PipeModifyWindow d;
        d.showForPoint(point(shape, 500, 300, 200, 10));
        QVERIFY(edit(d, "hEdit")->isVisible());
        QVERIFY(edit(d, "yEdit")->isVisible());
        QCOMPARE(edit(d, "wEdit")->isVisible(), w);
        QCOMPARE(edit(d, "tEdit")->isVisible(), t);
        const QList<QLabel *> labels = d.findChildren<QLabel *>();
        QStringList shown;
        for (QLabel *l : labels)
            if (l->isVisible())
                shown << l->text();
        QVERIFY(shown.contains(row0));
        QVERIFY(shown.contains("淤积层(mm)"));
        QCOMPARE(shown.contains("W(mm)"), w);
        QCOMPARE(shown.contains("T(mm)"), t);
    }

    void steppingWrapsBothWaysAndKeepsTheNumbers()
    {
        PipeModifyWindow d;
        d.showForPoint(point(0, 500, 0, 0, 0));
        setEntries(d, "1200", "800", "950", "30");
        QTest::mouseClick(button(d, "prev_btn"), Qt::LeftButton);
        QCOMPARE(shapeName(d), QString("三角形"));
        QCOMPARE(picture(d), QPixmap(":/pipe/image/triangle.png").toImage());
        QVERIFY(edit(d, "wEdit")->isVisible());
        QTest::mouseClick(button(d, "next_btn"), Qt::LeftButton);
        QCOMPARE(shapeName(d), QString("圆形"));
        QCOMPARE(picture(d), QPixmap(":/pipe/image/circle.png").toImage());
        QVERIFY(!edit(d, "wEdit")->isVisible());
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(button(d, "next_btn"), Qt::LeftButton);
            seen << shapeName(d);
        }
        QCOMPARE(seen, (QStringList{"方沟", "梯形", "三角形", "圆形"}));
        QCOMPARE(edit(d, "hEdit")->text(), QString("1200"));
        QCOMPARE(edit(d, "wEdit")->text(), QString("800"));
        QCOMPARE(edit(d, "tEdit")->text(), QString("950"));
        QCOMPARE(edit(d, "yEdit")->text(), QString("30"));
    }

    void validEntriesAreEmittedAndCloseTheDialog()
    {
        PipeModifyWindow d;
        QSignalSpy view(&d, &PipeModifyWindow::SendPipeInfo);
        QSignalSpy save(&d, &PipeModifyWindow::SendPipeInfoForSaving);
        d.showForPoint(point(0, 500, 0, 0, 0));
        QTest::mouseClick(button(d, "next_btn"), Qt::LeftButton); // rectangle
        setEntries(d, "1500", "80", "0", "100");                  // 80: incomplete, still read
        QTest::mouseClick(button(d, "confirm_btn"), Qt::LeftButton);
        QCOMPARE(view.count(), 1);
        QCOMPARE(save.count(), 0);
        const auto p = view.at(0).at(0).value<PipeSaveIntoTfType>();
        QCOMPARE(p.pipeShape, 1u);
        QCOMPARE(p.heightOrDiameter, 1500u);
        QCOMPARE(p.widthOrLowerBase, 80u);
        QCOMPARE(p.upperBase, 0u);
        QCOMPARE(p.sediment, 100u);
        QVERIFY(!d.isVisible());

        d.showForPoint(point(2, 800, 600, 1200, 50));
        QTest::mouseClick(button(d, "save_btn"), Qt::LeftButton);
        QCOMPARE(save.count(), 1);
        const auto q = save.at(0).at(0).value<PipeSaveIntoTfType>();
        QCOMPARE(q.pipeShape, 2u);
        QCOMPARE(q.heightOrDiameter, 800u);
        QCOMPARE(q.widthOrLowerBase, 600u);
        QCOMPARE(q.upperBase, 1200u);
        QCOMPARE(q.sediment, 50u);
    }

    void invalidEntriesWarnInOrderAndKeepTheDialogOpen_data()
    {
        QTest::addColumn<uint>("shape");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("circle overflow")
            << 0u << QStringList{"500", "0", "0", "501"} << QStringList{"管道设置错误|淤积层溢出"};
        QTest::newRow("trapezoid bases")
            << 2u << QStringList{"800", "0", "0", "0"}
            << QStringList{"管道设置错误|管道下底边不应为0", "管道设置错误|管道上底边不应为0"};
        QTest::newRow("rectangle empty")
            << 1u << QStringList{"0", "0", "100", "0"}
            << QStringList{"管道设置错误|管道高度不应为0", "管道设置错误|管道宽度不应为0"};
    }
    void invalidEntriesWarnInOrderAndKeepTheDialogOpen()
    {
        QFETCH(uint, shape);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, warnings);
        PipeModifyWindow d;
        QSignalSpy view(&d, &PipeModifyWindow::SendPipeInfo);
        QSignalSpy save(&d, &PipeModifyWindow::SendPipeInfoForSaving);
        d.showForPoint(point(shape, 500, 300, 200, 0));
        setEntries(d, entries[0], entries[1], entries[2], entries[3]);
        for (const char *name : {"confirm_btn", "save_btn"}) {
            ModalCloser closer;
            QTest::mouseClick(button(d, name), Qt::LeftButton);
            QCOMPARE(closer.seen(), warnings);
        }
        QCOMPARE(view.count() + save.count(), 0);
        QVERIFY(d.isVisible());
        QCOMPARE(edit(d, "hEdit")->text(), entries[0]);
        QCOMPARE(edit(d, "yEdit")->text(), entries[3]);
    }

    void sedimentAsHighAsTheCircleIsAccepted()
    {
        PipeModifyWindow d;
        QSignalSpy view(&d, &PipeModifyWindow::SendPipeInfo);
        d.showForPoint(point(0, 500, 0, 0, 500));
        ModalCloser closer;
        QTest::mouseClick(button(d, "confirm_btn"), Qt::LeftButton);
        QVERIFY(closer.seen().isEmpty());
        QCOMPARE(view.count(), 1);
    }

    void unknownStoredShapeOpensAsUnknownAndMustBeChosen()
    {
        PipeModifyWindow d;
        QSignalSpy view(&d, &PipeModifyWindow::SendPipeInfo);
        d.showForPoint(point(7, 500, 300, 200, 0));
        QCOMPARE(shapeName(d), QString("未知形状"));
        QVERIFY(edit(d, "wEdit")->isVisible());
        QVERIFY(edit(d, "tEdit")->isVisible());
        {
            ModalCloser closer;
            QTest::mouseClick(button(d, "confirm_btn"), Qt::LeftButton);
            QCOMPARE(closer.seen().size(), 1);
            QVERIFY(closer.seen().at(0).startsWith("管道设置错误|"));
        }
        QCOMPARE(view.count(), 0);
        QTest::mouseClick(button(d, "next_btn"), Qt::LeftButton);
        QCOMPARE(shapeName(d), QString("圆形"));
        d.close();
        d.showForPoint(point(9, 500, 300, 200, 0));
        QTest::mouseClick(button(d, "prev_btn"), Qt::LeftButton);
        QCOMPARE(shapeName(d), QString("三角形"));
        QTest::mouseClick(button(d, "confirm_btn"), Qt::LeftButton);
        QCOMPARE(view.count(), 1);
        QCOMPARE(view.at(0).at(0).value<PipeSaveIntoTfType>().pipeShape, 3u);
    }

    void openingTwiceKeepsTheFirstContents()
    {
        PipeModifyWindow d;
        d.showForPoint(point(1, 500, 300, 0, 0));
        edit(d, "hEdit")->setText("999");
        d.showForPoint(point(2, 800, 600, 1200, 50));
        QCOMPARE(d.findChildren<QLineEdit *>("hEdit").size(), 1);
        QCOMPARE(edit(d, "hEdit")->text(), QString("999"));
        QCOMPARE(shapeName(d), QString("方沟"));
        QTest::mouseClick(button(d, "cancel_btn"), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QVERIFY(!edit(d, "hEdit"));
    }
};

QTEST_MAIN(PipeDialogTest)
#include "test_pipe_dialog.moc"
