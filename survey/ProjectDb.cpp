#include "survey/ProjectDb.h"

#include "data/ProjectIndex.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cmath>

#include <pwd.h>
#include <unistd.h>

namespace lmv::survey {

namespace {

const QString kDriver = QStringLiteral("QSQLITE");

// SQLite's primary result codes of a file that could not be reached (rather than read wrong):
// no permission, busy, locked, read-only, input/output error, cannot open.
constexpr int kAccessCodes[] = {3, 5, 6, 8, 10, 14};

// Schema of each version, from the one before. Names are shared with the rain, edit and report
// code; a change is a new version with its own step, never an edit of an old one.
QStringList schemaStep(int toVersion)
{
    switch (toVersion) {
    case 1:
        return {
            QStringLiteral("CREATE TABLE point(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"),
            QStringLiteral("CREATE TABLE point_setting(point_id INTEGER NOT NULL REFERENCES point(id), "
                           "key TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY(point_id, key))"),
            QStringLiteral("CREATE TABLE visit(id INTEGER PRIMARY KEY, point_id INTEGER NOT NULL "
                           "REFERENCES point(id), time INTEGER NOT NULL, manual_depth_mm REAL, "
                           "manual_velocity REAL, note TEXT NOT NULL DEFAULT '', user TEXT NOT NULL, "
                           "created TEXT NOT NULL)"),
            // A visit entered by mistake is withdrawn, never deleted: the row stays with who
            // withdrew it, when and why.
            QStringLiteral("CREATE TABLE visit_withdrawal(visit_id INTEGER PRIMARY KEY REFERENCES visit(id), "
                           "reason TEXT NOT NULL, user TEXT NOT NULL, time TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX visit_by_point ON visit(point_id, time)"),
            QStringLiteral("CREATE TABLE gauge(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
                           "kind INTEGER NOT NULL, interval_seconds INTEGER NOT NULL, bucket_mm REAL, "
                           "source_name TEXT NOT NULL, source_sha256 TEXT NOT NULL, imported TEXT NOT NULL, "
                           "series BLOB NOT NULL)"),
            QStringLiteral("CREATE TABLE gauge_point(gauge_id INTEGER NOT NULL REFERENCES gauge(id) "
                           "ON DELETE CASCADE, point_id INTEGER NOT NULL REFERENCES point(id), "
                           "PRIMARY KEY(gauge_id, point_id))"),
            QStringLiteral("CREATE TABLE edit(id INTEGER PRIMARY KEY, point_id INTEGER NOT NULL "
                           "REFERENCES point(id), file TEXT, op TEXT NOT NULL, from_time INTEGER NOT NULL, "
                           "to_time INTEGER NOT NULL, value REAL, value2 REAL, max_gap_seconds INTEGER, "
                           "reason TEXT NOT NULL, user TEXT NOT NULL, created TEXT NOT NULL, "
                           "undone INTEGER NOT NULL DEFAULT 0)"),
            QStringLiteral("CREATE INDEX edit_by_point ON edit(point_id, id)"),
            QStringLiteral(
                "CREATE TABLE edit_event(id INTEGER PRIMARY KEY, edit_id INTEGER NOT NULL "
                "REFERENCES edit(id), action TEXT NOT NULL, user TEXT NOT NULL, time TEXT NOT NULL)"),
        };
    default:
        return {};
    }
}

// Brings the schema from a version to this program's, one version at a time, in the caller's
// transaction.
bool migrate(QSqlDatabase &db, int fromVersion, QString &error)
{
    for (int version = fromVersion + 1; version <= kProjectDbVersion; ++version) {
        const QStringList steps = schemaStep(version);
        for (const QString &sql : steps)
            if (!execSql(db, sql, {}, error))
                return false;
        if (!execSql(db, QStringLiteral("PRAGMA user_version = %1").arg(version), {}, error))
            return false;
    }
    return true;
}

int primaryCode(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

// A statement that failed on an open file failed on its contents unless the file could not be
// reached.
bool isDamage(const QSqlError &e)
{
    const int code = primaryCode(e);
    return std::find(std::begin(kAccessCodes), std::end(kAccessCodes), code) == std::end(kAccessCodes);
}

// The single value of a statement without parameters.
std::optional<QVariant> scalar(const QSqlDatabase &db, const QString &sql, QSqlError *failure = nullptr)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next()) {
        if (failure)
            *failure = q.lastError();
        return std::nullopt;
    }
    return q.value(0);
}

// The point index's project index: "<project>.lmvprj" in the folder above, else any project
// index there listing the point.
QString projectIndexOfPoint(const QString &pointIndex)
{
    const QList<IndexEntry> entries = readIndexFile(pointIndex, OpenKind::PointIndex);
    const QString project = entries.isEmpty() ? QString() : entries.first().column(0);
    const QString point = entries.isEmpty() || entries.first().children.isEmpty()
                              ? QFileInfo(pointIndex).absoluteDir().dirName()
                              : entries.first().children.first().column(0);
    QDir up = QFileInfo(pointIndex).absoluteDir();
    if (!up.cdUp())
        return {};
    QStringList candidates;
    if (!project.isEmpty())
        candidates << up.filePath(project + QStringLiteral(".lmvprj"));
    const QStringList found = up.entryList({QStringLiteral("*.lmvprj")}, QDir::Files, QDir::Name);
    for (const QString &name : found)
        candidates << up.filePath(name);
    for (const QString &candidate : std::as_const(candidates)) {
        if (!QFileInfo(candidate).isFile())
            continue;
        const QList<IndexEntry> projects = readIndexFile(candidate, OpenKind::ProjectIndex);
        for (const IndexEntry &p : projects)
            for (const IndexEntry &pt : p.children)
                if (pt.column(0) == point)
                    return candidate;
    }
    return {};
}

} // namespace

