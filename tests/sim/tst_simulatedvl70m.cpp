#include "FakeClock.h"
#include "SimulatedVl70m.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

namespace {

using Bank = SimulatedVl70m::Bank;

struct Sent {
    QByteArray message;
    qint64 atMs;
};

// A simulator whose outgoing messages are recorded with the time they left.
struct Rig {
    FakeClock clock;
    SimulatedVl70m sim{clock};
    QList<Sent> sent;

    Rig()
    {
        sim.setSender([this](const QByteArray &m) { sent.append({m, clock.nowNs() / 1000000}); });
    }
    void press(const QList<int> &buttons)
    {
        for (int b : buttons)
            sim.receive(remote(b, true));
    }
    QByteArray sentBytes() const
    {
        QByteArray all;
        for (const Sent &s : sent)
            all += s.message;
        return all;
    }
    static QByteArray remote(int button, bool press, int device = 0)
    {
        const char bytes[] = {char(0xF0), 0x43, char(0x10 + device), 0x57, 0x0A, 0x00,
                              char(button), char(press ? 1 : 0), char(0xF7)};
        return QByteArray(bytes, sizeof bytes);
    }
};

QByteArray shortMessage(int status, int data1, int data2 = -1)
{
    QByteArray m;
    m.append(char(status)).append(char(data1));
    if (data2 >= 0)
        m.append(char(data2));
    return m;
}

QByteArray selectPlace(int msb, int lsb, int program)
{
    return shortMessage(0xB0, 0, msb) + shortMessage(0xB0, 32, lsb) + shortMessage(0xC0, program);
}

// A voice of the test's own, in every form, sealed for `device`.
QByteArray fullVoice(int device, const QByteArray &name = "TestFull")
{
    return SimulatedVl70m::makeVoice(name, 4242, device);
}
QByteArray customVoice(int slot, int device)
{
    return VoiceConversion::DumpToCustom(fullVoice(device, "TestCust"), slot, quint8(device));
}
QByteArray internalVoice(int slot, int device)
{
    return VoiceConversion::DumpToInternal(fullVoice(device, "TestInt "), slot, quint8(device));
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
        if (end > run.size() || quint8(run[end - 1]) != 0xF7)
            return false;
        const QByteArrayView summed = QByteArrayView(run).sliced(at + 4, count + 5);
        if (VoiceDump::Checksum(summed) != quint8(run[end - 2]))
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
    void keepsGoodBlocksAroundABadOne();
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
    void panelNeedsBothEnters_data();
    void panelNeedsBothEnters();
    void ignoresForeignRemoteSwitches_data();
    void ignoresForeignRemoteSwitches();
    void countsNotes();
    void readsMessagesBrokenAnywhere_data();
    void readsMessagesBrokenAnywhere();
    void survivesAnyBytes();
    void refusesOutOfRangeSettings();
};

void TestSimulatedVl70m::startsWithOwnValidVoices()
{
    Rig rig;
    QSet<QByteArray> names;
    const QByteArray edit = rig.sim.editBuffer();
    QCOMPARE(edit.size(), VoiceDump::FullLength);
    QVERIFY(blocksValid(edit, 0));
    names.insert(nameOf(edit));
    for (int slot = 1; slot <= 6; ++slot) {
        const QByteArray voice = rig.sim.customSlot(slot);
        QCOMPARE(voice.size(), VoiceDump::CustomLength);
        QVERIFY(blocksValid(voice, 0));
        QCOMPARE(int(voice[VoiceDump::CustomMemoryOffsetA]), slot - 1);
        QCOMPARE(int(voice[VoiceDump::CustomMemoryOffsetB]), slot - 1);
        names.insert(voice.mid(VoiceDump::CustomDataAStart, 8));
    }
    for (int slot = 1; slot <= 64; ++slot) {
        const QByteArray voice = rig.sim.internalSlot(slot);
        QCOMPARE(voice.size(), VoiceDump::InternalLength);
        QVERIFY(blocksValid(voice, 0));
        QCOMPARE(int(voice[VoiceDump::InternalMemoryOffset]), slot - 1);
        names.insert(voice.mid(VoiceDump::InternalDataStart, 8));
    }
    QCOMPARE(names.size(), 1 + 6 + 64);
    QVERIFY(rig.sim.customSlot(0).isEmpty());
    QVERIFY(rig.sim.customSlot(7).isEmpty());
    QVERIFY(rig.sim.internalSlot(65).isEmpty());
}

void TestSimulatedVl70m::placesDumpsByteForByte_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("asSeparateBlocks");

