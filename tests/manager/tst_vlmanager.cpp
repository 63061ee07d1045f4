#include "DataColumns.h"
#include "FileBytes.h"
#include "LoopbackMidi.h"
#include "RegEdit.h"
#include "RegRoot.h"
#include "SystemSleeper.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "VentaroError.h"
#include "VoiceDump.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString MidiKey = QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi");

// A manager over loopback devices, with its own settings file and program folder.
struct Rig
{
    SystemSleeper clock;
    LoopbackMidi midi{&clock};
    QTemporaryDir folder;
    RegRoot settings = RegRoot::iniFile(folder.filePath(QStringLiteral("settings.ini")));
    int output = midi.addOutputDevice(QStringLiteral("Instrument out"));
    int input = midi.addInputDevice(QStringLiteral("Instrument in"));
    std::unique_ptr<TVLManager> manager;

    TVLManager &make()
    {
        manager = std::make_unique<TVLManager>(nullptr, &midi, settings, folder.path());
        return *manager;
    }
    QList<QByteArray> sent() { return midi.received(output); }
    void writeDoc(const QByteArray &text) const
    {
        writeFile(folder.filePath(QStringLiteral("vl70doc.txt")), text);
    }
};

QByteArray lines(int count, const QByteArray &first = "file line")
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += (i == 0 ? first : QByteArray("x\ty\tz")) + "\r\n";
    return text;
}

// A full voice dump named `name` whose data bytes count up from `seed`.
QByteArray fullVoice(const QByteArray &name, int seed, quint8 device = 5)
{
    QByteArray dump = VoiceDump::emptyFullDump(device);
    for (const VoiceDump::Block &block : VoiceDump::FullBlocks)
        for (int i = 0; i < block.count; ++i)
            dump[block.start + VoiceDump::DataOffset + i] = char((seed + block.start + i) & 0x7F);
    dump.replace(VoiceDump::VoiceNameOffset, VoiceDump::VoiceNameLength, name);
    return dump;
}

QByteArray internalVoice(const QByteArray &name, quint8 memory)
{
    QByteArray data(VoiceDump::InternalCount, '\x11');
    data.replace(0, VoiceDump::VoiceNameLength, name);
    QByteArray voice = VoiceDump::buildInternalDump(1, data, 0);
    voice[VoiceDump::InternalMemoryOffset] = char(memory);
    return voice;
}

// True when the block starting at `start` sums to a multiple of 128.
bool checksumValid(const QByteArray &bytes, int start, int count)
{
    int sum = 0;
    for (int i = start + VoiceDump::CountHighOffset; i <= start + VoiceDump::HeaderLength + count;
         ++i)
        sum += quint8(bytes.at(i));
    return sum % 128 == 0;
}

// Rows of a slot asked for (Custom or Internal) and the memory it lands in:
// the first and the last slot, and slots out of range, which fall back to
// slot 1.
void slotRows(bool custom, int last, std::initializer_list<int> outOfRange)
{
    const QString form = custom ? QStringLiteral("Custom") : QStringLiteral("Internal");
    const auto row = [&](const QString &name, int slot, int memory) {
        QTest::newRow(qPrintable(form + QLatin1Char(' ') + name)) << custom << slot << memory;
    };
    row(QStringLiteral("1"), 1, 0);
    row(QString::number(last), last, last - 1);
    for (int slot : outOfRange)
        row(QStringLiteral("%1 falls back to 1").arg(slot), slot, 0);
}

} // namespace

