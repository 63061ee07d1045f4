#include "JackRig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <atomic>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int PollMs = 50;
constexpr const char *ShmFolder = "/dev/shm";
constexpr const char *RigFile = "rig.txt";
constexpr const char *ReadyPrefix = "ready:";
const QStringList JackdArguments = {QStringLiteral("--no-realtime"),
                                    QStringLiteral("--sync"),
                                    QStringLiteral("-d"),
                                    QStringLiteral("dummy")};

std::atomic<int> serversStarted{0};

} // namespace

bool JackRig::running(qint64 pid)
{
    if (pid <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.size() > close + 2 && line.at(close + 2) != 'Z';
}

namespace {

bool waitGone(qint64 pid, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += PollMs) {
        if (!JackRig::running(pid))
            return true;
        QThread::msleep(PollMs);
    }
    return !JackRig::running(pid);
}

QProcessEnvironment clientEnvironment(const QString &server)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("JACK_DEFAULT_SERVER"), server);
    environment.insert(QStringLiteral("JACK_NO_START_SERVER"), QStringLiteral("1"));
    return environment;
}

} // namespace

QString JackRig::jackdPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("jackd"));
}

JackRig::JackRig(const QString &folder, Mode mode) : m_folder(folder), m_mode(mode)
{
    QDir().mkpath(m_folder);
}

JackRig::~JackRig()
{
    // Children are never left behind; detached processes are meant to be.
    if (m_mode == Mode::Attached)
        stop();
}

bool JackRig::launch(QProcess &process, std::unique_ptr<QProcess> &child, qint64 *pid)
{
    if (m_mode == Mode::Detached)
        return process.startDetached(pid);
    child = std::make_unique<QProcess>();
    child->setProgram(process.program());
    child->setArguments(process.arguments());
    child->setProcessEnvironment(process.processEnvironment());
    child->setStandardInputFile(QProcess::nullDevice());
    child->setStandardOutputFile(m_outputFile);
    child->setStandardErrorFile(m_errorFile, QIODevice::Append);
    // Ends with this process, however that ends.
    child->setChildProcessModifier([parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(EXIT_FAILURE); // this process ended before the line above
    });
    child->start();
    if (!child->waitForStarted())
        return false;
    *pid = child->processId();
    return true;
}

void JackRig::end(qint64 *pid, std::unique_ptr<QProcess> &child)
{
    const bool server = pid == &m_serverPid;
    if (child) {
        if (child->state() != QProcess::NotRunning) {
            child->terminate();
            if (!child->waitForFinished(StopTimeoutMs)) {
                child->kill();
                child->waitForFinished(StopTimeoutMs);
                m_killed = m_killed || server;
            }
        }
        child.reset();
    } else if (running(*pid)) {
        ::kill(pid_t(*pid), SIGTERM);
        if (!waitGone(*pid, StopTimeoutMs)) {
            ::kill(pid_t(*pid), SIGKILL);
            m_killed = m_killed || server;
            waitGone(*pid, StopTimeoutMs);
        }
    }
    *pid = 0;
}

QString JackRig::path(const QString &file) const
{
    return QDir(m_folder).filePath(file);
}

bool JackRig::startServer(QString *error, const QString &name)
{
    const QString jackd = jackdPath();
    if (jackd.isEmpty()) {
        *error = QStringLiteral("jackd is not installed");
        return false;
    }
    m_killed = false;
    m_serverName = !name.isEmpty() ? name
                                   : QStringLiteral("ventaro-%1-%2-%3")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(QDateTime::currentMSecsSinceEpoch() % 100000000)
                                         .arg(serversStarted.fetch_add(1));

    QProcess server;
    server.setProgram(jackd);
    server.setArguments(QStringList{QStringLiteral("-n"), m_serverName} + JackdArguments
                        + QStringList{QStringLiteral("-r"), QString::number(m_period.rate),
                                      QStringLiteral("-p"), QString::number(m_period.frames)});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // No D-Bus device reservation: there is no session bus in CI.
    environment.insert(QStringLiteral("JACK_NO_AUDIO_RESERVATION"), QStringLiteral("1"));
    server.setProcessEnvironment(environment);
    m_outputFile = m_errorFile = path(QStringLiteral("jackd-%1.log").arg(m_serverName));
    server.setStandardInputFile(QProcess::nullDevice());
    server.setStandardOutputFile(m_outputFile);
    server.setStandardErrorFile(m_errorFile, QIODevice::Append);
    if (!launch(server, m_serverChild, &m_serverPid)) {
        *error = QStringLiteral("jackd did not start: ") + server.errorString();
        return false;
    }

    // jack_lsp exits 0 once the server answers.
    const QString lsp = QStandardPaths::findExecutable(QStringLiteral("jack_lsp"));
    for (int waited = 0; waited < StartTimeoutMs; waited += PollMs) {
        if (!running(m_serverPid))
            break;
        QProcess probe;
        probe.setProcessEnvironment(clientEnvironment(m_serverName));
        probe.setStandardOutputFile(QProcess::nullDevice());
        probe.setStandardErrorFile(QProcess::nullDevice());
        probe.start(lsp, {});
        if (probe.waitForFinished(StartTimeoutMs) && probe.exitStatus() == QProcess::NormalExit
            && probe.exitCode() == 0)
            return true;
        QThread::msleep(PollMs);
    }
    QFile log(path(QStringLiteral("jackd-%1.log").arg(m_serverName)));
    log.open(QIODevice::ReadOnly);
    *error = QStringLiteral("jackd did not answer: ") + QString::fromLocal8Bit(log.readAll());
    stop();
    return false;
}