bool execSql(QSqlDatabase &db, const QString &sql, const QVariantList &values, QString &error)
{
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        error = q.lastError().text();
        return false;
    }
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        error = q.lastError().text();
        return false;
    }
    return true;
}

QString ProjectDb::pathFor(const QString &indexPath)
{
    const QFileInfo info(indexPath);
    const auto beside = [](const QFileInfo &index) {
        return index.absoluteDir().filePath(index.completeBaseName() + QStringLiteral(".lmvdb"));
    };
    if (openKindFor(indexPath) == OpenKind::ProjectIndex)
        return beside(info);
    if (openKindFor(indexPath) == OpenKind::PointIndex) {
        const QString project = projectIndexOfPoint(indexPath);
        return beside(project.isEmpty() ? info : QFileInfo(project));
    }
    return indexPath;
}

ProjectDb::ProjectDb(const QString &dbPath) : m_path(dbPath)
{
    static std::atomic<quint64> next{0};
    m_connection = QStringLiteral("lmv-project-db-%1").arg(next.fetch_add(1));
    openExisting();
}

ProjectDb::~ProjectDb()
{
    closeConnection();
}

void ProjectDb::closeConnection()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool ProjectDb::openConnection(bool writable, bool immutable)
{
    closeConnection();
    m_db = QSqlDatabase::addDatabase(kDriver, m_connection);
    QStringList options{QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000")};
    if (!writable)
        options << QStringLiteral("QSQLITE_OPEN_READONLY");
    if (immutable) {
        // Read straight from the file when not even the shared-memory file beside it can be made
        // (a read-only folder after a clean close).
        options << QStringLiteral("QSQLITE_OPEN_URI");
        QUrl url = QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath());
        url.setQuery(QStringLiteral("immutable=1"));
        m_db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    } else {
        m_db.setDatabaseName(m_path);
    }
    m_db.setConnectOptions(options.join(QLatin1Char(';')));
    return m_db.open();
}

void ProjectDb::becomeReadOnly(DbProblem problem, const QString &detail)
{
    m_status = DbStatus::ReadOnly;
    m_problem = problem;
    const QString file = QDir::toNativeSeparators(m_path);
    switch (problem) {
    case DbProblem::NewerVersion:
        m_message = QStringLiteral("项目数据库 %1 由较新版本的程序写入(版本 %2,本程序为版本 %3),"
                                   "项目以只读方式打开。")
                        .arg(file)
                        .arg(m_version)
                        .arg(kProjectDbVersion);
        break;
    case DbProblem::Damaged:
        m_message = QStringLiteral("项目数据库 %1 已损坏或不是数据库文件,现场记录等附加数据无法读取;"
                                   "项目以只读方式打开。")
                        .arg(file);
        break;
    case DbProblem::NotWritable:
        m_message = QStringLiteral("项目数据库 %1 无法写入,项目以只读方式打开。").arg(file);
        break;
    case DbProblem::NoDriver:
        m_message = QStringLiteral("缺少 SQLite 数据库驱动,项目以只读方式打开。");
        break;
    case DbProblem::None:
        m_message.clear();
        break;
    }
    if (!detail.isEmpty() && problem != DbProblem::None)
        m_message += QStringLiteral(" (%1)").arg(detail);
}

