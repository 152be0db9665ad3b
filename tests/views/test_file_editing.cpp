// Which of a point's edits touch one of its files, and that file's records as the edited layer
// holds them, over a made-up survey of two files: A with five 5-min records, a 15-min gap, then B
// with five. Edits of the survey and edits made in a file's own window are mixed.

#include "survey/PointSurvey.h"
#include "views/FileEditing.h"

#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

namespace {

constexpr qint64 kT0 = 1710115200; // 2024-03-11 00:00:00 on the logger's clock
constexpr qint64 kStep = 300;

// Slot k of the survey's 5-min grid; A holds slots 0-4, B slots 7-11.
qint64 slot(int k)
{
    return kT0 + k * kStep;
}

PointSurvey twoFileSurvey()
{
    std::vector<qint64> t;
    for (int k : {0, 1, 2, 3, 4, 7, 8, 9, 10, 11})
        t.push_back(slot(k));
    const std::vector<float> level(t.size(), 0.3f), velocity(t.size(), 0.5f), flow(t.size(), 40.0f);
    CalcParams calc;
    calc.recordInterval = kStep;
    JoinedSurvey joined;
    joined.layer = makeRvaLayer(t, level, velocity, flow, {}, calc);
    SurveySource &a = joined.layer.sources[0];
    a.path = QStringLiteral("/store/p/a.lmv");
    a.name = QStringLiteral("a.lmv");
    SurveySource b = a;
    b.path = QStringLiteral("/store/p/b.lmv");
    b.name = QStringLiteral("b.lmv");
    joined.layer.sources.push_back(b);
    for (std::size_t i = 5; i < t.size(); ++i) {
        joined.layer.source[i] = 1;
        joined.layer.sourceRecord[i] = qint64(i) - 5;
    }
    return PointSurvey::fromJoined(std::move(joined), std::nullopt, LayerChoice::Edited, nullptr);
}

// "r2-3" remove slots 2..3, "o0-9" offset, "f4-7" fill; a suffix "@a" makes it an edit of file
// a.lmv's window, "!" an undone one.
std::vector<Edit> editsOf(const QString &plan)
{
    std::vector<Edit> edits;
    for (const QString &word : plan.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        Edit e;
        e.id = qint64(edits.size()) + 1;
        e.op = word[0] == QLatin1Char('r')   ? EditOp::Remove
               : word[0] == QLatin1Char('f') ? EditOp::Fill
                                             : EditOp::Offset;
        e.value = 20.0;
        QString rest = word.mid(1);
        e.undone = rest.endsWith(QLatin1Char('!'));
        rest.remove(QLatin1Char('!'));
        const QStringList parts = rest.split(QLatin1Char('@'));
        if (parts.size() > 1)
            e.file = parts[1] + QStringLiteral(".lmv");
        const QStringList range = parts[0].split(QLatin1Char('-'));
        e.from = slot(range[0].toInt());
        e.to = slot(range[1].toInt());
        e.reason = QStringLiteral("测试");
        edits.push_back(e);
    }
    return edits;
}

} // namespace

