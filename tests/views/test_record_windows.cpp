// The four record windows driven as widgets: building, filling from files, unit switching,
// sorting by header clicks, column widths, and the texts the views show.

#include "ViewFiles.h"

#include "data/DataFile.h"
#include "data/Tables.h"
#include "views/RVA_RecordWindow.h"
#include "views/RVA_UsbRecordWindow.h"
#include "views/RVB_RecordWindow.h"
#include "views/RVB_UsbRecordWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <numeric>

using namespace viewfiles;

namespace {

// The text a table widget renders for a cell.
QString cell(const QTableWidget *t, int r, int c)
{
    const QTableWidgetItem *item = t->item(r, c);
    if (!item)
        return QStringLiteral("<none>");
    QStyledItemDelegate delegate;
    return delegate.displayText(item->data(Qt::DisplayRole), t->locale());
}

// The text the table view renders for a cell (what the user sees).
QString shown(const QTableView *view, int r, int c)
{
    QStyledItemDelegate delegate;
    return delegate.displayText(view->model()->index(r, c).data(), view->locale());
}

QString unitHeader(const QTableView *view, int c)
{
    return view->model()->headerData(c, Qt::Horizontal).toString();
}

QString nameHeader(const QTableWidget *t, int c)
{
    return t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : QString();
}

void clickSection(QHeaderView *header, int section)
{
    const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

lmv::DataFileContents readBack(const QString &path)
{
    lmv::DataFileContents contents;
    lmv::readDataFile(path, contents);
    return contents;
}

} // namespace

class TestRecordWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowsAreBuiltWithTheirFixedTexts();
    void rvaFileFillsInfoSumAndRows();
    void shownAndCopiedCellsAreOneNumberFormInEveryUnit();
    void unitsCycleFromHeaderAndGridAndReturnToTheFirstValues();
    void unitSwitchOnAnEmptyWindowChangesOnlyLabels();
    void nextFileOpensInTheLastChosenUnits();
    void headerClicksSortNumericallyAndReverse();
    void rvbDeviceHeadersIgnoreClicks();
    void clearingEmptiesValuesAndKeepsUnits();
    void widthsAreFixedUpTo915PixelsAndFollowAbove_data();
    void widthsAreFixedUpTo915PixelsAndFollowAbove();
    void rvbFileFillsChannelHeadersStatisticsAndRows();
    void rvbFileWithoutRecordsShowsZeroAverages();
    void truncatedAndCorruptFilesShowWhatCanBeRead();
    void clipboardTextOfAWindowFollowsSortAndUnits();

private:
    QString writeRva(const Header &h, const std::vector<Rva> &records, const QByteArray &tail = {});
    QString writeRvb(const Header &h, const std::vector<Rvb> &records);

    QTemporaryDir m_dir;
    QStringList m_savedUnits;
    int m_files = 0;
};

void TestRecordWindows::init()
{
    m_savedUnits = lmv::RvaUnitLabels;
}

void TestRecordWindows::cleanup()
{
    lmv::RvaUnitLabels = m_savedUnits; // the unit choice is process-wide
}

QString TestRecordWindows::writeRva(const Header &h, const std::vector<Rva> &records, const QByteArray &tail)
{
    QByteArray bytes = headerBytes(h);
    for (const Rva &r : records)
        bytes += rvaRecordBytes(r);
    bytes += tail;
    const QString path = m_dir.filePath(QString("f%1.lmv").arg(++m_files));
    writeFile(path, bytes);
    return path;
}

QString TestRecordWindows::writeRvb(const Header &h, const std::vector<Rvb> &records)
{
    QByteArray bytes = headerBytes(h);
    for (const Rvb &r : records)
        bytes += rvbRecordBytes(r);
    const QString path = m_dir.filePath(QString("b%1.lmv").arg(++m_files));
    writeFile(path, bytes);
    return path;
}

namespace {

Header rvaHeader()
{
    Header h;
    h.vc = 1.1f;
    h.fc = 1.0f;
    h.probe = 1;
    h.sampleCount = 3;
    const float stats[12] = {1.23456f, 0.5f,  0.9f,  0.8f,    0.2f,    0.5f,
                             30.0f,    10.0f, 20.0f, 18.456f, 12.344f, 15.0f};
    std::copy(std::begin(stats), std::end(stats), h.stats);
    return h;
}

std::vector<Rva> threeRvaRecords()
{
    std::vector<Rva> r(3);
    r[0] = {2024, 5, 6, 7, 8, 9, 1, 1.23456f, 0.5f, 10.0f, 12.345f};
    r[1] = {2024, 5, 6, 7, 9, 9, 2, 0.5f, 0.8f, 30.0f, 18.456f};
    r[2] = {2024, 5, 6, 7, 10, 9, 3, 0.9f, 0.2f, 20.0f, 12.344f};
    return r;
}

} // namespace

