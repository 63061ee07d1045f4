#pragma once

#include "VoiceDump.h"

#include <QByteArray>
#include <QString>

// Reading and writing ".syx" dump files: one voice as raw SysEx bytes, with
// nothing before or after it.
class DumpFile
{
public:
    static inline const QString Extension = QStringLiteral("syx");
    // One byte more than the longest voice: a longer file is read only far
    // enough to be refused as too long, so a huge file never fills memory.
    static constexpr qint64 ReadLimit = VoiceDump::FullLength + 1;
    // Replaces what Windows forbids in a file name (and so what no platform
    // the program runs on accepts everywhere).
    static constexpr QChar Replacement = u'_';
    static constexpr char16_t ForbiddenCharacters[] = u"<>:\"/\\|?*";

    // The first ReadLimit bytes of the file (all of it when shorter). Throws
    // VentaroError with the system's text and the file name when the file
    // cannot be opened or read (a folder, a file gone, no permission).
    static QByteArray read(const QString &fileName);

    // Writes `bytes` as the whole file, through a temporary file that
    // replaces the old one only when everything was written: a failed write
    // leaves any existing file as it was. Throws VentaroError with the
    // system's text and the file name.
    static void write(const QString &fileName, const QByteArray &bytes);

    // The file name offered for a voice: its name as stored (blanks kept)
    // and "." + `extension`, each character a file name cannot hold replaced
    // by Replacement, and a name that is a reserved device name on Windows
    // ("CON", "LPT1", ...) prefixed with it.
    static QString proposedName(const QString &voiceName, const QString &extension = Extension);
};
