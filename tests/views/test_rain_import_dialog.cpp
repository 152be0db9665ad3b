#include "views/RainImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextCodec>
#include <QtTest>

using namespace lmv::survey;

namespace {

// A GBK running-total file with a station line and a column header over twelve minutes.
QByteArray gbkTotals()
{
    QString text = QStringLiteral("站名：城东雨量站\r\n时间,累计雨量(mm)\r\n");
    for (int i = 1; i <= 12; ++i)
        text += QStringLiteral("2024-05-01 00:%1:00,%2\r\n")
                    .arg(i, 2, 10, QLatin1Char('0'))
                    .arg(3.0 + (i / 3) * 0.2);
    return QTextCodec::codecForName("GBK")->fromUnicode(text);
}

bool okEnabled(RainImportDialog &d)
{
    return d.buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

// Changes a control and waits for the rows to be read again.
template <typename Change>
void change(RainImportDialog &d, Change &&what)
{
    QSignalSpy updated(&d, &RainImportDialog::importUpdated);
    what();
    QVERIFY(updated.wait(2000));
}

} // namespace

class TestRainImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void opensOnTheGuessedMappingWithNamesReadable()
    {
        RainImportDialog d(gbkTotals(), QStringLiteral("/data/城东雨量站.csv"));
        QCOMPARE(d.windowTitle(), QStringLiteral("导入雨量计数据"));
        QCOMPARE(d.previewTable->item(0, 0)->text(), QStringLiteral("站名：城东雨量站"));
        QCOMPARE(d.previewTable->horizontalHeaderItem(1)->text(), QStringLiteral("2 数值"));
        QCOMPARE(d.skipRowsBox->value(), 2);
        QCOMPARE(d.kindBox->currentData().toInt(), int(RainKind::Cumulative));
        QCOMPARE(d.mapping().separator, ',');
        QCOMPARE(d.gaugeName(), QStringLiteral("城东雨量站"));
        QCOMPARE(d.countsLabel->text(),
                 QStringLiteral("数据 12 行：读取 12 行，无法读取 0 行；记录间隔 60 秒，共 0.8 mm"));
        QVERIFY(okEnabled(d));
        QCOMPARE(d.result().series.times.size(), std::size_t(11)); // the first total only starts the count
        QVERIFY(d.badRowsList->isHidden());

        // LMV_SHOT_DIR=dir saves a picture of the dialog.
        const QString shots = qEnvironmentVariable("LMV_SHOT_DIR");
        if (!shots.isEmpty()) {
            d.show();
            d.grab().save(shots + QStringLiteral("/rain-import.png"));
        }
    }

    void controlsReadTheRowsAgainAndRefusalDisablesImport()
    {
        RainImportDialog d(gbkTotals(), QStringLiteral("gauge.csv"));
        // Header lines read as data: 2 of 14 rows bad, more than a tenth.
        change(d, [&] { d.skipRowsBox->setValue(0); });
        QVERIFY(d.result().refused());
        QVERIFY(!okEnabled(d));
        QCOMPARE(d.problemLabel->text(), d.result().error);
        QCOMPARE(d.badRowsList->item(0)->text(), QStringLiteral("第 1 行：时间无法识别"));
        QCOMPARE(d.badRowsList->count(), 2);
        QVERIFY(!d.badRowsList->isHidden());
        if (!qEnvironmentVariableIsEmpty("LMV_SHOT_DIR")) {
            d.show();
            d.grab().save(qEnvironmentVariable("LMV_SHOT_DIR") + QStringLiteral("/rain-import-refused.png"));
        }

        change(d, [&] { d.skipRowsBox->setValue(2); });
        QVERIFY(okEnabled(d));
        change(d, [&] { d.kindBox->setCurrentIndex(d.kindBox->findData(int(RainKind::Interval))); });
        QCOMPARE(d.result().series.kind, RainKind::Interval);
        QCOMPARE(d.result().series.times.size(), std::size_t(12));

        // A custom pattern that names no whole time refuses; a good one reads again.
        change(d, [&] {
            d.timeFormatBox->setCurrentIndex(d.timeFormatBox->count() - 1);
            d.customFormatEdit->setText(QStringLiteral("yyyy-MM-dd"));
        });
        QVERIFY(d.customFormatEdit->isEnabled());
        QVERIFY(!okEnabled(d));
        change(d, [&] { d.customFormatEdit->setText(QStringLiteral("yyyy-MM-dd HH:mm:ss")); });
        QVERIFY(okEnabled(d));
        QCOMPARE(d.mapping().timeFormat, QStringLiteral("yyyy-MM-dd HH:mm:ss"));

        // Tips: the value column is not read, the bucket size is.
        change(d, [&] {
            d.kindBox->setCurrentIndex(d.kindBox->findData(int(RainKind::Tips)));
            d.bucketBox->setValue(0.5);
        });
        QVERIFY(!d.valueColumnBox->isEnabled());
        QCOMPARE(d.result().series.depthMm.front(), 0.5);

        d.nameEdit->setText(QStringLiteral("  "));
        QVERIFY(!okEnabled(d));
        QCOMPARE(d.blocker(), QStringLiteral("请填写雨量计名称"));
    }

    void fileThatIsNoTextCannotBeImported()
    {
        RainImportDialog d(QByteArray("\x7f"
                                      "ELF\x02\x01\x01\x00\x00\x00",
                                      10),
                           QStringLiteral("a.out"));
        QCOMPARE(d.problemLabel->text(), QStringLiteral("不是文本文件（含二进制内容），无法读取"));
        QCOMPARE(d.previewTable->rowCount(), 0);
        QVERIFY(!okEnabled(d));
    }
};

QTEST_MAIN(TestRainImportDialog)
#include "test_rain_import_dialog.moc"
