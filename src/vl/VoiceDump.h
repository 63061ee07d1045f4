#pragma once

#include "MidiBytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

// The VL70-m bulk-dump format: block layout, checksum, sealing, the three
// voice forms and the acceptance rule.
//
// A voice is held as a QByteArray holding one of the three forms laid end to
// end as SysEx blocks: the full voice dump (1808 bytes, 15 blocks), the
// custom voice dump (1572 bytes, 2 blocks) and the internal voice dump
// (174 bytes, 1 block). Every function checks the length of what it is given
// before it indexes, and refuses (false, empty result) rather than read or
// write past the end.
//
// Block layout, offsets from the block's first byte:
//   0 F0h, 1 43h, 2 device number (00h..0Fh), 3 57h,
//   4..5 byte count (high seven bits, low seven bits), 6..8 address,
//   9.. data (count bytes), then the checksum, then F7h.
class VoiceDump
{
public:
    // The three voice forms; the values are the device manager's SourceKind.
    enum class Form : quint8 { Internal = 0, Custom = 1, Full = 2 };

    // Protocol bytes.
    static constexpr quint8 SysExStart = MidiBytes::SysExStart;
    static constexpr quint8 ManufacturerId = 0x43;
    static constexpr quint8 ModelId = 0x57;
    static constexpr quint8 SysExEnd = MidiBytes::SysExEnd;
    static constexpr quint8 DeviceMask = 0x0F;

    // Offsets within a block.
    static constexpr int StartOffset = 0;
    static constexpr int ManufacturerOffset = 1;
    static constexpr int DeviceOffset = 2;
    static constexpr int ModelOffset = 3;
    static constexpr int CountHighOffset = 4;
    static constexpr int CountLowOffset = 5;
    static constexpr int AddressHighOffset = 6;
    static constexpr int AddressMidOffset = 7;
    static constexpr int AddressLowOffset = 8;
    static constexpr int DataOffset = 9;
    // Header (F0h .. address low), checksum and F7h around the data.
    static constexpr int HeaderLength = 9;
    static constexpr int BlockOverhead = 11;
    // The four bytes written ahead of a block when it is sealed.
    static constexpr int SysExHeaderLength = 4;

    // Lengths of the three forms.
    static constexpr int InternalLength = 174;
    static constexpr int CustomLength = 1572;
    static constexpr int FullLength = 1808;

    // Full voice dump: one entry per block, in dump order.
    struct Block
    {
        int start;                     // dump offset of the block's F0h
        int count;                     // number of data bytes
        std::array<quint8, 3> address; // address high, mid, low

        constexpr int sealStart() const { return start + CountHighOffset; }
        constexpr int sealEnd() const { return start + HeaderLength + count - 1; }
        constexpr int length() const { return count + BlockOverhead; }
    };
    static constexpr int FullBlockCount = 15;
    static constexpr std::array<Block, FullBlockCount> FullBlocks{{
        {0, 41, {0x08, 0x00, 0x00}},
        {52, 63, {0x08, 0x00, 0x30}},
        {126, 4, {0x08, 0x00, 0x70}},
        {141, 23, {0x09, 0x00, 0x00}},
        {175, 6, {0x09, 0x00, 0x17}},
        {192, 14, {0x02, 0x01, 0x00}},
        {217, 6, {0x02, 0x01, 0x10}},
        {234, 15, {0x02, 0x01, 0x20}},
        {260, 6, {0x02, 0x01, 0x30}},
        {277, 33, {0x02, 0x01, 0x40}},
        {321, 6, {0x02, 0x01, 0x70}},
        {338, 18, {0x03, 0x00, 0x00}},
        {367, 6, {0x03, 0x00, 0x20}},
        {384, 15, {0x10, 0x00, 0x00}},
        {410, 1387, {0x20, 0x00, 0x00}},
    }};

    // Single bytes of the full voice dump that the program reads or writes.
    static constexpr int ProgramNumberOffset = 12;
    static constexpr int VoiceNameOffset = 393;
    static constexpr int VoiceNameLength = 8;

