// The command line against the standalone simulator on a private JACK
// server, checked from outside by a plain JACK client of the test: the
// ports it lists, voices sent landing byte for byte (device number and
// checksum sealed anew), sends refused before a byte leaves, the stored
// device number read and never written, and voices dumped from the
// simulator's panel received among foreign blocks and real-time bytes.

#include "BankSendPlan.h"
#include "Bytes.h"
#include "CliFiles.h"
#include "CliRun.h"
#include "DataColumns.h"
#include "HeldJackOpen.h"
#include "JackMidiProbe.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "RaisedText.h"
#include "RegEdit.h"
#include "RegRoot.h"
#include "RtMidiPlatform.h"
#include "SimPanel.h"
#include "SystemSleeper.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "VoiceBank.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <initializer_list>
#include <memory>

using namespace JackTestSupport;

namespace {

// The simulator's device number as its display shows it, and as sent.
constexpr int DeviceNumber = 3;
constexpr quint8 DeviceId = DeviceNumber - 1;
const QString ProbeName = QStringLiteral("cli-probe");

} // namespace

namespace {

// What `receive` says once it listens.
const QString WaitingLine =
    QStringLiteral("Waiting: dump the voice from the instrument's panel (UTIL, ENTER, ENTER)...\n");

} // namespace

class TestCliJack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void portsListsWhatTheWindowShows();
    void sendOneVoiceLandsWhole();
    void sendAllBytesExact();
    void refusedSendsNothing_data();
    void refusedSendsNothing();
    void storedDeviceNumberReadNeverWritten();
    void receiveSkipsForeignBlocks();
    void receiveSavesWhatCameOnSignal();
    void receiveTimesOutEmpty();
    void monitorDecodesWhatArrives();
    void monitorOutTooShowsWhatOthersSend();
    void clientsOpenedSideBySide();

private:
    QString path(const QString &name) const { return m_work.filePath(name); }
    QProcessEnvironment env(const QString &config = QString()) const
    {
        return CliRun::environment(config.isEmpty() ? m_config : config, m_rig->serverName());
    }
    // Presses and releases panel buttons through the probe.
    bool press(std::initializer_list<int> buttons);
    // SysEx messages the simulator sends, once `count` have come.
    QList<QByteArray> simulatorDumps(int count);
    // Starts `ventaro receive` (or another listening command) and connects
    // the probe's output to its input port, so that the probe's bytes reach
    // it besides the simulator's.
    bool startReceive(QProcess &process, const QStringList &more,
                      const QString &command = QStringLiteral("receive"));

    QTemporaryDir m_work;
    QString m_config;
    std::unique_ptr<JackRig> m_rig;
    std::unique_ptr<JackMidiProbe> m_probe;
};

void TestCliJack::initTestCase()
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY(m_work.isValid());
    m_config = path(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(m_config));
    writeFile(path(QStringLiteral("mixed.syx")), CliFiles::mixedBank());
    m_rig = std::make_unique<JackRig>(path(QStringLiteral("rig")));
    QString error;
    const QString server = QStringLiteral("ventaro-cli-%1").arg(QCoreApplication::applicationPid());
    QVERIFY2(m_rig->start(QStringLiteral(VENTARO_SIMULATOR),
                          {QStringLiteral("--device"), QString::number(DeviceNumber),
                           QStringLiteral("--bank"), CliFiles::InternalBank},
                          &error, server),
             qPrintable(error));
    m_probe = std::make_unique<JackMidiProbe>();
    QVERIFY(m_probe->open(ProbeName));
    // The probe presses the simulator's buttons and hears what it dumps.
    QVERIFY(m_probe->connect(m_probe->outputName(), inputName()));
    QVERIFY(m_probe->connect(outputName(), m_probe->inputName()));
}

void TestCliJack::cleanupTestCase()
{
    m_probe.reset();
    if (m_rig)
        m_rig->stop();
}

void TestCliJack::init()
{
    m_probe->take();
}

