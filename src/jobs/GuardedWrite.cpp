#include "GuardedWrite.h"

#include "VentaroError.h"
#include "VoiceIdentity.h"
#include "VoiceStore.h"
#include "WriteHistory.h"

#include <QScopeGuard>

#include <utility>

namespace {

using PlaceState = WriteRecord::PlaceState;

bool isSlot(const BankSendPlan::Step &step)
{
    return step.to != VoiceDump::Form::Full;
}

VoiceSource placeSource(VoiceSource::Kind kind, quint8 deviceId, int slot)
{
    VoiceSource source;
    source.kind = kind;
    source.device = deviceId;
    source.slot = slot;
    return source;
}

} // namespace

int GuardedWrite::Result::count(PlaceState state) const
{
    int n = 0;
    for (const WriteRecord::Place &place : places)
        n += place.state == state ? 1 : 0;
    return n;
}

QList<InstrumentBackup::Slot> GuardedWrite::Result::placesIn(PlaceState state) const
{
    QList<InstrumentBackup::Slot> list;
    for (const WriteRecord::Place &place : places)
        if (place.state == state)
            list.append({place.form, place.slot});
    return list;
}

QList<InstrumentBackup::Slot> GuardedWrite::Result::notKept() const
{
    QList<InstrumentBackup::Slot> list;
    for (const WriteRecord::Place &place : places)
        if (place.form != VoiceDump::Form::Full && place.keptId == 0
            && (place.state == PlaceState::Written || place.state == PlaceState::Verified
                || place.state == PlaceState::NotTaken))
            list.append({place.form, place.slot});
    return list;
}

GuardedWrite::GuardedWrite(Io io, VoiceStore *store, Settings settings)
    : m_io(std::move(io)), m_store(store), m_settings(settings)
{
}

void GuardedWrite::take(QByteArrayView message)
{
    if (m_fetcher)
        m_fetcher->take(message);
}

QString GuardedWrite::notKeptText(NotKept why)
{
    switch (why) {
    case NotKept::KeepingOff:
        return QStringLiteral("keeping is off");
    case NotKept::NoInput:
        return QStringLiteral("no input");
    case NotKept::NoAnswer:
        return QStringLiteral("no answer");
    case NotKept::NoLibrary:
        return QStringLiteral("no library");
    }
    return {};
}

GuardedWrite::Result GuardedWrite::run(const VoiceBank &bank, const BankSendPlan &plan,
                                       quint8 deviceId, WriteRecord::Kind kind, qint64 restores,
                                       const Events &events)
{
    Result result;
    for (const BankSendPlan::Step &step : plan.steps) {
        WriteRecord::Place place;
        place.form = step.to;
        place.slot = step.slot;
        place.name = bank.voices[step.voice].name.trimmed();
        result.places.append(place);
    }
    m_entry = 0;
    try {
        if (m_store) {
            result.entry = m_entry =
                WriteHistory(*m_store).begin(kind, deviceId, result.places, restores);
        }
        if (keep(plan, deviceId, events, result)) {
            write(bank, plan, deviceId, events, result);
            if (!result.stopped)
                verify(bank, plan, deviceId, events, result);
        }
    } catch (const VentaroError &error) {
        result.failure = error.text();
    }
    if (m_entry != 0) {
        const WriteRecord::State state = !result.failure.isEmpty() ? WriteRecord::State::Failed
                                         : result.stopped          ? WriteRecord::State::Stopped
                                                                   : WriteRecord::State::Completed;
        try {
            WriteHistory(*m_store).finish(m_entry, state, result.failure);
        } catch (const VentaroError &error) {
            if (result.failure.isEmpty())
                result.failure = error.text();
        }
    }
    return result;
}

