// The main window's record table reactions: unit switches from headers and grid cells, width and
// scroll coupling of the two header rows, and the four copy buttons.

#include "ViewFiles.h"

#include "app/MainWindow.h"
#include "data/DataFile.h"
#include "data/Tables.h"
#include "views/RecordWindowBase.h"

#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace viewfiles;

namespace {

QString unitHeader(const QTableView *view, int c)
{
    return view->model()->headerData(c, Qt::Horizontal).toString();
}

} // namespace

class TestRecordSlots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unitHeaderClicksSwitchUnitsAndTheSharedFactors();
    void gridUnitCellsSwitchUnitsAndDeviceChangeCellsDoNothing();
    void aSwitchInOneRvaWindowLeavesTheOtherAsItIs();
    void draggingEitherHeaderRowResizesBoth();
    void namesScrollWithTheRecordsBeyondTheirOwnRange();
    void copyButtonsPutTheShownTableOnTheClipboard();
    void changeCellsOpenTheParameterDialogOnlyForAShownFile();

private:
    lmv::DataFileContents rvaFile(int records);

    QTemporaryDir m_dir;
    QString m_oldCwd;
    QStringList m_savedUnits;
    MainWindow *m_window = nullptr;
};

void TestRecordSlots::initTestCase()
{
    // The main window makes its download cache below the working directory.
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}

void TestRecordSlots::init()
{
    m_savedUnits = lmv::RvaUnitLabels;
    m_window = new MainWindow;
}

void TestRecordSlots::cleanup()
{
    delete m_window;
    m_window = nullptr;
    lmv::RvaUnitLabels = m_savedUnits;
}

lmv::DataFileContents TestRecordSlots::rvaFile(int records)
{
    Header h;
    h.vc = 1.0f;
    h.fc = 1.0f;
    h.sampleCount = unsigned(records);
    h.stats[0] = 0.9f;
    h.stats[6] = 30.0f;
    QByteArray bytes = headerBytes(h);
    for (int i = 0; i < records; ++i) {
        Rva r;
        r.minute = unsigned(i % 60);
        r.level = 0.1f * float(i + 1);
        r.velocity = 0.25f;
        r.flow = 10.0f * float(i + 1);
        r.temperature = 12.5f;
        bytes += rvaRecordBytes(r);
    }
    const QString path = m_dir.filePath(QString("rva%1.lmv").arg(records));
    writeFile(path, bytes);
    lmv::DataFileContents c;
    lmv::readDataFile(path, c);
    return c;
}

void TestRecordSlots::unitHeaderClicksSwitchUnitsAndTheSharedFactors()
{
    RVA_RecordWindow &w = *m_window;
    lmv::DataFileContents c = rvaFile(3);
    w.showRvaFile(c.header, c.rva, m_window->unitFactors());
    QHeaderView *units = w.UnitTable->horizontalHeader();
    emit units->sectionClicked(4);
    QCOMPARE(m_window->levelFactor, 1000.0f);
    QCOMPARE(m_window->velocityFactor, 1000.0f);
    QCOMPARE(unitHeader(w.UnitTable, 2), QString("(mm)"));
    QCOMPARE(w.UnitTable->model()->index(0, 2).data().toFloat(), 100.0f);
    emit units->sectionClicked(6);
    emit units->sectionClicked(6);
    QCOMPARE(m_window->flowFactor, 3.6f);
    QCOMPARE(unitHeader(w.UnitTable, 6), QString("(m3/h)"));
    QCOMPARE(w.UnitTable->model()->index(0, 6).data().toFloat(), 36.0f);
    emit units->sectionClicked(0); // the time column has no unit to switch
    emit units->sectionClicked(7);
    QCOMPARE(m_window->flowFactor, 3.6f);
    QCOMPARE(lmv::RvaUnitLabels[6], QString("(m3/h)"));
}