bool TestCliJack::press(std::initializer_list<int> buttons)
{
    for (const int button : buttons)
        for (const bool release : {false, true})
            if (!m_probe->send(TVLManager::remoteSwitchMessage(DeviceId, quint8(button), release)))
                return false;
    return true;
}

QList<QByteArray> TestCliJack::simulatorDumps(int count)
{
    QList<QByteArray> dumps;
    QElapsedTimer timer;
    timer.start();
    while (dumps.size() < count && timer.elapsed() < WaitMs) {
        for (const QByteArray &event : m_probe->take())
            if (event.startsWith('\xF0'))
                dumps << event;
        QTest::qWait(5);
    }
    return dumps;
}

bool TestCliJack::startReceive(QProcess &process, const QStringList &more, const QString &command)
{
    CliRun::start(process, QStringList{command, QStringLiteral("--in"), outputName()} + more,
                  env());
    QStringList ports;
    QElapsedTimer timer;
    timer.start();
    while (ports.isEmpty() && timer.elapsed() < WaitMs) {
        QTest::qWait(10);
        ports = m_probe->ports(QStringLiteral("^Ventaro"), true);
    }
    // The port takes input once it is connected to the simulator.
    QTest::qWait(100);
    return ports.size() == 1 && m_probe->connect(m_probe->outputName(), ports.first());
}

void TestCliJack::portsListsWhatTheWindowShows()
{
    const CliRun run = CliRun::run({QStringLiteral("ports")}, env());
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QStringList lines = run.out.split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString());
    // Inputs first, each list with the simulated instrument last.
    qsizetype firstOut = 0;
    while (firstOut < lines.size() && lines[firstOut].startsWith(QLatin1String("in\t")))
        ++firstOut;
    QVERIFY(firstOut > 0);
    QStringList ins = lines.first(firstOut);
    QStringList outs = lines.mid(firstOut);
    QCOMPARE(ins.takeLast(), QStringLiteral("in\tSimulated VL70-m"));
    QCOMPARE(outs.takeLast(), QStringLiteral("out\tSimulated VL70-m"));
    ins.sort();
    outs.sort();
    QCOMPARE(ins, QStringList({QStringLiteral("in\t") + outputName(),
                               QStringLiteral("in\t") + m_probe->outputName()}));
    QCOMPARE(outs, QStringList({QStringLiteral("out\t") + inputName(),
                                QStringLiteral("out\t") + m_probe->inputName()}));
}

// A voice whose file has another device number and a wrong checksum is
// sealed anew: the simulator takes it into the slot asked for, and dumps it
// back byte for byte.
void TestCliJack::sendOneVoiceLandsWhole()
{
    const VoiceBank bank = VoiceBank::read(CliFiles::InternalBank);
    QByteArray voice = bank.voices[1].bytes;
    voice[VoiceDump::DeviceOffset] = 0x0F;
    voice[voice.size() - 2] = char(voice.at(voice.size() - 2) ^ 0x01);
    const QString file = path(QStringLiteral("one.syx"));
    writeFile(file, voice);
    const int from = int(m_rig->simulatorLines().size());

    const CliRun run = CliRun::run(
        {QStringLiteral("send"), file, QStringLiteral("--out"), inputName(), QStringLiteral("--to"),
         QStringLiteral("internal:9"), QStringLiteral("--device"), QString::number(DeviceNumber)},
        env());
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    // No progress line off a terminal: only what was done, and that without
    // an input nothing was kept nor read back.
    QCOMPARE(run.err, QStringLiteral("ventaro: Not kept: Internal 9 (no input)\nSent \"%1\" to "
                                     "Internal 9, not verified\n")
                          .arg(bank.voices[1].name.trimmed()));
    const QString written =
        QStringLiteral("Internal slot 9: block at 40 00 08 written (voice \"%1\")")
            .arg(bank.voices[1].name);
    const QStringList log = waitForLog(*m_rig, from, written);
    QVERIFY2(log.join(u'\n').contains(written), qPrintable(log.join(u'\n')));

    QVERIFY(press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus}));
    for (int i = 1; i < 9; ++i)
        QVERIFY(press({SimPanel::ValuePlus}));
    QVERIFY(press({SimPanel::Enter, SimPanel::Enter}));
    const QList<QByteArray> back = simulatorDumps(1);
    QCOMPARE(back.size(), 1);
    const QByteArray expected = BankSendPlan::message(VoiceBank::parse(voice).voices.first(),
                                                      {0, VoiceDump::Form::Internal, 9}, DeviceId);
    QCOMPARE(back.first(), expected);
    QCOMPARE(quint8(expected.at(VoiceDump::DeviceOffset)), DeviceId);
}

