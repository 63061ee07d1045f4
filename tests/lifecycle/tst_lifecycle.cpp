// MIDI devices that come and go, through the program's own path: the main
// window on the machine's devices (RtMidi over a private JACK server) joined
// with the built-in simulated instrument, the standalone simulator on the
// server, the same window and port objects from start to end.

#include "DataColumns.h"
#include "FrontPanelRemote.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "JoinedMidiPlatform.h"
#include "LoopbackMidi.h"
#include "ProgramOnJack.h"
#include "RegEdit.h"
#include "RtMidiPlatform.h"
#include "ScriptedPrompts.h"
#include "SimPanel.h"
#include "SimulatedVl70m.h"
#include "SimulatedVl70mDevice.h"
#include "SystemSleeper.h"
#include "TMIDIKeys.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "TfmVLDump.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>

using namespace JackTestSupport;

namespace {

constexpr int InternalSlotSent = 5;
const QByteArray VoiceName = "Lifecyc1";

bool processRunning(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// The simulator's log line for the test voice written to an Internal slot.
QString internalWritten(int slot)
{
    const QString memory = QString::number(slot - 1, 16).toUpper().rightJustified(2, u'0');
    return QStringLiteral("Internal slot %1: block at 40 00 %2 written (voice \"%3\")")
        .arg(slot)
        .arg(memory, QLatin1String(VoiceName));
}

} // namespace

class LifecycleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void serverEndsAndComesBack_data();
    void serverEndsAndComesBack();
    void deviceAppearsAfterStart();
    void chosenDeviceAbsent();
    void noDeviceChosen();
    void importWindowInputGoes();
    void instrumentPluggedInAgain_data();
    void instrumentPluggedInAgain();
    void alsaDeviceGoesAndComesBack();

private:
    QString folder(const QString &name) const { return m_work.filePath(name); }
    // The chosen output device `input` goes (its simulator `leaving` stops):
    // the list marks it not connected, "Send" says so and renames nothing.
    // Then it comes back (`back` started with `arguments`) under the same
    // name: the next "Send" reaches it, nothing chosen anew.
    void goesAndComesBack(Program &program, const QString &input, JackRig &leaving, JackRig &back,
                          const QStringList &arguments);
    QTemporaryDir m_work;
};

void LifecycleTest::initTestCase()
{
    skipWithoutJackd(m_work);
}

void LifecycleTest::serverEndsAndComesBack_data()
{
    addColumns<int, bool>("signal", "chooseAgain");

    QTest::newRow("SIGTERM, port chosen again") << int(SIGTERM) << true;
    QTest::newRow("SIGTERM, port left as it was") << int(SIGTERM) << false;
    QTest::newRow("SIGKILL, port chosen again") << int(SIGKILL) << true;
    QTest::newRow("SIGKILL, port left as it was") << int(SIGKILL) << false;
}

