#pragma once

#include "VoiceDump.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>
#include <optional>

// The messages that ask the instrument instead of its user: who is there
// (the universal identity request) and which dump block to send (the bulk
// dump request), as the instrument's MIDI data format describes them, with
// the readers of their answers.
class InstrumentRequests
{
public:
    using Address = std::array<quint8, 3>;

    // Universal non-real-time identity request, to every device:
    // F0 7E 7F 06 01 F7.
    static constexpr quint8 UniversalNonRealTime = 0x7E;
    static constexpr quint8 AllDevices = 0x7F;
    static constexpr quint8 GeneralInformation = 0x06;
    static constexpr quint8 IdentityRequestId = 0x01;
    static constexpr quint8 IdentityReplyId = 0x02;
    static constexpr int IdentityRequestLength = 6;
    // Reply: F0 7E 0n 06 02 43 00 41 0C 02 v v v v F7 (n the device number,
    // any four version bytes).
    static constexpr std::array<quint8, 4> FamilyAndMember{0x00, 0x41, 0x0C, 0x02};
    static constexpr int IdentityReplyLength = 15;
    static constexpr int IdentityDeviceOffset = 2;
    static constexpr int IdentityManufacturerOffset = 5;
    static constexpr int IdentityFamilyOffset = 6;
    static constexpr int IdentityFamilyLength = 4;
    static constexpr int IdentityVersionLength = 4;

    // Bulk dump request: F0 43 2n 57 ah am al F7.
    static constexpr quint8 DumpRequestGroup = 0x20;
    static constexpr int DumpRequestLength = 8;
    static constexpr int RequestAddressOffset = 4;

    static QByteArray identityRequest();
    static bool isIdentityRequest(QByteArrayView message, int deviceNumber);
    // The reply an instrument with `deviceNumber` (0..15) sends.
    static QByteArray identityReply(int deviceNumber, const std::array<quint8, 4> &version);
    // The device number (0..15) of an identity reply of this instrument.
    static std::optional<int> readIdentityReply(QByteArrayView message);

    static QByteArray dumpRequest(int deviceNumber, const Address &address);
    struct DumpRequestOf
    {
        int deviceNumber;
        Address address;
    };
    static std::optional<DumpRequestOf> readDumpRequest(QByteArrayView message);

    // A voice asked for block by block: the address and length of each block
    // of the current voice (the fifteen of the full dump), of Custom slot
    // 1..6 (its 30h and 31h blocks) or Internal slot 1..64 (its 40h block),
    // in the order of the dump; empty for a slot that does not exist.
    struct BlockOf
    {
        Address address;
        int length;
    };
    static QList<BlockOf> voiceBlocks(VoiceDump::Form form, int slot);
    // Whether `message` is the dump block asked for: its address and length,
    // of this instrument, for `deviceNumber`.
    static bool isAnswer(QByteArrayView message, const BlockOf &block, int deviceNumber);
};
