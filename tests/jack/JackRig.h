#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

// A private JACK server with the dummy driver and the standalone simulator
// on it, started as processes of their own and stopped by their PIDs.
//
// Each server gets a name of its own, so runs side by side never meet.
// Clients reach it through JACK_DEFAULT_SERVER (useServer() sets it for
// this process) and never start a server themselves (JACK_NO_START_SERVER).
class JackRig
{
public:
    // The simulator's MIDI client name: its ports list as "<name> IN:MIDI"
    // and "<name> OUT:MIDI".
    static constexpr const char *SimulatorName = "VL70-m";
    static constexpr int StartTimeoutMs = 10000;
    static constexpr int StopTimeoutMs = 3000;

    // Where jackd is, empty when it is not installed.
    static QString jackdPath();
    // The process runs and is not a zombie waiting to be reaped.
    static bool running(qint64 pid);

    // Attached: the processes are this process's children, reaped as soon
    // as they end (a server killed by a signal leaves its slot in JACK's
    // registry while its zombie lives), and they end with it even when it is
    // killed (a test stopped partway): the kernel sends them SIGTERM when the
    // thread that started them ends, so start them from the main thread.
    // Detached: they outlive this process, for a rig that another process
    // stops.
    enum class Mode { Attached, Detached };

    // Work folder for the logs (created when missing).
    explicit JackRig(const QString &folder, Mode mode = Mode::Attached);
    ~JackRig();

    // Starts a server and waits until it answers. False with a reason.
    // The name is a fresh one unless given.
    bool startServer(QString *error, const QString &name = QString());
    // Uses a server another rig started: this rig starts only a simulator
    // on it, and stops only that.
    void joinServer(const QString &name)
    {
        m_serverName = name;
        m_joined = true;
    }
    // Starts the simulator program on the server and waits for its ready line
    // ("--name NAME" among the arguments names its ports).
    bool startSimulator(const QString &program, const QStringList &arguments, QString *error);
    // Points this process's JACK clients at the server.
    void useServer() const;
    // The three above in turn: a server (under `name`, else a fresh one), the
    // simulator on it, this process's clients pointed at it.
    bool start(const QString &simulator, const QStringList &arguments, QString *error,
               const QString &name = QString());

    // The sample rate and frames per cycle of the servers started.
    struct Period
    {
        int rate = 48000;
        int frames = 256;
    };
    // A server a second a cycle: one too busy to run its cycles in time.
    static constexpr Period SlowPeriod{8000, 8192};
    void setPeriod(Period period) { m_period = period; }

    // Sends a signal to the server alone (SIGKILL: it dies without a word).
    void signalServer(int signal);
    // Stops the simulator, then the server, each by its PID; removes what
    // the server left in /dev/shm. A server killed by a signal keeps its
    // slot in JACK's registry of servers (eight in all) until a server of
    // the same name starts: one is started and stopped to free it.
    void stop();

    QString serverName() const { return m_serverName; }
    qint64 serverPid() const { return m_serverPid; }
    qint64 simulatorPid() const { return m_simulatorPid; }
    QString simulatorLog() const;
    QString simulatorErrors() const;
    // The simulator's log so far.
    QStringList simulatorLines() const;

    // Writes what stop() needs into the folder, and reads it back, so that
    // one process can start the rig and another stop it (a loaded rig is
    // detached: its destruction stops nothing).
    bool save() const;
    bool load();

private:
    QString path(const QString &file) const;
    bool launch(QProcess &process, std::unique_ptr<QProcess> &child, qint64 *pid);
    void end(qint64 *pid, std::unique_ptr<QProcess> &child);

    QString m_folder;
    Mode m_mode;
    std::unique_ptr<QProcess> m_serverChild;
    std::unique_ptr<QProcess> m_simulatorChild;
    QString m_serverName;
    qint64 m_serverPid = 0;
    qint64 m_simulatorPid = 0;
    Period m_period;
    bool m_killed = false;
    bool m_joined = false;
    QString m_outputFile; // of the process being launched
    QString m_errorFile;
};
