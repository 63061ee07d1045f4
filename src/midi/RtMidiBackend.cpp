#include "RtMidiBackend.h"

#include <RtMidi.h>

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

constexpr const char *AlsaSequencerPath = "/dev/snd/seq";

// Each backend: its name in VENTARO_MIDI_API and --api, and RtMidi's API.
struct Backend
{
    RtMidiBackend::Kind kind;
    const char *name;
    RtMidi::Api api;
};

constexpr Backend Backends[] = {
    {RtMidiBackend::Kind::Alsa, "alsa", RtMidi::LINUX_ALSA},
    {RtMidiBackend::Kind::Jack, "jack", RtMidi::UNIX_JACK},
    {RtMidiBackend::Kind::SystemDefault, "system", RtMidi::UNSPECIFIED},
};

bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

void ignoreError(RtMidiError::Type, const std::string &, void *) {}

bool alsaSequencerOpens(const std::string &clientName)
{
#ifdef Q_OS_LINUX
    // Without the device node the attempt only prints ALSA's complaint.
    if (!QFile::exists(QString::fromLatin1(AlsaSequencerPath)))
        return false;
#endif
    try {
        RtMidiIn probe(RtMidi::LINUX_ALSA, clientName);
        return true;
    } catch (const RtMidiError &) {
        return false;
    }
}

} // namespace

RtMidiBackend::Kind RtMidiBackend::fromName(const QString &name)
{
    const QString wanted = name.trimmed().toLower();
    for (const Backend &entry : Backends)
        if (wanted == QLatin1String(entry.name))
            return entry.kind;
    return Kind::Automatic;
}

RtMidiBackend::Kind RtMidiBackend::fromEnvironment()
{
    return fromName(qEnvironmentVariable(Variable));
}

RtMidiBackend::Kind RtMidiBackend::resolve(Kind kind, const QString &clientName)
{
    if (kind != Kind::Automatic)
        return kind;
    if (compiled(RtMidi::LINUX_ALSA) && alsaSequencerOpens(clientName.toStdString()))
        return Kind::Alsa;
    if (compiled(RtMidi::UNIX_JACK))
        return Kind::Jack;
    return Kind::SystemDefault;
}

int RtMidiBackend::rtMidiApi(Kind kind)
{
    for (const Backend &entry : Backends)
        if (entry.kind == kind)
            return entry.api;
    return RtMidi::UNSPECIFIED; // Automatic: resolve() it first
}

QString RtMidiBackend::nameOf(Kind kind)
{
    for (const Backend &entry : Backends)
        if (entry.kind == kind)
            return QString::fromLatin1(entry.name);
    return QString();
}

QString RtMidiBackend::deviceName(const std::string &portName)
{
    static const QRegularExpression alsaNumbers(QStringLiteral("\\s+\\d+:\\d+$"));
    QString name = QString::fromStdString(portName);
    name.remove(alsaNumbers);
    return name;
}

bool RtMidiBackend::ownPort(const std::string &clientName, const QString &name)
{
    // JACK gives a second client of the same name a "-NN" suffix.
    const QRegularExpression own(
        QStringLiteral("^%1(-\\d+)?:")
            .arg(QRegularExpression::escape(QString::fromStdString(clientName))));
    return own.match(name).hasMatch();
}

QStringList RtMidiBackend::list(RtMidi &midi, const std::string &clientName)
{
    QStringList names;
    midi.setErrorCallback(&ignoreError);
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        const QString name = deviceName(midi.getPortName(i));
        if (!name.isEmpty() && !ownPort(clientName, name))
            names << name;
    }
    return names;
}

int RtMidiBackend::findPort(RtMidi &midi, const QString &name, int occurrence)
{
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (deviceName(midi.getPortName(i)) == name && occurrence-- == 0)
            return int(i);
    }
    return -1;
}

int RtMidiBackend::occurrenceOf(const QStringList &names, int deviceId)
{
    const QString &name = names.at(deviceId);
    int occurrence = 0;
    for (int i = 0; i < deviceId; ++i)
        if (names.at(i) == name)
            ++occurrence;
    return occurrence;
}
