#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include "data/ProjectIndex.h"

namespace {

QByteArray gb(const QString &s)
{
    return QTextCodec::codecForName("GB2312")->fromUnicode(s);
}

void putU32(QByteArray &b, int off, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[off + i] = char((v >> (8 * i)) & 0xFF);
}

// A data file header as the store writes it: names at 0 and 33, pipe at 68, device info at 496.
QByteArray header(const QString &project, const QString &point, quint32 shape, quint32 h, quint32 w,
                  quint32 t, quint32 y, quint8 type, quint8 model, quint32 number)
{
    QByteArray b(512, '\0');
    const QByteArray p = gb(project), q = gb(point);
    b.replace(0, p.size(), p);
    b.replace(33, q.size(), q);
    putU32(b, 68, shape);
    putU32(b, 72, h);
    putU32(b, 76, w);
    putU32(b, 80, t);
    putU32(b, 84, y);
    putU32(b, 496, number);
    b[500] = char(type);
    b[505] = char(model);
    return b;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QList<IndexEntry> read(OpenKind kind, const QString &path, const QStringList &input,
                       QString *remark = nullptr)
{
    ProjectIndexReader reader(kind, path);
    for (const QString &l : input)
        reader.processIndexLine(l);
    if (remark)
        *remark = reader.currentDeviceRemark();
    return reader.projects();
}

} // namespace

class TestProjectIndex : public QObject
{
    Q_OBJECT

private slots:
    void linesEndOnlyAtCrLfAndZeroBytesDiscard()
    {
        QByteArray bytes = "$id$12\r\n$prj$A\r\npartial";
        bytes += '\0';
        bytes += "$pos$A/B\r\nno line end";
        const QStringList got = splitIndexLines(bytes);
        QCOMPARE(got, (QStringList{"$id$12", "$prj$A", "$pos$A/B"}));
        QVERIFY(splitIndexLines("$prj$A\n$pos$A/B\n").isEmpty());
        QCOMPARE(splitIndexLines("\r\n"), QStringList{QString()});
    }

    void lineOf127BytesIsKeptAndLongerLinesAreSkippedWhole_data()
    {
        QTest::addColumn<int>("payloadBytes");
        QTest::addColumn<bool>("kept");
        // Marker "$record$" (8) + payload + CR LF (2).
        QTest::newRow("126 bytes") << 116 << true;
        QTest::newRow("127 bytes") << 117 << true;
        QTest::newRow("128 bytes") << 118 << false;
        QTest::newRow("129 bytes") << 119 << false;
        QTest::newRow("600 bytes") << 590 << false;
    }
    void lineOf127BytesIsKeptAndLongerLinesAreSkippedWhole()
    {
        QFETCH(int, payloadBytes);
        QFETCH(bool, kept);
        const QByteArray longLine = "$record$" + QByteArray(payloadBytes, 'x') + "\r\n";
        const QByteArray bytes = "$prj$A\r\n" + longLine + "$pos$A/B\r\n";
        QStringList expected{"$prj$A"};
        if (kept)
            expected << QString::fromLatin1(longLine.left(longLine.size() - 2));
        expected << "$pos$A/B";
        QCOMPARE(splitIndexLines(bytes), expected);
    }

    void projectIndexBuildsEntriesWithPathParts()
    {
        QString remark;
        const QList<IndexEntry> projects =
            read(OpenKind::ProjectIndex, "/store/河道/河道.lmvprj",
                 {"$id$1234", "$prj$河道", "$pos$河道/一号点", "$record$河道/一号点/a.lmv",
                  "$record$河道/一号点/b.lmv", "$pos$河道/二号点", "$record$河道/二号点/c.lmv"},
                 &remark);
        QCOMPARE(remark, QStringLiteral("设备号:1234"));
        QCOMPARE(projects.size(), 1);
        const IndexEntry &p = projects[0];
        QCOMPARE(p.columns, (QStringList{"河道", "/store/河道/"}));
        QCOMPARE(p.children.size(), 2);
        const IndexEntry &q = p.children[0];
        QCOMPARE(q.column(0), QStringLiteral("一号点"));
        QCOMPARE(q.column(1), QStringLiteral("一号点/"));
        QCOMPARE(q.column(9), QStringLiteral("设备号:1234"));
        QCOMPARE(q.column(2), QString());
        QCOMPARE(q.children.size(), 2);
        QCOMPARE(q.children[1].columns, (QStringList{"b.lmv", "b.lmv"}));
        // The path rule: project dir + point dir + file name.
        QCOMPARE(p.column(1) + q.column(1) + q.children[1].column(1),
                 QStringLiteral("/store/河道/一号点/b.lmv"));
        QCOMPARE(p.children[1].children.size(), 1);
    }

