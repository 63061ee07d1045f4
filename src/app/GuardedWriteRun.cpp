#include "GuardedWriteRun.h"

#include "DialogParts.h"
#include "EventWait.h"
#include "InstrumentRequests.h"
#include "LibraryKeeper.h"
#include "Prompts.h"
#include "MidiPlatform.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "VentaroError.h"
#include "WriteReport.h"

#include <QProgressDialog>
#include <QScopeGuard>

namespace {

bool isSlot(const BankSendPlan::Step &step)
{
    return step.to != VoiceDump::Form::Full;
}

} // namespace

GuardedWriteRun::GuardedWriteRun(const Services &services, QWidget *owner)
    : m_services(services), m_owner(owner)
{
}

GuardedWrite::Result GuardedWriteRun::run(const VoiceBank &bank, const BankSendPlan &plan,
                                          WriteRecord::Kind kind, const QString &title,
                                          const QString &objectName, int gapMs, qint64 restores,
                                          const BankSender::Send &writeVoice)
{
    const TextTranslation &translate = m_services.translate;
    TVLManager &manager = m_services.manager;
    LibraryKeeper *keeper = m_services.library;
    int slotSteps = 0;
    for (const BankSendPlan::Step &step : plan.steps)
        slotSteps += isSlot(step) ? 1 : 0;
    // An output whose MIDI system ended fails the write at its first byte:
    // nothing is asked through the input then (opening anything on a MIDI
    // system that is ending is what must not happen).
    const bool outputGone = manager.MidiOut()->deviceState() == MidiPlatform::DeviceGone;
    const bool guarded = keeper && slotSteps > 0 && !outputGone;

    GuardedWrite::Settings settings;
    settings.gapMs = gapMs;
    settings.keep = guarded && keeper->keepsSlots();
    settings.verify = guarded;
    settings.recordWritten = keeper && keeper->keepsVoices();
    VoiceStore *store = keeper ? keeper->store(m_owner) : nullptr;

    std::unique_ptr<QProgressDialog> progress;
    // One voice takes a moment: no window for it.
    if (plan.steps.size() > 1)
        progress = DialogParts::progressWindow(m_owner, objectName, title,
                                               QString(), translate(QStringLiteral("Stop")),
                                               int(plan.steps.size()));
    const auto stopped = [&progress] { return progress && progress->wasCanceled(); };

    // The input listens while the slots are asked for what they hold and
    // read back; a device that cannot be opened leaves nothing to ask with.
    GuardedWrite *writer = nullptr;
    TMidiCorvoIn *input = manager.MidiIn();
    bool listening = false;
    const bool wasClosed = input->State() == TMidiCorvoIn::Closed;
    if (guarded && (settings.keep || settings.verify)) {
        input->OnSysexReceived = [&writer](QObject *, const quint8 *data, qint32 len) {
            if (data && writer)
                writer->take(QByteArrayView(data, len));
        };
        try {
            // An open port whose device went away is not opened afresh here:
            // its MIDI system may be ending, and the write fails on its own.
            if (input->State() == TMidiCorvoIn::Opened)
                input->Start();
            else
                input->Open(true);
            listening = input->State() == TMidiCorvoIn::Started;
        } catch (const VentaroError &) {
            listening = false;
        }
    }
    // The port is left as it was found: a port opened only for this write
    // is closed again, so that no client of it outlives the write.
    const auto letGo = qScopeGuard([input, guarded, wasClosed] {
        if (!guarded)
            return;
        try {
            if (wasClosed)
                input->Close();
            else
                input->Stop();
        } catch (const std::exception &) {
        }
        input->OnSysexReceived = nullptr;
    });

    const BankSender::Send send = [&](const QByteArray &message) {
        if (writeVoice && !InstrumentRequests::readDumpRequest(message))
            writeVoice(message);
        else
            manager.sendSysEx(message);
    };
    GuardedWrite::Io io{send,
                        [&](int milliseconds) {
                            EventWait::forMs(milliseconds);
                            return !stopped();
                        },
                        m_services.sleeper, listening};
    GuardedWrite guardedWrite(io, store, settings);
    writer = &guardedWrite;

    m_forAll.reset();
    GuardedWrite::Events events;
    events.starting = [&](GuardedWrite::Phase phase, int index, int count,
                          const BankSendPlan::Step &step) {
        if (!progress)
            return true;
        progress->setMaximum(count);
        progress->setValue(index);
        progress->setLabelText(WriteReport::progress(phase, index, count, bank, step, translate));
        EventWait::forMs(0);
        return !stopped();
    };
    events.done = [&](GuardedWrite::Phase, int index) {
        if (progress)
            progress->setValue(index + 1);
    };
    events.unkept = [&](const BankSendPlan::Step &step, GuardedWrite::NotKept why) {
        return ask(step, why, slotSteps);
    };
    const GuardedWrite::Result result =
        guardedWrite.run(bank, plan, manager.DeviceID(), kind, restores, events);
    writer = nullptr;
    if (progress)
        progress->close();
    return result;
}

GuardedWrite::Choice GuardedWriteRun::ask(const BankSendPlan::Step &step,
                                          GuardedWrite::NotKept why, int slotCount)
{
    if (m_forAll)
        return *m_forAll;
    const TextTranslation &translate = m_services.translate;
    const QString place = translate(BankSendPlan::placeText(step.to, step.slot));
    QString text = translate(GuardedWrite::UnkeptQuestion).arg(place);
    if (why == GuardedWrite::NotKept::NoInput)
        text = translate(QStringLiteral("No MIDI input is chosen, so what %1 holds cannot be "
                                        "kept. Write over it anyway?"))
                   .arg(place);
    else if (why == GuardedWrite::NotKept::NoLibrary)
        text = translate(QStringLiteral("The voice library cannot be opened, so what %1 holds "
                                        "cannot be kept. Write over it anyway?"))
                   .arg(place);
    QMessageBox::StandardButtons buttons =
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    if (slotCount > 1)
        buttons |= QMessageBox::YesToAll | QMessageBox::NoToAll;
    switch (m_services.prompts.message(m_owner, QMessageBox::Warning,
                                       translate(QStringLiteral("Keep What the Slot Holds")), text,
                                       buttons)) {
    case QMessageBox::YesToAll:
        m_forAll = GuardedWrite::Choice::Write;
        return GuardedWrite::Choice::Write;
    case QMessageBox::Yes:
        return GuardedWrite::Choice::Write;
    case QMessageBox::NoToAll:
        m_forAll = GuardedWrite::Choice::Skip;
        return GuardedWrite::Choice::Skip;
    case QMessageBox::No:
        return GuardedWrite::Choice::Skip;
    default:
        return GuardedWrite::Choice::Cancel;
    }
}

QString GuardedWriteRun::notTakenText(const GuardedWrite::Result &result) const
{
    return WriteReport::notTaken(result, m_services.manager.DeviceID(), m_services.translate);
}

QString GuardedWriteRun::report(const VoiceBank &bank, const BankSendPlan &plan,
                                const GuardedWrite::Result &result) const
{
    return WriteReport::line(bank, plan, result, m_services.translate);
}