void TestRecordSlots::gridUnitCellsSwitchUnitsAndDeviceChangeCellsDoNothing()
{
    RVA_UsbRecordWindow &d = *m_window;
    lmv::DataFileContents c = rvaFile(3);
    d.showRvaFile(c.header, c.rva, m_window->unitFactors());
    emit d.SumTable->cellClicked(4, 14);
    QCOMPARE(m_window->flowFactor, 60.0f);
    QCOMPARE(cellText(d.SumTable, 3, 14), QString("(L/min)"));
    QCOMPARE(unitHeader(d.UnitTable, 6), QString("(L/min)"));
    const QString before = cellText(d.SumTable, 0, 3);
    emit d.SumTable->cellClicked(0, 4);
    emit d.SumTable->cellClicked(1, 4);
    QCOMPARE(cellText(d.SumTable, 0, 4), QString("-"));
    QCOMPARE(cellText(d.SumTable, 0, 3), before);
    QCOMPARE(m_window->flowFactor, 60.0f);
}

void TestRecordSlots::aSwitchInOneRvaWindowLeavesTheOtherAsItIs()
{
    RVA_RecordWindow &local = *m_window;
    RVA_UsbRecordWindow &device = *m_window;
    lmv::DataFileContents c = rvaFile(3);
    local.showRvaFile(c.header, c.rva, m_window->unitFactors());
    device.showRvaFile(c.header, c.rva, m_window->unitFactors());
    emit device.UnitTable->horizontalHeader()->sectionClicked(2);
    QCOMPARE(unitHeader(device.UnitTable, 2), QString("(mm)"));
    QCOMPARE(unitHeader(local.UnitTable, 2), QString("(m)"));
    QCOMPARE(local.UnitTable->model()->index(0, 2).data().toFloat(), 0.1f);
    // New corrections on the local window keep its values in its own units.
    m_window->recomputeVelocityColumn(2.0f, local.UnitTable);
    m_window->recomputeSumTable(2.0f, 1.0f, local.SumTable);
    QCOMPARE(local.UnitTable->model()->index(0, 4).data().toFloat(), 0.5f);
    QCOMPARE(cellNumber(local.SumTable, 3, 3), 0.9f);
}

void TestRecordSlots::draggingEitherHeaderRowResizesBoth()
{
    RVA_RecordWindow &a = *m_window;
    a.RecordTable->horizontalHeader()->resizeSection(2, 177);
    QCOMPARE(a.UnitTable->columnWidth(2), 177);
    a.UnitTable->horizontalHeader()->resizeSection(4, 91);
    QCOMPARE(a.RecordTable->columnWidth(4), 91);
    RVB_UsbRecordWindow &b = *m_window;
    b.UnitTable->horizontalHeader()->resizeSection(30, 55);
    QCOMPARE(b.RecordTable->columnWidth(30), 55);
    RVB_RecordWindow &bl = *m_window;
    bl.RecordTable->horizontalHeader()->resizeSection(1, 66);
    QCOMPARE(bl.UnitTable->columnWidth(1), 66);
    RVA_UsbRecordWindow &ad = *m_window;
    ad.RecordTable->horizontalHeader()->resizeSection(0, 301);
    QCOMPARE(ad.UnitTable->columnWidth(0), 301);
}