bool GuardedWrite::keep(const BankSendPlan &plan, quint8 deviceId, const Events &events,
                        Result &result)
{
    QList<int> slotSteps;
    for (int i = 0; i < plan.steps.size(); ++i)
        if (isSlot(plan.steps[i]))
            slotSteps.append(i);
    QList<std::pair<int, NotKept>> unkept;
    const auto note = [&](int i, NotKept why) {
        result.places[i].notKept = notKeptText(why);
        if (m_entry != 0)
            WriteHistory(*m_store).setKept(m_entry, i, 0, result.places[i].notKept);
        if (why != NotKept::KeepingOff)
            unkept.append({i, why});
    };
    if (!m_settings.keep || !m_store || !m_io.listening) {
        const NotKept why = !m_settings.keep ? NotKept::KeepingOff
                            : !m_store       ? NotKept::NoLibrary
                                             : NotKept::NoInput;
        for (const int i : slotSteps)
            note(i, why);
    } else {
        VoiceFetcher fetcher(m_io.send, m_io.wait, deviceId, m_io.sleeper,
                             m_settings.answerTimeoutMs);
        m_fetcher = &fetcher;
        const auto letGo = qScopeGuard([this] { m_fetcher = nullptr; });
        for (int k = 0; k < slotSteps.size(); ++k) {
            const int i = slotSteps[k];
            const BankSendPlan::Step &step = plan.steps[i];
            if (events.starting && !events.starting(Phase::Keeping, k, slotSteps.size(), step)) {
                result.stopped = true;
                return false;
            }
            const VoiceFetcher::Result fetched = fetcher.fetch(step.to, step.slot);
            if (fetched.outcome == VoiceFetcher::Outcome::Stopped) {
                result.stopped = true;
                return false;
            }
            const auto kept = qScopeGuard([&events, k] {
                if (events.done)
                    events.done(Phase::Keeping, k);
            });
            if (fetched.outcome != VoiceFetcher::Outcome::Whole) {
                note(i, NotKept::NoAnswer);
                continue;
            }
            const VoiceStore::Counts counts = m_store->record(
                fetched.bytes, placeSource(VoiceSource::Kind::Held, deviceId, step.slot));
            WriteRecord::Place &place = result.places[i];
            place.keptId = counts.ids.value(0);
            place.keptName = VoiceBank::parse(fetched.bytes).voices.value(0).name.trimmed();
            ++result.kept;
            WriteHistory(*m_store).setKept(m_entry, i, place.keptId);
        }
    }
    // The user decides once every answer is in, before anything is written.
    for (const auto &[i, why] : std::as_const(unkept)) {
        const Choice choice = events.unkept ? events.unkept(plan.steps[i], why) : Choice::Write;
        if (choice == Choice::Cancel) {
            result.stopped = true;
            return false;
        }
        if (choice == Choice::Skip)
            setState(result, i, PlaceState::Skipped);
    }
    return true;
}

void GuardedWrite::write(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
                         const Events &events, Result &result)
{
    BankSendPlan toWrite;
    QList<int> stepOf;
    for (int i = 0; i < plan.steps.size(); ++i) {
        if (result.places[i].state == PlaceState::Skipped)
            continue;
        toWrite.steps.append(plan.steps[i]);
        stepOf.append(i);
    }
    BankSender::Events sending;
    sending.starting = [&](int k) {
        return !events.starting
               || events.starting(Phase::Writing, k, toWrite.steps.size(), toWrite.steps[k]);
    };
    sending.sent = [&](int k) {
        const int i = stepOf[k];
        const BankSendPlan::Step &step = plan.steps[i];
        qint64 voiceId = 0;
        if (m_store && m_settings.recordWritten) {
            // As the place holds it: a full voice sent to a slot is a voice
            // of that slot's form.
            const VoiceBank written =
                VoiceBank::parse(BankSendPlan::message(bank.voices[step.voice], step, deviceId));
            if (!written.voices.isEmpty())
                voiceId = m_store
                              ->record({{written.voices.first(),
                                         placeSource(VoiceSource::Kind::Sent, deviceId,
                                                     isSlot(step) ? step.slot : 0)}})
                              .ids.value(0);
        }
        setState(result, i, PlaceState::Written, voiceId);
        if (events.done)
            events.done(Phase::Writing, k);
    };
    sending.keepGoing = [this] { return m_io.wait(0); };
    if (toWrite.steps.size() == 1) {
        // One voice has nothing to be paced against: it leaves at once.
        if (!sending.starting(0)) {
            result.stopped = true;
            return;
        }
        m_io.send(BankSendPlan::message(bank.voices[toWrite.steps[0].voice], toWrite.steps[0],
                                        deviceId));
        sending.sent(0);
        return;
    }
    BankSender sender(m_io.send, m_io.sleeper, m_settings.gapMs);
    if (sender.run(bank, toWrite, deviceId, sending).stopped)
        result.stopped = true;
}