void TestRecordWindows::windowsAreBuiltWithTheirFixedTexts()
{
    QWidget parent;
    RVA_RecordWindow rva;
    rva.setupRVA_RecordWindow(&parent);
    RVA_UsbRecordWindow rvaDev;
    rvaDev.setupRVA_UsbRecordWindow(&parent);
    RVB_RecordWindow rvb;
    rvb.setupRVB_RecordWindow(&parent);
    RVB_UsbRecordWindow rvbDev;
    rvbDev.setupRVB_UsbRecordWindow(&parent);

    QCOMPARE(rva.overviewLabel->text(), QString("测试概述"));
    QCOMPARE(rva.detailLabel->text(), QString("测试明细"));
    QCOMPARE(rva.CopyRecordBtn->text(), QString("复制剪贴板"));
    QCOMPARE(rva.CopyRecordBtn->width(), 136);
    // The local windows put a layout around the splitter; the device windows show the splitter.
    QVERIFY(rva.root != rva.splitter);
    QCOMPARE(rvaDev.root, static_cast<QWidget *>(rvaDev.splitter));
    QCOMPARE(rvb.splitter->sizes().size(), 2);

    QCOMPARE(cell(rva.InfoTable, 3, 0), QString("管道规格"));
    QCOMPARE(cell(rvaDev.InfoTable, 3, 0), QString("管道类型"));
    QCOMPARE(cell(rvbDev.InfoTable, 4, 0), QString("采样次数"));
    QCOMPARE(rva.InfoTable->height(), 5 * rva.InfoTable->rowHeight(0));

    QCOMPARE(rva.SumTable->rowCount(), 6);
    QCOMPARE(rva.SumTable->columnCount(), 15);
    QCOMPARE(cell(rva.SumTable, 0, 1), QString("流速修正"));
    QCOMPARE(cell(rva.SumTable, 0, 4), QString("更改"));
    QCOMPARE(cell(rvaDev.SumTable, 0, 4), QString("-"));
    QCOMPARE(cell(rvaDev.SumTable, 1, 4), QString("-"));
    QCOMPARE(cell(rva.SumTable, 5, 10), QString("18"));
    QCOMPARE(cell(rva.SumTable, 5, 11), QString("平均流量"));
    QCOMPARE(cell(rva.SumTable, 3, 4), lmv::RvaUnitLabels[2]);
    QCOMPARE(cell(rva.SumTable, 4, 14), lmv::RvaUnitLabels[6]);
    QCOMPARE(rva.SumTable->item(2, 6)->textAlignment(), int(Qt::AlignCenter));

    QCOMPARE(rvb.SumTable->rowCount(), 4);
    QCOMPARE(rvb.SumTable->horizontalHeaderItem(5)->text(), QString("数据6"));
    QCOMPARE(rvb.SumTable->verticalHeaderItem(0)->text(), QString(" 单位"));
    QCOMPARE(cell(rvb.SumTable, 0, 2), QString("-"));

    for (int c : {1, 3, 5, 8}) {
        QVERIFY(rva.RecordTable->isColumnHidden(c));
        QVERIFY(rvaDev.UnitTable->isColumnHidden(c));
    }
    QVERIFY(!rva.UnitTable->isColumnHidden(2));
    QCOMPARE(nameHeader(rva.RecordTable, 2), QString("液位"));
    QCOMPARE(unitHeader(rva.UnitTable, 6), QString("(L/s)"));
    QCOMPARE(rvb.UnitTable->model()->columnCount(), 35);
    QCOMPARE(nameHeader(rvb.RecordTable, 17), QString("CSQ值"));
    QCOMPARE(rva.RecordTable->height(), 25);
    QVERIFY(rva.RecordTable->horizontalHeader()->isSortIndicatorShown());
    QCOMPARE(rva.RecordTable->columnWidth(0), 265);
    QCOMPARE(rvb.RecordTable->columnWidth(0), 260);
    QCOMPARE(rvb.UnitTable->columnWidth(34), 130);
}