// While the server is gone every sending path shows an error at once and
// changes nothing; once a server of the same name is back, "Send" reaches
// the simulator in the same process, byte for byte.
void LifecycleTest::serverEndsAndComesBack()
{
    QFETCH(int, signal);
    QFETCH(bool, chooseAgain);

    const QString serverName = uniqueServerName("back");
    QString error;
    JackRig first(folder(serverName + QStringLiteral("-first")));
    QVERIFY2(first.start(simulatorProgram(), {}, &error, serverName), qPrintable(error));

    Program program;
    program.open();
    QVERIFY(program.choose("cbxMidiOut", inputName()));
    QVERIFY(program.choose("cbxMidiIn", outputName()));
    const QByteArray voice = SimulatedVl70m::makeVoice(VoiceName, 21, 0);
    program.openVoice(voice);
    QVERIFY(program.prompts.errors().isEmpty());

    // It works while the server runs.
    int logged = int(first.simulatorLines().size());
    program.sendToInternal(1);
    QCOMPARE(program.prompts.errors(), QStringList());
    const QString written1 = internalWritten(1);
    QVERIFY2(waitForLog(first, logged, written1).join(u'\n').contains(written1),
             qPrintable(first.simulatorLines().join(u'\n')));

    const QString slot5Before = program.internalName(InternalSlotSent);
    const QByteArray fileBefore = program.slotFile();

    first.signalServer(signal);
    QTRY_VERIFY_WITH_TIMEOUT(!processRunning(first.serverPid()), 5000);

    // "Send": an error box at the first attempt, within a second; slot 5
    // keeps its name and no slot name file is written.
    QElapsedTimer timer;
    timer.start();
    program.sendToInternal(InternalSlotSent);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(program.prompts.errors().size(), 1);
    QVERIFY2(program.prompts.errors().last().contains(QLatin1String("no longer available")),
             qPrintable(program.prompts.errors().last()));
    QCOMPARE(program.internalName(InternalSlotSent), slot5Before);
    QCOMPARE(program.slotFile(), fileBefore);

    // The remote's buttons, a keyboard note and the patch list say so too.
    QTest::mousePress(program.window->remote()->hotSpot(SimPanel::Util), Qt::LeftButton);
    QTest::mouseRelease(program.window->remote()->hotSpot(SimPanel::Util), Qt::LeftButton);
    QCOMPARE(program.prompts.errors().size(), 2);
    auto *keys = program.child<TMIDIKeys>("MIDIKeys1");
    QTest::mousePress(keys, Qt::LeftButton, {}, QPoint(5, keys->height() - 5));
    QTest::mouseRelease(keys, Qt::LeftButton, {}, QPoint(5, keys->height() - 5));
    QVERIFY(program.prompts.errors().size() >= 3);
    const int beforePatch = int(program.prompts.errors().size());
    QComboBox *patch = program.combo("cbxPatch");
    patch->setCurrentIndex(2);
    emit patch->activated(2);
    QCOMPARE(program.prompts.errors().size(), beforePatch + 1);
    for (const QString &text : program.prompts.errors())
        QVERIFY2(text.contains(inputName()) || text.contains(outputName()), qPrintable(text));

    // A server of the same name comes back.
    first.stop();
    JackRig second(folder(serverName + QStringLiteral("-second")));
    QVERIFY2(second.start(simulatorProgram(), {}, &error, serverName), qPrintable(error));
    if (chooseAgain)
        QVERIFY(program.choose("cbxMidiOut", inputName()));
    const int errorsBefore = int(program.prompts.errors().size());
    logged = int(second.simulatorLines().size());
    program.sendToInternal(InternalSlotSent);
    QVERIFY2(program.prompts.errors().size() == errorsBefore,
             qPrintable(program.prompts.errors().join(u'|').replace(u'\n', u'/')));
    const QString written5 = internalWritten(InternalSlotSent);

    QVERIFY2(waitForLog(second, logged, written5).join(u'\n').contains(written5),
             qPrintable(second.simulatorLines().join(u'\n')));
    QCOMPARE(program.internalName(InternalSlotSent),
             QStringLiteral("5: ") + QLatin1String(VoiceName));

    // The slot dumped back through the Import SysEx window is the voice
    // sent, byte for byte (sealed for device number 1).
    program.prompts.onModal = [&](QDialog *dialog) {
        dialog->show();
        const QList<int> presses = {SimPanel::Util,      SimPanel::SelectPlus, SimPanel::SelectPlus,
                                    SimPanel::ValuePlus, SimPanel::ValuePlus,  SimPanel::ValuePlus,
                                    SimPanel::ValuePlus, SimPanel::Enter,      SimPanel::Enter};
        auto *remote = dialog->findChild<FrontPanelRemote *>();
        for (int button : presses) {
            QTest::mousePress(remote->hotSpot(button), Qt::LeftButton);
            QTest::mouseRelease(remote->hotSpot(button), Qt::LeftButton);
        }
        const QDeadlineTimer deadline(WaitMs);
        while (dialog->isVisible() && !deadline.hasExpired())
            QTest::qWait(10);
        if (dialog->isVisible())
            dialog->reject();
        return dialog->result();
    };
    program.click("btnImport");
    QCOMPARE(program.prompts.errors().mid(errorsBefore), QStringList());
    QCOMPARE(program.window->voiceData(),
             VoiceConversion::DumpToInternal(voice, InternalSlotSent, 0));

    program.window->close();
    QVERIFY(program.slotFile().contains("5: " + VoiceName));
}