// Reads the version and checks the pages of a freshly opened connection. False when it cannot
// be read; the status is then set unless another way of opening is worth trying.
bool ProjectDb::checkOpened()
{
    QSqlError failure;
    const std::optional<QVariant> version = scalar(m_db, QStringLiteral("PRAGMA user_version"), &failure);
    const std::optional<QVariant> check =
        version ? scalar(m_db, QStringLiteral("PRAGMA quick_check"), &failure) : std::nullopt;
    if (!version || !check) {
        if (isDamage(failure)) {
            closeConnection();
            becomeReadOnly(DbProblem::Damaged, failure.text());
            return true;
        }
        return false;
    }
    if (check->toString() != QLatin1String("ok") || version->toInt() < 0) {
        closeConnection();
        becomeReadOnly(DbProblem::Damaged, check->toString());
        return true;
    }
    m_version = version->toInt();
    return true;
}

void ProjectDb::openExisting()
{
    const QFileInfo file(m_path);
    if (!file.exists()) {
        m_status = DbStatus::Absent;
        return;
    }
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        becomeReadOnly(DbProblem::NoDriver, {});
        return;
    }
    if (!file.isFile()) {
        becomeReadOnly(DbProblem::Damaged, QStringLiteral("不是文件"));
        return;
    }
    const bool canWrite = file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
    if (canWrite && openConnection(true, false) && checkOpened()) {
        if (m_status == DbStatus::ReadOnly) // damaged
            return;
        QString error;
        if (m_version > kProjectDbVersion) {
            becomeReadOnly(DbProblem::NewerVersion, {});
        } else if (!execSql(m_db, QStringLiteral("PRAGMA journal_mode=WAL"), {}, error) ||
                   !execSql(m_db, QStringLiteral("PRAGMA foreign_keys=ON"), {}, error) ||
                   !execSql(m_db, QStringLiteral("PRAGMA synchronous=FULL"), {}, error)) {
            becomeReadOnly(DbProblem::NotWritable, error);
        } else {
            m_status = DbStatus::Open;
        }
        return;
    }
    // Not writable here: read what can be read.
    const QString why = m_db.isValid() && m_db.lastError().isValid() ? m_db.lastError().text() : QString();
    for (const bool immutable : {false, true}) {
        if (openConnection(false, immutable) && checkOpened()) {
            if (m_status == DbStatus::ReadOnly) // damaged
                return;
            if (m_version > kProjectDbVersion)
                becomeReadOnly(DbProblem::NewerVersion, {});
            else
                becomeReadOnly(DbProblem::NotWritable, why);
            return;
        }
    }
    const QString detail = m_db.lastError().text();
    closeConnection();
    becomeReadOnly(DbProblem::NotWritable, detail);
}

bool ProjectDb::create(QString &error)
{
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        becomeReadOnly(DbProblem::NoDriver, {});
        error = m_message;
        return false;
    }
    const QFileInfo file(m_path);
    const bool dirOk = file.absoluteDir().exists();
    QString why;
    // Opening makes the file; the journal mode writes its first page.
    if (dirOk && openConnection(true, false) &&
        execSql(m_db, QStringLiteral("PRAGMA journal_mode=WAL"), {}, why) &&
        execSql(m_db, QStringLiteral("PRAGMA foreign_keys=ON"), {}, why) &&
        execSql(m_db, QStringLiteral("PRAGMA synchronous=FULL"), {}, why)) {
        m_status = DbStatus::Open;
        m_version = 0;
        return true;
    }
    if (why.isEmpty())
        why = dirOk ? m_db.lastError().text() : QStringLiteral("文件夹不存在");
    closeConnection();
    // Leave nothing behind of a file that could not be made.
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        const QString leftover = m_path + QLatin1String(suffix);
        if (QFileInfo(leftover).isFile() && QFileInfo(leftover).size() == 0)
            QFile::remove(leftover);
    }
    becomeReadOnly(DbProblem::NotWritable, why);
    error = m_message;
    return false;
}

