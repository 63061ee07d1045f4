// The simulated instrument fed any MIDI bytes, with any bank loaded first and
// panel buttons pressed between deliveries: it stays an instrument (device
// number, interval, program and every place holding a voice of its form),
// its log stays bounded, and everything it sends is a whole SysEx message,
// its dump blocks sealed for its own device number.
//
// Input: byte 0 sets the device number (low four bits), whether a bank made
// of the rest is loaded first (bit 4) and the dump interval (bits 5..7);
// byte 1 cuts the rest into deliveries (one ends after each byte equal to
// it); a delivery's last byte also presses the button of that number.

#include "FuzzCheck.h"
#include "SimulatedVl70m.h"
#include "Sleeper.h"
#include "VoiceBank.h"
#include "VoiceChecks.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

constexpr quint8 StatusBit = 0x80;
constexpr int MaxProgram = 127;

// Waits take no time.
class NoWaitClock : public Sleeper
{
public:
    void sleep(int) override {}
    qint64 nowNs() const override { return 0; }
};

void checkSent(const QByteArray &message, int deviceNumber)
{
    FUZZ_CHECK(message.size() >= 2);
    FUZZ_CHECK(quint8(message.front()) == VoiceDump::SysExStart);
    FUZZ_CHECK(quint8(message.back()) == VoiceDump::SysExEnd);
    for (qsizetype i = 1; i + 1 < message.size(); ++i)
        FUZZ_CHECK((quint8(message[i]) & StatusBit) == 0);
    const bool dumpBlock =
        message.size() >= VoiceDump::BlockOverhead
        && quint8(message[VoiceDump::ManufacturerOffset]) == VoiceDump::ManufacturerId
        && quint8(message[VoiceDump::ModelOffset]) == VoiceDump::ModelId
        && (quint8(message[VoiceDump::DeviceOffset]) & ~VoiceDump::DeviceMask) == 0;
    if (!dumpBlock)
        return;
    const int count = quint8(message[VoiceDump::CountHighOffset]) << 7
                      | quint8(message[VoiceDump::CountLowOffset]);
    FUZZ_CHECK(message.size() == count + VoiceDump::BlockOverhead);
    checkSealedBlock(message, 0, count, quint8(deviceNumber));
}

void checkState(const SimulatedVl70m &sim)
{
    FUZZ_CHECK(sim.deviceNumber() >= 0 && sim.deviceNumber() <= int(VoiceDump::DeviceMask));
    FUZZ_CHECK(sim.dumpIntervalMs() >= 0
               && sim.dumpIntervalMs() <= SimulatedVl70m::MaxDumpIntervalMs);
    FUZZ_CHECK(sim.currentProgram() >= 0 && sim.currentProgram() <= MaxProgram);
    const int bank = int(sim.currentBank());
    FUZZ_CHECK(bank >= int(SimulatedVl70m::Bank::Preset1)
               && bank <= int(SimulatedVl70m::Bank::Internal));
    const QByteArray edit = sim.editBuffer();
    checkHandedOutVoice(edit);
    FUZZ_CHECK(edit.size() == VoiceDump::FullLength);
    for (int slot = 1; slot <= VoiceDump::CustomSlotCount; ++slot) {
        checkHandedOutVoice(sim.customSlot(slot));
        FUZZ_CHECK(sim.customSlot(slot).size() == VoiceDump::CustomLength);
    }
    for (int slot = 1; slot <= VoiceDump::InternalSlotCount; ++slot) {
        checkHandedOutVoice(sim.internalSlot(slot));
        FUZZ_CHECK(sim.internalSlot(slot).size() == VoiceDump::InternalLength);
    }
    FUZZ_CHECK(sim.customSlot(0).isEmpty()
               && sim.customSlot(VoiceDump::CustomSlotCount + 1).isEmpty());
    FUZZ_CHECK(sim.internalSlot(0).isEmpty()
               && sim.internalSlot(VoiceDump::InternalSlotCount + 1).isEmpty());
    FUZZ_CHECK(sim.log().size() <= SimulatedVl70m::MaxLogLines);
    FUZZ_CHECK(sim.ignoredCount() >= 0 && sim.noteOnCount() >= 0 && sim.noteOffCount() >= 0);
    sim.panelDisplay();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    NoWaitClock clock;
    SimulatedVl70m sim(clock);
    const int device = data[0] & VoiceDump::DeviceMask;
    FUZZ_CHECK(sim.setDeviceNumber(device));
    FUZZ_CHECK(sim.setDumpIntervalMs((data[0] >> 5) * 40));
    FUZZ_CHECK(!sim.setDeviceNumber(device + 16) && sim.deviceNumber() == device);
    int sent = 0;
    sim.setSender([&](const QByteArray &message) {
        checkSent(message, sim.deviceNumber());
        ++sent;
    });
    const QByteArray rest(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    if (data[0] & 0x10) {
        const VoiceBank bank = VoiceBank::parse(rest);
        FUZZ_CHECK(sim.loadBank(bank) <= bank.voices.size());
        checkState(sim);
    }

    const char cut = char(data[1]);
    qsizetype start = 0;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] != cut && i + 1 < rest.size())
            continue;
        sim.receive(rest.mid(start, i + 1 - start));
        sim.pressButton(quint8(rest[i]) % (SimPanel::ButtonCount + 2) - 1);
        start = i + 1;
    }
    checkState(sim);
    return 0;
}
