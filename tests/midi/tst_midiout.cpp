#include "DataColumns.h"
#include "MidiErrorText.h"
#include "PortFixture.h"
#include "RaisedText.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"

#include <QtTest>

namespace {
const QString Key = QStringLiteral("VL70-m");

QByteArray bytesOf(const char *hex)
{
    return QByteArray::fromHex(hex);
}
// A port open on device 0.
struct OpenPort
{
    OpenPort()
    {
        port.setDeviceID(0);
        port.Open();
    }

    PortFixture f;
    TMidiCorvoOut port{nullptr, Key, &f.midi, f.settings};
};

} // namespace

class TestMidiOut : public QObject
{
    Q_OBJECT

private slots:
    void restoresSavedChoice_data();
    void restoresSavedChoice();
    void noKeyNameRestoresAndSavesNothing();
    void sameDeviceIdDoesNothing();
    void changingDeviceWhileOpenSilencesOldAndOpensNew();
    void changingDeviceWhileClosedOnlyRemembers();
    void deviceIdOutsideListIsRefused();
    void deviceNameSetter_data();
    void deviceNameSetter();
    void heldNotes_data();
    void heldNotes();
    void systemStatusSendsNothing_data();
    void systemStatusSendsNothing();
    void firstCloseResetsControllersOnAllChannels();
    void releaseHeldNotesLiftsSustain();
    void openWithoutChoiceOpensDefault();
    void openFailureRaisesAndStaysClosed_data();
    void openFailureRaisesAndStaysClosed();
    void longMessageReturnsBeforeItLeaves();
    void refusedLongMessageIsReleasedAtOnce();
    void failedResetReleasesDevice();
    void failedCloseRaises();
    void stateChangedOnOpenAndCloseNotOnDestroy();
    void errorTexts_data();
    void errorTexts();
};

void TestMidiOut::restoresSavedChoice_data()
{
    addColumns<QStringList, QString, int, QString>("devices", "saved", "deviceId", "deviceName");

    const QStringList two{QStringLiteral("Synth A"), QStringLiteral("Synth B")};
    QTest::newRow("exact") << two << QStringLiteral("Synth B") << 1 << QStringLiteral("Synth B");
    QTest::newRow("other case") << two << QStringLiteral("synth b") << 1
                                << QStringLiteral("synth b");
    // A name not listed now stays chosen: it opens once the device is back.
    QTest::newRow("gone") << two << QStringLiteral("Old Synth") << -1
                          << QStringLiteral("Old Synth");
    QTest::newRow("none saved") << two << QString() << -1 << QString();
    // Two devices of one name are listed apart, each found by its own name.
    const QStringList twins{QStringLiteral("Same"), QStringLiteral("Same")};
    QTest::newRow("first of two equal")
        << twins << QStringLiteral("same") << 0 << QStringLiteral("same");
    QTest::newRow("second of two equal")
        << twins << QStringLiteral("Same (2)") << 1 << QStringLiteral("Same (2)");
    QTest::newRow("a name that holds the number")
        << QStringList{QStringLiteral("Same"), QStringLiteral("Same"), QStringLiteral("Same (2)")}
        << QStringLiteral("Same (3)") << 1 << QStringLiteral("Same (3)");
    QTest::newRow("no devices") << QStringList{} << QStringLiteral("Synth A") << -1
                                << QStringLiteral("Synth A");
}

void TestMidiOut::restoresSavedChoice()
{
    QFETCH(QStringList, devices);
    QFETCH(QString, saved);
    QFETCH(int, deviceId);
    QFETCH(QString, deviceName);

    PortFixture f(devices);
    if (!saved.isEmpty())
        f.save(QStringLiteral("Out"), saved);
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    QCOMPARE(port.DeviceNames().size(), devices.size());
    if (deviceId >= 0)
        QCOMPARE(port.DeviceNames().at(deviceId).compare(deviceName, Qt::CaseInsensitive), 0);
    QCOMPARE(port.DeviceID(), deviceId);
    QCOMPARE(port.DeviceName(), deviceName);
    QVERIFY(!port.IsOpen());
    QVERIFY(f.midi.calls().isEmpty());
    // A stale name stays stored until another device is chosen.
    QCOMPARE(f.saved(QStringLiteral("Out")), saved.isEmpty() ? QStringLiteral("<absent>") : saved);
}