    QTest::newRow("full, one long message") << "edit" << 0 << false;
    QTest::newRow("full, 15 messages") << "edit" << 0 << true;
    QTest::newRow("custom 1") << "custom" << 1 << false;
    QTest::newRow("custom 6, 2 messages") << "custom" << 6 << true;
    QTest::newRow("internal 1") << "internal" << 1 << false;
    QTest::newRow("internal 64") << "internal" << 64 << false;
}

void TestSimulatedVl70m::placesDumpsByteForByte()
{
    QFETCH(QString, place);
    QFETCH(int, slot);
    QFETCH(bool, asSeparateBlocks);

    constexpr int device = 3;
    Rig rig;
    QVERIFY(rig.sim.setDeviceNumber(device));
    const QByteArray voice = place == "edit"       ? fullVoice(device)
                             : place == "custom" ? customVoice(slot, device)
                                                 : internalVoice(slot, device);
    if (asSeparateBlocks) {
        // Split at every F7h, as a MIDI input hands the blocks over.
        int from = 0;
        for (int i = 0; i < voice.size(); ++i) {
            if (quint8(voice[i]) == 0xF7) {
                rig.sim.receive(voice.mid(from, i + 1 - from));
                from = i + 1;
            }
        }
    } else {
        rig.sim.receive(voice);
    }

    const QByteArray held = place == "edit"       ? rig.sim.editBuffer()
                            : place == "custom" ? rig.sim.customSlot(slot)
                                                : rig.sim.internalSlot(slot);
    QCOMPARE(held, voice);
    QCOMPARE(rig.sim.ignoredCount(), 0);
    QVERIFY(rig.sent.isEmpty());
    // The other places keep their voices.
    if (place != "edit")
        QCOMPARE(rig.sim.editBuffer(), Rig().sim.editBuffer());
    if (place != "custom")
        QCOMPARE(rig.sim.customSlot(1), Rig().sim.customSlot(1));
}

void TestSimulatedVl70m::ignoresBlocksItCannotTake_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("logged");

    const QByteArray internal = internalVoice(5, 0);
    auto changed = [&](int offset, int value) {
        QByteArray m = internal;
        m[offset] = char(value);
        return m;
    };
    auto resealed = [](QByteArray m) {
        VoiceDump::SealBlock(m, 4, m.size() - 3, 0);
        return m;
    };

    QTest::newRow("bad checksum") << changed(172, internal[172] ^ 1) << "bad checksum";
    QTest::newRow("changed data, old checksum") << changed(20, internal[20] ^ 1) << "bad checksum";
    QTest::newRow("foreign device") << resealed(internal).replace(2, 1, "\x05") << "device number 5";
    QTest::newRow("other manufacturer") << changed(1, 0x41) << "another manufacturer";
    QTest::newRow("other model") << changed(3, 0x4C) << "another model";
    QTest::newRow("count too high") << resealed(changed(5, 0x24)) << "wrong byte count";
    QTest::newRow("count too low") << resealed(changed(5, 0x22)) << "wrong byte count";
    QTest::newRow("one byte short")
        << resealed(internal.left(170) + internal.right(2)).replace(5, 1, "\x22")
        << "wrong byte count";
    QTest::newRow("internal slot 65") << resealed(changed(8, 64)) << "no Internal slot 65";
    QTest::newRow("custom slot 7") << resealed(customVoice(1, 0).left(174).replace(8, 1, "\x06"))
                                   << "no Custom slot 7";
    QTest::newRow("full block with custom count")
        << resealed(QByteArray(internal).replace(6, 3, QByteArray("\x08\x00\x00", 3)))
        << "wrong byte count";
    QTest::newRow("unknown address") << resealed(changed(6, 0x50)) << "unknown address";
    QTest::newRow("no end byte") << internal.left(173) << "without its end byte";
    QTest::newRow("dump request") << QByteArray::fromHex("f0432057400000f7") << "dump request";
    QTest::newRow("header only") << QByteArray::fromHex("f043f7") << "too short";
}

