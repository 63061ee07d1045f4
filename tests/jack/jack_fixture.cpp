// Starts and stops the JACK server and the simulator that the jack tests
// share: "jack_fixture start FOLDER SIMULATOR" and "jack_fixture stop FOLDER".
// Without jackd, start does nothing and the tests skip themselves.
//
// The two run between the tests, so the server and the simulator outlive
// `start`: they are the children of a supervisor ("jack_fixture serve ...")
// that `start` leaves running. It stops them when `stop` asks, and also when
// the process that ran `start` (the test runner) is gone, killed partway;
// killed itself, it takes them along (JackRig's attached processes).

#include "CloseOnSignal.h"
#include "JackRig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

constexpr int PollMs = 50;
constexpr int WatchMs = 200;
constexpr int ReadyTimeoutMs = 3 * JackRig::StartTimeoutMs;
constexpr int StopTimeoutMs = 5 * JackRig::StopTimeoutMs;
constexpr const char *RigFile = "rig.txt";
constexpr const char *SupervisorFile = "supervisor.pid";
constexpr const char *SupervisorLog = "supervisor.log";

// What a sanitizer writes when it finds a fault in the simulator.
const QStringList SanitizerMarks = {QStringLiteral("ERROR: AddressSanitizer"),
                                    QStringLiteral("ERROR: LeakSanitizer"),
                                    QStringLiteral("runtime error:")};

void say(const QString &text)
{
    std::fprintf(stderr, "jack_fixture: %s\n", text.toLocal8Bit().constData());
}

QString filePath(const QString &folder, const char *name)
{
    return QDir(folder).filePath(QLatin1String(name));
}

qint64 supervisorPid(const QString &folder)
{
    QFile file(filePath(folder, SupervisorFile));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

// The supervisor: starts the rig as its children, saves it for the tests,
// and stops it when asked (SIGTERM) or when `watched` is gone.
int serve(const QString &folder, const QString &simulator, qint64 watched)
{
    JackRig rig(folder, JackRig::Mode::Attached);
    QString error;
    if (!rig.startServer(&error)
        || !rig.startSimulator(simulator, {QStringLiteral("--interval"), QStringLiteral("20")},
                               &error)
        || !rig.save()) {
        say(error);
        return Failure;
    }
    QEventLoop loop;
    CloseOnSignal stopped([&] { loop.quit(); });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!JackRig::running(watched))
            loop.quit();
    });
    watch.start(WatchMs);
    loop.exec();
    // The tests read no rig any more; its processes go.
    QFile::remove(filePath(folder, RigFile));
    rig.stop();
    QFile::remove(filePath(folder, SupervisorFile));
    return Success;
}

int start(const QString &folder, const QString &simulator)
{
    QDir().mkpath(folder);
    QFile::remove(filePath(folder, RigFile));
    if (JackRig::jackdPath().isEmpty()) {
        say(QStringLiteral("jackd is not installed; the jack tests skip themselves"));
        return Success;
    }
    QProcess supervisor;
    supervisor.setProgram(QCoreApplication::applicationFilePath());
    supervisor.setArguments(
        {QStringLiteral("serve"), folder, simulator, QString::number(::getppid())});
    supervisor.setStandardInputFile(QProcess::nullDevice());
    supervisor.setStandardOutputFile(filePath(folder, SupervisorLog));
    supervisor.setStandardErrorFile(filePath(folder, SupervisorLog));
    qint64 pid = 0;
    if (!supervisor.startDetached(&pid)) {
        say(QStringLiteral("the supervisor did not start"));
        return Failure;
    }
    QFile pidFile(filePath(folder, SupervisorFile));
    if (!pidFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || pidFile.write(QByteArray::number(pid)) < 0 || !pidFile.flush())
        return Failure;
    const QDeadlineTimer deadline(ReadyTimeoutMs);
    JackRig rig(folder, JackRig::Mode::Detached);
    while (!rig.load()) {
        if (!JackRig::running(pid) || deadline.hasExpired()) {
            QFile log(filePath(folder, SupervisorLog));
            log.open(QIODevice::ReadOnly);
            say(QStringLiteral("the server and the simulator did not start:\n")
                + QString::fromLocal8Bit(log.readAll()));
            ::kill(pid_t(pid), SIGTERM);
            return Failure;
        }
        QThread::msleep(PollMs);
    }
    say(QStringLiteral("server %1 (pid %2), simulator pid %3, supervisor pid %4")
            .arg(rig.serverName())
            .arg(rig.serverPid())
            .arg(rig.simulatorPid())
            .arg(pid));
    return Success;
}

int stop(const QString &folder)
{
    const qint64 pid = supervisorPid(folder);
    if (pid > 0 && JackRig::running(pid)) {
        ::kill(pid_t(pid), SIGTERM);
        const QDeadlineTimer deadline(StopTimeoutMs);
        while (JackRig::running(pid) && !deadline.hasExpired())
            QThread::msleep(PollMs);
    }
    // A supervisor that did not stop them: by their PIDs.
    JackRig rig(folder, JackRig::Mode::Detached);
    if (rig.load())
        rig.stop();
    QFile::remove(filePath(folder, RigFile));
    QFile errors(rig.simulatorErrors());
    if (errors.open(QIODevice::ReadOnly)) {
        const QString text = QString::fromLocal8Bit(errors.readAll());
        for (const QString &mark : SanitizerMarks) {
            if (text.contains(mark)) {
                say(QStringLiteral("the simulator reported a fault:\n") + text);
                return Failure;
            }
        }
    }
    return Success;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 4 && arguments.at(1) == QLatin1String("start"))
        return start(arguments.at(2), arguments.at(3));
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("stop"))
        return stop(arguments.at(2));
    if (arguments.size() == 5 && arguments.at(1) == QLatin1String("serve"))
        return serve(arguments.at(2), arguments.at(3), arguments.at(4).toLongLong());
    say(QStringLiteral("usage: jack_fixture start FOLDER SIMULATOR | stop FOLDER"));
    return Usage;
}
