// Sending and collecting banks below the windows: where each voice goes,
// the bytes that leave, the pacing between voices, stopping and failing
// between voices, and the voices gathered from a stream of dump blocks.

#include "BankSendPlan.h"
#include "BankSender.h"
#include "DataColumns.h"
#include "FileBytes.h"
#include "RaisedText.h"
#include "SimulatedVl70m.h"
#include "TestData.h"
#include "VentaroError.h"
#include "VirtualSleeper.h"
#include "VoiceCollector.h"
#include "VoiceConversion.h"
#include "WithoutSeals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Form = VoiceDump::Form;
using Step = BankSendPlan::Step;

QByteArray fullVoice(const QByteArray &name)
{
    return SimulatedVl70m::makeVoice(name, quint32(qHash(name)), 0);
}
QByteArray customVoice(const QByteArray &name, int slot)
{
    return VoiceConversion::DumpToCustom(fullVoice(name), slot, 0);
}
QByteArray internalVoice(const QByteArray &name, int slot)
{
    return VoiceConversion::DumpToInternal(fullVoice(name), slot, 0);
}

// Internal 5, Custom 3, a full voice, Internal 9.
VoiceBank mixedBank()
{
    return VoiceBank::parse(internalVoice("Int Five", 5) + customVoice("Cus Thre", 3)
                            + fullVoice("Full One") + internalVoice("Int Nine", 9));
}

BankSendPlan::Options ownSlots(std::optional<Form> full = std::nullopt, int fullSlot = 1)
{
    BankSendPlan::Options options;
    options.fullVoicesTo = full;
    options.fullFirstSlot = fullSlot;
    return options;
}
BankSendPlan::Options consecutive(Form to, int first)
{
    BankSendPlan::Options options;
    options.order = BankSendPlan::Order::Consecutive;
    options.consecutiveTo = to;
    options.firstSlot = first;
    return options;
}
BankSendPlan::Options only(int voice, BankSendPlan::Options options)
{
    options.onlyVoice = voice;
    return options;
}

QString describe(const BankSendPlan &plan)
{
    QStringList parts;
    for (const Step &step : plan.steps)
        parts << QStringLiteral("%1>%2")
                     .arg(step.voice)
                     .arg(BankSendPlan::placeText(step.to, step.slot));
    for (const int left : plan.leftOut)
        parts << QStringLiteral("%1>out").arg(left);
    return parts.join(u' ');
}

} // namespace

Q_DECLARE_METATYPE(BankSendPlan::Options)

class TestBankSend : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
    void refusalsTranslated();
    void realBanksLeaveByteExact_data();
    void realBanksLeaveByteExact();
    void pacedByWireTimeAndGap_data();
    void pacedByWireTimeAndGap();
    void stopsBetweenVoices();
    void failureKeepsCount();
    void storedGap_data();
    void storedGap();
    void collectsVoicesInOrder();
};

void TestBankSend::plan_data()
{
    // expected: where each voice goes, or the start of the error text
    addColumns<BankSendPlan::Options, QString>("options", "expected");

    QTest::newRow("own slots, full voice left out")
        << ownSlots() << "0>Internal 5 1>Custom 3 3>Internal 9 2>out";
    QTest::newRow("own slots, full voice to the current voice")
        << ownSlots(Form::Full) << "0>Internal 5 1>Custom 3 2>Current 3>Internal 9";
    QTest::newRow("own slots, full voice to Custom 6")
        << ownSlots(Form::Custom, 6) << "0>Internal 5 1>Custom 3 2>Custom 6 3>Internal 9";
    QTest::newRow("own slots, full voice past the last slot")
        << ownSlots(Form::Custom, 7) << "Voice 3 \"Full One\" would go to Custom 7";
    QTest::newRow("consecutive to Internal holds a custom voice")
        << consecutive(Form::Internal, 1)
        << "Voice 2 \"Cus Thre\" is a custom voice and cannot be sent to Internal.";
    QTest::newRow("consecutive to Custom holds an internal voice")
        << consecutive(Form::Custom, 1)
        << "Voice 1 \"Int Five\" is an internal voice and cannot be sent to Custom.";
    // One voice alone: the others are neither sent nor looked at.
    QTest::newRow("only the internal voice, to its own slot")
        << only(3, ownSlots()) << "3>Internal 9";
    QTest::newRow("only the full voice, left out") << only(2, ownSlots()) << "2>out";
    QTest::newRow("only the internal voice, to Internal 64")
        << only(3, consecutive(Form::Internal, 64)) << "3>Internal 64";
    QTest::newRow("only the custom voice, to Internal")
        << only(1, consecutive(Form::Internal, 1))
        << "Voice 2 \"Cus Thre\" is a custom voice and cannot be sent to Internal.";
}

