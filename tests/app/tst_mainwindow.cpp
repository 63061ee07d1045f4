#include "DataColumns.h"
#include "MainWindowRig.h"
#include "RegEdit.h"
#include "SimulatedVl70mDevice.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "TfmVLDump.h"
#include "TranslationService.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QFont>
#include <QTest>

#include <memory>

namespace {

const QString MidiKey = QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi");
const QString PromKey = QStringLiteral("Software\\Tervalinduna\\VL70-m");

QByteArray slotFile(const QString &prefix, int count, const QByteArray &end = "\r\n")
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += QByteArray::number(i) + ": " + prefix.toLatin1() + QByteArray::number(i) + end;
    return bytes;
}

// The window as the user sees it, sending to the first output device.
TfmVLDump &showOnFirstOutput(MainWindowRig &rig)
{
    TfmVLDump &w = rig.open();
    w.show();
    rig.choose("cbxMidiOut", 0);
    return w;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStart();
    void noInputDevice();
    void storedRows_data();
    void storedRows();
    void storedDeviceNumber();
    void rememberedPorts();
    void inputOpenedAtStart_data();
    void inputOpenedAtStart();
    void twinDevices_data();
    void twinDevices();
    void choosePorts();
    void portOpenFailure_data();
    void portOpenFailure();

    void bankChangeKeepsOrResetsRow();
    void promChange();
    void patchReachesSimulatedInstrument();
    void slotNameFilesForEveryProm();
    void deviceNumberChangeSavesAndLoads();
    void sameDeviceNumberReReads();
    void unreadableSlotFileAtStart();

    void closeSavesAndClosesOutput();
    void closeReportsPortErrorAndStillSaves();
    void slotFileWriteFailure();

    void aboutOnRightRelease_data();
    void aboutOnRightRelease();
    void translatedExceptLists();
};

void MainWindowTest::firstStart()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Port A"));
    rig.platform.addDevicePair(QStringLiteral("Port B"));
    TfmVLDump &w = rig.open();

    QCOMPARE(rig.combo("cbxDevNo")->currentText(), QStringLiteral("1"));
    QCOMPARE(rig.combo("cbxProm")->currentText(), QStringLiteral("Yamaha"));
    QCOMPARE(rig.combo("cbxBank")->currentText(), QStringLiteral("Preset 1"));
    const QStringList patches = rig.rows("cbxPatch");
    QCOMPARE(patches.size(), 128);
    QCOMPARE(patches.first(), QStringLiteral("1: Mad Tube"));
    QCOMPARE(patches.last(), QStringLiteral("128: LipClari"));
    QCOMPARE(rig.combo("cbxPatch")->currentIndex(), 0);
    QCOMPARE(rig.rows("cbxMidiIn"), (QStringList{"Port A", "Port B"}));
    QCOMPARE(rig.combo("cbxMidiIn")->currentIndex(), -1);
    QCOMPARE(rig.combo("cbxMidiOut")->currentIndex(), -1);
    QCOMPARE(w.VLManager1()->DeviceID(), 0);

    QVERIFY(rig.child<QPushButton>("btnImport")->isEnabled());
    QVERIFY(!rig.child<QPushButton>("btnSave")->isEnabled());
    QVERIFY(!rig.child<QPushButton>("btnExport")->isEnabled());
    QVERIFY(!rig.combo("cbxSendPatch")->isEnabled());
    QCOMPARE(w.windowTitle(), TfmVLDump::initialCaption());
    QVERIFY(w.windowTitle().startsWith(QStringLiteral("Ventaro - ")));
    QVERIFY(!w.CustomNames() && !w.InternalNames());

    // Nothing opened, nothing sent, nothing stored, nothing shown.
    QVERIFY2(rig.platform.calls().isEmpty(), qPrintable(rig.callNames().join(' ')));
    QVERIFY(!QFileInfo::exists(rig.settings.fileName()));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void MainWindowTest::noInputDevice()
{
    MainWindowRig rig;
    rig.platform.addOutputDevice(QStringLiteral("Out only"));
    rig.open();
    QCOMPARE(rig.combo("cbxMidiIn")->count(), 0);
    QVERIFY(!rig.child<QPushButton>("btnImport")->isEnabled());
    QCOMPARE(rig.rows("cbxMidiOut"), QStringList{"Out only"});
}