// Every voice of a bank of the three forms, to its own place (the full one
// to the current voice): the bytes that leave are exactly the plan's, and
// the simulator takes every block.
void TestCliJack::sendAllBytesExact()
{
    const QString file = path(QStringLiteral("mixed.syx"));
    const VoiceBank bank = VoiceBank::read(file);
    BankSendPlan::Options where;
    where.fullVoicesTo = VoiceDump::Form::Full;
    const BankSendPlan plan = BankSendPlan::make(bank, where);
    QByteArray expected;
    for (const BankSendPlan::Step &step : plan.steps)
        expected += BankSendPlan::message(bank.voices[step.voice], step, DeviceId);

    const QStringList arguments{QStringLiteral("send"),    file,
                                QStringLiteral("--all"),   QStringLiteral("--device=3"),
                                QStringLiteral("--gap=0"), QStringLiteral("--out")};
    CliRun run = CliRun::run(arguments + QStringList{m_probe->inputName()}, env());
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QCOMPARE(run.err, QStringLiteral("ventaro: Not kept: Internal 5, Custom 2 (no input)\n3 voices "
                                     "sent to Internal 5, Custom 2, Current, not verified\n"));
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += joined(m_probe->take())).size() >= expected.size(), WaitMs);
    QCOMPARE(got, expected);

    const int from = int(m_rig->simulatorLines().size());
    run = CliRun::run(arguments + QStringList{inputName()}, env());
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    const QStringList log = waitForLog(*m_rig, from, QStringLiteral("block 15 of 15 written"));
    const QString text = log.join(u'\n');
    QVERIFY2(text.contains(QStringLiteral("Internal slot 5: block at 40 00 04 written"))
                 && text.contains(QStringLiteral("Custom slot 2: block at 30 00 01 written"))
                 && text.contains(QStringLiteral("Custom slot 2: block at 31 00 01 written"))
                 && text.contains(QStringLiteral("block 15 of 15 written"))
                 && !text.contains(QStringLiteral("ignored")),
             qPrintable(text));
}

void TestCliJack::refusedSendsNothing_data()
{
    addColumns<QStringList, int>("arguments", "exitCode");
    const QString bank = CliFiles::InternalBank;
    QTest::newRow("--voice 65") << QStringList{bank, QStringLiteral("--voice=65")} << 1;
    QTest::newRow("custom voice to Internal")
        << QStringList{path(QStringLiteral("mixed.syx")), QStringLiteral("--all"),
                       QStringLiteral("--to=internal:1")}
        << 1;
    QTest::newRow("internal voice to current")
        << QStringList{bank, QStringLiteral("--voice=3"), QStringLiteral("--to=current")} << 1;
    QTest::newRow("past the last slot")
        << QStringList{bank, QStringLiteral("--all"), QStringLiteral("--to=internal:60")} << 1;
    QTest::newRow("--to internal:65") << QStringList{bank, QStringLiteral("--to=internal:65")} << 2;
    QTest::newRow("--device 17") << QStringList{bank, QStringLiteral("--device=17")} << 2;
}

void TestCliJack::refusedSendsNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const CliRun run = CliRun::run(QStringList{QStringLiteral("send")} + arguments
                                       + QStringList{QStringLiteral("--out"), m_probe->inputName()},
                                   env());
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.report()));
    QCOMPARE(run.ownErrors().size(), 1);
    QTest::qWait(100);
    QCOMPARE(m_probe->take(), QList<QByteArray>());
}

