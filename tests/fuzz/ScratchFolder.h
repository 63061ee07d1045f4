#pragma once

#include "FuzzCheck.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

// A folder for the files a reader wants, made once per run and removed at
// its end; in memory where the system offers it, so that thousands of files
// a second cost no disk.
class ScratchFolder
{
public:
    ScratchFolder()
        : m_dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                    ? QStringLiteral("/dev/shm/ventaro-fuzz-XXXXXX")
                    : QDir::tempPath() + QStringLiteral("/ventaro-fuzz-XXXXXX"))
    {
    }

    // The Qt application and the folder of a harness that reads files, made
    // once from LLVMFuzzerInitialize.
    static ScratchFolder &forRun(char *programName)
    {
        static int argc = 1;
        static char *argv[] = {programName, nullptr};
        static QCoreApplication app(argc, argv);
        static ScratchFolder folder;
        FUZZ_CHECK(folder.isValid());
        return folder;
    }

    bool isValid() const { return m_dir.isValid(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString path() const { return m_dir.path(); }

    // Writes `bytes` as the whole file `name`; returns its path.
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
        return path;
    }

private:
    QTemporaryDir m_dir;
};