void MainWindowTest::storedRows_data()
{
    addColumns<int, int, int, int, int, QString>("id", "prom", "devRow", "promRow", "managerId",
                                                 "patch5");
    QTest::newRow("in range") << 15 << 2 << 15 << 2 << 15 << "5: Tenor12";
    QTest::newRow("ID 16, Prom 5") << 16 << 5 << 0 << 0 << 0 << "5: StoneHng";
    QTest::newRow("ID 300, Prom 3") << 300 << 3 << 0 << 0 << 0 << "5: StoneHng";
    QTest::newRow("Turbo VL") << 0 << 1 << 0 << 1 << 0 << "5: Lead Tpt";
    // A negative value selects nothing; the Yamaha names are shown and the
    // manager works with device number 1.
    QTest::newRow("negative") << -1 << -1 << -1 << -1 << 0 << "5: StoneHng";
}

void MainWindowTest::storedRows()
{
    QFETCH(int, id);
    QFETCH(int, prom);
    QFETCH(int, devRow);
    QFETCH(int, promRow);
    QFETCH(int, managerId);
    QFETCH(QString, patch5);
    MainWindowRig rig;
    WriteRegInteger(rig.settings, MidiKey, QStringLiteral("ID"), id);
    WriteRegInteger(rig.settings, PromKey, QStringLiteral("Prom"), prom);
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("c"), 6));
    TfmVLDump &w = rig.open();
    QCOMPARE(rig.combo("cbxDevNo")->currentIndex(), devRow);
    QCOMPARE(rig.combo("cbxProm")->currentIndex(), promRow);
    QCOMPARE(int(w.VLManager1()->DeviceID()), managerId);
    QCOMPARE(rig.rows("cbxPatch").at(4), patch5);
    // Device number 1's slot files unless another number is selected.
    QCOMPARE(w.CustomNames().has_value(), devRow <= 0);
    QVERIFY(rig.prompts.shown.isEmpty());
}

void MainWindowTest::storedDeviceNumber()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    WriteRegInteger(rig.settings, MidiKey, QStringLiteral("ID"), 2);
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("one"), 6));
    rig.writeFile(QStringLiteral("3custom.txt"), slotFile(QStringLiteral("three"), 6, "\n"));
    rig.writeFile(QStringLiteral("3internal.txt"), slotFile(QStringLiteral("int"), 64, "\n"));
    TfmVLDump &w = rig.open();
    QCOMPARE(rig.combo("cbxDevNo")->currentText(), QStringLiteral("3"));
    QCOMPARE(int(w.VLManager1()->DeviceID()), 2);
    QVERIFY(w.CustomNames());
    QCOMPARE(w.CustomNames()->first(), QStringLiteral("1: three1"));
    QCOMPARE(w.InternalNames()->size(), 64);
    w.close();
    // Written back under the same number, with CR LF; device 1's file untouched.
    QCOMPARE(rig.readFile(QStringLiteral("3custom.txt")), slotFile(QStringLiteral("three"), 6));
    QCOMPARE(rig.readFile(QStringLiteral("3internal.txt")), slotFile(QStringLiteral("int"), 64));
    QCOMPARE(rig.readFile(QStringLiteral("custom.txt")), slotFile(QStringLiteral("one"), 6));
}

void MainWindowTest::rememberedPorts()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("First"));
    rig.platform.addDevicePair(QStringLiteral("Second"));
    WriteRegString(rig.settings, MidiKey, QStringLiteral("In"), QStringLiteral("second"));
    WriteRegString(rig.settings, MidiKey, QStringLiteral("Out"), QStringLiteral("Gone"));
    rig.open();
    QCOMPARE(rig.combo("cbxMidiIn")->currentIndex(), 1);
    // A remembered device that is not there is shown as such, never another.
    QCOMPARE(rig.rows("cbxMidiOut"), (QStringList{QStringLiteral("First"), QStringLiteral("Second"),
                                                  QStringLiteral("Gone (not connected)")}));
    QCOMPARE(rig.combo("cbxMidiOut")->currentIndex(), 2);
    QVERIFY(rig.platform.calls().isEmpty());
}

