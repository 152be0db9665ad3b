#include "data/TimeSteps.h"

#include <QtTest>

using namespace lmv;

class TestTimeSteps : public QObject
{
    Q_OBJECT

private slots:
    void clockSecondsFollowTheCalendar_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("rvb epoch") << 2014 << 1 << 1 << 0 << qint64(1388534400);
        QTest::newRow("leap day") << 2016 << 2 << 29 << 12 << qint64(1456747200);
        QTest::newRow("after leap day") << 2016 << 3 << 1 << 0 << qint64(1456790400);
        QTest::newRow("century not leap") << 2100 << 3 << 1 << 0 << qint64(4107542400);
    }
    void clockSecondsFollowTheCalendar()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(qint64, seconds);
        RecordTime t;
        t.year = quint16(year);
        t.month = quint8(month);
        t.day = quint8(day);
        t.hour = quint8(hour);
        QCOMPARE(clockSeconds(t), seconds);
        // The same instant as an RVB counter lands on the same axis.
        RvbRecord r;
        r.timeSeconds = quint32(seconds - 1388534400);
        QCOMPARE(clockSeconds(r), seconds);
        // And back: the calendar time of those seconds, a second before and a day after.
        for (const qint64 s : {seconds, seconds - 1, seconds + 86400 + 59}) {
            const RecordTime back = recordTimeOf(s);
            QCOMPARE(clockSeconds(back), s);
            QVERIFY(back.month >= 1 && back.month <= 12 && back.day >= 1 && back.day <= 31);
            QVERIFY(back.hour < 24 && back.minute < 60 && back.second < 60);
        }
    }

    void nominalIntervalPrefersTheFileSetting()
    {
        const std::vector<qint64> times{0, 60, 120, 120, 100, 400, 460, 520, 530};
        QCOMPARE(mostCommonStep(times), qint64(60)); // duplicates and backward steps are not steps
        QCOMPARE(nominalInterval(0, times), qint64(60));
        QCOMPARE(nominalInterval(300, times), qint64(300));
        const std::vector<qint64> tie{0, 10, 30, 40, 60};
        QCOMPARE(mostCommonStep(tie), qint64(10));
        const std::vector<qint64> tieShortAndLong{0, 3, 13, 16, 26}; // counted in a table and a map
        QCOMPARE(mostCommonStep(tieShortAndLong), qint64(3));
        QCOMPARE(mostCommonStep(std::vector<qint64>{5}), qint64(0));
        QCOMPARE(mostCommonStep(std::vector<qint64>{5, 5, 3}), qint64(0));
    }

    void gapsAreStepsLongerThanTwiceTheInterval()
    {
        const std::vector<qint64> times{0, 60, 180, 361, 421};
        const QVector<TimeGap> gaps = findGaps(times, 60);
        QCOMPARE(gaps.size(), 1); // 120 s is exactly twice: not a gap
        QCOMPARE(gaps[0].before, qsizetype(2));
        QCOMPARE(gaps[0].start, qint64(180));
        QCOMPARE(gaps[0].seconds(), qint64(181));
        QVERIFY(findGaps(times, 0).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestTimeSteps)
#include "test_time_steps.moc"