    void pointIndexMakesOneProjectPerPosLine()
    {
        const QList<IndexEntry> projects =
            read(OpenKind::PointIndex, "/s/P/Q/Q.lmvpos",
                 {"$id$7", "$pos$P/Q", "$record$P/Q/f1.lmv", "$pos$P/R", "$record$P/R/f2.lmv"});
        QCOMPARE(projects.size(), 2);
        QCOMPARE(projects[0].columns, QStringList{"P"});
        QCOMPARE(projects[0].children[0].column(0), QStringLiteral("Q"));
        QCOMPARE(projects[0].children[0].column(1), QStringLiteral("/s/P/Q/"));
        QCOMPARE(projects[0].children[0].children[0].columns, (QStringList{"f1.lmv", "f1.lmv"}));
        QCOMPARE(projects[1].children[0].children[0].column(0), QStringLiteral("f2.lmv"));
        const IndexEntry &q = projects[0].children[0];
        QCOMPARE(q.column(0) + q.column(1), QStringLiteral("Q/s/P/Q/"));
        QCOMPARE(projects[0].column(1) + q.column(1) + q.children[0].column(1),
                 QStringLiteral("/s/P/Q/f1.lmv"));
    }

    void longPosLineCarriesPipeAndRemark_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("remark");
        QTest::newRow("RVA logger") << "$pos$P/Q/0/1000/0/0/50/5/0/88"
                                    << "RVA:88";
        QTest::newRow("RVB model 4") << "$pos$P/Q/1/800/600/0/0/1/4/123"
                                     << "RVB:123";
        QTest::newRow("RVB model 1") << "$pos$P/Q/1/800/600/0/0/1/1/5"
                                     << "RVC:5";
        QTest::newRow("RVB unknown model") << "$pos$P/Q/1/800/600/0/0/1/9/5"
                                           << "RVA:5";
        QTest::newRow("RVB model written 04") << "$pos$P/Q/1/800/600/0/0/1/04/5"
                                              << "RVA:5";
        QTest::newRow("other type") << "$pos$P/Q/1/800/600/0/0/3/4/42"
                                    << "设备号:42";
    }
    void longPosLineCarriesPipeAndRemark()
    {
        QFETCH(QString, line);
        QFETCH(QString, remark);
        const QList<IndexEntry> projects =
            read(OpenKind::ProjectIndex, "/s/P/P.lmvprj", {"$id$1", "$prj$P", line});
        const IndexEntry &q = projects[0].children[0];
        const QStringList fields = line.mid(5).split('/');
        QCOMPARE(q.column(1), QStringLiteral("Q/"));
        for (int c = 2; c <= 8; ++c)
            QCOMPARE(q.column(c), fields[c]);
        QCOMPARE(q.column(9), remark);
    }

    void shortPosRemarkFollowsTheIdLine()
    {
        QList<IndexEntry> projects = read(OpenKind::ProjectIndex, "/s/P.lmvprj", {"$prj$P", "$pos$P/Q"});
        QCOMPARE(projects[0].children[0].column(9), QString());
        projects = read(OpenKind::ProjectIndex, "/s/P.lmvprj", {"$id$00420", "$prj$P", "$pos$P/Q"});
        QCOMPARE(projects[0].children[0].column(9), QStringLiteral("设备号:00420"));
    }

    void linesWithoutACurrentProjectOrMatchingPointAddNothing()
    {
        QList<IndexEntry> projects =
            read(OpenKind::ProjectIndex, "/s/P.lmvprj", {"$pos$P/Q", "$record$P/Q/f.lmv", "$PRJ$X", "#x"});
        QVERIFY(projects.isEmpty());
        projects = read(OpenKind::ProjectIndex, "/s/P.lmvprj",
                        {"$prj$P/ignored", "$pos$P/Q", "$record$P/Z/f.lmv", "$record$P/Q"});
        QCOMPARE(projects[0].column(0), QStringLiteral("P"));
        QVERIFY(projects[0].children[0].children.isEmpty());
    }

