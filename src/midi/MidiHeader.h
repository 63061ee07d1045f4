#pragma once

#include <QtGlobal>

#include <vector>

// One SysEx buffer that crosses the platform boundary: an outgoing block
// handed to MidiPlatform::outLongMessage, or an input buffer handed to
// MidiPlatform::inAddBuffer and returned filled. The port that allocates it
// owns it (and its bytes) until the platform hands it back; the platform
// only reads or fills it while it is queued.
struct MidiHeader
{
    // Bits of flags, kept by the platform.
    enum Flag : quint32 {
        Done = 0x1,     // the platform has handed the buffer back
        Prepared = 0x2, // between prepare and unprepare
        InQueue = 0x4,  // owned by the platform right now
    };

    std::vector<quint8> data;  // the buffer; its size is the buffer length
    quint32 bytesRecorded = 0; // input: bytes the platform filled in
    quint32 offset = 0;        // input: spare position word, reset on re-queue
    quint32 flags = 0;
    qintptr user = 0; // the port's DeviceID when allocated

    quint32 bufferLength() const { return static_cast<quint32>(data.size()); }
};