void MainWindowTest::inputOpenedAtStart_data()
{
    addColumns<QString, bool, bool>("name", "listed", "opened");
    QTest::newRow("CBX") << "USB CBX-K1" << true << true;
    QTest::newRow("lower case") << "usb cbx" << true << false;
    QTest::newRow("other") << "USB MIDI" << true << false;
    // Remembered but unplugged: shown greyed, not opened, no error box, and
    // its row offers no voice to get.
    QTest::newRow("CBX absent") << "USB CBX-K1" << false << false;
}

void MainWindowTest::inputOpenedAtStart()
{
    QFETCH(QString, name);
    QFETCH(bool, listed);
    QFETCH(bool, opened);
    MainWindowRig rig;
    if (listed)
        rig.platform.addDevicePair(name);
    WriteRegString(rig.settings, MidiKey, QStringLiteral("In"), name);
    TfmVLDump &w = rig.open();
    QCOMPARE(rig.platform.openCount(true, 0), opened ? 1 : 0);
    QCOMPARE(w.VLManager1()->MidiIn()->State(),
             opened ? TMidiCorvoIn::Opened : TMidiCorvoIn::Closed);
    QCOMPARE(rig.platform.openCount(false, 0), 0);
    QVERIFY(rig.prompts.shown.isEmpty());
    QCOMPARE(rig.child<QPushButton>("btnImport")->isEnabled(), listed);
    QVERIFY(rig.sent().isEmpty());
}

void MainWindowTest::twinDevices_data()
{
    addColumns<QString, int>("remembered", "row");
    QTest::newRow("first") << "Twin" << 0;
    QTest::newRow("second") << "twin (2)" << 1;
}

// Two identical interfaces: both are listed apart, each opens its own
// device and is found again by the name it was remembered under.
void MainWindowTest::twinDevices()
{
    QFETCH(QString, remembered);
    QFETCH(int, row);
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Twin"));
    rig.platform.addDevicePair(QStringLiteral("Twin"));
    WriteRegString(rig.settings, MidiKey, QStringLiteral("Out"), remembered);
    TfmVLDump &w = rig.open();
    const QStringList rows{QStringLiteral("Twin"), QStringLiteral("Twin (2)")};
    QCOMPARE(rig.rows("cbxMidiOut"), rows);
    QCOMPARE(rig.combo("cbxMidiOut")->currentIndex(), row);
    const int other = 1 - row;
    rig.choose("cbxMidiIn", other);
    rig.choose("cbxMidiOut", other);
    QCOMPARE(rig.platform.openCount(true, other), 1);
    QCOMPARE(rig.platform.openCount(false, other), 1);
    QCOMPARE(rig.platform.openCount(false, row), 0);
    QCOMPARE(ReadRegString(rig.settings, MidiKey, QStringLiteral("Out"), {}), rows[other]);
    QCOMPARE(w.VLManager1()->MidiOut()->DeviceName(), rows[other]);
}

void MainWindowTest::choosePorts()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("First"));
    rig.platform.addDevicePair(QStringLiteral("Second"));
    TfmVLDump &w = rig.open();
    rig.choose("cbxMidiIn", 1);
    QCOMPARE(w.VLManager1()->MidiIn()->DeviceID(), 1);
    QCOMPARE(w.VLManager1()->MidiIn()->State(), TMidiCorvoIn::Opened);
    rig.choose("cbxMidiOut", 0);
    QCOMPARE(w.VLManager1()->MidiOut()->DeviceID(), 0);
    QVERIFY(w.VLManager1()->MidiOut()->IsOpen());
    QCOMPARE(ReadRegString(rig.settings, MidiKey, QStringLiteral("In"), {}),
             QStringLiteral("Second"));
    QCOMPARE(ReadRegString(rig.settings, MidiKey, QStringLiteral("Out"), {}),
             QStringLiteral("First"));
    // Choosing the input again starts the port that is open already.
    rig.choose("cbxMidiIn", 1);
    QCOMPARE(w.VLManager1()->MidiIn()->State(), TMidiCorvoIn::Started);
    QVERIFY(rig.prompts.shown.isEmpty());
    QVERIFY(rig.sent().isEmpty());
}

