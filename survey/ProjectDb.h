#pragma once

// The project database: what people add to a project (settings per point, site visits, rain
// gauges, edits) lives in one SQLite file beside the project index, "<index base name>.lmvdb".
// The store's own files are never written. A project without the file reads as empty; the file
// is made by the first change. A file from a newer program, a damaged file or one that cannot be
// written leaves the project readable and unwritable, with a message the window shows.

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace lmv::survey {

// The schema this program writes; PRAGMA user_version of the file.
constexpr int kProjectDbVersion = 1;

enum class DbStatus : quint8
{
    Absent,   // no file yet: reads give nothing, the first change creates it
    Open,     // read and written
    ReadOnly, // read only (problem() tells why)
};

enum class DbProblem : quint8
{
    None,
    NewerVersion, // written by a newer program
    Damaged,      // not a database, or its pages do not check out
    NotWritable,  // the file or its folder cannot be written
    NoDriver,     // QtSql has no SQLite driver
};

class ProjectDb
{
public:
    // Where the database of an index file lies: beside a project index (.lmvprj) under its base
    // name; for a point index (.lmvpos), beside the project index it belongs to when one is found
    // in the folder above, else beside the point index. Any other path is taken as it is.
    static QString pathFor(const QString &indexPath);

    // Opens the file when it exists (never creates it) and checks it.
    explicit ProjectDb(const QString &dbPath);
    ~ProjectDb();
    ProjectDb(const ProjectDb &) = delete;
    ProjectDb &operator=(const ProjectDb &) = delete;

    const QString &path() const { return m_path; }
    DbStatus status() const { return m_status; }
    DbProblem problem() const { return m_problem; }
    bool readOnly() const { return m_status == DbStatus::ReadOnly; }
    // True when there is something to read (the file exists and opened).
    bool readable() const { return m_db.isOpen(); }
    // Why the project is read-only (Chinese, for the window); empty when it is not.
    const QString &message() const { return m_message; }
    // PRAGMA user_version of the file; 0 while absent.
    int schemaVersion() const { return m_version; }

    // The connection (one per instance, under a name of its own); not open while absent.
    QSqlDatabase database() const { return m_db; }

    // One user action: creates the file first when absent, then runs fn inside one write
    // transaction, committed when fn returns true and rolled back otherwise. False with *error
    // set (fn's message, or why nothing can be written) when it did not commit.
    using Action = std::function<bool(QSqlDatabase &db, QString &error)>;
    bool transaction(const Action &fn, QString *error = nullptr);
    bool inTransaction() const { return m_inTransaction; }

    // Id of a point by name. Nothing when it has none; with create, inside transaction(), the
    // point is added.
    std::optional<qint64> pointId(const QString &name, bool create = false);

    // Settings of a point (slope, roughness, catchment area...), kept as text.
    std::optional<QString> textSetting(const QString &point, const QString &key) const;
    // A setting read as a number; nothing when unset or not a finite number.
    std::optional<double> realSetting(const QString &point, const QString &key) const;
    bool setTextSetting(const QString &point, const QString &key, const QString &value,
                        QString *error = nullptr);
    bool setRealSetting(const QString &point, const QString &key, double value, QString *error = nullptr);
    bool removeSetting(const QString &point, const QString &key, QString *error = nullptr);

    // Who makes a change: $USER, else the login name of this process's user.
    static QString userName();
    // Now as an ISO local time of this computer ("2024-03-11T10:15:00").
    static QString nowText();

private:
    void openExisting();
    bool openConnection(bool writable, bool immutable);
    bool checkOpened();
    bool create(QString &error);
    void becomeReadOnly(DbProblem problem, const QString &detail);
    void closeConnection();

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    DbStatus m_status = DbStatus::Absent;
    DbProblem m_problem = DbProblem::None;
    QString m_message;
    int m_version = 0;
    bool m_inTransaction = false;
};

// Runs one statement with bound values in order; false with the driver's message in error.
bool execSql(QSqlDatabase &db, const QString &sql, const QVariantList &values, QString &error);

} // namespace lmv::survey
