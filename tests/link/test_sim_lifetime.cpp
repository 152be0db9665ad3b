// A simulator must not outlive the program that started it: a test killed by its time limit
// would otherwise leave it running.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

// The state letter of /proc/<pid>/stat; empty when the process is gone.
QByteArray processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close < 0 ? QByteArray() : line.mid(close + 2, 1);
}

bool alive(qint64 pid)
{
    const QByteArray state = processState(pid);
    return !state.isEmpty() && state != "Z" && state != "X";
}

} // namespace

class SimLifetimeTest : public QObject
{
    Q_OBJECT

private slots:
    void simulatorEndsWhenItsParentIsKilled()
    {
        QTemporaryDir root;
        QFile ini(root.filePath(QStringLiteral("logger.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[device]\ntype = 5\nnumber = 1\nversion = 2 1 18 12 3\nprotocol = 1.5\n");
        ini.close();
        const QString portFile = root.filePath(QStringLiteral("port.txt"));

        // The shell starts the simulator, prints its pid and becomes a sleep: the sleep is the
        // simulator's parent, and killing it with SIGKILL gives the simulator no chance to be told.
        QProcess parent;
        parent.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("\"$0\" \"$1\" > \"$2\" 2>/dev/null & echo $!; exec sleep 60"),
                      QStringLiteral(LMV_LOGGER_SIM), root.path(), portFile});
        QVERIFY(parent.waitForStarted(5000));
        QVERIFY(parent.waitForReadyRead(5000));
        const qint64 sim = parent.readLine().trimmed().toLongLong();
        QVERIFY(sim > 0);
        // The port line comes after the simulator has tied itself to its parent.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(portFile).size() > 0, 10000);
        QVERIFY(alive(sim));

        parent.kill();
        QVERIFY(parent.waitForFinished(5000));
        const bool ended = QTest::qWaitFor([sim] { return !alive(sim); }, 10000);
        if (!ended)
            ::kill(pid_t(sim), SIGKILL); // the test started it; it must not stay behind either
        QVERIFY(ended);
    }
};

QTEST_GUILESS_MAIN(SimLifetimeTest)
#include "test_sim_lifetime.moc"
