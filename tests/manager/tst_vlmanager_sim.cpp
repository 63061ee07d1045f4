#include "DataColumns.h"
#include "LoopbackMidi.h"
#include "RegEdit.h"
#include "RegRoot.h"
#include "SimPanel.h"
#include "SimulatedVl70m.h"
#include "SimulatedVl70mDevice.h"
#include "SystemSleeper.h"
#include "TMidiCorvoIn.h"
#include "TVLManager.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The device manager against the simulated instrument over the loopback
// platform: every send lands in the addressed place byte for byte, and the
// panel dump-out started through remote switches arrives at the input port.
namespace {

const QString MidiKey = QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi");

struct Rig
{
    SystemSleeper clock;
    LoopbackMidi midi{&clock};
    SimulatedVl70mDevice sim{midi, clock};
    QTemporaryDir folder;
    RegRoot settings = RegRoot::iniFile(folder.filePath(QStringLiteral("settings.ini")));
    std::unique_ptr<TVLManager> manager;
    QByteArray received;

    explicit Rig(int device)
    {
        WriteRegString(settings, MidiKey, QStringLiteral("In"), SimulatedVl70mDevice::DefaultName);
        WriteRegString(settings, MidiKey, QStringLiteral("Out"), SimulatedVl70mDevice::DefaultName);
        WriteRegInteger(settings, MidiKey, QStringLiteral("ID"), device);
        instrument().setDeviceNumber(device);
        instrument().setDumpIntervalMs(0);
        manager = std::make_unique<TVLManager>(nullptr, &midi, settings, folder.path());
    }
    ~Rig() { manager.reset(); }

    SimulatedVl70m &instrument() { return sim.instrument(); }
    void settle()
    {
        midi.waitUntilSent();
        sim.waitUntilIdle();
    }
    void listen()
    {
        manager->MidiIn()->OnSysexReceived = [this](QObject *, const quint8 *data, qint32 length) {
            received.append(reinterpret_cast<const char *>(data), length);
        };
        manager->MidiIn()->Open(true);
    }
    void press(const QList<int> &buttons)
    {
        for (int button : buttons) {
            manager->SendRemoteSwitch(quint8(button), false);
            manager->SendRemoteSwitch(quint8(button), true);
        }
    }
};

// A run of blocks sealed again for `device`, as the instrument sends its places.
QByteArray resealed(QByteArray run, int device)
{
    for (int at = 0; at + VoiceDump::BlockOverhead <= run.size();) {
        const int count =
            run.at(at + VoiceDump::CountHighOffset) * 128 + run.at(at + VoiceDump::CountLowOffset);
        const int start = at + VoiceDump::CountHighOffset;
        if (!VoiceDump::SealBlock(run, start, start + VoiceDump::HeaderLength - 5 + count,
                                  quint8(device)))
            return {};
        at += count + VoiceDump::BlockOverhead;
    }
    return run;
}

} // namespace

class TestVlManagerSim : public QObject
{
    Q_OBJECT

private slots:
    void sendToCurrent()
    {
        Rig rig(3);
        QVERIFY(rig.manager->LoadVoice(SimulatedVl70m::makeVoice("Sent now", 77, 9)));
        rig.manager->SendToCurrent();
        rig.settle();
        QCOMPARE(rig.instrument().editBuffer(), rig.manager->Dump());
        QCOMPARE(int(rig.instrument().editBuffer().at(VoiceDump::DeviceOffset)), 3);
        QCOMPARE(rig.instrument().ignoredCount(), 0);
    }

    void otherDeviceNumberIsIgnored()
    {
        Rig rig(3);
        const QByteArray before = rig.instrument().editBuffer();
        QVERIFY(rig.manager->LoadVoice(SimulatedVl70m::makeVoice("Not mine", 5, 3)));
        rig.manager->setDeviceID(4);
        rig.manager->SendToCurrent();
        rig.settle();
        QCOMPARE(rig.instrument().editBuffer(), before);
        QVERIFY(rig.instrument().ignoredCount() > 0);
    }

