#include "InstrumentRequests.h"

#include "MidiBytes.h"

namespace {

constexpr quint8 SevenBits = MidiBytes::DataMask;

quint8 at(QByteArrayView message, int offset)
{
    return quint8(message[offset]);
}

} // namespace

QByteArray InstrumentRequests::identityRequest()
{
    const quint8 bytes[IdentityRequestLength] = {
        VoiceDump::SysExStart, UniversalNonRealTime, AllDevices,
        GeneralInformation,    IdentityRequestId,    VoiceDump::SysExEnd};
    return QByteArray(reinterpret_cast<const char *>(bytes), IdentityRequestLength);
}

bool InstrumentRequests::isIdentityRequest(QByteArrayView message, int deviceNumber)
{
    return message.size() == IdentityRequestLength && at(message, 0) == VoiceDump::SysExStart
           && at(message, 1) == UniversalNonRealTime
           && (at(message, 2) == AllDevices || at(message, 2) == deviceNumber)
           && at(message, 3) == GeneralInformation && at(message, 4) == IdentityRequestId
           && at(message, 5) == VoiceDump::SysExEnd;
}

QByteArray InstrumentRequests::identityReply(int deviceNumber, const std::array<quint8, 4> &version)
{
    QByteArray reply;
    reply.reserve(IdentityReplyLength);
    for (const quint8 byte :
         {VoiceDump::SysExStart, UniversalNonRealTime, quint8(deviceNumber & VoiceDump::DeviceMask),
          GeneralInformation, IdentityReplyId, VoiceDump::ManufacturerId})
        reply.append(char(byte));
    for (int i = 0; i < IdentityFamilyLength; ++i)
        reply.append(char(FamilyAndMember[std::size_t(i)]));
    for (const quint8 byte : version)
        reply.append(char(byte & SevenBits));
    reply.append(char(VoiceDump::SysExEnd));
    return reply;
}

std::optional<int> InstrumentRequests::readIdentityReply(QByteArrayView message)
{
    if (message.size() != IdentityReplyLength || at(message, 0) != VoiceDump::SysExStart
        || at(message, 1) != UniversalNonRealTime
        || (at(message, IdentityDeviceOffset) & ~VoiceDump::DeviceMask) != 0
        || at(message, 3) != GeneralInformation || at(message, 4) != IdentityReplyId
        || at(message, IdentityManufacturerOffset) != VoiceDump::ManufacturerId
        || at(message, IdentityReplyLength - 1) != VoiceDump::SysExEnd)
        return std::nullopt;
    for (int i = 0; i < IdentityFamilyLength; ++i)
        if (at(message, IdentityFamilyOffset + i) != FamilyAndMember[std::size_t(i)])
            return std::nullopt;
    return at(message, IdentityDeviceOffset);
}

QByteArray InstrumentRequests::dumpRequest(int deviceNumber, const Address &address)
{
    const quint8 bytes[DumpRequestLength] = {
        VoiceDump::SysExStart,
        VoiceDump::ManufacturerId,
        quint8(DumpRequestGroup | (deviceNumber & VoiceDump::DeviceMask)),
        VoiceDump::ModelId,
        quint8(address[0] & SevenBits),
        quint8(address[1] & SevenBits),
        quint8(address[2] & SevenBits),
        VoiceDump::SysExEnd,
    };
    return QByteArray(reinterpret_cast<const char *>(bytes), DumpRequestLength);
}

std::optional<InstrumentRequests::DumpRequestOf>
InstrumentRequests::readDumpRequest(QByteArrayView message)
{
    if (message.size() != DumpRequestLength || at(message, 0) != VoiceDump::SysExStart
        || at(message, VoiceDump::ManufacturerOffset) != VoiceDump::ManufacturerId
        || (at(message, VoiceDump::DeviceOffset) & ~VoiceDump::DeviceMask) != DumpRequestGroup
        || at(message, VoiceDump::ModelOffset) != VoiceDump::ModelId
        || at(message, DumpRequestLength - 1) != VoiceDump::SysExEnd)
        return std::nullopt;
    DumpRequestOf request{at(message, VoiceDump::DeviceOffset) & VoiceDump::DeviceMask, {}};
    for (int i = 0; i < 3; ++i) {
        if (at(message, RequestAddressOffset + i) & ~SevenBits)
            return std::nullopt;
        request.address[std::size_t(i)] = at(message, RequestAddressOffset + i);
    }
    return request;
}

QList<InstrumentRequests::BlockOf> InstrumentRequests::voiceBlocks(VoiceDump::Form form, int slot)
{
    QList<BlockOf> blocks;
    const quint8 memory = quint8(slot - 1);
    switch (form) {
    case VoiceDump::Form::Full:
        for (const VoiceDump::Block &block : VoiceDump::FullBlocks)
            blocks.append({block.address, block.length()});
        break;
    case VoiceDump::Form::Custom:
        if (slot >= 1 && slot <= VoiceDump::CustomSlotCount) {
            blocks.append({{VoiceDump::CustomBlockAAddressHigh, 0, memory},
                           VoiceDump::CustomBlockACount + VoiceDump::BlockOverhead});
            blocks.append({{VoiceDump::CustomBlockBAddressHigh, 0, memory},
                           VoiceDump::CustomBlockBCount + VoiceDump::BlockOverhead});
        }
        break;
    case VoiceDump::Form::Internal:
        if (slot >= 1 && slot <= VoiceDump::InternalSlotCount)
            blocks.append({{VoiceDump::InternalAddressHigh, 0, memory}, VoiceDump::InternalLength});
        break;
    }
    return blocks;
}

bool InstrumentRequests::isAnswer(QByteArrayView message, const BlockOf &block, int deviceNumber)
{
    return message.size() == block.length && at(message, 0) == VoiceDump::SysExStart
           && at(message, VoiceDump::ManufacturerOffset) == VoiceDump::ManufacturerId
           && at(message, VoiceDump::DeviceOffset) == deviceNumber
           && at(message, VoiceDump::ModelOffset) == VoiceDump::ModelId
           && at(message, VoiceDump::AddressHighOffset) == block.address[0]
           && at(message, VoiceDump::AddressMidOffset) == block.address[1]
           && at(message, VoiceDump::AddressLowOffset) == block.address[2]
           && at(message, message.size() - 1) == VoiceDump::SysExEnd;
}
