// Replays every file of the fuzz corpus through the same entry functions the fuzz targets run, so
// that inputs which once found a fault keep being checked in the ordinary test run.
#include "tests/fuzz/FuzzEntries.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private slots:
    void everyCorpusInputKeepsTheInvariants_data();
    void everyCorpusInputKeepsTheInvariants();
    void everyCorpusFolderNamesATarget();
};

void TestFuzzCorpus::everyCorpusInputKeepsTheInvariants_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("path");
    std::size_t count = 0;
    const lmv::fuzz::NamedEntry *entries = lmv::fuzz::entries(&count);
    for (std::size_t i = 0; i < count; ++i) {
        const QDir dir(QStringLiteral(LMV_FUZZ_CORPUS_DIR "/") + QString::fromLatin1(entries[i].name));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        // A target without corpus would be skipped silently; make that a failure instead.
        if (files.isEmpty())
            QTest::newRow(entries[i].name) << int(i) << QString();
        for (const QString &file : files)
            QTest::newRow(qPrintable(QString::fromLatin1(entries[i].name) + "/" + file))
                << int(i) << dir.filePath(file);
    }
}

void TestFuzzCorpus::everyCorpusInputKeepsTheInvariants()
{
    QFETCH(int, entry);
    QFETCH(QString, path);
    QVERIFY2(!path.isEmpty(), "no corpus for this target");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // An exactly sized copy, so a sanitizer build catches reads past the end.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    std::size_t count = 0;
    const lmv::fuzz::NamedEntry *entries = lmv::fuzz::entries(&count);
    // The entries abort on a broken invariant, which fails this test as a crash.
    QCOMPARE(entries[entry].entry(input.data(), input.size()), 0);
}

void TestFuzzCorpus::everyCorpusFolderNamesATarget()
{
    // The build makes a fuzz target for each folder; one without an entry would abort at start.
    const QStringList folders =
        QDir(QStringLiteral(LMV_FUZZ_CORPUS_DIR)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(!folders.isEmpty());
    for (const QString &folder : folders)
        QVERIFY2(lmv::fuzz::entryNamed(qPrintable(folder)), qPrintable(folder));
}

QTEST_APPLESS_MAIN(TestFuzzCorpus)
#include "test_fuzz_corpus.moc"
