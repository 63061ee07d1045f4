#pragma once

#include <QtGlobal>

#include <cstddef>
#include <functional>
#include <vector>

// Turns what RtMidi hands to an input callback into whole messages.
//
// RtMidi joins the events of one SysEx message until it sees F7, taking in
// whatever arrives in between: real-time bytes, a channel message that cut
// the SysEx short, or the tail of a message whose header was never seen.
// This parser hands out only
//  - short messages (one status byte and its data bytes, packed status in the
//    lowest byte, data 1 in the next, data 2 in the third), real-time bytes
//    included wherever they stood;
//  - SysEx blocks that start with F0 and end with F7, real-time bytes taken
//    out; a block longer than the block limit is handed out in pieces of the
//    limit, the first carrying the header.
// A SysEx cut short by another status byte, and data bytes without a status
// (a fragment whose header was never seen), are dropped.
class RtMidiInputParser
{
public:
    using ShortHandler = std::function<void(quint32 message)>;
    using SysexHandler = std::function<void(const std::vector<unsigned char> &block)>;

    explicit RtMidiInputParser(std::size_t blockLimit = 65536);

    // Takes one message as RtMidi delivered it. A SysEx without its F7 is
    // kept until a later message completes it.
    void feed(const unsigned char *bytes, std::size_t count,
              const ShortHandler &onShort, const SysexHandler &onSysex);

    // Forgets a SysEx or short message in progress.
    void reset();

    // Bytes of the short message that starts with `status`, status included;
    // 0 for a byte that starts none (a data byte, F0, F7).
    static int shortMessageLength(unsigned char status);

private:
    void dropPending();

    std::size_t m_blockLimit;
    bool m_inSysex = false;
    std::vector<unsigned char> m_sysex;
    unsigned char m_status = 0;        // short message in progress, 0 = none
    int m_dataWanted = 0;
    int m_dataHave = 0;
    unsigned char m_data[2] = {0, 0};
};
