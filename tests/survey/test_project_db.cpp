// The project database and the site visits kept in it: made by the first change only, committed
// changes surviving a killed writer, files it must not write opened read-only with a message.

#include "survey/ProjectDb.h"
#include "survey/Visits.h"

#include "KilledWriter.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lmv;
using namespace lmv::survey;

namespace {

constexpr qint64 kMarch11 = 1710115200; // 2024-03-11 00:00:00 on the logger's clock
const char kChildMode[] = "LMV_DB_TEST_CHILD";
const char kChildPath[] = "LMV_DB_TEST_PATH";

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A database written apart from ProjectDb, with the given user_version.
void writeDbWithVersion(const QString &path, int version)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE future(x)")));
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

QString scalarText(const ProjectDb &db, const QString &sql)
{
    QSqlQuery q(db.database());
    return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
}

Visit visitAt(qint64 time, std::optional<double> depth, std::optional<double> velocity,
              const QString &note = {})
{
    Visit v;
    v.time = time;
    v.manualDepthMm = depth;
    v.manualVelocity = velocity;
    v.note = note;
    return v;
}

// Child modes: the test runs itself again to write as a process that gets killed, or as a user
// that cannot write the folder.
int runChild(const QByteArray &mode)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
    const QString path = qEnvironmentVariable(kChildPath);
    if (mode == "writer") {
        ProjectDb db(path);
        for (int i = 1;; ++i) {
            Visit v = visitAt(kMarch11 + i * 60, 100.0 + i, 0.5, QString::number(i));
            QString error;
            // Two rows per action: the visit and the count of visits, which must always agree.
            const bool ok = db.transaction(
                [&](QSqlDatabase &, QString &why) {
                    if (!addVisit(db, QStringLiteral("测点"), v, &why))
                        return false;
                    return db.setTextSetting(QStringLiteral("测点"), QStringLiteral("count"),
                                             QString::number(i), &why);
                },
                &error);
            if (!ok) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
    }
    if (mode == "unprivileged") {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return 3;
        ProjectDb db(path);
        const int visits = int(visitsOf(db, QStringLiteral("测点")).size());
        QString error;
        const bool wrote = db.setRealSetting(QStringLiteral("测点"), QStringLiteral("slope"), 0.002, &error);
        std::printf("%d %d %d\n%s\n", int(db.status()), visits, wrote ? 1 : 0, error.toUtf8().constData());
        return 0;
    }
    return 2;
}

} // namespace

