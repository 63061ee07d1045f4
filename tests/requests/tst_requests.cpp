// Asking the instrument: the identity and bulk dump request messages and
// their answers, the simulated instrument answering them (late, not at all,
// for another device number, up to a limit), fetching voices block by block
// and backing up all seventy slots.

#include "Bytes.h"
#include "DataColumns.h"
#include "InstrumentBackup.h"
#include "InstrumentRequests.h"
#include "SimPanel.h"
#include "SimulatedVl70m.h"
#include "TestData.h"
#include "VirtualSleeper.h"
#include "VoiceBank.h"
#include "VoiceFetcher.h"
#include "WithoutSeals.h"

#include <QTest>

namespace {

using Form = VoiceDump::Form;

// The simulated instrument wired straight to a fetcher: every request goes
// in, every answer comes back at once, or `answerAfterMs` later. Each wait
// moves the clock by what it asked, or by `wakeAfterMs` when other traffic
// on the input would end it sooner.
struct Bench
{
    VirtualSleeper clock;
    SimulatedVl70m instrument{clock};
    QList<QByteArray> answers;
    int waits = 0;
    int answerAfterMs = 0;
    int wakeAfterMs = 0;
    QList<std::pair<qint64, QByteArray>> pending; // answers and when they arrive
    std::unique_ptr<VoiceFetcher> fetcher;

    explicit Bench(int askedDevice = 0)
    {
        fetcher = std::make_unique<VoiceFetcher>(
            [this](const QByteArray &request) { instrument.receive(request); },
            [this](int milliseconds) {
                ++waits;
                clock.advanceMs(wakeAfterMs > 0 ? qMin(milliseconds, wakeAfterMs) : milliseconds);
                while (!pending.isEmpty() && pending.first().first <= clock.nowNs())
                    fetcher->take(pending.takeFirst().second);
                return true;
            },
            askedDevice, clock);
        instrument.setSender([this](const QByteArray &message) {
            answers << message;
            if (answerAfterMs > 0)
                pending.append({clock.nowNs() + qint64(answerAfterMs) * 1000000, message});
            else
                fetcher->take(message);
        });
    }
    // What the panel's dump-out sends for the buttons pressed.
    QByteArray panelDump(std::initializer_list<int> buttons)
    {
        answers.clear();
        for (const int button : buttons)
            instrument.pressButton(button);
        return joined(answers);
    }
};

} // namespace

class TestRequests : public QObject
{
    Q_OBJECT

private slots:
    void identityReplies_data();
    void identityReplies();
    void dumpRequests_data();
    void dumpRequests();
    void fetchEqualsPanelDump_data();
    void fetchEqualsPanelDump();
    void unansweredRequests_data();
    void unansweredRequests();
    void answerTimeByTheClock_data();
    void answerTimeByTheClock();
    void backupEqualsBank();
    void backupStopsWhenAnswersStop_data();
    void backupStopsWhenAnswersStop();
    void backupStoppedByTheUser();
    void placesText();
};

void TestRequests::identityReplies_data()
{
    // device -1: no reply of this instrument
    addColumns<QByteArray, int>("message", "device");
    QTest::newRow("device 1") << QByteArray::fromHex("f07e0006024300410c0201000000f7") << 0;
    QTest::newRow("device 16, other version")
        << QByteArray::fromHex("f07e0f06024300410c027f7f7f7ff7") << 15;
    QTest::newRow("another member") << QByteArray::fromHex("f07e0006024300410c0301000000f7") << -1;
    QTest::newRow("another maker") << QByteArray::fromHex("f07e0006024100410c0201000000f7") << -1;
    QTest::newRow("device byte 7F") << QByteArray::fromHex("f07e7f06024300410c0201000000f7") << -1;
    QTest::newRow("one byte short") << QByteArray::fromHex("f07e0006024300410c02010000f7") << -1;
    QTest::newRow("identity request") << InstrumentRequests::identityRequest() << -1;
}

void TestRequests::identityReplies()
{
    QFETCH(QByteArray, message);
    QFETCH(int, device);
    const std::optional<int> read = InstrumentRequests::readIdentityReply(message);
    QCOMPARE(read.value_or(-1), device);
    if (device >= 0)
        QCOMPARE(InstrumentRequests::readIdentityReply(
                     InstrumentRequests::identityReply(device, {1, 2, 3, 4})),
                 std::optional<int>(device));
}

void TestRequests::dumpRequests_data()
{
    addColumns<int, int, QStringList>("form", "slot", "requests");
    QTest::newRow("Internal 12") << int(Form::Internal) << 12 << QStringList{"f043235740000bf7"};
    QTest::newRow("Custom 6") << int(Form::Custom) << 6
                              << QStringList{"f0432357300005f7", "f0432357310005f7"};
    QTest::newRow("current voice, first and last of 15")
        << int(Form::Full) << 0 << QStringList{"f0432357080000f7", "f0432357200000f7"};
    QTest::newRow("Internal 65") << int(Form::Internal) << 65 << QStringList{};
    QTest::newRow("Custom 0") << int(Form::Custom) << 0 << QStringList{};
}

