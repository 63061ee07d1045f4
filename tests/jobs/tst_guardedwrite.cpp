// Writing voices over the instrument's slots: what each slot held is kept
// first and what was written is read back; every run is in the history, and
// a restore puts the old voices back. The simulated instrument is wired
// straight to the writer on a virtual clock.

#include "DataColumns.h"
#include "GuardedWrite.h"
#include "InstrumentRequests.h"
#include "SimulatedVl70m.h"
#include "TestData.h"
#include "VentaroError.h"
#include "VirtualSleeper.h"
#include "VoiceIdentity.h"
#include "VoiceStore.h"
#include "WriteHistory.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Form = VoiceDump::Form;
using PlaceState = WriteRecord::PlaceState;
using Choice = GuardedWrite::Choice;
using Phase = GuardedWrite::Phase;

// Prog-A-1's voices 7, 8 and 9 go to Internal 5, 6 and 7 of an instrument
// holding VL70-A-1.
constexpr int FirstVoice = 6;
constexpr int FirstSlot = 5;
constexpr int Voices = 3;

struct Bench
{
    QTemporaryDir dir;
    VirtualSleeper clock;
    SimulatedVl70m instrument{clock};
    VoiceStore store{dir.filePath(QStringLiteral("library.sqlite"))};
    VoiceBank bank = VoiceBank::parse(readTestData("Prog-A-1.syx"));
    VoiceBank old = VoiceBank::parse(readTestData("VL70-A-1.syx"));
    QStringList wire; // "ask 5", "write 5"
    int silentSlot = 0;    // the first request for it goes unanswered
    int failAtRequest = 0; // the n-th request cannot be sent (1-based)
    int requests = 0;
    std::unique_ptr<GuardedWrite> writer;

    Bench()
    {
        instrument.loadBank(old);
        instrument.setSender([this](const QByteArray &answer) { writer->take(answer); });
    }

    GuardedWrite::Result run(const GuardedWrite::Events &events = {},
                             GuardedWrite::Settings settings = {}, bool listening = true,
                             quint8 deviceId = 0)
    {
        GuardedWrite::Io io{[this](const QByteArray &message) { send(message); },
                            [this](int ms) {
                                clock.advanceMs(ms);
                                return true;
                            },
                            clock, listening};
        writer = std::make_unique<GuardedWrite>(io, &store, settings);
        BankSendPlan::Options where;
        where.order = BankSendPlan::Order::Consecutive;
        where.firstSlot = FirstSlot;
        VoiceBank some;
        some.voices = bank.voices.mid(FirstVoice, Voices);
        const BankSendPlan plan = BankSendPlan::make(some, where);
        return writer->run(some, plan, deviceId, WriteRecord::Kind::SendAll, 0, events);
    }

    void send(const QByteArray &message)
    {
        if (const auto request = InstrumentRequests::readDumpRequest(message)) {
            if (++requests == failAtRequest)
                throw VentaroError(QStringLiteral("The MIDI system is gone."));
            const int slot = request->address[2] + 1;
            wire << QStringLiteral("ask %1").arg(slot);
            if (slot == silentSlot) {
                silentSlot = 0;
                return;
            }
        } else {
            wire << QStringLiteral("write %1").arg(quint8(message.at(VoiceDump::AddressLowOffset)) + 1);
        }
        instrument.receive(message);
    }

    QByteArray held(int slot) const
    {
        return VoiceIdentity::dataBytes(Form::Internal, instrument.internalSlot(slot));
    }
    QByteArray oldVoice(int slot) const
    {
        return VoiceIdentity::dataBytes(Form::Internal, old.voices[slot - 1].bytes);
    }
    QByteArray newVoice(int slot) const
    {
        return VoiceIdentity::dataBytes(Form::Internal,
                                        bank.voices[FirstVoice + slot - FirstSlot].bytes);
    }
    QByteArray keptBytes(const WriteRecord::Place &place) const
    {
        return VoiceIdentity::dataBytes(Form::Internal, store.voice(place.keptId)->bytes);
    }
};

QList<PlaceState> statesOf(const QList<WriteRecord::Place> &places)
{
    QList<PlaceState> states;
    for (const WriteRecord::Place &place : places)
        states << place.state;
    return states;
}

} // namespace

