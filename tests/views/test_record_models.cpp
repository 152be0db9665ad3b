// Record table models: shown values from stored values, sorting, number texts, clipboard text.

#include "survey/SurveyLayer.h"
#include "views/ClipboardText.h"
#include "views/NumberText.h"
#include "views/RvaRecordModel.h"
#include "views/RvbRecordModel.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

lmv::RvaRecord rva(float level, float velocity = 0.5f, float flow = 10.0f, float temperature = 12.345f,
                   unsigned day = 1, unsigned hour = 0, std::uint32_t sequence = 0)
{
    lmv::RvaRecord r;
    r.time.year = 2024;
    r.time.month = 3;
    r.time.day = quint8(day);
    r.time.hour = quint8(hour);
    r.level = level;
    r.velocity = velocity;
    r.flow = flow;
    r.temperature = temperature;
    r.sequence = sequence;
    return r;
}

QString text(const RecordModel &m, int row, int column)
{
    return m.cellText(row, column);
}

QStringList column(const RecordModel &m, int c)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << text(m, r, c);
    return out;
}

const QStringList kRvaNames = {"测量时间", "level", "液位", "speed", "流速", "flow", "流量", "温度", "序号"};
const QStringList kRvaUnits = {"(年-月-日 时:分:秒)", "m", "(m)", "m/s", "(m/s)", "L/s", "(L/s)", "(℃)", "-"};

} // namespace

class TestRecordModels : public QObject
{
    Q_OBJECT

private slots:
    void numberTextsAreTheLocaleNumberForm_data();
    void numberTextsAreTheLocaleNumberForm();
    void shownValuesFollowRoundingCorrectionsAndUnits();
    void unitSwitchesBackAndForthReturnTheFirstValues();
    void sortByLevelIsNumericAndASecondClickReverses();
    void sortKeepsEqualRowsInTheirShownOrder();
    void sortByTimeIsChronological();
    void sortSurvivesCorruptNanValues();
    void newStoredFlowsChangeOnlyTheFlowColumns();
    void rvbCellsFollowTheColumnTable();
    void rvbHexColumnsSortAsText();
    void rvaClipboardHasFiveColumnsWithoutTrailingTab();
    void rvaClipboardCarriesTheFlagsWhileTheTableShowsThem();
    void rvaClipboardFollowsUnitsAndSortOrder();
    void rvbClipboardHas35FieldsEachFollowedByATab();
    void emptyTableCopiesTheTwoHeaderLines();
    void longTableCopiesEveryRowInOrder();
};

void TestRecordModels::numberTextsAreTheLocaleNumberForm_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("system") << QLocale();
    QTest::newRow("C") << QLocale::c();
    QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China);
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    QLocale omit(QLocale::English, QLocale::UnitedStates);
    omit.setNumberOptions(QLocale::OmitGroupSeparator);
    QTest::newRow("English without groups") << omit;
}

void TestRecordModels::numberTextsAreTheLocaleNumberForm()
{
    QFETCH(QLocale, locale);
    const NumberText numbers(locale);
    const float values[] = {0.0f,
                            -0.0f,
                            1.235f,
                            1235.0f,
                            0.55f,
                            36.0f,
                            -1.234f,
                            1e6f,
                            1.5e7f,
                            123456.7f,
                            999999.4f,
                            1e-5f,
                            0.0001f,
                            -0.001f,
                            86.4f,
                            12.35f,
                            1.0f / 3,
                            1e20f,
                            -2.5e-9f,
                            3.4e38f,
                            100000.0f,
                            151532.5f,
                            -151532.5f,
                            1234565.0f,
                            999999.5f,
                            0.000123456f,
                            9.999995f,
                            std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
    for (float v : values)
        QCOMPARE(numbers.floatText(v), locale.toString(v));
    for (std::uint32_t v : {0u, 7u, 999u, 1000u, 12345u, 1234567u, 4294967295u})
        QCOMPARE(numbers.unsignedText(v), locale.toString(uint(v)));
    // A sweep over many magnitudes catches digits, exponents and grouping edge cases.
    for (int e = -12; e <= 12; ++e)
        for (float m : {1.0f, 1.23456f, 9.99999f, 5.0f, 4.99995f}) {
            const float v = m * std::pow(10.0f, float(e));
            QCOMPARE(numbers.floatText(v), locale.toString(v));
            QCOMPARE(numbers.floatText(-v), locale.toString(-v));
        }
    // Random bit patterns cover every magnitude, including values halfway between six digits.
    std::uint32_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        float v;
        std::memcpy(&v, &state, sizeof v);
        if (!std::isfinite(v))
            continue;
        QCOMPARE(numbers.floatText(v), locale.toString(v));
        const float level = float(state % 2000000) / 8.0f; // many exact halves
        QCOMPARE(numbers.floatText(level), locale.toString(level));
    }
}

