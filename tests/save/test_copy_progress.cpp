#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include "device/CopyDevProgress.h"
#include "tests/save/ModalAnswer.h"

class CopyProgressWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void windowIsBuiltHiddenWithItsFixedTexts()
    {
        CopyDevProgress w;
        QVERIFY(!w.isVisible());
        QCOMPARE(w.size(), QSize(580, 230));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowTitle(), QStringLiteral("下载文件"));
        QVERIFY(!w.windowIcon().isNull());
        QStringList texts;
        const QList<QLabel *> labels = w.findChildren<QLabel *>();
        for (QLabel *l : labels)
            texts << l->text();
        for (const char *t : {"正在复制第", "个文件", "已传输", "字节", "已完成", "%"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), t);
        QCOMPARE(w.fileNumberLabel->geometry(), QRect(130, 20, 40, 20));
        QCOMPARE(w.transferredLabel->geometry(), QRect(310, 20, 120, 20));
        QCOMPARE(w.filePercentLabel->geometry(), QRect(130, 50, 60, 24));
        QCOMPARE(w.totalPercentLabel->geometry(), QRect(130, 130, 60, 24));
        QCOMPARE(w.fileBar->geometry(), QRect(30, 90, 520, 20));
        QCOMPARE(w.totalBar->geometry(), QRect(30, 170, 520, 20));
        QCOMPARE(w.filePercentLabel->text(), QStringLiteral("0"));
        QVERIFY(!w.fileBar->isTextVisible());
        QCOMPARE(w.totalBar->value(), 0);
        QCOMPARE(w.totalPercentLabel->font().pointSize(), 12);
        QCOMPARE(w.fileNumberLabel->font().pointSize(), 10);
        QVERIFY(w.fileNumberLabel->alignment() & Qt::AlignHCenter);
    }

    void threeFilesShowNumbersAndTotalPercentages()
    {
        CopyDevProgress w;
        w.startCopy(3);
        QVERIFY(w.isVisible());
        w.nextFile(0);
        QCOMPARE(w.fileNumberLabel->text(), QStringLiteral("1"));
        w.nextFile(3712);
        QCOMPARE(w.fileNumberLabel->text(), QStringLiteral("2"));
        QCOMPARE(w.totalPercentLabel->text(), QStringLiteral("33"));
        QCOMPARE(w.totalBar->value(), 33);
        w.nextFile(3712);
        QCOMPARE(w.totalPercentLabel->text(), QStringLiteral("67"));
        QCOMPARE(w.totalBar->value(), 66);
        w.finishCopy();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.counter().filesStarted(), 0u);
        QCOMPARE(w.counter().totalFiles(), 0u);
    }

    void fileBarFollowsTheBytesTheLoggerSends()
    {
        // A listing of 512 + 100 x 32 bytes: the logger sends the 188-byte head and the records,
        // 324 bytes fewer than the listing.
        CopyDevProgress w;
        w.startCopy(2);
        w.nextFile(0);
        w.nextFile(512 + 100 * 32);
        QCOMPARE(w.counter().fileBytes(), quint32(188 + 100 * 32));
        w.RefreshProgressBar((188 + 100 * 32) / 2);
        QCOMPARE(w.fileBar->value(), 50);
        QCOMPARE(w.filePercentLabel->text(), QStringLiteral("50"));
        QCOMPARE(w.transferredLabel->text(), QString::number((188 + 100 * 32) / 2));
        QCOMPARE(w.totalBar->value(), 50); // second of two files: 1/2
    }

    void singleFileMovesBothBars()
    {
        CopyDevProgress w;
        w.startCopy(1);
        w.nextFile(512 + 1000 * 32);
        QCOMPARE(w.totalBar->value(), 1);
        QCOMPARE(w.fileBar->value(), 1);
        const uint sent = 188 + 1000 * 32;
        w.RefreshProgressBar(sent / 4);
        w.pageDone();
        w.RefreshProgressBar(sent / 2);
        QCOMPARE(w.fileBar->value(), 75);
        QCOMPARE(w.totalBar->value(), 75);
        QCOMPARE(w.totalPercentLabel->text(), w.filePercentLabel->text());
    }

    void progressWhileHiddenChangesNothingAndKeepsNoTimerAlive()
    {
        CopyDevProgress w;
        QSignalSpy alive(&w, &CopyDevProgress::TransferAlive);
        w.RefreshProgressBar(500);
        QCOMPARE(w.transferredLabel->text(), QString());
        QCOMPARE(alive.count(), 0);
        w.startCopy(1);
        w.nextFile(10000);
        w.RefreshProgressBar(500);
        QCOMPARE(alive.count(), 1);
        QCOMPARE(w.transferredLabel->text(), QStringLiteral("500"));
    }

    void answeringNoToTheCloseQuestionKeepsTheTransferRunning()
    {
        CopyDevProgress w;
        QSignalSpy stop(&w, &CopyDevProgress::ProgressTerminate);
        w.startCopy(2);
        w.nextFile(10000);
        ModalAnswer answer(QMessageBox::No);
        w.close();
        QCOMPARE(answer.seen(), QStringList{QStringLiteral("停止传输|本文件未完整传输,是否停止传输?")});
        QVERIFY(w.isVisible());
        QCOMPARE(stop.count(), 0);
        w.RefreshProgressBar(5000);
        QCOMPARE(w.transferredLabel->text(), QStringLiteral("5000"));
    }

    void answeringYesStopsAndHides()
    {
        CopyDevProgress w;
        QObject::connect(&w, &CopyDevProgress::ProgressTerminate, &w, &CopyDevProgress::on_ProgressTerminate);
        QSignalSpy stop(&w, &CopyDevProgress::ProgressTerminate);
        w.startCopy(2);
        w.nextFile(10000);
        ModalAnswer answer(QMessageBox::Yes);
        w.close();
        QCOMPARE(stop.count(), 1);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.counter().filesStarted(), 0u);
    }

    void closingTheHiddenWindowAsksNothing()
    {
        CopyDevProgress w;
        ModalAnswer answer(QMessageBox::No);
        QSignalSpy stop(&w, &CopyDevProgress::ProgressTerminate);
        w.close();
        QVERIFY(answer.seen().isEmpty());
        QCOMPARE(stop.count(), 0);
    }

    void newRunStartsFromZero()
    {
        CopyDevProgress w;
        w.startCopy(1);
        w.nextFile(10000);
        w.RefreshProgressBar(9000);
        w.finishCopy();
        w.startCopy(4);
        QCOMPARE(w.fileBar->value(), 0);
        QCOMPARE(w.totalBar->value(), 0);
        QCOMPARE(w.filePercentLabel->text(), QStringLiteral("0"));
        QCOMPARE(w.transferredLabel->text(), QString());
        w.nextFile(0);
        QCOMPARE(w.fileNumberLabel->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(CopyProgressWindowTest)
#include "test_copy_progress.moc"
