#include "LoopbackCallLog.h"

#include "Sleeper.h"

#include <algorithm>

LoopbackCallLog::LoopbackCallLog(Sleeper *clock) : m_clock(clock) {}

void LoopbackCallLog::failNext(MidiPlatform::Call call, MidiPlatform::Result code, int after)
{
    m_failures.push_back(Failure{call, code, after});
}

bool LoopbackCallLog::takeFailure(MidiPlatform::Call call, MidiPlatform::Result *code)
{
    auto found = std::find_if(m_failures.begin(), m_failures.end(),
                              [&](const Failure &f) { return f.call == call; });
    if (found == m_failures.end())
        return false;
    if (found->after > 0) {
        --found->after;
        return false;
    }
    *code = found->code;
    m_failures.erase(found);
    return true;
}

MidiPlatform::Result LoopbackCallLog::record(MidiPlatform::Call call, int device,
                                             const QByteArray &bytes, MidiPlatform::Result result)
{
    LoopbackCall entry;
    entry.timeNs = m_clock->nowNs();
    if (!m_recording)
        return result;
    entry.call = call;
    entry.function = MidiPlatform::callName(call);
    entry.device = device;
    entry.bytes = bytes;
    entry.result = result;
    m_calls.append(entry);
    return result;
}