bool ProjectDb::transaction(const Action &fn, QString *error)
{
    QString why;
    const auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (m_inTransaction) { // part of the action already running
        if (!fn(m_db, why))
            return fail(why);
        return true;
    }
    if (m_status == DbStatus::ReadOnly)
        return fail(m_message);
    if (m_status == DbStatus::Absent && !create(why))
        return fail(why);
    if (!execSql(m_db, QStringLiteral("BEGIN IMMEDIATE"), {}, why))
        return fail(why);
    m_inTransaction = true;
    bool ok = true;
    // Another program may have made or upgraded the file since it was opened.
    QSqlError failure;
    const std::optional<QVariant> version = scalar(m_db, QStringLiteral("PRAGMA user_version"), &failure);
    if (!version) {
        ok = false;
        why = failure.text();
    } else {
        m_version = version->toInt();
    }
    if (ok && m_version > kProjectDbVersion) {
        ok = false;
        becomeReadOnly(DbProblem::NewerVersion, {});
        why = m_message;
    }
    if (ok && m_version < kProjectDbVersion) {
        ok = migrate(m_db, m_version, why);
        if (ok)
            m_version = kProjectDbVersion;
    }
    if (ok)
        ok = fn(m_db, why);
    if (ok)
        ok = execSql(m_db, QStringLiteral("COMMIT"), {}, why);
    if (!ok) {
        QString ignored;
        execSql(m_db, QStringLiteral("ROLLBACK"), {}, ignored);
        if (m_db.isOpen())
            m_version = scalar(m_db, QStringLiteral("PRAGMA user_version")).value_or(QVariant(0)).toInt();
    }
    m_inTransaction = false;
    return ok || fail(why.isEmpty() ? QStringLiteral("写入项目数据库失败") : why);
}

std::optional<qint64> ProjectDb::pointId(const QString &name, bool create)
{
    if (!m_db.isOpen() || m_version < 1)
        return std::nullopt;
    {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("SELECT id FROM point WHERE name = ?"));
        q.addBindValue(name);
        if (q.exec() && q.next())
            return q.value(0).toLongLong();
    }
    if (!create || !m_inTransaction)
        return std::nullopt;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT INTO point(name) VALUES (?)"));
    q.addBindValue(name);
    if (!q.exec())
        return std::nullopt;
    return q.lastInsertId().toLongLong();
}

std::optional<QString> ProjectDb::textSetting(const QString &point, const QString &key) const
{
    if (!m_db.isOpen() || m_version < 1)
        return std::nullopt;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT s.value FROM point_setting s JOIN point p ON p.id = s.point_id "
                             "WHERE p.name = ? AND s.key = ?"));
    q.addBindValue(point);
    q.addBindValue(key);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toString();
}

std::optional<double> ProjectDb::realSetting(const QString &point, const QString &key) const
{
    const std::optional<QString> text = textSetting(point, key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double v = text->toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool ProjectDb::setTextSetting(const QString &point, const QString &key, const QString &value, QString *error)
{
    if (key.isEmpty()) {
        if (error)
            *error = QStringLiteral("设置项名称为空");
        return false;
    }
    return transaction(
        [&](QSqlDatabase &db, QString &why) {
            const std::optional<qint64> id = pointId(point, true);
            if (!id) {
                why = QStringLiteral("无法记录测点 %1").arg(point);
                return false;
            }
            return execSql(db,
                           QStringLiteral("INSERT INTO point_setting(point_id, key, value) VALUES (?, ?, ?) "
                                          "ON CONFLICT(point_id, key) DO UPDATE SET value = excluded.value"),
                           {*id, key, value}, why);
        },
        error);
}

bool ProjectDb::setRealSetting(const QString &point, const QString &key, double value, QString *error)
{
    if (!std::isfinite(value)) {
        if (error)
            *error = QStringLiteral("%1 不是有效数值").arg(key);
        return false;
    }
    return setTextSetting(point, key, QString::number(value, 'g', 17), error);
}

bool ProjectDb::removeSetting(const QString &point, const QString &key, QString *error)
{
    if (!textSetting(point, key))
        return true; // nothing to remove; never create the file for it
    return transaction(
        [&](QSqlDatabase &db, QString &why) {
            return execSql(db,
                           QStringLiteral("DELETE FROM point_setting WHERE key = ? AND point_id = "
                                          "(SELECT id FROM point WHERE name = ?)"),
                           {key, point}, why);
        },
        error);
}

QString ProjectDb::userName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty()) {
        if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
            name = QString::fromLocal8Bit(pw->pw_name);
    }
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

QString ProjectDb::nowText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

} // namespace lmv::survey