void TestRecordModels::shownValuesFollowRoundingCorrectionsAndUnits()
{
    RvaRecordModel m;
    m.setRecords({rva(1.23456f, 0.5f, 10.0f, 12.345f), rva(0.0005f, 0.5f, 10.0f, -0.004f)}, 1.1f, 1.0f);
    QCOMPARE(text(m, 0, 1), QString("1.23456"));
    QCOMPARE(text(m, 0, 2), QString("1.235"));
    QCOMPARE(text(m, 1, 2), QString("0.001"));
    QCOMPARE(text(m, 0, 4), QString("0.55"));
    QCOMPARE(text(m, 0, 7), QString("12.35"));
    QCOMPARE(text(m, 1, 7), QString("0"));
    QCOMPARE(text(m, 0, 0), QString("[2024-03-01 00:00:00]"));
    m.setCorrections(1.0f, 1.0f);
    m.setFlowFactor(3.6f);
    QCOMPARE(text(m, 0, 6), QString("36"));
    m.setLevelFactor(1000.0f);
    QCOMPARE(text(m, 0, 2), QString("1235"));
    // The view shows the cell text itself (the copy's form, not the locale's); the stored
    // number stays available as the edit role.
    QCOMPARE(m.data(m.index(0, 2)).toString(), QString("1235"));
    QCOMPARE(m.data(m.index(0, 2), Qt::EditRole).userType(), int(QMetaType::Float));
    QCOMPARE(m.data(m.index(0, 8), Qt::EditRole).userType(), int(QMetaType::UInt));
    QCOMPARE(m.data(m.index(0, 3), Qt::TextAlignmentRole).toInt(), int(Qt::AlignHCenter | Qt::AlignBottom));
}

void TestRecordModels::unitSwitchesBackAndForthReturnTheFirstValues()
{
    RvaRecordModel m;
    std::vector<lmv::RvaRecord> records;
    for (int i = 0; i < 200; ++i)
        records.push_back(
            rva(0.001f * float(i * 37 % 1000) + 0.00049f, 0.0123f * float(i), 0.77f * float(i)));
    m.setRecords(records, 1.07f, 0.93f);
    const QStringList level = column(m, 2), velocity = column(m, 4), flow = column(m, 6);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    for (int round = 0; round < 5; ++round) {
        m.setLevelFactor(1000.0f);
        m.setVelocityFactor(1000.0f);
        QVERIFY(column(m, 2) != level);
        m.setLevelFactor(1.0f);
        m.setVelocityFactor(1.0f);
    }
    for (float f : {60.0f, 3.6f, 86.4f, 1.0f})
        m.setFlowFactor(f);
    QCOMPARE(column(m, 2), level);
    QCOMPARE(column(m, 4), velocity);
    QCOMPARE(column(m, 6), flow);
    QVERIFY(!changed.isEmpty());
    // Stored values never change.
    for (int r = 0; r < m.rowCount(); ++r)
        QCOMPARE(m.recordAtRow(r).level, records[std::size_t(r)].level);
}

void TestRecordModels::sortByLevelIsNumericAndASecondClickReverses()
{
    RvaRecordModel m;
    m.setRecords({rva(9), rva(10), rva(2.5f), rva(100), rva(0)}, 1, 1);
    m.sort(RvaRecordModel::LevelColumn, Qt::AscendingOrder);
    QCOMPARE(column(m, 2), QStringList({"0", "2.5", "9", "10", "100"}));
    m.sort(RvaRecordModel::LevelColumn, Qt::DescendingOrder);
    QCOMPARE(column(m, 2), QStringList({"100", "10", "9", "2.5", "0"}));
}