void TestMidiOut::noKeyNameRestoresAndSavesNothing()
{
    PortFixture f;
    f.save(QStringLiteral("Out"), QStringLiteral("Synth B"));
    TMidiCorvoOut port(nullptr, &f.midi, f.settings);
    QCOMPARE(port.DeviceID(), -1);
    port.setDeviceID(0);
    QCOMPARE(port.DeviceName(), QStringLiteral("Synth A"));
    QCOMPARE(f.saved(QStringLiteral("Out")), QStringLiteral("Synth B"));
    QCOMPARE(ReadRegString(f.settings, RegSettingsRoot + QStringLiteral("Midi"),
                           QStringLiteral("Out"), QStringLiteral("<absent>")),
             QStringLiteral("<absent>"));
}

void TestMidiOut::sameDeviceIdDoesNothing()
{
    PortFixture f;
    f.save(QStringLiteral("Out"), QStringLiteral("Synth A"));
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    port.Open();
    f.save(QStringLiteral("Out"), QStringLiteral("marker"));
    f.midi.clearCalls();
    port.setDeviceID(0);
    QVERIFY(f.midi.calls().isEmpty());
    QVERIFY(port.IsOpen());
    QCOMPARE(f.saved(QStringLiteral("Out")), QStringLiteral("marker"));
}

void TestMidiOut::changingDeviceWhileOpenSilencesOldAndOpensNew()
{
    OpenPort open;
    auto &[f, port] = open;
    port.SendShortMessage(0x91, 0x3C, 0x40);
    for (int channel = 0; channel < 16; ++channel)
        for (int controller : {7, 10, 11, 91})
            port.SendShortMessage(quint8(0xB0 + channel), quint8(controller),
                                  quint8(DefaultControllerValues[size_t(controller)]));
    port.SendShortMessage(0xB0, 7, 100);
    f.midi.clearCalls();

    port.setDeviceID(1);
    QCOMPARE(f.log(),
             (QStringList{QStringLiteral("outShortMessage 0 813c00"),
                          QStringLiteral("outShortMessage 0 b0075a"), QStringLiteral("outReset 0"),
                          QStringLiteral("outClose 0"), QStringLiteral("outOpen 1")}));
    QVERIFY(port.IsOpen());
    QCOMPARE(port.DeviceName(), QStringLiteral("Synth B"));
    QCOMPARE(f.saved(QStringLiteral("Out")), QStringLiteral("Synth B"));
    QCOMPARE(f.midi.openCount(false, 0), 0);
    QCOMPARE(f.midi.openCount(false, 1), 1);
}

void TestMidiOut::changingDeviceWhileClosedOnlyRemembers()
{
    PortFixture f;
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(1);
    QVERIFY(f.midi.calls().isEmpty());
    QVERIFY(!port.IsOpen());
    QCOMPARE(f.saved(QStringLiteral("Out")), QStringLiteral("Synth B"));
    // -1 forgets nothing: the stored name stays.
    port.setDeviceID(-1);
    QCOMPARE(port.DeviceName(), QString());
    QCOMPARE(f.saved(QStringLiteral("Out")), QStringLiteral("Synth B"));
}

void TestMidiOut::deviceIdOutsideListIsRefused()
{
    PortFixture f;
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(0);
    for (int bad : {2, -2}) {
        QVERIFY_THROWS_EXCEPTION(VentaroError, port.setDeviceID(bad));
        QCOMPARE(port.DeviceID(), 0);
        QCOMPARE(port.DeviceName(), QStringLiteral("Synth A"));
    }
}