class TestGuardedWrite : public QObject
{
    Q_OBJECT

private slots:
    void keepsWritesAndVerifies();
    void slotThatDoesNotAnswer_data();
    void slotThatDoesNotAnswer();
    void stopped_data();
    void stopped();
    void restoreOfAPartialWrite();
};

// Every slot is asked for before the first write; the library holds the old
// voices byte for byte and the history the whole write.
void TestGuardedWrite::keepsWritesAndVerifies()
{
    Bench bench;
    for (int slot = FirstSlot; slot < FirstSlot + Voices; ++slot)
        QVERIFY(bench.oldVoice(slot) != bench.newVoice(slot));
    const GuardedWrite::Result result = bench.run();
    QCOMPARE(result.failure, QString());
    QCOMPARE(bench.wire, QStringList({"ask 5", "ask 6", "ask 7", "write 5", "write 6", "write 7",
                                      "ask 5", "ask 6", "ask 7"}));
    QCOMPARE(statesOf(result.places), QList<PlaceState>(Voices, PlaceState::Verified));
    const std::optional<WriteRecord> entry = WriteHistory(bench.store).entry(result.entry);
    QVERIFY(entry);
    QCOMPARE(entry->state, WriteRecord::State::Completed);
    QCOMPARE(entry->device, 0);
    for (int i = 0; i < Voices; ++i) {
        QCOMPARE(bench.held(FirstSlot + i), bench.newVoice(FirstSlot + i));
        QCOMPARE(bench.keptBytes(entry->places[i]), bench.oldVoice(FirstSlot + i));
        QCOMPARE(entry->places[i].state, PlaceState::Verified);
        QVERIFY(entry->places[i].voiceId != 0);
    }
}

// Internal 6 does not answer; what the user chooses is done. A wrong device
// number is caught when the slots are read back.
void TestGuardedWrite::slotThatDoesNotAnswer_data()
{
    addColumns<Choice, int, bool, QList<PlaceState>, QString>("choice", "device", "listening",
                                                              "states", "notKept");
    const auto v = PlaceState::Verified, p = PlaceState::Pending, s = PlaceState::Skipped,
               n = PlaceState::NotTaken, w = PlaceState::Written;
    QTest::newRow("write") << Choice::Write << 0 << true << QList<PlaceState>{v, v, v}
                           << "no answer";
    QTest::newRow("skip") << Choice::Skip << 0 << true << QList<PlaceState>{v, s, v}
                          << "no answer";
    QTest::newRow("cancel") << Choice::Cancel << 0 << true << QList<PlaceState>{p, p, p}
                            << "no answer";
    QTest::newRow("wrong device") << Choice::Write << 3 << true << QList<PlaceState>{n, n, n}
                                  << "no answer";
    QTest::newRow("no input") << Choice::Write << 0 << false << QList<PlaceState>{w, w, w}
                              << "no input";
}

void TestGuardedWrite::slotThatDoesNotAnswer()
{
    QFETCH(Choice, choice);
    QFETCH(int, device);
    QFETCH(bool, listening);
    QFETCH(QList<PlaceState>, states);
    QFETCH(QString, notKept);
    Bench bench;
    bench.silentSlot = 6;
    QList<int> asked;
    GuardedWrite::Events events;
    events.unkept = [&](const BankSendPlan::Step &step, GuardedWrite::NotKept) {
        asked << step.slot;
        // Nothing is written before the user answers.
        if (bench.wire.filter(QStringLiteral("write")).size() > 0)
            return Choice::Cancel;
        return choice;
    };
    const GuardedWrite::Result result = bench.run(events, {}, listening, quint8(device));
    QCOMPARE(statesOf(result.places), states);
    QCOMPARE(result.places[1].notKept, notKept);
    QCOMPARE(asked.contains(6), true);
    for (int i = 0; i < Voices; ++i) {
        const int slot = FirstSlot + i;
        const bool written = states[i] == PlaceState::Verified || states[i] == PlaceState::Written;
        QCOMPARE(bench.held(slot), written ? bench.newVoice(slot) : bench.oldVoice(slot));
    }
}

