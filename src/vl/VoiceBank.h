#pragma once

#include "VoiceDump.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The voices of a bank file: any number of voice dumps of the three forms
// one after another, as owners of the instrument keep and share them (most
// often the 64 internal voices, 64 x 174 bytes).
//
// A file is split into SysEx messages and the messages are grouped into
// voices: an internal voice is one 174-byte block at address 40h; a custom
// voice is its 30h block followed by its 31h block (same memory number); a
// full voice is the fifteen blocks of the full voice dump in order. Each
// voice keeps its bytes exactly as in the file (real-time bytes that stood
// inside one of its messages taken out). Whatever is not part of a whole
// voice is skipped and counted, once per part: a message of another kind, a
// run of bytes outside any message, a real-time byte, a message cut short by
// a status byte or the end of the file, a custom voice without its second
// block, a full voice cut short. Device numbers do not matter: sending seals
// every block with the current one.
class VoiceBank
{
public:
    // Files above this size are no banks of this instrument (a thousand
    // voices of the largest form) and are refused without being read.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    struct Voice
    {
        VoiceDump::Form form = VoiceDump::Form::Internal;
        int slot = 0;     // the slot it came from, 1-based; 0 for a full voice
        QString name;     // the eight characters of the voice name, blanks kept
        QByteArray bytes; // as in the file
    };

    QList<Voice> voices;
    int skipped = 0;

    // The voices in `bytes`.
    static VoiceBank parse(QByteArrayView bytes);
    // The voices of a file; a file that cannot be read, or is larger than
    // MaxFileBytes, raises VentaroError with a text naming it.
    static VoiceBank read(const QString &fileName);
};