// A device that appears after start-up is listed the next time the list
// opens; the row the user chose still opens the device of that name.
void LifecycleTest::deviceAppearsAfterStart()
{
    Session session(m_work, "appears");
    QVERIFY2(session.start(), qPrintable(session.error));
    Program &program = *session.program;
    JackRig &rig = session.rig;
    program.openVoice(SimulatedVl70m::makeVoice(VoiceName, 22, 0));

    // A second instrument whose name sorts first: every row below it moves.
    JackRig other(folder(session.name + QStringLiteral("-other")));
    other.joinServer(session.name);
    QString error;
    QVERIFY2(other.startSimulator(simulatorProgram(),
                                  {QStringLiteral("--name"), QStringLiteral("Aardvark")}, &error),
             qPrintable(error));
    const QString otherInput = QStringLiteral("Aardvark IN:MIDI");

    // Offered at once, the list closed; the chosen row stays chosen.
    QTRY_VERIFY_WITH_TIMEOUT(program.rows("cbxMidiOut").contains(otherInput), WaitMs);
    QCOMPARE(program.combo("cbxMidiOut")->currentText(), inputName());
    program.combo("cbxMidiOut")->showPopup();
    QVERIFY2(program.rows("cbxMidiOut").contains(otherInput),
             qPrintable(program.rows("cbxMidiOut").join(u'|')));
    QCOMPARE(program.combo("cbxMidiOut")->currentText(), inputName());
    program.combo("cbxMidiOut")->hidePopup();

    int logged = int(rig.simulatorLines().size());
    int otherLogged = int(other.simulatorLines().size());
    program.sendToInternal(2);
    QCOMPARE(program.prompts.errors(), QStringList());
    const QString written = internalWritten(2);
    QVERIFY(waitForLog(rig, logged, written).join(u'\n').contains(written));
    QVERIFY(!other.simulatorLines().mid(otherLogged).join(u'\n').contains(written));

    // Choosing the new one sends there.
    QVERIFY(program.choose("cbxMidiOut", otherInput));
    logged = int(rig.simulatorLines().size());
    program.sendToInternal(3);
    QCOMPARE(program.prompts.errors(), QStringList());
    const QString written3 = internalWritten(3);
    QVERIFY(waitForLog(other, otherLogged, written3).join(u'\n').contains(written3));
    QVERIFY(!rig.simulatorLines().mid(logged).join(u'\n').contains(written3));

    // It goes away and comes back under the same name.
    JackRig again(folder(session.name + QStringLiteral("-again")));
    again.joinServer(session.name);
    goesAndComesBack(program, otherInput, other, again,
                     {QStringLiteral("--name"), QStringLiteral("Aardvark")});
}

void LifecycleTest::goesAndComesBack(Program &program, const QString &input, JackRig &leaving,
                                     JackRig &back, const QStringList &arguments)
{
    constexpr int slot = 4;
    const int errorsBefore = int(program.prompts.errors().size());
    leaving.stop();
    QTRY_COMPARE_WITH_TIMEOUT(program.combo("cbxMidiOut")->currentText(),
                              input + QStringLiteral(" (not connected)"), WaitMs);
    QCOMPARE(program.rows("cbxMidiOut").count(input), 0);
    const QString nameBefore = program.internalName(slot);
    program.sendToInternal(slot);
    const QStringList errors = program.prompts.errors().mid(errorsBefore);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QLatin1String("The MIDI output device is")),
             qPrintable(errors.first()));
    QCOMPARE(program.internalName(slot), nameBefore);

    QString error;
    QVERIFY2(back.startSimulator(simulatorProgram(), arguments, &error),
             qPrintable(error + QString::fromLocal8Bit(fileBytes(back.simulatorErrors()))));
    QTRY_COMPARE_WITH_TIMEOUT(program.combo("cbxMidiOut")->currentText(), input, WaitMs);
    const int logged = int(back.simulatorLines().size());
    program.sendToInternal(slot);
    QCOMPARE(program.prompts.errors().size(), errorsBefore + 1);
    QVERIFY(waitForLog(back, logged, internalWritten(slot))
                .join(u'\n')
                .contains(internalWritten(slot)));
    QCOMPARE(program.internalName(slot),
             QString::number(slot) + QStringLiteral(": ") + QLatin1String(VoiceName));
}

