// The scattergraph's sediment estimate in the main window: the pipe dialog opens for the shown
// file's point with the estimate in its sediment field, and no file changes until it is saved.

#include "app/MainWindow.h"
#include "plots/Hydrograph.h"
#include "plots/ScatterPanel.h"
#include "plots/Scattergraph.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestScatterSediment : public QObject
{
    Q_OBJECT

private slots:
    void estimateOpensThePipeDialogAndWritesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("解放路3号井.lmv"));
        QVERIFY(QFile::copy(QStringLiteral(LMV_SAMPLES "/files/散点图_解放路3号井_20240501.lmv"), path));
        const QByteArray before = bytesOf(path);
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the viewer's ./tmp cache goes here
        {
            MainWindow w;
            w.show();
            w.pc_button->click();
            w.openLocalPath(path);
            QTreeWidgetItem *file = w.PrjTree->topLevelItem(0)->child(0)->child(0);
            w.PrjTree->setCurrentItem(file);
            w.on_file_item_clicked(file);
            w.RVA_RecordWindow::ScatterViewBtn->click();
            Scattergraph *g = w.RVA_RecordWindow::scattergraph;
            emit w.RVA_RecordWindow::hydrograph->timeRangeSelected(1714521600, 1714521600 + 9 * 86400 - 1);
            QTRY_VERIFY(g->rangeLimited());
            const int estimate = g->sweep().bestMm;
            QVERIFY(std::abs(estimate - 100) <= 5);

            g->panel()->sedimentButton->click();
            QVERIFY(w.pipe_dialog.isOpen());
            QCOMPARE(w.pipe_dialog.findChild<QLineEdit *>("yEdit")->text(), QString::number(estimate));
            QCOMPARE(w.pipe_dialog.findChild<QLineEdit *>("hEdit")->text(), QStringLiteral("1000"));
            QTest::mouseClick(w.pipe_dialog.findChild<QPushButton *>("cancel_btn"), Qt::LeftButton);
            QVERIFY(!w.pipe_dialog.isOpen());
            QCOMPARE(bytesOf(path), before);

            // "仅修改" tries the pipe on the view: the scattergraph now reads the estimate as the file's.
            g->panel()->sedimentButton->click();
            QTest::mouseClick(w.pipe_dialog.findChild<QPushButton *>("confirm_btn"), Qt::LeftButton);
            QTRY_COMPARE(g->sweep().fileMm, estimate);
            QCOMPARE(bytesOf(path), before);
        }
        QDir::setCurrent(oldDir);
    }
};

QTEST_MAIN(TestScatterSediment)
#include "test_scatter_sediment.moc"
