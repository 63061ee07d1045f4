#pragma once

// The built `ventaro` program run as a user runs it from a shell: no
// display, private settings, the machine's MIDI over JACK. A target using
// it defines VENTARO_PROGRAM (the program's path).

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliRun
{
    static constexpr int FinishMs = 30000;

    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;

    // What the child sees: no display of any kind, settings under
    // `configHome`, the voice library and slot names beside it ("-data"), so
    // that a test can see the settings folder left alone, the JACK server
    // `server` (none: nothing to reach).
    static QProcessEnvironment environment(const QString &configHome, const QString &server)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env.insert(QStringLiteral("XDG_DATA_HOME"), configHome + QStringLiteral("-data"));
        env.remove(QStringLiteral("VENTARO_LIBRARY"));
        env.insert(QStringLiteral("VENTARO_SLOT_NAMES"), configHome + QStringLiteral("-data/slots"));
        env.insert(QStringLiteral("VENTARO_MIDI_API"), QStringLiteral("jack"));
        env.insert(QStringLiteral("JACK_NO_START_SERVER"), QStringLiteral("1"));
        env.insert(QStringLiteral("JACK_DEFAULT_SERVER"),
                   server.isEmpty() ? QStringLiteral("ventaro-cli-no-server") : server);
        return env;
    }

    static void start(QProcess &process, const QStringList &arguments,
                      const QProcessEnvironment &env)
    {
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VENTARO_PROGRAM), arguments);
    }

    // Waits for a started process and takes what it wrote.
    static CliRun finish(QProcess &process, int timeoutMs = FinishMs)
    {
        CliRun run;
        run.finished = process.waitForFinished(timeoutMs);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    static CliRun run(const QStringList &arguments, const QProcessEnvironment &env)
    {
        QProcess process;
        start(process, arguments, env);
        return finish(process);
    }

    // The lines of standard error that are the program's own (the usage
    // text follows a usage error).
    QStringList ownErrors() const
    {
        QStringList lines;
        for (const QString &line : err.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("ventaro: ")))
                lines << line;
        return lines;
    }

    QString report() const
    {
        return QStringLiteral("exit %1\nout:\n%2\nerr:\n%3").arg(exitCode).arg(out, err);
    }
};
