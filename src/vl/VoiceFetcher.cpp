#include "VoiceFetcher.h"

#include "Sleeper.h"

#include <utility>

namespace {

// Longest single wait, so that a stop is seen soon.
constexpr int WaitStepMs = 10;
constexpr qint64 NsPerMs = 1000000;

} // namespace

VoiceFetcher::VoiceFetcher(Send send, Wait wait, int deviceNumber, const Sleeper &clock,
                           int answerTimeoutMs)
    : m_send(std::move(send)), m_wait(std::move(wait)), m_deviceNumber(deviceNumber),
      m_clock(clock), m_answerTimeoutMs(answerTimeoutMs)
{
}

void VoiceFetcher::take(QByteArrayView message)
{
    if (m_awaited && m_answer.isEmpty()
        && InstrumentRequests::isAnswer(message, *m_awaited, m_deviceNumber))
        m_answer = message.toByteArray();
}

VoiceFetcher::Result VoiceFetcher::fetch(VoiceDump::Form form, int slot)
{
    Result result;
    const QList<InstrumentRequests::BlockOf> blocks = InstrumentRequests::voiceBlocks(form, slot);
    QByteArray voice;
    for (const InstrumentRequests::BlockOf &block : blocks) {
        m_awaited = block;
        m_answer.clear();
        try {
            m_send(InstrumentRequests::dumpRequest(m_deviceNumber, block.address));
        } catch (...) {
            m_awaited.reset();
            throw;
        }
        // By the clock: a wait that other input ended early counts for
        // what it lasted.
        const qint64 deadlineNs = m_clock.nowNs() + m_answerTimeoutMs * NsPerMs;
        for (qint64 leftNs = deadlineNs - m_clock.nowNs(); m_answer.isEmpty() && leftNs > 0;
             leftNs = deadlineNs - m_clock.nowNs()) {
            const qint64 leftMs = (leftNs + NsPerMs - 1) / NsPerMs;
            if (!m_wait(int(qMin<qint64>(leftMs, WaitStepMs)))) {
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