void TestRecordModels::sortKeepsEqualRowsInTheirShownOrder()
{
    RvaRecordModel m;
    m.setRecords({rva(1, 0, 0, 0, 1, 0, 1), rva(2, 0, 0, 0, 1, 0, 2), rva(1, 0, 0, 0, 1, 0, 3),
                  rva(2, 0, 0, 0, 1, 0, 4)},
                 1, 1);
    m.sort(RvaRecordModel::LevelColumn, Qt::AscendingOrder);
    QCOMPARE(column(m, 8), QStringList({"1", "3", "2", "4"}));
    m.sort(RvaRecordModel::LevelColumn, Qt::DescendingOrder);
    QCOMPARE(column(m, 8), QStringList({"2", "4", "1", "3"}));
}

void TestRecordModels::sortByTimeIsChronological()
{
    RvaRecordModel m;
    m.setRecords(
        {rva(1, 0, 0, 0, 12, 3), rva(2, 0, 0, 0, 2, 23), rva(3, 0, 0, 0, 12, 1), rva(4, 0, 0, 0, 9, 0)}, 1,
        1);
    m.sort(RvaRecordModel::TimeColumn, Qt::AscendingOrder);
    QCOMPARE(column(m, 0), QStringList({"[2024-03-02 23:00:00]", "[2024-03-09 00:00:00]",
                                        "[2024-03-12 01:00:00]", "[2024-03-12 03:00:00]"}));
    m.sort(RvaRecordModel::TimeColumn, Qt::DescendingOrder);
    QCOMPARE(text(m, 0, 0), QString("[2024-03-12 03:00:00]"));
}

void TestRecordModels::sortSurvivesCorruptNanValues()
{
    RvaRecordModel m;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<lmv::RvaRecord> records;
    for (int i = 0; i < 1000; ++i)
        records.push_back(rva(i % 3 == 0 ? nan : float(i % 17), 0, 0, 0, 1, 0, std::uint32_t(i)));
    m.setRecords(records, 1, 1);
    m.sort(RvaRecordModel::LevelColumn, Qt::DescendingOrder);
    QVector<bool> seen(1000, false);
    for (int r = 0; r < m.rowCount(); ++r)
        seen[int(m.recordAtRow(r).sequence)] = true;
    QVERIFY(!seen.contains(false));
    QCOMPARE(text(m, 0, 2), QString("16"));
    QVERIFY(std::isnan(m.recordAtRow(999).level)); // NaN counts as the smallest value
}

void TestRecordModels::newStoredFlowsChangeOnlyTheFlowColumns()
{
    RvaRecordModel m;
    m.setRecords({rva(1, 0.5f, 10), rva(2, 0.7f, 20)}, 1, 2);
    const QStringList level = column(m, 2), velocity = column(m, 4);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    m.setStoredFlows({1.5f, 2.5f});
    QCOMPARE(column(m, 5), QStringList({"1.5", "2.5"}));
    QCOMPARE(column(m, 6), QStringList({"3", "5"}));
    QCOMPARE(column(m, 2), level);
    QCOMPARE(column(m, 4), velocity);
    for (const QList<QVariant> &args : changed) {
        const int c = args.at(0).toModelIndex().column();
        QVERIFY(c == 5 || c == 6);
    }
}