void TestBankSend::plan()
{
    QFETCH(BankSendPlan::Options, options);
    QFETCH(QString, expected);
    const VoiceBank bank = mixedBank();
    QCOMPARE(bank.voices.size(), 4);
    try {
        QCOMPARE(describe(BankSendPlan::make(bank, options)), expected);
    } catch (const VentaroError &e) {
        QVERIFY2(e.text().startsWith(expected), qPrintable(e.text()));
    }

    // Internal voices and full voices run on to the last slot, not past it.
    const VoiceBank two = VoiceBank::parse(internalVoice("A", 1) + fullVoice("B"));
    QCOMPARE(describe(BankSendPlan::make(two, consecutive(Form::Internal, 63))),
             QStringLiteral("0>Internal 63 1>Internal 64"));
    QVERIFY_THROWS_EXCEPTION(VentaroError,
                             BankSendPlan::make(two, consecutive(Form::Internal, 64)));
}

// A refusal's text is translated before the voice's number, name and place
// go in, so that a catalog can hold it.
void TestBankSend::refusalsTranslated()
{
    const BankSendPlan::Translate translate = [](const QString &text) {
        return text.startsWith(QLatin1String("Voice %1 \"%2\" is a custom voice"))
                   ? QStringLiteral("Voix %1 « %2 » : Custom, pas vers %3.")
                   : text;
    };
    QCOMPARE(raisedText([&] {
                 BankSendPlan::make(mixedBank(), consecutive(Form::Internal, 1), translate);
             }),
             QStringLiteral("Voix 2 « Cus Thre » : Custom, pas vers Internal."));
}

void TestBankSend::realBanksLeaveByteExact_data()
{
    addColumns<QByteArray>("file");
    QTest::newRow("Prog-A-1") << readTestData("Prog-A-1.syx");
    QTest::newRow("VL70-A-1") << readTestData("VL70-A-1.syx");
    QTest::newRow("custom and full voices")
        << customVoice("Cus One", 1) + customVoice("Cus Six", 6) + fullVoice("Full");
}

// Each voice sent to its own slot leaves as it stands in the file, but for
// the device number and the checksums, which are sealed afresh.
void TestBankSend::realBanksLeaveByteExact()
{
    QFETCH(QByteArray, file);
    constexpr quint8 device = 5;
    const VoiceBank bank = VoiceBank::parse(file);
    const BankSendPlan plan = BankSendPlan::make(bank, ownSlots(Form::Full));
    QCOMPARE(plan.steps.size(), bank.voices.size());
    QByteArray sent;
    for (const Step &step : plan.steps) {
        const QByteArray message = BankSendPlan::message(bank.voices[step.voice], step, device);
        QVERIFY(VoiceDump::formOf(message).has_value());
        QCOMPARE(quint8(message[VoiceDump::DeviceOffset]), device);
        sent += message;
    }
    QCOMPARE(withoutSeals(sent), withoutSeals(file));
    // What left reads back as the same voices.
    QCOMPARE(VoiceBank::parse(sent).voices.size(), bank.voices.size());
}

