#pragma once

#include "BankSendPlan.h"
#include "BankSender.h"
#include "InstrumentBackup.h"
#include "VoiceFetcher.h"
#include "WriteRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

class Sleeper;
class VoiceStore;

// Writes voices into the instrument so that nothing written over is lost:
// first it asks the instrument for what every target slot holds and keeps
// each answer in the voice library ("held by Internal 5"), then it writes
// the voices as BankSender paces them, then it asks every slot written for
// its voice again and compares the data bytes. No byte of a write leaves
// before the last answer of the keeping; a keeping stopped or failed writes
// nothing. Each run is an entry of the write history, updated as it goes,
// so that a program killed in the middle leaves the entry unfinished with
// every voice kept until then.
//
// The current voice is written, never kept nor read back (the instrument's
// edit buffer changes as it is played). Without an input there is nothing
// to keep or verify with: the voices are written and the history says why
// nothing was kept.
class GuardedWrite
{
public:
    enum class Phase { Keeping, Writing, Verifying };
    // What to do with a slot whose voice could not be kept.
    enum class Choice { Write, Skip, Cancel };
    enum class NotKept { KeepingOff, NoInput, NoAnswer, NoLibrary };

    struct Settings
    {
        bool keep = true;   // ask for what each slot holds before writing over it
        bool verify = true; // ask each slot written for its voice again
        // Keep the voices written in the library too (the history then
        // links them); off when the user keeps no voices met.
        bool recordWritten = true;
        int gapMs = BankSender::DefaultGapMs;
        int answerTimeoutMs = VoiceFetcher::AnswerTimeoutMs;
    };

    struct Io
    {
        // Hands one message to the MIDI system; raises VentaroError when it fails.
        BankSender::Send send;
        // Lets input arrive (Take) for up to the milliseconds given; false stops.
        VoiceFetcher::Wait wait;
        Sleeper &sleeper;
        // An input is attached and every SysEx message from it reaches Take().
        bool listening = false;
    };

    struct Events
    {
        // Before each slot of a phase (`index` of `count` in that phase);
        // false stops the run.
        std::function<bool(Phase phase, int index, int count, const BankSendPlan::Step &step)>
            starting;
        // After each slot of a phase, its `index` done.
        std::function<void(Phase phase, int index)> done;
        // A slot whose voice could not be kept (never for KeepingOff); no
        // handler: written over. Asked once every answer of the keeping is in.
        std::function<Choice(const BankSendPlan::Step &step, NotKept why)> unkept;
    };

    struct Result
    {
        qint64 entry = 0; // the history's entry; 0 without a library
        QList<WriteRecord::Place> places; // one per step of the plan
        int kept = 0;
        bool stopped = false; // by the user: Stop, or Cancel for a slot not kept
        QString failure;      // what ended the run otherwise (untranslated)

        int count(WriteRecord::PlaceState state) const;
        QList<InstrumentBackup::Slot> placesIn(WriteRecord::PlaceState state) const;
        QList<InstrumentBackup::Slot> notKept() const; // places reached whose voice was not kept
    };

    // A write's kept voices as a bank and where each goes back.
    struct Restore
    {
        VoiceBank bank;
        BankSendPlan plan;
    };

    // `store` may be null (no library): nothing is kept and no history is written.
    GuardedWrite(Io io, VoiceStore *store, Settings settings);

    // One SysEx message from the input.
    void take(QByteArrayView message);

    // Raises nothing the MIDI system or library says: a failure ends the run
    // in `failure`, with what was done until then recorded.
    Result run(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
               WriteRecord::Kind kind, qint64 restores = 0, const Events &events = {});

    // What `record` wrote over and kept, to be written back; raises
    // VentaroError when nothing of it can be restored.
    static Restore restoreOf(const WriteRecord &record, const VoiceStore &store);

    // "keeping is off", "no input", "no answer", "no library".
    static QString notKeptText(NotKept why);

    // The user's texts (untranslated; %1 a place, %2 a device number).
    static inline const QString UnkeptQuestion = QStringLiteral(
        "The instrument did not say what %1 holds, so it cannot be kept. Write over it anyway?");
    static inline const QString NotTakenText =
        QStringLiteral("%1 did not take the voice (is the device number %2?)");

private:
    // Fetches what every slot step holds; false when the run ends here.
    bool keep(const BankSendPlan &plan, quint8 deviceId, const Events &events, Result &result);
    void write(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
               const Events &events, Result &result);
    void verify(const VoiceBank &bank, const BankSendPlan &plan, quint8 deviceId,
                const Events &events, Result &result);
    void setState(Result &result, int step, WriteRecord::PlaceState state, qint64 voiceId = 0);

    Io m_io;
    VoiceStore *m_store;
    Settings m_settings;
    VoiceFetcher *m_fetcher = nullptr; // the fetch under way, fed by Take()
    qint64 m_entry = 0;
};
