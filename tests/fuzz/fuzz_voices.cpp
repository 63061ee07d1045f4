// Voice acceptance and the conversions between the three voice forms: what
// is accepted is what the rule says, a conversion writes only the bytes its
// ranges name, and a round trip through the working dump keeps every data
// byte and seals every block.

#include "FuzzCheck.h"
#include "VoiceChecks.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

template <std::size_t N>
std::vector<bool> dumpBytesOf(const std::array<VoiceConversion::Range, N> &ranges)
{
    std::vector<bool> touched(VoiceDump::FullLength, false);
    for (const VoiceConversion::Range &range : ranges) {
        for (int i = 0; i < range.length; ++i)
            touched[std::size_t(range.dump + i)] = true;
    }
    return touched;
}

// Only the bytes a form carries change in the template.
void checkOnlyTouched(const QByteArray &before, const QByteArray &after,
                      const std::vector<bool> &touched)
{
    FUZZ_CHECK(after.size() == before.size());
    for (int i = 0; i < VoiceDump::FullLength; ++i) {
        if (!touched[std::size_t(i)])
            FUZZ_CHECK(after[i] == before[i]);
    }
}

void checkInternal(const QByteArray &voice, const QByteArray &template_, quint8 deviceId)
{
    static const std::vector<bool> touched = dumpBytesOf(VoiceConversion::InternalRanges);
    QByteArray dump = template_;
    int slot = 0;
    FUZZ_CHECK(VoiceConversion::InternalToDump(voice, dump, slot));
    FUZZ_CHECK(slot == quint8(voice[VoiceDump::InternalMemoryOffset]) + 1);
    checkOnlyTouched(template_, dump, touched);

    const QByteArray back = VoiceConversion::DumpToInternal(dump, slot, deviceId);
    checkHandedOutVoice(back);
    FUZZ_CHECK(back.size() == VoiceDump::InternalLength);
    checkSealedBlock(back, 0, VoiceDump::InternalCount, deviceId);
    FUZZ_CHECK(quint8(back[VoiceDump::AddressHighOffset]) == VoiceDump::InternalAddressHigh);
    const int memory = slot <= VoiceDump::InternalSlotCount ? slot - 1 : 0;
    FUZZ_CHECK(quint8(back[VoiceDump::InternalMemoryOffset]) == memory);
    FUZZ_CHECK(back.mid(VoiceDump::InternalDataStart, VoiceDump::InternalCount)
               == voice.mid(VoiceDump::InternalDataStart, VoiceDump::InternalCount));
}

void checkCustom(const QByteArray &voice, const QByteArray &template_, quint8 deviceId)
{
    static const std::vector<bool> touched = [] {
        std::vector<bool> t = dumpBytesOf(VoiceConversion::CustomRanges);
        for (int i = 0; i < VoiceConversion::CustomElementRange.length; ++i)
            t[std::size_t(VoiceConversion::CustomElementRange.dump + i)] = true;
        t[VoiceDump::ProgramNumberOffset] = true;
        return t;
    }();
    QByteArray dump = template_;
    int slot = 0;
    FUZZ_CHECK(VoiceConversion::CustomToDump(voice, dump, slot));
    FUZZ_CHECK(slot == quint8(voice[VoiceDump::CustomMemoryOffsetB]) + 1);
    checkOnlyTouched(template_, dump, touched);

    const QByteArray back = VoiceConversion::DumpToCustom(dump, slot, deviceId);
    checkHandedOutVoice(back);
    FUZZ_CHECK(back.size() == VoiceDump::CustomLength);
    checkSealedBlock(back, VoiceDump::CustomBlockAStart, VoiceDump::CustomBlockACount, deviceId);
    checkSealedBlock(back, VoiceDump::CustomBlockBStart, VoiceDump::CustomBlockBCount, deviceId);
    const int memory = slot <= VoiceDump::CustomSlotCount ? slot - 1 : 0;
    FUZZ_CHECK(quint8(back[VoiceDump::CustomMemoryOffsetA]) == memory);
    FUZZ_CHECK(quint8(back[VoiceDump::CustomMemoryOffsetB]) == memory);
    FUZZ_CHECK(back.mid(VoiceDump::CustomDataAStart, VoiceDump::CustomBlockACount)
               == voice.mid(VoiceDump::CustomDataAStart, VoiceDump::CustomBlockACount));
    FUZZ_CHECK(back.mid(VoiceDump::CustomDataBStart, VoiceDump::CustomBlockBCount)
               == voice.mid(VoiceDump::CustomDataBStart, VoiceDump::CustomBlockBCount));
}

void checkFull(const QByteArray &voice, quint8 deviceId)
{
    QByteArray dump = voice;
    FUZZ_CHECK(VoiceDump::SealDump(dump, deviceId));
    checkHandedOutVoice(dump);
    for (const VoiceDump::Block &block : VoiceDump::FullBlocks) {
        checkSealedBlock(dump, block.start, block.count, deviceId);
        // Sealing leaves byte count, address and data as they stand.
        for (int i = block.sealStart(); i <= block.sealEnd(); ++i)
            FUZZ_CHECK(dump[i] == voice[i]);
    }
    // The sealed dump, as working dump, gives forms that load back into it
    // unchanged.
    QByteArray again = dump;
    int slot = 0;
    FUZZ_CHECK(VoiceConversion::InternalToDump(VoiceConversion::DumpToInternal(dump, 1, deviceId),
                                               again, slot));
    FUZZ_CHECK(again == dump);
    FUZZ_CHECK(VoiceConversion::CustomToDump(VoiceConversion::DumpToCustom(dump, 1, deviceId),
                                             again, slot));
    // Only the program number follows the custom voice's memory number.
    again[VoiceDump::ProgramNumberOffset] = dump[VoiceDump::ProgramNumberOffset];
    FUZZ_CHECK(again == dump);
    checkInternal(VoiceConversion::DumpToInternal(dump, 1, deviceId), dump, deviceId);
    checkCustom(VoiceConversion::DumpToCustom(dump, 1, deviceId), dump, deviceId);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool accepted = VoiceDump::IsVoiceStream(input);
    const bool byRule = (size == VoiceDump::InternalLength || size == VoiceDump::CustomLength
                         || size == VoiceDump::FullLength)
                        && data[0] == VoiceDump::SysExStart && data[3] == VoiceDump::ModelId;
    FUZZ_CHECK(accepted == byRule);
    FUZZ_CHECK(VoiceDump::FormOf(input).has_value() == accepted);
    FUZZ_CHECK(VoiceDump::TextFromBytes(input).size() == input.size());
    if (!accepted)
        return 0;

    // Sealing re-addresses: take a device number other than the voice's own.
    const quint8 deviceId = (quint8(data[VoiceDump::DeviceOffset]) + 1) & VoiceDump::DeviceMask;
    switch (*VoiceDump::FormOf(input)) {
    case VoiceDump::Form::Internal:
        FUZZ_CHECK(size == VoiceDump::InternalLength);
        checkInternal(input, VoiceDump::EmptyFullDump(deviceId), deviceId);
        break;
    case VoiceDump::Form::Custom:
        FUZZ_CHECK(size == VoiceDump::CustomLength);
        checkCustom(input, VoiceDump::EmptyFullDump(deviceId), deviceId);
        break;
    case VoiceDump::Form::Full:
        FUZZ_CHECK(size == VoiceDump::FullLength);
        checkFull(input, deviceId);
        break;
    }
    return 0;
}