void MainWindowTest::portOpenFailure_data()
{
    addColumns<bool>("input");
    QTest::newRow("input") << true;
    QTest::newRow("output") << false;
}

void MainWindowTest::portOpenFailure()
{
    QFETCH(bool, input);
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("First"));
    rig.platform.addDevicePair(QStringLiteral("Broken"));
    TfmVLDump &w = rig.open();
    rig.platform.failNext(input ? MidiPlatform::Call::InOpen : MidiPlatform::Call::OutOpen,
                          MidiPlatform::DeviceBusy);
    rig.choose(input ? "cbxMidiIn" : "cbxMidiOut", 1);
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY2(rig.prompts.errors().first().endsWith(QStringLiteral("Broken")),
             qPrintable(rig.prompts.errors().first()));
    // The choice stays stored, the window goes on.
    QCOMPARE(ReadRegString(rig.settings, MidiKey,
                           input ? QStringLiteral("In") : QStringLiteral("Out"), {}),
             QStringLiteral("Broken"));
    rig.choose("cbxBank", 1);
    QCOMPARE(rig.rows("cbxPatch").first(), QStringLiteral("1: Vento"));
    Q_UNUSED(w);
}

void MainWindowTest::bankChangeKeepsOrResetsRow()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    showOnFirstOutput(rig);
    rig.choose("cbxPatch", 99);
    rig.sleeper.waits.clear();
    rig.platform.clearCalls();

    rig.choose("cbxBank", VoiceCatalogue::Custom);
    QCOMPARE(rig.rows("cbxPatch").size(), 6);
    QCOMPARE(rig.combo("cbxPatch")->currentIndex(), 0);
    QCOMPARE(rig.sentHex(), (QStringList{"b0 00 23", "b0 20 02", "c0 00"}));

    rig.choose("cbxBank", VoiceCatalogue::Preset1);
    QCOMPARE(rig.combo("cbxPatch")->currentIndex(), 0);
    QCOMPARE(rig.rows("cbxPatch").size(), 128);

    rig.choose("cbxPatch", 127);
    rig.choose("cbxBank", VoiceCatalogue::Preset2);
    QCOMPARE(rig.combo("cbxPatch")->currentText(), QStringLiteral("128: ReedWin"));
    rig.choose("cbxBank", VoiceCatalogue::Internal);
    QCOMPARE(rig.combo("cbxPatch")->currentText(), QStringLiteral("1: Air Sax"));

    // Every filling waits 150 ms after its messages; choosing a patch does not.
    QCOMPARE(rig.sleeper.waits, (QList<int>{150, 150, 150, 150}));
    // On the sleeper's clock: the three messages of a choice go together;
    // the next choice follows a filling 150 ms later, a patch choice at once.
    const QList<MainWindowRig::Sent> sent = rig.sent();
    QCOMPARE(sent.size(), 15);
    QList<qint64> gapsMs;
    for (int i = 1; i < sent.size(); ++i)
        gapsMs << (sent.at(i).timeNs - sent.at(i - 1).timeNs) / 1000000;
    QCOMPARE(gapsMs, (QList<qint64>{0, 0, 150, 0, 0, 150, 0, 0, 0, 0, 0, 150, 0, 0}));

    // The user's slots with factory names are marked as never confirmed;
    // the factory's own banks are what they say.
    const auto italic = [&rig](int row) {
        return rig.combo("cbxPatch")->itemData(row, Qt::FontRole).value<QFont>().italic();
    };
    rig.choose("cbxBank", VoiceCatalogue::Internal);
    QVERIFY(italic(0) && italic(63));
    rig.choose("cbxBank", VoiceCatalogue::Preset2);
    QVERIFY(!italic(0));
}

