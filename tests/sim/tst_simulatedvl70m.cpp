#include "DataColumns.h"
#include "SimulatedVl70m.h"
#include "VirtualSleeper.h"
#include "VoiceBank.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

namespace {

// A simulator whose outgoing messages are recorded with the time they left.
struct Rig
{
    VirtualSleeper clock;
    SimulatedVl70m sim{clock};
    QList<QByteArray> sent;
    QList<qint64> sentAtMs;

    Rig()
    {
        sim.setSender([this](const QByteArray &m) {
            sent.append(m);
            sentAtMs.append(clock.nowNs() / 1000000);
        });
    }
    void press(const QList<int> &buttons, int device = 0)
    {
        for (int b : buttons)
            sim.receive(remote(b, 1, device));
    }
    QByteArray place(const QString &kind, int slot) const
    {
        return kind == "edit"     ? sim.editBuffer()
               : kind == "custom" ? sim.customSlot(slot)
                                  : sim.internalSlot(slot);
    }
    static QByteArray remote(int button, int value, int device = 0)
    {
        const char bytes[] = {char(0xF0), 0x43,         char(0x10 + device), 0x57,      0x0A,
                              0x00,       char(button), char(value),         char(0xF7)};
        return QByteArray(bytes, sizeof bytes);
    }
};

QByteArray selectPlace(int msb, int lsb, int program)
{
    return QByteArray::fromHex("b000") + char(msb) + QByteArray::fromHex("b020") + char(lsb)
           + QByteArray::fromHex("c0") + char(program);
}

// A voice of the test's own in the form of `kind`, sealed for `device`.
QByteArray testVoice(const QString &kind, int slot, int device)
{
    const QByteArray full = SimulatedVl70m::makeVoice("TestVox", 4242, device);
    return kind == "edit"     ? full
           : kind == "custom" ? VoiceConversion::DumpToCustom(full, slot, quint8(device))
                              : VoiceConversion::DumpToInternal(full, slot, quint8(device));
}

// Every block of `run` is framed for `device` and carries a valid checksum.
bool blocksValid(const QByteArray &run, int device)
{
    int at = 0;
    while (at < run.size()) {
        if (run.size() - at < VoiceDump::BlockOverhead || quint8(run[at]) != 0xF0
            || run[at + 1] != 0x43 || run[at + 2] != char(device) || run[at + 3] != 0x57)
            return false;
        const int count = run[at + 4] * 128 + run[at + 5];
        const int end = at + VoiceDump::BlockOverhead + count;
        if (end > run.size() || quint8(run[end - 1]) != 0xF7
            || VoiceDump::checksum(QByteArrayView(run).sliced(at + 4, count + 5))
                   != quint8(run[end - 2]))
            return false;
        at = end;
    }
    return true;
}

QByteArray nameOf(const QByteArray &fullDump)
{
    return fullDump.mid(VoiceDump::VoiceNameOffset, VoiceDump::VoiceNameLength);
}

} // namespace

class TestSimulatedVl70m : public QObject
{
    Q_OBJECT

private slots:
    void startsWithOwnValidVoices();
    void placesDumpsByteForByte_data();
    void placesDumpsByteForByte();
    void ignoresBlocksItCannotTake_data();
    void ignoresBlocksItCannotTake();
    void selectsPlaces_data();
    void selectsPlaces();
    void bankSelectAloneChangesNothing();
    void loadsWrittenSlotIntoEditBuffer_data();
    void loadsWrittenSlotIntoEditBuffer();
    void dumpsOut_data();
    void dumpsOut();
    void dumpOutUsesCurrentDeviceNumber();
    void spacesDumpOut_data();
    void spacesDumpOut();
    void dumpsOutOnlyAfterBothEnters_data();
    void dumpsOutOnlyAfterBothEnters();
    void loadsBankIntoSlots();
    void countsNotes();
    void survivesAnyBytes();
};

void TestSimulatedVl70m::startsWithOwnValidVoices()
{
    Rig rig;
    QSet<QByteArray> names{nameOf(rig.sim.editBuffer())};
    QVERIFY(blocksValid(rig.sim.editBuffer(), 0));
    for (int slot = 1; slot <= 64; ++slot) {
        for (const QString kind : {"custom", "internal"}) {
            const QByteArray voice = rig.place(kind, slot);
            if (kind == "custom" && slot > 6) {
                QVERIFY(voice.isEmpty());
                continue;
            }
            QCOMPARE(voice.size(), kind == "custom" ? 1572 : 174);
            QVERIFY(blocksValid(voice, 0));
            QCOMPARE(int(voice[8]), slot - 1);
            names.insert(voice.mid(9, 8));
        }
    }
    QCOMPARE(names.size(), 1 + 6 + 64);
}

