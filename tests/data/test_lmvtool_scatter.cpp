// lmvtool curve and fit: the built binary on pipe-table values and on generated survey files.

#include "data/PipeCurves.h"
#include "data/Tables.h"
#include "tests/data/FileBytes.h"
#include "tests/data/ToolRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cmath>

using namespace testbytes;

namespace {

// An RVA file whose header says no sediment while the velocities follow Manning (S = 0.002,
// n = 0.013) for the section above `trueMm` of sediment, stored divided by the velocity
// correction 1.25. Two more records are left out of any fit: one surcharged, one standing.
QByteArray survey(quint32 shape, quint32 h, quint32 w, quint32 trueMm, int count)
{
    QByteArray b = header(5, QStringLiteral("项目A"), QStringLiteral("测点1"), shape, h, w, 0, 0);
    putF32(b, 88, 1.25f);
    const lmv::PipeGeometry real = lmv::pipeGeometryFrom(shape, h, w, 0, trueMm);
    for (int i = 0; i < count; ++i) {
        const double surface = (trueMm + 20 + (h * 0.85 - trueMm) * i / count) / 1000.0;
        const double v =
            lmv::manningVelocity(lmv::sectionAt(real, surface - trueMm / 1000.0).radius(), 0.002, 0.013);
        b += rvaRecord({quint32(i + 1), float(std::round(surface * 1000) / 1000), float(v / 1.25), 0.0f,
                        12.0f, 2024, 5, 1, quint8(i / 3600 % 24), quint8(i / 60 % 60), quint8(i % 60)});
    }
    b += rvaRecord({quint32(count + 1), h / 1000.0f + 0.2f, 0.5f, 0.0f, 12.0f, 2024, 5, 2, 0, 0, 0});
    b += rvaRecord({quint32(count + 2), h / 2000.0f, 0.0f, 0.0f, 12.0f, 2024, 5, 2, 0, 0, 1});
    putU32(b, 132, quint32(count + 2));
    return b;
}

} // namespace

class TestLmvtoolScatter : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void curveJsonGivesThePipeTableValues()
    {
        const ToolRun r = lmvtool(
            {"curve", "--shape",          "0", "--h",  "300", "--w",     "0",   "--t",     "0",    "--y",
             "0",     "--slope-permille", "5", "--ks", "0.6", "--level", "0.3", "--level", "0.15", "--json"});
        QCOMPARE(r.exitCode, 0);
        const QJsonArray rows = QJsonDocument::fromJson(r.outBytes()).array();
        QCOMPARE(rows.size(), 2);
        const QJsonObject full = rows[0].toObject(), half = rows[1].toObject();
        QCOMPARE(full["level"].toDouble(), 0.3);
        QVERIFY(std::fabs(full["velocity"].toDouble() - 1.10) < 0.005);
        QVERIFY(std::fabs(full["flow"].toDouble() - 78.0) < 0.5);
        QCOMPARE(full["topWidth"].toDouble(), 0.0);
        // Half full: same R as full bore, so the same velocity and half the flow.
        QVERIFY(std::fabs(half["area"].toDouble() - 3.14159265 * 0.15 * 0.15 / 2) < 1e-6);
        QVERIFY(std::fabs(half["perimeter"].toDouble() - 3.14159265 * 0.15) < 1e-6);
        QCOMPARE(half["topWidth"].toDouble(), 0.3);
        QVERIFY(std::fabs(half["velocity"].toDouble() - full["velocity"].toDouble()) < 1e-9);
    }

    void curveRefusesIncompleteFriction_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("both laws") << QStringList{
            "--slope-permille", "1", "--manning", "0.013", "--ks", "1.5", "--level", "1"};
        QTest::newRow("no law") << QStringList{"--slope-permille", "1", "--level", "1"};
        QTest::newRow("no slope") << QStringList{"--manning", "0.013", "--level", "1"};
        QTest::newRow("no level") << QStringList{"--slope-permille", "1", "--manning", "0.013"};
        QTest::newRow("bad level") << QStringList{"--slope-permille", "1", "--manning", "0.013",
                                                  "--level",          "x"};
    }
    void curveRefusesIncompleteFriction()
    {
        QFETCH(QStringList, extra);
        const ToolRun r = lmvtool(
            QStringList{"curve", "--shape", "0", "--h", "1000", "--w", "0", "--t", "0", "--y", "0"} + extra);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    }

    void fitFindsTheSedimentTheHeaderLeftOut_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("w");
        QTest::newRow("circle DN1000") << 0 << 1000 << 0;
        QTest::newRow("rectangle 1500 x 1200") << 1 << 1200 << 1500;
    }
    void fitFindsTheSedimentTheHeaderLeftOut()
    {
        QFETCH(int, shape);
        QFETCH(int, h);
        QFETCH(int, w);
        const QString path = dir.filePath("survey.lmv");
        QVERIFY(writeFile(path, survey(quint32(shape), quint32(h), quint32(w), 100, 2000)));
        const ToolRun r = lmvtool({"fit", "--json", path});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.outBytes()).object();
        QCOMPARE(o["fileSedimentMm"].toInt(), 0);
        QVERIFY2(std::abs(o["sedimentMm"].toInt() - 100) <= 5, qPrintable(r.out));
        QCOMPARE(o["records"].toInt(), 2000);
        QCOMPARE(o["recordsLeftOut"].toInt(), 0); // a survey on its curve keeps every record
        QVERIFY(o["rmse"].toDouble() > o["sedimentRmse"].toDouble());
        // With the sediment found, the fit is Manning's S^½ / n on the corrected velocities.
        QVERIFY(std::fabs(o["sedimentCoefficient"].toDouble() - std::sqrt(0.002) / 0.013) < 0.02);
    }

    void fitRefusesAnRvbFile()
    {
        const QString path = dir.filePath("rvb.lmv");
        QVERIFY(writeFile(path, header(1) + QByteArray(200, '\0')));
        const ToolRun r = lmvtool({"fit", "--json", path});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("not an RVA file")));
    }
};

QTEST_GUILESS_MAIN(TestLmvtoolScatter)
#include "test_lmvtool_scatter.moc"
