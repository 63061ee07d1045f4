#pragma once

#include <QByteArray>
#include <QtGlobal>

// The bytes of the MIDI wire protocol, and the length of the short message
// each status byte starts. Every layer spells status bytes with these.
namespace MidiBytes {

constexpr quint8 StatusBit = 0x80; // set in status bytes, clear in data bytes
constexpr quint8 DataMask = 0x7F;
constexpr quint8 KindMask = 0xF0;    // a channel message's kind
constexpr quint8 ChannelMask = 0x0F; // a channel message's channel, 0-based

// Channel messages (channel in the low nibble).
constexpr quint8 NoteOff = 0x80;
constexpr quint8 NoteOn = 0x90;
constexpr quint8 KeyPressure = 0xA0;
constexpr quint8 ControlChange = 0xB0;
constexpr quint8 ProgramChange = 0xC0;
constexpr quint8 ChannelPressure = 0xD0;
constexpr quint8 PitchBend = 0xE0;

// System common: everything from here on is no channel message.
constexpr quint8 FirstSystem = 0xF0;
constexpr quint8 SysExStart = 0xF0;
constexpr quint8 TimeCodeQuarterFrame = 0xF1;
constexpr quint8 SongPosition = 0xF2;
constexpr quint8 SongSelect = 0xF3;
constexpr quint8 UndefinedF4 = 0xF4;
constexpr quint8 UndefinedF5 = 0xF5;
constexpr quint8 TuneRequest = 0xF6;
constexpr quint8 SysExEnd = 0xF7;

// System real-time: one byte, allowed anywhere, also inside SysEx.
constexpr quint8 FirstRealTime = 0xF8;
constexpr quint8 TimingClock = 0xF8;
constexpr quint8 ActiveSensing = 0xFE;
constexpr quint8 SystemReset = 0xFF;

// A short message packed in a word: status in the lowest byte, then data 1, data 2.
constexpr int PackedByteBits = 8;
constexpr quint32 PackedByteMask = 0xFF;
constexpr int MaxShortLength = 3;

constexpr bool isStatus(quint8 byte)
{
    return byte & StatusBit;
}
constexpr bool isRealTime(quint8 byte)
{
    return byte >= FirstRealTime;
}
constexpr bool isChannelMessage(quint8 status)
{
    return isStatus(status) && status < FirstSystem;
}

// Bytes of the short message `status` starts, status included; 0 for a byte
// that starts none (a data byte, F0, F7). The undefined F4 and F5 count as
// one byte, as tune request does.
int shortMessageLength(quint8 status);

// The status byte of a packed short message.
constexpr quint8 statusOf(quint32 word)
{
    return quint8(word & PackedByteMask);
}
// The first `length` bytes of a packed word, status first.
QByteArray unpack(quint32 word, int length);
// The bytes of a packed short message, as long as its status says.
QByteArray unpack(quint32 word);
// Up to three bytes packed into a word.
quint32 pack(const QByteArray &bytes);

} // namespace MidiBytes
