// ventaro-sim: a simulated VL70-m on virtual MIDI ports, for tests over a
// real MIDI system and for watching what a program sends to the instrument.

#include "RtMidiPlatform.h"
#include "SimulatedVl70m.h"
#include "SimulatorHost.h"
#include "SystemSleeper.h"
#include "VentaroError.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr int FirstDeviceNumber = 1; // as the instrument shows it
constexpr int LastDeviceNumber = 16;
constexpr auto PollInterval = std::chrono::milliseconds(50);

enum ExitCode { Stopped = 0, Failed = 1, BadOptions = 2 };

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

std::mutex printMutex;

void printLine(const QString &line)
{
    std::lock_guard lock(printMutex);
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printError(const QString &line)
{
    std::lock_guard lock(printMutex);
    std::fprintf(stderr, "ventaro-sim: %s\n", line.toLocal8Bit().constData());
}

bool readNumber(const QString &text, int first, int last, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < first || number > last)
        return false;
    *value = number;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ventaro-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VENTARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated VL70-m on virtual MIDI ports. Prints one line per message received "
        "and what the instrument did. Stops on SIGINT or SIGTERM."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption deviceOption(
        {QStringLiteral("d"), QStringLiteral("device")},
        QStringLiteral("The instrument's device number, 1 to 16 (default 1)."),
        QStringLiteral("number"), QStringLiteral("1"));
    const QCommandLineOption intervalOption(
        {QStringLiteral("i"), QStringLiteral("interval")},
        QStringLiteral("Milliseconds between the blocks of a dump-out, 0 to %1 (default %2).")
            .arg(SimulatedVl70m::MaxDumpIntervalMs)
            .arg(SimulatedVl70m::DefaultDumpIntervalMs),
        QStringLiteral("ms"), QString::number(SimulatedVl70m::DefaultDumpIntervalMs));
    const QCommandLineOption nameOption(
        {QStringLiteral("n"), QStringLiteral("name")},
        QStringLiteral("MIDI client name of the ports (default VL70-m)."), QStringLiteral("name"),
        QStringLiteral("VL70-m"));
    const QCommandLineOption apiOption(
        QStringLiteral("api"),
        QStringLiteral("MIDI system: alsa or jack (default: %1, else ALSA when available, "
                       "else JACK).")
            .arg(QLatin1String(RtMidiBackend::Variable)),
        QStringLiteral("alsa|jack"));
    const QCommandLineOption bankOption(
        {QStringLiteral("b"), QStringLiteral("bank")},
        QStringLiteral("A file of voices (.syx) whose internal and custom voices fill the slots "
                       "they came from."),
        QStringLiteral("file"));
    const QCommandLineOption answerDelayOption(
        QStringLiteral("answer-delay"),
        QStringLiteral("Milliseconds before an identity or dump request is answered, 0 to %1 "
                       "(default 0).")
            .arg(SimulatedVl70m::MaxAnswerDelayMs),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption noAnswerOption(
        QStringLiteral("no-answer"),
        QStringLiteral("Answer no identity or dump request (they are still logged)."));
    const QCommandLineOption answerLimitOption(
        QStringLiteral("answer-limit"),
        QStringLiteral("Answer only the first N requests (each dump block asked for counts)."),
        QStringLiteral("N"));
    const QCommandLineOption silentBankOption(
        QStringLiteral("silent-bank"),
        QStringLiteral("Answer no dump request for the slots of this bank: custom or internal."),
        QStringLiteral("bank"));
    parser.addOptions({deviceOption, intervalOption, nameOption, apiOption, bankOption,
                       answerDelayOption, noAnswerOption, answerLimitOption, silentBankOption});
    parser.process(app);

    int device = FirstDeviceNumber;
    if (!readNumber(parser.value(deviceOption), FirstDeviceNumber, LastDeviceNumber, &device)) {
        printError(QStringLiteral("the device number must be %1 to %2.")
                       .arg(FirstDeviceNumber)
                       .arg(LastDeviceNumber));
        return BadOptions;
    }
    int interval = SimulatedVl70m::DefaultDumpIntervalMs;
    if (!readNumber(parser.value(intervalOption), 0, SimulatedVl70m::MaxDumpIntervalMs,
                    &interval)) {
        printError(QStringLiteral("the dump interval must be 0 to %1 ms.")
                       .arg(SimulatedVl70m::MaxDumpIntervalMs));
        return BadOptions;
    }
    int answerDelay = 0;
    if (!readNumber(parser.value(answerDelayOption), 0, SimulatedVl70m::MaxAnswerDelayMs,
                    &answerDelay)) {
        printError(QStringLiteral("the answer delay must be 0 to %1 ms.")
                       .arg(SimulatedVl70m::MaxAnswerDelayMs));
        return BadOptions;
    }
    int answerLimit = -1;
    if (parser.isSet(answerLimitOption)
        && !readNumber(parser.value(answerLimitOption), 0, std::numeric_limits<int>::max(),
                       &answerLimit)) {
        printError(QStringLiteral("the answer limit must be a number of requests, 0 or more."));
        return BadOptions;
    }
    std::optional<VoiceDump::Form> silentBank;
    if (parser.isSet(silentBankOption)) {
        const QString bank = parser.value(silentBankOption);
        if (bank == QLatin1String("custom"))
            silentBank = VoiceDump::Form::Custom;
        else if (bank == QLatin1String("internal"))
            silentBank = VoiceDump::Form::Internal;
        else {
            printError(QStringLiteral("the silent bank must be custom or internal."));
            return BadOptions;
        }
    }
    RtMidiPlatform::Backend backend = RtMidiBackend::fromEnvironment();
    if (parser.isSet(apiOption)) {
        backend = RtMidiBackend::fromName(parser.value(apiOption));
        if (backend == RtMidiPlatform::Backend::Automatic) {
            printError(QStringLiteral("the MIDI system must be alsa or jack."));
            return BadOptions;
        }
    }
    const QString name = parser.value(nameOption);
    backend = RtMidiBackend::resolve(backend, name);

    SystemSleeper clock;
    SimulatedVl70m simulator(clock);
    simulator.setDeviceNumber(device - 1);
    simulator.setDumpIntervalMs(interval);
    simulator.setAnswerDelayMs(answerDelay);
    simulator.setAnswering(!parser.isSet(noAnswerOption));
    simulator.setAnswerLimit(answerLimit);
    if (silentBank)
        simulator.setBankSilent(*silentBank, true);
    // Said after the ready line, which stays the first.
    QString bankLine;
    if (parser.isSet(bankOption)) {
        try {
            const VoiceBank bank = VoiceBank::read(parser.value(bankOption));
            const int put = simulator.loadBank(bank);
            bankLine = QStringLiteral("bank: %1 voices put into their slots, %2 parts skipped")
                           .arg(put)
                           .arg(bank.skipped);
        } catch (const VentaroError &error) {
            printError(error.text());
            return BadOptions;
        }
    }

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    SimulatorHost host(simulator, clock, printLine);
    try {
        host.open(backend, name);
    } catch (const VentaroError &error) {
        printError(error.text());
        return Failed;
    }
    printLine(
        QStringLiteral("ready: %1 and %2 (%3), device number %4, dump interval %5 ms")
            .arg(SimulatorHost::deviceName(name, true), SimulatorHost::deviceName(name, false))
            .arg(RtMidiBackend::nameOf(backend))
            .arg(device)
            .arg(interval));
    if (!bankLine.isEmpty())
        printLine(bankLine);

    int code = Stopped;
    while (!stopRequested) {
        if (!host.serverAlive()) {
            printError(QStringLiteral("the MIDI server has ended."));
            code = Failed;
            break;
        }
        std::this_thread::sleep_for(PollInterval);
    }
    host.close();
    printLine(QStringLiteral("stopped"));
    return code;
}