void TestMidiOut::deviceNameSetter_data()
{
    addColumns<QString, int, QString>("name", "deviceId", "deviceName");
    QTest::newRow("listed") << QStringLiteral("Synth B") << 1 << QStringLiteral("Synth B");
    QTest::newRow("other case") << QStringLiteral("SYNTH B") << 1 << QStringLiteral("Synth B");
    QTest::newRow("unknown") << QStringLiteral("Nothing") << -1 << QString();
    QTest::newRow("empty") << QString() << -1 << QString();
}

void TestMidiOut::deviceNameSetter()
{
    QFETCH(QString, name);
    QFETCH(int, deviceId);
    QFETCH(QString, deviceName);
    PortFixture f;
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(0);
    port.setDeviceName(name);
    QCOMPARE(port.DeviceID(), deviceId);
    QCOMPARE(port.DeviceName(), deviceName);
}

void TestMidiOut::heldNotes_data()
{
    addColumns<QList<QByteArray>, int, QStringList>("sent", "held", "noteOffsOnClose");

    QTest::newRow("two on, one off")
        << QList<QByteArray>{bytesOf("903c40"), bytesOf("903c40"), bytesOf("803c00")} << 1
        << QStringList{QStringLiteral("outShortMessage 0 803c00")};
    QTest::newRow("struck three times")
        << QList<QByteArray>{bytesOf("903c40"), bytesOf("903c41"), bytesOf("903c42")} << 3
        << QStringList{QStringLiteral("outShortMessage 0 803c00"),
                       QStringLiteral("outShortMessage 0 803c00"),
                       QStringLiteral("outShortMessage 0 803c00")};
    QTest::newRow("off for a note not held")
        << QList<QByteArray>{bytesOf("803c00")} << 0 << QStringList{};
    QTest::newRow("velocity 0 is an off")
        << QList<QByteArray>{bytesOf("903c40"), bytesOf("903c00")} << 0 << QStringList{};
    QTest::newRow("off on another channel")
        << QList<QByteArray>{bytesOf("903c40"), bytesOf("813c00")} << 1
        << QStringList{QStringLiteral("outShortMessage 0 803c00")};
    QTest::newRow("aftertouch changes nothing")
        << QList<QByteArray>{bytesOf("a03c40")} << 0 << QStringList{};
}

void TestMidiOut::heldNotes()
{
    QFETCH(QList<QByteArray>, sent);
    QFETCH(int, held);
    QFETCH(QStringList, noteOffsOnClose);

    OpenPort open;
    auto &[f, port] = open;
    for (const QByteArray &m : sent)
        port.SendShortMessage(quint8(m[0]), quint8(m[1]), quint8(m[2]));
    QCOMPARE(port.heldNotes(0, 0x3C), held);
    // Every message was sent, counted or not.
    QCOMPARE(f.logOf(MidiPlatform::Call::OutShortMessage).size(), sent.size());
    f.midi.clearCalls();
    port.Close();
    QStringList offs = f.logOf(MidiPlatform::Call::OutShortMessage);
    offs = offs.filter(QRegularExpression(QStringLiteral(" 8")));
    QCOMPARE(offs, noteOffsOnClose);
    QCOMPARE(port.heldNotes(0, 0x3C), 0);
}

void TestMidiOut::systemStatusSendsNothing_data()
{
    addColumns<int>("status");
    QTest::newRow("F0") << 0xF0;
    QTest::newRow("F8 clock") << 0xF8;
    QTest::newRow("FF reset") << 0xFF;
}

void TestMidiOut::systemStatusSendsNothing()
{
    QFETCH(int, status);
    OpenPort open;
    auto &[f, port] = open;
    f.midi.clearCalls();
    port.SendShortMessage(quint8(status), 0x40, 0x7F);
    QVERIFY(f.midi.calls().isEmpty());
}

