#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

// The real instrument data the tests read (tests/data, see its README).
// A file that cannot be read ends the test run: no test means anything
// without it.
inline QByteArray readTestData(const char *name)
{
    QFile file(QStringLiteral(VENTARO_DATA_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", name);
    return file.readAll();
}