class TestProjectDb : public QObject
{
    Q_OBJECT

private slots:
    void readingNeverCreatesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        ProjectDb db(path);
        QCOMPARE(db.status(), DbStatus::Absent);
        QVERIFY(!db.readOnly());
        QVERIFY(visitsOf(db, QStringLiteral("测点")).isEmpty());
        QVERIFY(!db.realSetting(QStringLiteral("测点"), QStringLiteral("slope")));
        QVERIFY(!db.pointId(QStringLiteral("测点"), true)); // outside an action nothing is added
        QVERIFY(db.removeSetting(QStringLiteral("测点"), QStringLiteral("slope")));
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    void firstChangeCreatesTheSchemaInWalMode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        {
            ProjectDb db(path);
            QVERIFY(db.setRealSetting(QStringLiteral("测点"), QStringLiteral("slope"), 0.0025));
            QVERIFY(db.setTextSetting(QStringLiteral("测点"), QStringLiteral("formula"),
                                      QStringLiteral("manning")));
            QVERIFY(db.setRealSetting(QStringLiteral("测点"), QStringLiteral("slope"), 0.003)); // replaced
            QCOMPARE(db.status(), DbStatus::Open);
            QCOMPARE(scalarText(db, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("wal"));
            QCOMPARE(scalarText(db, QStringLiteral("PRAGMA foreign_keys")), QStringLiteral("1"));
            QVERIFY(!db.setRealSetting(QStringLiteral("测点"), QStringLiteral("slope"),
                                       std::numeric_limits<double>::quiet_NaN()));
        }
        QVERIFY(QFileInfo::exists(path));
        ProjectDb again(path);
        QCOMPARE(again.status(), DbStatus::Open);
        QCOMPARE(again.schemaVersion(), 1);
        QCOMPARE(again.realSetting(QStringLiteral("测点"), QStringLiteral("slope")),
                 std::optional<double>(0.003));
        QCOMPARE(again.textSetting(QStringLiteral("测点"), QStringLiteral("formula")),
                 std::optional<QString>(QStringLiteral("manning")));
        QVERIFY(!again.realSetting(QStringLiteral("测点"), QStringLiteral("formula"))); // text is no number
        QVERIFY(!again.realSetting(QStringLiteral("其他"), QStringLiteral("slope")));
        QVERIFY(again.removeSetting(QStringLiteral("测点"), QStringLiteral("slope")));
        QVERIFY(!again.realSetting(QStringLiteral("测点"), QStringLiteral("slope")));
        // The tables later work writes into are there, with their foreign keys enforced.
        QString error;
        QVERIFY(!again.transaction(
            [](QSqlDatabase &db, QString &why) {
                return execSql(
                    db,
                    QStringLiteral("INSERT INTO edit(point_id, op, from_time, to_time, reason, user, "
                                   "created) VALUES (999, 'remove', 0, 1, 'r', 'u', 'c')"),
                    {}, why);
            },
            &error));
        QVERIFY(!error.isEmpty());
    }

    void failedActionLeavesNothing()
    {
        QTemporaryDir dir;
        ProjectDb db(dir.filePath(QStringLiteral("p.lmvdb")));
        QVERIFY(db.setTextSetting(QStringLiteral("甲"), QStringLiteral("k"), QStringLiteral("1")));
        QString error;
        bool made = false;
        QVERIFY(!db.transaction(
            [&](QSqlDatabase &, QString &why) {
                made = db.pointId(QStringLiteral("乙"), true).has_value();
                why = QStringLiteral("refused");
                return false;
            },
            &error));
        QCOMPARE(error, QStringLiteral("refused"));
        QVERIFY(made);
        QVERIFY(!db.pointId(QStringLiteral("乙")));
        QVERIFY(db.pointId(QStringLiteral("甲")));
    }