void TestRecordSlots::namesScrollWithTheRecordsBeyondTheirOwnRange()
{
    RVB_RecordWindow &w = *m_window;
    Header h;
    h.typeCode = 1;
    h.model = 4;
    QByteArray bytes = headerBytes(h);
    for (int i = 0; i < 40; ++i)
        bytes += rvbRecordBytes(Rvb());
    const QString path = m_dir.filePath("day.lmv");
    writeFile(path, bytes);
    lmv::DataFileContents c;
    lmv::readDataFile(path, c);
    w.showRvbFile(c.header, c.rvb);
    w.root->setParent(nullptr);
    w.root->resize(500, 600);
    w.root->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.root));
    QScrollBar *records = w.UnitTable->horizontalScrollBar();
    QVERIFY(records->maximum() > 0);
    records->setValue(records->maximum());
    QCOMPARE(w.RecordTable->horizontalScrollBar()->maximum(), records->maximum());
    QCOMPARE(w.RecordTable->horizontalScrollBar()->value(), records->maximum());
    records->setValue(123);
    QCOMPARE(w.RecordTable->horizontalScrollBar()->value(), 123);

    RVA_RecordWindow &a = *m_window;
    a.SumTable->horizontalScrollBar()->setMaximum(400);
    a.SumTable->horizontalScrollBar()->setValue(77);
    QCOMPARE(a.InfoTable->horizontalScrollBar()->value(), 77);
    w.root->setParent(m_window->central_widget); // back to the window that deletes it
}

void TestRecordSlots::copyButtonsPutTheShownTableOnTheClipboard()
{
    RVA_RecordWindow &local = *m_window;
    RVA_UsbRecordWindow &device = *m_window;
    lmv::DataFileContents c = rvaFile(12);
    local.showRvaFile(c.header, c.rva, m_window->unitFactors());
    local.RecordTable->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
    emit local.RecordTable->horizontalHeader()->sectionClicked(2);
    QApplication::clipboard()->clear();
    local.CopyRecordBtn->click();
    QStringList lines = QApplication::clipboard()->text().split("\r\n");
    QCOMPARE(lines.size(), 15);
    QCOMPARE(lines[0], QString("测量时间\t液位\t流速\t流量\t温度"));
    QCOMPARE(lines[2], QString("[2024-05-06 07:11:09]\t1.2\t0.25\t120\t12.5"));
    QCOMPARE(lines[13], QString("[2024-05-06 07:00:09]\t0.1\t0.25\t10\t12.5"));

    // The device window copies its own (empty) table.
    device.clearRvaWindow();
    device.CopyRecordBtn->click();
    QCOMPARE(QApplication::clipboard()->text().count("\r\n"), 2);

    RVB_UsbRecordWindow &rvb = *m_window;
    rvb.clearRvbWindow();
    rvb.CopyRecordBtn->click();
    lines = QApplication::clipboard()->text().split("\r\n");
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].count('\t'), 35);
    QVERIFY(lines[1].endsWith("-\t"));

    static_cast<RVB_RecordWindow &>(*m_window).CopyRecordBtn->click();
    QVERIFY(QApplication::clipboard()->text().startsWith("测量时间\t数据1\t"));
}

void TestRecordSlots::changeCellsOpenTheParameterDialogOnlyForAShownFile()
{
    RVA_RecordWindow &w = *m_window;
    lmv::DataFileContents c = rvaFile(3);
    w.showRvaFile(c.header, c.rva, m_window->unitFactors());
    QTreeWidget *tree = m_window->PrjTree;
    QVERIFY(tree);
    auto *project = new QTreeWidgetItem(tree, {QStringLiteral("北区管网")});
    auto *point = new QTreeWidgetItem(project, {QStringLiteral("1号井")});
    auto *file = new QTreeWidgetItem(point, {QStringLiteral("rva3.lmv")});

    // A file item made current (as the arrow keys do) is not shown: nothing opens.
    tree->setCurrentItem(file);
    emit w.SumTable->cellClicked(0, 4);
    QVERIFY(!m_window->parameter_dialog.isOpen());

    // Shown by the dispatch as an RVA file: either cell opens the dialog.
    m_window->shownEntry.showFile({"北区管网", "", "1号井", "", "rva3.lmv", "rva3.lmv"}, 5);
    emit w.SumTable->cellClicked(1, 4);
    QVERIFY(m_window->parameter_dialog.isOpen());
    m_window->parameter_dialog.close();
}

QTEST_MAIN(TestRecordSlots)
#include "test_record_slots.moc"