void TestSimulatedVl70m::ignoresBlocksItCannotTake()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, logged);

    Rig rig;
    const Rig fresh;
    rig.sim.receive(message);

    QCOMPARE(rig.sim.ignoredCount(), 1);
    QVERIFY2(rig.sim.log().last().startsWith("ignored: "), qPrintable(rig.sim.log().last()));
    QVERIFY2(rig.sim.log().last().contains(logged), qPrintable(rig.sim.log().last()));
    QCOMPARE(rig.sim.editBuffer(), fresh.sim.editBuffer());
    for (int slot = 1; slot <= 64; ++slot)
        QCOMPARE(rig.sim.internalSlot(slot), fresh.sim.internalSlot(slot));
    for (int slot = 1; slot <= 6; ++slot)
        QCOMPARE(rig.sim.customSlot(slot), fresh.sim.customSlot(slot));
    QVERIFY(rig.sent.isEmpty());
}

void TestSimulatedVl70m::keepsGoodBlocksAroundABadOne()
{
    Rig rig;
    const QByteArray before = rig.sim.editBuffer();
    QByteArray voice = fullVoice(0);
    const VoiceDump::Block &third = VoiceDump::FullBlocks[2];
    voice[third.start + VoiceDump::DataOffset] = char(voice[third.start + VoiceDump::DataOffset] ^ 1);
    rig.sim.receive(voice);

    QCOMPARE(rig.sim.ignoredCount(), 1);
    const QByteArray held = rig.sim.editBuffer();
    QCOMPARE(held.mid(third.start, third.length()), before.mid(third.start, third.length()));
    QCOMPARE(held.left(third.start), voice.left(third.start));
    QCOMPARE(held.mid(third.start + third.length()), voice.mid(third.start + third.length()));
}

void TestSimulatedVl70m::selectsPlaces_data()
{
    QTest::addColumn<int>("msb");
    QTest::addColumn<int>("lsb");
    QTest::addColumn<int>("program");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("bank");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("preset 1, first") << 33 << 0 << 0 << true << 0 << QByteArray("Pre1-001");
    QTest::newRow("preset 2, last") << 34 << 1 << 127 << true << 1 << QByteArray("Pre2-128");
    QTest::newRow("custom 1") << 35 << 2 << 0 << true << 2 << QByteArray("SimCus 1");
    QTest::newRow("custom 6") << 35 << 2 << 5 << true << 2 << QByteArray("SimCus 6");
    QTest::newRow("internal 1") << 36 << 3 << 0 << true << 3 << QByteArray("SimInt01");
    QTest::newRow("internal 64") << 36 << 3 << 63 << true << 3 << QByteArray("SimInt64");
    QTest::newRow("custom 7") << 35 << 2 << 6 << false << 0 << QByteArray();
    QTest::newRow("internal 65") << 36 << 3 << 64 << false << 0 << QByteArray();
    QTest::newRow("MSB below") << 32 << 0 << 0 << false << 0 << QByteArray();
    QTest::newRow("MSB above") << 37 << 4 << 0 << false << 0 << QByteArray();
    QTest::newRow("LSB of another bank") << 35 << 3 << 0 << false << 0 << QByteArray();
}

void TestSimulatedVl70m::selectsPlaces()
{
    QFETCH(int, msb);
    QFETCH(int, lsb);
    QFETCH(int, program);
    QFETCH(bool, taken);
    QFETCH(int, bank);
    QFETCH(QByteArray, name);

    Rig rig;
    const QByteArray before = rig.sim.editBuffer();
    rig.sim.receive(selectPlace(msb, lsb, program));
    if (!taken) {
        QCOMPARE(rig.sim.editBuffer(), before);
        QCOMPARE(rig.sim.ignoredCount(), 1);
        return;
    }
    QCOMPARE(rig.sim.ignoredCount(), 0);
    QCOMPARE(int(rig.sim.currentBank()), bank);
    QCOMPARE(rig.sim.currentProgram(), program);
    const QByteArray edit = rig.sim.editBuffer();
    QCOMPARE(nameOf(edit), name);
    QVERIFY(blocksValid(edit, 0));
}

void TestSimulatedVl70m::bankSelectAloneChangesNothing()
{
    Rig rig;
    const QByteArray before = rig.sim.editBuffer();
    rig.sim.receive(shortMessage(0xB0, 0, 36) + shortMessage(0xB0, 32, 3));
    QCOMPARE(rig.sim.editBuffer(), before);
    QCOMPARE(rig.sim.currentBank(), Bank::Preset1);

    // The registers stay set: a later program change alone uses them.
    rig.sim.receive(shortMessage(0xC0, 9));
    QCOMPARE(rig.sim.currentBank(), Bank::Internal);
    QCOMPARE(nameOf(rig.sim.editBuffer()), QByteArray("SimInt10"));
    // A program change on another channel is not the voice's.
    rig.sim.receive(shortMessage(0xC1, 2));
    QCOMPARE(rig.sim.currentProgram(), 9);
}