// The requests for a voice, device number 4, and how each reads back.
void TestRequests::dumpRequests()
{
    QFETCH(int, form);
    QFETCH(int, slot);
    QFETCH(QStringList, requests);
    const auto blocks = InstrumentRequests::voiceBlocks(Form(form), slot);
    QStringList made;
    for (const auto &block : blocks) {
        const QByteArray request = InstrumentRequests::dumpRequest(3, block.address);
        made << QString::fromLatin1(request.toHex());
        const auto read = InstrumentRequests::readDumpRequest(request);
        QVERIFY(read && read->deviceNumber == 3 && read->address == block.address);
    }
    if (Form(form) == Form::Full) {
        QCOMPARE(made.size(), VoiceDump::FullBlockCount);
        made = QStringList{made.first(), made.last()};
    }
    QCOMPARE(made, requests);
}

void TestRequests::fetchEqualsPanelDump_data()
{
    addColumns<int, int, int>("device", "form", "slot");
    QTest::newRow("current voice, device 1") << 0 << int(Form::Full) << 0;
    QTest::newRow("current voice, device 9") << 8 << int(Form::Full) << 0;
    QTest::newRow("Custom 3, device 16") << 15 << int(Form::Custom) << 3;
    QTest::newRow("Internal 1, device 2") << 1 << int(Form::Internal) << 1;
}

// A voice fetched by request is, byte for byte, the panel's dump of it.
void TestRequests::fetchEqualsPanelDump()
{
    QFETCH(int, device);
    QFETCH(int, form);
    QFETCH(int, slot);
    Bench bench(device);
    QVERIFY(bench.instrument.setDeviceNumber(device));
    QVERIFY(bench.instrument.setDumpIntervalMs(0));
    const VoiceFetcher::Result fetched = bench.fetcher->fetch(Form(form), slot);
    QCOMPARE(int(fetched.outcome), int(VoiceFetcher::Outcome::Whole));
    using B = SimPanel::Button;
    QByteArray panel;
    if (Form(form) == Form::Full)
        panel = bench.panelDump({B::Util, B::Enter, B::Enter});
    else if (Form(form) == Form::Custom)
        panel = bench.panelDump(
            {B::Util, B::SelectPlus, B::ValuePlus, B::ValuePlus, B::Enter, B::Enter});
    else
        panel = bench.panelDump({B::Util, B::SelectPlus, B::SelectPlus, B::Enter, B::Enter});
    QCOMPARE(fetched.bytes, panel);
    QVERIFY(VoiceDump::formOf(fetched.bytes) == Form(form));
}

void TestRequests::unansweredRequests_data()
{
    // blocksLogged: requests the instrument answered
    addColumns<int, bool, int, int>("instrumentDevice", "answering", "limit", "blocksLogged");
    QTest::newRow("another device number") << 3 << true << -1 << 0;
    QTest::newRow("answering off") << 0 << false << -1 << 0;
    QTest::newRow("stops within the voice") << 0 << true << 7 << 7;
}

// A voice whose blocks do not all come is not answered, nothing of it kept,
// after a bounded wait per block.
void TestRequests::unansweredRequests()
{
    QFETCH(int, instrumentDevice);
    QFETCH(bool, answering);
    QFETCH(int, limit);
    QFETCH(int, blocksLogged);
    Bench bench(0);
    bench.instrument.setDeviceNumber(instrumentDevice);
    bench.instrument.setAnswering(answering);
    bench.instrument.setAnswerLimit(limit);
    const VoiceFetcher::Result fetched = bench.fetcher->fetch(Form::Full);
    QCOMPARE(int(fetched.outcome), int(VoiceFetcher::Outcome::NotAnswered));
    QVERIFY(fetched.bytes.isEmpty());
    QCOMPARE(bench.answers.size(), blocksLogged);
    QCOMPARE(bench.waits, VoiceFetcher::AnswerTimeoutMs / 10);
    // And the identity request, answered or not as the dump requests.
    bench.answers.clear();
    bench.instrument.setAnswerLimit(-1);
    bench.instrument.receive(InstrumentRequests::identityRequest());
    QCOMPARE(bench.answers.size(), answering ? 1 : 0);
    if (answering)
        QCOMPARE(InstrumentRequests::readIdentityReply(bench.answers.first()),
                 std::optional<int>(instrumentDevice));
}

void TestRequests::answerTimeByTheClock_data()
{
    // wakeAfterMs: other input ends each wait after that long (0: none);
    // answerAfterMs: -1, no answer
    addColumns<int, int, bool>("wakeAfterMs", "answerAfterMs", "whole");
    QTest::newRow("quiet input, answer in 250 ms") << 0 << 250 << true;
    QTest::newRow("SysEx every 2 ms, answer in 250 ms") << 2 << 250 << true;
    QTest::newRow("SysEx every 2 ms, answer in 990 ms") << 2 << 990 << true;
    QTest::newRow("SysEx every 2 ms, no answer") << 2 << -1 << false;
    QTest::newRow("SysEx every 3 ms, answer too late") << 3 << 1010 << false;
}

