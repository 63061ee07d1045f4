#pragma once

#include <memory>

class JoinedMidiPlatform;
class LoopbackMidi;
class MidiPlatform;
class MidiTap;
class SimulatedVl70mDevice;
class SystemSleeper;

// The MIDI devices the program runs on, window or command line alike: the
// clock, the machine's devices (RtMidi, backend from the environment) and,
// listed after them, the built-in simulated instrument, joined into the one
// platform the ports are given. So `ventaro ports` lists exactly what the
// window's lists show. That platform goes through a tap, so a MIDI log can
// see every message of every port.
//
// Made in this order and taken down in reverse; everything that uses the
// platform must be gone before it.
class ProgramMidi
{
public:
    ProgramMidi();
    ~ProgramMidi();

    ProgramMidi(const ProgramMidi &) = delete;
    ProgramMidi &operator=(const ProgramMidi &) = delete;

    SystemSleeper &sleeper() { return *m_sleeper; }
    MidiPlatform &platform();
    SimulatedVl70mDevice &simulator() { return *m_instrument; }
    // The tap platform() goes through.
    MidiTap &tap() { return *m_tap; }

private:
    std::unique_ptr<SystemSleeper> m_sleeper;
    std::unique_ptr<MidiPlatform> m_machine;
    std::unique_ptr<LoopbackMidi> m_simulatorPlatform;
    std::unique_ptr<SimulatedVl70mDevice> m_instrument;
    std::unique_ptr<JoinedMidiPlatform> m_platform;
    std::unique_ptr<MidiTap> m_tap;
};
