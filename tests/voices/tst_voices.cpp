#include "DataColumns.h"
#include "FrontPanelRemote.h"
#include "MainWindowRig.h"
#include "SimPanel.h"
#include "SimulatedVl70mDevice.h"
#include "TMidiCorvoIn.h"
#include "TVLManager.h"
#include "TfmMidiIn.h"
#include "TfmVLDump.h"
#include "VirtualSleeper.h"
#include "VoiceCatalogue.h"
#include "VoiceDump.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Presses = QList<int>;

namespace {

// The main window on a loopback platform whose only device pair is the
// simulated instrument. The instrument keeps a clock of its own, so that
// its dump interval never touches the window's virtual clock.
struct Rig : MainWindowRig
{
    VirtualSleeper instrumentClock;
    SimulatedVl70mDevice device{platform, instrumentClock};

    // What the Import SysEx window showed last before it closed.
    QString bytesShown;
    bool importClosedByItself = false;

    ~Rig() { window.reset(); } // before the instrument it listens to

    SimulatedVl70m &sim() { return device.instrument(); }

    TfmVLDump &open()
    {
        MainWindowRig::open().show();
        return *window;
    }
    // Waits for the instrument and hands what it sent to the window.
    static void settle(SimulatedVl70mDevice &device)
    {
        device.waitUntilIdle();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // Runs the Import SysEx window: the user presses the remote's buttons
    // (with the mouse, or with ALT shortcuts), then, when the window stays
    // open, Cancel.
    void scriptImport(const Presses &buttons, bool byKeys = false,
                      const QByteArray &strayFirst = QByteArray())
    {
        prompts.onModal = [this, buttons, byKeys, strayFirst](QDialog *dialog) {
            auto *import = qobject_cast<TfmMidiIn *>(dialog);
            if (!import)
                return int(QDialog::Rejected);
            import->show();
            if (!strayFirst.isEmpty())
                platform.inject(device.devices().input, strayFirst);
            settle(device);
            for (int button : buttons) {
                if (byKeys)
                    QTest::keyClick(import, keyOf(button), Qt::AltModifier);
                else
                    QTest::mouseClick(import->remote()->hotSpot(button), Qt::LeftButton);
                settle(device);
            }
            const QDeadlineTimer deadline(5000);
            while (import->isVisible() && !deadline.hasExpired())
                settle(device);
            bytesShown = import->findChild<QLabel *>(QStringLiteral("lblBytes"))->text();
            importClosedByItself = !import->isVisible();
            if (import->isVisible())
                import->reject(); // the user gives up
            return import->result();
        };
    }
    static Qt::Key keyOf(int button)
    {
        switch (button) {
        case SimPanel::Util:
            return Qt::Key_U;
        case SimPanel::Enter:
            return Qt::Key_Return;
        default:
            return Qt::Key_unknown;
        }
    }
};

QString nameIn(const QByteArray &bytes, int offset)
{
    return VoiceDump::textFromBytes(
        QByteArrayView(bytes).sliced(offset, VoiceDump::VoiceNameLength));
}

void checkNoVoiceHeld(const Rig &rig)
{
    QCOMPARE(rig.window->windowTitle(), TfmVLDump::initialCaption());
    QCOMPARE(rig.child<QPushButton>("btnSave")->text(), QStringLiteral("Save File as..."));
    QCOMPARE(rig.child<QLabel>("lblDest")->text(), QStringLiteral("Destination: "));
    QVERIFY(!rig.child("btnSave")->isEnabled());
    QVERIFY(!rig.child("btnExport")->isEnabled());
}

} // namespace

class TestVoices : public QObject
{
    Q_OBJECT

private slots:
    void getActiveVoice_data();
    void getActiveVoice();
    void importEndsWithoutAVoice_data();
    void importEndsWithoutAVoice();
    void inputThatCannotOpen();
    void send_data();
    void send();
    void sendThatCannotOpenChangesNoName();
    void lateSendFailureStaysWithItsDevice();
    void refusedPatchSelectKeepsTheSlotName();
};

void TestVoices::getActiveVoice_data()
{
    addColumns<Presses, bool, int, int, bool, int>("buttons", "byKeys", "length", "sendBank",
                                                   "bankEnabled", "slotRows");

    using P = SimPanel;
    QTest::newRow("full voice: UTIL, ENTER, ENTER")
        << Presses{P::Util, P::Enter, P::Enter} << false << 1808 << 0 << true << 0;
    QTest::newRow("full voice by ALT+U, ALT+ENTER, ALT+ENTER")
        << Presses{P::Util, P::Enter, P::Enter} << true << 1808 << 0 << true << 0;
    QTest::newRow("custom voice of slot 2")
        << Presses{P::Util, P::SelectPlus, P::ValuePlus, P::Enter, P::Enter} << false << 1572 << 1
        << false << 6;
    QTest::newRow("internal voice of slot 1")
        << Presses{P::Util, P::SelectPlus, P::SelectPlus, P::Enter, P::Enter} << false << 174 << 2
        << false << 64;
}

void TestVoices::getActiveVoice()
{
    QFETCH(Presses, buttons);
    QFETCH(bool, byKeys);
    QFETCH(int, length);
    QFETCH(int, sendBank);
    QFETCH(bool, bankEnabled);
    QFETCH(int, slotRows);
    Rig rig;
    rig.sim().setDeviceNumber(4);
    TfmVLDump &w = rig.open();
    rig.choose("cbxDevNo", 4);
    rig.scriptImport(buttons, byKeys);
    QTest::mouseClick(rig.child<QPushButton>("btnImport"), Qt::LeftButton);

    QVERIFY(rig.importClosedByItself);
    QCOMPARE(rig.bytesShown, QString::number(length));
    QVERIFY(rig.prompts.errors().isEmpty());
    // The voice the instrument holds in the place it dumped.
    const QByteArray source = length == VoiceDump::FullLength     ? rig.sim().editBuffer()
                              : length == VoiceDump::CustomLength ? rig.sim().customSlot(2)
                                                                  : rig.sim().internalSlot(1);
    const QString name = nameIn(source, length == VoiceDump::FullLength ? VoiceDump::VoiceNameOffset
                                                                        : VoiceDump::DataOffset);
    TVLManager *manager = w.VLManager1();
    QCOMPARE(manager->VoiceName(), name);
    if (length == VoiceDump::FullLength) {
        // As the instrument dumps it: for its device number.
        QByteArray dumped = source;
        QVERIFY(VoiceDump::SealDump(dumped, 4));
        QCOMPARE(manager->Dump(), dumped);
    }
    QCOMPARE(w.windowTitle(), QStringLiteral("Ventaro - ") + name);
    QCOMPARE(rig.child<QPushButton>("btnSave")->text(), QStringLiteral("Save %1...").arg(name));
    QCOMPARE(rig.child<QLabel>("lblDest")->text(),
             QStringLiteral("Destination \"%1\": ").arg(name));
    QVERIFY(rig.child("btnSave")->isEnabled());
    QVERIFY(rig.child("btnExport")->isEnabled());
    QCOMPARE(rig.combo("cbxSendBank")->currentIndex(), sendBank);
    QCOMPARE(rig.combo("cbxSendBank")->isEnabled(), bankEnabled);
    QCOMPARE(rig.combo("cbxSendPatch")->count(), slotRows);
    QCOMPARE(rig.combo("cbxSendPatch")->isEnabled(), slotRows > 0);
    // A voice from a slot is offered its own slot first.
    const int ownSlot = length == VoiceDump::CustomLength ? 2 : 1;
    QCOMPARE(rig.combo("cbxSendPatch")->currentIndex(), slotRows > 0 ? ownSlot - 1 : -1);
    // The port is stopped and the import window let go of it.
    QCOMPARE(manager->MidiIn()->State(), TMidiCorvoIn::Opened);
    QVERIFY(!manager->MidiIn()->OnSysexReceived);
}

void TestVoices::importEndsWithoutAVoice_data()
{
    addColumns<Presses, QByteArray, QString>("buttons", "stray", "shown");
    using P = SimPanel;
    QTest::newRow("cancel before anything arrived") << Presses{} << QByteArray() << QString();
    // The instrument's custom dump-out with a stray block of this device
    // number ahead of it: 1581 bytes never complete.
    const QByteArray stray = TVLManager::remoteSwitchMessage(0, 0, false).replace(2, 1, "\0", 1);
    QTest::newRow("stray block ahead of a dump")
        << Presses{P::Util, P::SelectPlus, P::Enter, P::Enter} << stray << "1581";
}

void TestVoices::importEndsWithoutAVoice()
{
    QFETCH(Presses, buttons);
    QFETCH(QByteArray, stray);
    QFETCH(QString, shown);
    Rig rig;
    TfmVLDump &w = rig.open();
    // A voice held before is dropped by the new import.
    QVERIFY(w.VLManager1()->LoadVoice(SimulatedVl70m::makeVoice("Old One", 3, 0)));
    w.UpdateVoiceControls(true);
    rig.scriptImport(buttons, false, stray);
    QTest::mouseClick(rig.child<QPushButton>("btnImport"), Qt::LeftButton);
    QVERIFY(!rig.importClosedByItself);
    QCOMPARE(rig.bytesShown, shown);
    checkNoVoiceHeld(rig);
    QVERIFY(rig.prompts.errors().isEmpty());
    QVERIFY(rig.prompts.messages().isEmpty());
}

void TestVoices::inputThatCannotOpen()
{
    Rig rig;
    rig.open();
    rig.platform.unplugInput(rig.device.devices().input);
    QTest::mouseClick(rig.child<QPushButton>("btnImport"), Qt::LeftButton);
    QCOMPARE(rig.prompts.errors().size(), 1);
    for (const ScriptedPrompts::Shown &s : rig.prompts.shown)
        QVERIFY(s.kind != ScriptedPrompts::Kind::Modal);
    checkNoVoiceHeld(rig);
}

void TestVoices::send_data()
{
    // destination: row of cbxSendBank
    addColumns<int, int, bool>("destination", "slot", "listPresent");
    // Bank select and program change groups after the dump (ms), and the
    // place the instrument ends on.
    addColumns<QList<int>, int, int>("groupsAtMs", "endBank", "endProgram");

    QTest::newRow("current") << 0 << 0 << false << QList<int>{} << 0 << 0;
    QTest::newRow("internal 10, no name list")
        << 2 << 10 << false << QList<int>{150, 450, 600} << 3 << 9;
    QTest::newRow("internal 10, name list present")
        << 2 << 10 << true << QList<int>{300, 450} << 3 << 9;
    QTest::newRow("custom 3, no name list")
        << 1 << 3 << false << QList<int>{150, 450, 600} << 2 << 2;
}

void TestVoices::send()
{
    QFETCH(int, destination);
    QFETCH(int, slot);
    QFETCH(bool, listPresent);
    QFETCH(QList<int>, groupsAtMs);
    QFETCH(int, endBank);
    QFETCH(int, endProgram);
    const bool custom = destination == TfmVLDump::SendCustom;
    Rig rig;
    if (listPresent) {
        QByteArray lines;
        for (int i = 1; i <= 64; ++i)
            lines += QByteArray::number(i) + ": Mine" + QByteArray::number(i) + "\r\n";
        rig.writeFile(QStringLiteral("3internal.txt"), lines);
    }
    // Device number 3 on both sides; a name with trailing blanks.
    rig.sim().setDeviceNumber(2);
    TfmVLDump &w = rig.open();
    rig.choose("cbxDevNo", 2);
    const QString name = QStringLiteral("Mad T   ");
    QVERIFY(w.VLManager1()->LoadVoice(SimulatedVl70m::makeVoice(name.toLatin1(), 11, 0)));
    w.UpdateVoiceControls(true);
    QCOMPARE(w.windowTitle(), QStringLiteral("Ventaro - Mad T   "));
    rig.choose("cbxSendBank", destination);
    if (slot > 0)
        rig.choose("cbxSendPatch", slot - 1);
    const QStringList banksBefore = rig.rows("cbxPatch");
    rig.platform.clearCalls();
    rig.sleeper.waits.clear();

    QTest::mouseClick(rig.child<QPushButton>("btnExport"), Qt::LeftButton);
    rig.device.waitUntilIdle();
    QVERIFY(rig.prompts.errors().isEmpty());

    // Order and spacing: the dump, then groups of bank select MSB, LSB and
    // program change.
    const QList<MainWindowRig::Sent> sent = rig.sent();
    QCOMPARE(sent.size(), 1 + 3 * groupsAtMs.size());
    const int dumpLength = destination == 0 ? VoiceDump::FullLength
                           : custom         ? VoiceDump::CustomLength
                                            : VoiceDump::InternalLength;
    QCOMPARE(sent[0].bytes.size(), dumpLength);
    for (int g = 0; g < groupsAtMs.size(); ++g) {
        for (int m = 0; m < 3; ++m)
            QCOMPARE((sent[1 + 3 * g + m].timeNs - sent[0].timeNs) / 1000000,
                     qint64(groupsAtMs[g]));
    }
    if (destination == 0) {
        // Only one wait; the lists stay as they were.
        QCOMPARE(rig.sleeper.waits, QList<int>{150});
        QCOMPARE(rig.rows("cbxPatch"), banksBefore);
        QCOMPARE(rig.sim().editBuffer().mid(VoiceDump::VoiceNameOffset, 8), name.toLatin1());
        QCOMPARE(rig.sim().ignoredCount(), 0);
        return;
    }
    const auto last =
        VoiceCatalogue::patchSelectMessages(VoiceCatalogue::Bank(endBank), endProgram);
    for (int m = 0; m < 3; ++m) {
        const MainWindowRig::Sent &c = sent[sent.size() - 3 + m];
        QByteArray expected;
        expected.append(char(last[m].status))
            .append(char(last[m].data1))
            .append(char(last[m].data2));
        // A program change goes out as its two bytes.
        QVERIFY(c.bytes.size() >= 2);
        QCOMPARE(c.bytes, expected.left(c.bytes.size()));
    }
    // The instrument took the dump (checksums and device number right) and
    // ends on the slot just written.
    QCOMPARE(rig.sim().ignoredCount(), 0);
    const QByteArray written = custom ? rig.sim().customSlot(slot) : rig.sim().internalSlot(slot);
    QCOMPARE(written.at(VoiceDump::DeviceOffset), char(2));
    QCOMPARE(nameIn(written, VoiceDump::DataOffset), name);
    QCOMPARE(int(rig.sim().currentBank()), endBank);
    QCOMPARE(rig.sim().currentProgram(), endProgram);

    // The patch list shows the slot's new name, selected.
    const QString entry = QString::number(slot) + QStringLiteral(": ") + name;
    QCOMPARE(rig.combo("cbxBank")->currentIndex(), endBank);
    QCOMPARE(rig.combo("cbxPatch")->currentIndex(), slot - 1);
    QCOMPARE(rig.combo("cbxPatch")->currentText(), entry);
    const QStringList names = *(custom ? w.CustomNames() : w.InternalNames());
    QCOMPARE(names.size(), custom ? 6 : 64);
    QCOMPARE(names[slot - 1], entry);
    const QString other = listPresent
                              ? QStringLiteral("1: Mine1")
                              : VoiceCatalogue::patchEntries(VoiceCatalogue::builtInNames(
                                  VoiceCatalogue::Yamaha, VoiceCatalogue::Bank(endBank)))[0];
    QCOMPARE(names[0], other);
}

void TestVoices::sendThatCannotOpenChangesNoName()
{
    Rig rig;
    TfmVLDump &w = rig.open();
    QVERIFY(w.VLManager1()->LoadVoice(SimulatedVl70m::makeVoice("Mad Tube", 5, 0)));
    w.UpdateVoiceControls(true);
    rig.choose("cbxSendBank", TfmVLDump::SendInternal);
    rig.platform.unplugOutput(rig.device.devices().output);
    rig.platform.clearCalls();
    QTest::mouseClick(rig.child<QPushButton>("btnExport"), Qt::LeftButton);
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(!w.InternalNames());
    QCOMPARE(rig.combo("cbxBank")->currentIndex(), 0);
}

// A device that takes nothing in time: the send says so, and closing it
// (the user chooses another device) gives up on the block it still holds.
// That failure goes with the device: a send to the device chosen next
// reaches it and renames its slot.
void TestVoices::lateSendFailureStaysWithItsDevice()
{
    Rig rig;
    const int stalled = rig.device.devices().output;
    const int other = rig.platform.addOutputDevice(QStringLiteral("Synth B"));
    TfmVLDump &w = rig.open();
    QVERIFY(w.VLManager1()->LoadVoice(SimulatedVl70m::makeVoice("Mad Tube", 5, 0)));
    w.UpdateVoiceControls(true);
    rig.choose("cbxSendBank", TfmVLDump::SendInternal);
    rig.choose("cbxSendPatch", 1);

    rig.platform.setStalled(stalled, true);
    rig.platform.setResetWaitMs(10);
    QTest::mouseClick(rig.child<QPushButton>("btnExport"), Qt::LeftButton);
    QVERIFY(rig.choose("cbxMidiOut", QStringLiteral("Synth B")));
    const QString late = QStringLiteral("The MIDI output device did not take the data in time.");
    QCOMPARE(rig.prompts.errors().size(), 2);
    for (const QString &error : rig.prompts.errors())
        QVERIFY2(error.startsWith(late), qPrintable(error));
    rig.platform.setStalled(stalled, false);

    QVERIFY(rig.choose("cbxMidiOut", QStringLiteral("Synth B")));
    QTest::mouseClick(rig.child<QPushButton>("btnExport"), Qt::LeftButton);
    QVERIFY2(rig.prompts.errors().size() == 2, qPrintable(rig.prompts.errors().mid(2).join(u'|')));
    const QList<QByteArray> received = rig.platform.received(other);
    QVERIFY(!received.isEmpty());
    QCOMPARE(received.first().size(), VoiceDump::InternalLength);
    QCOMPARE(w.InternalNames()->at(1), QStringLiteral("2: Mad Tube"));
}

// The dump reached the slot but the patch select after it was refused: the
// slot shows its new name and the error says the voice was written.
void TestVoices::refusedPatchSelectKeepsTheSlotName()
{
    Rig rig;
    TfmVLDump &w = rig.open();
    QVERIFY(w.VLManager1()->LoadVoice(SimulatedVl70m::makeVoice("Mad Tube", 5, 0)));
    w.UpdateVoiceControls(true);
    rig.choose("cbxSendBank", TfmVLDump::SendInternal);
    rig.choose("cbxSendPatch", 1);
    rig.platform.failNext(MidiPlatform::Call::OutShortMessage, MidiPlatform::DeviceGone);
    QTest::mouseClick(rig.child<QPushButton>("btnExport"), Qt::LeftButton);
    rig.device.waitUntilIdle();
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY2(rig.prompts.errors().first().startsWith(
                 QLatin1String("The voice was written to Internal 2, but")),
             qPrintable(rig.prompts.errors().first()));
    QCOMPARE(nameIn(rig.sim().internalSlot(2), VoiceDump::DataOffset), QStringLiteral("Mad Tube"));
    QCOMPARE(w.InternalNames()->at(1), QStringLiteral("2: Mad Tube"));
    QCOMPARE(rig.combo("cbxPatch")->currentText(), QStringLiteral("2: Mad Tube"));
}

QTEST_MAIN(TestVoices)
#include "tst_voices.moc"
