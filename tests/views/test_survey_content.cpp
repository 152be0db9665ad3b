// What the survey window shows of a point, without the window: the file list with what changed
// between files and what was left out, where each record comes from (also through a layer made
// by a provider, as edits make one), and the daily table with its week rows in place.

#include "survey/Edits.h"
#include "views/SurveyCheckView.h"
#include "views/SurveyContent.h"

#include "ViewFiles.h"

#include <QDir>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace lmv;
using namespace lmv::survey;

namespace {

// Hourly RVA records from `hour` hours after 2024-03-09 00:00 (a Saturday), `count` of them.
QByteArray hourlyFile(const viewfiles::Header &h, int firstHour, int count)
{
    QByteArray bytes = viewfiles::headerBytes(h);
    for (int i = 0; i < count; ++i) {
        const int hours = firstHour + i;
        viewfiles::Rva r;
        r.year = 2024;
        r.month = 3;
        r.day = unsigned(9 + hours / 24);
        r.hour = unsigned(hours % 24);
        r.minute = 0;
        r.second = 0;
        r.sequence = std::uint32_t(i + 1);
        r.level = 0.2f;
        r.velocity = 0.5f;
        r.flow = 36.0f; // L/s: 129.6 m³ an hour
        r.temperature = 12.0f;
        bytes += viewfiles::rvaRecordBytes(r);
    }
    return bytes;
}

} // namespace

class TestSurveyContent : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    SurveyTarget target;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        viewfiles::Header a;
        a.interval = 3600;
        a.height = 800;
        viewfiles::Header b = a;
        b.height = 1000; // the pipe changes
        b.vc = 1.2f;     // and the velocity correction
        QVERIFY(viewfiles::writeFile(dir.filePath("a.lmv"), hourlyFile(a, 12, 49))); // Sat 12:00 to Mon 12:00
        QVERIFY(viewfiles::writeFile(dir.filePath("b.lmv"), hourlyFile(b, 61, 35))); // Mon 13:00 to Tue 23:00
        target.project = QStringLiteral("北区管网");
        target.point.name = QStringLiteral("1号井");
        for (const char *name : {"a.lmv", "b.lmv", "gone.lmv"})
            target.point.files.push_back(
                {QString::fromLatin1(name), dir.filePath(QString::fromLatin1(name))});
    }

    void fileListSaysWhatChangedAndWhatWasLeftOut()
    {
        SurveyContent content;
        content.load(target);
        const QVector<SurveyFileRow> rows = content.fileRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].name, QStringLiteral("a.lmv"));
        QCOMPARE(rows[0].used, qsizetype(49));
        QVERIFY(rows[0].note.isEmpty());
        QCOMPARE(rows[1].name, QStringLiteral("b.lmv"));
        QVERIFY(rows[1].note.contains(QStringLiteral("管道")));
        QVERIFY(rows[1].note.contains(QStringLiteral("修正系数")));
        QVERIFY(rows[1].pipe != rows[0].pipe);
        QCOMPARE(rows[2].name, QStringLiteral("gone.lmv"));
        QVERIFY(rows[2].leftOut);
        QVERIFY(!rows[2].note.isEmpty());
        // The join's own findings name both files of the change.
        bool named = false;
        for (const QString &note : content.joinNotes())
            named =
                named || (note.contains(QStringLiteral("a.lmv")) && note.contains(QStringLiteral("b.lmv")));
        QVERIFY(named);
    }

    void recordsLeadBackToTheirFilesThroughAProvidersLayer()
    {
        SurveyContent content;
        content.load(target);
        QCOMPARE(content.layer().size(), qsizetype(49 + 35));
        QCOMPARE(content.recordSource(0).name, QStringLiteral("a.lmv"));
        QCOMPARE(content.recordSource(48).record, qint64(48));
        QCOMPARE(content.recordSource(49).name, QStringLiteral("b.lmv"));
        QCOMPARE(content.recordSource(49).record, qint64(0));
        QVERIFY(content.recordSource(84).path.isEmpty());
        QVERIFY(content.recordSource(-1).path.isEmpty());

        // A layer without a's first ten records: record 0 is a's eleventh.
        Edit remove;
        remove.id = 1;
        remove.op = EditOp::Remove;
        remove.from = content.layer().times[0];
        remove.to = content.layer().times[9];
        remove.reason = QStringLiteral("安装调试");
        content.setLayerProvider([remove](const JoinedSurvey &joined) {
            return applyEdits(joined.layer, std::vector<Edit>{remove});
        });
        content.remakeLayer();
        QCOMPARE(content.layer().size(), qsizetype(74));
        QCOMPARE(content.recordSource(0).record, qint64(10));
        QCOMPARE(content.joined().layer.size(), qsizetype(84)); // the joined survey stays whole
        // The figures follow the provider's layer: 10 hours less water.
        SurveyContent whole;
        whole.load(target);
        QVERIFY(std::abs(whole.figures().total.volumeM3 - content.figures().total.volumeM3 - 10 * 129.6) <
                0.01);
    }

    void weekRowsStandAfterTheirSundayAndSumTheirDays()
    {
        SurveyContent content;
        content.load(target);
        const SurveyFigures &f = content.figures();
        QCOMPARE(f.days.size(), 4); // Sat 9th to Tue 12th
        const QVector<CheckTotalRow> totals = content.totalRows();
        QCOMPARE(totals.size(), 3);
        QCOMPARE(totals[0].label, QStringLiteral("03-09 至 03-10 周计"));
        QCOMPARE(totals[0].afterDay, 1);
        QCOMPARE(totals[1].label, QStringLiteral("03-11 至 03-12 周计"));
        QCOMPARE(totals[1].afterDay, 3);
        QCOMPARE(totals[2].label, QStringLiteral("合计"));
        QCOMPARE(totals[2].afterDay, -1);
        QVERIFY(std::abs(totals[0].total.volumeM3 - (f.days[0].volumeM3 + f.days[1].volumeM3)) < 1e-9);
        QVERIFY(std::abs(totals[1].total.volumeM3 - (f.days[2].volumeM3 + f.days[3].volumeM3)) < 1e-9);

        // In the check view: each week's row right after its last day, the total last.
        SurveyCheckView view;
        view.showSurveyCheck(content.shownCheck(), f.days, totals);
        QTableWidget *table = view.daysTable;
        const QStringList firstCells = {
            QStringLiteral("2024-03-09"), QStringLiteral("2024-03-10"), totals[0].label,
            QStringLiteral("2024-03-11"), QStringLiteral("2024-03-12"), totals[1].label,
            QStringLiteral("合计")};
        QCOMPARE(table->rowCount(), firstCells.size());
        for (int r = 0; r < firstCells.size(); ++r)
            QCOMPARE(table->item(r, 0)->text(), firstCells[r]);
        QCOMPARE(table->item(6, 3)->text(), QString::number(f.total.volumeM3, 'f', 3));
        // Showing the view does not put the one-file check back.
        view.show();
        QCOMPARE(table->rowCount(), firstCells.size());
    }

    void aSurveyWithinOneWeekHasOnlyItsTotal()
    {
        SurveyTarget single = target;
        single.point.files.remove(0); // b.lmv alone: Monday and Tuesday
        SurveyContent content;
        content.load(single);
        const QVector<CheckTotalRow> totals = content.totalRows();
        QCOMPARE(totals.size(), 1);
        QCOMPARE(totals[0].days, qsizetype(2));
    }
};

QTEST_MAIN(TestSurveyContent)
#include "test_survey_content.moc"
