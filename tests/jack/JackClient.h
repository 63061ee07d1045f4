#pragma once

#include "MidiPlatform.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// Both directions of one device pair through a MidiPlatform, the way a test
// wants them: input started with many buffers queued, every filled buffer
// copied out, every Done counted per header.
class JackClient
{
public:
    static constexpr int Buffers = 48;
    static constexpr int BufferBytes = 65536;

    explicit JackClient(MidiPlatform &platform) : m_platform(platform) {}
    ~JackClient();

    // Opens the named devices (input may be empty); returns the result code.
    int openOut(const QString &name);
    int openIn(const QString &name);
    void close();

    // Sends one long message; the header lives here until Done.
    int sendLong(const QByteArray &bytes);
    int sendShort(quint32 message);
    // Waits until every long message sent has been reported Done.
    bool waitDone(int timeoutMs);
    // Done notifications per header, in sending order.
    std::vector<int> doneCounts() const;

    // Waits until `count` blocks in all have arrived; returns them all and
    // forgets them.
    QList<QByteArray> takeBlocks(int count, int timeoutMs);
    QList<quint32> shortMessages() const;

    MidiHandle out() const { return m_out; }
    // The platform closed the output (a Close notification came).
    bool outClosed() const { return m_outClosed; }
    MidiHandle in() const { return m_in; }

private:
    static int find(const QStringList &names, const QString &name);

    MidiPlatform &m_platform;
    std::atomic<MidiHandle> m_out{NoMidiHandle};
    std::atomic<bool> m_outClosed{false};
    MidiHandle m_in = NoMidiHandle;
    std::vector<std::unique_ptr<MidiHeader>> m_sent;
    std::vector<int> m_done;
    std::vector<std::unique_ptr<MidiHeader>> m_buffers;
    QList<QByteArray> m_blocks;
    std::vector<MidiHeader *> m_returned; // filled, waiting to be queued again
    QList<quint32> m_shorts;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
};