// A remembered device that is not there is shown as such, never replaced
// by another; sending to it says so and renames nothing.
void LifecycleTest::chosenDeviceAbsent()
{
    OwnServer server(m_work, "absent");
    QVERIFY2(server.start(), qPrintable(server.error));
    JackRig &rig = server.rig;

    Program program;
    const QString midiKey = QStringLiteral("Software\\Tervalinduna\\VL70-m\\Midi");
    const QString absent = QStringLiteral("Unplugged Synth");
    WriteRegString(program.settings, midiKey, QStringLiteral("Out"), absent);
    program.open();
    const QString shown = absent + QStringLiteral(" (not connected)");
    QCOMPARE(program.combo("cbxMidiOut")->currentText(), shown);
    program.combo("cbxMidiOut")->showPopup();
    QCOMPARE(program.combo("cbxMidiOut")->currentText(), shown);
    program.combo("cbxMidiOut")->hidePopup();

    program.openVoice(SimulatedVl70m::makeVoice(VoiceName, 23, 0));
    const QString slot4 = program.internalName(4);
    const int logged = int(rig.simulatorLines().size());
    program.sendToInternal(4);
    QCOMPARE(program.prompts.errors().size(), 1);
    QVERIFY2(program.prompts.errors().first().contains(absent),
             qPrintable(program.prompts.errors().first()));
    QVERIFY2(program.prompts.errors().first().contains(QLatin1String("not connected")),
             qPrintable(program.prompts.errors().first()));
    QCOMPARE(program.internalName(4), slot4);
    QThread::msleep(100);
    QVERIFY(!rig.simulatorLines().mid(logged).join(u'\n').contains(QLatin1String("written")));
    // Still remembered: nothing else was chosen for the user.
    QCOMPARE(ReadRegString(program.settings, midiKey, QStringLiteral("Out"), QString()), absent);
}

// With no device chosen the error tells where to choose one.
void LifecycleTest::noDeviceChosen()
{
    OwnServer server(m_work, "none");
    QVERIFY2(server.start(), qPrintable(server.error));

    Program program;
    program.open();
    program.openVoice(SimulatedVl70m::makeVoice(VoiceName, 24, 0));
    program.sendToInternal(6);
    QCOMPARE(program.prompts.errors().size(), 1);
    QVERIFY2(program.prompts.errors().first().contains(QLatin1String("\"Midi Out:\"")),
             qPrintable(program.prompts.errors().first()));
    QCOMPARE(program.internalName(6), QString());
}

// The Import SysEx window waits for a dump while the input device's server
// ends: the user is told, the window can be cancelled, nothing hangs.
void LifecycleTest::importWindowInputGoes()
{
    OwnServer server(m_work, "import");
    QVERIFY2(server.start(), qPrintable(server.error));
    JackRig &rig = server.rig;

    Program program;
    program.open();
    QVERIFY(program.choose("cbxMidiIn", outputName()));
    QStringList shownWhileOpen;
    bool closedByCancel = false;
    QElapsedTimer timer;
    program.prompts.onModal = [&](QDialog *dialog) {
        dialog->show();
        QTest::qWait(100);
        rig.signalServer(SIGKILL);
        timer.start();
        const QDeadlineTimer deadline(WaitMs);
        while (program.prompts.errors().isEmpty() && !deadline.hasExpired())
            QTest::qWait(10);
        shownWhileOpen = program.prompts.errors();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
        closedByCancel = !dialog->isVisible();
        return dialog->result();
    };
    program.click("btnImport");
    QCOMPARE(shownWhileOpen,
             QStringList{QStringLiteral("The MIDI input device is no longer available.\n")
                         + outputName()});
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(closedByCancel);
    QVERIFY(program.window->voiceData().isEmpty());
}

void LifecycleTest::instrumentPluggedInAgain_data()
{
    addColumns<bool>("seenGone");

    QTest::newRow("seen gone, then back") << true;
    QTest::newRow("back before the window looks") << false;
}

