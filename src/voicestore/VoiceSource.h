#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Where and how the library met a voice: in a file (path and the voice's
// number in it), received from the instrument's panel, fetched from a slot,
// backed up, sent to a slot, or held by a slot just before it was written
// over (kept so that the write can be undone).
class VoiceSource
{
public:
    enum class Kind { File, Panel, Fetched, Backup, Sent, Held };

    Kind kind = Kind::File;
    QString file;     // File: the file's path, absolute
    int position = 0; // File: the voice's number in the file, from 1; 0 otherwise
    int device = -1;  // device number as in the bytes, 0..15; -1: the one the voice carries
    int slot = 0;     // the slot of the voice's form, from 1; 0 for none (current voice)
    QDateTime when;   // filled by the store when recorded

    // "file", "panel", "fetched", "backup", "sent", "held": the words the library
    // file and the command line use.
    static QString kindText(Kind kind);
    static std::optional<Kind> kindFromText(const QString &text);
};