void TestSimulatedVl70m::placesDumpsByteForByte_data()
{
    addColumns<QString, int, bool, bool>("kind", "slot", "blockByBlock", "clockBytes");

    QTest::newRow("full, one long message") << "edit" << 0 << false << false;
    QTest::newRow("full, 15 messages") << "edit" << 0 << true << false;
    QTest::newRow("custom 6, 2 messages") << "custom" << 6 << true << false;
    QTest::newRow("internal 64") << "internal" << 64 << false << false;
    QTest::newRow("internal 1, clock bytes inside") << "internal" << 1 << false << true;
}

void TestSimulatedVl70m::placesDumpsByteForByte()
{
    QFETCH(QString, kind);
    QFETCH(int, slot);
    QFETCH(bool, blockByBlock);
    QFETCH(bool, clockBytes);

    Rig rig;
    const Rig fresh;
    QVERIFY(rig.sim.setDeviceNumber(3));
    const QByteArray voice = testVoice(kind, slot, 3);
    QByteArray bytes = voice;
    if (clockBytes)
        bytes.insert(100, "\xF8\xFE").insert(5, '\xF8');
    for (int from = 0, i = 0; i < bytes.size(); ++i) {
        if (i == bytes.size() - 1 || (blockByBlock && quint8(bytes[i]) == 0xF7)) {
            rig.sim.receive(bytes.mid(from, i + 1 - from));
            from = i + 1;
        }
    }

    QCOMPARE(rig.place(kind, slot), voice);
    QCOMPARE(rig.sim.ignoredCount(), 0);
    QVERIFY(rig.sent.isEmpty());
    for (const QString other : {"edit", "custom", "internal"}) {
        if (other != kind)
            QCOMPARE(rig.place(other, 1), fresh.place(other, 1));
    }
}

void TestSimulatedVl70m::ignoresBlocksItCannotTake_data()
{
    addColumns<QByteArray, QString>("message", "logged");

    const QByteArray internal = testVoice("internal", 5, 0);
    auto changed = [&](int offset, const QByteArray &bytes, bool reseal = true) {
        QByteArray m = QByteArray(internal).replace(offset, bytes.size(), bytes);
        if (reseal)
            VoiceDump::SealBlock(m, 4, m.size() - 3, 0);
        return m;
    };

    QTest::newRow("bad checksum") << changed(20, "\x7F", false) << "bad checksum";
    QTest::newRow("foreign device") << changed(2, "\x05", false) << "device number 5";
    QTest::newRow("other manufacturer") << changed(1, "\x41", false) << "another manufacturer";
    QTest::newRow("other model") << changed(3, "\x4C", false) << "another model";
    QTest::newRow("count too high") << changed(5, "\x24") << "wrong byte count";
    QTest::newRow("count of another address")
        << changed(6, QByteArray("\x08\x00\x00", 3)) << "wrong byte count";
    QTest::newRow("internal slot 65") << changed(8, "\x40") << "no Internal slot 65";
    QTest::newRow("unknown address") << changed(6, "\x50") << "unknown address";
    QTest::newRow("no end byte") << internal.left(173) << "without its end byte";
    QTest::newRow("dump request for no block")
        << QByteArray::fromHex("f0432057500000f7") << "no such block";
    QTest::newRow("remote switch 15") << Rig::remote(15, 1) << "does not exist";
}

void TestSimulatedVl70m::ignoresBlocksItCannotTake()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, logged);

    Rig rig;
    const Rig fresh;
    rig.sim.receive(message);

    QCOMPARE(rig.sim.ignoredCount(), 1);
    const QString last = rig.sim.log().last();
    QVERIFY2(last.startsWith("ignored: ") && last.contains(logged), qPrintable(last));
    QCOMPARE(rig.sim.editBuffer(), fresh.sim.editBuffer());
    for (int slot = 1; slot <= 64; ++slot)
        QCOMPARE(rig.sim.internalSlot(slot), fresh.sim.internalSlot(slot));
    QVERIFY(rig.sent.isEmpty());
}