void TestSimulatedVl70m::loadsWrittenSlotIntoEditBuffer_data()
{
    QTest::addColumn<bool>("custom");
    QTest::addColumn<int>("slot");
    QTest::newRow("custom 2") << true << 2;
    QTest::newRow("internal 40") << false << 40;
}

void TestSimulatedVl70m::loadsWrittenSlotIntoEditBuffer()
{
    QFETCH(bool, custom);
    QFETCH(int, slot);

    Rig rig;
    const QByteArray voice = custom ? customVoice(slot, 0) : internalVoice(slot, 0);
    rig.sim.receive(voice);
    rig.sim.receive(custom ? selectPlace(35, 2, slot - 1) : selectPlace(36, 3, slot - 1));

    const QByteArray edit = rig.sim.editBuffer();
    QVERIFY(blocksValid(edit, 0));
    // What the edit buffer holds converts back into the very voice sent.
    const QByteArray back = custom ? VoiceConversion::DumpToCustom(edit, slot, 0)
                                   : VoiceConversion::DumpToInternal(edit, slot, 0);
    QCOMPARE(back, voice);
}

void TestSimulatedVl70m::dumpsOut_data()
{
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QString>("place");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("messages");

    QTest::newRow("current") << QList<int>{1, 7, 7} << "edit" << 0 << 15;
    QTest::newRow("custom 1") << QList<int>{1, 13, 7, 7} << "custom" << 1 << 2;
    QTest::newRow("custom 3") << QList<int>{1, 13, 14, 14, 7, 7} << "custom" << 3 << 2;
    QTest::newRow("custom, VALUE stops at 6")
        << QList<int>{1, 13, 14, 14, 14, 14, 14, 14, 14, 7, 7} << "custom" << 6 << 2;
    QTest::newRow("internal 2") << QList<int>{1, 13, 13, 14, 7, 7} << "internal" << 2 << 1;
    QTest::newRow("internal, VALUE - stops at 1")
        << QList<int>{1, 13, 13, 11, 11, 7, 7} << "internal" << 1 << 1;
    QTest::newRow("SELECT - back to current") << QList<int>{1, 13, 10, 7, 7} << "edit" << 0 << 15;
    QTest::newRow("SELECT stops at internal")
        << QList<int>{1, 13, 13, 13, 7, 7} << "internal" << 1 << 1;
    QTest::newRow("UTIL again starts at current")
        << QList<int>{1, 13, 1, 7, 7} << "edit" << 0 << 15;
}

void TestSimulatedVl70m::dumpsOut()
{
    QFETCH(QList<int>, buttons);
    QFETCH(QString, place);
    QFETCH(int, slot);
    QFETCH(int, messages);

    Rig rig;
    rig.press(buttons);

    QCOMPARE(rig.sent.size(), messages);
    for (const Sent &s : rig.sent)
        QVERIFY(blocksValid(s.message, 0));
    const QByteArray expected = place == "edit"       ? rig.sim.editBuffer()
                                : place == "custom" ? rig.sim.customSlot(slot)
                                                    : rig.sim.internalSlot(slot);
    QCOMPARE(rig.sentBytes(), expected);
    // Each message is exactly one block.
    for (const Sent &s : rig.sent)
        QCOMPARE(s.message.count(char(0xF0)), 1);
    QCOMPARE(rig.sim.panelPage(), SimPanel::Page::DumpOut);
}