void TestRecordWindows::rvaFileFillsInfoSumAndRows()
{
    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), threeRvaRecords()));
    w.showRvaFile(c.header, c.rva, {});

    QCOMPARE(cell(w.InfoTable, 0, 1), QString("12345"));
    QCOMPARE(cell(w.InfoTable, 1, 1), QString("北区管网/1号井"));
    QCOMPARE(cell(w.InfoTable, 2, 1), QString("(压力)液位、(超声)流速"));
    QCOMPARE(cell(w.InfoTable, 3, 1), QString("圆形 直径1000mm 淤积层50mm"));
    QCOMPARE(cell(w.InfoTable, 4, 1), QString("3"));

    QCOMPARE(cell(w.SumTable, 0, 3), QString("1.10"));
    QCOMPARE(cell(w.SumTable, 1, 3), QString("1.00"));
    QCOMPARE(cell(w.SumTable, 2, 3), QString("V3.0"));
    QCOMPARE(cell(w.SumTable, 0, 8), QString("12"));
    QCOMPARE(cell(w.SumTable, 1, 8), QString("3"));
    QCOMPARE(cell(w.SumTable, 2, 8), QString("60"));
    QCOMPARE(cell(w.SumTable, 0, 13), QString("18.46"));
    QCOMPARE(cell(w.SumTable, 1, 13), QString("12.34"));
    QCOMPARE(cell(w.SumTable, 3, 3), QString("1.235"));
    QCOMPARE(cell(w.SumTable, 4, 8), QString("0.22")); // 0.2 m/s corrected by 1.1
    QCOMPARE(cell(w.SumTable, 3, 13), QString("33"));  // 30 L/s × 1.1 × 1.0
    // The stored statistics stay beside the shown ones.
    QCOMPARE(w.SumTable->item(3, 2)->data(Qt::DisplayRole).toFloat(), 1.23456f);

    QCOMPARE(w.UnitTable->model()->rowCount(), 3);
    QCOMPARE(shown(w.UnitTable, 0, 0), QString("[2024-05-06 07:08:09]"));
    QCOMPARE(shown(w.UnitTable, 0, 2), QString("1.235"));
    QCOMPARE(shown(w.UnitTable, 0, 4), QString("0.55"));
    QCOMPARE(shown(w.UnitTable, 0, 6), QString("11"));
    QCOMPARE(shown(w.UnitTable, 0, 7), QString("12.35"));
    QCOMPARE(shown(w.UnitTable, 2, 0), QString("[2024-05-06 07:10:09]"));
    QCOMPARE(shown(w.UnitTable, 2, 4), QString("0.22"));
    QCOMPARE(shown(w.UnitTable, 2, 7), QString("12.34"));
    QCOMPARE(shown(w.UnitTable, 2, 8), QString("3"));
    QCOMPARE(w.RecordTable->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(w.RecordTable->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

void TestRecordWindows::shownAndCopiedCellsAreOneNumberFormInEveryUnit()
{
    // A user locale with group separators: neither the table nor the copy may use them.
    const QLocale userLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(userLocale); });

    // Each copied line holds exactly what the table shows in its row, field by field.
    auto copyEqualsTable = [](const RecordWindowBase &w, const QTableView *view,
                              const QVector<int> &columns) {
        const QStringList lines = w.clipboardText().split(QStringLiteral("\r\n"));
        const int rows = view->model()->rowCount();
        QCOMPARE(lines.size(), rows + 3); // names, units, rows, and the empty text after the last end
        for (int r = 0; r < rows; ++r) {
            const QStringList fields = lines[r + 2].split(QLatin1Char('\t'));
            for (int i = 0; i < columns.size(); ++i) {
                QCOMPARE(fields.value(i), shown(view, r, columns[i]));
                QVERIFY2(!fields.value(i).contains(QLatin1Char(',')), qPrintable(fields.value(i)));
            }
        }
    };

    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    std::vector<Rva> records;
    for (int i = 0; i < 6; ++i)
        records.push_back({2024, 1, 1, 0, 0, unsigned(i), 1234567u + std::uint32_t(i), 1.5f * float(i * i),
                           0.731f * float(i), 5076.15f * float(i + 1), -3.3f + float(i)});
    Header header = rvaHeader();
    header.vc = 1.0f;
    header.fc = 1.0f;
    header.stats[6] = 30456.9f; // flow maximum
    lmv::DataFileContents c = readBack(writeRva(header, records));
    lmv::UnitFactors f{};
    w.showRvaFile(c.header, c.rva, f);
    QCOMPARE(shown(w.UnitTable, 0, 6), QString("5076.15"));
    QCOMPARE(shown(w.UnitTable, 0, 8), QString("1234567"));
    QCOMPARE(w.clipboardText().split(QStringLiteral("\r\n")).value(2).split(QLatin1Char('\t')).value(3),
             QString("5076.15"));
    QCOMPARE(cell(w.SumTable, 3, 13), QString("30456.9")); // the statistics above the rows alike
    // Both level/velocity units times the four flow units; the copy takes five of the columns.
    for (int lv = 0; lv < 2; ++lv) {
        for (int flow = 0; flow < 4; ++flow) {
            copyEqualsTable(w, w.UnitTable, {0, 2, 4, 6, 7});
            for (int col = 0; col < w.UnitTable->model()->columnCount(); ++col)
                QVERIFY(!shown(w.UnitTable, 1, col).contains(QLatin1Char(',')));
            f = w.switchUnitFromHeader(6, f);
        }
        f = w.switchUnitFromHeader(2, f);
    }

    RVB_UsbRecordWindow b;
    b.setupRVB_UsbRecordWindow(&parent);
    Header h;
    h.typeCode = 1;
    h.model = 4;
    std::vector<Rvb> rvb(4);
    for (int i = 0; i < 4; ++i) {
        rvb[std::size_t(i)].seconds = 31536000u + 3600u * unsigned(i);
        for (int ch = 0; ch < 6; ++ch)
            rvb[std::size_t(i)].channel[ch] = 1234.567f * float(ch + 1) * float(i + 1);
        rvb[std::size_t(i)].sensor = 987654u;
        rvb[std::size_t(i)].alarm = 0x3ff;
    }
    lmv::DataFileContents rc = readBack(writeRvb(h, rvb));
    b.showRvbFile(rc.header, rc.rvb);
    QVector<int> all(35);
    std::iota(all.begin(), all.end(), 0);
    copyEqualsTable(b, b.UnitTable, all);
}