// Without --device the window's stored number is used; the settings file
// is left byte for byte, and a missing one is not made.
void TestCliJack::storedDeviceNumberReadNeverWritten()
{
    const QString config = path(QStringLiteral("stored"));
    const QString iniFile = config + QStringLiteral("/Tervalinduna/Ventaro.ini");
    const RegRoot settings = RegRoot::iniFile(iniFile);
    const QString midiKey = RegSettingsRoot + TVLManager::RegKeyName + QStringLiteral("\\Midi");
    QVERIFY(WriteRegInteger(settings, midiKey, TVLManager::DeviceIdValueName, 4));
    QVERIFY(WriteRegString(settings, midiKey, QStringLiteral("Out"),
                           QStringLiteral("Simulated VL70-m")));
    const QByteArray before = fileBytes(iniFile);
    QVERIFY(!before.isEmpty());

    const QStringList arguments{QStringLiteral("send"), CliFiles::InternalBank,
                                QStringLiteral("--out"), m_probe->inputName()};
    CliRun run = CliRun::run(arguments, env(config));
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += joined(m_probe->take())).size() >= VoiceDump::InternalLength,
                             WaitMs);
    QCOMPARE(quint8(got.at(VoiceDump::DeviceOffset)), quint8(4));
    QCOMPARE(fileBytes(iniFile), before);

    const QString empty = path(QStringLiteral("empty"));
    QVERIFY(QDir().mkpath(empty));
    run = CliRun::run(arguments, env(empty));
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QCOMPARE(QDir(empty).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    got.clear();
    QTRY_VERIFY_WITH_TIMEOUT((got += joined(m_probe->take())).size() >= VoiceDump::InternalLength,
                             WaitMs);
    QCOMPARE(quint8(got.at(VoiceDump::DeviceOffset)), quint8(0));
}

// Three voices dumped from the panel (Internal 1, Custom 3, the current
// voice) reach the file exactly as the simulator sent them; the probe's
// remote switch messages, a voice block of another device number and
// real-time bytes between and during the dumps are left out.
void TestCliJack::receiveSkipsForeignBlocks()
{
    const QString saved = path(QStringLiteral("received.syx"));
    QProcess process;
    QVERIFY(startReceive(process, {QStringLiteral("--save"), saved, QStringLiteral("--count=3"),
                                   QStringLiteral("--timeout=20"), QStringLiteral("--device=3")}));
    QByteArray foreign = VoiceBank::read(CliFiles::InternalBank).voices[9].bytes;
    foreign[VoiceDump::DeviceOffset] = char(DeviceId + 1);
    const QByteArray clock(1, '\xF8');
    const QByteArray sensing(1, '\xFE');

    QVERIFY(m_probe->send(foreign));
    QVERIFY(m_probe->send(clock));
    QVERIFY(press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus, SimPanel::Enter,
                   SimPanel::Enter}));
    QList<QByteArray> dumped = simulatorDumps(1);
    QVERIFY(m_probe->send(sensing));
    QVERIFY(press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::ValuePlus, SimPanel::ValuePlus,
                   SimPanel::Enter, SimPanel::Enter}));
    // Between the custom voice's two blocks (50 ms apart).
    QVERIFY(m_probe->send(clock));
    dumped += simulatorDumps(2);
    QVERIFY(press({SimPanel::Util, SimPanel::Enter, SimPanel::Enter}));
    // In the middle of the fifteen blocks of the current voice.
    QTest::qWait(200);
    QVERIFY(m_probe->send(foreign));
    QVERIFY(m_probe->send(clock));
    dumped += simulatorDumps(VoiceDump::FullBlockCount);
    QCOMPARE(dumped.size(), 3 + VoiceDump::FullBlockCount);

    const CliRun run = CliRun::finish(process);
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QCOMPARE(run.err, WaitingLine + QStringLiteral("3 voices saved to %1\n").arg(saved));
    const QByteArray file = fileBytes(saved);
    QCOMPARE(file, joined(dumped));
    const VoiceBank back = VoiceBank::parse(file);
    QCOMPARE(back.voices.size(), 3);
    const VoiceBank shared = VoiceBank::read(CliFiles::InternalBank);
    QCOMPARE(back.voices[0].form, VoiceDump::Form::Internal);
    QCOMPARE(back.voices[0].slot, 1);
    QCOMPARE(back.voices[0].name, shared.voices[0].name);
    QCOMPARE(back.voices[1].form, VoiceDump::Form::Custom);
    QCOMPARE(back.voices[1].slot, 3);
    QCOMPARE(back.voices[2].form, VoiceDump::Form::Full);
}

