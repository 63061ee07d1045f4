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

// One sealed block of a custom or internal voice: where its F0h stands, its
// data byte count and the address high byte it is sent to.
struct FormBlock
{
    int start;
    int count;
    quint8 addressHigh;
};

// What a round trip of a custom or internal voice through the working dump
// goes by: the two conversions, the form's length, slots and blocks (the slot
// is read from the last block's memory number), and the dump bytes the form
// carries.
struct FormTrip
{
    bool (*toDump)(QByteArrayView source, QByteArray &dump, int &slotNumber);
    QByteArray (*fromDump)(QByteArrayView dump, int slotNumber, quint8 deviceId);
    int length;
    int slotCount;
    std::vector<FormBlock> blocks;
    std::vector<bool> touched;
};

const FormTrip InternalTrip{VoiceConversion::InternalToDump,
                            VoiceConversion::DumpToInternal,
                            VoiceDump::InternalLength,
                            VoiceDump::InternalSlotCount,
                            {{0, VoiceDump::InternalCount, VoiceDump::InternalAddressHigh}},
                            dumpBytesOf(VoiceConversion::InternalRanges)};

// Besides its ranges, a custom voice carries the whole element block and the
// program number.
std::vector<bool> customDumpBytes()
{
    std::vector<bool> touched = dumpBytesOf(VoiceConversion::CustomRanges);
    for (int i = 0; i < VoiceConversion::CustomElementRange.length; ++i)
        touched[std::size_t(VoiceConversion::CustomElementRange.dump + i)] = true;
    touched[VoiceDump::ProgramNumberOffset] = true;
    return touched;
}

const FormTrip CustomTrip{VoiceConversion::CustomToDump,
                          VoiceConversion::DumpToCustom,
                          VoiceDump::CustomLength,
                          VoiceDump::CustomSlotCount,
                          {{VoiceDump::CustomBlockAStart, VoiceDump::CustomBlockACount,
                            VoiceDump::CustomBlockAAddressHigh},
                           {VoiceDump::CustomBlockBStart, VoiceDump::CustomBlockBCount,
                            VoiceDump::CustomBlockBAddressHigh}},
                          customDumpBytes()};

// Loading `voice` into the template writes only the bytes its form carries;
// handing it out again seals every block for `deviceId`, addressed to the
// slot it came from, its data bytes unchanged.
void checkRoundTrip(const FormTrip &form, const QByteArray &voice, const QByteArray &template_,
                    quint8 deviceId)
{
    QByteArray dump = template_;
    int slot = 0;
    FUZZ_CHECK(form.toDump(voice, dump, slot));
    FUZZ_CHECK(slot == quint8(voice[form.blocks.back().start + VoiceDump::AddressLowOffset]) + 1);
    checkOnlyTouched(template_, dump, form.touched);

    const QByteArray back = form.fromDump(dump, slot, deviceId);
    checkHandedOutVoice(back);
    FUZZ_CHECK(back.size() == form.length);
    const int memory = slot <= form.slotCount ? slot - 1 : 0;
    for (const FormBlock &block : form.blocks) {
        checkSealedBlock(back, block.start, block.count, deviceId);
        FUZZ_CHECK(quint8(back[block.start + VoiceDump::AddressHighOffset]) == block.addressHigh);
        FUZZ_CHECK(quint8(back[block.start + VoiceDump::AddressLowOffset]) == memory);
        const int data = block.start + VoiceDump::DataOffset;
        FUZZ_CHECK(back.mid(data, block.count) == voice.mid(data, block.count));
    }
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
    checkRoundTrip(InternalTrip, VoiceConversion::DumpToInternal(dump, 1, deviceId), dump,
                   deviceId);
    checkRoundTrip(CustomTrip, VoiceConversion::DumpToCustom(dump, 1, deviceId), dump, deviceId);
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
    FUZZ_CHECK(VoiceDump::formOf(input).has_value() == accepted);
    FUZZ_CHECK(VoiceDump::textFromBytes(input).size() == input.size());
    if (!accepted)
        return 0;

    // Sealing re-addresses: take a device number other than the voice's own.
    const quint8 deviceId = (quint8(data[VoiceDump::DeviceOffset]) + 1) & VoiceDump::DeviceMask;
    const VoiceDump::Form form = *VoiceDump::formOf(input);
    if (form == VoiceDump::Form::Full) {
        FUZZ_CHECK(size == VoiceDump::FullLength);
        checkFull(input, deviceId);
        return 0;
    }
    const FormTrip &trip = form == VoiceDump::Form::Internal ? InternalTrip : CustomTrip;
    FUZZ_CHECK(size == std::size_t(trip.length));
    checkRoundTrip(trip, input, VoiceDump::emptyFullDump(deviceId), deviceId);
    return 0;
}