void TestRecordWindows::unitsCycleFromHeaderAndGridAndReturnToTheFirstValues()
{
    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), threeRvaRecords()));
    w.showRvaFile(c.header, c.rva, {});
    const QString level0 = shown(w.UnitTable, 0, 2), velocity0 = shown(w.UnitTable, 0, 4);
    const QString flow0 = shown(w.UnitTable, 1, 6), sumFlow0 = cell(w.SumTable, 5, 13);

    lmv::UnitFactors f = w.switchUnitFromHeader(2, {});
    QCOMPARE(f.level, 1000.0f);
    QCOMPARE(f.velocity, 1000.0f);
    QCOMPARE(unitHeader(w.UnitTable, 2), QString("(mm)"));
    QCOMPARE(unitHeader(w.UnitTable, 4), QString("(mm/s)"));
    QCOMPARE(lmv::RvaUnitLabels[2], QString("(mm)"));
    QCOMPARE(lmv::RvaUnitLabels[4], QString("(mm/s)"));
    QCOMPARE(cell(w.SumTable, 4, 4), QString("(mm)"));
    QCOMPARE(cell(w.SumTable, 5, 9), QString("(mm/s)"));
    QCOMPARE(shown(w.UnitTable, 0, 2), QString("1235"));
    QCOMPARE(shown(w.UnitTable, 0, 4), QString("550"));
    QCOMPARE(cell(w.SumTable, 3, 3), QString("1235"));

    // Back from the velocity cell of the grid.
    f = w.switchUnitFromSumCell(4, 9, f);
    QCOMPARE(f.level, 1.0f);
    QCOMPARE(unitHeader(w.UnitTable, 2), QString("(m)"));
    QCOMPARE(shown(w.UnitTable, 0, 2), level0);
    QCOMPARE(shown(w.UnitTable, 0, 4), velocity0);

    const QStringList flowCycle = {"(L/min)", "(m3/h)", "(m3/d)", "(L/s)"};
    for (int i = 0; i < 4; ++i) {
        f = i % 2 ? w.switchUnitFromSumCell(3 + i % 3, 14, f) : w.switchUnitFromHeader(6, f);
        QCOMPARE(unitHeader(w.UnitTable, 6), flowCycle[i]);
        QCOMPARE(cell(w.SumTable, 5, 14), flowCycle[i]);
        QCOMPARE(lmv::RvaUnitLabels[6], flowCycle[i]);
        if (i == 1)
            QCOMPARE(shown(w.UnitTable, 1, 6), QString("118.8")); // 30 L/s × 1.1 in m3/h
    }
    QCOMPARE(f.flow, 1.0f);
    QCOMPARE(shown(w.UnitTable, 1, 6), flow0);
    QCOMPARE(cell(w.SumTable, 5, 13), sumFlow0);

    // Cells that are no unit cells change nothing.
    const lmv::UnitFactors same = w.switchUnitFromSumCell(2, 4, f);
    QCOMPARE(same.level, f.level);
    QCOMPARE(w.switchUnitFromHeader(7, f).flow, f.flow);
    QCOMPARE(unitHeader(w.UnitTable, 6), QString("(L/s)"));
}

