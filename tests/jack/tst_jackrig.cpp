// The servers and simulators a test starts end with it, even when it is
// killed partway (a watchdog, a test runner stopped): its own rig's and the
// shared fixture's. The test runs itself as the process that starts them
// ("tst_jackrig hold-rig FOLDER" or "hold-fixture FOLDER") and kills it.

#include "DataColumns.h"
#include "JackRig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <unistd.h>

namespace {

constexpr int ReadyMs = 30000;
constexpr int EndMs = 10000;

// Starts what `mode` names, saved in `folder`, and waits to be killed.
int hold(const char *mode, const QString &folder)
{
    if (std::strcmp(mode, "hold-rig") == 0) {
        JackRig rig(folder);
        QString error;
        if (!rig.start(QStringLiteral(VENTARO_SIMULATOR), {}, &error) || !rig.save())
            return 1;
        for (;;)
            ::pause();
    }
    if (QProcess::execute(QStringLiteral(VENTARO_JACK_FIXTURE),
                          {QStringLiteral("start"), folder, QStringLiteral(VENTARO_SIMULATOR)})
        != 0)
        return 1;
    for (;;)
        ::pause();
}

} // namespace

class JackRigTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void endsWithWhatStartedIt_data();
    void endsWithWhatStartedIt();

private:
    QTemporaryDir m_work;
};

void JackRigTest::initTestCase()
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY(m_work.isValid());
}

void JackRigTest::endsWithWhatStartedIt_data()
{
    addColumns<QString>("mode");

    QTest::newRow("a test's own server") << QStringLiteral("hold-rig");
    QTest::newRow("the jack tests' shared server") << QStringLiteral("hold-fixture");
}

void JackRigTest::endsWithWhatStartedIt()
{
    QFETCH(QString, mode);
    const QString folder = m_work.filePath(mode);
    // Whatever this case leaves is stopped by its PIDs.
    const auto cleanUp = qScopeGuard([&] {
        QProcess::execute(QStringLiteral(VENTARO_JACK_FIXTURE), {QStringLiteral("stop"), folder});
        JackRig left(folder, JackRig::Mode::Detached);
        if (left.load())
            left.stop();
    });
    QProcess holder;
    holder.setProcessChannelMode(QProcess::ForwardedChannels);
    holder.start(QCoreApplication::applicationFilePath(), {mode, folder});
    QVERIFY(holder.waitForStarted());
    JackRig started(folder, JackRig::Mode::Detached);
    const QDeadlineTimer ready(ReadyMs);
    while (!started.load() && holder.state() == QProcess::Running && !ready.hasExpired())
        QTest::qWait(50);
    QVERIFY2(started.serverPid() > 0 && started.simulatorPid() > 0,
             "the server and the simulator did not start");
    QVERIFY(JackRig::running(started.serverPid()));

    holder.kill();
    QVERIFY(holder.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(
        !JackRig::running(started.serverPid()) && !JackRig::running(started.simulatorPid()), EndMs);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strncmp(argv[1], "hold-", 5) == 0)
        return hold(argv[1], QString::fromLocal8Bit(argv[2]));
    JackRigTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_jackrig.moc"
