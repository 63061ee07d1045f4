#pragma once

#include "LoopbackCall.h"
#include "MidiPlatform.h"

#include <QList>

#include <vector>

class Sleeper;

// What the loopback platform records of its calls, and the failures a test
// injects into them. Not locked: LoopbackMidi calls it with its m_mutex held.
class LoopbackCallLog
{
public:
    // The clock is not owned and must outlive the log.
    explicit LoopbackCallLog(Sleeper *clock);

    // A later `call` fails with `code`: the next one, or the one after
    // `after` calls that go through. Failures of one call are used in the
    // order given.
    void failNext(MidiPlatform::Call call, MidiPlatform::Result code, int after);
    // Whether this call is to fail now; its code in *code.
    bool takeFailure(MidiPlatform::Call call, MidiPlatform::Result *code);

    // Notes a call (while recording) and gives its result back.
    MidiPlatform::Result record(MidiPlatform::Call call, int device, const QByteArray &bytes,
                                MidiPlatform::Result result);

    QList<LoopbackCall> calls() const { return m_calls; }
    void clear() { m_calls.clear(); }
    void setRecording(bool on) { m_recording = on; }
    bool recording() const { return m_recording; }

private:
    struct Failure
    {
        MidiPlatform::Call call;
        MidiPlatform::Result code;
        int after = 0;
    };

    Sleeper *m_clock;
    bool m_recording = true;
    std::vector<Failure> m_failures;
    QList<LoopbackCall> m_calls;
};