void TestRecordWindows::unitSwitchOnAnEmptyWindowChangesOnlyLabels()
{
    QWidget parent;
    RVA_UsbRecordWindow w;
    w.setupRVA_UsbRecordWindow(&parent);
    const lmv::UnitFactors f = w.switchUnitFromSumCell(3, 4, {});
    QCOMPARE(f.level, 1000.0f);
    QCOMPARE(cell(w.SumTable, 3, 4), QString("(mm)"));
    QCOMPARE(unitHeader(w.UnitTable, 4), QString("(mm/s)"));
    QCOMPARE(cell(w.SumTable, 3, 3), QString()); // no statistics invented for an empty window
    QCOMPARE(w.UnitTable->model()->rowCount(), 0);
}

void TestRecordWindows::nextFileOpensInTheLastChosenUnits()
{
    QWidget parent;
    RVA_RecordWindow local;
    local.setupRVA_RecordWindow(&parent);
    RVA_UsbRecordWindow device;
    device.setupRVA_UsbRecordWindow(&parent);
    lmv::UnitFactors f = local.switchUnitFromHeader(2, {});
    f = local.switchUnitFromHeader(6, f);
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), threeRvaRecords()));
    device.clearRvaWindow();
    device.showRvaFile(c.header, c.rva, lmv::refreshUnitFactors());
    QCOMPARE(unitHeader(device.UnitTable, 2), QString("(mm)"));
    QCOMPARE(unitHeader(device.UnitTable, 6), QString("(L/min)"));
    QCOMPARE(cell(device.SumTable, 3, 14), QString("(L/min)"));
    QCOMPARE(shown(device.UnitTable, 1, 2), QString("500"));
    QCOMPARE(shown(device.UnitTable, 1, 6), QString("1980")); // 30 × 1.1 × 60
}

