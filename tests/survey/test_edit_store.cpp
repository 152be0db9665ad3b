// Edits kept in the project database (history across reopening, undo and redo, refusals that
// store nothing, two instances on one file, a killed writer) and a point's survey read with them
// (the edited layer of a period cut from the edited whole survey).

#include "data/Hydraulics.h"
#include "data/Tables.h"
#include "survey/EditStore.h"
#include "survey/PointSurvey.h"
#include "survey/ProjectDb.h"
#include "tests/data/FileBytes.h"

#include "KilledWriter.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>

using namespace lmv;
using namespace lmv::survey;

Q_DECLARE_METATYPE(Edit)

namespace {

constexpr qint64 kMarch11 = 1710115200; // 2024-03-11 00:00:00 on the logger's clock
constexpr qint64 kStep = 120;
const QString kPoint = QStringLiteral("测点");
const char kChildMode[] = "LMV_EDIT_STORE_CHILD";
const char kChildPath[] = "LMV_EDIT_STORE_PATH";

qint64 at(qint64 step)
{
    return kMarch11 + step * kStep;
}

// n records at 2 min in a 1 m wide channel, with the steps in `missing` left out.
SurveyLayer channel(int n, const QList<int> &missing = {})
{
    const PipeSaveIntoTfType pipe =
        makePointRecord(QStringLiteral("项目"), kPoint, PipeRectangle, 2000, 1000, 0, 0);
    CalcParams calc;
    calc.recordInterval = kStep;
    std::vector<qint64> t;
    std::vector<float> level, velocity, flow;
    for (int i = 0; i < n; ++i)
        if (!missing.contains(i)) {
            t.push_back(at(i));
            level.push_back(0.3f + 0.001f * float(i % 50));
            velocity.push_back(0.6f);
            flow.push_back(recordFlow(pipeGeometryFrom(pipe), level.back(), velocity.back()));
        }
    SurveyLayer layer = makeRvaLayer(t, level, velocity, flow, pipe, calc);
    layer.intervalSeconds = kStep;
    return layer;
}

Edit editOf(EditOp op, qint64 first, qint64 last, const QString &reason = QStringLiteral("探头被杂物挡住"))
{
    Edit e;
    e.op = op;
    e.from = at(first);
    e.to = at(last);
    e.reason = reason;
    return e;
}

std::vector<qint64> idsOf(const std::vector<Edit> &edits, bool undone)
{
    std::vector<qint64> out;
    for (const Edit &e : edits)
        if (e.undone == undone)
            out.push_back(e.id);
    return out;
}

qint64 count(const ProjectDb &db, const QString &sql)
{
    QSqlQuery q(db.database());
    return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
}

// Child mode: adds and undoes edits until killed, printing the number of each action once it is
// committed.
int runChild()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
    ProjectDb db(qEnvironmentVariable(kChildPath));
    const SurveyLayer raw = channel(5000);
    for (int action = 1, step = 0;; ++action) {
        QString error;
        bool ok;
        if (action % 3 == 0) {
            ok = undoEdit(db, kPoint, nullptr, &error);
        } else {
            Edit e = editOf(EditOp::Remove, step, step + 1);
            step += 2;
            ok = addEdit(db, kPoint, raw, e, &error);
        }
        if (!ok) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%d\n", action);
        std::fflush(stdout);
    }
}

