#pragma once

#include "VoiceCatalogue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The slot name files: one pair per device number ("custom.txt" and
// "internal.txt", prefixed by the number from 2 on), 8-bit text with one
// name per line. The folder is chosen once per run and used for both
// reading and writing.
class SlotNameStore
{
public:
    // Far above 64 names of any length an editor would give them (1 KiB a
    // line): a file larger than this is no list of names and is not read.
    static constexpr qint64 MaxFileBytes = 64 * 1024;

    explicit SlotNameStore(QString folder);

    // The program's own folder when it is writable and not an installed
    // program's (a portable copy, a build tree), else the per-user data
    // folder, which is created when missing. An installed program never
    // writes into its install prefix, whoever runs it.
    static QString chooseFolder(const QString &programFolder, const QString &userDataFolder);
    // The folder VENTARO_SLOT_NAMES names, else chooseFolder for the
    // program running now (the window's and the command line's, which
    // share the files).
    static QString programFolder();
    static constexpr const char *FolderVariable = "VENTARO_SLOT_NAMES";
    // Whether the program in this folder was installed (its menu entry
    // stands in the prefix's share folder).
    static bool isInstalled(const QString &programFolder);

    QString folder() const { return m_folder; }

    // File name for the Custom or Internal bank and a device number 1..16.
    static QString fileName(VoiceCatalogue::Bank bank, int deviceNumber);
    QString filePath(VoiceCatalogue::Bank bank, int deviceNumber) const;

    // The names of the file, or nothing when it is missing, larger than
    // MaxFileBytes or does not hold exactly as many lines as the bank has
    // slots. A file that exists but cannot be read raises VentaroError.
    std::optional<QStringList> load(VoiceCatalogue::Bank bank, int deviceNumber) const;

    // Replaces the file with the names, one per line, ended by CR LF. On
    // failure the previous file stays as it was and VentaroError is raised.
    void save(VoiceCatalogue::Bank bank, int deviceNumber, const QStringList &names) const;
    // Names the slots given (1-based) in the file of the bank and device
    // number ("N: name" rows); a file missing or unreadable as a list
    // starts from the factory's rows of `prom`. Raises VentaroError when the
    // file cannot be written.
    void rename(VoiceCatalogue::Bank bank, int deviceNumber,
                const QList<std::pair<int, QString>> &renamed, VoiceCatalogue::PromType prom) const;
    // Each name one byte per character, the byte it was read from (a
    // character no byte decodes to is written as "?"); CR, LF and zero bytes
    // are written as blanks so that a name never adds a line; every line
    // ends with CR LF.
    static QByteArray joinLines(const QStringList &names);

private:
    QString m_folder;
};