void TestRecordWindows::headerClicksSortNumericallyAndReverse()
{
    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    QObject::connect(w.RecordTable->horizontalHeader(), &QHeaderView::sectionClicked,
                     [&w](int column) { w.sortFromNameClick(column); });
    parent.resize(1000, 700);
    w.root->resize(1000, 700);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    std::vector<Rva> records;
    for (float level : {9.0f, 10.0f, 2.0f, 100.0f, 9.5f})
        records.push_back({2024, 1, 1, 0, 0, 0, 0, level, 0.1f, 1.0f, 10.0f});
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), records));
    w.showRvaFile(c.header, c.rva, {});

    auto levels = [&] {
        QStringList out;
        for (int r = 0; r < w.UnitTable->model()->rowCount(); ++r)
            out << shown(w.UnitTable, r, 2);
        return out;
    };
    clickSection(w.RecordTable->horizontalHeader(), 2);
    QCOMPARE(w.RecordTable->horizontalHeader()->sortIndicatorSection(), 2);
    QCOMPARE(levels(), QStringList({"2", "9", "9.5", "10", "100"}));
    clickSection(w.RecordTable->horizontalHeader(), 2);
    QCOMPARE(w.RecordTable->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(levels(), QStringList({"100", "10", "9.5", "9", "2"}));
    // Another column starts ascending again.
    clickSection(w.RecordTable->horizontalHeader(), 0);
    QCOMPARE(w.RecordTable->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(w.RecordTable->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

void TestRecordWindows::rvbDeviceHeadersIgnoreClicks()
{
    QWidget parent;
    RVB_UsbRecordWindow w;
    w.setupRVB_UsbRecordWindow(&parent);
    parent.resize(1000, 700);
    w.root->resize(1000, 700);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    Header h;
    h.typeCode = 1;
    h.model = 4;
    lmv::DataFileContents c = readBack(writeRvb(h, std::vector<Rvb>(3)));
    w.showRvbFile(c.header, c.rvb);
    QHeaderView *names = w.RecordTable->horizontalHeader();
    QSignalSpy clicked(names, &QHeaderView::sectionClicked);
    clickSection(names, 2);
    clickSection(names, 0);
    clickSection(w.UnitTable->horizontalHeader(), 2);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(names->sortIndicatorSection(), 0);
    QCOMPARE(names->sortIndicatorOrder(), Qt::AscendingOrder);
    QVERIFY(w.UnitTable->selectionModel()->selectedIndexes().isEmpty());
}

void TestRecordWindows::clearingEmptiesValuesAndKeepsUnits()
{
    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), threeRvaRecords()));
    w.showRvaFile(c.header, c.rva, {});
    w.switchUnitFromHeader(6, {});
    w.clearRvaWindow();
    QCOMPARE(w.UnitTable->model()->rowCount(), 0);
    QCOMPARE(cell(w.InfoTable, 1, 1), QString());
    QCOMPARE(cell(w.InfoTable, 1, 0), QString("监测点"));
    for (int col : {2, 3, 7, 8, 12, 13})
        QCOMPARE(cell(w.SumTable, 3, col), QString());
    QCOMPARE(cell(w.SumTable, 5, 14), QString("(L/min)"));
    QCOMPARE(cell(w.SumTable, 0, 1), QString("流速修正"));
    QCOMPARE(unitHeader(w.UnitTable, 6), QString("(L/min)"));

    w.showRvaFile(c.header, c.rva, {});
    w.clearUnitTable();
    QCOMPARE(w.UnitTable->model()->rowCount(), 0);
    QVERIFY(w.UnitTable->isColumnHidden(1)); // clearing keeps the stored-value columns hidden
}

void TestRecordWindows::widthsAreFixedUpTo915PixelsAndFollowAbove_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("sum0");
    QTest::addColumn<int>("sum1");
    QTest::addColumn<int>("sum3");
    QTest::addColumn<int>("info1");
    QTest::addColumn<int>("record0");
    QTest::addColumn<int>("record2");
    // RVA local, b = W - 2: b/36, b/9, b/3 - b/9 - b/12 - b/36; records b - 5(b/7), b/7.
    QTest::newRow("RVA local 915") << 0 << 915 << 25 << 100 << 100 << 715 << 265 << 130;
    QTest::newRow("RVA local 916") << 0 << 916 << 25 << 101 << 102 << 714 << 264 << 130;
    QTest::newRow("RVA local 1402") << 0 << 1402 << 38 << 155 << 157 << 1200 << 400 << 200;
    // RVA device, b = W - 5, InfoTable W - 205.
    QTest::newRow("RVA device 915") << 1 << 915 << 25 << 100 << 100 << 715 << 265 << 130;
    QTest::newRow("RVA device 1405") << 1 << 1405 << 38 << 155 << 157 << 1200 << 400 << 200;
    // RVB local: b = (W - 2)/7, column 0 = W - 5b - 2.
    QTest::newRow("RVB local 915") << 2 << 915 << 145 << 145 << 145 << 715 << 260 << 130;
    QTest::newRow("RVB local 916") << 2 << 916 << 145 << 145 << 145 << 714 << 264 << 130;
    QTest::newRow("RVB local 1402") << 2 << 1402 << 145 << 145 << 145 << 1200 << 400 << 200;
    // RVB device: records always fixed, InfoTable W - 200.
    QTest::newRow("RVB device 916") << 3 << 916 << 145 << 145 << 145 << 716 << 260 << 130;
}