void MainWindowTest::promChange()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    TfmVLDump &w = rig.open();
    // Before the window is shown the choice is neither stored nor sent.
    rig.choose("cbxProm", VoiceCatalogue::WindList);
    QCOMPARE(rig.rows("cbxPatch").at(2), QStringLiteral("3: Hey! Ken"));
    QCOMPARE(ReadRegInteger(rig.settings, PromKey, QStringLiteral("Prom"), -7), -7);
    QVERIFY(rig.sent().isEmpty());

    w.show();
    rig.choose("cbxProm", VoiceCatalogue::Yamaha);
    rig.choose("cbxPatch", 4);
    rig.platform.clearCalls();
    rig.choose("cbxProm", VoiceCatalogue::TurboVL);
    QCOMPARE(rig.combo("cbxPatch")->currentText(), QStringLiteral("5: Lead Tpt"));
    QCOMPARE(rig.sentHex(), (QStringList{"b0 00 21", "b0 20 00", "c0 04"}));
    QCOMPARE(ReadRegInteger(rig.settings, PromKey, QStringLiteral("Prom"), -7), 1);
}

void MainWindowTest::patchReachesSimulatedInstrument()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Machine port"));
    SimulatedVl70mDevice instrument(rig.platform, rig.sleeper);
    TfmVLDump &w = rig.open();
    w.show();
    QCOMPARE(rig.rows("cbxMidiOut").last(), SimulatedVl70mDevice::DefaultName);
    rig.choose("cbxMidiOut", 1);
    rig.choose("cbxBank", VoiceCatalogue::Preset2);
    rig.choose("cbxPatch", 4);
    rig.platform.waitUntilSent();
    instrument.waitUntilIdle();
    QCOMPARE(instrument.instrument().currentBank(), SimulatedVl70m::Bank::Preset2);
    QCOMPARE(instrument.instrument().currentProgram(), 4);
    QCOMPARE(instrument.instrument().ignoredCount(), 0);
    rig.window.reset();
}

void MainWindowTest::slotNameFilesForEveryProm()
{
    MainWindowRig rig;
    const QByteArray custom = "1: Mine\r\n2: \r\n3: x\r\n4: y\r\nfree text\r\n6: last  \r\n";
    rig.writeFile(QStringLiteral("custom.txt"), custom);
    rig.writeFile(QStringLiteral("internal.txt"), slotFile(QStringLiteral("i"), 64) + "\r\n");
    rig.open();
    const QStringList expected{"1: Mine", "2: ", "3: x", "4: y", "free text", "6: last  "};
    for (int prom = 0; prom < VoiceCatalogue::PromTypeCount; ++prom) {
        rig.choose("cbxProm", prom);
        rig.choose("cbxBank", VoiceCatalogue::Custom);
        QCOMPARE(rig.rows("cbxPatch"), expected);
        // The internal file has an empty 65th line: the built-in names.
        rig.choose("cbxBank", VoiceCatalogue::Internal);
        QCOMPARE(rig.rows("cbxPatch").first(), prom == VoiceCatalogue::TurboVL
                                                   ? QStringLiteral("1: Trumpet")
                                                   : QStringLiteral("1: Air Sax"));
    }
}

void MainWindowTest::deviceNumberChangeSavesAndLoads()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("one"), 6, "\n"));
    rig.writeFile(QStringLiteral("3internal.txt"), slotFile(QStringLiteral("three"), 64, "\r"));
    TfmVLDump &w = showOnFirstOutput(rig);
    rig.choose("cbxBank", VoiceCatalogue::Internal);
    rig.choose("cbxPatch", 9);
    rig.platform.clearCalls();
    rig.sleeper.waits.clear();

    rig.choose("cbxDevNo", 2);
    QCOMPARE(ReadRegInteger(rig.settings, MidiKey, QStringLiteral("ID"), -1), 2);
    QCOMPARE(int(w.VLManager1()->DeviceID()), 2);
    // Device 1's list was written (now with CR LF), device 3's read.
    QCOMPARE(rig.readFile(QStringLiteral("custom.txt")), slotFile(QStringLiteral("one"), 6));
    QVERIFY(!rig.exists(QStringLiteral("internal.txt")));
    QVERIFY(!w.CustomNames());
    QVERIFY(w.InternalNames());
    QCOMPARE(rig.rows("cbxPatch").at(9), QStringLiteral("10: three10"));
    QCOMPARE(rig.combo("cbxPatch")->currentIndex(), 9);
    QCOMPARE(rig.sentHex(), (QStringList{"b0 00 24", "b0 20 03", "c0 09"}));
    QCOMPARE(rig.sleeper.waits, QList<int>{150});

    // While a preset bank is shown the patch list is left alone.
    rig.choose("cbxBank", VoiceCatalogue::Preset2);
    rig.platform.clearCalls();
    rig.choose("cbxDevNo", 0);
    QVERIFY(rig.sent().isEmpty());
    QCOMPARE(rig.readFile(QStringLiteral("3internal.txt")), slotFile(QStringLiteral("three"), 64));
    QVERIFY(w.CustomNames());
}

