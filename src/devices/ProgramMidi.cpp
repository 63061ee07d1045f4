#include "ProgramMidi.h"

#include "JoinedMidiPlatform.h"
#include "LoopbackMidi.h"
#include "MidiTap.h"
#include "RtMidiPlatform.h"
#include "SimulatedVl70mDevice.h"
#include "SystemSleeper.h"

#include <exception>

ProgramMidi::ProgramMidi() : m_sleeper(std::make_unique<SystemSleeper>())
{
    try {
        m_machine = std::make_unique<RtMidiPlatform>(*m_sleeper, RtMidiBackend::fromEnvironment());
    } catch (const std::exception &) {
        // No MIDI system at all: the simulated instrument is still there.
        auto none = std::make_unique<LoopbackMidi>(m_sleeper.get());
        none->setRecording(false);
        m_machine = std::move(none);
    }
    m_simulatorPlatform = std::make_unique<LoopbackMidi>(m_sleeper.get());
    m_simulatorPlatform->setRecording(false);
    m_instrument = std::make_unique<SimulatedVl70mDevice>(*m_simulatorPlatform, *m_sleeper);
    m_platform = std::make_unique<JoinedMidiPlatform>(*m_machine, *m_simulatorPlatform);
    m_tap = std::make_unique<MidiTap>(*m_platform);
}

ProgramMidi::~ProgramMidi() = default;

MidiPlatform &ProgramMidi::platform()
{
    return *m_tap;
}
