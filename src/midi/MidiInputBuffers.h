#pragma once

#include "MidiHeader.h"
#include "MidiNotification.h"
#include "MidiPlatform.h"

#include <QByteArray>

#include <cstddef>
#include <deque>
#include <vector>

// The input buffers a port queues, and the SysEx messages that wait for
// them: each message fills one buffer (several when longer than a buffer),
// and a buffer is handed back through LongData once filled. Not locked: the
// platform's input device that owns it serialises every call.
class MidiInputBuffers
{
public:
    // At most this many messages wait for a buffer; later ones are dropped.
    // 0: no limit.
    explicit MidiInputBuffers(std::size_t maxWaiting = 0);

    // Queues an empty buffer; NoError, or why it cannot be queued.
    MidiPlatform::Result queue(MidiHeader *header);
    // A whole SysEx message (or the piece the parser handed out).
    void take(const QByteArray &message);
    // Fills queued buffers with what waits; each filled buffer is added to
    // `out` as LongData stamped timeMs.
    void drain(qint64 timeMs, std::vector<MidiNotification> &out);
    // Hands every queued buffer back with nothing recorded.
    void handBackAll(qint64 timeMs, std::vector<MidiNotification> &out);
    // Hands the oldest queued buffer back with nothing recorded; false when none is queued.
    bool handBackOldest(qint64 timeMs, std::vector<MidiNotification> &out);
    // Forgets what waits (the buffers stay queued).
    void dropWaiting();
    // Forgets the queued buffers without handing them back (a new open).
    void forgetQueued();

    int waiting() const { return int(m_waiting.size()); }
    int queued() const { return int(m_buffers.size()); }

private:
    static void handBack(MidiHeader *header, qint64 timeMs, std::vector<MidiNotification> &out);

    std::size_t m_maxWaiting;
    std::deque<MidiHeader *> m_buffers; // queued, in order
    std::deque<QByteArray> m_waiting;   // messages not yet in a buffer
    qsizetype m_waitingOffset = 0;      // bytes of m_waiting.front() already handed over
};
