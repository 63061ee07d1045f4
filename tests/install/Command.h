#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One outside program run to its end, with what it printed.
struct Command
{
    bool finished = false; // false: it could not start or ran past the time allowed
    int exitCode = -1;
    QString out;
    QString err;

    bool ok() const { return finished && exitCode == 0; }
    // For failure messages: the command's words and what it printed.
    QString report() const { return QStringLiteral("exit %1\n%2\n%3").arg(exitCode).arg(out, err); }

    static Command
    run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 120000, const QString &folder = QString())
    {
        Command result;
        QProcess process;
        process.setProcessEnvironment(environment);
        if (!folder.isEmpty())
            process.setWorkingDirectory(folder);
        process.start(program, arguments);
        if (!process.waitForStarted()) {
            result.err = program + QStringLiteral(": ") + process.errorString();
            return result;
        }
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            result.err = program + QStringLiteral(": did not end in time");
            return result;
        }
        result.finished = process.exitStatus() == QProcess::NormalExit;
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
};