void TestSimulatedVl70m::selectsPlaces_data()
{
    // name: empty: ignored
    addColumns<QByteArray, QByteArray>("messages", "name");

    QTest::newRow("preset 1, first") << selectPlace(33, 0, 0) << QByteArray("Pre1-001");
    QTest::newRow("preset 2, last") << selectPlace(34, 1, 127) << QByteArray("Pre2-128");
    QTest::newRow("custom 6") << selectPlace(35, 2, 5) << QByteArray("SimCus 6");
    QTest::newRow("internal 64") << selectPlace(36, 3, 63) << QByteArray("SimInt64");
    QTest::newRow("custom 7") << selectPlace(35, 2, 6) << QByteArray();
    QTest::newRow("internal 65") << selectPlace(36, 3, 64) << QByteArray();
    QTest::newRow("MSB above") << selectPlace(37, 4, 0) << QByteArray();
    QTest::newRow("LSB of another bank") << selectPlace(35, 3, 0) << QByteArray();
    QTest::newRow("program on channel 2")
        << selectPlace(36, 3, 0).replace(6, 1, "\xC1") << QByteArray();
}

void TestSimulatedVl70m::selectsPlaces()
{
    QFETCH(QByteArray, messages);
    QFETCH(QByteArray, name);

    Rig rig;
    const QByteArray before = rig.sim.editBuffer();
    rig.sim.receive(messages);
    if (name.isEmpty()) {
        QCOMPARE(rig.sim.editBuffer(), before);
        QCOMPARE(rig.sim.currentBank(), SimulatedVl70m::Bank::Preset1);
        return;
    }
    QCOMPARE(int(rig.sim.currentBank()), messages[2] - 33);
    QCOMPARE(rig.sim.currentProgram(), int(messages[7]));
    QCOMPARE(nameOf(rig.sim.editBuffer()), name);
    QVERIFY(blocksValid(rig.sim.editBuffer(), 0));
}

void TestSimulatedVl70m::bankSelectAloneChangesNothing()
{
    Rig rig;
    const QByteArray before = rig.sim.editBuffer();
    rig.sim.receive(selectPlace(36, 3, 0).left(6));
    QCOMPARE(rig.sim.editBuffer(), before);
    QCOMPARE(rig.sim.currentBank(), SimulatedVl70m::Bank::Preset1);

    // The bank stays selected: a later program change alone uses it.
    rig.sim.receive(QByteArray::fromHex("c009"));
    QCOMPARE(rig.sim.currentBank(), SimulatedVl70m::Bank::Internal);
    QCOMPARE(nameOf(rig.sim.editBuffer()), QByteArray("SimInt10"));
}

void TestSimulatedVl70m::loadsWrittenSlotIntoEditBuffer_data()
{
    addColumns<QString, int>("kind", "slot");
    QTest::newRow("custom 2") << "custom" << 2;
    QTest::newRow("internal 40") << "internal" << 40;
}

void TestSimulatedVl70m::loadsWrittenSlotIntoEditBuffer()
{
    QFETCH(QString, kind);
    QFETCH(int, slot);

    Rig rig;
    const QByteArray voice = testVoice(kind, slot, 0);
    rig.sim.receive(voice);
    rig.sim.receive(kind == "custom" ? selectPlace(35, 2, slot - 1) : selectPlace(36, 3, slot - 1));

    // What the edit buffer holds converts back into the very voice sent.
    const QByteArray edit = rig.sim.editBuffer();
    QVERIFY(blocksValid(edit, 0));
    QCOMPARE(kind == "custom" ? VoiceConversion::DumpToCustom(edit, slot, 0)
                              : VoiceConversion::DumpToInternal(edit, slot, 0),
             voice);
}

void TestSimulatedVl70m::dumpsOut_data()
{
    addColumns<QList<int>, QString, int, int>("buttons", "kind", "slot", "messages");

    QTest::newRow("current") << QList<int>{1, 7, 7} << "edit" << 0 << 15;
    QTest::newRow("custom 3") << QList<int>{1, 13, 14, 14, 7, 7} << "custom" << 3 << 2;
    QTest::newRow("custom, VALUE + goes round")
        << QList<int>{1, 13, 14, 14, 14, 14, 14, 14, 7, 7} << "custom" << 1 << 2;
    QTest::newRow("internal, VALUE - goes round")
        << QList<int>{1, 13, 13, 11, 7, 7} << "internal" << 64 << 1;
    QTest::newRow("SELECT + stops at internal")
        << QList<int>{1, 13, 13, 13, 14, 7, 7} << "internal" << 2 << 1;
    QTest::newRow("UTIL again starts at current")
        << QList<int>{1, 13, 1, 7, 7} << "edit" << 0 << 15;
}

