#pragma once

#include "VoiceBank.h"

#include <QList>

struct CommandContext;

// What a command learnt of the instrument's slots (voices written, read
// back or backed up), put into the slot name files the window's patch list
// shows, per device number, in the window's folder. A file that cannot be
// written is said on standard error; the command's work stands.
class CommandSlotNames
{
public:
    // Each Custom or Internal voice names its slot; other voices are passed over.
    static void rename(CommandContext &context, int deviceNumber,
                       const QList<VoiceBank::Voice> &voices);
};