void TestRecordModels::rvbCellsFollowTheColumnTable()
{
    lmv::RvbRecord r;
    r.timeSeconds = 5097600; // 59 days after 2014-01-01
    r.channel = {1.5f, 2, 3, 4, 5, 6.25f};
    r.alarm = 0x1f;
    r.faultCode = 0;
    r.supplyVoltage = 12.5f;
    r.gprsSeconds = 5400;
    r.deviceSeconds = 7200;
    r.sensorSeconds = 0;
    r.vga = 1;
    r.maxValue = 2;
    r.acValue = 3;
    r.dcValue = 4;
    r.csq = 25;
    r.baseStation = 0xab12;
    r.monitor5V = 5.1f;
    r.mainM = {11, 12, 13};
    r.mainG = {21, 22, 23};
    r.spare = {31, 32, 33, 34, 35, 36};
    RvbRecordModel m;
    m.setRecords({r});
    QCOMPARE(m.columnCount(), 35);
    QCOMPARE(text(m, 0, 0), QString("[2014-03-01 00:00:00]"));
    QCOMPARE(text(m, 0, 1), QString("1.5"));
    QCOMPARE(text(m, 0, 6), QString("6.25"));
    QCOMPARE(text(m, 0, 7), QString("0x1f"));
    QCOMPARE(text(m, 0, 8), QString("0x0"));
    QCOMPARE(text(m, 0, 10), QString("1.5"));
    QCOMPARE(text(m, 0, 11), QString("2"));
    QCOMPARE(text(m, 0, 17), QString("25"));
    QCOMPARE(text(m, 0, 18), QString("0xab12"));
    QCOMPARE(text(m, 0, 19), QString("5.1"));
    // Columns 23-25 show the G values (stored after the M values), 26-28 the M values.
    QCOMPARE(text(m, 0, 23), QString("21"));
    QCOMPARE(text(m, 0, 26), QString("11"));
    QCOMPARE(text(m, 0, 34), QString("36"));
}

void TestRecordModels::rvbHexColumnsSortAsText()
{
    std::vector<lmv::RvbRecord> records(3);
    records[0].alarm = 0x2;
    records[1].alarm = 0x1f;
    records[2].alarm = 0x10;
    RvbRecordModel m;
    m.setRecords(records);
    m.sort(7, Qt::AscendingOrder);
    QCOMPARE(column(m, 7), QStringList({"0x10", "0x1f", "0x2"}));
}

void TestRecordModels::rvaClipboardHasFiveColumnsWithoutTrailingTab()
{
    RvaRecordModel m;
    m.setHeaderLabels(kRvaUnits);
    m.setRecords({rva(1.23456f, 0.5f, 10, 12.345f), rva(0.5f, 0.25f, 3, 8)}, 1, 1);
    const QString copied = rvaClipboardText(kRvaNames, m);
    const QStringList lines = copied.split("\r\n");
    QCOMPARE(lines.size(), 5); // two header lines, two rows, nothing after the last CR LF
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(lines[0], QString("测量时间\t液位\t流速\t流量\t温度"));
    QCOMPARE(lines[1], QString("(年-月-日 时:分:秒)\t(m)\t(m/s)\t(L/s)\t(℃)"));
    QCOMPARE(lines[2], QString("[2024-03-01 00:00:00]\t1.235\t0.5\t10\t12.35"));
    QCOMPARE(lines[3].count('\t'), 4);
}

void TestRecordModels::rvaClipboardCarriesTheFlagsWhileTheTableShowsThem()
{
    RvaRecordModel m;
    m.setHeaderLabels(kRvaUnits);
    m.setRecords({rva(1.0f, 0.5f, 10), rva(0.5f, 0.25f, 3), rva(0.25f, 0.125f, 1)}, 1, 1);
    m.setFlags({lmv::survey::FlagRaw, lmv::survey::FlagCorrected,
                lmv::survey::FlagFilled | lmv::survey::FlagCorrected});
    m.sort(RvaRecordModel::LevelColumn, Qt::AscendingOrder);
    QStringList names = kRvaNames;
    names << "标记";
    QStringList lines = rvaClipboardText(names, m).split("\r\n");
    QCOMPARE(lines[0], QString("测量时间\t液位\t流速\t流量\t温度\t标记"));
    QCOMPARE(lines[2].section('\t', 1, 1), QString("0.25"));
    QCOMPARE(lines[2].section('\t', 5), QString("插补、修正"));
    QCOMPARE(lines[3].section('\t', 5), QString("修正"));
    QCOMPARE(lines[4].section('\t', 5), QString("原始"));
    // Flags gone, the five columns again.
    m.setFlags({});
    lines = rvaClipboardText(kRvaNames, m).split("\r\n");
    QCOMPARE(lines[2].count('\t'), 4);
}

