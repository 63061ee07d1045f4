#include "ReceiveCommand.h"

#include "CloseOnSignal.h"
#include "CommandContext.h"
#include "CommandDevices.h"
#include "DeviceNumberOption.h"
#include "DumpFile.h"
#include "MidiErrorText.h"
#include "OutputFile.h"
#include "ProgramMidi.h"
#include "SubcommandWords.h"
#include "TMidiCorvoIn.h"
#include "VentaroError.h"
#include "VoiceCollector.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

namespace {

const QString InOption = QStringLiteral("in");
const QString SaveOption = QStringLiteral("save");
const QString CountOption = QStringLiteral("count");
const QString TimeoutOption = QStringLiteral("timeout");
constexpr int MsPerSecond = 1000;
constexpr int MaxCount = 100000;

} // namespace

ReceiveCommand::Options ReceiveCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words,
                                                            {{InOption, true},
                                                             {SaveOption, true},
                                                             {CountOption, true},
                                                             {TimeoutOption, true},
                                                             {DeviceNumberOption::Name, true},
                                                             {OutputFile::ForceOption, false}},
                                                            0);
    Options options;
    options.port = arguments.required(Name, InOption, CommandDevices::PortValue);
    options.file = arguments.required(Name, SaveOption, QStringLiteral("FILE"));
    if (arguments.has(CountOption))
        options.count = arguments.number(CountOption, 1, MaxCount, 1);
    if (arguments.has(TimeoutOption))
        options.timeoutSeconds = arguments.number(TimeoutOption, 1, MaxTimeoutSeconds, 1);
    options.deviceId = DeviceNumberOption::parse(arguments);
    options.replace = arguments.has(OutputFile::ForceOption);
    return options;
}

int ReceiveCommand::run(const Options &options, CommandContext &context)
{
    OutputFile::checkWritable(options.file, options.replace);
    CommandDevices devices(context);
    TMidiCorvoIn &port = devices.input(options.port);
    VoiceCollector collector(devices.deviceId(options.deviceId));

    QEventLoop loop;
    QString failure;
    const auto progress = [&] {
        if (!context.errIsTerminal)
            return;
        context.err << "\r\033[K"
                    << QStringLiteral("Voices received: %1").arg(collector.voices().size());
        if (collector.hasPartialVoice())
            context.err << QStringLiteral(" (a voice is arriving)");
        context.err.flush();
    };
    port.OnSysexReceived = [&](QObject *, const quint8 *data, qint32 length) {
        if (!data || length <= 0 || !collector.take(QByteArrayView(data, length)))
            return;
        progress();
        if (options.count && collector.voices().size() >= *options.count)
            loop.quit();
    };
    CloseOnSignal interrupted([&] { loop.quit(); });
    QTimer deviceCheck;
    QObject::connect(&deviceCheck, &QTimer::timeout, &loop, [&] {
        const int state = port.deviceState();
        if (state == MidiPlatform::NoError)
            return;
        failure = midiPortErrorMessage(state, true, options.port, &devices.midi.platform());
        loop.quit();
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    try {
        port.Open(true);
    } catch (...) {
        port.OnSysexReceived = nullptr;
        throw;
    }
    context.err << QStringLiteral(
        "Waiting: dump the voice from the instrument's panel (UTIL, ENTER, ENTER)...\n");
    context.err.flush();
    progress();
    deviceCheck.start(DeviceCheckMs);
    if (options.timeoutSeconds)
        timeout.start(*options.timeoutSeconds * MsPerSecond);
    loop.exec();
    try {
        port.Stop();
    } catch (const VentaroError &) {
        // What arrived is saved all the same.
    }
    port.OnSysexReceived = nullptr;
    if (context.errIsTerminal)
        context.err << '\n';

    const qsizetype received = collector.voices().size();
    if (received > 0)
        DumpFile::write(options.file, collector.bankBytes());
    if (received == 0)
        throw VentaroError(failure.isEmpty()
                               ? QStringLiteral("No whole voice arrived: nothing was saved.")
                               : failure);
    if (!failure.isEmpty())
        context.say(failure);
    context.err << QStringLiteral("%1 saved to %2\n")
                       .arg(OutputFile::VoiceCount(received),
                            QDir::toNativeSeparators(options.file));
    context.err.flush();
    return 0;
}