void TestSimulatedVl70m::dumpsOut()
{
    QFETCH(QList<int>, buttons);
    QFETCH(QString, kind);
    QFETCH(int, slot);
    QFETCH(int, messages);

    Rig rig;
    rig.press(buttons);

    QCOMPARE(rig.sent.size(), messages);
    for (const QByteArray &message : rig.sent) {
        QVERIFY(blocksValid(message, 0));
        QCOMPARE(message.count(char(0xF0)), 1);
    }
    QCOMPARE(rig.sent.join(), rig.place(kind, slot));
    QCOMPARE(rig.sim.panelPage(), SimPanel::Page::DumpOut);
}

// A bank fills the slots its voices came from; the panel dumps them back.
void TestSimulatedVl70m::loadsBankIntoSlots()
{
    QFile file(QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray real = file.readAll(); // device number 0, as the simulator's
    const QByteArray custom = testVoice("custom", 2, 3);
    const VoiceBank bank = VoiceBank::parse(real + custom + testVoice("edit", 0, 0));
    QCOMPARE(bank.voices.size(), 66);

    Rig rig;
    const QByteArray editBefore = rig.sim.editBuffer();
    QCOMPARE(rig.sim.loadBank(bank), 65);
    for (int slot = 1; slot <= 64; ++slot)
        QCOMPARE(rig.sim.internalSlot(slot), real.mid((slot - 1) * 174, 174));
    QCOMPARE(rig.sim.customSlot(2), custom);
    QCOMPARE(rig.sim.editBuffer(), editBefore); // a full voice has no slot

    rig.press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus, SimPanel::ValuePlus,
               SimPanel::ValuePlus, SimPanel::ValuePlus, SimPanel::ValuePlus, SimPanel::Enter,
               SimPanel::Enter});
    QCOMPARE(rig.sent, QList<QByteArray>{real.mid(4 * 174, 174)});
}

void TestSimulatedVl70m::dumpOutUsesCurrentDeviceNumber()
{
    // Places written under device number 0 go out under the number the
    // instrument has when it dumps them, with checksums to match.
    Rig rig;
    rig.sim.receive(testVoice("edit", 0, 0));
    rig.sim.receive(testVoice("custom", 4, 0));
    QVERIFY(rig.sim.setDeviceNumber(9));

    rig.press({1, 7, 7}, 0);
    QVERIFY(rig.sent.isEmpty());
    rig.press({1, 7, 7}, 9);
    rig.press({1, 13, 14, 14, 14, 7, 7}, 9);
    QCOMPARE(rig.sent.size(), 15 + 2);
    QCOMPARE(rig.sent.join(), testVoice("edit", 0, 9) + testVoice("custom", 4, 9));
}

void TestSimulatedVl70m::spacesDumpOut_data()
{
    addColumns<int, QList<int>>("interval", "buttons");

    QTest::newRow("default 50 ms") << -1 << QList<int>{1, 7, 7};
    QTest::newRow("300 ms") << 300 << QList<int>{1, 7, 7};
    QTest::newRow("burst") << 0 << QList<int>{1, 7, 7};
    QTest::newRow("custom, 120 ms") << 120 << QList<int>{1, 13, 7, 7};
}

void TestSimulatedVl70m::spacesDumpOut()
{
    QFETCH(int, interval);
    QFETCH(QList<int>, buttons);

    Rig rig;
    if (interval >= 0)
        QVERIFY(rig.sim.setDumpIntervalMs(interval));
    else
        interval = SimulatedVl70m::DefaultDumpIntervalMs;
    QVERIFY(!rig.sim.setDumpIntervalMs(301));
    QVERIFY(!rig.sim.setDumpIntervalMs(-1));
    rig.clock.sleep(1000);
    rig.press(buttons);

    QVERIFY(rig.sent.size() > 1);
    for (int i = 0; i < rig.sent.size(); ++i)
        QCOMPARE(rig.sentAtMs[i], 1000 + i * interval);
}

