// The committed sample data must be exactly what the generator writes today: a change to the data
// file code or to the generator that alters a sample fails here until samples/ is written again
// (build/tools/samplegen/lmv-samplegen samples).

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList filesBelow(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next().mid(dir.size());
    out.sort();
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
            for (const QString &name : names)
                QVERIFY2(readFile(committed + name) == readFile(fresh + name), qPrintable(name));
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