void TestBankSend::pacedByWireTimeAndGap_data()
{
    // firstHoldMs, holdMs: how long the first and every later send takes
    // before the voice is handed over (the port opening, a busy system)
    addColumns<int, int>("firstHoldMs", "holdMs");
    QTest::newRow("handed over at once") << 0 << 0;
    QTest::newRow("port opening holds the first voice") << 65 << 0;
    QTest::newRow("every voice held") << 65 << 30;
}

// Each voice starts its wire time at 3125 bytes a second plus the gap after
// the previous one was handed over; the run ends once the last one is on
// the wire.
void TestBankSend::pacedByWireTimeAndGap()
{
    QFETCH(int, firstHoldMs);
    QFETCH(int, holdMs);
    VirtualSleeper clock;
    const VoiceBank bank = mixedBank();
    const BankSendPlan plan = BankSendPlan::make(bank, ownSlots(Form::Full));
    QList<qint64> starts;
    QList<qint64> handedOver;
    QList<int> lengths;
    BankSender sender(
        [&](const QByteArray &message) {
            starts << clock.nowNs();
            clock.advanceMs(starts.size() == 1 ? firstHoldMs : holdMs);
            handedOver << clock.nowNs();
            lengths << int(message.size());
        },
        clock, 40);
    const qint64 begin = clock.nowNs();
    const BankSender::Result result = sender.run(bank, plan, 0, {});
    QCOMPARE(result.sent, 4);
    QVERIFY(!result.stopped);
    QCOMPARE(lengths, (QList<int>{174, 1572, 1808, 174}));
    QCOMPARE(starts.first(), begin);
    constexpr qint64 ms = 1000000;
    for (int i = 1; i < starts.size(); ++i) {
        const qint64 wanted = BankSender::wireTimeNs(lengths[i - 1]) + 40 * ms;
        const qint64 after = starts[i] - handedOver[i - 1];
        // The clock moves in whole milliseconds.
        QVERIFY2(after >= wanted && after < wanted + ms, qPrintable(QString::number(after)));
    }
    QVERIFY(clock.nowNs() >= handedOver.last() + BankSender::wireTimeNs(174));
    QCOMPARE(BankSender::wireTimeNs(174), qint64(55680000)); // 174 bytes: 55.68 ms
}

// Told to stop while waiting, the sender sends no further voice; a voice
// is never cut.
void TestBankSend::stopsBetweenVoices()
{
    VirtualSleeper clock;
    const VoiceBank bank = VoiceBank::parse(readTestData("Prog-A-1.syx"));
    const BankSendPlan plan = BankSendPlan::make(bank, ownSlots());
    int handed = 0;
    QList<int> sentSteps;
    BankSender sender([&](const QByteArray &) { ++handed; }, clock);
    BankSender::Events events;
    events.sent = [&](int step) { sentSteps << step; };
    events.keepGoing = [&] { return sentSteps.size() < 10; };
    const BankSender::Result result = sender.run(bank, plan, 0, events);
    QCOMPARE(result.sent, 10);
    QVERIFY(result.stopped);
    QCOMPARE(handed, 10);
    QCOMPARE(sentSteps.last(), 9);
    for (const int wait : clock.waits)
        QVERIFY(wait <= BankSender::PollMs);

    // And told before a voice starts.
    int starting = 0;
    events.keepGoing = {};
    events.starting = [&](int) { return ++starting <= 3; };
    QCOMPARE(sender.run(bank, plan, 0, events).sent, 3);
}