void TestSimulatedVl70m::dumpOutUsesCurrentDeviceNumber()
{
    // Places written under device number 0 go out under the number the
    // instrument has when the dump-out runs, with checksums to match.
    Rig rig;
    rig.sim.receive(fullVoice(0));
    rig.sim.receive(customVoice(4, 0));
    QVERIFY(rig.sim.setDeviceNumber(9));

    rig.press({1, 7, 7});
    rig.sim.receive(Rig::remote(7, true, 9));
    rig.sim.receive(Rig::remote(7, true, 9));
    QCOMPARE(rig.sent.size(), 0); // the old device number no longer reaches it
    rig.sim.receive(Rig::remote(1, true, 9));
    rig.sim.receive(Rig::remote(7, true, 9));
    rig.sim.receive(Rig::remote(7, true, 9));
    QCOMPARE(rig.sent.size(), 15);
    QByteArray expected = fullVoice(0);
    VoiceDump::SealDump(expected, 9);
    QCOMPARE(rig.sentBytes(), expected);

    rig.sent.clear();
    for (int b : {1, 13, 14, 14, 14, 7, 7})
        rig.sim.receive(Rig::remote(b, true, 9));
    QCOMPARE(rig.sent.size(), 2);
    QVERIFY(blocksValid(rig.sentBytes(), 9));
    QCOMPARE(rig.sentBytes(), customVoice(4, 9));
}

void TestSimulatedVl70m::spacesDumpOut_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<int>("messages");

    QTest::newRow("default 50 ms") << -1 << QList<int>{1, 7, 7} << 15;
    QTest::newRow("300 ms") << 300 << QList<int>{1, 7, 7} << 15;
    QTest::newRow("burst") << 0 << QList<int>{1, 7, 7} << 15;
    QTest::newRow("custom, 120 ms") << 120 << QList<int>{1, 13, 7, 7} << 2;
}

void TestSimulatedVl70m::spacesDumpOut()
{
    QFETCH(int, interval);
    QFETCH(QList<int>, buttons);
    QFETCH(int, messages);

    Rig rig;
    if (interval >= 0)
        QVERIFY(rig.sim.setDumpIntervalMs(interval));
    else
        interval = SimulatedVl70m::DefaultDumpIntervalMs;
    rig.clock.sleep(1000);
    rig.press(buttons);

    QCOMPARE(rig.sent.size(), messages);
    for (int i = 0; i < rig.sent.size(); ++i)
        QCOMPARE(rig.sent[i].atMs, 1000 + i * interval);
}

void TestSimulatedVl70m::panelNeedsBothEnters_data()
{
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<QString>("display");

    QTest::newRow("UTIL only") << QList<int>{1} << "DUMPOUT CURRENT";
    QTest::newRow("one ENTER") << QList<int>{1, 7} << "DUMPOUT CURRENT sure?";
    QTest::newRow("ENTER without UTIL") << QList<int>{7, 7} << "PLAY";
    QTest::newRow("EXIT cancels") << QList<int>{1, 7, 8, 7} << "DUMPOUT CURRENT sure?";
    QTest::newRow("EXIT twice leaves") << QList<int>{1, 7, 8, 8, 7, 7} << "PLAY";
    QTest::newRow("another page") << QList<int>{1, 7, 2, 7} << "other page";
    QTest::newRow("PLAY leaves") << QList<int>{1, 0, 7, 7} << "PLAY";
    QTest::newRow("SELECT cancels sure") << QList<int>{1, 7, 13, 7} << "DUMPOUT CUSTOM 1 sure?";
    QTest::newRow("no such switch") << QList<int>{1, 7, 15} << "DUMPOUT CURRENT sure?";
}

void TestSimulatedVl70m::panelNeedsBothEnters()
{
    QFETCH(QList<int>, buttons);
    QFETCH(QString, display);

    Rig rig;
    rig.press(buttons);
    QCOMPARE(rig.sent.size(), 0);
    QCOMPARE(rig.sim.panelDisplay(), display);
}

void TestSimulatedVl70m::ignoresForeignRemoteSwitches_data()
{
    QTest::addColumn<QByteArray>("enter");
    QTest::addColumn<bool>("dumps");

    auto with = [](int offset, int value) {
        QByteArray m = Rig::remote(7, true);
        m[offset] = char(value);
        return m;
    };
    QTest::newRow("press") << Rig::remote(7, true) << true;
    QTest::newRow("release") << Rig::remote(7, false) << false;
    QTest::newRow("value 2") << with(7, 2) << false;
    QTest::newRow("other device") << Rig::remote(7, true, 1) << false;
    QTest::newRow("bulk kind") << with(2, 0x00) << false;
    QTest::newRow("other parameter") << with(4, 0x0B) << false;
    QTest::newRow("one byte more") << Rig::remote(7, true).insert(8, char(0)) << false;
}