    void recordGoesToEveryPointOfThatName()
    {
        const QList<IndexEntry> projects = read(OpenKind::ProjectIndex, "/s/P.lmvprj",
                                                {"$prj$P", "$pos$P/Q", "$pos$P/Q", "$record$P/Q/f.lmv"});
        QCOMPARE(projects[0].children.size(), 2);
        QCOMPARE(projects[0].children[0].children.size(), 1);
        QCOMPARE(projects[0].children[1].children.size(), 1);
    }

    void repeatedPointNamesCannotMultiplyFileEntriesWithoutBound()
    {
        // 1000 points of one name and 1000 records used to make a million file entries (a
        // 300 KB index ran the viewer out of memory); the count stops at 100 000.
        QStringList lines{"$prj$P"};
        for (int i = 0; i < 1000; ++i)
            lines << "$pos$P/Q";
        for (int i = 0; i < 1000; ++i)
            lines << QStringLiteral("$record$P/Q/%1.lmv").arg(i);
        const QList<IndexEntry> projects = read(OpenKind::ProjectIndex, "/s/P.lmvprj", lines);
        QCOMPARE(projects[0].children.size(), 1000);
        qsizetype files = 0;
        for (const IndexEntry &point : projects[0].children)
            files += point.children.size();
        QCOMPARE(files, qsizetype(100000));
        QCOMPARE(projects[0].children[0].children.size(), 100);
    }

    void dataFileDescriptorAndEntries()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/一号.lmv";
        writeFile(path, header("河道", "一号点", 2, 800, 600, 1200, 50, 1, 16, 4000000000u) +
                            QByteArray(100, '\1'));
        const QString d = readDataFileDescriptor(path);
        QCOMPARE(d, QStringLiteral("河道/一号点/2/800/600/1200/50/1/16/4000000000"));

