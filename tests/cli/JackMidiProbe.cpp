#include "JackMidiProbe.h"

#include <QElapsedTimer>
#include <QThread>

#include <jack/midiport.h>

#include <vector>

JackMidiProbe::~JackMidiProbe()
{
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
    }
    if (m_toSend)
        jack_ringbuffer_free(m_toSend);
    if (m_received)
        jack_ringbuffer_free(m_received);
}

bool JackMidiProbe::open(const QString &clientName)
{
    m_client = jack_client_open(clientName.toUtf8().constData(), JackNoStartServer, nullptr);
    if (!m_client)
        return false;
    m_in = jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    m_out = jack_port_register(m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    m_toSend = jack_ringbuffer_create(RingBytes);
    m_received = jack_ringbuffer_create(RingBytes);
    jack_set_process_callback(m_client, &JackMidiProbe::process, this);
    return m_in && m_out && jack_activate(m_client) == 0;
}

QString JackMidiProbe::inputName() const
{
    return QString::fromUtf8(jack_port_name(m_in));
}

QString JackMidiProbe::outputName() const
{
    return QString::fromUtf8(jack_port_name(m_out));
}

bool JackMidiProbe::connect(const QString &source, const QString &destination)
{
    return jack_connect(m_client, source.toUtf8().constData(), destination.toUtf8().constData())
           == 0;
}

QStringList JackMidiProbe::ports(const QString &pattern, bool inputs) const
{
    QStringList names;
    const char **found =
        jack_get_ports(m_client, pattern.toUtf8().constData(), JACK_DEFAULT_MIDI_TYPE,
                       inputs ? JackPortIsInput : JackPortIsOutput);
    for (const char **name = found; name && *name; ++name)
        names << QString::fromUtf8(*name);
    jack_free(found);
    return names;
}

bool JackMidiProbe::send(const QByteArray &event, int timeoutMs)
{
    const size_t length = size_t(event.size());
    if (jack_ringbuffer_write_space(m_toSend) < sizeof length + length)
        return false;
    jack_ringbuffer_write(m_toSend, reinterpret_cast<const char *>(&length), sizeof length);
    jack_ringbuffer_write(m_toSend, event.constData(), length);
    QElapsedTimer timer;
    timer.start();
    while (jack_ringbuffer_read_space(m_toSend) > 0) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(1);
    }
    return true;
}

QList<QByteArray> JackMidiProbe::take()
{
    QList<QByteArray> events;
    size_t length = 0;
    // An event counts once its bytes are in, not only its length.
    while (jack_ringbuffer_read_space(m_received) >= sizeof length) {
        jack_ringbuffer_peek(m_received, reinterpret_cast<char *>(&length), sizeof length);
        if (jack_ringbuffer_read_space(m_received) < sizeof length + length)
            break;
        jack_ringbuffer_read_advance(m_received, sizeof length);
        QByteArray event(qsizetype(length), '\0');
        jack_ringbuffer_read(m_received, event.data(), length);
        events << event;
    }
    return events;
}

int JackMidiProbe::process(jack_nframes_t frames, void *self)
{
    auto *probe = static_cast<JackMidiProbe *>(self);
    void *in = jack_port_get_buffer(probe->m_in, frames);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0)
            continue;
        const size_t length = event.size;
        if (jack_ringbuffer_write_space(probe->m_received) < sizeof length + length)
            break;
        jack_ringbuffer_write(probe->m_received, reinterpret_cast<const char *>(&length),
                              sizeof length);
        jack_ringbuffer_write(probe->m_received, reinterpret_cast<const char *>(event.buffer),
                              length);
    }
    void *out = jack_port_get_buffer(probe->m_out, frames);
    jack_midi_clear_buffer(out);
    // One event a period: the program sends whole messages, one per event.
    size_t length = 0;
    if (jack_ringbuffer_read_space(probe->m_toSend) >= sizeof length) {
        jack_ringbuffer_peek(probe->m_toSend, reinterpret_cast<char *>(&length), sizeof length);
        jack_midi_data_t *data =
            jack_ringbuffer_read_space(probe->m_toSend) >= sizeof length + length
                ? jack_midi_event_reserve(out, 0, length)
                : nullptr;
        if (data) {
            jack_ringbuffer_read_advance(probe->m_toSend, sizeof length);
            jack_ringbuffer_read(probe->m_toSend, reinterpret_cast<char *>(data), length);
        }
    }
    return 0;
}