// A store on disk: <root>/项目/项目.lmvprj listing one point with two files of 2-min records,
// a.lmv (steps 0..99) and b.lmv (steps 110..199), 20 minutes apart.
QString writeStore(const QString &root)
{
    const QString project = QStringLiteral("项目");
    const QString dir = root + QLatin1Char('/') + project;
    QDir().mkpath(dir + QLatin1Char('/') + kPoint);
    QByteArray index = testbytes::gb(QStringLiteral("$prj$") + project) + "\r\n" +
                       testbytes::gb(QStringLiteral("$pos$%1/%2").arg(project, kPoint)) + "\r\n";
    const std::pair<const char *, std::pair<int, int>> files[] = {{"a.lmv", {0, 99}}, {"b.lmv", {110, 199}}};
    for (const auto &[name, steps] : files) {
        QByteArray bytes = testbytes::header(5, project, kPoint, 0, 1000);
        testbytes::putU32(bytes, 96, quint32(kStep));
        for (int s = steps.first; s <= steps.second; ++s) {
            const QDateTime t = QDateTime::fromSecsSinceEpoch(at(s), Qt::UTC);
            bytes += testbytes::rvaRecord({quint32(s), 0.3f + 0.002f * float(s % 40), 0.6f, 90.0f, 15.0f,
                                           quint16(t.date().year()), quint8(t.date().month()),
                                           quint8(t.date().day()), quint8(t.time().hour()),
                                           quint8(t.time().minute()), quint8(t.time().second())});
        }
        const QString path = dir + QLatin1Char('/') + kPoint + QLatin1Char('/') + QLatin1String(name);
        if (!testbytes::writeFile(path, bytes))
            return {};
        index += testbytes::gb(QStringLiteral("$record$%1/%2/%3").arg(project, kPoint, QLatin1String(name))) +
                 "\r\n";
    }
    const QString indexPath = dir + QLatin1Char('/') + project + QStringLiteral(".lmvprj");
    return testbytes::writeFile(indexPath, index) ? indexPath : QString();
}

} // namespace

class TestEditStore : public QObject
{
    Q_OBJECT

private slots:
    // Stored, reopened, undone and redone: the rows stay, with who, when and why, and every action
    // leaves its event.
    void historyOutlivesTheProcessAndUndoMarksWithoutDeleting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        const SurveyLayer raw = channel(100);
        {
            ProjectDb db(path);
            Edit offset = editOf(EditOp::Offset, 10, 20, QStringLiteral("  液位计零点偏移  "));
            offset.value = 25.0;
            Edit drift = editOf(EditOp::Drift, 30, 60);
            drift.value = -5.0;
            drift.value2 = 12.5;
            Edit fill = editOf(EditOp::Fill, 40, 50);
            QString error;
            Edit remove = editOf(EditOp::Remove, 44, 46);
            for (Edit *e : {&offset, &drift, &remove})
                QVERIFY2(addEdit(db, kPoint, raw, *e, &error), qPrintable(error));
            fill.maxGapSeconds = 600;
            QVERIFY2(addEdit(db, kPoint, raw, fill, &error), qPrintable(error));
            QCOMPARE(offset.reason, QStringLiteral("液位计零点偏移"));
            QCOMPARE(offset.user, ProjectDb::userName());
            QVERIFY(offset.created.isValid());
            QVERIFY(offset.id < drift.id && drift.id < remove.id && remove.id < fill.id);
            qint64 undone = 0;
            QVERIFY(undoEdit(db, kPoint, &undone, &error));
            QCOMPARE(undone, fill.id);
        }
        ProjectDb db(path);
        std::vector<Edit> history = editsOf(db, kPoint);
        QCOMPARE(history.size(), std::size_t(4));
        QCOMPARE(history[0].op, EditOp::Offset);
        QCOMPARE(history[0].value, 25.0);
        QCOMPARE(history[0].reason, QStringLiteral("液位计零点偏移"));
        QCOMPARE(history[1].value2, 12.5);
        QCOMPARE(history[3].maxGapSeconds, qint64(600));
        QCOMPARE(history[3].from, at(40));
        QCOMPARE(history[3].to, at(50));
        QCOMPARE(idsOf(history, true), std::vector<qint64>{history[3].id});
        // The history's edited layer is the one applyEdits makes of the list read back.
        QCOMPARE(applyEdits(raw, activeEdits(history)).size(), raw.size() - 3);
        QVERIFY(redoEdit(db, kPoint));
        QVERIFY(undoEdit(db, kPoint));
        QSqlQuery q(db.database());
        QVERIFY(q.exec(
            QStringLiteral("SELECT group_concat(action) FROM (SELECT action FROM edit_event ORDER BY id)")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("add,add,add,add,undo,redo,undo"));
        QVERIFY(editsOf(db, QStringLiteral("别的测点")).empty());
    }

