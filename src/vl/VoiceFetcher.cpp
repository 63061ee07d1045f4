#include "VoiceFetcher.h"

#include <utility>

namespace {

// Longest single wait, so that a stop is seen soon.
constexpr int WaitStepMs = 10;

} // namespace

VoiceFetcher::VoiceFetcher(Send send, Wait wait, int deviceNumber, int answerTimeoutMs)
    : m_send(std::move(send)), m_wait(std::move(wait)), m_deviceNumber(deviceNumber),
      m_answerTimeoutMs(answerTimeoutMs)
{
}

void VoiceFetcher::Take(QByteArrayView message)
{
    if (m_awaited && m_answer.isEmpty()
        && InstrumentRequests::IsAnswer(message, *m_awaited, m_deviceNumber))
        m_answer = message.toByteArray();
}

VoiceFetcher::Result VoiceFetcher::Fetch(VoiceDump::Form form, int slot)
{
    Result result;
    const QList<InstrumentRequests::BlockOf> blocks = InstrumentRequests::VoiceBlocks(form, slot);
    QByteArray voice;
    for (const InstrumentRequests::BlockOf &block : blocks) {
        m_awaited = block;
        m_answer.clear();
        try {
            m_send(InstrumentRequests::DumpRequest(m_deviceNumber, block.address));
        } catch (...) {
            m_awaited.reset();
            throw;
        }
        // The waits themselves measure the answer time: each lasts its
        // milliseconds unless stopped.
        for (int waited = 0; m_answer.isEmpty() && waited < m_answerTimeoutMs;
             waited += WaitStepMs) {
            if (!m_wait(WaitStepMs)) {
                m_awaited.reset();
                result.outcome = Outcome::Stopped;
                return result;
            }
        }
        m_awaited.reset();
        if (m_answer.isEmpty())
            return result; // not answered: nothing of the voice is kept
        voice += m_answer;
    }
    if (!blocks.isEmpty()) {
        result.outcome = Outcome::Whole;
        result.bytes = voice;
    }
    return result;
}