void TestRecordModels::rvaClipboardFollowsUnitsAndSortOrder()
{
    RvaRecordModel m;
    m.setHeaderLabels(kRvaUnits);
    m.setRecords({rva(0.9f, 0.5f, 1), rva(0.1f, 0.25f, 2), rva(0.5f, 0.125f, 3)}, 1, 1);
    m.setHeaderLabel(2, "(mm)");
    m.setHeaderLabel(4, "(mm/s)");
    m.setLevelFactor(1000);
    m.setVelocityFactor(1000);
    m.sort(RvaRecordModel::LevelColumn, Qt::AscendingOrder);
    const QStringList lines = rvaClipboardText(kRvaNames, m).split("\r\n");
    QCOMPARE(lines[1], QString("(年-月-日 时:分:秒)\t(mm)\t(mm/s)\t(L/s)\t(℃)"));
    QCOMPARE(lines[2].section('\t', 1, 2), QString("100\t250"));
    QCOMPARE(lines[3].section('\t', 1, 2), QString("500\t125"));
    QCOMPARE(lines[4].section('\t', 1, 2), QString("900\t500"));
}

void TestRecordModels::rvbClipboardHas35FieldsEachFollowedByATab()
{
    QStringList names, units;
    for (int c = 0; c < 35; ++c) {
        names << QString("n%1").arg(c);
        units << QString("u%1").arg(c);
    }
    RvbRecordModel m;
    m.setHeaderLabels(units);
    std::vector<lmv::RvbRecord> records(10);
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].timeSeconds = std::uint32_t(60 * (10 - i));
    m.setRecords(records);
    m.sort(0, Qt::AscendingOrder);
    const QString copied = rvbClipboardText(names, m);
    QVERIFY(copied.endsWith("\t\r\n"));
    QStringList lines = copied.split("\r\n");
    QVERIFY(lines.takeLast().isEmpty());
    QCOMPARE(lines.size(), 12);
    for (const QString &line : lines) {
        QVERIFY(line.endsWith('\t'));
        QCOMPARE(line.count('\t'), 35);
    }
    QVERIFY(lines[0].startsWith("n0\tn1\t"));
    QVERIFY(lines[1].startsWith("u0\tu1\t"));
    QVERIFY(lines[2].startsWith("[2014-01-01 00:01:00]\t"));
    QVERIFY(lines[11].startsWith("[2014-01-01 00:10:00]\t"));
}

void TestRecordModels::emptyTableCopiesTheTwoHeaderLines()
{
    RvaRecordModel m;
    m.setHeaderLabels(kRvaUnits);
    QCOMPARE(rvaClipboardText(kRvaNames, m),
             QString("测量时间\t液位\t流速\t流量\t温度\r\n(年-月-日 时:分:秒)\t(m)\t(m/s)\t(L/s)\t(℃)\r\n"));
}

void TestRecordModels::longTableCopiesEveryRowInOrder()
{
    // Long tables are written in two halves; the seam must neither lose nor repeat a row.
    RvaRecordModel m;
    m.setHeaderLabels(kRvaUnits);
    std::vector<lmv::RvaRecord> records;
    const int n = 120001;
    for (int i = 0; i < n; ++i)
        records.push_back(rva(0.001f * float(i % 5000), 0.5f, float(i), 10.0f + float(i % 7), 1 + i % 28,
                              unsigned(i % 24), std::uint32_t(i)));
    m.setRecords(records, 1.0f, 1.0f);
    m.sort(RvaRecordModel::LevelColumn, Qt::DescendingOrder);
    const QStringList lines = rvaClipboardText(kRvaNames, m).split("\r\n");
    QCOMPARE(lines.size(), n + 3);
    for (int r : {0, 1, n / 2 - 1, n / 2, n / 2 + 1, n - 1}) {
        QString expected;
        for (int c : {0, 2, 4, 6, 7}) {
            if (!expected.isEmpty())
                expected += '\t';
            expected += text(m, r, c);
        }
        QCOMPARE(lines[r + 2], expected);
    }
}

QTEST_GUILESS_MAIN(TestRecordModels)
#include "test_record_models.moc"
