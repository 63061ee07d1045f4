#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

// A data file a test reads whole. One that cannot be read ends the test run:
// no test means anything without it.
inline QByteArray readDataFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// The real instrument data the tests read (tests/data, see its README).
inline QByteArray readTestData(const char *name)
{
    return readDataFile(QStringLiteral(VENTARO_DATA_DIR "/") + QLatin1String(name));
}
