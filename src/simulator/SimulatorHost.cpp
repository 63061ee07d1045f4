#include "SimulatorHost.h"

#include "JackClientLock.h"
#include "MidiBytes.h"
#include "MidiStreamParser.h"
#include "RtMidiInDevice.h"
#include "RtMidiJackWatch.h"
#include "RtMidiOutClosing.h"
#include "SimulatedVl70m.h"
#include "Sleeper.h"
#include "VentaroError.h"

#include <RtMidi.h>

#include <optional>

namespace {

constexpr double NsPerSecond = 1e9;
constexpr const char *WatchSuffix = " watch";

// Channel messages: their name and the names of their data bytes.
struct ChannelKind
{
    unsigned char kind;
    const char *name;
    const char *data1;
    const char *data2;
};

constexpr ChannelKind ChannelKinds[] = {
    {MidiBytes::NoteOff, "note off", "note", "velocity"},
    {MidiBytes::NoteOn, "note on", "note", "velocity"},
    {MidiBytes::KeyPressure, "key pressure", "note", "pressure"},
    {MidiBytes::ControlChange, "control change", "controller", "value"},
    {MidiBytes::ProgramChange, "program change", "program", nullptr},
    {MidiBytes::ChannelPressure, "channel pressure", "pressure", nullptr},
    {MidiBytes::PitchBend, "pitch bend", "low", "high"},
};

QString hexOf(const QByteArray &bytes, int count)
{
    QString text = QString::fromLatin1(bytes.left(count).toHex(' ')).toUpper();
    if (bytes.size() > count)
        text += QStringLiteral(" .. ") + QString::fromLatin1(bytes.right(1).toHex()).toUpper();
    return text;
}

void ignoreError(RtMidiError::Type, const std::string &, void *) {}

} // namespace

SimulatorHost::SimulatorHost(SimulatedVl70m &simulator, Sleeper &clock, LineSink sink)
    : m_simulator(simulator), m_clock(clock), m_sink(std::move(sink)),
      m_parser(std::make_unique<MidiStreamParser>(RtMidiInDevice::parsing()))
{
    m_startNs = m_clock.nowNs();
}

SimulatorHost::~SimulatorHost()
{
    close();
}

QString SimulatorHost::deviceName(const QString &clientName, bool input)
{
    return clientName + QLatin1String(input ? InputClientSuffix : OutputClientSuffix)
           + QLatin1Char(':') + QLatin1String(PortName);
}

QString SimulatorHost::describe(const QByteArray &message)
{
    if (message.isEmpty())
        return QStringLiteral("nothing");
    const auto status = static_cast<unsigned char>(message.at(0));
    if (status == MidiBytes::SysExStart)
        return QStringLiteral("SysEx, %1 bytes: %2")
            .arg(message.size())
            .arg(hexOf(message, SimulatorHost::ShownBytes));
    for (const ChannelKind &kind : ChannelKinds) {
        if ((status & MidiBytes::KindMask) != kind.kind)
            continue;
        QString text = QStringLiteral("%1, channel %2")
                           .arg(QLatin1String(kind.name))
                           .arg((status & MidiBytes::ChannelMask) + 1);
        if (kind.data1 && message.size() > 1)
            text += QStringLiteral(", %1 %2")
                        .arg(QLatin1String(kind.data1))
                        .arg(static_cast<unsigned char>(message.at(1)));
        if (kind.data2 && message.size() > 2)
            text += QStringLiteral(", %1 %2")
                        .arg(QLatin1String(kind.data2))
                        .arg(static_cast<unsigned char>(message.at(2)));
        return text;
    }
    return QStringLiteral("system message %1").arg(hexOf(message, SimulatorHost::ShownBytes));
}

void SimulatorHost::open(RtMidiPlatform::Backend backend, const QString &clientName)
{
    const std::string client = clientName.toStdString();
    const auto api =
        RtMidi::Api(RtMidiBackend::rtMidiApi(RtMidiBackend::resolve(backend, clientName)));
    try {
        if (api == RtMidi::UNIX_JACK) {
            m_watch = std::make_unique<RtMidiJackWatch>(client + WatchSuffix);
            if (!m_watch->alive())
                throw VentaroError(QStringLiteral("No JACK server is running."));
        }
        // Both clients are opened the way the program opens its own.
        std::optional<JackClientLock> opening;
        if (api == RtMidi::UNIX_JACK)
            opening.emplace();
        m_out = std::make_unique<RtMidiOut>(api, client + OutputClientSuffix);
        m_out->setErrorCallback(&ignoreError);
        m_out->openVirtualPort(PortName);
        // Before the input opens: the first message may come at once.
        m_simulator.setSender([this](const QByteArray &message) { send(message); });

        m_in = std::make_unique<RtMidiIn>(api, client + InputClientSuffix);
        m_in->setErrorCallback(&ignoreError);
        m_in->ignoreTypes(false, false, false);
        m_in->setCallback(&SimulatorHost::onInput, this);
        m_in->openVirtualPort(PortName);
    } catch (const RtMidiError &error) {
        m_in.reset();
        m_simulator.setSender(nullptr);
        m_out.reset();
        throw VentaroError(QStringLiteral("Cannot open the virtual MIDI ports: %1")
                               .arg(QString::fromStdString(error.getMessage())));
    }
}

void SimulatorHost::close()
{
    if (m_in) {
        m_in->cancelCallback();
        m_in.reset();
    }
    m_work.finish();
    m_simulator.setSender(nullptr);
    RtMidiOutClosing::close(m_out, m_watch.get());
    m_watch.reset();
}

bool SimulatorHost::serverAlive() const
{
    return !m_watch || m_watch->alive();
}

void SimulatorHost::onInput(double, std::vector<unsigned char> *message, void *self)
{
    auto *host = static_cast<SimulatorHost *>(self);
    if (!message)
        return;
    MidiStreamParser::Handlers handlers;
    handlers.onShort = [host](quint32 word) {
        if (!MidiBytes::isRealTime(MidiBytes::statusOf(word))) // clock and sensing: nothing to do
            host->m_work.post(MidiBytes::unpack(word));
    };
    handlers.onSysEx = [host](const QByteArray &block) { host->m_work.post(block); };
    host->m_parser->feed(reinterpret_cast<const char *>(message->data()), message->size(),
                         handlers);
}

void SimulatorHost::handle(const QByteArray &message)
{
    const QString when = stamp();
    m_simulator.clearLog();
    m_sent.clear();
    m_simulator.receive(message);
    QStringList did = m_simulator.log();
    if (did.isEmpty())
        did << QStringLiteral("nothing to report");
    m_sink(QStringLiteral("%1 received %2 -> %3")
               .arg(when, describe(message), did.join(QStringLiteral("; "))));
    for (const QString &line : m_sent)
        m_sink(line);
}

void SimulatorHost::send(const QByteArray &message)
{
    // Called by the simulator on the worker thread, while it handles a message.
    if (m_watch && !m_watch->waitForRoom(std::size_t(message.size()), SendWaitMs)) {
        m_sent.push_back(QStringLiteral("%1 not sent (the MIDI server is gone) %2")
                             .arg(stamp(), describe(message)));
        return;
    }
    m_out->sendMessage(reinterpret_cast<const unsigned char *>(message.constData()),
                       std::size_t(message.size()));
    m_sent.push_back(QStringLiteral("%1 sent %2").arg(stamp(), describe(message)));
}

QString SimulatorHost::stamp() const
{
    return QStringLiteral("[%1]").arg(double(m_clock.nowNs() - m_startNs) / NsPerSecond, 9, 'f', 3);
}
