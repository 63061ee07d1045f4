#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <jack/jack.h>
#include <jack/ringbuffer.h>

// A plain JACK client of the test with one MIDI input and one MIDI output
// port, below RtMidi and the program's own layers: it sees exactly the
// events that reach it and sends exactly the bytes it is given, one event
// each, so what the program under test sends or takes is checked from
// outside. It also connects any two ports of the server.
class JackMidiProbe
{
public:
    static constexpr size_t RingBytes = 1 << 20;

    JackMidiProbe() = default;
    ~JackMidiProbe();

    JackMidiProbe(const JackMidiProbe &) = delete;
    JackMidiProbe &operator=(const JackMidiProbe &) = delete;

    // Opens the client on the server JACK_DEFAULT_SERVER names.
    bool open(const QString &clientName);
    // "<client>:in" and "<client>:out".
    QString inputName() const;
    QString outputName() const;

    bool connect(const QString &source, const QString &destination);
    // MIDI ports whose full names match the regular expression.
    QStringList ports(const QString &pattern, bool inputs) const;

    // One event of these bytes, sent in the next period; waits until it left.
    bool send(const QByteArray &event, int timeoutMs = 2000);
    // Every event received so far, in order; forgets them.
    QList<QByteArray> take();

private:
    static int process(jack_nframes_t frames, void *self);

    jack_client_t *m_client = nullptr;
    jack_port_t *m_in = nullptr;
    jack_port_t *m_out = nullptr;
    // Each event as its length (a size_t) and its bytes.
    jack_ringbuffer_t *m_toSend = nullptr;
    jack_ringbuffer_t *m_received = nullptr;
};