void MainWindowTest::sameDeviceNumberReReads()
{
    MainWindowRig rig;
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("old"), 6));
    TfmVLDump &w = rig.open();
    rig.choose("cbxBank", VoiceCatalogue::Custom);
    QCOMPARE(rig.combo("cbxPatch")->itemText(0), QStringLiteral("1: old1"));
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("new"), 6, "\n"));
    rig.choose("cbxDevNo", 0);
    QCOMPARE(rig.combo("cbxPatch")->itemText(0), QStringLiteral("1: new1"));
    // Not written: the number did not change.
    QCOMPARE(rig.readFile(QStringLiteral("custom.txt")), slotFile(QStringLiteral("new"), 6, "\n"));
    QVERIFY(w.CustomNames());
}

void MainWindowTest::unreadableSlotFileAtStart()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("custom.txt")));
    rig.writeFile(QStringLiteral("internal.txt"), slotFile(QStringLiteral("i"), 64));
    TfmVLDump &w = rig.open();
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY(rig.prompts.errors().first().contains(QStringLiteral("custom.txt")));
    // Start-up went on: the other list, the patch list and the buttons.
    QVERIFY(!w.CustomNames());
    QVERIFY(w.InternalNames());
    QCOMPARE(rig.rows("cbxPatch").size(), 128);
    QVERIFY(rig.child<QPushButton>("btnImport")->isEnabled());
    rig.choose("cbxBank", VoiceCatalogue::Custom);
    QCOMPARE(rig.combo("cbxPatch")->itemText(0), QStringLiteral("1: Jurassic"));
}

void MainWindowTest::closeSavesAndClosesOutput()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    rig.writeFile(QStringLiteral("internal.txt"), slotFile(QStringLiteral("i"), 64, "\n"));
    TfmVLDump &w = showOnFirstOutput(rig);
    QVERIFY(w.VLManager1()->MidiOut()->IsOpen());
    QVERIFY(w.close());
    QVERIFY(!w.VLManager1()->MidiOut()->IsOpen());
    QVERIFY(rig.callNames().contains(QStringLiteral("outClose")));
    QCOMPARE(rig.readFile(QStringLiteral("internal.txt")), slotFile(QStringLiteral("i"), 64));
    QVERIFY(!rig.exists(QStringLiteral("custom.txt")));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void MainWindowTest::closeReportsPortErrorAndStillSaves()
{
    MainWindowRig rig;
    rig.platform.addDevicePair(QStringLiteral("Synth"));
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("c"), 6, "\n"));
    TfmVLDump &w = showOnFirstOutput(rig);
    rig.platform.failNext(MidiPlatform::Call::OutReset, MidiPlatform::DriverError);
    QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    QCOMPARE(rig.prompts.errors().size(), 1);
    QVERIFY(rig.prompts.errors().first().endsWith(QStringLiteral("Synth")));
    QCOMPARE(rig.readFile(QStringLiteral("custom.txt")), slotFile(QStringLiteral("c"), 6));
}