class TestVlManager : public QObject
{
    Q_OBJECT

private slots:
    void startsEmpty()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        QCOMPARE(manager.Dump(), QByteArray(VoiceDump::FullLength, '\0'));
        QVERIFY(manager.VoiceName().isEmpty());
        QCOMPARE(manager.SourceKind(), quint8(TVLManager::SourceInternal));
        QCOMPARE(manager.SlotNumber(), 0);
        QCOMPARE(manager.KnobBitmap().size(), QSize(65, 61));
        QCOMPARE(manager.ParamDoc().size(), TVLManager::DocLineCount);
        QCOMPARE(manager.ParamDoc().first(), QStringLiteral("F0\tDébut de message exclusif\t"));
        QCOMPARE(manager.MidiIn()->RegKeyName(), QStringLiteral("VL70-m"));
        QCOMPARE(manager.MidiOut()->RegKeyName(), QStringLiteral("VL70-m"));
        QVERIFY(rig.midi.calls().isEmpty()); // nothing opened or sent
    }

    void storedDeviceId_data()
    {
        addColumns<QVariant, int>("stored", "expected");
        QTest::newRow("missing") << QVariant() << 0;
        QTest::newRow("3") << QVariant(3) << 3;
        QTest::newRow("15") << QVariant(15) << 15;
        QTest::newRow("16") << QVariant(16) << 0;
        QTest::newRow("300, low bits 44") << QVariant(300) << 0;
        QTest::newRow("259, low bits 3") << QVariant(259) << 3;
        QTest::newRow("-1, low bits 255") << QVariant(-1) << 0;
    }
    void storedDeviceId()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, expected);
        Rig rig;
        if (stored.isValid())
            QVERIFY(WriteRegInteger(rig.settings, MidiKey, QStringLiteral("ID"), stored.toInt()));
        QCOMPARE(int(rig.make().DeviceID()), expected);
    }

    void docFile_data()
    {
        addColumns<QByteArray, bool>("text", "replaces");
        QTest::newRow("1807 lines") << lines(1807) << false;
        QTest::newRow("1808 lines") << lines(1808) << true;
        QTest::newRow("1809 lines") << lines(1809) << false;
        QTest::newRow("1808 lines, LF only")
            << QByteArray(lines(1808)).replace("\r\n", "\n") << true;
        QTest::newRow("1808 lines, last without break") << lines(1808).chopped(2) << true;
        QTest::newRow("1807 lines and an empty one") << lines(1807) + "\r\n" << true;
        QTest::newRow("empty") << QByteArray() << false;
        // 1808 lines, but more bytes than a documentation table can hold:
        // not even read whole.
        QTest::newRow("1808 lines over the size bound")
            << QByteArray(TVLManager::MaxDocFileBytes, 'x') + "\r\n" + lines(1807) << false;
    }
    void docFile()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, replaces);
        Rig rig;
        rig.writeDoc(text);
        const QStringList doc = rig.make().ParamDoc();
        QCOMPARE(doc.size(), TVLManager::DocLineCount);
        QCOMPARE(doc.first() == QStringLiteral("file line"), replaces);
        if (!replaces)
            QVERIFY(doc.first().startsWith(QStringLiteral("F0\t"))); // the built-in table
    }

    void docFileUnreadable()
    {
        Rig rig;
        QVERIFY(QDir(rig.folder.path()).mkdir(QStringLiteral("vl70doc.txt")));
        const QStringList doc = rig.make().ParamDoc();
        QCOMPARE(doc.size(), TVLManager::DocLineCount);
        QVERIFY(doc.first().startsWith(QStringLiteral("F0\t")));
    }

    void docFileWindows1252()
    {
        Rig rig;
        rig.writeDoc(lines(1808, "r\xe9serve \x80"));
        QCOMPARE(rig.make().ParamDoc().first(), QStringLiteral("réserve €"));
    }

    void loadFullKeepsSlot()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        QVERIFY(manager.LoadVoice(internalVoice("Internal", 0x0A)));
        QCOMPARE(manager.SlotNumber(), 11);
        QCOMPARE(manager.SourceKind(), quint8(TVLManager::SourceInternal));
        const QByteArray full = fullVoice("Full  \x01 ", 7);
        QVERIFY(manager.LoadVoice(full));
        QCOMPARE(manager.Dump(), full);
        QCOMPARE(manager.SlotNumber(), 11);
        QCOMPARE(manager.SourceKind(), quint8(TVLManager::SourceFull));
        QCOMPARE(manager.VoiceName(), QStringLiteral("Full  \x01 "));
    }

    void loadInternalOverFull()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        const QByteArray full = fullVoice("FullName", 3);
        QVERIFY(manager.LoadVoice(full));
        QVERIFY(manager.LoadVoice(internalVoice("NewVoice", 0)));
        QCOMPARE(manager.VoiceName(), QStringLiteral("NewVoice"));
        QCOMPARE(manager.SlotNumber(), 1);
        QCOMPARE(manager.Dump().at(401), full.at(401));
        QCOMPARE(manager.Dump().sliced(480), full.sliced(480));
    }

    void failedLoadChangesNothing_data()
    {
        addColumns<QByteArray>("stream");
        QByteArray full = fullVoice("Other   ", 9);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("175 bytes") << internalVoice("Other   ", 1) + '\xF7';
        QTest::newRow("1807 bytes") << full.chopped(1);
        QTest::newRow("1809 bytes") << full + '\xF7';
        QTest::newRow("first byte not F0") << QByteArray(full).replace(0, 1, "\xF1");
        QTest::newRow("fourth byte not 57") << QByteArray(full).replace(3, 1, "\x58");
        QTest::newRow("internal, fourth byte 00")
            << internalVoice("Other   ", 1).replace(3, 1, QByteArray(1, '\0'));
    }
    void failedLoadChangesNothing()
    {
        QFETCH(QByteArray, stream);
        Rig rig;
        TVLManager &manager = rig.make();
        QVERIFY(manager.LoadVoice(internalVoice("Kept one", 6)));
        const QByteArray dump = manager.Dump();
        QVERIFY(!manager.LoadVoice(stream));
        QCOMPARE(manager.Dump(), dump);
        QCOMPARE(manager.VoiceName(), QStringLiteral("Kept one"));
        QCOMPARE(manager.SourceKind(), quint8(TVLManager::SourceInternal));
        QCOMPARE(manager.SlotNumber(), 7);
    }

    // Random streams of every length: only the acceptance rule lets one in,
    // and a refused one changes nothing.
    void loadFuzz()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        QRandomGenerator random(1808);
        for (int length = 0; length <= 4000; ++length) {
            for (int pass = 0; pass < 2; ++pass) {
                QByteArray stream(length, '\0');
                for (char &byte : stream)
                    byte = char(random.bounded(256));
                if (pass == 1 && length > 3) {
                    stream[0] = char(VoiceDump::SysExStart);
                    stream[3] = char(VoiceDump::ModelId);
                }
                const QByteArray dump = manager.Dump();
                const QString name = manager.VoiceName();
                const quint8 kind = manager.SourceKind();
                const int slot = manager.SlotNumber();
                const bool accepted = (length == 174 || length == 1572 || length == 1808)
                                      && quint8(stream.at(0)) == 0xF0
                                      && quint8(stream.at(3)) == 0x57;
                QCOMPARE(manager.LoadVoice(stream), accepted);
                if (accepted) {
                    QCOMPARE(manager.SourceKind(), quint8(length == 174    ? 0
                                                          : length == 1572 ? 1
                                                                           : 2));
                    QCOMPARE(manager.VoiceName(),
                             VoiceDump::textFromBytes(manager.Dump().sliced(393, 8)));
                    QCOMPARE(manager.Dump().size(), VoiceDump::FullLength);
                } else {
                    QCOMPARE(manager.Dump(), dump);
                    QCOMPARE(manager.VoiceName(), name);
                    QCOMPARE(manager.SourceKind(), kind);
                    QCOMPARE(manager.SlotNumber(), slot);
                }
            }
        }
    }

    void sendToCurrentReaddresses()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        QByteArray voice = fullVoice("Device 5", 1, 5);
        voice[VoiceDump::FullBlocks[0].sealEnd() + 1] = 0x55; // a wrong checksum
        QVERIFY(manager.LoadVoice(voice));
        manager.setDeviceID(3);
        manager.SendToCurrent();
        const QList<QByteArray> sent = rig.sent();
        QCOMPARE(sent.size(), 1);
        const QByteArray &dump = sent.first();
        QCOMPARE(dump.size(), VoiceDump::FullLength);
        for (const VoiceDump::Block &block : VoiceDump::FullBlocks) {
            QCOMPARE(int(dump.at(block.start + VoiceDump::DeviceOffset)), 3);
            QVERIFY(checksumValid(dump, block.start, block.count));
            QCOMPARE(quint8(dump.at(block.sealEnd() + 2)), VoiceDump::SysExEnd);
            QCOMPARE(dump.mid(block.start + 4, 5 + block.count),
                     voice.mid(block.start + 4, 5 + block.count));
        }
        QCOMPARE(manager.Dump(), dump); // sealed in place
        QCOMPARE(manager.SysExHeader()[2], quint8(3));
    }

    void sendToSlot_data()
    {
        addColumns<bool, int, int>("custom", "slot", "memory");
        slotRows(true, 6, {7, 0});
        slotRows(false, 64, {65, -3});
    }
    // A voice sent on device 3 to the row's slot: the slot then shown is the
    // row's memory, and one message left, addressed to it.
    void sendToSlot()
    {
        QFETCH(bool, custom);
        QFETCH(int, slot);
        QFETCH(int, memory);
        Rig rig;
        TVLManager &manager = rig.make();
        QVERIFY(
            manager.LoadVoice(custom ? fullVoice("ToCustom", 4) : internalVoice("Internal", 9)));
        manager.setDeviceID(3);
        if (custom)
            manager.SendToCustom(slot);
        else
            manager.SendToInternal(slot);
        QCOMPARE(manager.SlotNumber(), memory + 1);
        const QList<QByteArray> sent = rig.sent();
        QCOMPARE(sent.size(), 1);
        if (!custom) {
            QByteArray expected = internalVoice("Internal", quint8(memory));
            QVERIFY(VoiceDump::SealBlock(expected, 4, 171, 3));
            QCOMPARE(sent.first(), expected);
            return;
        }
        const QByteArray &dump = sent.first();
        QCOMPARE(dump.size(), VoiceDump::CustomLength);
        QCOMPARE(int(dump.at(2)), 3);
        QCOMPARE(int(dump.at(176)), 3);
        QCOMPARE(int(dump.at(8)), memory);
        QCOMPARE(int(dump.at(182)), memory);
        QVERIFY(checksumValid(dump, 0, 163));
        QVERIFY(checksumValid(dump, 174, 1387));
        QCOMPARE(dump.sliced(9, 8), QByteArray("ToCustom"));
        QCOMPARE(dump.sliced(183, 1387), manager.Dump().sliced(419, 1387));
    }

    void remoteSwitch_data()
    {
        addColumns<int, int, bool, QByteArray>("device", "button", "release", "expected");
        QTest::newRow("press 5, device 0")
            << 0 << 5 << false << QByteArray::fromHex("F04310570A000501F7");
        QTest::newRow("release 5, device 0")
            << 0 << 5 << true << QByteArray::fromHex("F04310570A000500F7");
        QTest::newRow("press 14, device 3")
            << 3 << 14 << false << QByteArray::fromHex("F04313570A000E01F7");
        QTest::newRow("release 0, device 15")
            << 15 << 0 << true << QByteArray::fromHex("F0431F570A000000F7");
    }
    void remoteSwitch()
    {
        QFETCH(int, device);
        QFETCH(int, button);
        QFETCH(bool, release);
        QFETCH(QByteArray, expected);
        Rig rig;
        TVLManager &manager = rig.make();
        manager.setDeviceID(quint8(device));
        manager.SendRemoteSwitch(quint8(button), release);
        QCOMPARE(rig.sent(), QList<QByteArray>{expected});
    }

    void shortMessage_data()
    {
        addColumns<int, int, int, QByteArray>("status", "data1", "data2", "expected");
        QTest::newRow("bank select MSB") << 0xB0 << 0x00 << 0x21 << QByteArray::fromHex("B00021");
        QTest::newRow("program change") << 0xC0 << 0x05 << 0x00 << QByteArray::fromHex("C005");
        QTest::newRow("note on, channel kept")
            << 0x93 << 60 << 100 << QByteArray::fromHex("933C64");
        QTest::newRow("note off") << 0x80 << 60 << 0 << QByteArray::fromHex("803C00");
    }
    void shortMessage()
    {
        QFETCH(int, status);
        QFETCH(int, data1);
        QFETCH(int, data2);
        QFETCH(QByteArray, expected);
        Rig rig;
        TVLManager &manager = rig.make();
        manager.setDeviceID(7); // no channel is added
        manager.SendShortMessage(quint8(status), quint8(data1), quint8(data2));
        QCOMPARE(rig.sent(), QList<QByteArray>{expected});
    }

    void refusedOpenSendsNothing()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        rig.midi.failNext(MidiPlatform::Call::OutOpen, MidiPlatform::DeviceBusy);
        QVERIFY_THROWS_EXCEPTION(VentaroError, manager.SendToInternal(1));
        rig.midi.failNext(MidiPlatform::Call::OutOpen, MidiPlatform::DeviceBusy);
        QVERIFY_THROWS_EXCEPTION(VentaroError, manager.SendRemoteSwitch(1, false));
        QVERIFY(rig.sent().isEmpty());
        manager.SendRemoteSwitch(1, false); // the next open succeeds
        QCOMPARE(rig.sent().size(), 1);
    }

    void refusedBlockRaises_data()
    {
        addColumns<int>("send");
        QTest::newRow("current") << 0;
        QTest::newRow("custom") << 1;
        QTest::newRow("internal") << 2;
        QTest::newRow("remote switch") << 3;
    }

    // A block the platform refuses must not pass for sent.
    void refusedBlockRaises()
    {
        QFETCH(int, send);
        Rig rig;
        TVLManager &manager = rig.make();
        rig.midi.failNext(MidiPlatform::Call::OutLongMessage, MidiPlatform::DeviceGone);
        const auto act = [&] {
            switch (send) {
            case 0:
                manager.SendToCurrent();
                break;
            case 1:
                manager.SendToCustom(2);
                break;
            case 2:
                manager.SendToInternal(2);
                break;
            default:
                manager.SendRemoteSwitch(7, false);
                break;
            }
        };
        QVERIFY_THROWS_EXCEPTION(VentaroError, act());
        QVERIFY(rig.sent().isEmpty());
        act(); // the next one goes out
        QCOMPARE(rig.sent().size(), 1);
    }

    void closeOutput()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        manager.SendShortMessage(0x90, 60, 100);
        QCOMPARE(rig.midi.openCount(false, rig.output), 1);
        manager.CloseOutput();
        QCOMPARE(rig.midi.openCount(false, rig.output), 0);
        QVERIFY(rig.sent().contains(QByteArray::fromHex("803C00"))); // the held note silenced
        manager.SendShortMessage(0x90, 62, 100);                     // reopens on demand
        QCOMPARE(rig.midi.openCount(false, rig.output), 1);
    }

    void destructionClosesInputThenOutput()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        manager.MidiIn()->Open(true);
        manager.SendShortMessage(0x90, 60, 100);
        rig.midi.clearCalls();
        rig.manager.reset();
        QCOMPARE(rig.midi.openCount(true, rig.input), 0);
        QCOMPARE(rig.midi.openCount(false, rig.output), 0);
        QStringList closes;
        for (const LoopbackCall &call : rig.midi.calls())
            if (call.call == MidiPlatform::Call::InClose
                || call.call == MidiPlatform::Call::OutClose)
                closes << call.function;
        QCOMPARE(closes, (QStringList{"inClose", "outClose"}));
    }

    void destructionSurvivesFailedClose()
    {
        Rig rig;
        TVLManager &manager = rig.make();
        manager.SendShortMessage(0x90, 60, 100);
        rig.midi.failNext(MidiPlatform::Call::OutReset, MidiPlatform::DriverError);
        rig.manager.reset(); // no exception leaves the destructor
    }
};

QTEST_GUILESS_MAIN(TestVlManager)
#include "tst_vlmanager.moc"