// SIGINT (Ctrl+C) saves the voices that came and succeeds; --force lets it
// replace a file.
void TestCliJack::receiveSavesWhatCameOnSignal()
{
    const QString saved = path(QStringLiteral("interrupted.syx"));
    writeFile(saved, QByteArray("older"));
    QProcess process;
    QVERIFY(startReceive(process, {QStringLiteral("--save"), saved, QStringLiteral("--device=3"),
                                   QStringLiteral("--force")}));
    QVERIFY(press({SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus, SimPanel::ValuePlus,
                   SimPanel::Enter, SimPanel::Enter}));
    const QList<QByteArray> dumped = simulatorDumps(1);
    QCOMPARE(dumped.size(), 1);
    QTest::qWait(300); // through the program's input before the signal
    ::kill(pid_t(process.processId()), SIGINT);
    const CliRun run = CliRun::finish(process, WaitMs);
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    QCOMPARE(fileBytes(saved), dumped.first());
    QCOMPARE(run.err, WaitingLine + QStringLiteral("1 voice saved to %1\n").arg(saved));
}

// Nothing came: nothing is written, and a file that was there, replaced
// only by voices (--force), is kept as it was.
void TestCliJack::receiveTimesOutEmpty()
{
    const QString saved = path(QStringLiteral("nothing.syx"));
    const QString kept = path(QStringLiteral("kept.syx"));
    writeFile(kept, QByteArray("a backup"));
    for (const QString &file : {saved, kept}) {
        QElapsedTimer timer;
        timer.start();
        const CliRun run = CliRun::run({QStringLiteral("receive"), QStringLiteral("--in"),
                                        outputName(), QStringLiteral("--save"), file,
                                        QStringLiteral("--timeout=1"), QStringLiteral("--force")},
                                       env());
        QVERIFY2(run.exitCode == 1, qPrintable(run.report()));
        QVERIFY(timer.elapsed() >= 1000);
        QCOMPARE(run.ownErrors(), QStringList{QStringLiteral(
                                      "ventaro: No whole voice arrived: nothing was saved.")});
        QVERIFY(run.err.startsWith(WaitingLine));
    }
    QVERIFY(!QFileInfo::exists(saved));
    QCOMPARE(fileBytes(kept), QByteArray("a backup"));
}

// `monitor` prints what arrives, one decoded line a message, and marks a
// voice for another device number; it ends after --count messages.
void TestCliJack::monitorDecodesWhatArrives()
{
    QProcess process;
    QVERIFY(startReceive(process,
                         {QStringLiteral("--count=3"), QStringLiteral("--timeout=20"),
                          QStringLiteral("--device=%1").arg(DeviceNumber)},
                         QStringLiteral("monitor")));
    QByteArray foreign = VoiceBank::read(CliFiles::InternalBank).voices[9].bytes;
    foreign[VoiceDump::DeviceOffset] = char(DeviceId + 1);
    // JACK drops what a connection carries in its first periods: every
    // message here must be counted.
    QTest::qWait(300);
    QVERIFY(m_probe->send(foreign));
    QVERIFY(m_probe->send(QByteArray::fromHex("904064")));
    QVERIFY(m_probe->send(QByteArray::fromHex("804000")));
    const CliRun run = CliRun::finish(process);
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    const QStringList meanings{
        QStringLiteral("Internal voice dump, slot 10, name \"%1\", device 4; not for this "
                       "program's device number (device 4)")
            .arg(VoiceBank::read(CliFiles::InternalBank).voices[9].name),
        QStringLiteral("Note on 64, velocity 100, channel 1"),
        QStringLiteral("Note off 64, channel 1")};
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList columns = lines[i].split(QLatin1Char('\t'));
        QCOMPARE(columns.size(), 6);
        QCOMPARE(columns[1], QStringLiteral("in"));
        QCOMPARE(columns[4], meanings[i]);
    }
    QCOMPARE(lines[1].section(QLatin1Char('\t'), 5), QStringLiteral("90 40 64"));
}