    void twoInstancesShareTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        ProjectDb first(path);
        ProjectDb second(path); // absent when opened: the first one creates it
        QVERIFY(first.setTextSetting(QStringLiteral("测点"), QStringLiteral("a"), QStringLiteral("1")));
        QVERIFY(second.setTextSetting(QStringLiteral("测点"), QStringLiteral("b"), QStringLiteral("2")));
        QCOMPARE(first.textSetting(QStringLiteral("测点"), QStringLiteral("b")),
                 std::optional<QString>(QStringLiteral("2")));
        QCOMPARE(second.textSetting(QStringLiteral("测点"), QStringLiteral("a")),
                 std::optional<QString>(QStringLiteral("1")));
    }

    void unusableFilesOpenReadOnly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("problem");
        QTest::newRow("garbage bytes") << "garbage" << int(DbProblem::Damaged);
        QTest::newRow("database header over garbage") << "header" << int(DbProblem::Damaged);
        QTest::newRow("a folder of that name") << "folder" << int(DbProblem::Damaged);
        QTest::newRow("newer schema version") << "newer" << int(DbProblem::NewerVersion);
    }
    void unusableFilesOpenReadOnly()
    {
        QFETCH(QString, kind);
        QFETCH(int, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        QByteArray garbage;
        for (int i = 0; i < 8192; ++i)
            garbage.append(char((i * 131 + 7) % 251));
        if (kind == QLatin1String("garbage") || kind == QLatin1String("header")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("header"))
                f.write(QByteArray("SQLite format 3\0", 16) + QByteArray::fromHex("1000010100402020"));
            f.write(garbage);
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("p.lmvdb")));
        } else {
            writeDbWithVersion(path, kProjectDbVersion + 1);
        }
        const QByteArray before = fileHash(path);
        ProjectDb db(path);
        QCOMPARE(db.status(), DbStatus::ReadOnly);
        QCOMPARE(int(db.problem()), problem);
        QVERIFY(db.message().contains(QDir::toNativeSeparators(path)) || kind == QLatin1String("folder"));
        QVERIFY(!db.message().isEmpty());
        QVERIFY(visitsOf(db, QStringLiteral("测点")).isEmpty());
        QString error;
        Visit v = visitAt(kMarch11, 120.0, 0.4);
        QVERIFY(!addVisit(db, QStringLiteral("测点"), v, &error));
        QCOMPARE(error, db.message());
        QCOMPARE(fileHash(path), before);
    }

    // A writer killed at any moment: reopened, every action it printed as committed is there and
    // no action is there in part.
    void killedWriterLosesNoCommittedChange()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        const KilledWriter run = killWriterAfter(kChildMode, QStringLiteral("writer"), kChildPath, path, 40);
        QVERIFY2(run.lastCommitted >= 40, run.errors.constData());
        QVERIFY(run.killed);
        const int lastCommitted = run.lastCommitted;

        ProjectDb db(path);
        QCOMPARE(db.status(), DbStatus::Open);
        QCOMPARE(scalarText(db, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        const QVector<Visit> visits = visitsOf(db, QStringLiteral("测点"));
        const std::optional<double> count = db.realSetting(QStringLiteral("测点"), QStringLiteral("count"));
        QVERIFY(count);
        QCOMPARE(double(visits.size()), *count);
        QVERIFY(visits.size() >= lastCommitted);
        for (int i = 0; i < visits.size(); ++i)
            QCOMPARE(visits[i].note, QString::number(i + 1));
    }

    // A folder that cannot be written, as a user other than the owner: a new database is not
    // made, an existing one is read, neither is written; both say so.
    void readOnlyFolderIsReadNotWritten_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("no database yet") << false;
        QTest::newRow("database from before") << true;
    }
    void readOnlyFolderIsReadNotWritten()
    {
        QFETCH(bool, existing);
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const QString sub = dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkdir(sub));
        const QString path = sub + QStringLiteral("/p.lmvdb");
        if (existing) {
            ProjectDb db(path);
            Visit v = visitAt(kMarch11, 120.0, 0.4);
            QVERIFY(addVisit(db, QStringLiteral("测点"), v));
        }
        const QByteArray before = fileHash(path);
        QVERIFY(::chmod(QFile::encodeName(sub).constData(), 0555) == 0);
        if (existing)
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildMode), QStringLiteral("unprivileged"));
        env.insert(QString::fromLatin1(kChildPath), path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(20000));
        ::chmod(QFile::encodeName(sub).constData(), 0755);
        QCOMPARE(child.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
        QVERIFY(lines.size() >= 2);
        const QStringList figures = lines[0].split(QLatin1Char(' '));
        QCOMPARE(figures, (QStringList{QString::number(int(DbStatus::ReadOnly)), existing ? "1" : "0", "0"}));
        QVERIFY(lines[1].contains(QStringLiteral("无法写入")));
        QCOMPARE(QFileInfo::exists(path), existing);
        QCOMPARE(fileHash(path), before);
    }

    void pathSitsBesideTheProjectIndex()
    {
        const QString store = QStringLiteral(LMV_SOURCE_DIR "/samples/store/城东排水管网/");
        QCOMPARE(ProjectDb::pathFor(store + QStringLiteral("城东排水管网.lmvprj")),
                 store + QStringLiteral("城东排水管网.lmvdb"));
        QCOMPARE(ProjectDb::pathFor(store + QStringLiteral("建设路1号井/建设路1号井.lmvpos")),
                 store + QStringLiteral("城东排水管网.lmvdb"));
        // A point index without its project beside it keeps its database beside itself.
        QTemporaryDir dir;
        const QString alone = dir.filePath(QStringLiteral("建设路1号井/建设路1号井.lmvpos"));
        QVERIFY(QDir().mkpath(QFileInfo(alone).path()));
        QVERIFY(QFile::copy(store + QStringLiteral("建设路1号井/建设路1号井.lmvpos"), alone));
        QCOMPARE(ProjectDb::pathFor(alone), dir.filePath(QStringLiteral("建设路1号井/建设路1号井.lmvdb")));
    }

    void impossibleVisitsAreRefused_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const qint64 year2101 = QDateTime(QDate(2101, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
        const qint64 year1990 = QDateTime(QDate(1990, 1, 1), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
        QTest::addColumn<qint64>("time");
        QTest::addColumn<double>("depth");
        QTest::addColumn<double>("velocity");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("ordinary") << kMarch11 << 250.0 << 0.8 << true;
        QTest::newRow("dry pipe, reverse flow") << kMarch11 << 0.0 << -0.3 << true;
        QTest::newRow("limits") << year1990 << 20000.0 << 10.0 << true;
        QTest::newRow("last second of 2100") << year2101 - 1 << 10.0 << -10.0 << true;
        QTest::newRow("negative depth") << kMarch11 << -1.0 << 0.5 << false;
        QTest::newRow("depth NaN") << kMarch11 << nan << 0.5 << false;
        QTest::newRow("depth infinite")
            << kMarch11 << std::numeric_limits<double>::infinity() << 0.5 << false;
        QTest::newRow("depth of 20 m and more") << kMarch11 << 20000.5 << 0.5 << false;
        QTest::newRow("velocity NaN") << kMarch11 << 100.0 << nan << false;
        QTest::newRow("velocity beyond 10 m/s") << kMarch11 << 100.0 << 10.01 << false;
        QTest::newRow("velocity beyond -10 m/s") << kMarch11 << 100.0 << -10.5 << false;
        QTest::newRow("before 1990") << year1990 - 1 << 100.0 << 0.5 << false;
        QTest::newRow("2101") << year2101 << 100.0 << 0.5 << false;
    }
    void impossibleVisitsAreRefused()
    {
        QFETCH(qint64, time);
        QFETCH(double, depth);
        QFETCH(double, velocity);
        QFETCH(bool, accepted);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.lmvdb"));
        ProjectDb db(path);
        Visit v = visitAt(time, depth, velocity, QStringLiteral("清淤后复核"));
        QString error;
        QCOMPARE(addVisit(db, QStringLiteral("测点"), v, &error), accepted);
        QCOMPARE(error.isEmpty(), accepted);
        QCOMPARE(visitsOf(db, QStringLiteral("测点")).size(), accepted ? 1 : 0);
        QCOMPARE(QFileInfo::exists(path), accepted); // a refused visit is not a first change
    }

    void visitsAreListedByTimeAndWithdrawnNotDeleted()
    {
        QTemporaryDir dir;
        ProjectDb db(dir.filePath(QStringLiteral("p.lmvdb")));
        Visit late = visitAt(kMarch11 + 7200, 300.0, std::nullopt, QStringLiteral("只测液位"));
        Visit early = visitAt(kMarch11 + 3600, 250.0, 0.75);
        QVERIFY(addVisit(db, QStringLiteral("测点"), late));
        QVERIFY(addVisit(db, QStringLiteral("测点"), early));
        QVERIFY(!late.user.isEmpty());
        QVERIFY(QDateTime::fromString(late.created, Qt::ISODate).isValid());
        QVector<Visit> visits = visitsOf(db, QStringLiteral("测点"));
        QCOMPARE(visits.size(), 2);
        QCOMPARE(visits[0].id, early.id);
        QCOMPARE(visits[1].manualVelocity, std::optional<double>());
        QCOMPARE(visits[1].note, QStringLiteral("只测液位"));
        QVERIFY(visitsOf(db, QStringLiteral("别的测点")).isEmpty());

        QString error;
        QVERIFY(!withdrawVisit(db, QStringLiteral("测点"), early.id, QStringLiteral("  "), &error));
        QVERIFY(!withdrawVisit(db, QStringLiteral("别的测点"), early.id, QStringLiteral("录错"), &error));
        QVERIFY(withdrawVisit(db, QStringLiteral("测点"), early.id, QStringLiteral("录错")));
        QVERIFY(!withdrawVisit(db, QStringLiteral("测点"), early.id, QStringLiteral("再次"), &error));
        visits = visitsOf(db, QStringLiteral("测点"));
        QCOMPARE(visits.size(), 1);
        QCOMPARE(visits[0].id, late.id);
        visits = visitsOf(db, QStringLiteral("测点"), true);
        QCOMPARE(visits.size(), 2);
        QVERIFY(visits[0].withdrawn);
        QCOMPARE(visits[0].withdrawReason, QStringLiteral("录错"));
    }

    // Records every 120 s from 10:00; a visit takes the nearest record within one interval.
    void visitComparedWithTheNearestRecord_data()
    {
        QTest::addColumn<qint64>("offset"); // seconds after 10:00
        QTest::addColumn<int>("record");    // -1: none
        QTest::newRow("on a record") << qint64(240) << 2;
        QTest::newRow("nearer the later") << qint64(350) << 3;
        QTest::newRow("half way: the earlier") << qint64(300) << 2;
        QTest::newRow("one interval before the first") << qint64(-120) << 0;
        QTest::newRow("beyond one interval before") << qint64(-121) << -1;
        QTest::newRow("one interval after the last") << qint64(4 * 120 + 120) << 4;
        QTest::newRow("removed record passed over") << qint64(120) << 0;
        QTest::newRow("in the gap") << qint64(9 * 120) << -1;
    }
    void visitComparedWithTheNearestRecord()
    {
        QFETCH(qint64, offset);
        QFETCH(int, record);
        const qint64 t0 = kMarch11 + 10 * 3600;
        std::vector<qint64> times{t0, t0 + 120, t0 + 240, t0 + 360, t0 + 480, t0 + 1800};
        std::vector<float> level{0.10f, 0.11f, 0.12f, 0.13f, 0.14f, 0.15f};
        std::vector<float> velocity{0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f};
        std::vector<float> flow(6, 20.0f);
        CalcParams calc;
        calc.recordInterval = 120;
        calc.velocityCorrection = 1.5f;
        SurveyLayer layer = makeRvaLayer(times, level, velocity, flow, {}, calc);
        layer.flags.assign(6, FlagRaw);
        layer.flags[1] = FlagRemoved;
        const Visit v = visitAt(t0 + offset, 125.0, 1.0);
        const VisitComparison c = compareVisit(v, layer);
        QCOMPARE(int(c.record), record);
        if (record < 0) {
            QVERIFY(!c.loggerDepthMm && !c.depthDifferenceMm && !c.velocityDifference);
            return;
        }
        QCOMPARE(*c.loggerDepthMm, 100.0 + 10.0 * record);
        QCOMPARE(*c.loggerVelocity, std::round((0.5 + 0.1 * record) * 1.5 * 1e6) / 1e6);
        QCOMPARE(*c.depthDifferenceMm, 125.0 - *c.loggerDepthMm);
        QCOMPARE(*c.velocityDifference, 1.0 - *c.loggerVelocity);
    }
};

int main(int argc, char *argv[])
{
    const QByteArray mode = qgetenv(kChildMode);
    if (!mode.isEmpty()) {
        QCoreApplication app(argc, argv);
        return runChild(mode);
    }
    QCoreApplication app(argc, argv);
    TestProjectDb test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_project_db.moc"