// A send that fails ends the run there; the voices before it stay sent.
void TestBankSend::failureKeepsCount()
{
    VirtualSleeper clock;
    const VoiceBank bank = VoiceBank::parse(readTestData("VL70-A-1.syx"));
    const BankSendPlan plan = BankSendPlan::make(bank, ownSlots());
    int handed = 0;
    int sent = 0;
    BankSender sender(
        [&](const QByteArray &) {
            if (++handed == 21)
                throw VentaroError(QStringLiteral("gone"));
        },
        clock);
    BankSender::Events events;
    events.sent = [&](int) { ++sent; };
    QVERIFY_THROWS_EXCEPTION(VentaroError, sender.run(bank, plan, 0, events));
    QCOMPARE(sent, 20);
}

void TestBankSend::storedGap_data()
{
    // stored empty: nothing stored
    addColumns<QString, int>("stored", "expected");
    QTest::newRow("nothing stored") << QString() << 100;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("250") << "250" << 250;
    QTest::newRow("negative") << "-5" << 100;
    QTest::newRow("above the longest") << "10001" << 100;
    QTest::newRow("no number") << "soon" << 100;
}

void TestBankSend::storedGap()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.ini"));
    if (!stored.isEmpty())
        writeFile(file,
                  "[Software]\nTervalinduna\\VL70-m\\Bank\\GapMs=" + stored.toLatin1() + "\n");
    const RegRoot root = RegRoot::iniFile(file);
    QCOMPARE(BankSender::storedGapMs(root), expected);
    BankSender::storeGapMs(root, 20000);
    QCOMPARE(BankSender::storedGapMs(root), BankSender::MaxGapMs);
}

// Blocks of the expected device number are grouped into whole voices in
// the order they arrived; other devices' blocks, foreign messages and a
// custom voice's lone first block never make a voice.
void TestBankSend::collectsVoicesInOrder()
{
    constexpr quint8 device = 3;
    const auto sealed = [](QByteArray bytes, quint8 id) {
        VoiceDump::SealDump(bytes, id);
        return bytes;
    };
    const QByteArray internal = VoiceConversion::DumpToInternal(fullVoice("Int Two"), 2, device);
    const QByteArray custom = VoiceConversion::DumpToCustom(fullVoice("Cus Four"), 4, device);
    const QByteArray full = sealed(fullVoice("Full Six"), device);
    const QByteArray otherDevice = VoiceConversion::DumpToInternal(fullVoice("Other"), 7, 4);
    const QByteArray foreign = QByteArray::fromHex("f043"
                                                   "03"
                                                   "57"
                                                   "0a000101f7");

    VoiceCollector collector(device);
    const auto blocks = [](const QByteArray &bytes) {
        QList<QByteArray> list;
        qsizetype start = 0;
        for (qsizetype end; (end = bytes.indexOf(char(VoiceDump::SysExEnd), start)) >= 0;
             start = end + 1)
            list << bytes.mid(start, end - start + 1);
        return list;
    };
    const QList<QByteArray> customBlocks = blocks(custom);
    QVERIFY(collector.take(customBlocks[0]));
    QVERIFY(collector.hasPartialVoice());
    QVERIFY(!collector.take(otherDevice));
    QVERIFY(!collector.take(QByteArray::fromHex("f04303")));
    QVERIFY(collector.take(customBlocks[1]));
    QCOMPARE(collector.voices().size(), 1);
    QVERIFY(collector.take(foreign));
    QVERIFY(collector.take(internal));
    for (const QByteArray &block : blocks(full))
        QVERIFY(collector.take(block));
    // A custom voice's first block with no second one.
    QVERIFY(collector.take(customBlocks[0]));
    QVERIFY(collector.take(internal));

    QCOMPARE(collector.voices().size(), 4);
    QCOMPARE(collector.voices()[0].name, QStringLiteral("Cus Four"));
    QCOMPARE(collector.voices()[2].name, QStringLiteral("Full Six"));
    QCOMPARE(collector.skipped(), 2);
    QVERIFY(!collector.hasPartialVoice());
    QCOMPARE(collector.bankBytes(), custom + internal + full + internal);
}

QTEST_GUILESS_MAIN(TestBankSend)
#include "tst_banksend.moc"
