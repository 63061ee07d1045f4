#include "MidiBytes.h"

namespace MidiBytes {

namespace {

// Data bytes after a status byte, by range of status bytes.
struct DataCountRange
{
    quint8 first;
    quint8 last;
    int dataBytes;
};

constexpr DataCountRange DataCounts[] = {
    {NoteOff, quint8(ControlChange | ChannelMask), 2},
    {ProgramChange, quint8(ChannelPressure | ChannelMask), 1},
    {PitchBend, quint8(PitchBend | ChannelMask), 2},
    {TimeCodeQuarterFrame, TimeCodeQuarterFrame, 1},
    {SongPosition, SongPosition, 2},
    {SongSelect, SongSelect, 1},
    {UndefinedF4, TuneRequest, 0},
    {FirstRealTime, SystemReset, 0},
};

} // namespace

int shortMessageLength(quint8 status)
{
    for (const DataCountRange &range : DataCounts) {
        if (status >= range.first && status <= range.last)
            return 1 + range.dataBytes;
    }
    return 0;
}

QByteArray unpack(quint32 word, int length)
{
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes.append(char((word >> (PackedByteBits * i)) & PackedByteMask));
    return bytes;
}

QByteArray unpack(quint32 word)
{
    return unpack(word, shortMessageLength(statusOf(word)));
}

quint32 pack(const QByteArray &bytes)
{
    quint32 word = 0;
    for (int i = 0; i < bytes.size() && i < MaxShortLength; ++i)
        word |= quint32(quint8(bytes[i])) << (PackedByteBits * i);
    return word;
}

} // namespace MidiBytes