void TestSimulatedVl70m::ignoresForeignRemoteSwitches()
{
    QFETCH(QByteArray, enter);
    QFETCH(bool, dumps);

    Rig rig;
    rig.press({1, 7});
    rig.sim.receive(enter);
    QCOMPARE(rig.sent.size(), dumps ? 15 : 0);
}

void TestSimulatedVl70m::countsNotes()
{
    Rig rig;
    rig.sim.receive(shortMessage(0x90, 60, 100) + shortMessage(0x90, 62, 1)
                    + shortMessage(0x90, 60, 0) + shortMessage(0x80, 62, 64)
                    + shortMessage(0x93, 64, 90));
    QCOMPARE(rig.sim.noteOnCount(), 3);
    QCOMPARE(rig.sim.noteOffCount(), 2);
    QCOMPARE(rig.sim.ignoredCount(), 0);
}

void TestSimulatedVl70m::readsMessagesBrokenAnywhere_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("noteOns");
    QTest::addColumn<int>("ignored");

    const QByteArray on = shortMessage(0x90, 60, 100);
    QTest::newRow("realtime between") << QByteArray("\xFE\xF8", 2) + on << 1 << 0;
    QTest::newRow("stray data first") << QByteArray("\x10\x20", 2) + on << 1 << 1;
    QTest::newRow("cut note, then note") << on.left(2) + on << 1 << 1;
    QTest::newRow("cut SysEx, then note") << QByteArray("\xF0\x43\x10", 3) + on << 1 << 1;
    QTest::newRow("lone end byte") << QByteArray("\xF7", 1) + on << 1 << 1;
    QTest::newRow("song position") << QByteArray("\xF2\x01\x02", 3) + on << 1 << 0;
    QTest::newRow("cut at the end") << on + on.left(1) << 1 << 1;
}

void TestSimulatedVl70m::readsMessagesBrokenAnywhere()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, noteOns);
    QFETCH(int, ignored);

    Rig rig;
    rig.sim.receive(bytes);
    QCOMPARE(rig.sim.noteOnCount(), noteOns);
    QCOMPARE(rig.sim.ignoredCount(), ignored);
}

void TestSimulatedVl70m::survivesAnyBytes()
{
    // Random runs, and valid messages with random bytes changed, so that the
    // deeper checks are reached too.
    QRandomGenerator random(20261207);
    const QList<QByteArray> seeds = {
        fullVoice(0), customVoice(2, 0), internalVoice(7, 0), Rig::remote(1, true),
        Rig::remote(7, true), selectPlace(35, 2, 1),
    };
    Rig rig;
    QVERIFY(rig.sim.setDumpIntervalMs(0));
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        if (round % 2 == 0) {
            bytes.resize(random.bounded(0, 2000));
            for (char &b : bytes)
                b = char(random.bounded(256));
        } else {
            bytes = seeds[random.bounded(seeds.size())];
            const int changes = random.bounded(1, 4);
            for (int c = 0; c < changes && !bytes.isEmpty(); ++c) {
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
    for (int slot = 1; slot <= 6; ++slot)
        QCOMPARE(rig.sim.customSlot(slot).size(), VoiceDump::CustomLength);
    for (int slot = 1; slot <= 64; ++slot)
        QCOMPARE(rig.sim.internalSlot(slot).size(), VoiceDump::InternalLength);
    QVERIFY(rig.sim.log().size() <= SimulatedVl70m::MaxLogLines);
    for (const Sent &s : rig.sent)
        QVERIFY(blocksValid(s.message, 0));

    // Still answers normally afterwards.
    rig.sent.clear();
    rig.press({1, 7, 7});
    QCOMPARE(rig.sent.size(), 15);
}

void TestSimulatedVl70m::refusesOutOfRangeSettings()
{
    FakeClock clock;
    SimulatedVl70m sim(clock);
    QVERIFY(!sim.setDeviceNumber(16));
    QVERIFY(!sim.setDeviceNumber(-1));
    QVERIFY(sim.setDeviceNumber(15));
    QCOMPARE(sim.deviceNumber(), 15);
    QVERIFY(!sim.setDumpIntervalMs(301));
    QVERIFY(!sim.setDumpIntervalMs(-1));
    QVERIFY(sim.setDumpIntervalMs(300));
    QCOMPARE(sim.dumpIntervalMs(), 300);
}

QTEST_GUILESS_MAIN(TestSimulatedVl70m)
#include "tst_simulatedvl70m.moc"
