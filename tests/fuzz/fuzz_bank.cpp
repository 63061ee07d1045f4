// The bank reader: it lists only whole voices, each message of each byte for
// byte as it stood in the input, in input order and without overlap; it skips nothing
// exactly when the input is nothing but its voices; and what it holds stays
// a small multiple of the input.

#include "FuzzCheck.h"
#include "MemoryMeter.h"
#include "VoiceBank.h"
#include "VoiceChecks.h"
#include "VoiceConversion.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

constexpr quint8 FirstRealTime = 0xF8;
constexpr long long MemoryPerInputByte = 64;
constexpr long long MemoryAllowance = 64 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    VoiceBank bank;
    {
        MemoryMeter meter;
        bank = VoiceBank::parse(input);
        meter.noteInput(size);
        FUZZ_CHECK(meter.peakBytes() <= MemoryPerInputByte * qsizetype(size) + MemoryAllowance);
    }

    // Real-time bytes may stand inside a voice's messages and are left out
    // of it; everything else of a voice is one run of the input.
    QByteArray withoutRealTime;
    for (const std::uint8_t byte : input) {
        if (byte < FirstRealTime)
            withoutRealTime.append(char(byte));
    }
    const bool hadRealTime = withoutRealTime.size() != input.size();

    qsizetype from = 0;
    QByteArray joined;
    for (const VoiceBank::Voice &voice : bank.voices) {
        checkHandedOutVoice(voice.bytes);
        FUZZ_CHECK(VoiceDump::formOf(voice.bytes) == voice.form);
        FUZZ_CHECK(voice.name.size() == VoiceDump::VoiceNameLength);
        QByteArray dump = VoiceDump::emptyFullDump(0);
        int slot = 0;
        switch (voice.form) {
        case VoiceDump::Form::Internal:
            FUZZ_CHECK(VoiceConversion::InternalToDump(voice.bytes, dump, slot));
            FUZZ_CHECK(slot == voice.slot && slot >= 1 && slot <= VoiceDump::InternalSlotCount);
            break;
        case VoiceDump::Form::Custom:
            FUZZ_CHECK(VoiceConversion::CustomToDump(voice.bytes, dump, slot));
            FUZZ_CHECK(slot == voice.slot && slot >= 1 && slot <= VoiceDump::CustomSlotCount);
            FUZZ_CHECK(voice.bytes[VoiceDump::CustomMemoryOffsetA]
                       == voice.bytes[VoiceDump::CustomMemoryOffsetB]);
            break;
        case VoiceDump::Form::Full:
            FUZZ_CHECK(voice.slot == 0);
            break;
        }
        // Each of its messages is one run of the input, in order; what stood
        // between them is no message and was counted as skipped.
        qsizetype blockStart = 0;
        while (blockStart < voice.bytes.size()) {
            const qsizetype end = voice.bytes.indexOf(char(VoiceDump::SysExEnd), blockStart);
            FUZZ_CHECK(end > blockStart);
            const QByteArrayView block =
                QByteArrayView(voice.bytes).sliced(blockStart, end + 1 - blockStart);
            const qsizetype at = withoutRealTime.indexOf(block, from);
            FUZZ_CHECK(at >= 0);
            FUZZ_CHECK(at == from || bank.skipped > 0);
            from = at + block.size();
            blockStart = end + 1;
        }
        joined += voice.bytes;
    }

    FUZZ_CHECK(bank.skipped >= 0 && bank.skipped <= qsizetype(size));
    // Nothing skipped exactly when the input holds its voices and nothing else.
    FUZZ_CHECK((bank.skipped == 0) == (!hadRealTime && joined == input));
    return 0;
}