void GuardedWrite::verify(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
                          const Events &events, Result &result)
{
    if (!m_settings.verify || !m_io.listening)
        return;
    QList<int> toVerify;
    for (int i = 0; i < plan.steps.size(); ++i)
        if (isSlot(plan.steps[i]) && result.places[i].state == PlaceState::Written)
            toVerify.append(i);
    if (toVerify.isEmpty())
        return;
    // The last voice is stored by the instrument within the pacing gap.
    if (!m_io.wait(m_settings.gapMs)) {
        result.stopped = true;
        return;
    }
    VoiceFetcher fetcher(m_io.send, m_io.wait, deviceId, m_io.sleeper, m_settings.answerTimeoutMs);
    m_fetcher = &fetcher;
    const auto letGo = qScopeGuard([this] { m_fetcher = nullptr; });
    for (int k = 0; k < toVerify.size(); ++k) {
        const int i = toVerify[k];
        const BankSendPlan::Step &step = plan.steps[i];
        if (events.starting && !events.starting(Phase::Verifying, k, toVerify.size(), step)) {
            result.stopped = true;
            return;
        }
        const VoiceFetcher::Result fetched = fetcher.fetch(step.to, step.slot);
        if (fetched.outcome == VoiceFetcher::Outcome::Stopped) {
            result.stopped = true;
            return;
        }
        const QByteArray sent = BankSendPlan::message(bank.voices[step.voice], step, deviceId);
        const bool same = fetched.outcome == VoiceFetcher::Outcome::Whole
                          && VoiceIdentity::dataBytes(step.to, fetched.bytes)
                                 == VoiceIdentity::dataBytes(step.to, sent);
        setState(result, i, same ? PlaceState::Verified : PlaceState::NotTaken);
        if (events.done)
            events.done(Phase::Verifying, k);
    }
}

void GuardedWrite::setState(Result &result, int step, PlaceState state, qint64 voiceId)
{
    WriteRecord::Place &place = result.places[step];
    place.state = state;
    if (voiceId != 0)
        place.voiceId = voiceId;
    if (m_entry != 0)
        WriteHistory(*m_store).setPlaceState(m_entry, step, state, voiceId);
}

GuardedWrite::Restore GuardedWrite::restoreOf(const WriteRecord &record, const VoiceStore &store)
{
    Restore restore;
    for (const WriteRecord::Place &place : record.restorable()) {
        const std::optional<StoredVoice> kept = store.voice(place.keptId);
        if (!kept || kept->form != place.form)
            continue; // taken out of the library since
        VoiceBank::Voice voice;
        voice.form = kept->form;
        voice.slot = place.slot;
        voice.name = kept->name;
        voice.bytes = kept->bytes;
        restore.plan.steps.append({int(restore.bank.voices.size()), place.form, place.slot});
        restore.bank.voices.append(voice);
    }
    if (restore.plan.steps.isEmpty())
        throw VentaroError(
            QStringLiteral("Write %1 kept no voice that can be put back.").arg(record.id));
    return restore;
}