void TestMidiOut::firstCloseResetsControllersOnAllChannels()
{
    OpenPort open;
    auto &[f, port] = open;
    port.Close();
    QStringList expected;
    for (int channel = 0; channel < 16; ++channel)
        for (const char *cc : {"075a", "0a40", "0b7f", "5b28"})
            expected << QStringLiteral("outShortMessage 0 b%1%2").arg(channel, 0, 16).arg(cc);
    QCOMPARE(f.logOf(MidiPlatform::Call::OutShortMessage), expected);
    QCOMPARE(f.midi.received(0).size(), 64);
    // The tables now hold the defaults: the next close sends nothing.
    f.midi.clearCalls();
    port.Open();
    port.Close();
    QVERIFY(f.logOf(MidiPlatform::Call::OutShortMessage).isEmpty());
}

void TestMidiOut::releaseHeldNotesLiftsSustain()
{
    OpenPort open;
    auto &[f, port] = open;
    port.SendShortMessage(0xB2, 64, 127);
    port.SendShortMessage(0x92, 0x30, 0x50);
    f.midi.clearCalls();
    port.ReleaseHeldNotes();
    QCOMPARE(f.log(), (QStringList{QStringLiteral("outShortMessage 0 823000"),
                                   QStringLiteral("outShortMessage 0 b24000")}));
    QCOMPARE(port.controllerValue(2, 64), 0);
}

void TestMidiOut::openWithoutChoiceOpensDefault()
{
    PortFixture f;
    f.midi.setDefaultOutput(1);
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    QCOMPARE(port.DeviceID(), -1);
    port.Open();
    QVERIFY(port.IsOpen());
    QCOMPARE(f.log().first(), QStringLiteral("outOpen -1"));
    QCOMPARE(f.midi.openCount(false, 1), 1);
    // Opening an open port does nothing.
    port.Open();
    QCOMPARE(f.logOf(MidiPlatform::Call::OutOpen).size(), 1);
}

void TestMidiOut::openFailureRaisesAndStaysClosed_data()
{
    addColumns<QStringList, bool, QString, int>("devices", "unplug", "message", "platformCalls");
    QTest::newRow("device gone") << QStringList{QStringLiteral("Synth A")} << true
                                 << QStringLiteral(
                                        "The MIDI output device is no longer available.\nSynth A")
                                 << 1;
    // Never the default device in place of the remembered one.
    QTest::newRow("remembered device not listed")
        << QStringList{} << false
        << QStringLiteral("The MIDI output device is not connected.\nSynth A") << 0;
}

void TestMidiOut::openFailureRaisesAndStaysClosed()
{
    QFETCH(QStringList, devices);
    QFETCH(bool, unplug);
    QFETCH(QString, message);
    QFETCH(int, platformCalls);
    PortFixture f(devices);
    f.save(QStringLiteral("Out"), QStringLiteral("Synth A"));
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    if (unplug)
        f.midi.unplugOutput(0);
    QCOMPARE(raisedText([&] { port.Open(); }), message);
    QVERIFY(!port.IsOpen());
    port.Close(); // nothing to close
    QCOMPARE(f.log().size(), platformCalls);
}

void TestMidiOut::longMessageReturnsBeforeItLeaves()
{
    OpenPort open;
    auto &[f, port] = open;
    f.midi.setStalled(0, true);
    QByteArray block = bytesOf("f0431057000000000000f7");
    QCOMPARE(port.SendLongMessage(block), 0);
    block.fill('\0'); // the caller's bytes may go at once
    QCOMPARE(port.pendingCount(), 1);
    f.midi.setStalled(0, false);
    f.midi.waitUntilSent();
    QCOMPARE(f.midi.received(0), QList<QByteArray>{bytesOf("f0431057000000000000f7")});
    QCOMPARE(port.pendingCount(), 0);
}

