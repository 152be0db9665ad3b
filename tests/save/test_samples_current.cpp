// The committed sample data must be exactly what the generator writes today: a change to the data
// file code or to the generator that alters a sample fails here until samples/ is written again
// (build/tools/samplegen/lmv-samplegen samples). A project database compares by what it holds.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The files below a folder; the journal files SQLite keeps beside a database while something has it
// open are not samples.
QStringList filesBelow(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().mid(dir.size());
        if (!name.endsWith(QLatin1String("-wal")) && !name.endsWith(QLatin1String("-shm")) &&
            !name.endsWith(QLatin1String("-journal")))
            out << name;
    }
    out.sort();
    return out;
}

// What a database holds: its version, its schema and every table's rows (blobs by their hash), in
// a fixed order. Its bytes would also carry the number of the SQLite library that wrote it.
QStringList databaseContents(const QString &path)
{
    // Read from a copy: a read-only connection leaves its journal files beside the original.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.lmvdb"));
    if (!QFile::copy(path, copy))
        return {QStringLiteral("<cannot copy %1>").arg(path)};
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sample"));
        db.setDatabaseName(copy);
        if (!db.open())
            return {QStringLiteral("<cannot open %1>").arg(path)};
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA user_version"));
        out << QStringLiteral("version %1").arg(q.next() ? q.value(0).toString() : QStringLiteral("?"));
        QStringList tables;
        q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
        while (q.next()) {
            out << q.value(0).toString() + QLatin1Char(' ') + q.value(2).toString();
            if (q.value(0).toString() == QLatin1String("table"))
                tables << q.value(1).toString();
        }
        for (const QString &table : std::as_const(tables)) {
            QStringList rows;
            q.exec(QStringLiteral("SELECT * FROM \"%1\"").arg(table));
            while (q.next()) {
                QStringList fields;
                for (int i = 0; i < q.record().count(); ++i) {
                    const QVariant v = q.value(i);
                    fields << (v.type() == QVariant::ByteArray
                                   ? QString::fromLatin1(
                                         QCryptographicHash::hash(v.toByteArray(), QCryptographicHash::Sha256)
                                             .toHex())
                               : v.isNull() ? QStringLiteral("NULL")
                                            : v.toString());
                }
                rows << table + QLatin1Char('|') + fields.join(QLatin1Char('|'));
            }
            rows.sort();
            out << rows;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("sample"));
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class SamplesCurrentTest : public QObject
{
    Q_OBJECT

private slots:
    void generatorRewritesTheCommittedSamplesByteForByte()
    {
        QTemporaryDir out;
        QProcess gen;
        gen.start(QStringLiteral(LMV_SAMPLEGEN), {out.path()});
        QVERIFY(gen.waitForFinished(60000));
        QCOMPARE(gen.exitCode(), 0);
        for (const char *part : {"/store/", "/files/"}) {
            const QString committed = QStringLiteral(LMV_SOURCE_DIR "/samples") + part;
            const QString fresh = out.path() + part;
            const QStringList names = filesBelow(committed);
            QVERIFY(!names.isEmpty());
            QCOMPARE(filesBelow(fresh), names);
            for (const QString &name : names) {
                if (name.endsWith(QLatin1String(".lmvdb")))
                    QCOMPARE(databaseContents(committed + name), databaseContents(fresh + name));
                else
                    QVERIFY2(readFile(committed + name) == readFile(fresh + name), qPrintable(name));
            }
        }
    }

    void generatorWritesTheSameBytesOnEveryRun()
    {
        QTemporaryDir a, b;
        for (const QTemporaryDir *dir : {&a, &b}) {
            QProcess gen;
            gen.start(QStringLiteral(LMV_SAMPLEGEN), {dir->path()});
            QVERIFY(gen.waitForFinished(60000));
            QCOMPARE(gen.exitCode(), 0);
        }
        const QStringList names = filesBelow(a.path() + "/");
        QCOMPARE(filesBelow(b.path() + "/"), names);
        for (const QString &name : names)
            QVERIFY2(readFile(a.path() + "/" + name) == readFile(b.path() + "/" + name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(SamplesCurrentTest)
#include "test_samples_current.moc"
