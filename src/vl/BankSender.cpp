#include "BankSender.h"

#include "RegEdit.h"
#include "Sleeper.h"

#include <utility>

namespace {

constexpr qint64 NsPerSecond = 1000000000;
constexpr qint64 NsPerMs = 1000000;

int clampGap(qint64 gapMs)
{
    return int(qBound(qint64(0), gapMs, qint64(BankSender::MaxGapMs)));
}

} // namespace

BankSender::BankSender(Send send, Sleeper &sleeper, int gapMs)
    : m_send(std::move(send)), m_sleeper(sleeper), m_gapMs(clampGap(gapMs))
{
}

qint64 BankSender::wireTimeNs(qint64 bytes)
{
    return bytes * NsPerSecond / WireBytesPerSecond;
}

BankSender::Result BankSender::run(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
                                   const Events &events)
{
    Result result;
    qint64 nextStartNs = m_sleeper.nowNs();
    for (int i = 0; i < plan.steps.size(); ++i) {
        const BankSendPlan::Step &step = plan.steps[i];
        if (!waitUntil(nextStartNs, events) || (events.starting && !events.starting(i))) {
            result.stopped = true;
            return result;
        }
        const QByteArray message = BankSendPlan::message(bank.voices[step.voice], step, deviceId);
        m_send(message);
        // Paced from when the voice was handed over, not from when it was
        // given: opening the port or a busy MIDI system may hold it.
        const qint64 leftNs = m_sleeper.nowNs();
        ++result.sent;
        if (events.sent)
            events.sent(i);
        nextStartNs = leftNs + wireTimeNs(message.size()) + m_gapMs * NsPerMs;
    }
    // The last voice is on the cable until its wire time has passed.
    if (!plan.steps.isEmpty())
        waitUntil(nextStartNs - m_gapMs * NsPerMs, {});
    return result;
}

bool BankSender::waitUntil(qint64 deadlineNs, const Events &events)
{
    for (;;) {
        if (events.keepGoing && !events.keepGoing())
            return false;
        const qint64 leftNs = deadlineNs - m_sleeper.nowNs();
        if (leftNs <= 0)
            return true;
        const qint64 stepMs = (leftNs + NsPerMs - 1) / NsPerMs;
        m_sleeper.sleep(int(events.keepGoing ? qMin<qint64>(stepMs, PollMs) : stepMs));
    }
}

int BankSender::storedGapMs(const RegRoot &settings)
{
    const qint32 stored =
        ReadRegInteger(settings, RegSettingsRoot + GapKeyName, GapValueName, DefaultGapMs);
    return stored < 0 || stored > MaxGapMs ? DefaultGapMs : stored;
}

void BankSender::storeGapMs(const RegRoot &settings, int gapMs)
{
    WriteRegInteger(settings, RegSettingsRoot + GapKeyName, GapValueName, clampGap(gapMs));
}