// Other traffic on the input ends the fetcher's waits early; the answer
// time is still a second by the clock, neither shorter nor longer.
void TestRequests::answerTimeByTheClock()
{
    QFETCH(int, wakeAfterMs);
    QFETCH(int, answerAfterMs);
    QFETCH(bool, whole);
    Bench bench(0);
    bench.wakeAfterMs = wakeAfterMs;
    bench.answerAfterMs = answerAfterMs;
    bench.instrument.setAnswering(answerAfterMs >= 0);
    const qint64 begin = bench.clock.nowNs();
    const VoiceFetcher::Result fetched = bench.fetcher->fetch(Form::Internal, 7);
    const qint64 tookMs = (bench.clock.nowNs() - begin) / 1000000;
    QCOMPARE(fetched.outcome,
             whole ? VoiceFetcher::Outcome::Whole : VoiceFetcher::Outcome::NotAnswered);
    if (whole) {
        QVERIFY2(tookMs >= answerAfterMs && tookMs < answerAfterMs + 10,
                 qPrintable(QString::number(tookMs)));
    } else {
        QCOMPARE(tookMs, qint64(VoiceFetcher::AnswerTimeoutMs));
    }
}

// A backup of an instrument holding a real bank is that bank, device
// number aside, after its six custom voices.
void TestRequests::backupEqualsBank()
{
    Bench bench(0);
    const QByteArray file = readTestData("VL70-A-1.syx");
    QCOMPARE(bench.instrument.loadBank(VoiceBank::parse(file)), 64);
    QList<int> started;
    const InstrumentBackup::Result result = InstrumentBackup::run(*bench.fetcher, [&](int index) {
        started << index;
        return true;
    });
    QCOMPARE(result.fetched, 70);
    QVERIFY(result.missed.isEmpty());
    QCOMPARE(started.size(), 70);
    const VoiceBank bank = VoiceBank::parse(result.bank);
    QCOMPARE(bank.voices.size(), 70);
    QCOMPARE(bank.skipped, 0);
    QByteArray custom;
    for (int slot = 1; slot <= 6; ++slot) {
        QCOMPARE(int(bank.voices[slot - 1].form), int(Form::Custom));
        custom += bank.voices[slot - 1].bytes;
    }
    QCOMPARE(withoutSeals(result.bank), withoutSeals(custom + file));
}

void TestRequests::backupStopsWhenAnswersStop_data()
{
    // silentBanks: banks whose dump requests go unanswered; unanswered:
    // voices asked in vain (a block each, each waited for in full)
    addColumns<int, QList<int>, int, QString, int>("answerLimit", "silentBanks", "fetched",
                                                   "missed", "unanswered");
    // Each custom voice is two requests: 6 x 2 + 14 answers make 20 voices.
    QTest::newRow("stops after twenty voices")
        << 6 * 2 + 14 << QList<int>{} << 20 << "Internal 15-64" << 2;
    QTest::newRow("Custom kept silent")
        << -1 << QList<int>{int(Form::Custom)} << 64 << "Custom 1-6" << 2;
    QTest::newRow("Internal kept silent")
        << -1 << QList<int>{int(Form::Internal)} << 6 << "Internal 1-64" << 2;
    QTest::newRow("both kept silent") << -1 << QList<int>{int(Form::Custom), int(Form::Internal)}
                                      << 0 << "Custom 1-6, Internal 1-64" << 4;
}

// Two slots in a row without an answer end their bank, not the backup: the
// voices of the other bank are still kept, and what did not answer is named.
void TestRequests::backupStopsWhenAnswersStop()
{
    QFETCH(int, answerLimit);
    QFETCH(QList<int>, silentBanks);
    QFETCH(int, fetched);
    QFETCH(QString, missed);
    QFETCH(int, unanswered);
    Bench bench(0);
    bench.instrument.setAnswerLimit(answerLimit);
    for (const int bank : silentBanks)
        bench.instrument.setBankSilent(Form(bank), true);
    const InstrumentBackup::Result result = InstrumentBackup::run(*bench.fetcher);
    QCOMPARE(result.fetched, fetched);
    QCOMPARE(result.missed.size(), 70 - fetched);
    QCOMPARE(InstrumentBackup::placesText(result.missed), missed);
    QCOMPARE(VoiceBank::parse(result.bank).voices.size(), fetched);
    QCOMPARE(bench.waits, unanswered * VoiceFetcher::AnswerTimeoutMs / 10);
}

// Stopped by the user before the third slot.
void TestRequests::backupStoppedByTheUser()
{
    Bench stopped(0);
    const InstrumentBackup::Result early =
        InstrumentBackup::run(*stopped.fetcher, [](int index) { return index < 2; });
    QVERIFY(early.stopped);
    QCOMPARE(early.fetched, 2);
}

void TestRequests::placesText()
{
    using Slot = InstrumentBackup::Slot;
    QCOMPARE(InstrumentBackup::placesText({Slot{Form::Custom, 3}, Slot{Form::Custom, 4},
                                           Slot{Form::Custom, 6}, Slot{Form::Internal, 1}}),
             QStringLiteral("Custom 3-4, Custom 6, Internal 1"));
    QCOMPARE(InstrumentBackup::placesText({}), QString());
}

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
