#pragma once

#include <QtGlobal>

#include <functional>

struct MidiHeader;

// What a platform tells a port through the callback given at open.
struct MidiNotification
{
    enum Kind {
        Open,     // raised inside outOpen / inOpen, on the calling thread
        Close,    // raised inside outClose / inClose, on the calling thread
        Done,     // output: one long message has left (header set)
        Data,     // input: one short message arrived (message set)
        LongData, // input: one SysEx buffer came back (header set)
        Error,    // input: a malformed short message; ports ignore it
    };

    Kind kind = Open;
    quint32 message = 0;          // Data: status in the lowest byte, then data 1, data 2
    MidiHeader *header = nullptr; // Done, LongData
    qint64 timeMs = 0;            // Data, LongData: milliseconds since input started
    // Done: NoError when the message was handed whole to the transport,
    // else the platform's code for why it was not (the device went away,
    // the transport refused it, it was dropped at a reset).
    int result = 0;
};

// One callback per open device. It may be empty (no notifications wanted).
using MidiCallback = std::function<void(const MidiNotification &)>;