class TestFileEditing : public QObject
{
    Q_OBJECT

private slots:
    void fileSeesTheEditsThatReachItsRecords_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("inForce");
        QTest::addColumn<QString>("flags"); // of the edited records: o raw, f filled, c corrected
        QTest::addColumn<int>("removed");
        QTest::newRow("no edit") << ""
                                 << "a" << 0 << "ooooo" << 0;
        QTest::newRow("survey removal in A, seen from A") << "r2-3"
                                                          << "a" << 1 << "ooo" << 2;
        QTest::newRow("survey removal in A, seen from B") << "r2-3"
                                                          << "b" << 0 << "ooooo" << 0;
        QTest::newRow("survey offset over both") << "o3-8"
                                                 << "b" << 1 << "ccooo" << 0;
        QTest::newRow("undone edits do not count") << "r2-3! o0-1"
                                                   << "a" << 1 << "ccooo" << 0;
        QTest::newRow("fill gives the gap to the file before it") << "f4-7"
                                                                  << "a" << 1 << "oooooff" << 0;
        QTest::newRow("fill reaches B by its range") << "f4-7"
                                                     << "b" << 1 << "ooooo" << 0;
        QTest::newRow("B's own edit over A's times") << "o0-11@b"
                                                     << "a" << 0 << "ooooo" << 0;
        QTest::newRow("B's own edit, seen from B") << "o0-11@b"
                                                   << "b" << 1 << "ccccc" << 0;
        QTest::newRow("A's removal, then a survey offset") << "r0-4@a o0-11"
                                                           << "a" << 2 << "" << 5;
    }
    void fileSeesTheEditsThatReachItsRecords()
    {
        QFETCH(QString, edits);
        QFETCH(QString, file);
        QFETCH(int, inForce);
        QFETCH(QString, flags);
        QFETCH(int, removed);
        PointSurvey point = twoFileSurvey();
        point.setEdits(editsOf(edits));
        const FileEditView v =
            fileEditView(point, QStringLiteral("/store/p/") + file + QStringLiteral(".lmv"));
        QCOMPARE(v.fileName, file + QStringLiteral(".lmv"));
        QCOMPARE(v.editsInForce, inForce);
        QCOMPARE(v.touched(), inForce > 0);
        QCOMPARE(v.raw.size(), qsizetype(5));
        QCOMPARE(v.removed, qsizetype(removed));
        QString shown;
        for (qsizetype i = 0; i < v.edited.size(); ++i) {
            const quint8 f = v.edited.flag(i);
            shown += (f & FlagFilled)      ? QLatin1Char('f')
                     : (f & FlagCorrected) ? QLatin1Char('c')
                                           : QLatin1Char('o');
            QCOMPARE(v.edited.sourceOf(i).name, v.fileName);
        }
        QCOMPARE(shown, flags);
        QCOMPARE(v.filled, qsizetype(flags.count(QLatin1Char('f'))));
        QCOMPARE(v.corrected, qsizetype(flags.count(QLatin1Char('c'))));
        QVERIFY(std::is_sorted(v.edited.times.begin(), v.edited.times.end()));
        // The offsets added 20 mm wherever a record is flagged corrected.
        for (qsizetype i = 0; i < v.edited.size(); ++i)
            if (v.edited.flag(i) == FlagCorrected)
                QCOMPARE(v.edited.rva[std::size_t(i)].level, 0.32f);
    }

    void summaryLineCountsWhatTheEditsDidToTheFile()
    {
        PointSurvey point = twoFileSurvey();
        QCOMPARE(fileEditSummary(fileEditView(point, QStringLiteral("/store/p/a.lmv"))),
                 QStringLiteral("没有涉及本文件的修正"));
        point.setEdits(editsOf(QStringLiteral("r1-1 o2-3 f4-7")));
        QCOMPARE(fileEditSummary(fileEditView(point, QStringLiteral("/store/p/a.lmv"))),
                 QStringLiteral("3 条修正涉及本文件: 删除 1 条, 插补 2 条, 修正 2 条"));
        // An edit that reaches the file without changing a record of it.
        point.setEdits(editsOf(QStringLiteral("f4-7")));
        QCOMPARE(fileEditSummary(fileEditView(point, QStringLiteral("/store/p/b.lmv"))),
                 QStringLiteral("1 条修正涉及本文件"));
        // A file the survey does not hold cannot be edited from its window.
        const FileEditView none = fileEditView(point, QStringLiteral("/elsewhere/c.lmv"));
        QVERIFY(none.fileName.isEmpty());
        QVERIFY(!none.touched());
        QCOMPARE(fileEditSummary(none), QStringLiteral("本文件不在监测点的调查中, 不能修正"));
    }
};

QTEST_GUILESS_MAIN(TestFileEditing)
#include "test_file_editing.moc"