void MainWindowTest::slotFileWriteFailure()
{
    MainWindowRig rig;
    rig.writeFile(QStringLiteral("custom.txt"), slotFile(QStringLiteral("c"), 6));
    rig.writeFile(QStringLiteral("internal.txt"), slotFile(QStringLiteral("i"), 64, "\n"));
    TfmVLDump &w = rig.open();
    // The custom file cannot be replaced any more.
    QVERIFY(QFile::remove(rig.dir.filePath(QStringLiteral("custom.txt"))));
    QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("custom.txt")));
    QVERIFY(w.close());
    QCOMPARE(rig.prompts.messages().size(), 1);
    QCOMPARE(rig.prompts.shown.first().icon, QMessageBox::Critical);
    QVERIFY(rig.prompts.messages().first().contains(QStringLiteral("custom.txt")));
    // The other file is still written; both lists are released.
    QCOMPARE(rig.readFile(QStringLiteral("internal.txt")), slotFile(QStringLiteral("i"), 64));
    QVERIFY(!w.CustomNames() && !w.InternalNames());
}

void MainWindowTest::aboutOnRightRelease_data()
{
    addColumns<QString, int, bool>("target", "button", "shown");
    QTest::newRow("background") << "" << int(Qt::RightButton) << true;
    QTest::newRow("ports group box") << "GroupBox1" << int(Qt::RightButton) << true;
    QTest::newRow("catalogue group box") << "GroupBox4" << int(Qt::RightButton) << true;
    QTest::newRow("left button") << "" << int(Qt::LeftButton) << false;
    QTest::newRow("label") << "Label3" << int(Qt::RightButton) << false;
    QTest::newRow("label in the catalogue") << "lblDest" << int(Qt::RightButton) << false;
    QTest::newRow("list") << "cbxBank" << int(Qt::RightButton) << false;
    QTest::newRow("remote") << "pnlRemote" << int(Qt::RightButton) << false;
    QTest::newRow("keyboard") << "MIDIKeys1" << int(Qt::RightButton) << false;
}

void MainWindowTest::aboutOnRightRelease()
{
    QFETCH(QString, target);
    QFETCH(int, button);
    QFETCH(bool, shown);
    MainWindowRig rig;
    TfmVLDump &w = rig.open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget *widget = target.isEmpty() ? &w : rig.child(target.toLatin1().constData());
    // A point of the widget that none of its children covers.
    QPoint at(2, widget->height() - 3);
    if (target.isEmpty())
        at = QPoint(w.width() - 2, 200);
    // The remote's picture covers its panel: the click lands on the picture.
    QWidget *hit = w.childAt(widget->mapTo(&w, at));
    QVERIFY(target.isEmpty() ? hit == nullptr : hit == widget || widget->isAncestorOf(hit));
    if (hit && hit != widget) {
        at = hit->mapFrom(widget, at);
        widget = hit;
    }
    QTest::mousePress(widget, Qt::MouseButton(button), {}, at);
    QTest::mouseRelease(widget, Qt::MouseButton(button), {}, at);
    QList<ScriptedPrompts::Shown> windows;
    for (const auto &s : rig.prompts.shown) {
        if (s.kind == ScriptedPrompts::Kind::Modal)
            windows << s;
    }
    QCOMPARE(windows.size(), shown ? 1 : 0);
    if (shown)
        QCOMPARE(windows.first().caption, QStringLiteral("TfmAbout"));
}

void MainWindowTest::translatedExceptLists()
{
    QTemporaryDir folder;
    TranslationService::Setup setup{QStringLiteral("fr_FR"), folder.path(),
                                    TranslationService::EmbeddedRoot, QString()};
    TranslationService translation(setup);
    MainWindowRig rig;
    rig.open(&translation);
    QCOMPARE(rig.child<QPushButton>("btnImport")->text(), QStringLiteral("Obtenir la voix actice"));
    QCOMPARE(rig.child<QGroupBox>("GroupBox1")->title(), QStringLiteral(" Ports Midi: "));
    QCOMPARE(rig.rows("cbxBank"), (QStringList{"Preset 1", "Preset 2", "Custom", "Internal"}));
    QCOMPARE(rig.rows("cbxSendBank"), (QStringList{"Current", "Custom", "Internal"}));
    // A second window on the same service is translated as well.
    MainWindowRig second;
    second.open(&translation);
    QVERIFY(second.prompts.shown.isEmpty());
    QCOMPARE(second.child<QLabel>("Label3")->text(), QStringLiteral("N° d'appareil :"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