void TestRecordWindows::widthsAreFixedUpTo915PixelsAndFollowAbove()
{
    QFETCH(int, kind);
    QFETCH(int, width);
    QWidget parent;
    RVA_RecordWindow rvaLocal;
    RVA_UsbRecordWindow rvaDevice;
    RVB_RecordWindow rvbLocal;
    RVB_UsbRecordWindow rvbDevice;
    RecordWindowBase *w = nullptr;
    switch (kind) {
    case 0:
        rvaLocal.setupRVA_RecordWindow(&parent);
        w = &rvaLocal;
        break;
    case 1:
        rvaDevice.setupRVA_UsbRecordWindow(&parent);
        w = &rvaDevice;
        break;
    case 2:
        rvbLocal.setupRVB_RecordWindow(&parent);
        w = &rvbLocal;
        break;
    default:
        rvbDevice.setupRVB_UsbRecordWindow(&parent);
        w = &rvbDevice;
    }
    w->root->resize(width, 700);
    QCOMPARE(w->root->width(), width);
    w->relayoutColumns();
    QTEST(w->SumTable->columnWidth(0), "sum0");
    QTEST(w->SumTable->columnWidth(1), "sum1");
    QTEST(w->SumTable->columnWidth(3), "sum3");
    QCOMPARE(w->InfoTable->columnWidth(0), 200);
    QTEST(w->InfoTable->columnWidth(1), "info1");
    QTEST(w->RecordTable->columnWidth(0), "record0");
    QTEST(w->UnitTable->columnWidth(0), "record0");
    QTEST(w->RecordTable->columnWidth(2), "record2");
    QTEST(w->UnitTable->columnWidth(2), "record2");
    if (kind < 2)
        QCOMPARE(w->SumTable->columnWidth(2), 0); // the stored values are never visible
}

void TestRecordWindows::rvbFileFillsChannelHeadersStatisticsAndRows()
{
    QWidget parent;
    RVB_RecordWindow w;
    w.setupRVB_RecordWindow(&parent);
    Header h;
    h.typeCode = 1;
    h.model = 16;
    std::vector<Rvb> records(3);
    for (int i = 0; i < 3; ++i) {
        records[std::size_t(i)].seconds = 31536000u + 60u * unsigned(i);
        for (int ch = 0; ch < 6; ++ch)
            records[std::size_t(i)].channel[ch] = float(ch + 1) * float(i + 1);
    }
    records[2].alarm = 0x1f;
    lmv::DataFileContents c = readBack(writeRvb(h, records));
    w.showRvbFile(c.header, c.rvb);

    QCOMPARE(cell(w.InfoTable, 2, 1), QString("(超声)液位、(雷达)流速、(压力)液位、(超声)流速"));
    QCOMPARE(cell(w.InfoTable, 4, 1), QString("3"));
    QCOMPARE(nameHeader(w.RecordTable, 1), QString("超声液位"));
    QCOMPARE(nameHeader(w.RecordTable, 6), QString("俯仰角"));
    QCOMPARE(nameHeader(w.RecordTable, 7), QString("报警"));
    QCOMPARE(unitHeader(w.UnitTable, 2), QString("(m/s)"));
    QCOMPARE(w.SumTable->horizontalHeaderItem(0)->text(), QString("超声液位"));
    QCOMPARE(cell(w.SumTable, 0, 5), QString("(°)"));
    QCOMPARE(cell(w.SumTable, 1, 1), QString("6")); // max of 2, 4, 6
    QCOMPARE(cell(w.SumTable, 2, 1), QString("2")); // min
    QCOMPARE(cell(w.SumTable, 3, 2), QString("6")); // average of 3, 6, 9
    QCOMPARE(shown(w.UnitTable, 0, 0), QString("[2015-01-01 00:00:00]"));
    QCOMPARE(shown(w.UnitTable, 2, 0), QString("[2015-01-01 00:02:00]"));
    QCOMPARE(shown(w.UnitTable, 2, 7), QString("0x1f"));
    QCOMPARE(shown(w.UnitTable, 0, 10), QString("2"));   // 7200 s
    QCOMPARE(shown(w.UnitTable, 0, 11), QString("1.5")); // 5400 s
    QCOMPARE(shown(w.UnitTable, 2, 18), QString("0x1a2b"));
    QCOMPARE(shown(w.UnitTable, 2, 34), QString("36"));

    // A model code missing from the table leaves the placeholder headers.
    h.model = 2;
    lmv::DataFileContents other = readBack(writeRvb(h, records));
    w.showRvbFile(other.header, other.rvb);
    QCOMPARE(nameHeader(w.RecordTable, 1), QString("数据1"));
    QCOMPARE(unitHeader(w.UnitTable, 1), QString("-"));
    QCOMPARE(cell(w.InfoTable, 2, 1), QString());
}