    // a: add, u: undo, r: redo, in order. Then the edits left undone, and what redo would take
    // (0: nothing).
    void redoTakesBackTheUndosUntilANewEdit_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("undone");
        QTest::addColumn<qint64>("redoable");
        QTest::newRow("two undone") << "aauu"
                                    << "1,2" << qint64(1);
        QTest::newRow("redone in reverse") << "aauur"
                                           << "2" << qint64(2);
        QTest::newRow("all redone") << "aauurr"
                                    << "" << qint64(0);
        QTest::newRow("a new edit ends redo") << "aaua"
                                              << "2" << qint64(0);
        QTest::newRow("undo after the new edit") << "aauau"
                                                 << "2,3" << qint64(3);
        QTest::newRow("the older undo stays out") << "aauaur"
                                                  << "2" << qint64(0);
        QTest::newRow("undone, redone, undone") << "aururu"
                                                << "1" << qint64(1);
    }

    void redoTakesBackTheUndosUntilANewEdit()
    {
        QFETCH(QString, script);
        QFETCH(QString, undone);
        QFETCH(qint64, redoable);
        QTemporaryDir dir;
        ProjectDb db(dir.filePath(QStringLiteral("p.lmvdb")));
        const SurveyLayer raw = channel(50);
        int added = 0;
        for (const QChar c : script) {
            QString error;
            Edit e = editOf(EditOp::Remove, added, added);
            const bool ok = c == 'a'   ? addEdit(db, kPoint, raw, e, &error) && ++added
                            : c == 'u' ? undoEdit(db, kPoint, nullptr, &error)
                                       : redoEdit(db, kPoint, nullptr, &error);
            QVERIFY2(ok, qPrintable(QStringLiteral("%1: %2").arg(c).arg(error)));
        }
        QStringList ids;
        for (const qint64 id : idsOf(editsOf(db, kPoint), true))
            ids << QString::number(id);
        QCOMPARE(ids.join(','), undone);
        QCOMPARE(redoableEdit(db, kPoint).value_or(0), redoable);
        QString error;
        QCOMPARE(redoEdit(db, kPoint, nullptr, &error), redoable != 0);
        if (redoable == 0)
            QVERIFY(error.contains(QStringLiteral("没有可恢复的修改")));
    }

    // A layer built into the memory of an earlier one (larger, smaller, or a copy of the raw one)
    // holds the bytes of one built afresh: nothing of the earlier layer stays in it.
    void layerBuiltIntoOldMemoryEqualsAFreshOne_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("filled, then removed") << "fill"
                                              << "remove";
        QTest::newRow("removed, then filled") << "remove"
                                              << "fill";
        QTest::newRow("corrected, then none") << "offset"
                                              << "none";
        QTest::newRow("none, then corrected") << "none"
                                              << "offset";
    }

    void layerBuiltIntoOldMemoryEqualsAFreshOne()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        const SurveyLayer raw = channel(100, {60, 61, 62, 63, 64});
        const auto history = [](const QString &name) {
            std::vector<Edit> out;
            if (name == "remove" || name == "offset") {
                out.push_back(editOf(name == "remove" ? EditOp::Remove : EditOp::Offset, 10, 40));
                out.back().value = 30.0;
            } else if (name == "fill") {
                out.push_back(editOf(EditOp::Fill, 55, 70));
            }
            for (std::size_t i = 0; i < out.size(); ++i)
                out[i].id = qint64(i + 1);
            return out;
        };
        SurveyLayer old = applyEdits(raw, history(before));
        const SurveyLayer fresh = applyEdits(raw, history(after));
        const SurveyLayer reused = applyEdits(raw, history(after), std::move(old));
        QCOMPARE(reused.times, fresh.times);
        QCOMPARE(reused.source, fresh.source);
        QCOMPARE(reused.sourceRecord, fresh.sourceRecord);
        QCOMPARE(reused.flags, fresh.flags);
        QCOMPARE(reused.sources.size(), fresh.sources.size());
        QCOMPARE(reused.intervalSeconds, fresh.intervalSeconds);
        QCOMPARE(reused.rva.size(), fresh.rva.size());
        QVERIFY(std::memcmp(reused.rva.data(), fresh.rva.data(), fresh.rva.size() * sizeof(RvaRecord)) == 0);
    }

    // Two windows of one project: each sees the other's edits when it reads, checks new edits
    // against them, orders them by creation, and undoes only what it was shown.
    void twoInstancesOnOneFileNeverOverwriteEachOther()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        const SurveyLayer raw = channel(100);
        ProjectDb first(path), second(path); // both opened before the file exists
        QString error;
        Edit removal = editOf(EditOp::Remove, 10, 12);
        QVERIFY(addEdit(first, kPoint, raw, removal, &error));
        const std::vector<Edit> seen = editsOf(second, kPoint);
        QCOMPARE(seen.size(), std::size_t(1));
        QCOMPARE(seen[0].id, removal.id);
        Edit again = editOf(EditOp::Remove, 11, 11); // refused: the first removed it, nothing stored
        QVERIFY(!addEdit(second, kPoint, raw, again, &error));
        QVERIFY(error.contains(QStringLiteral("没有记录")));
        QCOMPARE(count(first, QStringLiteral("SELECT COUNT(*) FROM edit_event")), qint64(1));
        Edit fill = editOf(EditOp::Fill, 9, 13);
        QVERIFY2(addEdit(second, kPoint, raw, fill, &error), qPrintable(error));
        QVERIFY(fill.id > removal.id);
        // Removal first, then the fill: the three records are back, filled.
        const SurveyLayer edited = applyEdits(raw, activeEdits(editsOf(first, kPoint)));
        QCOMPARE(edited.size(), raw.size());
        QCOMPARE(edited.flag(11), quint8(FlagFilled));
        // The first window shows the removal as the latest; the fill came since.
        QVERIFY(!undoEdit(first, kPoint, nullptr, &error, removal.id));
        QVERIFY(error.contains(QStringLiteral("刷新")));
        qint64 undone = 0;
        QVERIFY(undoEdit(first, kPoint, &undone, &error, fill.id));
        QCOMPARE(undone, fill.id);
        const std::vector<Edit> after = editsOf(second, kPoint);
        QCOMPARE(idsOf(after, false), std::vector<qint64>{removal.id});
        QCOMPARE(idsOf(after, true), std::vector<qint64>{fill.id});
    }

    // A writer killed at any moment: reopened, every action it printed as committed is there, and
    // none is there in part (each edit with its one add event, each undo mark with its event).
    void killedWriterLosesNoCommittedEdit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        const KilledWriter run = killWriterAfter(kChildMode, QStringLiteral("editor"), kChildPath, path, 40);
        QVERIFY2(run.lastCommitted >= 40, run.errors.constData());
        QVERIFY(run.killed);
        const int lastCommitted = run.lastCommitted;

        const ProjectDb db(path);
        QCOMPARE(db.status(), DbStatus::Open);
        QSqlQuery check(db.database());
        QVERIFY(check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
        const qint64 actions = count(db, QStringLiteral("SELECT COUNT(*) FROM edit_event"));
        QVERIFY2(actions == lastCommitted || actions == lastCommitted + 1,
                 qPrintable(QString::number(actions)));
        QCOMPARE(
            count(db, QStringLiteral("SELECT COUNT(*) FROM edit e WHERE (SELECT COUNT(*) FROM edit_event v "
                                     "WHERE v.edit_id = e.id AND v.action = 'add') <> 1")),
            qint64(0));
        QCOMPARE(
            count(db, QStringLiteral("SELECT COUNT(*) FROM edit e WHERE e.undone <> ((SELECT COUNT(*) FROM "
                                     "edit_event v WHERE v.edit_id = e.id AND v.action = 'undo') > 0)")),
            qint64(0));
        const std::vector<Edit> history = editsOf(db, kPoint);
        QCOMPARE(qint64(history.size()), count(db, QStringLiteral("SELECT COUNT(*) FROM edit")));
        QCOMPARE(qint64(idsOf(history, true).size()), actions / 3);
    }

    // Without a database the edited layer is the raw one and nothing is made; with edits it is
    // read from the database, and the raw layer stays to be chosen.
    void pointSurveyReadsItsEditsAndNeverMakesTheDatabase()
    {
        QTemporaryDir dir;
        const QString index = writeStore(dir.path());
        QVERIFY(!index.isEmpty());
        const QString dbPath = ProjectDb::pathFor(index);
        PointSurvey ps = PointSurvey::read(index, kPoint);
        QVERIFY(ps.problem().isEmpty());
        QCOMPARE(ps.raw().size(), qsizetype(190));
        QCOMPARE(&ps.edited(), &ps.raw());
        QVERIFY(!QFileInfo::exists(dbPath));
        ProjectDb db(dbPath);
        Edit removal = editOf(EditOp::Remove, 50, 59);
        QString error;
        QVERIFY2(addEdit(db, kPoint, ps.wholeRaw(), removal, &error), qPrintable(error));
        ps.refreshEdits(db);
        QCOMPARE(ps.edited().size(), qsizetype(180));
        QCOMPARE(ps.layer().size(), qsizetype(180));
        ps.setChoice(LayerChoice::Raw);
        QCOMPARE(ps.layer().size(), qsizetype(190));
        const PointSurvey again = PointSurvey::read(index, kPoint, {}, LayerChoice::Edited);
        QCOMPARE(again.edits().size(), std::size_t(1));
        QCOMPARE(again.layer().size(), qsizetype(180));
        QVERIFY(!PointSurvey::read(index, QStringLiteral("没有的测点")).problem().isEmpty());
    }

    // Edits apply to the whole survey before the period is cut: inside the period the edited
    // layer holds exactly the whole edited layer's records, and lists the file a fill continued
    // from when that file ends before the period.
    void periodCutsTheEditedWholeSurvey_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("firstStep");
        QTest::addColumn<int>("lastStep");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("filled");
        Edit fill = editOf(EditOp::Fill, 95, 115);
        QTest::newRow("fill across the start") << fill << 105 << 150 << QStringList{"a.lmv", "b.lmv"} << 5;
        QTest::newRow("fill before the period") << fill << 120 << 150 << QStringList{"b.lmv"} << 0;
        QTest::newRow("fill inside the period") << fill << 90 << 150 << QStringList{"a.lmv", "b.lmv"} << 10;
        Edit offset = editOf(EditOp::Offset, 140, 160);
        offset.value = 40.0;
        QTest::newRow("offset across the end") << offset << 105 << 150 << QStringList{"b.lmv"} << 0;
        QTest::newRow("removal outside")
            << editOf(EditOp::Remove, 5, 8) << 105 << 150 << QStringList{"b.lmv"} << 0;
    }

    void periodCutsTheEditedWholeSurvey()
    {
        QFETCH(Edit, edit);
        QFETCH(int, firstStep);
        QFETCH(int, lastStep);
        QFETCH(QStringList, files);
        QFETCH(int, filled);
        QTemporaryDir dir;
        const QString index = writeStore(dir.path());
        {
            ProjectDb db(ProjectDb::pathFor(index));
            QString error;
            QVERIFY2(addEdit(db, kPoint, PointSurvey::read(index, kPoint).wholeRaw(), edit, &error),
                     qPrintable(error));
        }
        SurveyPeriod period;
        period.from = at(firstStep);
        period.to = at(lastStep);
        const PointSurvey whole = PointSurvey::read(index, kPoint);
        const PointSurvey cut = PointSurvey::read(index, kPoint, period);
        const SurveyLayer &w = whole.edited(), &c = cut.edited();
        QStringList names;
        for (const SurveySource &s : c.sources)
            names << s.name;
        QCOMPARE(names, files);
        QCOMPARE(c.intervalSeconds, cut.raw().intervalSeconds);
        QCOMPARE(std::count_if(c.flags.begin(), c.flags.end(), [](quint8 f) { return f & FlagFilled; }),
                 std::ptrdiff_t(filled));
        const auto first = std::lower_bound(w.times.begin(), w.times.end(), at(firstStep)) - w.times.begin();
        const auto last = std::upper_bound(w.times.begin(), w.times.end(), at(lastStep)) - w.times.begin();
        QCOMPARE(c.size(), qsizetype(last - first));
        if (edit.op == EditOp::Remove) // outside the period: its records as read for it
            QCOMPARE(c.sourceRecord, cut.raw().sourceRecord);
        for (qsizetype i = 0; i < c.size(); ++i) {
            const auto k = std::size_t(first + i), j = std::size_t(i);
            QCOMPARE(c.times[j], w.times[k]);
            QCOMPARE(c.flag(i), w.flag(qsizetype(k)));
            QCOMPARE(c.sourceOf(i).name, w.sourceOf(qsizetype(k)).name);
            QCOMPARE(c.rva[j].level, w.rva[k].level);
            QCOMPARE(c.rva[j].flow, w.rva[k].flow);
        }
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!qEnvironmentVariableIsEmpty(kChildMode))
        return runChild();
    TestEditStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_edit_store.moc"
