// Starts and stops the JACK server and the simulator that the jack tests
// share: "jack_fixture start FOLDER SIMULATOR" and "jack_fixture stop FOLDER".
// Without jackd, start does nothing and the tests skip themselves.

#include "JackRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

// What a sanitizer writes when it finds a fault in the simulator.
const QStringList SanitizerMarks = {QStringLiteral("ERROR: AddressSanitizer"),
                                    QStringLiteral("ERROR: LeakSanitizer"),
                                    QStringLiteral("runtime error:")};

void say(const QString &text)
{
    std::fprintf(stderr, "jack_fixture: %s\n", text.toLocal8Bit().constData());
}

int start(const QString &folder, const QString &simulator)
{
    QFile::remove(QDir(folder).filePath(QStringLiteral("rig.txt")));
    if (JackRig::jackdPath().isEmpty()) {
        say(QStringLiteral("jackd is not installed; the jack tests skip themselves"));
        return Success;
    }
    JackRig rig(folder, JackRig::Mode::Detached);
    QString error;
    if (!rig.startServer(&error)) {
        say(error);
        return Failure;
    }
    if (!rig.startSimulator(simulator, {QStringLiteral("--interval"), QStringLiteral("20")}, &error)
        || !rig.save()) {
        say(error);
        rig.stop();
        return Failure;
    }
    say(QStringLiteral("server %1 (pid %2), simulator pid %3")
            .arg(rig.serverName())
            .arg(rig.serverPid())
            .arg(rig.simulatorPid()));
    return Success;
}

int stop(const QString &folder)
{
    JackRig rig(folder, JackRig::Mode::Detached);
    if (!rig.load())
        return Success; // nothing was started
    rig.stop();
    QFile::remove(QDir(folder).filePath(QStringLiteral("rig.txt")));
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
    say(QStringLiteral("usage: jack_fixture start FOLDER SIMULATOR | stop FOLDER"));
    return Usage;
}