void TestRecordWindows::rvbFileWithoutRecordsShowsZeroAverages()
{
    QWidget parent;
    RVB_UsbRecordWindow w;
    w.setupRVB_UsbRecordWindow(&parent);
    Header h;
    h.typeCode = 1;
    h.model = 4;
    lmv::DataFileContents c = readBack(writeRvb(h, {}));
    w.showRvbFile(c.header, c.rvb);
    QCOMPARE(w.UnitTable->model()->rowCount(), 0);
    QCOMPARE(cell(w.InfoTable, 4, 1), QString("0"));
    for (int col = 0; col < 6; ++col) {
        QCOMPARE(cell(w.SumTable, 3, col), QString("0"));
        QCOMPARE(cell(w.SumTable, 1, col), QString());
    }
}

void TestRecordWindows::truncatedAndCorruptFilesShowWhatCanBeRead()
{
    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);

    // Three records and a fragment of a fourth: three rows.
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), threeRvaRecords(), QByteArray(10, '\x7f')));
    w.showRvaFile(c.header, c.rva, {});
    QCOMPARE(w.UnitTable->model()->rowCount(), 3);

    // Probe version beyond the list, names filling their whole field without a zero byte.
    Header h = rvaHeader();
    h.probe = 7;
    h.project = QString(40, QChar('A'));
    h.point = QStringLiteral("P");
    QByteArray bytes = headerBytes(h).left(512);
    bytes.replace(0, 33, QByteArray(33, 'A'));
    bytes.replace(33, 33, QByteArray(33, 'B'));
    const QString path = m_dir.filePath("names.lmv");
    writeFile(path, bytes + rvaRecordBytes(threeRvaRecords()[0]));
    c = readBack(path);
    w.showRvaFile(c.header, c.rva, {});
    QCOMPARE(cell(w.InfoTable, 1, 1), QString(33, 'A') + "/" + QString(33, 'B'));
    QVERIFY(!cell(w.SumTable, 2, 3).isEmpty());
    QVERIFY(!cell(w.SumTable, 2, 3).startsWith("V"));
    QCOMPARE(w.UnitTable->model()->rowCount(), 1);

    // A header cut short: the readable fields show, no rows, no crash.
    const QString shortPath = m_dir.filePath("short.lmv");
    writeFile(shortPath, headerBytes(rvaHeader()).left(100));
    c = readBack(shortPath);
    w.showRvaFile(c.header, c.rva, {});
    QCOMPARE(w.UnitTable->model()->rowCount(), 0);
    QCOMPARE(cell(w.InfoTable, 1, 1), QString("北区管网/1号井"));
    QCOMPARE(cell(w.InfoTable, 0, 1), QString("0"));
}

void TestRecordWindows::clipboardTextOfAWindowFollowsSortAndUnits()
{
    QWidget parent;
    RVA_RecordWindow w;
    w.setupRVA_RecordWindow(&parent);
    lmv::DataFileContents c = readBack(writeRva(rvaHeader(), threeRvaRecords()));
    w.showRvaFile(c.header, c.rva, {});
    w.switchUnitFromHeader(4, {});
    w.RecordTable->horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
    w.sortFromNameClick(2);
    QStringList lines = w.clipboardText().split("\r\n");
    QCOMPARE(lines[0], QString("测量时间\t液位\t流速\t流量\t温度"));
    QCOMPARE(lines[1], QString("(年-月-日 时:分:秒)\t(mm)\t(mm/s)\t(L/s)\t(℃)"));
    QCOMPARE(lines[2], QString("[2024-05-06 07:08:09]\t1235\t550\t11\t12.35"));
    QCOMPARE(lines[4], QString("[2024-05-06 07:09:09]\t500\t880\t33\t18.46"));

    RVB_RecordWindow b;
    b.setupRVB_RecordWindow(&parent);
    Header h;
    h.typeCode = 1;
    h.model = 4;
    lmv::DataFileContents rc = readBack(writeRvb(h, std::vector<Rvb>(10)));
    b.showRvbFile(rc.header, rc.rvb);
    lines = b.clipboardText().split("\r\n");
    QCOMPARE(lines.size(), 13);
    QVERIFY(lines[0].startsWith("测量时间\t液位\t压力\t"));
    QVERIFY(lines[1].startsWith("(年-月-日 时:分:秒)\t(m)\t(Pa)\t"));
    for (int i = 0; i < 12; ++i)
        QCOMPARE(lines[i].count('\t'), 35);
}

QTEST_MAIN(TestRecordWindows)
#include "test_record_windows.moc"