// The instrument's client ends and a new one registers the same port names
// while the server runs (a USB interface plugged in again), while the
// Import SysEx window waits for a dump. Nobody chooses anything: the first
// press on the remote reaches the new one, and its dump reaches the window.
void LifecycleTest::instrumentPluggedInAgain()
{
    QFETCH(bool, seenGone);
    OwnServer server(m_work, "replug");
    QVERIFY2(server.start(), qPrintable(server.error));
    const QStringList arguments = {QStringLiteral("--name"), QStringLiteral("Aardvark")};
    const QString input = QStringLiteral("Aardvark IN:MIDI");
    const QString output = QStringLiteral("Aardvark OUT:MIDI");
    QString error;
    JackRig first(folder(server.name + QStringLiteral("-first")));
    first.joinServer(server.name);
    QVERIFY2(first.startSimulator(simulatorProgram(), arguments, &error), qPrintable(error));
    JackRig again(folder(server.name + QStringLiteral("-again")));
    again.joinServer(server.name);

    Program program;
    program.open();
    QVERIFY(program.choose("cbxMidiOut", input));
    QVERIFY(program.choose("cbxMidiIn", output));
    const TMidiCorvoIn *port = program.window->VLManager1()->MidiIn();
    const auto waitFor = [](const std::function<bool()> &done) {
        const QDeadlineTimer deadline(WaitMs);
        while (!done() && !deadline.hasExpired())
            QTest::qWait(10);
        return done();
    };
    bool goneShown = !seenGone;
    bool back = false;
    int errorsBefore = -1;
    program.prompts.onModal = [&](QDialog *dialog) {
        dialog->show();
        first.stop();
        if (seenGone)
            goneShown = waitFor([&] {
                return program.combo("cbxMidiOut")
                    ->currentText()
                    .endsWith(QLatin1String("(not connected)"));
            });
        back = again.startSimulator(simulatorProgram(), arguments, &error) && waitFor([&] {
                   return program.combo("cbxMidiOut")->currentText() == input
                          && port->deviceState() == MidiPlatform::NoError;
               });
        errorsBefore = int(program.prompts.errors().size());
        auto *remote = dialog->findChild<FrontPanelRemote *>();
        for (int button : {SimPanel::Util, SimPanel::Enter, SimPanel::Enter}) {
            QTest::mousePress(remote->hotSpot(button), Qt::LeftButton);
            QTest::mouseRelease(remote->hotSpot(button), Qt::LeftButton);
        }
        waitFor([&] { return !dialog->isVisible(); });
        if (dialog->isVisible())
            dialog->reject();
        return dialog->result();
    };
    program.click("btnImport");
    QVERIFY(goneShown);
    QVERIFY2(back, qPrintable(error));
    QVERIFY2(program.prompts.errors().size() == errorsBefore,
             qPrintable(program.prompts.errors().join(u'|').replace(u'\n', u'/')));
    QCOMPARE(program.window->voiceData().size(), VoiceDump::FullLength);
    QCOMPARE(port->State(), TMidiCorvoIn::Opened);
}

// The same over ALSA, where the machine has a sequencer: a device (the
// simulator on ALSA) that appears, goes and comes back under its name.
void LifecycleTest::alsaDeviceGoesAndComesBack()
{
    if (!QFile::exists(QStringLiteral("/dev/snd/seq")))
        QSKIP("no ALSA sequencer (/dev/snd/seq) on this machine");
    const QStringList arguments = {QStringLiteral("--api"), QStringLiteral("alsa"),
                                   QStringLiteral("--name"), QStringLiteral("Aardvark")};
    const QString input = QStringLiteral("Aardvark IN:MIDI");
    QString error;
    Program program(RtMidiPlatform::Backend::Alsa);
    program.open();
    JackRig first(folder(QStringLiteral("alsa-first")));
    first.joinServer(QString()); // a simulator alone, no JACK server
    QVERIFY2(first.startSimulator(simulatorProgram(), arguments, &error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(program.rows("cbxMidiOut").contains(input), WaitMs);
    QVERIFY(program.choose("cbxMidiOut", input));
    program.openVoice(SimulatedVl70m::makeVoice(VoiceName, 25, 0));
    const int logged = int(first.simulatorLines().size());
    program.sendToInternal(2);
    QCOMPARE(program.prompts.errors(), QStringList());
    QVERIFY(waitForLog(first, logged, internalWritten(2)).join(u'\n').contains(internalWritten(2)));

    JackRig again(folder(QStringLiteral("alsa-again")));
    again.joinServer(QString());
    goesAndComesBack(program, input, first, again, arguments);
}

QTEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
