#include "MonitorCommand.h"

#include "CloseOnSignal.h"
#include "CommandContext.h"
#include "CommandDevices.h"
#include "DeviceNumberOption.h"
#include "MidiErrorText.h"
#include "MidiLog.h"
#include "MidiMessageDescription.h"
#include "MidiTap.h"
#include "ProgramMidi.h"
#include "SubcommandWords.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "UsageError.h"
#include "VentaroError.h"

#include <QEventLoop>
#include <QHash>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <utility>
#include <vector>

namespace {

const QString InOption = QStringLiteral("in");
const QString CountOption = QStringLiteral("count");
const QString TimeoutOption = QStringLiteral("timeout");
const QString OutTooOption = QStringLiteral("out-too");
constexpr int MsPerSecond = 1000;
// How often the ports connected into the output devices are looked at again.
constexpr int FollowMs = 1000;

} // namespace

MonitorCommand::Options MonitorCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words,
                                                            {{InOption, true, true},
                                                             {CountOption, true},
                                                             {TimeoutOption, true},
                                                             {OutTooOption, false},
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
    options.deviceId = DeviceNumberOption::parse(arguments);
    options.outToo = arguments.has(OutTooOption);
    return options;
}

int MonitorCommand::run(const Options &options, CommandContext &context)
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
                midiPortErrorMessage(MidiPlatform::NotConnected, true, name, &platform));

    MidiLog log;
    log.setDeviceNumber(devices.deviceId(options.deviceId));
    MidiTap &tap = devices.midi.tap();
    tap.setLog(&log);
    std::vector<std::unique_ptr<TMidiCorvoIn>> ports;
    QStringList opened;
    const auto stop = [&] {
        tap.setLog(nullptr);
        for (const auto &port : ports) {
            try {
                port->Close();
            } catch (const VentaroError &) {
            }
        }
    };
    // Raises VentaroError when the port cannot be opened.
    const auto listen = [&](const QString &name) {
        auto port = std::make_unique<TMidiCorvoIn>(nullptr, &platform, settings);
        port->setDeviceName(name);
        port->Open(true);
        ports.push_back(std::move(port));
        opened << name;
    };
    const QStringList shownIn = options.ports.isEmpty() ? listed : options.ports;
    for (const QString &name : shownIn) {
        try {
            listen(name);
        } catch (const VentaroError &e) {
            if (!options.ports.isEmpty()) {
                stop();
                throw;
            }
            context.say(e.text()); // every input asked for: listens on the others
        }
    }

    // What other programs send to each output device is heard on the ports
    // connected into it, each listened on as an input of its own (listening
    // takes nothing from the connection). Looked at again as connections
    // come and go.
    QHash<QString, QStringList> feeds; // a source port: the output devices it feeds
    const auto followOutputs = [&] {
        TMidiCorvoOut(nullptr, &platform, settings).refreshDevices();
        QHash<QString, QStringList> now;
        for (int i = 0; i < platform.outDeviceCount(); ++i) {
            const std::optional<QStringList> sources = platform.outDeviceSources(i);
            if (!sources)
                throw VentaroError(QStringLiteral(
                    "--out-too is not available on this MIDI system: only JACK tells which "
                    "programs send to a device."));
            for (const QString &source : *sources)
                now[source] << platform.outDeviceName(i);
        }
        bool listed = false;
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (opened.contains(it.key()))
                continue;
            try {
                if (!std::exchange(listed, true))
                    TMidiCorvoIn(nullptr, &platform, settings).refreshDevices();
                listen(it.key());
            } catch (const VentaroError &e) {
                context.say(e.text());
            }
        }
        feeds = now;
    };
    if (options.outToo) {
        try {
            followOutputs();
        } catch (const VentaroError &) {
            stop();
            throw;
        }
    }
    if (ports.empty()) {
        stop();
        throw VentaroError(QStringLiteral("No input device to listen on."));
    }

    QEventLoop loop;
    MidiMessageDescription description;
    quint64 last = 0;
    int printed = 0;
    const auto line = [&](const MidiLog::Entry &entry) {
        if (options.count && printed >= *options.count)
            return;
        context.out << MidiMessageDescription::tabLine(entry, description.describe(entry).text)
                    << '\n';
        ++printed;
    };
    const auto print = [&] {
        const MidiLog::Batch batch = log.since(last);
        for (const MidiLog::Entry &entry : batch.entries) {
            last = entry.serial;
            if (shownIn.contains(entry.port))
                line(entry);
            // A message from a port connected into an output device went
            // out to that device too.
            for (const QString &output : feeds.value(entry.port)) {
                MidiLog::Entry sent = entry;
                sent.direction = MidiLog::Direction::Out;
                sent.port = output;
                line(sent);
            }
        }
        context.out.flush();
        if (options.count && printed >= *options.count)
            loop.quit();
    };
    QTimer printing;
    QObject::connect(&printing, &QTimer::timeout, &loop, print);
    printing.start(PrintMs);
    QTimer following;
    QObject::connect(&following, &QTimer::timeout, &loop, [&] {
        try {
            followOutputs();
        } catch (const VentaroError &e) {
            context.say(e.text());
        }
    });
    if (options.outToo)
        following.start(FollowMs);
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