    void sendToSlot_data()
    {
        addColumns<bool, int, int>("custom", "slot", "place");
        QTest::newRow("custom 6") << true << 6 << 6;
        QTest::newRow("custom 7 goes to 1") << true << 7 << 1;
        QTest::newRow("internal 64") << false << 64 << 64;
        QTest::newRow("internal 65 goes to 1") << false << 65 << 1;
    }
    void sendToSlot()
    {
        QFETCH(bool, custom);
        QFETCH(int, slot);
        QFETCH(int, place);
        Rig rig(3);
        QVERIFY(rig.manager->LoadVoice(SimulatedVl70m::makeVoice("To slot", 1234, 0)));
        if (custom)
            rig.manager->SendToCustom(slot);
        else
            rig.manager->SendToInternal(slot);
        rig.settle();
        const QByteArray expected =
            custom ? VoiceConversion::DumpToCustom(rig.manager->Dump(), place, 3)
                   : VoiceConversion::DumpToInternal(rig.manager->Dump(), place, 3);
        QCOMPARE(custom ? rig.instrument().customSlot(place) : rig.instrument().internalSlot(place),
                 expected);
        QCOMPARE(rig.instrument().ignoredCount(), 0);
    }

    // UTIL, then SELECT to the form and VALUE to the slot, then ENTER twice.
    void panelDumpOut_data()
    {
        addColumns<QList<int>, int, int>("buttons", "kind", "slot");
        const int util = SimPanel::Util, enter = SimPanel::Enter;
        const int select = SimPanel::SelectPlus, value = SimPanel::ValuePlus;
        QTest::newRow("current") << QList<int>{util, enter, enter} << 2 << 0;
        QTest::newRow("custom 3") << QList<int>{util, select, value, value, enter, enter} << 1 << 3;
        QTest::newRow("internal 2")
            << QList<int>{util, select, select, value, enter, enter} << 0 << 2;
    }
    void panelDumpOut()
    {
        QFETCH(QList<int>, buttons);
        QFETCH(int, kind);
        QFETCH(int, slot);
        Rig rig(5);
        rig.listen();
        rig.press(buttons);
        const QByteArray expected = resealed(kind == 2   ? rig.instrument().editBuffer()
                                             : kind == 1 ? rig.instrument().customSlot(slot)
                                                         : rig.instrument().internalSlot(slot),
                                             5);
        QVERIFY(!expected.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(rig.received.size(), expected.size(), 10000);
        QCOMPARE(rig.received, expected);
        QVERIFY(rig.manager->LoadVoice(rig.received));
        QCOMPARE(int(rig.manager->SourceKind()), kind);
        if (kind != 2)
            QCOMPARE(rig.manager->SlotNumber(), slot);
    }

    // A dump taken from the instrument and sent back lands unchanged.
    void roundTrip()
    {
        Rig rig(2);
        rig.instrument().setDumpIntervalMs(SimulatedVl70m::DefaultDumpIntervalMs);
        rig.listen();
        rig.press({SimPanel::Util, SimPanel::Enter, SimPanel::Enter});
        QTRY_COMPARE_WITH_TIMEOUT(rig.received.size(), VoiceDump::FullLength, 10000);
        const QByteArray original = resealed(rig.instrument().editBuffer(), 2);
        QCOMPARE(rig.received, original);
        QVERIFY(rig.manager->LoadVoice(rig.received));
        rig.manager->SendShortMessage(0xB0, 0x00, 0x21); // select another voice first
        rig.manager->SendShortMessage(0xB0, 0x20, 0);
        rig.manager->SendShortMessage(0xC0, 1, 0);
        rig.settle();
        QVERIFY(rig.instrument().editBuffer() != original);
        rig.manager->SendToCurrent();
        rig.settle();
        QCOMPARE(rig.instrument().editBuffer(), original);
    }
};

QTEST_GUILESS_MAIN(TestVlManagerSim)
#include "tst_vlmanager_sim.moc"