void TestSimulatedVl70m::dumpsOutOnlyAfterBothEnters_data()
{
    addColumns<QByteArray, QString>("messages", "display");

    auto buttons = [](const QList<int> &list) {
        QByteArray m;
        for (int b : list)
            m += Rig::remote(b, 1);
        return m;
    };
    const QByteArray utilEnter = buttons({1, 7});
    QTest::newRow("one ENTER") << utilEnter << "DUMPOUT CURRENT sure?";
    QTest::newRow("ENTER without UTIL") << buttons({7, 7}) << "PLAY";
    QTest::newRow("EXIT cancels") << buttons({1, 7, 8, 7}) << "DUMPOUT CURRENT sure?";
    QTest::newRow("another page") << buttons({1, 7, 2, 7}) << "other page";
    QTest::newRow("SELECT cancels") << buttons({1, 7, 13, 7}) << "DUMPOUT CUSTOM 1 sure?";
    QTest::newRow("release") << utilEnter + Rig::remote(7, 0) << "DUMPOUT CURRENT sure?";
    QTest::newRow("value 2") << utilEnter + Rig::remote(7, 2) << "DUMPOUT CURRENT sure?";
    QTest::newRow("other device") << utilEnter + Rig::remote(7, 1, 1) << "DUMPOUT CURRENT sure?";
    QTest::newRow("one byte more")
        << utilEnter + Rig::remote(7, 1).insert(8, '\0') << "DUMPOUT CURRENT sure?";
}

void TestSimulatedVl70m::dumpsOutOnlyAfterBothEnters()
{
    QFETCH(QByteArray, messages);
    QFETCH(QString, display);

    Rig rig;
    rig.sim.receive(messages);
    QVERIFY(rig.sent.isEmpty());
    QCOMPARE(rig.sim.panelDisplay(), display);
}

void TestSimulatedVl70m::countsNotes()
{
    // Note on with velocity 0 is a note off; notes count on every channel;
    // messages cut short or run together are read past.
    Rig rig;
    rig.sim.receive(QByteArray::fromHex("903c64 fe 903e01 903c 903c00 803e40 1020 933c5a f04310"));
    QCOMPARE(rig.sim.noteOnCount(), 3);
    QCOMPARE(rig.sim.noteOffCount(), 2);
    QCOMPARE(rig.sim.ignoredCount(), 3);
}

void TestSimulatedVl70m::survivesAnyBytes()
{
    // Random runs, and valid messages with random bytes changed, so that the
    // deeper checks are reached too.
    QRandomGenerator random(20261207);
    const QList<QByteArray> seeds = {testVoice("edit", 0, 0),     testVoice("custom", 2, 0),
                                     testVoice("internal", 7, 0), Rig::remote(1, 1),
                                     Rig::remote(7, 1),           selectPlace(35, 2, 1)};
    Rig rig;
    QVERIFY(rig.sim.setDumpIntervalMs(0));
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        if (round % 2 == 0) {
            bytes.resize(random.bounded(0, 2000));
            for (char &b : bytes)
                b = char(random.bounded(256));
        } else {
            bytes = seeds[random.bounded(seeds.size())];
            for (int c = random.bounded(1, 4); c > 0 && !bytes.isEmpty(); --c) {
                const int at = random.bounded(bytes.size());
                switch (random.bounded(3)) {
                case 0:
                    bytes[at] = char(random.bounded(256));
                    break;
                case 1:
                    bytes.remove(at, 1);
                    break;
                default:
                    bytes.truncate(at);
                    break;
                }
            }
        }
        rig.sim.receive(bytes);
    }
    QCOMPARE(rig.sim.editBuffer().size(), VoiceDump::FullLength);
    for (int slot = 1; slot <= 64; ++slot)
        QCOMPARE(rig.sim.internalSlot(slot).size(), VoiceDump::InternalLength);
    QVERIFY(rig.sim.log().size() <= SimulatedVl70m::MaxLogLines);
    for (const QByteArray &message : rig.sent)
        QVERIFY(blocksValid(message, 0));

    rig.sent.clear();
    rig.press({1, 7, 7});
    QCOMPARE(rig.sent.size(), 15);
}

QTEST_GUILESS_MAIN(TestSimulatedVl70m)
#include "tst_simulatedvl70m.moc"