bool JackRig::startSimulator(const QString &program, const QStringList &arguments, QString *error)
{
    QFile::remove(simulatorLog());
    QProcess simulator;
    simulator.setProgram(program);
    // The arguments come last, so that a --name among them wins.
    simulator.setArguments(QStringList{QStringLiteral("--api"), QStringLiteral("jack"),
                                       QStringLiteral("--name"), QLatin1String(SimulatorName)}
                           + arguments);
    simulator.setProcessEnvironment(clientEnvironment(m_serverName));
    m_outputFile = simulatorLog();
    m_errorFile = simulatorErrors();
    simulator.setStandardInputFile(QProcess::nullDevice());
    simulator.setStandardOutputFile(m_outputFile);
    simulator.setStandardErrorFile(m_errorFile);
    if (!launch(simulator, m_simulatorChild, &m_simulatorPid)) {
        *error = QStringLiteral("the simulator did not start: ") + simulator.errorString();
        return false;
    }
    for (int waited = 0; waited < StartTimeoutMs; waited += PollMs) {
        const QStringList lines = simulatorLines();
        if (!lines.isEmpty() && lines.first().startsWith(QLatin1String(ReadyPrefix)))
            return true;
        if (!running(m_simulatorPid))
            break;
        QThread::msleep(PollMs);
    }
    *error = QStringLiteral("the simulator is not ready: ") + simulatorLines().join(u'\n');
    return false;
}

void JackRig::useServer() const
{
    qputenv("JACK_DEFAULT_SERVER", m_serverName.toUtf8());
    qputenv("JACK_NO_START_SERVER", "1");
}

bool JackRig::start(const QString &simulator, const QStringList &arguments, QString *error,
                    const QString &name)
{
    if (!startServer(error, name) || !startSimulator(simulator, arguments, error))
        return false;
    useServer();
    return true;
}

void JackRig::signalServer(int signal)
{
    if (running(m_serverPid)) {
        ::kill(pid_t(m_serverPid), signal);
        m_killed = m_killed || signal == SIGKILL;
        if (signal == SIGKILL && m_serverChild)
            m_serverChild->waitForFinished(StopTimeoutMs); // reaped at once
    }
}

void JackRig::stop()
{
    end(&m_simulatorPid, m_simulatorChild);
    // A server of another rig is that rig's to stop and clean.
    if (m_joined)
        return;
    end(&m_serverPid, m_serverChild);
    if (m_serverName.isEmpty())
        return;
    if (m_killed) {
        // A server of the same name takes over the slot the killed one held.
        QString ignored;
        if (startServer(&ignored, m_serverName))
            end(&m_serverPid, m_serverChild);
        m_killed = false;
    }
    // A server that was killed leaves its semaphores and segments behind.
    const QString mark = QLatin1Char('_') + m_serverName + QLatin1Char('_');
    QDir shm(QString::fromLatin1(ShmFolder));
    for (const QString &entry : shm.entryList(QDir::Files | QDir::System))
        if (entry.contains(mark))
            shm.remove(entry);
}

QString JackRig::simulatorLog() const
{
    return path(QStringLiteral("simulator.log"));
}

QString JackRig::simulatorErrors() const
{
    return path(QStringLiteral("simulator.err"));
}

QStringList JackRig::simulatorLines() const
{
    QFile log(simulatorLog());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(log.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool JackRig::save() const
{
    QFile file(path(QString::fromLatin1(RigFile)));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QStringLiteral("%1\n%2\n%3\n")
                   .arg(m_serverName)
                   .arg(m_serverPid)
                   .arg(m_simulatorPid)
                   .toUtf8());
    return file.flush();
}

bool JackRig::load()
{
    QFile file(path(QString::fromLatin1(RigFile)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (lines.size() < 3 || lines.at(0).isEmpty())
        return false;
    // A rig started by another process is that process's to stop.
    m_mode = Mode::Detached;
    m_serverName = lines.at(0);
    m_serverPid = lines.at(1).toLongLong();
    m_simulatorPid = lines.at(2).toLongLong();
    return true;
}
