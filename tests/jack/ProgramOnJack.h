#pragma once

// The program as the user runs it, for tests on private JACK servers: the
// main window on the machine's devices (RtMidi over JACK) joined with the
// built-in simulated instrument, plus servers of a case's own with the
// standalone simulator on them. A test target using it defines
// VENTARO_SIMULATOR (the simulator program's path).

#include "FileBytes.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "JoinedMidiPlatform.h"
#include "LibraryKeeper.h"
#include "LoopbackMidi.h"
#include "MainWindowControls.h"
#include "RegRoot.h"
#include "RtMidiPlatform.h"
#include "ScriptedPrompts.h"
#include "SimulatedVl70mDevice.h"
#include "SystemSleeper.h"
#include "TfmVLDump.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The program as it runs: the machine's devices first, the simulated
// instrument after them, the main window on both.
struct Program : MainWindowControls
{
    SystemSleeper sleeper;
    std::unique_ptr<RtMidiPlatform> machine;
    LoopbackMidi simulatorPlatform{&sleeper};
    std::unique_ptr<SimulatedVl70mDevice> instrument;
    std::unique_ptr<JoinedMidiPlatform> platform;
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    RegRoot settings = RegRoot::iniFile(dir.filePath(QStringLiteral("settings.ini")));
    std::unique_ptr<LibraryKeeper> library; // none: writes neither kept nor read back

    explicit Program(RtMidiPlatform::Backend backend = RtMidiPlatform::Backend::Jack)
    {
        machine =
            std::make_unique<RtMidiPlatform>(sleeper, backend, QStringLiteral("ventaro-lifecycle"));
        simulatorPlatform.setRecording(false);
        instrument = std::make_unique<SimulatedVl70mDevice>(simulatorPlatform, sleeper);
        platform = std::make_unique<JoinedMidiPlatform>(*machine, simulatorPlatform);
    }
    ~Program()
    {
        window.reset();
        platform.reset();
        instrument.reset();
        machine.reset();
    }

    TfmVLDump &open()
    {
        window = std::make_unique<TfmVLDump>(
            TfmVLDump::Services{*platform, prompts, sleeper, settings, dir.path(), nullptr, nullptr,
                                library.get()});
        window->show();
        return *window;
    }
    // Opens a voice file through "Open File...".
    void openVoice(const QByteArray &voice)
    {
        const QString file = dir.filePath(QStringLiteral("voice.syx"));
        writeFile(file, voice);
        prompts.openAnswers << file;
        click("btnOpen");
    }
    // "Send" of the held voice to an Internal slot.
    void sendToInternal(int slot)
    {
        choose("cbxSendBank", TfmVLDump::SendInternal);
        combo("cbxSendPatch")->setCurrentIndex(slot - 1);
        click("btnExport");
    }
    QString internalName(int slot) const
    {
        const auto &names = window->InternalNames();
        return names ? names->at(slot - 1) : QString();
    }
    QByteArray slotFile() const { return fileBytes(dir.filePath(QStringLiteral("internal.txt"))); }
};

QString simulatorProgram()
{
    return QStringLiteral(VENTARO_SIMULATOR);
}

// A test's initTestCase: the whole test skips where jackd is missing; the
// work folder holds the servers' logs.
void skipWithoutJackd(const QTemporaryDir &work)
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY(work.isValid());
}

QString uniqueServerName(const char *what)
{
    static int count = 0;
    return QStringLiteral("ventaro-%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QLatin1String(what))
        .arg(++count);
}

// A JACK server of the case's own under a fresh name, with the simulator on
// it; stopped when the case ends, passed or failed.
struct OwnServer
{
    QString name;
    JackRig rig;
    QString error; // why start() failed

    OwnServer(const QTemporaryDir &work, const char *what)
        : name(uniqueServerName(what)), rig(work.filePath(name))
    {
    }
    ~OwnServer() { rig.stop(); }
    // The simulator started with `arguments`.
    bool start(const QStringList &arguments = {})
    {
        return rig.start(simulatorProgram(), arguments, &error, name);
    }
};

// A server of the case's own with the simulator and the program sending to
// it, its window open.
struct Session : OwnServer
{
    std::unique_ptr<Program> program;

    using OwnServer::OwnServer;
    // With `withLibrary`, a voice library of the program's own keeps what
    // writes replace, as the program's does.
    bool start(const QStringList &arguments = {}, bool withLibrary = false)
    {
        if (!OwnServer::start(arguments))
            return false;
        program = std::make_unique<Program>();
        if (withLibrary)
            program->library = std::make_unique<LibraryKeeper>(
                program->dir.filePath(QStringLiteral("library.sqlite")), program->settings,
                program->prompts);
        program->open();
        if (program->choose("cbxMidiOut", JackTestSupport::inputName()))
            return true;
        error = QStringLiteral("\"Midi Out:\" does not list ") + JackTestSupport::inputName();
        return false;
    }
};

} // namespace
