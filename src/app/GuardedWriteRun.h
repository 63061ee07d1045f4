#pragma once

#include "GuardedWrite.h"
#include "TextTranslation.h"

#include <functional>

class LibraryKeeper;
class Prompts;
class QWidget;
class Sleeper;
class TVLManager;

// A write to the instrument run from a window: the input attached while it
// runs (what the slots hold is asked through it), a progress window with
// Stop for slot writes, and the question for each slot whose voice could
// not be kept. Without a library keeper (a window built without one) the
// voices are written as they are, neither kept nor read back.
class GuardedWriteRun
{
public:
    struct Services
    {
        TVLManager &manager;
        Prompts &prompts;
        Sleeper &sleeper;
        LibraryKeeper *library; // may be null
        TextTranslation translate;
    };

    GuardedWriteRun(const Services &services, QWidget *owner);

    // Writes the plan's voices; `writeVoice` sends one voice (none: the
    // manager's SendSysEx). `title` names the progress window, `objectName`
    // is its object name.
    GuardedWrite::Result run(const VoiceBank &bank, const BankSendPlan &plan,
                             WriteRecord::Kind kind, const QString &title,
                             const QString &objectName,
                             int gapMs = BankSender::DefaultGapMs, qint64 restores = 0,
                             const BankSender::Send &writeVoice = {});

    // What became of it, for the user: "Sent "TripleRd" to Internal 1,
    // verified", "3 voices sent to Internal 5-7, verified"; places not taken
    // and not kept on lines of their own.
    QString report(const VoiceBank &bank, const BankSendPlan &plan,
                   const GuardedWrite::Result &result) const;
    // The lines for places that did not take their voice, empty when all did.
    QString notTakenText(const GuardedWrite::Result &result) const;

private:
    GuardedWrite::Choice ask(const BankSendPlan::Step &step, GuardedWrite::NotKept why,
                             int slotCount);

    Services m_services;
    QWidget *m_owner;
    std::optional<GuardedWrite::Choice> m_forAll;
};