// Stopped while keeping, stopped while writing, and a MIDI system that goes
// away while keeping: nothing kept is lost and nothing more is written.
void TestGuardedWrite::stopped_data()
{
    addColumns<int, int, int, QList<PlaceState>, WriteRecord::State>(
        "stopKeepingAt", "stopWritingAt", "failAtRequest", "states", "state");
    const auto p = PlaceState::Pending, w = PlaceState::Written;
    QTest::newRow("keeping") << 1 << -1 << 0 << QList<PlaceState>{p, p, p}
                             << WriteRecord::State::Stopped;
    QTest::newRow("writing") << -1 << 2 << 0 << QList<PlaceState>{w, w, p}
                             << WriteRecord::State::Stopped;
    QTest::newRow("gone while keeping") << -1 << -1 << 2 << QList<PlaceState>{p, p, p}
                                        << WriteRecord::State::Failed;
}

void TestGuardedWrite::stopped()
{
    QFETCH(int, stopKeepingAt);
    QFETCH(int, stopWritingAt);
    QFETCH(int, failAtRequest);
    QFETCH(QList<PlaceState>, states);
    QFETCH(WriteRecord::State, state);
    Bench bench;
    bench.failAtRequest = failAtRequest;
    GuardedWrite::Events events;
    std::optional<WriteRecord> midway;
    events.starting = [&](Phase phase, int index, int, const BankSendPlan::Step &) {
        // What a program killed here leaves behind.
        if (phase == Phase::Writing && index == 1)
            midway = WriteHistory(bench.store).list(1).value(0);
        return !(phase == Phase::Keeping && index == stopKeepingAt)
               && !(phase == Phase::Writing && index == stopWritingAt);
    };
    const GuardedWrite::Result result = bench.run(events);
    QCOMPARE(statesOf(result.places), states);
    QCOMPARE(result.failure.isEmpty(), failAtRequest == 0);
    const WriteRecord entry = *WriteHistory(bench.store).entry(result.entry);
    QCOMPARE(entry.state, state);
    QCOMPARE(statesOf(entry.places), states);
    if (failAtRequest)
        QCOMPARE(bench.keptBytes(entry.places[0]), bench.oldVoice(FirstSlot));
    if (midway) {
        QCOMPARE(midway->state, WriteRecord::State::Unfinished);
        QCOMPARE(midway->places.size(), Voices);
        for (int i = 0; i < Voices; ++i)
            QCOMPARE(bench.keptBytes(midway->places[i]), bench.oldVoice(FirstSlot + i));
    }
    for (int i = 0; i < Voices; ++i)
        if (states[i] == PlaceState::Pending)
            QCOMPARE(bench.held(FirstSlot + i), bench.oldVoice(FirstSlot + i));
}

// A write stopped after two slots is undone: those two hold their old voices
// again, the third was never touched, and the restore is itself in the
// history with what it wrote over.
void TestGuardedWrite::restoreOfAPartialWrite()
{
    Bench bench;
    GuardedWrite::Events events;
    events.starting = [](Phase phase, int index, int, const BankSendPlan::Step &) {
        return !(phase == Phase::Writing && index == 2);
    };
    bench.run(events);
    const std::optional<WriteRecord> last = WriteHistory(bench.store).lastRestorable();
    QVERIFY(last);
    const GuardedWrite::Restore restore = GuardedWrite::restoreOf(*last, bench.store);
    QCOMPARE(restore.plan.steps.size(), 2);
    const GuardedWrite::Result undone = bench.writer->run(
        restore.bank, restore.plan, 0, WriteRecord::Kind::Restore, last->id, {});
    QCOMPARE(undone.failure, QString());
    QCOMPARE(statesOf(undone.places), QList<PlaceState>(2, PlaceState::Verified));
    for (int slot = FirstSlot; slot < FirstSlot + Voices; ++slot)
        QCOMPARE(bench.held(slot), bench.oldVoice(slot));
    const WriteRecord entry = *WriteHistory(bench.store).entry(undone.entry);
    QCOMPARE(entry.kind, WriteRecord::Kind::Restore);
    QCOMPARE(entry.restores, last->id);
    QCOMPARE(bench.keptBytes(entry.places[0]), bench.newVoice(FirstSlot));
}

QTEST_GUILESS_MAIN(TestGuardedWrite)
#include "tst_guardedwrite.moc"
