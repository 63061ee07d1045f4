#include "MonitorCommand.h"

#include "CloseOnSignal.h"
#include "CommandArguments.h"
#include "CommandContext.h"
#include "CommandDevices.h"
#include "DeviceNumberOption.h"
#include "MidiErrorText.h"
#include "MidiLog.h"
#include "MidiMessageDescription.h"
#include "MidiTap.h"
#include "ProgramMidi.h"
#include "TMidiCorvoIn.h"
#include "UsageError.h"
#include "VentaroError.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

const QString InOption = QStringLiteral("in");
const QString CountOption = QStringLiteral("count");
const QString TimeoutOption = QStringLiteral("timeout");
constexpr int MsPerSecond = 1000;

} // namespace

MonitorCommand::Options MonitorCommand::Parse(const QStringList &words)
{
    const CommandArguments arguments = CommandArguments::Parse(words,
                                                               {{InOption, true, true},
                                                                {CountOption, true},
                                                                {TimeoutOption, true},
                                                                {DeviceNumberOption::Name, true}},
                                                               0);
    Options options;
    for (const QString &port : arguments.values(InOption)) {
        if (port.isEmpty())
            throw UsageError(QStringLiteral("%1 needs --%2 %3")
                                 .arg(QLatin1String(Name), InOption, CommandDevices::PortValue));
        options.ports << port;
    }
    if (arguments.has(CountOption))
        options.count = arguments.number(CountOption, 1, MaxCount, 1);
    if (arguments.has(TimeoutOption))
        options.timeoutSeconds = arguments.number(TimeoutOption, 1, MaxTimeoutSeconds, 1);
    options.deviceId = DeviceNumberOption::Parse(arguments);
    return options;
}

int MonitorCommand::Run(const Options &options, CommandContext &context)
{
    CommandDevices devices(context);
    MidiPlatform &platform = devices.midi.platform();
    // Ports of their own that remember nothing: the window's choice stays.
    QTemporaryDir scratch;
    const RegRoot settings = RegRoot::iniFile(scratch.filePath(QStringLiteral("monitor.ini")));
    const QStringList listed = TMidiCorvoIn(nullptr, &platform, settings).DeviceNames();
    for (const QString &name : options.ports)
        if (!listed.contains(name, Qt::CaseInsensitive))
            throw VentaroError(
                MidiPortErrorMessage(MidiPlatform::NotConnected, true, name, &platform));

    MidiLog log;
    log.setDeviceNumber(devices.deviceId(options.deviceId));
    MidiTap &tap = devices.midi.tap();
    tap.setLog(&log);
    std::vector<std::unique_ptr<TMidiCorvoIn>> ports;
    const auto stop = [&] {
        tap.setLog(nullptr);
        for (const auto &port : ports) {
            try {
                port->Close();
            } catch (const VentaroError &) {
            }
        }
    };
    for (const QString &name : options.ports.isEmpty() ? listed : options.ports) {
        auto port = std::make_unique<TMidiCorvoIn>(nullptr, &platform, settings);
        try {
            port->setDeviceName(name);
            port->Open(true);
        } catch (const VentaroError &e) {
            if (!options.ports.isEmpty()) {
                stop();
                throw;
            }
            context.say(e.text()); // every input asked for: listens on the others
            continue;
        }
        ports.push_back(std::move(port));
    }
    if (ports.empty()) {
        stop();
        throw VentaroError(QStringLiteral("No input device to listen on."));
    }

    QEventLoop loop;
    MidiMessageDescription description;
    quint64 last = 0;
    int printed = 0;
    const auto print = [&] {
        const MidiLog::Batch batch = log.since(last);
        for (const MidiLog::Entry &entry : batch.entries) {
            last = entry.serial;
            if (options.count && printed >= *options.count)
                break;
            context.out << MidiMessageDescription::tabLine(entry, description.describe(entry).text)
                        << '\n';
            ++printed;
        }
        context.out.flush();
        if (options.count && printed >= *options.count)
            loop.quit();
    };
    QTimer printing;
    QObject::connect(&printing, &QTimer::timeout, &loop, print);
    printing.start(PrintMs);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (options.timeoutSeconds)
        timeout.start(*options.timeoutSeconds * MsPerSecond);
    CloseOnSignal interrupted([&] { loop.quit(); });
    loop.exec();
    stop();
    print();
    return 0;
}