    // Custom voice dump: block A (0..173) and block B (174..1571).
    static constexpr int CustomSlotCount = 6;
    static constexpr int CustomBlockAStart = 0;
    static constexpr int CustomBlockBStart = 174;
    static constexpr int CustomBlockACount = 163;
    static constexpr int CustomBlockBCount = 1387;
    static constexpr quint8 CustomBlockAAddressHigh = 0x30;
    static constexpr quint8 CustomBlockBAddressHigh = 0x31;
    // Memory number (slot - 1) at address low of each block.
    static constexpr int CustomMemoryOffsetA = CustomBlockAStart + AddressLowOffset;    // 8
    static constexpr int CustomMemoryOffsetB = CustomBlockBStart + AddressLowOffset;    // 182
    static constexpr int CustomDataAStart = CustomBlockAStart + DataOffset;             // 9
    static constexpr int CustomDataBStart = CustomBlockBStart + DataOffset;             // 183
    static constexpr int CustomVoiceDataLength = CustomBlockACount + CustomBlockBCount; // 1550

    // Internal voice dump: one block.
    static constexpr int InternalSlotCount = 64;
    static constexpr int InternalCount = 163;
    static constexpr quint8 InternalAddressHigh = 0x40;
    static constexpr int InternalMemoryOffset = AddressLowOffset; // 8
    static constexpr int InternalDataStart = DataOffset;          // 9

    // Checksum of the given bytes (byte count, address and data of a block):
    // 128 - (sum mod 128), or 0 when the sum is a multiple of 128.
    static quint8 checksum(QByteArrayView bytes);

    // Seals the block whose byte-count high byte is at `start` and whose last
    // data byte is at `end`: writes F0h 43h device 57h at start-4..start-1,
    // the checksum of start..end at end+1 and F7h at end+2. Byte count,
    // address and data are left as they stand. Only the low nibble of
    // `deviceId` is written. Returns false and changes nothing when the
    // range does not fit in `buffer`.
    static bool SealBlock(QByteArray &buffer, int start, int end, quint8 deviceId);

    // Seals all fifteen blocks of a full voice dump in place, re-addressing it
    // for `deviceId`. Returns false and changes nothing unless `dump` holds
    // exactly 1808 bytes.
    static bool SealDump(QByteArray &dump, quint8 deviceId);

    // The acceptance rule, checked in this order: length 174, 1572 or 1808;
    // first byte F0h; fourth byte 57h. Nothing else is checked.
    static bool IsVoiceStream(QByteArrayView bytes);

    // The form of an accepted run (decided by its length alone), or nothing
    // when the run is not a voice.
    static std::optional<Form> formOf(QByteArrayView bytes);

    // Builds a sealed custom voice dump for slot 1..6 from block A's 163 and
    // block B's 1387 data bytes. A slot outside 1..6 is taken as slot 1.
    // Returns an empty array when the data have the wrong lengths.
    static QByteArray buildCustomDump(int slot, QByteArrayView dataA, QByteArrayView dataB,
                                      quint8 deviceId);

    // Builds a sealed internal voice dump for slot 1..64 from its 163 data
    // bytes. A slot outside 1..64 is taken as slot 1. Returns an empty array
    // when the data have the wrong length.
    static QByteArray buildInternalDump(int slot, QByteArrayView data, quint8 deviceId);

    // A sealed full voice dump with every block's byte count and address in
    // place and all data bytes zero.
    static QByteArray emptyFullDump(quint8 deviceId);

    // Text of voice-name bytes, read as the Windows-1252 code page; every byte
    // gives one character, none is dropped.
    static QString textFromBytes(QByteArrayView bytes);
    // The lines of a text file in that code page, as text editors count
    // them: CR LF, CR or LF ends a line; a final break starts no further
    // line, an empty last line counts.
    static QStringList linesFromBytes(QByteArrayView bytes);
};
