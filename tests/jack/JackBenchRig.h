#pragma once

// A benchmark target using it defines VENTARO_SIMULATOR (the simulator
// program's path).

#include "JackRig.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

// The private JACK server a benchmark measures on, with the standalone
// simulator, its logs in a temporary folder that goes with it.
struct JackBenchRig
{
    QTemporaryDir folder;
    JackRig rig{folder.path()};

    // Starts the server and the simulator (with `arguments`) and points this
    // process's clients at them. Where it cannot, prints why after `prefix`
    // (a figures table's first column) and returns false.
    bool start(const QStringList &arguments, const QString &prefix = QString())
    {
        QString why = QStringLiteral("jackd is not installed: not measured");
        if (!JackRig::jackdPath().isEmpty()) {
            QString error;
            if (rig.start(QStringLiteral(VENTARO_SIMULATOR), arguments, &error))
                return true;
            why = QStringLiteral("cannot start the JACK server or the simulator: ") + error;
        }
        std::printf("%s\n", qPrintable(prefix + why));
        return false;
    }
    // What the benchmark exits with when start() failed: nothing measured
    // where jackd is missing is no fault.
    static int exitStatus() { return JackRig::jackdPath().isEmpty() ? 0 : 1; }
};
