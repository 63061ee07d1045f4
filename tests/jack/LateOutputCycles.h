#pragma once

// While one lives, every cycle of an RtMidi JACK output in this process
// stays `delayMs` inside its process callback before it reads its ring
// buffer, as on a loaded machine where JACK's thread is put aside halfway
// through a cycle. The test executable that links LateOutputCycles.cpp stands
// in front of libjack's jack_ringbuffer_peek, which only that callback calls
// here; with none alive the reads pass at once.
class LateOutputCycles
{
public:
    explicit LateOutputCycles(int delayMs);
    ~LateOutputCycles();
    LateOutputCycles(const LateOutputCycles &) = delete;
    LateOutputCycles &operator=(const LateOutputCycles &) = delete;
};