void TestMidiOut::refusedLongMessageIsReleasedAtOnce()
{
    OpenPort open;
    auto &[f, port] = open;
    f.midi.failNext(MidiPlatform::Call::OutLongMessage, MidiPlatform::NoMemory);
    QCOMPARE(port.SendLongMessage(bytesOf("f07ef7")), int(MidiPlatform::NoMemory));
    QCOMPARE(port.pendingCount(), 0);
    QCOMPARE(port.SendLongMessage(QByteArray()), int(MidiPlatform::InvalidParameter));
    QCOMPARE(port.pendingCount(), 0);
    // Sent while closed: the platform refuses the handle.
    port.Close();
    QCOMPARE(port.SendLongMessage(bytesOf("f07ef7")), int(MidiPlatform::InvalidHandle));
    QCOMPARE(port.pendingCount(), 0);
}

void TestMidiOut::failedResetReleasesDevice()
{
    OpenPort open;
    auto &[f, port] = open;
    f.midi.setResetWaitMs(10);
    f.midi.setStalled(0, true); // a MIDI system that takes nothing
    port.SendLongMessage(bytesOf("f001f7"));
    port.SendLongMessage(bytesOf("f002f7"));
    QCOMPARE(raisedText([&port = port] { port.Close(); }),
             QStringLiteral("The MIDI output device did not take the data in time.\nSynth A"));
    QVERIFY(!port.IsOpen());
    QCOMPARE(port.pendingCount(), 0);
    QCOMPARE(f.midi.openCount(false, 0), 0);
    f.midi.setStalled(0, false);
    // The next Open opens the device once, and works.
    port.Open();
    QCOMPARE(f.midi.openCount(false, 0), 1);
    port.SendLongMessage(bytesOf("f003f7"));
    f.midi.waitUntilSent();
    QCOMPARE(port.pendingCount(), 0);
}

void TestMidiOut::failedCloseRaises()
{
    PortFixture f;
    TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(1);
    port.Open();
    f.midi.failNext(MidiPlatform::Call::OutClose, MidiPlatform::DriverError);
    QVERIFY_THROWS_EXCEPTION(VentaroError, port.Close());
    QVERIFY(!port.IsOpen());
}

void TestMidiOut::stateChangedOnOpenAndCloseNotOnDestroy()
{
    PortFixture f;
    int changes = 0;
    {
        TMidiCorvoOut port(nullptr, Key, &f.midi, f.settings);
        port.OnStateChanged = [&](QObject *sender) {
            QCOMPARE(sender, &port);
            ++changes;
        };
        port.setDeviceID(0);
        port.Open();
        QCOMPARE(changes, 1);
        port.Close();
        QCOMPARE(changes, 2);
        port.Open();
        QCOMPARE(changes, 3);
    }
    QCOMPARE(changes, 3);
    QCOMPARE(f.midi.openCount(false, 0), 0);
}

void TestMidiOut::errorTexts_data()
{
    addColumns<int, bool, QString>("code", "input", "text");
    QTest::newRow("busy") << int(MidiPlatform::DeviceBusy) << false
                          << QStringLiteral("The MIDI output device is already in use.");
    QTest::newRow("input family") << int(MidiPlatform::BadDeviceId) << true
                                  << QStringLiteral(
                                         "The MIDI input device number is out of range.");
    QTest::newRow("unknown") << 999 << false
                             << QStringLiteral("Specified error number is out of range");
    QTest::newRow("negative") << -3 << true
                              << QStringLiteral("Specified error number is out of range");
}

void TestMidiOut::errorTexts()
{
    QFETCH(int, code);
    QFETCH(bool, input);
    QFETCH(QString, text);
    PortFixture f;
    QCOMPARE(MidiErrorText(code, input, &f.midi), text);
    QCOMPARE(MidiErrorText(code, input), text);
}

QTEST_GUILESS_MAIN(TestMidiOut)
#include "tst_midiout.moc"