        ProjectIndexReader reader(OpenKind::DataFile, path);
        reader.addDataFile(d);
        const QList<IndexEntry> &projects = reader.projects();
        QCOMPARE(projects.size(), 1);
        QCOMPARE(projects[0].columns, QStringList{"河道"});
        const IndexEntry &q = projects[0].children[0];
        QCOMPARE(q.columns,
                 (QStringList{"一号点", "", "2", "800", "600", "1200", "50", "1", "16", "RVB:4000000000"}));
        QCOMPARE(q.children[0].columns, (QStringList{"一号.lmv", path}));
        QCOMPARE(projects[0].column(1) + q.column(1) + q.children[0].column(1), path);
    }

    void slashInAStoredNameDoesNotShiftTheDataFileColumns()
    {
        // A "/" inside a name used to split the descriptor into more fields: the point showed a
        // piece of its name and the pipe columns (from which flows are recomputed) held text.
        QTemporaryDir dir;
        const QString path = dir.path() + "/a.lmv";
        writeFile(path, header("东/西", "1/2号", 1, 800, 600, 0, 50, 5, 0, 7));
        const LocalOpening opening = openLocalFile(path);
        QVERIFY(opening.opened);
        QCOMPARE(opening.projects.size(), 1);
        QCOMPARE(opening.projects[0].columns, QStringList{"东/西"});
        QCOMPARE(opening.projects[0].children.size(), 1);
        const IndexEntry &q = opening.projects[0].children[0];
        QCOMPARE(q.columns, (QStringList{"1/2号", "", "1", "800", "600", "0", "50", "5", "0", "RVA:7"}));
        QCOMPARE(q.children.size(), 1);
        QCOMPARE(q.children[0].columns, (QStringList{"a.lmv", path}));
    }

    void descriptorOfDamagedHeaders()
    {
        // A negative shape is written signed; names filling their whole field stop at its end.
        QByteArray b = header("", "", 0xFFFFFFFFu, 1, 2, 3, 4, 5, 0, 9);
        b.replace(0, 33, QByteArray(33, 'A'));
        b.replace(33, 33, QByteArray(33, 'B'));
        QCOMPARE(descriptorString(b.left(88), b.mid(496, 16)),
                 QString(33, 'A') + "/" + QString(33, 'B') + "/-1/1/2/3/4/5/0/9");
        // Bytes missing from a short header count as zero.
        QCOMPARE(descriptorString(QByteArray("P\0Q", 3), QByteArray()), QStringLiteral("P//0/0/0/0/0/0/0/0"));

        QTemporaryDir dir;
        writeFile(dir.path() + "/empty.lmv", QByteArray());
        QVERIFY(readDataFileDescriptor(dir.path() + "/empty.lmv").isEmpty());
        QVERIFY(readDataFileDescriptor(dir.path() + "/missing.lmv").isEmpty());
    }

    void typeCodeIsTheByteAt500()
    {
        QTemporaryDir dir;
        writeFile(dir.path() + "/a.lmv", header("P", "Q", 0, 0, 0, 0, 0, 5, 0, 1));
        writeFile(dir.path() + "/b.lmv", header("P", "Q", 0, 0, 0, 0, 0, 1, 4, 1));
        writeFile(dir.path() + "/short.lmv", header("P", "Q", 0, 0, 0, 0, 0, 5, 0, 1).left(500));
        QCOMPARE(int(readFileTypeCode(dir.path() + "/a.lmv")), 5);
        QCOMPARE(int(readFileTypeCode(dir.path() + "/b.lmv")), 1);
        QCOMPARE(int(readFileTypeCode(dir.path() + "/short.lmv")), 0);
        QCOMPARE(int(readFileTypeCode(dir.path() + "/none.lmv")), 0);
        QCOMPARE(int(readFileTypeCode(dir.path())), 0);
    }

    void pointSummaries()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + "/f.lmv";
        writeFile(file, header("P", "Q", 1, 900, 700, 0, 20, 5, 0, 1));
        QStringList cols{"Q", "Q/", "", "", "", "", "", "", "", "设备号:77"};

        PointSummary s = pointSummaryRva("P", cols, file);
        QCOMPARE(s.deviceNumber, QStringLiteral("77"));
        QCOMPARE(s.place, QStringLiteral("P/Q"));
        QCOMPARE(s.content, QStringLiteral("(压力)液位、(超声)流速"));
        QCOMPARE(s.pipe, QStringLiteral("方沟 高度900mm 宽度700mm 淤积层20mm"));

        // Without a file, and with an unreadable one, the pipe is all zero: a circle of 0 mm.
        QCOMPARE(pointSummaryRva("P", cols, QString()).pipe, QStringLiteral("圆形 直径0mm 淤积层0mm"));
        QCOMPARE(pointSummaryRva("P", cols, dir.path() + "/gone.lmv").pipe,
                 QStringLiteral("圆形 直径0mm 淤积层0mm"));

        // The point's own pipe wins over the file's; a model-and-number remark stays whole.
        cols = QStringList{"Q", "Q/", "2", "800", "600", "1200", "50", "1", "16", "RVB:9"};
        s = pointSummaryRva("P", cols, file);
        QCOMPARE(s.deviceNumber, QStringLiteral("RVB:9"));
        QCOMPARE(s.pipe, QStringLiteral("梯形 高度800mm 上底1200mm 下底600mm 淤积层50mm"));

        s = pointSummaryRvb("P", cols);
        QCOMPARE(s.deviceNumber, QStringLiteral("RVB:9"));
        QCOMPARE(s.content, QStringLiteral("(超声)液位、(雷达)流速、(压力)液位、(超声)流速"));
        QCOMPARE(s.pipe, QStringLiteral("梯形 高度800mm 上底1200mm 下底600mm 淤积层50mm"));
        cols[8] = "5";
        cols[2] = "";
        s = pointSummaryRvb("P", cols);
        QCOMPARE(s.content, QString());
        QCOMPARE(s.pipe, QStringLiteral("圆形 直径0mm 淤积层0mm"));
    }

    void openKindBySuffix()
    {
        QCOMPARE(openKindFor("a/b.lmvprj"), OpenKind::ProjectIndex);
        QCOMPARE(openKindFor("b.lmvpos"), OpenKind::PointIndex);
        QCOMPARE(openKindFor("b.lmv"), OpenKind::DataFile);
        QCOMPARE(openKindFor("b.LMV"), OpenKind::None);
        QCOMPARE(openKindFor("b.txt"), OpenKind::None);
        QCOMPARE(openKindFor(QString()), OpenKind::None);
    }
};

QTEST_GUILESS_MAIN(TestProjectIndex)
#include "test_project_index.moc"