// With --out-too, what a program that is not ours sends to the
// instrument's input is printed as "out" to that device, heard on the
// probe's port connected into it.
void TestCliJack::monitorOutTooShowsWhatOthersSend()
{
    QProcess process;
    CliRun::start(process,
                  {QStringLiteral("monitor"), QStringLiteral("--in"), outputName(),
                   QStringLiteral("--out-too"), QStringLiteral("--count=2"),
                   QStringLiteral("--timeout=20")},
                  env());
    // Its own port on the simulator's output, and one on the probe's.
    QTRY_VERIFY_WITH_TIMEOUT(m_probe->ports(QStringLiteral("^Ventaro"), true).size() == 2, WaitMs);
    QTest::qWait(300);
    QVERIFY(m_probe->send(QByteArray::fromHex("904064")));
    QVERIFY(m_probe->send(QByteArray::fromHex("804000")));
    const CliRun run = CliRun::finish(process);
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].section(QLatin1Char('\t'), 1),
             QStringLiteral("out\t%1\t3\tNote on 64, velocity 100, channel 1\t90 40 64")
                 .arg(inputName()));
    QCOMPARE(lines[1].section(QLatin1Char('\t'), 1, 2), QStringLiteral("out\t") + inputName());
}

// Two of the program's processes open JACK clients of the same names at
// once, each on a server of its own (libjack names a client's socket after
// the client alone): this one opens its output while the command line
// sends. Each opens what it asked for, and nothing of JACK's own reaches
// standard error.
void TestCliJack::clientsOpenedSideBySide()
{
    const QString file = path(QStringLiteral("side.syx"));
    writeFile(file, VoiceBank::read(CliFiles::InternalBank).voices[0].bytes);
    // The command line's server; this process stays on the one it uses.
    JackRig own(path(QStringLiteral("own")));
    QString error;
    QVERIFY2(own.startServer(&error)
                 && own.startSimulator(QStringLiteral(VENTARO_SIMULATOR), {}, &error),
             qPrintable(error));
    QProcess other;
    HeldJackOpen held(
        QStringLiteral("Ventaro watch"),
        [&] {
            CliRun::start(other,
                          {QStringLiteral("send"), file, QStringLiteral("--out"), inputName(),
                           QStringLiteral("--to"), QStringLiteral("internal:3")},
                          CliRun::environment(m_config, own.serverName()));
        },
        3000);
    SystemSleeper clock;
    RtMidiPlatform platform(clock, RtMidiPlatform::Backend::Jack);
    TMidiCorvoOut port(nullptr, &platform);
    port.setDeviceName(inputName());
    const QString opened = raisedText([&] { port.Open(); });
    const CliRun run = CliRun::finish(other);
    QVERIFY(held.held());
    QCOMPARE(opened, raisedText([] {}));
    QVERIFY2(run.exitCode == 0, qPrintable(run.report()));
    for (const QString &noise : {QStringLiteral("jack"), QStringLiteral("Cannot")})
        QVERIFY2(!run.err.contains(noise, Qt::CaseInsensitive), qPrintable(run.report()));
}

QTEST_GUILESS_MAIN(TestCliJack)
#include "tst_clijack.moc"
